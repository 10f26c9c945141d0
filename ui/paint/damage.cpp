// Item bounds and the diff of two frames' lists: the damaged rectangle of a partial
// repaint, or the decision to repaint in full.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "css_value.h"
#include "display_list.h"

namespace orlan {

namespace {

constexpr int kMaxNesting = 64;
// What an item nested deeper than the stacks covers: everything.
constexpr float kUnbounded = 1e9f;

struct Extent {
  float x0 = 1, y0 = 1, x1 = 0, y1 = 0;  // empty while x0 > x1
  bool empty() const { return !(x0 <= x1 && y0 <= y1); }
  void add(const Extent& o) {
    if (o.empty()) return;
    if (empty()) {
      *this = o;
      return;
    }
    x0 = std::min(x0, o.x0), y0 = std::min(y0, o.y0);
    x1 = std::max(x1, o.x1), y1 = std::max(y1, o.y1);
  }
  Rect rect() const { return empty() ? Rect{} : Rect{x0, y0, x1 - x0, y1 - y0}; }
};

Extent unbounded() { return {-kUnbounded, -kUnbounded, kUnbounded, kUnbounded}; }

Extent transformed(const float m[6], float x, float y, float w, float h, float grow) {
  if (!(w >= 0) || !(h >= 0) || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) ||
      !std::isfinite(h))
    return {};
  Extent e;
  const float xs[2] = {x, x + w}, ys[2] = {y, y + h};
  bool first = true;
  for (float px : xs)
    for (float py : ys) {
      const float tx = m[0] * px + m[2] * py + m[4];
      const float ty = m[1] * px + m[3] * py + m[5];
      if (first) {
        e = {tx, ty, tx, ty};
        first = false;
      } else {
        e.x0 = std::min(e.x0, tx), e.y0 = std::min(e.y0, ty);
        e.x1 = std::max(e.x1, tx), e.y1 = std::max(e.y1, ty);
      }
    }
  if (!std::isfinite(e.x0) || !std::isfinite(e.y0) || !std::isfinite(e.x1) || !std::isfinite(e.y1))
    return unbounded();
  e.x0 -= grow, e.y0 -= grow, e.x1 += grow, e.y1 += grow;
  return e;
}

bool is_push(ItemKind k) {
  return k == ItemKind::kPushClip || k == ItemKind::kPushTransform ||
         k == ItemKind::kPushOpacity || k == ItemKind::kPushFilter;
}
bool is_pop(ItemKind k) {
  return k == ItemKind::kPopClip || k == ItemKind::kPopTransform || k == ItemKind::kPopOpacity ||
         k == ItemKind::kPopFilter;
}

bool reserve(ItemBounds& bounds, std::uint32_t count) {
  if (bounds.capacity >= count) return true;
  std::uint32_t capacity = bounds.capacity ? bounds.capacity : 256;
  while (capacity < count) {
    if (capacity > (1u << 30)) return false;
    capacity *= 2;
  }
  void* grown = std::realloc(bounds.rects, sizeof(Rect) * capacity);
  if (!grown) return false;
  bounds.rects = static_cast<Rect*>(grown);
  bounds.capacity = capacity;
  return true;
}

// The previous frame's bounds, computed only when some item changed.
thread_local ItemBounds t_previous_bounds;

// How far a filter list spreads what it filters: a blur reaches three standard
// deviations, a drop shadow its blur and its offset.
float filter_reach(const css::Filter* filters, std::uint32_t count) {
  float reach = 0;
  for (std::uint32_t i = 0; filters && i < count; ++i) {
    const css::Filter& f = filters[i];
    if (f.kind == css::FilterKind::Blur)
      reach = std::max(reach, 3 * f.amount);
    else if (f.kind == css::FilterKind::DropShadow)
      reach = std::max(reach, 3 * f.blur + std::max(std::fabs(f.offset_x), std::fabs(f.offset_y)));
  }
  return std::isfinite(reach) ? reach : kUnbounded;
}

Extent grown(Extent e, float by) {
  if (e.empty() || !(by > 0)) return e;
  e.x0 -= by, e.y0 -= by, e.x1 += by, e.y1 += by;
  return e;
}

bool meets(const Extent& a, const Extent& b) {
  return !a.empty() && !b.empty() && a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

bool holds(const Extent& outer, const Extent& inner) {
  return inner.empty() || (!outer.empty() && outer.x0 <= inner.x0 && outer.y0 <= inner.y0 &&
                           outer.x1 >= inner.x1 && outer.y1 >= inner.y1);
}

Extent extent_of(const Rect& r) {
  if (!(r.width > 0 || r.height > 0)) return {};
  return {r.x, r.y, r.x + r.width, r.y + r.height};
}

}  // namespace

ItemBounds::~ItemBounds() { std::free(rects); }

bool item_bounds(const DisplayList& list, ItemBounds& bounds) noexcept {
  bounds.count = 0;
  bounds.exact = true;
  if (!reserve(bounds, list.count)) return false;
  float matrices[kMaxNesting + 1][6];
  const float identity[6] = {1, 0, 0, 1, 0, 0};
  std::memcpy(matrices[0], identity, sizeof identity);
  int transforms = 0;          // depth of the tracked transforms
  int transforms_beyond = 0;   // transforms nested deeper than the stack holds
  struct Group {
    std::uint32_t index;
    Extent extent;
  };
  Group groups[kMaxNesting];
  int open = 0;
  int beyond = 0;  // groups nested deeper than the stack holds

  for (std::uint32_t i = 0; i < list.count; ++i) {
    const DisplayItem& it = list.items[i];
    Extent e;
    if (is_push(it.kind)) {
      if (open == kMaxNesting || beyond > 0) {
        ++beyond;
        bounds.exact = false;
        bounds.rects[i] = unbounded().rect();
        if (it.kind == ItemKind::kPushTransform) ++transforms_beyond;
        continue;
      }
      Extent start;
      if (it.kind == ItemKind::kPushFilter)
        start = transformed(matrices[transforms], it.x, it.y, it.width, it.height, 0);
      groups[open++] = Group{i, start};
      if (it.kind == ItemKind::kPushTransform) {
        std::memcpy(matrices[transforms + 1], matrices[transforms], sizeof matrices[0]);
        {
          float* m = matrices[transforms + 1];
          const float* n = it.matrix;
          const float a = m[0] * n[0] + m[2] * n[1], b = m[1] * n[0] + m[3] * n[1];
          const float c = m[0] * n[2] + m[2] * n[3], d = m[1] * n[2] + m[3] * n[3];
          const float ex = m[0] * n[4] + m[2] * n[5] + m[4], fy = m[1] * n[4] + m[3] * n[5] + m[5];
          m[0] = a, m[1] = b, m[2] = c, m[3] = d, m[4] = ex, m[5] = fy;
        }
        ++transforms;
      }
      continue;
    }
    if (is_pop(it.kind)) {
      if (beyond > 0) {
        --beyond;
        if (it.kind == ItemKind::kPopTransform && transforms_beyond > 0) --transforms_beyond;
        bounds.rects[i] = unbounded().rect();
        continue;
      }
      if (open == 0) {  // unbalanced: covers nothing
        bounds.rects[i] = Rect{};
        continue;
      }
      Group g = groups[--open];
      const DisplayItem& push = list.items[g.index];
      if (push.kind == ItemKind::kPushTransform && transforms > 0) --transforms;
      // A filter spreads what the group holds, wherever that lies.
      if (push.kind == ItemKind::kPushFilter)
        g.extent = grown(g.extent, filter_reach(push.filters, push.filter_count));
      bounds.rects[g.index] = g.extent.rect();
      bounds.rects[i] = g.extent.rect();
      if (open > 0) groups[open - 1].extent.add(g.extent);
      continue;
    }
    // A drawing item.
    if (transforms_beyond > 0 || beyond > 0) {
      e = unbounded();
    } else {
      float grow = it.kind == ItemKind::kText ? 3.0f : 1.0f;
      // What a backdrop filter draws depends on what lies under it as far as its
      // filters reach.
      if (it.kind == ItemKind::kBackdropFilter) grow += filter_reach(it.filters, it.filter_count);
      e = transformed(matrices[transforms], it.x, it.y, it.width, it.height, grow);
      // A repeating image is drawn over its whole tile area, not just the one tile.
      if (it.kind == ItemKind::kImage && (it.repeat_x || it.repeat_y))
        e.add(transformed(matrices[transforms], it.tile_x, it.tile_y, it.tile_width, it.tile_height,
                          grow));
    }
    bounds.rects[i] = e.rect();
    if (open > 0) groups[open - 1].extent.add(e);
  }
  // Groups left open (a list cut short) cover what they hold so far.
  while (open > 0) {
    const Group g = groups[--open];
    bounds.rects[g.index] = g.extent.rect();
    if (open > 0) groups[open - 1].extent.add(g.extent);
  }
  bounds.count = list.count;
  return true;
}

Damage diff_display_lists(const DisplayList& previous, const DisplayList& next,
                          ItemBounds& bounds) noexcept {
  Damage damage;
  if (!item_bounds(next, bounds) || !bounds.exact) return damage;
  // Only a list built completely describes what is on the screen.
  if (!previous.complete || !next.complete || previous.count != next.count) return damage;
  for (std::uint32_t i = 0; i < next.count; ++i)
    if (previous.items[i].kind != next.items[i].kind) return damage;
  Extent total;
  bool old_bounds = false;
  for (std::uint32_t i = 0; i < next.count; ++i) {
    if (std::memcmp(&previous.items[i], &next.items[i], sizeof(DisplayItem)) == 0) continue;
    if (!old_bounds) {
      if (!item_bounds(previous, t_previous_bounds) || !t_previous_bounds.exact) return damage;
      old_bounds = true;
    }
    total.add(extent_of(t_previous_bounds.rects[i]));
    total.add(extent_of(bounds.rects[i]));
  }
  damage.partial = true;
  damage.rect = grow_damage_for_effects(next, bounds, total.rect());
  return damage;
}

Rect grow_damage_for_effects(const DisplayList& list, const ItemBounds& bounds,
                             Rect damage) noexcept {
  Extent total = extent_of(damage);
  if (total.empty() || bounds.count != list.count) return damage;
  // Each growth can reach further groups; every round takes in at least one more.
  for (std::uint32_t round = 0; round <= list.count; ++round) {
    bool grew = false;
    for (std::uint32_t i = 0; i < list.count; ++i) {
      const ItemKind k = list.items[i].kind;
      if (k != ItemKind::kPushFilter && k != ItemKind::kBackdropFilter) continue;
      const Extent group = extent_of(bounds.rects[i]);
      if (!meets(group, total) || holds(total, group)) continue;
      total.add(group);
      grew = true;
    }
    if (!grew) break;
  }
  return total.rect();
}

}  // namespace orlan
