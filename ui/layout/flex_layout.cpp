// Flex containers: items sorted by order, broken into lines, flexed with the freezing
// loop, stretched and aligned on the cross axis, distributed along the main axis.

#include <algorithm>
#include <cmath>

#include "container_layouts.h"

namespace orlan {

namespace {

constexpr float kNone = -1;
constexpr int kMaxFlexRounds = 8;

struct FlexItem {
  Node* node;
  std::int32_t order;            // the style's full value
  float base;                    // flex base size (border box)
  float target;                  // hypothetical, then target main size
  float min, max;                // main size limits (max -1: none)
  float main_start, main_end;    // main margins (0 when auto)
  float cross_start, cross_end;  // cross margins (0 when auto)
  float grow, shrink;
  float cross;                // laid-out cross size (border box)
  float main_pos, cross_pos;  // border-box position along each axis, content-relative
  float baseline;
  std::uint32_t first_line, line_count, first_run, run_count;  // text item results
  bool main_start_auto, main_end_auto, cross_start_auto, cross_end_auto;
  bool cross_auto;  // the cross size is auto (stretchable)
  bool text;
  bool frozen;
  bool base_from_layout;  // the base is the height of a layout at auto height
  float fit_cross;        // column items that do not stretch: their shrink-to-fit width
};

struct FlexLine {
  int first, count;
  float cross;
  float leftover;
  float baseline;  // the shared baseline of its baseline-aligned items, from the line's top
};

bool counts_as_item(const Node& c) {
  if (c.is_text()) return !is_whitespace_text(c);
  if (!c.is_element() || !is_rendered(c)) return false;
  return !is_out_of_flow_positioned(*c.style);
}

// Keyword after the reverse-direction swap of justify-content.
Keyword justify_keyword(Keyword k, bool reverse) {
  if (!reverse) return k;
  if (k == css::kw::FlexStart || k == css::kw::Start || k == css::kw::Normal)
    return css::kw::FlexEnd;
  if (k == css::kw::End || k == css::kw::FlexEnd) return css::kw::FlexStart;
  return k;
}

float gap_px(StyleLength gap, float base) {
  float g = resolve(gap, base, 0);
  return std::max(0.0f, sane(g));
}

struct Flex {
  LayoutContext& ctx;
  Node& node;
  LayoutBox& box;
  const ComputedStyle& s;
  bool row;
  float cw, ch, ah;  // content width, content height (-1), available height
  float ox, oy;

  float outer_target(const FlexItem& it) const { return it.main_start + it.target + it.main_end; }
  float outer_cross(const FlexItem& it) const { return it.cross_start + it.cross + it.cross_end; }

  // Lays a text item out at `width`; its lines stay appended to the container unless
  // `keep` is false. Returns its height.
  float layout_text(FlexItem& it, float width, bool keep) {
    Node* nodes[1] = {it.node};
    const std::uint32_t lines = box.line_count, runs = box.run_count;
    const std::uint32_t text = box.run_text_length;
    const float saved_limit = ctx.line_right_limit;
    ctx.line_right_limit = -1;
    float end = layout_inline_run(ctx, node, box, InlineRun{nodes, 1}, width, 0);
    ctx.line_right_limit = saved_limit;
    it.first_line = lines;
    it.line_count = box.line_count - lines;
    it.first_run = runs;
    it.run_count = box.run_count - runs;
    it.baseline = it.line_count ? box.lines[lines].baseline : -1;
    if (!keep) {
      box.line_count = lines;
      box.run_count = runs;
      box.run_text_length = text;
      it.line_count = it.run_count = 0;
    }
    return std::max(0.0f, sane(end));
  }

  void init_item(FlexItem& it, float main_size) {
    if (it.node->is_text()) {
      it.text = true;
      it.grow = 0;
      it.shrink = 1;
      it.max = kNone;
      it.cross_auto = true;
      if (row) {
        IntrinsicWidths w = intrinsic_widths(ctx, *it.node);
        it.base = w.max_content;
        it.min = s.overflow == css::kw::Visible ? w.min_content : 0;
      } else {
        it.base = layout_text(it, cw, false);
        it.min = 0;
      }
      it.target = std::max(it.base, it.min);
      return;
    }
    const ComputedStyle& cs = *it.node->style;
    it.order = cs.order;
    it.grow = std::max(0.0f, sane(cs.flex_grow));
    it.shrink = std::max(0.0f, sane(cs.flex_shrink));
    const float base = std::max(cw, 0.0f);
    const StyleLength* m = cs.margin;
    const int ms = row ? kLeft : kTop, me = row ? kRight : kBottom;
    const int xs = row ? kTop : kLeft, xe = row ? kBottom : kRight;
    it.main_start_auto = m[ms].is_auto();
    it.main_end_auto = m[me].is_auto();
    it.cross_start_auto = m[xs].is_auto();
    it.cross_end_auto = m[xe].is_auto();
    it.main_start = margin_px(m[ms], base);
    it.main_end = margin_px(m[me], base);
    it.cross_start = margin_px(m[xs], base);
    it.cross_end = margin_px(m[xe], base);
    float edges = 0;
    for (int side : {ms, me}) {
      edges += std::max(0.0f, sane(resolve(cs.padding[side], base, 0)));
      edges += std::max(0.0f, sane(cs.border_width[side]));
    }
    const bool content_box = cs.box_sizing != css::kw::BorderBox;
    const float add = content_box ? edges : 0;
    const StyleLength main_len = row ? cs.width : cs.height;
    const StyleLength cross_len = row ? cs.height : cs.width;
    it.cross_auto = cross_len.is_auto();
    it.fit_cross = -1;
    if (!row && it.cross_auto) {
      const Keyword a = cs.align_self == css::kw::Auto ? s.align_items : cs.align_self;
      if (a != css::kw::Stretch || it.cross_start_auto || it.cross_end_auto) {
        // Only stretched items fill the cross axis; the others take their content's width.
        IntrinsicWidths w = intrinsic_widths(ctx, *it.node);
        const float room = cw - it.cross_start - it.cross_end;
        it.fit_cross = std::max(w.min_content, std::min(w.max_content, room));
      }
    }

    float basis = resolve(cs.flex_basis, main_size, -1);
    if (basis >= 0) {
      it.base = basis + add;
    } else if (float given = resolve(main_len, main_size, -1); given >= 0) {
      it.base = given + add;
    } else if (row) {
      it.base = intrinsic_widths(ctx, *it.node).max_content;
    } else {
      // Laid out at its own width, or at the container's less its margins, with the
      // constraints of the final layout when its size stays (a cache hit then).
      LayoutBox* b = layout_box(ctx, *it.node, cw, ch, it.fit_cross, -1);
      it.base = b ? b->height : 0;
      it.base_from_layout = b != nullptr;
    }
    it.base = std::max(0.0f, sane(it.base));

    const StyleLength min_len = row ? cs.min_width : cs.min_height;
    if (!min_len.is_auto()) {
      float v = resolve(min_len, main_size, 0);
      it.min = v > 0 ? v + add : 0;
    } else if (row && cs.overflow == css::kw::Visible) {
      it.min = intrinsic_widths(ctx, *it.node).min_content;
    } else {
      it.min = 0;
    }
    it.min = std::max(sane(it.min), edges);
    const StyleLength max_len = row ? cs.max_width : cs.max_height;
    float mx = max_len.kind() == kStyleNone ? -1 : resolve(max_len, main_size, -1);
    it.max = mx >= 0 ? sane(mx) + add : kNone;
    it.target = it.base;
    if (it.max >= 0) it.target = std::min(it.target, it.max);
    it.target = std::max(it.target, it.min);
  }

  // The freezing loop over one line with a definite main size.
  void resolve_flexible_lengths(FlexItem* items, FlexLine& line, float main_size, float gap) {
    FlexItem* first = items + line.first;
    const int n = line.count;
    const float gaps = n > 1 ? gap * static_cast<float>(n - 1) : 0;
    float free = main_size - gaps;
    for (int i = 0; i < n; ++i) free -= outer_target(first[i]);
    const bool growing = free > 0;
    // Items that cannot flex that way keep their hypothetical sizes; the others flex
    // from their base sizes.
    for (int i = 0; i < n; ++i) {
      FlexItem& it = first[i];
      it.frozen =
          growing ? it.grow <= 0 || it.base > it.target : it.shrink <= 0 || it.base < it.target;
    }
    float* start =
        ctx.arena ? ctx.arena->allocate_array<float>(static_cast<std::size_t>(n)) : nullptr;
    if (!start) return;
    for (int i = 0; i < n; ++i) start[i] = first[i].frozen ? first[i].target : first[i].base;
    if (free != 0) {
      for (int round = 0; round < kMaxFlexRounds; ++round) {
        float remaining = main_size - gaps;
        float sum = 0;
        int unfrozen = 0;
        for (int i = 0; i < n; ++i) {
          const FlexItem& it = first[i];
          if (it.frozen) {
            remaining -= outer_target(it);
          } else {
            remaining -= it.main_start + start[i] + it.main_end;
            sum += growing ? it.grow : it.shrink * it.base;
            ++unfrozen;
          }
        }
        if (!unfrozen) break;
        // Nothing to share by (flex-grow 0, or every base 0 when shrinking): the
        // hypothetical sizes stay and the space is left to margins and justify-content.
        if (!(sum > 0) || (growing ? remaining <= 0 : remaining >= 0)) break;
        bool violation = false;
        for (int i = 0; i < n; ++i) {
          FlexItem& it = first[i];
          if (it.frozen) continue;
          float share = growing ? it.grow / sum : it.shrink * it.base / sum;
          float t = start[i] + remaining * share;
          float clamped = t;
          if (it.max >= 0) clamped = std::min(clamped, it.max);
          clamped = std::max(clamped, it.min);
          it.target = sane(clamped);
          if (clamped != t) {
            it.frozen = true;
            violation = true;
          }
        }
        if (!violation) break;
      }
    }
    float leftover = main_size - gaps;
    int auto_margins = 0;
    for (int i = 0; i < n; ++i) {
      leftover -= outer_target(first[i]);
      auto_margins += first[i].main_start_auto + first[i].main_end_auto;
    }
    if (leftover > 0 && auto_margins > 0) {
      float each = leftover / static_cast<float>(auto_margins);
      for (int i = 0; i < n; ++i) {
        if (first[i].main_start_auto) first[i].main_start += each;
        if (first[i].main_end_auto) first[i].main_end += each;
      }
      leftover = 0;
    }
    line.leftover = leftover;
  }

  // Lays an item out with its main size forced (and a cross size when given).
  void layout_item(FlexItem& it, float cross_forced) {
    if (it.text) {
      if (row) {
        it.cross = layout_text(it, it.target, true);
      } else {
        float w = cross_forced >= 0 ? cross_forced
                                    : std::min(cw, intrinsic_widths(ctx, *it.node).max_content);
        layout_text(it, w, true);
        it.cross = w;
      }
      return;
    }
    if (!row && cross_forced < 0) cross_forced = it.fit_cross;
    const float main_forced =
        !row && cross_forced == it.fit_cross && it.base_from_layout && it.target == it.base
            ? -1
            : it.target;
    LayoutBox* b = row ? layout_box(ctx, *it.node, cw, ch, it.target, cross_forced)
                       : layout_box(ctx, *it.node, cw, ch, cross_forced, main_forced);
    if (!b) {
      it.cross = 0;
      it.baseline = -1;
      return;
    }
    it.cross = row ? b->height : b->width;
    it.baseline = b->baseline;
  }

  Keyword align_of(const FlexItem& it) const {
    if (it.text) return s.align_items;
    Keyword a = it.node->style->align_self;
    return a == css::kw::Auto ? s.align_items : a;
  }

  // Baselines only line up across a row: in a column the items stay at the cross start.
  bool baseline_aligned(const FlexItem& it) const {
    return row && align_of(it) == css::kw::Baseline && !it.cross_start_auto && !it.cross_end_auto;
  }
  // From the item's outer cross start to its baseline; an item without one uses its
  // border-box bottom.
  float baseline_offset(const FlexItem& it) const {
    return it.cross_start + (it.baseline >= 0 ? it.baseline : it.cross);
  }

  float run();
};

float Flex::run() {
  clear_inline_results(box);
  const Keyword dir = s.flex_direction;
  const bool reverse = dir == css::kw::RowReverse || dir == css::kw::ColumnReverse;
  const bool wrap = s.flex_wrap == css::kw::Wrap || s.flex_wrap == css::kw::WrapReverse;
  const float main_size = row ? cw : ch;
  const float cross_definite = row ? ch : cw;
  const float main_gap = gap_px(row ? s.column_gap : s.row_gap, row ? cw : ch);
  const float cross_gap = gap_px(row ? s.row_gap : s.column_gap, row ? ch : cw);

  int n = 0;
  for (Node* c = node.first_child; c; c = c->next_sibling) n += counts_as_item(*c);
  if (!ctx.arena) return 0;
  FlexItem* items = n ? ctx.arena->allocate_array<FlexItem>(static_cast<std::size_t>(n)) : nullptr;
  FlexLine* lines = n ? ctx.arena->allocate_array<FlexLine>(static_cast<std::size_t>(n)) : nullptr;
  if (n && (!items || !lines)) return 0;  // out of memory: laid out as empty
  {
    int i = 0;
    for (Node* c = node.first_child; c; c = c->next_sibling) {
      if (!counts_as_item(*c)) {
        if (c->is_element() && is_rendered(*c) && is_out_of_flow_positioned(*c->style))
          set_static_position(*c, ox, oy);
        continue;
      }
      items[i] = FlexItem{};
      items[i].node = c;
      items[i].baseline = -1;
      items[i].fit_cross = -1;
      init_item(items[i], main_size);
      ++i;
    }
  }
  std::stable_sort(items, items + n,
                   [](const FlexItem& a, const FlexItem& b) { return a.order < b.order; });
  if (reverse) std::reverse(items, items + n);

  // Lines.
  int line_count = 0;
  if (n) {
    lines[0] = FlexLine{0, 0, 0, 0, 0};
    line_count = 1;
    float used = 0;
    for (int i = 0; i < n; ++i) {
      FlexLine& l = lines[line_count - 1];
      const float outer = outer_target(items[i]);
      if (wrap && main_size >= 0 && l.count > 0 &&
          main_gap + used + outer > main_size + kFitTolerance) {
        lines[line_count++] = FlexLine{i, 1, 0, 0, 0};
        used = outer;
        continue;
      }
      used += (l.count ? main_gap : 0) + outer;
      ++l.count;
    }
  }

  // Flexible lengths and the items' cross sizes.
  float longest = 0;
  for (int li = 0; li < line_count; ++li) {
    FlexLine& l = lines[li];
    if (main_size >= 0) {
      ArenaScope scratch(*ctx.arena);
      resolve_flexible_lengths(items, l, main_size, main_gap);
    }
    float used = 0, above = 0, below = 0;
    for (int i = l.first; i < l.first + l.count; ++i) {
      layout_item(items[i], -1);
      l.cross = std::max(l.cross, outer_cross(items[i]));
      used += outer_target(items[i]) + (i > l.first ? main_gap : 0);
      if (baseline_aligned(items[i])) {
        const float b = baseline_offset(items[i]);
        above = std::max(above, b);
        below = std::max(below, outer_cross(items[i]) - b);
      }
    }
    // Baseline-aligned items share the lowest baseline among them; the line is tall
    // enough for the deepest item below it.
    l.baseline = above;
    l.cross = std::max(l.cross, above + below);
    if (main_size < 0) l.leftover = 0;
    longest = std::max(longest, used);
  }
  if (line_count == 1 && !wrap && cross_definite >= 0) lines[0].cross = cross_definite;

  // align-content.
  float cross_total = 0;
  for (int li = 0; li < line_count; ++li) cross_total += lines[li].cross;
  if (line_count > 1) cross_total += cross_gap * static_cast<float>(line_count - 1);
  float cross_cursor = 0, between = 0;
  if (cross_definite >= 0 && line_count > 0) {
    const float d = cross_definite - cross_total;
    const float lc = static_cast<float>(line_count);
    if (d > 0) {
      switch (s.align_content) {
        case css::kw::Center:
          cross_cursor = d / 2;
          break;
        case css::kw::End:
        case css::kw::FlexEnd:
          cross_cursor = d;
          break;
        case css::kw::Normal:
        case css::kw::Stretch:
          for (int li = 0; li < line_count; ++li) lines[li].cross += d / lc;
          break;
        case css::kw::SpaceAround:
          between = d / lc;
          cross_cursor = d / lc / 2;
          break;
        case css::kw::SpaceBetween:
          if (line_count > 1) between = d / (lc - 1);
          break;
        case css::kw::SpaceEvenly:
          between = d / (lc + 1);
          cross_cursor = between;
          break;
        default:
          break;
      }
    }
  }
  const bool wrap_reverse = s.flex_wrap == css::kw::WrapReverse && wrap;
  float cross_extent = 0;
  if (wrap_reverse) {
    // Lines stack from the cross end.
    float total = 0;
    for (int li = 0; li < line_count; ++li) total += lines[li].cross;
    total += (cross_gap + between) * static_cast<float>(std::max(0, line_count - 1));
    float room = cross_definite >= 0 ? std::max(cross_definite, total + cross_cursor) : total;
    cross_cursor = room - cross_cursor;
  }

  // Place the lines and their items.
  for (int li = 0; li < line_count; ++li) {
    FlexLine& l = lines[li];
    float line_start = wrap_reverse ? cross_cursor - l.cross : cross_cursor;
    // Cross alignment (stretch relays the item).
    for (int i = l.first; i < l.first + l.count; ++i) {
      FlexItem& it = items[i];
      const Keyword a = align_of(it);
      if (a == css::kw::Stretch && it.cross_auto && !it.text && !it.cross_start_auto &&
          !it.cross_end_auto && outer_cross(it) != l.cross)
        layout_item(it, std::max(0.0f, l.cross - it.cross_start - it.cross_end));
      float free = l.cross - outer_cross(it);
      float offset = 0;
      if (free > 0 && (it.cross_start_auto || it.cross_end_auto)) {
        offset = it.cross_start_auto ? (it.cross_end_auto ? free / 2 : free) : 0;
      } else if (baseline_aligned(it)) {
        offset = l.baseline - baseline_offset(it);
      } else if (a == css::kw::Center) {
        offset = free / 2;
      } else if (a == css::kw::FlexEnd) {
        offset = free;
      }
      it.cross_pos = line_start + offset + it.cross_start;
    }
    // Main axis distribution.
    float cursor = 0, spacing = 0;
    const float f = l.leftover;
    const float k = static_cast<float>(l.count);
    if (f > 0) {
      switch (justify_keyword(s.justify_content, reverse)) {
        case css::kw::Center:
          cursor = f / 2;
          break;
        case css::kw::End:
        case css::kw::FlexEnd:
          cursor = f;
          break;
        case css::kw::SpaceAround:
          spacing = f / k;
          cursor = f / k / 2;
          break;
        case css::kw::SpaceBetween:
          if (l.count >= 2) spacing = f / (k - 1);
          break;
        case css::kw::SpaceEvenly:
          spacing = f / (k + 1);
          cursor = spacing;
          break;
        default:
          break;
      }
    }
    for (int i = l.first; i < l.first + l.count; ++i) {
      FlexItem& it = items[i];
      it.main_pos = cursor + it.main_start;
      cursor += it.main_start + it.target + it.main_end + main_gap + spacing;
    }
    if (wrap_reverse)
      cross_cursor -= l.cross + cross_gap + between;
    else
      cross_cursor += l.cross + cross_gap + between;
    cross_extent = std::max(cross_extent, line_start + l.cross);
  }

  // Boxes take their places; text items move their lines.
  for (int i = 0; i < n; ++i) {
    FlexItem& it = items[i];
    const float x = ox + (row ? it.main_pos : it.cross_pos);
    const float y = oy + (row ? it.cross_pos : it.main_pos);
    if (it.text) {
      const float dx = x - ox, dy = y - oy;
      for (std::uint32_t j = 0; j < it.line_count; ++j) {
        box.lines[it.first_line + j].x += dx;
        box.lines[it.first_line + j].y += dy;
      }
      for (std::uint32_t j = 0; j < it.run_count; ++j) {
        box.runs[it.first_run + j].x += dx;
        box.runs[it.first_run + j].y += dy;
      }
      if (i == 0 && it.line_count)
        box.baseline = box.lines[it.first_line].y + box.lines[it.first_line].baseline;
      continue;
    }
    LayoutBox* b = it.node->box;
    if (!b) continue;
    b->x = x;
    b->y = y;
    if (it.node->style->position == css::kw::Relative) {
      const ComputedStyle& cs = *it.node->style;
      float left = resolve(cs.inset[kLeft], cw, -1e30f),
            right = resolve(cs.inset[kRight], cw, -1e30f);
      float top = resolve(cs.inset[kTop], ch, -1e30f),
            bottom = resolve(cs.inset[kBottom], ch, -1e30f);
      if (left > -1e29f)
        b->x += sane(left);
      else if (right > -1e29f)
        b->x -= sane(right);
      if (top > -1e29f)
        b->y += sane(top);
      else if (bottom > -1e29f)
        b->y -= sane(bottom);
    }
    if (i == 0 && b->baseline >= 0) box.baseline = y + b->baseline;
  }

  const float cross_used = std::max(cross_total, cross_extent);
  if (row) {
    box.content_width = std::max(box.content_width, longest);
    box.content_height = std::max(box.content_height, cross_used);
    return cross_used;
  }
  box.content_width = std::max(box.content_width, cross_used);
  float main_used = std::max(longest, ch >= 0 ? ch : 0.0f);
  box.content_height = std::max(box.content_height, main_used);
  return main_used;
}

}  // namespace

float layout_flex(LayoutContext& ctx, Node& node, LayoutBox& box,
                  const ContainerLayoutInput& input) noexcept {
  const ComputedStyle& s = *node.style;
  const bool row = s.flex_direction == css::kw::Row || s.flex_direction == css::kw::RowReverse;
  Flex flex{ctx,
            node,
            box,
            s,
            row,
            input.content_width,
            input.content_height,
            input.available_height,
            box.border[kLeft] + box.padding[kLeft],
            box.border[kTop] + box.padding[kTop]};
  return flex.run();
}

IntrinsicWidths flex_intrinsic_widths(LayoutContext& ctx, Node& node) noexcept {
  const ComputedStyle& s = *node.style;
  const bool row = s.flex_direction == css::kw::Row || s.flex_direction == css::kw::RowReverse;
  const bool wrap = s.flex_wrap == css::kw::Wrap || s.flex_wrap == css::kw::WrapReverse;
  const float gap = gap_px(s.column_gap, -1);
  IntrinsicWidths r;
  int n = 0;
  ++ctx.depth;
  for (Node* c = node.first_child; c; c = c->next_sibling) {
    if (!counts_as_item(*c)) continue;
    IntrinsicWidths w = intrinsic_widths(ctx, *c);
    if (c->is_element()) {
      const ComputedStyle& cs = *c->style;
      const float margins = margin_px(cs.margin[kLeft], -1) + margin_px(cs.margin[kRight], -1);
      if (row && cs.flex_basis.is_px()) {
        float basis = std::max(0.0f, sane(cs.flex_basis.value));
        if (cs.box_sizing != css::kw::BorderBox) {
          for (int side : {kLeft, kRight})
            basis += std::max(0.0f, sane(resolve(cs.padding[side], -1, 0))) +
                     std::max(0.0f, sane(cs.border_width[side]));
        }
        w.max_content = std::max(w.max_content, basis);
        w.min_content = std::max(w.min_content, std::min(basis, w.min_content));
      }
      w.min_content += margins;
      w.max_content += margins;
    }
    if (row) {
      r.max_content += w.max_content + (n ? gap : 0);
      if (wrap)
        r.min_content = std::max(r.min_content, w.min_content);
      else
        r.min_content += w.min_content + (n ? gap : 0);
    } else {
      r.min_content = std::max(r.min_content, w.min_content);
      r.max_content = std::max(r.max_content, w.max_content);
    }
    ++n;
  }
  --ctx.depth;
  r.max_content = std::max(r.max_content, r.min_content);
  return r;
}

}  // namespace orlan
