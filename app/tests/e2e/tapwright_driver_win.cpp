#include "tapwright_driver_win.h"

#include <cstdio>

namespace tw::e2e {

namespace {

constexpr wchar_t kMainWindowClass[] = L"TFrmTapwright";
constexpr wchar_t kSettingsKey[] = L"Software\\Orlannet\\Tapwright";

// Window sizes are compared in physical pixels, as the program sets them.
void become_dpi_aware() {
  static const bool done =
      SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  (void)done;
}

std::wstring source_program() {
  wchar_t value[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableW(L"TW_E2E_TAPWRIGHT", value, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    std::wstring path(value, length);
    if (path[0] != L'/') return path;
    std::string narrow(path.begin(), path.end());
    return windows_path(narrow.c_str());
  }
  return windows_path(TW_TAPWRIGHT_EXE);
}

}  // namespace

bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void pump_for(std::chrono::milliseconds duration) {
  pump_until([] { return false; }, duration);
}

std::wstring windows_path(const char* unix_path) {
  std::wstring path = L"Z:";
  for (const char* c = unix_path; *c != '\0'; ++c) path += *c == '/' ? L'\\' : wchar_t(*c);
  return path;
}

std::wstring widen(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

// ---- ProgramFolder ----------------------------------------------------------------------

ProgramFolder::ProgramFolder() {
  become_dpi_aware();
  static int counter = 0;
  wchar_t base[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, base);
  m_path = std::wstring(base) + L"tw-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter) + L"\\";
  CreateDirectoryW(m_path.c_str(), nullptr);
  m_exe = m_path + L"Tapwright.exe";
  if (!CopyFileW(source_program().c_str(), m_exe.c_str(), FALSE)) {
    std::fprintf(stderr, "e2e: could not copy %ls (error %lu)\n", source_program().c_str(),
                 GetLastError());
  }
}

ProgramFolder::~ProgramFolder() {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((m_path + L"*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::wstring file = m_path + entry.cFileName;
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(file.c_str());
      }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryW(m_path.c_str());
}

// ---- Tapwright --------------------------------------------------------------------------

Tapwright::Tapwright(const std::wstring& exe, const std::wstring& arguments,
                     const std::wstring& error_file) {
  become_dpi_aware();
  std::wstring command = L"\"" + exe + L"\"";
  if (!arguments.empty()) command += L" " + arguments;
  std::vector<wchar_t> line(command.begin(), command.end());
  line.push_back(0);
  std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  // The program's standard error stream into a file, when asked for.
  HANDLE error_handle = nullptr;
  if (!error_file.empty()) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    error_handle = CreateFileW(error_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (error_handle == INVALID_HANDLE_VALUE) error_handle = nullptr;
  }
  if (error_handle) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = error_handle;
    startup.hStdError = error_handle;
  }
  // The program answers the echo that sync() posts only with its test seams on.
  SetEnvironmentVariableW(L"ORLAN_TEST_SEAMS", L"1");
  PROCESS_INFORMATION process{};
  BOOL created = CreateProcessW(nullptr, line.data(), nullptr, nullptr, error_handle != nullptr, 0,
                                nullptr, folder.c_str(), &startup, &process);
  if (error_handle) CloseHandle(error_handle);
  if (!created) {
    std::fprintf(stderr, "e2e: could not start %ls (error %lu)\n", exe.c_str(), GetLastError());
    return;
  }
  CloseHandle(process.hThread);
  m_process = process.hProcess;
  m_id = process.dwProcessId;
}

Tapwright::~Tapwright() {
  if (m_process == nullptr) return;
  if (running()) {
    HWND window = m_window;
    if (window == nullptr) {
      auto windows = top_level_windows(m_id, kMainWindowClass);
      if (!windows.empty()) window = windows.front();
    }
    if (window != nullptr) PostMessageW(window, WM_CLOSE, 0, 0);
    if (!pump_until([&] { return !running(); }, 20s)) {
      std::fprintf(stderr, "e2e: Tapwright %lu did not end after WM_CLOSE; terminated\n", m_id);
      TerminateProcess(m_process, 99);
      WaitForSingleObject(m_process, 10000);
    }
  }
  CloseHandle(m_process);
}

bool Tapwright::running() const {
  return m_process != nullptr && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

HWND Tapwright::wait_for_window(std::chrono::milliseconds timeout) {
  pump_until(
      [&] {
        for (HWND window : top_level_windows(m_id, kMainWindowClass)) {
          if (IsWindowVisible(window)) {
            m_window = window;
            return true;
          }
        }
        return !running();
      },
      timeout);
  return m_window;
}

namespace {

// The window of this process that the program's echoes come back to.
LPARAM g_last_echo = 0;

LRESULT CALLBACK echo_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  static const UINT echo = RegisterWindowMessageW(L"Tapwright.Echo");
  if (message == echo) {
    g_last_echo = l;
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

HWND echo_window() {
  static HWND window = [] {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = echo_proc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"TwE2eEcho";
    RegisterClassW(&window_class);
    return CreateWindowExW(0, L"TwE2eEcho", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  }();
  return window;
}

}  // namespace

bool Tapwright::sync() {
  if (m_window == nullptr) return false;
  static const UINT echo = RegisterWindowMessageW(L"Tapwright.Echo");
  static LPARAM counter = 0;
  const LPARAM token = ++counter;
  if (!PostMessageW(m_window, echo, reinterpret_cast<WPARAM>(echo_window()), token)) return false;
  if (pump_until([&] { return g_last_echo == token; }, 20s)) return true;
  std::fprintf(stderr, "e2e: Tapwright %lu did not answer the echo within 20 s\n", m_id);
  return false;
}

std::optional<DWORD> Tapwright::wait_for_exit(std::chrono::milliseconds timeout) {
  if (m_process == nullptr) return std::nullopt;
  if (!pump_until([&] { return !running(); }, timeout)) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(m_process, &code);
  return code;
}

std::optional<DWORD> Tapwright::close(std::chrono::milliseconds timeout) {
  if (m_window == nullptr || !PostMessageW(m_window, WM_CLOSE, 0, 0)) return std::nullopt;
  return wait_for_exit(timeout);
}

// ---- Windows ----------------------------------------------------------------------------

std::vector<HWND> top_level_windows(DWORD pid, const wchar_t* window_class) {
  struct Search {
    DWORD pid;
    const wchar_t* window_class;
    std::vector<HWND> found;
  } search{pid, window_class, {}};
  // EnumWindows rather than FindWindowW: under Wine the latter missed other processes'
  // windows when called from a process without a window of its own.
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        DWORD owner_pid = 0;
        GetWindowThreadProcessId(window, &owner_pid);
        if (s.pid != 0 && owner_pid != s.pid) return TRUE;
        if (s.window_class != nullptr && class_of(window) != s.window_class) return TRUE;
        s.found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring window_text(HWND window) {
  wchar_t text[1024] = {};
  int length = GetWindowTextW(window, text, 1024);
  return std::wstring(text, length > 0 ? length : 0);
}

std::wstring class_of(HWND window) {
  wchar_t name[256] = {};
  int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

std::vector<std::wstring> child_texts(HWND dialog) {
  std::vector<std::wstring> texts;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM data) -> BOOL {
        reinterpret_cast<std::vector<std::wstring>*>(data)->push_back(window_text(child));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texts));
  return texts;
}

HWND wait_for_dialog(DWORD pid, std::chrono::milliseconds timeout) {
  HWND dialog = nullptr;
  pump_until(
      [&] {
        for (HWND window : top_level_windows(pid, L"#32770")) {
          if (IsWindowVisible(window)) {
            dialog = window;
            return true;
          }
        }
        return false;
      },
      timeout);
  return dialog;
}

bool wait_until_settled(HWND window) {
  RECT before{};
  GetWindowRect(window, &before);
  return pump_until(
      [&] {
        pump_for(300ms);
        RECT now{};
        GetWindowRect(window, &now);
        bool same = EqualRect(&before, &now);
        before = now;
        return same;
      },
      10s);
}

namespace {

// Pointer moves that no program sent (reports from the display server), while a click on a
// dialog is under way.
std::vector<POINT>* g_reported_moves = nullptr;

LRESULT CALLBACK note_reported_move(int code, WPARAM message, LPARAM data) {
  if (code == HC_ACTION && message == WM_MOUSEMOVE && g_reported_moves != nullptr) {
    const auto* move = reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
    if ((move->flags & LLMHF_INJECTED) == 0) g_reported_moves->push_back(move->pt);
  }
  return CallNextHookEx(nullptr, code, message, data);
}

class ReportedMoves {
 public:
  ReportedMoves()
      : m_hook(SetWindowsHookExW(WH_MOUSE_LL, note_reported_move, GetModuleHandleW(nullptr), 0)) {
    g_reported_moves = &m_moves;
  }
  ~ReportedMoves() {
    g_reported_moves = nullptr;
    if (m_hook) UnhookWindowsHookEx(m_hook);
  }
  ReportedMoves(const ReportedMoves&) = delete;
  ReportedMoves& operator=(const ReportedMoves&) = delete;

  void clear() { m_moves.clear(); }
  // The first report of the pointer somewhere other than `at`.
  std::optional<POINT> away_from(POINT at) const {
    for (POINT p : m_moves)
      if (p.x != at.x || p.y != at.y) return p;
    return std::nullopt;
  }

 private:
  HHOOK m_hook;
  std::vector<POINT> m_moves;
};

}  // namespace

bool click_button_to_close(HWND dialog, int id, std::chrono::milliseconds timeout) {
  HWND button = GetDlgItem(dialog, id);
  if (button == nullptr) {
    std::fprintf(stderr, "e2e: the dialog has no button %d\n", id);
    return false;
  }
  if (!wait_until_settled(dialog)) {
    std::fprintf(stderr, "e2e: the dialog kept moving for 10 s\n");
    return false;
  }
  RECT r{};
  GetWindowRect(button, &r);
  const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  if (!move_pointer(centre.x, centre.y) ||
      !pump_until([&] { return WindowFromPoint(centre) == button; }, 5s)) {
    HWND hit = WindowFromPoint(centre);
    std::fprintf(stderr, "e2e: the button at %ld,%ld is covered by \"%ls\" (class %ls)\n",
                 centre.x, centre.y, window_text(hit).c_str(), class_of(hit).c_str());
    return false;
  }
  // Wine, not the program: a Wine process that reads its display-server events late reports
  // the pointer where it was when they were made. The main window, busy with its first
  // frames while a dialog of another thread comes up, reports the place the pointer had
  // when the window was mapped (the middle of the screen, over the window itself) just
  // after the test moved the pointer to the button; Wine takes that as the pointer's
  // place and the click misses the button. The dialog was above its owner throughout, on
  // the X server and in Wine's window order alike. Such a report, which no program sent,
  // is seen here; only then is the click made again.
  ReportedMoves reported;
  for (int attempt = 0; attempt < 3; ++attempt) {
    reported.clear();
    if (!click_at(centre)) return false;
    pump_until([&] { return !IsWindow(dialog) || reported.away_from(centre).has_value(); },
               timeout);
    // A report after a click that counted: the dialog closes all the same.
    if (pump_until([&] { return !IsWindow(dialog); }, 2s)) return true;
    const std::optional<POINT> away = reported.away_from(centre);
    if (!away) {
      std::fprintf(stderr, "e2e: a click on button %d at %ld,%ld left the dialog open\n", id,
                   centre.x, centre.y);
      return false;
    }
    std::fprintf(stderr,
                 "e2e: the display server reported the pointer at %ld,%ld during the click on "
                 "button %d at %ld,%ld (an old report); clicking again\n",
                 away->x, away->y, id, centre.x, centre.y);
    if (!move_pointer(centre.x, centre.y)) return false;
  }
  return !IsWindow(dialog);
}

// ---- Input ------------------------------------------------------------------------------

void press_key(WORD virtual_key) {
  INPUT inputs[2]{};
  inputs[0].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = virtual_key;
  inputs[1] = inputs[0];
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
}

bool move_pointer(int x, int y) {
  SetCursorPos(x, y);
  // Wine answers GetCursorPos from its server for 100 ms after a change and from the
  // display server after that, where the move arrives later: another process asking after
  // those 100 ms saw the old place. So the move counts once the display server's answer
  // is the new place too.
  const auto moved = std::chrono::steady_clock::now();
  return pump_until(
      [&] {
        POINT now{};
        GetCursorPos(&now);
        return now.x == x && now.y == y && std::chrono::steady_clock::now() - moved > 150ms;
      },
      5s);
}

bool click_at(POINT screen) {
  if (!move_pointer(screen.x, screen.y)) {
    POINT now{};
    GetCursorPos(&now);
    std::fprintf(stderr, "e2e: the pointer stayed at %ld,%ld instead of moving to %ld,%ld\n",
                 now.x, now.y, screen.x, screen.y);
    return false;
  }
  INPUT inputs[2]{};
  inputs[0].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1] = inputs[0];
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

// ---- Registry and files -----------------------------------------------------------------

void delete_settings() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
}

std::optional<DWORD> setting(const wchar_t* name) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

void set_log_pixels(DWORD dpi) {
  if (dpi == 0) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels");
    return;
  }
  RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                  sizeof dpi);
}

std::optional<std::string> read_file(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool write_file(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  CloseHandle(file);
  return ok;
}

// ---- Environment ------------------------------------------------------------------------

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const std::optional<std::wstring>& value)
    : m_name(name) {
  wchar_t previous[2048];
  DWORD length = GetEnvironmentVariableW(name, previous, 2048);
  if (length > 0 && length < 2048) m_previous = std::wstring(previous, length);
  SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
}

ScopedEnvironment::~ScopedEnvironment() {
  SetEnvironmentVariableW(m_name.c_str(), m_previous ? m_previous->c_str() : nullptr);
}

}  // namespace tw::e2e
