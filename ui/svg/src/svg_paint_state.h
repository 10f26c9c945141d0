#pragma once

// The inherited paint settings of one open group (or of one shape), and how presentation
// attributes and inline `style` change them.

#include <cstdint>
#include <string_view>

#include "svg_transform.h"
#include "vector_image.h"

namespace orlan::svg {

struct PaintState {
  std::uint32_t fill = 0xFF000000;
  std::uint32_t stroke = 0;  // none
  float opacity = 1;
  float fill_opacity = 1;
  float stroke_opacity = 1;
  float stroke_width = 1;
  LineCap cap = LineCap::Butt;
  LineJoin join = LineJoin::Miter;
  FillRule fill_rule = FillRule::NonZero;
  Matrix matrix;
};
static_assert(sizeof(PaintState) == 52);

// Applies one presentation property ("fill", "stroke-width", "transform", ...). Unknown
// names and values that do not parse leave the state as it was.
void apply_paint_property(PaintState& state, std::string_view name, std::string_view value);
// Applies the "name: value" pairs of an inline `style` attribute in order.
void apply_style_attribute(PaintState& state, std::string_view style);

}  // namespace orlan::svg
