// The inline formatting context: a run of inline-level nodes cut into items, broken
// greedily into line boxes between the floats, aligned, cut with an ellipsis where the
// style asks, and turned into text runs and box positions.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "line_breaking.h"

namespace orlan {

namespace {

constexpr int kMaxInlineDepth = 64;
constexpr char kEllipsis[] = "\xE2\x80\xA6";

// One node of the run with the rectangle its items cover (container border-box
// coordinates).
struct Entry {
  Node* node;
  std::int32_t parent;  // entry index, -1: the container
  float x0, y0, x1, y1;
  bool has_rect;
};

struct EntryList {
  Entry* entries = nullptr;
  int count = 0;
  int capacity = 0;
  int add(Node* node, int parent) {
    if (count >= capacity) return -1;
    entries[count] = Entry{node, parent, 0, 0, 0, 0, false};
    return count++;
  }
  void cover(int index, float x0, float y0, float x1, float y1) {
    if (index < 0) return;
    Entry& e = entries[index];
    if (!e.has_rect) {
      e.x0 = x0, e.y0 = y0, e.x1 = x1, e.y1 = y1;
      e.has_rect = true;
      return;
    }
    e.x0 = std::min(e.x0, x0);
    e.y0 = std::min(e.y0, y0);
    e.x1 = std::max(e.x1, x1);
    e.y1 = std::max(e.y1, y1);
  }
};

// Builds the items of a run, in layout mode (atomic boxes laid out) or measuring mode.
struct ItemBuilder {
  LayoutContext& ctx;
  ItemList& list;
  EntryList* entries;  // null when measuring
  float width;         // the container's content width (-1 when measuring)
  bool measuring;

  void add_text(Node& text_node, int parent_entry) {
    const ComputedStyle* s = style_of(text_node);
    if (!s || !text_node.text || text_node.text_length == 0) return;
    int entry = entries ? entries->add(&text_node, parent_entry) : -1;
    bool transformed = false;
    const char* text = ctx.arena ? transform_text(*ctx.arena, text_node.text, text_node.text_length,
                                                  s->text_transform, &transformed)
                                 : text_node.text;
    append_text_items(ctx, list, text_node, entry, text, text_node.text_length, transformed,
                      text_style_of(ctx, *s));
  }

  void add_element(Node& e, int parent_entry, int depth) {
    if (list.full) return;
    if (!is_rendered(e)) {
      if (e.box) release_subtree_boxes(e);
      return;
    }
    const ComputedStyle& s = *e.style;
    const ComputedStyle* ps = e.parent ? style_of(*e.parent) : nullptr;
    const ComputedStyle& parent_style = ps ? *ps : s;
    InlineItem item;
    item.node = &e;
    if (is_out_of_flow_positioned(s)) {
      if (measuring) return;
      item.kind = kItemStatic;
      item.entry = entries->add(&e, parent_entry);
      list.push(item);
      return;
    }
    if (is_floated(s)) {
      item.kind = kItemFloat;
      if (entries) item.entry = entries->add(&e, parent_entry);
      if (measuring) {
        IntrinsicWidths w = intrinsic_widths(ctx, e);
        float m = margins(s);
        item.width = w.max_content + m;
        item.min_width = w.min_content + m;
      }
      list.push(item);
      return;
    }
    if (e.has_tag(TagId::kBr)) {
      TextStyle ts = text_style_of(ctx, parent_style);
      item.kind = kItemBreak;
      item.ascent = ts.metrics.ascent;
      item.descent = ts.metrics.descent;
      if (entries) item.entry = entries->add(&e, parent_entry);
      list.push(item);
      list.after_space = true;
      list.after_opportunity = true;
      return;
    }
    const bool wrap =
        parent_style.white_space != css::kw::Nowrap && parent_style.white_space != css::kw::Pre;
    if (s.display == Display::kInline && !is_replaced_or_control(e) && depth < kMaxInlineDepth) {
      TextStyle ts = text_style_of(ctx, s);
      float base = std::max(width, 0.0f);
      int entry = entries ? entries->add(&e, parent_entry) : -1;
      InlineItem start;
      start.node = &e;
      start.kind = kItemStart;
      start.entry = entry;
      // Margins count as they are, negative ones included.
      start.width = start.min_width = sane(resolve(s.margin[kLeft], base, 0)) +
                                      std::max(0.0f, s.border_width[kLeft]) +
                                      std::max(0.0f, sane(resolve(s.padding[kLeft], base, 0)));
      start.ascent = ts.metrics.ascent + ts.raise;
      start.descent = ts.metrics.descent - ts.raise;
      start.font_ascent = ts.metrics.font_ascent;
      start.font_descent = ts.metrics.font_descent;
      start.raise = ts.raise;
      // An opportunity before the element (after a space) stays one: the line may end
      // before its left edge, which then moves on with the text after it.
      start.break_before = wrap && list.after_opportunity ? 1 : 0;
      list.push(start);
      for (Node* c = e.first_child; c && !list.full; c = c->next_sibling) {
        if (c->is_text())
          add_text(*c, entry);
        else if (c->is_element())
          add_element(*c, entry, depth + 1);
      }
      InlineItem end = start;
      end.kind = kItemEnd;
      end.break_before = 0;
      end.width = end.min_width = sane(resolve(s.margin[kRight], base, 0)) +
                                  std::max(0.0f, s.border_width[kRight]) +
                                  std::max(0.0f, sane(resolve(s.padding[kRight], base, 0)));
      list.push(end);
      return;
    }
    // Everything else is one unit in the line.
    item.kind = kItemAtomic;
    item.break_before = wrap ? 1 : 0;
    if (entries) item.entry = entries->add(&e, parent_entry);
    if (measuring) {
      IntrinsicWidths w = intrinsic_widths(ctx, e);
      float m = margins(s);
      item.width = w.max_content + m;
      item.min_width = w.min_content + m;
    } else {
      float forced_width = -1;
      if (s.width.is_auto() && is_block_level(s.display)) {
        IntrinsicWidths w = intrinsic_widths(ctx, e);
        float room = width - margins(s);
        forced_width = std::max(w.min_content, std::min(w.max_content, room));
      }
      LayoutBox* b = layout_box(ctx, e, width, -1, forced_width, -1);
      if (!b) return;
      float h = b->margin[kTop] + b->height + b->margin[kBottom];
      item.width = b->margin[kLeft] + b->width + b->margin[kRight];
      float ascent = b->baseline >= 0 ? b->margin[kTop] + b->baseline : h;
      LineMetrics pm = line_metrics(ctx, parent_style);
      switch (s.vertical_align) {
        case css::kw::Middle:
          ascent = 0.25f * parent_style.font_size + h / 2;
          break;
        case css::kw::Super:
          ascent += 0.34f * parent_style.font_size;
          break;
        case css::kw::Sub:
          ascent -= 0.2f * parent_style.font_size;
          break;
        case css::kw::TextTop:
        case css::kw::Top:
          ascent = pm.ascent;
          break;
        case css::kw::TextBottom:
        case css::kw::Bottom:
          ascent = h - pm.descent;
          break;
        default:
          break;
      }
      item.ascent = ascent;
      item.descent = h - ascent;
    }
    list.push(item);
    list.after_space = false;
    list.after_opportunity = wrap;
  }

  float margins(const ComputedStyle& s) const {
    float base = std::max(width, 0.0f);
    return sane(resolve(s.margin[kLeft], base, 0)) + sane(resolve(s.margin[kRight], base, 0));
  }

  void add_run(const InlineRun& run) {
    for (int i = 0; i < run.count && !list.full; ++i) {
      Node& n = *run.nodes[i];
      if (n.is_text())
        add_text(n, -1);
      else if (n.is_element())
        add_element(n, -1, 0);
    }
  }
};

bool is_content(const InlineItem& it) {
  switch (it.kind) {
    case kItemText:
    case kItemAtomic:
    case kItemBreak:
      return true;
    case kItemStart:
    case kItemEnd:
      return it.width > 0;
    default:
      return false;
  }
}

// What makes a line "hold content" for breaking: a break may only come after it.
bool holds_content(const InlineItem& it) {
  return it.kind == kItemText || it.kind == kItemAtomic;
}

// Placement of the items into lines.
struct LinePlacer {
  LayoutContext& ctx;
  Node& container;
  LayoutBox& box;
  const ComputedStyle& cs;
  EntryList& entries;
  float width;  // content width
  float ox, oy;
  float y;  // content-relative top of the current line
  float indent;
  LineMetrics strut;

  InlineItem* out = nullptr;
  int out_count = 0;
  int out_capacity = 0;
  int line_first = 0;
  float used = 0;
  float left = 0, right = 0;
  bool has_content = false;
  std::uint32_t line_index = 0;
  bool first_line = true;
  bool emitted_any = false;

  void compute_limits() {
    left = 0;
    right = width;
    if (FloatArea* area = ctx.floats; area && area->count > 0) {
      const float bx = area->offset_x + ox, by = area->offset_y + oy;
      Band band = float_band(*area, by + y, strut.ascent + strut.descent, bx, bx + width);
      left = band.left - bx;
      right = band.right - bx;
    }
    if (first_line) left += indent;
  }

  void emit(const InlineItem& it) {
    if (out_count >= out_capacity && !grow_out()) return;
    out[out_count] = it;
    out[out_count].x = used;
    out[out_count].line = line_index;
    ++out_count;
  }

  // A long word cut into many lines outgrows the first array: twice the room, in the arena.
  bool grow_out() {
    if (!ctx.arena || out_capacity > (1 << 26)) return false;
    const int capacity = out_capacity * 2;
    InlineItem* bigger =
        ctx.arena->allocate_array_uninitialized<InlineItem>(static_cast<std::size_t>(capacity));
    if (!bigger) return false;
    std::copy(out, out + out_count, bigger);
    out = bigger;
    out_capacity = capacity;
    return true;
  }

  // The exact width of a cut word's rest, once it may fit (measuring every rest in full
  // would cost the word's length at every cut).
  void measure_estimated(InlineItem& it) {
    const ComputedStyle* ps = it.node ? style_of(*it.node) : nullptr;
    if (!it.estimated || !ps) return;
    it.width = measure_text(ctx, font_of(*ps), it.text + it.first, it.length);
    it.estimated = 0;
  }

  void place_float_item(const InlineItem& it) {
    Node& e = *it.node;
    const ComputedStyle& s = *e.style;
    float base = std::max(width, 0.0f);
    float ml = sane(resolve(s.margin[kLeft], base, 0));
    float mr = sane(resolve(s.margin[kRight], base, 0));
    float forced = -1;
    if (s.width.is_auto()) {
      IntrinsicWidths w = intrinsic_widths(ctx, e);
      forced = std::max(w.min_content, std::min(w.max_content, width - ml - mr));
    }
    LayoutBox* b = layout_box(ctx, e, width, -1, forced, -1);
    if (!b) return;
    const float m = b->margin[kLeft] + b->width + b->margin[kRight];
    const float h = b->margin[kTop] + b->height + b->margin[kBottom];
    float fx = ox, fy = oy + y;
    FloatArea* area = ctx.floats;
    if (area) {
      const float bx = area->offset_x + ox, by = area->offset_y + oy;
      FloatPlace p =
          place_float(*area, by + y, m, h, s.float_ == css::kw::Right, s.clear, bx, bx + width);
      fx = p.x - area->offset_x;
      fy = p.y - area->offset_y;
    } else if (s.float_ == css::kw::Right) {
      fx = ox + width - m;
    }
    entries.cover(it.entry, fx + b->margin[kLeft], fy + b->margin[kTop],
                  fx + b->margin[kLeft] + b->width, fy + b->margin[kTop] + b->height);
    if (it.entry >= 0) entries.entries[it.entry].has_rect = true;
  }

  // Ends the current line: metrics, alignment, ellipsis, runs and rectangles.
  void finish_line() {
    const int first = line_first, end = out_count;
    line_first = out_count;
    bool content = false;
    for (int i = first; i < end; ++i) content |= is_content(out[i]);
    if (!content) {
      // Only floats, collapsed spaces or static positions: no line box, but static
      // positions still need a place.
      for (int i = first; i < end; ++i)
        if (out[i].kind == kItemStatic)
          entries.cover(out[i].entry, ox + left, oy + y, ox + left, oy + y);
      used = 0;
      has_content = false;
      compute_limits();
      return;
    }
    float ascent = strut.ascent, descent = strut.descent;
    for (int i = first; i < end; ++i) {
      const InlineItem& it = out[i];
      if (it.kind == kItemFloat || it.kind == kItemStatic) continue;
      ascent = std::max(ascent, it.ascent);
      descent = std::max(descent, it.descent);
    }
    ascent = sane(ascent);
    descent = sane(descent);
    const float line_height = std::max(0.0f, ascent + descent);
    const float avail = right - left;

    // Trailing spaces hang: they neither count nor draw.
    float line_width = used;
    for (int i = end - 1; i >= first; --i) {
      InlineItem& it = out[i];
      if (it.kind == kItemSpace) {
        line_width -= it.width;
        it.hidden = 1;
        continue;
      }
      if (it.kind == kItemFloat || it.kind == kItemStatic || it.kind == kItemEnd) continue;
      break;
    }

    if (cs.text_overflow == css::kw::Ellipsis && cs.overflow != css::kw::Visible &&
        line_width > avail + kFitTolerance)
      apply_ellipsis(first, end, avail, line_width);

    float shift = 0;
    const float free = avail - line_width;
    if (free > 0) {
      if (cs.text_align == css::kw::Center)
        shift = free / 2;
      else if (cs.text_align == css::kw::Right)
        shift = free;
    }
    const float line_x = ox + left + shift;
    const float line_top = oy + y;

    LineBox line;
    line.x = line_x;
    line.y = line_top;
    line.width = std::max(0.0f, line_width);
    line.height = line_height;
    line.baseline = ascent;
    line.first_run = box.run_count;
    if (box.baseline < 0) box.baseline = line_top + ascent;

    const float baseline_y = line_top + ascent;
    for (int i = first; i < end; ++i) {
      InlineItem& it = out[i];
      const float ix = line_x + it.x;
      switch (it.kind) {
        case kItemText:
        case kItemSpace: {
          if (it.hidden) break;
          const float top = baseline_y - it.raise - it.font_ascent;
          entries.cover(it.entry, ix, top, ix + it.width, top + it.font_ascent + it.font_descent);
          add_text_run(it, ix, top);
          break;
        }
        case kItemStart: {
          const ComputedStyle& s = *it.node->style;
          float ml = sane(resolve(s.margin[kLeft], std::max(width, 0.0f), 0));
          float top = baseline_y - it.raise - it.font_ascent - s.border_width[kTop] -
                      std::max(0.0f, sane(resolve(s.padding[kTop], std::max(width, 0.0f), 0)));
          float bottom =
              baseline_y - it.raise + it.font_descent + s.border_width[kBottom] +
              std::max(0.0f, sane(resolve(s.padding[kBottom], std::max(width, 0.0f), 0)));
          entries.cover(it.entry, ix + ml, top, ix + it.width, bottom);
          break;
        }
        case kItemEnd: {
          const ComputedStyle& s = *it.node->style;
          float mr = sane(resolve(s.margin[kRight], std::max(width, 0.0f), 0));
          float top = baseline_y - it.raise - it.font_ascent - s.border_width[kTop] -
                      std::max(0.0f, sane(resolve(s.padding[kTop], std::max(width, 0.0f), 0)));
          float bottom =
              baseline_y - it.raise + it.font_descent + s.border_width[kBottom] +
              std::max(0.0f, sane(resolve(s.padding[kBottom], std::max(width, 0.0f), 0)));
          entries.cover(it.entry, ix, top, std::max(ix, ix + it.width - mr), bottom);
          break;
        }
        case kItemAtomic: {
          LayoutBox* b = it.node->box;
          if (!b) break;
          const float bx = ix + b->margin[kLeft];
          const float by = baseline_y - it.ascent + b->margin[kTop];
          entries.cover(it.entry, bx, by, bx + b->width, by + b->height);
          TextRun run;
          run.node = it.node;
          run.x = bx;
          run.y = by;
          run.width = b->width;
          run.ascent = it.ascent;
          run.descent = it.descent;
          run.line = box.line_count;
          run.flags = kRunAtomic;
          push_run(run);
          break;
        }
        case kItemStatic:
          entries.cover(it.entry, ix, line_top, ix, line_top);
          break;
        case kItemBreak:
          entries.cover(it.entry, ix, line_top, ix, line_top + line_height);
          break;
        default:
          break;
      }
    }
    line.run_count = box.run_count - line.first_run;
    if (grow_buffer(*ctx.document, reinterpret_cast<void*&>(box.lines), box.line_capacity,
                    box.line_count + 1, sizeof(LineBox)))
      box.lines[box.line_count++] = line;
    ++line_index;
    emitted_any = true;
    y += line_height;
    used = 0;
    has_content = false;
    first_line = false;
    compute_limits();
  }

  void push_run(const TextRun& run) {
    if (grow_buffer(*ctx.document, reinterpret_cast<void*&>(box.runs), box.run_capacity,
                    box.run_count + 1, sizeof(TextRun)))
      box.runs[box.run_count++] = run;
  }

  // Text and single-space items of one node that follow each other form one run.
  void add_text_run(const InlineItem& it, float x, float top) {
    const bool plain_space = it.kind == kItemSpace && it.length == 1 && it.text[it.first] == ' ';
    if (box.run_count > 0) {
      TextRun& last = box.runs[box.run_count - 1];
      const bool same = last.node == it.node && !(last.flags & (kRunAtomic | kRunEllipsis)) &&
                        last.line == box.line_count && last.first + last.length == it.first &&
                        std::fabs(last.y - top) < 0.001f && last.text == it.text;
      if (same && (it.kind == kItemText || plain_space)) {
        last.length += it.length;
        last.width = x + it.width - last.x;
        if (it.ellipsis) last.flags |= kRunEllipsis;
        return;
      }
    }
    if (it.kind == kItemSpace && !plain_space) return;  // a collapsed gap draws nothing
    if (it.kind == kItemSpace && it.width <= 0) return;
    TextRun run;
    run.node = it.node;
    run.text = it.text;
    run.first = it.first;
    run.length = it.length;
    run.x = x;
    run.y = top;
    run.width = it.width;
    run.ascent = it.font_ascent;
    run.descent = it.font_descent;
    run.line = box.line_count;
    run.flags = it.ellipsis ? kRunEllipsis : 0;
    push_run(run);
  }

  // Cuts the line's text so that it and "…" fit within the limit.
  void apply_ellipsis(int first, int end, float avail, float& line_width) {
    for (int i = first; i < end; ++i) {
      InlineItem& it = out[i];
      if (it.kind != kItemText && it.kind != kItemSpace) continue;
      const ComputedStyle* s = style_of(*it.node);
      if (!s) continue;
      const FontDescription font = font_of(*s);
      const float ell = measure_text(ctx, font, kEllipsis, 3);
      if (it.x + it.width + ell <= avail + kFitTolerance) continue;
      // This item is where the text stops.
      std::uint32_t keep = 0;
      if (it.kind == kItemText && it.x + ell < avail) {
        keep = fitting_prefix(ctx, font, it.text + it.first, it.length, avail - ell - it.x);
        if (it.x + measure_text(ctx, font, it.text + it.first, keep) + ell > avail + kFitTolerance)
          keep = 0;
        while (keep > 0 && it.text[it.first + keep - 1] == ' ') --keep;
      }
      int marked = -1;
      if (keep > 0) {
        it.length = keep;
        it.width = measure_text(ctx, font, it.text + it.first, keep);
        marked = i;
      } else {
        it.hidden = 1;
        // The ellipsis goes after the previous visible text, trailing spaces dropped.
        for (int j = i - 1; j >= first; --j) {
          if (out[j].kind == kItemSpace) {
            out[j].hidden = 1;
            continue;
          }
          if (out[j].kind == kItemText && !out[j].hidden) marked = j;
          break;
        }
      }
      for (int j = i + 1; j < end; ++j)
        if (out[j].kind == kItemText || out[j].kind == kItemSpace) out[j].hidden = 1;
      if (marked >= 0) {
        out[marked].ellipsis = 1;
        line_width = out[marked].x + out[marked].width + ell;
      } else {
        line_width = it.x + ell;
        // Nothing to hang it on: a run of its own.
        it.hidden = 0;
        it.kind = kItemText;
        it.text = kEllipsis;
        it.first = 0;
        it.length = 3;
        it.width = ell;
      }
      return;
    }
  }

  void run(ItemList& list) {
    compute_limits();
    int i = 0;
    InlineItem pending;
    bool has_pending = false;
    int guard = 0;
    while (i < list.count || has_pending) {
      if (++guard > 8 * kMaxInlineItems + 1024) break;  // never loops forever on bad input
      InlineItem it = has_pending ? pending : list.items[i];
      const int source = i;
      switch (it.kind) {
        case kItemFloat:
          place_float_item(it);
          compute_limits();
          emit(it);
          ++i;
          continue;
        case kItemStatic:
          emit(it);
          ++i;
          continue;
        case kItemBreak:
          emit(it);
          ++i;
          has_content = true;
          finish_line();
          continue;
        default:
          break;
      }
      if (it.kind == kItemSpace && !has_content) it.width = 0;
      const float avail = right - left;
      if (it.estimated && it.width <= avail - used + kFitTolerance) {
        measure_estimated(it);
        pending = it;
      }
      if (it.kind == kItemSpace || it.kind == kItemEnd ||
          used + it.width <= avail + kFitTolerance) {
        emit(it);
        used += it.width;
        has_content |= holds_content(it);
        if (has_pending)
          has_pending = false;
        else
          ++i;
        continue;
      }
      // It does not fit.
      if (has_content && it.break_before) {
        end_line_before();
        continue;
      }
      if (has_content && backtrack(i)) continue;
      const ComputedStyle* ps = it.node ? style_of(*it.node) : nullptr;
      if (it.kind == kItemText && it.width > avail && ps && ps->overflow_wrap != 0 &&
          ps->overflow_wrap != css::kw::Normal) {
        const FontDescription font = font_of(*ps);
        std::uint32_t keep =
            fitting_prefix(ctx, font, it.text + it.first, it.length, std::max(0.0f, avail - used));
        if (keep < it.length) {
          InlineItem head = it;
          head.length = keep;
          head.width = measure_text(ctx, font, it.text + it.first, keep);
          head.estimated = 0;
          emit(head);
          used += head.width;
          has_content = true;
          pending = it;
          pending.first += keep;
          pending.length -= keep;
          pending.width = std::max(0.0f, it.width - head.width);
          pending.estimated = 1;
          pending.break_before = 1;
          pending.remainder = 1;
          if (!has_pending) ++i;
          has_pending = true;
          --guard;  // every cut moves on by at least one character
          finish_line();
          continue;
        }
        measure_estimated(it);
      }
      // An empty line squeezed by floats moves down below them.
      if (!has_content && avail < width && ctx.floats && ctx.floats->count > 0) {
        const float by = ctx.floats->offset_y + oy;
        float below = next_float_bottom(*ctx.floats, by + y);
        if (below > by + y) {
          y = below - by;
          compute_limits();
          continue;
        }
      }
      emit(it);
      used += it.width;
      has_content |= holds_content(it);
      if (has_pending)
        has_pending = false;
      else
        i = source + 1;
    }
    if (out_count > line_first) finish_line();
  }

  // Ends the line before the next item; start items right before it go along.
  void end_line_before() {
    int keep_end = out_count;
    while (keep_end > line_first && out[keep_end - 1].kind == kItemStart) --keep_end;
    int moved = out_count - keep_end;
    InlineItem carried[kMaxInlineDepth];
    moved = std::min(moved, kMaxInlineDepth);
    for (int k = 0; k < moved; ++k) carried[k] = out[keep_end + k];
    out_count = keep_end;
    finish_line();
    // Carried start items do not count as content: the item after them must be able to
    // land on this line even if it still does not fit.
    for (int k = 0; k < moved; ++k) {
      emit(carried[k]);
      used += carried[k].width;
    }
  }

  // The item cannot break before itself: the line ends at the last opportunity on it
  // instead, and placement resumes from there.
  bool backtrack(int& i) {
    for (int k = out_count - 1; k > line_first; --k) {
      const InlineItem& it = out[k];
      if (it.kind == kItemFloat) return false;
      if (it.remainder) return false;
      if (!it.break_before) continue;
      bool before = false;
      for (int j = line_first; j < k; ++j) before |= is_content(out[j]);
      if (!before) return false;
      int cut = k;
      while (cut > line_first && out[cut - 1].kind == kItemStart) --cut;
      i = out[cut].source;
      out_count = cut;
      finish_line();
      return true;
    }
    return false;
  }
};

// Positions of the run's boxes from their rectangles, each relative to its parent's.
void place_entries(EntryList& entries) {
  for (int k = entries.count - 1; k >= 0; --k) {
    Entry& e = entries.entries[k];
    if (e.has_rect && e.parent >= 0) {
      Entry& p = entries.entries[e.parent];
      const Node& n = *e.node;
      // Floats and out-of-flow boxes do not stretch the inline box around them.
      bool stretches = !(n.is_element() && n.style &&
                         (is_floated(*n.style) || is_out_of_flow_positioned(*n.style)));
      if (stretches) entries.cover(e.parent, e.x0, e.y0, e.x1, e.y1);
      (void)p;
    }
  }
  for (int k = 0; k < entries.count; ++k) {
    Entry& e = entries.entries[k];
    Node& n = *e.node;
    float px = 0, py = 0;
    if (e.parent >= 0 && entries.entries[e.parent].has_rect) {
      px = entries.entries[e.parent].x0;
      py = entries.entries[e.parent].y0;
    }
    const bool out_of_flow = n.is_element() && n.style && is_out_of_flow_positioned(*n.style);
    if (out_of_flow) {
      set_static_position(n, e.x0 - px, e.y0 - py);
      continue;
    }
    // Text is drawn, hit and selected through its container's runs: a text node keeps no
    // box of its own (a long table has hundreds of thousands of them).
    if (n.is_text()) continue;
    LayoutBox* b = ensure_box(n);
    if (!b) continue;
    // An inline box holds no lines of its own, and whatever it cached while it was laid
    // out as a box (say as a flex item) no longer matches its lines and children.
    if (n.is_element() && n.style && n.style->display == Display::kInline &&
        !is_replaced_or_control(n)) {
      clear_inline_results(*b);
      invalidate_box_caches(*b);
    }
    if (!e.has_rect) {
      b->x = b->y = 0;
      if (n.style && n.style->display == Display::kInline && !is_replaced_or_control(n))
        b->width = b->height = 0;
      continue;
    }
    b->x = e.x0 - px;
    b->y = e.y0 - py;
    const bool inline_box = n.style && n.style->display == Display::kInline &&
                            !is_replaced_or_control(n) && !is_floated(*n.style);
    if (inline_box) {
      b->width = e.x1 - e.x0;
      b->height = e.y1 - e.y0;
      const ComputedStyle& s = *n.style;
      for (int i = 0; i < 4; ++i) {
        b->margin[i] = sane(resolve(s.margin[i], 0, 0));
        b->padding[i] = std::max(0.0f, sane(resolve(s.padding[i], 0, 0)));
        b->border[i] = std::max(0.0f, s.border_width[i]);
      }
      b->content_width = std::max(0.0f, b->width - horizontal_edges(*b));
      b->content_height = std::max(0.0f, b->height - vertical_edges(*b));
    } else if (n.style && n.style->position == css::kw::Relative) {
      const ComputedStyle& s = *n.style;
      float left = resolve(s.inset[kLeft], 0, -1e30f), right = resolve(s.inset[kRight], 0, -1e30f);
      float top = resolve(s.inset[kTop], 0, -1e30f), bottom = resolve(s.inset[kBottom], 0, -1e30f);
      if (left > -1e29f)
        b->x += left;
      else if (right > -1e29f)
        b->x -= right;
      if (top > -1e29f)
        b->y += top;
      else if (bottom > -1e29f)
        b->y -= bottom;
    }
  }
}

}  // namespace

void clear_inline_results(LayoutBox& box) noexcept {
  box.line_count = 0;
  box.run_count = 0;
  box.run_text_length = 0;
}

float layout_inline_run(LayoutContext& ctx, Node& container, LayoutBox& box, const InlineRun& run,
                        float content_width, float y) noexcept {
  if (!ctx.arena || !container.style) return y;
  ArenaScope scope(*ctx.arena);
  ItemList list;
  if (!init_item_list(*ctx.arena, list)) return y;  // out of memory: the run is empty
  EntryList entries;
  entries.capacity = kMaxInlineItems;
  entries.entries = ctx.arena->allocate_array_uninitialized<Entry>(kMaxInlineItems);
  if (!entries.entries) return y;

  ItemBuilder builder{ctx, list, &entries, content_width, false};
  builder.add_run(run);

  const ComputedStyle& cs = *container.style;
  LinePlacer placer{ctx,
                    container,
                    box,
                    cs,
                    entries,
                    content_width,
                    box.border[kLeft] + box.padding[kLeft],
                    box.border[kTop] + box.padding[kTop],
                    y,
                    0,
                    line_metrics(ctx, cs)};
  placer.indent = sane(resolve(cs.text_indent, std::max(content_width, 0.0f), 0));
  // Splitting can add items; leave room for them.
  placer.out_capacity = kMaxInlineItems * 2;
  placer.out = ctx.arena->allocate_array_uninitialized<InlineItem>(placer.out_capacity);
  if (!placer.out) return y;
  const bool first_run = box.line_count == 0;
  placer.first_line = first_run;
  placer.run(list);

  // Transformed text is copied into the box so that the runs outlive the arena.
  for (std::uint32_t r = 0; r < box.run_count; ++r) {
    TextRun& tr = box.runs[r];
    if (!tr.node || (tr.flags & kRunAtomic) || !tr.text) continue;
    const bool own = tr.node->text && tr.text == tr.node->text;
    const bool literal = tr.text == kEllipsis;
    if (own || literal) continue;
    if (tr.text >= box.run_text && tr.text < box.run_text + box.run_text_capacity) continue;
    std::uint32_t need = box.run_text_length + tr.length;
    void* buffer = box.run_text;
    std::uint32_t capacity = box.run_text_capacity;
    if (!grow_buffer(*ctx.document, buffer, capacity, need + 1, 1)) {
      tr.length = 0;
      continue;
    }
    // Earlier runs pointing into the old buffer follow it.
    if (buffer != box.run_text) {
      for (std::uint32_t k = 0; k < r; ++k)
        if (box.runs[k].text == box.run_text && box.run_text)
          box.runs[k].text = static_cast<char*>(buffer);
      box.run_text = static_cast<char*>(buffer);
      box.run_text_capacity = capacity;
    }
    if (tr.length > 0)
      std::memcpy(box.run_text + box.run_text_length, tr.text + tr.first, tr.length);
    tr.text = box.run_text;
    tr.first = box.run_text_length;
    box.run_text_length = need;
  }

  place_entries(entries);
  return placer.y;
}

IntrinsicWidths inline_run_intrinsic(LayoutContext& ctx, const InlineRun& run) noexcept {
  if (!ctx.arena) return {};
  ArenaScope scope(*ctx.arena);
  ItemList list;
  if (!init_item_list(*ctx.arena, list)) return {};
  ItemBuilder builder{ctx, list, nullptr, -1, true};
  builder.add_run(run);
  IntrinsicWidths r;
  // Trailing collapsible spaces hang at the end of a line and of an unbreakable segment:
  // neither counts them.
  float segment = 0, line = 0;
  float segment_spaces = 0, line_spaces = 0;
  bool line_start = true;
  auto end_segment = [&] {
    r.min_content = std::max(r.min_content, segment - segment_spaces);
    segment = segment_spaces = 0;
  };
  for (int i = 0; i < list.count; ++i) {
    const InlineItem& it = list.items[i];
    switch (it.kind) {
      case kItemBreak:
        r.max_content = std::max(r.max_content, line - line_spaces);
        end_segment();
        line = line_spaces = 0;
        line_start = true;
        continue;
      case kItemSpace: {
        if (line_start) continue;
        line += it.width;
        line_spaces += it.width;
        const ComputedStyle* ps = it.node ? style_of(*it.node) : nullptr;
        const bool wraps = !ps || (ps->white_space != css::kw::Nowrap &&
                                   ps->white_space != css::kw::Pre);
        if (wraps) {
          end_segment();
        } else {
          // Without wrapping the space joins the words around it.
          segment += it.width;
          segment_spaces += it.width;
        }
        continue;
      }
      case kItemStatic:
        continue;
      case kItemFloat:
        r.min_content = std::max(r.min_content, it.min_width);
        line += it.width;
        line_spaces = 0;
        continue;
      default:
        break;
    }
    if (it.break_before) end_segment();
    segment += it.kind == kItemAtomic ? it.min_width : it.width;
    line += it.width;
    if (it.kind != kItemStart && it.kind != kItemEnd) {
      line_spaces = segment_spaces = 0;
      line_start = false;
    }
  }
  r.max_content = std::max(r.max_content, line - line_spaces);
  end_segment();

  r.min_content = sane(r.min_content);
  r.max_content = std::max(r.min_content, sane(r.max_content));
  return r;
}

}  // namespace orlan
