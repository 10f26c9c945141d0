#include "url_open.h"

#include "log.h"
#include "system_error.h"
#include "text.h"
#include "utf.h"
#include "web_url.h"
#include "win32_include.h"

#include <shellapi.h>

#include <mutex>

namespace olib::update {

namespace {

std::mutex g_opener_mutex;
UrlOpener g_opener;

// %WINDIR%\explorer.exe, or empty when the Windows folder cannot be named.
std::wstring explorer_path() {
  wchar_t folder[MAX_PATH];
  UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::wstring path(folder, length);
  if (path.back() != L'\\') path += L'\\';
  return path + L"explorer.exe";
}

void start_explorer(const std::string& url) {
  // A double quote inside the URL would end the quoted argument early and let the rest
  // become further arguments; as %22 it means the same to a web server.
  std::string quoted;
  for (char c : url) {
    if (c == '"') {
      quoted += "%22";
    } else {
      quoted += c;
    }
  }
  // By full path: a bare "explorer" is looked up in the program's folder and the current
  // directory first, where anyone who can drop a file there would be started instead.
  std::wstring program = explorer_path();
  if (program.empty()) {
    log_line("[update] Windows 폴더를 찾지 못해 explorer 를 실행하지 않습니다.");
    return;
  }
  std::wstring command = L"\"" + program + L"\" \"" + tw::utf8_to_wide(quoted) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &process)) {
    log_line("[update] explorer 를 실행하지 못했습니다: " +
             tw::sys::system_error_text(GetLastError()));
    return;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

void shell_open(const std::string& url) {
  std::wstring wide = tw::utf8_to_wide(url);
  auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) log_line("[update] 주소를 열지 못했습니다: " + printable_for_log(url));
}

}  // namespace

bool open_web_url(std::string_view url, OpenVia via) {
  std::string text(url);
  if (!tw::is_openable_web_url(text)) {
    log_line("[update] 웹 주소가 아니어서 열지 않습니다: " + printable_for_log(text));
    return false;
  }
  {
    std::lock_guard lock(g_opener_mutex);
    if (g_opener) {
      g_opener(text, via);
      return true;
    }
  }
  if (via == OpenVia::explorer) {
    start_explorer(text);
  } else {
    shell_open(text);
  }
  return true;
}

void set_url_opener_for_testing(UrlOpener opener) {
  std::lock_guard lock(g_opener_mutex);
  g_opener = std::move(opener);
}

}  // namespace olib::update
