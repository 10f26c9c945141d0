#pragma once

// Inline items and the rules that cut text into them: white-space collapsing and
// preservation, word boundaries, CJK and Hangul break opportunities, text-transform and
// the longest prefix of a word that fits (overflow-wrap, ellipsis).

#include <cstddef>
#include <cstdint>

#include "layout_internal.h"

namespace orlan {

enum InlineItemKind : std::uint8_t {
  kItemText = 0,
  kItemSpace = 1,   // collapsible space, measured as " "
  kItemStart = 2,   // start of an inline element: margin, border and padding on the left
  kItemEnd = 3,     // end of an inline element
  kItemAtomic = 4,  // a box laid out as one unit
  kItemBreak = 5,   // forced break
  kItemFloat = 6,
  kItemStatic = 7,  // where an out-of-flow element would have stood (no size)
};

struct InlineItem {
  Node* node = nullptr;
  const char* text = nullptr;  // base pointer of first/length
  std::uint32_t first = 0;
  std::uint32_t length = 0;
  float width = 0;
  float min_width = 0;  // intrinsic measuring: an atomic's min-content contribution
  float ascent = 0, descent = 0;  // with half-leading and the vertical-align shift
  float font_ascent = 0, font_descent = 0;
  float raise = 0;  // vertical-align shift upwards
  float x = 0;      // line-relative
  std::uint32_t line = 0;
  std::int32_t entry = -1;  // the node's entry in the run
  std::int32_t source = 0;  // index of the built item it came from
  InlineItemKind kind = kItemText;
  std::uint8_t break_before = 0;
  std::uint8_t remainder = 0;  // the rest of a split word
  std::uint8_t estimated = 0;  // width = the word's less the cut part, until measured
  std::uint8_t hidden = 0;     // cut away by an ellipsis
  std::uint8_t ellipsis = 0;   // "…" follows this item
  std::uint8_t transformed = 0;
};

// What the text of one parent style is measured and cut with.
struct TextStyle {
  FontDescription font;
  LineMetrics metrics;
  float raise = 0;
  Keyword white_space = css::kw::Normal;
  Keyword word_break = css::kw::Normal;
  bool wrap = true;
};
TextStyle text_style_of(LayoutContext& context, const ComputedStyle& style) noexcept;

// A growing list of items, at most kMaxInlineItems; a full list takes no more.
struct ItemList {
  InlineItem* items = nullptr;
  int count = 0;
  int capacity = 0;
  bool full = false;
  // Collapsing state: at the start of a line or right after a space.
  bool after_space = true;
  // The previous item ended at a break opportunity (space or breakable character).
  bool after_opportunity = false;

  InlineItem* push(InlineItem item) noexcept;
};
bool init_item_list(LayoutArena& arena, ItemList& list) noexcept;

// text-transform applied to a copy in the arena (the text itself when nothing changes
// or out of memory).
const char* transform_text(LayoutArena& arena, const char* text, std::uint32_t length,
                           Keyword transform, bool* changed) noexcept;

// Appends the items of `length` bytes of text styled by `style`.
void append_text_items(LayoutContext& context, ItemList& list, Node& node, std::int32_t entry,
                       const char* text, std::uint32_t length, bool transformed,
                       const TextStyle& style) noexcept;

// Bytes of the longest prefix (at least one code point) of text[0, length) whose width
// is at most `limit` + the fit tolerance.
std::uint32_t fitting_prefix(LayoutContext& context, const FontDescription& font,
                             const char* text, std::uint32_t length, float limit) noexcept;

}  // namespace orlan
