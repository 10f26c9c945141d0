// What a form control's run-time state draws: a focused field's selection and caret, and a
// select whose option text is replaced in place.

#include <cstring>

#include "paint_test_support.h"

namespace {

using orlan::DisplayItem;
using orlan::ItemKind;
using orlan::Node;
using orlan::paint_test::Page;

constexpr std::uint32_t kSelectionFill = 0x663390FF;  // the engine's own

const DisplayItem* text_item(const orlan::DisplayList& list, std::string_view text) {
  for (std::uint32_t i = 0; i < list.count; ++i)
    if (list.items[i].kind == ItemKind::kText &&
        std::string_view(list.items[i].text, list.items[i].text_length) == text)
      return &list.items[i];
  return nullptr;
}

void frame(Page& page) {
  page.layout();
  ASSERT_EQ(orlan::build_display_list(*page.document, page.list), orlan::kOk);
}

TEST(ControlPaint, FocusedFieldShowsSelectionAndCaret) {
  Page page("<input id=field style='font-size: 12px; text-align: center; width: 120px'>");
  Node* field = page.id("field");
  ASSERT_EQ(orlan::set_value(field, "00:05.00", 8), orlan::kOk);
  ASSERT_EQ(orlan::set_selection(field, 3, 5), orlan::kOk);
  orlan::set_focus(*page.document, field);
  ASSERT_NE(field->edit_state, nullptr);
  field->edit_state->caret_visible = true;
  frame(page);
  const DisplayItem* text = text_item(page.list, "00:05.00");
  ASSERT_NE(text, nullptr);
  // "05" selected: two narrow characters after three, behind the text.
  const orlan::DisplayList& list = page.list;
  int selection = -1, caret = -1, selections = 0;
  for (std::uint32_t i = 0; i < list.count; ++i) {
    const DisplayItem& it = list.items[i];
    if (it.kind == ItemKind::kFill && it.color == kSelectionFill) selection = static_cast<int>(i), ++selections;
    if (it.kind == ItemKind::kFill && it.width == 1 && it.y == text->y) caret = static_cast<int>(i);
  }
  ASSERT_EQ(selections, 1);
  ASSERT_GE(caret, 0);
  const DisplayItem& sel = list.items[selection];
  const float em = text->font.size / 2;
  EXPECT_LT(&sel, text);
  EXPECT_FLOAT_EQ(sel.x, text->x + 3 * em);
  EXPECT_FLOAT_EQ(sel.width, 2 * em);
  EXPECT_FLOAT_EQ(list.items[caret].x, text->x + 5 * em);
  // The blink phase off: no caret, the selection stays.
  field->edit_state->caret_visible = false;
  frame(page);
  int fills = 0;
  for (std::uint32_t i = 0; i < page.list.count; ++i) {
    const DisplayItem& it = page.list.items[i];
    fills += it.kind == ItemKind::kFill && it.color == kSelectionFill ? 1 : 0;
    EXPECT_FALSE(it.kind == ItemKind::kFill && it.width == 1) << "a caret while blinked off";
  }
  EXPECT_EQ(fills, 1);
}

TEST(ControlPaint, AnOptionTextReplacedByOneOfTheSameLengthChangesTheItem) {
  Page page("<select id=s><option>Left</option><option>Right</option></select>");
  frame(page);
  const DisplayItem* before = text_item(page.list, "Left");
  ASSERT_NE(before, nullptr);
  const DisplayItem saved = *before;
  Node* option = orlan::first_child(page.id("s"));
  while (option && !orlan::is_element(option)) option = orlan::next_sibling(option);
  ASSERT_NE(option, nullptr);
  ASSERT_EQ(orlan::set_text_content(option, "Lift", 4), orlan::kOk);
  frame(page);
  const DisplayItem* after = text_item(page.list, "Lift");
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(after->text, saved.text);  // the control's display buffer, reused
  EXPECT_EQ(after->text_length, saved.text_length);
  // What tells the frame's diff to draw the item again.
  EXPECT_NE(after->text_revision, saved.text_revision);
}

}  // namespace
