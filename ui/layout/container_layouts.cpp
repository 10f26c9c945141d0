// The container hooks of the box algorithm: flex, grid and table containers, and their
// intrinsic widths.

#include "container_layouts.h"

#include <algorithm>

namespace orlan {

namespace {

IntrinsicWidths container_intrinsic(LayoutContext& ctx, Node& node) {
  switch (node.style->display) {
    case Display::kFlex:
    case Display::kInlineFlex:
      return flex_intrinsic_widths(ctx, node);
    case Display::kTable:
    case Display::kInlineTable:
      return table_intrinsic_widths(ctx, node);
    default: {
      // Laid out as blocks for now: the widest child.
      IntrinsicWidths r;
      for (Node* c = node.first_child; c; c = c->next_sibling) {
        if (c->is_text() && is_whitespace_text(*c)) continue;
        IntrinsicWidths w = intrinsic_widths(ctx, *c);
        r.min_content = std::max(r.min_content, w.min_content);
        r.max_content = std::max(r.max_content, w.max_content);
      }
      return r;
    }
  }
}

const ContainerLayoutHooks kHooks{layout_flex, nullptr, layout_table, container_intrinsic};

}  // namespace

void install_container_layouts() noexcept { set_container_layout_hooks(&kHooks); }

bool is_whitespace_text(const Node& text) noexcept {
  for (std::uint32_t i = 0; i < text.text_length; ++i) {
    char c = text.text[i];
    if (c != ' ' && c != '\t' && c != '\n' && c != '\f' && c != '\r') return false;
  }
  return true;
}

float margin_px(StyleLength margin, float base) noexcept {
  if (margin.is_auto()) return 0;
  return sane(resolve(margin, base, 0));
}

}  // namespace orlan
