#pragma once

// What the runner and the hotkeys need of the desktop, bound to the main window: the
// pointer, synthetic mouse input, the window's timer, flashing, sleeping and the window's
// global hotkeys. The Windows implementation is sys/desktop_win.h; tests use a recording
// fake.

#include <cstdint>
#include <optional>
#include <span>

#include "hotkey.h"

namespace tw {

struct ScreenPoint {
  std::int32_t x = 0;  // physical pixels, virtual-screen coordinates
  std::int32_t y = 0;

  bool operator==(const ScreenPoint&) const = default;
};

// Mouse input flags of one synthetic mouse input (dx = dy = 0, no data, no time).
inline constexpr std::uint32_t kLeftDown = 0x0002;
inline constexpr std::uint32_t kLeftUp = 0x0004;
inline constexpr std::uint32_t kRightDown = 0x0008;
inline constexpr std::uint32_t kRightUp = 0x0010;
inline constexpr std::uint32_t kMiddleDown = 0x0020;
inline constexpr std::uint32_t kMiddleUp = 0x0040;

// The runner's window timer.
inline constexpr std::uint32_t kRunTimerId = 1;

class Desktop {
 public:
  virtual ~Desktop() = default;

  // The pointer's screen position; nullopt when it cannot be read.
  virtual std::optional<ScreenPoint> cursor_position() = 0;
  // Moves the pointer; failures are ignored by every caller.
  virtual void set_cursor_position(ScreenPoint point) = 0;
  // One input call carrying these mouse inputs in order; failures are ignored.
  virtual void send_mouse_inputs(std::span<const std::uint32_t> flags) = 0;
  // (Re)arms the window's timer `id` to fire after `ms` milliseconds (at least 1).
  virtual void set_timer(std::uint32_t id, std::uint32_t ms) = 0;
  virtual void kill_timer(std::uint32_t id) = 0;
  // Flashes caption and taskbar button until the window comes to the foreground.
  virtual void flash_window() = 0;
  // Blocks the calling (UI) thread.
  virtual void sleep(std::uint32_t ms) = 0;
  // Registers the window's global hotkey `id`; false when the system refuses it
  // (usually because another program holds the combination).
  virtual bool register_hotkey(int id, Hotkey hotkey) = 0;
  // Failures (nothing registered) are ignored.
  virtual void unregister_hotkey(int id) = 0;
};

}  // namespace tw
