#include "svg_transform.h"

#include <gtest/gtest.h>

using namespace orlan::svg;

namespace {

Point map(std::string_view transform, Point p) {
  Matrix m;
  EXPECT_TRUE(apply_transform_list(transform, m)) << transform;
  return m.apply(p);
}

void expect_point(Point p, float x, float y) {
  EXPECT_NEAR(p.x, x, 1e-4f);
  EXPECT_NEAR(p.y, y, 1e-4f);
}

}  // namespace

TEST(SvgTransform, FirstFunctionIsOutermost) {
  expect_point(map("translate(10) scale(2)", {1, 1}), 12, 2);
  expect_point(map("scale(2) translate(10)", {1, 1}), 22, 2);
}

TEST(SvgTransform, DefaultsOfOptionalArguments) {
  expect_point(map("translate(5)", {1, 1}), 6, 1);
  expect_point(map("scale(3)", {1, 2}), 3, 6);
  expect_point(map("scale(3 -1)", {1, 2}), 3, -2);
}

TEST(SvgTransform, RotateInDegreesAboutAPoint) {
  expect_point(map("rotate(90)", {1, 0}), 0, 1);
  expect_point(map("rotate(90 10 10)", {20, 10}), 10, 20);
  expect_point(map("rotate(-45)", {2, 0}), 1.41421f, -1.41421f);
}

TEST(SvgTransform, SkewsAndMatrix) {
  expect_point(map("skewX(45)", {0, 10}), 10, 10);
  expect_point(map("skewY(45)", {10, 0}), 10, 10);
  expect_point(map("matrix(1,2,3,4,5,6)", {1, 1}), 9, 12);
}

TEST(SvgTransform, SeparatorsAreSpacesOrCommas) {
  expect_point(map(" translate( 1 , 2 ) ,scale(2,3)", {1, 1}), 3, 5);
  expect_point(map("translate(1-2)", {0, 0}), 1, -2);
}

TEST(SvgTransform, UnusableFunctionsAreSkipped) {
  // matrix needs exactly six numbers; rotate one or three; unknown names add nothing.
  expect_point(map("matrix(1,2,3,4,5) translate(1,1)", {0, 0}), 1, 1);
  expect_point(map("rotate(90 1) translate(1,1)", {0, 0}), 1, 1);
  expect_point(map("wobble(3) translate(2)", {0, 0}), 2, 0);
  expect_point(map("translate(1 2 3 4 5 6 7) translate(2)", {0, 0}), 2, 0);
}

TEST(SvgTransform, BrokenListLeavesMatrixUnchanged) {
  for (std::string_view text : {"translate(10", "translate 10", "scale(x)", "(1)"}) {
    Matrix m = Matrix::translate(1, 2);
    EXPECT_FALSE(apply_transform_list(text, m)) << text;
    expect_point(m.apply({0, 0}), 1, 2);
  }
}

TEST(SvgTransform, ComposesOntoExistingMatrix) {
  Matrix m = Matrix::scale(2, 2);
  ASSERT_TRUE(apply_transform_list("translate(3 4)", m));
  expect_point(m.apply({1, 1}), 8, 10);
  EXPECT_FLOAT_EQ(m.determinant(), 4);
}
