#include "svg_draw.h"

#include <gtest/gtest.h>

#include "svg_parser.h"

using namespace orlan::svg;

namespace {

std::unique_ptr<VectorImage> parse(std::string_view text) {
  return parse_svg(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

}  // namespace

TEST(SvgDraw, SizeWithoutViewBoxIsStretchedToTheDestination) {
  auto image = parse("<svg width='16' height='16'><path d='M16 16h0'/></svg>");
  ASSERT_NE(image, nullptr);
  const auto m = view_box_transform(*image, {100, 50, 32, 64});
  ASSERT_TRUE(m.has_value());
  const Point far = m->apply({16, 16});
  EXPECT_FLOAT_EQ(far.x, 132);
  EXPECT_FLOAT_EQ(far.y, 114);
  const Point origin = m->apply({0, 0});
  EXPECT_FLOAT_EQ(origin.x, 100);
  EXPECT_FLOAT_EQ(origin.y, 50);
}

TEST(SvgDraw, ViewBoxOriginMovesToTheDestinationCorner) {
  auto image = parse("<svg viewBox='-10 20 40 10'/>");
  ASSERT_NE(image, nullptr);
  const auto m = view_box_transform(*image, {0, 0, 80, 10});
  ASSERT_TRUE(m.has_value());
  const Point p = m->apply({-10, 20});
  EXPECT_FLOAT_EQ(p.x, 0);
  EXPECT_FLOAT_EQ(p.y, 0);
  const Point q = m->apply({30, 30});
  EXPECT_FLOAT_EQ(q.x, 80);
  EXPECT_FLOAT_EQ(q.y, 10);
}

TEST(SvgDraw, EmptyViewBoxDrawsNothing) {
  VectorImage image;
  image.view_width = 0;
  EXPECT_FALSE(view_box_transform(image, {0, 0, 10, 10}).has_value());
}

TEST(SvgDraw, CurrentColourTakesTheTint) {
  auto image = parse("<svg><path d='M0 0h1v1z' fill='currentcolor' fill-opacity='0.5'/></svg>");
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->draws.size(), 1u);
  const RecordPaint paint = resolve_record_paint(image->draws[0], 0xFF3D84DD);
  EXPECT_EQ(paint.fill, 0x803D84DDu);
  EXPECT_EQ(paint.stroke, 0u);
}

TEST(SvgDraw, AlphaMultipliesTheColoursOwnAlpha) {
  EXPECT_EQ(resolve_paint(0x80FF0000, 0.5f, 0), 0x40FF0000u);
  EXPECT_EQ(resolve_paint(0xFF00FF00, 1.0f, 0), 0xFF00FF00u);
  EXPECT_EQ(resolve_paint(0xFF00FF00, 0.0f, 0), 0u);
  EXPECT_EQ(resolve_paint(0, 1.0f, 0xFFFFFFFF), 0u);
  EXPECT_EQ(resolve_paint(kCurrentColour, 1.0f, 0x00FFFFFF), 0u);  // a transparent tint
}

TEST(SvgDraw, StrokeNeedsAWidth) {
  DrawRecord record;
  record.fill = 0;
  record.stroke = 0xFF000000;
  record.stroke_width = 0;
  EXPECT_EQ(resolve_record_paint(record, 0).stroke, 0u);
  record.stroke_width = 0.5f;
  EXPECT_EQ(resolve_record_paint(record, 0).stroke, 0xFF000000u);
}
