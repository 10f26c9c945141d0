#include "file_io.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "module_path.h"
#include "system_error.h"
#include "test_folder.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

using tw::sys::FileStatus;
using tw::sys::WriteStep;
using tw::test::read_bytes;
using tw::test::TestFolder;
using tw::test::write_bytes;

#ifdef _WIN32
constexpr std::uint32_t kPathNotFound = 3;  // ERROR_PATH_NOT_FOUND
#else
constexpr std::uint32_t kPathNotFound = ENOENT;
#endif

// A write primitive that plays back a script of results and records what it was offered.
struct ScriptedWriter {
  explicit ScriptedWriter(std::vector<WriteStep> steps = {}) : script(std::move(steps)) {}

  std::vector<WriteStep> script;
  std::vector<std::size_t> offered;
  std::string taken;
  std::size_t next = 0;

  WriteStep operator()(const char* data, std::size_t size) {
    offered.push_back(size);
    WriteStep step = next < script.size() ? script[next++] : WriteStep{size, 0, false};
    if (!step.interrupted && step.error == 0) taken.append(data, std::min(step.written, size));
    return step;
  }
};

TEST(WriteAll, ContinuesAfterPartialWrites) {
  ScriptedWriter writer({{3, 0, false}, {1, 0, false}});
  auto result = tw::sys::write_all("abcdefgh", std::ref(writer));
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(writer.taken, "abcdefgh");
  EXPECT_EQ(writer.offered, (std::vector<std::size_t>{8, 5, 4}));
}

TEST(WriteAll, RetriesAnInterruptedWrite) {
  ScriptedWriter writer({{0, 4, true}, {0, 4, true}, {2, 0, false}});
  auto result = tw::sys::write_all("abcd", std::ref(writer));
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(writer.taken, "abcd");
  EXPECT_EQ(writer.offered, (std::vector<std::size_t>{4, 4, 4, 2}));
}

TEST(WriteAll, AWriteThatTakesNothingIsAShortWrite) {
  ScriptedWriter writer({{2, 0, false}, {0, 0, false}});
  auto result = tw::sys::write_all("abcd", std::ref(writer));
  EXPECT_EQ(result.status, FileStatus::ShortWrite);
  EXPECT_EQ(writer.taken, "ab");
}

TEST(WriteAll, AnErrorStopsWithItsCode) {
  ScriptedWriter writer({{1, 0, false}, {0, 28, false}});
  auto result = tw::sys::write_all("abcd", std::ref(writer));
  EXPECT_EQ(result.status, FileStatus::Failed);
  EXPECT_EQ(result.error, 28u);
  EXPECT_EQ(writer.offered.size(), 2u);
}

TEST(WriteAll, NothingToWriteCallsNothing) {
  ScriptedWriter writer;
  EXPECT_TRUE(tw::sys::write_all("", std::ref(writer)).ok());
  EXPECT_TRUE(writer.offered.empty());
}

TEST(ReplaceFile, CreatesANewFileWithExactlyTheBytes) {
  TestFolder folder;
  std::string bytes("a\r\nb\0c\r\n", 8);
  auto result = tw::sys::replace_file(folder / "list.lst", bytes);
  ASSERT_TRUE(result.ok()) << tw::sys::system_error_text(result.error);
  EXPECT_EQ(read_bytes(folder / "list.lst"), bytes);
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.lst"}));
}

TEST(ReplaceFile, ReplacesLongerContentWithoutLeavingItsTail) {
  TestFolder folder;
  write_bytes(folder / "list.lst", std::string(100000, 'x'));
  ASSERT_TRUE(tw::sys::replace_file(folder / "list.lst", "short\r\n").ok());
  EXPECT_EQ(read_bytes(folder / "list.lst"), "short\r\n");
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.lst"}));
}

TEST(ReplaceFile, WritesLargeContentWhole) {
  TestFolder folder;
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += std::to_string(i) + "x1,0,0,1000,1000\r\n";
  ASSERT_TRUE(tw::sys::replace_file(folder / "big.lst", bytes).ok());
  EXPECT_EQ(read_bytes(folder / "big.lst"), bytes);
}

TEST(ReplaceFile, TheTemporaryFileLivesBesideTheTarget) {
  TestFolder folder;
  write_bytes(folder / "list.lst", "old");
  tw::sys::AtomicFileReplace replace(folder / "list.lst");
  ASSERT_TRUE(replace.open().ok());
  EXPECT_EQ(replace.temp_path().parent_path(), folder.path());
  EXPECT_TRUE(std::filesystem::exists(replace.temp_path().native()));
  ASSERT_TRUE(replace.write("new").ok());
  // Until the commit the target is untouched.
  EXPECT_EQ(read_bytes(folder / "list.lst"), "old");
  ASSERT_TRUE(replace.commit().ok());
  EXPECT_EQ(read_bytes(folder / "list.lst"), "new");
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.lst"}));
}

TEST(ReplaceFile, AbandonedMidwayLeavesTheOldFileAndNoTemporaryFile) {
  TestFolder folder;
  write_bytes(folder / "list.lst", "1x1,0,0,1000,1000\r\n2x2,0,0,1000,1000\r\n");
  {
    tw::sys::AtomicFileReplace replace(folder / "list.lst");
    ASSERT_TRUE(replace.open().ok());
    ASSERT_TRUE(replace.write("9x9,0,0,").ok());
    // The save stops here (an exception, a failed step): the writer goes out of scope.
  }
  EXPECT_EQ(read_bytes(folder / "list.lst"), "1x1,0,0,1000,1000\r\n2x2,0,0,1000,1000\r\n");
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.lst"}));
}

TEST(ReplaceFile, AFolderInTheWayFailsAndStaysIntact) {
  TestFolder folder;
  std::filesystem::create_directory(folder / "list.lst");
  write_bytes(folder / "list.lst" / "inside.txt", "keep");
  auto result = tw::sys::replace_file(folder / "list.lst", "new\r\n");
  EXPECT_EQ(result.status, FileStatus::Failed);
  EXPECT_NE(result.error, 0u);
  EXPECT_TRUE(std::filesystem::is_directory(folder / "list.lst"));
  EXPECT_EQ(read_bytes(folder / "list.lst" / "inside.txt"), "keep");
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.lst"}));
}

TEST(ReplaceFile, AMissingFolderFailsWithTheSystemCode) {
  TestFolder folder;
  auto result = tw::sys::replace_file(folder / "no-such-folder" / "list.lst", "x");
  EXPECT_EQ(result.status, FileStatus::Failed);
  EXPECT_EQ(result.error, kPathNotFound);
  EXPECT_EQ(folder.names(), std::vector<std::string>{});
}

#ifndef _WIN32
// A file-size limit makes the write fail partway through, as a full disk would.
TEST(ReplaceFile, AWriteFailingMidwayKeepsTheOldFile) {
  TestFolder folder;
  std::string old_content = "1x1,0,0,1000,1000\r\n";
  write_bytes(folder / "list.lst", old_content);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  auto result = tw::sys::replace_file(folder / "list.lst", std::string(100000, 'x'));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous_handler);
  EXPECT_EQ(result.status, FileStatus::Failed);
  EXPECT_EQ(result.error, static_cast<std::uint32_t>(EFBIG));
  EXPECT_EQ(read_bytes(folder / "list.lst"), old_content);
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.lst"}));
}

TEST(ReplaceFile, AReadOnlyFileIsNotSavedOver) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
  TestFolder folder;
  write_bytes(folder / "list.lst", "old");
  std::filesystem::permissions(folder / "list.lst", std::filesystem::perms::owner_read);
  auto result = tw::sys::replace_file(folder / "list.lst", "new");
  EXPECT_EQ(result.status, FileStatus::Failed);
  EXPECT_EQ(result.error, static_cast<std::uint32_t>(EACCES));
  EXPECT_EQ(read_bytes(folder / "list.lst"), "old");
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.lst"}));
}
#endif

TEST(ReadFileStart, ReadsAtMostTheLimitAndSaysWhetherTheFileGoesOn) {
  TestFolder folder;
  std::string bytes(70000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13);
  write_bytes(folder / "data.bin", bytes);
  write_bytes(folder / "empty.bin", "");
  struct Case {
    const char* name;
    std::size_t limit;
    std::size_t expected;
    bool more;
  };
  const Case cases[] = {
      {"data.bin", 0, 0, true},          {"data.bin", 1, 1, true},
      {"data.bin", 16384, 16384, true},  // one read's buffer, then the byte that says "more"
      {"data.bin", 40000, 40000, true},  {"data.bin", 69999, 69999, true},
      {"data.bin", 70000, 70000, false}, {"data.bin", 70001, 70000, false},
      {"data.bin", std::numeric_limits<std::size_t>::max(), 70000, false},
      {"empty.bin", 0, 0, false},        {"empty.bin", 10, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " up to " << c.limit);
    auto read = tw::sys::read_file_start(folder / c.name, c.limit);
    ASSERT_TRUE(read.result.ok()) << tw::sys::system_error_text(read.result.error);
    EXPECT_EQ(read.bytes, bytes.substr(0, c.expected));
    EXPECT_EQ(read.more, c.more);
  }
  auto missing = tw::sys::read_file_start(folder / "missing.lst", 10);
  EXPECT_EQ(missing.result.status, FileStatus::CannotOpen);
  EXPECT_NE(missing.result.error, 0u);
  EXPECT_TRUE(missing.bytes.empty());
  EXPECT_FALSE(missing.more);
}

TEST(RemoveFileQuietly, RemovesAFileAndIgnoresAMissingOne) {
  TestFolder folder;
  write_bytes(folder / "a.lst", "x");
  tw::sys::remove_file_quietly(folder / "a.lst");
  EXPECT_FALSE(std::filesystem::exists(folder / "a.lst"));
  tw::sys::remove_file_quietly(folder / "a.lst");
  tw::sys::remove_file_quietly(folder / "no-folder" / "b.lst");
  EXPECT_EQ(folder.names(), std::vector<std::string>{});
}

TEST(ExecutablePath, NamesThisTestProgram) {
  std::filesystem::path path = tw::sys::executable_path().native();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(path.is_absolute()) << path;
  EXPECT_EQ(path.stem().string(), "app_file_io_test");
  EXPECT_TRUE(std::filesystem::exists(path)) << path;
}

}  // namespace

namespace {

// The folder and name of a path as the list files need them, on the system's own form.
TEST(FilePathParts, FolderNameAndJoin) {
  using tw::sys::FilePath;
#ifdef _WIN32
  const FilePath exe = L"C:\\Program Files\\Tapwright\\Tapwright.exe";
  EXPECT_EQ(exe.parent_path(), FilePath(L"C:\\Program Files\\Tapwright"));
  EXPECT_EQ(exe.filename(), FilePath(L"Tapwright.exe"));
  EXPECT_EQ(FilePath(L"C:\\Tapwright.exe").parent_path(), FilePath(L"C:\\"));
  EXPECT_EQ(FilePath(L"C:/a/b.lst").parent_path(), FilePath(L"C:/a"));
  EXPECT_EQ(FilePath(L"C:\\") / FilePath(L"x.lst"), FilePath(L"C:\\x.lst"));
  EXPECT_EQ(FilePath(L"C:\\a") / FilePath(L"x.lst"), FilePath(L"C:\\a\\x.lst"));
#else
  const FilePath exe = "/opt/tapwright/Tapwright";
  EXPECT_EQ(exe.parent_path(), FilePath("/opt/tapwright"));
  EXPECT_EQ(exe.filename(), FilePath("Tapwright"));
  EXPECT_EQ(FilePath("/Tapwright").parent_path(), FilePath("/"));
  EXPECT_EQ(FilePath("/") / FilePath("x.lst"), FilePath("/x.lst"));
  EXPECT_EQ(FilePath("/a") / FilePath("x.lst"), FilePath("/a/x.lst"));
#endif
  EXPECT_FALSE(FilePath(tw::sys::path_from_utf8("Tapwright.lst")).has_parent_path());
  EXPECT_EQ(FilePath() / tw::sys::path_from_utf8("x.lst"), tw::sys::path_from_utf8("x.lst"));
  EXPECT_EQ(tw::sys::path_to_utf8(tw::sys::path_from_utf8("목록 リスト.lst")), "목록 リスト.lst");
}

}  // namespace
