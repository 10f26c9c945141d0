#pragma once

// The update service's reply as the launcher reads it: no JSON parser, only a search for
// the download address after the first "update" member.

#include <string>
#include <string_view>

namespace twsvc {

// The text after the first `"update":"` (exactly so, no blanks) up to the next double quote,
// with JSON escapes undone. Each byte of `body` is one character (code 0-255). Empty when
// the marker is absent or the value is empty (a null value never matches the marker).
std::u16string find_update_url(std::string_view body);

// Undoes JSON escapes in `text` (one character per byte): \" \' \/ \\ give the character,
// \b \f \n \r \t the control character, \u and four hex digits the UTF-16 unit. Any other
// escape, a \u without four hex digits and a lone trailing backslash are dropped.
std::u16string unescape_json_text(std::string_view text);

}  // namespace twsvc
