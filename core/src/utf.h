#pragma once

// UTF-8 / UTF-16 conversions shared by every layer. Invalid input never fails:
// each ill-formed sequence becomes U+FFFD, except where a function says otherwise.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

// True when `text` is well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool is_valid_utf8(std::string_view text) noexcept;

// Decodes one code point at `pos` and advances `pos`; ill-formed bytes give U+FFFD and
// advance by one byte. `pos` must be < text.size().
char32_t decode_utf8(std::string_view text, std::size_t& pos) noexcept;

// Appends the UTF-8 form of `cp` (a surrogate or out-of-range value appends U+FFFD).
void append_utf8(std::string& out, char32_t cp);

std::u16string utf8_to_utf16(std::string_view text);
std::string utf16_to_utf8(std::u16string_view text);

// wchar_t is 16 bits on Windows; these exist so Win32 code can hand over wide strings.
#if WCHAR_MAX == 0xFFFF
std::wstring utf8_to_wide(std::string_view text);
std::string utf16_to_utf8(std::wstring_view text);
#endif

// Number of code points (ill-formed bytes count one each).
std::size_t count_code_points(std::string_view text) noexcept;

}  // namespace tw
