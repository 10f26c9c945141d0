#include "svg_number.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace orlan::svg {

namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool is_svg_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void skip_separators(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && (is_svg_space(text[pos]) || text[pos] == ',')) ++pos;
}

std::string_view trim_svg_space(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && is_svg_space(text[begin])) ++begin;
  while (end > begin && is_svg_space(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool read_number_at(std::string_view text, std::size_t& pos, float& out) {
  std::size_t at = pos;
  const std::size_t n = text.size();
  bool negative = false;
  if (at < n && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  const std::size_t digits_begin = at;
  bool any_digit = false;
  while (at < n && is_digit(text[at])) {
    ++at;
    any_digit = true;
  }
  // A point belongs to the number only when a digit follows it ("1." is 1 then ".").
  if (at + 1 < n && text[at] == '.' && is_digit(text[at + 1])) {
    ++at;
    while (at < n && is_digit(text[at])) ++at;
    any_digit = true;
  }
  if (!any_digit) return false;
  // An exponent needs at least one digit after the optional sign ("1e" is 1 then "e").
  if (at < n && (text[at] == 'e' || text[at] == 'E')) {
    std::size_t e = at + 1;
    if (e < n && (text[e] == '+' || text[e] == '-')) ++e;
    if (e < n && is_digit(text[e])) {
      while (e < n && is_digit(text[e])) ++e;
      at = e;
    }
  }
  double value = 0;
  const char* first = text.data() + digits_begin;
  const char* last = text.data() + at;
  auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: the exponent's sign tells which.
    bool tiny = false;
    for (const char* p = first; p < last; ++p) {
      if ((*p == 'e' || *p == 'E') && p + 1 < last && p[1] == '-') tiny = true;
    }
    value = tiny ? 0.0 : std::numeric_limits<double>::max();
  } else if (ec != std::errc() || end != last) {
    return false;
  }
  // Geometry is float: keep huge values finite so that later arithmetic stays defined.
  constexpr double kMax = std::numeric_limits<float>::max();
  if (value > kMax) value = kMax;
  out = static_cast<float>(negative ? -value : value);
  pos = at;
  return true;
}

bool read_number(std::string_view text, std::size_t& pos, float& out) {
  skip_separators(text, pos);
  return read_number_at(text, pos, out);
}

std::optional<float> parse_number_px(std::string_view text) {
  text = trim_svg_space(text);
  std::size_t pos = 0;
  float value = 0;
  if (!read_number_at(text, pos, value)) return std::nullopt;
  std::string_view rest = text.substr(pos);
  if (rest.empty() || rest == "px") return value;
  return std::nullopt;
}

std::optional<float> parse_leading_number(std::string_view text) {
  text = trim_svg_space(text);
  std::size_t pos = 0;
  float value = 0;
  if (!read_number_at(text, pos, value)) return std::nullopt;
  return value;
}

}  // namespace orlan::svg
