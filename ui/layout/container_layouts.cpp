// The container hooks of the box algorithm: flex, grid and table containers, and their
// intrinsic widths.

#include "container_layouts.h"

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
    case Display::kGrid:
    case Display::kInlineGrid:
      return grid_intrinsic_widths(ctx, node);
    default:
      return {};
  }
}

const ContainerLayoutHooks kHooks{layout_flex, layout_grid, layout_table, container_intrinsic};

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
