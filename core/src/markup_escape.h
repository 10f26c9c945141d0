#pragma once

// Text made safe to stand inside markup: & < > and the double quote become "&amp;",
// "&lt;", "&gt;" and "&quot;"; the apostrophe becomes "&apos;" only when asked for
// (page text takes it, the task dialog's footer link does not).

#include <string>
#include <string_view>

namespace tw {

enum class Apostrophe { Keep, Escape };

std::string escape_markup(std::string_view text, Apostrophe apostrophe);

}  // namespace tw
