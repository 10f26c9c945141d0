#pragma once

#include <string_view>

namespace orlan::css {

// The text of the built-in user-agent sheet (54 rules, one per line).
std::string_view user_agent_sheet_text();

}  // namespace orlan::css
