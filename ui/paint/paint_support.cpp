// What painting and hit testing share: offsets, paint containers, positioned
// descendants, transforms and radii.

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "paint_internal.h"

namespace orlan::paint {

namespace {

constexpr float kDegrees = 3.14159265358979f / 180.0f;
constexpr int kPositionedStack = 8192;

// One stack of positioned descendants per thread, shared by nested paint containers.
struct PositionedStack {
  Positioned* items = nullptr;
  int used = 0;
  ~PositionedStack() { std::free(items); }
};
thread_local PositionedStack t_positioned;

void walk_positioned(Node& node, Point base, PositionedSpan& span, int depth) {
  if (depth > kMaxPaintDepth) return;
  for (Node* c = node.first_child; c; c = c->next_sibling) {
    if (!c->is_element() || !c->style || !c->box || c->style->display == Display::kNone) continue;
    if (is_positioned_element(*c)) {
      if (span.count >= kMaxPositioned || span.mark + span.count >= kPositionedStack) return;
      span.items[span.count++] = Positioned{c, base};
      continue;
    }
    if (is_paint_container(*c) || has_control_text(*c)) continue;
    if (known_free_of_positioned_boxes(*c)) continue;
    walk_positioned(*c, content_base(*c, element_origin(*c, base)), span, depth + 1);
  }
}

float length_of(const css::CssLength& l, float base) {
  if (l.unit == css::kUnitPercent) return l.value * base / 100.0f;
  return l.value;
}

void apply_op(float m[6], const css::TransformOp& op, float width, float height) {
  float n[6] = {1, 0, 0, 1, 0, 0};
  switch (op.kind) {
    case css::TransformKind::Translate:
      n[4] = op.arg_count > 0 ? length_of(op.args[0], width) : 0;
      n[5] = op.arg_count > 1 ? length_of(op.args[1], height) : 0;
      break;
    case css::TransformKind::Scale:
      n[0] = op.arg_count > 0 ? op.args[0].value : 1;
      n[3] = op.arg_count > 1 ? op.args[1].value : n[0];
      break;
    case css::TransformKind::Rotate: {
      const float r = (op.arg_count > 0 ? op.args[0].value : 0) * kDegrees;
      n[0] = std::cos(r);
      n[1] = std::sin(r);
      n[2] = -std::sin(r);
      n[3] = std::cos(r);
      break;
    }
    case css::TransformKind::Skew:
      n[2] = std::tan((op.arg_count > 0 ? op.args[0].value : 0) * kDegrees);
      n[1] = std::tan((op.arg_count > 1 ? op.args[1].value : 0) * kDegrees);
      break;
    case css::TransformKind::Matrix:
      for (int i = 0; i < 6; ++i) n[i] = i < op.arg_count ? op.args[i].value : (i == 0 || i == 3);
      break;
  }
  for (float& v : n)
    if (!std::isfinite(v)) v = 0;
  multiply(m, n);
}

}  // namespace

Point element_origin(const Node& e, Point base) noexcept {
  if (!e.box) return base;
  Point p{base.x + e.box->x, base.y + e.box->y};
  if (const ComputedStyle* s = e.style) {
    if (s->position == css::kw::Fixed) {
      p = {e.box->x, e.box->y};
    } else if (s->position == css::kw::Sticky) {
      const Rect r = absolute_position(e);
      p = {r.x, r.y};
      return p;
    }
  }
  if (is_root_element(e)) {
    p.x -= e.scroll_x;
    p.y -= e.scroll_y;
  }
  return p;
}

Point content_base(const Node& e, Point origin) noexcept {
  if (is_root_element(e) || !is_scroll_container(e)) return origin;
  return {origin.x - e.scroll_x, origin.y - e.scroll_y};
}

bool has_transform(const ComputedStyle& s) noexcept {
  return (s.transform && s.transform_count > 0) || s.individual_transforms != 0;
}

bool clips(const Node& e) noexcept {
  const ComputedStyle* s = e.style;
  if (!s || s->overflow == css::kw::Visible) return false;
  // A split inline element has no one box to clip to; unsplit, it clips like a block.
  return !is_fragmented_inline(e);
}

bool is_fragmented_inline(const Node& e) noexcept {
  const ComputedStyle* s = e.style;
  if (!s || !e.box || s->display != Display::kInline || is_replaced_or_control(e)) return false;
  return InlineFragments(e, Point{e.box->x, e.box->y}).count() > 1;
}

InlineFragments::InlineFragments(const Node& e, Point origin) noexcept : m_element(e) {
  if (!e.box) return;
  // The container holding the runs, and its content base relative to this element.
  const Node* container = e.parent;
  m_dx = origin.x - e.box->x, m_dy = origin.y - e.box->y;  // content base of e's parent
  int guard = 0;
  while (container && container->is_element() && container->box && container->box->run_count == 0 &&
         guard++ < 64) {
    m_dx -= container->box->x;
    m_dy -= container->box->y;
    container = container->parent;
  }
  if (!container || !container->box || container->box->run_count == 0) return;
  m_container_node = container;
  m_container = container->box;
  bool any = false;
  std::uint32_t line = 0;
  for (std::uint32_t i = 0; i < m_container->run_count; ++i) {
    const TextRun& run = m_container->runs[i];
    if (!holds(run) || (any && run.line == line)) continue;
    any = true;
    line = run.line;
    ++m_count;
  }
}

bool InlineFragments::holds(const TextRun& run) const noexcept {
  for (const Node* n = run.node; n && n != m_container_node; n = n->parent)
    if (n == &m_element) return true;
  return false;
}

bool InlineFragments::next(Rect& out) noexcept {
  if (!m_container || m_index >= m_count) return false;
  bool started = false;
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  std::uint32_t line = 0;
  for (; m_run < m_container->run_count; ++m_run) {
    const TextRun& run = m_container->runs[m_run];
    if (!holds(run)) continue;
    if (started && run.line != line) break;
    const float rx0 = m_dx + run.x, ry0 = m_dy + run.y;
    const float rx1 = rx0 + run.width, ry1 = ry0 + run.ascent + run.descent;
    if (!started) {
      started = true;
      line = run.line;
      x0 = rx0, y0 = ry0, x1 = rx1, y1 = ry1;
    } else {
      x0 = std::min(x0, rx0), y0 = std::min(y0, ry0);
      x1 = std::max(x1, rx1), y1 = std::max(y1, ry1);
    }
  }
  if (!started) return false;
  const LayoutBox& b = *m_element.box;
  const float top = b.padding[kTop] + b.border[kTop];
  const float bottom = b.padding[kBottom] + b.border[kBottom];
  const float left = m_index == 0 ? b.padding[kLeft] + b.border[kLeft] : 0;
  const float right = m_index == m_count - 1 ? b.padding[kRight] + b.border[kRight] : 0;
  out = {x0 - left, y0 - top, x1 - x0 + left + right, y1 - y0 + top + bottom};
  ++m_index;
  return true;
}

bool is_positioned_element(const Node& n) noexcept {
  return n.is_element() && n.style && n.style->position != css::kw::Static;
}

bool is_paint_container(const Node& e) noexcept {
  const ComputedStyle* s = e.style;
  if (!s) return false;
  return is_root_element(e) || s->position != css::kw::Static || clips(e) || s->opacity < 1 ||
         has_transform(*s);
}

namespace {

// A span starting at the top of the stack (empty when the stack cannot be had).
PositionedSpan open_span() noexcept {
  PositionedSpan span;
  PositionedStack& stack = t_positioned;
  if (!stack.items) {
    stack.items = static_cast<Positioned*>(std::malloc(sizeof(Positioned) * kPositionedStack));
    if (!stack.items) return span;
  }
  span.mark = stack.used;
  span.items = stack.items + stack.used;
  return span;
}

// Keeps the span's items on the stack, sorted stably by z-index (auto counts as 0).
void close_span(PositionedSpan& span) noexcept {
  t_positioned.used += span.count;
  auto z = [](const Positioned& p) {
    return p.node->style->z_index_auto ? 0 : p.node->style->z_index;
  };
  for (int i = 1; i < span.count; ++i) {
    Positioned v = span.items[i];
    int j = i;
    while (j > 0 && z(span.items[j - 1]) > z(v)) {
      span.items[j] = span.items[j - 1];
      --j;
    }
    span.items[j] = v;
  }
}

}  // namespace

PositionedSpan collect_positioned(Node& container, Point base) noexcept {
  PositionedSpan span = open_span();
  if (!span.items) return span;
  walk_positioned(container, base, span, 0);
  close_span(span);
  return span;
}

PositionedSpan adopt_positioned(const Positioned* found, int count) noexcept {
  PositionedSpan span = open_span();
  if (!span.items) return span;
  // The walk's limits, applied to the same tree order.
  for (int i = 0; i < count; ++i) {
    if (span.count >= kMaxPositioned || span.mark + span.count >= kPositionedStack) break;
    span.items[span.count++] = found[i];
  }
  close_span(span);
  return span;
}

void release_positioned(const PositionedSpan& span) noexcept {
  if (span.items) t_positioned.used = span.mark;
}

void multiply(float m[6], const float n[6]) noexcept {
  const float a = m[0] * n[0] + m[2] * n[1];
  const float b = m[1] * n[0] + m[3] * n[1];
  const float c = m[0] * n[2] + m[2] * n[3];
  const float d = m[1] * n[2] + m[3] * n[3];
  const float e = m[0] * n[4] + m[2] * n[5] + m[4];
  const float f = m[1] * n[4] + m[3] * n[5] + m[5];
  m[0] = a, m[1] = b, m[2] = c, m[3] = d, m[4] = e, m[5] = f;
}

bool invert(const float m[6], float out[6]) noexcept {
  const float det = m[0] * m[3] - m[1] * m[2];
  if (!std::isfinite(det) || std::fabs(det) < 1e-12f) return false;
  out[0] = m[3] / det;
  out[1] = -m[1] / det;
  out[2] = -m[2] / det;
  out[3] = m[0] / det;
  out[4] = -(out[0] * m[4] + out[2] * m[5]);
  out[5] = -(out[1] * m[4] + out[3] * m[5]);
  return true;
}

void transform_matrix(const Node& e, Point origin, float out[6]) noexcept {
  out[0] = 1, out[1] = 0, out[2] = 0, out[3] = 1, out[4] = 0, out[5] = 0;
  const ComputedStyle* s = e.style;
  if (!s || !e.box) return;
  const float w = e.box->width, h = e.box->height;
  const float ox = origin.x + resolve_length(s->transform_origin[0], w, 0);
  const float oy = origin.y + resolve_length(s->transform_origin[1], h, 0);
  out[4] = ox;
  out[5] = oy;
  if (s->individual_transforms & kHasTranslate) apply_op(out, s->translate, w, h);
  if (s->individual_transforms & kHasRotate) apply_op(out, s->rotate, w, h);
  if (s->individual_transforms & kHasScale) apply_op(out, s->scale, w, h);
  for (std::uint16_t i = 0; s->transform && i < s->transform_count; ++i)
    apply_op(out, s->transform[i], w, h);
  const float back[6] = {1, 0, 0, 1, -ox, -oy};
  multiply(out, back);
}

void fit_radii(float r[4], float width, float height) noexcept {
  for (int i = 0; i < 4; ++i)
    if (!(r[i] > 0)) r[i] = 0;
  float scale = 1;
  auto side = [&](float length, float a, float b) {
    if (a + b > 0) scale = std::min(scale, std::max(0.0f, length) / (a + b));
  };
  side(width, r[kTopLeft], r[kTopRight]);
  side(height, r[kTopRight], r[kBottomRight]);
  side(width, r[kBottomRight], r[kBottomLeft]);
  side(height, r[kBottomLeft], r[kTopLeft]);
  if (scale < 1)
    for (int i = 0; i < 4; ++i) r[i] *= scale;
}

void resolve_radii(const StyleLength radii[4], float width, float height, float out[4]) noexcept {
  const float smaller = std::max(0.0f, std::min(width, height));
  for (int i = 0; i < 4; ++i) out[i] = resolve_length(radii[i], smaller, 0);
  fit_radii(out, width, height);
}

RunSource run_source(const Node& text, Point parent_base) noexcept {
  RunSource source;
  Point b = parent_base;
  int guard = 0;
  for (const Node* n = text.parent; n && n->is_element() && guard < 64; n = n->parent, ++guard) {
    if (!n->box) return source;
    if (n->box->run_count > 0) {
      source.box = n->box;
      source.base = b;
      return source;
    }
    b.x -= n->box->x;
    b.y -= n->box->y;
  }
  return source;
}

bool painted_by_table(const Node& e) noexcept {
  const ComputedStyle* s = e.style;
  if (!s || (s->display != Display::kTableRow && s->display != Display::kTableRowGroup))
    return false;
  auto is_table = [](const Node* n) {
    return n && n->style && (n->style->display == Display::kTable ||
                             n->style->display == Display::kInlineTable);
  };
  if (is_table(e.parent)) return true;
  return s->display == Display::kTableRow && e.parent && e.parent->style &&
         e.parent->style->display == Display::kTableRowGroup && is_table(e.parent->parent);
}

}  // namespace orlan::paint
