// Block flow and inline formatting on hand-made styles: the margin rules, line breaking
// of long words, the scrollbar gutter and ellipsis. (The dump cases run the same rules
// through the cascade.)

#include <gtest/gtest.h>

#include <string>

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
    body = &tree.element(*html, "body", tree.style());
  }
  void layout(float w = 400, float h = 300) {
    LayoutContext ctx = tree.context(w, h);
    ASSERT_NE(layout_box(ctx, *html, w, h, -1, -1), nullptr);
  }
  Node& block(Node& parent, float height, float margin_top, float margin_bottom) {
    ComputedStyle& s = tree.style();
    s.height = StyleLength::px(height);
    s.margin[kTop] = StyleLength::px(margin_top);
    s.margin[kBottom] = StyleLength::px(margin_bottom);
    return tree.element(parent, "div", s);
  }
  // The text of the container's runs, one string per line.
  static std::vector<std::string> lines(const Node& n) {
    std::vector<std::string> out;
    const LayoutBox& b = *n.box;
    for (std::uint32_t l = 0; l < b.line_count; ++l) {
      std::string line;
      for (std::uint32_t r = b.lines[l].first_run; r < b.lines[l].first_run + b.lines[l].run_count; ++r) {
        if (!line.empty()) line += '|';
        line.append(b.runs[r].text + b.runs[r].first, b.runs[r].length);
        if (b.runs[r].flags & kRunEllipsis) line += "\xE2\x80\xA6";
      }
      out.push_back(line);
    }
    return out;
  }
};

TEST(BlockFlow, AdjacentMarginsCollapseToTheLargerOne) {
  Page p;
  Node& a = p.block(*p.body, 30, 0, 10);
  Node& b = p.block(*p.body, 30, 20, 0);
  p.layout();
  EXPECT_FLOAT_EQ(b.box->y - (a.box->y + a.box->height), 20);
}

TEST(BlockFlow, FirstAndLastMarginsStayInsideTheParent) {
  Page p;
  ComputedStyle& bordered = p.tree.style();
  bordered.border_width[kTop] = 1;
  Node& parent = p.tree.element(*p.body, "div", bordered);
  Node& child = p.block(parent, 5, 10, 7);
  p.layout();
  EXPECT_FLOAT_EQ(child.box->y, 1 + 10);
  EXPECT_FLOAT_EQ(parent.box->height, 1 + 10 + 5 + 7);
}

TEST(BlockFlow, EmptyDocumentIsTheRootAtItsMargins) {
  Tree tree;
  ComputedStyle& s = tree.style();
  s.margin[kLeft] = StyleLength::px(3);
  Node& html = tree.element(*tree.document->root, "html", s);
  LayoutContext ctx = tree.context();
  LayoutBox* b = layout_box(ctx, html, 800, 600, -1, -1);
  ASSERT_NE(b, nullptr);
  EXPECT_FLOAT_EQ(b->width, 797);
  EXPECT_FLOAT_EQ(b->height, 0);
}

TEST(InlineFlow, LongWordsOverflowUnlessOverflowWrapSplitsThem) {
  // 80 px wide: ten 8 px characters per line.
  for (bool wrap : {false, true}) {
    Page p;
    ComputedStyle& s = p.tree.style();
    s.width = StyleLength::px(80);
    if (wrap) s.overflow_wrap = css::kw::BreakWord;
    Node& div = p.tree.element(*p.body, "div", s);
    p.tree.text(div, "a abcdefghijklmnop b");
    p.layout();
    if (wrap)
      EXPECT_EQ(Page::lines(div), (std::vector<std::string>{"a", "abcdefghij", "klmnop b"}));
    else
      EXPECT_EQ(Page::lines(div), (std::vector<std::string>{"a", "abcdefghijklmnop", "b"}));
  }
}

TEST(InlineFlow, BreaksAtTheLastOpportunityBeforeAGluedWord) {
  Page p;
  ComputedStyle& s = p.tree.style();
  s.width = StyleLength::px(80);
  Node& div = p.tree.element(*p.body, "div", s);
  p.tree.text(div, "one tw");
  Node& b = p.tree.element(div, "b", p.tree.style(Display::kInline));
  p.tree.text(b, "othree");
  p.layout();
  EXPECT_EQ(Page::lines(div), (std::vector<std::string>{"one", "tw|othree"}));
}

TEST(InlineFlow, EllipsisCutsTheOverflowingLine) {
  Page p;
  ComputedStyle& s = p.tree.style();
  s.width = StyleLength::px(100);
  s.white_space = css::kw::Nowrap;
  s.overflow = css::kw::Hidden;
  s.text_overflow = css::kw::Ellipsis;
  Node& div = p.tree.element(*p.body, "div", s);
  p.tree.text(div, "some long text that overflows");
  p.layout();
  // "some long t" is 88 px and the ellipsis 8: 96 fits 100, one more character does not.
  EXPECT_EQ(Page::lines(div), (std::vector<std::string>{"some long t\xE2\x80\xA6"}));
}

TEST(Scrolling, StableGutterReservesTenPixelsWithoutOverflow) {
  Page p;
  ComputedStyle& s = p.tree.style();
  s.overflow = css::kw::Auto;
  s.scrollbar_gutter = css::kw::Stable;
  s.width = StyleLength::px(100);
  Node& div = p.tree.element(*p.body, "div", s);
  p.tree.text(div, "aaaaaaaaaaa bbbb");  // 88 px: fits 100, not the 90 left
  p.layout();
  EXPECT_FLOAT_EQ(div.box->scrollbar_gutter, 10);
  EXPECT_EQ(Page::lines(div).size(), 2u);
}

}  // namespace
}  // namespace orlan
