#include "svg_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

using namespace orlan::svg;

namespace {

std::unique_ptr<VectorImage> parse(std::string_view text) {
  return parse_svg(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::unique_ptr<VectorImage> parse_ok(std::string_view text) {
  auto image = parse(text);
  EXPECT_NE(image, nullptr) << text;
  return image;
}

void expect_point(const Point& p, float x, float y) {
  EXPECT_NEAR(p.x, x, 1e-3f);
  EXPECT_NEAR(p.y, y, 1e-3f);
}

}  // namespace

TEST(SvgSize, WidthAndHeightWithoutViewBoxMakeTheViewBox) {
  auto image = parse_ok("<svg width='16' height='16px'><path d='M0 0h16v16z'/></svg>");
  EXPECT_EQ(image->width, 16);
  EXPECT_EQ(image->height, 16);
  EXPECT_EQ(image->view_x, 0);
  EXPECT_EQ(image->view_width, 16);
  EXPECT_EQ(image->view_height, 16);
}

TEST(SvgSize, NoSizeAndNoViewBoxIs24) {
  auto image = parse_ok("<svg xmlns='http://www.w3.org/2000/svg'></svg>");
  EXPECT_EQ(image->width, 24);
  EXPECT_EQ(image->height, 24);
  EXPECT_EQ(image->view_width, 24);
  EXPECT_EQ(image->view_height, 24);
}

TEST(SvgSize, ViewBoxGivesMissingOrBadSizes) {
  auto image = parse_ok("<svg viewBox='-5, 10 40 30' width='10em' height='0'/>");
  EXPECT_EQ(image->view_x, -5);
  EXPECT_EQ(image->view_y, 10);
  EXPECT_EQ(image->width, 40);
  EXPECT_EQ(image->height, 30);
  image = parse_ok("<svg viewBox='0 0 40 30' width='80'/>");
  EXPECT_EQ(image->width, 80);
  EXPECT_EQ(image->height, 30);
}

TEST(SvgSize, UnusableViewBoxIsIgnored) {
  for (std::string_view text : {"<svg viewBox='0 0 0 10' width='8' height='9'/>",
                                "<svg viewBox='0 0 10' width='8' height='9'/>",
                                "<svg viewBox='0 0 10 10 10' width='8' height='9'/>",
                                "<svg viewBox='0 0 10 -1' width='8' height='9'/>"}) {
    auto image = parse_ok(text);
    EXPECT_EQ(image->view_width, 8) << text;
    EXPECT_EQ(image->view_height, 9) << text;
  }
}

TEST(SvgSize, FractionalSizeIsKept) {
  auto image = parse_ok("<svg width='0.4' height='7.5'/>");
  EXPECT_FLOAT_EQ(image->width, 0.4f);
  EXPECT_FLOAT_EQ(image->height, 7.5f);
}

TEST(SvgSize, OnlyTheFirstSvgElementSetsTheSize) {
  auto image = parse_ok("<svg width='10' height='20'><svg width='99' height='99'/></svg>");
  EXPECT_EQ(image->width, 10);
  EXPECT_EQ(image->height, 20);
}

TEST(SvgParse, NoSvgElementIsNoImage) {
  EXPECT_EQ(parse(""), nullptr);
  EXPECT_EQ(parse("<g><rect width='1' height='1'/></g>"), nullptr);
  EXPECT_EQ(parse("<!-- <svg> -->"), nullptr);
  EXPECT_EQ(parse("<svg"), nullptr);
}

TEST(SvgShapes, PlainRectangleAndDefaults) {
  auto image = parse_ok("<svg><rect x='1' y='2' width='3' height='4'/></svg>");
  ASSERT_EQ(image->draws.size(), 1u);
  const DrawRecord& r = image->draws[0];
  EXPECT_EQ(r.first_segment, 0u);
  EXPECT_EQ(r.segment_count, 5u);
  EXPECT_EQ(r.fill, 0xFF000000u);
  EXPECT_EQ(r.stroke, 0u);
  EXPECT_EQ(r.fill_alpha, 1);
  EXPECT_EQ(r.stroke_width, 1);
  const auto& s = image->segments;
  EXPECT_EQ(s[0].kind, SegmentKind::MoveTo);
  expect_point(s[0].points[0], 1, 2);
  expect_point(s[1].points[0], 4, 2);
  expect_point(s[2].points[0], 4, 6);
  expect_point(s[3].points[0], 1, 6);
  EXPECT_EQ(s[4].kind, SegmentKind::Close);
}

TEST(SvgShapes, RoundedRectangleRadiiFillInAndAreLimited) {
  // A missing ry takes rx (30) before both are limited: rx to width / 2 = 10, ry to
  // height / 2 = 20.
  auto image = parse_ok("<svg><rect width='20' height='40' rx='30'/></svg>");
  ASSERT_EQ(image->draws.size(), 1u);
  const auto& s = image->segments;
  ASSERT_EQ(s.size(), 10u);
  expect_point(s[0].points[0], 10, 0);
  expect_point(s[1].points[0], 10, 0);
  ASSERT_EQ(s[2].kind, SegmentKind::Cubic);
  expect_point(s[2].points[0], 10 + 5.522847f, 0);
  expect_point(s[2].points[1], 20, 20 - 20 * 0.5522847f);
  expect_point(s[2].points[2], 20, 20);
  expect_point(s[3].points[0], 20, 20);
  expect_point(s[4].points[2], 10, 40);
  expect_point(s[8].points[2], 10, 0);
  EXPECT_EQ(s[9].kind, SegmentKind::Close);
}

TEST(SvgShapes, RectangleNeedsPositiveSize) {
  auto image = parse_ok("<svg><rect width='0' height='4'/><rect width='4'/></svg>");
  EXPECT_TRUE(image->draws.empty());
  EXPECT_TRUE(image->segments.empty());
}

TEST(SvgShapes, CircleAndEllipseStartRightOfTheCentre) {
  auto image = parse_ok(
      "<svg><circle cx='10' cy='20' r='5'/><ellipse cx='1' cy='2' rx='4' ry='2'/>"
      "<circle r='0'/><ellipse rx='3'/></svg>");
  ASSERT_EQ(image->draws.size(), 2u);
  const auto& s = image->segments;
  ASSERT_EQ(s.size(), 12u);
  expect_point(s[0].points[0], 15, 20);
  expect_point(s[1].points[0], 15, 20 + 5 * 0.5522847f);
  expect_point(s[1].points[2], 10, 25);
  expect_point(s[2].points[2], 5, 20);
  expect_point(s[3].points[2], 10, 15);
  expect_point(s[4].points[2], 15, 20);
  expect_point(s[6].points[0], 5, 2);
  expect_point(s[7].points[1], 1 + 4 * 0.5522847f, 4);
  expect_point(s[7].points[2], 1, 4);
}

TEST(SvgShapes, LineIsNeverFilled) {
  auto image = parse_ok(
      "<svg><line x1='1' y1='2' x2='3' y2='4'/>"
      "<line x2='5' stroke='red'/></svg>");
  ASSERT_EQ(image->draws.size(), 1u);
  EXPECT_EQ(image->draws[0].fill, 0u);
  EXPECT_EQ(image->draws[0].stroke, 0xFFFF0000u);
  EXPECT_EQ(image->draws[0].first_segment, 0u);
  ASSERT_EQ(image->segments.size(), 2u);
  expect_point(image->segments[1].points[0], 5, 0);
}

TEST(SvgShapes, PolylineAndPolygonPoints) {
  auto image = parse_ok(
      "<svg><polyline points='0,0 10,0 10,10 7'/>"
      "<polygon points='1 1,2 2 3-3'/></svg>");
  ASSERT_EQ(image->draws.size(), 2u);
  EXPECT_EQ(image->draws[0].segment_count, 3u);
  EXPECT_EQ(image->draws[1].first_segment, 3u);
  EXPECT_EQ(image->draws[1].segment_count, 4u);
  expect_point(image->segments[5].points[0], 3, -3);
  EXPECT_EQ(image->segments[6].kind, SegmentKind::Close);
}

TEST(SvgShapes, UnpaintedShapesAddNothing) {
  auto image = parse_ok(
      "<svg><rect width='5' height='5' fill='none'/>"
      "<path d='M0 0L1 1' fill='none' stroke='none'/>"
      "<circle r='3' fill='transparent'/><use href='#x'/>"
      "<rect width='1' height='1' fill='blue'/></svg>");
  ASSERT_EQ(image->draws.size(), 1u);
  EXPECT_EQ(image->draws[0].first_segment, 0u);
  EXPECT_EQ(image->draws[0].fill, 0xFF0000FFu);
  EXPECT_EQ(image->segments.size(), 5u);
}

TEST(SvgShapes, PathDrawsUntilItsDataBreaks) {
  auto image = parse_ok("<svg><path d='M0 0 L10 0 L10 oops' stroke='#000'/></svg>");
  ASSERT_EQ(image->draws.size(), 1u);
  EXPECT_EQ(image->draws[0].segment_count, 2u);
}

TEST(SvgPaint, GroupsInheritAndClosingTagsRestore) {
  auto image = parse_ok(
      "<svg fill='red'><g fill='lime' stroke='blue' opacity='0.5'>"
      "<g opacity='0.5'><rect width='1' height='1' fill-opacity='0.5'/></g>"
      "<rect width='1' height='1' style='stroke-opacity:0.5'/></g>"
      "<rect width='1' height='1'/></svg>");
  ASSERT_EQ(image->draws.size(), 3u);
  const auto& d = image->draws;
  EXPECT_EQ(d[0].fill, 0xFF00FF00u);
  EXPECT_EQ(d[0].stroke, 0xFF0000FFu);
  EXPECT_FLOAT_EQ(d[0].fill_alpha, 0.125f);
  EXPECT_FLOAT_EQ(d[0].stroke_alpha, 0.25f);
  EXPECT_FLOAT_EQ(d[1].fill_alpha, 0.5f);
  EXPECT_FLOAT_EQ(d[1].stroke_alpha, 0.25f);
  EXPECT_EQ(d[2].fill, 0xFFFF0000u);
  EXPECT_EQ(d[2].stroke, 0u);
  EXPECT_FLOAT_EQ(d[2].fill_alpha, 1);
}

TEST(SvgPaint, AttributesAndStyleApplyInOrder) {
  auto image = parse_ok(
      "<svg><rect width='1' height='1' style='fill:red' fill='blue'/>"
      "<rect width='1' height='1' fill='blue' style='fill: red'/></svg>");
  ASSERT_EQ(image->draws.size(), 2u);
  EXPECT_EQ(image->draws[0].fill, 0xFF0000FFu);
  EXPECT_EQ(image->draws[1].fill, 0xFFFF0000u);
}

TEST(SvgPaint, CurrentColourStaysAMarker) {
  auto image =
      parse_ok("<svg><path d='M0 0h1v1z' fill='currentColor' stroke='currentcolor'/></svg>");
  ASSERT_EQ(image->draws.size(), 1u);
  EXPECT_EQ(image->draws[0].fill, kCurrentColour);
  EXPECT_EQ(image->draws[0].stroke, kCurrentColour);
}

TEST(SvgPaint, StrokeSettingsReachTheRecord) {
  auto image = parse_ok(
      "<svg stroke-linecap='round'><path d='M0 0 L1 1' stroke='#123' "
      "stroke-linejoin='bevel' fill-rule='evenodd' stroke-width='3'/></svg>");
  ASSERT_EQ(image->draws.size(), 1u);
  const DrawRecord& r = image->draws[0];
  EXPECT_EQ(r.stroke, 0xFF112233u);
  EXPECT_EQ(r.cap, LineCap::Round);
  EXPECT_EQ(r.join, LineJoin::Bevel);
  EXPECT_EQ(r.fill_rule, FillRule::EvenOdd);
  EXPECT_FLOAT_EQ(r.stroke_width, 3);
}

TEST(SvgTransforms, GroupAndShapeTransformsCompose) {
  auto image = parse_ok(
      "<svg><g transform='translate(10 20)'>"
      "<rect x='1' y='1' width='2' height='2' transform='scale(3)' stroke='red' "
      "stroke-width='2'/></g><rect width='1' height='1'/></svg>");
  ASSERT_EQ(image->draws.size(), 2u);
  expect_point(image->segments[0].points[0], 13, 23);
  expect_point(image->segments[2].points[0], 19, 29);
  // Stroke width scales with the square root of the determinant: 2 * 3.
  EXPECT_FLOAT_EQ(image->draws[0].stroke_width, 6);
  expect_point(image->segments[5].points[0], 0, 0);
}

TEST(SvgTransforms, NonUniformScaleUsesGeometricMean) {
  auto image = parse_ok("<svg><path d='M0 0 L1 0' stroke='red' transform='scale(2 8)'/></svg>");
  ASSERT_EQ(image->draws.size(), 1u);
  EXPECT_FLOAT_EQ(image->draws[0].stroke_width, 4);
}

TEST(SvgStructure, SkippedElementsDrawNothingIncludingNestedOnes) {
  auto image = parse_ok(
      "<svg><defs><defs></defs><rect width='1' height='1'/><!-- </defs> --></defs>"
      "<linearGradient id='g'><stop offset='0'/></linearGradient>"
      "<text x='1'>Hi <tspan>there</tspan></text><title/>"
      "<clipPath id='c'><circle r='4'/></clipPath>"
      "<rect width='2' height='2'/></svg>");
  ASSERT_EQ(image->draws.size(), 1u);
  expect_point(image->segments[1].points[0], 2, 0);
}

TEST(SvgStructure, SelfClosingSkippedElementSkipsNothing) {
  auto image = parse_ok("<svg><defs/><rect width='2' height='2'/></svg>");
  EXPECT_EQ(image->draws.size(), 1u);
}

TEST(SvgStructure, CommentsDeclarationsAndStrayMarkupAreSkipped) {
  auto image = parse_ok(
      "<?xml version='1.0'?><!DOCTYPE svg><svg>< text a < b <!-- <rect width='9' height='9'/> -->"
      "<![CDATA[ x ]]><rect width='2' height='2' title='a>b' fill=red /></svg>");
  ASSERT_EQ(image->draws.size(), 1u);
  EXPECT_EQ(image->draws[0].fill, 0xFFFF0000u);
}

TEST(SvgStructure, UnbalancedClosingTagsNeverPopTheDefaults) {
  auto image = parse_ok("<svg></g></g></svg></svg><rect width='1' height='1'/>");
  ASSERT_EQ(image->draws.size(), 1u);
  EXPECT_EQ(image->draws[0].fill, 0xFF000000u);
}

TEST(SvgStructure, GroupsBeyondThirtyTwoLevelsAddNoPaintState) {
  // The svg element and 31 groups each move by one; deeper groups are ignored, and their
  // closing tags must not undo the levels that were counted.
  std::string text = "<svg transform='translate(1 0)'>";
  for (int i = 0; i < 40; ++i) text += "<g transform='translate(1 0)'>";
  text += "<rect width='1' height='1'/>";
  for (int i = 0; i < 8; ++i) text += "</g>";
  text += "<rect width='1' height='1'/>";
  for (int i = 0; i < 32; ++i) text += "</g>";
  text += "<rect width='1' height='1'/></svg>";
  auto image = parse_ok(text);
  ASSERT_EQ(image->draws.size(), 3u);
  expect_point(image->segments[0].points[0], 32, 0);
  expect_point(image->segments[5].points[0], 32, 0);
  expect_point(image->segments[10].points[0], 1, 0);
}

TEST(SvgStructure, AttributesBeyondFortyAreIgnored) {
  std::string text = "<svg><rect width='1' height='1'";
  for (int i = 0; i < 38; ++i) text += " data-" + std::to_string(i) + "='x'";
  text += " fill='red'/></svg>";
  auto image = parse_ok(text);
  ASSERT_EQ(image->draws.size(), 1u);
  EXPECT_EQ(image->draws[0].fill, 0xFF000000u);
}

TEST(SvgStructure, UnquotedValuesAndSpacesAroundEquals) {
  auto image = parse_ok("<svg><rect width = 3 height=\"4\" fill = '#00f'></rect></svg>");
  ASSERT_EQ(image->draws.size(), 1u);
  EXPECT_EQ(image->draws[0].fill, 0xFF0000FFu);
  expect_point(image->segments[2].points[0], 3, 4);
}

TEST(SvgLogo, TheApplicationLogoParses) {
  std::ifstream file(std::string(TW_SOURCE_DIR) + "/app/res/logo.svg", std::ios::binary);
  ASSERT_TRUE(file) << "app/res/logo.svg is missing";
  std::stringstream buffer;
  buffer << file.rdbuf();
  const std::string text = buffer.str();
  EXPECT_GT(text.size(), 5000u);
  EXPECT_LT(text.size(), 9000u);
  auto image = parse(text);
  ASSERT_NE(image, nullptr);
  EXPECT_GT(image->draws.size(), 10u);
  EXPECT_GT(image->width, 0);
  EXPECT_GT(image->height, 0);
  // Every point lies inside the view box (with room for stroke widths).
  for (const PathSegment& s : image->segments) {
    const int points = s.kind == SegmentKind::Cubic   ? 3
                       : s.kind == SegmentKind::Quad  ? 2
                       : s.kind == SegmentKind::Close ? 0
                                                      : 1;
    for (int i = 0; i < points; ++i) {
      EXPECT_GE(s.points[i].x, image->view_x - 4);
      EXPECT_LE(s.points[i].x, image->view_x + image->view_width + 4);
      EXPECT_GE(s.points[i].y, image->view_y - 4);
      EXPECT_LE(s.points[i].y, image->view_y + image->view_height + 4);
    }
  }
}
