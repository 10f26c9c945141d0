// The generic box algorithm: sizes from the style and the constraints, the per-box
// result cache, dispatch to the formatting algorithms, and intrinsic widths.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "image_set.h"
#include "memory.h"
#include "layout_internal.h"

namespace orlan {

namespace {

const ContainerLayoutHooks* g_container_hooks = nullptr;

constexpr float kNoMax = std::numeric_limits<float>::max();

bool has_layout_dirt(const Node& node) {
  return (node.dirty & (kDirtyStyle | kDirtyLayout | kDirtyDescendant)) != 0;
}

LayoutResult result_of(const LayoutBox& b) {
  LayoutResult r;
  r.width = b.width;
  r.height = b.height;
  r.content_width = b.content_width;
  r.content_height = b.content_height;
  r.baseline = b.baseline;
  for (int i = 0; i < 4; ++i) {
    r.margin[i] = b.margin[i];
    r.border[i] = b.border[i];
    r.padding[i] = b.padding[i];
  }
  r.scrollbar_gutter = b.scrollbar_gutter;
  return r;
}

void restore_result(LayoutBox& b, const LayoutResult& r) {
  b.width = r.width;
  b.height = r.height;
  b.content_width = r.content_width;
  b.content_height = r.content_height;
  b.baseline = r.baseline;
  for (int i = 0; i < 4; ++i) {
    b.margin[i] = r.margin[i];
    b.border[i] = r.border[i];
    b.padding[i] = r.padding[i];
  }
  b.scrollbar_gutter = r.scrollbar_gutter;
}

void store_result(Document& d, LayoutBox& b, const LayoutConstraints& c,
                  std::uint32_t generation) {
  if (b.cache_valid && !(b.cache.constraints == c)) {
    // The previous constraint set moves into the history (newest first); without memory
    // for one, the box keeps none.
    if (!b.history)
      b.history = static_cast<LayoutCacheEntry*>(
          allocate_box_buffer(d, sizeof(LayoutCacheEntry) * kLayoutHistory));
    if (b.history) {
      int n = std::min<int>(b.history_count, kLayoutHistory - 1);
      for (int i = n; i > 0; --i) b.history[i] = b.history[i - 1];
      b.history[0] = b.cache;
      b.history_count = static_cast<std::uint8_t>(n + 1);
    }
  }
  b.cache.constraints = c;
  b.cache.result = result_of(b);
  b.cache_generation = generation;
  b.cache_valid = true;
}

// Whether a length needs the base it is resolved against (percentages, calc mixes).
bool needs_base(StyleLength l) {
  return l.kind() == kStylePercent || l.kind() == kStyleMixed;
}
bool reads_height_base(const ComputedStyle& s) {
  return needs_base(s.height) || needs_base(s.min_height) || needs_base(s.max_height);
}

float max_length(StyleLength l, float base) {
  if (l.kind() == kStyleNone) return kNoMax;
  float v = resolve(l, base, -1);
  return v < 0 ? kNoMax : v;
}

// The image behind an `img` element, or null.
const image::ImageEntry* image_of(Node& element) {
  Document& d = *element.document;
  Atom src = d.atoms.lookup("src");
  if (!src) return nullptr;
  const Attribute* a = find_attribute(element, src);
  if (!a || !a->value) return nullptr;
  Atom name = d.atoms.lookup(std::string_view(a->value, a->length));
  if (!name) return nullptr;
  const image::ImageEntry* entry = find_image(d, name);
  return entry && entry->bytes ? entry : nullptr;
}

// A positive integer attribute ("width", "height") or -1.
float size_attribute(const Node& element, std::string_view name) {
  Atom atom = element.document->atoms.lookup(name);
  if (!atom) return -1;
  const Attribute* a = find_attribute(element, atom);
  if (!a || !a->value || a->length == 0) return -1;
  float v = 0;
  for (std::uint32_t i = 0; i < a->length; ++i) {
    char c = a->value[i];
    if (c < '0' || c > '9') break;
    v = v * 10 + static_cast<float>(c - '0');
    if (v > 1e6f) break;
  }
  return v > 0 ? v : -1;
}

// Intrinsic content size of an img (0 x 0 without an image), with the attributes and a
// given height taken into account.
void image_size(Node& element, float given_height, float* width, float* height) {
  float w = size_attribute(element, "width");
  float h = size_attribute(element, "height");
  float iw = 0, ih = 0;
  if (const image::ImageEntry* e = image_of(element)) {
    iw = static_cast<float>(e->width);
    ih = static_cast<float>(e->height);
  }
  if (given_height >= 0) h = given_height;
  if (w < 0 && h >= 0 && iw > 0 && ih > 0) w = h * iw / ih;
  if (w < 0) w = iw;
  if (h < 0 && iw > 0 && ih > 0) h = w * ih / iw;
  if (h < 0) h = ih;
  *width = w;
  *height = h;
}

bool is_container_display(Display d) {
  return d == Display::kFlex || d == Display::kInlineFlex || d == Display::kGrid ||
         d == Display::kInlineGrid || d == Display::kTable || d == Display::kInlineTable;
}

// A control draws its own text and an image its picture: children laid out while the
// element was another kind of box lose those boxes.
void release_child_boxes(Node& node) {
  for (Node* c = node.first_child; c; c = c->next_sibling)
    if (c->box) release_subtree_boxes(*c);
}

// Children that stopped being rendered lose their boxes.
void drop_unrendered_children(Node& node) {
  for (Node* c = node.first_child; c; c = c->next_sibling) {
    if (c->is_element() && c->box && !is_rendered(*c)) release_subtree_boxes(*c);
  }
}

float content_height_of_floats(const FloatArea& area, const LayoutBox& box) {
  float bottom = 0;
  for (int i = 0; i < area.count; ++i)
    bottom = std::max(bottom, area.floats[i].y + area.floats[i].height);
  return bottom - box.border[kTop] - box.padding[kTop];
}

bool centres_content(const Node& e) {
  if (e.has_tag(TagId::kButton) || e.has_tag(TagId::kTextarea) || e.has_tag(TagId::kSelect))
    return true;
  return e.has_tag(TagId::kInput) &&
         (e.control == ControlKind::kTextField || e.control == ControlKind::kButton ||
          e.control == ControlKind::kNone);
}

// Cells get collapsed borders only from a table laying them out. Below a box that is not
// (or no longer) a table, the cells of its rows and row groups draw their own borders
// again, and the boxes measured with the old ones forget their caches.
void forget_stale_collapsed_borders(Node& node) {
  auto is_group_or_row = [](const Node& n) {
    return n.is_element() && n.style && n.box &&
           (n.style->display == Display::kTableRowGroup || n.style->display == Display::kTableRow);
  };
  auto forget_in = [&](Node& parent, auto& self, int depth) -> bool {
    bool any = false;
    for (Node* c = parent.first_child; c; c = c->next_sibling) {
      if (!c->box) continue;
      if (c->box->collapsed) {
        forget_collapsed_borders(*c->document, *c->box);
        any = true;
      }
      if (depth < 2 && is_group_or_row(*c) && self(*c, self, depth + 1)) {
        invalidate_box_caches(*c->box);
        any = true;
      }
    }
    return any;
  };
  forget_in(node, forget_in, 0);
}

}  // namespace

float clamp_imposed_size(const Node& e, float size, bool horizontal, float width_base,
                         float axis_base) noexcept {
  if (size < 0 || !e.style) return size;
  const ComputedStyle& s = *e.style;
  const int a = horizontal ? kLeft : kTop, b = horizontal ? kRight : kBottom;
  float edges = 0;
  for (int side : {a, b})
    edges += std::max(0.0f, sane(resolve(s.padding[side], std::max(width_base, 0.0f), 0))) +
             std::max(0.0f, sane(s.border_width[side]));
  float min_v = resolve(horizontal ? s.min_width : s.min_height, axis_base, 0);
  float max_v = max_length(horizontal ? s.max_width : s.max_height, axis_base);
  if (s.box_sizing != css::kw::BorderBox) {
    if (min_v > 0) min_v += edges;
    if (max_v < kNoMax) max_v += edges;
  }
  return std::max(std::max(std::min(size, max_v), min_v), edges);
}

void set_container_layout_hooks(const ContainerLayoutHooks* hooks) noexcept {
  g_container_hooks = hooks;
}

namespace {

void note_stale_box(LayoutContext& ctx, Node& node) {
  if (ctx.stale_count == ctx.stale_capacity) {
    const std::uint32_t capacity = ctx.stale_capacity ? 2 * ctx.stale_capacity : 64;
    auto* grown = static_cast<Node**>(system_allocate(sizeof(Node*) * capacity));
    if (!grown || capacity < ctx.stale_capacity) {
      system_free(grown);
      ctx.stale_overflow = true;
      return;
    }
    if (ctx.stale_count) std::memcpy(grown, ctx.stale, sizeof(Node*) * ctx.stale_count);
    system_free(ctx.stale);
    ctx.stale = grown;
    ctx.stale_capacity = capacity;
  }
  ctx.stale[ctx.stale_count++] = &node;
}

bool ignores_available_height(const StyleLength& length) {
  return length.is_px() || length.is_auto() || length.kind() == kStyleNone;
}

}  // namespace

LayoutBox* layout_box(LayoutContext& ctx, Node& node, float aw, float ah, float fw,
                      float fh) noexcept {
  if (!node.is_element() || !is_rendered(node)) return nullptr;
  if (ctx.depth >= kMaxLayoutDepth) return nullptr;
  const ComputedStyle& s = *node.style;
  LayoutBox* box = ensure_box(node);
  if (!box) return nullptr;
  struct DepthScope {
    std::uint32_t& depth;
    explicit DepthScope(std::uint32_t& d) : depth(d) { ++depth; }
    ~DepthScope() { --depth; }
  } depth_scope(ctx.depth);

  aw = std::isfinite(aw) ? aw : -1;
  ah = std::isfinite(ah) ? ah : -1;
  // A table lays out its rows and cells without an available height, so unless its own
  // height refers to one, every available height gives the same table: laid out once,
  // its result serves each pass of a container that tries several heights.
  if ((s.display == Display::kTable || s.display == Display::kInlineTable) &&
      ignores_available_height(s.height) && ignores_available_height(s.min_height) &&
      ignores_available_height(s.max_height)) {
    ah = -1;
  }
  fw = std::isfinite(fw) ? fw : -1;
  fh = std::isfinite(fh) ? fh : -1;
  const LayoutConstraints constraints{aw, ah, fw, fh};

  const bool own_floats = starts_formatting_context(node, s) || !ctx.floats;
  const bool outer_floats_empty = own_floats || ctx.floats->count == 0;

  // Intrinsic widths from an earlier run do not outlive a change below: a later run that
  // sees no dirt must not take them back.
  if (has_layout_dirt(node) && box->intrinsic_generation != ctx.generation)
    box->intrinsic_valid = false;

  const bool must_relayout = ctx.relayout_target == &node;
  if (must_relayout) ctx.relayout_target = nullptr;

  // Cache: the same constraints give the same result while nothing below changed.
  if (outer_floats_empty && box->cache_valid && !must_relayout) {
    const bool fresh = box->cache_generation == ctx.generation;
    const bool trusted =
        !has_layout_dirt(node) && box->cache_float_free && !(ctx.ignore_older_caches && !fresh);
    auto same = [&](const LayoutConstraints& c) {
      return c.available_width == constraints.available_width &&
             c.forced_width == constraints.forced_width &&
             c.forced_height == constraints.forced_height &&
             (c.available_height == constraints.available_height ||
              !box->reads_available_height);
    };
    if (same(box->cache.constraints) && (fresh || trusted)) {
      restore_result(*box, box->cache.result);
      box->geometry_stale = false;
      ctx.reads_available_height |= box->reads_available_height;
      return box;
    }
    if (fresh || trusted) {
      for (int i = 0; i < box->history_count; ++i) {
        if (same(box->history[i].constraints)) {
          ctx.reads_available_height |= box->reads_available_height;
          restore_result(*box, box->history[i].result);
          box->stale_constraints = constraints;
          if (!box->geometry_stale) {
            box->geometry_stale = true;
            note_stale_box(ctx, node);
          }
          return box;
        }
      }
    } else {
      // Something below changed since these results: none of them may come back later in
      // this run (a fresh entry would otherwise vouch for the stale ones beside it).
      box->cache_valid = false;
      box->history_count = 0;
    }
  }

  ++ctx.boxes_laid_out;
  box->geometry_stale = false;
  const bool outer_reads_height = ctx.reads_available_height;
  ctx.reads_available_height = is_root_element(node) || reads_height_base(s);
  FloatArea* outer = ctx.floats;
  FloatArea* own = nullptr;
  if (own_floats) {
    own = ctx.arena ? ctx.arena->make<FloatArea>() : nullptr;
    ctx.floats = own;  // null: floats of this subtree are not tracked (out of memory)
  }
  const int outer_count_before = (!own_floats && outer) ? outer->count : 0;

  drop_unrendered_children(node);
  if (s.display != Display::kTable && s.display != Display::kInlineTable)
    forget_stale_collapsed_borders(node);
  if (box->collapsed && (s.display != Display::kTableCell || is_out_of_flow_positioned(s)))
    forget_collapsed_borders(*node.document, *box);  // no longer a cell its table lays out

  // Edges.
  const float edge_base = std::max(aw, 0.0f);
  box->scrollbar_gutter = 0;
  box->baseline = -1;
  box->content_width = box->content_height = 0;
  for (int i = 0; i < 4; ++i) {
    box->margin[i] = sane(resolve(s.margin[i], edge_base, 0));
    box->padding[i] = std::max(0.0f, sane(resolve(s.padding[i], edge_base, 0)));
    box->border[i] = std::max(0.0f, sane(s.border_width[i]));
  }
  if ((s.display == Display::kTable || s.display == Display::kInlineTable) && s.border_collapse)
    for (float& b : box->border) b = 0;
  if (const CollapsedBorders* collapsed = box->collapsed)
    for (int i = 0; i < 4; ++i) box->border[i] = collapsed->widths[i];
  if (s.scrollbar_gutter == css::kw::Stable && is_scroll_container(node) && !is_root_element(node))
    box->scrollbar_gutter = kScrollbarThickness;

  const float hedges = horizontal_edges(*box);
  const float vedges = vertical_edges(*box);
  const bool content_box = s.box_sizing != css::kw::BorderBox;
  const float hmargins = box->margin[kLeft] + box->margin[kRight];
  const bool is_img = node.has_tag(TagId::kImg);

  // Width.
  float width;
  if (fw >= 0) {
    width = fw;
  } else {
    float given = resolve(s.width, aw, -1);
    if (given < 0 && is_img) {
      float iw = 0, ih = 0;
      float given_h = resolve(s.height, ah, -1);
      if (given_h >= 0 && !content_box) given_h = std::max(0.0f, given_h - vedges);
      image_size(node, given_h, &iw, &ih);
      given = iw;
      if (!content_box) given += hedges;
    }
    if (given < 0) {
      // A table is block-level but, like inline boxes, only as wide as its content.
      const bool fills = is_block_level(s.display) && s.display != Display::kTable;
      if ((fills || is_root_element(node)) && aw >= 0) {
        width = aw - hmargins;
      } else {
        IntrinsicWidths iw = intrinsic_widths(ctx, node);
        float room = aw >= 0 ? aw - hmargins : kNoMax;
        width = std::max(iw.min_content, std::min(iw.max_content, room));
      }
    } else {
      width = given + (content_box ? hedges : 0);
    }
    float min_w = resolve(s.min_width, aw, 0);
    float max_w = max_length(s.max_width, aw);
    if (content_box) {
      if (min_w > 0) min_w += hedges;
      if (max_w < kNoMax) max_w += hedges;
    }
    width = std::min(width, max_w);
    width = std::max(width, min_w);
  }
  width = std::max(sane(width), hedges);

  // Height (-1: from the content).
  auto clamp_height = [&](float h) {
    float min_h = resolve(s.min_height, ah, 0);
    float max_h = max_length(s.max_height, ah);
    if (content_box) {
      if (min_h > 0) min_h += vedges;
      if (max_h < kNoMax) max_h += vedges;
    }
    h = std::min(h, max_h);
    h = std::max(h, min_h);
    return std::max(sane(h), vedges);
  };
  float height = -1;
  if (fh >= 0) {
    height = std::max(sane(fh), vedges);
  } else {
    float given = resolve(s.height, ah, -1);
    if (given < 0 && is_img) {
      float iw = 0, ih = 0;
      image_size(node, -1, &iw, &ih);
      float cw = width - hedges;
      if (iw > 0) ih = ih * cw / iw;
      given = ih + (content_box ? 0 : vedges);
    }
    if (given >= 0) height = clamp_height(given + (content_box ? vedges : 0));
  }

  box->width = width;
  box->height = height >= 0 ? height : 0;
  const float content_width = std::max(0.0f, width - hedges - gutter_excess(*box));
  const float content_height = height >= 0 ? std::max(0.0f, height - vedges) : -1;

  // Content.
  float used_content_height = 0;
  {
    LayoutArena::Mark mark{};
    if (ctx.arena) mark = ctx.arena->mark();
    ContainerLayoutInput input{content_width, content_height, ah, -1};
    if (height < 0 && s.min_height.kind() != kStyleAuto) {
      float floor = resolve(s.min_height, ah, -1);
      if (floor >= 0) input.min_height_floor = std::max(0.0f, floor - (content_box ? 0 : vedges));
    }
    const ContainerLayoutHooks* hooks = g_container_hooks;
    Display d = s.display;
    // Text lines belong to the control-text layout; any other one leaves none behind.
    box->text_line_count = 0;
    if ((d == Display::kFlex || d == Display::kInlineFlex) && hooks && hooks->flex) {
      clear_inline_results(*box);
      used_content_height = hooks->flex(ctx, node, *box, input);
    } else if ((d == Display::kGrid || d == Display::kInlineGrid) && hooks && hooks->grid) {
      clear_inline_results(*box);
      used_content_height = hooks->grid(ctx, node, *box, input);
    } else if ((d == Display::kTable || d == Display::kInlineTable) && hooks && hooks->table) {
      clear_inline_results(*box);
      used_content_height = hooks->table(ctx, node, *box, input);
    } else if (has_control_text(node)) {
      clear_inline_results(*box);
      release_child_boxes(node);
      used_content_height = layout_control_text(ctx, node, *box, content_width);
    } else if (is_img) {
      clear_inline_results(*box);
      release_child_boxes(node);
      used_content_height = 0;
    } else {
      float avail_h = content_height >= 0 ? content_height : ah;
      used_content_height =
          layout_block_flow(ctx, node, *box, content_width, content_height, avail_h);
    }
    if (ctx.arena) ctx.arena->reset(mark);
  }
  used_content_height = std::max(0.0f, sane(used_content_height));

  if (own_floats && ctx.floats && ctx.floats->count > 0)
    used_content_height =
        std::max(used_content_height, content_height_of_floats(*ctx.floats, *box));

  if (height < 0) {
    float ch = used_content_height;
    if (s.aspect_ratio > 0 && std::isfinite(s.aspect_ratio)) {
      float from_ratio =
          content_box ? content_width / s.aspect_ratio : width / s.aspect_ratio - vedges;
      ch = std::max(ch, from_ratio);
    }
    height = clamp_height(ch + vedges);
    box->height = height;
  }

  // Controls and buttons centre their content vertically.
  if (centres_content(node)) {
    float free = (box->height - vedges - used_content_height) / 2;
    if (free > 0) {
      if (has_control_text(node)) {
        for (std::uint32_t i = 0; i < box->text_line_count; ++i) box->text_lines[i].y += free;
      } else {
        for (Node* c = node.first_child; c; c = c->next_sibling) {
          if (c->box && c->is_element() && c->style && !is_out_of_flow_positioned(*c->style))
            c->box->y += free;
        }
        for (std::uint32_t i = 0; i < box->line_count; ++i) box->lines[i].y += free;
        for (std::uint32_t i = 0; i < box->run_count; ++i) box->runs[i].y += free;
      }
      if (box->baseline >= 0) box->baseline += free;
    }
  }

  box->content_width = std::max(box->content_width, content_width);
  box->content_height =
      std::max(box->content_height, std::max(used_content_height, box->height - vedges));

  if (is_positioned(s) || is_root_element(node)) layout_positioned_descendants(ctx, node, *box);

  const bool left_floats = !own_floats && outer && outer->count != outer_count_before;
  box->cache_float_free = outer_floats_empty && !left_floats;
  box->reads_available_height = ctx.reads_available_height;
  ctx.reads_available_height = outer_reads_height || box->reads_available_height;
  store_result(*node.document, *box, constraints, ctx.generation);

  if (own_floats) ctx.floats = outer;
  return box;
}

IntrinsicWidths intrinsic_widths(LayoutContext& ctx, Node& node) noexcept {
  if (node.is_text()) {
    Node* nodes[1] = {&node};
    return inline_run_intrinsic(ctx, InlineRun{nodes, 1});
  }
  if (!node.is_element() || !is_rendered(node)) return {};
  if (ctx.depth >= kMaxLayoutDepth) return {};
  LayoutBox* box = ensure_box(node);
  if (box && box->intrinsic_valid &&
      (box->intrinsic_generation == ctx.generation ||
       (!has_layout_dirt(node) && !ctx.ignore_older_caches)))
    return {box->min_content, box->max_content};

  const ComputedStyle& s = *node.style;
  if (s.display != Display::kTable && s.display != Display::kInlineTable)
    forget_stale_collapsed_borders(node);
  float hedges = 0;
  // Collapsed borders count only for a cell its table lays out.
  const CollapsedBorders* collapsed =
      s.display == Display::kTableCell && !is_out_of_flow_positioned(s)
          ? cell_collapsed_borders(node)
          : nullptr;
  for (int side : {kLeft, kRight}) {
    hedges += std::max(0.0f, sane(resolve(s.padding[side], -1, 0)));
    hedges += collapsed ? collapsed->widths[side] : std::max(0.0f, sane(s.border_width[side]));
  }
  if ((s.display == Display::kTable || s.display == Display::kInlineTable) && s.border_collapse)
    hedges -= std::max(0.0f, s.border_width[kLeft]) + std::max(0.0f, s.border_width[kRight]);
  const bool content_box = s.box_sizing != css::kw::BorderBox;

  IntrinsicWidths r;
  float given = resolve(s.width, -1, -1);
  const bool definite = given >= 0;
  if (definite) {
    r.min_content = r.max_content = given + (content_box ? hedges : 0);
  } else {
    if (node.has_tag(TagId::kImg)) {
      float iw = 0, ih = 0;
      image_size(node, resolve(s.height, -1, -1), &iw, &ih);
      r = {iw, iw};
    } else if (is_container_display(s.display) && g_container_hooks &&
               g_container_hooks->intrinsic) {
      r = g_container_hooks->intrinsic(ctx, node);
    } else if (has_control_text(node)) {
      r = control_intrinsic(ctx, node);
    } else {
      ++ctx.depth;
      LayoutArena::Mark mark{};
      if (ctx.arena) mark = ctx.arena->mark();
      Node* stack_nodes[1];
      Node** run_nodes =
          ctx.arena ? ctx.arena->allocate_array_uninitialized<Node*>(kMaxRunNodes) : nullptr;
      const int run_limit = run_nodes ? kMaxRunNodes : 0;
      if (!run_nodes) run_nodes = stack_nodes;
      int run_count = 0;
      auto flush = [&] {
        if (!run_count) return;
        IntrinsicWidths w = inline_run_intrinsic(ctx, InlineRun{run_nodes, run_count});
        r.min_content = std::max(r.min_content, w.min_content);
        r.max_content = std::max(r.max_content, w.max_content);
        run_count = 0;
      };
      for (Node* c = node.first_child; c; c = c->next_sibling) {
        if (c->is_text()) {
          if (run_count < run_limit) run_nodes[run_count++] = c;
          continue;
        }
        if (!is_rendered(*c)) continue;
        const ComputedStyle& cs = *c->style;
        if (is_out_of_flow_positioned(cs)) continue;
        if (is_floated(cs) || !is_block_level(cs.display)) {
          if (run_count < run_limit) run_nodes[run_count++] = c;
          continue;
        }
        flush();
        IntrinsicWidths w = intrinsic_widths(ctx, *c);
        float margins =
            sane(resolve(cs.margin[kLeft], -1, 0)) + sane(resolve(cs.margin[kRight], -1, 0));
        r.min_content = std::max(r.min_content, w.min_content + margins);
        r.max_content = std::max(r.max_content, w.max_content + margins);
      }
      flush();
      if (ctx.arena) ctx.arena->reset(mark);
      --ctx.depth;
    }
    r.min_content += hedges;
    r.max_content += hedges;
    if (s.scrollbar_gutter == css::kw::Stable && is_scroll_container(node) &&
        !is_root_element(node)) {
      float excess = kScrollbarThickness - std::max(0.0f, sane(resolve(s.padding[kRight], -1, 0)));
      if (excess > 0) {
        r.min_content += excess;
        r.max_content += excess;
      }
    }
  }
  float min_w = resolve(s.min_width, -1, 0);
  float max_w = max_length(s.max_width, -1);
  if (content_box) {
    if (min_w > 0) min_w += hedges;
    if (max_w < kNoMax) max_w += hedges;
  }
  for (float* v : {&r.min_content, &r.max_content}) {
    *v = std::max(std::min(*v, max_w), min_w);
    *v = std::max(0.0f, sane(*v));
  }
  r.max_content = std::max(r.max_content, r.min_content);
  if (box) {
    box->min_content = r.min_content;
    box->max_content = r.max_content;
    box->intrinsic_generation = ctx.generation;
    box->intrinsic_valid = true;
  }
  return r;
}

}  // namespace orlan
