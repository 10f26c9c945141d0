#include "runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "click_table.h"
#include "hotkeys.h"
#include "screen_fakes.h"

namespace {

using tw::ClickEntry;
using tw::ScreenPoint;
using tw::test::ScreenRig;

using Flags = std::vector<std::uint32_t>;
const Flags kLeftClick{tw::kLeftDown, tw::kLeftUp};
const Flags kRightClick{tw::kRightDown, tw::kRightUp};
const Flags kMiddleClick{tw::kMiddleDown, tw::kMiddleUp};

// The rig with the delay inputs filled as the screen starts them.
struct Runner : ScreenRig {
  explicit Runner(std::string_view language = "en") : ScreenRig(language) {
    page().set_value("delay1", "00:01.00");
    page().set_value("delay2", "00:01.00");
  }
  void record(std::initializer_list<ClickEntry> entries) {
    auto state = this->state.access();
    for (const ClickEntry& entry : entries) state->list.append(entry);
    orlan::set_attribute(element("use-record"), "checked", 7, "", 0);
  }
  bool running() { return state.access()->running; }
  void tick() { tw::run_tick(context()); }
};

std::string text_of(orlan::Node* node) {
  std::size_t length = 0;
  const char* text = orlan::text_content(node, &length);
  return text ? std::string(text, length) : std::string();
}

TEST(StartRun, RefusesAZeroDelay) {
  Runner rig;
  rig.page().set_value("delay1", "00:00.00");
  rig.page().set_value("repeat", "abc");  // the delay is checked first
  EXPECT_FALSE(tw::start_run(rig.context()));
  EXPECT_EQ(rig.dialog.shown, (std::vector<std::string>{"Delay time is not set."}));
  EXPECT_FALSE(rig.running());
  EXPECT_TRUE(rig.desktop.calls.empty());
  EXPECT_FALSE(rig.page().is_disabled("mouse"));
}

TEST(StartRun, RefusesABadRepeatCount) {
  for (std::string_view bad : {"-1", "1.5", "99999999999"}) {
    Runner rig;
    rig.page().set_value("repeat", bad);
    EXPECT_FALSE(tw::start_run(rig.context())) << bad;
    EXPECT_EQ(rig.dialog.shown, (std::vector<std::string>{"Repeat count is invalid."}));
    EXPECT_FALSE(rig.running());
    EXPECT_TRUE(rig.desktop.calls.empty());
  }
}

TEST(StartRun, RefusesRecordModeWithAnEmptyList) {
  Runner rig("ko");
  orlan::set_attribute(rig.element("use-record"), "checked", 7, "", 0);
  EXPECT_FALSE(tw::start_run(rig.context()));
  EXPECT_EQ(rig.dialog.shown, (std::vector<std::string>{"레코드에 등록된 정보가 없습니다."}));
  EXPECT_FALSE(rig.running());
}

TEST(StartRun, RefusalDialogDoesNotHoldTheState) {
  // A dialog pumps messages: a hotkey arriving meanwhile takes the state without a fault.
  Runner rig;
  rig.page().set_value("delay1", "0");
  int nested = 0;
  rig.dialog.while_open = [&] {
    if (nested++ == 0) tw::handle_hotkey(rig.context(), tw::kAddHotkeyId);
  };
  EXPECT_NO_THROW(tw::start_run(rig.context()));
  EXPECT_EQ(rig.dialog.shown.size(), 2u);  // the nested add-record is refused the same way
}

TEST(StartRun, CapturesOptionsArmsTheTimerAndDisablesTheControls) {
  Runner rig;
  rig.desktop.pointer = ScreenPoint{300, 400};
  rig.page().set_selected_index("mouse", 1);
  rig.page().set_selected_index("click", 1);
  rig.page().set_value("delay2", "00:02.50");
  rig.page().set_value("repeat", " 5 ");
  ASSERT_TRUE(tw::start_run(rig.context()));
  {
    auto state = rig.state.access();
    EXPECT_TRUE(state->running);
    EXPECT_FALSE(state->record_mode);
    EXPECT_EQ(state->run_x, 300);
    EXPECT_EQ(state->run_y, 400);
    EXPECT_EQ(state->mouse_button, tw::kMouseRight);
    EXPECT_EQ(state->click_kind, tw::kClickDouble);
    EXPECT_EQ(state->delay1, 1000u);
    EXPECT_EQ(state->delay2, 2500u);
    EXPECT_EQ(state->remaining, 5u);
  }
  EXPECT_EQ(rig.desktop.calls, (std::vector<std::string>{"timer 1 1ms"}));
  EXPECT_TRUE(rig.page().is_disabled("hk-add"));
  EXPECT_FALSE(rig.page().is_disabled("use-notify"));
  EXPECT_EQ(text_of(rig.element("status")), "Running");
  EXPECT_EQ(
      rig.notifier.shown,
      (std::vector<std::string>{"Tapwright started.\nPress the same shortcut again to stop (F3)"}));
}

TEST(StartRun, NoToastWhenNotificationsAreOff) {
  Runner rig;
  rig.state.access()->notify = false;
  ASSERT_TRUE(tw::start_run(rig.context()));
  EXPECT_TRUE(rig.notifier.shown.empty());
}

TEST(StartRun, UnreadablePointerStartsAtTheOrigin) {
  Runner rig;
  rig.desktop.pointer.reset();
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.desktop.pointer = ScreenPoint{9, 9};
  rig.tick();
  EXPECT_EQ(rig.desktop.clicked_at, (std::vector<ScreenPoint>{{0, 0}}));
}

TEST(RecordRun, RepeatCountsClicksNotPasses) {
  Runner rig;
  rig.record({ClickEntry{10, 20, 50, 50, tw::kMouseLeft, 0},
              ClickEntry{30, 40, 70, 70, tw::kMouseRight, 0}});
  rig.page().set_value("repeat", "3");
  ASSERT_TRUE(tw::start_run(rig.context()));
  for (int i = 0; i < 3; ++i) rig.tick();
  EXPECT_EQ(rig.desktop.clicked_at, (std::vector<ScreenPoint>{{10, 20}, {30, 40}, {10, 20}}));
  EXPECT_EQ(rig.desktop.inputs, (std::vector<Flags>{kLeftClick, kRightClick, kLeftClick}));
  // Each entry's own delay range sets the wait after its click; the third click ends it.
  EXPECT_EQ(rig.desktop.timer_waits, (std::vector<std::uint32_t>{1, 50, 70}));
  EXPECT_FALSE(rig.running());
  EXPECT_FALSE(rig.desktop.armed);
  EXPECT_EQ(rig.desktop.calls.back(), "flash");
  EXPECT_EQ(rig.notifier.shown.back(), "The run finished after the repeat count was reached.");
  EXPECT_FALSE(rig.page().is_disabled("mouse"));
  EXPECT_EQ(text_of(rig.element("status")), "Waiting");
  // A late tick after the end clicks nothing.
  rig.tick();
  EXPECT_EQ(rig.desktop.inputs.size(), 3u);
}

TEST(RecordRun, StartsAtEntryZeroAfterARowWasPickedByHand) {
  Runner rig;
  rig.record(
      {ClickEntry{1, 1, 5, 5, 0, 0}, ClickEntry{2, 2, 5, 5, 0, 0}, ClickEntry{3, 3, 5, 5, 0, 0}});
  rig.state.access()->list.set_marker(1);
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.tick();
  rig.tick();
  EXPECT_EQ(rig.desktop.clicked_at, (std::vector<ScreenPoint>{{1, 1}, {2, 2}}));
}

// Starting a run clears the row marker; the hand-picked row must not stay highlighted
// through a run that never redraws the table (a run without the list).
TEST(StartRun, AHandPickedRowIsNoLongerShownActive) {
  Runner rig;
  {
    auto state = rig.state.access();
    state->list.append(ClickEntry{1, 1, 5, 5, 0, 0});
    state->list.append(ClickEntry{2, 2, 5, 5, 0, 0});
    state->list.set_marker(1);
    tw::render_click_table(rig.page(), state->list, "en");
  }
  orlan::Node* second = orlan::next_sibling(orlan::first_child(rig.element("rows")));
  ASSERT_TRUE(orlan::has_class(second, "active", 6));
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.tick();
  for (orlan::Node* row = orlan::first_child(rig.element("rows")); row;
       row = orlan::next_sibling(row)) {
    EXPECT_FALSE(orlan::has_class(row, "active", 6));
  }
}

TEST(RecordRun, PlayedRowIsShownActive) {
  Runner rig;
  rig.record({ClickEntry{1, 1, 5, 5, 0, 0}, ClickEntry{2, 2, 5, 5, 0, 0}});
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.tick();
  rig.tick();
  orlan::Node* first = orlan::first_child(rig.element("rows"));
  orlan::Node* second = orlan::next_sibling(first);
  EXPECT_FALSE(orlan::has_class(first, "active", 6));
  EXPECT_TRUE(orlan::has_class(second, "active", 6));
}

TEST(RecordRun, EmptiedListIdlesAtOneMillisecond) {
  Runner rig;
  rig.record({ClickEntry{1, 1, 5, 5, 0, 0}});
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.state.access()->list.clear();
  rig.desktop.calls.clear();
  rig.tick();
  EXPECT_EQ(rig.desktop.calls, (std::vector<std::string>{"kill 1", "timer 1 1ms"}));
  EXPECT_TRUE(rig.running());
}

TEST(RecordRun, HoldPutsThePointerBackAfterEachEntry) {
  Runner rig;
  rig.record({ClickEntry{10, 20, 5, 5, 0, 0}});
  rig.desktop.pointer = ScreenPoint{7, 8};
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.desktop.calls.clear();
  rig.tick();
  EXPECT_EQ(rig.desktop.calls, (std::vector<std::string>{"kill 1", "cursor 10,20", "input 0x2,0x4",
                                                         "cursor 7,8", "timer 1 5ms"}));
}

TEST(RecordRun, ModifyLeavesThePointerOnTheEntry) {
  Runner rig;
  rig.record({ClickEntry{10, 20, 5, 5, 0, 0}, ClickEntry{30, 40, 5, 5, 0, 0}});
  rig.state.access()->after_change = true;
  rig.desktop.pointer = ScreenPoint{7, 8};
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.desktop.calls.clear();
  rig.tick();
  rig.desktop.pointer = ScreenPoint{99, 99};  // the user's movement does not matter here
  rig.tick();
  EXPECT_EQ(rig.desktop.calls,
            (std::vector<std::string>{"kill 1", "cursor 10,20", "input 0x2,0x4", "timer 1 5ms",
                                      "kill 1", "cursor 30,40", "input 0x2,0x4", "timer 1 5ms"}));
}

TEST(FixedRun, HoldClicksTheStartPositionAndRestoresThePointer) {
  Runner rig;
  rig.desktop.pointer = ScreenPoint{100, 200};
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.desktop.calls.clear();
  // The user moves the mouse between clicks.
  rig.desktop.pointer = ScreenPoint{5, 6};
  rig.tick();
  rig.desktop.pointer = ScreenPoint{-50, 60};
  rig.tick();
  EXPECT_EQ(rig.desktop.clicked_at, (std::vector<ScreenPoint>{{100, 200}, {100, 200}}));
  EXPECT_EQ(rig.desktop.calls,
            (std::vector<std::string>{"kill 1", "cursor 100,200", "input 0x2,0x4", "cursor 5,6",
                                      "timer 1 1000ms", "kill 1", "cursor 100,200", "input 0x2,0x4",
                                      "cursor -50,60", "timer 1 1000ms"}));
  EXPECT_EQ(rig.desktop.pointer, (ScreenPoint{-50, 60}));
}

TEST(FixedRun, ModifyClicksWhereThePointerIs) {
  Runner rig;
  rig.state.access()->after_change = true;
  rig.page().set_selected_index("mouse", 2);
  rig.desktop.pointer = ScreenPoint{100, 200};
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.desktop.pointer = ScreenPoint{5, 6};
  rig.tick();
  rig.desktop.pointer = ScreenPoint{-50, 60};
  rig.tick();
  EXPECT_EQ(rig.desktop.clicked_at, (std::vector<ScreenPoint>{{5, 6}, {-50, 60}}));
  EXPECT_EQ(rig.desktop.inputs, (std::vector<Flags>{kMiddleClick, kMiddleClick}));
  // Nothing moves the pointer back.
  EXPECT_EQ(rig.desktop.pointer, (ScreenPoint{-50, 60}));
  EXPECT_EQ(std::count(rig.desktop.calls.begin(), rig.desktop.calls.end(), "cursor 100,200"), 0);
}

TEST(FixedRun, DoubleClickIsTwoInputCallsAboutATenthApart) {
  Runner rig;
  rig.page().set_selected_index("click", 1);
  rig.page().set_selected_index("mouse", 1);
  ASSERT_TRUE(tw::start_run(rig.context()));
  std::set<std::uint32_t> pauses;
  for (int i = 0; i < 300; ++i) {
    rig.desktop.calls.clear();
    rig.tick();
    ASSERT_EQ(rig.desktop.calls.size(), 7u);
    EXPECT_EQ(rig.desktop.calls[2], "input 0x8,0x10");
    EXPECT_EQ(rig.desktop.calls[3].rfind("sleep ", 0), 0u);
    EXPECT_EQ(rig.desktop.calls[4], "input 0x8,0x10");
  }
  for (std::uint32_t pause : rig.desktop.sleeps) pauses.insert(pause);
  EXPECT_EQ(pauses, (std::set<std::uint32_t>{100, 101, 102, 103, 104, 105, 106, 107, 108, 109}));
}

TEST(FixedRun, WaitsStayInsideTheRangeAndCoverIt) {
  Runner rig;
  rig.page().set_value("delay1", "10");
  rig.page().set_value("delay2", "14");
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.desktop.timer_waits.clear();
  for (int i = 0; i < 500; ++i) rig.tick();
  std::set<std::uint32_t> waits(rig.desktop.timer_waits.begin(), rig.desktop.timer_waits.end());
  EXPECT_EQ(waits, (std::set<std::uint32_t>{10, 11, 12, 13, 14}));
  EXPECT_TRUE(rig.running());  // no repeat count: runs until stopped
}

TEST(FixedRun, ZeroOrNoneRepeatRunsUntilStopped) {
  for (std::string_view repeat : {"0", "", "none"}) {
    Runner rig;
    rig.page().set_value("repeat", repeat);
    ASSERT_TRUE(tw::start_run(rig.context()));
    for (int i = 0; i < 50; ++i) rig.tick();
    EXPECT_TRUE(rig.running()) << repeat;
    EXPECT_EQ(rig.desktop.inputs.size(), 50u);
  }
}

TEST(NextWait, ClampsAndSpreads) {
  auto top = [](std::uint64_t n) { return n - 1; };
  auto bottom = [](std::uint64_t) { return std::uint64_t{0}; };
  EXPECT_EQ(tw::next_wait(0, 0, top), 1u);
  EXPECT_EQ(tw::next_wait(0, 5, top), 5u);
  EXPECT_EQ(tw::next_wait(1000, 3000, top), 3000u);
  EXPECT_EQ(tw::next_wait(1000, 3000, bottom), 1000u);
  EXPECT_EQ(tw::next_wait(1000, 500, top), 1000u);  // an upper bound below the lower one
  EXPECT_EQ(tw::next_wait(90000000, 95000000, top), 86400000u);
  EXPECT_EQ(tw::next_wait(1000, 95000000, top), 86400000u);
}

TEST(StopRun, HotkeyStopsWithItsToastAndRestoresTheScreen) {
  Runner rig;
  rig.record({ClickEntry{1, 1, 5, 5, 0, 0}});
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.tick();
  tw::handle_hotkey(rig.context(), tw::kRunHotkeyId);
  EXPECT_FALSE(rig.running());
  EXPECT_FALSE(rig.desktop.armed);
  EXPECT_FALSE(rig.state.access()->list.marked_row().has_value());
  EXPECT_EQ(rig.notifier.shown.back(), "Tapwright stopped.");
  EXPECT_FALSE(rig.page().is_disabled("btn-clear"));
  EXPECT_EQ(text_of(rig.element("status")), "Waiting");
  // The row drawn active while playing is plain again.
  EXPECT_FALSE(orlan::has_class(orlan::first_child(rig.element("rows")), "active", 6));
}

TEST(StopRun, ClosingTheWindowStopsSilently) {
  Runner rig;
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.notifier.shown.clear();
  tw::stop_run(rig.context(), tw::StopCause::kWindowClose);
  EXPECT_FALSE(rig.running());
  EXPECT_TRUE(rig.notifier.shown.empty());
  EXPECT_EQ(rig.desktop.calls.back(), "kill 1");
}

TEST(StopRun, EndByRepeatWithoutNotificationsNeitherFlashesNorToasts) {
  Runner rig;
  rig.state.access()->notify = false;
  rig.page().set_value("repeat", "1");
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.tick();
  EXPECT_FALSE(rig.running());
  EXPECT_TRUE(rig.notifier.shown.empty());
  EXPECT_EQ(std::count(rig.desktop.calls.begin(), rig.desktop.calls.end(), "flash"), 0);
}

TEST(RunHotkey, SecondPressWhileRunningStopsAndThirdStartsAgain) {
  Runner rig;
  tw::handle_hotkey(rig.context(), tw::kRunHotkeyId);
  EXPECT_TRUE(rig.running());
  tw::handle_hotkey(rig.context(), tw::kRunHotkeyId);
  EXPECT_FALSE(rig.running());
  tw::handle_hotkey(rig.context(), tw::kRunHotkeyId);
  EXPECT_TRUE(rig.running());
}

}  // namespace
