#include "svg_number.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace orlan::svg;

namespace {

// Reads every number of the text with separators in between.
std::vector<float> numbers(std::string_view text) {
  std::vector<float> out;
  std::size_t pos = 0;
  float v = 0;
  while (read_number(text, pos, v)) out.push_back(v);
  return out;
}

}  // namespace

TEST(SvgNumber, ReadsSignsFractionsAndExponents) {
  EXPECT_EQ(numbers("+3 -.5e-1 2.25E2 7"), (std::vector<float>{3, -0.05f, 225, 7}));
}

TEST(SvgNumber, SecondPointStartsTheNextNumber) {
  EXPECT_EQ(numbers(".5.25-1"), (std::vector<float>{0.5f, 0.25f, -1}));
}

TEST(SvgNumber, ExponentWithoutDigitsIsNotPartOfTheNumber) {
  std::size_t pos = 0;
  float v = 0;
  ASSERT_TRUE(read_number_at("12e", pos, v));
  EXPECT_EQ(v, 12);
  EXPECT_EQ(pos, 2u);
  pos = 0;
  ASSERT_TRUE(read_number_at("1.x", pos, v));
  EXPECT_EQ(v, 1);
  EXPECT_EQ(pos, 1u);
}

TEST(SvgNumber, LoneSignOrPointIsNoNumber) {
  for (std::string_view text : {"-", "+.", ".", "e5", ""}) {
    std::size_t pos = 0;
    float v = 42;
    EXPECT_FALSE(read_number_at(text, pos, v)) << text;
    EXPECT_EQ(pos, 0u) << text;
    EXPECT_EQ(v, 42) << text;
  }
}

TEST(SvgNumber, HugeExponentsStayFinite) {
  std::size_t pos = 0;
  float v = 0;
  ASSERT_TRUE(read_number_at("1e999", pos, v));
  EXPECT_TRUE(std::isfinite(v));
  EXPECT_GT(v, 1e38f);
  pos = 0;
  ASSERT_TRUE(read_number_at("-1e-999", pos, v));
  EXPECT_EQ(v, 0);
}

TEST(SvgNumber, NumberWithPxOnly) {
  EXPECT_EQ(parse_number_px(" 16px "), 16.0f);
  EXPECT_EQ(parse_number_px("2.5"), 2.5f);
  EXPECT_FALSE(parse_number_px("16em").has_value());
  EXPECT_FALSE(parse_number_px("50%").has_value());
  EXPECT_FALSE(parse_number_px("px").has_value());
  EXPECT_EQ(parse_leading_number("12.5em"), 12.5f);
  EXPECT_FALSE(parse_leading_number("auto").has_value());
}
