#include "url_open.h"
#include "log.h"
#include "win32_include.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace olib::update;

class UrlOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    set_url_opener_for_testing(
        [this](const std::string& url, OpenVia via) { m_opened.emplace_back(url, via); });
    olib::set_log_sink([this](const std::string& line) { m_log.push_back(line); });
  }
  void TearDown() override {
    set_url_opener_for_testing({});
    olib::set_log_sink({});
  }
  std::vector<std::pair<std::string, OpenVia>> m_opened;
  std::vector<std::string> m_log;
};

TEST_F(UrlOpen, WebAddressesAreHandedOverWithTheirWay) {
  EXPECT_TRUE(open_web_url("https://dl.example/Tapwright.exe", OpenVia::explorer));
  EXPECT_TRUE(open_web_url("HTTP://notes.example/", OpenVia::shell_open));
  ASSERT_EQ(m_opened.size(), 2u);
  EXPECT_EQ(m_opened[0],
            std::make_pair(std::string("https://dl.example/Tapwright.exe"), OpenVia::explorer));
  EXPECT_EQ(m_opened[1].second, OpenVia::shell_open);
  EXPECT_TRUE(m_log.empty());
}

TEST_F(UrlOpen, LocalProgramsScriptsAndSharesAreRefusedWithALogLine) {
  for (const char* url :
       {"C:\\Windows\\System32\\cmd.exe", "file:///C:/x.bat", "\\\\server\\share\\setup.exe",
        "calc", "javascript:alert(1)", "https://ok.example/\r\nx", " https://ok.example/", ""}) {
    EXPECT_FALSE(open_web_url(url, OpenVia::shell_open)) << url;
  }
  EXPECT_TRUE(m_opened.empty());
  ASSERT_EQ(m_log.size(), 8u);
  for (const auto& line : m_log) {
    EXPECT_EQ(line.rfind("[update] ", 0), 0u) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos);
  }
}

std::wstring folder_of_this_program() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring full(path, length);
  return full.substr(0, full.find_last_of(L"\\/") + 1);
}

bool exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool appears_within(const std::wstring& path, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!exists(path)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// The real opening (no recorder): explorer comes from the Windows folder even when the
// current folder holds a program of that name.
TEST(UrlOpenExplorer, NeverStartsAnExplorerPlantedInTheCurrentFolder) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"olib_planted_explorer\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  std::wstring planted = folder + L"explorer.exe";
  std::wstring marker = folder + L"planted_ran.txt";
  DeleteFileW(marker.c_str());
  ASSERT_TRUE(CopyFileW((folder_of_this_program() + L"" TW_PLANTED_EXPLORER).c_str(),
                        planted.c_str(), FALSE));
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));

  // The trap works: a bare "explorer" started from here is the planted one.
  std::wstring bare = L"explorer \"https://dl.example/\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, bare.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &startup, &process));
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  ASSERT_TRUE(exists(marker));
  DeleteFileW(marker.c_str());

  std::vector<std::string> log;
  olib::set_log_sink([&](const std::string& line) { log.push_back(line); });
  EXPECT_TRUE(open_web_url("https://dl.example/Tapwright.exe", OpenVia::explorer));
  olib::set_log_sink({});
  EXPECT_TRUE(log.empty()) << log.front();
  EXPECT_FALSE(appears_within(marker, std::chrono::seconds(3)));

  SetCurrentDirectoryW(previous);
  DeleteFileW(marker.c_str());
  DeleteFileW(planted.c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
