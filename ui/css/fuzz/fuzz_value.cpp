// libFuzzer target: one declaration value. The first byte picks the property (or a
// shorthand); the rest is the value text.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "../tests/test_atoms.h"
#include "style_sheet.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

void check_value(const orlan::css::CssValue& v) {
  using namespace orlan::css;
  switch (v.type) {
    case ValueType::Length:
      check(std::isfinite(v.length.value));
      break;
    case ValueType::TransitionList:
      check(v.count <= 16);
      break;
    case ValueType::AnimationList:
      check(v.count <= 8);
      break;
    case ValueType::ShadowList:
    case ValueType::FilterList:
      check(v.count <= 8);
      break;
    case ValueType::Transform:
      check(v.count >= 1 && v.count <= 16);
      break;
    case ValueType::GridTrackList:
      check(v.count <= 64);
      break;
    case ValueType::Gradient:
      check(v.gradient->stop_count >= 2);
      break;
    case ValueType::Calc:
      check(v.calc->sum_count >= 1 && v.calc->sum_count <= 3);
      break;
    default:
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orlan::css;
  if (size == 0) return 0;
  static testing::TestAtoms atoms;
  StyleSheet sheet(atoms);
  std::string_view value(reinterpret_cast<const char*>(data + 1), size - 1);
  uint8_t selector = data[0];
  if (selector < to_index(PropertyId::Custom)) {
    CssValue v;
    if (parse_property_value(sheet, static_cast<PropertyId>(selector), value, v)) check_value(v);
  } else {
    auto shorthands = all_shorthands();
    const Shorthand& s = shorthands[selector % shorthands.size()];
    DeclarationBlock block;
    check(expand_shorthand(sheet, s.name, value, block) == kStatusOk);
    for (const Declaration& d : block.list()) check_value(d.value);
    // The same text as a declaration of that shorthand through the block reader.
    std::string text(s.name);
    text += ":";
    text += value;
    check(parse_declaration_block(sheet, text, block) == kStatusOk);
    for (const Declaration& d : block.list()) check_value(d.value);
  }
  uint32_t argb;
  parse_color_text(value, argb);
  return 0;
}
