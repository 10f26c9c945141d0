#include "svg_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace orlan::svg;

namespace {

std::vector<PathSegment> parse(std::string_view d, const Matrix& m = {}) {
  std::vector<PathSegment> out;
  PathWriter writer(out, m);
  parse_path_data(d, writer);
  return out;
}

std::string fmt(float v) {
  if (std::fabs(v) < 5e-4f) v = 0;  // no "-0"
  std::ostringstream s;
  s.precision(6);
  s << std::round(v * 1000) / 1000;
  return s.str();
}

// One line per segment: "M x,y", "L x,y", "C x,y x,y x,y", "Q x,y x,y", "Z".
std::string dump(const std::vector<PathSegment>& segments) {
  std::string out;
  for (const PathSegment& s : segments) {
    if (!out.empty()) out += '\n';
    auto pt = [&](int i) { return fmt(s.points[i].x) + "," + fmt(s.points[i].y); };
    switch (s.kind) {
      case SegmentKind::MoveTo:
        out += "M " + pt(0);
        break;
      case SegmentKind::LineTo:
        out += "L " + pt(0);
        break;
      case SegmentKind::Cubic:
        out += "C " + pt(0) + " " + pt(1) + " " + pt(2);
        break;
      case SegmentKind::Quad:
        out += "Q " + pt(0) + " " + pt(1);
        break;
      case SegmentKind::Close:
        out += "Z";
        break;
    }
  }
  return out;
}

}  // namespace

TEST(SvgPathData, AbsoluteLinesAndAxisLines) {
  EXPECT_EQ(dump(parse("M10 20 L30 40 H50 V60 Z")), "M 10,20\nL 30,40\nL 50,40\nL 50,60\nZ");
}

TEST(SvgPathData, RelativeCommandsStartFromCurrentPoint) {
  EXPECT_EQ(dump(parse("m10 20 l5 5 h-10 v3 z")), "M 10,20\nL 15,25\nL 5,25\nL 5,28\nZ");
  EXPECT_EQ(dump(parse("M1 1 c1 2 3 4 5 6 q1 1 2 0")), "M 1,1\nC 2,3 4,5 6,7\nQ 7,8 8,7");
}

TEST(SvgPathData, RepeatedMoveContinuesAsLine) {
  // One move followed by two coordinate pairs draws a line between them.
  EXPECT_EQ(dump(parse("M10 10 20 20 30 10")), "M 10,10\nL 20,20\nL 30,10");
  EXPECT_EQ(dump(parse("m10 10 5 5 5 -5")), "M 10,10\nL 15,15\nL 20,10");
}

TEST(SvgPathData, NumbersRepeatThePreviousCommand) {
  EXPECT_EQ(dump(parse("M0 0 L1 1 2 2h3 4v-1-1")),
            "M 0,0\nL 1,1\nL 2,2\nL 5,2\nL 9,2\nL 9,1\nL 9,0");
  EXPECT_EQ(dump(parse("M0 0 C1 1 2 2 3 3 4 4 5 5 6 6")), "M 0,0\nC 1,1 2,2 3,3\nC 4,4 5,5 6,6");
}

TEST(SvgPathData, SmoothCubicReflectsOnlyAfterCubic) {
  EXPECT_EQ(dump(parse("M0 0 C0 10 10 10 10 0 S20 -10 20 0")),
            "M 0,0\nC 0,10 10,10 10,0\nC 10,-10 20,-10 20,0");
  // After a line the first control point is the current point.
  EXPECT_EQ(dump(parse("M0 0 L10 0 S20 10 30 0")), "M 0,0\nL 10,0\nC 10,0 20,10 30,0");
  // s reflects the previous s too.
  EXPECT_EQ(dump(parse("M0 0 s5 5 10 0 s5 5 10 0")), "M 0,0\nC 0,0 5,5 10,0\nC 15,-5 15,5 20,0");
}

TEST(SvgPathData, SmoothQuadraticReflectsOnlyAfterQuadratic) {
  EXPECT_EQ(dump(parse("M0 0 Q5 10 10 0 T20 0 t10 0")),
            "M 0,0\nQ 5,10 10,0\nQ 15,-10 20,0\nQ 25,10 30,0");
  EXPECT_EQ(dump(parse("M0 0 C1 1 2 2 3 3 T10 0")), "M 0,0\nC 1,1 2,2 3,3\nQ 3,3 10,0");
}

TEST(SvgPathData, CloseReturnsToSubpathStart) {
  EXPECT_EQ(dump(parse("M10 10 L20 10 Z l5 5")), "M 10,10\nL 20,10\nZ\nM 10,10\nL 15,15");
  EXPECT_EQ(dump(parse("M0 0 L1 1 z m1 1 l1 0")), "M 0,0\nL 1,1\nZ\nM 1,1\nL 2,1");
}

TEST(SvgPathData, ReadingStopsAtBadDataKeepingEarlierSegments) {
  EXPECT_EQ(dump(parse("M0 0 L10 10 L20")), "M 0,0\nL 10,10");
  EXPECT_EQ(dump(parse("M0 0 L10 10 X 5 5")), "M 0,0\nL 10,10");
  EXPECT_EQ(dump(parse("M0 0 L1 1 Z 5 5")), "M 0,0\nL 1,1\nZ");
  EXPECT_EQ(dump(parse("10 10 L 20 20")), "");
  EXPECT_EQ(dump(parse("L 20 20")), "");
  EXPECT_EQ(dump(parse("M 0 0 A 5 5 0 2 1 10 0")), "M 0,0");
}

TEST(SvgPathData, SemicircleArcAsTwoQuarterPieces) {
  // Sweep 1 goes through the top (y grows downwards); each quarter uses 4/3 tan(pi/8).
  EXPECT_EQ(dump(parse("M0 0 A10 10 0 0 1 20 0")),
            "M 0,0\nC 0,-5.523 4.477,-10 10,-10\nC 15.523,-10 20,-5.523 20,0");
  EXPECT_EQ(dump(parse("M0 0 A10 10 0 0 0 20 0")),
            "M 0,0\nC 0,5.523 4.477,10 10,10\nC 15.523,10 20,5.523 20,0");
}

TEST(SvgPathData, ArcFlagsNeedNoSeparator) {
  EXPECT_EQ(dump(parse("M0 0a10 10 0 0120 0")), dump(parse("M0 0 A10 10 0 0 1 20 0")));
  EXPECT_EQ(dump(parse("M0 0a10,10,0,1,1,20,0")), dump(parse("M0 0 A10 10 0 1 1 20 0")));
}

TEST(SvgPathData, TooSmallRadiiGrowToReachTheEnd) {
  EXPECT_EQ(dump(parse("M0 0 A1 1 0 0 1 20 0")), dump(parse("M0 0 A10 10 0 0 1 20 0")));
  EXPECT_EQ(dump(parse("M0 0 A-10 -10 0 0 1 20 0")), dump(parse("M0 0 A10 10 0 0 1 20 0")));
}

TEST(SvgPathData, LargeArcTakesThreeQuarters) {
  // From (0,0) to (10,-10) on a radius of 10 with sweep 0 (angles decreasing): the large arc
  // is centred on (10,0) and turns from 180 to -90 degrees through (10,10) and (20,0).
  const auto segments = parse("M0 0 A10 10 0 1 0 10 -10");
  ASSERT_EQ(segments.size(), 4u);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(segments[i].kind, SegmentKind::Cubic);
  EXPECT_NEAR(segments[1].points[2].x, 10, 1e-3);
  EXPECT_NEAR(segments[1].points[2].y, 10, 1e-3);
  EXPECT_NEAR(segments[2].points[2].x, 20, 1e-3);
  EXPECT_NEAR(segments[2].points[2].y, 0, 1e-3);
  EXPECT_EQ(segments[3].points[2].x, 10);
  EXPECT_EQ(segments[3].points[2].y, -10);
  // The small arc with the same sweep is the quarter about (0,-10).
  EXPECT_EQ(dump(parse("M0 0 A10 10 0 0 0 10 -10")), "M 0,0\nC 5.523,0 10,-4.477 10,-10");
}

TEST(SvgPathData, RotatedArcEndsExactlyAtItsEndPoint) {
  const auto segments = parse("M3 7 A30 10 33 0 1 41.5 -12.25");
  ASSERT_GE(segments.size(), 2u);
  EXPECT_EQ(segments.back().points[2].x, 41.5f);
  EXPECT_EQ(segments.back().points[2].y, -12.25f);
}

TEST(SvgPathData, DegenerateArcs) {
  EXPECT_EQ(dump(parse("M5 5 A10 10 0 0 1 5 5 L6 6")), "M 5,5\nL 6,6");
  EXPECT_EQ(dump(parse("M5 5 A0 10 0 0 1 15 5")), "M 5,5\nL 15,5");
}

TEST(SvgPathData, PointsAreStoredTransformed) {
  EXPECT_EQ(dump(parse("M1 2 L3 4 Q5 6 7 8", Matrix::translate(10, 0) * Matrix::scale(2, 2))),
            "M 12,4\nL 16,8\nQ 20,12 24,16");
}
