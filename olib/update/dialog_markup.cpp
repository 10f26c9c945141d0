#include "dialog_markup.h"

namespace olib::update {

std::string escape_markup(std::string_view text) {
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
      default:
        out += c;
    }
  }
  return out;
}

std::string footer_link_markup(std::string_view text, std::string_view url) {
  return "<a href=\"" + escape_markup(url) + "\">" + escape_markup(text) + "</a>";
}

}  // namespace olib::update
