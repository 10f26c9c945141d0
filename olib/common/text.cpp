#include "text.h"

namespace olib {

bool is_blank(std::string_view text) noexcept {
  return trim(text).empty();
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
