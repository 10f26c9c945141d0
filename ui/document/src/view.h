#pragma once

// The view: one per window, owning its document and (once attached) its host window.
// The host window itself belongs to the platform layer, which installs HostOps.

#include <cstdint>

#include "document.h"

namespace orlan {

struct HostWindow;  // defined by the platform layer

// What the view needs from its host window. The platform layer installs its own
// operations with set_host_ops(); the defaults can create no window at all.
struct HostOps {
  // Creates the host window for `view` under `parent`. On failure returns null after
  // recording the message with set_last_error().
  HostWindow* (*create)(View& view, void* parent) = nullptr;
  void (*destroy)(HostWindow* host) = nullptr;
  // Moves the window (width and height are already at least 1).
  void (*move)(HostWindow* host, std::int32_t x, std::int32_t y, std::int32_t width,
               std::int32_t height) = nullptr;
  void (*show)(HostWindow* host, bool visible) = nullptr;
  // Asks the window for a repaint.
  void (*invalidate)(HostWindow* host) = nullptr;
  // Milliseconds from the high-resolution counter (null: the standard steady clock).
  double (*now_ms)() = nullptr;
};

// Installs the host operations (null restores the defaults).
void set_host_ops(const HostOps* ops) noexcept;

// Answers whether a handle names a window. The default answers no, so that without a
// platform layer `attach` fails with "attach: parent is not a window".
using IsWindowCheck = bool (*)(void* handle);
void set_is_window_check(IsWindowCheck check) noexcept;
bool is_window(void* handle) noexcept;

struct View {
  Document* document = nullptr;
  HostWindow* host = nullptr;
  std::int32_t x = 0, y = 0, width = 320, height = 240;
  bool visible = true;
  bool repaint_pending = false;
  bool in_frame = false;
  // The pending repaint was asked of the host window (cleared with repaint_pending by
  // the frame, which is what answers it).
  bool repaint_asked = false;
  // When the pending repaint was first requested (milliseconds).
  double repaint_requested_at = 0;
};

}  // namespace orlan
