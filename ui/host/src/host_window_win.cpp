#include "host_window_win.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <new>

#include "animations.h"
#include "computed_style.h"
#include "document.h"
#include "last_error.h"
#include "utf.h"

#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

namespace orlan {

namespace {

constexpr const wchar_t* kHostClass = L"OrlanUIView";

HostTestSwitches g_switches;

// ---- Scale ---------------------------------------------------------------------------------

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn dpi_for_window_function() {
  // Looked up at run time once: older systems do not have it.
  static GetDpiForWindowFn function = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowFn>(GetProcAddress(user32, "GetDpiForWindow"))
                  : nullptr;
  }();
  return g_switches.no_dpi_for_window ? nullptr : function;
}

float scale_for_window(HWND window) {
  if (GetDpiForWindowFn dpi_for_window = dpi_for_window_function()) {
    if (UINT dpi = dpi_for_window(window)) return static_cast<float>(dpi) / 96.0f;
  }
  if (HDC screen = GetDC(nullptr)) {
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    if (dpi > 0) return static_cast<float>(dpi) / 96.0f;
  }
  return 1.0f;
}

void update_viewport(HostWindow& host) {
  float scale = host.effective_scale();
  set_viewport(*host.view->document, static_cast<float>(host.client_width) / scale,
               static_cast<float>(host.client_height) / scale);
}

// ---- Top-level windows ---------------------------------------------------------------------

// Every top-level window that hosts are registered with, and the window procedure it had
// before it was subclassed. Process-wide; hosts of different threads may share the list.
struct TopLevel {
  HWND window = nullptr;
  WNDPROC previous = nullptr;
  HostWindow* hosts = nullptr;
  TopLevel* next = nullptr;
};

std::mutex g_top_levels_lock;
TopLevel* g_top_levels = nullptr;

TopLevel* find_top_level(HWND window) {
  for (TopLevel* entry = g_top_levels; entry; entry = entry->next) {
    if (entry->window == window) return entry;
  }
  return nullptr;
}

void drop_top_level(TopLevel* entry) {
  for (TopLevel** link = &g_top_levels; *link; link = &(*link)->next) {
    if (*link == entry) {
      *link = entry->next;
      delete entry;
      return;
    }
  }
}

LRESULT CALLBACK top_level_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  WNDPROC previous = nullptr;
  {
    std::lock_guard lock(g_top_levels_lock);
    TopLevel* entry = find_top_level(window);
    if (!entry) return DefWindowProcW(window, message, w, l);
    previous = entry->previous;
    if (message == WM_ACTIVATE) {
      // Posted, not sent: the host reacts once the activation itself is over.
      WPARAM active = LOWORD(w) != WA_INACTIVE ? 1 : 0;
      for (HostWindow* host = entry->hosts; host; host = host->next_in_top_level) {
        if (host->window) PostMessageW(host->window, kTopActivateMessage, active, 0);
      }
    } else if (message == WM_NCDESTROY) {
      // The window goes away before its hosts are detached: they forget it, and the
      // window's own procedure gets its last message.
      for (HostWindow* host = entry->hosts; host;) {
        HostWindow* next = host->next_in_top_level;
        host->top_level = nullptr;
        host->next_in_top_level = nullptr;
        host = next;
      }
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      drop_top_level(entry);
    }
  }
  return CallWindowProcW(previous, window, message, w, l);
}

// False when the top-level window cannot be subclassed; the host then runs without
// activation forwarding.
bool register_with_top_level(HostWindow& host, HWND top_level) {
  std::lock_guard lock(g_top_levels_lock);
  TopLevel* entry = find_top_level(top_level);
  if (!entry) {
    entry = new (std::nothrow) TopLevel();
    if (!entry) return false;
    entry->window = top_level;
    entry->previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        top_level, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&top_level_proc)));
    if (!entry->previous) {
      delete entry;
      return false;
    }
    entry->next = g_top_levels;
    g_top_levels = entry;
  }
  host.top_level = top_level;
  host.next_in_top_level = entry->hosts;
  entry->hosts = &host;
  return true;
}

void unregister_from_top_level(HostWindow& host) {
  std::lock_guard lock(g_top_levels_lock);
  if (!host.top_level) return;
  TopLevel* entry = find_top_level(host.top_level);
  host.top_level = nullptr;
  if (!entry) return;
  for (HostWindow** link = &entry->hosts; *link; link = &(*link)->next_in_top_level) {
    if (*link == &host) {
      *link = host.next_in_top_level;
      break;
    }
  }
  host.next_in_top_level = nullptr;
  if (entry->hosts) return;
  // The last host leaves: put the old procedure back, unless someone subclassed the
  // window after us (then ours stays and passes everything on).
  auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(entry->window, GWLP_WNDPROC));
  if (current == &top_level_proc) {
    SetWindowLongPtrW(entry->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry->previous));
    drop_top_level(entry);
  }
}

// ---- Frame pacing --------------------------------------------------------------------------

using DwmFlushFn = HRESULT(WINAPI*)();

// Not in MinGW's headers; systems before Windows 10 1803 refuse it and the thread waits on
// its wake event with a timeout instead.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// A longer delay than any animation reports is looked at again after this long.
constexpr double kLongestPacingWait = anim::kMaxFrameDelay;

// Waits `ms` on the timer (or, without one, on the event alone), waking early when the
// wake event is signalled. True when the whole time passed.
bool wait_on(HostWindow& host, double ms) {
  if (!(ms > 0)) return true;
  ms = std::min(ms, kLongestPacingWait);  // clamped before it becomes a 100 ns count
  const DWORD bound = static_cast<DWORD>(ms) + 1;
  if (host.timer) {
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(ms * 10000.0);  // relative, 100 ns units
    if (SetWaitableTimer(host.timer, &due, 0, nullptr, nullptr, FALSE)) {
      HANDLE both[2] = {host.wake, host.timer};
      DWORD woken = WaitForMultipleObjects(2, both, FALSE, bound);
      if (woken == WAIT_OBJECT_0) {
        CancelWaitableTimer(host.timer);
        return false;
      }
      return true;
    }
  }
  return WaitForSingleObject(host.wake, ms < 1 ? 1 : bound - 1) != WAIT_OBJECT_0;
}

void pacing_loop(HostWindow& host, HWND window, bool use_dwm_flush) {
  HMODULE dwmapi = use_dwm_flush ? LoadLibraryW(L"dwmapi.dll") : nullptr;
  auto dwm_flush =
      dwmapi ? reinterpret_cast<DwmFlushFn>(GetProcAddress(dwmapi, "DwmFlush")) : nullptr;
  bool woken = false;
  for (;;) {
    if (!woken) WaitForSingleObject(host.wake, INFINITE);
    woken = false;
    if (host.stop) break;
    // A new request during the wait (or the stop) ends it: the newest frame's delay counts.
    if (!wait_on(host, host.frame_delay_ms.load() - 2.0)) {
      woken = true;
      continue;
    }
    if (host.stop) break;
    if (!dwm_flush || FAILED(dwm_flush())) {
      if (!wait_on(host, 0.5)) {
        woken = true;
        continue;
      }
    }
    if (host.stop) break;
    PostMessageW(window, kFrameDueMessage, 0, 0);
  }
  if (dwmapi) FreeLibrary(dwmapi);
}

void start_pacing(HostWindow& host) {
  host.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  host.timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                      TIMER_ALL_ACCESS);
  if (!host.wake) {
    if (host.timer) CloseHandle(host.timer);
    host.timer = nullptr;
    return;
  }
  try {
    host.pacing = std::thread([&host, window = host.window, dwm = !g_switches.no_dwm_flush] {
      pacing_loop(host, window, dwm);
    });
  } catch (...) {
    // Without the thread the host invalidates at once instead.
    CloseHandle(host.wake);
    host.wake = nullptr;
    if (host.timer) CloseHandle(host.timer);
    host.timer = nullptr;
  }
}

void stop_pacing(HostWindow& host) {
  if (host.pacing.joinable()) {
    host.stop = true;
    SetEvent(host.wake);
    host.pacing.join();
  }
  if (host.wake) CloseHandle(host.wake);
  if (host.timer) CloseHandle(host.timer);
  host.wake = nullptr;
  host.timer = nullptr;
}

// ---- The host window's procedure -----------------------------------------------------------

HostWindow* host_of(HWND window) {
  return reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Focus went to a window of another top-level window, or nowhere: give it back to the
// host when its top-level window is activated again.
bool focus_left_top_level(HostWindow& host, HWND gaining) {
  return !gaining || GetAncestor(gaining, GA_ROOT) != GetAncestor(host.window, GA_ROOT);
}

LRESULT CALLBACK host_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
    auto* host = static_cast<HostWindow*>(create->lpCreateParams);
    host->window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
    return TRUE;
  }
  HostWindow* host = host_of(window);
  if (!host) return DefWindowProcW(window, message, w, l);
  switch (message) {
    case WM_DESTROY:
      host->window = nullptr;
      return 0;
    case WM_SIZE:
      host->client_width = LOWORD(l);
      host->client_height = HIWORD(l);
      update_viewport(*host);
      return 0;
    case WM_SETFOCUS:
      host->focus_restore = true;
      return 0;
    case WM_KILLFOCUS:
      host->focus_restore = focus_left_top_level(*host, reinterpret_cast<HWND>(w));
      return 0;
    case WM_PAINT: {
      // Nothing is drawn yet: the paint is only validated.
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_DPICHANGED:
      host->scale = static_cast<float>(LOWORD(w)) / 96.0f;
      update_viewport(*host);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_DPICHANGED_AFTERPARENT:
      // A child window never receives WM_DPICHANGED: its parent's change arrives here.
      host->scale = scale_for_window(window);
      update_viewport(*host);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case kFrameDueMessage:
      if (host->animating) InvalidateRect(window, nullptr, FALSE);
      return 0;
    case kTopActivateMessage:
      if (w && host->focus_restore) SetFocus(window);
      set_window_active(*host->view->document, w != 0);
      return 0;
    default:
      return DefWindowProcW(window, message, w, l);
  }
}

// ---- Host operations -----------------------------------------------------------------------

bool ensure_host_class() {
  static std::once_flag once;
  static ATOM atom = 0;
  static DWORD failure = 0;
  std::call_once(once, [] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = host_proc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = kHostClass;
    atom = RegisterClassExW(&window_class);
    if (!atom) failure = GetLastError();
  });
  if (atom) return true;
  char message[64];
  std::snprintf(message, sizeof message, "RegisterClassEx failed (%lu)",
                static_cast<unsigned long>(failure));
  set_last_error(message);
  return false;
}

HostWindow* create_host(View& view, void* parent_handle) {
  if (!ensure_host_class()) return nullptr;
  if (!is_window(parent_handle)) {
    set_last_error("attach: parent is not a window");
    return nullptr;
  }
  HWND parent = static_cast<HWND>(parent_handle);
  auto* host = new (std::nothrow) HostWindow();
  if (!host) {
    set_last_error("out of memory");
    return nullptr;
  }
  host->view = &view;
  host->scale = scale_for_window(parent);
  HWND window = CreateWindowExW(0, kHostClass, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                0, 0, 1, 1, parent, nullptr, GetModuleHandleW(nullptr), host);
  if (!window) {
    char message[64];
    std::snprintf(message, sizeof message, "CreateWindowEx failed (%lu)",
                  static_cast<unsigned long>(GetLastError()));
    delete host;
    set_last_error(message);
    return nullptr;
  }
  HWND top_level = GetAncestor(parent, GA_ROOT);
  if (top_level) register_with_top_level(*host, top_level);
  start_pacing(*host);
  set_window_active(*view.document, top_level && GetActiveWindow() == top_level);
  return host;
}

void destroy_host(HostWindow* host) {
  if (!host) return;
  stop_pacing(*host);
  unregister_from_top_level(*host);
  if (HWND window = host->window) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    host->window = nullptr;
    DestroyWindow(window);
  }
  delete host;
}

void move_host(HostWindow* host, std::int32_t x, std::int32_t y, std::int32_t width,
               std::int32_t height) {
  if (!host || !host->window) return;
  SetWindowPos(host->window, nullptr, x, y, width > 0 ? width : 1, height > 0 ? height : 1,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void show_host(HostWindow* host, bool visible) {
  if (!host || !host->window) return;
  ShowWindow(host->window, visible ? SW_SHOWNA : SW_HIDE);
}

void invalidate_host(HostWindow* host) {
  if (host && host->window) InvalidateRect(host->window, nullptr, FALSE);
}

double counter_now_ms() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency);
}

bool win32_is_window(void* handle) {
  return IsWindow(static_cast<HWND>(handle)) != FALSE;
}

const HostOps kWindowHostOps = {create_host, destroy_host,    move_host,
                                show_host,   invalidate_host, counter_now_ms};

}  // namespace

void install_window_host() noexcept {
  static std::once_flag once;
  std::call_once(once, [] { anim::install_animations(&apply_declaration); });
  set_is_window_check(win32_is_window);
  set_host_ops(&kWindowHostOps);
}

float scale_for_parent(HWND parent) noexcept {
  return scale_for_window(parent);
}

void set_host_test_switches(const HostTestSwitches& switches) noexcept {
  g_switches = switches;
}

// ---- Clipboard -------------------------------------------------------------------------------

std::string clipboard_text(HWND owner) {
  std::string text;
  if (!OpenClipboard(owner)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
      // Bounded by the block's size: a text without its terminating zero is not overrun.
      std::size_t limit = GlobalSize(data) / sizeof(wchar_t);
      std::size_t length = 0;
      while (length < limit && units[length]) ++length;
      text = tw::utf16_to_utf8(std::wstring_view(units, length));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

bool set_clipboard_text(HWND owner, const char* text, std::size_t length) {
  std::wstring units = tw::utf8_to_wide(std::string_view(text ? text : "", text ? length : 0));
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (units.size() + 1) * sizeof(wchar_t));
  if (!memory) return false;
  if (auto* target = static_cast<wchar_t*>(GlobalLock(memory))) {
    std::copy(units.begin(), units.end(), target);
    target[units.size()] = L'\0';
    GlobalUnlock(memory);
  } else {
    GlobalFree(memory);
    return false;
  }
  // Opened with the host window as owner: without an owner, EmptyClipboard leaves the
  // clipboard to nobody and SetClipboardData fails.
  if (!OpenClipboard(owner)) {
    GlobalFree(memory);
    return false;
  }
  bool taken = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  if (!taken) GlobalFree(memory);  // the clipboard owns the memory only once it took it
  return taken;
}

}  // namespace orlan
