#pragma once

// 2x3 affine matrices and the SVG "transform" attribute.

#include <string_view>

#include "vector_image.h"

namespace orlan::svg {

// x' = a x + c y + e, y' = b x + d y + f.
struct Matrix {
  float a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

  Point apply(Point p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
  float determinant() const { return a * d - b * c; }
  // (*this * other) applied to p equals this->apply(other.apply(p)).
  Matrix operator*(const Matrix& other) const;

  static Matrix translate(float tx, float ty) { return {1, 0, 0, 1, tx, ty}; }
  static Matrix scale(float sx, float sy) { return {sx, 0, 0, sy, 0, 0}; }
  static Matrix rotate_degrees(float angle);
  static Matrix skew_x_degrees(float angle);
  static Matrix skew_y_degrees(float angle);
};

// Multiplies the functions of a transform list into `m`, the first function outermost:
// "translate(10) scale(2)" maps (1, 1) to (12, 2). Unknown function names and functions
// with an unusable number of arguments are skipped. A list whose syntax is broken (no
// "(", something that is not a number inside, no ")") leaves `m` unchanged and gives false.
bool apply_transform_list(std::string_view text, Matrix& m);

}  // namespace orlan::svg
