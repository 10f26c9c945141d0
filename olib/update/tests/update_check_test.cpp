#include "update_check.h"
#include "http_test_server.h"
#include "log.h"
#include "update_bar.h"
#include "url_open.h"
#include "win_ui_helpers.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace olib::update;
using olib::testing::HttpTestServer;
using olib::testing::Reply;
using olib::update::testing::pump_until;
using olib::update::testing::TestHost;
using olib::update::testing::wait_for_window;
using namespace std::chrono_literals;

class UpdateCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    olib::set_log_sink([this](const std::string& line) {
      std::lock_guard lock(m_mutex);
      m_log.push_back(line);
    });
    set_url_opener_for_testing([this](const std::string& url, OpenVia) {
      std::lock_guard lock(m_mutex);
      m_opened.push_back(url);
    });
  }
  void TearDown() override {
    if (HWND bar = current_update_bar()) {
      PostMessageW(bar, WM_APP + 1, 0, 0);
      pump_until([] { return current_update_bar() == nullptr; }, 5s);
    }
    olib::set_log_sink({});
    set_url_opener_for_testing({});
  }

  UpdateConfig config() const {
    UpdateConfig config;
    config.url = m_server.url("/api.init.php");
    config.version = "2.0.1.0";
    config.language = "en-US";
    config.user_agent = std::string(kUpdateUserAgent);
    config.union_id = "TEST-UNION";
    return config;
  }

  // Runs the check on a thread of its own, as the program does.
  std::future<UpdateCheckOutcome> check_async(const char* title) {
    UpdateConfig settings = config();
    HWND host = m_host.get();
    return std::async(std::launch::async,
                      [settings, title, host] { return check_for_update(settings, title, host); });
  }

  template <class Future>
  bool finished(Future& future) {
    return pump_until([&] { return future.wait_for(0s) == std::future_status::ready; }, 15s);
  }

  std::vector<std::string> log_lines() {
    std::lock_guard lock(m_mutex);
    return m_log;
  }

  HttpTestServer m_server;
  TestHost m_host{100, 100, 400, 300};
  std::mutex m_mutex;
  std::vector<std::string> m_log;
  std::vector<std::string> m_opened;
};

TEST_F(UpdateCheck, UpdateReplyShowsTheDialogAndATickedCheckBoxSendsHold) {
  m_server.push_reply(Reply::with_body(
      R"({"status":"OK","update":"https://dl.example/Tapwright.exe",
          "info":{"style":" Hold ","text":"Skip this version"}})"));
  auto outcome = check_async("Tapwright update hold");
  HWND dialog = wait_for_window(nullptr, L"Tapwright update hold", 10s);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), m_host.get());
  SendMessageW(dialog, TDM_CLICK_VERIFICATION, TRUE, FALSE);
  SendMessageW(dialog, TDM_CLICK_BUTTON, IDNO, 0);
  ASSERT_TRUE(finished(outcome));
  UpdateCheckOutcome result = outcome.get();
  EXPECT_FALSE(result.accepted);

  ASSERT_TRUE(m_server.wait_for_requests(2, 5s));
  auto requests = m_server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].header("User-Command"), std::nullopt);
  EXPECT_EQ(requests[1].header("User-Command"), "hold");
  EXPECT_EQ(requests[1].header("User-Union"), "TEST-UNION");
  EXPECT_EQ(requests[1].header("User-Version"), "2.0.1.0");
  EXPECT_TRUE(m_opened.empty());
}

TEST_F(UpdateCheck, YesWithoutTheCheckBoxAcceptsAndSendsNoHold) {
  m_server.push_reply(Reply::with_body(R"({"update":" https://dl.example/Tapwright.exe "})"));
  auto outcome = check_async("Tapwright update yes");
  HWND dialog = wait_for_window(nullptr, L"Tapwright update yes", 10s);
  ASSERT_NE(dialog, nullptr);
  SendMessageW(dialog, TDM_CLICK_BUTTON, IDYES, 0);
  ASSERT_TRUE(finished(outcome));
  UpdateCheckOutcome result = outcome.get();
  EXPECT_TRUE(result.accepted);
  EXPECT_EQ(result.update_url, "https://dl.example/Tapwright.exe");
  EXPECT_FALSE(m_server.wait_for_requests(2, 500ms));
}

TEST_F(UpdateCheck, NotifyReplyGluesTheBarUnderTheHost) {
  m_server.push_reply(Reply::with_body(R"({"notify":"https://notify.example/whatsnew"})"));
  auto outcome = check_async("Tapwright update notify");
  ASSERT_TRUE(finished(outcome));
  EXPECT_FALSE(outcome.get().accepted);
  HWND bar = nullptr;
  ASSERT_TRUE(pump_until(
      [&] { return (bar = current_update_bar()) != nullptr && IsWindowVisible(bar); }, 5s));
  EXPECT_EQ(GetWindow(bar, GW_OWNER), m_host.get());
  RECT rect{};
  pump_until(
      [&] {
        GetWindowRect(bar, &rect);
        return rect.top == 406;
      },
      2s);
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.right, 500);
  EXPECT_EQ(rect.top, 406);
  EXPECT_EQ(rect.bottom, 434);
  EXPECT_EQ(FindWindowW(nullptr, L"Tapwright update notify"), nullptr);
}

TEST_F(UpdateCheck, StatusErrorShowsNothingAndLogsTheServerMessage) {
  m_server.push_reply(Reply::with_body(
      R"({"status":"error","update":"https://dl.example/x","notify":"https://n.example/",
          "error":"maintenance"})"));
  auto outcome = check_async("Tapwright update error");
  ASSERT_TRUE(finished(outcome));
  EXPECT_FALSE(outcome.get().accepted);
  EXPECT_EQ(current_update_bar(), nullptr);
  std::vector<std::string> expected{"[update] 서버 응답: maintenance"};
  EXPECT_EQ(log_lines(), expected);
}

TEST_F(UpdateCheck, ANonWebUpdateAddressIsNeverOffered) {
  m_server.push_reply(Reply::with_body(
      R"({"update":"C:\\Windows\\System32\\calc.exe","notify":"file:///C:/evil.bat"})"));
  auto outcome = check_async("Tapwright update unsafe");
  ASSERT_TRUE(finished(outcome));
  EXPECT_FALSE(outcome.get().accepted);
  EXPECT_EQ(current_update_bar(), nullptr);
  auto lines = log_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("[update] ", 0), 0u);
  EXPECT_NE(lines[0].find("evil.bat"), std::string::npos);
  EXPECT_NE(lines[1].find("calc.exe"), std::string::npos);
  EXPECT_TRUE(m_opened.empty());
}

TEST_F(UpdateCheck, FailuresAreOneUpdateLineEach) {
  m_server.push_reply(Reply::with_status(404, "nothing here"));
  m_server.push_reply(Reply::with_body("{\"update\":"));
  auto status = check_async("x");
  ASSERT_TRUE(finished(status));
  auto parse = check_async("x");
  ASSERT_TRUE(finished(parse));
  auto lines = log_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[update] [http] 업데이트 서버가 404 응답을 보냈습니다.");
  EXPECT_EQ(lines[1].rfind("[update] [parse] 업데이트 응답을 해석하지 못했습니다: ", 0), 0u)
      << lines[1];
}

// The program's own entry: endpoint and version from the environment, its own thread.
TEST_F(UpdateCheck, RunUpdateCheckUsesTheEnvironmentAndKeepsTheProgramRunningAfterNo) {
  m_server.push_reply(Reply::with_body(
      R"({"update":"https://dl.example/t.exe","info":{"style":"hold","text":"Later"}})"));
  _putenv_s("TAPWRIGHT_UPDATE_URL", m_server.url("/api.init.php").c_str());
  _putenv_s("TAPWRIGHT_UPDATE_VERSION", "   ");
  run_update_check("ko-KR", "Tapwright run test", m_host.get());
  HWND dialog = wait_for_window(nullptr, L"Tapwright run test", 10s);
  ASSERT_NE(dialog, nullptr);
  SendMessageW(dialog, TDM_CLICK_VERIFICATION, TRUE, FALSE);
  SendMessageW(dialog, TDM_CLICK_BUTTON, IDNO, 0);
  ASSERT_TRUE(m_server.wait_for_requests(2, 10s));
  auto requests = m_server.requests();
  EXPECT_EQ(requests[0].target, "/api.init.php");
  EXPECT_EQ(requests[0].header("User-Version"), "2.0.1.0");
  EXPECT_EQ(requests[0].header("User-Language"), "ko-KR");
  EXPECT_EQ(requests[0].header("User-Debug"), "false");
  EXPECT_EQ(requests[0].header("User-Agent"), "Mozilla/5.0 (Windows NT 10.0; Win64; x64)");
  auto union_id = requests[0].header("User-Union");
  ASSERT_TRUE(union_id.has_value());
  EXPECT_EQ(union_id->size(), 32u);
  EXPECT_EQ(requests[1].header("User-Command"), "hold");
  EXPECT_EQ(requests[1].header("User-Union"), union_id);
  pump_until([] { return false; }, 300ms);
  EXPECT_TRUE(m_opened.empty());
  _putenv_s("TAPWRIGHT_UPDATE_URL", "");
  _putenv_s("TAPWRIGHT_UPDATE_VERSION", "");
}

}  // namespace
