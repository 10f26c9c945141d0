#pragma once

// What the input code needs from the later stages (hit testing, geometry, scrolling,
// text positions). The stage that owns them installs the hooks; the document library
// never links those stages. Every hook may be left unset: pointer input then hits
// nothing, boxes are empty, and nothing scrolls.

#include <cstdint>

namespace orlan {

struct Document;
struct Node;

// A rectangle in document coordinates (CSS pixels).
struct BoxRect {
  float x = 0, y = 0, width = 0, height = 0;
};

enum class ScrollMode : std::uint8_t {
  kPixels,  // dx, dy pixels (the nearest container that can still move that way)
  kPages,   // dy times 0.9 of the container's visible height
  kToEnd,   // to the top (dy < 0) or the bottom (dy > 0)
};

struct InputHooks {
  // The element under the point, or null.
  Node* (*hit_test)(Document& document, float x, float y) = nullptr;
  // The node's border box in document coordinates; false when it has no box.
  bool (*border_box)(const Node& node, BoxRect* out) = nullptr;
  // Brings style and layout up to date (popups are placed from fresh geometry).
  void (*update_layout)(Document& document) = nullptr;
  // A press on a scrollbar or a resizable column edge starts that drag: returns true and
  // nothing else happens. `drag` continues it (true while one is under way); `release`
  // ends it.
  bool (*press)(Document& document, Node* hit, float x, float y, std::int32_t button) = nullptr;
  bool (*drag)(Document& document, float x, float y) = nullptr;
  void (*release)(Document& document) = nullptr;
  // Scrolls the innermost scroll container at or around `from`. Returns whether it moved.
  bool (*scroll)(Node& from, float dx, float dy, ScrollMode mode) = nullptr;
  // Scrolls the node's scroll containers so its box is visible.
  void (*scroll_into_view)(Node& node) = nullptr;
  // The value offset of a text control nearest to the document point.
  std::uint32_t (*caret_at_point)(Node& control, float x, float y) = nullptr;
  // The caret at a value offset: x, y and height relative to the control's border box,
  // before the control's own text scrolling. False when the control has no text lines.
  bool (*caret_box)(Node& control, std::uint32_t offset, BoxRect* out) = nullptr;
  // The text position under the point for the document selection; false where text
  // cannot be selected.
  bool (*text_position)(Document& document, float x, float y, Node** text,
                        std::uint32_t* offset) = nullptr;
};

// Installs the hooks' non-null members (null clears them all).
void set_input_hooks(const InputHooks* hooks) noexcept;
const InputHooks& input_hooks() noexcept;

}  // namespace orlan
