#include "frame.h"

#include "computed_style.h"
#include "layout_box.h"

namespace orlan::host {

FrameResult run_frame(View& view, FrameState& state, FrameSurface& surface, float viewport_width,
                      float viewport_height, double (*now)(), const FrameOptions& options,
                      std::FILE* log) noexcept {
  Document& document = *view.document;
  FrameResult result;
  view.in_frame = true;

  const double t0 = now();
  result.running = style_pass(document, t0);
  result.frame_delay = document.animation_frame_delay;

  const bool viewport_changed =
      viewport_width != state.viewport_width || viewport_height != state.viewport_height;
  bool full = options.full_paint || state.force_full || !state.previous_valid ||
              document.layout_needed || viewport_changed || document.full_repaint_needed;
  document.full_repaint_needed = false;
  state.viewport_width = viewport_width;
  state.viewport_height = viewport_height;

  const double t1 = now();
  // Painting measures the caret, selections and the ellipsis itself: with the measurer
  // layout used, or they would sit off the glyphs layout placed.
  const TextMeasurer& measurer = surface.text_measurer();
  layout_document(document, viewport_width, viewport_height, &measurer);
  const double t2 = now();
  const bool built = build_display_list(document, state.list, &measurer) == kOk;
  const double t3 = now();

  if (!full) {
    result.damage = diff_display_lists(state.previous, state.list, state.bounds);
    full = !result.damage.partial;
  }
  if (full) {
    result.damage = Damage{};
    full = true;
    if (!item_bounds(state.list, state.bounds)) state.bounds.count = 0;
  }
  const double t4 = now();

  switch (surface.prepare()) {
    case FrameSurface::Prepared::kCreated:
      // A new renderer's buffers hold nothing: everything is drawn.
      full = true;
      result.damage = Damage{};
      [[fallthrough]];
    case FrameSurface::Prepared::kReady:
      result.drawn = surface.draw(state.list, document.atoms, kClearColor,
                                  full ? nullptr : &result.damage.rect, state.bounds);
      result.failed = !result.drawn;
      break;
    case FrameSurface::Prepared::kEmpty:
      break;
    case FrameSurface::Prepared::kFailed:
      result.failed = true;
      break;
  }
  result.full = full;
  result.items = state.list.count;

  if (options.frame_log && log) {
    const double t5 = now();
    FrameTimes times;
    times.since_last = state.last_logged_layout_start > 0 ? t1 - state.last_logged_layout_start : 0;
    times.layout = t2 - t1;
    times.paint = t3 - t2;
    times.diff = t4 - t3;
    times.render = t5 - t4;
    state.last_logged_layout_start = t1;
    char line[160];
    format_frame_log(line, sizeof line, times, full, viewport_width, viewport_height,
                     state.list.count);
    std::fputs(line, log);
    std::fflush(log);
  }

  // What was not drawn, or drawn from an incomplete list, is no base for a partial frame.
  state.previous_valid =
      built && result.drawn && state.list.complete && state.previous.copy_from(state.list);
  state.force_full = false;
  view.in_frame = false;
  return result;
}

}  // namespace orlan::host
