#pragma once

// The records of the paint stage: the fixed-size drawing commands of one frame in
// back-to-front order, the list that holds them between frames, the diff that finds the
// damaged rectangle, and hit testing in reverse paint order.
//
// Geometry is 32-bit float document pixels (device-independent), before transforms.
// The renderer executes a list item by item and never decides anything visual itself.

#include <cstddef>
#include <cstdint>

#include "layout_box.h"  // FontDescription, Rect

namespace orlan {

namespace css {
struct Gradient;
struct Filter;
}  // namespace css
namespace image {
struct ImageEntry;
}

enum class ItemKind : std::uint8_t {
  kFill = 1,            // fill rounded rectangle
  kBorder = 2,          // border or outline
  kText = 3,            // text run
  kImage = 4,           // image
  kGradient = 5,        // gradient fill
  kPushClip = 6,
  kPopClip = 7,
  kPushTransform = 8,
  kPopTransform = 9,
  kPushOpacity = 10,
  kPopOpacity = 11,
  kPushFilter = 12,
  kPopFilter = 13,
  kBackdropFilter = 14,
};

// Border and outline styles.
inline constexpr std::uint8_t kBorderSolid = 0;
inline constexpr std::uint8_t kBorderDashed = 1;
inline constexpr std::uint8_t kBorderDotted = 2;

// Colours are 0xAARRGGBB. Radii are in the order top-left, top-right, bottom-right,
// bottom-left; widths and per-side colours top, right, bottom, left.
struct DisplayItem {
  ItemKind kind;
  std::uint8_t style;  // kBorder: kBorderSolid/Dashed/Dotted
  std::uint8_t repeat_x, repeat_y;  // kImage
  float x, y, width, height;  // the item's rectangle (kPushClip: the clip; kPushFilter:
                              // the border box inflated by the filters' reach)
  std::uint32_t color;        // kFill, kText, kImage (tint: the element's `color`)
  float radii[4];             // kFill, kBorder, kGradient, kPushClip, kBackdropFilter
  float widths[4];            // kBorder
  std::uint32_t colors[4];    // kBorder

  // kText: the advance origin is (x, y + baseline) where y is the run's top.
  const char* text;              // UTF-8, owned by the node (or its box)
  std::uint32_t text_length;     // bytes
  std::uint32_t code_points;
  std::uint32_t text_revision;   // the node's text revision: a text replaced in place
                                 // with one of the same length still changes the item
  float baseline;                // from y
  FontDescription font;

  // kImage: the destination is (x, y, width, height); the tile area is where repeated
  // tiles are laid, and the image's own size gives the tile size.
  const image::ImageEntry* image;
  std::uint32_t image_generation;  // the entry's generation: new bytes under the same
                                   // name change the item
  float image_width, image_height;
  float tile_x, tile_y, tile_width, tile_height;

  const css::Gradient* gradient;  // kGradient

  float matrix[6];  // kPushTransform: a, b, c, d, e, f (x' = a x + c y + e)
  float opacity;    // kPushOpacity

  const css::Filter* filters;  // kPushFilter, kBackdropFilter
  std::uint32_t filter_count;
};

// The frame's commands, rebuilt each frame into the same storage (capacity starting at
// 256 and doubling).
struct DisplayList {
  DisplayList() = default;
  ~DisplayList();
  DisplayList(const DisplayList&) = delete;
  DisplayList& operator=(const DisplayList&) = delete;

  DisplayItem* items = nullptr;
  std::uint32_t count = 0;
  std::uint32_t capacity = 0;
  // True only after a build that completed: a failed or first frame repaints in full.
  bool complete = false;

  // Copies `other` into this list, growing the storage when needed. False when out of
  // memory (this list is then marked incomplete).
  bool copy_from(const DisplayList& other) noexcept;
};

// Builds the list for the laid-out document (its viewport and scroll offsets included).
// kOk, or kOutOfMemory when an item could not be allocated: the list is then incomplete
// and the next frame repaints in full.
std::int32_t build_display_list(Document& document, DisplayList& list) noexcept;
// The same with the text measurer layout used (null: the fallback measurer), for the
// parts painting measures itself: the caret, control selections and the ellipsis.
std::int32_t build_display_list(Document& document, DisplayList& list,
                                const TextMeasurer* measurer) noexcept;
// Items that draw only inside their own rectangle and lie more than 32 px outside the
// view (or outside the clip around them) are left out, and so are whole subtrees that
// could only give such items, without being walked; kOff keeps every item, for checking
// that leaving them out never changes a frame. kItemsOnly leaves out the same items but
// walks every element, for checking that skipping subtrees never changes a list.
//
// Each node the build walks loses its repaint bit (kDirtyPaint); a subtree it leaves out
// (off-screen, clipped away, not rendered) keeps it. Nothing reads that bit to decide what
// to draw: the document's invalidate callback asks for frames and each list is built whole.
enum class Culling { kOn, kOff, kItemsOnly };
std::int32_t build_display_list(Document& document, DisplayList& list,
                                const TextMeasurer* measurer, Culling culling) noexcept;

// One rectangle per item of `list`, grown by 1 px (3 px for text runs), transformed into
// document coordinates; push items take the union of what they enclose. Each rectangle is
// everything the item can change: a repeating image's whole tile area, a backdrop filter's
// rectangle grown by its filters' reach, a filter group's content grown likewise. False when
// `bounds` could not be sized (the caller repaints in full).
struct ItemBounds {
  Rect* rects = nullptr;
  std::uint32_t count = 0;
  std::uint32_t capacity = 0;
  // False when groups or transforms nested deeper than the stacks hold: the items in
  // there got unbounded rectangles and the frame repaints in full.
  bool exact = true;
  ItemBounds() = default;
  ~ItemBounds();
  ItemBounds(const ItemBounds&) = delete;
  ItemBounds& operator=(const ItemBounds&) = delete;
};
bool item_bounds(const DisplayList& list, ItemBounds& bounds) noexcept;

struct Damage {
  bool partial = false;  // false: repaint the whole window
  Rect rect;             // the damaged rectangle when partial (empty: nothing changed)
};

// Compares the previous frame's list with the new one; fills `bounds` for the new list.
Damage diff_display_lists(const DisplayList& previous, const DisplayList& next,
                          ItemBounds& bounds) noexcept;

// The damage grown so that every filter group and backdrop filter it touches is drawn
// whole: a blur or shadow drawn from only part of what it spreads would differ from the
// full frame, inside the damage and out.
Rect grow_damage_for_effects(const DisplayList& list, const ItemBounds& bounds,
                             Rect damage) noexcept;

// The element under the point (document pixels), or null outside the viewport.
Node* hit_test(Document& document, float x, float y) noexcept;

}  // namespace orlan
