// Rules of input delivery that handlers and odd states test: disabled subtrees, a
// context menu whose handler removes the selected text, a popup that outlives its select,
// blur from a handler while the focus moves, and the caret blink of read-only fields.

#include "input_rig.h"

namespace orlan::test {
namespace {

// contextmenu is a pointer event: a disabled subtree never gets it (nor a menu); wheel is
// not, and reaches it (and still scrolls it).
TEST(DisabledSubtree, GetsTheWheelButNoContextMenu) {
  InputRig rig(R"(<body style="margin:0"><div id="off" disabled style="height:100px;overflow:auto">
<div id="inner" style="height:1000px">text</div></div><div id="on">on</div></body>)");
  rig.listen({"contextmenu", "wheel"});
  Node* off = rig.by_id("off");
  const float x = 20, y = 50;  // inside the clipped box
  pointer_move(*rig.doc, x, y, 0);
  ASSERT_EQ(rig.doc->hovered, rig.by_id("inner"));
  pointer_button(*rig.doc, true, 2, x, y, 0, false);
  pointer_button(*rig.doc, false, 2, x, y, 0, false);
  EXPECT_EQ(rig.take_log(), "");
  EXPECT_FALSE(take_context_menu(*rig.doc, nullptr));
  EXPECT_TRUE(wheel(*rig.doc, x, y, -1, 0));
  EXPECT_EQ(rig.take_log(), "wheel div#inner\nwheel div#off (div#inner)\n");
  EXPECT_EQ(off->scroll_y, 100);
  // Outside it both arrive.
  rig.click(rig.by_id("on"), 2);
  EXPECT_EQ(rig.take_log(), "contextmenu div#on\n");
}

void remove_first_paragraph_text(Event* event, void*) {
  Node* body = event_target(event)->document->body;
  remove(body->first_child->first_child);
}

// The selection runs over two paragraphs; a contextmenu handler takes the first one's text
// away before the menu asks whether the point lies inside the selection.
TEST(ContextMenu, HandlerRemovingTheSelectedTextLeavesNoCopyMenu) {
  InputRig rig(R"(<body style="margin:0;font-size:16px"><p style="margin:0">hello world</p><p style="margin:0">second line</p></body>)");
  Node* first = rig.doc->body->first_child;
  Node* second = first->next_sibling;
  Rect a = absolute_position(*first), b = absolute_position(*second);
  pointer_button(*rig.doc, true, 0, a.x + 8 * 6 + 1, a.y + 4, 0, false);
  pointer_move(*rig.doc, b.x + 8 * 6, b.y + 4, 0);
  pointer_button(*rig.doc, false, 0, b.x + 8 * 6, b.y + 4, 0, false);
  std::size_t n = 0;
  ASSERT_EQ(std::string(selected_text(*rig.doc, &n)), "worldsecond");
  ASSERT_EQ(on(rig.doc->body, "contextmenu", 11, remove_first_paragraph_text, nullptr), kOk);
  pointer_button(*rig.doc, true, 2, b.x + 8 * 2, b.y + 4, 0, false);
  pointer_button(*rig.doc, false, 2, b.x + 8 * 2, b.y + 4, 0, false);
  EXPECT_FALSE(take_context_menu(*rig.doc, nullptr));
  EXPECT_EQ(first->first_child, nullptr);
}

// A popup whose select went away while it was open still closes by a row click, Enter and
// Space, and chooses nothing.
TEST(SelectPopup, OutlivingItsSelectStillClosesByRowEnterOrSpace) {
  for (std::uint32_t way : {0u, static_cast<std::uint32_t>(kKeyEnter), static_cast<std::uint32_t>(' ')}) {
    InputRig rig(R"(<body style="margin:8px"><select id="s" style="width:100px">
<option>zero</option><option>one</option></select><p id="away">x</p></body>)");
    rig.listen({"input", "change"});
    Node* s = rig.by_id("s");
    rig.click(s);
    ASSERT_NE(rig.doc->select_popup, nullptr);
    Node* row = rig.doc->select_popup->first_child->next_sibling;
    remove(s);
    rig.layout();
    ASSERT_NE(rig.doc->select_popup, nullptr);
    if (way == 0) {
      rig.click(row);
    } else {
      move_popup_active(*rig.doc, 1);
      rig.key_press(way);
    }
    EXPECT_EQ(rig.doc->select_popup, nullptr) << "closing by " << way;
    EXPECT_EQ(rig.take_log(), "") << way;
  }
}

struct BlurRig {
  Node* victim = nullptr;
};
void blur_victim(Event*, void* user) {
  blur(static_cast<BlurRig*>(user)->victim);
}

// A blur or change handler of the element losing the focus blurs the element gaining it:
// that element never had the focus, so it gets neither focus nor blur.
TEST(FocusChange, HandlerBlurringTheNewElementSendsItNoBlur) {
  for (const char* type : {"blur", "change"}) {
    InputRig rig(R"(<body><input id="a"><input id="b"></body>)");
    BlurRig user{rig.by_id("b")};
    ASSERT_EQ(on(rig.by_id("a"), type, std::strlen(type), blur_victim, &user), kOk);
    rig.click("a");
    rig.type("x");
    rig.listen({"focus", "blur"});
    rig.click("b");
    EXPECT_EQ(rig.take_log(), "blur input#a\n") << type;
    EXPECT_EQ(rig.doc->focused, nullptr) << type;
    EXPECT_EQ(rig.by_id("b")->state & kStateFocused, 0) << type;
    // It takes the focus normally afterwards.
    rig.click("b");
    EXPECT_EQ(rig.take_log(), "focus input#b\n") << type;
  }
}

// The caret blinks in every focused editable field, read-only or not, active window or not.
TEST(Caret, BlinksInReadOnlyFieldsAndInactiveWindows) {
  InputRig rig(R"(<body><input id="ro" readonly value="fixed"><textarea id="t"></textarea><button id="b">b</button></body>)");
  rig.click("ro");
  EXPECT_TRUE(caret_blink_wanted(*rig.doc));
  set_window_active(*rig.doc, false);
  rig.click("t");
  EXPECT_TRUE(caret_blink_wanted(*rig.doc));
  rig.click("b");
  EXPECT_FALSE(caret_blink_wanted(*rig.doc));
}

}  // namespace
}  // namespace orlan::test
