#include "launcher_win.h"

#include <vector>

#include "inet_win.h"
#include "system_win.h"
#include "win32_include.h"

#include <shellapi.h>

namespace twsvc {

namespace {

constexpr wchar_t kOwnerWindowClass[] = L"TapwrightServiceOwner";
constexpr int kOwnerWidth = 240;
constexpr int kOwnerHeight = 40;

void register_owner_class() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kOwnerWindowClass;
  // A second registration (a second host in one process) fails harmlessly.
  RegisterClassExW(&wc);
}

}  // namespace

std::wstring own_executable_folder() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      std::wstring full(path.data(), length);
      std::size_t slash = full.find_last_of(L"\\/");
      return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash + 1);
    }
    path.resize(path.size() * 2);
  }
}

void shell_open(const std::wstring& target) {
  ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

WinLauncherConfig WinLauncherConfig::for_this_program() {
  WinLauncherConfig config;
  config.folder = own_executable_folder();
  config.open_url = shell_open;
  config.start_program = shell_open;
  return config;
}

WinLauncherHost::WinLauncherHost(WinLauncherConfig config) : m_config(std::move(config)) {}

WinLauncherHost::~WinLauncherHost() {
  m_owner.reset();
  if (m_mutex) ReleaseMutex(m_mutex.get());
}

bool WinLauncherHost::claim_single_instance() {
  KernelHandle other(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kMutexName));
  if (other) return false;
  m_mutex.reset(CreateMutexW(nullptr, TRUE, kMutexName));
  DWORD error = GetLastError();
  // Another instance may have made it between the two calls, or may run with rights that
  // keep this one from opening it.
  if (m_mutex && error == ERROR_ALREADY_EXISTS) {
    m_mutex.reset();
    return false;
  }
  return m_mutex || error != ERROR_ACCESS_DENIED;
}

std::uint32_t WinLauncherHost::user_locale() {
  return m_config.locale ? *m_config.locale : static_cast<std::uint32_t>(GetUserDefaultLCID());
}

void WinLauncherHost::create_owner_window(std::u16string_view title) {
  m_title = to_wide(title);
  register_owner_class();
  // Never shown, and placed just below the primary screen so it could not be seen anyway.
  int top = GetSystemMetrics(SM_CYSCREEN) + 1;
  m_owner.reset(CreateWindowExW(WS_EX_TOOLWINDOW, kOwnerWindowClass, kOwnerWindowTitle,
                                WS_POPUP | WS_CAPTION, 0, top, kOwnerWidth, kOwnerHeight, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr));
}

bool WinLauncherHost::main_program_exists() {
  DWORD attributes = GetFileAttributesW(main_program_path().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::u16string WinLauncherHost::main_program_version() {
  return read_file_version(main_program_path());
}

std::u16string WinLauncherHost::update_identifier() {
  return read_or_create_identifier();
}

std::string WinLauncherHost::fetch_update_reply(std::u16string_view url,
                                                std::u16string_view header_block) {
  return fetch_with_wininet(url, header_block);
}

Answer WinLauncherHost::show_message(MessageKind kind, std::u16string_view text) {
  std::wstring body = to_wide(text);
  UINT style = MB_SETFOREGROUND | MB_TOPMOST;
  style |= kind == MessageKind::UpdateOffer ? MB_YESNO | MB_ICONINFORMATION : MB_OK | MB_ICONERROR;
  int answer = MessageBoxW(m_owner.get(), body.c_str(), m_title.c_str(), style);
  if (answer == IDYES) return Answer::Yes;
  if (answer == IDNO) return Answer::No;
  return Answer::Ok;
}

void WinLauncherHost::open_url(std::u16string_view url) {
  if (m_config.open_url) m_config.open_url(to_wide(url));
}

void WinLauncherHost::start_main_program() {
  if (m_config.start_program) m_config.start_program(main_program_path());
}

}  // namespace twsvc
