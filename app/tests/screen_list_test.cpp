// The click list on the screen: row selection and the row menu through the fake shell, the
// Clear, Open and Save buttons, and what happens when a nested message loop (a dialog, the
// menu) lets a hotkey run in between.

#include "screen_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "click_table.h"
#include "hotkeys.h"
#include "main_screen.h"
#include "screen_close.h"
#include "screen_fakes.h"
#include "test_folder.h"

namespace {

using tw::ClickEntry;
using tw::RowCommand;
using tw::test::ScreenRig;
using tw::test::TestFolder;
using tw::test::write_bytes;

struct ListRig : ScreenRig {
  explicit ListRig(std::string_view language = "en", tw::ListLimits limits = {})
      : ScreenRig(language, tw::main_page_html(language)), limits(limits) {
    page().set_value("delay1", "00:01.00");
    page().set_value("delay2", "00:01.00");
    tw::bind_list_events(screen, limited_context());
  }
  // The context with the rig's list limits (the handlers bound here have them).
  tw::ScreenContext limited_context() {
    tw::ScreenContext c = context();
    c.list_limits = limits;
    return c;
  }
  tw::ListLimits limits;
  void add(std::initializer_list<int> xs) {
    auto state = this->state.access();
    for (int x : xs) state->list.append(ClickEntry{x, 0, 1000, 1000, 0, 0});
    tw::render_click_table(page(), state->list, state->language);
  }
  std::vector<int> xs() {
    std::vector<int> out;
    for (const ClickEntry& entry : state.access()->list.entries()) out.push_back(entry.x);
    return out;
  }
  // The table as "x" per row, "*" after the active one.
  std::string table() {
    std::string out;
    for (orlan::Node* row = orlan::first_child(element("rows")); row;
         row = orlan::next_sibling(row)) {
      std::size_t length = 0;
      const char* text = orlan::text_content(orlan::first_child(row), &length);
      if (!out.empty()) out += " ";
      out += std::string(text, length).substr(0, std::string(text, length).find('x'));
      if (orlan::has_class(row, "active", 6)) out += "*";
    }
    return out;
  }
  orlan::Node* cell(std::size_t row, std::size_t column) {
    orlan::Node* tr = orlan::first_child(element("rows"));
    while (row-- > 0) tr = orlan::next_sibling(tr);
    orlan::Node* td = orlan::first_child(tr);
    while (column-- > 0) td = orlan::next_sibling(td);
    return td;
  }
  void press(orlan::Node* target, std::int32_t button) {
    orlan::fire_pointer_event(*target, orlan::EventType::kMousedown, button, 5, 5, 0);
  }
  void click(std::string_view id) { orlan::fire_event(*element(id), orlan::EventType::kClick); }
  bool running() { return state.access()->running; }
  // What a nested message loop may do: a hotkey message arrives.
  void hotkey_during_loops(int id) {
    auto hotkey = [this, id] { tw::handle_hotkey(context(), id); };
    shell.while_open = hotkey;
    dialog.while_open = hotkey;
  }
};

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(RowIndex, ComesFromTheNearestDataIAncestor) {
  ListRig rig;
  rig.add({10, 20, 30});
  EXPECT_EQ(tw::row_index_at(rig.cell(2, 3)), 2u);
  EXPECT_EQ(tw::row_index_at(orlan::parent(rig.cell(1, 0))), 1u);
  EXPECT_EQ(tw::row_index_at(rig.element("rows")), std::nullopt);
  EXPECT_EQ(tw::row_index_at(nullptr), std::nullopt);
  orlan::Node* row = orlan::parent(rig.cell(0, 0));
  for (auto [text, index] : {std::pair<const char*, std::optional<std::size_t>>{"+2", 2},
                             {"-1", std::nullopt},
                             {"1.5", std::nullopt},
                             {"", std::nullopt},
                             {"99999999999999999999999", std::nullopt}}) {
    orlan::set_attribute(row, "data-i", 6, text, std::strlen(text));
    EXPECT_EQ(tw::row_index_at(rig.cell(0, 1)), index) << text;
  }
}

TEST(RowSelection, LeftPressOnlyMarksTheRow) {
  ListRig rig;
  rig.add({10, 20, 30});
  rig.press(rig.cell(1, 2), 0);
  EXPECT_EQ(rig.table(), "10 20* 30");
  EXPECT_EQ(rig.state.access()->list.marked_row(), 1u);
  EXPECT_TRUE(rig.shell.calls.empty());
  // The middle button marks as well and opens nothing.
  rig.press(rig.cell(2, 0), 1);
  EXPECT_EQ(rig.table(), "10 20 30*");
  EXPECT_TRUE(rig.shell.calls.empty());
}

TEST(RowSelection, PressBetweenRowsOrDuringARunDoesNothing) {
  ListRig rig;
  rig.add({10, 20});
  rig.press(rig.element("rows"), 2);
  rig.press(rig.element("list"), 2);
  EXPECT_EQ(rig.table(), "10 20");
  EXPECT_TRUE(rig.shell.calls.empty());

  rig.state.access()->running = true;
  rig.shell.menu_choice = RowCommand::kDelete;
  rig.press(rig.cell(0, 0), 2);
  EXPECT_EQ(rig.table(), "10 20");
  EXPECT_TRUE(rig.shell.calls.empty());
}

TEST(RowMenu, RightPressMarksTheRowAndPerformsTheChosenCommand) {
  struct Case {
    RowCommand command;
    std::size_t row;
    const char* table;
  };
  const Case cases[] = {
      {RowCommand::kMoveUp, 1, "20* 10 30"},   {RowCommand::kMoveUp, 0, "10* 20 30"},
      {RowCommand::kMoveDown, 1, "10 30 20*"}, {RowCommand::kMoveDown, 2, "10 20 30*"},
      {RowCommand::kDelete, 1, "10 30"},       {RowCommand::kNone, 1, "10 20* 30"},
  };
  for (const Case& c : cases) {
    ListRig rig;
    rig.add({10, 20, 30});
    rig.shell.menu_choice = c.command;
    rig.press(rig.cell(c.row, 1), 2);
    EXPECT_EQ(rig.table(), c.table) << static_cast<int>(c.command) << " on " << c.row;
    EXPECT_EQ(rig.shell.calls, (std::vector<std::string>{"menu Move Up|Move Down|Delete"}));
  }
}

TEST(RowMenu, TextsAreLocalised) {
  ListRig rig("ko");
  rig.add({10});
  rig.press(rig.cell(0, 0), 2);
  EXPECT_EQ(rig.shell.calls, (std::vector<std::string>{"menu 위로 이동|아래로 이동|삭제"}));
}

// The menu's loop dispatches hotkey messages: F3 may start a run while the menu is open, and
// the run's list must not change under it.
TEST(RowMenu, ACommandChosenAfterAHotkeyStartedARunIsDropped) {
  ListRig rig;
  rig.add({10, 20, 30});
  rig.hotkey_during_loops(tw::kRunHotkeyId);
  rig.shell.menu_choice = RowCommand::kDelete;
  testing::internal::CaptureStderr();
  rig.press(rig.cell(1, 0), 2);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // no nested state access
  EXPECT_TRUE(rig.running());
  EXPECT_EQ(rig.xs(), (std::vector<int>{10, 20, 30}));
}

TEST(RowMenu, AnEntryAddedWhileTheMenuIsOpenIsKept) {
  ListRig rig;
  rig.add({10, 20});
  rig.desktop.pointer = tw::ScreenPoint{77, 0};
  rig.hotkey_during_loops(tw::kAddHotkeyId);
  rig.shell.menu_choice = RowCommand::kDelete;
  rig.press(rig.cell(0, 0), 2);
  EXPECT_EQ(rig.xs(), (std::vector<int>{20, 77}));
  EXPECT_EQ(rig.table(), "20 77");
}

TEST(ClearButton, AsksAndClearsOnlyOnYes) {
  ListRig rig;
  rig.add({10, 20});
  rig.press(rig.cell(0, 0), 0);
  rig.click("btn-clear");
  EXPECT_EQ(rig.dialog.shown, (std::vector<std::string>{"Do you want to clear all contents?"}));
  EXPECT_EQ(rig.table(), "10* 20");
  rig.dialog.answer = true;
  rig.click("btn-clear");
  EXPECT_EQ(rig.xs(), std::vector<int>{});
  EXPECT_EQ(rig.table(), "");
  EXPECT_EQ(rig.state.access()->list.marked_row(), std::nullopt);
  // With nothing to clear nothing is asked.
  rig.click("btn-clear");
  EXPECT_EQ(rig.dialog.shown.size(), 2u);
}

TEST(ClearButton, DoesNothingDuringARunEvenWhenTheRunStartsWhileAsking) {
  ListRig rig;
  rig.add({10, 20});
  rig.dialog.answer = true;
  rig.state.access()->running = true;
  rig.click("btn-clear");
  EXPECT_TRUE(rig.dialog.shown.empty());
  rig.state.access()->running = false;

  rig.hotkey_during_loops(tw::kRunHotkeyId);
  testing::internal::CaptureStderr();
  rig.click("btn-clear");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(rig.running());
  EXPECT_EQ(rig.xs(), (std::vector<int>{10, 20}));
}

TEST(OpenButton, TheChosenFileReplacesTheList) {
  TestFolder folder;
  write_bytes(folder / "picked.lst", "5x6,1,1,200,300\r\n7x8,0,0,1000\r\n");
  ListRig rig;
  rig.add({10});
  rig.press(rig.cell(0, 0), 0);
  rig.shell.open_choice = folder / "picked.lst";
  rig.click("btn-open");
  EXPECT_EQ(rig.shell.calls, (std::vector<std::string>{"open Open|Record"}));
  EXPECT_EQ(rig.xs(), (std::vector<int>{5, 7}));
  EXPECT_EQ(rig.table(), "5 7");
  EXPECT_TRUE(rig.dialog.shown.empty());

  // Cancelled: nothing changes, nothing is said.
  rig.shell.open_choice.reset();
  rig.click("btn-open");
  EXPECT_EQ(rig.xs(), (std::vector<int>{5, 7}));
  EXPECT_TRUE(rig.dialog.shown.empty());
}

// The error dialog comes after the state is released, and the list keeps what was added
// while the file dialog was open.
TEST(OpenButton, AFileThatIsNotUtf8IsReportedAndTheListKept) {
  TestFolder folder;
  write_bytes(folder / "latin1.lst", "1x2,0,0,1000\r\n\xE9t\xE9\r\n");
  ListRig rig;
  rig.add({10});
  rig.desktop.pointer = tw::ScreenPoint{77, 0};
  rig.shell.while_open = [&] { tw::handle_hotkey(rig.context(), tw::kAddHotkeyId); };
  rig.dialog.while_open = [&] { EXPECT_FALSE(rig.state.in_use()); };
  rig.shell.open_choice = folder / "latin1.lst";
  rig.click("btn-open");
  EXPECT_EQ(
      rig.dialog.shown,
      (std::vector<std::string>{"An error has occurred.\nstream did not contain valid UTF-8"}));
  EXPECT_EQ(rig.xs(), (std::vector<int>{10, 77}));
}

TEST(OpenButton, AFilePastTheLimitsLoadsItsFirstEntriesAndSaysSo) {
  TestFolder folder;
  write_bytes(folder / "three.lst", "1x0,0,0,1000\r\n2x0,0,0,1000\r\n3x0,0,0,1000\r\n");
  ListRig rig("en", {2, 1000});
  rig.add({10});
  // The entries are in the table before the message is shown.
  rig.dialog.while_open = [&] {
    EXPECT_FALSE(rig.state.in_use());
    EXPECT_EQ(rig.table(), "1 2");
  };
  rig.shell.open_choice = folder / "three.lst";
  rig.click("btn-open");
  EXPECT_EQ(rig.xs(), (std::vector<int>{1, 2}));
  EXPECT_EQ(rig.dialog.shown, std::vector<std::string>{"An error has occurred.\nthe file holds "
                                                       "more than 2 entries; only the first 2 "
                                                       "were loaded"});
}

TEST(OpenButton, ARunStartedWhileChoosingKeepsItsList) {
  TestFolder folder;
  write_bytes(folder / "picked.lst", "5x6,1,1,200,300\r\n");
  ListRig rig;
  rig.add({10});
  rig.hotkey_during_loops(tw::kRunHotkeyId);
  rig.shell.open_choice = folder / "picked.lst";
  rig.click("btn-open");
  EXPECT_TRUE(rig.running());
  EXPECT_EQ(rig.xs(), (std::vector<int>{10}));
}

TEST(SaveButton, WritesTheListAsItIsWhenTheDialogCloses) {
  TestFolder folder;
  ListRig rig("ko");
  rig.add({10});
  rig.desktop.pointer = tw::ScreenPoint{77, 8};
  rig.shell.while_open = [&] { tw::handle_hotkey(rig.context(), tw::kAddHotkeyId); };
  rig.shell.save_choice = folder / "saved.lst";
  rig.click("btn-save");
  EXPECT_EQ(rig.shell.calls, (std::vector<std::string>{"save 저장|레코드"}));
  EXPECT_EQ(read_file(folder / "saved.lst"), "10x0,0,0,1000,1000\r\n77x8,0,0,1000,1000\r\n");

  rig.shell.save_choice.reset();
  rig.shell.while_open = nullptr;
  rig.click("btn-save");
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"saved.lst"}));
  EXPECT_TRUE(rig.dialog.shown.empty());
}

TEST(SaveButton, AFailureIsShownWithoutHoldingTheState) {
  TestFolder folder;
  ListRig rig;
  rig.add({10});
  rig.dialog.while_open = [&] { EXPECT_FALSE(rig.state.in_use()); };
  rig.shell.save_choice = folder / "no-folder" / "x.lst";
  rig.click("btn-save");
  ASSERT_EQ(rig.dialog.shown.size(), 1u);
  EXPECT_EQ(rig.dialog.shown[0].rfind("An error has occurred.\n", 0), 0u);
}

// The list file at start past the limits, and the window closed afterwards: the file as it
// was survives beside the list written in its place.
TEST(ListAtStart, ACappedFileIsShownSaidAndKeptWholeAtClose) {
  TestFolder folder;
  std::filesystem::path file = folder / "Tapwright.lst";
  const std::string saved = "1x0,0,0,1000,1000\r\n2x0,0,0,1000,1000\r\n3x0,0,0,1000,1000\r\n";
  write_bytes(file, saved);
  ListRig rig("en", {2, 1000});
  tw::ScreenContext context = rig.limited_context();
  context.list_path = file;
  rig.dialog.while_open = [&] { EXPECT_FALSE(rig.state.in_use()); };
  tw::load_list_into_screen(context);
  EXPECT_EQ(rig.table(), "1 2");
  EXPECT_EQ(rig.dialog.shown, std::vector<std::string>{"An error has occurred.\nthe file holds "
                                                       "more than 2 entries; only the first 2 "
                                                       "were loaded"});
  rig.add({9});
  testing::internal::CaptureStderr();
  tw::close_screen(context, file);
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(read_file(file), "1x0,0,0,1000,1000\r\n2x0,0,0,1000,1000\r\n9x0,0,0,1000,1000\r\n");
  EXPECT_EQ(read_file(folder / "Tapwright.lst.bak"), saved);
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"Tapwright.lst", "Tapwright.lst.bak"}));
  EXPECT_NE(said.find("Tapwright.lst.bak"), std::string::npos) << said;
}

}  // namespace
