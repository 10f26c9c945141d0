#pragma once

// Strict decimal integers as list files and delay texts write them.

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace tw {

// One optional "+" or "-", then one or more ASCII digits, nothing else; overflow fails.
template <typename Int>
std::optional<Int> parse_decimal(std::string_view text) {
  std::size_t first_digit = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
  if (first_digit == text.size()) return std::nullopt;
  for (std::size_t i = first_digit; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  // from_chars takes a "-" but not a "+".
  if (text[0] == '+') text.remove_prefix(1);
  Int value{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace tw
