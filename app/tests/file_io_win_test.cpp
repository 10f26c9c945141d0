// The list file's read, save and replace paths on the real Windows file API: read-only and
// locked targets, non-ASCII folders, the temporary file beside the target, bounded reads.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "click_list.h"
#include "file_io.h"
#include "module_path.h"
#include "system_error.h"
#include "test_folder.h"
#include "utf.h"
#include "win32_include.h"

namespace {

using tw::ClickEntry;
using tw::ClickList;
using tw::sys::FileStatus;
using tw::test::read_bytes;
using tw::test::TestFolder;
using tw::test::write_bytes;

ClickList two_entries() {
  ClickList list;
  list.append(ClickEntry{512, 384, 1000, 1000, 0, 1});
  list.append(ClickEntry{-20, 30, 500, 700, 1, 0});
  return list;
}

constexpr const char* kOldContent = "1x1,0,0,1000,1000\r\n";

void set_read_only(const std::filesystem::path& path, bool read_only) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  attributes = read_only ? (attributes | FILE_ATTRIBUTE_READONLY)
                         : (attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes));
}

TEST(WindowsListFile, AReadOnlyTargetIsReportedAndKept) {
  TestFolder folder;
  std::filesystem::path target = folder / "list.lst";
  write_bytes(target, kOldContent);
  set_read_only(target, true);

  auto result = tw::sys::replace_file(target, "2x2,0,0,1000,1000\r\n");
  EXPECT_EQ(result.status, FileStatus::Failed);
  EXPECT_EQ(result.error, static_cast<std::uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(read_bytes(target), kOldContent);
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.lst"}));

  std::vector<std::string> shown;
  tw::save_list(two_entries(), target, "en",
                [&](const std::string& text) { shown.push_back(text); });
  ASSERT_EQ(shown.size(), 1u);
  // FormatMessageW's own text for the code, after msg.error and a line break.
  EXPECT_EQ(shown[0], "An error has occurred.\n" + tw::sys::system_error_text(ERROR_ACCESS_DENIED));
  EXPECT_NE(tw::sys::system_error_text(ERROR_ACCESS_DENIED).rfind("error ", 0), 0u);
  EXPECT_EQ(read_bytes(target), kOldContent);
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.lst"}));
  set_read_only(target, false);
}

TEST(WindowsListFile, ALockedTargetFailsMidwayAndIsKept) {
  TestFolder folder;
  std::filesystem::path target = folder / "list.lst";
  write_bytes(target, kOldContent);
  // Another program holds the file open without sharing it.
  HANDLE lock = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);

  tw::sys::AtomicFileReplace replace(target);
  ASSERT_TRUE(replace.open().ok());
  ASSERT_TRUE(replace.write("2x2,0,0,1000,1000\r\n").ok());
  std::filesystem::path temp = replace.temp_path().native();
  EXPECT_NE(GetFileAttributesW(temp.c_str()), INVALID_FILE_ATTRIBUTES);
  auto result = replace.commit();
  CloseHandle(lock);

  EXPECT_EQ(result.status, FileStatus::Failed);
  EXPECT_TRUE(result.error == ERROR_SHARING_VIOLATION || result.error == ERROR_ACCESS_DENIED)
      << result.error;
  // The temporary file went at once, not only when the writer is destroyed.
  EXPECT_EQ(GetFileAttributesW(temp.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(read_bytes(target), kOldContent);
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.lst"}));
}

TEST(WindowsListFile, NonAsciiFoldersAndNamesRoundTrip) {
  TestFolder folder;
  std::filesystem::path inner = folder.path() / tw::utf8_to_wide("목록 リスト Список");
  ASSERT_TRUE(CreateDirectoryW(inner.c_str(), nullptr));
  std::filesystem::path target = inner / tw::utf8_to_wide("클릭 목록.lst");
  std::vector<std::string> shown;
  auto show = [&](const std::string& text) { shown.push_back(text); };

  tw::save_list(two_entries(), target, "ko", show);
  EXPECT_NE(GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES);
  ClickList loaded;
  tw::ListLoad load = tw::load_list(target, "ko");
  if (load.status == tw::ListLoad::Status::kFailed) shown.push_back(load.error);
  load.apply_to(loaded);
  EXPECT_EQ(loaded.entries(), two_entries().entries());
  EXPECT_TRUE(shown.empty()) << shown.front();
}

TEST(WindowsListFile, SavingAnEmptyListDeletesAReadOnlyFile) {
  TestFolder folder;
  std::filesystem::path target = folder / "list.lst";
  write_bytes(target, kOldContent);
  set_read_only(target, true);
  std::vector<std::string> shown;
  tw::save_list(ClickList{}, target, "en", [&](const std::string& text) { shown.push_back(text); });
  EXPECT_EQ(GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(shown.empty());
}

TEST(WindowsListFile, AFolderCannotBeOpenedAsAListAndLoadsNothingSilently) {
  TestFolder folder;
  ASSERT_TRUE(CreateDirectoryW((folder / "list.lst").c_str(), nullptr));
  std::vector<std::string> shown;
  ClickList list = two_entries();
  tw::ListLoad load = tw::load_list(folder / "list.lst", "en");
  EXPECT_EQ(load.status, tw::ListLoad::Status::kNoFile);
  if (load.status == tw::ListLoad::Status::kFailed) shown.push_back(load.error);
  load.apply_to(list);
  EXPECT_EQ(list.entries(), two_entries().entries());
  EXPECT_TRUE(shown.empty());
}

// A list that another program still holds open for writing, under a non-ASCII name: its
// start is read through the wide API, the load capped at the limits.
TEST(WindowsListFile, TheStartOfAFileBeingWrittenIsReadUpToTheLimit) {
  TestFolder folder;
  std::filesystem::path target = folder.path() / tw::utf8_to_wide("클릭 목록.lst");
  ASSERT_TRUE(tw::sys::replace_file(target, "1x1,0,0,1000,1000\r\n2x2,0,0,1000,1000\r\n3x3").ok());
  HANDLE writer = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  tw::sys::FileRead start = tw::sys::read_file_start(target, 20);
  tw::sys::FileRead whole = tw::sys::read_file_start(target, 41);
  tw::ListLoad load = tw::load_list(target, "en", {10, 30});
  CloseHandle(writer);
  ASSERT_TRUE(start.result.ok()) << tw::sys::system_error_text(start.result.error);
  EXPECT_EQ(start.bytes, "1x1,0,0,1000,1000\r\n2");
  EXPECT_TRUE(start.more);
  EXPECT_EQ(whole.bytes.size(), 41u);
  EXPECT_FALSE(whole.more);
  EXPECT_EQ(load.entries, (std::vector<ClickEntry>{ClickEntry{1, 1, 1000, 1000, 0, 0}}));
  EXPECT_TRUE(load.capped);
}

TEST(WindowsListFile, ExecutablePathIsAFullWindowsPath) {
  std::filesystem::path path = tw::sys::executable_path().native();
  ASSERT_FALSE(path.empty());
  std::wstring text = path.wstring();
  ASSERT_GE(text.size(), 3u);
  EXPECT_EQ(text[1], L':') << tw::utf16_to_utf8(std::wstring_view(text));
  EXPECT_EQ(path.filename().wstring(), L"app_file_io_win_test.exe");
  EXPECT_EQ(tw::default_list_path(), path.parent_path() / L"Tapwright.lst");
}

}  // namespace
