#pragma once

// Helpers shared by the CSS tests: a sheet over a plain atom table and quick ways to read
// one declaration.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "style_sheet.h"
#include "test_atoms.h"

namespace orlan::css::testing {

class SheetTest : public ::testing::Test {
 protected:
  SheetTest() : sheet(atoms) {}

  // All declarations "text" produces (a declaration block's contents).
  std::vector<Declaration> declarations(std::string_view text) {
    DeclarationBlock block;
    EXPECT_EQ(parse_declaration_block(sheet, text, block), kStatusOk);
    return std::vector<Declaration>(block.list().begin(), block.list().end());
  }

  // The one declaration of "name: value", or nullopt when it was dropped.
  std::optional<CssValue> value(std::string_view name, std::string_view value_text) {
    std::string text(name);
    text += ":";
    text += value_text;
    auto list = declarations(text);
    if (list.empty()) return std::nullopt;
    EXPECT_EQ(list.size(), 1u) << text;
    return list[0].value;
  }

  // The declaration for `property` among those "name: value" produced.
  std::optional<CssValue> longhand(std::string_view text, PropertyId property) {
    for (const auto& d : declarations(text)) {
      if (d.property == property) return d.value;
    }
    return std::nullopt;
  }

  uint32_t atom(std::string_view s) { return atoms.intern(s); }

  TestAtoms atoms;
  StyleSheet sheet;
};

inline ::testing::AssertionResult IsLength(const std::optional<CssValue>& v, float value,
                                           uint32_t unit) {
  if (!v) return ::testing::AssertionFailure() << "dropped";
  if (v->type != ValueType::Length) {
    return ::testing::AssertionFailure() << "type " << static_cast<int>(v->type);
  }
  if (v->length.unit != unit || std::abs(v->length.value - value) > 1e-3f) {
    return ::testing::AssertionFailure() << "got " << v->length.value << " unit " << v->length.unit;
  }
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult IsColor(const std::optional<CssValue>& v, uint32_t argb) {
  if (!v) return ::testing::AssertionFailure() << "dropped";
  if (v->type != ValueType::Color) {
    return ::testing::AssertionFailure() << "type " << static_cast<int>(v->type);
  }
  if (v->color != argb) {
    return ::testing::AssertionFailure() << std::hex << "got 0x" << v->color;
  }
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult IsKeyword(const std::optional<CssValue>& v, uint16_t k) {
  if (!v) return ::testing::AssertionFailure() << "dropped";
  if (!v->is_keyword(k)) {
    return ::testing::AssertionFailure()
           << "type " << static_cast<int>(v->type) << " keyword " << v->keyword;
  }
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult IsNumber(const std::optional<CssValue>& v, float n) {
  if (!v) return ::testing::AssertionFailure() << "dropped";
  if (v->type != ValueType::Number || std::abs(v->number - n) > 1e-4f) {
    return ::testing::AssertionFailure()
           << "type " << static_cast<int>(v->type) << " value " << v->number;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace orlan::css::testing
