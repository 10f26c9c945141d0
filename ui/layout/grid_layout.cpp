// Grid containers: explicit tracks with their auto repeats, line and area placement,
// auto-placement over an occupancy matrix, track sizing and the items' alignment in
// their areas.

#include <algorithm>
#include <cmath>

#include "container_layouts.h"

namespace orlan {

namespace {

constexpr int kMaxTracks = 128;
constexpr float kInfinite = 1e9f;

struct GridTrack {
  StyleLength min, max;
  float base, limit, fr;
  float fit;  // fit-content limit (-1: none)
  bool intrinsic_min, intrinsic_max, flexible, frozen;
  bool auto_fit;     // repeated by repeat(auto-fit, ...)
  bool collapsed;    // an auto-fit track no item occupies: size 0, no gaps beside it
  float start, end;  // after alignment, content-relative
};

// Gaps lie between the tracks that did not collapse.
int gap_count(const GridTrack* t, int count) {
  int visible = 0;
  for (int k = 0; k < count; ++k) visible += !t[k].collapsed;
  return std::max(0, visible - 1);
}

// An empty auto-fit track shrinks to nothing and stops taking part in sizing.
void collapse_track(GridTrack& t) {
  t.collapsed = true;
  t.base = t.limit = 0;
  t.fit = -1;
  t.intrinsic_min = t.intrinsic_max = t.flexible = false;
  t.fr = 0;
}

struct GridItem {
  Node* node;
  std::int32_t order;
  int column, column_span, row, row_span;  // start -1: auto
  bool placed;
};

// A fixed size of a sizing function, or -1 when it depends on the content.
float fixed_size(StyleLength l, float base) {
  switch (l.kind()) {
    case kStylePx:
    case kStyleMixed:
      return std::max(0.0f, sane(resolve(l, base, -1)));
    case kStylePercent:
      return base >= 0 ? std::max(0.0f, sane(resolve(l, base, -1))) : -1;
    default:
      return -1;
  }
}

void init_track(GridTrack& t, const StyleTrack& st, float available) {
  t = GridTrack{};
  t.min = st.min;
  t.max = st.max;
  t.fit = -1;
  const float fmin = fixed_size(st.min, available);
  t.intrinsic_min = fmin < 0;
  t.base = fmin < 0 ? 0 : fmin;
  t.limit = kInfinite;
  const std::uint32_t mk = st.max.kind();
  if (mk == kStyleFr) {
    t.flexible = true;
    t.fr = std::max(0.0f, sane(st.max.value));
    if (st.min.kind() == kStyleFr) t.intrinsic_min = true, t.base = 0;
  } else if (mk == kStyleFitContentPx || mk == kStyleFitContentPercent) {
    t.intrinsic_max = true;
    t.fit = mk == kStyleFitContentPx
                ? std::max(0.0f, sane(st.max.value))
                : (available >= 0 ? std::max(0.0f, sane(st.max.value * available / 100)) : -1);
  } else {
    const float fmax = fixed_size(st.max, available);
    if (fmax >= 0)
      t.limit = std::max(fmax, t.base);
    else
      t.intrinsic_max = true;
  }
}

// The explicit tracks of one axis, auto repeats expanded; at most 128.
int expand_tracks(const StyleTrack* list, int count, float available, float gap, GridTrack* out) {
  int repeat_first = -1, repeat_count = 0;
  for (int i = 0; i < count; ++i) {
    if (list[i].kind != 0) {
      if (repeat_first < 0) repeat_first = i;
      if (i == repeat_first + repeat_count) ++repeat_count;
    }
  }
  auto size_of = [&](const StyleTrack& t) {
    float mx = fixed_size(t.max, available), mn = fixed_size(t.min, available);
    return mx >= 0 ? std::max(mx, std::max(mn, 0.0f)) : std::max(mn, 0.0f);
  };
  int repeats = 1;
  if (repeat_count > 0) {
    const int others = count - repeat_count;
    float other_sizes = 0, repeated = 0;
    for (int i = 0; i < count; ++i) {
      if (i >= repeat_first && i < repeat_first + repeat_count)
        repeated += size_of(list[i]);
      else
        other_sizes += size_of(list[i]);
    }
    const float step = static_cast<float>(repeat_count) * gap + repeated;
    // One repetition when the repeated size is not positive or the room unknown.
    if (step > 0 && available >= 0) {
      float n =
          std::floor((available - other_sizes - static_cast<float>(others) * gap + gap) / step);
      if (std::isfinite(n))
        repeats = static_cast<int>(std::clamp(n, 1.0f, static_cast<float>(kMaxTracks)));
    }
    while (repeats > 1 && others + repeats * repeat_count > kMaxTracks) --repeats;
  }
  int n = 0;
  for (int i = 0; i < count && n < kMaxTracks; ++i) {
    if (repeat_count > 0 && i == repeat_first) {
      for (int r = 0; r < repeats; ++r)
        for (int k = 0; k < repeat_count && n < kMaxTracks; ++k) {
          init_track(out[n], list[repeat_first + k], available);
          out[n++].auto_fit = list[repeat_first + k].kind == 2;
        }
      i += repeat_count - 1;
      continue;
    }
    init_track(out[n++], list[i], available);
  }
  return n;
}

// One axis of an item from its two stored lines (n > 0 line n, n < 0 span, 0 auto).
void resolve_lines(int start, int end, int* index, int* span) {
  *index = -1;
  *span = 1;
  if (start > 0 && end > 0) {
    int a = start - 1, b = end - 1;
    if (b < a) std::swap(a, b);  // reversed lines
    *index = a;
    *span = std::max(1, b - a);
  } else if (start > 0) {
    *index = start - 1;
    *span = end < 0 ? -end : 1;
  } else if (end > 0) {
    *span = start < 0 ? -start : 1;
    *index = std::max(0, end - 1 - *span);
  } else {
    *span = start < 0 ? -start : (end < 0 ? -end : 1);
  }
  if (*index >= kMaxTracks) *index = kMaxTracks - 1;
  *span = std::clamp(*span, 1, kMaxTracks);
}

bool counts_as_item(const Node& c) {
  return c.is_element() && is_rendered(c) && !is_out_of_flow_positioned(*c.style);
}

// Taken cells, one 128-bit mask per row.
struct Occupancy {
  std::uint64_t bits[kMaxTracks][2];
  static void mask(int column, int columns, std::uint64_t out[2]) {
    out[0] = out[1] = 0;
    for (int w = 0; w < 2; ++w) {
      const int lo = std::max(column, w * 64), hi = std::min(column + columns, w * 64 + 64);
      if (hi <= lo) continue;
      const int n = hi - lo;
      const std::uint64_t ones = n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
      out[w] = ones << (lo - w * 64);
    }
  }
  bool free(int row, int column, int rows, int columns) const {
    std::uint64_t m[2];
    mask(column, columns, m);
    for (int r = row; r < row + rows; ++r)
      if ((bits[r][0] & m[0]) || (bits[r][1] & m[1])) return false;
    return true;
  }
  void take(int row, int column, int rows, int columns) {
    std::uint64_t m[2];
    mask(column, columns, m);
    for (int r = row; r < row + rows; ++r) {
      bits[r][0] |= m[0];
      bits[r][1] |= m[1];
    }
  }
};

struct Grid {
  LayoutContext& ctx;
  Node& node;
  const ComputedStyle& s;
  GridItem* items = nullptr;
  int item_count = 0;
  GridTrack* columns = nullptr;
  GridTrack* rows = nullptr;
  int column_count = 0, row_count = 0;
  int explicit_columns = 0, explicit_rows = 0;  // tracks from the templates
  float column_gap = 0, row_gap = 0;

  bool build(float cw, float ch);
  void place(int explicit_columns, int explicit_rows);
  void collapse_empty_auto_fit();
  void size_tracks(GridTrack* tracks, int count, float available, float gap, bool columns_axis,
                   const float* heights_min);
};

// The area of a named item: the rectangle of its name in grid-template-areas.
bool area_of(const ComputedStyle& container, std::uint32_t name, int* row, int* rows, int* column,
             int* columns) {
  const int nr = container.grid_template_area_rows, nc = container.grid_template_area_columns;
  if (!name || !container.grid_template_areas) return false;
  int r0 = nr, r1 = -1, c0 = nc, c1 = -1;
  for (int r = 0; r < nr; ++r)
    for (int c = 0; c < nc; ++c)
      if (container.grid_template_areas[r * nc + c] == name) {
        r0 = std::min(r0, r), r1 = std::max(r1, r);
        c0 = std::min(c0, c), c1 = std::max(c1, c);
      }
  if (r1 < 0) return false;
  *row = r0, *rows = r1 - r0 + 1, *column = c0, *columns = c1 - c0 + 1;
  return true;
}

bool Grid::build(float cw, float ch) {
  LayoutArena& arena = *ctx.arena;
  for (Node* c = node.first_child; c; c = c->next_sibling) item_count += counts_as_item(*c);
  items =
      item_count ? arena.allocate_array<GridItem>(static_cast<std::size_t>(item_count)) : nullptr;
  columns = arena.allocate_array<GridTrack>(kMaxTracks);
  rows = arena.allocate_array<GridTrack>(kMaxTracks);
  if ((item_count && !items) || !columns || !rows) return false;
  column_gap = std::max(0.0f, sane(resolve(s.column_gap, cw, 0)));
  row_gap = std::max(0.0f, sane(resolve(s.row_gap, ch, 0)));
  int i = 0;
  for (Node* c = node.first_child; c; c = c->next_sibling) {
    if (!counts_as_item(*c)) continue;
    const ComputedStyle& cs = *c->style;
    GridItem& it = items[i++];
    it = GridItem{c, cs.order, -1, 1, -1, 1, false};
    int r, rs, col, cs_;
    if (cs.grid_area && area_of(s, cs.grid_area, &r, &rs, &col, &cs_)) {
      it.row = r, it.row_span = rs, it.column = col, it.column_span = cs_;
      continue;
    }
    resolve_lines(cs.grid_column_start, cs.grid_column_end, &it.column, &it.column_span);
    resolve_lines(cs.grid_row_start, cs.grid_row_end, &it.row, &it.row_span);
  }
  std::stable_sort(items, items + item_count,
                   [](const GridItem& a, const GridItem& b) { return a.order < b.order; });
  explicit_columns =
      expand_tracks(s.grid_template_columns, s.grid_template_column_count, cw, column_gap, columns);
  explicit_rows = expand_tracks(s.grid_template_rows, s.grid_template_row_count, ch, row_gap, rows);
  place(std::max(explicit_columns, static_cast<int>(s.grid_template_area_columns)),
        std::max(explicit_rows, static_cast<int>(s.grid_template_area_rows)));
  // Implicit tracks take the auto sizes.
  for (int k = explicit_columns; k < column_count; ++k)
    init_track(columns[k], s.grid_auto_columns, cw);
  for (int k = explicit_rows; k < row_count; ++k) init_track(rows[k], s.grid_auto_rows, ch);
  collapse_empty_auto_fit();
  return true;
}

void Grid::collapse_empty_auto_fit() {
  bool any = false;
  for (int k = 0; k < column_count; ++k) any |= columns[k].auto_fit;
  for (int k = 0; k < row_count; ++k) any |= rows[k].auto_fit;
  if (!any) return;
  bool used_columns[kMaxTracks] = {}, used_rows[kMaxTracks] = {};
  for (int i = 0; i < item_count; ++i) {
    const GridItem& it = items[i];
    if (!it.placed) continue;
    for (int k = it.column; k < std::min(it.column + it.column_span, kMaxTracks); ++k)
      used_columns[k] = true;
    for (int k = it.row; k < std::min(it.row + it.row_span, kMaxTracks); ++k) used_rows[k] = true;
  }
  for (int k = 0; k < column_count; ++k)
    if (columns[k].auto_fit && !used_columns[k]) collapse_track(columns[k]);
  for (int k = 0; k < row_count; ++k)
    if (rows[k].auto_fit && !used_rows[k]) collapse_track(rows[k]);
}

void Grid::place(int explicit_columns, int explicit_rows) {
  // The column count covers every definite end and the largest span (within 128); spans
  // are cut to it, so auto-placement always finds room in some row.
  int ncols = std::max(1, explicit_columns);
  for (int i = 0; i < item_count; ++i) {
    const GridItem& it = items[i];
    ncols = std::max(ncols, (it.column >= 0 ? it.column : 0) + it.column_span);
  }
  ncols = std::min(ncols, kMaxTracks);
  for (int i = 0; i < item_count; ++i) {
    GridItem& it = items[i];
    if (it.column >= ncols) it.column = ncols - 1;
    it.column_span = std::min(it.column_span, ncols - std::max(it.column, 0));
    if (it.row >= kMaxTracks) it.row = kMaxTracks - 1;
    if (it.row >= 0) it.row_span = std::min(it.row_span, kMaxTracks - it.row);
    it.row_span = std::min(it.row_span, kMaxTracks);
  }
  auto* occ = ctx.arena->allocate_array<Occupancy>(1);
  if (!occ) return;
  int nrows = explicit_rows;
  auto mark = [&](GridItem& it) {
    occ->take(it.row, it.column, it.row_span, it.column_span);
    it.placed = true;
    nrows = std::max(nrows, it.row + it.row_span);
  };
  for (int i = 0; i < item_count; ++i)
    if (items[i].row >= 0 && items[i].column >= 0) mark(items[i]);
  for (int i = 0; i < item_count; ++i) {
    GridItem& it = items[i];
    if (it.row < 0 || it.column >= 0) continue;
    it.column = 0;
    for (int c = 0; c + it.column_span <= ncols; ++c)
      if (occ->free(it.row, c, it.row_span, it.column_span)) {
        it.column = c;
        break;
      }
    mark(it);
  }
  int cursor_row = 0, cursor_column = 0;
  for (int i = 0; i < item_count; ++i) {
    GridItem& it = items[i];
    if (it.placed) continue;
    if (it.column >= 0) {
      if (it.column < cursor_column) ++cursor_row;
      int r = cursor_row;
      while (r + it.row_span <= kMaxTracks && !occ->free(r, it.column, it.row_span, it.column_span))
        ++r;
      if (r + it.row_span > kMaxTracks) continue;  // no room within the limit: ignored
      it.row = r;
      mark(it);
      cursor_row = r;
      cursor_column = it.column + it.column_span;
      continue;
    }
    bool done = false;
    for (int r = cursor_row; !done && r + it.row_span <= kMaxTracks; ++r) {
      for (int c = r == cursor_row ? cursor_column : 0; c + it.column_span <= ncols; ++c) {
        if (!occ->free(r, c, it.row_span, it.column_span)) continue;
        it.row = r;
        it.column = c;
        mark(it);
        cursor_row = r;
        cursor_column = c + it.column_span;
        done = true;
        break;
      }
    }
  }
  column_count = ncols;
  row_count = std::min(nrows, kMaxTracks);
}

float item_margins(const ComputedStyle& cs, bool horizontal, float base) {
  return horizontal ? margin_px(cs.margin[kLeft], base) + margin_px(cs.margin[kRight], base)
                    : margin_px(cs.margin[kTop], base) + margin_px(cs.margin[kBottom], base);
}

// Sizes one axis. Contributions come from intrinsic widths (columns) or from the heights
// in `heights_min` (rows: one per item, -1 for unplaced ones).
void Grid::size_tracks(GridTrack* t, int count, float available, float gap, bool columns_axis,
                       const float* heights) {
  // Items raise the intrinsic tracks they span: single spans first, then wider ones.
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < item_count; ++i) {
      const GridItem& it = items[i];
      if (!it.placed) continue;
      const int first = columns_axis ? it.column : it.row;
      const int span = columns_axis ? it.column_span : it.row_span;
      if ((span == 1) != (pass == 0) || first + span > count) continue;
      bool any = false;
      for (int k = first; k < first + span; ++k) any |= t[k].intrinsic_min || t[k].intrinsic_max;
      if (!any) continue;
      float min_c, max_c;
      if (columns_axis) {
        IntrinsicWidths w = intrinsic_widths(ctx, *it.node);
        const float m = item_margins(*it.node->style, true, -1);
        min_c = w.min_content + m;
        max_c = w.max_content + m;
      } else {
        min_c = max_c = heights[i];
      }
      const float spacing = gap * static_cast<float>(span - 1);
      float base_sum = spacing, limit_sum = spacing;
      int intrinsic = 0;
      for (int k = first; k < first + span; ++k) {
        base_sum += t[k].base;
        limit_sum += t[k].limit >= kInfinite ? t[k].base : t[k].limit;
        intrinsic += t[k].intrinsic_min || t[k].intrinsic_max;
      }
      const float n = static_cast<float>(intrinsic);
      for (int k = first; k < first + span; ++k) {
        GridTrack& tr = t[k];
        if (!(tr.intrinsic_min || tr.intrinsic_max)) continue;
        const float limit = tr.limit >= kInfinite ? tr.base : tr.limit;
        if (tr.intrinsic_max && max_c > limit_sum) tr.limit = limit + (max_c - limit_sum) / n;
        if (tr.intrinsic_min && min_c > base_sum) tr.base += (min_c - base_sum) / n;
      }
    }
  }
  float used = gap * static_cast<float>(gap_count(t, count));
  float fr_sum = 0;
  for (int k = 0; k < count; ++k) {
    GridTrack& tr = t[k];
    if (tr.limit >= kInfinite && !tr.flexible) tr.limit = tr.base;
    if (tr.fit >= 0) tr.limit = std::min(tr.limit, tr.fit);
    if (tr.flexible) {
      tr.limit = tr.base;
      fr_sum += tr.fr;
    }
    tr.limit = std::max(tr.limit, tr.base);
    tr.frozen = tr.flexible;
    used += tr.base;
  }
  if (available < 0) {
    // No room to share: tracks take their growth limits.
    for (int k = 0; k < count; ++k) t[k].base = t[k].limit;
    return;
  }
  // Free space goes equally to the tracks below their limits, in rounds.
  float free = available - used;
  for (int round = 0; round <= count && free >= 0.001f; ++round) {
    int open = 0;
    for (int k = 0; k < count; ++k) open += !t[k].frozen && t[k].base < t[k].limit;
    if (!open) break;
    const float each = free / static_cast<float>(open);
    for (int k = 0; k < count; ++k) {
      GridTrack& tr = t[k];
      if (tr.frozen || tr.base >= tr.limit) continue;
      const float grow = std::min(each, tr.limit - tr.base);
      tr.base += grow;
      free -= grow;
      if (tr.base >= tr.limit) tr.frozen = true;
    }
  }
  if (fr_sum > 0 && free > 0) {
    float room = free;
    for (int k = 0; k < count; ++k)
      if (t[k].flexible) room += t[k].base;
    const float unit = room / std::max(fr_sum, 1.0f);
    for (int k = 0; k < count; ++k)
      if (t[k].flexible) t[k].base = std::max(t[k].base, unit * t[k].fr);
  }
}

// Offsets of the tracks after content alignment; returns the total extent.
float align_tracks(GridTrack* t, int count, float available, float gap, Keyword k) {
  const int gaps = gap_count(t, count);
  float total = gap * static_cast<float>(gaps);
  for (int i = 0; i < count; ++i) total += t[i].base;
  float start = 0, between = 0;
  const float e = available - total;
  int visible = 0;
  for (int i = 0; i < count; ++i) visible += !t[i].collapsed;
  const float n = static_cast<float>(visible);
  if (available >= 0 && e > 0 && visible > 0) {
    switch (k) {
      case css::kw::Center:
        start = e / 2;
        break;
      case css::kw::End:
      case css::kw::FlexEnd:
        start = e;
        break;
      case css::kw::SpaceAround:
        between = e / n;
        start = e / n / 2;
        break;
      case css::kw::SpaceBetween:
        if (visible >= 2) between = e / (n - 1);
        break;
      case css::kw::SpaceEvenly:
        between = e / (n + 1);
        start = between;
        break;
      default:
        break;
    }
  }
  // A collapsed track sits where the next one starts, with no gap of its own.
  float x = start;
  bool first = true;
  for (int i = 0; i < count; ++i) {
    if (t[i].collapsed) {
      t[i].start = t[i].end = x;
      continue;
    }
    if (!first) x += gap + between;
    first = false;
    t[i].start = x;
    t[i].end = x + t[i].base;
    x = t[i].end;
  }
  return count ? x : 0;
}

bool stretches(Keyword k) {
  return k == css::kw::Stretch || k == css::kw::Normal;
}

float align_offset(Keyword k, float free) {
  if (free <= 0) return 0;
  switch (k) {
    case css::kw::End:
    case css::kw::SelfEnd:
    case css::kw::FlexEnd:
      return free;
    case css::kw::Center:
      return free / 2;
    default:
      return 0;
  }
}

}  // namespace

float layout_grid(LayoutContext& ctx, Node& node, LayoutBox& box,
                  const ContainerLayoutInput& input) noexcept {
  clear_inline_results(box);
  if (!ctx.arena) return 0;
  const ComputedStyle& s = *node.style;
  const float cw = input.content_width, ch = input.content_height;
  const float ox = box.border[kLeft] + box.padding[kLeft];
  const float oy = box.border[kTop] + box.padding[kTop];
  // Out-of-flow children stand where the content starts.
  for (Node* c = node.first_child; c; c = c->next_sibling)
    if (c->is_element() && is_rendered(*c) && is_out_of_flow_positioned(*c->style))
      set_static_position(*c, ox, oy);
  Grid g{ctx, node, s};
  if (!g.build(cw, ch)) return 0;
  g.size_tracks(g.columns, g.column_count, cw, g.column_gap, true, nullptr);
  align_tracks(g.columns, g.column_count, cw, g.column_gap, s.justify_content);

  // Rows from the heights of the items laid out in their column areas.
  float* heights = g.item_count
                       ? ctx.arena->allocate_array<float>(static_cast<std::size_t>(g.item_count))
                       : nullptr;
  float* widths = g.item_count
                      ? ctx.arena->allocate_array<float>(static_cast<std::size_t>(g.item_count))
                      : nullptr;
  if (g.item_count && (!heights || !widths)) return 0;
  for (int i = 0; i < g.item_count; ++i) {
    GridItem& it = g.items[i];
    if (!it.placed || it.column + it.column_span > g.column_count) {
      it.placed = false;
      continue;
    }
    const ComputedStyle& cs = *it.node->style;
    const float area = g.columns[it.column + it.column_span - 1].end - g.columns[it.column].start;
    const float margins = item_margins(cs, true, cw);
    Keyword js = cs.justify_self == css::kw::Auto ? s.justify_items : cs.justify_self;
    float w;
    if (stretches(js) && cs.width.is_auto()) {
      w = std::max(0.0f, area - margins);
    } else if (cs.width.is_auto()) {
      IntrinsicWidths iw = intrinsic_widths(ctx, *it.node);
      w = std::max(iw.min_content, std::min(iw.max_content, area - margins));
    } else {
      w = -1;  // its own width
    }
    w = clamp_imposed_size(*it.node, w, true, cw, area);
    LayoutBox* b = layout_box(ctx, *it.node, area, -1, w, -1);
    widths[i] = b ? b->width : 0;
    heights[i] = b ? b->height + item_margins(cs, false, cw) : 0;
  }
  float rows_room = ch;
  if (rows_room < 0 && input.min_height_floor > 0) rows_room = input.min_height_floor;
  g.size_tracks(g.rows, g.row_count, rows_room, g.row_gap, false, heights);
  const float extent = align_tracks(g.rows, g.row_count, ch, g.row_gap, s.align_content);

  for (int i = 0; i < g.item_count; ++i) {
    GridItem& it = g.items[i];
    if (!it.placed || it.row + it.row_span > g.row_count) continue;
    const ComputedStyle& cs = *it.node->style;
    const GridTrack& c0 = g.columns[it.column];
    const GridTrack& c1 = g.columns[it.column + it.column_span - 1];
    const GridTrack& r0 = g.rows[it.row];
    const GridTrack& r1 = g.rows[it.row + it.row_span - 1];
    const float area_w = c1.end - c0.start, area_h = r1.end - r0.start;
    Keyword as = cs.align_self == css::kw::Auto ? s.align_items : cs.align_self;
    Keyword js = cs.justify_self == css::kw::Auto ? s.justify_items : cs.justify_self;
    LayoutBox* b = it.node->box;
    if (!b) continue;
    const float vmargins = item_margins(cs, false, cw);
    if (stretches(as) && cs.height.is_auto()) {
      const float forced_w = widths[i];
      const float forced_h =
          clamp_imposed_size(*it.node, std::max(0.0f, area_h - vmargins), false, cw, area_h);
      b = layout_box(ctx, *it.node, area_w, -1, forced_w, forced_h);
      if (!b) continue;
    }
    const float free_x = area_w - b->width - b->margin[kLeft] - b->margin[kRight];
    const float free_y = area_h - b->height - b->margin[kTop] - b->margin[kBottom];
    b->x = ox + c0.start + b->margin[kLeft] + align_offset(js, free_x);
    b->y = oy + r0.start + b->margin[kTop] + align_offset(as, free_y);
    if (box.baseline < 0 && b->baseline >= 0) box.baseline = b->y + b->baseline;
  }
  const float width_extent = g.column_count ? g.columns[g.column_count - 1].end : 0;
  box.content_width = std::max(box.content_width, width_extent);
  box.content_height = std::max(box.content_height, extent);
  return extent;
}

IntrinsicWidths grid_intrinsic_widths(LayoutContext& ctx, Node& node) noexcept {
  IntrinsicWidths r;
  if (!ctx.arena) return r;
  ArenaScope scope(*ctx.arena);
  Grid g{ctx, node, *node.style};
  ++ctx.depth;
  if (g.build(-1, -1)) {
    g.size_tracks(g.columns, g.column_count, -1, g.column_gap, true, nullptr);
    const float gaps = g.column_gap * static_cast<float>(gap_count(g.columns, g.column_count));
    r.min_content = r.max_content = gaps;
    for (int k = 0; k < g.column_count; ++k) r.max_content += g.columns[k].base;
    // The min-content size: the tracks' bases before they grew to their limits.
    Grid m{ctx, node, *node.style};
    if (m.build(-1, -1)) {
      for (int k = 0; k < m.column_count; ++k) m.columns[k].fit = 0;  // limits cut to the bases
      m.size_tracks(m.columns, m.column_count, -1, m.column_gap, true, nullptr);
      for (int k = 0; k < m.column_count; ++k) r.min_content += m.columns[k].base;
    }
  }
  --ctx.depth;
  r.max_content = std::max(r.max_content, r.min_content);
  return r;
}

}  // namespace orlan
