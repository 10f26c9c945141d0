#include "user_agent_sheet.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "css_test_support.h"

namespace orlan::css {
namespace {

using P = PropertyId;
using testing::IsColor;
using testing::IsKeyword;
using testing::IsLength;
using testing::IsNumber;

class UserAgentSheet : public testing::SheetTest {
 protected:
  void SetUp() override { ASSERT_EQ(parse_stylesheet(sheet, user_agent_sheet_text()), kStatusOk); }
  const StyleRule& rule(int number) { return sheet.rules()[static_cast<std::size_t>(number - 1)]; }
  std::optional<CssValue> in_rule(int number, PropertyId id) {
    std::optional<CssValue> found;
    for (const auto& d : rule(number).declaration_list()) {
      if (d.property == id) found = d.value;
    }
    return found;
  }
};

TEST_F(UserAgentSheet, EveryRuleIsRead) {
  ASSERT_EQ(sheet.rules().size(), 54u);
  for (const StyleRule& r : sheet.rules()) EXPECT_GT(r.declaration_count, 0) << r.position;
  EXPECT_FALSE(sheet.has_media_rules());
  EXPECT_FALSE(sheet.has_pseudo_element_rules());
  EXPECT_EQ(sheet.data_attribute_count(), 0);
}

TEST_F(UserAgentSheet, NoDeclarationIsSilentlyDropped) {
  // Each declaration of the text, read on its own, yields at least one declaration.
  std::string_view text = user_agent_sheet_text();
  std::size_t at = 0;
  int checked = 0;
  while ((at = text.find('{', at)) != std::string_view::npos) {
    std::size_t close = text.find('}', at);
    std::string_view block = text.substr(at + 1, close - at - 1);
    std::size_t start = 0;
    while (start < block.size()) {
      std::size_t end = block.find(';', start);
      if (end == std::string_view::npos) end = block.size();
      std::string_view one = block.substr(start, end - start);
      EXPECT_FALSE(declarations(one).empty()) << one;
      ++checked;
      start = end + 1;
    }
    at = close;
  }
  EXPECT_GT(checked, 100);
}

TEST_F(UserAgentSheet, SelectedRules) {
  EXPECT_EQ(rule(1).selector_count, 20);
  EXPECT_TRUE(IsKeyword(in_rule(2, P::Display), kw::None));
  EXPECT_TRUE(IsLength(in_rule(5, P::MarginLeft), 8, kUnitPx));
  EXPECT_TRUE(IsLength(in_rule(6, P::FontSize), 2, kUnitEm));
  EXPECT_TRUE(IsNumber(in_rule(6, P::FontWeight), 700));
  EXPECT_TRUE(IsLength(in_rule(6, P::MarginTop), 0.67f, kUnitEm));
  EXPECT_TRUE(IsLength(in_rule(6, P::MarginRight), 0, kUnitPx));
  EXPECT_EQ(rule(14).selector_count, 2);
  EXPECT_EQ(rule(14).selectors[1].compounds[1].tag, atom("ol"));
  EXPECT_EQ(rule(15).selectors[0].compound_count, 3);
  EXPECT_TRUE(IsKeyword(in_rule(16, P::Display), kw::ListItem));
  EXPECT_TRUE(IsColor(in_rule(17, P::BorderTopColor), 0xFF808080));
  EXPECT_TRUE(IsNumber(in_rule(21, P::TextDecoration), kDecorationLineThrough));
  EXPECT_TRUE(IsColor(in_rule(25, P::BackgroundColor), 0xFFFFFF00));
  EXPECT_TRUE(IsLength(in_rule(31, P::BorderSpacingY), 2, kUnitPx));
  EXPECT_EQ(rule(39).selectors[0].compounds[0].attribute_count, 1);
  EXPECT_TRUE(IsColor(in_rule(39, P::Color), 0xFF0000EE));
  EXPECT_TRUE(IsLength(in_rule(44, P::PaddingRight), 22, kUnitPx));
  EXPECT_EQ(rule(45).selectors[1].compounds[0].attributes[0].value, atom("radio"));
  EXPECT_TRUE(IsLength(in_rule(46, P::BorderTopLeftRadius), 7, kUnitPx));
  EXPECT_TRUE(IsNumber(in_rule(50, P::ZIndex), 1001));
  EXPECT_TRUE(IsColor(in_rule(50, P::BackgroundColor), 0xFF333333));
  EXPECT_TRUE(IsKeyword(in_rule(51, P::ScrollbarGutter), kw::Stable));
  EXPECT_EQ(rule(53).selectors[0].compounds[0].pseudo_classes, pc::Hover);
  EXPECT_EQ(rule(53).selectors[1].compounds[0].class_count, 2);
  EXPECT_TRUE(IsNumber(in_rule(54, P::Opacity), 0.5f));
  EXPECT_EQ(rule(54).selectors[3].compounds[0].pseudo_classes, pc::Disabled);
}

TEST_F(UserAgentSheet, SeedCorpusCopyMatchesTheCompiledText) {
  std::ifstream file(std::string(TW_SOURCE_DIR) + "/ui/css/fuzz/sheet/user_agent.css",
                     std::ios::binary);
  ASSERT_TRUE(file);
  std::stringstream content;
  content << file.rdbuf();
  EXPECT_EQ(content.str(), user_agent_sheet_text());
}

}  // namespace
}  // namespace orlan::css
