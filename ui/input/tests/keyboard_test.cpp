// Keys: Tab order, prevented keydowns, button activation, scrolling keys.

#include "input_rig.h"

namespace orlan::test {
namespace {

constexpr std::string_view kForm = R"(<body>
<input id="a"><a id="link" href="x">link</a><a id="nolink">plain</a>
<div id="skip" tabindex="-1">skip</div><button id="b">B</button>
<span id="t" tabindex="0">t</span><input id="off" disabled><select id="s"><option>1</option></select>
<textarea id="hidden" style="display:none"></textarea>
</body>)";

std::string focus_name(InputRig& rig) {
  return InputRig::name_of(rig.doc->focused);
}

TEST(TabOrder, WalksTabbableElementsAndWraps) {
  InputRig rig(kForm);
  std::vector<std::string> order;
  for (int i = 0; i < 6; ++i) {
    rig.key_press(kKeyTab);
    order.push_back(focus_name(rig));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"input#a", "a#link", "button#b", "span#t", "select#s",
                                             "input#a"}));
  rig.key_press(kKeyTab, kModShift);
  EXPECT_EQ(focus_name(rig), "select#s");
  // tabindex -1: focusable by click, skipped by Tab.
  rig.click("skip");
  EXPECT_EQ(focus_name(rig), "div#skip");
  rig.key_press(kKeyTab);
  EXPECT_EQ(focus_name(rig), "button#b");
  // Ctrl+Tab is not navigation.
  rig.key_press(kKeyTab, kModCtrl);
  EXPECT_EQ(focus_name(rig), "button#b");
}

TEST(TabOrder, PreventedTabKeepsTheFocus) {
  InputRig rig(kForm);
  on(rig.by_id("a"), "keydown", 7, [](Event* e, void*) { prevent_default(e); }, nullptr);
  rig.click("a");
  EXPECT_TRUE(rig.key_press(kKeyTab));
  EXPECT_EQ(focus_name(rig), "input#a");
}

// A prevented keydown swallows the character of its own key press only.
TEST(PreventedKeydown, EatsOnlyItsOwnCharacter) {
  InputRig rig(R"(<body><input id="f"></body>)");
  on(rig.by_id("f"), "keydown", 7,
     [](Event* e, void*) {
       if (event_key(e) == 'X' || event_key(e) == kKeyF1) prevent_default(e);
     },
     nullptr);
  rig.click("f");
  rig.key_press('X', 0, 'x');
  EXPECT_EQ(rig.value_of("f"), "");
  // F1 produces no character: its flag must not eat the next letter.
  key(*rig.doc, true, kKeyF1, 0, 0, false);
  key(*rig.doc, false, kKeyF1, 0, 0, false);
  rig.key_press('Y', 0, 'y');
  EXPECT_EQ(rig.value_of("f"), "y");
}

TEST(Keys, EnterOnAButtonClicksItAndUnusedKeysAreNotConsumed) {
  InputRig rig(kForm);
  rig.listen({"click"});
  rig.key_press(kKeyTab);
  rig.key_press(kKeyTab);
  rig.key_press(kKeyTab);
  ASSERT_EQ(focus_name(rig), "button#b");
  rig.take_log();
  EXPECT_TRUE(rig.key_press(kKeyEnter));
  EXPECT_EQ(rig.take_log(), "click button#b\n");
  // Alt+F4 reaches nothing here: the host passes it on.
  EXPECT_FALSE(key(*rig.doc, true, kKeyF1 + 3, kModAlt, 0, false));
}

TEST(Keys, ScrollingKeysAndTheWheelMoveTheScrollBox) {
  InputRig rig(R"(<body style="margin:0"><div id="box" tabindex="0" style="height:100px;overflow:auto">
<div style="height:1000px">tall</div></div></body>)");
  Node* box = rig.by_id("box");
  rig.click(box);
  rig.key_press(kKeyDown);
  EXPECT_EQ(box->scroll_y, 40);
  rig.key_press(kKeyPageDown);
  EXPECT_EQ(box->scroll_y, 40 + 90);
  rig.key_press(kKeyEnd);
  EXPECT_EQ(box->scroll_y, max_scroll_y(*box));
  rig.key_press(kKeyHome);
  EXPECT_EQ(box->scroll_y, 0);
  auto [x, y] = rig.centre(box);
  EXPECT_TRUE(wheel(*rig.doc, x, y, -1, 0));
  EXPECT_EQ(box->scroll_y, 100);
  // A prevented wheel does not scroll.
  on(box, "wheel", 5, [](Event* e, void*) { prevent_default(e); }, nullptr);
  wheel(*rig.doc, x, y, -1, 0);
  EXPECT_EQ(box->scroll_y, 100);
}

}  // namespace
}  // namespace orlan::test
