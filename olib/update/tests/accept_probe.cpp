// Stand-in main program for the accepting path of the update check: runs the check
// against TAPWRIGHT_UPDATE_URL with `argv[1]` as the dialog title and records what would be
// opened in the file named by `argv[2]` instead of starting a browser.
//
// With a host window (the default) the check must close that window: its WM_CLOSE appends
// " closed" to the record and the program ends through its message loop with 0. With
// `argv[3]` = "no-host" there is no window and the check ends the process itself with 0.
// 7 means neither happened.
#include "update_check.h"
#include "url_open.h"
#include "win_ui_helpers.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string g_record;

LRESULT CALLBACK host_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_CLOSE) {
    if (FILE* file = std::fopen(g_record.c_str(), "ab")) {
      std::fputs(" closed", file);
      std::fclose(file);
    }
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

HWND make_host() {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = host_proc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"OLibAcceptProbeHost";
  RegisterClassW(&window_class);
  return CreateWindowExW(0, L"OLibAcceptProbeHost", L"probe host", WS_POPUP | WS_VISIBLE, 100, 100,
                         400, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  g_record = argv[2];
  bool with_host = !(argc > 3 && std::strcmp(argv[3], "no-host") == 0);
  olib::update::set_url_opener_for_testing([](const std::string& url, olib::update::OpenVia via) {
    if (FILE* file = std::fopen(g_record.c_str(), "wb")) {
      std::fprintf(file, "%s %s", via == olib::update::OpenVia::explorer ? "explorer" : "shell",
                   url.c_str());
      std::fclose(file);
    }
  });
  HWND host = with_host ? make_host() : nullptr;
  if (with_host && host == nullptr) return 3;
  olib::update::run_update_check("en", argv[1], host);
  if (!with_host) {
    olib::update::testing::pump_until([] { return false; }, std::chrono::seconds(30));
    return 7;
  }
  // The host's close path ends this loop.
  SetTimer(nullptr, 0, 30000, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == nullptr) return 7;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
