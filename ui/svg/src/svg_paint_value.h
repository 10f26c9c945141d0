#pragma once

// Values of paint properties ("fill", "stroke"): the one place where SVG paint values meet
// the CSS value grammar.

#include <cstdint>
#include <optional>
#include <string_view>

namespace orlan::svg {

// A CSS colour as 0xAARRGGBB: hex forms, named colours, rgb()/rgba(), hsl()/hsla(),
// `transparent` (0) and `currentcolor` (kCurrentColour). None when it does not parse.
std::optional<std::uint32_t> parse_css_colour(std::string_view text);

}  // namespace orlan::svg
