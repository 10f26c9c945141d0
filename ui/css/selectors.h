#pragma once

// Selector model as stored in a style sheet, the selector-list reader and specificity.
// Matching against elements is in selector_match.h.

#include <cstdint>
#include <string_view>

namespace orlan::css {

class StyleSheet;

// Pseudo-class bits of a compound.
namespace pc {
enum : uint16_t {
  Hover = 0x0001,
  Active = 0x0002,
  Focus = 0x0004,  // also focus-visible
  Disabled = 0x0008,
  Root = 0x0010,
  Checked = 0x0020,
  FirstChild = 0x0040,
  LastChild = 0x0080,
  OnlyChild = 0x00C0,
  Empty = 0x0100,
  FirstOfType = 0x0200,
  LastOfType = 0x0400,
  OnlyOfType = 0x0600,
  FocusWithin = 0x0800,
  Enabled = 0x1000,
};
}  // namespace pc

enum class Combinator : uint8_t {
  None = 0,  // leftmost compound
  Descendant = 1,
  Child = 2,              // >
  NextSibling = 3,        // +
  SubsequentSibling = 4,  // ~
};

enum class PseudoElement : uint8_t {
  None = 0,
  Before = 1,
  After = 2,
  Placeholder = 3,
  Marker = 4,
  Selection = 5,
};

enum class NthKind : uint8_t { Child = 0, LastChild = 1, OfType = 2, LastOfType = 3 };

struct AttributeSelector {
  uint32_t name = 0;      // lower-cased attribute name atom
  uint32_t value = 0;     // case-sensitive value atom; 0 for a presence test
  std::string_view text;  // the value's bytes (kept for substring comparisons)
  uint8_t op = 0;         // 0 presence, or '=', '~', '|', '^', '$', '*'
  uint8_t case_insensitive = 0;
};

struct CompoundSelector {
  uint32_t tag = 0;  // lower-cased type atom; 0 for none or *
  uint32_t id = 0;
  const uint32_t* classes = nullptr;
  const AttributeSelector* attributes = nullptr;
  const CompoundSelector* not_list = nullptr;  // each one compound
  const CompoundSelector* is_list = nullptr;   // :is()/:where() alternatives
  const CompoundSelector* has_list = nullptr;  // relative: each carries its combinator
  uint16_t pseudo_classes = 0;
  uint8_t class_count = 0;
  uint8_t attribute_count = 0;
  // Relation to the next compound to the left (in a :has() alternative: to the anchor).
  Combinator combinator = Combinator::None;
  uint8_t nth_present = 0;
  NthKind nth_kind = NthKind::Child;
  uint8_t not_count = 0;
  uint8_t is_count = 0;
  uint8_t has_count = 0;
  int16_t nth_a = 0;
  int16_t nth_b = 0;
};

struct ComplexSelector {
  const CompoundSelector* compounds = nullptr;  // subject first
  uint8_t compound_count = 0;
  PseudoElement pseudo_element = PseudoElement::None;
  uint32_t specificity = 0;  // ids * 65536 + (classes % 256) * 256 + types % 256
};

constexpr int kMaxSelectorsPerRule = 32;
constexpr int kMaxCompounds = 16;
constexpr int kMaxClasses = 8;
constexpr int kMaxAttributes = 8;
constexpr int kMaxNot = 4;
constexpr int kMaxIs = 8;
constexpr int kMaxHas = 4;

// Facts a selector list reveals about the sheet; merged into it when the rule is kept.
struct SelectorFacts {
  bool structural = false;
  bool pseudo_element = false;
  bool selection = false;
  bool has = false;
  // Distinct "data-" attribute names; more than eight sets data_overflow.
  uint32_t data_attributes[8];
  int data_attribute_count = 0;
  bool data_overflow = false;
  void note_data_attribute(uint32_t name);
};

// Reads a comma-separated selector list into the sheet's arena. Returns the number of
// complex selectors (1 to 32), or 0 when any selector fails (the whole rule is dropped).
int parse_selector_list(StyleSheet& sheet, std::string_view text, const ComplexSelector** out,
                        SelectorFacts& facts);

// Parses an an+b argument ("odd", "2n+1", "-n+3", "4"). False when malformed.
bool parse_nth_argument(std::string_view text, int16_t& a, int16_t& b);

}  // namespace orlan::css
