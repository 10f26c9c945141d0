// The fuzz corpus copies of the main page and its sheet (an earlier state of the program's
// page, which the parsers' and layout's fuzz targets start from) with thirty click rows,
// laid out at 611 x 463 with the fallback measurer: the whole box tree against its
// reviewed dump, and that page's outline checked one by one. The program's own page, as the
// main screen builds it, is checked by app/tests/main_page_layout_test.cpp.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"

namespace {

using orlan::Node;

std::string read_source(const std::string& relative) {
  std::ifstream in(std::string(TW_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class MainPage : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string html = read_source("ui/html/fuzz/corpus/main_page.html");
    const std::string css = read_source("ui/css/fuzz/sheet/main_screen.css");
    ASSERT_FALSE(html.empty());
    ASSERT_FALSE(css.empty());
    ASSERT_EQ(orlan::load_page(view, html, css), orlan::kOk);
    d = orlan::document(view);
    // Rows of five cells, as the main screen builds them.
    Node* rows = id("rows");
    ASSERT_NE(rows, nullptr);
    static const char* const kCells[] = {"1280, 720", "Left", "Single", "00:01.00 ~ 00:02.00", ""};
    for (int i = 0; i < 30; ++i) {
      Node* tr = orlan::create_element(d, "tr", 2);
      for (const char* text : kCells) {
        Node* td = orlan::create_element(d, "td", 2);
        orlan::set_text_content(td, text, std::strlen(text));
        orlan::append_child(tr, td);
      }
      orlan::append_child(rows, tr);
    }
    orlan::layout_document(*d, 611, 463, nullptr);
  }
  void TearDown() override { orlan::destroy_view(view); }

  Node* id(const char* name) { return orlan::get_element_by_id(d, name, std::strlen(name)); }
  static float content_width(const Node& n) {
    const orlan::LayoutBox& b = *n.box;
    return b.width - b.padding[1] - b.padding[3] - b.border[1] - b.border[3];
  }
  static float content_height(const Node& n) {
    const orlan::LayoutBox& b = *n.box;
    return b.height - b.padding[0] - b.padding[2] - b.border[0] - b.border[2];
  }

  orlan::View* view = orlan::create_view();
  orlan::Document* d = nullptr;
};

TEST_F(MainPage, DumpMatchesTheReviewedOne) {
  const std::string dump = orlan::dump_layout(*d);
  const std::string path = std::string(TW_SOURCE_DIR) + "/ui/layout/tests/main_page.txt";
  if (std::getenv("ORLAN_UPDATE_DUMPS")) {
    std::ofstream(path, std::ios::binary) << dump;
    return;
  }
  EXPECT_EQ(dump, read_source("ui/layout/tests/main_page.txt"));
}

TEST_F(MainPage, MatchesTheOutlineOfTheMainScreen) {
  EXPECT_EQ(id("col-left")->box->width, 225);
  const orlan::Rect left = orlan::absolute_position(*id("col-left"));
  const orlan::Rect right = orlan::absolute_position(*id("col-right"));
  const orlan::Rect body = orlan::absolute_position(*id("body"));
  // The right column takes the rest of the body after its padding and the column gap.
  EXPECT_GT(right.x, left.x + left.width);
  EXPECT_NEAR(right.x + right.width, body.x + body.width - id("body")->box->padding[1], 0.01);
  EXPECT_EQ(id("mouse")->box->height, 23);
  EXPECT_EQ(id("delay1")->box->height, 23);

  // Header cells: 80, 58, 50 and 140 px wide (their width, inside their padding and
  // borders), the filler after them; 20 px high.
  Node* head_row = id("list")->first_child;
  while (head_row && !(head_row->is_element() && head_row->first_child)) head_row = head_row->next_sibling;
  ASSERT_NE(head_row, nullptr);
  const float widths[] = {80, 58, 50, 140};
  Node* th[5] = {};
  int count = 0;
  for (Node* tr = head_row->first_child; tr; tr = tr->next_sibling)
    if (tr->is_element())
      for (Node* c = tr->first_child; c && count < 5; c = c->next_sibling)
        if (c->is_element()) th[count++] = c;
  ASSERT_EQ(count, 5);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(content_width(*th[i]), widths[i]) << "column " << i;
    EXPECT_EQ(content_height(*th[i]), 20) << "column " << i;
  }
  EXPECT_GE(content_width(*th[4]), 0);
  EXPECT_EQ(th[4]->box->x, th[3]->box->x + th[3]->box->width);

  // Rows: 24 px cells, stacked under the header.
  Node* first = id("rows")->first_child;
  ASSERT_NE(first, nullptr);
  Node* cell = first->first_child;
  EXPECT_EQ(content_height(*cell), 24);
  const orlan::Rect row0 = orlan::absolute_position(*first);
  const orlan::Rect row1 = orlan::absolute_position(*first->next_sibling);
  EXPECT_EQ(row0.y, orlan::absolute_position(*th[0]).y + th[0]->box->height);
  EXPECT_EQ(row1.y - row0.y, row0.height);
  EXPECT_EQ(orlan::absolute_position(*cell).x, orlan::absolute_position(*th[0]).x);

  // The header stays at the top of the list box when it scrolls.
  Node* box = id("list-box");
  const orlan::Rect list = orlan::absolute_position(*box);
  const float top = list.y + box->box->border[0];
  EXPECT_EQ(orlan::absolute_position(*th[0]).y, top);
  box->scroll_y = 100;
  EXPECT_EQ(orlan::absolute_position(*th[0]).y, top);
  EXPECT_NEAR(orlan::absolute_position(*first).y, row0.y - 100, 0.001);
}

}  // namespace
