// Block flow: in-flow children stacked vertically with their margins, runs of inline
// content between them laid out as line boxes, clearance and blocks beside floats.

#include <algorithm>

#include "layout_internal.h"

namespace orlan {

namespace {

// An inset in px, or -1e30 for auto.
float resolve_inset(StyleLength l, float base) {
  float v = resolve(l, base, -1e30f);
  return v > -1e29f ? sane(v) : -1e30f;
}

// `position: relative` shift of a laid-out box.
void apply_relative_shift(const ComputedStyle& s, LayoutBox& b, float cw, float ch) {
  if (s.position != css::kw::Relative) return;
  float left = resolve_inset(s.inset[kLeft], cw);
  float right = resolve_inset(s.inset[kRight], cw);
  float top = resolve_inset(s.inset[kTop], ch);
  float bottom = resolve_inset(s.inset[kBottom], ch);
  if (left > -1e29f) b.x += left;
  else if (right > -1e29f) b.x -= right;
  if (top > -1e29f) b.y += top;
  else if (bottom > -1e29f) b.y -= bottom;
}

}  // namespace

float layout_block_flow(LayoutContext& ctx, Node& node, LayoutBox& box, float cw, float ch,
                        float avail_h) noexcept {
  clear_inline_results(box);
  const float ox = box.border[kLeft] + box.padding[kLeft];
  const float oy = box.border[kTop] + box.padding[kTop];
  float y = 0;  // content-relative position below the last in-flow content
  float pending = 0;
  bool has_pending = false;
  float extent = 0;

  // The run's nodes live in the arena: deep trees keep small stack frames.
  Node* no_nodes[1];
  Node** run_nodes =
      ctx.arena ? ctx.arena->allocate_array_uninitialized<Node*>(kMaxRunNodes) : nullptr;
  const int run_limit = run_nodes ? kMaxRunNodes : 0;
  if (!run_nodes) run_nodes = no_nodes;
  int run_count = 0;
  bool run_has_out_of_flow = false;

  auto flush_run = [&] {
    if (!run_count) return;
    const float start = y + (has_pending ? pending : 0);
    const std::uint32_t lines_before = box.line_count;
    float end = layout_inline_run(ctx, node, box, InlineRun{run_nodes, run_count}, cw, start);
    if (box.line_count != lines_before) {
      y = end;
      has_pending = false;
      pending = 0;
    }
    run_count = 0;
    run_has_out_of_flow = false;
  };

  for (Node* c = node.first_child; c; c = c->next_sibling) {
    if (c->is_text()) {
      if (run_count < run_limit) run_nodes[run_count++] = c;
      continue;
    }
    if (!c->is_element() || !is_rendered(*c)) continue;
    const ComputedStyle& cs = *c->style;
    if (is_out_of_flow_positioned(cs)) {
      if (run_count > 0) {
        // Its static position is taken where the inline content reaches it.
        if (run_count < run_limit) run_nodes[run_count++] = c;
        run_has_out_of_flow = true;
      } else {
        set_static_position(*c, ox, oy + y + (has_pending ? pending : 0));
      }
      continue;
    }
    if (is_floated(cs) || !is_block_level(cs.display)) {
      if (run_count < run_limit) run_nodes[run_count++] = c;
      continue;
    }
    flush_run();

    const float mt = sane(resolve(cs.margin[kTop], std::max(cw, 0.0f), 0));
    FloatArea* area = ctx.floats;
    if (cs.clear != css::kw::None && area && area->count > 0) {
      float bottom = floats_bottom(*area, cs.clear);
      if (bottom >= 0) {
        float local = bottom - area->offset_y - oy;
        if (local > y + (has_pending ? pending : 0)) {
          y = local;
          has_pending = false;
          pending = 0;
        }
      }
    }
    float top = y + (has_pending ? std::max(pending, mt) : mt);
    if (has_pending && pending < 0 && mt < 0) top = y + std::min(pending, mt);
    else if (has_pending && (pending < 0 || mt < 0)) top = y + pending + mt;

    // A child with its own formatting context beside floats gets the band between them.
    float avail_w = cw;
    float shift_x = 0;
    const bool own_context = starts_formatting_context(*c, cs);
    if (own_context && area && area->count > 0) {
      Band band = float_band(*area, area->offset_y + oy + top, 1, area->offset_x + ox,
                             area->offset_x + ox + cw);
      shift_x = band.left - (ox + area->offset_x);
      avail_w = std::max(0.0f, band.right - band.left);
    }

    // Nested blocks see the floats in their own coordinates.
    float saved_x = 0, saved_y = 0;
    if (area) {
      saved_x = area->offset_x;
      saved_y = area->offset_y;
      float ml = sane(resolve(cs.margin[kLeft], std::max(cw, 0.0f), 0));
      area->offset_x += ox + shift_x + ml;
      area->offset_y += oy + top;
    }
    LayoutBox* cb = layout_box(ctx, *c, avail_w, avail_h, -1, -1);
    if (area) {
      area->offset_x = saved_x;
      area->offset_y = saved_y;
    }
    if (!cb) continue;

    float x = ox + shift_x + cb->margin[kLeft];
    if (cs.width.kind() != kStyleAuto) {
      float room = avail_w - (cb->margin[kLeft] + cb->width + cb->margin[kRight]);
      if (room > 0 && cs.margin[kLeft].is_auto())
        x += cs.margin[kRight].is_auto() ? room / 2 : room;
    }
    cb->x = x;
    cb->y = oy + top;
    apply_relative_shift(cs, *cb, cw, ch);

    if (box.baseline < 0 && cb->baseline >= 0) box.baseline = oy + top + cb->baseline;
    extent = std::max(extent, shift_x + cb->margin[kLeft] + cb->width + cb->margin[kRight]);
    y = top + cb->height;
    pending = cb->margin[kBottom];
    has_pending = true;
  }
  flush_run();
  (void)run_has_out_of_flow;

  for (std::uint32_t i = 0; i < box.line_count; ++i)
    extent = std::max(extent, box.lines[i].x - ox + box.lines[i].width);
  box.content_width = std::max(box.content_width, extent);
  float content = y + (has_pending ? pending : 0);
  box.content_height = std::max(box.content_height, content);
  return content;
}

}  // namespace orlan
