// Layout cases: each tests/cases/NAME.html is laid out (800x600 unless its first line is
// "<!-- viewport=WxH -->") and its box-tree dump compared with NAME.txt beside it. Set
// ORLAN_UPDATE_DUMPS=1 to rewrite the expected files, then review the difference.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"
#include "properties.h"

namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path cases_dir() {
  return fs::path(TW_SOURCE_DIR) / "ui" / "layout" / "tests" / "cases";
}

std::vector<std::string> case_names() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(cases_dir()))
    if (entry.path().extension() == ".html") names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Lays the case out; with `detour`, first at another width and then at its own, so the
// dump shows what the box caches kept.
std::string layout_case(const std::string& html, bool detour = false) {
  float width = 800, height = 600;
  if (html.rfind("<!-- viewport=", 0) == 0) {
    int w = 0, h = 0;
    if (std::sscanf(html.c_str(), "<!-- viewport=%dx%d", &w, &h) == 2) {
      width = static_cast<float>(w);
      height = static_cast<float>(h);
    }
  }
  orlan::View* view = orlan::create_view();
  EXPECT_EQ(orlan::load_page(view, html, {}), orlan::kOk);
  orlan::Document& d = *orlan::document(view);
  if (detour) {
    orlan::layout_document(d, width, height, nullptr);
    orlan::layout_document(d, width * 0.6f, height, nullptr);
  }
  orlan::layout_document(d, width, height, nullptr);
  std::string dump = orlan::dump_layout(d);
  orlan::destroy_view(view);
  return dump;
}

class LayoutCase : public testing::TestWithParam<std::string> {};

TEST_P(LayoutCase, DumpMatchesExpected) {
  const fs::path html = cases_dir() / (GetParam() + ".html");
  const fs::path expected = cases_dir() / (GetParam() + ".txt");
  const std::string dump = layout_case(read(html));
  if (std::getenv("ORLAN_UPDATE_DUMPS")) {
    std::ofstream(expected, std::ios::binary) << dump;
    return;
  }
  ASSERT_TRUE(fs::exists(expected)) << expected << " is missing; the dump was:\n" << dump;
  EXPECT_EQ(dump, read(expected)) << "case " << GetParam();
}

TEST_P(LayoutCase, RelayoutAfterAResizeMatchesAFreshLayout) {
  const std::string html = read(cases_dir() / (GetParam() + ".html"));
  EXPECT_EQ(layout_case(html, true), layout_case(html));
}

INSTANTIATE_TEST_SUITE_P(Cases, LayoutCase, testing::ValuesIn(case_names()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

// Changing one row's text lays out only that row and its ancestors again, and the result
// is what a fresh layout of the changed page gives.
TEST(Relayout, OneChangedRowIsLaidOutAloneAndMatchesAFreshLayout) {
  std::string page = "<style>.row{padding:2px}</style><body>";
  for (int i = 0; i < 200; ++i)
    page += "<div class=row id=r" + std::to_string(i) + ">row " + std::to_string(i) + "</div>";
  orlan::View* view = orlan::create_view();
  ASSERT_EQ(orlan::load_page(view, page, {}), orlan::kOk);
  orlan::Document& d = *orlan::document(view);
  orlan::LayoutStats first = orlan::layout_document(d, 400, 300, nullptr);
  EXPECT_GE(first.boxes_laid_out, 202u);
  EXPECT_TRUE(orlan::layout_document(d, 400, 300, nullptr).skipped);

  orlan::Node* row = orlan::get_element_by_id(&d, "r100", 4);
  const std::string text = "a much longer text for row one hundred that wraps onto a second line";
  ASSERT_EQ(orlan::set_text_content(row, text.data(), text.size()), orlan::kOk);
  orlan::LayoutStats second = orlan::layout_document(d, 400, 300, nullptr);
  EXPECT_FALSE(second.skipped);
  EXPECT_LE(second.boxes_laid_out, 4u);
  const std::string incremental = orlan::dump_layout(d);
  orlan::destroy_view(view);

  std::string changed = page;
  const std::string old_row = "id=r100>row 100<";
  changed.replace(changed.find(old_row), old_row.size(), "id=r100>" + text + "<");
  orlan::View* fresh = orlan::create_view();
  ASSERT_EQ(orlan::load_page(fresh, changed, {}), orlan::kOk);
  orlan::layout_document(*orlan::document(fresh), 400, 300, nullptr);
  EXPECT_EQ(incremental, orlan::dump_layout(*orlan::document(fresh)));
  orlan::destroy_view(fresh);
}

// The first line where two dumps differ, with its number, or "" when they are equal.
std::string first_difference(const std::string& a, const std::string& b) {
  std::istringstream x(a), y(b);
  std::string p, q;
  for (int line = 1;; ++line) {
    const bool more_a = static_cast<bool>(std::getline(x, p));
    const bool more_b = static_cast<bool>(std::getline(y, q));
    if (!more_a && !more_b) return "";
    if (!more_a || !more_b || p != q)
      return "line " + std::to_string(line) + ": " + (more_a ? p : "(end)") + " | fresh: " +
             (more_b ? q : "(end)");
  }
}

// A long collapsed-border, fixed-layout table in a flexed scroll box (the click table's
// shape): after a cell's text changes, a row is added or one is removed, the incremental
// layout equals a fresh one. Each run notes hundreds of cells restored from their history,
// resolves the borders once for the table's intrinsic widths and its layouts, and takes the
// intrinsic widths from the first row alone.
TEST(Relayout, ALongFixedTableMatchesAFreshLayoutAfterEachRowChange) {
  constexpr int kRows = 300, kWideRow = 150, kHotRow = 200;
  const std::string wide = "a text far wider than its column, cut off by the cell";
  // The page with `rows` rows, row kWideRow showing `wide` when `widened`, row kHotRow's
  // bottom border blue, or green when `cold`, without row `missing`, and the table's style
  // attribute `table_style`.
  auto page_with = [&](int rows, bool widened, bool cold = false, int missing = -1,
                       const std::string& table_style = "") {
    std::string page =
        "<style>body{margin:0;display:flex;height:300px}#box{flex:1 1 auto;overflow:auto}"
        "table{width:100%;table-layout:fixed;border-collapse:collapse}tr{height:24px}"
        "th{border-bottom:1px solid #888;width:60px}td{overflow:hidden;white-space:nowrap;"
        "padding:0 6px}tr.odd td{border-top:2px solid red}tr.hot{border-bottom:3px solid blue}"
        "tr.cold{border-bottom:3px solid green}</style>"
        "<body><div id=box><table id=t" +
        (table_style.empty() ? std::string() : " style='" + table_style + "'") + "><thead><tr><th>a</th><th>b</th><th></th></tr></thead>"
        "<tbody id=rows>";
    for (int i = 0; i < rows; ++i) {
      if (i == missing) continue;
      const std::string text =
          widened && i == kWideRow ? wide : std::to_string(i) + "x" + std::to_string(2 * i);
      const char* row_class = i == kHotRow ? (cold ? " class=cold" : " class=hot")
                              : i % 3 == 1  ? " class=odd"
                                            : "";
      page += std::string("<tr") + row_class + " id=r" + std::to_string(i) + "><td>" + text +
              "</td><td>left</td><td></td></tr>";
    }
    return page + "</tbody></table></div>";
  };
  auto fresh_dump = [](const std::string& page) {
    orlan::View* view = orlan::create_view();
    EXPECT_EQ(orlan::load_page(view, page, {}), orlan::kOk);
    orlan::layout_document(*orlan::document(view), 400, 300, nullptr);
    std::string dump = orlan::dump_layout(*orlan::document(view));
    orlan::destroy_view(view);
    return dump;
  };

  orlan::View* view = orlan::create_view();
  ASSERT_EQ(orlan::load_page(view, page_with(kRows, false), {}), orlan::kOk);
  orlan::Document& d = *orlan::document(view);
  orlan::layout_document(d, 400, 300, nullptr);
  orlan::layout_document(d, 401, 300, nullptr);  // every cell now has a history
  orlan::layout_document(d, 400, 300, nullptr);

  // Everything is restyled, twice, to what it was (new style records, nothing different).
  orlan::Node* html = orlan::document_element(&d);
  ASSERT_EQ(orlan::set_attribute(html, "class", 5, "quiet", 5), orlan::kOk);
  orlan::layout_document(d, 400, 300, nullptr);
  ASSERT_EQ(orlan::remove_attribute(html, "class", 5), orlan::kOk);
  orlan::layout_document(d, 400, 300, nullptr);

  // A middle row's first cell gets a wide text.
  orlan::Node* middle = orlan::get_element_by_id(&d, "r150", 4);
  ASSERT_NE(middle, nullptr);
  orlan::Node* cell = orlan::first_child(middle);
  ASSERT_EQ(orlan::set_text_content(cell, wide.data(), wide.size()), orlan::kOk);
  // The row and the two beside it are laid out; the rest are placed as they were.
  EXPECT_EQ(orlan::layout_document(d, 400, 300, nullptr).rows_placed, 1u + kRows - 4);
  EXPECT_EQ(first_difference(orlan::dump_layout(d), fresh_dump(page_with(kRows, true))), "");

  // The last row goes, then a row like it comes back at the end.
  orlan::remove(orlan::get_element_by_id(&d, "r299", 4));
  orlan::layout_document(d, 400, 300, nullptr);
  EXPECT_EQ(first_difference(orlan::dump_layout(d), fresh_dump(page_with(kRows - 1, true))), "");
  orlan::Node* row = orlan::create_element(&d, "tr", 2);
  ASSERT_EQ(orlan::set_attribute(row, "id", 2, "r299", 4), orlan::kOk);
  for (std::string_view text : {"299x598", "left", ""}) {
    orlan::Node* td = orlan::create_element(&d, "td", 2);
    if (!text.empty()) orlan::set_text_content(td, text.data(), text.size());
    ASSERT_EQ(orlan::append_child(row, td), orlan::kOk);
  }
  ASSERT_EQ(orlan::append_child(orlan::get_element_by_id(&d, "rows", 4), row), orlan::kOk);
  orlan::layout_document(d, 400, 300, nullptr);
  EXPECT_EQ(first_difference(orlan::dump_layout(d), fresh_dump(page_with(kRows, true))), "");

  // Only the colour of a row's own border changes: its cells show the new one.
  orlan::Node* hot = orlan::get_element_by_id(&d, "r200", 4);
  ASSERT_EQ(orlan::set_attribute(hot, "class", 5, "cold", 4), orlan::kOk);
  orlan::layout_document(d, 400, 300, nullptr);
  EXPECT_EQ(first_difference(orlan::dump_layout(d), fresh_dump(page_with(kRows, true, true))), "");

  // A row with red borders goes from the middle: the rows around it meet.
  orlan::remove(orlan::get_element_by_id(&d, "r100", 4));
  orlan::layout_document(d, 400, 300, nullptr);
  EXPECT_EQ(first_difference(orlan::dump_layout(d), fresh_dump(page_with(kRows, true, true, 100))), "");

  // The table's own border changes: every row's first cell meets it.
  // Then its borders stop collapsing.
  for (const std::string table_style :
       {"border-left:4px solid black", "border-left:4px solid black;border-collapse:separate"}) {
    ASSERT_EQ(orlan::set_attribute(orlan::get_element_by_id(&d, "t", 1), "style", 5,
                                   table_style.data(), table_style.size()),
              orlan::kOk);
    orlan::layout_document(d, 400, 300, nullptr);
    EXPECT_EQ(first_difference(orlan::dump_layout(d), fresh_dump(page_with(kRows, true, true, 100, table_style))), "")
        << table_style;
  }
  orlan::destroy_view(view);
}

// A growing item of a column flex box inside a row flex box is measured at its content
// height and then laid out at its flexed one, twice per run. Rows appended below it must
// not bring back the earlier run's results of the final layout.
TEST(Relayout, AFlexedBoxKeepsItsSizeWhenRowsAreAddedBelowIt) {
  const std::string page =
      "<style>body{margin:0;display:flex;height:300px} #col{display:flex;flex-direction:column;"
      "flex:1} #box{flex:1 1 auto;overflow:auto} #box div{height:20px}</style>"
      "<body><div id=col><h2>title</h2><div id=box><div>first</div></div><p>under</p></div>";
  orlan::View* view = orlan::create_view();
  ASSERT_EQ(orlan::load_page(view, page, {}), orlan::kOk);
  orlan::Document& d = *orlan::document(view);
  orlan::layout_document(d, 400, 300, nullptr);
  orlan::Node* box = orlan::get_element_by_id(&d, "box", 3);
  const float height = box->box->height;
  for (int i = 0; i < 3; ++i) {
    orlan::Node* row = orlan::create_element(&d, "div", 3);
    ASSERT_EQ(orlan::append_child(box, row), orlan::kOk);
    orlan::layout_document(d, 400, 300, nullptr);
    EXPECT_EQ(box->box->height, height) << "after row " << i + 1;
  }
  const std::string incremental = orlan::dump_layout(d);
  orlan::layout_document(d, 401, 300, nullptr);
  orlan::layout_document(d, 400, 300, nullptr);
  EXPECT_EQ(incremental, orlan::dump_layout(d));
  orlan::destroy_view(view);
}

// Frame after frame, one element's text goes through a sequence of values that changes
// the constraints its untouched neighbours get (and back again, which brings their
// earlier results back from their caches). Every frame must match a fresh layout.
struct FrameSequence {
  const char* name;
  std::string page;  // holds "{}" where the changing text goes
  const char* id;    // the element whose text changes
  std::vector<std::string> texts;
};

std::string with_text(const std::string& page, const std::string& text) {
  std::string out = page;
  out.replace(out.find("{}"), 2, text);
  return out;
}

std::string fresh_dump(const std::string& html, float width, float height) {
  orlan::View* v = orlan::create_view();
  EXPECT_EQ(orlan::load_page(v, html, {}), orlan::kOk);
  orlan::layout_document(*orlan::document(v), width, height, nullptr);
  std::string dump = orlan::dump_layout(*orlan::document(v));
  orlan::destroy_view(v);
  return dump;
}

TEST(Relayout, FrameSequencesOfChangingConstraintsMatchFreshLayouts) {
  const std::string head = "<style>body{margin:0;font-size:10px;line-height:20px}</style><body>";
  const std::string long_text = "several words that wrap when the item gets narrow";
  const std::vector<FrameSequence> cases = {
      {"row flex item squeezed by its sibling",
       head + "<div style=\"display:flex;width:300px\"><div style=\"flex:1\">" + long_text +
           "</div><div id=s style=\"flex:none\">{}</div></div>",
       "s", {"x", "a much wider sibling text", "x", "y", "a much wider sibling text", "x"}},
      {"column flex item measured, then flexed",
       head + "<div style=\"display:flex;flex-direction:column;height:200px;width:150px\">"
              "<div style=\"flex:1 1 auto\"><p style=\"margin:0\">" + long_text +
           "</p></div><div id=s>{}</div></div>",
       "s", {"x", long_text + " " + long_text, "x", long_text, "x"}},
      {"grid track sized by a neighbour",
       head + "<div style=\"display:grid;grid-template-columns:auto 1fr;width:300px\">"
              "<div id=s>{}</div><div>" + long_text + "</div></div>",
       "s", {"x", "a wide first column", "x", "a wide first column", "xx"}},
      {"table column shared with a neighbour",
       head + "<table style=\"width:300px;border-spacing:0\"><tr><td id=s>{}</td><td>" +
           long_text + "</td></tr></table>",
       "s", {"x", "a much wider first cell text", "x", "a much wider first cell text"}},
      {"stretched flex item in a row",
       head + "<div style=\"display:flex;width:200px\"><div style=\"flex:1\"><div>" +
           long_text + "</div></div><div id=s style=\"width:60px\">{}</div></div>",
       "s", {"x", long_text, "x", long_text, "x"}},
  };
  for (const FrameSequence& c : cases) {
    SCOPED_TRACE(c.name);
    orlan::View* view = orlan::create_view();
    ASSERT_EQ(orlan::load_page(view, with_text(c.page, c.texts[0]), {}), orlan::kOk);
    orlan::Document& d = *orlan::document(view);
    orlan::layout_document(d, 400, 300, nullptr);
    orlan::Node* changing = orlan::get_element_by_id(&d, c.id, std::strlen(c.id));
    ASSERT_NE(changing, nullptr);
    for (std::size_t i = 1; i < c.texts.size(); ++i) {
      const std::string& t = c.texts[i];
      ASSERT_EQ(orlan::set_text_content(changing, t.data(), t.size()), orlan::kOk);
      orlan::layout_document(d, 400, 300, nullptr);
      EXPECT_EQ(orlan::dump_layout(d), fresh_dump(with_text(c.page, t), 400, 300))
          << "frame " << i << " (text \"" << t << "\")";
    }
    orlan::destroy_view(view);
  }
}

// An absolutely positioned box inside a relatively positioned inline box has that inline
// box for its containing block, whether the parent is laid out as a box of its own (here
// for a frame as a flex container) or only placed by its line. Each frame matches a fresh
// layout, and in the line the child is laid out, not left at a size from an earlier frame.
TEST(Relayout, AnAbsoluteChildOfAPositionedInlineBoxIsLaidOutInEveryFrame) {
  const std::string page =
      "<style>body{margin:0;font-size:10px;line-height:20px}.fz{display:flex;width:300px}"
      "#p{position:relative;border-left:2px solid}#a{position:absolute;left:5px;top:4px}"
      "</style><body>before <foo id=p class=\"{}\">a <i id=a>abs</i>b</foo>";
  orlan::View* view = orlan::create_view();
  ASSERT_EQ(orlan::load_page(view, with_text(page, ""), {}), orlan::kOk);
  orlan::Document& d = *orlan::document(view);
  orlan::layout_document(d, 400, 300, nullptr);
  orlan::Node* p = orlan::get_element_by_id(&d, "p", 1);
  const orlan::Rect in_line = orlan::absolute_position(*orlan::get_element_by_id(&d, "a", 1));
  EXPECT_EQ(in_line.x, orlan::absolute_position(*p).x + 2 + 5);
  EXPECT_EQ(in_line.y, orlan::absolute_position(*p).y + 4);
  EXPECT_GT(in_line.width, 0);
  for (const char* cls : {"fz", ""}) {
    SCOPED_TRACE(std::string("class \"") + cls + "\"");
    ASSERT_EQ(orlan::set_attribute(p, "class", 5, cls, std::strlen(cls)), orlan::kOk);
    orlan::layout_document(d, 400, 300, nullptr);
    EXPECT_EQ(orlan::dump_layout(d), fresh_dump(with_text(page, cls), 400, 300));
  }
  orlan::destroy_view(view);
}

// The scratch memory of a table's layout holds its model, not what each cell's layout
// took: a long table's run takes no more than a few hundred bytes per cell. The boxes and
// their lines come from the document's memory in chunks, not from one system allocation
// each (dear for hundreds of thousands of them).
TEST(LongTable, MemoryGrowsWithTheModelAndComesInChunks) {
  for (const char* layout : {"auto", "fixed"}) {
    SCOPED_TRACE(layout);
    constexpr int kRows = 2000, kCells = 3 * kRows;
    std::string page = std::string("<style>table{width:300px;table-layout:") + layout +
                       "}</style><table>";
    for (int i = 0; i < kRows; ++i)
      page += "<tr><td>" + std::to_string(i) + "</td><td>b <i>c</i></td><td>d</td></tr>";
    orlan::View* view = orlan::create_view();
    ASSERT_EQ(orlan::load_page(view, page + "</table>", {}), orlan::kOk);
    const std::uint64_t before = orlan::system_allocation_count();
    const orlan::LayoutStats stats = orlan::layout_document(*orlan::document(view), 400, 300, nullptr);
    EXPECT_LT(stats.scratch_bytes, 400u * kCells);
    EXPECT_LT(orlan::system_allocation_count() - before, kCells / 20u);
    orlan::destroy_view(view);
  }
}

// Positioned boxes come and go deep inside a long list of plain rows that earlier frames
// found free of them (a row added, a style attribute set or cleared, a hidden part shown):
// every frame matches a fresh layout.
TEST(Relayout, PositionedBoxesAppearingInPlainRowsAreLaidOut) {
  constexpr int kRows = 40;
  std::map<std::string, std::string> styles;  // element id to its style attribute
  bool extra_row = false;
  auto page = [&] {
    auto style = [&](const std::string& id) {
      auto it = styles.find(id);
      return it == styles.end() ? std::string() : " style='" + it->second + "'";
    };
    std::string html =
        "<style>body{margin:0;font-size:10px;line-height:20px}#c{position:relative;width:300px;"
        "height:200px;overflow:auto}.row{padding:2px}</style><body><div id=c>";
    for (int i = 0; i < kRows; ++i) {
      const std::string n = std::to_string(i);
      html += "<div class=row><p id=p" + n + style("p" + n) + ">row " + n + " <b id=b" + n +
              style("b" + n) + ">x</b></p></div>";
    }
    if (extra_row)
      html += "<div class=row><i style='position:absolute;left:9px;bottom:3px'>new</i></div>";
    return html + "</div>";
  };
  orlan::View* view = orlan::create_view();
  ASSERT_EQ(orlan::load_page(view, page(), {}), orlan::kOk);
  orlan::Document& d = *orlan::document(view);
  orlan::layout_document(d, 400, 300, nullptr);
  orlan::layout_document(d, 400, 300, nullptr);
  const std::vector<std::pair<std::string, std::string>> changes = {
      {"b25", "position:absolute;right:4px;bottom:6px;width:7px"},
      {"p30", "position:fixed;left:1px;top:2px"},
      {"b25", ""},
      {"p10", "display:none"},
      {"b10", "position:absolute;left:3px;top:3px"},
      {"p10", ""},
      {"p5", "position:relative;top:3px"},
      {"b5", "position:absolute;left:0;top:0"},
      {"p5", ""},
      {"", ""},  // a row holding a positioned box is added at the end
      {"b39", "position:sticky;top:0"},
  };
  for (const auto& [id, style] : changes) {
    SCOPED_TRACE(id.empty() ? std::string("a new row") : id + " " + style);
    if (id.empty()) {
      extra_row = true;
      orlan::Node* row = orlan::create_element(&d, "div", 3);
      ASSERT_EQ(orlan::set_attribute(row, "class", 5, "row", 3), orlan::kOk);
      orlan::Node* i = orlan::create_element(&d, "i", 1);
      const std::string pin = "position:absolute;left:9px;bottom:3px";
      ASSERT_EQ(orlan::set_attribute(i, "style", 5, pin.data(), pin.size()), orlan::kOk);
      ASSERT_EQ(orlan::set_text_content(i, "new", 3), orlan::kOk);
      ASSERT_EQ(orlan::append_child(row, i), orlan::kOk);
      ASSERT_EQ(orlan::append_child(orlan::get_element_by_id(&d, "c", 1), row), orlan::kOk);
    } else {
      styles[id] = style;
      orlan::Node* e = orlan::get_element_by_id(&d, id.data(), id.size());
      ASSERT_NE(e, nullptr);
      ASSERT_EQ(orlan::set_attribute(e, "style", 5, style.data(), style.size()), orlan::kOk);
    }
    orlan::layout_document(d, 400, 300, nullptr);
    EXPECT_EQ(first_difference(orlan::dump_layout(d), fresh_dump(page(), 400, 300)), "");
  }
  orlan::destroy_view(view);
}

// A table keeps each cell's vertical-align shift beside the cell's content. Frame after
// frame one element's style attribute changes (and back); every frame matches a fresh
// layout, with no shift left over from an earlier one.
struct StyleSequence {
  const char* name;
  std::string page;  // holds "{}" where the changing style attribute goes
  const char* id;
  std::vector<std::string> styles;
};

TEST(Relayout, CellShiftsFollowStyleChangesAroundTheCell) {
  const std::string head =
      "<style>body{margin:0;font-size:10px;line-height:20px}td{padding:0}</style>";
  const std::vector<StyleSequence> cases = {
      // It stands at its row's origin, not where its shifted content was.
      {"a shifted cell leaves the flow",
       head + "<table><tbody><tr><th id=x style=\"vertical-align:bottom{}\">b</th>"
              "<td style=\"height:60px\">c</td></tr></tbody></table>",
       "x", {";position:absolute;left:3px", "", ";position:absolute;left:3px"}},
      // A row's flex child is a cell too: laid out again at its row's height after a
      // frame outside the table, it gets its shift back.
      {"the row group of a flex cell leaves the flow and comes back",
       head + "<table><tbody id=x style=\"{}\"><tr><th>b</th>"
              "<td style=\"display:flex;vertical-align:middle\">c</td></tr></tbody></table>",
       "x", {"position:absolute;left:3px", "", "position:absolute;left:3px", ""}},
  };
  for (const StyleSequence& c : cases) {
    SCOPED_TRACE(c.name);
    orlan::View* view = orlan::create_view();
    ASSERT_EQ(orlan::load_page(view, with_text(c.page, ""), {}), orlan::kOk);
    orlan::Document& d = *orlan::document(view);
    orlan::layout_document(d, 400, 300, nullptr);
    EXPECT_EQ(orlan::dump_layout(d), fresh_dump(with_text(c.page, ""), 400, 300));
    orlan::Node* x = orlan::get_element_by_id(&d, c.id, std::strlen(c.id));
    ASSERT_NE(x, nullptr);
    for (std::size_t i = 0; i < c.styles.size(); ++i) {
      // The attribute's whole new value, as the changed page spells it.
      const std::string page = with_text(c.page, c.styles[i]);
      const std::string key = "id=" + std::string(c.id) + " style=\"";
      std::string value = page.substr(page.find(key) + key.size());
      value = value.substr(0, value.find('"'));
      ASSERT_EQ(orlan::set_attribute(x, "style", 5, value.data(), value.size()), orlan::kOk);
      orlan::layout_document(d, 400, 300, nullptr);
      EXPECT_EQ(orlan::dump_layout(d), fresh_dump(with_text(c.page, c.styles[i]), 400, 300))
          << "frame " << i + 1 << " (style \"" << value << "\")";
    }
    orlan::destroy_view(view);
  }
}

// Text far longer than any line keeps every byte: a word cut into more lines than the
// line breaker's loop would allow for ordinary items, and a textarea with more lines than
// any fixed cap.
TEST(LongText, EveryByteOfAVeryLongWordAndTextareaIsLaidOut) {
  const std::string word(18000, 'a');
  const std::string lines = [] {
    std::string t;
    for (int i = 0; i < 100001; ++i) t += "b\n";
    return t;
  }();
  orlan::View* view = orlan::create_view();
  ASSERT_EQ(orlan::load_page(view,
                             "<style>body{margin:0;font-size:10px}#w{width:5px;"
                             "overflow-wrap:anywhere}</style><div id=w>" + word +
                                 "</div><textarea id=t style=\"width:100px\">" + lines +
                                 "</textarea>",
                             {}),
            orlan::kOk);
  orlan::Document& d = *orlan::document(view);
  orlan::layout_document(d, 400, 300, nullptr);
  const orlan::LayoutBox* w = orlan::get_element_by_id(&d, "w", 1)->box;
  std::size_t bytes = 0;
  for (std::uint32_t r = 0; r < w->run_count; ++r) bytes += w->runs[r].length;
  EXPECT_EQ(bytes, word.size());
  EXPECT_EQ(w->line_count, word.size());  // one 5 px character per line
  EXPECT_EQ(w->height, 18000.0f * 12);  // 12 px lines

  const orlan::LayoutBox* t = orlan::get_element_by_id(&d, "t", 1)->box;
  ASSERT_EQ(t->text_line_count, 100002u);  // the last line feed starts an empty line
  const orlan::TextLine& last = t->text_lines[t->text_line_count - 2];
  EXPECT_EQ(last.first + last.length + 1, lines.size());
  orlan::destroy_view(view);
}

// A cell's collapsed borders depend on its neighbours: widening one cell's border moves
// the borders its neighbours draw although they were not restyled, and a table that stops
// collapsing gives its cells their own borders back. Each step matches a fresh layout.
TEST(CollapsedBorders, FollowANeighboursChangeAndGoWhenTheTableSeparates) {
  const std::string head =
      "<style>body{margin:0}table{border-collapse:collapse}td{border:1px solid #0f0;"
      "padding:0}.sep{border-collapse:separate;border-spacing:0}</style>";
  auto page = [&](const char* table_class, const char* cell_style) {
    return head + "<table id=t class=\"" + table_class + "\"><tr><td id=a>a</td><td id=b style=\"" +
           cell_style + "\">b</td></tr><tr><td id=c>c</td><td>d</td></tr></table>";
  };
  auto fresh = [&](const std::string& html) {
    orlan::View* v = orlan::create_view();
    EXPECT_EQ(orlan::load_page(v, html, {}), orlan::kOk);
    orlan::layout_document(*orlan::document(v), 300, 200, nullptr);
    std::string dump = orlan::dump_layout(*orlan::document(v));
    orlan::destroy_view(v);
    return dump;
  };
  orlan::View* view = orlan::create_view();
  ASSERT_EQ(orlan::load_page(view, page("", ""), {}), orlan::kOk);
  orlan::Document& d = *orlan::document(view);
  orlan::layout_document(d, 300, 200, nullptr);
  orlan::Node* a = orlan::get_element_by_id(&d, "a", 1);
  ASSERT_NE(a->box->collapsed, nullptr);
  EXPECT_EQ(a->box->collapsed->widths[1], 1);  // a draws the border it shares with b
  EXPECT_EQ(a->box->border[1], 1);

  const std::string wide = "border:5px dashed #00f";
  orlan::Node* b = orlan::get_element_by_id(&d, "b", 1);
  ASSERT_EQ(orlan::set_attribute(b, "style", 5, wide.data(), wide.size()), orlan::kOk);
  orlan::layout_document(d, 300, 200, nullptr);
  EXPECT_EQ(a->box->collapsed->widths[1], 5);
  EXPECT_EQ(a->box->collapsed->styles[1], orlan::css::kw::Dashed);
  EXPECT_EQ(a->box->collapsed->colors[1], 0xFF0000FFu);
  EXPECT_EQ(a->box->border[1], 5);
  EXPECT_EQ(orlan::dump_layout(d), fresh(page("", wide.c_str())));

  orlan::Node* table = orlan::get_element_by_id(&d, "t", 1);
  ASSERT_EQ(orlan::set_attribute(table, "class", 5, "sep", 3), orlan::kOk);
  orlan::layout_document(d, 300, 200, nullptr);
  EXPECT_EQ(a->box->collapsed, nullptr);
  EXPECT_EQ(a->box->border[1], 1);
  EXPECT_EQ(orlan::dump_layout(d), fresh(page("sep", wide.c_str())));
  orlan::destroy_view(view);
}

}  // namespace

