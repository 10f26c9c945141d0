#pragma once

// Drives the real Tapwright.exe from another process, as a person at the desktop would:
// starts it from a folder of its own (its list file lives beside it), finds its windows,
// presses keys and clicks with SendInput, answers its dialogs, closes it and reads what it
// left behind (list file, registry, exit status).
//
// Every wait polls with a deadline and keeps this thread's messages flowing; a deadline is
// generous because the test machine is small and busy, and never decides a result by itself.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "win32_include.h"

namespace tw::e2e {

using namespace std::chrono_literals;

// Runs this thread's messages until `done` holds or `timeout` passes; true when it held.
bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds timeout);
// Runs this thread's messages for `duration` (for checking that something does not happen).
void pump_for(std::chrono::milliseconds duration);

// "/work/x/y.exe" as Wine names it: "Z:\work\x\y.exe".
std::wstring windows_path(const char* unix_path);
std::wstring widen(const std::string& ascii);

// A fresh folder under the prefix's temporary folder with a copy of Tapwright.exe (taken
// from TW_E2E_TAPWRIGHT when set, e.g. a release build, else from the build tree).
class ProgramFolder {
 public:
  ProgramFolder();
  ~ProgramFolder();
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

  const std::wstring& exe() const { return m_exe; }
  std::wstring list_file() const { return m_path + L"Tapwright.lst"; }

 private:
  std::wstring m_path;  // ends in a backslash
  std::wstring m_exe;
};

// One started Tapwright process. The destructor closes it (WM_CLOSE, then termination after
// a deadline) so that a failed test never leaves the single-instance mutex behind.
class Tapwright {
 public:
  // `arguments` follow the program path on the command line. The process inherits this
  // process's environment (set the update and report addresses before starting). With
  // `error_file` its standard output and error streams go to that file.
  Tapwright(const std::wstring& exe, const std::wstring& arguments = L"",
            const std::wstring& error_file = L"");
  ~Tapwright();
  Tapwright(const Tapwright&) = delete;
  Tapwright& operator=(const Tapwright&) = delete;

  bool started() const { return m_process != nullptr; }
  DWORD id() const { return m_id; }
  HANDLE handle() const { return m_process; }

  // The visible main window (class "TFrmTapwright") of this process; null after the deadline.
  HWND wait_for_window(std::chrono::milliseconds timeout = 30s);
  HWND window() const { return m_window; }

  // Waits until the program has handled every message posted to its thread and every input
  // (keys, clicks, pointer moves) queued before the call: posts an echo request, which the
  // program answers once its queue holds nothing else. Sent messages would not do: they
  // overtake posted ones and input.
  bool sync();

  // Asks the window to close (WM_CLOSE) and waits for the process to end.
  std::optional<DWORD> close(std::chrono::milliseconds timeout = 30s);
  // The exit status once the process ended by itself within `timeout`.
  std::optional<DWORD> wait_for_exit(std::chrono::milliseconds timeout);
  bool running() const;

 private:
  HANDLE m_process = nullptr;
  DWORD m_id = 0;
  HWND m_window = nullptr;
};

// Top-level windows of a process, optionally of one class (all of them when `pid` is 0).
std::vector<HWND> top_level_windows(DWORD pid, const wchar_t* window_class = nullptr);
std::wstring window_text(HWND window);
std::wstring class_of(HWND window);
// The texts of a dialog's child controls, in their order.
std::vector<std::wstring> child_texts(HWND dialog);

// Waits for a visible dialog (class "#32770") of process `pid`.
HWND wait_for_dialog(DWORD pid, std::chrono::milliseconds timeout = 30s);

// Waits until the window stays in one place (a dialog may be moved after it is shown);
// false when it still moved at the deadline.
bool wait_until_settled(HWND window);
// Clicks the dialog's button `id` once with the mouse, when the dialog has settled and the
// button is what lies under its centre, and waits for the dialog to close. False, with the
// reason on the error stream, when it did not: a dialog that ignores a click is a fault,
// never clicked again, unless the display server moved the pointer off the button during
// the click (Wine replaying an old pointer place; said on the error stream).
bool click_button_to_close(HWND dialog, int id, std::chrono::milliseconds timeout = 30s);

// Keyboard and mouse input as a person makes it (SendInput).
void press_key(WORD virtual_key);
// A left click at `screen`; false (and no click) when the pointer could not be moved there.
[[nodiscard]] bool click_at(POINT screen);
// Moves the pointer and checks that it arrived.
bool move_pointer(int x, int y);

// The program's settings under HKEY_CURRENT_USER\Software\Orlannet\Tapwright.
void delete_settings();
std::optional<DWORD> setting(const wchar_t* name);
// The system DPI that newly started processes see (HKCU\Control Panel\Desktop LogPixels);
// 0 removes the value (the default, 96).
void set_log_pixels(DWORD dpi);

std::optional<std::string> read_file(const std::wstring& path);
bool write_file(const std::wstring& path, const std::string& bytes);

// Sets (or with nullopt removes) an environment variable of this process, which started
// programs inherit; the destructor restores the previous value.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, const std::optional<std::wstring>& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::wstring m_name;
  std::optional<std::wstring> m_previous;
};

}  // namespace tw::e2e
