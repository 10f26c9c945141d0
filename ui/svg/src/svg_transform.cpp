#include "svg_transform.h"

#include <cmath>

#include "svg_number.h"

namespace orlan::svg {

namespace {

constexpr double kPi = 3.14159265358979323846;

double radians(float degrees) {
  return static_cast<double>(degrees) * kPi / 180.0;
}

bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The matrix of one function, or false when its argument count does not fit.
bool function_matrix(std::string_view name, const float* args, int count, Matrix& out,
                     bool& known) {
  known = true;
  if (name == "translate") {
    if (count != 1 && count != 2) return false;
    out = Matrix::translate(args[0], count == 2 ? args[1] : 0.0f);
  } else if (name == "scale") {
    if (count != 1 && count != 2) return false;
    out = Matrix::scale(args[0], count == 2 ? args[1] : args[0]);
  } else if (name == "rotate") {
    if (count == 1) {
      out = Matrix::rotate_degrees(args[0]);
    } else if (count == 3) {
      // About (cx, cy): move the centre to the origin, turn, move back.
      out = Matrix::translate(args[1], args[2]) * Matrix::rotate_degrees(args[0]) *
            Matrix::translate(-args[1], -args[2]);
    } else {
      return false;
    }
  } else if (name == "matrix") {
    if (count != 6) return false;
    out = Matrix{args[0], args[1], args[2], args[3], args[4], args[5]};
  } else if (name == "skewX") {
    if (count != 1) return false;
    out = Matrix::skew_x_degrees(args[0]);
  } else if (name == "skewY") {
    if (count != 1) return false;
    out = Matrix::skew_y_degrees(args[0]);
  } else {
    known = false;
    return false;
  }
  return true;
}

}  // namespace

Matrix Matrix::operator*(const Matrix& o) const {
  return Matrix{a * o.a + c * o.b, b * o.a + d * o.b,     a * o.c + c * o.d,
                b * o.c + d * o.d, a * o.e + c * o.f + e, b * o.e + d * o.f + f};
}

Matrix Matrix::rotate_degrees(float angle) {
  const double r = radians(angle);
  const float cs = static_cast<float>(std::cos(r));
  const float sn = static_cast<float>(std::sin(r));
  return Matrix{cs, sn, -sn, cs, 0, 0};
}

Matrix Matrix::skew_x_degrees(float angle) {
  return Matrix{1, 0, static_cast<float>(std::tan(radians(angle))), 1, 0, 0};
}

Matrix Matrix::skew_y_degrees(float angle) {
  return Matrix{1, static_cast<float>(std::tan(radians(angle))), 0, 1, 0, 0};
}

bool apply_transform_list(std::string_view text, Matrix& m) {
  Matrix result = m;
  std::size_t pos = 0;
  const std::size_t n = text.size();
  for (;;) {
    skip_separators(text, pos);
    if (pos >= n) break;
    const std::size_t name_begin = pos;
    while (pos < n && is_name_char(text[pos])) ++pos;
    const std::string_view name = text.substr(name_begin, pos - name_begin);
    if (name.empty()) return false;
    while (pos < n && is_svg_space(text[pos])) ++pos;
    if (pos >= n || text[pos] != '(') return false;
    ++pos;
    // Up to six numbers; a seventh makes the function unusable but not the list.
    float args[6] = {};
    int count = 0;
    bool too_many = false;
    for (;;) {
      skip_separators(text, pos);
      if (pos >= n) return false;
      if (text[pos] == ')') {
        ++pos;
        break;
      }
      float value = 0;
      if (!read_number_at(text, pos, value)) return false;
      if (count < 6) {
        args[count++] = value;
      } else {
        too_many = true;
      }
    }
    if (too_many) continue;
    Matrix f;
    bool known = false;
    if (function_matrix(name, args, count, f, known)) result = result * f;
  }
  m = result;
  return true;
}

}  // namespace orlan::svg
