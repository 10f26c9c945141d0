// Display-list cases: each tests/cases/NAME.html is laid out (400x300 unless its first
// line is "<!-- viewport=WxH -->"; "<!-- image=NAME WxH -->" lines register SVG images)
// and its display-list dump compared with NAME.txt beside it. Set ORLAN_UPDATE_DUMPS=1
// to rewrite the expected files, then review the difference. Below them, what the cases
// cannot show: state the application sets, storage reuse and deep trees.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "input.h"
#include "paint_test_support.h"

namespace {

namespace fs = std::filesystem;
using orlan::paint_test::Page;

std::string read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path cases_dir() { return fs::path(TW_SOURCE_DIR) / "ui" / "paint" / "tests" / "cases"; }

std::string paint_case(const std::string& html) {
  float width = 400, height = 300;
  int w = 0, h = 0;
  if (std::sscanf(html.c_str(), "<!-- viewport=%dx%d", &w, &h) == 2) {
    width = static_cast<float>(w);
    height = static_cast<float>(h);
  }
  Page page(html, width, height);
  for (std::size_t at = html.find("<!-- image="); at != std::string::npos;
       at = html.find("<!-- image=", at + 1)) {
    char name[64] = {};
    if (std::sscanf(html.c_str() + at, "<!-- image=%63s %dx%d", name, &w, &h) == 3) page.add_image(name, w, h);
  }
  page.layout();
  return page.dump();
}

TEST(DisplayListCases, MatchReviewedDumps) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(cases_dir()))
    if (entry.path().extension() == ".html") names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  ASSERT_GE(names.size(), 10u);
  const bool update = std::getenv("ORLAN_UPDATE_DUMPS") != nullptr;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string dump = paint_case(read(cases_dir() / (name + ".html")));
    const fs::path expected = cases_dir() / (name + ".txt");
    if (update) {
      std::ofstream(expected, std::ios::binary) << dump;
      continue;
    }
    EXPECT_EQ(dump, read(expected));
  }
}

// The document scrolled: in-flow content moves up, a fixed box stays put, a sticky one
// sticks to the top of the viewport until its containing block leaves.
TEST(DisplayList, ScrolledDocumentWithFixedAndStickyBoxes) {
  Page page(
      "<style>body { margin: 0 } #flow { height: 30px; background: #111111 }"
      "#fixed { position: fixed; top: 5px; left: 100px; width: 20px; height: 10px; background: #222222 }"
      "#block { height: 400px } #sticky { position: sticky; top: 0; height: 10px; width: 50px; background: #333333 }"
      "</style><div id=flow></div><div id=block><div id=sticky></div></div><div id=fixed></div>",
      200, 100);
  page.document->html->scroll_y = 60;
  EXPECT_EQ(page.dump(),
            "fill 0,-60 200x30 0xFF111111\n"
            "fill 0,0 50x10 0xFF333333\n"
            "fill 100,5 20x10 0xFF222222\n"
            "fill 192,15.4 6x22.33 0x59000000 r=3,3,3,3\n");
  page.document->html->scroll_y = 0;
  EXPECT_EQ(page.dump(),
            "fill 0,0 200x30 0xFF111111\n"
            "fill 0,30 50x10 0xFF333333\n"
            "fill 100,5 20x10 0xFF222222\n"
            "fill 192,2 6x22.33 0x59000000 r=3,3,3,3\n");
  // Hit testing sees the same places.
  page.document->html->scroll_y = 60;
  EXPECT_EQ(orlan::hit_test(*page.document, 10, 5), page.id("sticky"));
  EXPECT_EQ(orlan::hit_test(*page.document, 110, 10), page.id("fixed"));
}

// A build clears every node's repaint bit, and an empty document gives an empty list
// that still counts as built.
// An input method's composition in the focused field: drawn at the caret inside the value,
// underlined in the text colour, with the caret at the composition's own caret; it leaves
// nothing behind when it ends.
TEST(DisplayList, CompositionIsDrawnAtTheCaretAndUnderlined) {
  Page page("<input id=f value=ab style='color:#123456'>");
  orlan::Node* field = page.id("f");
  ASSERT_EQ(orlan::set_selection(field, 1, 1), orlan::kOk);
  page.document->focused = field;
  field->edit_state->caret_visible = true;
  orlan::composition_update(*page.document, "\xED\x95\x9C", 3, 3);  // one syllable
  page.layout();
  EXPECT_EQ(page.dump(),
            "fill 8,8 170x25.2 0xFFFFFFFF\n"
            "border 8,8 170x25.2 0xFF808080 w=1,1,1,1\n"
            "push-clip 9,9 168x23.2\n"
            "  text 13,11 32x19.2 \"a\xED\x95\x9C" "b\" 0xFF123456\n"
            "  fill 21,26.4 16x1 0xFF123456\n"
            "  fill 37,11 1x19.2 0xFF123456\n"
            "pop-clip\n");
  orlan::composition_end(*page.document);
  page.layout();
  EXPECT_EQ(page.dump(),
            "fill 8,8 170x25.2 0xFFFFFFFF\n"
            "border 8,8 170x25.2 0xFF808080 w=1,1,1,1\n"
            "push-clip 9,9 168x23.2\n"
            "  text 13,11 16x19.2 \"ab\" 0xFF123456\n"
            "  fill 21,11 1x19.2 0xFF123456\n"
            "pop-clip\n");
}

// A text area's text is gathered in the same buffer the composition goes into.
TEST(DisplayList, CompositionInATextAreaWithALongText) {
  const std::string text(511, 'x');
  Page page("<textarea id=t>" + text + "</textarea>");
  orlan::Node* area = page.id("t");
  ASSERT_EQ(orlan::set_selection(area, 510, 510), orlan::kOk);
  page.document->focused = area;
  orlan::composition_update(*page.document, "abc", 3, 1);
  page.layout();
  const orlan::LayoutBox& box = *area->box;
  ASSERT_EQ(box.display_text_length, 514u);
  EXPECT_EQ(std::string(box.display_text, box.display_text_length),
            std::string(510, 'x') + "abc" + "x");
}

// The document's text selection from the middle of one paragraph into the next (its ends
// given backwards): a fill under each selected part, and the second paragraph's own
// selection colours with its text drawn again, clipped to the selected part.
TEST(DisplayList, DocumentSelectionAcrossTwoParagraphs) {
  Page page(
      "<style>body{margin:0} p{margin:0} .b::selection{color:#ff0000;background-color:#00ff00}"
      "</style><p id=a>abcd</p><p id=b class=b>efgh</p>");
  orlan::InputState& in = page.document->input;
  in.selection_anchor = {orlan::first_child(page.id("b")), 3};
  in.selection_focus = {orlan::first_child(page.id("a")), 1};
  EXPECT_EQ(page.dump(),
            "fill 8,1.6 24x16 0x663390FF\n"
            "text 0,1.6 32x16 \"abcd\" 0xFF000000\n"
            "fill 0,20.8 24x16 0xFF00FF00\n"
            "text 0,20.8 32x16 \"efgh\" 0xFF000000\n"
            "push-clip 0,20.8 24x16\n"
            "  text 0,20.8 32x16 \"efgh\" 0xFFFF0000\n"
            "pop-clip\n");
  // Collapsed: nothing.
  in.selection_anchor = in.selection_focus;
  EXPECT_EQ(page.dump().find("fill"), std::string::npos);
}

TEST(DisplayList, ClearsRepaintBitsAndHandlesEmptyDocuments) {
  Page page("<p id=p>text</p>");
  orlan::mark_dirty(*page.id("p"), orlan::kDirtyPaint);
  page.dump();
  EXPECT_EQ(page.id("p")->dirty & orlan::kDirtyPaint, 0);
  EXPECT_EQ(page.document->body->dirty & orlan::kDirtyPaint, 0);
  Page empty("");
  orlan::clear_document(*empty.document);
  EXPECT_EQ(empty.dump(), "");
  EXPECT_TRUE(empty.list.complete);
  EXPECT_EQ(orlan::hit_test(*empty.document, 5, 5), nullptr);
}

}  // namespace
