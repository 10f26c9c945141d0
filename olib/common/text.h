#pragma once

// Small text helpers of the support library: trimming, blank tests and ASCII case.

#include <string>
#include <string_view>

namespace olib {

// True for the code points Unicode calls White_Space (tab, line breaks, blank, NBSP, the
// typographic spaces, line and paragraph separators, ideographic space, ...).
bool is_unicode_space(char32_t cp) noexcept;

// `text` without Unicode whitespace at either end. Ill-formed UTF-8 is never trimmed away.
std::string_view trim(std::string_view text) noexcept;

// True when `text` is empty or only Unicode whitespace.
bool is_blank(std::string_view text) noexcept;

// A-Z become a-z; every other byte stays.
std::string ascii_lower(std::string_view text);

bool ascii_equal_ignoring_case(std::string_view a, std::string_view b) noexcept;

// `text` for a one-line diagnostic: control characters (C0, DEL) become "?", so a
// value from outside cannot break or forge log lines.
std::string printable_for_log(std::string_view text);

}  // namespace olib
