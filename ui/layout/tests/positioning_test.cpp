// Out-of-flow boxes, the box cache and absolute positions, on trees with hand-made
// styles (the dump cases cover the same through the cascade).

#include <gtest/gtest.h>

#include "layout_test_support.h"

namespace orlan {
namespace {

using testing_support::Tree;

struct Page {
  Tree tree;
  Node* html;
  Node* body;
  Page() {
    html = &tree.element(*tree.document->root, "html", tree.style());
    ComputedStyle& b = tree.style();
    for (StyleLength& m : b.margin) m = StyleLength::px(8);
    body = &tree.element(*html, "body", b);
  }
  void layout(float w = 800, float h = 600) {
    LayoutContext ctx = tree.context(w, h);
    LayoutBox* b = layout_box(ctx, *html, w, h, -1, -1);
    ASSERT_NE(b, nullptr);
  }
};

TEST(Positioning, FixedInsidePositionedAncestorIsLaidOutAgainstTheViewport) {
  Page p;
  ComputedStyle& rel = p.tree.style();
  rel.position = css::kw::Relative;
  rel.height = StyleLength::px(50);
  rel.margin[kTop] = StyleLength::px(100);
  Node& holder = p.tree.element(*p.body, "div", rel);
  ComputedStyle& fixed = p.tree.style();
  fixed.position = css::kw::Fixed;
  fixed.inset[kRight] = StyleLength::px(10);
  fixed.inset[kBottom] = StyleLength::px(20);
  fixed.width = StyleLength::px(30);
  fixed.height = StyleLength::px(40);
  Node& bar = p.tree.element(holder, "div", fixed);
  p.layout();
  ASSERT_NE(bar.box, nullptr);
  Rect r = absolute_position(bar);
  EXPECT_FLOAT_EQ(r.x, 800 - 10 - 30);
  EXPECT_FLOAT_EQ(r.y, 600 - 20 - 40);
  EXPECT_FLOAT_EQ(r.width, 30);
  EXPECT_FLOAT_EQ(r.height, 40);
  // It stays put when the page scrolls.
  p.html->scroll_y = 35;
  EXPECT_FLOAT_EQ(absolute_position(bar).y, 540);
}

TEST(Positioning, AbsoluteWithBothInsetsStretches) {
  Page p;
  ComputedStyle& rel = p.tree.style();
  rel.position = css::kw::Relative;
  rel.width = StyleLength::px(300);
  rel.height = StyleLength::px(200);
  rel.border_width[kLeft] = 5;
  rel.border_width[kTop] = 5;
  Node& cb = p.tree.element(*p.body, "div", rel);
  ComputedStyle& abs = p.tree.style();
  abs.position = css::kw::Absolute;
  abs.inset[kLeft] = StyleLength::px(20);
  abs.inset[kRight] = StyleLength::px(30);
  abs.inset[kTop] = StyleLength::px(10);
  abs.inset[kBottom] = StyleLength::px(10);
  abs.margin[kLeft] = StyleLength::px(4);
  abs.margin[kRight] = StyleLength::px(6);
  Node& a = p.tree.element(cb, "div", abs);
  p.layout();
  ASSERT_NE(a.box, nullptr);
  EXPECT_FLOAT_EQ(a.box->width, 300 - 20 - 30 - 10);
  EXPECT_FLOAT_EQ(a.box->height, 200 - 20);
  EXPECT_FLOAT_EQ(a.box->x, 5 + 20 + 4);
  EXPECT_FLOAT_EQ(a.box->y, 5 + 10);
  Rect r = absolute_position(a);
  EXPECT_FLOAT_EQ(r.x, 8 + 5 + 20 + 4);
}

TEST(Positioning, AbsoluteBelowStaticParentIsRelativeToThatParent) {
  Page p;
  ComputedStyle& rel = p.tree.style();
  rel.position = css::kw::Relative;
  Node& cb = p.tree.element(*p.body, "div", rel);
  ComputedStyle& pad = p.tree.style();
  pad.margin[kLeft] = StyleLength::px(50);
  pad.margin[kTop] = StyleLength::px(30);
  pad.height = StyleLength::px(10);
  Node& middle = p.tree.element(cb, "div", pad);
  ComputedStyle& abs = p.tree.style();
  abs.position = css::kw::Absolute;
  abs.inset[kLeft] = StyleLength::px(0);
  abs.inset[kTop] = StyleLength::px(0);
  abs.width = StyleLength::px(5);
  abs.height = StyleLength::px(5);
  Node& a = p.tree.element(middle, "div", abs);
  p.layout();
  // Placed at the containing block's corner, whatever its parent's offset.
  Rect r = absolute_position(a);
  Rect c = absolute_position(cb);
  EXPECT_FLOAT_EQ(r.x, c.x);
  EXPECT_FLOAT_EQ(r.y, c.y);
}

TEST(Positioning, StickyStaysAtTheTopWithinItsContainingBlock) {
  Page p;
  ComputedStyle& scroller = p.tree.style();
  scroller.overflow = css::kw::Auto;
  scroller.height = StyleLength::px(100);
  Node& sc = p.tree.element(*p.body, "div", scroller);
  ComputedStyle& section_style = p.tree.style();
  section_style.height = StyleLength::px(300);
  section_style.margin[kTop] = StyleLength::px(50);
  Node& section = p.tree.element(sc, "div", section_style);
  ComputedStyle& sticky = p.tree.style();
  sticky.position = css::kw::Sticky;
  sticky.inset[kTop] = StyleLength::px(5);
  sticky.height = StyleLength::px(20);
  Node& header = p.tree.element(section, "div", sticky);
  p.layout();
  const float top = absolute_position(sc).y;
  EXPECT_FLOAT_EQ(absolute_position(header).y, top + 50);  // not scrolled: in flow
  sc.scroll_y = 100;  // it would pass above the top: held 5 px below it
  EXPECT_FLOAT_EQ(absolute_position(header).y, top + 5);
  sc.scroll_y = 340;  // its containing block is leaving: it goes with the block's end
  EXPECT_FLOAT_EQ(absolute_position(header).y, top + 50 + 300 - 20 - 340);
}

TEST(BoxCache, CleanSubtreesAreRestoredNotLaidOut) {
  Page p;
  std::vector<Node*> rows;
  for (int i = 0; i < 50; ++i) {
    Node& row = p.tree.element(*p.body, "div", p.tree.style());
    p.tree.text(row, "some words in a row");
    rows.push_back(&row);
  }
  LayoutContext first = p.tree.context();
  layout_box(first, *p.html, 800, 600, -1, -1);
  EXPECT_GE(first.boxes_laid_out, 52u);
  const float y10 = rows[10]->box->y;

  // One row changes: only it and its ancestors are laid out again.
  set_node_text(*rows[10]->first_child, "other words");
  mark_dirty(*rows[10], kDirtyLayout);
  LayoutContext second = p.tree.context();
  layout_box(second, *p.html, 800, 600, -1, -1);
  EXPECT_EQ(second.boxes_laid_out, 3u);
  EXPECT_FLOAT_EQ(rows[10]->box->y, y10);
  EXPECT_EQ(std::string(rows[10]->box->runs[0].text + rows[10]->box->runs[0].first,
                        rows[10]->box->runs[0].length),
            "other words");
}

TEST(BoxCache, FloatsOfAnEnclosingContextDisableTheCache) {
  Page p;
  ComputedStyle& f = p.tree.style();
  f.float_ = css::kw::Left;
  f.width = StyleLength::px(100);
  f.height = StyleLength::px(100);
  p.tree.element(*p.body, "div", f);
  Node& next = p.tree.element(*p.body, "div", p.tree.style());
  p.tree.text(next, "beside the float");
  p.layout();
  ASSERT_GT(next.box->run_count, 0u);
  EXPECT_FLOAT_EQ(next.box->runs[0].x, 100);  // the line starts right of the float
  EXPECT_FALSE(next.box->cache_float_free);
}

}  // namespace
}  // namespace orlan

namespace orlan {
namespace {

TEST(Limits, DeepTreesStopAtTheNestingLimit) {
  testing_support::Tree tree;
  Node* html = &tree.element(*tree.document->root, "html", tree.style());
  Node* n = html;
  for (int i = 0; i < 2000; ++i) {
    n = &tree.element(*n, "div", tree.style());
    if (i % 3 == 0) tree.text(*n, "x");
  }
  LayoutContext ctx = tree.context();
  ASSERT_NE(layout_box(ctx, *html, 800, 600, -1, -1), nullptr);
  EXPECT_EQ(ctx.depth, 0u);
  EXPECT_EQ(n->box, nullptr);  // beyond the limit: no geometry
  EXPECT_GT(html->box->height, 0);
}

TEST(Limits, RunsTakeAtMost256Nodes) {
  testing_support::Tree tree;
  Node* html = &tree.element(*tree.document->root, "html", tree.style());
  Node& p = tree.element(*html, "p", tree.style());
  for (int i = 0; i < 300; ++i) {
    Node& span = tree.element(p, "span", tree.style(Display::kInline));
    tree.text(span, "w ");
  }
  LayoutContext ctx = tree.context();
  layout_box(ctx, *html, 800, 600, -1, -1);
  std::uint32_t words = 0;
  for (std::uint32_t i = 0; i < p.box->run_count; ++i) words += p.box->runs[i].text[p.box->runs[i].first] == 'w';
  EXPECT_EQ(words, 256u);
}

}  // namespace
}  // namespace orlan
