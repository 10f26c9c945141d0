#pragma once

// The click table (`rows`): rebuilt from the list after every change of the list or of the
// row marker, and after each click of a record run.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "area.h"
#include "click_list.h"
#include "page.h"

namespace tw {

// The delay cell: MM:SS.cc of delay1, or "delay1~delay2" (no spaces) when they differ.
std::string delay_cell_text(const ClickEntry& entry);

// Removes every row and appends one `tr` per entry (attribute data-i, class `active` on
// the marked row) with five cells: "XxY", the button, the click kind, the delay (with the
// same text as `title` when it is a range) and an empty filler. Rows that already show
// the entries at the list's start and end are kept: the document is the one a rebuild
// gives, with only the rows between replaced.
void render_click_table(const Page& page, const ClickList& list, std::string_view language);

// What the click table showed after its last update: the entries and the marked row.
struct ShownTable {
  std::vector<ClickEntry> entries;
  std::optional<std::size_t> marked;
  bool known = false;  // false: nothing is known, the rows themselves are compared
};

// The same update as render_click_table, found by comparing the list with what `shown`
// says the table shows: only the rows that changed and the marked rows are visited, so a
// change at either end of a long list costs what the change costs. Rows that are not what
// `shown` says (each row's data-i is checked) fall back to comparing every row.
void render_click_table(const Page& page, const ClickList& list, std::string_view language,
                        ShownTable& shown);

}  // namespace tw
