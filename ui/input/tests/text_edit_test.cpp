// Text controls: typing and undo steps, deletion and caret movement, clipboard, number
// fields, composition, change events.

#include "input_rig.h"

namespace orlan::test {
namespace {

constexpr std::string_view kFields = R"(<body>
<input id="f"><input id="pw" type="password"><textarea id="ta"></textarea>
<input id="n" type="number" min="0" max="10"><input id="step" type="number" step="0.5">
<input id="free" type="number"><input id="ro" readonly value="fixed"><p id="away">x</p>
</body>)";

struct Selection {
  std::uint32_t start = 0, end = 0;
  bool operator==(const Selection&) const = default;
};
Selection selection_of(Node* n) {
  Selection s;
  get_selection(n, &s.start, &s.end);
  return s;
}

TEST(Typing, UndoStepsAreWordsAndRedoGoesBack) {
  InputRig rig(kFields);
  rig.click("f");
  rig.type("ab cd");
  EXPECT_EQ(rig.value_of("f"), "ab cd");
  rig.key_press('Z', kModCtrl);
  EXPECT_EQ(rig.value_of("f"), "ab");
  rig.key_press('Z', kModCtrl);
  EXPECT_EQ(rig.value_of("f"), "");
  // Undo on an empty stack changes nothing.
  rig.key_press('Z', kModCtrl);
  EXPECT_EQ(rig.value_of("f"), "");
  rig.key_press('Y', kModCtrl);
  EXPECT_EQ(rig.value_of("f"), "ab");
  rig.key_press('Z', kModCtrl | kModShift);
  EXPECT_EQ(rig.value_of("f"), "ab cd");
  // After an undo the next typing is a step of its own.
  rig.key_press('Z', kModCtrl);
  rig.type("x");
  rig.key_press('Z', kModCtrl);
  EXPECT_EQ(rig.value_of("f"), "ab");
  // Ctrl without Alt types nothing; control characters neither.
  text_input(*rig.doc, 'q', kModCtrl);
  text_input(*rig.doc, 0x7F, 0);
  EXPECT_EQ(rig.value_of("f"), "ab");
}

TEST(Typing, DeletingAndMovingByCharactersWordsAndLines) {
  InputRig rig(kFields);
  rig.click("f");
  rig.type("one two");
  text_input(*rig.doc, 0xE4, 0);  // a two-byte character
  rig.key_press(kKeyBackspace);
  EXPECT_EQ(rig.value_of("f"), "one two");
  rig.key_press(kKeyBackspace, kModCtrl);
  EXPECT_EQ(rig.value_of("f"), "one ");
  rig.key_press(kKeyHome);
  rig.key_press(kKeyRight, kModCtrl | kModShift);
  EXPECT_EQ(selection_of(rig.by_id("f")), (Selection{0, 3}));
  rig.key_press(kKeyLeft);  // collapses to the start
  EXPECT_EQ(selection_of(rig.by_id("f")), (Selection{0, 0}));
  rig.key_press(kKeyDelete, kModCtrl);
  EXPECT_EQ(rig.value_of("f"), " ");

  rig.click("ta");
  rig.type("ab");
  rig.key_press(kKeyEnter);
  rig.type("cdef");
  rig.key_press(kKeyUp);
  rig.key_press(kKeyEnd);
  EXPECT_EQ(selection_of(rig.by_id("ta")), (Selection{2, 2}));
  rig.key_press(kKeyDown);
  EXPECT_EQ(selection_of(rig.by_id("ta")), (Selection{5, 5}));
  rig.key_press(kKeyEnd, kModCtrl | kModShift);
  EXPECT_EQ(selection_of(rig.by_id("ta")), (Selection{5, 7}));
}

TEST(Clipboard, CopyCutPasteThroughTheDocumentCallbacks) {
  InputRig rig(kFields);
  static std::string board;
  ClipboardCallbacks callbacks;
  callbacks.get = [](void*, const char** text, std::size_t* length) {
    *text = board.data();
    *length = board.size();
    return true;
  };
  callbacks.set = [](void*, const char* text, std::size_t length) { board.assign(text, length); };
  set_clipboard_callbacks(*rig.doc, callbacks);
  rig.click("f");
  rig.type("hello");
  rig.key_press('A', kModCtrl);
  rig.key_press('X', kModCtrl);
  EXPECT_EQ(board, "hello");
  EXPECT_EQ(rig.value_of("f"), "");
  // Two lines (CR LF) into a field: the first only.
  board = "first\r\nsecond";
  rig.key_press('V', kModCtrl);
  EXPECT_EQ(rig.value_of("f"), "first");
  // Into a textarea: CR LF becomes LF.
  rig.click("ta");
  rig.key_press('V', kModCtrl);
  EXPECT_EQ(rig.value_of("ta"), "first\nsecond");
  // A password field copies nothing.
  board = "kept";
  rig.click("pw");
  rig.type("secret");
  rig.key_press('A', kModCtrl);
  rig.key_press('C', kModCtrl);
  rig.key_press('X', kModCtrl);
  EXPECT_EQ(board, "kept");
  EXPECT_EQ(rig.value_of("pw"), "secret");
  // A read-only field keeps its value and dispatches nothing.
  rig.click("ro");
  rig.listen({"input"});
  rig.key_press('V', kModCtrl);
  rig.type("z");
  EXPECT_EQ(rig.value_of("ro"), "fixed");
  EXPECT_EQ(rig.take_log(), "");
}

TEST(NumberFields, NormaliseOnBlurAndStepWithTenDigits) {
  InputRig rig(kFields);
  rig.listen({"change"});
  struct Case {
    const char* id;
    const char* typed;
    std::uint32_t key;  // 0: blur
    const char* expected;
  };
  const Case cases[] = {
      {"n", "12", 0, "10"},          {"n", "-3", 0, "0"},         {"free", "1e21", 0, "1e+21"},
      {"free", "007.50", 0, "7.5"},  {"step", "", kKeyUp, "0.5"}, {"free", "0.1", 0, "0.1"},
      {"n", "9.9", kKeyUp, "10"},    {"free", "1x", 0, "1"},
  };
  for (const Case& c : cases) {
    rig.click(c.id);
    rig.key_press('A', kModCtrl);
    rig.key_press(kKeyDelete);
    rig.type(c.typed);
    if (c.key) rig.key_press(c.key);
    rig.click("away");
    EXPECT_EQ(rig.value_of(c.id), c.expected) << c.id << " " << c.typed;
  }
  // Letters other than e are swallowed as typed; a value "abc" set by the application
  // parses as nothing and becomes empty once edited.
  rig.click("n");
  rig.key_press('A', kModCtrl);
  rig.type("xyz");
  EXPECT_EQ(rig.value_of("n"), "10");
  set_value(rig.by_id("n"), "abc", 3);
  rig.type("e");
  rig.click("away");
  EXPECT_EQ(rig.value_of("n"), "");
  // 0.1 stepped by 0.2 shows ten significant digits.
  set_attribute(rig.by_id("free"), "step", 4, "0.2", 3);
  set_value(rig.by_id("free"), "0.1", 3);
  rig.click("free");
  rig.key_press(kKeyUp);
  EXPECT_EQ(rig.value_of("free"), "0.3");
  rig.take_log();
  // Enter dispatches change at once; a second Enter without edits does not.
  rig.type("1");
  rig.key_press(kKeyEnter);
  rig.key_press(kKeyEnter);
  EXPECT_EQ(rig.take_log(), "change input#free\n");
}

TEST(Composition, EventsAndTheCommittedText) {
  InputRig rig(kFields);
  rig.click("f");
  rig.type("ab");
  rig.key_press(kKeyLeft, kModShift);
  rig.listen({"compositionstart", "compositionupdate", "compositionend", "input"});
  composition_update(*rig.doc, "\xE3\x81\x8B", 3, 3);
  EXPECT_EQ(rig.value_of("f"), "a");  // the selection went; the composition is not value
  composition_update(*rig.doc, "\xE3\x81\x8B\xE3\x81\x84", 6, 99);
  EXPECT_EQ(rig.by_id("f")->edit_state->composition_caret, 6u);
  composition_commit(*rig.doc, "\xE6\x97\xA5", 3);
  EXPECT_EQ(rig.value_of("f"), "a\xE6\x97\xA5");
  EXPECT_EQ(rig.take_log(),
            "input input#f\ncompositionstart input#f\ncompositionupdate input#f\ninput input#f\n"
            "compositionupdate input#f\ninput input#f\ninput input#f\ncompositionend input#f\n");
  // Blur ends an active composition without committing it.
  composition_update(*rig.doc, "x", 1, 1);
  rig.click("away");
  EXPECT_FALSE(rig.by_id("f")->edit_state->composing);
  EXPECT_EQ(rig.value_of("f"), "a\xE6\x97\xA5");
}

TEST(Caret, ClickPlacesItAndDoubleClickSelectsAWord) {
  InputRig rig(R"(<body style="margin:0"><input id="f" value="alpha beta" style="width:300px;font-size:16px;padding:0;border:0"></body>)");
  Node* f = rig.by_id("f");
  Rect r = rig.box("f");
  // The fallback measurer gives 8 px per character at 16 px.
  pointer_button(*rig.doc, true, 0, r.x + 8 * 7 + 1, r.y + 5, 0, false);
  pointer_button(*rig.doc, false, 0, r.x + 8 * 7 + 1, r.y + 5, 0, false);
  EXPECT_EQ(selection_of(f), (Selection{7, 7}));
  pointer_button(*rig.doc, true, 0, r.x + 8 * 2, r.y + 5, 0, true);
  pointer_button(*rig.doc, false, 0, r.x + 8 * 2, r.y + 5, 0, false);
  EXPECT_EQ(selection_of(f), (Selection{0, 5}));
  EXPECT_TRUE(caret_blink_wanted(*rig.doc));
  BoxRect caret;
  ASSERT_TRUE(caret_rect(*rig.doc, &caret));
  EXPECT_EQ(caret.x, r.x + 8 * 5);
}

}  // namespace
}  // namespace orlan::test
