// Hit testing in reverse paint order: z order, clips and scrolling, transforms,
// pointer-events, visibility, scrollbars, generated boxes and the tooltip.

#include <cstring>

#include "paint_test_support.h"
#include "scroll.h"

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

// A long click-table-like list: `rows` rows of five clipped nowrap cells in a scrolling
// box under a sticky header, with `extra` the only content of row `into` (and `css` added).
std::string long_list(int rows, int into, const std::string& extra, const std::string& css) {
  std::string html =
      "<style>body { margin: 0 } #box { overflow: auto; height: 200px; width: 300px }"
      "table { border-collapse: collapse; table-layout: fixed; width: 100% }"
      "tr { height: 20px } th { position: sticky; top: 0; z-index: 1 }"
      "td { overflow: hidden; white-space: nowrap; padding: 0 4px }" +
      css + "</style><div id=box><table><thead><tr><th>a</th><th>b</th><th>c</th>"
            "<th>d</th><th>e</th></tr></thead><tbody id=rows>";
  for (int i = 0; i < rows; ++i) {
    html += "<tr id=r" + std::to_string(i) + ">";
    for (int k = 0; k < 5; ++k)
      html += "<td>" +
              (i != into ? "cell text " + std::to_string(i) : k == 2 ? extra : std::string()) +
              "</td>";
    html += "</tr>";
  }
  return html + "</tbody></table></div><div id=after style='height: 40px'></div>";
}

// The hit as above, with the id of its parent when it has none of its own.
std::string hit_in(Page& page, float x, float y) {
  std::string name = hit(page, x, y);
  Node* n = orlan::hit_test(*page.document, x, y);
  if (n && !n->id && n->parent && n->parent->id)
    name += " in " + std::string(page.document->atoms.text(n->parent->id));
  return name;
}

struct WalkCase {
  const char* name;
  std::string html;
  float scroll_y;  // of #box (or #o) when there is one; -1: as far as it goes
  float x, y;
  const char* expected;  // the element there (see hit_in)
};

// What lies under a point of a long scrolled list, where boxes from rows far outside the
// view (positioned, transformed, overflowing) reach into it.
TEST(HitTest, FindsWhatFarRowsOfALongScrolledListPutUnderThePoint) {
  const WalkCase cases[] = {
      {"rows at the top", long_list(300, -1, "", ""), 0, 40, 35, "td in r0"},
      {"rows in the middle", long_list(300, -1, "", ""), 3000, 40, 100, "td in r153"},
      {"rows at the end", long_list(300, -1, "", ""), -1, 40, 190, "td in r299"},
      {"sticky header over scrolled rows", long_list(300, -1, "", ""), 2000, 10, 5, "th"},
      {"absolute box in a far row",
       long_list(300, 280, "<b id=abs></b>",
                 "#box { position: relative } #r280 td { overflow: visible } #abs { position: absolute; top: 60px; left: 0;"
                 " width: 50px; height: 30px; display: block }"),
       0, 10, 70, "abs"},
      {"fixed box in a far row",
       long_list(300, 250, "<b id=fix></b>",
                 "#r250 td { overflow: visible } #fix { position: fixed; top: 50px; left: 0;"
                 " width: 50px; height: 20px; display: block }"),
       1000, 10, 55, "fix"},
      {"relative cell moved far up",
       long_list(300, 200, "<div id=rel>x</div>",
                 "#r200 td { overflow: visible } #rel { position: relative; top: -3900px }"),
       0, 130, 135, "rel"},
      {"transformed far row",
       long_list(300, -1, "", "#r250 { transform: translateY(-4960px) }"), 0, 40, 70, "td in r250"},
      {"cell content overflowing a cell that does not clip",
       long_list(300, 290, "<div id=tall style='height: 6000px; margin-top: -6000px'></div>",
                 "#r290 td { overflow: visible }"),
       0, 130, 100, "tall"},
      {"negative margins over earlier boxes",
       "<style>body { margin: 0 } div { height: 30px }</style><div id=a></div>"
       "<div id=b></div><div id=c style='margin-top: -50px; width: 60px'></div>",
       0, 20, 15, "c"},
      {"box overflowing a parent that does not clip",
       "<style>body { margin: 0 } #p { height: 10px } #kid { height: 120px; width: 40px;"
       " margin-left: 20px }</style><div id=p><div id=kid></div></div><div id=next></div>",
       0, 25, 90, "kid"},
      {"positioned box in a translucent row",
       long_list(300, 270, "<b id=pos></b>",
                 "#r270 { opacity: 0.5 } #r270 td { overflow: visible } #pos { position: absolute; top: 0; left: 0;"
                 " width: 30px; height: 30px; display: block }"),
       0, 10, 25, "pos"},
      {"nested scroller scrolled",
       "<style>body { margin: 0 } #o { overflow: auto; height: 100px; width: 200px }"
       "#i { overflow: auto; height: 300px } #i div { height: 25px }</style>"
       "<div id=o><div id=i><div id=x1></div><div id=x2></div><div id=x3></div>"
       "<div id=x4></div><div id=x5></div><div id=x6></div><div id=x7></div></div></div>",
       60, 20, 20, "x4"},
  };
  for (const WalkCase& c : cases) {
    SCOPED_TRACE(c.name);
    Page page(c.html, 400, 300);
    Node* scroller = page.id("box") ? page.id("box") : page.id("o");
    if (scroller) scroller->scroll_y = c.scroll_y < 0 ? orlan::max_scroll_y(*scroller) : c.scroll_y;
    page.layout();
    EXPECT_EQ(hit_in(page, c.x, c.y), c.expected);
  }
}
}  // namespace
