// The select popup (rows, choice by pointer and keys, placement) and the tooltip.

#include "input_rig.h"

namespace orlan::test {
namespace {

std::string select_page(float top) {
  return R"(<body style="margin:8px"><select id="s" style="position:absolute;left:20px;top:)" +
         std::to_string(top) + R"(px;width:100px">
<option>zero</option><option>one</option><option disabled>two</option><option>three</option>
</select><p id="away" style="margin-top:0">x</p></body>)";
}

std::string popup_rows(Document& d) {
  std::string out;
  if (!d.select_popup) return "closed";
  for (Node* r = d.select_popup->first_child; r; r = r->next_sibling) {
    std::uint32_t n = 0;
    const char* text = text_content_scratch(*r, &n);
    out += std::string(text, n);
    if (has_class(r, "active", 6)) out += "*";
    if (has_attribute(r, "disabled", 8)) out += "(disabled)";
    out += " ";
  }
  return out;
}

TEST(SelectPopup, OpensBelowAndChoosesByPointer) {
  InputRig rig(select_page(20));
  rig.listen({"input", "change"});
  Node* s = rig.by_id("s");
  rig.click(s);
  EXPECT_EQ(popup_rows(*rig.doc), "zero* one two(disabled) three ");
  Rect r = absolute_position(*s);
  Rect p = absolute_position(*rig.doc->select_popup);
  // Right under the select, where it is laid out (the body's margin does not shift it).
  EXPECT_EQ(p.x, r.x);
  EXPECT_EQ(p.y, r.y + r.height);
  EXPECT_GE(p.width, r.width);
  Node* second = rig.doc->select_popup->first_child->next_sibling;
  rig.click(second);
  EXPECT_EQ(rig.doc->select_popup, nullptr);
  EXPECT_EQ(selected_index(s), 1);
  EXPECT_EQ(rig.take_log(), "input select#s\nchange select#s\n");
  // A disabled row chooses nothing; a click outside closes without a choice.
  rig.click(s);
  rig.click(rig.doc->select_popup->first_child->next_sibling->next_sibling);
  EXPECT_EQ(selected_index(s), 1);
  rig.click(s);
  rig.click("away");
  EXPECT_EQ(rig.doc->select_popup, nullptr);
  EXPECT_EQ(rig.take_log(), "");
}

TEST(SelectPopup, KeysOpenMoveAndChoose) {
  InputRig rig(select_page(20));
  rig.listen({"change"});
  Node* s = rig.by_id("s");
  rig.key_press(kKeyTab);
  ASSERT_EQ(rig.doc->focused, s);
  // Without a popup Up and Down change the option, skipping disabled ones.
  rig.key_press(kKeyDown);
  rig.key_press(kKeyDown);
  EXPECT_EQ(selected_index(s), 3);
  EXPECT_EQ(rig.take_log(), "change select#s\nchange select#s\n");
  rig.key_press(kKeyDown, kModAlt);
  EXPECT_EQ(popup_rows(*rig.doc), "zero one two(disabled) three* ");
  rig.key_press(kKeyUp);
  rig.key_press(kKeyUp);
  rig.key_press(kKeyUp);
  EXPECT_EQ(popup_rows(*rig.doc), "zero* one two(disabled) three ");
  rig.key_press(kKeyEnter);
  EXPECT_EQ(rig.doc->select_popup, nullptr);
  EXPECT_EQ(selected_index(s), 0);
  rig.key_press(' ', 0, ' ');
  rig.key_press(kKeyEscape);
  EXPECT_EQ(rig.doc->select_popup, nullptr);
  EXPECT_EQ(selected_index(s), 0);
}

TEST(SelectPopup, NearTheBottomItOpensAboveOrShrinksToWholeRows) {
  InputRig rig(select_page(250));
  Node* s = rig.by_id("s");
  rig.click(s);
  ASSERT_NE(rig.doc->select_popup, nullptr);
  Rect r = absolute_position(*s);
  Rect p = absolute_position(*rig.doc->select_popup);
  EXPECT_EQ(p.y + p.height, r.y);
  rig.click("away");

  // Too tall for either side: the larger room gets a whole number of rows.
  InputRig tight(select_page(40), ".ui-select-option{height:30px;padding:0}", 400, 160);
  tight.click("s");
  ASSERT_NE(tight.doc->select_popup, nullptr);
  Rect q = absolute_position(*tight.doc->select_popup);
  Rect t = absolute_position(*tight.by_id("s"));
  float room = 160 - (t.y + t.height);
  EXPECT_LE(q.height, room);
  EXPECT_EQ(q.y, t.y + t.height);
  // 4 px padding and 1 px border top and bottom around whole 30 px rows.
  EXPECT_EQ(q.height, 70) << room;
}

// Rows of no height (or none at all) must not divide by zero: the room is taken whole.
TEST(SelectPopup, ZeroHeightRowsTakeTheAvailableRoom) {
  InputRig rig(select_page(250), ".ui-select-option{height:0;padding:0}.ui-select-popup{padding:0;border:0;height:400px}");
  rig.click("s");
  ASSERT_NE(rig.doc->select_popup, nullptr);
  Rect q = absolute_position(*rig.doc->select_popup);
  Rect t = absolute_position(*rig.by_id("s"));
  // Less room below than above the select: it goes above and fills all the room there.
  EXPECT_EQ(q.height, t.y);
  EXPECT_EQ(q.y, 0);
}

constexpr std::string_view kTitles = R"(<body style="margin:10px">
<div id="outer" title="Outer tip"><span id="inner">inner</span><span id="own" title="Own">own</span></div>
<div id="none">none</div>
<div id="edge" title="A rather long tooltip text" style="position:absolute;left:360px;top:280px;width:30px;height:10px"></div>
</body>)";

TEST(Tooltip, PendsThenShowsTheInheritedTitleNearThePointer) {
  InputRig rig(kTitles);
  Node* inner = rig.by_id("inner");
  rig.move_to(inner);
  EXPECT_TRUE(tooltip_pending(*rig.doc));
  EXPECT_EQ(rig.doc->tooltip, nullptr);
  show_tooltip(*rig.doc);
  rig.layout();
  EXPECT_FALSE(tooltip_pending(*rig.doc));
  ASSERT_NE(rig.doc->tooltip, nullptr);
  std::size_t n = 0;
  EXPECT_EQ(std::string(text_content(rig.doc->tooltip, &n)), "Outer tip");
  auto [x, y] = rig.centre(inner);
  Rect tip = absolute_position(*rig.doc->tooltip);
  EXPECT_EQ(tip.x, x + 12);
  EXPECT_EQ(tip.y, y + 20);
  // Changing the title replaces the text; an empty title hides it.
  set_attribute(rig.by_id("outer"), "title", 5, "New", 3);
  EXPECT_EQ(std::string(text_content(rig.doc->tooltip, &n)), "New");
  set_attribute(rig.by_id("outer"), "title", 5, "", 0);
  EXPECT_EQ(rig.doc->tooltip, nullptr);
  // A press hides it; moving to an element of its own title pends again.
  set_attribute(rig.by_id("outer"), "title", 5, "Outer", 5);
  rig.move_to(rig.by_id("own"));
  show_tooltip(*rig.doc);
  ASSERT_NE(rig.doc->tooltip, nullptr);
  rig.press(rig.by_id("own"));
  EXPECT_EQ(rig.doc->tooltip, nullptr);
  rig.release(rig.by_id("own"));
  rig.move_to(rig.by_id("none"));
  EXPECT_FALSE(tooltip_pending(*rig.doc));
  show_tooltip(*rig.doc);
  EXPECT_EQ(rig.doc->tooltip, nullptr);
}

TEST(Tooltip, StaysInsideTheViewportAtTheEdges) {
  InputRig rig(kTitles);
  rig.move_to(rig.by_id("edge"));
  show_tooltip(*rig.doc);
  rig.layout();
  ASSERT_NE(rig.doc->tooltip, nullptr);
  Rect tip = absolute_position(*rig.doc->tooltip);
  auto [x, y] = rig.centre(rig.by_id("edge"));
  EXPECT_EQ(tip.x + tip.width, 400);
  EXPECT_EQ(tip.y, y - tip.height - 8);
  pointer_leave(*rig.doc);
  EXPECT_EQ(rig.doc->tooltip, nullptr);
}

}  // namespace
}  // namespace orlan::test
