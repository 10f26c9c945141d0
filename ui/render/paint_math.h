#pragma once

// The arithmetic behind gradient brushes and filter effects: where a CSS gradient's line
// or ellipse lies in a box and where its stops fall on it, the colour matrices of the
// filter functions, and the small cache of filter chains keyed by their filter lists.

#include <cstdint>
#include <vector>

#include "css_value.h"

namespace orlan::render {

struct GradientStopAt {
  float position = 0;  // 0..1 along the brush
  std::uint32_t color = 0;
};

// A brush-ready gradient: for linear, the line from (x0, y0) to (x1, y1); for radial,
// the centre (x0, y0) and radii (rx, ry). Stops lie within 0..1 (the line or radii are
// stretched to keep stops that lie before or beyond the box's gradient line).
struct GradientBrushGeometry {
  css::GradientKind kind = css::GradientKind::Linear;
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  float rx = 0, ry = 0;
  std::vector<GradientStopAt> stops;
};

// The geometry of `gradient` over the box (x, y, w, h). False when it draws nothing (no
// stops, an empty box, a zero radius).
bool gradient_geometry(const css::Gradient& gradient, float x, float y, float w, float h,
                       GradientBrushGeometry& out) noexcept;

// The CSS angle (degrees, 0 = towards the top, clockwise) of a linear gradient over a
// w x h box: the given angle, or the one derived from its "to" sides.
float linear_gradient_angle(const css::Gradient& gradient, float w, float h) noexcept;

// A 5x4 colour matrix in row-vector form: [r g b a 1] x M, row i holding input i's
// contribution to the outputs r, g, b, a (colours in 0..1, alpha not premultiplied).
struct ColorMatrix {
  float m[5][4];
};

// The Filter Effects matrix of a colour filter function (not blur or drop-shadow) with
// its amount (hue-rotate in degrees).
ColorMatrix filter_color_matrix(css::FilterKind kind, float amount) noexcept;

// The filter chains of one renderer: 4 entries, least recently used replaced, keyed by
// the filter list (at most 8 filters, compared bytewise).
class FilterChainCache {
 public:
  static constexpr std::uint32_t kCapacity = 4;
  static constexpr std::uint32_t kMaxFilters = 8;
  using ReleaseHandle = void (*)(void* handle);

  explicit FilterChainCache(ReleaseHandle release) noexcept : m_release(release) {}
  ~FilterChainCache() { clear(); }
  FilterChainCache(const FilterChainCache&) = delete;
  FilterChainCache& operator=(const FilterChainCache&) = delete;

  // The handle stored for this list (marked most recently used), or null.
  void* find(const css::Filter* filters, std::uint32_t count) noexcept;
  // Stores the chain (the cache owns `handle`), replacing the least recently used.
  void insert(const css::Filter* filters, std::uint32_t count, void* handle) noexcept;
  void clear() noexcept;

 private:
  struct Entry {
    css::Filter filters[kMaxFilters];
    std::uint32_t count = 0;
    void* handle = nullptr;
    std::uint64_t used = 0;
  };
  static void fill_key(Entry& key, const css::Filter* filters, std::uint32_t count) noexcept;
  ReleaseHandle m_release;
  Entry m_entries[kCapacity];
  std::uint64_t m_clock = 0;
};

}  // namespace orlan::render
