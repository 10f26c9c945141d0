#include "dialog_markup.h"

#include "markup_escape.h"

namespace olib::update {

std::string escape_markup(std::string_view text) {
  return tw::escape_markup(text, tw::Apostrophe::Keep);
}

std::string footer_link_markup(std::string_view text, std::string_view url) {
  return "<a href=\"" + escape_markup(url) + "\">" + escape_markup(text) + "</a>";
}

}  // namespace olib::update
