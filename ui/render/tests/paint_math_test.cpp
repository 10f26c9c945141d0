// Gradient lines and ellipses over a box, filter colour matrices, and the filter-chain
// cache.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "paint_math.h"

namespace orlan::render {
namespace {

css::Gradient linear(float angle, const std::vector<css::GradientStop>& stops,
                     std::uint8_t to_sides = 0) {
  css::Gradient g;
  g.kind = css::GradientKind::Linear;
  g.angle = angle;
  g.to_sides = to_sides;
  g.stops = stops.data();
  g.stop_count = static_cast<std::uint16_t>(stops.size());
  return g;
}

css::GradientStop stop(std::uint32_t color, float value, std::uint32_t unit = css::kUnitPercent) {
  return css::GradientStop{color, css::CssLength{value, unit}};
}

TEST(GradientGeometry, LinearLineCrossesTheBoxAtItsAngle) {
  const std::vector<css::GradientStop> stops{stop(0xFF000000, 0), stop(0xFFFFFFFF, 100)};
  GradientBrushGeometry g;
  // The default "to bottom": from the top edge's middle to the bottom edge's middle.
  ASSERT_TRUE(gradient_geometry(linear(180, stops), 10, 20, 100, 50, g));
  EXPECT_NEAR(g.x0, 60, 1e-3);
  EXPECT_NEAR(g.y0, 20, 1e-3);
  EXPECT_NEAR(g.x1, 60, 1e-3);
  EXPECT_NEAR(g.y1, 70, 1e-3);
  // 90deg: left to right.
  ASSERT_TRUE(gradient_geometry(linear(90, stops), 0, 0, 100, 50, g));
  EXPECT_NEAR(g.x0, 0, 1e-3);
  EXPECT_NEAR(g.x1, 100, 1e-3);
  EXPECT_NEAR(g.y0, 25, 1e-3);
  // 45deg over a square: the line runs corner to corner.
  ASSERT_TRUE(gradient_geometry(linear(45, stops), 0, 0, 100, 100, g));
  EXPECT_NEAR(g.x0, 0, 1e-3);
  EXPECT_NEAR(g.y0, 100, 1e-3);
  EXPECT_NEAR(g.x1, 100, 1e-3);
  EXPECT_NEAR(g.y1, 0, 1e-3);
}

TEST(GradientGeometry, CornerDirectionMakesTheMiddleLinePassThroughTheOtherCorners) {
  const std::vector<css::GradientStop> stops{stop(0xFF000000, 0), stop(0xFFFFFFFF, 100)};
  // "to top right" over 200 x 100: perpendicular to the diagonal from top-left to
  // bottom-right.
  const css::Gradient g = linear(0, stops, 1 | 8);
  const float angle = linear_gradient_angle(g, 200, 100);
  const float dx = std::sin(angle * 3.14159265f / 180), dy = -std::cos(angle * 3.14159265f / 180);
  // The direction is perpendicular to (200, 100) and points up and right.
  EXPECT_NEAR(dx * 200 + dy * 100, 0, 1e-3);
  EXPECT_GT(dx, 0);
  EXPECT_LT(dy, 0);
  EXPECT_EQ(linear_gradient_angle(linear(0, stops, 2), 5, 5), 180);
  EXPECT_EQ(linear_gradient_angle(linear(0, stops, 4), 5, 5), 270);
}

TEST(GradientGeometry, PixelStopsAndStopsBeyondTheLine) {
  // 0px .. 50px over a 100 px line, then a stop at 150 %: the line is stretched to 1.5
  // and the stops scaled into 0..1.
  const std::vector<css::GradientStop> stops{stop(1, 0, css::kUnitPx), stop(2, 50, css::kUnitPx),
                                             stop(3, 150)};
  GradientBrushGeometry g;
  ASSERT_TRUE(gradient_geometry(linear(90, stops), 0, 0, 100, 10, g));
  ASSERT_EQ(g.stops.size(), 3u);
  EXPECT_NEAR(g.stops[1].position, 0.5f / 1.5f, 1e-4);
  EXPECT_NEAR(g.stops[2].position, 1, 1e-4);
  EXPECT_NEAR(g.x1, 150, 1e-3);
  EXPECT_FALSE(gradient_geometry(linear(90, stops), 0, 0, 0, 10, g));
}

TEST(GradientGeometry, RadialSizes) {
  const std::vector<css::GradientStop> stops{stop(1, 0), stop(2, 100)};
  css::Gradient g;
  g.kind = css::GradientKind::Radial;
  g.stops = stops.data();
  g.stop_count = 2;
  GradientBrushGeometry out;
  // Centred in 200 x 100, farthest-corner ellipse: sqrt(2) x the half sides.
  ASSERT_TRUE(gradient_geometry(g, 0, 0, 200, 100, out));
  EXPECT_NEAR(out.x0, 100, 1e-3);
  EXPECT_NEAR(out.rx, 100 * std::sqrt(2.f), 1e-3);
  EXPECT_NEAR(out.ry, 50 * std::sqrt(2.f), 1e-3);
  g.circle = 1;
  g.size = css::RadialSize::ClosestSide;
  ASSERT_TRUE(gradient_geometry(g, 0, 0, 200, 100, out));
  EXPECT_NEAR(out.rx, 50, 1e-3);
  EXPECT_NEAR(out.ry, 50, 1e-3);
  g.size = css::RadialSize::FarthestCorner;
  ASSERT_TRUE(gradient_geometry(g, 0, 0, 200, 100, out));
  EXPECT_NEAR(out.rx, std::hypot(100.f, 50.f), 1e-3);
}

std::array<float, 4> transform_color(const ColorMatrix& m, std::array<float, 4> in) {
  std::array<float, 4> out{};
  for (int o = 0; o < 4; ++o) {
    out[o] = m.m[4][o];
    for (int i = 0; i < 4; ++i) out[o] += in[i] * m.m[i][o];
  }
  return out;
}

TEST(FilterMatrices, FunctionsOfTheFilterEffectsDefinitions) {
  using K = css::FilterKind;
  const std::array<float, 4> red{1, 0, 0, 1};
  auto near = [](std::array<float, 4> a, std::array<float, 4> b) {
    for (int i = 0; i < 4; ++i) {
      if (std::fabs(a[i] - b[i]) > 2e-3f) return false;
    }
    return true;
  };
  EXPECT_TRUE(near(transform_color(filter_color_matrix(K::Grayscale, 1), red),
                   {0.2126f, 0.2126f, 0.2126f, 1}));
  EXPECT_TRUE(near(transform_color(filter_color_matrix(K::Grayscale, 0), red), red));
  EXPECT_TRUE(near(transform_color(filter_color_matrix(K::Invert, 1), red), {0, 1, 1, 1}));
  EXPECT_TRUE(
      near(transform_color(filter_color_matrix(K::Invert, 0.5f), red), {0.5f, 0.5f, 0.5f, 1}));
  EXPECT_TRUE(
      near(transform_color(filter_color_matrix(K::Brightness, 0.5f), red), {0.5f, 0, 0, 1}));
  EXPECT_TRUE(
      near(transform_color(filter_color_matrix(K::Contrast, 0), red), {0.5f, 0.5f, 0.5f, 1}));
  EXPECT_TRUE(near(transform_color(filter_color_matrix(K::Opacity, 0.25f), red), {1, 0, 0, 0.25f}));
  EXPECT_TRUE(
      near(transform_color(filter_color_matrix(K::Sepia, 1), red), {0.393f, 0.349f, 0.272f, 1}));
  EXPECT_TRUE(near(transform_color(filter_color_matrix(K::Saturate, 1), red), red));
  EXPECT_TRUE(near(transform_color(filter_color_matrix(K::HueRotate, 0), red), red));
  EXPECT_TRUE(near(transform_color(filter_color_matrix(K::HueRotate, 360), red), red));
  // Gray stays gray under any hue rotation.
  EXPECT_TRUE(near(transform_color(filter_color_matrix(K::HueRotate, 123), {0.5f, 0.5f, 0.5f, 1}),
                   {0.5f, 0.5f, 0.5f, 1}));
}

std::vector<std::intptr_t> g_chains_released;
void release_chain(void* h) {
  g_chains_released.push_back(reinterpret_cast<std::intptr_t>(h));
}

TEST(FilterChainCache, FourChainsLeastRecentlyUsedReplaced) {
  g_chains_released.clear();
  FilterChainCache cache(&release_chain);
  css::Filter lists[5][1];
  for (int i = 0; i < 5; ++i) {
    lists[i][0] = css::Filter{};
    lists[i][0].kind = css::FilterKind::Blur;
    lists[i][0].amount = static_cast<float>(i + 1);
  }
  for (int i = 0; i < 4; ++i)
    cache.insert(lists[i], 1, reinterpret_cast<void*>(std::intptr_t{10 + i}));
  EXPECT_NE(cache.find(lists[0], 1), nullptr);  // 1 is now the least recently used
  // An equal list at another address hits.
  css::Filter copy = lists[2][0];
  EXPECT_EQ(cache.find(&copy, 1), reinterpret_cast<void*>(std::intptr_t{12}));
  cache.insert(lists[4], 1, reinterpret_cast<void*>(std::intptr_t{14}));
  EXPECT_EQ(g_chains_released, (std::vector<std::intptr_t>{11}));
  EXPECT_EQ(cache.find(lists[1], 1), nullptr);
  EXPECT_EQ(cache.find(lists[0], 0), nullptr);  // another count is another key
}

}  // namespace
}  // namespace orlan::render
