#pragma once

// The records of the layout stage: one LayoutBox per rendered node with its caches, the
// text measurer the renderer supplies, the line boxes and text runs of inline content,
// and the calls that lay out a document, a box, and answer where a node ended up.
//
// Geometry is 32-bit float CSS pixels. A box's x and y are its border-box origin relative
// to the parent node's box (the nearest ancestor that has one); line boxes and text runs
// are relative to the border box of the block container whose inline content they hold.

#include <cstddef>
#include <cstdint>

#include "atom_table.h"
#include "node.h"

namespace orlan {

struct Document;
struct ComputedStyle;

// ---- Text measuring ----

// What the measurer needs to know about a font.
struct FontDescription {
  Atom family = 0;  // font-family atom
  float size = 16;  // px
  float weight = 400;
  std::uint8_t italic = 0;      // font-style "italic"
  std::uint8_t decoration = 0;  // text-decoration lines (low two bits)
  float letter_spacing = 0;     // px, added after every code point
};

struct FontMetrics {
  float ascent = 0;   // px above the baseline
  float descent = 0;  // px below it
};

// Two operations and the caller's data. The renderer supplies one backed by its font
// system; without a renderer the engine uses fallback_text_measurer().
struct TextMeasurer {
  void* user = nullptr;
  // Advance width in px of `length` bytes of UTF-8 text (letter-spacing included).
  float (*measure)(void* user, const AtomTable& atoms, const FontDescription& font,
                   const char* text, std::size_t length) = nullptr;
  FontMetrics (*metrics)(void* user, const AtomTable& atoms, const FontDescription& font) = nullptr;
  // Changes whenever the answers above may have changed (new font bytes arrived), so that
  // layout's own record of measured widths is dropped. Null: the answers never change.
  std::uint32_t (*generation)(void* user) = nullptr;
};

// The engine's own measurer: deterministic widths from the font size alone. A wide
// character (CJK, Hangul, full-width forms) advances by the font size, every other code
// point by half of it, each plus letter-spacing; U+200B advances by nothing. Ascent is
// 0.8 and descent 0.2 of the font size. Malformed UTF-8 counts one narrow code point per
// byte that cannot start or continue a sequence.
const TextMeasurer& fallback_text_measurer() noexcept;

// Whether the code point advances by a whole em in the fallback measurer (and breaks
// lines around itself unless it is Hangul).
bool is_wide_code_point(std::uint32_t cp) noexcept;
bool is_hangul_code_point(std::uint32_t cp) noexcept;

// The font of a style (family, size, weight, italic, decoration, letter-spacing).
FontDescription font_of(const ComputedStyle& style) noexcept;

// ---- Inline results ----

// Run flags.
inline constexpr std::uint8_t kRunEllipsis = 1;  // "…" is drawn right after this run
inline constexpr std::uint8_t kRunAtomic = 2;    // an atomic inline's slot; no text

// A piece of one text node's text on one line, or an atomic inline's place in it.
struct TextRun {
  const Node* node = nullptr;  // the text node (or the atomic element)
  std::uint32_t first = 0;     // byte offset into the node's text (after text-transform:
                               // into the transformed text the run also points to)
  std::uint32_t length = 0;    // bytes
  const char* text = nullptr;  // the text drawn (the node's own text, or a transformed
                               // copy owned by the container box)
  float x = 0, y = 0;          // top-left (y = baseline - ascent)
  float width = 0;
  float ascent = 0, descent = 0;  // font metrics of the run (without half-leading)
  std::uint32_t line = 0;
  std::uint8_t flags = 0;
};

// One line of an inline formatting context.
struct LineBox {
  float x = 0, y = 0;  // top-left of the line box
  float width = 0;     // used width (trailing spaces excluded)
  float height = 0;
  float baseline = 0;  // from the line's top
  std::uint32_t first_run = 0;
  std::uint32_t run_count = 0;
};

// A line of a form control's own text (its value, placeholder or option text).
struct TextLine {
  std::uint32_t first = 0;   // byte offset into the box's display text
  std::uint32_t length = 0;  // bytes
  float x = 0, y = 0;        // top-left, relative to the control's border box
  float width = 0;
  float height = 0;
  float baseline = 0;  // from the line's top
};

// ---- The box ----

// The borders a table cell draws when its table collapses borders: each side's width,
// colour and style after the conflict resolution with its neighbours (cell, row, row
// group, column, table). Owned by the cell's box.
struct CollapsedBorders {
  float widths[4] = {};          // top, right, bottom, left
  std::uint32_t colors[4] = {};  // 0xAARRGGBB
  std::uint8_t styles[4] = {};   // each side's border-style keyword (css::kw)
};

// The four inputs of one box layout; -1 means not given. Forced sizes are border-box
// sizes imposed by a flex, grid or table container.
struct LayoutConstraints {
  float available_width = -1;
  float available_height = -1;
  float forced_width = -1;
  float forced_height = -1;
  bool operator==(const LayoutConstraints&) const = default;
};

// What one box layout produced (restored from the cache instead of laying out again).
struct LayoutResult {
  float width = 0, height = 0;
  float content_width = 0, content_height = 0;
  float baseline = -1;
  float margin[4] = {};
  float border[4] = {};
  float padding[4] = {};
  float scrollbar_gutter = 0;
};

struct LayoutCacheEntry {
  LayoutConstraints constraints;
  LayoutResult result;
};
static_assert(sizeof(LayoutCacheEntry) == 88);

inline constexpr int kLayoutHistory = 3;

// What a table row's last layout by its table left behind: a row whose cells, neighbours
// and styles are as they were then, in a table whose columns are as they were, is placed
// again without visiting its cells (a long table costs what its changed rows cost).
struct TableRowSummary {
  std::uint64_t columns_key = 0;  // the table's columns and borders then (0: no summary)
  std::uint64_t borders_key = 0;  // its own, its group's and the group's borders then
  const Node* group = nullptr;
  const Node* previous_row = nullptr;  // the rows beside it then (null: none)
  const Node* next_row = nullptr;
  float natural_height = 0;  // before the table spread any height over its rows
  float final_height = 0;
  float baseline = -1;          // its first cell baseline, from the row's top (-1: none)
  std::uint8_t column_end = 0;  // columns its cells reached
  bool reads_available_height = false;
};

struct LayoutBox {
  // Boxes own buffers: never copied.
  LayoutBox() = default;
  LayoutBox(const LayoutBox&) = delete;
  LayoutBox& operator=(const LayoutBox&) = delete;

  float x = 0, y = 0;           // border-box origin relative to the parent's box
  float width = 0, height = 0;  // border box
  float margin[4] = {};         // top, right, bottom, left
  float border[4] = {};
  float padding[4] = {};
  float scrollbar_gutter = 0;  // 10 for a scroll container with scrollbar-gutter stable
  // Scroll extents: the largest extent the content reached (content-box coordinates of
  // this box, measured from its content origin).
  float content_width = 0, content_height = 0;
  float baseline = -1;  // first baseline from the border-box top; -1: none

  // Form-control text: lines into the display text. Both buffers belong to the box.
  TextLine* text_lines = nullptr;
  std::uint32_t text_line_count = 0;
  std::uint32_t text_line_capacity = 0;
  char* display_text = nullptr;  // capacity from 64 bytes, doubling
  std::uint32_t display_text_length = 0;
  std::uint32_t display_text_capacity = 0;

  // Inline content of a block container: its line boxes and their runs, in order.
  // Buffers belong to the box (a transformed text copy too) and are kept between frames.
  LineBox* lines = nullptr;
  std::uint32_t line_count = 0;
  std::uint32_t line_capacity = 0;
  TextRun* runs = nullptr;
  std::uint32_t run_count = 0;
  std::uint32_t run_capacity = 0;
  char* run_text = nullptr;  // transformed text the runs may point into
  std::uint32_t run_text_length = 0;
  std::uint32_t run_text_capacity = 0;

  // Intrinsic widths (border box), valid for `intrinsic_generation`.
  float min_content = 0, max_content = 0;
  std::uint32_t intrinsic_generation = 0;
  bool intrinsic_valid = false;

  // The last layout and a short history of earlier constraint sets. A history hit
  // restores the sizes only: the lines and children still hold the last real layout's
  // geometry. If a run ends with the box in that state (`geometry_stale`), it is laid out
  // again at `stale_constraints`, which gives the same sizes and the matching geometry.
  LayoutCacheEntry cache;
  std::uint32_t cache_generation = 0;
  bool cache_valid = false;
  bool geometry_stale = false;
  // The last real layout of the box or of a box below it read the available height (a
  // percentage height, say). Without it, constraints that differ only there give the
  // same result.
  bool reads_available_height = true;
  std::uint8_t history_count = 0;
  // kLayoutHistory entries, allocated when the first one is kept (most boxes are only ever
  // laid out at one constraint set); the box owns it.
  LayoutCacheEntry* history = nullptr;
  LayoutConstraints stale_constraints;

  // Where an absolutely positioned box would have stood in flow, relative to its
  // parent's box (the start of its insets when they are auto).
  float static_x = 0, static_y = 0;
  // The cached layout neither saw nor left floats of an enclosing formatting context, so
  // it holds wherever the box is placed.
  bool cache_float_free = false;
  // Set on the cells of a table with collapsed borders (null elsewhere).
  CollapsedBorders* collapsed = nullptr;
  // On a table's box: the layout run that last resolved its cells' collapsed borders, and
  // how many rows its last model had.
  std::uint32_t borders_generation = 0;
  std::uint32_t table_row_hint = 0;
  // On a table row's box (see TableRowSummary).
  TableRowSummary row_summary;
  // A fixed box placed at its static position along x (1) or y (2): its viewport position
  // follows its parent's, which is known only once the whole tree is laid out. On the
  // root element's box: such a box exists somewhere below.
  std::uint8_t fixed_static = 0;
  // The last walk for positioned descendants met no positioned element below this static
  // box; it holds until something in the subtree changes (its dirty bits say so).
  bool nothing_positioned_below = false;
};

// ---- Layout ----

struct LayoutArena;
struct FloatArea;
class TextWidthCache;

// The state of one layout run.
struct LayoutContext {
  Document* document = nullptr;
  const TextMeasurer* measurer = nullptr;
  // The document's record of measured widths in front of the measurer (null: none).
  TextWidthCache* text_widths = nullptr;
  std::uint32_t generation = 0;
  LayoutArena* arena = nullptr;  // temporary data, reset per box
  FloatArea* floats = nullptr;   // the current block formatting context's floats
  float line_right_limit = -1;   // current right limit for line boxes (-1: none)
  float viewport_width = 0, viewport_height = 0;
  // How many boxes were laid out (not restored from their cache) in this run, and how
  // many table rows were placed from their summaries.
  std::uint32_t boxes_laid_out = 0;
  std::uint32_t rows_placed = 0;
  void* inline_scratch = nullptr;  // per-depth inline buffers, freed at the run's end
  // Set when the viewport changed: results of earlier runs are not trusted.
  bool ignore_older_caches = false;
  // Nesting of box layouts in progress; boxes nested deeper than the engine's limit are
  // not laid out (they get no geometry), so no tree can exhaust the stack.
  std::uint32_t depth = 0;
  // Boxes whose last layout in this run was a history hit (see LayoutBox), in a buffer
  // that grows as needed (a long table notes two per cell) and that layout_document
  // frees; when it cannot grow, the whole tree is searched for them instead.
  Node** stale = nullptr;
  std::uint32_t stale_count = 0;
  std::uint32_t stale_capacity = 0;
  bool stale_overflow = false;
  // The box the next layout_box call must lay out for real, whatever its cache holds.
  const Node* relayout_target = nullptr;
  // Whether the box layouts in progress read their available height (see LayoutBox).
  bool reads_available_height = false;
};

// Whether the last walk for positioned descendants met none below this static element and
// nothing in its subtree changed since: walks looking for positioned boxes skip it.
inline bool known_free_of_positioned_boxes(const Node& element) noexcept {
  return element.box && element.box->nothing_positioned_below &&
         !(element.dirty & (kDirtyStyle | kDirtyLayout | kDirtyDescendant));
}

// What a layout run did (for tests and benchmarks).
struct LayoutStats {
  bool skipped = false;              // nothing changed: only the dirty bits were cleared
  std::uint32_t boxes_laid_out = 0;  // boxes laid out instead of restored from cache
  std::uint32_t rows_placed = 0;     // table rows placed again without visiting their cells
  std::uint32_t generation = 0;
  std::size_t scratch_bytes = 0;     // the memory the run's scratch arena took
};

// The frame's entry point: runs the style pass, then lays out the `html` element at the
// viewport size with `measurer` (null: the fallback), clamps scroll offsets silently
// (no scroll event is dispatched from inside the frame) and clears the layout bits.
LayoutStats layout_document(Document& document, float viewport_width, float viewport_height,
                            const TextMeasurer* measurer) noexcept;

// Lays out one node with the given constraints (-1: not given) and returns its box, or
// null when the node is not rendered or its box cannot be allocated. The box's x and y
// are left to the caller (the parent's formatting algorithm).
LayoutBox* layout_box(LayoutContext& context, Node& node, float available_width,
                      float available_height, float forced_width, float forced_height) noexcept;

// Min-content and max-content border-box widths, cached per generation.
struct IntrinsicWidths {
  float min_content = 0;
  float max_content = 0;
};
IntrinsicWidths intrinsic_widths(LayoutContext& context, Node& node) noexcept;

// Flex, grid and table containers are laid out by their own algorithms, installed here.
// Each gets the container's content-box width and height (-1: auto), the available
// height and, for grid, the min-height floor (-1: none); it positions the children (x, y
// relative to the container's border box), sets the box's content extents and baseline
// and returns the used content height. An unset hook lays the container out as a block.
struct ContainerLayoutInput {
  float content_width = 0;
  float content_height = -1;
  float available_height = -1;
  float min_height_floor = -1;
};
struct ContainerLayoutHooks {
  float (*flex)(LayoutContext& context, Node& node, LayoutBox& box,
                const ContainerLayoutInput& input) = nullptr;
  float (*grid)(LayoutContext& context, Node& node, LayoutBox& box,
                const ContainerLayoutInput& input) = nullptr;
  float (*table)(LayoutContext& context, Node& node, LayoutBox& box,
                 const ContainerLayoutInput& input) = nullptr;
  // Content-box intrinsic widths of such a container (padding, border and the min/max
  // clamps are added by the caller). Unset: measured as a block container.
  IntrinsicWidths (*intrinsic)(LayoutContext& context, Node& node) = nullptr;
};
void set_container_layout_hooks(const ContainerLayoutHooks* hooks) noexcept;

// ---- Positions and scrolling ----

// Boxes of `position: fixed` elements hold viewport coordinates in x and y (they do not
// move with any ancestor or scroll offset); every other box is relative to its parent's.
struct Rect {
  float x = 0, y = 0, width = 0, height = 0;
};

// The border box of a node in document coordinates: box origins summed up the tree,
// minus the scroll offsets of scrolling ancestors (the root's own offset when asked for
// the root), plus sticky shifts. A node without a box gives an empty rectangle at 0,0.
Rect absolute_position(const Node& node) noexcept;

}  // namespace orlan
