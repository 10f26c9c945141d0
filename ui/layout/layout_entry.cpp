// The frame's layout entry: style pass, one layout run over the tree when something
// changed, silent scroll clamping and the dirty bits.

#include <algorithm>

#include "container_layouts.h"
#include "layout_internal.h"
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

  if (LayoutBox* box = layout_box(ctx, *html, viewport_width, viewport_height, -1, -1)) {
    box->x = box->margin[kLeft];
    box->y = box->margin[kTop];
  }
  // Offsets are clamped quietly: no handler runs inside the frame.
  clamp_all_scroll_offsets(document);
  if (document.root) clear_layout_bits(*document.root);
  document.layout_needed = false;
  if (document.root) document.root->dirty |= kDirtyPaint;
  stats.boxes_laid_out = ctx.boxes_laid_out;
  stats.generation = ctx.generation;
  return stats;
}

}  // namespace orlan
