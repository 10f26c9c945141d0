// The diff of two frames' lists and the item bounds it rests on: what a change damages,
// when the frame repaints in full, and deep nesting.

#include <cstring>
#include <string>

#include "paint_test_support.h"

namespace {

using orlan::DisplayItem;
using orlan::Node;
using orlan::DisplayList;
using orlan::ItemBounds;
using orlan::ItemKind;
using orlan::Rect;
using orlan::paint_test::Page;

constexpr const char* kTwoBoxes =
    "<style>body { margin: 0 } div { width: 50px; height: 20px; margin: 5px }</style>"
    "<div id=a style='background: #ff0000'></div><div id=b style='background: #00ff00'>abc</div>";

// The previous frame, as the view keeps it.
struct Frames {
  Page page;
  DisplayList previous;
  ItemBounds bounds;
  explicit Frames(const char* html, float w = 400, float h = 300) : page(html, w, h) {
    EXPECT_EQ(orlan::build_display_list(*page.document, page.list), orlan::kOk);
    EXPECT_TRUE(previous.copy_from(page.list));
  }
  orlan::Damage next() {
    page.layout();
    EXPECT_EQ(orlan::build_display_list(*page.document, page.list), orlan::kOk);
    orlan::Damage d = orlan::diff_display_lists(previous, page.list, bounds);
    EXPECT_TRUE(previous.copy_from(page.list));
    return d;
  }
  int index_of(ItemKind kind, std::uint32_t color) {
    for (std::uint32_t i = 0; i < page.list.count; ++i)
      if (page.list.items[i].kind == kind && page.list.items[i].color == color) return static_cast<int>(i);
    return -1;
  }
};

std::string rect_text(const Rect& r) {
  return orlan::format_layout_number(r.x) + "," + orlan::format_layout_number(r.y) + " " +
         orlan::format_layout_number(r.width) + "x" + orlan::format_layout_number(r.height);
}

TEST(Diff, UnchangedFrameHasEmptyDamage) {
  Frames f(kTwoBoxes);
  const orlan::Damage d = f.next();
  EXPECT_TRUE(d.partial);
  EXPECT_EQ(rect_text(d.rect), "0,0 0x0");
}

TEST(Diff, ColourChangeDamagesExactlyThatItem) {
  Frames f(kTwoBoxes);
  Node* b = f.page.id("b");
  ASSERT_EQ(orlan::set_attribute(b, "style", 5, "background: #0000ff", 19), orlan::kOk);
  const orlan::Damage d = f.next();
  ASSERT_TRUE(d.partial);
  const int i = f.index_of(ItemKind::kFill, 0xFF0000FF);
  ASSERT_GE(i, 0);
  // The fill of b's border box (5,30 50x20) grown by one pixel.
  EXPECT_EQ(rect_text(f.bounds.rects[i]), "4,29 52x22");
  EXPECT_EQ(rect_text(d.rect), "4,29 52x22");
}

TEST(Diff, SameLengthTextReplacedInPlaceDamagesItsRun) {
  Frames f(kTwoBoxes);
  Node* b = f.page.id("b");
  const char* before = f.page.list.items[f.index_of(ItemKind::kText, 0xFF000000)].text;
  ASSERT_EQ(orlan::set_text_content(b, "xyz", 3), orlan::kOk);
  const orlan::Damage d = f.next();
  const int i = f.index_of(ItemKind::kText, 0xFF000000);
  ASSERT_GE(i, 0);
  // The node's buffer was reused, so only the revision tells the runs apart.
  EXPECT_EQ(f.page.list.items[i].text, before);
  ASSERT_TRUE(d.partial);
  EXPECT_EQ(rect_text(d.rect), rect_text(f.bounds.rects[i]));
  EXPECT_GT(d.rect.width, 0);
}

TEST(Diff, AddingAnElementRepaintsInFull) {
  Frames f(kTwoBoxes);
  Node* div = orlan::create_element(f.page.document, "div", 3);
  ASSERT_EQ(orlan::set_attribute(div, "style", 5, "background: #123456", 19), orlan::kOk);
  ASSERT_EQ(orlan::append_child(f.page.document->body, div), orlan::kOk);
  EXPECT_FALSE(f.next().partial);
  // The frame after it is partial again.
  EXPECT_TRUE(f.next().partial);
}

TEST(Diff, FirstOrIncompleteFrameRepaintsInFull) {
  Page page(kTwoBoxes);
  DisplayList empty;  // never built: not valid
  ItemBounds bounds;
  ASSERT_EQ(orlan::build_display_list(*page.document, page.list), orlan::kOk);
  EXPECT_FALSE(orlan::diff_display_lists(empty, page.list, bounds).partial);
  DisplayList previous;
  ASSERT_TRUE(previous.copy_from(page.list));
  previous.complete = false;  // a frame whose build failed
  EXPECT_FALSE(orlan::diff_display_lists(previous, page.list, bounds).partial);
  previous.complete = true;
  EXPECT_TRUE(orlan::diff_display_lists(previous, page.list, bounds).partial);
}

TEST(Diff, ListStorageIsReusedBetweenFrames) {
  Frames f(kTwoBoxes);
  const DisplayItem* items = f.page.list.items;
  const std::uint32_t capacity = f.page.list.capacity;
  EXPECT_EQ(capacity, 256u);
  f.next();
  f.next();
  EXPECT_EQ(f.page.list.items, items);
  EXPECT_EQ(f.page.list.capacity, capacity);
}

TEST(ItemBounds, TransformsGroupsAndTextMargins) {
  DisplayList list;
  list.items = static_cast<DisplayItem*>(std::calloc(8, sizeof(DisplayItem)));
  list.capacity = 8;
  list.complete = true;
  auto add = [&](ItemKind kind) -> DisplayItem& {
    DisplayItem& it = list.items[list.count++];
    std::memset(static_cast<void*>(&it), 0, sizeof it);
    it.kind = kind;
    return it;
  };
  DisplayItem& t = add(ItemKind::kPushTransform);  // rotate 90 degrees about (0,0), then move
  const float m[6] = {0, 1, -1, 0, 100, 0};
  std::memcpy(t.matrix, m, sizeof m);
  DisplayItem& fill = add(ItemKind::kFill);
  fill.x = 10, fill.y = 0, fill.width = 20, fill.height = 5;
  add(ItemKind::kPopTransform);
  DisplayItem& clip = add(ItemKind::kPushClip);
  clip.x = 0, clip.y = 0, clip.width = 1000, clip.height = 1000;
  DisplayItem& text = add(ItemKind::kText);
  text.x = 50, text.y = 50, text.width = 10, text.height = 10;
  add(ItemKind::kPopClip);
  ItemBounds bounds;
  ASSERT_TRUE(orlan::item_bounds(list, bounds));
  ASSERT_EQ(bounds.count, 6u);
  EXPECT_TRUE(bounds.exact);
  EXPECT_EQ(rect_text(bounds.rects[1]), "94,9 7x22");   // (95..100, 10..30) grown by 1
  EXPECT_EQ(rect_text(bounds.rects[0]), "94,9 7x22");   // the push takes what it holds
  EXPECT_EQ(rect_text(bounds.rects[2]), "94,9 7x22");
  EXPECT_EQ(rect_text(bounds.rects[4]), "47,47 16x16");  // text grows by 3
  EXPECT_EQ(rect_text(bounds.rects[3]), "47,47 16x16");  // not the clip's own rectangle
  EXPECT_EQ(rect_text(bounds.rects[5]), "47,47 16x16");
}

// Groups nested deeper than the bounds stacks (the parser allows 256 levels) never index
// past them: the frame repaints in full, and a shallow page is partial again afterwards.
TEST(ItemBounds, NestingDeeperThanTheStacksRepaintsInFull) {
  std::string html = "<style>body { margin: 0 } div { opacity: 0.99; padding: 1px }</style>";
  for (int i = 0; i < 200; ++i) html += "<div>";
  html += "deep";
  Frames f(html.c_str());
  ASSERT_GT(f.page.list.count, 400u);
  ItemBounds bounds;
  ASSERT_TRUE(orlan::item_bounds(f.page.list, bounds));
  EXPECT_FALSE(bounds.exact);
  EXPECT_FALSE(f.next().partial);
  // Transforms nested as deep, inside an ordinary page.
  std::string transformed = "<style>div { transform: translate(1px, 0) }</style>";
  for (int i = 0; i < 100; ++i) transformed += "<div>";
  Frames g(transformed.c_str());
  EXPECT_FALSE(g.next().partial);
  Frames shallow(kTwoBoxes);
  EXPECT_TRUE(shallow.next().partial);
}

}  // namespace
