// A table's layout does not depend on the available height unless its own height refers to
// it: a container that tries several heights gets the same table each time, from one layout.

#include <gtest/gtest.h>

#include <string>

#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"

namespace {

// A flex column that measures its scrolling child at several heights, as the main screen's
// record column does, with a table of `rows` rows in it.
std::string page(int rows, const char* table_style) {
  std::string html =
      "<style>body{margin:0} #col{display:flex;flex-direction:column;height:300px}"
      "#box{flex:1;min-height:0;overflow:auto} td{border:1px solid #888;height:20px}"
      "table{border-collapse:collapse;table-layout:fixed;width:200px}</style>"
      "<div id=col><h2>t</h2><div id=box><table style='" +
      std::string(table_style) + "'><tbody id=rows>";
  for (int i = 0; i < rows; ++i) html += "<tr><td>" + std::to_string(i) + "</td><td>x</td></tr>";
  return html + "</tbody></table></div><p>foot</p></div>";
}

std::string fresh_layout(const std::string& html) {
  orlan::View* view = orlan::create_view();
  EXPECT_EQ(orlan::load_page(view, html, {}), orlan::kOk);
  orlan::layout_document(*orlan::document(view), 400, 300, nullptr);
  std::string dump = orlan::dump_layout(*orlan::document(view));
  orlan::destroy_view(view);
  return dump;
}

TEST(TableAvailableHeight, RelayoutAfterAnAddedRowMatchesAFreshLayout) {
  for (const char* table_style : {"", "height:150%", "min-height:500%", "max-height:10%",
                                  "height:calc(50% + 10px)", "height:90px"}) {
    orlan::View* view = orlan::create_view();
    ASSERT_EQ(orlan::load_page(view, page(30, table_style), {}), orlan::kOk);
    orlan::Document* d = orlan::document(view);
    orlan::layout_document(*d, 400, 300, nullptr);
    orlan::Node* row = orlan::create_element(d, "tr", 2);
    for (const char* text : {"30", "x"}) {
      orlan::Node* cell = orlan::create_element(d, "td", 2);
      orlan::set_text_content(cell, text, 2 - (text[1] == 0));
      orlan::append_child(row, cell);
    }
    orlan::append_child(orlan::get_element_by_id(d, "rows", 4), row);
    orlan::layout_document(*d, 400, 300, nullptr);
    EXPECT_EQ(orlan::dump_layout(*d), fresh_layout(page(31, table_style))) << table_style;
    orlan::destroy_view(view);
  }
  // Heights that refer to the available height still follow it.
  const std::string plain = fresh_layout(page(31, ""));
  for (const char* table_style : {"height:150%", "min-height:500%", "height:calc(50% + 10px)"})
    EXPECT_NE(fresh_layout(page(31, table_style)), plain) << table_style;
}

}  // namespace
