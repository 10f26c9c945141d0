#pragma once

// The flex, grid and table algorithms behind the box algorithm's container hooks.

#include "layout_internal.h"

namespace orlan {

// Installs the container algorithms (idempotent; done at the start of each layout run).
void install_container_layouts() noexcept;

float layout_flex(LayoutContext& context, Node& node, LayoutBox& box,
                  const ContainerLayoutInput& input) noexcept;
IntrinsicWidths flex_intrinsic_widths(LayoutContext& context, Node& node) noexcept;

float layout_table(LayoutContext& context, Node& node, LayoutBox& box,
                   const ContainerLayoutInput& input) noexcept;
IntrinsicWidths table_intrinsic_widths(LayoutContext& context, Node& node) noexcept;

float layout_grid(LayoutContext& context, Node& node, LayoutBox& box,
                  const ContainerLayoutInput& input) noexcept;
IntrinsicWidths grid_intrinsic_widths(LayoutContext& context, Node& node) noexcept;

// Whether a text node holds only space, tab, line feed, form feed and carriage return.
bool is_whitespace_text(const Node& text) noexcept;
// A margin resolved against a base; auto gives 0.
float margin_px(StyleLength margin, float base) noexcept;

}  // namespace orlan
