// Inline elements split over lines: every fragment gets its background however many
// lines there are, hit testing follows the fragments rather than the box around them, and
// only split inline elements escape clipping.

#include <vector>

#include "paint_test_support.h"

namespace {

using orlan::ItemKind;
using orlan::Rect;
using orlan::paint_test::Page;

constexpr std::uint32_t kMarked = 0xFFFFFF00u;

std::vector<Rect> fills_of(Page& page, std::uint32_t color) {
  EXPECT_EQ(orlan::build_display_list(*page.document, page.list), orlan::kOk);
  std::vector<Rect> out;
  for (std::uint32_t i = 0; i < page.list.count; ++i) {
    const orlan::DisplayItem& it = page.list.items[i];
    if (it.kind == ItemKind::kFill && it.color == color)
      out.push_back({it.x, it.y, it.width, it.height});
  }
  return out;
}

int count_kind(Page& page, ItemKind kind) {
  EXPECT_EQ(orlan::build_display_list(*page.document, page.list), orlan::kOk);
  int n = 0;
  for (std::uint32_t i = 0; i < page.list.count; ++i) n += page.list.items[i].kind == kind;
  return n;
}

TEST(InlineFragments, EveryLineGetsItsBackgroundPastSixtyFour) {
  std::string words;
  for (int i = 0; i < 70; ++i) words += "ab ";
  const std::string html =
      "<style>body{margin:0;font:10px sans-serif} p{width:12px;margin:0}"
      "span{background:#ff0}</style><p><span>" +
      words + "</span></p>";
  Page page(html, 200, 2000);
  const std::vector<Rect> fills = fills_of(page, kMarked);
  ASSERT_EQ(fills.size(), 70u);
  for (std::size_t i = 1; i < fills.size(); ++i) EXPECT_GT(fills[i].y, fills[i - 1].y) << i;
}

TEST(InlineFragments, HitTestingFollowsTheFragments) {
  // "x" starts the first line, the span begins after it and wraps over three lines; its
  // last line is short, leaving room to its right inside its bounding box.
  Page page(
      "<style>body{margin:0;font:10px sans-serif} p{width:100px;margin:0}"
      "span{background:#ff0}</style>"
      "<p id=p>x <span id=s>aaaaaaaaaaaaaaa bbbbbbbbbbbbbbbbbbb c</span></p>");
  const std::vector<Rect> fills = fills_of(page, kMarked);
  ASSERT_EQ(fills.size(), 3u) << page.dump();
  const Rect& first = fills.front();
  const Rect& last = fills.back();
  ASSERT_LT(last.x + last.width + 10, first.x + first.width) << page.dump();
  orlan::Node* span = page.id("s");
  // Inside each fragment: the span.
  for (const Rect& f : fills)
    EXPECT_EQ(orlan::hit_test(*page.document, f.x + 1, f.y + f.height / 2), span);
  // Right of the last fragment, under the first one's end: between the fragments.
  EXPECT_NE(orlan::hit_test(*page.document, last.x + last.width + 5, last.y + last.height / 2),
            span);
  // Left of the first fragment on its line: the paragraph's own text.
  EXPECT_EQ(orlan::hit_test(*page.document, first.x - 5, first.y + first.height / 2), page.id("p"));
}

TEST(InlineFragments, OnlySplitInlineElementsEscapeClipping) {
  Page whole(
      "<style>body{margin:0;font:10px sans-serif} span{overflow:hidden}</style>"
      "<p><span>short</span></p>");
  EXPECT_EQ(count_kind(whole, ItemKind::kPushClip), 1) << whole.dump();
  Page split(
      "<style>body{margin:0;font:10px sans-serif} p{width:40px} span{overflow:hidden}</style>"
      "<p><span>one two three four</span></p>");
  EXPECT_EQ(count_kind(split, ItemKind::kPushClip), 0) << split.dump();
}

}  // namespace
