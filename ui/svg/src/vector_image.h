#pragma once

// A parsed SVG image: path segments in image coordinates, draw records that paint runs
// of those segments, and the image's intrinsic size and view box.

#include <cstdint>
#include <vector>

namespace orlan::svg {

struct Point {
  float x = 0;
  float y = 0;
};

enum class SegmentKind : std::uint8_t {
  MoveTo = 0,  // points[0]
  LineTo = 1,  // points[0]
  Cubic = 2,   // points[0], points[1] control points, points[2] end point
  Quad = 3,    // points[0] control point, points[1] end point
  Close = 4,   // no points
};

// Points are already transformed into image (view box) coordinates.
struct PathSegment {
  SegmentKind kind = SegmentKind::MoveTo;
  Point points[3];
};

enum class LineCap : std::uint8_t { Butt = 0, Round = 1, Square = 2 };
enum class LineJoin : std::uint8_t { Miter = 0, Round = 1, Bevel = 2 };
enum class FillRule : std::uint8_t { NonZero = 0, EvenOdd = 1 };

// A colour of 0 means "no paint"; this one stands for the colour of the element that
// shows the image and is replaced when drawing.
inline constexpr std::uint32_t kCurrentColour = 0x00FFFFFE;

// One shape: segments [first_segment, first_segment + segment_count) filled and/or
// stroked. Colours are 0xAARRGGBB; the alphas multiply the colours' own alpha.
struct DrawRecord {
  std::uint32_t first_segment = 0;
  std::uint32_t segment_count = 0;
  std::uint32_t fill = 0;
  std::uint32_t stroke = 0;
  float fill_alpha = 1;
  float stroke_alpha = 1;
  float stroke_width = 1;  // already scaled by the shape's transform
  LineCap cap = LineCap::Butt;
  LineJoin join = LineJoin::Miter;
  FillRule fill_rule = FillRule::NonZero;
};
static_assert(sizeof(DrawRecord) == 32);

struct VectorImage {
  float width = 24;  // intrinsic size in CSS pixels
  float height = 24;
  float view_x = 0;
  float view_y = 0;
  float view_width = 24;
  float view_height = 24;
  std::vector<PathSegment> segments;
  std::vector<DrawRecord> draws;
};

}  // namespace orlan::svg
