// Partial frames: a frame that redraws only the damage over the previous frame's pixels
// must show exactly what a full frame of the same state shows, for changes of colour and
// text, under tiled backgrounds, inside blurred and shadowed groups and under backdrop
// filters. And what the damage must cover for that: a repeating image's whole tile area,
// a filter group's whole spread.

#include <functional>
#include <ostream>
#include <string>

#include "paint_test_support.h"
#include "raster_surface.h"

namespace {

using orlan::DisplayList;
using orlan::ItemBounds;
using orlan::ItemKind;
using orlan::Node;
using orlan::paint_test::Page;
using orlan::paint_test::RasterSurface;

constexpr int kWidth = 300, kHeight = 200;

struct Case {
  const char* name;
  const char* html;
  std::function<void(Page&)> change;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

void recolour(Page& p, const char* id, const char* style) {
  ASSERT_EQ(
      orlan::set_attribute(p.id(id), "style", 5, style, std::char_traits<char>::length(style)),
      orlan::kOk);
}

const Case kCases[] = {
    {"colour",
     "<style>body{margin:0} div{width:60px;height:30px;margin:4px;background:#28a}</style>"
     "<div></div><div id=a></div><div></div>",
     [](Page& p) { recolour(p, "a", "background:#c33"); }},
    {"text",
     "<style>body{margin:0;font:16px sans-serif}</style><p>fixed <span id=t>abcdef</span> text</p>",
     [](Page& p) {
       ASSERT_EQ(orlan::set_text_content(orlan::first_child(p.id("t")), "uvwxyz", 6), orlan::kOk);
     }},
    {"tiled-background",
     "<style>body{margin:0} #box{width:280px;height:180px;background:url(tile.svg)}"
     "#dot{position:absolute;left:220px;top:140px;width:20px;height:20px;background:#000}</style>"
     "<div id=box><div id=dot></div></div>",
     [](Page& p) { recolour(p, "dot", "background:#f80"); }},
    {"blurred-group",
     "<style>body{margin:0} #g{margin:40px;width:120px;height:80px;filter:blur(3px)}"
     "#g div{height:20px;background:#246}</style>"
     "<div id=g><div></div><div id=a></div><div></div></div>",
     [](Page& p) { recolour(p, "a", "background:#e42"); }},
    {"shadowed-group",
     "<style>body{margin:0} #g{margin:40px;width:120px;height:80px;"
     "filter:drop-shadow(8px 6px 4px #000)}"
     "#g div{width:50px;height:20px;background:#246}</style>"
     "<div id=g><div></div><div id=a></div></div>",
     [](Page& p) { recolour(p, "a", "width:90px;height:20px;background:#246"); }},
    {"backdrop-filter",
     "<style>body{margin:0} .stripe{height:10px;background:#135} .gap{height:10px}"
     "#glass{position:absolute;left:60px;top:20px;width:100px;height:60px;"
     "backdrop-filter:blur(3px)}</style>"
     "<div class=stripe></div><div class=gap></div><div class=stripe id=a></div>"
     "<div class=gap></div><div class=stripe></div><div class=gap></div>"
     "<div class=stripe></div><div id=glass></div>",
     [](Page& p) { recolour(p, "a", "background:#d72"); }},
    {"blur-inside-clip-and-opacity",
     "<style>body{margin:0} #c{margin:20px;width:200px;height:100px;overflow:hidden;"
     "border-radius:8px;opacity:.8} #g{margin:10px;height:60px;filter:blur(2px) "
     "drop-shadow(4px 4px 2px #000)} #a{width:40px;height:30px;background:#393}</style>"
     "<div id=c><div id=g><div id=a></div></div></div>",
     [](Page& p) { recolour(p, "a", "width:40px;height:30px;background:#939;margin-left:30px"); }},
};

class PartialFrame : public testing::TestWithParam<Case> {};

TEST_P(PartialFrame, EqualsFullFrameOfTheSameState) {
  const Case& c = GetParam();
  Page page(c.html, kWidth, kHeight);
  page.add_image("tile.svg", 16, 12);
  page.layout();
  DisplayList previous;
  ItemBounds bounds;
  ASSERT_EQ(orlan::build_display_list(*page.document, previous), orlan::kOk);
  ASSERT_TRUE(orlan::item_bounds(previous, bounds));
  RasterSurface screen(kWidth, kHeight);
  screen.draw(previous, bounds, nullptr);

  c.change(page);
  page.layout();
  ASSERT_EQ(orlan::build_display_list(*page.document, page.list), orlan::kOk);
  const orlan::Damage damage = orlan::diff_display_lists(previous, page.list, bounds);
  ASSERT_TRUE(damage.partial) << "the change should keep the list's shape";
  ASSERT_GT(damage.rect.width * damage.rect.height, 0) << "the change should damage something";
  screen.draw(page.list, bounds, &damage.rect);

  RasterSurface full(kWidth, kHeight);
  full.draw(page.list, bounds, nullptr);
  EXPECT_EQ(orlan::paint_test::first_difference(screen, full), "")
      << "damage " << damage.rect.x << "," << damage.rect.y << " " << damage.rect.width << "x"
      << damage.rect.height << "\n"
      << page.dump();
}

INSTANTIATE_TEST_SUITE_P(Pages, PartialFrame, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name)
                             if (ch == '-') ch = '_';
                           return name;
                         });

// The bounds behind the damage: what each item can change on the screen.
TEST(ItemBounds, CoverEverythingAnItemCanChange) {
  Page page(
      "<style>body{margin:0} #tiles{width:100px;height:50px;background:url(tile.svg) repeat-x}"
      "#blur{margin:20px;width:40px;height:20px;filter:blur(4px)}"
      "#blur div{margin-left:60px;width:40px;height:10px;background:#000}"
      "#glass{width:30px;height:30px;backdrop-filter:blur(2px)}</style>"
      "<div id=tiles></div><div id=blur><div></div></div><div id=glass></div>",
      kWidth, kHeight);
  page.add_image("tile.svg", 10, 10);
  page.layout();
  ASSERT_EQ(orlan::build_display_list(*page.document, page.list), orlan::kOk);
  ItemBounds bounds;
  ASSERT_TRUE(orlan::item_bounds(page.list, bounds));
  auto find = [&](ItemKind kind) {
    for (std::uint32_t i = 0; i < page.list.count; ++i)
      if (page.list.items[i].kind == kind) return bounds.rects[i];
    ADD_FAILURE() << "no item of kind " << static_cast<int>(kind);
    return orlan::Rect{};
  };
  // The tiles run along the whole width, one tile high.
  const orlan::Rect tiles = find(ItemKind::kImage);
  EXPECT_EQ(tiles.x, -1);
  EXPECT_EQ(tiles.width, 102);
  EXPECT_EQ(tiles.height, 12);
  // The group's own box inflated by its reach (20 - 13) and its child at 80..120 beyond
  // it, all spread 12 px further by the blur.
  const orlan::Rect group = find(ItemKind::kPushFilter);
  EXPECT_EQ(group.x, 7 - 12);
  EXPECT_EQ(group.x + group.width, 120 + 1 + 12);
  // The backdrop filter reads 6 px around itself.
  const orlan::Rect glass = find(ItemKind::kBackdropFilter);
  EXPECT_EQ(glass.x, -7);
  EXPECT_EQ(glass.width, 30 + 14);
}

}  // namespace
