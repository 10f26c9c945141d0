// Resolving StyleLength values: px, percent, mixed lengths, indefinite bases.

#include <gtest/gtest.h>

#include "computed_style.h"

namespace orlan {
namespace {

TEST(StyleLength, ResolvesAgainstDefiniteAndIndefiniteBases) {
  struct Case {
    StyleLength length;
    float base;
    float expected;
  };
  const Case cases[] = {
      {StyleLength::px(12), 200, 12},
      {StyleLength::px(12), -1, 12},
      {StyleLength::percent(25), 200, 50},
      {StyleLength::percent(25), -1, -1},  // fallback
      {StyleLength::automatic(), 200, -1},
      {StyleLength::none(), 200, -1},
      {make_mixed_length(-10, 100, MixedOp::kSum), 300, 290},
      {make_mixed_length(-10, 100, MixedOp::kSum), -1, -1},
      {make_mixed_length(50, 10, MixedOp::kMin), 300, 30},
      {make_mixed_length(50, 10, MixedOp::kMin), 1000, 50},
      {make_mixed_length(50, 10, MixedOp::kMax), 300, 50},
      {make_mixed_length(50, 10, MixedOp::kMax), 1000, 100},
      {make_mixed_length(50, 10, MixedOp::kMax), -1, 50},  // px part
  };
  for (const Case& c : cases) {
    EXPECT_FLOAT_EQ(resolve_length(c.length, c.base), c.expected)
        << "unit " << c.length.unit << " base " << c.base;
  }
}

TEST(StyleLength, MixedPercentIsRoundedAndClampedToSixteenBits) {
  EXPECT_FLOAT_EQ(make_mixed_length(0, 33.3f, MixedOp::kSum).mixed_percent(), 2131.0f / 64);
  EXPECT_FLOAT_EQ(make_mixed_length(0, -0.5f / 64, MixedOp::kSum).mixed_percent(), -1.0f / 64);
  EXPECT_FLOAT_EQ(make_mixed_length(0, 1e6f, MixedOp::kSum).mixed_percent(), 32767.0f / 64);
  EXPECT_FLOAT_EQ(make_mixed_length(0, -1e6f, MixedOp::kSum).mixed_percent(), -512.0f);
  StyleLength m = make_mixed_length(3, 1, MixedOp::kMax);
  EXPECT_EQ(m.kind(), kStyleMixed);
  EXPECT_EQ(m.mixed_op(), MixedOp::kMax);
}

TEST(StyleLength, LineHeightIsPxOrAFactorOfTheFontSize) {
  EXPECT_FLOAT_EQ(resolve_line_height(StyleLength::px(19), 13), 19);
  EXPECT_FLOAT_EQ(resolve_line_height({1.5f, kStyleNone}, 12), 18);
}

}  // namespace
}  // namespace orlan
