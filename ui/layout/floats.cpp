// The float area of a block formatting context: free bands between floats, placement of
// a float's margin box, and the float bottoms that clearance moves below.
//
// Every position here is in the context's coordinates (relative to the border box of the
// box that started it).

#include <algorithm>

#include "layout_internal.h"

namespace orlan {

Band float_band(const FloatArea& area, float y, float height, float left, float right) noexcept {
  Band band{left, right};
  const float bottom = y + std::max(height, 1.0f);
  for (int i = 0; i < area.count; ++i) {
    const FloatBox& f = area.floats[i];
    if (f.y >= bottom || f.y + f.height <= y) continue;
    if (f.right)
      band.right = std::min(band.right, f.x);
    else
      band.left = std::max(band.left, f.x + f.width);
  }
  return band;
}

float next_float_bottom(const FloatArea& area, float y) noexcept {
  float best = -1;
  for (int i = 0; i < area.count; ++i) {
    float b = area.floats[i].y + area.floats[i].height;
    if (b > y && (best < 0 || b < best)) best = b;
  }
  return best;
}

float floats_bottom(const FloatArea& area, Keyword clear) noexcept {
  float bottom = -1;
  for (int i = 0; i < area.count; ++i) {
    const FloatBox& f = area.floats[i];
    if (clear == css::kw::Left && f.right) continue;
    if (clear == css::kw::Right && !f.right) continue;
    bottom = std::max(bottom, f.y + f.height);
  }
  return bottom;
}

FloatPlace place_float(FloatArea& area, float y, float width, float height, bool right,
                       Keyword clear, float left_edge, float right_edge) noexcept {
  if (clear != css::kw::None) y = std::max(y, floats_bottom(area, clear));
  const float h = std::max(height, 1.0f);
  Band band = float_band(area, y, h, left_edge, right_edge);
  for (int i = 0; i < kMaxFloatSearch && width > band.right - band.left + kFitTolerance; ++i) {
    float below = next_float_bottom(area, y);
    if (below < 0) break;
    y = below;
    band = float_band(area, y, h, left_edge, right_edge);
  }
  FloatPlace place{right ? band.right - width : band.left, y};
  if (area.count < kMaxFloats)
    area.floats[area.count++] = FloatBox{place.x, place.y, width, height, right};
  return place;
}

}  // namespace orlan
