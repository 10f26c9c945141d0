#pragma once

// The click table (`rows`): rebuilt from the list after every change of the list or of the
// row marker, and after each click of a record run.

#include <string>
#include <string_view>

#include "area.h"
#include "click_list.h"
#include "page.h"

namespace tw {

// The delay cell: MM:SS.cc of delay1, or "delay1~delay2" (no spaces) when they differ.
std::string delay_cell_text(const ClickEntry& entry);

// Removes every row and appends one `tr` per entry (attribute data-i, class `active` on
// the marked row) with five cells: "XxY", the button, the click kind, the delay (with the
// same text as `title` when it is a range) and an empty filler.
void render_click_table(const Page& page, const ClickList& list, std::string_view language);

}  // namespace tw
