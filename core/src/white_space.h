#pragma once

// Unicode white space, as the list reader and the delay parser trim it: tab, LF, VT, FF, CR,
// space, U+0085, no-break space, U+1680, U+2000..U+200A, the line and paragraph separators,
// U+202F, U+205F and the ideographic space.

#include <string_view>

namespace tw {

bool is_white_space(char32_t cp) noexcept;

// `text` without leading and trailing white space. Ill-formed UTF-8 is never white space,
// so trimming stops at it.
std::string_view trim_white_space(std::string_view text) noexcept;

}  // namespace tw
