// Painting: the laid-out tree turned into the frame's display list in back-to-front
// order (in-flow content, then positioned descendants by z-index), with the decoration
// of boxes, text, control marks, scrollbars and the grouping items.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "image_set.h"
#include "paint_internal.h"
#include "scroll.h"
#include "utf.h"

namespace orlan {

using paint::Point;

namespace {

constexpr float kCullMargin = 32;
constexpr std::uint32_t kSelectionFill = 0x663390FF;
constexpr std::uint32_t kPlaceholderColor = 0xFF9CA3AF;
constexpr char kEllipsisText[] = "\xE2\x80\xA6";
constexpr std::uint32_t kFirstCapacity = 256;

bool alpha(std::uint32_t color) { return (color >> 24) != 0; }

// A position against the free room, which is negative when the image is the larger.
float position_in(StyleLength length, float room) {
  if (length.is_percent()) return length.value * room / 100.0f;
  if (length.is_mixed()) return length.value + length.mixed_percent() * room / 100.0f;
  return length.is_px() ? length.value : 0;
}

struct Box {
  float x, y, width, height;
};

class Painter {
 public:
  Painter(Document& document, DisplayList& list, const TextMeasurer& measurer, Culling culling)
      : m_document(document),
        m_list(list),
        m_measurer(measurer),
        m_culling_wanted(culling),
        m_skip_subtrees(culling == Culling::kOn) {}
  ~Painter() {
    std::free(m_found);
    std::free(m_planned);
  }
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  bool failed() const { return m_failed; }

  void paint_root(Node& html) {
    prepare_selection();
    m_cull = {0, 0, m_document.viewport_width, m_document.viewport_height};
    m_culling = m_culling_wanted != Culling::kOff && m_cull.width > 0 && m_cull.height > 0;
    const ComputedStyle* hs = html.style;
    const ComputedStyle* bs = m_document.body ? m_document.body->style : nullptr;
    std::uint32_t canvas = 0;
    if (hs && alpha(hs->background_color)) canvas = hs->background_color;
    else if (bs && alpha(bs->background_color)) canvas = bs->background_color;
    if (canvas) fill({0, 0, m_document.viewport_width, m_document.viewport_height}, canvas, nullptr);
    paint_element(html, Point{}, 0);
  }

 private:
  // The children of a row group that its table found may paint something.
  struct RowPlan {
    const Node* group;
    int begin, end;  // in m_planned
    bool complete;
  };

  // ---- Items ----

  DisplayItem* add(ItemKind kind) {
    if (m_failed) return nullptr;
    if (m_list.count == m_list.capacity) {
      std::uint32_t capacity = m_list.capacity ? m_list.capacity * 2 : kFirstCapacity;
      if (capacity < m_list.capacity || capacity > (1u << 26)) {
        m_failed = true;
        return nullptr;
      }
      void* grown = std::realloc(m_list.items, sizeof(DisplayItem) * capacity);
      if (!grown) {
        m_failed = true;
        return nullptr;
      }
      m_list.items = static_cast<DisplayItem*>(grown);
      m_list.capacity = capacity;
    }
    DisplayItem* item = &m_list.items[m_list.count++];
    std::memset(static_cast<void*>(item), 0, sizeof *item);
    item->kind = kind;
    return item;
  }

  static void set_rect(DisplayItem& item, const Box& b) {
    item.x = b.x;
    item.y = b.y;
    item.width = b.width;
    item.height = b.height;
  }

  // An item that draws nothing outside its own rectangle (fills, borders and outlines,
  // gradients, backdrop filters): left out when off-screen, like off-screen text. Null
  // then, or when it could not be allocated.
  DisplayItem* add_bounded(ItemKind kind, const Box& b) {
    if (culled(b)) return nullptr;
    DisplayItem* it = add(kind);
    if (it) set_rect(*it, b);
    return it;
  }

  void fill(const Box& b, std::uint32_t color, const float* radii) {
    if (DisplayItem* it = add_bounded(ItemKind::kFill, b)) {
      it->color = color;
      if (radii) std::memcpy(it->radii, radii, sizeof it->radii);
    }
  }

  void push_clip(const Box& b, const float* radii) {
    if (DisplayItem* it = add(ItemKind::kPushClip)) {
      set_rect(*it, b);
      if (radii) std::memcpy(it->radii, radii, sizeof it->radii);
    }
  }

  void pop(ItemKind kind) { add(kind); }

  void push_matrix(const float m[6]) {
    if (DisplayItem* it = add(ItemKind::kPushTransform)) std::memcpy(it->matrix, m, sizeof it->matrix);
  }

  bool culled(const Box& b) const {
    if (!m_culling) return false;
    if (m_cull_empty) return true;  // inside a clip that shows nothing of the viewport
    return b.x + b.width < m_cull.x - kCullMargin || b.y + b.height < m_cull.y - kCullMargin ||
           b.x > m_cull.x + m_cull.width + kCullMargin ||
           b.y > m_cull.y + m_cull.height + kCullMargin;
  }

  void set_font(DisplayItem& it, const ComputedStyle& s) {
    // Field by field: the item's zero padding must survive for the byte comparison.
    const FontDescription f = font_of(s);
    it.font.family = f.family;
    it.font.size = f.size;
    it.font.weight = f.weight;
    it.font.italic = f.italic;
    it.font.decoration = f.decoration;
    it.font.letter_spacing = f.letter_spacing;
  }

  void text_item(const Box& b, float baseline, const char* text, std::uint32_t length,
                 std::uint32_t revision, const ComputedStyle& s, std::uint32_t color) {
    if (DisplayItem* it = add(ItemKind::kText)) {
      set_rect(*it, b);
      it->baseline = baseline;
      it->text = text;
      it->text_length = length;
      it->code_points = static_cast<std::uint32_t>(
          tw::count_code_points(std::string_view(text ? text : "", text ? length : 0)));
      it->text_revision = revision;
      it->color = color;
      set_font(*it, s);
    }
  }

  float measure(const ComputedStyle& s, const char* text, std::size_t length) {
    if (!text || length == 0 || !m_measurer.measure) return 0;
    const float w = m_measurer.measure(m_measurer.user, m_document.atoms, font_of(s), text, length);
    return std::isfinite(w) ? w : 0;
  }

  // ---- Elements ----

  void paint_node(Node& n, Point base, int depth) {
    if (n.is_text()) {
      paint_text_node(n, base);
      n.dirty &= static_cast<std::uint8_t>(~kDirtyPaint);
      return;
    }
    if (n.is_element()) paint_element(n, base, depth);
  }

  void paint_element(Node& e, Point base, int depth) {
    if (depth > paint::kMaxPaintDepth) {
      ++m_walk_gaps;
      return;
    }
    const ComputedStyle* sp = e.style;
    LayoutBox* bp = e.box;
    if (!sp || !bp || sp->display == Display::kNone) return;
    const ComputedStyle& s = *sp;
    const LayoutBox& b = *bp;
    const Point origin = paint::element_origin(e, base);
    const Box border{origin.x, origin.y, b.width, b.height};
    const bool visible = s.visibility != css::kw::Hidden;

    const bool transformed = paint::has_transform(s);
    const bool saved_culling = m_culling;
    const bool saved_cull_empty = m_cull_empty;
    const Rect saved_cull = m_cull;
    if (transformed) {
      float m[6];
      paint::transform_matrix(e, origin, m);
      push_matrix(m);
      m_culling = false;
      m_cull_empty = false;
    }
    const bool filtered = s.filter && s.filter_count > 0 && visible;
    if (filtered) {
      push_filter(s, border);
      // A filter can carry pixels of what lies beyond the view into it.
      m_culling = false;
      m_cull_empty = false;
    }
    // What the outline, drawn inside the same groups but outside the clip, is culled by.
    const bool group_culling = m_culling;
    const bool group_cull_empty = m_cull_empty;
    const Rect group_cull = m_cull;
    const bool translucent = s.opacity < 1;
    if (translucent) {
      if (DisplayItem* it = add(ItemKind::kPushOpacity)) it->opacity = std::max(0.0f, s.opacity);
    }

    float radii[4];
    paint::resolve_radii(s.border_radius, b.width, b.height, radii);
    if (visible && !paint::painted_by_table(e)) paint_decoration(e, s, b, border, radii);

    // Whatever a clip far outside the view encloses (marks and scrollbars included) cannot
    // show, transformed or not: the clip and its content are left out.
    bool clipped = paint::clips(e);
    bool content_hidden = false;
    if (clipped) {
      const Box pad = padding_box(b, origin);
      content_hidden = culled(pad);
      clipped = !content_hidden;
      if (clipped) {
        float inner[4];
        const float reduce = std::min(b.border[kTop], b.border[kLeft]);
        for (int i = 0; i < 4; ++i) inner[i] = std::max(0.0f, radii[i] - reduce);
        push_clip(pad, inner);
        if (m_culling && !m_cull_empty) {
          m_cull = intersect(m_cull, pad);
          m_cull_empty = !(m_cull.width > 0 && m_cull.height > 0);
        }
      }
    }

    // Content.
    if (content_hidden) {
      // nothing of it can show
    } else if (e.has_tag(TagId::kImg)) {
      // The walk for positioned descendants would look below an image; painting does not.
      if (e.first_child) ++m_walk_gaps;
      paint_img(e, s, b, origin);
    } else if (has_control_text(e)) {
      paint_control_text(e, s, b, origin, visible);
    } else {
      const Point inner = paint::content_base(e, origin);
      const bool container = paint::is_paint_container(e);
      const Collection outer = m_collection;
      if (container) m_collection = {m_found_count, 0, m_walk_gaps, true};
      const int plans = m_plan_count, planned = m_planned_count;
      if (s.display == Display::kTable || s.display == Display::kInlineTable)
        paint_table_backgrounds(e, inner, depth);
      if (const RowPlan* plan = plan_of(e)) {
        // The table's pass over the rows already found the ones that paint something.
        for (int i = plan->begin; i < plan->end; ++i) {
          Node& c = *m_planned[i];
          if (paint::is_positioned_element(c))
            note_positioned(c, inner);
          else
            paint_node(c, inner, depth + 1);
        }
      } else {
        for (Node* c = e.first_child; c; c = c->next_sibling) {
          if (paint::is_positioned_element(*c)) {
            note_positioned(*c, inner);
            continue;
          }
          if (skips_children(depth) && paints_nothing(*c, inner, kSkipDepth)) continue;
          paint_node(*c, inner, depth + 1);
        }
      }
      m_plan_count = plans;
      m_planned_count = planned;
      if (container) {
        // Painting met the positioned descendants the walk would find, in the same order,
        // unless it left out part of what the walk covers (too deep, below an image).
        const bool met_all =
            m_skip_subtrees && m_collection.complete && m_collection.gaps == m_walk_gaps;
        const paint::PositionedSpan span =
            met_all ? paint::adopt_positioned(m_found + m_collection.start, m_collection.count)
                    : paint::collect_positioned(e, inner);
        m_found_count = m_collection.start;
        m_collection = outer;
        for (int i = 0; i < span.count; ++i)
          paint_element(*span.items[i].node, span.items[i].base, depth + 1);
        paint::release_positioned(span);
      }
    }
    if (visible && !content_hidden) paint_marks(e, s, border, radii);

    if (scrolls(e) && !content_hidden) {
      const ScrollbarGeometry g = scrollbar_geometry(e);
      const std::uint32_t thumb = (s.color & 0xFFFFFFu) | 0x59000000u;
      for (const Scrollbar* bar : {&g.vertical, &g.horizontal}) {
        if (!bar->present || !bar->has_thumb) continue;
        const float r = std::min(bar->thumb.width, bar->thumb.height) / 2;
        const float rr[4] = {r, r, r, r};
        fill({bar->thumb.x, bar->thumb.y, bar->thumb.width, bar->thumb.height}, thumb, rr);
      }
    }
    if (clipped) pop(ItemKind::kPopClip);
    m_culling = group_culling;
    m_cull_empty = group_cull_empty;
    m_cull = group_cull;

    if (visible && s.outline_width > 0) paint_outline(s, border, radii);
    if (translucent) pop(ItemKind::kPopOpacity);
    if (filtered) pop(ItemKind::kPopFilter);
    if (transformed) pop(ItemKind::kPopTransform);
    m_culling = saved_culling;
    m_cull_empty = saved_cull_empty;
    m_cull = saved_cull;
    e.dirty &= static_cast<std::uint8_t>(~kDirtyPaint);
  }

  static Box padding_box(const LayoutBox& b, Point origin) {
    return {origin.x + b.border[kLeft], origin.y + b.border[kTop],
            std::max(0.0f, b.width - b.border[kLeft] - b.border[kRight]),
            std::max(0.0f, b.height - b.border[kTop] - b.border[kBottom])};
  }

  // ---- Subtrees left out ----

  // How many levels below a skipped element are looked at before giving up.
  static constexpr int kSkipDepth = 8;

  // Whether painting `e` (from the content base `base`) would add no item at all, decided
  // without painting it. Only what can be seen cheaply counts: an element that clips its
  // content and lies beyond the cull margin, or one that draws nothing beyond its own box
  // and whose children are all such elements or text whose runs all lie beyond the margin.
  // Anything else (groups, positioned or replaced elements, shadows, outlines, images,
  // tables) is painted to find out.
  // Needs culling on and no group open.
  bool paints_nothing(const Node& e, Point base, int levels) const {
    if (!e.is_element()) return false;
    const ComputedStyle* sp = e.style;
    const LayoutBox* bp = e.box;
    if (!sp || !bp || sp->display == Display::kNone) return true;
    const ComputedStyle& s = *sp;
    const LayoutBox& b = *bp;
    // Positioned elements are painted by their container; sticky ones move.
    if (s.position != css::kw::Static) return false;
    // Groups are added wherever their element lies.
    if (paint::has_transform(s) || (s.filter && s.filter_count > 0) || s.opacity < 1) return false;
    // Fragmented inline boxes, images, controls and their marks, table backgrounds: their
    // items are not all inside the border box.
    if (s.display == Display::kInline || s.display == Display::kTable ||
        s.display == Display::kInlineTable || is_replaced_or_control(e) ||
        e.control != ControlKind::kNone || has_control_text(e))
      return false;
    if (s.outline_width > 0 || (s.box_shadow && s.box_shadow_count > 0)) return false;
    for (std::uint8_t i = 0; s.background_layers && i < s.background_layer_count; ++i)
      if (!s.background_layers[i].gradient && s.background_layers[i].image) return false;
    // What is left (background, gradients, backdrop filter, border) lies in the border box.
    const Point origin = paint::element_origin(e, base);
    if (!culled({origin.x, origin.y, b.width, b.height})) return false;
    // A clip beyond the margin hides the content, its marks and scrollbars with it.
    if (paint::clips(e)) return culled(padding_box(b, origin));
    if (levels == 0) return false;
    const Point inner = paint::content_base(e, origin);
    // Positioned children answer no. Text runs may lie anywhere in their container: the
    // element's text children paint nothing when every run of its lines is culled.
    bool runs_culled = false;
    for (const Node* c = e.first_child; c; c = c->next_sibling) {
      if (c->is_element()) {
        if (!paints_nothing(*c, inner, levels - 1)) return false;
        continue;
      }
      if (!runs_culled && !(runs_culled = all_runs_culled(b, inner))) return false;
    }
    return true;
  }

  // Whether every run of a box's lines lies beyond the cull margin, seen from the content
  // base its text is painted from. A box without runs of its own answers no: its text may
  // be in an ancestor's lines.
  bool all_runs_culled(const LayoutBox& b, Point inner) const {
    if (b.run_count == 0) return false;
    for (std::uint32_t i = 0; i < b.run_count; ++i) {
      const TextRun& run = b.runs[i];
      // An ellipsis is drawn after its run.
      if (run.flags & kRunEllipsis) return false;
      if (!culled({inner.x + run.x, inner.y + run.y, run.width, run.ascent + run.descent}))
        return false;
    }
    return true;
  }

  // Whether the children of an element at `depth` may be left out unpainted.
  bool skips_children(int depth) const {
    return m_skip_subtrees && m_culling && depth + kSkipDepth < paint::kMaxPaintDepth;
  }

  const RowPlan* plan_of(const Node& group) const {
    for (int i = m_plan_count - 1; i >= 0; --i)
      if (m_plans[i].group == &group) return &m_plans[i];
    return nullptr;
  }

  // A positioned child met by the walk, kept for the nearest paint container with what
  // the walk of collect_positioned would keep.
  void note_positioned(Node& c, Point base) {
    if (!c.style || !c.box || c.style->display == Display::kNone) return;
    Collection& k = m_collection;
    if (!k.complete || k.count >= paint::kMaxPositioned) return;
    if (m_found_count == m_found_capacity) {
      const int capacity = m_found_capacity ? m_found_capacity * 2 : 64;
      void* grown = std::realloc(m_found, sizeof(paint::Positioned) * capacity);
      if (!grown) {
        k.complete = false;  // the container walks for them itself
        return;
      }
      m_found = static_cast<paint::Positioned*>(grown);
      m_found_capacity = capacity;
    }
    m_found[m_found_count++] = paint::Positioned{&c, base};
    ++k.count;
  }

  static Rect intersect(const Rect& a, const Box& b) {
    const float x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const float x1 = std::min(a.x + a.width, b.x + b.width);
    const float y1 = std::min(a.y + a.height, b.y + b.height);
    return {x0, y0, std::max(0.0f, x1 - x0), std::max(0.0f, y1 - y0)};
  }

  void push_filter(const ComputedStyle& s, const Box& border) {
    float reach = 0;
    for (std::uint8_t i = 0; i < s.filter_count; ++i) {
      const css::Filter& f = s.filter[i];
      if (f.kind == css::FilterKind::Blur) reach = std::max(reach, 3 * f.amount);
      else if (f.kind == css::FilterKind::DropShadow)
        reach = std::max(reach, 3 * f.blur + std::max(std::fabs(f.offset_x), std::fabs(f.offset_y)));
    }
    for (std::uint8_t i = 0; s.box_shadow && i < s.box_shadow_count; ++i) {
      const css::Shadow& sh = s.box_shadow[i];
      reach = std::max(reach, 2 * sh.blur + sh.spread +
                                  std::max(std::fabs(sh.offset_x), std::fabs(sh.offset_y)));
    }
    const float h = (std::isfinite(reach) ? std::max(0.0f, reach) : 0) + 1;
    if (DisplayItem* it = add(ItemKind::kPushFilter)) {
      set_rect(*it, {border.x - h, border.y - h, border.width + 2 * h, border.height + 2 * h});
      it->filters = s.filter;
      it->filter_count = s.filter_count;
    }
  }

  // ---- Decoration ----

  void paint_decoration(const Node& e, const ComputedStyle& s, const LayoutBox& b,
                        const Box& border, const float radii[4]) {
    if (s.display == Display::kInline && !is_replaced_or_control(e)) {
      // Most inline elements draw nothing of their own: no need to find their fragments.
      const bool decorated = alpha(s.background_color) || s.background_layer_count > 0 ||
                             s.box_shadow_count > 0 || s.backdrop_filter_count > 0 ||
                             (s.border_style != css::kw::None && s.border_style != css::kw::Hidden);
      if (!decorated) return;
      if (paint_inline_fragments(e, s, b, border)) return;
    }
    paint_shadows(s, b, border, radii, false);
    if (s.backdrop_filter && s.backdrop_filter_count > 0) {
      if (DisplayItem* it = add_bounded(ItemKind::kBackdropFilter, border)) {
        std::memcpy(it->radii, radii, sizeof it->radii);
        it->filters = s.backdrop_filter;
        it->filter_count = s.backdrop_filter_count;
      }
    }
    paint_background(s, border, radii);
    paint_shadows(s, b, border, radii, true);
    paint_border(s, b, border, radii);
  }

  void paint_background(const ComputedStyle& s, const Box& border, const float radii[4]) {
    if (alpha(s.background_color) && border.width > 0 && border.height > 0)
      fill(border, s.background_color, radii);
    for (int i = static_cast<int>(s.background_layer_count) - 1; i >= 0; --i) {
      if (!s.background_layers) break;
      const BackgroundLayer& layer = s.background_layers[i];
      if (layer.gradient) {
        if (DisplayItem* it = add_bounded(ItemKind::kGradient, border)) {
          std::memcpy(it->radii, radii, sizeof it->radii);
          it->gradient = layer.gradient;
        }
      } else if (layer.image) {
        paint_background_image(s, layer, border, radii);
      }
    }
  }

  void paint_background_image(const ComputedStyle& s, const BackgroundLayer& layer,
                              const Box& box, const float radii[4]) {
    const image::ImageEntry* image = find_image(m_document, layer.image);
    if (!image || image->width <= 0 || image->height <= 0) return;
    const float iw0 = static_cast<float>(image->width), ih0 = static_cast<float>(image->height);
    float w, h;
    if (layer.size_keyword == css::kw::Cover || layer.size_keyword == css::kw::Contain) {
      const float sx = box.width / iw0, sy = box.height / ih0;
      const float k = layer.size_keyword == css::kw::Cover ? std::max(sx, sy) : std::min(sx, sy);
      w = iw0 * k;
      h = ih0 * k;
    } else {
      const bool auto_w = layer.size[0].is_auto(), auto_h = layer.size[1].is_auto();
      w = auto_w ? iw0 : resolve_length(layer.size[0], box.width, iw0);
      h = auto_h ? ih0 : resolve_length(layer.size[1], box.height, ih0);
      if (auto_w && !auto_h) w = iw0 * h / ih0;
      if (auto_h && !auto_w) h = ih0 * w / iw0;
    }
    if (!(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h)) return;
    const float x = box.x + position_in(layer.position[0], box.width - w);
    const float y = box.y + position_in(layer.position[1], box.height - h);
    const bool rx = layer.repeat != css::kw::NoRepeat && layer.repeat != css::kw::RepeatY;
    const bool ry = layer.repeat != css::kw::NoRepeat && layer.repeat != css::kw::RepeatX;
    const Box tile{rx ? box.x : x, ry ? box.y : y, rx ? box.width : w, ry ? box.height : h};
    const bool rounded = radii[0] > 0 || radii[1] > 0 || radii[2] > 0 || radii[3] > 0;
    const bool beyond = tile.x < box.x - 0.01f || tile.y < box.y - 0.01f ||
                        tile.x + tile.width > box.x + box.width + 0.01f ||
                        tile.y + tile.height > box.y + box.height + 0.01f;
    const bool clip = rounded || beyond;
    if (clip) push_clip(box, radii);
    if (DisplayItem* it = add(ItemKind::kImage)) {
      set_rect(*it, {x, y, w, h});
      it->image = image;
      it->image_generation = image->generation;
      it->image_width = iw0;
      it->image_height = ih0;
      it->repeat_x = rx;
      it->repeat_y = ry;
      it->tile_x = tile.x;
      it->tile_y = tile.y;
      it->tile_width = tile.width;
      it->tile_height = tile.height;
      it->color = s.color;
    }
    if (clip) pop(ItemKind::kPopClip);
  }

  void paint_border(const ComputedStyle& s, const LayoutBox& b, const Box& border,
                    const float radii[4]) {
    float widths[4];
    std::uint32_t colors[4];
    std::uint8_t style = kBorderSolid;
    if (b.collapsed) {
      bool any = false;
      for (int i = 0; i < 4; ++i) {
        widths[i] = b.collapsed->widths[i];
        colors[i] = b.collapsed->colors[i];
        if (widths[i] > 0 && alpha(colors[i]) && !any) {
          any = true;
          style = border_style_code(b.collapsed->styles[i]);
        }
      }
      if (!any) return;
    } else {
      if (s.border_style == css::kw::None || s.border_style == css::kw::Hidden) return;
      bool any = false;
      for (int i = 0; i < 4; ++i) {
        widths[i] = b.border[i];
        colors[i] = s.border_color[i];
        any = any || (widths[i] > 0 && alpha(colors[i]));
      }
      if (!any) return;
      style = border_style_code(s.border_style);
    }
    if (DisplayItem* it = add_bounded(ItemKind::kBorder, border)) {
      std::memcpy(it->widths, widths, sizeof widths);
      std::memcpy(it->colors, colors, sizeof colors);
      std::memcpy(it->radii, radii, sizeof it->radii);
      it->style = style;
      it->color = colors[0];
    }
  }

  static std::uint8_t border_style_code(Keyword k) {
    if (k == css::kw::Dashed) return kBorderDashed;
    if (k == css::kw::Dotted) return kBorderDotted;
    return kBorderSolid;
  }

  // Box shadows, the first one on top. The blur is approximated by concentric layers
  // whose alphas add up to the shadow's own.
  void paint_shadows(const ComputedStyle& s, const LayoutBox& b, const Box& border,
                     const float radii[4], bool inset) {
    if (!s.box_shadow) return;
    const Box pad{border.x + b.border[kLeft], border.y + b.border[kTop],
                  b.width - b.border[kLeft] - b.border[kRight],
                  b.height - b.border[kTop] - b.border[kBottom]};
    float inner[4];
    const float reduce = std::min(b.border[kTop], b.border[kLeft]);
    for (int i = 0; i < 4; ++i) inner[i] = std::max(0.0f, radii[i] - reduce);
    for (int k = static_cast<int>(s.box_shadow_count) - 1; k >= 0; --k) {
      const css::Shadow& sh = s.box_shadow[k];
      if ((sh.inset != 0) != inset || !alpha(sh.color)) continue;
      if (inset && (!(pad.width > 0 && pad.height > 0) || culled(pad))) continue;
      const float blur = std::isfinite(sh.blur) ? std::max(0.0f, sh.blur) : 0;
      const int n = std::clamp(static_cast<int>(std::lround(blur / 2)), 1, 12);
      const float a = static_cast<float>(sh.color >> 24) / 255.0f;
      const std::uint32_t rgb = sh.color & 0xFFFFFFu;
      if (inset) push_clip(pad, inner);
      float previous = 0;
      for (int i = 0; i < n; ++i) {
        const float r = blur / 2 + sh.spread - static_cast<float>(i) * blur / static_cast<float>(n);
        const float t = a * static_cast<float>(i + 1) / static_cast<float>(n);
        const float own = previous >= 1 ? 0 : (t - previous) / (1 - previous);
        previous = t;
        const std::uint32_t byte = static_cast<std::uint32_t>(std::lround(std::clamp(own, 0.0f, 1.0f) * 255));
        const std::uint32_t color = (byte << 24) | rgb;
        if (!inset) {
          Box grown{border.x + sh.offset_x - r, border.y + sh.offset_y - r,
                    std::max(0.0f, border.width + 2 * r), std::max(0.0f, border.height + 2 * r)};
          float rr[4];
          for (int c = 0; c < 4; ++c) rr[c] = radii[c] > 0 ? std::max(0.0f, radii[c] + r) : 0;
          fill(grown, color, rr);
        } else if (DisplayItem* it = add_bounded(ItemKind::kBorder, pad)) {
          it->widths[kTop] = std::max(0.0f, r + sh.offset_y);
          it->widths[kRight] = std::max(0.0f, r - sh.offset_x);
          it->widths[kBottom] = std::max(0.0f, r - sh.offset_y);
          it->widths[kLeft] = std::max(0.0f, r + sh.offset_x);
          for (std::uint32_t& c : it->colors) c = color;
          it->color = color;
          std::memcpy(it->radii, inner, sizeof it->radii);
        }
      }
      if (inset) pop(ItemKind::kPopClip);
    }
  }

  void paint_outline(const ComputedStyle& s, const Box& border, const float radii[4]) {
    const float w = s.outline_width;
    const float grow = w + s.outline_offset;
    const std::uint32_t color = s.outline_color == kCurrentColor ? s.color : s.outline_color;
    if (DisplayItem* it = add_bounded(ItemKind::kBorder,
                                      {border.x - grow, border.y - grow,
                                       std::max(0.0f, border.width + 2 * grow),
                                       std::max(0.0f, border.height + 2 * grow)})) {
      for (int i = 0; i < 4; ++i) {
        it->widths[i] = w;
        it->colors[i] = color;
        it->radii[i] = radii[i] > 0 ? std::max(0.0f, radii[i] + grow) : 0;
      }
      it->color = color;
      it->style = s.outline_style == css::kw::Dashed   ? kBorderDashed
                  : s.outline_style == css::kw::Dotted ? kBorderDotted
                                                       : kBorderSolid;
    }
  }

  // An inline element over several lines: background and border per line fragment, the
  // fragments being the lines its text and atomic children occupy in their container.
  // False when it holds one fragment only (painted as a box).
  bool paint_inline_fragments(const Node& e, const ComputedStyle& s, const LayoutBox& b,
                              const Box& border) {
    paint::InlineFragments fragments(e, Point{border.x, border.y});
    const int count = fragments.count();
    if (count < 2) return false;
    Rect r;
    for (int i = 0; fragments.next(r); ++i) {
      const Box f{r.x, r.y, r.width, r.height};
      if (alpha(s.background_color) && f.width > 0 && f.height > 0) fill(f, s.background_color, nullptr);
      if (s.border_style != css::kw::None && s.border_style != css::kw::Hidden) {
        bool any = false;
        float widths[4] = {b.border[kTop], i == count - 1 ? b.border[kRight] : 0, b.border[kBottom],
                           i == 0 ? b.border[kLeft] : 0};
        for (int k = 0; k < 4; ++k) any = any || (widths[k] > 0 && alpha(s.border_color[k]));
        if (!any) continue;
        if (DisplayItem* it = add_bounded(ItemKind::kBorder, f)) {
          std::memcpy(it->widths, widths, sizeof widths);
          std::memcpy(it->colors, s.border_color, sizeof it->colors);
          it->color = s.border_color[0];
          it->style = border_style_code(s.border_style);
        }
      }
    }
    return true;
  }

  // The backgrounds of a table's row groups and rows, in tree order, under its cells.
  // While at it, the children of each row group that may paint something are noted for
  // the group's own walk, so that the rows of a long table are visited once.
  void paint_table_backgrounds(const Node& table, Point inner, int depth) {
    for (const Node* g = table.first_child; g; g = g->next_sibling) {
      if (!g->is_element() || !g->style || !g->box || !paint::painted_by_table(*g)) continue;
      const Point go = paint::element_origin(*g, inner);
      paint_row_background(*g, go);
      if (g->style->display != Display::kTableRowGroup) continue;
      RowPlan* plan = open_plan(*g, depth + 1);
      const Point g_inner = paint::content_base(*g, go);
      for (Node* r = g->first_child; r; r = r->next_sibling) {
        if (r->is_element() && r->style && r->box && paint::painted_by_table(*r))
          paint_row_background(*r, paint::element_origin(*r, go));
        if (plan && (paint::is_positioned_element(*r) || !paints_nothing(*r, g_inner, kSkipDepth)))
          plan_row(*plan, *r);
      }
      if (plan && !plan->complete) {  // the group walks its children itself
        m_planned_count = plan->begin;
        --m_plan_count;
      }
    }
  }

  // A plan for the walk of a row group at `depth` that the table is about to paint, when
  // that walk will be culled by the same view as the table's content: the group moves
  // nothing, clips nothing and opens no group that stops culling. Null otherwise.
  RowPlan* open_plan(const Node& g, int depth) {
    const ComputedStyle& s = *g.style;
    if (!skips_children(depth) || m_plan_count == kMaxPlans) return nullptr;
    if (s.position != css::kw::Static || paint::has_transform(s) ||
        (s.filter && s.filter_count > 0) || paint::clips(g))
      return nullptr;
    RowPlan& plan = m_plans[m_plan_count++];
    plan = {&g, m_planned_count, m_planned_count, true};
    return &plan;
  }

  void plan_row(RowPlan& plan, Node& r) {
    if (!plan.complete) return;
    if (m_planned_count == m_planned_capacity) {
      const int capacity = m_planned_capacity ? m_planned_capacity * 2 : 64;
      void* grown = std::realloc(m_planned, sizeof(Node*) * capacity);
      if (!grown) {
        plan.complete = false;
        return;
      }
      m_planned = static_cast<Node**>(grown);
      m_planned_capacity = capacity;
    }
    m_planned[m_planned_count++] = &r;
    plan.end = m_planned_count;
  }

  void paint_row_background(const Node& n, Point origin) {
    const ComputedStyle& s = *n.style;
    if (s.visibility == css::kw::Hidden || s.display == Display::kNone) return;
    // Colour and gradients are culled by the row's box: a row beyond the margin needs no
    // radii (most rows of a long table are).
    if (m_skip_subtrees && culled({origin.x, origin.y, n.box->width, n.box->height})) {
      bool image = false;
      for (std::uint8_t i = 0; s.background_layers && i < s.background_layer_count; ++i)
        image = image || (!s.background_layers[i].gradient && s.background_layers[i].image);
      if (!image) return;
    }
    float radii[4];
    paint::resolve_radii(s.border_radius, n.box->width, n.box->height, radii);
    paint_background(s, {origin.x, origin.y, n.box->width, n.box->height}, radii);
  }

  // ---- Content ----

  void paint_img(const Node& e, const ComputedStyle& s, const LayoutBox& b, Point origin) {
    if (s.visibility == css::kw::Hidden) return;
    const Attribute* src = nullptr;
    if (Atom name = m_document.atoms.lookup("src")) src = find_attribute(e, name);
    if (!src || !src->value) return;
    const Atom atom = m_document.atoms.lookup(std::string_view(src->value, src->length));
    if (!atom) return;
    const image::ImageEntry* image = find_image(m_document, atom);
    if (!image || image->width <= 0 || image->height <= 0) return;
    const Box content{origin.x + b.border[kLeft] + b.padding[kLeft],
                      origin.y + b.border[kTop] + b.padding[kTop],
                      std::max(0.0f, b.width - horizontal_edges(b)),
                      std::max(0.0f, b.height - vertical_edges(b))};
    const float iw = static_cast<float>(image->width), ih = static_cast<float>(image->height);
    Box dest = content;
    if (s.object_fit != css::kw::Fill) {
      float w = iw, h = ih;
      if (s.object_fit == css::kw::Contain || s.object_fit == css::kw::Cover) {
        const float sx = content.width / iw, sy = content.height / ih;
        const float k = s.object_fit == css::kw::Cover ? std::max(sx, sy) : std::min(sx, sy);
        w = iw * k;
        h = ih * k;
      }
      dest = {content.x + position_in(s.object_position[0], content.width - w),
              content.y + position_in(s.object_position[1], content.height - h), w, h};
    }
    if (culled(dest)) return;
    float radii[4];
    paint::resolve_radii(s.border_radius, b.width, b.height, radii);
    const bool rounded = radii[0] > 0 || radii[1] > 0 || radii[2] > 0 || radii[3] > 0;
    const bool beyond = dest.x < content.x - 0.01f || dest.y < content.y - 0.01f ||
                        dest.x + dest.width > content.x + content.width + 0.01f ||
                        dest.y + dest.height > content.y + content.height + 0.01f;
    if (rounded || beyond) push_clip(content, rounded ? radii : nullptr);
    if (DisplayItem* it = add(ItemKind::kImage)) {
      set_rect(*it, dest);
      it->image = image;
      it->image_generation = image->generation;
      it->image_width = iw;
      it->image_height = ih;
      it->tile_x = dest.x;
      it->tile_y = dest.y;
      it->tile_width = dest.width;
      it->tile_height = dest.height;
      it->color = s.color;
    }
    if (rounded || beyond) pop(ItemKind::kPopClip);
  }

  void paint_text_node(const Node& text, Point parent_base) {
    const ComputedStyle* sp = style_of(text);
    if (!sp || sp->visibility == css::kw::Hidden || !text.text) return;
    const ComputedStyle& s = *sp;
    const paint::RunSource source = paint::run_source(text, parent_base);
    if (!source.box) return;
    const LayoutBox& cb = *source.box;
    // Text nodes are visited in document order, so their runs follow each other: the
    // search starts where the last one ended.
    if (m_run_box != &cb || m_run_next >= cb.run_count) {
      m_run_box = &cb;
      m_run_next = 0;
    }
    const std::uint32_t start = m_run_next;
    bool seen = false;
    for (std::uint32_t k = 0; k < cb.run_count; ++k) {
      const std::uint32_t i = (start + k) % cb.run_count;
      const TextRun& run = cb.runs[i];
      if (run.node != &text) {
        if (seen) break;
        continue;
      }
      seen = true;
      m_run_next = i + 1;
      if (run.flags & kRunAtomic) continue;
      paint_run(text, s, run, source.base);
    }
  }

  void paint_run(const Node& text, const ComputedStyle& s, const TextRun& run, Point base) {
    const Box box{base.x + run.x, base.y + run.y, run.width, run.ascent + run.descent};
    if (culled(box)) return;
    const char* t = run.text ? run.text + run.first : nullptr;
    // The part of the document's text selection in this run, as x offsets.
    float sel_x0 = 0, sel_x1 = 0;
    if (m_selection.active && t) {
      std::uint32_t from = 0, to = 0;
      if (selected_range(text, &from, &to)) {
        const std::uint32_t a = std::clamp(from, run.first, run.first + run.length);
        const std::uint32_t z = std::clamp(to, run.first, run.first + run.length);
        if (z > a) {
          sel_x0 = measure(s, t, a - run.first);
          sel_x1 = measure(s, t, z - run.first);
          fill({box.x + sel_x0, box.y, sel_x1 - sel_x0, box.height},
               s.selection_background ? s.selection_background : kSelectionFill, nullptr);
        }
      }
    }
    text_shadows(box, run.ascent, t, run.length, text.text_revision, s);
    text_item(box, run.ascent, t, run.length, text.text_revision, s, s.color);
    if (sel_x1 > sel_x0 && s.selection_color && s.selection_color != s.color) {
      push_clip({box.x + sel_x0, box.y, sel_x1 - sel_x0, box.height}, nullptr);
      text_item(box, run.ascent, t, run.length, text.text_revision, s, s.selection_color);
      pop(ItemKind::kPopClip);
    }
    if (run.flags & kRunEllipsis) {
      const float w = measure(s, kEllipsisText, 3);
      text_item({box.x + box.width, box.y, w, box.height}, run.ascent, kEllipsisText, 3, 0, s,
                s.color);
    }
  }

  // The text again under itself, offset, in each shadow's colour (no blur), the first
  // shadow on top.
  void text_shadows(const Box& box, float baseline, const char* text, std::uint32_t length,
                    std::uint32_t revision, const ComputedStyle& s) {
    for (int k = static_cast<int>(s.text_shadow_count) - 1; k >= 0 && s.text_shadow; --k) {
      const css::Shadow& sh = s.text_shadow[k];
      if (!alpha(sh.color)) continue;
      text_item({box.x + sh.offset_x, box.y + sh.offset_y, box.width, box.height}, baseline, text,
                length, revision, s, sh.color);
    }
  }

  // ---- Document text selection ----

  // Whether `a` comes before `b` in document order (neither is the other's ancestor for
  // text nodes, but elements are handled too: an ancestor comes first).
  static bool precedes(const Node* a, const Node* b) {
    if (a == b) return false;
    int da = 0, db = 0;
    for (const Node* n = a; n->parent; n = n->parent) ++da;
    for (const Node* n = b; n->parent; n = n->parent) ++db;
    for (; da > db; --da) {
      a = a->parent;
      if (a == b) return false;  // b contains the original a
    }
    for (; db > da; --db) {
      b = b->parent;
      if (b == a) return true;
    }
    while (a->parent != b->parent) {
      a = a->parent;
      b = b->parent;
    }
    for (const Node* n = a->next_sibling; n; n = n->next_sibling)
      if (n == b) return true;
    return false;
  }

  void prepare_selection() {
    const InputState& in = m_document.input;
    TextPoint a = in.selection_anchor, b = in.selection_focus;
    m_selection = {};
    if (!a.node || !b.node || !is_connected(*a.node) || !is_connected(*b.node)) return;
    if (a.node == b.node ? b.offset < a.offset : precedes(b.node, a.node)) std::swap(a, b);
    if (a.node == b.node && a.offset == b.offset) return;
    m_selection = {true, a, b};
  }

  // The selected bytes of a text node, when it holds part of the selection.
  bool selected_range(const Node& text, std::uint32_t* from, std::uint32_t* to) const {
    const TextPoint& a = m_selection.start;
    const TextPoint& b = m_selection.end;
    const bool first = &text == a.node, last = &text == b.node;
    if (!first && !last && !(precedes(a.node, &text) && precedes(&text, b.node))) return false;
    *from = first ? a.offset : 0;
    *to = last ? b.offset : text.text_length;
    return *to > *from;
  }

  // The value, placeholder or option text of a form control, with the focused control's
  // selection and caret.
  void paint_control_text(const Node& e, const ComputedStyle& s, const LayoutBox& b, Point origin,
                          bool visible) {
    if (!visible || !b.display_text) return;
    const bool placeholder = shows_placeholder(e, b);
    const std::uint32_t color =
        placeholder ? (s.placeholder_color ? s.placeholder_color : kPlaceholderColor) : s.color;
    const EditState* edit = e.edit_state;
    const bool focused = m_document.focused == &e && edit;
    // A field's text scrolls inside it; a text area may also scroll as a box.
    const Point inner = paint::content_base(e, origin);
    float sx = origin.x - inner.x, sy = origin.y - inner.y;
    if (edit && e.control == ControlKind::kTextField) {
      sx += edit->scroll_x;
      sy += edit->scroll_y;
    }
    const std::uint32_t revision = text_hash(b.display_text, b.display_text_length);
    // An input method's composition sits in the display text at the caret (layout put it
    // there): underlined, with the caret inside it.
    const bool composing = focused && edit->composing && edit->composition_length > 0 &&
                           edit->composition_length <= b.display_text_length;
    std::uint32_t comp0 = 0, comp1 = 0;
    if (composing) {
      comp0 = std::min(edit->caret, b.display_text_length - edit->composition_length);
      comp1 = comp0 + edit->composition_length;
    }
    std::uint32_t sel0 = 0, sel1 = 0;
    if (focused && !placeholder && !composing) {
      sel0 = std::min(edit->caret, edit->anchor);
      sel1 = std::max(edit->caret, edit->anchor);
    }
    for (std::uint32_t i = 0; i < b.text_line_count; ++i) {
      const TextLine& line = b.text_lines[i];
      if (line.first > b.display_text_length || line.length > b.display_text_length - line.first)
        continue;
      const char* t = b.display_text + line.first;
      const Box box{origin.x + line.x - sx, origin.y + line.y - sy, line.width, line.height};
      // A fill across the bytes [from, to) of the line, `top` below its top.
      const auto span_fill = [&](std::uint32_t from, std::uint32_t to, float top, float height,
                                 std::uint32_t fill_color) {
        const std::uint32_t a = std::max(from, line.first);
        const std::uint32_t z = std::min(to, line.first + line.length);
        if (z <= a) return;
        const float x0 = measure(s, t, a - line.first);
        const float x1 = measure(s, t, z - line.first);
        fill({box.x + x0, box.y + top, x1 - x0, height}, fill_color, nullptr);
      };
      span_fill(sel0, sel1, 0, box.height, kSelectionFill);
      if (!culled(box)) {
        text_shadows(box, line.baseline, t, line.length, revision, s);
        text_item(box, line.baseline, t, line.length, revision, s, color);
      }
      span_fill(comp0, comp1, line.baseline + 1, 1, s.color);
    }
    if (focused && edit->caret_visible && e.control == ControlKind::kTextField) {
      const std::uint32_t caret =
          composing ? comp0 + std::min(edit->composition_caret, edit->composition_length)
                    : placeholder ? 0 : edit->caret;
      for (std::uint32_t i = 0; i < b.text_line_count; ++i) {
        const TextLine& line = b.text_lines[i];
        const bool last = i + 1 == b.text_line_count;
        if (caret < line.first || (caret > line.first + line.length && !last)) continue;
        if (!last && caret == line.first + line.length && b.text_lines[i + 1].first == caret) continue;
        const std::uint32_t n = std::min(caret - line.first, line.length);
        const float x = placeholder ? 0 : measure(s, b.display_text + line.first, n);
        fill({origin.x + line.x - sx + x, origin.y + line.y - sy, 1, line.height},
             s.caret_color_set ? s.caret_color : s.color, nullptr);
        break;
      }
    }
  }

  static std::uint32_t text_hash(const char* text, std::uint32_t length) {
    std::uint32_t h = 2166136261u;
    for (std::uint32_t i = 0; i < length; ++i) h = (h ^ static_cast<unsigned char>(text[i])) * 16777619u;
    return h;
  }

  bool shows_placeholder(const Node& e, const LayoutBox& b) const {
    if (e.has_tag(TagId::kSelect) || e.control == ControlKind::kButton) return false;
    if (e.edit_state && e.edit_state->composing && e.edit_state->composition_length > 0)
      return false;
    const Atom name = m_document.atoms.lookup("placeholder");
    const Attribute* a = name ? find_attribute(e, name) : nullptr;
    if (!a || !a->value || a->length == 0 || a->length != b.display_text_length) return false;
    if (e.value_set) return e.text_length == 0;
    if (e.has_tag(TagId::kTextarea)) {
      for (const Node* c = e.first_child; c; c = c->next_sibling)
        if (c->is_text() && c->text_length > 0) return false;
      return true;
    }
    const Atom value = m_document.names.value;
    const Attribute* v = value ? find_attribute(e, value) : nullptr;
    return !v || v->length == 0;
  }

  // ---- Control marks ----

  // A stroke from P to Q: a rounded bar rotated onto the line.
  void mark_line(float px, float py, float qx, float qy, float w, std::uint32_t color) {
    const float dx = qx - px, dy = qy - py;
    const float len = std::sqrt(dx * dx + dy * dy);
    const float c = len > 0 ? dx / len : 1, sn = len > 0 ? dy / len : 0;
    const float m[6] = {c, sn, -sn, c, px - c * px + sn * py, py - sn * px - c * py};
    push_matrix(m);
    // The bar's rectangle is in the rotated coordinates: not comparable with the view.
    const bool culling = m_culling;
    m_culling = false;
    const float r[4] = {w / 2, w / 2, w / 2, w / 2};
    fill({px - w / 2, py - w / 2, len + w, w}, color, r);
    m_culling = culling;
    pop(ItemKind::kPopTransform);
  }

  static std::uint32_t mark_on_accent(std::uint32_t accent) {
    const float r = static_cast<float>((accent >> 16) & 0xFF), g = static_cast<float>((accent >> 8) & 0xFF),
                bl = static_cast<float>(accent & 0xFF);
    const float luma = (0.299f * r + 0.587f * g + 0.114f * bl) / 255.0f;
    return luma > 0.6f ? 0xFF000000u : 0xFFFFFFFFu;
  }

  void paint_marks(const Node& e, const ComputedStyle& s, const Box& box, const float radii[4]) {
    const bool checked = (e.state & kStateChecked) != 0;
    const float m = std::min(box.width, box.height);
    if (e.control == ControlKind::kCheckbox && checked) {
      std::uint32_t color = s.color;
      if (s.accent_color) {
        fill(box, s.accent_color, radii);
        color = mark_on_accent(s.accent_color);
      }
      const float w = std::max(1.5f, 0.14f * m);
      mark_line(box.x + 0.24f * m, box.y + 0.52f * m, box.x + 0.43f * m, box.y + 0.72f * m, w, color);
      mark_line(box.x + 0.43f * m, box.y + 0.72f * m, box.x + 0.78f * m, box.y + 0.30f * m, w, color);
    } else if (e.control == ControlKind::kRadio && checked) {
      std::uint32_t color = s.color;
      float d = 0.5f * m;
      if (s.accent_color) {
        fill(box, s.accent_color, radii);
        color = mark_on_accent(s.accent_color);
        d = 0.4f * m;
      }
      const float r[4] = {d / 2, d / 2, d / 2, d / 2};
      fill({box.x + (box.width - d) / 2, box.y + (box.height - d) / 2, d, d}, color, r);
    } else if (e.has_tag(TagId::kSelect) && e.box) {
      const float x = box.x + box.width - e.box->border[kRight] - 10;
      const float c = box.y + box.height / 2;
      mark_line(x - 4, c - 2.5f, x, c + 2.5f, 1.6f, s.color);
      mark_line(x, c + 2.5f, x + 4, c - 2.5f, 1.6f, s.color);
    }
  }

  struct Selection {
    bool active = false;
    TextPoint start, end;  // in document order
  };
  Selection m_selection;
  Document& m_document;
  DisplayList& m_list;
  const TextMeasurer& m_measurer;
  bool m_failed = false;
  const Culling m_culling_wanted;
  bool m_culling = true;
  bool m_cull_empty = false;
  Rect m_cull;
  const LayoutBox* m_run_box = nullptr;
  std::uint32_t m_run_next = 0;

  // Subtrees that paint nothing are left out (Culling::kOn only).
  const bool m_skip_subtrees;
  // The positioned descendants of the paint containers being painted, met on the way:
  // each open container's run of them lies above the one of the container around it.
  struct Collection {
    int start = 0;
    int count = 0;
    int gaps = 0;  // m_walk_gaps when the container opened
    bool complete = false;
  };
  Collection m_collection;
  paint::Positioned* m_found = nullptr;
  int m_found_count = 0;
  int m_found_capacity = 0;
  // Counts the places where painting went no further but the walk for positioned
  // descendants would have.
  int m_walk_gaps = 0;
  // The children of row groups their table found worth painting, for the tables being
  // painted (nested tables above the ones around them).
  static constexpr int kMaxPlans = 32;
  RowPlan m_plans[kMaxPlans];
  int m_plan_count = 0;
  Node** m_planned = nullptr;
  int m_planned_count = 0;
  int m_planned_capacity = 0;
};

}  // namespace

DisplayList::~DisplayList() { std::free(items); }

bool DisplayList::copy_from(const DisplayList& other) noexcept {
  if (&other == this) return true;
  if (capacity < other.count) {
    void* grown = std::realloc(items, sizeof(DisplayItem) * other.count);
    if (!grown) {
      complete = false;
      return false;
    }
    items = static_cast<DisplayItem*>(grown);
    capacity = other.count;
  }
  if (other.count) std::memcpy(items, other.items, sizeof(DisplayItem) * other.count);
  count = other.count;
  complete = other.complete;
  return true;
}

std::int32_t build_display_list(Document& document, DisplayList& list) noexcept {
  return build_display_list(document, list, nullptr);
}

std::int32_t build_display_list(Document& document, DisplayList& list,
                                const TextMeasurer* measurer) noexcept {
  return build_display_list(document, list, measurer, Culling::kOn);
}

std::int32_t build_display_list(Document& document, DisplayList& list,
                                const TextMeasurer* measurer, Culling culling) noexcept {
  list.count = 0;
  list.complete = false;
  Node* html = document.html;
  if (!html || !html->box || !html->style) {
    list.complete = true;
    return kOk;
  }
  Painter painter(document, list, measurer ? *measurer : fallback_text_measurer(), culling);
  painter.paint_root(*html);
  if (painter.failed()) return kOutOfMemory;
  list.complete = true;
  return kOk;
}

}  // namespace orlan
