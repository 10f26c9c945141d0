#pragma once

// A parsed style sheet and the entry points that fill it.
//
// The sheet owns an arena for every selector, declaration and value record it holds; all
// pointers handed out stay valid until the next reset() (each parse_stylesheet starts with
// one). Names become atoms of the document's atom table, reached through AtomInterner.
//
// Parsing is forgiving: whatever cannot be read is dropped at the smallest unit (a
// declaration, a rule, an at-rule block) and parsing goes on. The only failure is running
// out of memory: status 5, message "css: out of memory"; what was read so far stays.

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "arena.h"
#include "atoms.h"
#include "css_value.h"
#include "media.h"
#include "properties.h"
#include "selectors.h"

namespace orlan::css {

constexpr int32_t kStatusOk = 0;
constexpr int32_t kStatusOutOfMemory = 5;
inline constexpr const char* kOutOfMemoryMessage = "css: out of memory";

struct Declaration {
  PropertyId property = PropertyId::Display;
  uint8_t important = 0;
  // Custom property: atom of its full name ("--gap"); deferred shorthand: atom of the
  // shorthand's name; otherwise 0.
  uint32_t aux = 0;
  CssValue value;
};

struct StyleRule {
  const ComplexSelector* selectors = nullptr;
  const Declaration* declarations = nullptr;
  uint8_t selector_count = 0;  // 1..32
  uint16_t declaration_count = 0;
  uint32_t position = 0;              // index in the sheet when added
  const MediaQuery* media = nullptr;  // null: not under @media

  std::span<const ComplexSelector> selector_list() const { return {selectors, selector_count}; }
  std::span<const Declaration> declaration_list() const {
    return {declarations, declaration_count};
  }
};

struct Keyframe {
  float offset = 0;  // 0..1
  const Declaration* declarations = nullptr;
  uint16_t declaration_count = 0;
  std::span<const Declaration> declaration_list() const {
    return {declarations, declaration_count};
  }
};

constexpr int kMaxKeyframes = 32;

struct KeyframeSet {
  uint32_t name = 0;                    // case-sensitive atom
  const Keyframe* keyframes = nullptr;  // sorted by offset
  uint8_t count = 0;
  std::span<const Keyframe> keyframe_list() const { return {keyframes, count}; }
};

struct FontFace {
  uint32_t family = 0;
  uint32_t source = 0;
};

constexpr int kMaxFontFaces = 16;
constexpr int kMaxDataAttributes = 8;
// The data-attribute count saying "too many to list: every data- attribute counts".
constexpr uint8_t kDataAttributesOverflow = 255;

class StyleSheet {
 public:
  explicit StyleSheet(AtomInterner& atoms);
  StyleSheet(const StyleSheet&) = delete;
  StyleSheet& operator=(const StyleSheet&) = delete;

  // Empties the sheet and recycles its arena. Every pointer into the sheet dies.
  void reset();

  AtomInterner& atoms() { return *m_atoms; }
  Arena& arena() { return m_arena; }

  std::span<const StyleRule> rules() const { return m_rules; }
  std::span<const KeyframeSet> keyframe_sets() const { return m_keyframes; }
  std::span<const FontFace> font_faces() const { return {m_fonts, m_font_count}; }

  // Sheet-level facts the document and the cascade use to skip work.
  bool has_structural_selectors() const { return m_structural; }  // nth-*, :first-child, ...
  bool has_pseudo_element_rules() const { return m_pseudo_element; }
  bool has_selection_rules() const { return m_selection; }
  bool has_has_selectors() const { return m_has; }
  bool has_media_rules() const { return m_media; }
  // Some @media rule depends on the viewport (width, height or orientation limits), so a
  // change of the viewport size may change which rules apply.
  bool has_viewport_media() const { return m_viewport; }

  // Names of "data-" attributes used in attribute selectors; a count of 255 means more
  // than eight distinct names were seen and every data- attribute counts as used.
  std::span<const uint32_t> data_attributes() const;
  uint8_t data_attribute_count() const { return m_data_count; }
  bool uses_data_attribute(uint32_t name_atom) const;

  // The set named `name`; the one defined last when several share the name; else null.
  const KeyframeSet* find_keyframes(uint32_t name) const;

  // Builders used by the parser.
  void add_rule(const StyleRule& rule);
  void add_keyframes(const KeyframeSet& set);
  void add_font_face(uint32_t family, uint32_t source);  // ignored beyond 16
  void merge_facts(const SelectorFacts& facts);
  void note_media_rules(const MediaQuery& query);
  uint32_t next_position() const { return static_cast<uint32_t>(m_rules.size()); }

 private:
  AtomInterner* m_atoms;
  Arena m_arena;
  std::vector<StyleRule> m_rules;
  std::vector<KeyframeSet> m_keyframes;
  FontFace m_fonts[kMaxFontFaces];
  uint32_t m_font_count = 0;
  uint32_t m_data[kMaxDataAttributes] = {};
  uint8_t m_data_count = 0;
  bool m_structural = false;
  bool m_pseudo_element = false;
  bool m_selection = false;
  bool m_has = false;
  bool m_media = false;
  bool m_viewport = false;
};

// The keyframe set named `name` (the one defined last), or null.
inline const KeyframeSet* find_keyframes(const StyleSheet& sheet, uint32_t name) {
  return sheet.find_keyframes(name);
}

// Parses a whole sheet into `sheet` (reset first). Returns kStatusOk or kStatusOutOfMemory.
int32_t parse_stylesheet(StyleSheet& sheet, std::string_view text);

// Parses the contents of a declaration block ("color: red; margin: 0 4px") into a
// declaration array in the sheet's arena. The sheet is not reset and gets no rule.
// On out of memory returns kStatusOutOfMemory and an empty span.
struct DeclarationBlock {
  const Declaration* declarations = nullptr;
  uint16_t count = 0;
  std::span<const Declaration> list() const { return {declarations, count}; }
};
int32_t parse_declaration_block(StyleSheet& sheet, std::string_view text, DeclarationBlock& out);

// Longhand declarations of `shorthand` (a lower-case shorthand name such as "margin") for
// a value whose var() references have been substituted. Empty when the value still holds
// var(), has more than 64 tokens, or does not parse.
int32_t expand_shorthand(StyleSheet& sheet, std::string_view shorthand, std::string_view value,
                         DeclarationBlock& out);

// One declaration value for one property, as a `style` attribute or an SVG presentation
// attribute would give it. Returns false when the value does not parse for that property
// (or on out of memory). Records the value points to live in the sheet's arena. A value
// holding var() comes back as raw text (ValueType::RawText).
bool parse_property_value(StyleSheet& sheet, PropertyId property, std::string_view value,
                          CssValue& out);

// Splits a declaration block's text the way the sheet reader does (';' outside strings,
// parentheses and comments; "!important"; names lower-cased, at most 47 bytes) and hands
// each declaration to `visit` without interpreting its name. For readers of properties
// the sheet does not know (SVG presentation properties in a `style` attribute).
void split_declarations(std::string_view block,
                        const std::function<void(std::string_view name, std::string_view value,
                                                 bool important)>& visit);

// One length token as a declaration would read it (px, em, rem, vw, vh, %, the absolute
// units reduced to px, ch to em, a plain 0). With `plain_number_is_px` any plain number
// is taken as px (SVG user units). False for anything else, calc() included.
bool parse_length_text(std::string_view text, CssLength& out, bool plain_number_is_px = false);

// Standalone colour parser (hex, names, rgb(), hsl(), color-mix(), transparent,
// currentcolor as kCurrentColor). For SVG paint and other callers without a sheet.
bool parse_color_text(std::string_view text, uint32_t& argb);

}  // namespace orlan::css
