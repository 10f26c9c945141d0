// Scroll containers and the engine's scrollbars.

#include "scroll.h"

#include <algorithm>
#include <cmath>

#include "event.h"
#include "layout_internal.h"

namespace orlan {

namespace {

constexpr float kThumbThickness = 6;
constexpr float kThumbInset = 2;
constexpr float kMinThumb = 20;
constexpr float kPageFactor = 0.9f;

struct Viewport {
  float x, y, width, height;  // document coordinates
  float extent_x, extent_y;   // scrollable extent
};

Viewport viewport_of(const Node& node) {
  Viewport v{};
  const LayoutBox* b = node.box;
  if (!b) return v;
  if (is_root_element(node)) {
    const Document& d = *node.document;
    v.width = d.viewport_width;
    v.height = d.viewport_height;
    // Everything the page reaches, its margins included.
    v.extent_x = std::max(b->x + b->width + b->margin[kRight],
                          b->x + b->border[kLeft] + b->padding[kLeft] + b->content_width +
                              b->padding[kRight] + b->border[kRight]);
    v.extent_y = std::max(b->y + b->height + b->margin[kBottom],
                          b->y + b->border[kTop] + b->padding[kTop] + b->content_height +
                              b->padding[kBottom] + b->border[kBottom]);
    return v;
  }
  Rect r = absolute_position(node);
  v.x = r.x + b->border[kLeft];
  v.y = r.y + b->border[kTop];
  v.width = std::max(0.0f, b->width - b->border[kLeft] - b->border[kRight]);
  v.height = std::max(0.0f, b->height - b->border[kTop] - b->border[kBottom]);
  v.extent_x = b->content_width + b->padding[kLeft] + b->padding[kRight];
  v.extent_y = b->content_height + b->padding[kTop] + b->padding[kBottom];
  return v;
}

float maximum(float extent, float view) {
  float m = extent - view;
  return (std::isfinite(m) && m >= 0.5f) ? m : 0;
}

// One axis: viewport start and length, the other axis' bar, offset and maximum.
Scrollbar make_bar(bool vertical, const Viewport& v, bool other_present, float offset,
                   float max) {
  Scrollbar bar;
  bar.maximum = max;
  const float start = vertical ? v.y : v.x;
  const float length = vertical ? v.height : v.width;
  if (vertical)
    bar.track = {v.x + v.width - kScrollbarThickness, v.y, kScrollbarThickness,
                 std::max(0.0f, v.height - (other_present ? kScrollbarThickness : 0))};
  else
    bar.track = {v.x, v.y + v.height - kScrollbarThickness,
                 std::max(0.0f, v.width - (other_present ? kScrollbarThickness : 0)),
                 kScrollbarThickness};
  bar.usable = length - 4 - (other_present ? kScrollbarThickness : 0);
  const float extent = length + max;
  // No thumb when there is nothing to scroll or the track cannot hold more than the
  // smallest thumb: the division below would have nothing to divide by.
  if (max <= 0 || bar.usable <= kMinThumb || extent <= 0) return bar;
  const float thumb = std::clamp(bar.usable * length / extent, kMinThumb, bar.usable);
  if (bar.usable - thumb <= 0) return bar;
  const float pos = start + kThumbInset + std::clamp(offset / max, 0.0f, 1.0f) * (bar.usable - thumb);
  bar.has_thumb = true;
  if (vertical)
    bar.thumb = {v.x + v.width - kThumbInset - kThumbThickness, pos, kThumbThickness, thumb};
  else
    bar.thumb = {pos, v.y + v.height - kThumbInset - kThumbThickness, thumb, kThumbThickness};
  return bar;
}

bool inside(const Rect& r, float x, float y) {
  return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

bool contains(const Node& ancestor, const Node& node) {
  for (const Node* n = &node; n; n = n->parent)
    if (n == &ancestor) return true;
  return false;
}

}  // namespace

bool scrolls(const Node& node) noexcept {
  return node.is_element() && node.box && is_scroll_container(node);
}

float max_scroll_x(const Node& node) noexcept {
  if (!scrolls(node)) return 0;
  Viewport v = viewport_of(node);
  return maximum(v.extent_x, v.width);
}

float max_scroll_y(const Node& node) noexcept {
  if (!scrolls(node)) return 0;
  Viewport v = viewport_of(node);
  return maximum(v.extent_y, v.height);
}

ScrollbarGeometry scrollbar_geometry(const Node& node) noexcept {
  ScrollbarGeometry g;
  if (!scrolls(node)) return g;
  const Viewport v = viewport_of(node);
  const float mx = maximum(v.extent_x, v.width), my = maximum(v.extent_y, v.height);
  const bool always = node.style && node.style->overflow == css::kw::Scroll;
  const bool vy = always || my > 0, vx = always || mx > 0;
  if (vy) {
    g.vertical = make_bar(true, v, vx, node.scroll_y, my);
    g.vertical.present = true;
  }
  if (vx) {
    g.horizontal = make_bar(false, v, vy, node.scroll_x, mx);
    g.horizontal.present = true;
  }
  return g;
}

bool clamp_scroll(Node& node) noexcept {
  const float x = std::clamp(std::isfinite(node.scroll_x) ? node.scroll_x : 0, 0.0f, max_scroll_x(node));
  const float y = std::clamp(std::isfinite(node.scroll_y) ? node.scroll_y : 0, 0.0f, max_scroll_y(node));
  if (x == node.scroll_x && y == node.scroll_y) return false;
  node.scroll_x = x;
  node.scroll_y = y;
  node.dirty |= kDirtyPaint;
  return true;
}

bool set_scroll_offset(Node& node, float x, float y) {
  if (!scrolls(node)) return false;
  x = std::clamp(std::isfinite(x) ? x : 0, 0.0f, max_scroll_x(node));
  y = std::clamp(std::isfinite(y) ? y : 0, 0.0f, max_scroll_y(node));
  if (x == node.scroll_x && y == node.scroll_y) return false;
  node.scroll_x = x;
  node.scroll_y = y;
  mark_dirty(node, kDirtyPaint);
  Document& d = *node.document;
  if (d.select_popup && !contains(*d.select_popup, node)) close_select_popup(d);
  fire_event(node, EventType::kScroll);
  return true;
}

bool scrollbar_press(Node& node, float x, float y, ScrollDrag* drag) {
  const ScrollbarGeometry g = scrollbar_geometry(node);
  for (bool vertical : {true, false}) {
    const Scrollbar& bar = vertical ? g.vertical : g.horizontal;
    if (!bar.present || !inside(bar.track, x, y)) continue;
    const float p = vertical ? y : x;
    if (bar.has_thumb && inside(vertical ? Rect{bar.track.x, bar.thumb.y, bar.track.width, bar.thumb.height}
                                         : Rect{bar.thumb.x, bar.track.y, bar.thumb.width, bar.track.height},
                                x, y)) {
      if (drag) *drag = ScrollDrag{&node, vertical, p - (vertical ? bar.thumb.y : bar.thumb.x)};
      return true;
    }
    if (!bar.has_thumb) return true;
    const Viewport v = viewport_of(node);
    const float page = kPageFactor * (vertical ? v.height : v.width);
    const float thumb_start = vertical ? bar.thumb.y : bar.thumb.x;
    const float step = p < thumb_start ? -page : page;
    if (vertical) set_scroll_offset(node, node.scroll_x, node.scroll_y + step);
    else set_scroll_offset(node, node.scroll_x + step, node.scroll_y);
    return true;
  }
  return false;
}

void scrollbar_drag(const ScrollDrag& drag, float x, float y) {
  if (!drag.container || !live(drag.container)) return;
  Node& node = *drag.container;
  const ScrollbarGeometry g = scrollbar_geometry(node);
  const Scrollbar& bar = drag.vertical ? g.vertical : g.horizontal;
  if (!bar.present || !bar.has_thumb) return;
  const float thumb = drag.vertical ? bar.thumb.height : bar.thumb.width;
  const float room = bar.usable - thumb;
  if (!(room > 0) || !(bar.maximum > 0)) return;
  const Viewport v = viewport_of(node);
  const float start = drag.vertical ? v.y : v.x;
  const float p = drag.vertical ? y : x;
  const float offset = (p - start - kThumbInset - drag.grab) / room * bar.maximum;
  if (!std::isfinite(offset)) return;
  if (drag.vertical) set_scroll_offset(node, node.scroll_x, offset);
  else set_scroll_offset(node, offset, node.scroll_y);
}

Node* wheel_scroll(Node& target, float dx, float dy) {
  for (Node* n = &target; n; n = n->parent) {
    if (!scrolls(*n)) continue;
    const bool can_y = (dy > 0 && n->scroll_y < max_scroll_y(*n)) || (dy < 0 && n->scroll_y > 0);
    const bool can_x = (dx > 0 && n->scroll_x < max_scroll_x(*n)) || (dx < 0 && n->scroll_x > 0);
    if (!can_y && !can_x) continue;
    set_scroll_offset(*n, n->scroll_x + (can_x ? dx : 0), n->scroll_y + (can_y ? dy : 0));
    return n;
  }
  return nullptr;
}

void clamp_all_scroll_offsets(Document& document) noexcept {
  Node* root = document.root;
  Node* n = root;
  while (n) {
    if (n->is_element() && n->box && (n->scroll_x != 0 || n->scroll_y != 0)) clamp_scroll(*n);
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && n != root && !n->next_sibling) n = n->parent;
    if (!n || n == root) break;
    n = n->next_sibling;
  }
}

}  // namespace orlan
