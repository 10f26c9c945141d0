#include "reply.h"

namespace twsvc {

namespace {

constexpr std::string_view kUpdateMarker = "\"update\":\"";

int hex_value(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Byte as a character of code 0-255.
char16_t byte_char(char c) noexcept {
  return static_cast<char16_t>(static_cast<unsigned char>(c));
}

}  // namespace

std::u16string unescape_json_text(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c != '\\') {
      out.push_back(byte_char(c));
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) break;  // a backslash with nothing after it is dropped
    char e = text[i + 1];
    i += 2;
    switch (e) {
      case '"':
      case '\'':
      case '/':
      case '\\':
        out.push_back(byte_char(e));
        break;
      case 'b':
        out.push_back(u'\b');
        break;
      case 'f':
        out.push_back(u'\f');
        break;
      case 'n':
        out.push_back(u'\n');
        break;
      case 'r':
        out.push_back(u'\r');
        break;
      case 't':
        out.push_back(u'\t');
        break;
      case 'u': {
        if (i + 4 > text.size()) break;
        unsigned unit = 0;
        bool all_hex = true;
        for (std::size_t k = 0; k < 4; ++k) {
          int v = hex_value(text[i + k]);
          if (v < 0) {
            all_hex = false;
            break;
          }
          unit = unit * 16 + static_cast<unsigned>(v);
        }
        // Without four hex digits only the "\u" goes; what follows is read as plain text.
        if (all_hex) {
          out.push_back(static_cast<char16_t>(unit));
          i += 4;
        }
        break;
      }
      default:
        break;  // unknown escapes are dropped with their character
    }
  }
  return out;
}

std::u16string find_update_url(std::string_view body) {
  std::size_t at = body.find(kUpdateMarker);
  if (at == std::string_view::npos) return {};
  std::string_view rest = body.substr(at + kUpdateMarker.size());
  // The value ends at the next double quote, escaped or not: an escaped quote cannot be
  // part of the address.
  std::size_t end = rest.find('"');
  return unescape_json_text(rest.substr(0, end));
}

}  // namespace twsvc
