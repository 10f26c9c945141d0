#include "hotkeys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document.h"
#include "runner.h"
#include "screen_fakes.h"

namespace {

using tw::ClickEntry;
using tw::Hotkey;
using tw::ScreenPoint;
using tw::test::press_key;
using tw::test::ScreenRig;

// The rig with hotkeys loaded, registered and capture bound, as the built screen has them.
struct HotkeyRig : ScreenRig {
  explicit HotkeyRig(std::string_view language = "en") : ScreenRig(language) {}
  std::string value(std::string_view id) { return page().value(id).value_or("<missing>"); }
  void focus(std::string_view id) { orlan::set_focus(*orlan::document(view), element(id)); }
  orlan::Node* focused() { return orlan::document(view)->focused; }
};

struct Bound {
  HotkeyRig rig;
  explicit Bound(std::string_view language = "en") : rig(language) {
    tw::load_hotkeys(rig.context());
    tw::register_hotkeys(rig.context());
    tw::bind_hotkey_capture(rig.screen, rig.context());
    rig.desktop.calls.clear();
    rig.settings.writes.clear();
  }
};

TEST(LoadHotkeys, EmptyRegistryGivesF3AndF4) {
  HotkeyRig rig;
  tw::load_hotkeys(rig.context());
  EXPECT_EQ(rig.value("hk-run"), "F3");
  EXPECT_EQ(rig.value("hk-add"), "F4");
  auto state = rig.state.access();
  EXPECT_EQ(state->run_hotkey, (Hotkey{0, 0x72}));
  EXPECT_EQ(state->add_hotkey, (Hotkey{0, 0x73}));
}

TEST(LoadHotkeys, StoredValuesAreDecoded) {
  HotkeyRig rig;
  rig.settings.values["hotkey_run"] = 0x60041;
  rig.settings.values["hotkey_add"] = 0xBA;
  tw::load_hotkeys(rig.context());
  EXPECT_EQ(rig.value("hk-run"), "Ctrl+Shift+A");
  EXPECT_EQ(rig.value("hk-add"), "0xBA");
}

TEST(LoadHotkeys, StoredZeroShowsNone) {
  HotkeyRig rig("ko");
  rig.settings.values["hotkey_run"] = 0;
  tw::load_hotkeys(rig.context());
  EXPECT_EQ(rig.value("hk-run"), "없음");
}

TEST(RegisterHotkeys, RegistersBothInOrderAndWritesTheRegistry) {
  HotkeyRig rig;
  tw::load_hotkeys(rig.context());
  tw::register_hotkeys(rig.context());
  EXPECT_EQ(rig.desktop.calls, (std::vector<std::string>{"unregister 1", "register 1 0x0+0x72",
                                                         "unregister 2", "register 2 0x0+0x73"}));
  EXPECT_EQ(rig.settings.writes, (std::vector<std::string>{"hotkey_run=0x72", "hotkey_add=0x73"}));
}

TEST(RegisterHotkeys, TakenHotkeyIsTurnedOffButTheRegistryKeepsIt) {
  HotkeyRig rig;
  rig.settings.values["hotkey_add"] = 0x20073;  // Ctrl+F4
  rig.desktop.refused.push_back(Hotkey{2, 0x73});
  tw::load_hotkeys(rig.context());
  tw::register_hotkeys(rig.context());
  EXPECT_EQ(rig.dialog.shown,
            (std::vector<std::string>{"Hotkey Ctrl+F4 could not be registered. It is already in "
                                      "use by another program."}));
  EXPECT_EQ(rig.state.access()->add_hotkey, (Hotkey{0, 0}));
  EXPECT_EQ(rig.value("hk-add"), "None");
  EXPECT_EQ(rig.settings.values["hotkey_add"], 0x20073u);
  EXPECT_EQ(rig.settings.writes, (std::vector<std::string>{"hotkey_run=0x72"}));
  EXPECT_EQ(rig.desktop.registered.count(tw::kAddHotkeyId), 0u);
}

TEST(RegisterHotkeys, NoKeyCountsAsSuccessAndIsWrittenAsZero) {
  HotkeyRig rig;
  rig.state.access()->run_hotkey = Hotkey{};
  tw::register_hotkeys(rig.context());
  EXPECT_EQ(rig.desktop.calls,
            (std::vector<std::string>{"unregister 1", "unregister 2", "register 2 0x0+0x73"}));
  EXPECT_EQ(rig.settings.writes.front(), "hotkey_run=0x0");
  EXPECT_TRUE(rig.dialog.shown.empty());
}

TEST(Capture, CtrlShiftAIsShownStepByStepAndStored) {
  Bound bound;
  HotkeyRig& rig = bound.rig;
  rig.focus("hk-run");
  EXPECT_EQ(rig.desktop.calls, (std::vector<std::string>{"unregister 1", "unregister 2"}));
  EXPECT_TRUE(rig.page().has_class("hk-run", "capturing"));
  EXPECT_EQ(rig.value("hk-run"), "Press a key");

  orlan::Node* input = rig.element("hk-run");
  press_key(input, orlan::kKeyControl, orlan::kModCtrl);
  EXPECT_EQ(rig.value("hk-run"), "Ctrl+");
  press_key(input, orlan::kKeyShift, orlan::kModCtrl | orlan::kModShift);
  EXPECT_EQ(rig.value("hk-run"), "Ctrl+Shift+");
  EXPECT_EQ(rig.focused(), input);
  press_key(input, 'A', orlan::kModCtrl | orlan::kModShift);

  EXPECT_EQ(rig.focused(), nullptr);
  EXPECT_FALSE(rig.page().has_class("hk-run", "capturing"));
  EXPECT_EQ(rig.value("hk-run"), "Ctrl+Shift+A");
  EXPECT_EQ(rig.state.access()->run_hotkey, (Hotkey{6, 0x41}));
  EXPECT_EQ(rig.settings.values["hotkey_run"], 0x60041u);
  EXPECT_EQ(rig.desktop.registered[tw::kRunHotkeyId], (Hotkey{6, 0x41}));
  EXPECT_EQ(rig.desktop.registered[tw::kAddHotkeyId], (Hotkey{0, 0x73}));
}

TEST(Capture, DuplicateOfTheOtherHotkeyIsRefusedAndNothingStored) {
  Bound bound;
  HotkeyRig& rig = bound.rig;
  rig.focus("hk-add");
  press_key(rig.element("hk-add"), orlan::kKeyF1 + 2, 0);  // F3, the run/stop hotkey
  EXPECT_EQ(rig.focused(), nullptr);
  EXPECT_EQ(rig.dialog.shown,
            (std::vector<std::string>{"Hotkey F3 is already used by the other function."}));
  EXPECT_EQ(rig.state.access()->add_hotkey, (Hotkey{0, 0x73}));
  EXPECT_EQ(rig.value("hk-add"), "F4");
  EXPECT_EQ(rig.settings.values["hotkey_add"], 0x73u);
  EXPECT_EQ(rig.desktop.registered[tw::kAddHotkeyId], (Hotkey{0, 0x73}));
}

TEST(Capture, SameKeyWithOtherModifiersIsNoDuplicate) {
  Bound bound;
  HotkeyRig& rig = bound.rig;
  rig.focus("hk-add");
  press_key(rig.element("hk-add"), orlan::kKeyF1 + 2, orlan::kModAlt);
  EXPECT_TRUE(rig.dialog.shown.empty());
  EXPECT_EQ(rig.value("hk-add"), "Alt+F3");
  EXPECT_EQ(rig.settings.values["hotkey_add"], 0x10072u);
}

TEST(Capture, EscapeClearsTheHotkey) {
  Bound bound;
  HotkeyRig& rig = bound.rig;
  rig.focus("hk-run");
  rig.desktop.calls.clear();
  press_key(rig.element("hk-run"), orlan::kKeyEscape, 0);
  EXPECT_EQ(rig.focused(), nullptr);
  EXPECT_EQ(rig.state.access()->run_hotkey, (Hotkey{0, 0}));
  EXPECT_EQ(rig.value("hk-run"), "None");
  EXPECT_EQ(rig.settings.values["hotkey_run"], 0u);
  EXPECT_EQ(rig.desktop.calls,
            (std::vector<std::string>{"unregister 1", "unregister 2", "register 2 0x0+0x73"}));
}

TEST(Capture, UnmappedKeysAndTheWindowsKeyKeepCapturing) {
  Bound bound;
  HotkeyRig& rig = bound.rig;
  rig.focus("hk-run");
  orlan::Node* input = rig.element("hk-run");
  press_key(input, ';', 0);
  press_key(input, orlan::kKeyF1 + 12, 0);
  EXPECT_EQ(rig.value("hk-run"), "Press a key");
  press_key(input, orlan::kKeyWindows, orlan::kModWin);
  EXPECT_EQ(rig.value("hk-run"), "");
  EXPECT_EQ(rig.focused(), input);
  EXPECT_TRUE(rig.desktop.registered.empty());
  press_key(input, 'Q', orlan::kModWin);
  EXPECT_EQ(rig.value("hk-run"), "Q");
}

TEST(Capture, ClickingElsewhereRestoresTheOldHotkey) {
  Bound bound;
  HotkeyRig& rig = bound.rig;
  rig.focus("hk-run");
  press_key(rig.element("hk-run"), orlan::kKeyControl, orlan::kModCtrl);
  rig.focus("repeat");
  EXPECT_EQ(rig.value("hk-run"), "F3");
  EXPECT_FALSE(rig.page().has_class("hk-run", "capturing"));
  EXPECT_EQ(rig.desktop.registered[tw::kRunHotkeyId], (Hotkey{0, 0x72}));
}

TEST(Capture, DialogAfterADuplicateDoesNotHoldTheState) {
  Bound bound;
  HotkeyRig& rig = bound.rig;
  bool ran = false;
  rig.dialog.while_open = [&] {
    tw::handle_hotkey(rig.context(), tw::kAddHotkeyId);
    ran = true;
  };
  rig.focus("hk-add");
  testing::internal::CaptureStderr();
  press_key(rig.element("hk-add"), orlan::kKeyF1 + 2, 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(ran);
  EXPECT_EQ(rig.state.access()->list.size(), 1u);
}

TEST(Capture, HandlerReenteredWhileTheStateIsHeldIsCaughtAsAPanic) {
  // Something holding the state while the input loses its focus: the blur handler's access
  // is a nested access, a fatal error that the binding layer logs, and the page goes on.
  Bound bound;
  HotkeyRig& rig = bound.rig;
  rig.focus("hk-run");
  testing::internal::CaptureStderr();
  {
    auto held = rig.state.access();
    rig.focus("repeat");
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "orlanui: panic in 'blur' listener: nested AppState access\n");
  EXPECT_FALSE(rig.state.in_use());
  EXPECT_EQ(rig.focused(), rig.element("repeat"));
}

TEST(AddRecordHotkey, AppendsThePointerWithTheSelectedOptions) {
  HotkeyRig rig;
  rig.desktop.pointer = ScreenPoint{-12, 34};
  rig.page().set_selected_index("mouse", 1);
  rig.page().set_selected_index("click", 1);
  rig.page().set_value("delay1", "00:01.00");
  rig.page().set_value("delay2", "00:02.00");
  tw::handle_hotkey(rig.context(), tw::kAddHotkeyId);
  rig.desktop.pointer = ScreenPoint{5, 6};
  rig.page().set_value("delay2", "");
  tw::handle_hotkey(rig.context(), tw::kAddHotkeyId);
  auto state = rig.state.access();
  ASSERT_EQ(state->list.size(), 2u);
  EXPECT_EQ(state->list.at(0),
            (ClickEntry{-12, 34, 1000, 2000, tw::kMouseRight, tw::kClickDouble}));
  EXPECT_EQ(state->list.at(1), (ClickEntry{5, 6, 1000, 1000, tw::kMouseRight, tw::kClickDouble}));
  state.release();
  orlan::Node* second = orlan::next_sibling(orlan::first_child(rig.element("rows")));
  ASSERT_NE(second, nullptr);
  std::size_t length = 0;
  EXPECT_STREQ(orlan::get_attribute(second, "data-i", 6, &length), "1");
  EXPECT_TRUE(rig.dialog.shown.empty());
}

TEST(AddRecordHotkey, ZeroDelayIsRefused) {
  HotkeyRig rig;
  rig.page().set_value("delay1", "00:00.00");
  tw::handle_hotkey(rig.context(), tw::kAddHotkeyId);
  EXPECT_EQ(rig.dialog.shown, (std::vector<std::string>{"Delay time is not set."}));
  EXPECT_TRUE(rig.state.access()->list.empty());
}

TEST(AddRecordHotkey, IgnoredWhileRunning) {
  HotkeyRig rig;
  rig.page().set_value("delay1", "00:01.00");
  ASSERT_TRUE(tw::start_run(rig.context()));
  tw::handle_hotkey(rig.context(), tw::kAddHotkeyId);
  EXPECT_TRUE(rig.state.access()->list.empty());
}

TEST(HotkeyMessage, OtherIdsAreIgnored) {
  HotkeyRig rig;
  rig.page().set_value("delay1", "00:01.00");
  tw::handle_hotkey(rig.context(), 3);
  tw::handle_hotkey(rig.context(), 0);
  EXPECT_FALSE(rig.state.access()->running);
  EXPECT_TRUE(rig.state.access()->list.empty());
  EXPECT_TRUE(rig.desktop.calls.empty());
}

}  // namespace
