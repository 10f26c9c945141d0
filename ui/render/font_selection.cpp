#include "font_selection.h"

#include <cmath>

namespace orlan::render {

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
  return s;
}

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
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
  return name.empty() || iequals(name, "sans-serif") || iequals(name, "system-ui") ||
         iequals(name, "serif") || iequals(name, "monospace");
}

std::string select_family(std::string_view font_family) noexcept {
  std::string_view name = first_name(font_family);
  if (name.empty() || iequals(name, "sans-serif") || iequals(name, "system-ui")) {
    return "Segoe UI";
  }
  if (iequals(name, "serif")) return "Times New Roman";
  if (iequals(name, "monospace")) return "Consolas";
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
