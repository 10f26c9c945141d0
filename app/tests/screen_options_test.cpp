#include "screen_options.h"

#include "runner.h"

#include <gtest/gtest.h>

#include "screen_fakes.h"

namespace {

using tw::test::ScreenRig;

void fire_change(orlan::Node* target) {
  orlan::Event event;
  event.type = static_cast<std::int32_t>(orlan::EventType::kChange);
  event.target = target;
  orlan::dispatch(event);
}

TEST(LoadOptions, EmptyRegistryGivesHoldAndNotificationsOn) {
  ScreenRig rig;
  {
    auto state = rig.state.access();
    state->after_change = true;
    state->notify = false;
  }
  tw::load_options(rig.context());
  EXPECT_EQ(rig.page().selected_index("after"), 0);
  EXPECT_EQ(rig.page().selected_index("use-notify"), 0);
  auto state = rig.state.access();
  EXPECT_FALSE(state->after_change);
  EXPECT_TRUE(state->notify);
}

TEST(LoadOptions, StoredValuesSelectModifyAndOff) {
  ScreenRig rig;
  rig.settings.values["click_after"] = 1;
  rig.settings.values["notify_use"] = 0;
  tw::load_options(rig.context());
  EXPECT_EQ(rig.page().selected_index("after"), 1);
  EXPECT_EQ(rig.page().selected_index("use-notify"), 1);
  auto state = rig.state.access();
  EXPECT_TRUE(state->after_change);
  EXPECT_FALSE(state->notify);
}

TEST(LoadOptions, UnusualStoredValuesRunAsTheyAreShown) {
  ScreenRig rig;
  rig.settings.values["click_after"] = 2;
  rig.settings.values["notify_use"] = 7;
  tw::load_options(rig.context());
  EXPECT_EQ(rig.page().selected_index("after"), 1);
  EXPECT_TRUE(rig.state.access()->after_change);
  EXPECT_EQ(rig.page().selected_index("use-notify"), 0);
  EXPECT_TRUE(rig.state.access()->notify);
}

TEST(OptionEvents, ChangesUpdateTheStateAndTheRegistry) {
  ScreenRig rig;
  tw::bind_option_events(rig.screen, rig.context());
  rig.page().set_selected_index("after", 1);
  fire_change(rig.element("after"));
  rig.page().set_selected_index("use-notify", 1);
  fire_change(rig.element("use-notify"));
  orlan::set_attribute(rig.element("use-record"), "checked", 7, "", 0);
  fire_change(rig.element("use-record"));
  {
    auto state = rig.state.access();
    EXPECT_TRUE(state->after_change);
    EXPECT_FALSE(state->notify);
    EXPECT_TRUE(state->record_mode);
  }
  EXPECT_EQ(rig.settings.writes, (std::vector<std::string>{"click_after=0x1", "notify_use=0x0"}));

  rig.page().set_selected_index("after", 0);
  fire_change(rig.element("after"));
  rig.page().set_selected_index("use-notify", 0);
  fire_change(rig.element("use-notify"));
  orlan::remove_attribute(rig.element("use-record"), "checked", 7);
  fire_change(rig.element("use-record"));
  auto state = rig.state.access();
  EXPECT_FALSE(state->after_change);
  EXPECT_TRUE(state->notify);
  EXPECT_FALSE(state->record_mode);
  EXPECT_EQ(rig.settings.values["click_after"], 0u);
  EXPECT_EQ(rig.settings.values["notify_use"], 1u);
}

// A real run: its start is announced, notifications are switched off through the select
// while it runs (the select stays enabled), and its stop is then silent.
TEST(OptionEvents, NotificationsCanBeSwitchedDuringARun) {
  ScreenRig rig;
  tw::bind_option_events(rig.screen, rig.context());
  rig.page().set_value("delay1", "00:01.00");
  rig.page().set_value("delay2", "00:01.00");
  ASSERT_TRUE(tw::start_run(rig.context()));
  ASSERT_TRUE(rig.state.access()->running);
  ASSERT_EQ(rig.notifier.shown.size(), 1u);
  EXPECT_FALSE(rig.page().is_disabled("use-notify"));
  rig.page().set_selected_index("use-notify", 1);
  fire_change(rig.element("use-notify"));
  EXPECT_FALSE(rig.state.access()->notify);
  EXPECT_EQ(rig.settings.writes, (std::vector<std::string>{"notify_use=0x0"}));
  tw::stop_run(rig.context(), tw::StopCause::kHotkey);
  EXPECT_FALSE(rig.state.access()->running);
  EXPECT_EQ(rig.notifier.shown.size(), 1u) << rig.notifier.shown.back();
}

}  // namespace
