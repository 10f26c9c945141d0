// Absolutely and fixed positioned boxes, relative and sticky shifts, and the position of
// a node in document coordinates.

#include <algorithm>
#include <cmath>

#include "layout_internal.h"

namespace orlan {

namespace {

constexpr float kAuto = -1e30f;
constexpr int kMaxWalkDepth = 4096;

float inset(StyleLength l, float base) {
  float v = resolve(l, base, kAuto);
  return v <= kAuto / 2 ? kAuto : sane(v);
}
bool given(float v) {
  return v > kAuto / 2;
}

// Offset of `from`'s box origin inside `to`'s box (`to` an ancestor), along the boxes.
void offset_between(const Node& from, const Node& to, float* x, float* y) {
  *x = *y = 0;
  for (const Node* n = &from; n && n != &to; n = n->parent) {
    if (!n->box) continue;
    *x += n->box->x;
    *y += n->box->y;
  }
}

// Lays out one out-of-flow element against a containing block of size W x H whose
// padding box starts at (cb_x, cb_y) inside the container's border box (for fixed ones:
// the viewport, border 0).
void layout_out_of_flow(LayoutContext& ctx, Node& e, Node& container, float W, float H,
                        float border_left, float border_top, bool fixed) {
  const ComputedStyle& s = *e.style;
  const float left = inset(s.inset[kLeft], W), right = inset(s.inset[kRight], W);
  const float top = inset(s.inset[kTop], H), bottom = inset(s.inset[kBottom], H);
  const float base = std::max(W, 0.0f);
  const float ml = sane(resolve(s.margin[kLeft], base, 0)), mr = sane(resolve(s.margin[kRight], base, 0));
  const float mt = sane(resolve(s.margin[kTop], base, 0)), mb = sane(resolve(s.margin[kBottom], base, 0));

  float forced_w = -1, forced_h = -1;
  if (s.width.is_auto()) {
    if (!given(left) || !given(right)) {
      IntrinsicWidths w = intrinsic_widths(ctx, e);
      float room = W - std::max(0.0f, given(left) ? left : 0) -
                   std::max(0.0f, given(right) ? right : 0) - ml - mr;
      forced_w = std::max(w.min_content, std::min(w.max_content, room));
    } else {
      forced_w = std::max(0.0f, W - left - right - ml - mr);
    }
  }
  if (s.height.is_auto() && given(top) && given(bottom))
    forced_h = std::max(0.0f, H - top - bottom - mt - mb);
  forced_w = clamp_imposed_size(e, forced_w, true, W, W);
  forced_h = clamp_imposed_size(e, forced_h, false, W, H);

  LayoutBox* b = layout_box(ctx, e, W, H, forced_w, forced_h);
  if (!b) return;

  // Static position, brought into the container's coordinates.
  float px = 0, py = 0;
  if (!fixed && e.parent) offset_between(*e.parent, container, &px, &py);
  const float static_x = b->static_x + px, static_y = b->static_y + py;

  float x, y;
  if (given(left)) x = left + border_left + b->margin[kLeft];
  else if (given(right)) x = W + border_left - right - b->margin[kRight] - b->width;
  else x = static_x + b->margin[kLeft];
  if (given(top)) y = top + border_top + b->margin[kTop];
  else if (given(bottom)) y = H + border_top - bottom - b->margin[kBottom] - b->height;
  else y = static_y + b->margin[kTop];

  if (fixed) {
    // Viewport coordinates: a fixed box ignores its ancestors' positions, except at its
    // static position, which follows its parent once every box has its place.
    b->fixed_static = static_cast<std::uint8_t>((!given(left) && !given(right) ? 1 : 0) |
                                                (!given(top) && !given(bottom) ? 2 : 0));
    if (b->fixed_static && ctx.document && ctx.document->html && ctx.document->html->box)
      ctx.document->html->box->fixed_static = 1;
    b->x = sane(x);
    b->y = sane(y);
    place_fixed_at_static_position(e);
    return;
  }
  // Relative to the parent's box.
  b->x = sane(x - px);
  b->y = sane(y - py);
  // What it reaches counts towards the container's scrollable extent.
  if (LayoutBox* cb = container.box) {
    const float ox = cb->border[kLeft] + cb->padding[kLeft], oy = cb->border[kTop] + cb->padding[kTop];
    cb->content_width = std::max(cb->content_width, sane(x + b->width + b->margin[kRight] - ox));
    cb->content_height = std::max(cb->content_height, sane(y + b->height + b->margin[kBottom] - oy));
  }
}

// An inline box in a line; flex, grid and table containers lay every child out as a box.
bool laid_out_by_its_line(const Node& e) {
  if (e.style->display != Display::kInline || is_replaced_or_control(e)) return false;
  const ComputedStyle* ps = e.parent && e.parent->is_element() ? e.parent->style : nullptr;
  if (!ps) return true;
  switch (ps->display) {
    case Display::kFlex:
    case Display::kInlineFlex:
    case Display::kGrid:
    case Display::kInlineGrid:
    case Display::kTable:
    case Display::kInlineTable:
      return false;
    default:
      return true;
  }
}

// Lays out the absolutely and fixed positioned boxes below `node` that `container` is the
// containing block of. Returns whether it met any positioned element (or stopped at the
// depth limit). A static element whose subtree held none at the last walk and has not
// changed since is not entered again: a long list of plain rows costs one step per row.
bool walk(LayoutContext& ctx, Node& container, LayoutBox& cbox, Node& node, bool from_root,
          int depth) {
  if (depth > kMaxWalkDepth) return true;
  bool met = false;
  for (Node* c = node.first_child; c; c = c->next_sibling) {
    if (!c->is_element() || !is_rendered(*c)) continue;
    const ComputedStyle& s = *c->style;
    if (s.position == css::kw::Absolute) {
      met = true;
      float W = std::max(0.0f, cbox.width - cbox.border[kLeft] - cbox.border[kRight]);
      float H = std::max(0.0f, cbox.height - cbox.border[kTop] - cbox.border[kBottom]);
      if (from_root) {
        // The root's containing block is the initial one: the viewport.
        W = ctx.viewport_width;
        H = ctx.viewport_height;
      }
      layout_out_of_flow(ctx, *c, container, W, H, from_root ? 0 : cbox.border[kLeft],
                         from_root ? 0 : cbox.border[kTop], false);
      continue;
    }
    if (s.position == css::kw::Fixed) {
      met = true;
      // Laid out by whichever positioned ancestor's walk reaches it first: a fixed box
      // under a positioned element is still placed against the viewport.
      layout_out_of_flow(ctx, *c, container, ctx.viewport_width, ctx.viewport_height, 0, 0, true);
      continue;
    }
    if (s.position != css::kw::Static) {
      met = true;
      // A positioned box runs its own walk once laid out, except an inline box, which its
      // line places without ever laying it out as a box: its walk runs from here, where
      // its place is known.
      if (c->box && laid_out_by_its_line(*c)) walk(ctx, *c, *c->box, *c, false, depth + 1);
      continue;
    }
    if (known_free_of_positioned_boxes(*c)) continue;
    const bool below = walk(ctx, container, cbox, *c, from_root, depth + 1);
    if (c->box) c->box->nothing_positioned_below = !below;
    met = met || below;
  }
  return met;
}

}  // namespace

void place_fixed_at_static_position(Node& e) noexcept {
  LayoutBox* b = e.box;
  if (!b || !b->fixed_static || !e.parent || !e.style ||
      e.style->position != css::kw::Fixed)
    return;
  const Rect p = absolute_position(*e.parent);
  if (b->fixed_static & 1) b->x = sane(p.x + b->static_x + b->margin[kLeft]);
  if (b->fixed_static & 2) b->y = sane(p.y + b->static_y + b->margin[kTop]);
}

void set_static_position(Node& element, float x, float y) noexcept {
  if (LayoutBox* b = ensure_box(element)) {
    b->static_x = sane(x);
    b->static_y = sane(y);
  }
}

void layout_positioned_descendants(LayoutContext& ctx, Node& container, LayoutBox& box) noexcept {
  // Out-of-flow boxes start their own float areas; the container's stays untouched.
  FloatArea* saved = ctx.floats;
  walk(ctx, container, box, container, is_root_element(container), 0);
  ctx.floats = saved;
}

namespace {

// The nearest scroll container above `node` (the root element at the latest).
const Node* scroll_container_of(const Node& node) {
  for (const Node* p = node.parent; p; p = p->parent)
    if (p->is_element() && p->box && is_scroll_container(*p)) return p;
  return nullptr;
}

// Unscrolled position of a box in document coordinates.
void unscrolled_origin(const Node& node, float* x, float* y) {
  *x = *y = 0;
  for (const Node* n = &node; n; n = n->parent) {
    if (!n->box) continue;
    *x += n->box->x;
    *y += n->box->y;
    if (n->style && n->is_element() && n->style->position == css::kw::Fixed) break;
  }
}

// How far a sticky box moves along one axis.
float sticky_shift(float box_start, float box_size, float container_start, float scroll,
                   float offset, float block_start, float block_end) {
  float shift = container_start + scroll + offset - box_start;
  if (shift <= 0) return 0;
  // It stays inside its containing block.
  float room = block_end - (box_start + box_size);
  (void)block_start;
  shift = std::min(shift, std::max(0.0f, room));
  return shift;
}

}  // namespace

Rect absolute_position(const Node& node) noexcept {
  Rect r;
  if (!node.box) return r;
  r.width = node.box->width;
  r.height = node.box->height;
  float x = 0, y = 0;
  int guard = 0;
  for (const Node* n = &node; n && guard < 100000; n = n->parent, ++guard) {
    if (!n->box) continue;
    x += n->box->x;
    y += n->box->y;
    const ComputedStyle* s = n->is_element() ? n->style : nullptr;
    if (s && s->position == css::kw::Sticky) {
      if (const Node* sc = scroll_container_of(*n)) {
        float bx, by, cx, cy;
        unscrolled_origin(*n, &bx, &by);
        unscrolled_origin(*sc, &cx, &cy);
        float top_pad = sc->box->border[kTop], left_pad = sc->box->border[kLeft];
        if (is_root_element(*sc)) cy = cx = top_pad = left_pad = 0;
        // The containing block: the nearest ancestor that is not a table row or group.
        const Node* cb = n->parent;
        while (cb && cb->style && (cb->style->display == Display::kTableRow ||
                                   cb->style->display == Display::kTableRowGroup))
          cb = cb->parent;
        float kx = 0, ky = 0, kw = 0, kh = 0;
        if (cb && cb->box) {
          unscrolled_origin(*cb, &kx, &ky);
          kx += cb->box->border[kLeft] + cb->box->padding[kLeft];
          ky += cb->box->border[kTop] + cb->box->padding[kTop];
          kw = cb->box->width - horizontal_edges(*cb->box);
          kh = cb->box->height - vertical_edges(*cb->box);
        }
        float top = resolve(s->inset[kTop], sc->box->height, kAuto);
        float left = resolve(s->inset[kLeft], sc->box->width, kAuto);
        if (given(top))
          y += sticky_shift(by, n->box->height, cy + top_pad, sc->scroll_y, top, ky, ky + kh);
        if (given(left))
          x += sticky_shift(bx, n->box->width, cx + left_pad, sc->scroll_x, left, kx, kx + kw);
      }
    }
    if (s && s->position == css::kw::Fixed) break;  // viewport coordinates from here
    // Scrolling ancestors move their content (the root's own offset when asked for it).
    const Node* p = n->parent;
    if (p && p->is_element() && p->box && is_scroll_container(*p)) {
      x -= p->scroll_x;
      y -= p->scroll_y;
    }
  }
  if (is_root_element(node)) {
    x -= node.scroll_x;
    y -= node.scroll_y;
  }
  r.x = x;
  r.y = y;
  return r;
}

}  // namespace orlan
