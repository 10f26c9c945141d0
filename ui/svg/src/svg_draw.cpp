#include "svg_draw.h"

#include <cmath>

namespace orlan::svg {

std::optional<Matrix> view_box_transform(const VectorImage& image, const Rect& dest) {
  if (!(image.view_width > 0) || !(image.view_height > 0)) return std::nullopt;
  const float sx = dest.width / image.view_width;
  const float sy = dest.height / image.view_height;
  return Matrix::translate(dest.x, dest.y) * Matrix::scale(sx, sy) *
         Matrix::translate(-image.view_x, -image.view_y);
}

std::uint32_t resolve_paint(std::uint32_t colour, float alpha, std::uint32_t tint) {
  if (colour == 0 || !(alpha > 0)) return 0;
  if (colour == kCurrentColour) colour = tint;
  const float a = static_cast<float>(colour >> 24) * std::fmin(alpha, 1.0f);
  const auto byte = static_cast<std::uint32_t>(std::floor(a + 0.5f));
  if (byte == 0) return 0;
  return byte << 24 | (colour & 0x00FFFFFFu);
}

RecordPaint resolve_record_paint(const DrawRecord& record, std::uint32_t tint) {
  RecordPaint paint;
  paint.fill = resolve_paint(record.fill, record.fill_alpha, tint);
  if (record.stroke_width > 0)
    paint.stroke = resolve_paint(record.stroke, record.stroke_alpha, tint);
  return paint;
}

}  // namespace orlan::svg
