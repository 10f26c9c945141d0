// Timing functions, the animatable property table, and blending of captured values.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "animatable.h"
#include "timing.h"

namespace orlan::anim {
namespace {

css::TimingFunction steps(int n, css::StepPosition position) {
  css::TimingFunction f;
  f.kind = css::TimingKind::Steps;
  f.steps = n;
  f.step_position = position;
  return f;
}

css::TimingFunction keyword(css::TimingKind kind) {
  css::TimingFunction f;
  f.kind = kind;
  return f;
}

TEST(Timing, NamedCurvesAndStepPositions) {
  using css::StepPosition;
  using css::TimingKind;
  struct Case {
    const char* name;
    css::TimingFunction f;
    double x;
    double y;
  } cases[] = {
      {"linear", keyword(TimingKind::Linear), 0.3, 0.3},
      {"linear clamps below", keyword(TimingKind::Linear), -2, 0},
      {"linear clamps above", keyword(TimingKind::Linear), 7, 1},
      {"linear NaN", keyword(TimingKind::Linear), std::nan(""), 0},
      // Reference points of the standard curves.
      {"ease half", keyword(TimingKind::Ease), 0.5, 0.8024},
      {"ease-in half", keyword(TimingKind::EaseIn), 0.5, 0.3153},
      {"ease-out half", keyword(TimingKind::EaseOut), 0.5, 0.6847},
      {"ease-in-out half", keyword(TimingKind::EaseInOut), 0.5, 0.5},
      {"ease end", keyword(TimingKind::Ease), 1, 1},
      {"ease start", keyword(TimingKind::Ease), 0, 0},
      {"steps(4) end", steps(4, StepPosition::End), 0.3, 0.25},
      {"steps(4) end at 1", steps(4, StepPosition::End), 1, 1},
      {"steps(4) start", steps(4, StepPosition::Start), 0.3, 0.5},
      {"steps(4) start at 0", steps(4, StepPosition::Start), 0, 0.25},
      {"steps(4) start never above 1", steps(4, StepPosition::Start), 1, 1},
      {"steps(3) none", steps(3, StepPosition::None), 0.5, 0.5},
      {"steps(3) none at 1", steps(3, StepPosition::None), 1, 1},
      {"steps(3) both", steps(3, StepPosition::Both), 0.5, 0.5},
      {"steps(3) both at 0", steps(3, StepPosition::Both), 0, 0.25},
      {"steps(0) acts as one step", steps(0, StepPosition::End), 0.9, 0},
      {"steps(1, jump-none) acts as two", steps(1, StepPosition::None), 0.6, 1},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(ease(c.f, c.x), c.y, 0.002) << c.name;
  }
}

TEST(Timing, CubicBezierOvershootsAndStaysFinite) {
  css::TimingFunction f;
  f.kind = css::TimingKind::CubicBezier;
  f.bezier[0] = 0.2f;
  f.bezier[1] = 1.8f;
  f.bezier[2] = 0.2f;
  f.bezier[3] = 1;
  double peak = 0;
  for (int i = 0; i <= 100; ++i) peak = std::max(peak, ease(f, i / 100.0));
  EXPECT_GT(peak, 1.05);
  // x control points outside 0..1 make no monotonic curve; bisection still ends.
  f.bezier[0] = 5;
  f.bezier[2] = -5;
  for (int i = 0; i <= 10; ++i) EXPECT_TRUE(std::isfinite(ease(f, i / 10.0)));
}

TEST(AnimatableTable, FortyTwoRowsInOrderWithTheirEffects) {
  auto rows = animatable_properties();
  ASSERT_EQ(rows.size(), 42u);
  std::string summary;
  for (const AnimatableProperty& r : rows) {
    summary += std::string(css::property_name(static_cast<css::PropertyId>(r.property)));
    summary += ":" + std::to_string(static_cast<int>(r.kind));
    summary += r.affects_layout ? "L" : "";
    summary += r.affects_descendants ? "D" : "";
    summary += " ";
  }
  EXPECT_EQ(summary,
            "width:1L height:1L min-width:1L min-height:1L max-width:1L max-height:1L "
            "margin-top:1L margin-right:1L margin-bottom:1L margin-left:1L padding-top:1L "
            "padding-right:1L padding-bottom:1L padding-left:1L top:1L right:1L bottom:1L "
            "left:1L flex-grow:0L flex-shrink:0L flex-basis:1L row-gap:1L column-gap:1L "
            "border-top-width:0L border-right-width:0L border-bottom-width:0L "
            "border-left-width:0L font-size:0LD font-weight:0LD line-height:1LD color:2D "
            "background-color:2 border-top-color:2 border-right-color:2 "
            "border-bottom-color:2 border-left-color:2 border-top-left-radius:1 "
            "border-top-right-radius:1 border-bottom-right-radius:1 "
            "border-bottom-left-radius:1 opacity:0 transform:3 ");
  EXPECT_EQ(find_animatable(static_cast<int>(css::PropertyId::Display)), nullptr);
  EXPECT_EQ(find_animatable(-1), nullptr);
  EXPECT_EQ(find_animatable(5000), nullptr);
}

// Every row reads and writes its own field and no other.
TEST(AnimatableTable, EachRowWritesItsOwnField) {
  for (const AnimatableProperty& row : animatable_properties()) {
    ComputedStyle style;
    ComputedStyle before = style;
    AnimatedValue v = capture_value(style, row);
    v.number = v.number > 0.5f ? v.number / 2 : v.number + 0.25f;  // stays in every range
    v.length.value += 3;
    v.color ^= 0x00102030;
    css::TransformOp op;
    op.kind = css::TransformKind::Rotate;
    op.arg_count = 1;
    op.args[0] = {45, css::kUnitNone};
    v.transforms[0] = op;
    v.transform_count = 1;
    css::TransformOp storage[kMaxCapturedTransforms];
    write_value(style, row, v, storage);
    AnimatedValue back = capture_value(style, row);
    EXPECT_TRUE(values_equal(row.kind, back, v)) << row.property;
    // Restoring the field alone must give back the initial record.
    write_value(style, row, capture_value(before, row), storage);
    EXPECT_TRUE(styles_equal(style, before)) << row.property;
  }
}

TEST(Interpolate, PremultipliedColourMidpoint) {
  // Transparent to opaque red: red at half alpha, not a darkened red.
  EXPECT_EQ(blend_colors(0x00000000, 0xFFFF0000, 0.5), 0x80FF0000u);
  // Opaque colours blend channel by channel.
  EXPECT_EQ(blend_colors(0xFF000000, 0xFFFFFFFF, 0.5), 0xFF808080u);
  EXPECT_EQ(blend_colors(0xFFBDBDC4, 0xFFFFFFFF, 0.0), 0xFFBDBDC4u);
  EXPECT_EQ(blend_colors(0xFFBDBDC4, 0xFFFFFFFF, 1.0), 0xFFFFFFFFu);
  // Half-transparent blue to opaque red weighs red by its larger alpha.
  EXPECT_EQ(blend_colors(0x800000FF, 0xFFFF0000, 0.5), 0xC0AA0055u);
  // Both ends transparent: nothing to show.
  EXPECT_EQ(blend_colors(0x00FF0000, 0x0000FF00, 0.5), 0u);
  // Overshoot clamps instead of wrapping.
  EXPECT_EQ(blend_colors(0xFF000000, 0xFFFFFFFF, 1.5) & 0x00FFFFFF, 0x00FFFFFFu);
}

AnimatedValue length(float v, std::uint32_t unit) {
  AnimatedValue a;
  a.length = {v, unit};
  return a;
}

TEST(Interpolate, LengthsOnlyWithinOneSimpleUnit) {
  auto mid = interpolate(ValueKind::kLength, length(10, kStylePx), length(30, kStylePx), 0.25);
  EXPECT_EQ(mid.length, (StyleLength{15, kStylePx}));
  mid = interpolate(ValueKind::kLength, length(0, kStylePercent), length(50, kStylePercent), 0.5);
  EXPECT_EQ(mid.length, (StyleLength{25, kStylePercent}));
  // px against percent, and auto, switch at the halfway point.
  auto px = length(10, kStylePx), pc = length(50, kStylePercent), au = length(0, kStyleAuto);
  EXPECT_FALSE(interpolable(ValueKind::kLength, px, pc));
  EXPECT_EQ(interpolate(ValueKind::kLength, px, pc, 0.49).length, px.length);
  EXPECT_EQ(interpolate(ValueKind::kLength, px, pc, 0.5).length, pc.length);
  EXPECT_FALSE(interpolable(ValueKind::kLength, au, au));
  StyleLength mixed = make_mixed_length(4, 50, MixedOp::kSum);
  EXPECT_FALSE(interpolable(ValueKind::kLength, length(mixed.value, mixed.unit),
                            length(mixed.value, mixed.unit)));
}

css::TransformOp op(css::TransformKind kind, std::initializer_list<css::CssLength> args) {
  css::TransformOp o;
  o.kind = kind;
  for (const auto& a : args) o.args[o.arg_count++] = a;
  return o;
}

AnimatedValue list(std::initializer_list<css::TransformOp> ops) {
  AnimatedValue v;
  for (const auto& o : ops) v.transforms[v.transform_count++] = o;
  return v;
}

TEST(Interpolate, TransformListsFunctionByFunction) {
  using css::TransformKind;
  constexpr css::CssLength px0{0, css::kUnitPx};
  auto a = list({op(TransformKind::Translate, {{10, css::kUnitPx}, {0, css::kUnitPx}}),
                 op(TransformKind::Rotate, {{0, css::kUnitNone}})});
  auto b = list({op(TransformKind::Translate, {{30, css::kUnitPx}, {20, css::kUnitPx}}),
                 op(TransformKind::Rotate, {{90, css::kUnitNone}})});
  auto mid = interpolate(ValueKind::kTransform, a, b, 0.5);
  ASSERT_EQ(mid.transform_count, 2);
  EXPECT_FLOAT_EQ(mid.transforms[0].args[0].value, 20);
  EXPECT_FLOAT_EQ(mid.transforms[0].args[1].value, 10);
  EXPECT_FLOAT_EQ(mid.transforms[1].args[0].value, 45);

  // An empty list stands for identity functions of the other's kinds.
  auto scale = list({op(TransformKind::Scale, {{3, css::kUnitNone}, {3, css::kUnitNone}})});
  auto grow = interpolate(ValueKind::kTransform, AnimatedValue{}, scale, 0.5);
  ASSERT_EQ(grow.transform_count, 1);
  EXPECT_FLOAT_EQ(grow.transforms[0].args[0].value, 2);
  auto matrix = list({op(TransformKind::Matrix, {{3, 0}, {0, 0}, {0, 0}, {3, 0}, {8, 0}, {0, 0}})});
  auto half = interpolate(ValueKind::kTransform, matrix, AnimatedValue{}, 0.5);
  EXPECT_FLOAT_EQ(half.transforms[0].args[0].value, 2);
  EXPECT_FLOAT_EQ(half.transforms[0].args[4].value, 4);

  // scale(2) scales both axes when blended with scale(1, 4).
  auto s1 = list({op(TransformKind::Scale, {{2, css::kUnitNone}})});
  auto s2 = list({op(TransformKind::Scale, {{1, css::kUnitNone}, {4, css::kUnitNone}})});
  auto s = interpolate(ValueKind::kTransform, s1, s2, 0.5);
  EXPECT_FLOAT_EQ(s.transforms[0].args[0].value, 1.5f);
  EXPECT_FLOAT_EQ(s.transforms[0].args[1].value, 3);

  // Different kinds, or different lengths of list, switch at the halfway point.
  auto rot = list({op(TransformKind::Rotate, {{10, css::kUnitNone}})});
  auto tr = list({op(TransformKind::Translate, {px0, px0})});
  EXPECT_FALSE(interpolable(ValueKind::kTransform, rot, tr));
  EXPECT_TRUE(
      values_equal(ValueKind::kTransform, interpolate(ValueKind::kTransform, rot, tr, 0.4), rot));
  EXPECT_FALSE(interpolable(ValueKind::kTransform, a, rot));
  // Units must agree per argument.
  auto pct = list({op(TransformKind::Translate, {{50, css::kUnitPercent}, px0})});
  EXPECT_FALSE(interpolable(ValueKind::kTransform, tr, pct));
}

TEST(Capture, TransformListKeepsFourFunctionsAndItsSource) {
  css::TransformOp ops[6];
  for (int i = 0; i < 6; ++i) {
    ops[i] = op(css::TransformKind::Rotate, {{static_cast<float>(i), css::kUnitNone}});
  }
  ComputedStyle style;
  style.transform = ops;
  style.transform_count = 6;
  const AnimatableProperty& row = *find_animatable(static_cast<int>(css::PropertyId::Transform));
  AnimatedValue v = capture_value(style, row);
  EXPECT_EQ(v.transform_count, 4);
  ComputedStyle other;
  write_value(other, row, v, nullptr);
  EXPECT_EQ(other.transform, ops);  // the whole list again, not a shortened copy
  EXPECT_EQ(other.transform_count, 6);
  // Lists that differ only past the fourth function are different values.
  css::TransformOp changed[6];
  std::copy(ops, ops + 6, changed);
  changed[5].args[0].value = 99;
  other.transform = changed;
  EXPECT_FALSE(values_equal(ValueKind::kTransform, v, capture_value(other, row)));
}

}  // namespace
}  // namespace orlan::anim
