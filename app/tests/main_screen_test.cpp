// Building the main screen on the real page with the fakes of the window's services: the
// steps in order, every binding, and the callbacks the window routes to the screen.

#include "main_screen.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fatal.h"
#include "screen_fakes.h"
#include "test_folder.h"

namespace {

using tw::ClickEntry;
using tw::test::ScreenRig;
using tw::test::TestFolder;
using tw::test::write_bytes;

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string text_of(orlan::Node* node) {
  std::size_t length = 0;
  const char* text = orlan::text_content(node, &length);
  return text ? std::string(text, length) : std::string();
}

struct BuildRig : ScreenRig {
  TestFolder folder;
  explicit BuildRig(std::string_view language = "en")
      : ScreenRig(language, tw::main_page_html(language)) {}
  tw::ScreenContext context() {
    tw::ScreenContext context = ScreenRig::context();
    context.list_path = folder / "Tapwright.lst";
    return context;
  }
  tw::ScreenCallbacks build(std::string_view app_name = "Tapwright") {
    return tw::build_main_screen(screen, context(), app_name);
  }
  std::string attribute(std::string_view id, std::string_view name) {
    std::size_t length = 0;
    const char* value = orlan::get_attribute(element(id), name.data(), name.size(), &length);
    return value ? std::string(value, length) : std::string("<none>");
  }
  std::size_t rows() {
    std::size_t count = 0;
    for (orlan::Node* row = orlan::first_child(element("rows")); row;
         row = orlan::next_sibling(row)) {
      ++count;
    }
    return count;
  }
};

TEST(BuildMainScreen, FillsThePageFromTheRegistryAndTheListFile) {
  BuildRig rig;
  rig.settings.values["hotkey_run"] = 0x20041;  // Ctrl+A
  rig.settings.values["click_after"] = 1;
  rig.settings.values["notify_use"] = 0;
  write_bytes(rig.folder / "Tapwright.lst", "1x2,0,0,1000\r\n3x4,1,1,500,900\r\n");
  testing::internal::CaptureStderr();
  rig.build();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  tw::Page page = rig.page();
  EXPECT_EQ(page.value("hk-run"), "Ctrl+A");
  EXPECT_EQ(page.value("hk-add"), "F4");
  EXPECT_EQ(page.selected_index("after"), 1);
  EXPECT_EQ(page.selected_index("use-notify"), 1);
  EXPECT_EQ(page.value("delay1"), "00:01.00");
  EXPECT_EQ(page.value("delay2"), "00:01.00");
  EXPECT_EQ(page.value("repeat"), "");
  EXPECT_EQ(rig.attribute("repeat", "placeholder"), "none");
  EXPECT_EQ(rig.rows(), 2u);
  EXPECT_EQ(text_of(rig.element("status")), "Waiting");
  EXPECT_FALSE(page.has_class("status", "running"));
  {
    auto state = rig.state.access();
    EXPECT_EQ(state->list.size(), 2u);
    EXPECT_TRUE(state->after_change);
    EXPECT_FALSE(state->notify);
    EXPECT_TRUE(state->delay2_follows);
  }
  // The notification setup first, the update thread last; the hotkeys registered between.
  EXPECT_EQ(rig.shell.calls, (std::vector<std::string>{"notifications Tapwright", "update en"}));
  EXPECT_EQ(rig.desktop.calls, (std::vector<std::string>{"unregister 1", "register 1 0x2+0x41",
                                                         "unregister 2", "register 2 0x0+0x73"}));
  EXPECT_EQ(rig.settings.writes,
            (std::vector<std::string>{"hotkey_run=0x20041", "hotkey_add=0x73"}));
  // Every handler was taken: 3 header links, 3 events on each of 2 delay and 2 hotkey
  // inputs, 3 options, 3 list buttons and the rows.
  EXPECT_EQ(rig.screen.handler_count(), 3u + 6u + 6u + 3u + 4u);
}

TEST(BuildMainScreen, KoreanPageWithEnglishHotkeyNames) {
  BuildRig rig("ko");
  rig.build("탭라이트");
  EXPECT_EQ(text_of(rig.element("status")), "대기중입니다.");
  EXPECT_EQ(text_of(rig.element("btn-clear")), "비우기");
  EXPECT_EQ(rig.page().value("hk-run"), "F3");
  EXPECT_EQ(rig.attribute("repeat", "placeholder"), "사용안함");
  EXPECT_EQ(rig.shell.calls, (std::vector<std::string>{"notifications 탭라이트", "update ko"}));
}

TEST(BuildMainScreen, DelaysAlreadyFilledAreKept) {
  BuildRig rig;
  rig.page().set_value("delay1", "00:02.50");
  rig.build();
  EXPECT_EQ(rig.page().value("delay1"), "00:02.50");
  EXPECT_EQ(rig.page().value("delay2"), "00:01.00");
}

TEST(BuildMainScreen, AFailedNotificationSetupIsOnlyALine) {
  BuildRig rig;
  rig.shell.notifications_work = false;
  testing::internal::CaptureStderr();
  rig.build();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "[toast] 알림 바탕을 깔지 못했습니다: no shortcut folder\n");
  EXPECT_EQ(rig.shell.calls.back(), "update en");
}

TEST(BuildMainScreen, AnUpdateThreadThatCannotStartIsFatal) {
  BuildRig rig;
  rig.shell.update_thread_starts = false;
  try {
    rig.build();
    FAIL() << "no fatal error";
  } catch (const tw::FatalError& error) {
    EXPECT_EQ(error.message(), "failed to spawn thread");
  }
}

// A list file that cannot be read is reported once the state is free again (a dialog pumps
// messages, and the hotkeys' handlers take the state).
TEST(BuildMainScreen, AnUnreadableListIsReportedWithoutHoldingTheState) {
  BuildRig rig;
  write_bytes(rig.folder / "Tapwright.lst", "\xFF\xFE");
  rig.dialog.while_open = [&] { EXPECT_FALSE(rig.state.in_use()); };
  rig.build();
  EXPECT_EQ(
      rig.dialog.shown,
      (std::vector<std::string>{"An error has occurred.\nstream did not contain valid UTF-8"}));
  EXPECT_EQ(rig.rows(), 0u);
}

TEST(MainScreenEvents, HeaderButtonsOpenTheMakersPages) {
  BuildRig rig;
  rig.build();
  rig.shell.calls.clear();
  for (std::string_view id : {"btn-home", "btn-test", "btn-donate", "btn-about"}) {
    orlan::fire_event(*rig.element(id), orlan::EventType::kClick);
  }
  EXPECT_EQ(rig.shell.calls,
            (std::vector<std::string>{"web https://www.orlannet.com/test_mouse",
                                      "web https://www.orlannet.com/donate?tapwright",
                                      "web https://www.orlannet.com/tapwright"}));
}

TEST(MainScreenEvents, OptionsAreBoundAndWritten) {
  BuildRig rig;
  rig.build();
  rig.settings.writes.clear();
  rig.page().set_selected_index("after", 1);
  orlan::fire_event(*rig.element("after"), orlan::EventType::kChange);
  rig.page().set_selected_index("use-notify", 1);
  orlan::fire_event(*rig.element("use-notify"), orlan::EventType::kChange);
  EXPECT_EQ(rig.settings.writes, (std::vector<std::string>{"click_after=0x1", "notify_use=0x0"}));
}

TEST(MainScreenCallbacks, HotkeyTimerAndCloseReachTheScreen) {
  BuildRig rig;
  tw::ScreenCallbacks callbacks = rig.build();
  rig.desktop.pointer = tw::ScreenPoint{40, 50};
  callbacks.hotkey(tw::kAddHotkeyId);
  EXPECT_EQ(rig.rows(), 1u);

  callbacks.hotkey(tw::kRunHotkeyId);
  EXPECT_TRUE(rig.state.access()->running);
  EXPECT_EQ(text_of(rig.element("status")), "Running");
  rig.desktop.inputs.clear();
  callbacks.timer();
  EXPECT_EQ(rig.desktop.inputs.size(), 1u);

  callbacks.close();
  EXPECT_FALSE(rig.state.access()->running);
  EXPECT_EQ(read_file(rig.folder / "Tapwright.lst"), "40x50,0,0,1000,1000\r\n");
  // A second close (the session ends after the window closed) does nothing.
  std::filesystem::remove(rig.folder / "Tapwright.lst");
  callbacks.close();
  EXPECT_FALSE(std::filesystem::exists(rig.folder / "Tapwright.lst"));
}

}  // namespace
