#pragma once

// One frame of a view: style pass, layout, display list, diff and drawing, with the
// timings the frame log reports. Portable: what the frame draws into is a FrameSurface,
// which the Win32 host implements over the renderer and tests implement with a recorder.

#include <cstdint>
#include <cstdio>

#include "display_list.h"
#include "view.h"

namespace orlan::host {

// What a frame draws into.
class FrameSurface {
 public:
  virtual ~FrameSurface() = default;
  // Layout's text measurer (the renderer's, or the engine's fallback).
  virtual const TextMeasurer& text_measurer() = 0;
  // Makes sure there is something to draw into: kCreated when a new renderer was made
  // (its buffers hold nothing yet), kEmpty while the client area is empty (nothing is
  // drawn), kFailed when the renderer cannot be made.
  enum class Prepared : std::uint8_t { kReady, kCreated, kEmpty, kFailed };
  virtual Prepared prepare() = 0;
  // Draws the list (`damage` null: everything). False when the frame failed; the surface
  // has then dropped its renderer and the next frame makes a new one.
  virtual bool draw(const DisplayList& list, const AtomTable& atoms, std::uint32_t clear_color,
                    const Rect* damage, const ItemBounds& bounds) = 0;
};

// What one view keeps between frames.
struct FrameState {
  DisplayList list;
  DisplayList previous;
  ItemBounds bounds;
  bool previous_valid = false;
  bool force_full = false;
  // The viewport of the last frame (CSS pixels); a change repaints in full.
  float viewport_width = -1;
  float viewport_height = -1;
  // t1 of the last logged frame (0: none yet).
  double last_logged_layout_start = 0;
};

// Read once per process from the environment: "ORLAN_FULLPAINT" and "ORLAN_FRAMELOG",
// each on when set to anything.
struct FrameOptions {
  bool full_paint = false;
  bool frame_log = false;
};
const FrameOptions& frame_options_from_environment() noexcept;

inline constexpr std::uint32_t kClearColor = 0xFFFFFFFF;

struct FrameResult {
  std::uint32_t running = 0;  // transitions and animations still running
  double frame_delay = 0;     // ms until they need the next frame (0: at once or none)
  bool full = false;          // repainted in full
  bool drawn = false;         // something was drawn (false: empty client area, no renderer)
  bool failed = false;        // drawing failed: the window must be painted again
  Damage damage;              // the damage of a partial frame
  std::uint32_t items = 0;    // display items
};

// The timings of one frame, in milliseconds.
struct FrameTimes {
  double since_last = 0;  // from the previous logged frame's layout start
  double layout = 0;
  double paint = 0;
  double diff = 0;
  double render = 0;
};

// The frame log's line for one frame, NUL-terminated in `out`; returns its length.
int format_frame_log(char* out, std::size_t capacity, const FrameTimes& times, bool full,
                     float viewport_width, float viewport_height, std::uint32_t items) noexcept;

// Runs one frame of `view` at the viewport size in CSS pixels. `now` reads the clock
// (milliseconds); with options.frame_log the line goes to `log`.
FrameResult run_frame(View& view, FrameState& state, FrameSurface& surface, float viewport_width,
                      float viewport_height, double (*now)(), const FrameOptions& options,
                      std::FILE* log) noexcept;

// How soon to try again after frames that failed to draw. The first few failures in a row
// repaint at once (a lost device is rebuilt on the next frame); after that the host waits,
// twice as long each time up to a limit, so a renderer that cannot be made does not spin.
class RenderRetry {
 public:
  static constexpr std::uint32_t kImmediateTries = 3;
  static constexpr std::uint32_t kFirstDelayMs = 250;
  static constexpr std::uint32_t kLongestDelayMs = 4000;

  // After a failed frame: 0 to repaint at once, else the milliseconds to wait.
  std::uint32_t after_failure() noexcept;
  void after_success() noexcept { m_failures = 0; }
  std::uint32_t failures() const noexcept { return m_failures; }

 private:
  std::uint32_t m_failures = 0;
};

}  // namespace orlan::host
