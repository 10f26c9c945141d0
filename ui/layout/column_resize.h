#pragma once

// Column resizing behind data-resize="col": a container whose children's right edges are
// draggable. The window host calls the hit test on pointer moves and presses, begins a
// drag on a press over a handle and drags on each move; each drag step rewrites the
// `style` attribute of the column's element in every row, which restyles and relayouts
// them.

#include "layout_box.h"

namespace orlan {

inline constexpr float kColumnHandleReach = 4;  // px either side of a right edge
inline constexpr float kColumnMinimumWidth = 16;

struct ColumnHit {
  Node* container = nullptr;  // null: no handle here
  int column = -1;            // index among the container's rendered element children
};

// The handle under the pointer (document coordinates), looking from the hovered element
// up to the nearest data-resize="col" container.
ColumnHit column_resize_hit_test(Node* hovered, float x, float y) noexcept;

struct ColumnDrag {
  Node* container = nullptr;  // null: no drag
  int column = -1;
  float start_x = 0;
  float start_width = 0;  // border-box width of the column's element at the start
};

// Starts a drag at pointer x; false (and an empty drag) when the hit holds no handle.
bool begin_column_drag(ColumnDrag& drag, const ColumnHit& hit, float x) noexcept;
// Sets the column to the width the pointer asks for (at least the minimum) in every row.
// Returns the border-box width applied, or -1 when no drag is under way.
float drag_column(ColumnDrag& drag, float x) noexcept;

}  // namespace orlan
