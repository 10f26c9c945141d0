#include "click_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fatal.h"
#include "module_path.h"
#include "system_error.h"
#include "test_folder.h"

namespace {

using tw::ClickEntry;
using tw::ClickList;
using tw::test::read_bytes;
using tw::test::TestFolder;
using tw::test::write_bytes;

#ifdef _WIN32
constexpr std::uint32_t kPathNotFound = 3;  // ERROR_PATH_NOT_FOUND
#else
constexpr std::uint32_t kPathNotFound = ENOENT;
#endif

ClickEntry at(int x, int y) {
  return ClickEntry{x, y, 1000, 1000, 0, 0};
}

ClickList list_of(std::initializer_list<ClickEntry> entries) {
  ClickList list;
  for (const ClickEntry& entry : entries) list.append(entry);
  return list;
}

std::vector<int> xs(const ClickList& list) {
  std::vector<int> out;
  for (const ClickEntry& entry : list.entries()) out.push_back(entry.x);
  return out;
}

// Records every message the dialog would show.
struct Dialog {
  std::vector<std::string> shown;
  tw::ShowMessage show() {
    return [this](const std::string& text) { shown.push_back(text); };
  }
};

// Loads as the screen does: the entries go into the list, a failure's text to the dialog.
void load_into(ClickList& list, const std::optional<std::filesystem::path>& path,
               std::string_view language, Dialog& dialog) {
  tw::ListLoad load = tw::load_list(path, language);
  if (load.status == tw::ListLoad::Status::kFailed) dialog.shown.push_back(load.error);
  load.apply_to(list);
}

TEST(ListOperations, MoveUpSwapsAndMarksTheRowAbove) {
  ClickList list = list_of({at(1, 0), at(2, 0), at(3, 0)});
  EXPECT_TRUE(list.move_up(2));
  EXPECT_EQ(xs(list), (std::vector<int>{1, 3, 2}));
  EXPECT_EQ(list.marked_row(), 1u);
  EXPECT_TRUE(list.move_up(1));
  EXPECT_EQ(xs(list), (std::vector<int>{3, 1, 2}));
  EXPECT_EQ(list.marked_row(), 0u);
}

TEST(ListOperations, MoveDownSwapsAndMarksTheRowBelow) {
  ClickList list = list_of({at(1, 0), at(2, 0), at(3, 0)});
  EXPECT_TRUE(list.move_down(0));
  EXPECT_EQ(xs(list), (std::vector<int>{2, 1, 3}));
  EXPECT_EQ(list.marked_row(), 1u);
}

TEST(ListOperations, MovingPastEitherEndChangesNothing) {
  ClickList list = list_of({at(1, 0), at(2, 0), at(3, 0)});
  list.set_marker(1);
  EXPECT_FALSE(list.move_up(0));
  EXPECT_FALSE(list.move_down(2));
  EXPECT_FALSE(list.move_down(7));
  EXPECT_FALSE(list.move_up(3));
  EXPECT_EQ(xs(list), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(list.marked_row(), 1u);
  ClickList empty;
  EXPECT_FALSE(empty.move_up(0));
  EXPECT_FALSE(empty.move_down(0));
}

TEST(ListOperations, DeleteRemovesTheRowAndClearsTheMarker) {
  ClickList list = list_of({at(1, 0), at(2, 0), at(3, 0)});
  list.set_marker(2);
  EXPECT_TRUE(list.remove(0));
  EXPECT_EQ(xs(list), (std::vector<int>{2, 3}));
  EXPECT_EQ(list.marked_row(), std::nullopt);
  list.set_marker(1);
  EXPECT_FALSE(list.remove(2));
  EXPECT_EQ(list.marked_row(), 1u);  // nothing removed, nothing cleared
  EXPECT_TRUE(list.remove(1));
  EXPECT_EQ(xs(list), (std::vector<int>{2}));
}

TEST(ListOperations, AppendKeepsTheMarkerReplaceClearsIt) {
  ClickList list = list_of({at(1, 0)});
  list.set_marker(0);
  list.append(at(2, 0));
  EXPECT_EQ(list.marked_row(), 0u);
  list.replace({at(5, 0), at(6, 0)});
  EXPECT_EQ(xs(list), (std::vector<int>{5, 6}));
  EXPECT_EQ(list.marked_row(), std::nullopt);
}

TEST(ListOperations, AMarkerPastTheEndIsAFatalError) {
  ClickList list = list_of({at(1, 0)});
  EXPECT_THROW(list.set_marker(1), tw::FatalError);
  EXPECT_THROW(list.at(1), tw::FatalError);
  EXPECT_EQ(list.at(0).x, 1);
}

TEST(ClearButton, AsksFirstAndEmptiesOnYes) {
  ClickList list = list_of({at(1, 0), at(2, 0)});
  list.set_marker(1);
  std::vector<std::string> asked;
  bool answer = false;
  auto ask = [&](const std::string& text) {
    asked.push_back(text);
    return answer;
  };
  EXPECT_FALSE(tw::clear_list(list, "en", ask));
  EXPECT_EQ(list.size(), 2u);
  EXPECT_EQ(list.marked_row(), 1u);
  answer = true;
  EXPECT_TRUE(tw::clear_list(list, "ko", ask));
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.marked_row(), std::nullopt);
  EXPECT_EQ(asked, (std::vector<std::string>{"Do you want to clear all contents?",
                                             "모든 내용을 비우시겠습니까?"}));
}

TEST(ClearButton, AnEmptyListAsksNothing) {
  ClickList list;
  bool asked = false;
  EXPECT_FALSE(tw::clear_list(list, "en", [&](const std::string&) { return asked = true; }));
  EXPECT_FALSE(asked);
}

TEST(ListFiles, SaveWritesCrLfLinesAndLoadReadsThemBack) {
  TestFolder folder;
  Dialog dialog;
  ClickList list =
      list_of({ClickEntry{512, 384, 1000, 1000, 0, 1}, ClickEntry{-1280, 200, 250, 900, 2, 0}});
  tw::save_list(list, folder / "two.lst", "en", dialog.show());
  EXPECT_EQ(read_bytes(folder / "two.lst"), "512x384,0,1,1000,1000\r\n-1280x200,2,0,250,900\r\n");

  ClickList loaded = list_of({at(9, 9)});
  loaded.set_marker(0);
  load_into(loaded, folder / "two.lst", "en", dialog);
  EXPECT_EQ(loaded.entries(), list.entries());
  EXPECT_EQ(loaded.marked_row(), std::nullopt);
  EXPECT_TRUE(dialog.shown.empty());
}

TEST(ListFiles, AMissingFileLoadsNothingAndSaysNothing) {
  TestFolder folder;
  Dialog dialog;
  ClickList list = list_of({at(1, 0)});
  list.set_marker(0);
  load_into(list, folder / "missing.lst", "en", dialog);
  EXPECT_EQ(xs(list), (std::vector<int>{1}));
  EXPECT_EQ(list.marked_row(), 0u);
  EXPECT_TRUE(dialog.shown.empty());
}

TEST(ListFiles, AFileOfBadLinesYieldsAnEmptyList) {
  TestFolder folder;
  Dialog dialog;
  write_bytes(folder / "bad.lst", "abc\r\nx1,0,0,0\n");
  ClickList list = list_of({at(1, 0)});
  load_into(list, folder / "bad.lst", "en", dialog);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(dialog.shown.empty());
}

TEST(ListFiles, InvalidUtf8IsReportedAndTheListKept) {
  TestFolder folder;
  Dialog dialog;
  write_bytes(folder / "latin1.lst", "1x2,0,0,1000\r\n\xE9t\xE9\r\n");
  ClickList list = list_of({at(7, 0)});
  load_into(list, folder / "latin1.lst", "en", dialog);
  EXPECT_EQ(xs(list), (std::vector<int>{7}));
  EXPECT_EQ(dialog.shown,
            std::vector<std::string>{"An error has occurred.\nstream did not contain valid UTF-8"});
  load_into(list, folder / "latin1.lst", "ko", dialog);
  EXPECT_EQ(dialog.shown.back(), "오류가 발생했습니다.\nstream did not contain valid UTF-8");
}

TEST(ListFiles, LoadReportsItsOutcomeWithoutTouchingAnyList) {
  TestFolder folder;
  tw::ListLoad missing = tw::load_list(folder / "missing.lst", "en");
  EXPECT_EQ(missing.status, tw::ListLoad::Status::kNoFile);
  EXPECT_TRUE(missing.error.empty());
  EXPECT_FALSE(missing.not_all_read());

  write_bytes(folder / "latin1.lst", "1x2,0,0,1000\r\n\xE9\r\n");
  tw::ListLoad failed = tw::load_list(folder / "latin1.lst", "en");
  EXPECT_EQ(failed.status, tw::ListLoad::Status::kFailed);
  EXPECT_TRUE(failed.entries.empty());
  EXPECT_TRUE(failed.not_all_read());
  ClickList list = list_of({at(7, 0)});
  list.set_marker(0);
  EXPECT_FALSE(failed.apply_to(list));
  EXPECT_EQ(xs(list), (std::vector<int>{7}));
  EXPECT_EQ(list.marked_row(), 0u);

  write_bytes(folder / "one.lst", "3x4,1,1,200,300\n");
  tw::ListLoad loaded = tw::load_list(folder / "one.lst", "en");
  ASSERT_EQ(loaded.status, tw::ListLoad::Status::kLoaded);
  EXPECT_EQ(loaded.entries, (std::vector<ClickEntry>{ClickEntry{3, 4, 200, 300, 1, 1}}));
  EXPECT_TRUE(loaded.apply_to(list));
  EXPECT_EQ(xs(list), (std::vector<int>{3}));
  EXPECT_EQ(list.marked_row(), std::nullopt);
}

// "<n>x0,0,0,1000,1000" CR LF for n = 1 .. count: 19 bytes a line below 10.
std::string numbered_lines(int count) {
  std::string text;
  for (int n = 1; n <= count; ++n) text += std::to_string(n) + "x0,0,0,1000,1000\r\n";
  return text;
}

TEST(ListLimits, ALoadPastALimitTakesTheFirstEntriesAndSaysWhy) {
  const std::string cut_character = "1x0,0,0,1000,1000\r\n2x0,0,0,1000,\xEB\xAA\xA9\r\n";
  struct Case {
    const char* what;
    std::string text;
    tw::ListLimits limits;
    std::vector<int> xs;
    std::string description;  // empty: not capped
  };
  const Case cases[] = {
      {"one entry more", numbered_lines(4), {3, 1000}, {1, 2, 3},
       "the file holds more than 3 entries; only the first 3 were loaded"},
      {"only bad lines after the limit", numbered_lines(3) + "abc\r\n", {3, 1000}, {1, 2, 3}, ""},
      // The cut line "3x0,0,0,1000" would read as an entry.
      {"the byte limit cuts a line", numbered_lines(3), {10, 50}, {1, 2},
       "the file is larger than 50 bytes; only the entries in its first 50 bytes were loaded"},
      {"the byte limit falls on a line break", numbered_lines(3), {10, 38}, {1, 2},
       "the file is larger than 38 bytes; only the entries in its first 38 bytes were loaded"},
      {"the file is as long as the byte limit", numbered_lines(2), {10, 38}, {1, 2}, ""},
      {"the byte limit cuts a character", cut_character, {10, 33}, {1},
       "the file is larger than 33 bytes; only the entries in its first 33 bytes were loaded"},
      {"the byte limit cuts a character later", cut_character, {10, 34}, {1},
       "the file is larger than 34 bytes; only the entries in its first 34 bytes were loaded"},
      {"no line break within the byte limit", numbered_lines(1), {10, 10}, {},
       "the file is larger than 10 bytes; only the entries in its first 10 bytes were loaded"},
      {"an unended last line as long as the byte limit", "1x0,0,0,1000,1000", {10, 17}, {1}, ""},
      {"both limits", numbered_lines(5), {2, 70}, {1, 2},
       "the file holds more than 2 entries; only the first 2 were loaded"},
      {"whole mebibytes", numbered_lines(1) + std::string(std::size_t{1} << 20, ' '),
       {10, std::size_t{1} << 20}, {1},
       "the file is larger than 1 MiB; only the entries in its first 1 MiB were loaded"},
  };
  TestFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    write_bytes(folder / "list.lst", c.text);
    tw::ListLoad load = tw::load_list(folder / "list.lst", "en", c.limits);
    EXPECT_EQ(load.not_all_read(), !c.description.empty());
    ClickList list;
    EXPECT_TRUE(load.apply_to(list)) << load.error;
    EXPECT_EQ(xs(list), c.xs);
    EXPECT_EQ(load.error, c.description.empty() ? "" : "An error has occurred.\n" + c.description);
  }
}

// Only what is parsed must be UTF-8: bad bytes before the cut still fail the load.
TEST(ListLimits, InvalidUtf8BeforeTheByteLimitStillFails) {
  TestFolder folder;
  write_bytes(folder / "latin1.lst", "1x0,0,0,1000\r\n\xE9\r\n2x0,0,0,1000\r\n");
  tw::ListLoad load = tw::load_list(folder / "latin1.lst", "en", {10, 20});
  EXPECT_EQ(load.status, tw::ListLoad::Status::kFailed);
  EXPECT_EQ(load.error, "An error has occurred.\nstream did not contain valid UTF-8");
}

TEST(ListLimits, TheDefaultsTakeAHundredThousandEntries) {
  // The byte limit holds the entry limit's worth of the longest lines the program writes,
  // with room to spare.
  const ClickEntry longest{INT32_MIN, INT32_MIN, 86400000, 86400000, 2, 1};
  EXPECT_GE(tw::kMaxLoadedBytes,
            3 * tw::kMaxLoadedEntries * (tw::format_entry_line(longest).size() + 2));

  TestFolder folder;
  std::string text = numbered_lines(100000);
  write_bytes(folder / "big.lst", text);
  tw::ListLoad whole = tw::load_list(folder / "big.lst", "en");
  EXPECT_EQ(whole.entries.size(), 100000u);
  EXPECT_FALSE(whole.not_all_read());

  write_bytes(folder / "big.lst", text + "100001x0,0,0,1000,1000\r\n");
  tw::ListLoad capped = tw::load_list(folder / "big.lst", "ko");
  ASSERT_EQ(capped.entries.size(), 100000u);
  EXPECT_EQ(capped.entries.back().x, 100000);
  EXPECT_TRUE(capped.not_all_read());
  EXPECT_EQ(capped.error,
            "오류가 발생했습니다.\n"
            "the file holds more than 100000 entries; only the first 100000 were loaded");
}

// A file that was there but could not be read holds what the user saved: never deleted,
// and moved aside (to a fresh name each time) before a list is written over it.
TEST(ListFiles, SavingOverAnUnreadFileKeepsItsBytes) {
  TestFolder folder;
  Dialog dialog;
  const std::filesystem::path file = folder / "Tapwright.lst";
  const std::string saved("\xFF\xFE" "1\0x\0" "2\0", 8);
  write_bytes(file, saved);
  tw::save_list(ClickList{}, file, "en", dialog.show(), tw::OldFile::kKeep);
  EXPECT_EQ(read_bytes(file), saved);
  EXPECT_FALSE(std::filesystem::exists(folder / "Tapwright.lst.bak"));

  for (const char* aside : {"Tapwright.lst.bak", "Tapwright.lst.2.bak"}) {
    SCOPED_TRACE(aside);
    write_bytes(file, saved);
    tw::save_list(list_of({at(5, 6)}), file, "en", dialog.show(), tw::OldFile::kKeep);
    EXPECT_EQ(read_bytes(folder / aside), saved);
    EXPECT_EQ(read_bytes(file), "5x6,0,0,1000,1000\r\n");
  }
  // No file to keep: the list is written as usual.
  std::filesystem::remove(file);
  tw::save_list(list_of({at(7, 8)}), file, "en", dialog.show(), tw::OldFile::kKeep);
  EXPECT_EQ(read_bytes(file), "7x8,0,0,1000,1000\r\n");
  EXPECT_FALSE(std::filesystem::exists(folder / "Tapwright.lst.3.bak"));
  EXPECT_TRUE(dialog.shown.empty());
}

TEST(ListFiles, AFailedSaveReportsTheSystemTextAndChangesNothing) {
  TestFolder folder;
  Dialog dialog;
  ClickList list = list_of({at(1, 0)});
  tw::save_list(list, folder / "no-folder" / "x.lst", "en", dialog.show());
  ASSERT_EQ(dialog.shown.size(), 1u);
  EXPECT_EQ(dialog.shown[0],
            "An error has occurred.\n" + tw::sys::system_error_text(kPathNotFound));
  EXPECT_EQ(xs(list), (std::vector<int>{1}));
  EXPECT_EQ(folder.names(), std::vector<std::string>{});
}

TEST(ListFiles, AFailedSaveOverAFolderKeepsItAndLeavesNoTemporaryFile) {
  TestFolder folder;
  Dialog dialog;
  std::filesystem::create_directory(folder / "list.lst");
  tw::save_list(list_of({at(1, 0)}), folder / "list.lst", "en", dialog.show());
  ASSERT_EQ(dialog.shown.size(), 1u);
  EXPECT_EQ(dialog.shown[0].rfind("An error has occurred.\n", 0), 0u) << dialog.shown[0];
  EXPECT_GT(dialog.shown[0].size(), std::string("An error has occurred.\n").size());
  EXPECT_TRUE(std::filesystem::is_directory(folder / "list.lst"));
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.lst"}));
}

TEST(ListFiles, SavingAnEmptyListDeletesTheFileSilently) {
  TestFolder folder;
  Dialog dialog;
  write_bytes(folder / "list.lst", "1x2,0,0,1000,1000\r\n");
  tw::save_list(ClickList{}, folder / "list.lst", "en", dialog.show());
  EXPECT_FALSE(std::filesystem::exists(folder / "list.lst"));
  // Deleting a file that is not there is no failure either.
  tw::save_list(ClickList{}, folder / "list.lst", "en", dialog.show());
  tw::save_list(ClickList{}, folder / "no-folder" / "list.lst", "en", dialog.show());
  EXPECT_TRUE(dialog.shown.empty());
}

TEST(DefaultListPath, SitsBesideTheExecutable) {
  using std::filesystem::path;
  EXPECT_EQ(tw::default_list_path_beside(path("/opt/tapwright/Tapwright.exe")),
            path("/opt/tapwright") / "Tapwright.lst");
  EXPECT_EQ(tw::default_list_path_beside(path()), path("Tapwright.lst"));
  EXPECT_EQ(tw::default_list_path_beside(path("Tapwright.exe")), path("Tapwright.lst"));
  std::filesystem::path path = tw::default_list_path().native();
  EXPECT_EQ(path.filename(), "Tapwright.lst");
  EXPECT_EQ(path.parent_path(), std::filesystem::path(tw::sys::executable_path().native()).parent_path());
  EXPECT_TRUE(path.is_absolute()) << path;
}

// Load at start and save on close use the default file beside the executable.
TEST(DefaultListPath, SaveAndLoadWithoutAPathUseTheDefaultFile) {
  std::filesystem::path file = tw::default_list_path().native();
  std::filesystem::remove(file);
  Dialog dialog;
  ClickList list = list_of({at(11, 12), at(13, 14)});
  tw::save_list(list, std::nullopt, "en", dialog.show());
  EXPECT_EQ(read_bytes(file), "11x12,0,0,1000,1000\r\n13x14,0,0,1000,1000\r\n");
  ClickList loaded;
  load_into(loaded, std::nullopt, "en", dialog);
  EXPECT_EQ(loaded.entries(), list.entries());
  // Closing with an empty list removes the default file; the next start loads nothing, silently.
  tw::save_list(ClickList{}, std::nullopt, "en", dialog.show());
  EXPECT_FALSE(std::filesystem::exists(file));
  ClickList next_start;
  load_into(next_start, std::nullopt, "en", dialog);
  EXPECT_TRUE(next_start.empty());
  EXPECT_TRUE(dialog.shown.empty());
}

}  // namespace
