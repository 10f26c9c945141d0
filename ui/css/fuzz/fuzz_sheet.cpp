// libFuzzer target: a whole style sheet, then the invariants the cascade relies on.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "../tests/test_atoms.h"
#include "style_sheet.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

void check_compound(const orlan::css::CompoundSelector& c, bool nested) {
  using namespace orlan::css;
  check(c.class_count <= kMaxClasses && c.attribute_count <= kMaxAttributes);
  for (uint8_t i = 0; i < c.class_count; ++i) check(c.classes[i] != 0);
  for (uint8_t i = 0; i < c.attribute_count; ++i) check(c.attributes[i].name != 0);
  check(c.not_count <= kMaxNot && c.is_count <= kMaxIs && c.has_count <= kMaxHas);
  if (nested) check(c.not_count == 0 && c.is_count == 0 && c.has_count == 0);
  for (uint8_t i = 0; i < c.not_count; ++i) check_compound(c.not_list[i], true);
  for (uint8_t i = 0; i < c.is_count; ++i) check_compound(c.is_list[i], true);
  for (uint8_t i = 0; i < c.has_count; ++i) check_compound(c.has_list[i], true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orlan::css;
  static testing::TestAtoms atoms;
  StyleSheet sheet(atoms);
  std::string_view text(reinterpret_cast<const char*>(data), size);
  check(parse_stylesheet(sheet, text) == kStatusOk);
  uint32_t position = 0;
  for (const StyleRule& rule : sheet.rules()) {
    check(rule.position == position++);
    check(rule.selector_count >= 1 && rule.selector_count <= kMaxSelectorsPerRule);
    for (const ComplexSelector& s : rule.selector_list()) {
      check(s.compound_count >= 1 && s.compound_count <= kMaxCompounds);
      check(s.compounds[s.compound_count - 1].combinator == Combinator::None);
      for (uint8_t i = 0; i < s.compound_count; ++i) check_compound(s.compounds[i], false);
    }
    for (const Declaration& d : rule.declaration_list()) {
      check(to_index(d.property) < kPropertyCount);
      if (d.value.type == ValueType::RawText) check(d.value.text != nullptr);
    }
  }
  for (const KeyframeSet& set : sheet.keyframe_sets()) {
    check(set.count >= 1 && set.count <= kMaxKeyframes);
    for (uint8_t i = 1; i < set.count; ++i) {
      check(set.keyframes[i - 1].offset <= set.keyframes[i].offset);
    }
    check(sheet.find_keyframes(set.name) != nullptr);
  }
  check(sheet.font_faces().size() <= kMaxFontFaces);
  check(sheet.data_attribute_count() <= kMaxDataAttributes ||
        sheet.data_attribute_count() == kDataAttributesOverflow);
  return 0;
}
