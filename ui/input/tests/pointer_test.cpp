// Pointer input on laid-out pages: hover and enter/leave, press, release and click,
// removal of targets by handlers, labels, checkboxes and radios, the context menu.

#include "input_rig.h"

namespace orlan::test {
namespace {

constexpr std::string_view kBoxes = R"(<!DOCTYPE html><html><head><style>
body { margin: 0 }
div { padding: 10px }
</style></head><body>
<div id="outer"><div id="a"><span id="a1">left</span></div><div id="b">right</div></div>
<div id="other">other</div>
</body></html>)";

TEST(Hover, EnterAndLeaveDoNotBubbleAndFollowTheChain) {
  InputRig rig(kBoxes);
  rig.listen({"mouseenter", "mouseleave"});
  rig.move_to(rig.by_id("a1"));
  EXPECT_EQ(rig.take_log(),
            "mouseenter div#outer\nmouseenter div#a\nmouseenter span#a1\n");
  // From the child to its parent: only the child is left.
  Rect a = rig.box("a");
  pointer_move(*rig.doc, a.x + 2, a.y + 2, 0);
  EXPECT_EQ(rig.take_log(), "mouseleave span#a1\n");
  rig.move_to(rig.by_id("b"));
  EXPECT_EQ(rig.take_log(), "mouseleave div#a\nmouseenter div#b\n");
  EXPECT_TRUE(rig.by_id("outer")->state & kStateHovered);
  EXPECT_FALSE(rig.by_id("a")->state & kStateHovered);
  pointer_leave(*rig.doc);
  EXPECT_EQ(rig.take_log(),
            "mouseleave div#b\nmouseleave div#outer\n");
  for (Node* n = rig.doc->root; n; n = InputRig::next(n))
    EXPECT_EQ(n->state & (kStateHovered | kStateHoverScratch), 0) << InputRig::name_of(n);
}

// A mouseleave handler that moves the old chain elsewhere must not leave :hover behind.
TEST(Hover, LeaveHandlerThatMovesNodesLeavesNoHoverBehind) {
  InputRig rig(kBoxes);
  rig.move_to(rig.by_id("a1"));
  on(rig.by_id("a1"), "mouseleave", 10,
     [](Event* e, void*) {
       Node* a = parent(event_target(e));
       Document* d = a->document;
       append_child(get_element_by_id(d, "other", 5), a);
     },
     nullptr);
  rig.move_to(rig.by_id("b"));
  rig.move_to(rig.by_id("other"));
  pointer_leave(*rig.doc);
  for (Node* n = rig.doc->root; n; n = InputRig::next(n))
    EXPECT_EQ(n->state & (kStateHovered | kStateHoverScratch), 0) << InputRig::name_of(n);
}

// The hovered element goes away (removed by a handler, or its subtree replaced): the old
// ancestors lose :hover once the removal is done, whether or not the pointer moves on.
TEST(Hover, RemovedHoveredElementLeavesNoHoverBehind) {
  InputRig rig(kBoxes);
  rig.move_to(rig.by_id("a1"));
  on(rig.by_id("a"), "mousedown", 9, [](Event* e, void*) { remove(e->current); }, nullptr);
  rig.press(rig.by_id("a1"));
  EXPECT_EQ(rig.doc->hovered, nullptr);
  EXPECT_FALSE(rig.by_id("outer")->state & kStateHovered);
  // Replaced while hovered, then the pointer moves on inside the same call's dispatch.
  rig.move_to(rig.by_id("b"));
  on(rig.by_id("b"), "mouseleave", 10, [](Event* e, void*) { set_text_content(parent(e->current), "gone", 4); }, nullptr);
  rig.move_to(rig.by_id("other"));
  for (Node* n = rig.doc->root; n; n = InputRig::next(n)) {
    if (!n->is_element()) continue;
    bool on_chain = false;
    for (Node* a = rig.doc->hovered; a; a = a->parent) on_chain = on_chain || a == n;
    EXPECT_EQ((n->state & kStateHovered) != 0, on_chain) << InputRig::name_of(n);
  }
}

TEST(Click, GoesToTheCommonAncestorOfPressAndRelease) {
  InputRig rig(kBoxes);
  rig.listen({"mousedown", "mouseup", "click", "dblclick"});
  rig.press(rig.by_id("a1"));
  EXPECT_TRUE(rig.by_id("outer")->state & kStatePressed);
  rig.release(rig.by_id("b"));
  EXPECT_FALSE(rig.by_id("outer")->state & kStatePressed);
  EXPECT_EQ(rig.take_log(),
            "mousedown span#a1\nmousedown div#a (span#a1)\nmousedown div#outer (span#a1)\n"
            "mouseup div#b\nmouseup div#outer (div#b)\nclick div#outer\n");
  // A double click adds dblclick after the click; the right button clicks nothing.
  rig.press(rig.by_id("b"), 0, 0, true);
  rig.release(rig.by_id("b"));
  EXPECT_EQ(rig.take_log(),
            "mousedown div#b\nmousedown div#outer (div#b)\nmouseup div#b\n"
            "mouseup div#outer (div#b)\nclick div#b\nclick div#outer (div#b)\n"
            "dblclick div#b\ndblclick div#outer (div#b)\n");
  rig.click(rig.by_id("b"), 2);
  EXPECT_EQ(rig.take_log().find("click div#b\n"), std::string::npos);
}

TEST(Click, DisabledButtonDispatchesNothing) {
  InputRig rig(R"(<body><div id="wrap"><button id="go" disabled>Go</button></div></body>)");
  rig.listen({"mousedown", "mouseup", "click"});
  rig.click("go");
  EXPECT_EQ(rig.take_log(), "");
}

int g_clicks = 0;

TEST(Click, HandlerRemovingItsElementKeepsTheDispatchIntact) {
  InputRig rig(kBoxes);
  Node* b = rig.by_id("b");
  on(b, "click", 5, [](Event* e, void*) { remove(event_target(e)); }, nullptr);
  g_clicks = 0;
  on(rig.by_id("outer"), "click", 5, [](Event*, void*) { ++g_clicks; }, nullptr);
  std::uint32_t live_before = rig.doc->live_nodes;
  rig.click(b);
  EXPECT_EQ(g_clicks, 1);  // the bubbling went on past the removed element
  EXPECT_EQ(rig.doc->live_nodes, live_before - 2);  // the div and its text are gone
  EXPECT_EQ(rig.doc->deferred, nullptr);
  EXPECT_EQ(rig.doc->pressed, nullptr);
}

// A mousedown handler that rebuilds the rows under the pointer: the press goes on with a
// removed target, nothing is freed before the call ends, and the focused field is blurred.
TEST(Click, PressWhoseTargetIsRemovedStillMovesTheFocus) {
  InputRig rig(R"(<body><input id="field"><div id="rows" tabindex="-1"><div id="row">row</div></div></body>)");
  rig.click("field");
  ASSERT_EQ(rig.doc->focused, rig.by_id("field"));
  rig.listen({"blur", "focus", "click"});
  on(rig.by_id("row"), "mousedown", 9,
     [](Event* e, void*) {
       Node* rows = parent(event_target(e));
       Document* d = rows->document;
       set_text_content(rows, nullptr, 0);
       Node* fresh = create_element(d, "div", 3);
       set_attribute(fresh, "id", 2, "row", 3);
       append_child(rows, fresh);
       // The removed target must still be readable here.
       EXPECT_NE(event_target(e)->document, nullptr);
     },
     nullptr);
  Node* row = rig.by_id("row");
  rig.press(row);
  EXPECT_EQ(rig.doc->focused, rig.by_id("rows"));
  rig.release(rig.by_id("row"));
  EXPECT_EQ(rig.take_log(), "blur input#field\nfocus div#rows\n");
  EXPECT_EQ(rig.doc->deferred, nullptr);
}

TEST(FocusEvents, DoNotBubbleToAncestors) {
  InputRig rig(R"(<body><div id="box"><input id="one"><input id="two"></div><p id="away">x</p></body>)");
  rig.listen({"focus", "blur"});
  rig.click("one");
  rig.click("two");
  EXPECT_EQ(rig.take_log(), "focus input#one\nblur input#one\nfocus input#two\n");
  EXPECT_TRUE(rig.by_id("two")->state & kStateFocused);
  EXPECT_FALSE(rig.by_id("one")->state & kStateFocused);
  // A click outside any focusable element clears the focus.
  rig.click("away");
  EXPECT_EQ(rig.doc->focused, nullptr);
}

constexpr std::string_view kChecks = R"(<body>
<label id="l1"><input id="c1" type="checkbox"> Use</label>
<label id="l2" for="c2">Far</label><input id="c2" type="checkbox">
<section><input id="r1" type="radio" name="g" checked></section>
<section><input id="r2" type="radio" name="g"></section>
<input id="r3" type="radio" name="other" checked>
</body>)";

TEST(Checkboxes, LabelsToggleTheirControlsAndRadiosExcludeEachOther) {
  InputRig rig(kChecks);
  rig.listen({"input", "change", "click"});
  rig.click("l1");
  EXPECT_TRUE(is_checked(rig.by_id("c1")));
  EXPECT_EQ(rig.doc->focused, rig.by_id("c1"));
  EXPECT_EQ(rig.take_log(),
            "click label#l1\ninput input#c1\ninput label#l1 (input#c1)\nchange input#c1\n"
            "change label#l1 (input#c1)\n");
  rig.click("l2");
  EXPECT_TRUE(is_checked(rig.by_id("c2")));
  rig.click("c2");
  EXPECT_FALSE(is_checked(rig.by_id("c2")));
  rig.take_log();
  // Radios with one name in different sections exclude each other; other names stay.
  rig.click("r2");
  EXPECT_TRUE(is_checked(rig.by_id("r2")));
  EXPECT_FALSE(is_checked(rig.by_id("r1")));
  EXPECT_TRUE(is_checked(rig.by_id("r3")));
  EXPECT_EQ(rig.take_log(), "click input#r2\ninput input#r2\nchange input#r2\n");
  // A checked radio clicked again, or given Space, stays checked and says nothing.
  rig.click("r2");
  rig.key_press(' ', 0, ' ');
  EXPECT_TRUE(is_checked(rig.by_id("r2")));
  EXPECT_EQ(rig.take_log(), "click input#r2\n");
  // Space toggles a focused checkbox.
  rig.click("c1");
  rig.take_log();
  rig.key_press(' ', 0, ' ');
  EXPECT_TRUE(is_checked(rig.by_id("c1")));
  EXPECT_EQ(rig.take_log(),
            "input input#c1\ninput label#l1 (input#c1)\nchange input#c1\n"
            "change label#l1 (input#c1)\n");
}

// Wide and deep trees: the label's search and the radio group's walk reach everything.
TEST(Checkboxes, LabelsAndRadioGroupsInLargeTrees) {
  std::string html = "<body><label id=\"wide\" style=\"display:block\">";
  for (int i = 0; i < 100; ++i) html += "<span>s</span>";
  html += "<input type=\"checkbox\" id=\"deep-box\"></label><div>";
  for (int i = 0; i < 300; ++i)
    html += "<input type=\"radio\" name=\"many\" id=\"r" + std::to_string(i) + "\"" +
            (i == 299 ? " checked" : "") + ">";
  html += "</div></body>";
  InputRig rig(html);
  rig.click("wide");
  EXPECT_TRUE(is_checked(rig.by_id("deep-box")));
  rig.click("r0");
  EXPECT_TRUE(is_checked(rig.by_id("r0")));
  EXPECT_FALSE(is_checked(rig.by_id("r299")));
}

TEST(ContextMenu, EditMenuIsAskedOnceAndForgetsItsControl) {
  InputRig rig(R"(<body><input id="field" value="hello"><div id="plain">text</div></body>)");
  rig.listen({"contextmenu"});
  rig.click(rig.by_id("field"), 2);
  EXPECT_EQ(rig.take_log(), "contextmenu input#field\n");
  EXPECT_EQ(rig.doc->focused, rig.by_id("field"));
  ContextMenuRequest request;
  ASSERT_TRUE(take_context_menu(*rig.doc, &request));
  EXPECT_EQ(request.kind, kContextMenuEdit);
  EXPECT_EQ(request.commands, 1u << kEditCommandSelectAll);
  EXPECT_FALSE(take_context_menu(*rig.doc, &request));
  run_edit_command(*rig.doc, kEditCommandSelectAll);
  std::uint32_t start = 9, end = 9;
  get_selection(rig.by_id("field"), &start, &end);
  EXPECT_EQ(end - start, 5u);

  // The control goes away while the menu is up: the command that comes back does nothing.
  rig.click(rig.by_id("field"), 2);
  ASSERT_TRUE(take_context_menu(*rig.doc, &request));
  remove(rig.by_id("field"));
  EXPECT_EQ(rig.doc->input.context_element, nullptr);
  run_edit_command(*rig.doc, kEditCommandPaste);
  // A right click elsewhere asks for nothing (no selection there).
  rig.click(rig.by_id("plain"), 2);
  EXPECT_FALSE(take_context_menu(*rig.doc, &request));
}

}  // namespace
}  // namespace orlan::test

namespace orlan::test {
namespace {

// The document selection: a press starts it, a drag extends it, Ctrl+C copies it, and a
// right click inside it asks for the copy menu. Text that cannot be selected is skipped.
TEST(TextSelection, DragCopyAndTheCopyMenu) {
  InputRig rig(R"(<body style="margin:0;font-size:16px"><p id="p" style="margin:0">hello world</p>
<p id="off" style="user-select:none">fixed</p></body>)");
  Rect p = rig.box("p");
  // 8 px per character with the fallback measurer.
  pointer_button(*rig.doc, true, 0, p.x + 8 * 6 + 1, p.y + 4, 0, false);
  pointer_move(*rig.doc, p.x + 8 * 11, p.y + 4, 0);
  pointer_button(*rig.doc, false, 0, p.x + 8 * 11, p.y + 4, 0, false);
  std::size_t n = 0;
  EXPECT_EQ(std::string(selected_text(*rig.doc, &n)), "world");
  EXPECT_TRUE(rig.key_press('C', kModCtrl));
  EXPECT_EQ(std::string(rig.doc->input.clip, rig.doc->input.clip_length), "world");
  pointer_button(*rig.doc, true, 2, p.x + 8 * 8, p.y + 4, 0, false);
  pointer_button(*rig.doc, false, 2, p.x + 8 * 8, p.y + 4, 0, false);
  ContextMenuRequest request;
  ASSERT_TRUE(take_context_menu(*rig.doc, &request));
  EXPECT_EQ(request.kind, kContextMenuCopy);
  // A press on unselectable text clears the selection.
  rig.click("off");
  EXPECT_EQ(std::string(selected_text(*rig.doc, &n)), "");
}

}  // namespace
}  // namespace orlan::test
