#pragma once

// The engine's host window on Windows. attach() creates a child window of class
// "OrlanUIView" under the application's window and registers it with that window's
// top-level window, whose activation is forwarded to every host registered with it.
// Until the renderer exists the child window draws nothing (it only validates its paints).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

#include "view.h"
#include "win32_include.h"

namespace orlan {

// Installs the Win32 host operations, the window check and the transitions and animations
// of the style pass into the engine. Call once, before the first attach(); later calls
// change nothing.
void install_window_host() noexcept;

// Private messages of the host window.
inline constexpr UINT kFrameDueMessage = 0x401;    // from the pacing thread
inline constexpr UINT kTopActivateMessage = 0x402;  // wParam 1 active, 0 inactive
inline constexpr UINT kCompositionEndMessage = 0x403;

struct HostWindow {
  View* view = nullptr;
  HWND window = nullptr;
  // The top-level window this host is registered with (null once that window is gone),
  // and the next host registered with the same window.
  HWND top_level = nullptr;
  HostWindow* next_in_top_level = nullptr;

  std::int32_t client_width = 0;  // device pixels
  std::int32_t client_height = 0;
  float scale = 1;           // device pixels per CSS pixel, from the parent's DPI
  float scale_override = 0;  // used instead of `scale` when > 0

  bool animating = false;
  bool focus_restore = false;

  // Frame pacing: the thread waits for `wake`, sleeps on `timer` until the next frame
  // is due, waits for the compositor and posts kFrameDueMessage.
  std::thread pacing;
  HANDLE wake = nullptr;
  HANDLE timer = nullptr;
  std::atomic<bool> stop{false};
  std::atomic<double> frame_delay_ms{0};

  float effective_scale() const noexcept { return scale_override > 0 ? scale_override : scale; }
};

// The clipboard's text as UTF-8 (empty when it holds none or cannot be opened), and
// replacing it with UTF-8 text (false when the clipboard did not take it). `owner` is the
// window that opens the clipboard.
std::string clipboard_text(HWND owner);
bool set_clipboard_text(HWND owner, const char* text, std::size_t length);

// Seams for tests, where Wine cannot provoke the case: pretend that user32 has no
// GetDpiForWindow, or dwmapi no DwmFlush (for hosts attached from then on).
struct HostTestSwitches {
  bool no_dpi_for_window = false;
  bool no_dwm_flush = false;
};
void set_host_test_switches(const HostTestSwitches& switches) noexcept;
// The scale a window of this parent would get (what attach uses).
float scale_for_parent(HWND parent) noexcept;

}  // namespace orlan
