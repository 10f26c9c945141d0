#include "white_space.h"

#include <cstddef>

#include "utf.h"

namespace tw {

bool is_white_space(char32_t cp) noexcept {
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

namespace {

// Start of the code point that ends at `end` (exclusive), stepping over continuation bytes.
std::size_t previous_start(std::string_view text, std::size_t end) noexcept {
  std::size_t start = end - 1;
  std::size_t limit = end >= 4 ? end - 4 : 0;
  while (start > limit && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
  return start;
}

}  // namespace

std::string_view trim_white_space(std::string_view text) noexcept {
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t next = begin;
    char32_t cp = decode_utf8(text, next);
    // A replacement character that came from a bad byte is not white space either way.
    if (!is_white_space(cp)) break;
    begin = next;
  }
  std::size_t end = text.size();
  while (end > begin) {
    std::size_t start = previous_start(text, end);
    if (start < begin) break;
    std::size_t pos = start;
    char32_t cp = decode_utf8(text, pos);
    // Only a well-formed sequence that ends exactly here counts.
    if (pos != end || !is_white_space(cp)) break;
    end = start;
  }
  return text.substr(begin, end - begin);
}

}  // namespace tw
