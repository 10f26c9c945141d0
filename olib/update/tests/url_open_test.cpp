#include "url_open.h"
#include "log.h"

#include <gtest/gtest.h>

#include <string>
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

}  // namespace
