// A stand-in for Tapwright.exe in the launcher's tests: it records that it was started, and
// with how many arguments, by appending one line to "started.txt" in its own folder.

#include <string>

#include "win32_include.h"

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t path[MAX_PATH * 4] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring folder(path, length);
  folder.resize(folder.find_last_of(L"\\/") + 1);

  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv != nullptr) LocalFree(argv);

  std::string line = "started args=" + std::to_string(argc > 0 ? argc - 1 : 0) + "\n";
  HANDLE file = CreateFileW((folder + L"started.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
  return 0;
}
