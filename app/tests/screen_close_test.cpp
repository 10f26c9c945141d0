#include "screen_close.h"

#include <gtest/gtest.h>

#include "hotkeys.h"
#include "runner.h"
#include "screen_fakes.h"
#include "test_folder.h"

namespace {

using tw::ClickEntry;
using tw::test::ScreenRig;
using tw::test::TestFolder;

TEST(CloseScreen, StopsTheRunBeforeSavingAndUnregistersTheHotkeys) {
  TestFolder folder;
  ScreenRig rig;
  rig.page().set_value("delay1", "00:01.00");
  {
    auto state = rig.state.access();
    state->list.append(ClickEntry{512, 384, 1000, 1000, 0, 1});
    state->list.append(ClickEntry{-5, 6, 100, 200, 1, 0});
  }
  tw::load_hotkeys(rig.context());
  tw::register_hotkeys(rig.context());
  ASSERT_TRUE(tw::start_run(rig.context()));
  rig.notifier.shown.clear();
  std::filesystem::path file = folder.path() / "Tapwright.lst";
  tw::close_screen(rig.context(), file);
  EXPECT_FALSE(rig.state.access()->running);
  EXPECT_FALSE(rig.desktop.armed);
  EXPECT_TRUE(rig.desktop.registered.empty());
  EXPECT_TRUE(rig.notifier.shown.empty());
  EXPECT_EQ(tw::test::read_bytes(file), "512x384,0,1,1000,1000\r\n-5x6,1,0,100,200\r\n");
}

TEST(CloseScreen, EmptyListRemovesTheFile) {
  TestFolder folder;
  ScreenRig rig;
  std::filesystem::path file = folder.path() / "Tapwright.lst";
  tw::test::write_bytes(file, "1x2,0,0,100\r\n");
  tw::close_screen(rig.context(), file);
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_TRUE(rig.dialog.shown.empty());
}

TEST(CloseScreen, AListFileThatWasNotReadIsNotDeleted) {
  TestFolder folder;
  ScreenRig rig;
  std::filesystem::path file = folder.path() / "Tapwright.lst";
  const std::string saved("\xFF\xFE" "1\0x\0" "2\0", 8);
  tw::test::write_bytes(file, saved);
  rig.state.access()->list_file_not_all_read = true;
  tw::close_screen(rig.context(), file);
  EXPECT_EQ(tw::test::read_bytes(file), saved);
  EXPECT_TRUE(rig.dialog.shown.empty());
}

}  // namespace
