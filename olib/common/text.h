#pragma once

// Small text helpers of the support library: trimming, blank tests and ASCII case.

#include "ascii.h"
#include "white_space.h"

#include <string>
#include <string_view>

namespace olib {

// `text` without Unicode white space at either end (the program's shared rule); ill-formed
// UTF-8 is never trimmed away.
inline std::string_view trim(std::string_view text) noexcept {
  return tw::trim_white_space(text);
}

// True when `text` is empty or only Unicode whitespace.
bool is_blank(std::string_view text) noexcept;

// A-Z become a-z; every other byte stays.
using tw::ascii_lower;

inline bool ascii_equal_ignoring_case(std::string_view a, std::string_view b) noexcept {
  return tw::ascii_iequals(a, b);
}

// `text` for a one-line diagnostic: control characters (C0, DEL) become "?", so a
// value from outside cannot break or forge log lines.
std::string printable_for_log(std::string_view text);

}  // namespace olib
