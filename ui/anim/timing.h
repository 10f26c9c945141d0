#pragma once

// Timing functions: eased progress for an input progress, and where a stepped function
// next changes its output.

#include "css_value.h"

namespace orlan::anim {

// Eased progress of `x` (clamped to 0..1 first; NaN counts as 0). linear, the ease family
// and cubic-bezier() solve the curve for x; steps() give k / n style plateaus, never above 1.
double ease(const css::TimingFunction& function, double x) noexcept;

// A cubic Bezier through (0,0), (x1,y1), (x2,y2), (1,1), solved for x by bisection.
double cubic_bezier(double x1, double y1, double x2, double y2, double x) noexcept;

// Whether the function only changes its output at step boundaries.
inline bool is_stepped(const css::TimingFunction& function) {
  return function.kind == css::TimingKind::Steps;
}

// The step count of a steps() function, at least 1 (2 for jump-none).
int step_count(const css::TimingFunction& function) noexcept;

}  // namespace orlan::anim
