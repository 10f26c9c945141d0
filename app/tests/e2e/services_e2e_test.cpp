// The real Tapwright.exe under Wine talking to local servers: the crash report of
// "--crash-test" with the fault message box answered by hand, and the update check of
// every start with its request headers and its dialog.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e_fixture_win.h"

namespace tw::e2e {
namespace {

using olib::testing::RecordedRequest;
using olib::testing::Reply;

class Services : public EndToEnd {};

// ---- Crash report -----------------------------------------------------------------------

TEST_F(Services, CrashTestPostsOneReportAndEndsWithTheFaultAfterTheMessageBox) {
  Tapwright program(folder.exe(), L"--crash-test");
  ASSERT_TRUE(program.started());
  // The fault message box, found by its caption among the program's windows.
  HWND box = nullptr;
  ASSERT_TRUE(pump_until(
      [&] {
        for (HWND window : top_level_windows(program.id(), L"#32770")) {
          if (IsWindowVisible(window) &&
              window_text(window) == L"Tapwright.exe - \uC624\uB958 \uBCF4\uACE0") {  // 오류 보고
            box = window;
          }
        }
        return box != nullptr || !program.running();
      },
      60s));
  ASSERT_NE(box, nullptr) << "no fault message box";
  // The report went out before the box was shown.
  EXPECT_EQ(report_server.requests().size(), 1u);
  std::vector<std::wstring> texts = child_texts(box);
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::wstring& t) {
    return t.rfind(L"Access Violation at ", 0) == 0;
  })) << "the box does not name the fault";

  // A person clicks OK.
  ASSERT_NE(GetDlgItem(box, IDOK), nullptr);
  ASSERT_TRUE(click_button_to_close(box, IDOK));
  EXPECT_EQ(program.wait_for_exit(60s), 0xC0000005u);
  // The process has ended: whatever it sent has been answered and recorded.
  std::vector<RecordedRequest> reports = report_server.requests();
  ASSERT_EQ(reports.size(), 1u) << "one fault, one report";
  EXPECT_EQ(reports[0].method, "POST");
  EXPECT_EQ(reports[0].target, "/except.php");
  const std::string& body = reports[0].body;
  EXPECT_NE(body.find("\r\n\r\nTapwright 2.0.1.0\r\n"), std::string::npos);
  EXPECT_NE(body.find("executable        : Tapwright.exe\r\n"), std::string::npos);
  EXPECT_NE(body.find("exception message : Access Violation in Tapwright.exe + "),
            std::string::npos);
  EXPECT_NE(body.find("exception code    : C0000005\r\n"), std::string::npos);
  EXPECT_NE(body.find("app language      : en\r\n"), std::string::npos);
  // The fault comes right after the reporter is installed: no window, no update check.
  EXPECT_TRUE(top_level_windows(0, L"TFrmTapwright").empty());
  EXPECT_EQ(update_server.requests().size(), 0u);
}

// ---- Update check -----------------------------------------------------------------------

// The request headers the update check adds, in the order they were sent.
std::vector<std::string> user_headers(const RecordedRequest& request) {
  std::vector<std::string> lines;
  for (const std::string& line : request.header_lines)
    if (line.rfind("User-", 0) == 0 && line.rfind("User-Agent:", 0) != 0) lines.push_back(line);
  return lines;
}

std::string union_id_of(const RecordedRequest& request) {
  return request.header("User-Union").value_or("");
}

TEST_F(Services, EveryStartSendsOneUpdateRequestWithItsHeaders) {
  for (const wchar_t* language : {L"en", L"ko"}) {
    SCOPED_TRACE(testing::Message() << "--lang " << std::string(language, language + 2));
    std::size_t before = update_server.requests().size();
    Tapwright program(folder.exe(), std::wstring(L"--lang ") + language);
    ASSERT_NE(program.wait_for_window(), nullptr);
    ASSERT_TRUE(update_server.wait_for_requests(before + 1, std::chrono::seconds(30)));
    ASSERT_TRUE(program.sync());
    // Counted once the process has ended: a second request could come no later.
    EXPECT_EQ(program.close(), 0u);
    ASSERT_EQ(update_server.requests().size(), before + 1) << "one request per start";
  }

  std::vector<RecordedRequest> requests = update_server.requests();
  ASSERT_EQ(requests.size(), 2u);
  for (std::size_t i = 0; i < requests.size(); ++i) {
    const RecordedRequest& r = requests[i];
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, "/api.init.php");
    EXPECT_EQ(r.header("User-Agent"), "Mozilla/5.0 (Windows NT 10.0; Win64; x64)");
    std::string id = union_id_of(r);
    EXPECT_EQ(id.size(), 32u) << id;
    EXPECT_EQ(id.find_first_not_of("0123456789ABCDEF"), std::string::npos) << id;
    EXPECT_EQ(user_headers(r),
              (std::vector<std::string>{"User-Version: 2.0.1.0",
                                        std::string("User-Language: ") + (i == 0 ? "en" : "ko"),
                                        "User-Debug: false", "User-Union: " + id}));
  }
  // The identifier is made once and kept for the installation.
  EXPECT_EQ(union_id_of(requests[0]), union_id_of(requests[1]));
}

TEST_F(Services, ReplyNamingAnUpdateShowsTheDialogOwnedByTheMainWindow) {
  update_server.set_default_reply(
      Reply::with_body(R"({"status":"ok","update":"https://example.invalid/Tapwright.zip"})"));
  Tapwright program(folder.exe());
  HWND window = program.wait_for_window();
  ASSERT_NE(window, nullptr);
  HWND dialog = wait_for_dialog(program.id(), 60s);
  ASSERT_NE(dialog, nullptr) << "no update dialog";
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), window);
  std::vector<std::wstring> texts = child_texts(dialog);
  EXPECT_NE(std::find(texts.begin(), texts.end(), L"This program has been updated."), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(),
                      L"It is recommended to download and execute new for stable use.\n\n"
                      L"Do you want to download it?"),
            texts.end());

  // No: the program goes on and nothing more is asked of the service.
  ASSERT_NE(GetDlgItem(dialog, IDNO), nullptr) << "the dialog has no No button";
  // The main window has read what the display server told it while it drew its first
  // frames (under Wine, an old pointer place that would move the pointer off the button).
  ASSERT_TRUE(program.sync());
  ASSERT_TRUE(click_button_to_close(dialog, IDNO));
  ASSERT_TRUE(program.sync());
  EXPECT_TRUE(program.running());
  // Counted once the process has ended: nothing more was asked of the service meanwhile.
  EXPECT_EQ(program.close(), 0u);
  EXPECT_EQ(update_server.requests().size(), 1u);
}

}  // namespace
}  // namespace tw::e2e
