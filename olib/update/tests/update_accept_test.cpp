#include "http_test_server.h"
#include "utf.h"
#include "win_ui_helpers.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using olib::testing::HttpTestServer;
using olib::testing::Reply;
using olib::update::testing::pump_until;
using olib::update::testing::wait_for_window;
using namespace std::chrono_literals;

std::wstring beside_this_program(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring full(path, length);
  return full.substr(0, full.find_last_of(L"\\/") + 1) + name;
}

struct ProbeRun {
  bool ended = false;
  DWORD code = 99;
  std::string record;
};

// Starts the probe, answers its update dialog with Yes and waits for it to end.
ProbeRun run_probe(const wchar_t* mode) {
  ProbeRun run;
  HttpTestServer server;
  server.push_reply(Reply::with_body(R"({"update":"https://dl.example/Tapwright-2.1.exe"})"));
  SetEnvironmentVariableW(L"TAPWRIGHT_UPDATE_URL",
                          tw::utf8_to_wide(server.url("/api.init.php")).c_str());
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring record = std::wstring(temp) + L"olib_accept_probe.txt";
  DeleteFileW(record.c_str());

  std::wstring probe = beside_this_program(L"" TW_ACCEPT_PROBE);
  std::wstring command =
      L"\"" + probe + L"\" \"Tapwright accept probe\" \"" + record + L"\" " + mode;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  EXPECT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  if (!process.hProcess) return run;
  CloseHandle(process.hThread);

  HWND dialog = wait_for_window(nullptr, L"Tapwright accept probe", 20s);
  EXPECT_NE(dialog, nullptr);
  if (dialog != nullptr) SendMessageW(dialog, TDM_CLICK_BUTTON, IDYES, 0);
  run.ended =
      pump_until([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 20s);
  if (!run.ended) TerminateProcess(process.hProcess, 99);
  GetExitCodeProcess(process.hProcess, &run.code);
  CloseHandle(process.hProcess);

  std::ifstream file(tw::utf16_to_utf8(record));
  std::stringstream text;
  text << file.rdbuf();
  run.record = text.str();
  file.close();
  DeleteFileW(record.c_str());
  return run;
}

TEST(UpdateAccept, YesOpensTheDownloadAndClosesTheHostWindowThroughItsOwnClosePath) {
  ProbeRun run = run_probe(L"host");
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.code, 0u);
  // The window's WM_CLOSE ran after the download was handed to explorer.
  EXPECT_EQ(run.record, "explorer https://dl.example/Tapwright-2.1.exe closed");
}

TEST(UpdateAccept, YesWithoutAHostWindowEndsTheProgramWithZero) {
  ProbeRun run = run_probe(L"no-host");
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.code, 0u);
  EXPECT_EQ(run.record, "explorer https://dl.example/Tapwright-2.1.exe");
}

}  // namespace
