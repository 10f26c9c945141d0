// Timing functions.

#include "timing.h"

#include <algorithm>
#include <cmath>

namespace orlan::anim {
namespace {

double bezier_coordinate(double p1, double p2, double t) {
  // B(t) = 3(1-t)^2 t p1 + 3(1-t) t^2 p2 + t^3
  double u = 1 - t;
  return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}

}  // namespace

double cubic_bezier(double x1, double y1, double x2, double y2, double x) noexcept {
  double lo = 0, hi = 1, t = x;
  // Bisection on the curve parameter: at most 24 halvings, stop once x(t) is within 1e-4.
  for (int i = 0; i < 24; ++i) {
    t = (lo + hi) / 2;
    double xt = bezier_coordinate(x1, x2, t);
    if (std::fabs(xt - x) < 0.0001) break;
    if (xt < x)
      lo = t;
    else
      hi = t;
  }
  return bezier_coordinate(y1, y2, t);
}

int step_count(const css::TimingFunction& function) noexcept {
  int n = function.steps;
  int least = function.step_position == css::StepPosition::None ? 2 : 1;
  return n < least ? least : n;
}

double ease(const css::TimingFunction& function, double x) noexcept {
  if (!(x > 0)) x = 0;  // NaN too
  if (x > 1) x = 1;
  switch (function.kind) {
    case css::TimingKind::Linear:
      return x;
    case css::TimingKind::Ease:
      return cubic_bezier(0.25, 0.1, 0.25, 1, x);
    case css::TimingKind::EaseIn:
      return cubic_bezier(0.42, 0, 1, 1, x);
    case css::TimingKind::EaseOut:
      return cubic_bezier(0, 0, 0.58, 1, x);
    case css::TimingKind::EaseInOut:
      return cubic_bezier(0.42, 0, 0.58, 1, x);
    case css::TimingKind::CubicBezier: {
      const float* b = function.bezier;
      double y = cubic_bezier(b[0], b[1], b[2], b[3], x);
      return std::isfinite(y) ? y : x;
    }
    case css::TimingKind::Steps: {
      double n = step_count(function);
      double k = std::floor(n * x);
      double y;
      switch (function.step_position) {
        case css::StepPosition::Start:
          y = (k + 1) / n;
          break;
        case css::StepPosition::None:
          y = k / (n - 1);
          break;
        case css::StepPosition::Both:
          y = (k + 1) / (n + 1);
          break;
        default:
          y = k / n;
          break;
      }
      // At x = 1 jump-start would give (n + 1) / n: the end of the input is the end value.
      return std::min(y, 1.0);
    }
  }
  return x;
}

}  // namespace orlan::anim
