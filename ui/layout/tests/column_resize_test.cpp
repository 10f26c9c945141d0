// Column resizing through the hit test, the drag and the next layouts, on a table laid
// out like the click list and on rows of flex cells.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "column_resize.h"
#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"

namespace {

using orlan::Node;

struct Page {
  orlan::View* view = orlan::create_view();
  orlan::Document* d = nullptr;
  explicit Page(const std::string& html) {
    EXPECT_EQ(orlan::load_page(view, html, {}), orlan::kOk);
    d = orlan::document(view);
    orlan::layout_document(*d, 600, 400, nullptr);
  }
  ~Page() { orlan::destroy_view(view); }
  Node* id(const char* name) { return orlan::get_element_by_id(d, name, std::strlen(name)); }
  float width(const char* name) { return id(name)->box->width; }
  std::string style(const char* name) {
    std::size_t length = 0;
    const char* v = orlan::get_attribute(id(name), "style", 5, &length);
    return v ? std::string(v, length) : std::string();
  }
  void layout() { orlan::layout_document(*d, 600, 400, nullptr); }
};

const char* const kTable = R"(<style>
body { margin: 0; }
table { width: 500px; table-layout: fixed; border-collapse: collapse; }
th, td { padding: 0 6px; height: 20px; }
.a { width: 80px; }
.b { width: 58px; }
</style>
<table><thead><tr data-resize="col" id="head"><th class="a" id="h0">A</th><th class="b" id="h1" style=" color: red; WIDTH : 58px;flex:1">B</th><th id="h2"></th></tr></thead>
<tbody><tr><td id="c0">1</td><td id="c1">2</td><td>3</td></tr><tr><td>4</td><td>5</td><td>6</td></tr></tbody></table>)";

TEST(ColumnResize, HitTestFindsTheRightEdgeWithinReach) {
  Page p(kTable);
  orlan::Rect h0 = orlan::absolute_position(*p.id("h0"));
  ASSERT_EQ(h0.width, 92);  // 80 + padding (content-box)
  const float edge = h0.x + h0.width;
  const float y = h0.y + 5;
  orlan::ColumnHit hit = orlan::column_resize_hit_test(p.id("h0"), edge - 3, y);
  EXPECT_EQ(hit.container, p.id("head"));
  EXPECT_EQ(hit.column, 0);
  EXPECT_EQ(orlan::column_resize_hit_test(p.id("h1"), edge + 4, y).column, 0);
  EXPECT_EQ(orlan::column_resize_hit_test(p.id("h1"), edge + 5, y).container, nullptr);
  EXPECT_EQ(orlan::column_resize_hit_test(p.id("h0"), edge, y + 100).container, nullptr);
  // Body cells are not under a resize container.
  EXPECT_EQ(orlan::column_resize_hit_test(p.id("c0"), edge, y + 20).container, nullptr);
  orlan::Rect h1 = orlan::absolute_position(*p.id("h1"));
  EXPECT_EQ(orlan::column_resize_hit_test(p.id("h1"), h1.x + h1.width, y).column, 1);
}

TEST(ColumnResize, DragWidensStopsAtSixteenAndTheNextLayoutsKeepIt) {
  Page p(kTable);
  orlan::Rect h1 = orlan::absolute_position(*p.id("h1"));
  const float edge = h1.x + h1.width;
  orlan::ColumnHit hit = orlan::column_resize_hit_test(p.id("h1"), edge, h1.y + 2);
  orlan::ColumnDrag drag;
  ASSERT_TRUE(orlan::begin_column_drag(drag, hit, edge));
  EXPECT_EQ(drag.start_width, 70);

  EXPECT_EQ(orlan::drag_column(drag, edge + 30), 100);
  // Other declarations stay; width and flex are replaced; the content-box width is written.
  EXPECT_EQ(p.style("h1"), "color: red;width:88px;flex:none");
  p.layout();
  EXPECT_EQ(p.width("h1"), 100);
  EXPECT_EQ(p.width("c1"), 100);  // the fixed layout takes the header's widths

  EXPECT_EQ(orlan::drag_column(drag, edge - 200), 16);
  p.layout();
  EXPECT_EQ(p.width("h1"), 16);
  EXPECT_EQ(p.style("h1"), "color: red;width:4px;flex:none");
  const std::string after = orlan::dump_layout(*p.d);
  p.layout();
  orlan::layout_document(*p.d, 640, 400, nullptr);
  orlan::layout_document(*p.d, 600, 400, nullptr);
  EXPECT_EQ(orlan::dump_layout(*p.d), after);
  EXPECT_EQ(p.width("h1"), 16);
  EXPECT_EQ(p.width("h0"), 92);
}

TEST(ColumnResize, FlexRowsAllTakeTheWidthAndMinWidthRaisesTheMinimum) {
  Page p(R"(<style>body{margin:0} .r{display:flex} .r>div{flex:1 1 0;box-sizing:border-box;padding:0 5px}
.m{min-width:40px}</style>
<div><div class="r" data-resize="col" id="head"><div id="h0" style="flex:1 1 0">a</div><div id="h1" class="m">b</div></div>
<div class="r"><div id="r0">1</div><div id="r1" class="m">2</div></div></div>)");
  EXPECT_EQ(p.width("h0"), 300);
  orlan::ColumnDrag drag;
  ASSERT_TRUE(orlan::begin_column_drag(drag, orlan::column_resize_hit_test(p.id("h0"), 300, 5), 300));
  EXPECT_EQ(orlan::drag_column(drag, 150), 150);
  EXPECT_EQ(p.style("h0"), "width:150px;flex:none");  // border-box: the width as is
  p.layout();
  EXPECT_EQ(p.width("h0"), 150);
  EXPECT_EQ(p.width("r0"), 150);
  EXPECT_EQ(p.width("r1"), 450);

  ASSERT_TRUE(orlan::begin_column_drag(drag, orlan::column_resize_hit_test(p.id("h1"), 600, 5), 600));
  EXPECT_EQ(orlan::drag_column(drag, 0), 40);
  p.layout();
  EXPECT_EQ(p.width("r1"), 40);
  EXPECT_FALSE(orlan::begin_column_drag(drag, orlan::column_resize_hit_test(p.id("h1"), 400, 5), 400));
  EXPECT_EQ(orlan::drag_column(drag, 10), -1);
}

}  // namespace
