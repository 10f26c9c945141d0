#pragma once

// The runner's desktop on Windows, bound to the main window: GetCursorPos, SetCursorPos,
// SendInput, SetTimer/KillTimer, FlashWindowEx, Sleep, RegisterHotKey/UnregisterHotKey.

#include "desktop.h"

namespace tw::sys {

class WinDesktop final : public Desktop {
 public:
  // `window` is the HWND that owns the run timer and the hotkeys (and is flashed).
  explicit WinDesktop(void* window) noexcept : m_window(window) {}

  std::optional<ScreenPoint> cursor_position() override;
  void set_cursor_position(ScreenPoint point) override;
  void send_mouse_inputs(std::span<const std::uint32_t> flags) override;
  void set_timer(std::uint32_t id, std::uint32_t ms) override;
  void kill_timer(std::uint32_t id) override;
  void flash_window() override;
  void sleep(std::uint32_t ms) override;
  bool register_hotkey(int id, Hotkey hotkey) override;
  void unregister_hotkey(int id) override;

 private:
  void* m_window;
};

}  // namespace tw::sys
