// Entry point of TapwrightService.exe.

#include <optional>
#include <string>
#include <vector>

#include "handles_win.h"
#include "launcher.h"
#include "launcher_win.h"
#include "request.h"
#include "win32_include.h"

#include <objbase.h>
#include <shellapi.h>

namespace {

std::vector<std::u16string> command_line_arguments() {
  std::vector<std::u16string> args;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return args;
  for (int i = 0; i < count; ++i) args.push_back(twsvc::from_wide(argv[i]));
  LocalFree(argv);
  return args;
}

std::optional<std::u16string> environment_value(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring value(size, L'\0');
  DWORD length = GetEnvironmentVariableW(name, value.data(), size);
  if (length == 0 || length >= size) return std::nullopt;
  value.resize(length);
  return twsvc::from_wide(value);
}

// The shell expects COM on the thread that calls ShellExecuteW.
class ComApartment {
 public:
  ComApartment()
      : m_initialised(
            SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
  }
  ~ComApartment() {
    if (m_initialised) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool m_initialised;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  ComApartment com;
  twsvc::LaunchOptions options;
  options.install_only = twsvc::install_only_requested(command_line_arguments());
  std::wstring variable = twsvc::to_wide(twsvc::kUpdateEndpointVariable);
  options.endpoint = twsvc::choose_update_endpoint(environment_value(variable.c_str()));
  // The host holds the single-instance mutex until the process ends.
  twsvc::WinLauncherHost host(twsvc::WinLauncherConfig::for_this_program());
  return twsvc::run_launcher(host, options);
}
