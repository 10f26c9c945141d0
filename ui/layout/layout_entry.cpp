// The frame's layout entry: style pass, one layout run over the tree when something
// changed, silent scroll clamping and the dirty bits.

#include <algorithm>

#include "container_layouts.h"
#include "layout_internal.h"
#include "memory.h"
#include "text_width_cache.h"

namespace orlan {

namespace {

std::uint32_t g_generation = 0;

void clear_layout_bits(Node& root) {
  Node* n = &root;
  while (n) {
    const bool descend = (n->dirty & kDirtyDescendant) != 0 || n == &root;
    n->dirty &= static_cast<std::uint8_t>(~(kDirtyLayout | kDirtyDescendant));
    if (descend && n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && n != &root && !n->next_sibling) n = n->parent;
    if (!n || n == &root) break;
    n = n->next_sibling;
  }
}

// Whether an out-of-flow box hangs below `node` through statically positioned elements
// (its containing block's layout placed it from a static position inside `node`).
bool has_out_of_flow_below(Node& node) {
  for (Node* n = node.first_child; n; ) {
    bool descend = false;
    if (n->is_element() && n->style) {
      if (is_out_of_flow_positioned(*n->style)) return true;
      descend = !is_positioned(*n->style);
    }
    if (descend && n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n != &node && !n->next_sibling) n = n->parent;
    if (n == &node) break;
    n = n->next_sibling;
  }
  return false;
}

// Lays a box whose run ended on a history hit out again at the same constraints: the
// sizes stay, its lines and children follow them.
void relayout_stale(LayoutContext& ctx, Node& node) {
  LayoutBox* b = node.box;
  if (!b || !b->geometry_stale) return;
  const LayoutConstraints c = b->stale_constraints;
  const float x = b->x, y = b->y;
  ctx.relayout_target = &node;
  layout_box(ctx, node, c.available_width, c.available_height, c.forced_width, c.forced_height);
  ctx.relayout_target = nullptr;
  if (!node.box) return;
  node.box->x = x;
  node.box->y = y;
  if (is_cell_of_table(node)) {
    // Its table had moved the old content down by vertical-align; the new comes unshifted.
    shift_cell_content(node, *node.box, node.box->static_y);
    if (node.box->baseline >= 0) node.box->baseline += node.box->static_y;
  }
  if (node.style && !is_positioned(*node.style) && has_out_of_flow_below(node)) {
    // Static positions inside it moved: its containing block places them again.
    for (Node* a = node.parent; a; a = a->parent) {
      if (a->is_element() && a->box && a->style &&
          (is_positioned(*a->style) || is_root_element(*a))) {
        layout_positioned_descendants(ctx, *a, *a->box);
        break;
      }
    }
  }
}

struct StaleNotes {
  Node** nodes;
  std::uint32_t count;
  ~StaleNotes() { system_free(nodes); }
};

void settle_stale_boxes(LayoutContext& ctx, Node& html) {
  for (int round = 0; round < 64 && (ctx.stale_count || ctx.stale_overflow); ++round) {
    // This round's notes; laying them out may note others for the next round.
    StaleNotes notes{ctx.stale, ctx.stale_count};
    const bool overflow = ctx.stale_overflow;
    ctx.stale = nullptr;
    ctx.stale_count = ctx.stale_capacity = 0;
    ctx.stale_overflow = false;
    for (std::uint32_t i = 0; i < notes.count; ++i) relayout_stale(ctx, *notes.nodes[i]);
    if (overflow)
      for (Node* n = &html; n; n = next_in_order(n, &html)) relayout_stale(ctx, *n);
  }
}

}  // namespace

LayoutStats layout_document(Document& document, float viewport_width, float viewport_height,
                            const TextMeasurer* measurer) noexcept {
  install_layout_hooks();
  install_container_layouts();
  LayoutStats stats;
  viewport_width = std::max(0.0f, sane(viewport_width));
  viewport_height = std::max(0.0f, sane(viewport_height));
  const bool viewport_changed =
      viewport_width != document.viewport_width || viewport_height != document.viewport_height;
  if (viewport_changed) {
    set_viewport(document, viewport_width, viewport_height);
    document.layout_needed = true;
  }
  style_pass(document, document.frame_time);

  Node* html = document.html;
  const bool dirty = document.layout_needed || (document.root && (document.root->dirty &
                                                 (kDirtyLayout | kDirtyDescendant | kDirtyStyle)));
  if (!html || (!dirty && html->box)) {
    if (document.root) clear_layout_bits(*document.root);
    stats.skipped = true;
    return stats;
  }

  LayoutArena arena;
  LayoutContext ctx;
  // Notes left when the run stops early (out of memory, say) are freed with it.
  struct NotesOwner {
    LayoutContext& ctx;
    ~NotesOwner() { system_free(ctx.stale); }
  } notes_owner{ctx};
  ctx.document = &document;
  ctx.measurer = measurer && measurer->measure && measurer->metrics ? measurer
                                                                     : &fallback_text_measurer();
  ctx.text_widths = text_widths_of(document);
  if (ctx.text_widths) ctx.text_widths->use(*ctx.measurer);
  ctx.generation = ++g_generation;
  if (ctx.generation == 0) ctx.generation = ++g_generation;  // 0 never matches a cache
  ctx.arena = &arena;
  ctx.viewport_width = viewport_width;
  ctx.viewport_height = viewport_height;
  ctx.ignore_older_caches = viewport_changed;

  // A root that stopped being rendered takes its boxes with it.
  if (html->box && !is_rendered(*html)) release_subtree_boxes(*html);
  if (LayoutBox* box = layout_box(ctx, *html, viewport_width, viewport_height, -1, -1)) {
    box->x = box->margin[kLeft];
    box->y = box->margin[kTop];
    settle_stale_boxes(ctx, *html);
  }
  // Offsets are clamped quietly: no handler runs inside the frame.
  clamp_all_scroll_offsets(document);
  // Fixed boxes at their static position follow their parent's final place, seen through
  // the clamped scroll offsets.
  if (html->box && html->box->fixed_static)
    for (Node* n = next_in_order(html, html); n; n = next_in_order(n, html))
      place_fixed_at_static_position(*n);
  if (document.root) clear_layout_bits(*document.root);
  document.layout_needed = false;
  if (document.root) document.root->dirty |= kDirtyPaint;
  stats.boxes_laid_out = ctx.boxes_laid_out;
  stats.rows_placed = ctx.rows_placed;
  stats.generation = ctx.generation;
  stats.scratch_bytes = arena.bytes;
  return stats;
}

}  // namespace orlan
