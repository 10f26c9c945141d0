#include "svg_paint_value.h"

#include "style_sheet.h"

namespace orlan::svg {

// Paint colours are CSS colours: the engine's CSS colour parser reads them, so SVG and
// style sheets accept exactly the same forms.
std::optional<std::uint32_t> parse_css_colour(std::string_view text) {
  std::uint32_t argb = 0;
  if (!css::parse_color_text(text, argb)) return std::nullopt;
  return argb;
}

}  // namespace orlan::svg
