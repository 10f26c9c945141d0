#pragma once

// A drawing surface in memory that executes display lists the way the renderer does for
// partial frames: clip to the damage (grown to whole pixels), clear it, skip drawing
// items whose bounds miss it, and draw groups offscreen clipped to it. What it draws is
// a stand-in for the real thing, but every effect reaches as far as the real one: text
// is a pattern over its box that depends on its bytes, a repeating image a checker over
// its whole tile area, a blur a box blur three standard deviations wide, a drop shadow
// the blurred shape offset. Exact integer arithmetic, so that the same items over the
// same pixels always give the same result: a partial frame over the previous frame's
// pixels must equal a full frame of the same list.
//
// Shared by the paint tests and the paint and input fuzz targets (header only: the fuzz
// targets build without the test libraries).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "css_value.h"
#include "display_list.h"
#include "document.h"
#include "orlan/orlan.h"

namespace orlan::paint_test {

class RasterSurface {
 public:
  RasterSurface(int width, int height) : m_width(width), m_height(height), m_layers(1) {
    m_layers[0].pixels.assign(static_cast<std::size_t>(width) * height, Px{});
  }

  int width() const { return m_width; }
  int height() const { return m_height; }

  // Draws `list` over what the surface shows: everything when `damage` is null, else
  // only the damage, as a partial frame.
  void draw(const DisplayList& list, const ItemBounds& bounds, const Rect* damage,
            std::uint32_t clear = 0xFFFFFFFFu) {
    const Clip all{0, 0, m_width, m_height};
    Clip region = all;
    if (damage) {
      region = snapped(damage->x, damage->y, damage->width, damage->height).meet(all);
      if (region.empty()) return;
    }
    m_region = region;
    m_partial = damage != nullptr;
    m_layers.resize(1);
    Layer& base = m_layers[0];
    base.clips.assign(1, region);
    fill_region(base, region, unpack(clear | 0xFF000000u));
    m_matrices.assign(1, Matrix{});
    m_opens.clear();
    const bool use_bounds = damage && bounds.count == list.count;
    for (std::uint32_t i = 0; i < list.count; ++i) {
      const DisplayItem& it = list.items[i];
      if (use_bounds && is_drawing(it.kind) && !meets_region(bounds.rects[i])) continue;
      execute(it);
    }
    while (!m_opens.empty()) close_top();
    m_screen_valid = false;
  }

  // Premultiplied 0xAARRGGBB, row by row.
  const std::vector<std::uint32_t>& pixels() const {
    if (!m_screen_valid) {
      m_screen.resize(m_layers[0].pixels.size());
      for (std::size_t i = 0; i < m_screen.size(); ++i) m_screen[i] = pack(m_layers[0].pixels[i]);
      m_screen_valid = true;
    }
    return m_screen;
  }

 private:
  struct Px {
    std::int32_t a = 0, r = 0, g = 0, b = 0;  // premultiplied, 0..255
    bool operator==(const Px&) const = default;
  };
  struct Clip {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty() const { return x1 <= x0 || y1 <= y0; }
    Clip meet(const Clip& o) const {
      return {std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
    }
  };
  struct Matrix {
    double m[6] = {1, 0, 0, 1, 0, 0};
  };
  struct Layer {
    std::vector<Px> pixels;
    std::vector<Clip> clips;
  };
  enum class Open { kClip, kTransform, kGroup };
  struct OpenItem {
    Open kind;
    ItemKind pushed_by;
    const DisplayItem* item;
  };

  static Px unpack(std::uint32_t c) {
    return {static_cast<std::int32_t>(c >> 24), static_cast<std::int32_t>((c >> 16) & 255),
            static_cast<std::int32_t>((c >> 8) & 255), static_cast<std::int32_t>(c & 255)};
  }
  static std::uint32_t pack(const Px& p) {
    return (static_cast<std::uint32_t>(p.a) << 24) | (static_cast<std::uint32_t>(p.r) << 16) |
           (static_cast<std::uint32_t>(p.g) << 8) | static_cast<std::uint32_t>(p.b);
  }
  // A straight colour with an extra alpha (0..255), premultiplied.
  static Px premultiplied(std::uint32_t c, std::int32_t alpha = 255) {
    const std::int32_t a = static_cast<std::int32_t>(c >> 24) * alpha / 255;
    return {a, static_cast<std::int32_t>((c >> 16) & 255) * a / 255,
            static_cast<std::int32_t>((c >> 8) & 255) * a / 255,
            static_cast<std::int32_t>(c & 255) * a / 255};
  }
  static Px over(const Px& src, const Px& dst) {
    const std::int32_t k = 255 - src.a;
    return {src.a + dst.a * k / 255, src.r + dst.r * k / 255, src.g + dst.g * k / 255,
            src.b + dst.b * k / 255};
  }

  static bool is_drawing(ItemKind k) {
    return k == ItemKind::kFill || k == ItemKind::kBorder || k == ItemKind::kText ||
           k == ItemKind::kImage || k == ItemKind::kGradient || k == ItemKind::kBackdropFilter;
  }

  static Clip snapped(double x, double y, double w, double h) {
    if (!(w >= 0) || !(h >= 0) || !std::isfinite(x + y + w + h)) return {};
    auto at = [](double v) { return static_cast<int>(std::clamp(v, -1e6, 1e6)); };
    return {at(std::floor(x)), at(std::floor(y)), at(std::ceil(x + w)), at(std::ceil(y + h))};
  }

  bool meets_region(const Rect& b) const {
    const Clip c = snapped(b.x, b.y, b.width, b.height);
    return !c.empty() && !c.meet(m_region).empty();
  }

  Layer& top() { return m_layers.back(); }
  const Matrix& matrix() const { return m_matrices.back(); }

  // The device rectangle a local rectangle covers under the current transform.
  Clip device_bounds(double x, double y, double w, double h) const {
    const double* m = matrix().m;
    double x0 = 1e18, y0 = 1e18, x1 = -1e18, y1 = -1e18;
    for (double px : {x, x + w})
      for (double py : {y, y + h}) {
        const double tx = m[0] * px + m[2] * py + m[4], ty = m[1] * px + m[3] * py + m[5];
        x0 = std::min(x0, tx), y0 = std::min(y0, ty), x1 = std::max(x1, tx), y1 = std::max(y1, ty);
      }
    return snapped(x0, y0, x1 - x0, y1 - y0);
  }

  // Calls paint(local x, local y) -> (covered, colour) for each pixel of the current clip
  // whose centre maps into the local rectangle.
  template <class Shade>
  void shade_rect(double x, double y, double w, double h, Shade shade) {
    if (!(w > 0) || !(h > 0)) return;
    Layer& layer = top();
    const Clip area = device_bounds(x, y, w, h).meet(layer.clips.back());
    if (area.empty()) return;
    const double* m = matrix().m;
    const double det = m[0] * m[3] - m[1] * m[2];
    if (!(std::fabs(det) > 1e-12)) return;
    for (int py = area.y0; py < area.y1; ++py)
      for (int px = area.x0; px < area.x1; ++px) {
        const double cx = px + 0.5 - m[4], cy = py + 0.5 - m[5];
        const double lx = (m[3] * cx - m[2] * cy) / det, ly = (-m[1] * cx + m[0] * cy) / det;
        if (lx < x || ly < y || lx >= x + w || ly >= y + h) continue;
        Px color;
        if (!shade(lx - x, ly - y, color)) continue;
        Px& dst = layer.pixels[static_cast<std::size_t>(py) * m_width + px];
        dst = over(color, dst);
      }
  }

  void fill_region(Layer& layer, const Clip& c, const Px& color) {
    for (int py = c.y0; py < c.y1; ++py)
      for (int px = c.x0; px < c.x1; ++px)
        layer.pixels[static_cast<std::size_t>(py) * m_width + px] = color;
  }

  static std::uint32_t hash_bytes(const void* data, std::size_t n, std::uint32_t h = 2166136261u) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
    return h;
  }

  void execute(const DisplayItem& it) {
    switch (it.kind) {
      case ItemKind::kFill: {
        const Px c = premultiplied(it.color);
        shade_rect(it.x, it.y, it.width, it.height, [&](double, double, Px& out) {
          out = c;
          return true;
        });
        break;
      }
      case ItemKind::kBorder: {
        const Px c = premultiplied(it.colors[0]);
        const float* w = it.widths;
        shade_rect(it.x, it.y, it.width, it.height, [&](double lx, double ly, Px& out) {
          out = c;
          return lx < w[3] || ly < w[0] || lx >= it.width - w[1] || ly >= it.height - w[2];
        });
        break;
      }
      case ItemKind::kText: {
        const std::uint32_t h =
            hash_bytes(it.text, it.text ? it.text_length : 0) ^ it.text_revision;
        const Px c = premultiplied(it.color);
        shade_rect(it.x, it.y, it.width, it.height, [&](double lx, double ly, Px& out) {
          out = c;
          const auto cell =
              static_cast<std::uint32_t>(lx / 3) * 7 + static_cast<std::uint32_t>(ly / 4);
          return ((h >> (cell % 29)) & 1u) != 0;
        });
        break;
      }
      case ItemKind::kImage: {
        const double tx = it.repeat_x ? it.tile_x : it.x, ty = it.repeat_y ? it.tile_y : it.y;
        const double tw = it.repeat_x ? it.tile_width : it.width;
        const double th = it.repeat_y ? it.tile_height : it.height;
        const double cw = it.width > 0 ? it.width : 1, ch = it.height > 0 ? it.height : 1;
        const Px light = premultiplied(0xFF99CCEEu), dark = premultiplied(0xFF335577u);
        shade_rect(tx, ty, tw, th, [&](double lx, double ly, Px& out) {
          // Position within the tile that starts at the destination.
          double u = std::fmod(tx + lx - it.x, cw), v = std::fmod(ty + ly - it.y, ch);
          if (u < 0) u += cw;
          if (v < 0) v += ch;
          out = (u < cw / 2) != (v < ch / 2) ? light : dark;
          return true;
        });
        break;
      }
      case ItemKind::kGradient: {
        const Px c =
            premultiplied(0xFF000000u | (hash_bytes(&it.gradient, sizeof it.gradient) & 0xFFFFFFu));
        shade_rect(it.x, it.y, it.width, it.height, [&](double, double ly, Px& out) {
          out = c;
          out.r = out.r * static_cast<std::int32_t>(std::min(ly, 255.0)) / 255;
          return true;
        });
        break;
      }
      case ItemKind::kPushClip:
        top().clips.push_back(
            device_bounds(it.x, it.y, std::max(it.width, 0.f), std::max(it.height, 0.f))
                .meet(top().clips.back()));
        m_opens.push_back({Open::kClip, it.kind, &it});
        break;
      case ItemKind::kPushTransform: {
        Matrix next;
        const double* a = matrix().m;
        const float* n = it.matrix;
        next.m[0] = a[0] * n[0] + a[2] * n[1];
        next.m[1] = a[1] * n[0] + a[3] * n[1];
        next.m[2] = a[0] * n[2] + a[2] * n[3];
        next.m[3] = a[1] * n[2] + a[3] * n[3];
        next.m[4] = a[0] * n[4] + a[2] * n[5] + a[4];
        next.m[5] = a[1] * n[4] + a[3] * n[5] + a[5];
        m_matrices.push_back(next);
        m_opens.push_back({Open::kTransform, it.kind, &it});
        break;
      }
      case ItemKind::kPushOpacity:
      case ItemKind::kPushFilter: {
        // Offscreen, clipped to the damage only; the parent's clips apply when composed.
        Layer layer;
        layer.pixels.assign(m_layers[0].pixels.size(), Px{});
        layer.clips.push_back(m_partial ? m_region : Clip{0, 0, m_width, m_height});
        m_layers.push_back(std::move(layer));
        m_opens.push_back({Open::kGroup, it.kind, &it});
        break;
      }
      case ItemKind::kPopClip:
      case ItemKind::kPopTransform:
      case ItemKind::kPopOpacity:
      case ItemKind::kPopFilter:
        if (!m_opens.empty()) close_top();
        break;
      case ItemKind::kBackdropFilter:
        backdrop(it);
        break;
    }
  }

  void close_top() {
    const OpenItem open = m_opens.back();
    m_opens.pop_back();
    if (open.kind == Open::kClip) {
      if (top().clips.size() > 1) top().clips.pop_back();
      return;
    }
    if (open.kind == Open::kTransform) {
      if (m_matrices.size() > 1) m_matrices.pop_back();
      return;
    }
    Layer content = std::move(m_layers.back());
    m_layers.pop_back();
    Layer& parent = top();
    const Clip area = parent.clips.back();
    if (area.empty()) return;
    const DisplayItem& item = *open.item;
    if (open.pushed_by == ItemKind::kPushOpacity) {
      const auto k =
          static_cast<std::int32_t>(std::lround(std::clamp(item.opacity, 0.f, 1.f) * 255));
      for_each(area, [&](std::size_t i) {
        const Px s = content.pixels[i];
        parent.pixels[i] =
            over({s.a * k / 255, s.r * k / 255, s.g * k / 255, s.b * k / 255}, parent.pixels[i]);
      });
      return;
    }
    std::vector<Px> image = std::move(content.pixels);
    std::vector<Px> shadow;
    for (std::uint32_t f = 0; item.filters && f < item.filter_count; ++f) {
      const css::Filter& filter = item.filters[f];
      if (filter.kind == css::FilterKind::Blur) {
        image = blurred(image, radius_of(filter.amount), area);
      } else if (filter.kind == css::FilterKind::DropShadow && shadow.empty()) {
        shadow = shadow_of(image, filter, area);
      }
    }
    for_each(area, [&](std::size_t i) {
      if (!shadow.empty()) parent.pixels[i] = over(shadow[i], parent.pixels[i]);
      parent.pixels[i] = over(image[i], parent.pixels[i]);
    });
  }

  template <class F>
  void for_each(const Clip& c, F f) {
    for (int y = c.y0; y < c.y1; ++y)
      for (int x = c.x0; x < c.x1; ++x) f(static_cast<std::size_t>(y) * m_width + x);
  }

  static int radius_of(float sigma) {
    if (!(sigma > 0)) return 0;
    return static_cast<int>(std::min(std::ceil(3 * sigma), 24.0f));
  }

  // A box blur of `r` pixels on each side, computed where `want` needs it (and as far
  // around it as the second pass reads).
  std::vector<Px> blurred(const std::vector<Px>& in, int r, const Clip& want) {
    if (r <= 0) return in;
    const Clip all{0, 0, m_width, m_height};
    const Clip rows = Clip{want.x0, want.y0 - r, want.x1, want.y1 + r}.meet(all);
    std::vector<Px> across(in.size()), out(in);
    const std::int32_t n = 2 * r + 1;
    for (int y = rows.y0; y < rows.y1; ++y)
      for (int x = rows.x0; x < rows.x1; ++x) {
        Px sum;
        for (int k = x - r; k <= x + r; ++k) {
          if (k < 0 || k >= m_width) continue;
          const Px& p = in[static_cast<std::size_t>(y) * m_width + k];
          sum.a += p.a, sum.r += p.r, sum.g += p.g, sum.b += p.b;
        }
        across[static_cast<std::size_t>(y) * m_width + x] = {sum.a / n, sum.r / n, sum.g / n,
                                                             sum.b / n};
      }
    for (int y = want.y0; y < want.y1; ++y)
      for (int x = want.x0; x < want.x1; ++x) {
        Px sum;
        for (int k = y - r; k <= y + r; ++k) {
          if (k < 0 || k >= m_height) continue;
          const Px& p = across[static_cast<std::size_t>(k) * m_width + x];
          sum.a += p.a, sum.r += p.r, sum.g += p.g, sum.b += p.b;
        }
        out[static_cast<std::size_t>(y) * m_width + x] = {sum.a / n, sum.r / n, sum.g / n,
                                                          sum.b / n};
      }
    return out;
  }

  std::vector<Px> shadow_of(const std::vector<Px>& in, const css::Filter& f, const Clip& want) {
    std::vector<Px> shape(in.size());
    const Px c = premultiplied(f.color);
    const int dx = static_cast<int>(std::lround(std::clamp(f.offset_x, -1e4f, 1e4f)));
    const int dy = static_cast<int>(std::lround(std::clamp(f.offset_y, -1e4f, 1e4f)));
    for (int y = 0; y < m_height; ++y)
      for (int x = 0; x < m_width; ++x) {
        const int sx = x - dx, sy = y - dy;
        if (sx < 0 || sy < 0 || sx >= m_width || sy >= m_height) continue;
        const std::int32_t a = in[static_cast<std::size_t>(sy) * m_width + sx].a;
        shape[static_cast<std::size_t>(y) * m_width + x] = {c.a * a / 255, c.r * a / 255,
                                                            c.g * a / 255, c.b * a / 255};
      }
    return blurred(shape, radius_of(f.blur / 2), want);
  }

  // Blurs what is drawn under the rectangle and puts it back in its place.
  void backdrop(const DisplayItem& it) {
    int r = 0;
    for (std::uint32_t f = 0; it.filters && f < it.filter_count; ++f)
      if (it.filters[f].kind == css::FilterKind::Blur)
        r = std::max(r, radius_of(it.filters[f].amount));
    Layer& layer = top();
    const Clip area = device_bounds(it.x, it.y, it.width, it.height).meet(layer.clips.back());
    if (area.empty()) return;
    const std::vector<Px> result = blurred(layer.pixels, r, area);
    for_each(area, [&](std::size_t i) { layer.pixels[i] = result[i]; });
  }

  int m_width, m_height;
  mutable std::vector<std::uint32_t> m_screen;
  mutable bool m_screen_valid = false;
  Clip m_region;
  bool m_partial = false;
  std::vector<Layer> m_layers;
  std::vector<Matrix> m_matrices;
  std::vector<OpenItem> m_opens;
};

// The first pixel where two surfaces differ, as "x,y", with the count of differing
// pixels; empty when they are equal.
inline std::string first_difference(const RasterSurface& a, const RasterSurface& b) {
  std::size_t count = 0, first = 0;
  for (std::size_t i = 0; i < a.pixels().size() && i < b.pixels().size(); ++i)
    if (a.pixels()[i] != b.pixels()[i] && count++ == 0) first = i;
  if (count == 0) return {};
  return std::to_string(count) + " pixels, first at " + std::to_string(first % a.width()) + "," +
         std::to_string(first / a.width());
}

// Follows a document frame by frame as the host does, the previous list kept for the
// diff: each frame is drawn over the last one, partially when the diff allows, and
// compared with a full drawing of the same list.
class PartialFrameCheck {
 public:
  PartialFrameCheck(int width, int height) : m_screen(width, height), m_full(width, height) {}

  // Empty when the frame drawn matches the full frame, else where it does not.
  std::string frame(Document& document) {
    if (build_display_list(document, m_next) != kOk) m_next.complete = false;
    const Damage damage = diff_display_lists(m_previous, m_next, m_bounds);
    std::string mismatch;
    if (damage.partial && !(damage.rect.width > 0 && damage.rect.height > 0)) {
      // Nothing changed: nothing is drawn.
    } else if (damage.partial) {
      m_screen.draw(m_next, m_bounds, &damage.rect);
      m_full.draw(m_next, m_bounds, nullptr);
      mismatch = first_difference(m_screen, m_full);
    } else {
      m_screen.draw(m_next, m_bounds, nullptr);
    }
    if (!m_previous.copy_from(m_next)) m_previous.complete = false;
    ++m_frames;
    if (damage.partial && damage.rect.width > 0 && damage.rect.height > 0) ++m_partial_frames;
    return mismatch;
  }
  int frames() const { return m_frames; }
  // Frames drawn partially with something to draw.
  int partial_frames() const { return m_partial_frames; }

 private:
  RasterSurface m_screen, m_full;
  DisplayList m_previous, m_next;
  ItemBounds m_bounds;
  int m_frames = 0, m_partial_frames = 0;
};

}  // namespace orlan::paint_test
