#include "damage.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orlan::render {

PixelRect unite(const PixelRect& a, const PixelRect& b) noexcept {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

namespace {

// Rounds towards -inf or +inf and keeps the result inside the 32-bit range.
std::int32_t to_pixel(double value, bool up) noexcept {
  value = up ? std::ceil(value) : std::floor(value);
  constexpr double kLimit = 1 << 30;
  return static_cast<std::int32_t>(std::clamp(value, -kLimit, kLimit));
}

}  // namespace

PixelRect snap_to_pixels(const Rect& rect, float scale) noexcept {
  const double x0 = static_cast<double>(rect.x) * scale;
  const double y0 = static_cast<double>(rect.y) * scale;
  const double x1 = (static_cast<double>(rect.x) + rect.width) * scale;
  const double y1 = (static_cast<double>(rect.y) + rect.height) * scale;
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1) ||
      !(x1 > x0) || !(y1 > y0)) {
    return {};
  }
  return {to_pixel(x0, false), to_pixel(y0, false), to_pixel(x1, true), to_pixel(y1, true)};
}

PixelRect clamp_to_buffer(const PixelRect& rect, std::int32_t width, std::int32_t height) noexcept {
  PixelRect out{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width),
                std::min(rect.bottom, height)};
  if (out.empty()) return {};
  return out;
}

FramePlan PresentHistory::plan(const Rect* damage, float scale, std::int32_t width,
                               std::int32_t height, bool force_full) const noexcept {
  FramePlan out;
  const PixelRect whole{0, 0, std::max(width, 1), std::max(height, 1)};
  if (force_full || !damage) {
    out.full = true;
    out.rect = whole;
    out.own = whole;
    return out;
  }
  const PixelRect own = snap_to_pixels(*damage, scale);
  if (own.empty()) {
    // Nothing changed since the last frame, which the front buffer already shows.
    out.nothing = true;
    return out;
  }
  // Only this frame's own change is remembered: the rectangles redrawn for older
  // frames were already up to date in the buffer shown.
  out.own = clamp_to_buffer(own, whole.right, whole.bottom);
  out.rect = clamp_to_buffer(unite(own, unite(m_last[0], m_last[1])), whole.right, whole.bottom);
  if (out.rect.empty()) {
    out.nothing = true;
  } else if (out.rect == whole) {
    out.full = true;
  }
  return out;
}

void grow_plan_for_effects(FramePlan& plan, const DisplayList& list, const ItemBounds& bounds,
                           float scale, std::int32_t width, std::int32_t height) noexcept {
  if (plan.full || plan.nothing || !(scale > 0)) return;
  const Rect drawn{plan.rect.left / scale, plan.rect.top / scale,
                   (plan.rect.right - plan.rect.left) / scale,
                   (plan.rect.bottom - plan.rect.top) / scale};
  const Rect grown = grow_damage_for_effects(list, bounds, drawn);
  const PixelRect whole{0, 0, std::max(width, 1), std::max(height, 1)};
  plan.rect =
      clamp_to_buffer(unite(plan.rect, snap_to_pixels(grown, scale)), whole.right, whole.bottom);
  if (plan.rect == whole) plan.full = true;
}

void PresentHistory::remember(const PixelRect& rect) noexcept {
  m_last[1] = m_last[0];
  m_last[0] = rect;
}

void PresentHistory::reset() noexcept {
  m_last[0] = {};
  m_last[1] = {};
}

}  // namespace orlan::render
