#pragma once

// What painting and hit testing share: the walk's offsets, paint containers and their
// positioned descendants, transforms, radii and the runs of a text node.

#include <cstdint>

#include "computed_style.h"
#include "display_list.h"
#include "document.h"
#include "layout_box.h"
#include "layout_internal.h"

namespace orlan::paint {

inline constexpr int kMaxPositioned = 512;
// Deeper than this the walk stops; layout gives no geometry that deep anyway.
inline constexpr int kMaxPaintDepth = 1024;

struct Point {
  float x = 0, y = 0;
};

// The border-box origin of an element in document coordinates, from `base`: the content
// origin of its parent (the parent's origin moved by its scroll offset).
Point element_origin(const Node& element, Point base) noexcept;
// Where the element's children are placed from: its origin moved by its own scroll
// offset (the root's offset is already in its origin).
Point content_base(const Node& element, Point origin) noexcept;

bool has_transform(const ComputedStyle& style) noexcept;
bool clips(const Node& element) noexcept;
// The root, positioned, clipped, translucent or transformed elements paint their
// positioned descendants themselves.
bool is_paint_container(const Node& element) noexcept;
bool is_positioned_element(const Node& node) noexcept;

// The positioned descendants of a paint container in paint order (z-index ascending,
// auto as 0, stable), each with the content base of its parent. They are kept on one
// stack per thread shared by nested containers; release them in reverse order.
struct Positioned {
  Node* node;
  Point base;
};
struct PositionedSpan {
  Positioned* items = nullptr;
  int count = 0;
  int mark = 0;  // where the stack stood before
};
PositionedSpan collect_positioned(Node& container, Point base) noexcept;
// The same span from positioned descendants found by the caller, in tree order, exactly
// those the walk of collect_positioned would find (the painter meets them anyway).
PositionedSpan adopt_positioned(const Positioned* found, int count) noexcept;
void release_positioned(const PositionedSpan& span) noexcept;

// The affine matrix of an element's transforms about its transform origin (document
// coordinates of the untransformed box at `origin`).
void transform_matrix(const Node& element, Point origin, float out[6]) noexcept;
// m = m * n (n applied first).
void multiply(float m[6], const float n[6]) noexcept;
// False when the matrix cannot be inverted.
bool invert(const float m[6], float out[6]) noexcept;

// Radii of a box of the given size: percentages of the smaller side, negatives 0, all
// four scaled down together when two on a side overlap.
void resolve_radii(const StyleLength radii[4], float width, float height, float out[4]) noexcept;
void fit_radii(float radii[4], float width, float height) noexcept;

// The container whose runs hold a text node's fragments, and that container's content
// base computed from the text's parent's content base.
struct RunSource {
  const LayoutBox* box = nullptr;
  Point base;
};
RunSource run_source(const Node& text, Point parent_base) noexcept;

// The line fragments of an inline element: per line, the union of its runs in the
// container that holds them, in document coordinates (the element's border box at
// `origin`), with the padding and border its start and end add. Any number of lines.
class InlineFragments {
 public:
  InlineFragments(const Node& element, Point origin) noexcept;
  // The number of lines; 0 or 1 when the element is not split (painted as a box).
  int count() const noexcept { return m_count; }
  // The next line's fragment; false after the last.
  bool next(Rect& out) noexcept;

 private:
  bool holds(const TextRun& run) const noexcept;
  const Node& m_element;
  const Node* m_container_node = nullptr;
  const LayoutBox* m_container = nullptr;
  float m_dx = 0, m_dy = 0;
  std::uint32_t m_run = 0;
  int m_index = 0;
  int m_count = 0;
};
// An inline element its line breaks split into fragments (which never clip).
bool is_fragmented_inline(const Node& element) noexcept;

// Whether the element is a table row or row group whose table paints its background.
bool painted_by_table(const Node& element) noexcept;

}  // namespace orlan::paint
