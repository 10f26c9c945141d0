// A program named explorer.exe planted where a bare "explorer" would be found first: it
// only leaves "planted_ran.txt" beside itself, so a test sees whether it was started.
#include "win32_include.h"

#include <string>

int wmain() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring marker(path, length);
  marker = marker.substr(0, marker.find_last_of(L"\\/") + 1) + L"planted_ran.txt";
  HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return 0;
}
