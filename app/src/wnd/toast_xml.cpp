#include "toast_xml.h"

#include "markup_escape.h"

namespace tw {

std::string toast_xml(std::string_view message) {
  std::string_view first = message;
  std::string_view rest;
  if (std::size_t line_break = message.find('\n'); line_break != std::string_view::npos) {
    first = message.substr(0, line_break);
    rest = message.substr(line_break + 1);
    // A CR LF break leaves no carriage return at the end of the title.
    if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
  }
  std::string xml = "<toast><visual><binding template=\"ToastGeneric\"><text>";
  xml += escape_markup(first, Apostrophe::Escape);
  xml += "</text><text>";
  xml += escape_markup(rest, Apostrophe::Escape);
  xml += "</text></binding></visual></toast>";
  return xml;
}

}  // namespace tw
