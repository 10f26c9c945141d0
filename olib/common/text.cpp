#include "text.h"

#include "utf.h"

namespace olib {

bool is_unicode_space(char32_t cp) noexcept {
  switch (cp) {
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x20:
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
      return true;
    default:
      return cp >= 0x2000 && cp <= 0x200A;
  }
}

std::string_view trim(std::string_view text) noexcept {
  // Leading: decode forward while the code points are whitespace.
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t next = start;
    char32_t cp = tw::decode_utf8(text, next);
    bool replaced = cp == 0xFFFD;
    if (replaced || !is_unicode_space(cp)) break;
    start = next;
  }
  // Trailing: step back over whole sequences. Every whitespace code point is at most
  // three bytes, so try the candidate start positions 1..3 bytes back.
  std::size_t end = text.size();
  while (end > start) {
    bool trimmed = false;
    for (std::size_t back = 1; back <= 3 && back <= end - start; ++back) {
      std::size_t pos = end - back;
      std::size_t after = pos;
      char32_t cp = tw::decode_utf8(text, after);
      if (after == end && cp != 0xFFFD && is_unicode_space(cp)) {
        end = pos;
        trimmed = true;
        break;
      }
    }
    if (!trimmed) break;
  }
  return text.substr(start, end - start);
}

bool is_blank(std::string_view text) noexcept {
  return trim(text).empty();
}

std::string ascii_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool ascii_equal_ignoring_case(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string printable_for_log(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return out;
}

}  // namespace olib
