#pragma once

// What drawing a vector image needs beyond its geometry: where the view box lands in the
// destination, and the colour each fill or stroke is painted with.

#include <cstdint>
#include <optional>

#include "svg_transform.h"
#include "vector_image.h"

namespace orlan::svg {

struct Rect {
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;
};

// Maps the view box onto `dest`, x and y scaled independently (no aspect-ratio
// preservation). None when the view box is empty: the image then draws nothing.
std::optional<Matrix> view_box_transform(const VectorImage& image, const Rect& dest);

// The ARGB colour to paint with, or 0 when nothing is painted: the record's colour (the
// current-colour marker replaced by `tint`, the colour of the element showing the image)
// with its alpha multiplied by `alpha`.
std::uint32_t resolve_paint(std::uint32_t colour, float alpha, std::uint32_t tint);

// The fill and stroke colours of one record (0: that part is not drawn).
struct RecordPaint {
  std::uint32_t fill = 0;
  std::uint32_t stroke = 0;
};
RecordPaint resolve_record_paint(const DrawRecord& record, std::uint32_t tint);

}  // namespace orlan::svg
