// Entry point of Tapwright.exe.

#include <string>
#include <vector>

#include "startup.h"
#include "utf.h"
#include "win32_include.h"

#include <shellapi.h>

namespace {

std::vector<std::string> arguments_after_program() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return args;
  for (int i = 1; i < count; ++i) args.push_back(tw::utf16_to_utf8(std::wstring_view(argv[i])));
  LocalFree(argv);
  return args;
}

std::string user_locale_name() {
  wchar_t name[85] = {};
  if (GetUserDefaultLocaleName(name, 85) == 0) return {};
  return tw::utf16_to_utf8(std::wstring_view(name));
}

// One instance per logon session: a second start brings the first window forward.
// Returns false when this process is the second one and must end.
bool claim_single_instance() {
  std::wstring name = tw::utf8_to_wide(tw::single_instance_mutex_name());
  // Stays open until the process ends.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr || GetLastError() != ERROR_ALREADY_EXISTS) return true;
  std::wstring window_class = tw::utf8_to_wide(tw::kWindowClass);
  if (HWND running = FindWindowW(window_class.c_str(), nullptr)) {
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
  }
  return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  tw::CommandLine command_line = tw::parse_command_line(arguments_after_program());
  std::string language = tw::choose_language_code(command_line, user_locale_name());
  (void)language;
  if (!claim_single_instance()) return 0;
  // The main window and its message loop join here with the main screen.
  return 0;
}
