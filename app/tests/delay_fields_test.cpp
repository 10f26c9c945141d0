// The delay inputs on the real page: the mask editor driven through the engine's events the
// way typing, deleting, pasting and leaving a field produce them.

#include "delay_fields.h"

#include <gtest/gtest.h>

#include <string>

#include "document.h"
#include "hotkeys.h"
#include "main_screen.h"
#include "screen_fakes.h"

namespace {

using tw::test::ScreenRig;

struct DelayRig : ScreenRig {
  DelayRig() : ScreenRig("en", tw::main_page_html("en")) {
    tw::bind_delay_editors(screen, context());
  }
  orlan::Document& document() { return *orlan::document(view); }
};

// One delay input as the user works on it: each edit changes the value and the caret as a
// text field does, then fires `input`.
class Field {
 public:
  Field(DelayRig& rig, std::string_view id) : m_rig(rig), m_input(rig.element(id)) {}

  void focus() { orlan::set_focus(m_rig.document(), m_input); }
  void leave() { orlan::blur(m_input); }
  void set(std::string_view text) { tw::set_element_value(m_input, text); }

  void type(char c) {
    std::string value = text();
    std::size_t at = caret();
    edit(value.substr(0, at) + c + value.substr(at), at + 1);
  }
  void backspace() {
    std::string value = text();
    std::size_t at = caret();
    if (at > 0) edit(value.substr(0, at - 1) + value.substr(at), at - 1);
  }
  void paste_over_all(std::string_view pasted) { edit(std::string(pasted), pasted.size()); }

  std::string text() { return tw::element_value(m_input).value_or("<missing>"); }
  std::size_t caret() {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    EXPECT_EQ(orlan::get_selection(m_input, &start, &end), orlan::kOk);
    EXPECT_EQ(start, end) << "the editor collapses the selection";
    return start;
  }

 private:
  void edit(const std::string& value, std::size_t new_caret) {
    tw::set_element_value(m_input, value);
    orlan::set_selection(m_input, static_cast<std::uint32_t>(new_caret),
                         static_cast<std::uint32_t>(new_caret));
    orlan::fire_event(*m_input, orlan::EventType::kInput);
  }

  DelayRig& m_rig;
  orlan::Node* m_input;
};

TEST(DelayEditor, TypingOverwritesDigitsAndSkipsTheSeparators) {
  DelayRig rig;
  Field delay1(rig, "delay1");
  delay1.focus();
  EXPECT_EQ(delay1.text(), "00:00.00");
  EXPECT_EQ(delay1.caret(), 0u);
  std::vector<std::pair<std::string, std::size_t>> steps;
  for (char c : std::string("1234567")) {
    delay1.type(c);
    steps.emplace_back(delay1.text(), delay1.caret());
  }
  EXPECT_EQ(steps, (std::vector<std::pair<std::string, std::size_t>>{{"10:00.00", 1},
                                                                     {"12:00.00", 3},
                                                                     {"12:30.00", 4},
                                                                     {"12:34.00", 6},
                                                                     {"12:34.50", 7},
                                                                     {"12:34.56", 8},
                                                                     {"12:34.56", 8}}));
}

TEST(DelayEditor, ALetterIsRefusedAndTheCaretStays) {
  DelayRig rig;
  Field delay1(rig, "delay1");
  delay1.set("00:01.00");
  delay1.focus();
  orlan::set_selection(rig.element("delay1"), 4, 4);
  delay1.type('a');
  EXPECT_EQ(delay1.text(), "00:01.00");
  EXPECT_EQ(delay1.caret(), 4u);
}

TEST(DelayEditor, BackspaceZeroesTheDigitBeforeTheCaretAndPasteIsMasked) {
  DelayRig rig;
  Field delay1(rig, "delay1");
  delay1.set("12:34.56");
  delay1.focus();
  orlan::set_selection(rig.element("delay1"), 3, 3);  // just after the ":"
  delay1.backspace();
  EXPECT_EQ(delay1.text(), "10:34.56");
  EXPECT_EQ(delay1.caret(), 1u);
  delay1.paste_over_all("1:2");
  EXPECT_EQ(delay1.text(), "10:00.00");
  EXPECT_EQ(delay1.caret(), 8u);
}

TEST(DelayEditor, LeavingAFieldNormalisesIt) {
  DelayRig rig;
  Field delay2(rig, "delay2");
  for (auto [typed, shown] : {std::pair{"75000", "01:15.00"}, std::pair{"abc", "00:01.00"},
                              std::pair{"99999999", "99:59.99"}, std::pair{"", "00:01.00"}}) {
    delay2.focus();
    delay2.set(typed);  // a value written from outside is taken as it stands
    delay2.leave();
    EXPECT_EQ(delay2.text(), shown) << typed;
  }
}

TEST(DelayEditor, Delay2FollowsDelay1UntilTheUserTypesIntoIt) {
  DelayRig rig;
  Field delay1(rig, "delay1");
  Field delay2(rig, "delay2");
  delay1.set("00:01.00");
  delay2.set("00:01.00");

  delay1.focus();
  delay1.paste_over_all("00:02.00");
  delay1.leave();
  EXPECT_EQ(delay2.text(), "00:02.00");
  EXPECT_TRUE(rig.state.access()->delay2_follows);

  // The user takes the upper bound over: it no longer follows while it stays above.
  delay2.focus();
  delay2.paste_over_all("00:05.00");
  delay2.leave();
  EXPECT_FALSE(rig.state.access()->delay2_follows);
  delay1.focus();
  delay1.paste_over_all("00:03.00");
  delay1.leave();
  EXPECT_EQ(delay2.text(), "00:05.00");

  // A lower bound above it takes it back.
  delay1.focus();
  delay1.paste_over_all("00:09.00");
  delay1.leave();
  EXPECT_EQ(delay2.text(), "00:09.00");
  EXPECT_TRUE(rig.state.access()->delay2_follows);
}

TEST(FillEmptyDelays, OnlyEmptyFieldsGetOneSecond) {
  DelayRig rig;
  rig.page().set_value("delay1", "  ");
  rig.page().set_value("delay2", "00:04.00");
  tw::fill_empty_delays(rig.page());
  EXPECT_EQ(rig.page().value("delay1"), "00:01.00");
  EXPECT_EQ(rig.page().value("delay2"), "00:04.00");
}

// Moving the focus from a delay input to a hotkey input runs the delay's blur handler and the
// hotkey's focus handler inside one engine call: neither may find the state still held.
TEST(DelayEditor, FocusMovingToAHotkeyInputRunsBothHandlers) {
  DelayRig rig;
  tw::load_hotkeys(rig.context());
  tw::register_hotkeys(rig.context());
  tw::bind_hotkey_capture(rig.screen, rig.context());
  Field delay1(rig, "delay1");
  delay1.focus();
  delay1.paste_over_all("00:02.00");
  testing::internal::CaptureStderr();
  orlan::set_focus(rig.document(), rig.element("hk-run"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // no handler panicked
  EXPECT_EQ(rig.page().value("delay2"), "00:02.00");
  EXPECT_EQ(rig.page().value("hk-run"), "Press a key");
  EXPECT_TRUE(rig.desktop.registered.empty());
  // Escape ends the capture: the blur handler registers what is left.
  tw::test::press_key(rig.element("hk-run"), orlan::kKeyEscape, 0);
  EXPECT_EQ(rig.page().value("hk-run"), "None");
  EXPECT_EQ(rig.desktop.registered.size(), 1u);
}

}  // namespace
