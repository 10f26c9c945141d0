#include "desktop_win.h"

#include <algorithm>
#include <vector>

#include "win32_include.h"

namespace tw::sys {

namespace {

HWND hwnd(void* window) {
  return static_cast<HWND>(window);
}

}  // namespace

std::optional<ScreenPoint> WinDesktop::cursor_position() {
  POINT point{};
  if (!GetCursorPos(&point)) return std::nullopt;
  return ScreenPoint{point.x, point.y};
}

void WinDesktop::set_cursor_position(ScreenPoint point) {
  SetCursorPos(point.x, point.y);
}

void WinDesktop::send_mouse_inputs(std::span<const std::uint32_t> flags) {
  if (flags.empty()) return;
  // At the pointer: no movement, no wheel data, the system's time stamp, no extra info.
  std::vector<INPUT> inputs(flags.size());
  for (std::size_t i = 0; i < flags.size(); ++i) {
    inputs[i].type = INPUT_MOUSE;
    inputs[i].mi = MOUSEINPUT{0, 0, 0, flags[i], 0, 0};
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void WinDesktop::set_timer(std::uint32_t id, std::uint32_t ms) {
  SetTimer(hwnd(m_window), id, std::max<std::uint32_t>(ms, 1), nullptr);
}

void WinDesktop::kill_timer(std::uint32_t id) {
  KillTimer(hwnd(m_window), id);
}

void WinDesktop::flash_window() {
  // Caption and taskbar button, until the window comes to the foreground, default rate.
  FLASHWINFO info{};
  info.cbSize = sizeof info;
  info.hwnd = hwnd(m_window);
  info.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
  info.uCount = 0;
  info.dwTimeout = 0;
  FlashWindowEx(&info);
}

void WinDesktop::sleep(std::uint32_t ms) {
  Sleep(ms);
}

bool WinDesktop::register_hotkey(int id, Hotkey hotkey) {
  return RegisterHotKey(hwnd(m_window), id, hotkey.modifiers, hotkey.key) != FALSE;
}

void WinDesktop::unregister_hotkey(int id) {
  UnregisterHotKey(hwnd(m_window), id);
}

}  // namespace tw::sys
