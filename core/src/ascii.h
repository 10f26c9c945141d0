#pragma once

// ASCII-only character rules for the places where a format says "ASCII case-insensitive"
// (tag and attribute names, CSS keywords, URL schemes, HTTP header names, language codes).

#include <cstddef>
#include <string>
#include <string_view>

namespace tw {

constexpr bool is_ascii_alpha(char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr bool is_ascii_digit(char c) noexcept {
  return c >= '0' && c <= '9';
}

// A-Z become a-z; every other byte, UTF-8 included, stays as it is.
constexpr char ascii_lower(char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string ascii_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ascii_lower(c);
  return out;
}

constexpr bool ascii_iequals(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

constexpr bool ascii_istarts_with(std::string_view text, std::string_view prefix) noexcept {
  return text.size() >= prefix.size() && ascii_iequals(text.substr(0, prefix.size()), prefix);
}

}  // namespace tw
