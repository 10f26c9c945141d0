#include "svg_path.h"

#include <algorithm>
#include <cmath>

#include "svg_number.h"

namespace orlan::svg {

namespace {

constexpr double kPi = 3.14159265358979323846;

Point to_point(double x, double y) {
  return {static_cast<float>(x), static_cast<float>(y)};
}

bool is_command_letter(char c) {
  switch (c) {
    case 'M':
    case 'm':
    case 'L':
    case 'l':
    case 'H':
    case 'h':
    case 'V':
    case 'v':
    case 'C':
    case 'c':
    case 'S':
    case 's':
    case 'Q':
    case 'q':
    case 'T':
    case 't':
    case 'A':
    case 'a':
    case 'Z':
    case 'z':
      return true;
    default:
      return false;
  }
}

bool starts_number(char c) {
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

bool read_flag(std::string_view text, std::size_t& pos, bool& out) {
  skip_separators(text, pos);
  if (pos >= text.size() || (text[pos] != '0' && text[pos] != '1')) return false;
  out = text[pos] == '1';
  ++pos;
  return true;
}

bool read_numbers(std::string_view text, std::size_t& pos, float* out, int count) {
  for (int i = 0; i < count; ++i) {
    if (!read_number(text, pos, out[i])) return false;
  }
  return true;
}

enum class Previous { Other, Cubic, Quad };

}  // namespace

void PathWriter::push(SegmentKind kind, Point a, Point b, Point c) {
  PathSegment segment;
  segment.kind = kind;
  segment.points[0] = m_matrix.apply(a);
  segment.points[1] = m_matrix.apply(b);
  segment.points[2] = m_matrix.apply(c);
  if (m_out.capacity() == 0) m_out.reserve(16);
  m_out.push_back(segment);
}

void PathWriter::move_to(Point p) {
  push(SegmentKind::MoveTo, p);
}
void PathWriter::line_to(Point p) {
  push(SegmentKind::LineTo, p);
}
void PathWriter::cubic_to(Point c1, Point c2, Point p) {
  push(SegmentKind::Cubic, c1, c2, p);
}
void PathWriter::quad_to(Point c, Point p) {
  push(SegmentKind::Quad, c, p);
}
void PathWriter::close() {
  PathSegment segment;
  segment.kind = SegmentKind::Close;
  if (m_out.capacity() == 0) m_out.reserve(16);
  m_out.push_back(segment);
}

void PathWriter::arc_to(Point from, float rx_in, float ry_in, float rotation_degrees,
                        bool large_arc, bool sweep, Point to) {
  if (from.x == to.x && from.y == to.y) return;
  double rx = std::fabs(static_cast<double>(rx_in));
  double ry = std::fabs(static_cast<double>(ry_in));
  if (rx == 0 || ry == 0) {
    line_to(to);
    return;
  }
  // Endpoint to centre parameterisation, in double so that large radii stay exact enough.
  const double phi = static_cast<double>(rotation_degrees) * kPi / 180.0;
  const double cos_phi = std::cos(phi);
  const double sin_phi = std::sin(phi);
  const double x1 = from.x, y1 = from.y, x2 = to.x, y2 = to.y;
  const double dx2 = (x1 - x2) / 2;
  const double dy2 = (y1 - y2) / 2;
  const double xp = cos_phi * dx2 + sin_phi * dy2;
  const double yp = -sin_phi * dx2 + cos_phi * dy2;
  // Radii too small to span the two points are scaled up just enough.
  const double lambda = (xp * xp) / (rx * rx) + (yp * yp) / (ry * ry);
  if (lambda > 1) {
    const double s = std::sqrt(lambda);
    rx *= s;
    ry *= s;
  }
  const double rx2 = rx * rx, ry2 = ry * ry;
  const double num = rx2 * ry2 - rx2 * yp * yp - ry2 * xp * xp;
  const double den = rx2 * yp * yp + ry2 * xp * xp;
  double coef = den > 0 ? std::sqrt(std::max(0.0, num / den)) : 0.0;
  if (large_arc == sweep) coef = -coef;
  const double cxp = coef * (rx * yp / ry);
  const double cyp = coef * -(ry * xp / rx);
  const double cx = cos_phi * cxp - sin_phi * cyp + (x1 + x2) / 2;
  const double cy = sin_phi * cxp + cos_phi * cyp + (y1 + y2) / 2;
  const double theta1 = std::atan2((yp - cyp) / ry, (xp - cxp) / rx);
  double delta = std::atan2((-yp - cyp) / ry, (-xp - cxp) / rx) - theta1;
  if (!sweep && delta > 0) delta -= 2 * kPi;
  if (sweep && delta < 0) delta += 2 * kPi;
  if (!std::isfinite(delta) || !std::isfinite(cx) || !std::isfinite(cy)) {
    line_to(to);
    return;
  }

  const int pieces =
      std::max(1, static_cast<int>(std::ceil(std::fabs(delta) / (kPi / 2) - 0.0001)));
  const double step = delta / pieces;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  // A point on the unit circle at angle t, mapped onto the rotated ellipse.
  auto map = [&](double ux, double uy) {
    return to_point(cx + rx * cos_phi * ux - ry * sin_phi * uy,
                    cy + rx * sin_phi * ux + ry * cos_phi * uy);
  };
  double t = theta1;
  for (int i = 0; i < pieces; ++i) {
    const double t2 = t + step;
    const double c0 = std::cos(t), s0 = std::sin(t);
    const double c1 = std::cos(t2), s1 = std::sin(t2);
    const Point p1 = map(c0 - k * s0, s0 + k * c0);
    const Point p2 = map(c1 + k * s1, s1 - k * c1);
    const Point end = i + 1 == pieces ? to : map(c1, s1);
    cubic_to(p1, p2, end);
    t = t2;
  }
}

void parse_path_data(std::string_view d, PathWriter& writer) {
  std::size_t pos = 0;
  const std::size_t n = d.size();
  char command = 0;
  Point current;
  Point start;
  Point last_control;
  Previous previous = Previous::Other;
  bool open_subpath = false;  // a drawing command after a close starts a new subpath there

  for (;;) {
    skip_separators(d, pos);
    if (pos >= n) return;
    const char c = d[pos];
    if (is_command_letter(c)) {
      // The data must begin with a move.
      if (command == 0 && c != 'M' && c != 'm') return;
      command = c;
      ++pos;
    } else if (starts_number(c)) {
      // A number repeats the previous command; a close takes no parameters to repeat.
      if (command == 0 || command == 'Z' || command == 'z') return;
    } else {
      return;
    }

    const bool relative = command >= 'a';
    const Point origin = relative ? current : Point{};
    auto at = [&](float x, float y) { return Point{origin.x + x, origin.y + y}; };
    auto ensure_subpath = [&] {
      if (!open_subpath) {
        writer.move_to(current);
        open_subpath = true;
      }
    };
    float v[7];
    switch (command) {
      case 'M':
      case 'm': {
        if (!read_numbers(d, pos, v, 2)) return;
        current = at(v[0], v[1]);
        start = current;
        writer.move_to(current);
        open_subpath = true;
        previous = Previous::Other;
        // Further pairs after a move are lines.
        command = relative ? 'l' : 'L';
        break;
      }
      case 'L':
      case 'l': {
        if (!read_numbers(d, pos, v, 2)) return;
        ensure_subpath();
        current = at(v[0], v[1]);
        writer.line_to(current);
        previous = Previous::Other;
        break;
      }
      case 'H':
      case 'h': {
        if (!read_numbers(d, pos, v, 1)) return;
        ensure_subpath();
        current = Point{relative ? current.x + v[0] : v[0], current.y};
        writer.line_to(current);
        previous = Previous::Other;
        break;
      }
      case 'V':
      case 'v': {
        if (!read_numbers(d, pos, v, 1)) return;
        ensure_subpath();
        current = Point{current.x, relative ? current.y + v[0] : v[0]};
        writer.line_to(current);
        previous = Previous::Other;
        break;
      }
      case 'C':
      case 'c': {
        if (!read_numbers(d, pos, v, 6)) return;
        ensure_subpath();
        const Point c1 = at(v[0], v[1]);
        last_control = at(v[2], v[3]);
        current = at(v[4], v[5]);
        writer.cubic_to(c1, last_control, current);
        previous = Previous::Cubic;
        break;
      }
      case 'S':
      case 's': {
        if (!read_numbers(d, pos, v, 4)) return;
        ensure_subpath();
        const Point c1 = previous == Previous::Cubic
                             ? Point{2 * current.x - last_control.x, 2 * current.y - last_control.y}
                             : current;
        last_control = at(v[0], v[1]);
        current = at(v[2], v[3]);
        writer.cubic_to(c1, last_control, current);
        previous = Previous::Cubic;
        break;
      }
      case 'Q':
      case 'q': {
        if (!read_numbers(d, pos, v, 4)) return;
        ensure_subpath();
        last_control = at(v[0], v[1]);
        current = at(v[2], v[3]);
        writer.quad_to(last_control, current);
        previous = Previous::Quad;
        break;
      }
      case 'T':
      case 't': {
        if (!read_numbers(d, pos, v, 2)) return;
        ensure_subpath();
        last_control = previous == Previous::Quad
                           ? Point{2 * current.x - last_control.x, 2 * current.y - last_control.y}
                           : current;
        current = at(v[0], v[1]);
        writer.quad_to(last_control, current);
        previous = Previous::Quad;
        break;
      }
      case 'A':
      case 'a': {
        bool large_arc = false;
        bool sweep = false;
        if (!read_numbers(d, pos, v, 3) || !read_flag(d, pos, large_arc) ||
            !read_flag(d, pos, sweep) || !read_numbers(d, pos, v + 3, 2)) {
          return;
        }
        ensure_subpath();
        const Point end = at(v[3], v[4]);
        writer.arc_to(current, v[0], v[1], v[2], large_arc, sweep, end);
        current = end;
        previous = Previous::Other;
        break;
      }
      case 'Z':
      case 'z': {
        if (open_subpath) writer.close();
        current = start;
        open_subpath = false;
        previous = Previous::Other;
        break;
      }
      default:
        return;
    }
  }
}

}  // namespace orlan::svg
