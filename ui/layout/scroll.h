#pragma once

// Scroll containers: their extents, the engine's own scrollbars (track and thumb
// geometry, thumb drags, track paging), setting and clamping scroll offsets, and wheel
// input.

#include "layout_box.h"

namespace orlan {

// One scrollbar of a scroll container, in document coordinates.
struct Scrollbar {
  bool present = false;    // the track is drawn
  bool has_thumb = false;  // false when there is nothing to scroll or no room for a thumb
  Rect track;              // 10 px along the right or bottom edge of the viewport
  Rect thumb;              // 6 px thick, 2 px from the outer edge
  float maximum = 0;       // largest scroll offset along the axis
  float usable = 0;        // track length the thumb moves in
};

struct ScrollbarGeometry {
  Scrollbar vertical;
  Scrollbar horizontal;
};

// Whether the node scrolls its content: the root element, or overflow auto or scroll.
bool scrolls(const Node& node) noexcept;
// The largest scroll offsets (0 below half a pixel).
float max_scroll_x(const Node& node) noexcept;
float max_scroll_y(const Node& node) noexcept;

// Track and thumb of both scrollbars (nothing present for a node that does not scroll).
ScrollbarGeometry scrollbar_geometry(const Node& node) noexcept;

// Sets the scroll offset clamped to [0, maximum]. An unchanged offset does nothing;
// otherwise the container is marked for repaint, an open select popup closes (unless the
// popup is the container or one of its ancestors) and a scroll event is dispatched at the
// container. Returns whether the offset changed.
bool set_scroll_offset(Node& node, float x, float y);

// Clamps the offsets into range without dispatching anything (used after layout, inside
// the frame). Returns whether they changed.
bool clamp_scroll(Node& node) noexcept;

// A thumb drag in progress: the container, the axis and where the thumb was grabbed.
struct ScrollDrag {
  Node* container = nullptr;
  bool vertical = true;
  float grab = 0;  // pointer offset inside the thumb when it was pressed
};

// A press at document point (x, y) on a scrollbar of `node`. On the thumb it starts a
// drag (filled into `drag`); elsewhere on the track it pages by 0.9 of the viewport
// towards the point. Returns whether the point was on a scrollbar.
bool scrollbar_press(Node& node, float x, float y, ScrollDrag* drag);
// The pointer moved during a thumb drag. A drag on a thumb that no longer exists (nothing
// left to scroll, or no room) is ignored.
void scrollbar_drag(const ScrollDrag& drag, float x, float y);

// Wheel input at `target`: scrolls the nearest scroll container at or above it that can
// still move in the wheel's direction. Returns the container that moved, or null.
Node* wheel_scroll(Node& target, float dx, float dy);

}  // namespace orlan
