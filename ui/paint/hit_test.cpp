// Hit testing: the paint order walked backwards, with the same offsets, clips, scroll
// offsets and transforms.

#include <cmath>

#include "paint_internal.h"
#include "scroll.h"

namespace orlan {

using paint::Point;

namespace {

bool inside(float x, float y, float rx, float ry, float rw, float rh) {
  return x >= rx && y >= ry && x < rx + rw && y < ry + rh;
}

bool inside(const Rect& r, float x, float y) { return inside(x, y, r.x, r.y, r.width, r.height); }

class HitTester {
 public:
  explicit HitTester(Document& document) : m_document(document) {}

  Node* element(Node& e, Point base, float x, float y, int depth) {
    if (depth > paint::kMaxPaintDepth) return nullptr;
    const ComputedStyle* sp = e.style;
    const LayoutBox* bp = e.box;
    if (!sp || !bp || sp->display == Display::kNone) return nullptr;
    if (&e == m_document.tooltip) return nullptr;
    const ComputedStyle& s = *sp;
    const LayoutBox& b = *bp;
    const Point origin = paint::element_origin(e, base);
    if (paint::has_transform(s)) {
      float m[6], inverse[6];
      paint::transform_matrix(e, origin, m);
      if (!paint::invert(m, inverse)) return nullptr;
      const float tx = inverse[0] * x + inverse[2] * y + inverse[4];
      const float ty = inverse[1] * x + inverse[3] * y + inverse[5];
      x = tx;
      y = ty;
    }
    bool in_box = inside(x, y, origin.x, origin.y, b.width, b.height);
    // A split inline element covers its line fragments, not the box around them.
    if (in_box && paint::is_fragmented_inline(e)) {
      paint::InlineFragments fragments(e, origin);
      Rect f;
      in_box = false;
      while (!in_box && fragments.next(f)) in_box = inside(f, x, y);
    }
    const bool hittable = s.visibility != css::kw::Hidden && s.pointer_events != css::kw::None;

    if (scrolls(e)) {
      const ScrollbarGeometry g = scrollbar_geometry(e);
      if ((g.vertical.present && inside(g.vertical.track, x, y)) ||
          (g.horizontal.present && inside(g.horizontal.track, x, y)))
        return &e;
    }

    bool pass = true;
    if (paint::clips(e))
      pass = inside(x, y, origin.x + b.border[kLeft], origin.y + b.border[kTop],
                    b.width - b.border[kLeft] - b.border[kRight],
                    b.height - b.border[kTop] - b.border[kBottom]);
    if (pass && !has_control_text(e) && !e.has_tag(TagId::kImg)) {
      const Point inner = paint::content_base(e, origin);
      if (paint::is_paint_container(e)) {
        const paint::PositionedSpan span = paint::collect_positioned(e, inner);
        for (int i = span.count - 1; i >= 0; --i) {
          if (Node* hit = element(*span.items[i].node, span.items[i].base, x, y, depth + 1)) {
            paint::release_positioned(span);
            return hit;
          }
        }
        paint::release_positioned(span);
      }
      for (Node* c = e.last_child; c; c = c->prev_sibling) {
        Node* hit = nullptr;
        if (c->is_text()) hit = text(*c, inner, x, y);
        else if (c->is_element() && !paint::is_positioned_element(*c))
          hit = element(*c, inner, x, y, depth + 1);
        if (hit) return hit;
      }
    }
    return in_box && hittable ? &e : nullptr;
  }

 private:
  Node* text(Node& t, Point parent_base, float x, float y) {
    const ComputedStyle* s = style_of(t);
    if (!s || !t.parent || s->visibility == css::kw::Hidden || s->pointer_events == css::kw::None)
      return nullptr;
    const paint::RunSource source = paint::run_source(t, parent_base);
    if (!source.box) return nullptr;
    for (std::uint32_t i = 0; i < source.box->run_count; ++i) {
      const TextRun& run = source.box->runs[i];
      if (run.node != &t) continue;
      if (inside(x, y, source.base.x + run.x, source.base.y + run.y, run.width,
                 run.ascent + run.descent))
        return t.parent;
    }
    return nullptr;
  }

  Document& m_document;
};

}  // namespace

Node* hit_test(Document& document, float x, float y) noexcept {
  Node* html = document.html;
  if (!html || !html->box || !html->style || !std::isfinite(x) || !std::isfinite(y)) return nullptr;
  const bool in_viewport = inside(x, y, 0, 0, document.viewport_width, document.viewport_height);
  if (!in_viewport) return nullptr;
  HitTester tester(document);
  Node* hit = tester.element(*html, Point{}, x, y, 0);
  if (!hit) hit = html;
  // Generated boxes answer for the element that owns them.
  while (hit->generated && hit->parent && hit->parent->is_element()) hit = hit->parent;
  return hit;
}

}  // namespace orlan
