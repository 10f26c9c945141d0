// Column resizing: the handle hit test, the drag and the rewriting of the columns' style
// attributes.

#include "column_resize.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "layout_internal.h"

namespace orlan {

namespace {

constexpr std::size_t kMaxKeptStyle = 471;

bool is_resize_container(const Node& e) {
  Atom name = e.document->atoms.lookup("data-resize");
  if (!name) return false;
  const Attribute* a = find_attribute(e, name);
  return a && a->value && std::string_view(a->value, a->length) == "col";
}

// The rendered element child at `index`, or null.
Node* rendered_child(Node& parent, int index) {
  int i = 0;
  for (Node* c = parent.first_child; c; c = c->next_sibling) {
    if (!c->is_element() || !is_rendered(*c)) continue;
    if (i++ == index) return c;
  }
  return nullptr;
}

bool ascii_equal(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

// The style attribute without its width and flex declarations (each kept one ends in
// ";", the whole within the limit), then the new width.
std::string rewritten_style(const Node& element, float content_width) {
  std::string kept;
  Atom name = element.document->atoms.lookup("style");
  const Attribute* a = name ? find_attribute(element, name) : nullptr;
  std::string_view text = a && a->value ? std::string_view(a->value, a->length) : std::string_view();
  while (!text.empty()) {
    std::size_t end = text.find(';');
    std::string_view decl = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    std::size_t start = decl.find_first_not_of(" \t\n\r\f");
    if (start == std::string_view::npos) continue;
    decl.remove_prefix(start);
    std::string_view prop = decl.substr(0, decl.find(':'));
    while (!prop.empty() && (prop.back() == ' ' || prop.back() == '\t')) prop.remove_suffix(1);
    if (ascii_equal(prop, "width") || ascii_equal(prop, "flex")) continue;
    if (kept.size() + decl.size() + 1 > kMaxKeptStyle) break;
    kept.append(decl);
    kept.push_back(';');
  }
  char width[64];
  std::snprintf(width, sizeof width, "width:%gpx;flex:none", static_cast<double>(content_width));
  return kept + width;
}

void apply_width(Node& element, float border_box_width) {
  const ComputedStyle* s = element.style;
  float w = border_box_width;
  if (s && s->box_sizing != css::kw::BorderBox) {
    if (const LayoutBox* b = element.box) w -= horizontal_edges(*b);
  }
  set_attribute_named(element, "style", rewritten_style(element, std::max(0.0f, w)));
}

}  // namespace

ColumnHit column_resize_hit_test(Node* hovered, float x, float y) noexcept {
  Node* container = hovered;
  while (container && !(container->is_element() && is_resize_container(*container)))
    container = container->parent;
  if (!container || !container->box) return {};
  const Rect area = absolute_position(*container);
  const bool in_area = y >= area.y && y <= area.y + area.height;
  int index = 0;
  for (Node* c = container->first_child; c; c = c->next_sibling) {
    if (!c->is_element() || !is_rendered(*c)) continue;
    if (c->box) {
      // Sticky children (a scrolled table's header cells) are drawn away from their row:
      // their edges are handles where they are drawn, too.
      const Rect r = absolute_position(*c);
      const float right = r.x + r.width;
      const bool beside = in_area || (y >= r.y && y <= r.y + r.height);
      if (beside && x >= right - kColumnHandleReach && x <= right + kColumnHandleReach)
        return {container, index};
    }
    ++index;
  }
  return {};
}

bool begin_column_drag(ColumnDrag& drag, const ColumnHit& hit, float x) noexcept {
  drag = ColumnDrag{};
  if (!hit.container) return false;
  Node* child = rendered_child(*hit.container, hit.column);
  if (!child || !child->box) return false;
  drag = ColumnDrag{hit.container, hit.column, x, child->box->width};
  return true;
}

float drag_column(ColumnDrag& drag, float x) noexcept {
  if (!drag.container || !live(drag.container)) {
    drag = ColumnDrag{};
    return -1;
  }
  float minimum = kColumnMinimumWidth;
  if (Node* child = rendered_child(*drag.container, drag.column); child && child->style) {
    const StyleLength mw = child->style->min_width;
    if (mw.is_px() && mw.value > minimum) minimum = mw.value;
  }
  float width = drag.start_width + x - drag.start_x;
  width = std::max(minimum, std::isfinite(width) ? width : minimum);
  Node* parent = drag.container->parent;
  if (parent && parent->is_element()) {
    for (Node* row = parent->first_child; row; row = row->next_sibling) {
      if (!row->is_element()) continue;
      if (Node* cell = rendered_child(*row, drag.column)) apply_width(*cell, width);
    }
  } else if (Node* cell = rendered_child(*drag.container, drag.column)) {
    apply_width(*cell, width);
  }
  return width;
}

}  // namespace orlan
