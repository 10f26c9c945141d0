#pragma once

// The display list as text, for tests and orlan-dump: one item per line, indented two
// spaces per open group: the kind, the item's rectangle "x,y wxh" (at most two
// decimals), then the colour as 0xAARRGGBB or the text in quotes, and what else tells
// the item apart (border widths, radii, the matrix, the opacity).

#include <string>

namespace orlan {

struct DisplayList;

std::string dump_display_list(const DisplayList& list);

}  // namespace orlan
