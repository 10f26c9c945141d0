#pragma once

// The engine's host window on Windows. attach() creates a child window of class
// "OrlanUIView" under the application's window and registers it with that window's
// top-level window, whose activation is forwarded to every host registered with it. The
// window procedure turns mouse, keyboard, input-method, focus, size, DPI, paint and timer
// messages into the engine's input calls and frames; a pacing thread per window asks for
// the next frame while animations run.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "frame.h"
#include "key_translation.h"
#include "view.h"
#include "win32_include.h"

namespace orlan {

namespace render {
struct Renderer;
}

// Installs the Win32 host operations, the window check and the transitions and animations
// of the style pass into the engine. Call once, before the first attach(); later calls
// change nothing.
void install_window_host() noexcept;

// Private messages of the host window.
inline constexpr UINT kFrameDueMessage = 0x401;    // from the pacing thread
inline constexpr UINT kTopActivateMessage = 0x402;  // wParam 1 active, 0 inactive
inline constexpr UINT kCompositionEndMessage = 0x403;

// Timers of the host window.
inline constexpr UINT_PTR kRepaintTimer = 1;  // 16 ms while animating and minimised or occluded
inline constexpr UINT_PTR kCaretTimer = 2;    // 500 ms caret blink
inline constexpr UINT_PTR kTooltipTimer = 3;  // 600 ms tooltip delay
inline constexpr UINT_PTR kRetryTimer = 4;    // the next try after frames that kept failing

struct HostWindow {
  View* view = nullptr;
  HWND window = nullptr;
  render::Renderer* renderer = nullptr;  // made by the first frame that draws
  // The top-level window this host is registered with (null once that window is gone),
  // and the next host registered with the same window.
  HWND top_level = nullptr;
  HostWindow* next_in_top_level = nullptr;

  std::int32_t client_width = 0;  // device pixels
  std::int32_t client_height = 0;
  float scale = 1;           // device pixels per CSS pixel, from the parent's DPI
  float scale_override = 0;  // used instead of `scale` when > 0

  host::FrameState frame;
  host::RenderRetry retry;
  host::SurrogateJoiner characters;
  std::string clipboard;  // the last text read from the clipboard for the document

  bool animating = false;
  bool repaint_timer = false;
  bool caret_timer = false;
  std::uint32_t caret_blink_generation = 0;
  bool tooltip_timer = false;
  std::uint32_t tooltip_generation = 0;
  bool retry_timer = false;
  bool input_method_enabled = false;
  bool tracking_leave = false;
  bool focus_restore = false;
  bool dead_key = false;
  bool composition_ended = false;
  bool capture_requested = false;  // a test asked for the next frame's pixels
  host::FrameResult last_frame;     // what the last frame drew, for a test to ask

  // Frame pacing: the thread waits for `wake`, sleeps on `timer` until the next frame is
  // due (waking early for `wake`), waits for the compositor and posts kFrameDueMessage.
  std::thread pacing;
  HANDLE wake = nullptr;
  HANDLE timer = nullptr;
  std::atomic<bool> stop{false};
  std::atomic<double> frame_delay_ms{0};

  float effective_scale() const noexcept { return scale_override > 0 ? scale_override : scale; }
};

// Set scale (override > 0; 0 goes back to the window's DPI): updates the renderer and
// relayouts the document.
void set_host_scale(HostWindow& host, float scale) noexcept;
// The client area in CSS pixels; 0, 0 without a window.
void host_client_size(const HostWindow& host, float* width, float* height) noexcept;

// The clipboard's text as UTF-8 (empty when it holds none or cannot be opened), and
// replacing it with UTF-8 text (false when the clipboard did not take it); `owner` becomes
// the clipboard's owner.
std::string clipboard_text();
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
