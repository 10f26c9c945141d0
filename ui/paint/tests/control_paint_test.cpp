// The program's main page (the fuzz corpus copies of the page and its sheet) with thirty
// click rows at 611 x 463: its display list against the reviewed dump, and the state the
// screen changes at run time (a focused field's selection and caret, a select's choice).

#include <cstring>
#include <fstream>
#include <sstream>

#include "paint_test_support.h"

namespace {

using orlan::DisplayItem;
using orlan::ItemKind;
using orlan::Node;

std::string read_source(const std::string& relative) {
  std::ifstream in(std::string(TW_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class MainPagePaint : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string html = read_source("ui/html/fuzz/corpus/main_page.html");
    const std::string css = read_source("ui/css/fuzz/sheet/main_screen.css");
    ASSERT_FALSE(html.empty());
    ASSERT_EQ(orlan::load_page(view, html, css), orlan::kOk);
    d = orlan::document(view);
    const char svg[] = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\"></svg>";
    ASSERT_EQ(orlan::image_set(d, "logo.svg", 8, svg, sizeof svg - 1), orlan::kOk);
    Node* rows = id("rows");
    ASSERT_NE(rows, nullptr);
    static const char* const kCells[] = {"1280, 720", "Left", "Single", "00:01.00 ~ 00:02.00", ""};
    for (int i = 0; i < 30; ++i) {
      Node* tr = orlan::create_element(d, "tr", 2);
      for (const char* text : kCells) {
        Node* td = orlan::create_element(d, "td", 2);
        orlan::set_text_content(td, text, std::strlen(text));
        orlan::append_child(tr, td);
      }
      orlan::append_child(rows, tr);
    }
    frame();
  }
  void TearDown() override { orlan::destroy_view(view); }
  void frame() {
    orlan::layout_document(*d, 611, 463, nullptr);
    ASSERT_EQ(orlan::build_display_list(*d, list), orlan::kOk);
  }
  Node* id(const char* name) { return orlan::get_element_by_id(d, name, std::strlen(name)); }
  int count(ItemKind kind, std::uint32_t color) {
    int n = 0;
    for (std::uint32_t i = 0; i < list.count; ++i)
      if (list.items[i].kind == kind && list.items[i].color == color) ++n;
    return n;
  }
  const DisplayItem* text_item(std::string_view text) {
    for (std::uint32_t i = 0; i < list.count; ++i)
      if (list.items[i].kind == ItemKind::kText &&
          std::string_view(list.items[i].text, list.items[i].text_length) == text)
        return &list.items[i];
    return nullptr;
  }

  orlan::View* view = orlan::create_view();
  orlan::Document* d = nullptr;
  orlan::DisplayList list;
};

TEST_F(MainPagePaint, DumpMatchesTheReviewedOne) {
  const std::string dump = orlan::dump_display_list(list);
  const std::string path = std::string(TW_SOURCE_DIR) + "/ui/paint/tests/main_page.txt";
  if (std::getenv("ORLAN_UPDATE_DUMPS")) {
    std::ofstream(path, std::ios::binary) << dump;
    return;
  }
  EXPECT_EQ(dump, read_source("ui/paint/tests/main_page.txt"));
}

TEST_F(MainPagePaint, FocusedFieldShowsSelectionAndCaret) {
  Node* field = id("delay1");
  ASSERT_EQ(orlan::set_value(field, "00:05.00", 8), orlan::kOk);
  ASSERT_EQ(orlan::set_selection(field, 3, 5), orlan::kOk);
  orlan::set_focus(*d, field);
  ASSERT_NE(field->edit_state, nullptr);
  field->edit_state->caret_visible = true;
  frame();
  const DisplayItem* text = text_item("00:05.00");
  ASSERT_NE(text, nullptr);
  // "05" selected: two narrow characters after three, behind the text.
  int selection = -1, caret = -1;
  for (std::uint32_t i = 0; i < list.count; ++i) {
    const DisplayItem& it = list.items[i];
    if (it.kind == ItemKind::kFill && it.color == 0x663390FF) selection = static_cast<int>(i);
    if (it.kind == ItemKind::kFill && it.width == 1 && it.y == text->y) caret = static_cast<int>(i);
  }
  ASSERT_GE(selection, 0);
  ASSERT_GE(caret, 0);
  const DisplayItem& sel = list.items[selection];
  const float em = text->font.size / 2;
  EXPECT_LT(&sel, text);
  EXPECT_FLOAT_EQ(sel.x, text->x + 3 * em);
  EXPECT_FLOAT_EQ(sel.width, 2 * em);
  EXPECT_FLOAT_EQ(list.items[caret].x, text->x + 5 * em);
  // The blink phase off: no caret, the selection stays.
  field->edit_state->caret_visible = false;
  frame();
  EXPECT_EQ(count(ItemKind::kFill, 0x663390FF), 1);
  for (std::uint32_t i = 0; i < list.count; ++i)
    EXPECT_FALSE(list.items[i].kind == ItemKind::kFill && list.items[i].width == 1);
}

TEST_F(MainPagePaint, ChoosingAnotherOptionOfTheSameLengthChangesTheItem) {
  Node* select = id("mouse");
  ASSERT_NE(select, nullptr);
  const DisplayItem* before = text_item("Left");
  ASSERT_NE(before, nullptr);
  const DisplayItem saved = *before;
  // "Left" -> "Right" is longer; pick the option texts so two share a length.
  Node* option = orlan::first_child(select);
  while (option && !orlan::is_element(option)) option = orlan::next_sibling(option);
  ASSERT_NE(option, nullptr);
  ASSERT_EQ(orlan::set_text_content(option, "Lift", 4), orlan::kOk);
  frame();
  const DisplayItem* after = text_item("Lift");
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(after->text, saved.text);  // the control's display buffer, reused
  EXPECT_NE(std::memcmp(after, &saved, sizeof saved), 0);
}

}  // namespace
