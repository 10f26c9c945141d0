#include "markup_escape.h"

namespace tw {

std::string escape_markup(std::string_view text, Apostrophe apostrophe) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += apostrophe == Apostrophe::Escape ? "&apos;" : "'";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace tw
