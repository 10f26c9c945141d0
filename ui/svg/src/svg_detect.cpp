#include "svg_detect.h"

#include <cstring>
#include <string_view>

namespace orlan::svg {

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

bool looks_like_svg(const std::uint8_t* bytes, std::size_t length) {
  if (bytes == nullptr) return false;
  std::string_view text(reinterpret_cast<const char*>(bytes), length);
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  for (;;) {
    while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
    std::size_t end = std::string_view::npos;
    if (text.starts_with("<?")) {
      end = text.find("?>", 2);
      if (end != std::string_view::npos) end += 2;
    } else if (text.starts_with("<!--")) {
      end = text.find("-->", 4);
      if (end != std::string_view::npos) end += 3;
    } else if (text.starts_with("<!")) {
      end = text.find('>', 2);
      if (end != std::string_view::npos) end += 1;
    } else {
      break;
    }
    // An unfinished declaration or comment hides whatever follows it.
    if (end == std::string_view::npos) return false;
    text.remove_prefix(end);
  }
  if (!text.starts_with("<svg")) return false;
  if (text.size() == 4) return true;
  const char next = text[4];
  return is_space(next) || next == '>' || next == '/';
}

}  // namespace orlan::svg
