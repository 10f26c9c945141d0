#include "utf.h"

#include <cwchar>

namespace tw {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Length of the well-formed sequence at `pos`, or 0 when it is ill-formed.
std::size_t sequence_length(std::string_view text, std::size_t pos, char32_t& cp) noexcept {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  std::size_t length;
  char32_t min;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, cp = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

bool is_valid_utf8(std::string_view text) noexcept {
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp;
    std::size_t length = sequence_length(text, pos, cp);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

char32_t decode_utf8(std::string_view text, std::size_t& pos) noexcept {
  char32_t cp;
  std::size_t length = sequence_length(text, pos, cp);
  if (length == 0) {
    ++pos;
    return kReplacement;
  }
  pos += length;
  return cp;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::u16string utf8_to_utf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp = decode_utf8(text, pos);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

namespace {
template <typename Unit>
std::string utf16_units_to_utf8(const Unit* units, std::size_t count) {
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    char32_t unit = static_cast<char16_t>(units[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) {
      char32_t low = static_cast<char16_t>(units[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    append_utf8(out, unit);  // a lone surrogate becomes U+FFFD
  }
  return out;
}
}  // namespace

std::string utf16_to_utf8(std::u16string_view text) {
  return utf16_units_to_utf8(text.data(), text.size());
}

#if WCHAR_MAX == 0xFFFF
std::wstring utf8_to_wide(std::string_view text) {
  std::u16string units = utf8_to_utf16(text);
  return std::wstring(units.begin(), units.end());
}

std::string utf16_to_utf8(std::wstring_view text) {
  return utf16_units_to_utf8(text.data(), text.size());
}
#endif

std::size_t count_code_points(std::string_view text) noexcept {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); ++count) decode_utf8(text, pos);
  return count;
}

}  // namespace tw
