// The main screen as the program builds it (the compiled-in page and stylesheet, the logo,
// the screen's own start-up with a list of clicks) laid out at 611 x 463 with the engine's
// fallback measurer: the box tree against its reviewed dump before and after the list box
// scrolls, and the outline of the screen (column widths, control and row heights, the
// table's columns, the sticky header) checked number by number.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "column_resize.h"
#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"
#include "main_screen_page.h"
#include "scroll.h"

namespace {

using orlan::Node;
using orlan::Rect;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The dump compared with the reviewed file app/tests/data/<name>; with TW_UPDATE_EXPECTED
// set the file is rewritten instead (then review the difference).
void expect_dump(const std::string& dump, const std::string& name) {
  const std::string path = std::string(TW_SOURCE_DIR) + "/app/tests/data/" + name;
  if (std::getenv("TW_UPDATE_EXPECTED") != nullptr) {
    std::ofstream(path, std::ios::binary) << dump;
    return;
  }
  EXPECT_EQ(dump, read_file(path)) << "dump differs from " << path;
}

using MainScreenLayout = tw::test::MainScreenPage;
constexpr float kWidth = MainScreenLayout::kWidth, kHeight = MainScreenLayout::kHeight;

TEST(MainScreenLayout, DumpMatchesTheReviewedOneBeforeAndAfterTheListScrolls) {
  MainScreenLayout screen;
  expect_dump(orlan::dump_layout(screen.document()), "main_page_layout.txt");

  Node* list_box = screen.element("list-box");
  EXPECT_GT(orlan::max_scroll_y(*list_box), 60);
  list_box->scroll_y = 60;
  screen.lay_out();
  expect_dump(orlan::dump_layout(screen.document()), "main_page_layout_scrolled.txt");
}

TEST(MainScreenLayout, MatchesTheOutlineOfTheMainScreen) {
  MainScreenLayout screen;
  ASSERT_NE(screen.element("col-left")->box, nullptr);

  // Left column 225 px; the right column takes the rest of the body after its padding and
  // the gap between the columns.
  const Rect body = screen.at("body");
  const Rect left = screen.at("col-left");
  const Rect right = screen.at("col-right");
  const orlan::LayoutBox& body_box = *screen.element("body")->box;
  EXPECT_EQ(left.width, 225);
  EXPECT_EQ(left.x, body.x + body_box.padding[3]);
  EXPECT_EQ(right.x, left.x + left.width + 8);
  EXPECT_EQ(right.x + right.width, body.x + body.width - body_box.padding[1]);

  // Every control of the left column is 23 px high.
  for (const char* id :
       {"mouse", "click", "delay1", "delay2", "hk-run", "hk-add", "repeat", "after", "use-notify"})
    EXPECT_EQ(screen.at(id).height, 23) << id;
  // The delay inputs share their row equally.
  EXPECT_EQ(screen.at("delay1").width, screen.at("delay2").width);

  // Header cells: columns of 80, 58, 50 and 140 px, the filler to the end of the table;
  // 20 px high with their bottom line, which the header cells draw.
  std::vector<Node*> th = screen.header_cells();
  ASSERT_EQ(th.size(), 5u);
  const float widths[] = {80, 58, 50, 140};
  const Rect table = screen.at("list");
  float x = table.x;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(screen.at(*th[i]).x, x) << "column " << i;
    EXPECT_EQ(screen.at(*th[i]).width, widths[i]) << "column " << i;
    EXPECT_EQ(screen.at(*th[i]).height, 20) << "column " << i;
    ASSERT_NE(th[i]->box->collapsed, nullptr);
    EXPECT_EQ(th[i]->box->collapsed->widths[2], 1) << "column " << i;
    x += widths[i];
  }
  const Rect filler = screen.at(*th[4]);
  EXPECT_EQ(filler.x, x);
  EXPECT_EQ(filler.x + filler.width, table.x + table.width);
  EXPECT_GT(filler.width, 0);
  Node* list_box = screen.element("list-box");
  const orlan::LayoutBox& lb = *list_box->box;
  EXPECT_EQ(table.width, lb.width - lb.border[1] - lb.border[3] - lb.scrollbar_gutter);

  // Rows of 24 px under the header, their cells in the header's columns.
  std::vector<Node*> rows = MainScreenLayout::elements(screen.element("rows"));
  ASSERT_EQ(rows.size(), 20u);
  const Rect head = screen.at(*th[0]);
  const Rect row0 = screen.at(*rows[0]);
  EXPECT_EQ(row0.y, head.y + head.height);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(screen.at(*rows[i]).height, 24) << "row " << i;
    std::vector<Node*> cells = MainScreenLayout::elements(rows[i]);
    ASSERT_EQ(cells.size(), 5u);
    for (int k = 0; k < 5; ++k) {
      EXPECT_EQ(screen.at(*cells[k]).height, 24);
      EXPECT_EQ(screen.at(*cells[k]).x, screen.at(*th[k]).x) << "row " << i << " cell " << k;
      EXPECT_EQ(screen.at(*cells[k]).width, screen.at(*th[k]).width) << "row " << i;
    }
  }
  // The list is taller than its box, so it scrolls.
  EXPECT_GT(lb.content_height + lb.padding[0] + lb.padding[2],
            lb.height - lb.border[0] - lb.border[2]);

  // The header stays at the top of the list box when it scrolls; the rows move.
  const float top = screen.at("list-box").y + lb.border[0];
  EXPECT_EQ(head.y, top);
  list_box->scroll_y = 60;
  screen.lay_out();
  EXPECT_EQ(screen.at(*th[0]).y, top);
  EXPECT_EQ(screen.at(*th[4]).y, top);
  EXPECT_FLOAT_EQ(screen.at(*rows[0]).y, row0.y - 60);
}

// Dragging the delay column's border on the real page: the header and every row take the
// new width, the filler the difference; the drag stops at 16 px and later layouts keep it.
TEST(MainScreenLayout, ColumnResizeOnTheHeaderMovesEveryRowAndTheFiller) {
  MainScreenLayout screen;
  std::vector<Node*> th = screen.header_cells();
  ASSERT_EQ(th.size(), 5u);
  const Rect delay = screen.at(*th[3]);
  const float filler = screen.at(*th[4]).width;
  const float edge = delay.x + delay.width;
  orlan::ColumnDrag drag;
  ASSERT_TRUE(orlan::begin_column_drag(
      drag, orlan::column_resize_hit_test(th[3], edge - 1, delay.y + 5), edge));
  EXPECT_EQ(drag.column, 3);

  EXPECT_EQ(orlan::drag_column(drag, edge - 40), 100);
  screen.lay_out();
  EXPECT_EQ(screen.at(*th[3]).width, 100);
  EXPECT_EQ(screen.at(*th[4]).width, filler + 40);
  for (Node* row : MainScreenLayout::elements(screen.element("rows")))
    EXPECT_EQ(screen.at(*MainScreenLayout::elements(row)[3]).width, 100);

  EXPECT_EQ(orlan::drag_column(drag, edge - 500), 16);
  screen.lay_out();
  EXPECT_EQ(screen.at(*th[3]).width, 16);
  orlan::layout_document(screen.document(), kWidth + 40, kHeight, nullptr);
  screen.lay_out();
  EXPECT_EQ(screen.at(*th[3]).width, 16);
  EXPECT_EQ(screen.at(*MainScreenLayout::elements(screen.element("rows"))[0]).width,
            screen.at("list").width);
}

// Rows added to an empty list (the add-record hotkey) and laid out again from the earlier
// layout: the list box keeps filling its column, the controls under it stay at the bottom.
TEST(MainScreenLayout, AddedRowsKeepTheListBoxItsHeight) {
  MainScreenLayout screen("");
  const Rect empty_box = screen.at("list-box");
  const Rect empty_clear = screen.at("btn-clear");
  for (int i = 0; i < 2; ++i) {
    screen.desktop.pointer = tw::ScreenPoint{70 + 100 * i, 60 + 40 * i};
    screen.callbacks.hotkey(2);
    screen.lay_out();
  }
  ASSERT_EQ(MainScreenLayout::elements(screen.element("rows")).size(), 2u);
  EXPECT_EQ(screen.at("list-box").height, empty_box.height);
  EXPECT_EQ(screen.at("btn-clear").y, empty_clear.y);
  // The same as a layout from nothing.
  orlan::layout_document(screen.document(), kWidth + 1, kHeight, nullptr);
  screen.lay_out();
  EXPECT_EQ(screen.at("list-box").height, empty_box.height);
}

}  // namespace
