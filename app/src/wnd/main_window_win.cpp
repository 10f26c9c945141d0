#include "main_window_win.h"

#include <dwmapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <exception>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "fatal.h"
#include "log.h"
#include "system_theme.h"
#include "window_metrics.h"

namespace tw::wnd {

namespace {

constexpr UINT_PTR kRunTimer = 1;
constexpr DWORD kDarkTitleBarAttribute = 20;  // DWMWA_USE_IMMERSIVE_DARK_MODE
constexpr std::string_view kInactiveClass = "win-inactive";

struct Slots {
  std::unique_ptr<ScreenView> view;
  ScreenCallbacks callbacks;
};

thread_local Slots t_slots;

bool register_main_class(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = main_window_proc;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  if (!window_class.hIcon) window_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kMainWindowClass;
  return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void place_for_dpi(HWND window) {
  UINT dpi = GetDpiForWindow(window);
  if (dpi == 0) dpi = 96;
  PixelSize client = scaled_client_size(dpi);
  RECT outer{0, 0, client.width, client.height};
  AdjustWindowRectExForDpi(&outer, kMainWindowStyle, FALSE, 0, dpi);
  PixelSize size{outer.right - outer.left, outer.bottom - outer.top};

  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
    SetWindowPos(window, nullptr, 0, 0, size.width, size.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  const RECT& work = monitor.rcWork;
  PixelPoint origin = centred_origin({work.left, work.top, work.right, work.bottom}, size);
  SetWindowPos(window, nullptr, origin.x, origin.y, size.width, size.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void use_dark_title_bar(HWND window) {
  // Dark in both themes; systems that do not know the attribute keep their own.
  BOOL dark = TRUE;
  DwmSetWindowAttribute(window, kDarkTitleBarAttribute, &dark, sizeof dark);
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The close callback runs at most once, whichever of close and session end comes first.
void run_close_callback() {
  std::function<void()> close = std::exchange(t_slots.callbacks.close, nullptr);
  if (close) close();
}

void mark_activation(bool active) {
  orlan::Node* root = orlan::document_element(t_slots.view->document());
  ensure(root != nullptr, "document has no root");
  if (active) {
    orlan::remove_class(root, kInactiveClass.data(), kInactiveClass.size());
  } else {
    orlan::add_class(root, kInactiveClass.data(), kInactiveClass.size());
  }
}

// "ORLAN_TEST_SEAMS" in the environment turns on what the end-to-end tests reach the
// program through (below).
bool test_seams_on() {
  static const bool on = std::getenv("ORLAN_TEST_SEAMS") != nullptr;
  return on;
}

bool is_colour_set_change(LPARAM l) {
  // The parameter is often null (a plain setting change).
  auto* area = reinterpret_cast<const wchar_t*>(l);
  return area != nullptr && std::wcscmp(area, L"ImmersiveColorSet") == 0;
}

// With "ORLAN_TEST_SEAMS" set, a posted message of this kind comes back, posted to the
// window in wParam with the same lParam, once everything queued before it has been handled:
// the answer waits for a timer, and timer messages come only when no posted message (a
// hotkey's) and no input (keys, clicks) is waiting. An end-to-end test syncs with it.
UINT echo_message() {
  static const UINT message = test_seams_on() ? RegisterWindowMessageW(L"Tapwright.Echo") : 0;
  return message;
}

// With the test seams on, a hotkey message with this id fails as a failed allocation in the
// hotkey path would: an end-to-end test checks that such a fault is reported.
constexpr WPARAM kFaultingHotkeyId = 0x7E57;

constexpr UINT_PTR kEchoTimer = 0x7E57;

struct EchoRequest {
  HWND reply = nullptr;
  LPARAM token = 0;
};

thread_local EchoRequest t_echo;

// Message dialogs raised while the window is still hidden (the screen is built before it is
// shown): a dialog with a hidden owner has no taskbar button and nothing to come forward
// with, so they wait for the window and are shown from its queue, in the order raised.
constexpr UINT kShowWaitingDialogs = WM_APP + 1;

struct WaitingDialog {
  MessageDialogOptions options;
  ShowDialog show;
};

thread_local std::vector<WaitingDialog> t_waiting_dialogs;

void show_waiting_dialogs() {
  std::vector<WaitingDialog> waiting = std::exchange(t_waiting_dialogs, {});
  for (WaitingDialog& dialog : waiting) {
    std::string error;
    if (!dialog.show(dialog.options, error)) {
      olib::log_line(std::string(kMessageDialogFailure) + error);
    }
  }
}

LRESULT route(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message != 0 && message == echo_message()) {
    t_echo = EchoRequest{reinterpret_cast<HWND>(w), l};
    SetTimer(window, kEchoTimer, USER_TIMER_MINIMUM, nullptr);
    return 0;
  }
  if (message == WM_TIMER && w == kEchoTimer && echo_message() != 0) {
    KillTimer(window, kEchoTimer);
    PostMessageW(t_echo.reply, echo_message(), 0, t_echo.token);
    return 0;
  }
  // Messages can arrive before the view is installed (a dialog shown while the screen is
  // built re-activates its owner); until then they change nothing.
  ScreenView* view = t_slots.view.get();
  switch (message) {
    case kShowWaitingDialogs:
      show_waiting_dialogs();
      return 0;
    case WM_CLOSE:
      run_close_callback();
      DestroyWindow(window);
      return 0;
    case WM_ENDSESSION:
      // The session ends without WM_CLOSE: the list is saved here or never.
      if (w) run_close_callback();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      if (view) orlan::set_bounds(view->view(), 0, 0, LOWORD(l), HIWORD(l));
      return 0;
    case WM_ACTIVATE:
      if (view) mark_activation(LOWORD(w) != WA_INACTIVE);
      return 0;
    case WM_TIMER: {
      if (w != kRunTimer) break;
      std::function<void()> tick = t_slots.callbacks.timer;
      if (tick) tick();
      return 0;
    }
    case WM_HOTKEY: {
      if (w == kFaultingHotkeyId && test_seams_on()) throw std::bad_alloc();
      std::function<void(int)> hotkey = t_slots.callbacks.hotkey;
      if (hotkey) hotkey(static_cast<int>(w));
      return 0;
    }
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(l);
      SetWindowPos(window, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_SETTINGCHANGE:
      if (view && is_colour_set_change(l)) apply_system_theme(view->document());
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, w, l);
}

}  // namespace

HWND create_main_window(const std::wstring& title) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!register_main_class(instance)) return nullptr;
  HWND window = CreateWindowExW(0, kMainWindowClass, title.c_str(), kMainWindowStyle,
                                CW_USEDEFAULT, CW_USEDEFAULT, kClientWidth, kClientHeight, nullptr,
                                nullptr, instance, nullptr);
  if (!window) return nullptr;
  place_for_dpi(window);
  use_dark_title_bar(window);
  return window;
}

ShowDialog show_once_window_visible(ShowDialog show) {
  return [show = std::move(show)](const MessageDialogOptions& options,
                                  std::string& error) -> std::optional<bool> {
    HWND owner = static_cast<HWND>(options.owner);
    // A question needs its answer now; a message can wait.
    if (!options.ok_only || owner == nullptr || IsWindowVisible(owner)) return show(options, error);
    t_waiting_dialogs.push_back(WaitingDialog{options, show});
    return true;
  };
}

void show_main_window(HWND window) {
  ShowWindow(window, SW_SHOW);
  // Posted, not shown here: whatever the window's showing queued runs first.
  if (!t_waiting_dialogs.empty()) PostMessageW(window, kShowWaitingDialogs, 0, 0);
}

void install_view(std::unique_ptr<ScreenView> view) {
  // The old view goes only after the slot holds the new one, so that messages sent while
  // it is destroyed find a complete view.
  std::unique_ptr<ScreenView> old = std::exchange(t_slots.view, std::move(view));
  old.reset();
}

ScreenView* installed_view() noexcept {
  return t_slots.view.get();
}

void install_callbacks(ScreenCallbacks callbacks) {
  t_slots.callbacks = std::move(callbacks);
}

void release_view() {
  t_slots.callbacks = ScreenCallbacks{};
  std::unique_ptr<ScreenView> view = std::move(t_slots.view);
  view.reset();
}

void apply_system_theme(orlan::Document* document) {
  orlan::set_media_features(document, sys::system_prefers_dark(), false);
}

namespace {

void log_fault(std::string_view text) noexcept {
  try {
    olib::log_line(std::string("[wnd] ") + std::string(text));
  } catch (...) {
    std::fputs("[wnd] out of memory\n", stderr);
    std::fflush(stderr);
  }
}

// Reports `text` through the fatal-error facility (the crash reporter's hook), then logs it.
void report_fault(std::string_view text) noexcept {
  try {
    raise_fatal(text);
  } catch (const FatalError& error) {
    log_fault(error.what());
  } catch (...) {
    // The error itself could not be built (no memory); the hook has run.
    log_fault("out of memory");
  }
}

}  // namespace

void report_current_exception() noexcept {
  try {
    throw;
  } catch (const FatalError& error) {
    // Reported when it was raised.
    log_fault(error.what());
  } catch (const std::bad_alloc&) {
    report_fault("out of memory");
  } catch (const std::exception& error) {
    try {
      report_fault(std::string("uncaught exception: ") + error.what());
    } catch (...) {
      // No memory for the text.
      report_fault("uncaught exception");
    }
  } catch (...) {
    report_fault("uncaught exception of unknown type");
  }
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  try {
    return route(window, message, w, l);
  } catch (...) {
    // A fault outside a page handler (the close, timer or hotkey callbacks) ends the program
    // after its report; it must not unwind through the system's frames.
    report_current_exception();
    ExitProcess(3);
  }
}

}  // namespace tw::wnd
