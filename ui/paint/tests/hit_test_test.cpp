// Hit testing in reverse paint order: z order, clips and scrolling, transforms,
// pointer-events, visibility, scrollbars, generated boxes and the tooltip.

#include <cstring>

#include "paint_test_support.h"

namespace {

using orlan::Node;
using orlan::paint_test::Page;

std::string hit(Page& page, float x, float y) {
  Node* n = orlan::hit_test(*page.document, x, y);
  if (!n) return "none";
  if (n->id) return std::string(page.document->atoms.text(n->id));
  return std::string(page.document->atoms.text(n->tag));
}

TEST(HitTest, FollowsPaintOrderBackwards) {
  Page page(
      "<style>body { margin: 0 } div { width: 100px; height: 40px }"
      "#low { position: absolute; top: 0; left: 0; z-index: 1 }"
      "#high { position: absolute; top: 20px; left: 0; z-index: 2 }"
      "#under { position: absolute; top: 50px; left: 0; z-index: -1 }"
      "#flow { margin-top: 50px; height: 20px; width: 50px }</style>"
      "<div id=high></div><div id=low></div><div id=under></div><div id=flow></div>");
  EXPECT_EQ(hit(page, 10, 10), "low");
  EXPECT_EQ(hit(page, 10, 30), "high");      // overlaps low and is above it
  EXPECT_EQ(hit(page, 10, 60), "under");     // negative z still above in-flow content
  EXPECT_EQ(hit(page, 300, 200), "html");    // nothing but the viewport
  EXPECT_EQ(hit(page, 500, 10), "none");     // outside the viewport
}

TEST(HitTest, ClipsScrollingAndScrollbars) {
  Page page(
      "<style>body { margin: 0 } #s { overflow: auto; width: 100px; height: 50px }"
      "#s div { height: 30px }</style>"
      "<div id=s><div id=r1></div><div id=r2></div><div id=r3></div><div id=r4></div></div>"
      "<div id=after style='height: 20px'></div>");
  EXPECT_EQ(hit(page, 10, 10), "r1");
  EXPECT_EQ(hit(page, 10, 55), "after");  // r2's lower half is clipped away
  EXPECT_EQ(hit(page, 95, 10), "s");      // the scrollbar track
  page.id("s")->scroll_y = 45;
  EXPECT_EQ(hit(page, 10, 10), "r2");
  EXPECT_EQ(hit(page, 10, 40), "r3");
}

TEST(HitTest, PointerEventsVisibilityTransformsAndOwners) {
  Page page(
      "<style>body { margin: 0 } div { height: 20px; width: 100px }"
      "#ghost { pointer-events: none } #hidden { visibility: hidden }"
      "#moved { transform: translate(200px, 0) }"
      "#owner::before { content: 'x'; display: block; height: 10px } #tip { margin: 0 }</style>"
      "<div id=ghost><span id=inner style='pointer-events: auto'>t</span></div>"
      "<div id=hidden></div><div id=moved></div><div id=owner></div><p id=tip>tip</p>");
  EXPECT_EQ(hit(page, 50, 10), "body");   // the ghost lets the point through
  EXPECT_EQ(hit(page, 2, 10), "inner");   // but its child takes it
  EXPECT_EQ(hit(page, 50, 30), "body");
  EXPECT_EQ(hit(page, 250, 50), "moved");
  EXPECT_EQ(hit(page, 50, 50), "body");   // where it stood before the transform
  EXPECT_EQ(hit(page, 50, 65), "owner");  // inside the generated ::before box
  // The tooltip is never hit: the point on its text reaches what lies under it.
  EXPECT_EQ(hit(page, 2, 85), "tip");
  page.document->tooltip = page.id("tip");
  EXPECT_EQ(hit(page, 2, 85), "body");
  page.document->tooltip = nullptr;
}

}  // namespace
