#include "layout_input_hooks.h"

#include <algorithm>

#include "column_resize.h"
#include "computed_style.h"
#include "document.h"
#include "scroll.h"

namespace orlan {

namespace {

const TextMeasurer* g_measurer = nullptr;
HitTestFunction g_hit_test = nullptr;

constexpr int kMaxHitDepth = 256;

// The one drag under way (the UI thread serves one pointer).
struct Drags {
  Document* document = nullptr;
  ScrollDrag scroll;
  ColumnDrag column;
} g_drags;

const TextMeasurer& measurer() {
  return g_measurer ? *g_measurer : fallback_text_measurer();
}

bool contains(const Rect& r, float x, float y) {
  return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

Rect intersect(const Rect& a, const Rect& b) {
  float x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  float x1 = std::min(a.x + a.width, b.x + b.width), y1 = std::min(a.y + a.height, b.y + b.height);
  return Rect{x0, y0, std::max(0.0f, x1 - x0), std::max(0.0f, y1 - y0)};
}

bool takes_pointer(const Node& e) {
  return !e.style || (e.style->pointer_events != css::kw::None &&
                      e.style->visibility != css::kw::Hidden);
}

Node* hit_in(Node& node, float x, float y, const Rect& clip, int depth) {
  if (depth > kMaxHitDepth) return nullptr;
  if (node.style && node.style->display == Display::kNone) return nullptr;
  Rect inner = clip;
  Rect own{};
  if (node.box) {
    own = absolute_position(node);
    if (node.parent && node.parent->kind != NodeKind::kRoot && scrolls(node))
      inner = intersect(clip, own);
  }
  // Later siblings paint over earlier ones.
  for (Node* c = node.last_child; c; c = c->prev_sibling) {
    if (!c->is_element()) continue;
    if (Node* hit = hit_in(*c, x, y, inner, depth + 1)) return hit;
  }
  if (node.box && takes_pointer(node) && contains(own, x, y) && contains(clip, x, y)) return &node;
  return nullptr;
}

bool border_box(const Node& node, BoxRect* out) {
  if (!node.box) return false;
  Rect r = absolute_position(node);
  *out = BoxRect{r.x, r.y, r.width, r.height};
  return true;
}

void update_layout(Document& d) {
  layout_document(d, d.viewport_width, d.viewport_height, &measurer());
}

bool press(Document& d, Node* hit, float x, float y, std::int32_t button) {
  g_drags = Drags{};
  if (button != 0 || !hit) return false;
  ColumnHit column = column_resize_hit_test(hit, x, y);
  if (column.container && begin_column_drag(g_drags.column, column, x)) {
    g_drags.document = &d;
    return true;
  }
  for (Node* n = hit; n && n->is_element(); n = n->parent) {
    if (!n->box || !scrolls(*n)) continue;
    if (scrollbar_press(*n, x, y, &g_drags.scroll)) {
      g_drags.document = &d;
      return true;
    }
  }
  g_drags = Drags{};
  return false;
}

bool drag(Document& d, float x, float y) {
  if (g_drags.document != &d) return false;
  if (g_drags.column.container) {
    if (!live(g_drags.column.container)) {
      g_drags = Drags{};
      return false;
    }
    drag_column(g_drags.column, x);
    return true;
  }
  if (g_drags.scroll.container) {
    if (!live(g_drags.scroll.container)) {
      g_drags = Drags{};
      return false;
    }
    scrollbar_drag(g_drags.scroll, x, y);
    return true;
  }
  return false;
}

void release(Document&) {
  g_drags = Drags{};
}

Node* scroll_container(Node& from, bool vertical) {
  for (Node* n = &from; n && n->is_element(); n = n->parent)
    if (n->box && scrolls(*n) && (vertical ? max_scroll_y(*n) : max_scroll_x(*n)) > 0) return n;
  return nullptr;
}

bool scroll(Node& from, float dx, float dy, ScrollMode mode) {
  if (mode == ScrollMode::kPixels) return wheel_scroll(from, dx, dy) != nullptr;
  Node* c = scroll_container(from, true);
  if (!c) return false;
  float visible = c->box->height - c->box->border[0] - c->box->border[2];
  if (c == c->document->html) visible = std::min(visible, c->document->viewport_height);
  float y = mode == ScrollMode::kPages ? c->scroll_y + dy * 0.9f * visible
                                       : (dy < 0 ? 0.0f : max_scroll_y(*c));
  return set_scroll_offset(*c, c->scroll_x, y);
}

void scroll_into_view(Node& node) {
  if (!node.box) return;
  for (Node* c = node.parent; c && c->is_element(); c = c->parent) {
    if (!c->box || !scrolls(*c) || max_scroll_y(*c) <= 0) continue;
    Rect r = absolute_position(node);
    Rect view;
    if (c == c->document->html) {
      view = Rect{0, 0, c->document->viewport_width, c->document->viewport_height};
    } else {
      view = absolute_position(*c);
      view.y += c->box->border[0];
      view.height -= c->box->border[0] + c->box->border[2];
    }
    float shift = 0;
    if (r.y < view.y)
      shift = r.y - view.y;
    else if (r.y + r.height > view.y + view.height)
      shift = std::min(r.y - view.y, r.y + r.height - (view.y + view.height));
    if (shift != 0) set_scroll_offset(*c, c->scroll_x, c->scroll_y + shift);
  }
}

// ---- Control text ----

bool is_password(const Node& e) {
  Atom type = e.document->names.type;
  const Attribute* a = find_attribute(e, type);
  if (!e.has_tag(TagId::kInput) || !a || a->length != 8) return false;
  const char* p = "password";
  for (int i = 0; i < 8; ++i)
    if ((a->value[i] | 0x20) != p[i]) return false;
  return true;
}

std::string_view control_value(Node& e) {
  std::size_t n = 0;
  const char* v = value(&e, &n);
  return v ? std::string_view(v, n) : std::string_view();
}

std::uint32_t next_cp(const char* t, std::uint32_t at, std::uint32_t end) {
  ++at;
  while (at < end && (static_cast<unsigned char>(t[at]) & 0xC0) == 0x80) ++at;
  return at;
}

// Display offset <-> value offset (a password field shows a 3-byte bullet per code point).
std::uint32_t display_offset(Node& e, std::uint32_t offset) {
  if (!is_password(e)) return offset;
  std::string_view v = control_value(e);
  std::uint32_t count = 0;
  for (std::uint32_t i = 0; i < offset && i < v.size(); i = next_cp(v.data(), i, v.size())) ++count;
  return count * 3;
}

std::uint32_t value_offset(Node& e, std::uint32_t offset) {
  if (!is_password(e)) return offset;
  std::string_view v = control_value(e);
  std::uint32_t i = 0;
  for (std::uint32_t k = 0; k < offset / 3 && i < v.size(); ++k)
    i = next_cp(v.data(), i, static_cast<std::uint32_t>(v.size()));
  return i;
}

float measure(const Node& e, const char* text, std::uint32_t length) {
  if (!e.style || length == 0) return 0;
  const TextMeasurer& m = measurer();
  return m.measure(m.user, e.document->atoms, font_of(*e.style), text, length);
}

std::uint32_t caret_at_point(Node& control, float x, float y) {
  LayoutBox* box = control.box;
  if (!box || box->text_line_count == 0 || control_value(control).empty()) return 0;
  Rect origin = absolute_position(control);
  float sx = control.edit_state ? control.edit_state->scroll_x : 0;
  float sy = control.edit_state ? control.edit_state->scroll_y : 0;
  float lx = x - origin.x + sx, ly = y - origin.y + sy;
  const TextLine* line = &box->text_lines[box->text_line_count - 1];
  for (std::uint32_t i = 0; i < box->text_line_count; ++i) {
    if (ly < box->text_lines[i].y + box->text_lines[i].height) {
      line = &box->text_lines[i];
      break;
    }
  }
  const char* text = box->display_text;
  std::uint32_t end = line->first + line->length;
  std::uint32_t at = line->first;
  float left = line->x;
  while (at < end) {
    std::uint32_t next = next_cp(text, at, end);
    float right = line->x + measure(control, text + line->first, next - line->first);
    if (lx < (left + right) / 2) break;
    left = right;
    at = next;
  }
  return value_offset(control, at);
}

bool caret_box(Node& control, std::uint32_t offset, BoxRect* out) {
  LayoutBox* box = control.box;
  if (!box || box->text_line_count == 0) return false;
  const TextLine* line = &box->text_lines[0];
  std::uint32_t at = 0;
  if (!control_value(control).empty()) {
    at = display_offset(control, offset);
    for (std::uint32_t i = 0; i < box->text_line_count; ++i) {
      const TextLine& l = box->text_lines[i];
      if (at < l.first) break;
      line = &l;
      if (at < l.first + l.length) break;
    }
    at = std::clamp(at, line->first, line->first + line->length);
  }
  float x = line->x;
  if (at > line->first && box->display_text)
    x += measure(control, box->display_text + line->first, at - line->first);
  *out = BoxRect{x, line->y, 1, line->height};
  return true;
}

bool selectable(const Node* n) {
  for (; n && n->is_element(); n = n->parent)
    if (n->style && n->style->user_select == css::kw::None) return false;
  return true;
}

bool text_position(Document& d, float x, float y, Node** text, std::uint32_t* offset) {
  Node* hit = g_hit_test ? g_hit_test(d, x, y) : layout_hit_test(d, x, y);
  if (!hit || !selectable(hit)) return false;
  for (Node* c = hit; c && c->is_element(); c = c->parent) {
    LayoutBox* box = c->box;
    if (!box || box->run_count == 0) continue;
    Rect origin = absolute_position(*c);
    const TextRun* best = nullptr;
    for (std::uint32_t i = 0; i < box->run_count; ++i) {
      const TextRun& r = box->runs[i];
      if (!r.node || !r.node->is_text() || (r.flags & kRunAtomic)) continue;
      const LineBox& line = box->lines[r.line];
      float top = origin.y + line.y, bottom = top + line.height;
      if (y < top || y >= bottom) continue;
      best = &r;
      if (x < origin.x + r.x + r.width) break;
    }
    if (!best) continue;
    Node* node = const_cast<Node*>(best->node);
    const Node* styled = node->parent;
    std::uint32_t at = best->first, end = best->first + best->length;
    float left = origin.x + best->x;
    while (at < end && styled) {
      std::uint32_t next = next_cp(best->text, at, end);
      float right = origin.x + best->x + measure(*styled, best->text + best->first, next - best->first);
      if (x < (left + right) / 2) break;
      left = right;
      at = next;
    }
    *text = node;
    *offset = std::min(at, node->text_length);
    return true;
  }
  return false;
}

Node* hit_test(Document& d, float x, float y) {
  return g_hit_test ? g_hit_test(d, x, y) : layout_hit_test(d, x, y);
}

}  // namespace

Node* layout_hit_test(Document& d, float x, float y) noexcept {
  if (!d.html || !d.html->box) return nullptr;
  if (x < 0 || y < 0 || x >= d.viewport_width || y >= d.viewport_height) return nullptr;
  Rect viewport{0, 0, d.viewport_width, d.viewport_height};
  return hit_in(*d.html, x, y, viewport, 0);
}

void install_layout_input_hooks(const TextMeasurer* m, HitTestFunction hit) noexcept {
  g_measurer = m;
  g_hit_test = hit;
  static const InputHooks hooks{hit_test,       border_box,   update_layout,    press,
                                drag,           release,      scroll,           scroll_into_view,
                                caret_at_point, caret_box,    text_position};
  set_input_hooks(&hooks);
}

}  // namespace orlan
