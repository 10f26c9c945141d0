#pragma once

// The box tree as text, for layout tests and for checking the engine against a browser:
// one line per box, indented two spaces per depth, the tag with any #id and .class
// names, then "x,y wxh" of the border box in document coordinates (at most two
// decimals); a table cell of a table that collapses borders adds the borders it draws,
// "borders(top, right, bottom, left)" with each side "0" or "width style #aarrggbb". Under a block container its line boxes ("line x,y wxh") with their text
// runs ("\"text\" x,y wxh"); under a form control its text lines ("text \"...\" ...").

#include <string>
#include <string_view>

#include "orlan/orlan.h"

namespace orlan {

struct Document;

// A number with at most two decimals and no trailing zeros ("12", "12.5", "-3.25").
std::string format_layout_number(float value);

// The dump of the document's rendered boxes from the `html` element.
std::string dump_layout(const Document& document);

// Loads a page as orlan-dump and the layout tests do: the HTML, then one author sheet made
// of the text of the page's `style` elements followed by `extra_css`. kOk or the status of
// the failing load.
Status load_page(View* view, std::string_view html, std::string_view extra_css);

}  // namespace orlan
