#pragma once

// Internal: the declaration reader shared by rules, keyframes, @supports and the public
// entry points.

#include <string_view>
#include <vector>

#include "style_sheet.h"

namespace orlan::css {

// Reads the declarations of one block's contents and appends them to `out`.
void read_declaration_block(StyleSheet& sheet, std::string_view block,
                            std::vector<Declaration>& out);

// Reads one declaration ("name: value [!important]") and appends what it produces.
void read_declaration(StyleSheet& sheet, std::string_view text, std::vector<Declaration>& out);

std::string_view trim_css_space(std::string_view text);

}  // namespace orlan::css
