#pragma once

// Building path segments: the writer that transforms points as they are stored, arcs as
// cubic pieces, and the path-data ("d" attribute) reader.

#include <string_view>
#include <vector>

#include "svg_transform.h"
#include "vector_image.h"

namespace orlan::svg {

// Appends segments to `out`, every point mapped through `m` first.
class PathWriter {
 public:
  PathWriter(std::vector<PathSegment>& out, const Matrix& m) : m_out(out), m_matrix(m) {}

  void move_to(Point p);
  void line_to(Point p);
  void cubic_to(Point c1, Point c2, Point p);
  void quad_to(Point c, Point p);
  void close();
  // An elliptical arc from `from` to `to` as cubic pieces of at most a quarter turn each.
  // An arc that ends where it starts adds nothing; a zero radius gives a straight line;
  // radii too small to reach `to` grow until they do.
  void arc_to(Point from, float rx, float ry, float rotation_degrees, bool large_arc, bool sweep,
              Point to);

 private:
  void push(SegmentKind kind, Point a = {}, Point b = {}, Point c = {});

  std::vector<PathSegment>& m_out;
  Matrix m_matrix;
};

// Reads path data (M L H V C S Q T A Z and their relative forms) into `writer`. Reading
// stops at the first thing that cannot be read; what was read until then is kept.
void parse_path_data(std::string_view data, PathWriter& writer);

}  // namespace orlan::svg
