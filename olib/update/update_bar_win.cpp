#include "update_bar.h"

#include "bar_geometry.h"
#include "log.h"
#include "system_error.h"
#include "text.h"
#include "url_open.h"
#include "utf.h"
#include "web_url.h"
#include "win32_include.h"

#include <dwmapi.h>

#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>

namespace olib::update {

namespace {

constexpr UINT kReplaceMessage = WM_APP + 1;
constexpr wchar_t kClassName[] = L"OLibUpdateBar";
// Not in every SDK's headers: DWMWA_WINDOW_CORNER_PREFERENCE and DWMWCP_ROUND.
constexpr DWORD kCornerPreference = 33;
constexpr DWORD kRoundCorners = 2;

std::mutex g_slot_mutex;
HWND g_current_bar = nullptr;
// Raised by every request under the slot's lock. A bar thread records its window only
// while its request is still the newest; a request that came meanwhile found no bar to
// replace, so the older thread closes its own window instead.
std::uint64_t g_bar_request = 0;

// The bar of this thread, for the window-event callback.
thread_local HWND t_bar = nullptr;

struct BarState {
  HWND host = nullptr;
  std::wstring url;
  std::wstring label;
  HFONT font = nullptr;
  HBRUSH background = nullptr;
  HBRUSH border = nullptr;
  HWINEVENTHOOK location_hook = nullptr;
  HWINEVENTHOOK visibility_hook = nullptr;
};

BarState* state_of(HWND bar) {
  return reinterpret_cast<BarState*>(GetWindowLongPtrW(bar, GWLP_USERDATA));
}

int host_dpi(HWND host) {
  UINT dpi = GetDpiForWindow(host);
  return bar_dpi(static_cast<int>(dpi));
}

void position_bar(HWND bar) {
  BarState* state = state_of(bar);
  if (state == nullptr) return;
  HWND host = state->host;
  if (!IsWindow(host)) {
    DestroyWindow(bar);
    return;
  }
  if (!IsWindowVisible(host) || IsIconic(host)) {
    ShowWindow(bar, SW_HIDE);
    return;
  }
  RECT frame{};
  if (FAILED(DwmGetWindowAttribute(host, DWMWA_EXTENDED_FRAME_BOUNDS, &frame, sizeof frame)) ||
      IsRectEmpty(&frame)) {
    GetWindowRect(host, &frame);
  }
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(host, MONITOR_DEFAULTTONEAREST), &monitor);
  BarRect placed = place_update_bar(
      {frame.left, frame.top, frame.right, frame.bottom},
      {monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom},
      host_dpi(host));
  SetWindowPos(bar, nullptr, placed.left, placed.top, placed.right - placed.left,
               placed.bottom - placed.top, SWP_NOACTIVATE | SWP_NOZORDER);
  if (!IsWindowVisible(bar)) ShowWindow(bar, SW_SHOWNOACTIVATE);
}

void CALLBACK on_win_event(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD,
                           DWORD) {
  if (object != OBJID_WINDOW || child != CHILDID_SELF || t_bar == nullptr) return;
  BarState* state = state_of(t_bar);
  if (state != nullptr && window == state->host) position_bar(t_bar);
}

void paint_bar(HWND bar, BarState& state) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(bar, &paint);
  RECT client;
  GetClientRect(bar, &client);
  FillRect(dc, &client, state.background);
  FrameRect(dc, &client, state.border);
  HGDIOBJ old_font = SelectObject(dc, state.font);
  SetTextColor(dc, RGB(255, 0, 0));
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, state.label.c_str(), static_cast<int>(state.label.size()), &client,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old_font);
  EndPaint(bar, &paint);
}

LRESULT CALLBACK bar_procedure(HWND bar, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(bar, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_PAINT:
      if (BarState* state = state_of(bar)) {
        paint_bar(bar, *state);
        return 0;
      }
      break;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_LBUTTONUP: {
      std::wstring url = state_of(bar) != nullptr ? state_of(bar)->url : std::wstring();
      DestroyWindow(bar);
      open_web_url(tw::utf16_to_utf8(url), OpenVia::shell_open);
      return 0;
    }
    case kReplaceMessage:
      DestroyWindow(bar);
      return 0;
    case WM_DESTROY:
      if (BarState* state = state_of(bar)) {
        if (state->location_hook != nullptr) UnhookWinEvent(state->location_hook);
        if (state->visibility_hook != nullptr) UnhookWinEvent(state->visibility_hook);
        DeleteObject(state->font);
        DeleteObject(state->background);
        DeleteObject(state->border);
        SetWindowLongPtrW(bar, GWLP_USERDATA, 0);
        delete state;
      }
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(bar, message, wparam, lparam);
}

HFONT message_font(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  using ForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  auto for_dpi = reinterpret_cast<ForDpi>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
  bool ok = for_dpi != nullptr &&
            for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi));
  if (!ok) {
    // Older systems: the 96-DPI metrics, scaled.
    ok = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    if (ok) metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, 96);
  }
  if (!ok) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

void run_bar(HWND host, std::wstring url, std::wstring label, std::uint64_t request) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = bar_procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_HAND);
  window_class.lpszClassName = kClassName;
  RegisterClassExW(&window_class);  // a second registration failing is harmless

  int dpi = host_dpi(host);
  auto* state = new BarState{host,
                             std::move(url),
                             std::move(label),
                             message_font(dpi),
                             CreateSolidBrush(RGB(255, 255, 255)),
                             CreateSolidBrush(RGB(204, 204, 204))};
  HWND bar = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0,
                             100, bar_height(dpi), host, nullptr, instance, state);
  if (bar == nullptr) {
    log_line("[update] 알림 바 실패: 창을 만들지 못했습니다: " +
             tw::sys::system_error_text(GetLastError()));
    DeleteObject(state->font);
    DeleteObject(state->background);
    DeleteObject(state->border);
    delete state;
    return;
  }
  DWORD corners = kRoundCorners;
  DwmSetWindowAttribute(bar, kCornerPreference, &corners, sizeof corners);  // refusal is fine

  t_bar = bar;
  state->location_hook = SetWinEventHook(EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE,
                                         nullptr, on_win_event, 0, 0, WINEVENT_OUTOFCONTEXT);
  state->visibility_hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE, nullptr,
                                           on_win_event, 0, 0, WINEVENT_OUTOFCONTEXT);
  bool newest = false;
  {
    std::lock_guard lock(g_slot_mutex);
    newest = request == g_bar_request;
    if (newest) g_current_bar = bar;
  }
  if (!newest) {
    DestroyWindow(bar);  // posts WM_QUIT; the loop below ends at once
  } else {
    position_bar(bar);
  }

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  t_bar = nullptr;
  std::lock_guard lock(g_slot_mutex);
  if (g_current_bar == bar) g_current_bar = nullptr;
}

void name_this_thread(const wchar_t* name) {
  using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  auto set = reinterpret_cast<SetDescription>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
  if (set != nullptr) set(GetCurrentThread(), name);
}

}  // namespace

std::optional<UpdateError> show_update_bar(HWND__* host, std::string_view url,
                                           std::string_view label) {
  if (url.empty()) return UpdateError{"empty_url", "알림 바에 URL 이 없습니다."};
  if (!tw::is_openable_web_url(url)) {
    return UpdateError{"bad_url",
                       "알림 바 URL 이 http/https 웹 주소가 아닙니다: " + printable_for_log(url)};
  }
  if (host == nullptr || !IsWindow(host)) {
    return UpdateError{"no_host", "알림 바는 호스트 창 핸들을 요구합니다."};
  }
  std::uint64_t request = 0;
  {
    std::lock_guard lock(g_slot_mutex);
    request = ++g_bar_request;
    if (g_current_bar != nullptr) PostMessageW(g_current_bar, kReplaceMessage, 0, 0);
  }
  std::wstring wide_url = tw::utf8_to_wide(url);
  std::wstring wide_label = tw::utf8_to_wide(label);
  try {
    std::thread([host, request, wide_url = std::move(wide_url),
                 wide_label = std::move(wide_label)]() mutable {
      name_this_thread(L"olib-update-bar");
      run_bar(host, std::move(wide_url), std::move(wide_label), request);
    }).detach();
  } catch (const std::system_error& error) {
    return UpdateError{"spawn_failed",
                       "바 스레드를 만들지 못했습니다: " +
                           tw::sys::system_error_text(static_cast<DWORD>(error.code().value()))};
  }
  return std::nullopt;
}

HWND__* current_update_bar() {
  std::lock_guard lock(g_slot_mutex);
  return g_current_bar;
}

}  // namespace olib::update
