#pragma once

// The task dialog's footer link as markup.

#include <string>
#include <string_view>

namespace olib::update {

// & < > and the double quote as "&amp;", "&lt;", "&gt;", "&quot;".
std::string escape_markup(std::string_view text);

// <a href="URL">text</a>, both parts escaped.
std::string footer_link_markup(std::string_view text, std::string_view url);

}  // namespace olib::update
