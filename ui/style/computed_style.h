#pragma once

// The computed style of one element or generated box: what layout, painting and the
// animation stage read. One fixed-size record per element, bump-allocated from the
// document's style arena, shared between equal siblings and never freed one by one; the
// list payloads it points to (tracks, shadows, transforms, transitions, ...) live in the
// style arena or in the sheet that parsed them and are shared, not owned.
//
// The fields come in three consecutive groups: layout-affecting (display .. vertical_align),
// paint-only (color .. object_position) and the rest (transform .. custom properties).
// Change detection compares each group as one block of bytes, so fields are only ever
// added inside their group, and every record starts zero-filled (padding included).

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "css_value.h"
#include "properties.h"

namespace orlan {

struct Document;
struct Node;
namespace css {
struct Declaration;
}

// ---- Resolved lengths ----

// Unit tags of a StyleLength. em, rem, vw and vh appear only in declared values and are
// resolved to px while the declaration is applied; fr, min-content, max-content and the
// fit-content limits appear only in grid track records.
enum StyleUnit : std::uint32_t {
  kStyleNone = 0,  // "none" for max sizes; a plain number (line-height factor)
  kStylePx = 1,
  kStylePercent = 2,
  kStyleAuto = 4,
  kStyleFr = 5,
  kStyleMixed = 9,  // px part in value; operation and percent part in the unit word
  kStyleMinContent = 10,
  kStyleMaxContent = 11,
  kStyleFitContentPx = 12,
  kStyleFitContentPercent = 13,
};

// The operation of a mixed length (bits 8..15 of its unit word).
enum class MixedOp : std::uint8_t { kSum = 0, kMin = 1, kMax = 2 };

struct StyleLength {
  float value = 0;
  std::uint32_t unit = kStyleNone;

  bool operator==(const StyleLength&) const = default;

  static constexpr StyleLength px(float v) { return {v, kStylePx}; }
  static constexpr StyleLength percent(float v) { return {v, kStylePercent}; }
  static constexpr StyleLength automatic() { return {0, kStyleAuto}; }
  static constexpr StyleLength none() { return {0, kStyleNone}; }

  // The unit without the mixed-length payload.
  constexpr std::uint32_t kind() const { return unit & 0xFFu; }
  constexpr bool is_px() const { return kind() == kStylePx; }
  constexpr bool is_percent() const { return kind() == kStylePercent; }
  constexpr bool is_auto() const { return kind() == kStyleAuto; }
  constexpr bool is_mixed() const { return kind() == kStyleMixed; }
  // Mixed lengths: the operation and the percent part (1/64 percent steps).
  constexpr MixedOp mixed_op() const { return static_cast<MixedOp>((unit >> 8) & 0xFFu); }
  constexpr float mixed_percent() const {
    return static_cast<float>(static_cast<std::int16_t>(unit >> 16)) / 64.0f;
  }
};

// A mixed length: px part `px`, percent part `percent` (stored in 1/64 percent, rounded
// half away from zero and clamped to the signed 16-bit range).
StyleLength make_mixed_length(float px, float percent, MixedOp op) noexcept;

// The length against a base size (-1: indefinite). px gives its value; percent
// value * base / 100 when base >= 0; mixed lengths combine their parts (with an
// indefinite base a sum gives the fallback, min and max their px part); every other unit
// gives the fallback.
float resolve_length(StyleLength length, float base, float fallback = -1) noexcept;

// line-height in px: px as is, anything else a factor of the font size.
inline float resolve_line_height(StyleLength line_height, float font_size) {
  return line_height.kind() == kStylePx ? line_height.value : line_height.value * font_size;
}

// ---- Records the style points to ----

// A grid track: minimum and maximum sizing (px, percent, auto, fr, min-/max-content, a
// fit-content limit) and its repeat mark (0 none, 1 auto-fill, 2 auto-fit).
struct StyleTrack {
  StyleLength min = StyleLength::automatic();
  StyleLength max = StyleLength::automatic();
  std::uint32_t kind = 0;
  bool operator==(const StyleTrack&) const = default;
};

// One background layer. `image` is the atom of an image name given with url() (0 for
// none); `gradient` is set instead for a gradient.
struct BackgroundLayer {
  const css::Gradient* gradient = nullptr;
  std::uint32_t image = 0;
  std::uint8_t size_keyword = 0;  // 0 (use size), or the keyword cover / contain
  std::uint8_t repeat = 0;        // keyword: repeat, no-repeat, repeat-x, repeat-y
  std::uint8_t reserved[2] = {};
  StyleLength size[2] = {StyleLength::automatic(), StyleLength::automatic()};
  StyleLength position[2] = {StyleLength::px(0), StyleLength::px(0)};
};

// One custom property: its name atom ("--gap") and its value text.
struct CustomProperty {
  std::uint32_t name = 0;
  std::uint32_t length = 0;
  const char* text = nullptr;
};

// ---- Keyword-valued fields ----

// A keyword field holds the CSS keyword id (css::kw) directly.
using Keyword = std::uint8_t;

enum class Display : std::uint8_t {
  kNone = 0,
  kBlock = 1,
  kFlex = 2,
  kGrid = 3,
  kInline = 4,
  kInlineBlock = 5,
  kInlineFlex = 6,
  kInlineGrid = 7,
  kTable = 8,
  kInlineTable = 9,
  kTableRowGroup = 10,
  kTableRow = 11,
  kTableCell = 12,
  kTableCaption = 13,
  kTableColumn = 14,
};

// Index of the four-sided fields.
enum Side : int { kTop = 0, kRight = 1, kBottom = 2, kLeft = 3 };
// Index of the radii.
enum Corner : int { kTopLeft = 0, kTopRight = 1, kBottomRight = 2, kBottomLeft = 3 };

// Bits of ComputedStyle::individual_transforms.
inline constexpr std::uint8_t kHasTranslate = 1;
inline constexpr std::uint8_t kHasRotate = 2;
inline constexpr std::uint8_t kHasScale = 4;

// The currentcolor sentinel (outline-color's initial value; filter drop-shadows).
inline constexpr std::uint32_t kCurrentColor = css::kCurrentColor;

struct ComputedStyle {
  // ---- Group L: layout-affecting ----
  Display display = Display::kInline;
  Keyword position = css::kw::Static;
  Keyword box_sizing = css::kw::ContentBox;
  Keyword overflow = css::kw::Visible;
  Keyword scrollbar_gutter = css::kw::Auto;
  StyleLength width = StyleLength::automatic();
  StyleLength height = StyleLength::automatic();
  StyleLength min_width = StyleLength::px(0);
  StyleLength min_height = StyleLength::px(0);
  StyleLength max_width = StyleLength::none();
  StyleLength max_height = StyleLength::none();
  StyleLength margin[4] = {StyleLength::px(0), StyleLength::px(0), StyleLength::px(0),
                           StyleLength::px(0)};
  StyleLength padding[4] = {StyleLength::px(0), StyleLength::px(0), StyleLength::px(0),
                            StyleLength::px(0)};
  StyleLength inset[4] = {StyleLength::automatic(), StyleLength::automatic(),
                          StyleLength::automatic(), StyleLength::automatic()};
  float border_width[4] = {0, 0, 0, 0};  // px
  Keyword flex_direction = css::kw::Row;
  Keyword flex_wrap = css::kw::Nowrap;
  Keyword align_items = css::kw::Stretch;
  Keyword align_self = css::kw::Auto;
  Keyword justify_content = css::kw::Normal;
  Keyword align_content = css::kw::Stretch;
  float flex_grow = 0;
  float flex_shrink = 1;
  StyleLength flex_basis = StyleLength::automatic();
  StyleLength row_gap = StyleLength::px(0);
  StyleLength column_gap = StyleLength::px(0);
  const StyleTrack* grid_template_columns = nullptr;
  const StyleTrack* grid_template_rows = nullptr;
  std::uint16_t grid_template_column_count = 0;
  std::uint16_t grid_template_row_count = 0;
  StyleTrack grid_auto_columns;
  StyleTrack grid_auto_rows;
  // Line n as n, a span of n as -n, 0 for auto.
  std::int16_t grid_column_start = 0;
  std::int16_t grid_row_start = 0;
  std::int16_t grid_column_end = 0;
  std::int16_t grid_row_end = 0;
  Keyword justify_items = css::kw::Stretch;
  Keyword justify_self = css::kw::Auto;
  std::int32_t order = 0;
  // Area-name atoms, rows x columns (0 for an empty cell).
  const std::uint32_t* grid_template_areas = nullptr;
  std::uint8_t grid_template_area_rows = 0;
  std::uint8_t grid_template_area_columns = 0;
  std::uint32_t grid_area = 0;  // area-name atom
  float aspect_ratio = 0;       // 0: none
  Keyword overflow_wrap = 0;
  Keyword list_style_type = css::kw::None;
  bool list_style_inside = false;
  bool border_collapse = false;  // true for "collapse"
  bool table_layout_fixed = false;
  StyleLength border_spacing_x = StyleLength::px(0);
  StyleLength border_spacing_y = StyleLength::px(0);
  StyleLength text_indent = StyleLength::px(0);
  std::uint8_t line_clamp = 0;  // 0: none
  Keyword user_select = css::kw::Auto;
  std::uint32_t font_family = 0;  // atom; "sans-serif" unless set
  float font_size = 16;           // px
  float font_weight = 400;
  StyleLength line_height = {1.2f, kStyleNone};  // px, or a factor (unit none)
  Keyword text_align = css::kw::Left;
  Keyword white_space = css::kw::Normal;
  Keyword word_break = css::kw::Normal;
  Keyword font_style = css::kw::Normal;
  Keyword text_overflow = css::kw::Clip;
  Keyword text_transform = css::kw::None;
  Keyword float_ = css::kw::None;  // `float`
  Keyword clear = css::kw::None;
  bool flow_root = false;
  float letter_spacing = 0;    // px
  Keyword vertical_align = 0;  // 0: baseline

  // ---- Group P: paint-only ----
  std::uint32_t color = 0xFF000000;
  std::uint32_t accent_color = 0;  // 0: unset
  std::uint32_t caret_color = 0;
  bool caret_color_set = false;
  std::uint32_t placeholder_color = 0;  // 0: unset
  std::uint32_t background_color = 0;
  std::uint32_t border_color[4] = {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000};
  Keyword border_style = css::kw::None;  // one style for all four sides
  StyleLength border_radius[4] = {StyleLength::px(0), StyleLength::px(0), StyleLength::px(0),
                                  StyleLength::px(0)};
  Keyword outline_style = css::kw::Solid;
  float opacity = 1;
  std::int32_t z_index = 0;
  bool z_index_auto = true;
  Keyword cursor = css::kw::Auto;
  std::uint8_t text_decoration = 0;  // css::kDecorationUnderline | kDecorationLineThrough
  Keyword visibility = css::kw::Visible;
  Keyword pointer_events = css::kw::Auto;
  float outline_width = 0;   // px
  float outline_offset = 0;  // px
  std::uint32_t outline_color = kCurrentColor;
  const css::Shadow* text_shadow = nullptr;
  const BackgroundLayer* background_layers = nullptr;
  const css::Shadow* box_shadow = nullptr;
  const css::Filter* filter = nullptr;
  const css::Filter* backdrop_filter = nullptr;
  std::uint8_t text_shadow_count = 0;
  std::uint8_t background_layer_count = 0;
  std::uint8_t box_shadow_count = 0;
  std::uint8_t filter_count = 0;
  std::uint8_t backdrop_filter_count = 0;
  std::uint32_t selection_background = 0;
  std::uint32_t selection_color = 0;
  Keyword object_fit = css::kw::Fill;
  StyleLength object_position[2] = {StyleLength::percent(50), StyleLength::percent(50)};

  // ---- Group X: the rest ----
  const css::TransformOp* transform = nullptr;
  std::uint16_t transform_count = 0;
  StyleLength transform_origin[2] = {StyleLength::percent(50), StyleLength::percent(50)};
  css::TransformOp translate;  // valid when individual_transforms has kHasTranslate
  css::TransformOp rotate;     // kHasRotate
  css::TransformOp scale;      // kHasScale
  std::uint8_t individual_transforms = 0;
  const css::TransitionEntry* transition = nullptr;
  std::uint16_t transition_count = 0;
  const css::AnimationEntry* animation = nullptr;
  std::uint16_t animation_count = 0;
  std::uint32_t content = 0;  // string atom
  bool content_present = false;
  const CustomProperty* custom_properties = nullptr;  // lookup takes the last entry
  std::uint16_t custom_property_count = 0;
};

// Byte ranges of the three groups.
inline constexpr std::size_t kStyleLayoutBegin = offsetof(ComputedStyle, display);
inline constexpr std::size_t kStylePaintBegin = offsetof(ComputedStyle, color);
inline constexpr std::size_t kStyleRestBegin = offsetof(ComputedStyle, transform);
inline constexpr std::size_t kStyleEnd = sizeof(ComputedStyle);

namespace detail {
// Whether two payload arrays hold the same bytes (equal addresses or both empty first).
inline bool same_payload(const void* a, const void* b, std::size_t bytes) {
  return a == b || bytes == 0 || (a && b && std::memcmp(a, b, bytes) == 0);
}
inline bool same_bytes(const ComputedStyle& a, const ComputedStyle& b, std::size_t begin,
                       std::size_t end) {
  return std::memcmp(reinterpret_cast<const unsigned char*>(&a) + begin,
                     reinterpret_cast<const unsigned char*>(&b) + begin, end - begin) == 0;
}
}  // namespace detail

// Group L compares its list payloads (grid tracks and areas) by content: the same lists
// are copied again into another arena after a compaction or when the interning cache
// forgot them, and an unchanged container must still compare equal.
inline bool layout_group_equal(const ComputedStyle& a, const ComputedStyle& b) {
  constexpr std::size_t tracks = offsetof(ComputedStyle, grid_template_columns);
  constexpr std::size_t counts = offsetof(ComputedStyle, grid_template_column_count);
  constexpr std::size_t areas = offsetof(ComputedStyle, grid_template_areas);
  constexpr std::size_t area_sizes = offsetof(ComputedStyle, grid_template_area_rows);
  static_assert(offsetof(ComputedStyle, grid_template_rows) > tracks &&
                offsetof(ComputedStyle, grid_template_rows) < counts && areas > counts &&
                area_sizes > areas);
  if (!detail::same_bytes(a, b, 0, tracks) || !detail::same_bytes(a, b, counts, areas) ||
      !detail::same_bytes(a, b, area_sizes, kStylePaintBegin))
    return false;
  // The counts are equal now.
  return detail::same_payload(a.grid_template_columns, b.grid_template_columns,
                              sizeof(StyleTrack) * a.grid_template_column_count) &&
         detail::same_payload(a.grid_template_rows, b.grid_template_rows,
                              sizeof(StyleTrack) * a.grid_template_row_count) &&
         detail::same_payload(a.grid_template_areas, b.grid_template_areas,
                              sizeof(std::uint32_t) * a.grid_template_area_rows *
                                  a.grid_template_area_columns);
}
inline bool paint_group_equal(const ComputedStyle& a, const ComputedStyle& b) {
  const auto* pa = reinterpret_cast<const unsigned char*>(&a);
  const auto* pb = reinterpret_cast<const unsigned char*>(&b);
  return std::memcmp(pa + kStylePaintBegin, pb + kStylePaintBegin,
                     kStyleRestBegin - kStylePaintBegin) == 0;
}
inline bool styles_equal(const ComputedStyle& a, const ComputedStyle& b) {
  return layout_group_equal(a, b) && detail::same_bytes(a, b, kStylePaintBegin, kStyleEnd);
}

// The value text of custom property `name` (the last entry with that name), or null.
const CustomProperty* find_custom_property(const ComputedStyle& style, std::uint32_t name) noexcept;

// ---- The style pass ----

// Transitions and animations start and tick through these hooks; the animation stage
// installs them. Unset hooks: nothing animates and the pass reports none running.
struct AnimationHooks {
  // An element's style was recomputed; `old_style` is null on its first style and after a
  // full reset. May change `new_style` in place (running values) before it is compared
  // and shared; an element left with an AnimationState is never shared.
  void (*update)(Document& document, Node& element, const ComputedStyle* old_style,
                 ComputedStyle& new_style, double now) = nullptr;
  // Ticks every running transition and animation; returns how many run and stores the
  // delay in milliseconds until the next frame is needed (0: none or at once).
  std::uint32_t (*tick)(Document& document, double now, double* next_frame_delay) = nullptr;
};
void set_animation_hooks(const AnimationHooks* hooks) noexcept;

// Runs at the start of every frame: stores `now` (milliseconds of the high-resolution
// counter) in the document, restyles what is marked, then ticks transitions and
// animations. Returns the number of running transitions and animations and stores the
// delay until the next frame they need in document.animation_frame_delay (0: none or at
// once). Marks nodes for relayout and repaint where their styles changed.
std::uint32_t style_pass(Document& document, double now) noexcept;

// The style of `element` computed from scratch with `parent` (null: the initial values
// are inherited). Null when out of memory. The record lives in the active style arena.
ComputedStyle* compute_style(Document& document, Node& element,
                             const ComputedStyle* parent) noexcept;

// What applying one declaration needs to know. The cascade fills it per element; the
// animation stage uses it to evaluate keyframe blocks.
struct CascadeContext {
  Document* document = nullptr;
  Node* element = nullptr;
  ComputedStyle* style = nullptr;         // the record being built
  const ComputedStyle* parent = nullptr;  // null: none
  float parent_font_size = 16;
  bool from_style_attribute = false;  // text values are copied into the style arena
  // Border colours set by a declaration of this computation (bit 1 << side).
  std::uint8_t border_colors_set = 0;
  // The cascade's own bookkeeping for this computation (null outside the cascade).
  void* run = nullptr;
};

// Applies one declaration to context.style: keywords (inherit, initial, unset), var()
// substitution, unit resolution and calc(). A declaration that cannot be applied has no
// effect.
void apply_declaration(CascadeContext& context, const css::Declaration& declaration) noexcept;

// Whether setting or removing the attribute can change the element's style.
bool attribute_change_needs_restyle(const Document& document, std::uint32_t name) noexcept;

// The list marker of an `li` for a list-style-type keyword, NUL-terminated in `out`;
// returns its length (0: no marker text).
std::size_t marker_text(const Node& li, Keyword list_style_type, char (&out)[32]) noexcept;

}  // namespace orlan
