#pragma once

// The page's files compiled into the program (app/res), turned into data at build time.

#include <string_view>

namespace tw::res {

extern const std::string_view main_page_template;  // page/main.html, with {{ }} placeholders
extern const std::string_view main_page_css;       // page/common.css then page/main.css
extern const std::string_view logo_svg_text;       // logo.svg

}  // namespace tw::res
