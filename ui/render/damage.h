#pragma once

// Which part of the window buffer a frame redraws and presents. The swap chain flips
// between two buffers, so the buffer being drawn still shows the frame before the
// previous one: a partial frame redraws its own damage united with the rectangles the
// last two presents changed.

#include <cstdint>

#include "display_list.h"
#include "layout_box.h"  // Rect

namespace orlan::render {

// Device pixels, right and bottom exclusive.
struct PixelRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const noexcept { return right <= left || bottom <= top; }
  bool operator==(const PixelRect&) const = default;
};

// The smallest rectangle holding both (an empty one adds nothing).
PixelRect unite(const PixelRect& a, const PixelRect& b) noexcept;
// Document pixels times `scale`, grown outwards to whole pixels. Empty for an empty or
// non-finite rectangle.
PixelRect snap_to_pixels(const Rect& rect, float scale) noexcept;
// Limits the rectangle to a buffer of `width` x `height` pixels.
PixelRect clamp_to_buffer(const PixelRect& rect, std::int32_t width, std::int32_t height) noexcept;

struct FramePlan {
  bool full = false;     // redraw and present the whole buffer
  bool nothing = false;  // nothing changed: neither draw nor present
  PixelRect rect;        // what is redrawn (the whole buffer when full)
  PixelRect own;         // what changed since the last frame (remembered once presented)
};

// The last two presented rectangles of one window.
class PresentHistory {
 public:
  // The region of the next frame. `damage` null or `force_full`: the whole buffer.
  FramePlan plan(const Rect* damage, float scale, std::int32_t width, std::int32_t height,
                 bool force_full) const noexcept;
  // After a successful present of a frame whose own change was `own` (FramePlan::own).
  void remember(const PixelRect& own) noexcept;
  // After a resize or a new target: both buffers must be redrawn in full.
  void reset() noexcept;

 private:
  PixelRect m_last[2];
};

// Grows a partial plan's region (the damage united with the older presents, which can cut
// through a blurred or shadowed group) until every filter group and backdrop filter it
// touches lies in it whole. The list and its bounds are the frame's.
void grow_plan_for_effects(FramePlan& plan, const DisplayList& list, const ItemBounds& bounds,
                           float scale, std::int32_t width, std::int32_t height) noexcept;

}  // namespace orlan::render
