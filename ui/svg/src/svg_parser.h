#pragma once

// The SVG reader: a small static subset (svg, g, path, rect, circle, ellipse, line,
// polyline, polygon; presentation attributes, inline style, transforms) turned into a
// VectorImage. Everything else is skipped; malformed markup is skipped tag by tag.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "vector_image.h"

namespace orlan::svg {

// Open groups (the svg element counts) that get paint settings of their own; groups
// nested deeper draw with the settings of the deepest one that did.
inline constexpr int kMaxGroupDepth = 32;
// Attributes read from one start tag; later ones are skipped.
inline constexpr int kMaxAttributes = 40;

// The parsed image, or null when the text has no "svg" element or memory ran out.
std::unique_ptr<VectorImage> parse_svg(const std::uint8_t* bytes, std::size_t length);

}  // namespace orlan::svg
