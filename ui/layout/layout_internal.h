#pragma once

// What the layout files share: the per-run arena, the float area of a block formatting
// context, style questions every algorithm asks, and the box-owned buffers.

#include <cstddef>
#include <cstdint>

#include "computed_style.h"
#include "document.h"
#include "layout_box.h"

namespace orlan {

// ---- Limits ----

inline constexpr int kMaxInlineItems = 2048;
inline constexpr int kMaxRunNodes = 256;
inline constexpr int kMaxFloats = 64;
inline constexpr int kMaxFloatSearch = 128;
inline constexpr float kFitTolerance = 0.01f;
inline constexpr float kScrollbarThickness = 10;
inline constexpr std::uint32_t kMaxLayoutDepth = 512;

// ---- Temporary memory of one run ----

// Bump memory for the algorithms' temporary arrays, released to a mark after each box.
struct LayoutArena {
  struct Chunk {
    Chunk* next;
    std::size_t size;
    std::size_t used;
  };
  Chunk* head = nullptr;   // the chunk being filled; older ones follow
  Chunk* spare = nullptr;  // chunks given back by reset(), reused before new memory
  std::size_t bytes = 0;   // the memory of every chunk it took from the system

  LayoutArena() = default;
  ~LayoutArena();
  LayoutArena(const LayoutArena&) = delete;
  LayoutArena& operator=(const LayoutArena&) = delete;

  struct Mark {
    Chunk* chunk;
    std::size_t used;
  };
  // Zero-filled, 16-byte aligned; null when out of memory.
  void* allocate(std::size_t size) noexcept { return allocate_raw(size, true); }
  template <typename T>
  T* allocate_array(std::size_t count) noexcept {
    return static_cast<T*>(allocate(sizeof(T) * count));
  }
  // Not zero-filled: for the large arrays sized for the worst case whose elements are
  // written before they are read (only the used part of them is ever touched).
  template <typename T>
  T* allocate_array_uninitialized(std::size_t count) noexcept {
    return static_cast<T*>(allocate_raw(sizeof(T) * count, false));
  }
  // A record default-initialized in unfilled memory: members without initializers (the
  // worst-case arrays of a float area, say) are left for their users to write.
  template <typename T>
  T* make() noexcept {
    void* memory = allocate_raw(sizeof(T), false);
    return memory ? new (memory) T : nullptr;
  }
  void* allocate_raw(std::size_t size, bool zero) noexcept;
  Mark mark() const noexcept { return {head, head ? head->used : 0}; }
  void reset(Mark mark) noexcept;
};

// Releases the arena to the mark taken when it was built.
class ArenaScope {
 public:
  explicit ArenaScope(LayoutArena& arena) noexcept : m_arena(arena), m_mark(arena.mark()) {}
  ~ArenaScope() { m_arena.reset(m_mark); }
  ArenaScope(const ArenaScope&) = delete;
  ArenaScope& operator=(const ArenaScope&) = delete;

 private:
  LayoutArena& m_arena;
  LayoutArena::Mark m_mark;
};

// ---- Floats ----

struct FloatBox {
  float x, y, width, height;  // margin box in the context's coordinates
  bool right;
};

// The floats of one block formatting context. Coordinates are relative to the border box
// of the box that started the context; `offset_x`/`offset_y` is where the border box of
// the block being laid out sits in them, so nested blocks ask in their own coordinates.
struct FloatArea {
  FloatBox floats[kMaxFloats];
  int count = 0;
  float offset_x = 0, offset_y = 0;
};

// The free horizontal band [left, right) at local y for height h, starting from the
// container's edges (local coordinates).
struct Band {
  float left, right;
};
Band float_band(const FloatArea& area, float y, float height, float left, float right) noexcept;
// Lowest float bottom strictly below local y (same coordinates), or -1 when none.
float next_float_bottom(const FloatArea& area, float y) noexcept;
// Bottom (local y) of the floats on the cleared side (clear keyword), or -1 when none.
float floats_bottom(const FloatArea& area, Keyword clear) noexcept;
// Places a float's margin box of size m x h at local y or lower in [left, right) and
// records it (ignored beyond the limit). Returns the margin box's local top-left.
struct FloatPlace {
  float x, y;
};
FloatPlace place_float(FloatArea& area, float y, float width, float height, bool right,
                       Keyword clear, float left_edge, float right_edge) noexcept;

// ---- Style questions ----

inline const ComputedStyle* style_of(const Node& node) {
  if (node.style) return node.style;
  if (node.is_text() && node.parent) return node.parent->style;
  return nullptr;
}
bool is_rendered(const Node& node) noexcept;
bool is_block_level(Display display) noexcept;
inline bool is_floated(const ComputedStyle& s) {
  return s.float_ == css::kw::Left || s.float_ == css::kw::Right;
}
inline bool is_out_of_flow_positioned(const ComputedStyle& s) {
  return s.position == css::kw::Absolute || s.position == css::kw::Fixed;
}
inline bool is_positioned(const ComputedStyle& s) {
  return s.position != css::kw::Static;
}
// Elements laid out as one unit in a line (controls, images).
bool is_replaced_or_control(const Node& element) noexcept;
// Form controls that lay out their own text.
bool has_control_text(const Node& element) noexcept;
bool starts_formatting_context(const Node& node, const ComputedStyle& style) noexcept;
bool is_scroll_container(const Node& node) noexcept;
bool is_root_element(const Node& node) noexcept;

// A length against a base (-1 indefinite), with the fallback for auto and the like.
inline float resolve(StyleLength length, float base, float fallback = -1) {
  return resolve_length(length, base, fallback);
}
// Non-finite and absurd values never leave an algorithm.
float sane(float value) noexcept;

// Horizontal padding + border of a box.
inline float horizontal_edges(const LayoutBox& b) {
  return b.padding[kLeft] + b.padding[kRight] + b.border[kLeft] + b.border[kRight];
}
inline float vertical_edges(const LayoutBox& b) {
  return b.padding[kTop] + b.padding[kBottom] + b.border[kTop] + b.border[kBottom];
}
// What the gutter takes beyond padding-right.
inline float gutter_excess(const LayoutBox& b) {
  float e = b.scrollbar_gutter - b.padding[kRight];
  return e > 0 ? e : 0;
}
// Line metrics of a style: ascent and descent with half-leading added.
struct LineMetrics {
  float ascent, descent, font_ascent, font_descent;
};
LineMetrics line_metrics(LayoutContext& context, const ComputedStyle& style) noexcept;
float measure_text(LayoutContext& context, const FontDescription& font, const char* text,
                   std::size_t length) noexcept;

// A border-box size imposed from outside (stretched between insets or across a grid
// area) kept within the element's own min and max sizes. Percentages of padding resolve
// against `width_base`, of the limits against `axis_base` (-1: indefinite).
float clamp_imposed_size(const Node& element, float size, bool horizontal, float width_base,
                         float axis_base) noexcept;

// ---- Boxes ----

LayoutBox* ensure_box(Node& node) noexcept;
void release_box(Node& node) noexcept;
// Drops the boxes of a subtree (the node's own included).
void release_subtree_boxes(Node& node) noexcept;
// Boxes and the buffers they own come from their document's pools and go back there: a
// long table's boxes hold hundreds of thousands of small buffers, which the system
// allocator makes dear. A buffer is released with the capacity it was handed out with
// (what `capacity` reports, or the size asked for).
void* allocate_box_buffer(Document& document, std::size_t size,
                          std::size_t* capacity = nullptr) noexcept;
void free_box_buffer(Document& document, void* buffer, std::size_t capacity) noexcept;
// Grows a box-owned buffer to hold `count` records of `size` bytes (`capacity` counts
// records). False when out of memory (the old buffer stays).
bool grow_buffer(Document& document, void*& buffer, std::uint32_t& capacity, std::uint32_t count,
                 std::size_t size) noexcept;
// Forgets a box's cached layouts and intrinsic widths (its inputs changed in a way its
// dirty bits do not show, such as a table cell's collapsed borders).
void invalidate_box_caches(LayoutBox& box) noexcept;
// A cell's collapsed borders go (its table stopped collapsing, or stopped being a table).
void forget_collapsed_borders(Document& document, LayoutBox& box) noexcept;
// The borders a table cell takes from its collapsing table, or null when it uses its own.
inline const CollapsedBorders* cell_collapsed_borders(const Node& cell) {
  return cell.box ? cell.box->collapsed : nullptr;
}
// Installs the node-data hooks that free boxes with their nodes (done on first layout).
void install_layout_hooks() noexcept;

// ---- Tables ----

// Moves the in-flow content of a cell down by `dy` (its lines and child boxes; the
// baseline is the caller's). A table keeps each cell's vertical-align shift in the cell
// box's static_y.
void shift_cell_content(Node& cell, LayoutBox& box, float dy) noexcept;
// A cell of a row of a table (directly or through a row group): any in-flow element.
bool is_cell_of_table(const Node& cell) noexcept;

// ---- The algorithms ----

// Block flow of a block container's children into `box` (content width given, content
// height -1 when auto). Returns the content height.
float layout_block_flow(LayoutContext& context, Node& node, LayoutBox& box, float content_width,
                        float content_height, float available_height) noexcept;

// One run of inline-level nodes laid out into line boxes, appended to the container's
// lines and runs, starting at content-relative y. Returns the y below the last line.
struct InlineRun {
  Node** nodes;
  int count;
};
float layout_inline_run(LayoutContext& context, Node& container, LayoutBox& box,
                        const InlineRun& run, float content_width, float y) noexcept;
// Min-content and max-content widths of a run of inline-level nodes.
IntrinsicWidths inline_run_intrinsic(LayoutContext& context, const InlineRun& run) noexcept;
// Clears a container's lines and runs before its content is laid out again.
void clear_inline_results(LayoutBox& box) noexcept;

// The text of a form control laid out into the box's text lines. Returns the content
// height.
float layout_control_text(LayoutContext& context, Node& element, LayoutBox& box,
                          float content_width) noexcept;
IntrinsicWidths control_intrinsic(LayoutContext& context, Node& element) noexcept;

// Lays out the absolutely (and fixed) positioned descendants of a positioned box or of
// the root.
void layout_positioned_descendants(LayoutContext& context, Node& container,
                                   LayoutBox& box) noexcept;
// A fixed box at its static position moves to where its parent is now (called again
// once the whole tree has its final positions).
void place_fixed_at_static_position(Node& element) noexcept;
// Static position of an out-of-flow element, relative to its parent's box.
void set_static_position(Node& element, float x, float y) noexcept;

// Clamps every scroll offset silently (no event) after a layout run.
void clamp_all_scroll_offsets(Document& document) noexcept;

}  // namespace orlan
