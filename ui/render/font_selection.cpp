#include "font_selection.h"

#include <cmath>

#include "ascii.h"

namespace orlan::render {

namespace {

using tw::ascii_iequals;

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
  return s;
}

// The first name: a quoted string up to its closing quote, or the text up to the first
// comma.
std::string_view first_name(std::string_view list) {
  list = trim(list);
  if (!list.empty() && (list.front() == '"' || list.front() == '\'')) {
    const char quote = list.front();
    const std::size_t close = list.find(quote, 1);
    return trim(
        list.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
  }
  return trim(list.substr(0, list.find(',')));
}

}  // namespace

bool is_generic_family(std::string_view name) noexcept {
  return name.empty() || ascii_iequals(name, "sans-serif") || ascii_iequals(name, "system-ui") ||
         ascii_iequals(name, "serif") || ascii_iequals(name, "monospace");
}

std::string select_family(std::string_view font_family) noexcept {
  std::string_view name = first_name(font_family);
  if (name.empty() || ascii_iequals(name, "sans-serif") || ascii_iequals(name, "system-ui")) {
    return "Segoe UI";
  }
  if (ascii_iequals(name, "serif")) return "Times New Roman";
  if (ascii_iequals(name, "monospace")) return "Consolas";
  if (name.size() > kMaxFamilyBytes) {
    std::size_t cut = kMaxFamilyBytes;
    // Never split a UTF-8 sequence: back up over continuation bytes.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name = trim(name.substr(0, cut));
  }
  return std::string(name);
}

int clamp_weight(float weight) noexcept {
  if (!(weight >= 100)) return 100;  // NaN too
  if (weight > 950) return 950;
  return static_cast<int>(std::lround(weight));
}

}  // namespace orlan::render
