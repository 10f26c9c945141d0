// Culling: the items left out of a frame never change its pixels. A recording surface
// plays a list the way the renderer does (transforms, clips, filters) and keeps every
// drawing that can reach a pixel of the window, with the groups around it; the list built
// with culling and the one built without must leave the same recording.

#include <algorithm>
#include <string>
#include <vector>

#include "paint_test_support.h"
#include "scroll.h"

namespace {

using orlan::DisplayItem;
using orlan::DisplayList;
using orlan::ItemKind;
using orlan::Rect;

struct Affine {
  float a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  Affine then(const float m[6]) const {  // this, then m applied inside it
    return {a * m[0] + c * m[1], b * m[0] + d * m[1], a * m[2] + c * m[3],
            b * m[2] + d * m[3], a * m[4] + c * m[5] + e, b * m[4] + d * m[5] + f};
  }
  Rect bounds(const Rect& r) const {
    const float xs[4] = {r.x, r.x + r.width, r.x, r.x + r.width};
    const float ys[4] = {r.y, r.y, r.y + r.height, r.y + r.height};
    float x0 = 1e30f, y0 = 1e30f, x1 = -1e30f, y1 = -1e30f;
    for (int i = 0; i < 4; ++i) {
      const float x = a * xs[i] + c * ys[i] + e, y = b * xs[i] + d * ys[i] + f;
      x0 = std::min(x0, x);
      y0 = std::min(y0, y);
      x1 = std::max(x1, x);
      y1 = std::max(y1, y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
  }
};

Rect intersect(const Rect& p, const Rect& q) {
  const float x0 = std::max(p.x, q.x), y0 = std::max(p.y, q.y);
  const float x1 = std::min(p.x + p.width, q.x + q.width);
  const float y1 = std::min(p.y + p.height, q.y + q.height);
  return {x0, y0, std::max(0.0f, x1 - x0), std::max(0.0f, y1 - y0)};
}

std::string bytes_of(const DisplayItem& item) {
  return std::string(reinterpret_cast<const char*>(&item), sizeof item);
}

bool is_push(ItemKind k) {
  return k == ItemKind::kPushClip || k == ItemKind::kPushTransform ||
         k == ItemKind::kPushOpacity || k == ItemKind::kPushFilter;
}

// Each drawing that can touch the window: its groups' bytes, then its own. A drawing's
// reach is its rectangle grown by a few pixels for antialiasing and glyph overhang; under
// a filter anything may spread, so everything there counts.
std::vector<std::string> visible_drawings(const DisplayList& list, float width, float height) {
  struct Group {
    std::string bytes;
    Affine transform;
    Rect clip;
    bool filtered;
  };
  std::vector<Group> groups{{"", Affine{}, Rect{0, 0, width, height}, false}};
  std::vector<std::string> out;
  for (std::uint32_t i = 0; i < list.count; ++i) {
    const DisplayItem& item = list.items[i];
    const Group& top = groups.back();
    if (is_push(item.kind)) {
      Group g{top.bytes + bytes_of(item), top.transform, top.clip, top.filtered};
      if (item.kind == ItemKind::kPushTransform) g.transform = top.transform.then(item.matrix);
      if (item.kind == ItemKind::kPushClip)
        g.clip = intersect(top.clip, top.transform.bounds({item.x, item.y, item.width, item.height}));
      if (item.kind == ItemKind::kPushFilter) g.filtered = true;
      groups.push_back(std::move(g));
      continue;
    }
    if (item.kind == ItemKind::kPopClip || item.kind == ItemKind::kPopTransform ||
        item.kind == ItemKind::kPopOpacity || item.kind == ItemKind::kPopFilter) {
      if (groups.size() > 1) groups.pop_back();
      continue;
    }
    const float grow = item.kind == ItemKind::kText ? 4 : 2;
    const Rect reach = top.transform.bounds(
        {item.x - grow, item.y - grow, item.width + 2 * grow, item.height + 2 * grow});
    const Rect seen = intersect(reach, top.clip);
    if (top.filtered || (seen.width > 0 && seen.height > 0)) out.push_back(top.bytes + bytes_of(item));
  }
  return out;
}

// The list built as painting does it, and the one built walking every element: they must
// match byte for byte (items are zero-filled, padding included).
void expect_same_list_when_walking_everything(orlan::paint_test::Page& page, const char* what) {
  DisplayList skipping, walking;
  ASSERT_EQ(orlan::build_display_list(*page.document, skipping, nullptr, orlan::Culling::kOn),
            orlan::kOk);
  ASSERT_EQ(orlan::build_display_list(*page.document, walking, nullptr, orlan::Culling::kItemsOnly),
            orlan::kOk);
  ASSERT_EQ(skipping.count, walking.count) << what;
  for (std::uint32_t i = 0; i < skipping.count; ++i)
    ASSERT_EQ(bytes_of(skipping.items[i]), bytes_of(walking.items[i])) << what << ": item " << i;
}

struct Frames {
  std::vector<std::string> culled, full;
  std::uint32_t culled_items = 0, all_items = 0;
};

Frames both_ways(orlan::paint_test::Page& page) {
  Frames frames;
  DisplayList with, without;
  EXPECT_EQ(orlan::build_display_list(*page.document, with, nullptr, orlan::Culling::kOn), orlan::kOk);
  EXPECT_EQ(orlan::build_display_list(*page.document, without, nullptr, orlan::Culling::kOff),
            orlan::kOk);
  frames.culled = visible_drawings(with, page.width, page.height);
  frames.full = visible_drawings(without, page.width, page.height);
  frames.culled_items = with.count;
  frames.all_items = without.count;
  return frames;
}

// Rows of cells that clip, with backgrounds, borders, shadows, gradients and outlines,
// in a scrolling box.
std::string decorated_rows(int count) {
  std::string html =
      "<style>body{margin:0} #box{height:200px;overflow:auto;position:relative}"
      "td{overflow:hidden;white-space:nowrap;text-overflow:ellipsis;max-width:60px;"
      "border:1px solid #888;background:#eee}"
      "tr:nth-child(3n) td{box-shadow:0 0 6px 2px rgba(0,0,0,.5),inset 2px 2px 4px red}"
      "tr:nth-child(4n) td:first-child{background:linear-gradient(red,blue);outline:2px dashed green}"
      "</style><div id=box><table>";
  for (int i = 0; i < count; ++i)
    html += "<tr><td>row " + std::to_string(i) + " with a long text</td><td>Left</td>"
            "<td><input type=checkbox checked></td></tr>";
  return html + "</table></div><p style='height:2000px;border:3px solid blue'>end</p>";
}

TEST(Culling, LeavesOutOnlyWhatCannotShow) {
  struct Case {
    const char* what;
    std::string html;
    const char* scrolled;  // an element scrolled by 1,000 px, or null
    float page_scroll;
  };
  const std::vector<Case> cases = {
      {"rows at the top", decorated_rows(300), nullptr, 0},
      {"rows scrolled to the middle", decorated_rows(300), "box", 0},
      {"page scrolled past the rows", decorated_rows(300), nullptr, 900},
      {"groups that move items into view or spread them",
       "<style>body{margin:0} div{width:80px;height:40px;background:#0a0;border:2px solid red;"
       "outline:3px solid blue;box-shadow:10px 10px 30px 20px black}</style>"
       "<div style='transform:translate(-300px,0)'></div>"
       "<div style='position:absolute;left:-150px;top:10px;transform:translate(200px,0)'>"
       "<input type=checkbox checked style='width:60px;height:60px'></div>"
       "<div style='position:absolute;left:-130px;top:100px;filter:blur(20px)'></div>"
       "<input type=checkbox checked style='position:absolute;left:10px;top:220px;"
       "width:200px;height:200px;margin:0'>"
       "<div style='position:absolute;left:-139px;top:150px'></div>"
       "<div style='position:absolute;left:430px;top:200px;box-shadow:-60px 0 0 10px red'></div>"
       "<div style='position:absolute;top:-70px;left:20px;overflow:hidden;outline:40px solid'>"
       "<p style='margin:0;height:100px;background:red'>x</p></div>",
       nullptr, 0},
  };
  for (const Case& c : cases) {
    orlan::paint_test::Page page(c.html, 400, 300);
    if (c.scrolled) orlan::set_scroll_offset(*page.id(c.scrolled), 0, 1000);
    if (c.page_scroll > 0) orlan::set_scroll_offset(*page.document->root, 0, c.page_scroll);
    page.layout();
    const Frames frames = both_ways(page);
    EXPECT_FALSE(frames.full.empty()) << c.what;
    EXPECT_EQ(frames.culled, frames.full) << c.what;
  }
}

TEST(Culling, ALongTableKeepsAboutWhatIsVisible) {
  orlan::paint_test::Page page(decorated_rows(3000), 400, 300);
  orlan::set_scroll_offset(*page.id("box"), 0, 20000);
  page.layout();
  const Frames frames = both_ways(page);
  EXPECT_EQ(frames.culled, frames.full);
  // 3,000 rows drawn whole would take tens of thousands of items; a view of about ten rows
  // (with the 32 px margin) needs a few hundred.
  EXPECT_GT(frames.all_items, 30000u);
  EXPECT_LT(frames.culled_items, 600u);
}

// The main page's click table: collapsed borders, fixed layout, sticky header cells and
// cells that clip their one line of text, in a scrolling box.
std::string click_table(int rows, const std::string& extra_css, const std::string& row_extra) {
  std::string html =
      "<style>body{margin:0} #box{height:200px;overflow:auto}"
      "table{border-collapse:collapse;table-layout:fixed;width:380px}"
      "th{position:sticky;top:0;background:#ddd} td,th{border:1px solid #999}"
      "td{overflow:hidden;white-space:nowrap;text-overflow:ellipsis}"
      "tr:nth-child(2n){background:#f4f4f4}" +
      extra_css +
      "</style><div id=box><table><thead><tr><th>#</th><th>Mouse</th><th>Click</th>"
      "<th>Delay</th><th></th></tr></thead><tbody>";
  for (int i = 0; i < rows; ++i) {
    html += "<tr id=r" + std::to_string(i) + "><td>" + std::to_string(i) +
            "</td><td>100, 200</td><td>Left</td><td>0.5 s with a long tail</td><td>";
    if (i % 50 == 7) html += row_extra;
    html += "</td></tr>";
  }
  return html + "</tbody></table></div><p>after</p>";
}

// Whole subtrees left out change nothing: the list is the one a walk of every element
// gives, and the recording the one of a list without culling.
TEST(Culling, SkippedSubtreesLeaveTheListAsAFullWalkBuildsIt) {
  struct Case {
    const char* what;
    std::string html;
    const char* scrolled;  // scrolled to `offset`, or null
    float offset;
  };
  // Boxes just beyond the view whose painting reaches into it, or whose groups are listed
  // wherever they lie, each below a plain block that is itself beyond the view.
  const std::string reaching =
      "<style>body{margin:0} .far{margin-top:340px;height:20px;background:#eee}"
      ".far>div{height:10px;background:red}</style>"
      "<div class=far><div style='outline:30px solid blue'></div></div>"
      "<div class=far><div style='box-shadow:0 -80px 0 10px green'></div></div>"
      "<div class=far><div style='margin-top:-300px'></div></div>"
      "<div class=far><div style='transform:translate(0,-400px)'></div></div>"
      "<div class=far><div style='opacity:.5'></div><div style='filter:blur(2px)'></div></div>"
      "<div class=far><div style='background:url(t.svg) no-repeat -10px -400px'></div></div>"
      "<div class=far><div><span style='position:relative;top:-1500px'>up</span></div></div>"
      "<div class=far><div style='position:fixed;top:10px;left:10px;width:20px'></div></div>"
      "<div class=far>text that lies far below</div>"
      "<div class=far><input type=checkbox checked style='transform:none'></div>"
      "<div class=far style='overflow:hidden'><div style='margin-top:-900px;height:900px'>"
      "</div></div>";
  // A block of no height whose lines run down past the view.
  std::string overflowing_lines =
      "<style>body{margin:0}</style><div style='height:0;white-space:pre;line-height:40px'>";
  for (int i = 0; i < 100; ++i) overflowing_lines += "line " + std::to_string(i) + "\n";
  overflowing_lines += "</div><div style='height:5000px'></div>";
  std::string groups =
      "<style>body{margin:0} #box{height:200px;overflow:auto;position:relative}"
      "td{overflow:hidden;border:1px solid #999;background:#eee;height:18px}"
      "tbody:nth-child(2n) tr{background:#ccc}</style><div id=box><table>";
  for (const char* group : {"", "transform:translate(0,-600px)", "opacity:.5", "overflow:hidden",
                            "position:relative;top:-300px", "filter:blur(1px)", ""}) {
    groups += std::string("<tbody style='") + group + "'>";
    for (int i = 0; i < 40; ++i) groups += "<tr><td>cell</td><td>cell</td></tr>";
    groups += "</tbody>";
  }
  groups += "</table></div>";
  const std::vector<Case> cases = {
      {"a click table at the top", click_table(400, "", ""), nullptr, 0},
      {"a click table scrolled to the middle", click_table(400, "", ""), "box", 4000},
      {"a click table scrolled to the end", click_table(400, "", ""), "box", 1e6f},
      {"positioned and sticky boxes in far rows",
       click_table(400, "#box{position:relative} td:last-child{overflow:visible}",
                   "<div style='position:absolute;top:30px;left:5px;width:9px;height:9px;"
                   "background:red'></div><div style='position:sticky;top:0'>s</div>"
                   "<div style='position:fixed;top:0;left:0;width:5px;height:5px'></div>"),
       "box", 4000},
      {"shadows, outlines and groups in far rows",
       click_table(400, "td:last-child{overflow:visible}",
                   "<div style='outline:400px solid blue;height:4px'></div>"
                   "<div style='box-shadow:0 0 0 3000px red;height:4px'></div>"
                   "<div style='opacity:.5;height:4px'></div>"),
       "box", 4000},
      {"tables nested in the rows of a long one",
       click_table(400, "td:last-child{overflow:visible}",
                   "<table><thead><tr><td>h</td></tr></thead><tbody><tr><td>in</td></tr>"
                   "<tr><td style='outline:300px solid red'>out</td></tr></tbody></table>"),
       "box", 4000},
      {"row groups that move, fade, clip or are positioned", groups, "box", 2500},
      {"boxes that reach into the view from beyond it", reaching, nullptr, 0},
      {"the same with the page scrolled past them", reaching + "<div style='height:4000px'></div>",
       "", 2500},
      {"a click table whose cells do not clip their text",
       click_table(400, "td{overflow:visible}", ""), "box", 4000},
      {"lines that overflow a block far above the view", overflowing_lines, "", 2500},
  };
  for (const Case& c : cases) {
    orlan::paint_test::Page page(c.html, 400, 300);
    page.add_image("t.svg", 14, 10);
    if (c.scrolled) {
      orlan::Node* target = *c.scrolled ? page.id(c.scrolled) : page.document->root;
      orlan::set_scroll_offset(*target, 0, c.offset);
    }
    page.layout();
    expect_same_list_when_walking_everything(page, c.what);
    const Frames frames = both_ways(page);
    EXPECT_FALSE(frames.full.empty()) << c.what;
    EXPECT_EQ(frames.culled, frames.full) << c.what;
  }
}

// An image paints no children, but a positioned box hung below one by the tree calls is
// still one of its container's positioned descendants.
TEST(Culling, FindsPositionedBoxesThatPaintingDoesNotReach) {
  orlan::paint_test::Page page("<style>body{margin:0}</style><img id=i src=t.svg>", 400, 300);
  page.add_image("t.svg", 14, 10);
  orlan::Node* box = orlan::create_element(page.document, "div", 3);
  const std::string style =
      "position:absolute;left:50px;top:60px;width:9px;height:9px;background:red";
  ASSERT_EQ(orlan::set_attribute(box, "style", 5, style.data(), style.size()), orlan::kOk);
  ASSERT_EQ(orlan::append_child(page.id("i"), box), orlan::kOk);
  page.layout();
  expect_same_list_when_walking_everything(page, "a positioned box below an image");
  EXPECT_NE(page.dump().find("fill 50,60 9x9 0xFFFF0000"), std::string::npos) << page.dump();
}

// What is left out is not walked: far rows keep the repaint bit that every walked node
// loses, and the walk of every element clears them all.
void far_rows_are_not_walked(const char* css) {
  orlan::paint_test::Page page(click_table(600, css, ""), 400, 300);
  orlan::set_scroll_offset(*page.id("box"), 0, 6000);
  page.layout();
  const auto mark_rows = [&] {
    for (int i = 0; i < 600; ++i)
      page.id(("r" + std::to_string(i)).c_str())->dirty |= orlan::kDirtyPaint;
  };
  const auto marked_rows = [&] {
    int marked = 0;
    for (int i = 0; i < 600; ++i)
      marked += (page.id(("r" + std::to_string(i)).c_str())->dirty & orlan::kDirtyPaint) != 0;
    return marked;
  };
  DisplayList list;
  mark_rows();
  ASSERT_EQ(orlan::build_display_list(*page.document, list, nullptr, orlan::Culling::kOn),
            orlan::kOk);
  // About ten rows show in a 200 px box; a few more lie within the margin.
  EXPECT_GT(marked_rows(), 560);
  EXPECT_LT(marked_rows(), 595);
  mark_rows();
  ASSERT_EQ(orlan::build_display_list(*page.document, list, nullptr, orlan::Culling::kItemsOnly),
            orlan::kOk);
  EXPECT_EQ(marked_rows(), 0);
}

TEST(Culling, FarRowsAreNotWalked) {
  // Cells that clip their text, and cells whose text lies inside them without a clip.
  for (const char* css : {"", "td{overflow:visible}"}) {
    SCOPED_TRACE(css);
    far_rows_are_not_walked(css);
  }
}

}  // namespace
