#include "svg_paint_state.h"
#include "ascii.h"

#include <algorithm>
#include <optional>

#include "svg_number.h"
#include "svg_paint_value.h"

namespace orlan::svg {

namespace {

std::optional<std::uint32_t> parse_paint(std::string_view value) {
  if (tw::ascii_iequals(value, "none")) return 0u;
  return parse_css_colour(value);
}

// A plain number (opacities, stroke width); stroke width may carry "px".
std::optional<float> parse_plain_number(std::string_view value) {
  std::size_t pos = 0;
  float number = 0;
  if (!read_number_at(value, pos, number) || pos != value.size()) return std::nullopt;
  return number;
}

float clamp_unit(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}

}  // namespace

void apply_paint_property(PaintState& state, std::string_view name, std::string_view raw) {
  const std::string_view value = trim_svg_space(raw);
  if (name == "fill") {
    if (auto paint = parse_paint(value)) state.fill = *paint;
  } else if (name == "stroke") {
    if (auto paint = parse_paint(value)) state.stroke = *paint;
  } else if (name == "stroke-width") {
    if (auto width = parse_number_px(value); width && *width >= 0) state.stroke_width = *width;
  } else if (name == "opacity") {
    // No group compositing: opacity only scales the alphas of what is drawn inside.
    if (auto v = parse_plain_number(value)) state.opacity *= clamp_unit(*v);
  } else if (name == "fill-opacity") {
    if (auto v = parse_plain_number(value)) state.fill_opacity = clamp_unit(*v);
  } else if (name == "stroke-opacity") {
    if (auto v = parse_plain_number(value)) state.stroke_opacity = clamp_unit(*v);
  } else if (name == "stroke-linecap") {
    if (tw::ascii_iequals(value, "round"))
      state.cap = LineCap::Round;
    else if (tw::ascii_iequals(value, "square"))
      state.cap = LineCap::Square;
    else if (tw::ascii_iequals(value, "butt"))
      state.cap = LineCap::Butt;
  } else if (name == "stroke-linejoin") {
    if (tw::ascii_iequals(value, "round"))
      state.join = LineJoin::Round;
    else if (tw::ascii_iequals(value, "bevel"))
      state.join = LineJoin::Bevel;
    else if (tw::ascii_iequals(value, "miter"))
      state.join = LineJoin::Miter;
  } else if (name == "fill-rule") {
    if (tw::ascii_iequals(value, "evenodd"))
      state.fill_rule = FillRule::EvenOdd;
    else if (tw::ascii_iequals(value, "nonzero"))
      state.fill_rule = FillRule::NonZero;
  } else if (name == "transform") {
    apply_transform_list(value, state.matrix);
  }
}

void apply_style_attribute(PaintState& state, std::string_view style) {
  std::size_t pos = 0;
  while (pos <= style.size()) {
    std::size_t end = style.find(';', pos);
    if (end == std::string_view::npos) end = style.size();
    const std::string_view pair = style.substr(pos, end - pos);
    const std::size_t colon = pair.find(':');
    if (colon != std::string_view::npos) {
      // Property names in a style attribute are CSS names: ASCII case-insensitive.
      const std::string_view name = trim_svg_space(pair.substr(0, colon));
      char lower[32];
      if (name.size() <= sizeof lower) {
        for (std::size_t i = 0; i < name.size(); ++i) {
          const char c = name[i];
          lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        apply_paint_property(state, std::string_view(lower, name.size()),
                             trim_svg_space(pair.substr(colon + 1)));
      }
    }
    pos = end + 1;
  }
}

}  // namespace orlan::svg
