#include "svg_paint_state.h"
#include "svg_paint_value.h"

#include <gtest/gtest.h>

using namespace orlan::svg;

TEST(SvgColour, HexForms) {
  EXPECT_EQ(parse_css_colour("#abc"), 0xFFAABBCCu);
  EXPECT_EQ(parse_css_colour("#0008"), 0x88000000u);
  EXPECT_EQ(parse_css_colour("#3D84DD"), 0xFF3D84DDu);
  EXPECT_EQ(parse_css_colour("#3d84dd80"), 0x803D84DDu);
  EXPECT_FALSE(parse_css_colour("#12345").has_value());
  EXPECT_FALSE(parse_css_colour("#ggg").has_value());
}

TEST(SvgColour, NamesAreCaseInsensitive) {
  EXPECT_EQ(parse_css_colour("RED"), 0xFFFF0000u);
  EXPECT_EQ(parse_css_colour(" rebeccapurple "), 0xFF663399u);
  EXPECT_EQ(parse_css_colour("yellowgreen"), 0xFF9ACD32u);
  EXPECT_EQ(parse_css_colour("aliceblue"), 0xFFF0F8FFu);
  EXPECT_FALSE(parse_css_colour("reddish").has_value());
}

TEST(SvgColour, KeywordsTransparentAndCurrentColour) {
  EXPECT_EQ(parse_css_colour("transparent"), 0u);
  EXPECT_EQ(parse_css_colour("currentColor"), kCurrentColour);
}

TEST(SvgColour, RgbAndHslFunctions) {
  EXPECT_EQ(parse_css_colour("rgb(100%, 0, 0, 50%)"), 0x80FF0000u);
  EXPECT_EQ(parse_css_colour("rgba(10 20 300 / 0.25)"), 0x400A14FFu);
  EXPECT_EQ(parse_css_colour("rgb(12.5, 0, -4)"), 0xFF0D0000u);
  EXPECT_EQ(parse_css_colour("hsl(120, 100%, 25%)"), 0xFF008000u);
  EXPECT_EQ(parse_css_colour("hsl(-240deg 100% 50% / 1)"), 0xFF00FF00u);
  EXPECT_FALSE(parse_css_colour("rgb(1, 2)").has_value());
  EXPECT_FALSE(parse_css_colour("rgb(1, 2, 3").has_value());
  EXPECT_FALSE(parse_css_colour("lab(1 2 3)").has_value());
}

TEST(SvgPaintState, PaintsNoneAndUnparsableValues) {
  PaintState s;
  apply_paint_property(s, "fill", "none");
  EXPECT_EQ(s.fill, 0u);
  apply_paint_property(s, "stroke", "#fff");
  EXPECT_EQ(s.stroke, 0xFFFFFFFFu);
  apply_paint_property(s, "stroke", "url(#gradient)");
  EXPECT_EQ(s.stroke, 0xFFFFFFFFu);
  apply_paint_property(s, "fill", "currentcolor");
  EXPECT_EQ(s.fill, kCurrentColour);
}

TEST(SvgPaintState, OpacityMultipliesOthersReplaceAndClamp) {
  PaintState s;
  apply_paint_property(s, "opacity", "0.5");
  apply_paint_property(s, "opacity", "0.5");
  EXPECT_FLOAT_EQ(s.opacity, 0.25f);
  apply_paint_property(s, "fill-opacity", "0.3");
  apply_paint_property(s, "fill-opacity", "0.6");
  EXPECT_FLOAT_EQ(s.fill_opacity, 0.6f);
  apply_paint_property(s, "stroke-opacity", "7");
  EXPECT_FLOAT_EQ(s.stroke_opacity, 1);
  apply_paint_property(s, "stroke-opacity", "-2");
  EXPECT_FLOAT_EQ(s.stroke_opacity, 0);
  apply_paint_property(s, "opacity", "half");
  EXPECT_FLOAT_EQ(s.opacity, 0.25f);
}

TEST(SvgPaintState, StrokeSettings) {
  PaintState s;
  apply_paint_property(s, "stroke-width", "2.5px");
  EXPECT_FLOAT_EQ(s.stroke_width, 2.5f);
  apply_paint_property(s, "stroke-width", "-1");
  EXPECT_FLOAT_EQ(s.stroke_width, 2.5f);
  apply_paint_property(s, "stroke-linecap", "round");
  apply_paint_property(s, "stroke-linecap", "wobbly");
  EXPECT_EQ(s.cap, LineCap::Round);
  apply_paint_property(s, "stroke-linejoin", "bevel");
  EXPECT_EQ(s.join, LineJoin::Bevel);
  apply_paint_property(s, "fill-rule", "evenodd");
  EXPECT_EQ(s.fill_rule, FillRule::EvenOdd);
  apply_paint_property(s, "fill-rule", "odd");
  EXPECT_EQ(s.fill_rule, FillRule::EvenOdd);
}

TEST(SvgPaintState, StyleAttributePairsInOrder) {
  PaintState s;
  apply_style_attribute(s, " fill : #f00 ;stroke:\tblue;;bogus;stroke-width:\r\n3 ; fill:lime");
  EXPECT_EQ(s.fill, 0xFF00FF00u);
  EXPECT_EQ(s.stroke, 0xFF0000FFu);
  EXPECT_FLOAT_EQ(s.stroke_width, 3);
  apply_style_attribute(s, "FILL: Navy; Stroke-Width: 0.5");
  EXPECT_EQ(s.fill, 0xFF000080u);
  EXPECT_FLOAT_EQ(s.stroke_width, 0.5f);
}

TEST(SvgPaintState, TransformMultipliesIntoTheMatrix) {
  PaintState s;
  apply_paint_property(s, "transform", "translate(5 0)");
  apply_paint_property(s, "transform", "scale(2)");
  const Point p = s.matrix.apply({1, 1});
  EXPECT_FLOAT_EQ(p.x, 7);
  EXPECT_FLOAT_EQ(p.y, 2);
}
