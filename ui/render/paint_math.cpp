#include "paint_math.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orlan::render {

namespace {

constexpr float kPi = 3.14159265358979f;

float resolve(const css::CssLength& length, float basis) {
  if (length.unit == css::kUnitPercent) return length.value * basis / 100;
  return length.value;
}

}  // namespace

float linear_gradient_angle(const css::Gradient& g, float w, float h) noexcept {
  if (g.to_sides == 0) return g.angle;
  const float dx = (g.to_sides & 8) ? 1.f : (g.to_sides & 4) ? -1.f : 0.f;
  const float dy = (g.to_sides & 2) ? 1.f : (g.to_sides & 1) ? -1.f : 0.f;
  if (dx == 0 || dy == 0) {
    if (dy < 0) return 0;
    if (dx > 0) return 90;
    if (dy > 0) return 180;
    return 270;
  }
  // Towards a corner: the line is perpendicular to the diagonal through the two other
  // corners, so the 50 % line passes through them.
  return std::atan2(dx * h, -dy * w) * 180 / kPi;
}

bool gradient_geometry(const css::Gradient& g, float x, float y, float w, float h,
                       GradientBrushGeometry& out) noexcept {
  out = GradientBrushGeometry{};
  out.kind = g.kind;
  if (!g.stops || g.stop_count == 0 || !(w > 0) || !(h > 0)) return false;
  try {
    out.stops.resize(g.stop_count);
  } catch (...) {
    return false;
  }
  if (g.kind == css::GradientKind::Radial) {
    const float cx = resolve(g.center[0], w), cy = resolve(g.center[1], h);
    const float left = std::fabs(cx), right = std::fabs(w - cx);
    const float top = std::fabs(cy), bottom = std::fabs(h - cy);
    float rx = 0, ry = 0;
    const bool closest =
        g.size == css::RadialSize::ClosestSide || g.size == css::RadialSize::ClosestCorner;
    const float sx = closest ? std::min(left, right) : std::max(left, right);
    const float sy = closest ? std::min(top, bottom) : std::max(top, bottom);
    const bool corner =
        g.size == css::RadialSize::ClosestCorner || g.size == css::RadialSize::FarthestCorner;
    if (g.circle) {
      rx = corner ? std::hypot(sx, sy) : (closest ? std::min(sx, sy) : std::max(sx, sy));
      ry = rx;
    } else if (corner) {
      // The ellipse of the side's aspect ratio that passes through the corner.
      rx = sx * std::sqrt(2.f);
      ry = sy * std::sqrt(2.f);
    } else {
      rx = sx;
      ry = sy;
    }
    if (!(rx > 0) || !(ry > 0)) return false;
    float hi = 1;
    for (std::uint32_t i = 0; i < g.stop_count; ++i) {
      const float p = g.stops[i].position.unit == css::kUnitPercent
                          ? g.stops[i].position.value / 100
                          : g.stops[i].position.value / rx;
      out.stops[i] = {std::max(p, 0.f), g.stops[i].color};
      hi = std::max(hi, out.stops[i].position);
    }
    for (auto& s : out.stops) s.position /= hi;
    out.x0 = x + cx;
    out.y0 = y + cy;
    out.rx = rx * hi;
    out.ry = ry * hi;
    return true;
  }
  // Linear (a conic gradient is drawn by its own path and only needs the stops).
  const float angle =
      (g.kind == css::GradientKind::Linear ? linear_gradient_angle(g, w, h) : g.angle) * kPi / 180;
  const float sin_a = std::sin(angle), cos_a = std::cos(angle);
  const float length = std::fabs(w * sin_a) + std::fabs(h * cos_a);
  if (g.kind == css::GradientKind::Conic) {
    for (std::uint32_t i = 0; i < g.stop_count; ++i) {
      const float p = g.stops[i].position.unit == css::kUnitPercent
                          ? g.stops[i].position.value / 100
                          : g.stops[i].position.value / 360;
      out.stops[i] = {std::clamp(p, 0.f, 1.f), g.stops[i].color};
    }
    out.x0 = x + resolve(g.center[0], w);
    out.y0 = y + resolve(g.center[1], h);
    return true;
  }
  if (!(length > 0)) return false;
  float lo = 0, hi = 1;
  for (std::uint32_t i = 0; i < g.stop_count; ++i) {
    const float p = g.stops[i].position.unit == css::kUnitPercent
                        ? g.stops[i].position.value / 100
                        : g.stops[i].position.value / length;
    out.stops[i] = {p, g.stops[i].color};
    lo = std::min(lo, p);
    hi = std::max(hi, p);
  }
  const float cx = x + w / 2, cy = y + h / 2;
  const float sx = cx - sin_a * length / 2, sy = cy + cos_a * length / 2;
  const float ex = cx + sin_a * length / 2, ey = cy - cos_a * length / 2;
  out.x0 = sx + (ex - sx) * lo;
  out.y0 = sy + (ey - sy) * lo;
  out.x1 = sx + (ex - sx) * hi;
  out.y1 = sy + (ey - sy) * hi;
  for (auto& s : out.stops) s.position = (s.position - lo) / (hi - lo);
  return true;
}

ColorMatrix filter_color_matrix(css::FilterKind kind, float s) noexcept {
  // Built in the column form of the Filter Effects definitions (output row = sum of
  // inputs), then transposed into the row-vector form.
  float c[4][5] = {{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 1, 0}};
  auto set3 = [&](const float(&v)[3][3]) {
    for (int r = 0; r < 3; ++r) {
      for (int k = 0; k < 3; ++k) c[r][k] = v[r][k];
    }
  };
  using K = css::FilterKind;
  switch (kind) {
    case K::Grayscale: {
      const float t = 1 - std::clamp(s, 0.f, 1.f);
      const float v[3][3] = {{0.2126f + 0.7874f * t, 0.7152f - 0.7152f * t, 0.0722f - 0.0722f * t},
                             {0.2126f - 0.2126f * t, 0.7152f + 0.2848f * t, 0.0722f - 0.0722f * t},
                             {0.2126f - 0.2126f * t, 0.7152f - 0.7152f * t, 0.0722f + 0.9278f * t}};
      set3(v);
      break;
    }
    case K::Sepia: {
      const float t = 1 - std::clamp(s, 0.f, 1.f);
      const float v[3][3] = {{0.393f + 0.607f * t, 0.769f - 0.769f * t, 0.189f - 0.189f * t},
                             {0.349f - 0.349f * t, 0.686f + 0.314f * t, 0.168f - 0.168f * t},
                             {0.272f - 0.272f * t, 0.534f - 0.534f * t, 0.131f + 0.869f * t}};
      set3(v);
      break;
    }
    case K::Saturate: {
      s = std::max(s, 0.f);
      const float v[3][3] = {{0.213f + 0.787f * s, 0.715f - 0.715f * s, 0.072f - 0.072f * s},
                             {0.213f - 0.213f * s, 0.715f + 0.285f * s, 0.072f - 0.072f * s},
                             {0.213f - 0.213f * s, 0.715f - 0.715f * s, 0.072f + 0.928f * s}};
      set3(v);
      break;
    }
    case K::HueRotate: {
      const float a = s * kPi / 180, co = std::cos(a), si = std::sin(a);
      const float v[3][3] = {
          {0.213f + co * 0.787f - si * 0.213f, 0.715f - co * 0.715f - si * 0.715f,
           0.072f - co * 0.072f + si * 0.928f},
          {0.213f - co * 0.213f + si * 0.143f, 0.715f + co * 0.285f + si * 0.140f,
           0.072f - co * 0.072f - si * 0.283f},
          {0.213f - co * 0.213f - si * 0.787f, 0.715f - co * 0.715f + si * 0.715f,
           0.072f + co * 0.928f + si * 0.072f}};
      set3(v);
      break;
    }
    case K::Brightness:
      s = std::max(s, 0.f);
      for (int r = 0; r < 3; ++r) c[r][r] = s;
      break;
    case K::Contrast:
      s = std::max(s, 0.f);
      for (int r = 0; r < 3; ++r) {
        c[r][r] = s;
        c[r][4] = 0.5f - 0.5f * s;
      }
      break;
    case K::Invert: {
      s = std::clamp(s, 0.f, 1.f);
      for (int r = 0; r < 3; ++r) {
        c[r][r] = 1 - 2 * s;
        c[r][4] = s;
      }
      break;
    }
    case K::Opacity:
      c[3][3] = std::clamp(s, 0.f, 1.f);
      break;
    case K::Blur:
    case K::DropShadow:
      break;
  }
  ColorMatrix out{};
  for (int r = 0; r < 4; ++r) {
    for (int k = 0; k < 5; ++k) out.m[k][r] = c[r][k];
  }
  return out;
}

void FilterChainCache::fill_key(Entry& key, const css::Filter* filters,
                                std::uint32_t count) noexcept {
  std::memset(static_cast<void*>(key.filters), 0, sizeof key.filters);
  key.count = std::min(count, kMaxFilters);
  // Field by field, so that padding bytes of the caller's records never make two equal
  // lists differ.
  for (std::uint32_t i = 0; filters && i < key.count; ++i) {
    key.filters[i].kind = filters[i].kind;
    key.filters[i].amount = filters[i].amount;
    key.filters[i].offset_x = filters[i].offset_x;
    key.filters[i].offset_y = filters[i].offset_y;
    key.filters[i].blur = filters[i].blur;
    key.filters[i].color = filters[i].color;
  }
}

void* FilterChainCache::find(const css::Filter* filters, std::uint32_t count) noexcept {
  Entry key;
  fill_key(key, filters, count);
  for (Entry& e : m_entries) {
    if (e.handle && e.count == key.count &&
        std::memcmp(static_cast<const void*>(e.filters), static_cast<const void*>(key.filters),
                    sizeof key.filters) == 0) {
      e.used = ++m_clock;
      return e.handle;
    }
  }
  return nullptr;
}

void FilterChainCache::insert(const css::Filter* filters, std::uint32_t count,
                              void* handle) noexcept {
  Entry* slot = &m_entries[0];
  for (Entry& e : m_entries) {
    if (!e.handle) {
      slot = &e;
      break;
    }
    if (e.used < slot->used) slot = &e;
  }
  if (slot->handle && m_release) m_release(slot->handle);
  fill_key(*slot, filters, count);
  slot->handle = handle;
  slot->used = ++m_clock;
}

void FilterChainCache::clear() noexcept {
  for (Entry& e : m_entries) {
    if (e.handle && m_release) m_release(e.handle);
    e = Entry{};
  }
}

}  // namespace orlan::render
