#include <gtest/gtest.h>

#include "css_test_support.h"

namespace orlan::css {
namespace {

using P = PropertyId;
using testing::IsColor;
using testing::IsKeyword;
using testing::IsLength;
using testing::IsNumber;

class Shorthands : public testing::SheetTest {};

TEST_F(Shorthands, FourSidesFromOneToFourValues) {
  auto three = declarations("margin: 1px 2px 3px");
  ASSERT_EQ(three.size(), 4u);
  EXPECT_EQ(three[0].property, P::MarginTop);
  EXPECT_TRUE(IsLength(three[0].value, 1, kUnitPx));
  EXPECT_TRUE(IsLength(three[1].value, 2, kUnitPx));
  EXPECT_TRUE(IsLength(three[2].value, 3, kUnitPx));
  EXPECT_TRUE(IsLength(three[3].value, 2, kUnitPx));
  auto one = declarations("padding: 5%");
  ASSERT_EQ(one.size(), 4u);
  for (auto& d : one) EXPECT_TRUE(IsLength(d.value, 5, kUnitPercent));
  auto two = declarations("inset: 0 auto");
  ASSERT_EQ(two.size(), 4u);
  EXPECT_EQ(two[0].property, P::Top);
  EXPECT_TRUE(IsLength(two[1].value, 0, kUnitAuto));
  EXPECT_TRUE(IsLength(two[2].value, 0, kUnitPx));
  auto four = declarations("border-radius: 1px 2px 3px 4px");
  ASSERT_EQ(four.size(), 4u);
  EXPECT_EQ(four[2].property, P::BorderBottomRightRadius);
  EXPECT_TRUE(IsLength(four[2].value, 3, kUnitPx));
}

TEST_F(Shorthands, FourSidesRejections) {
  EXPECT_TRUE(declarations("margin: 1px 2px 3px 4px 5px").empty());
  EXPECT_TRUE(declarations("padding: auto").empty());  // auto only for margin and inset
  EXPECT_TRUE(declarations("margin: 1px red").empty());
  EXPECT_TRUE(declarations("margin: 1px inherit").empty());
  auto calc = declarations("margin: calc(1px + 2%) 0");
  ASSERT_EQ(calc.size(), 4u);
  EXPECT_EQ(calc[0].value.type, ValueType::Calc);
  EXPECT_EQ(calc[3].value.type, ValueType::Length);
}

TEST_F(Shorthands, BorderColorAndWidth) {
  auto colors = declarations("border-color: red blue");
  ASSERT_EQ(colors.size(), 4u);
  EXPECT_EQ(colors[1].property, P::BorderRightColor);
  EXPECT_TRUE(IsColor(colors[1].value, 0xFF0000FF));
  EXPECT_TRUE(IsColor(colors[2].value, 0xFFFF0000));
  auto widths = declarations("border-width: 2px");
  ASSERT_EQ(widths.size(), 4u);
  EXPECT_EQ(widths[3].property, P::BorderLeftWidth);
}

TEST_F(Shorthands, BorderSetsWidthsColoursAndStyle) {
  auto list = declarations("border: solid 1px #3a3a3a");
  ASSERT_EQ(list.size(), 9u);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(IsLength(list[i].value, 1, kUnitPx));
  for (int i = 4; i < 8; ++i) EXPECT_TRUE(IsColor(list[i].value, 0xFF3A3A3A));
  EXPECT_EQ(list[8].property, P::BorderStyle);
  EXPECT_TRUE(IsKeyword(list[8].value, kw::Solid));
}

TEST_F(Shorthands, BorderWithoutColourLeavesColoursAlone) {
  auto list = declarations("border: 2px dashed");
  ASSERT_EQ(list.size(), 5u);
  EXPECT_TRUE(IsKeyword(list[4].value, kw::Dashed));
  // No style: the width is forced to 0.
  auto no_style = declarations("border: 4px red");
  ASSERT_EQ(no_style.size(), 9u);
  EXPECT_TRUE(IsLength(no_style[0].value, 0, kUnitPx));
  EXPECT_TRUE(IsKeyword(no_style[8].value, kw::None));
  auto none = declarations("border: none");
  ASSERT_EQ(none.size(), 5u);
  EXPECT_TRUE(IsLength(none[0].value, 0, kUnitPx));
  auto dbl = longhand("border: double 3px", P::BorderStyle);
  EXPECT_TRUE(IsKeyword(dbl, kw::Solid));
  auto hidden = longhand("border: hidden 3px", P::BorderStyle);
  EXPECT_TRUE(IsKeyword(hidden, kw::None));
}

TEST_F(Shorthands, BorderRejections) {
  EXPECT_TRUE(declarations("border: 1px 2px solid").empty());
  EXPECT_TRUE(declarations("border: solid dashed").empty());
  EXPECT_TRUE(declarations("border: red blue").empty());
  EXPECT_TRUE(declarations("border: 1px solid red extra").empty());
}

TEST_F(Shorthands, BorderSideSetsStyleOnlyWhenVisible) {
  auto top = declarations("border-top: 1px solid gray");
  ASSERT_EQ(top.size(), 3u);
  EXPECT_EQ(top[0].property, P::BorderTopWidth);
  EXPECT_TRUE(IsLength(top[0].value, 1, kUnitPx));
  EXPECT_EQ(top[1].property, P::BorderTopColor);
  EXPECT_TRUE(IsColor(top[1].value, 0xFF808080));
  EXPECT_TRUE(IsKeyword(top[2].value, kw::Solid));
  auto none = declarations("border-left: none");
  ASSERT_EQ(none.size(), 1u);
  EXPECT_EQ(none[0].property, P::BorderLeftWidth);
  EXPECT_TRUE(IsLength(none[0].value, 0, kUnitPx));
}

TEST_F(Shorthands, OutlineDefaultsAndStyles) {
  auto list = declarations("outline: #3d84dd");
  ASSERT_EQ(list.size(), 3u);
  EXPECT_TRUE(IsLength(list[0].value, 3, kUnitPx));
  EXPECT_TRUE(IsColor(list[1].value, 0xFF3D84DD));
  EXPECT_EQ(list[2].property, P::OutlineStyle);
  EXPECT_TRUE(IsKeyword(list[2].value, kw::Solid));
  EXPECT_TRUE(IsLength(longhand("outline: none", P::OutlineWidth), 0, kUnitPx));
  EXPECT_TRUE(IsColor(longhand("outline: 1px dotted", P::OutlineColor), kCurrentColor));
  EXPECT_TRUE(IsKeyword(longhand("outline: 1px dotted", P::OutlineStyle), kw::Dotted));
  EXPECT_TRUE(IsKeyword(longhand("outline: double", P::OutlineStyle), kw::Solid));
  EXPECT_TRUE(declarations("outline: 1px 2px").empty());
  EXPECT_TRUE(IsKeyword(longhand("outline-style: dashed", P::OutlineStyle), kw::Dashed));
}

TEST_F(Shorthands, FontSetsAllFive) {
  auto list = declarations("font: italic bold 12px/1.5 \"Segoe UI\", sans-serif");
  ASSERT_EQ(list.size(), 5u);
  EXPECT_TRUE(IsKeyword(list[0].value, kw::Italic));
  EXPECT_TRUE(IsNumber(list[1].value, 700));
  EXPECT_TRUE(IsLength(list[2].value, 12, kUnitPx));
  EXPECT_TRUE(IsNumber(list[3].value, 1.5f));
  EXPECT_EQ(list[4].property, P::FontFamily);
  EXPECT_EQ(atoms.text(list[4].value.atom), "\"Segoe UI\", sans-serif");
  auto plain = declarations("font: 19px sans-serif");
  ASSERT_EQ(plain.size(), 5u);
  EXPECT_TRUE(IsKeyword(plain[0].value, kw::Normal));
  EXPECT_TRUE(IsNumber(plain[1].value, 400));
  EXPECT_TRUE(IsKeyword(plain[3].value, kw::Normal));
  EXPECT_TRUE(IsNumber(longhand("font: 300 1em/20px serif", P::FontWeight), 300));
  EXPECT_TRUE(IsLength(longhand("font: 300 1em/20px serif", P::LineHeight), 20, kUnitPx));
  EXPECT_TRUE(IsNumber(longhand("font: lighter normal 2em x", P::FontWeight), 300));
}

TEST_F(Shorthands, FontRejections) {
  EXPECT_TRUE(declarations("font: 12px").empty());            // no family
  EXPECT_TRUE(declarations("font: bold serif").empty());      // no size
  EXPECT_TRUE(declarations("font: oblique 12px x").empty());  // unknown word before the size
  EXPECT_TRUE(declarations("font: 12px/ serif").empty());
}

TEST_F(Shorthands, FlexForms) {
  auto none = declarations("flex: none");
  ASSERT_EQ(none.size(), 3u);
  EXPECT_TRUE(IsNumber(none[0].value, 0));
  EXPECT_TRUE(IsNumber(none[1].value, 0));
  EXPECT_TRUE(IsLength(none[2].value, 0, kUnitAuto));
  auto automatic = declarations("flex: auto");
  EXPECT_TRUE(IsNumber(automatic[0].value, 1));
  EXPECT_TRUE(IsNumber(automatic[1].value, 1));
  auto one = declarations("flex: 1");
  ASSERT_EQ(one.size(), 3u);
  EXPECT_TRUE(IsNumber(one[0].value, 1));
  EXPECT_TRUE(IsNumber(one[1].value, 1));
  EXPECT_TRUE(IsLength(one[2].value, 0, kUnitPx));
  auto three = declarations("flex: 2 0 0");
  EXPECT_TRUE(IsNumber(three[1].value, 0));
  EXPECT_TRUE(IsLength(three[2].value, 0, kUnitPx));
  auto basis = declarations("flex: 1 140px");
  EXPECT_TRUE(IsNumber(basis[1].value, 1));
  EXPECT_TRUE(IsLength(basis[2].value, 140, kUnitPx));
  EXPECT_TRUE(declarations("flex: 10px 1").empty());  // the basis must come last
  EXPECT_TRUE(declarations("flex: 1 2 3 4").empty());
  EXPECT_TRUE(declarations("flex: red").empty());
}

TEST_F(Shorthands, GapsAndSpacing) {
  auto gap = declarations("gap: 4px");
  ASSERT_EQ(gap.size(), 2u);
  EXPECT_EQ(gap[0].property, P::RowGap);
  EXPECT_TRUE(IsLength(gap[1].value, 4, kUnitPx));
  auto two = declarations("grid-gap: 1px 2em");
  EXPECT_TRUE(IsLength(two[1].value, 2, kUnitEm));
  auto spacing = declarations("border-spacing: 2px");
  ASSERT_EQ(spacing.size(), 2u);
  EXPECT_EQ(spacing[1].property, P::BorderSpacingY);
  EXPECT_TRUE(IsLength(spacing[1].value, 2, kUnitPx));
  EXPECT_TRUE(declarations("gap: 1px 2px 3px").empty());
}

TEST_F(Shorthands, PlaceShorthands) {
  auto one = declarations("place-items: center");
  ASSERT_EQ(one.size(), 2u);
  EXPECT_EQ(one[0].property, P::AlignItems);
  EXPECT_EQ(one[1].property, P::JustifyItems);
  EXPECT_TRUE(IsKeyword(one[1].value, kw::Center));
  auto two = declarations("place-content: start space-between");
  EXPECT_TRUE(IsKeyword(two[0].value, kw::Start));
  EXPECT_TRUE(IsKeyword(two[1].value, kw::SpaceBetween));
  auto self = declarations("place-self: auto end");
  EXPECT_EQ(self[0].property, P::AlignSelf);
  EXPECT_TRUE(IsKeyword(self[1].value, kw::End));
  EXPECT_TRUE(declarations("place-items: space-between").empty());
}

TEST_F(Shorthands, GridPlacement) {
  auto area = declarations("grid-area: 1 / 2 / span 2");
  ASSERT_EQ(area.size(), 4u);
  EXPECT_EQ(area[0].property, P::GridRowStart);
  EXPECT_EQ(area[0].value.grid_line.line, 1);
  EXPECT_EQ(area[1].property, P::GridColumnStart);
  EXPECT_EQ(area[1].value.grid_line.line, 2);
  EXPECT_EQ(area[2].value.grid_line.span, 1);
  EXPECT_EQ(area[3].value.grid_line.line, 0);  // missing: auto
  auto name = declarations("grid-area: header");
  ASSERT_EQ(name.size(), 1u);
  EXPECT_EQ(name[0].property, P::GridArea);
  EXPECT_EQ(name[0].value.atom, atom("header"));
  auto row = declarations("grid-row: 2 / span 3");
  ASSERT_EQ(row.size(), 2u);
  EXPECT_EQ(row[1].property, P::GridRowEnd);
  EXPECT_EQ(row[1].value.grid_line.line, 3);
  auto column = declarations("grid-column: 3");
  ASSERT_EQ(column.size(), 2u);
  EXPECT_EQ(column[1].value.grid_line.line, 0);
  EXPECT_TRUE(declarations("grid-area: 1 / 2 / 3 / 4 / 5").empty());
  EXPECT_TRUE(declarations("grid-row: 1 / 2 / 3").empty());
}

TEST_F(Shorthands, FlexFlowAndListStyleInAnyOrder) {
  auto flow = declarations("flex-flow: wrap column");
  ASSERT_EQ(flow.size(), 2u);
  EXPECT_EQ(flow[0].property, P::FlexWrap);
  EXPECT_EQ(flow[1].property, P::FlexDirection);
  EXPECT_TRUE(declarations("flex-flow: row column").empty());
  auto list = declarations("list-style: inside square");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_TRUE(IsKeyword(list[0].value, kw::Inside));
  EXPECT_TRUE(IsKeyword(list[1].value, kw::Square));
  EXPECT_TRUE(IsKeyword(longhand("list-style: none", P::ListStyleType), kw::None));
}

TEST_F(Shorthands, BackgroundAssignsItsParts) {
  auto list = declarations("background: #f5f5f7 url(x.png) no-repeat right 4px center / 16px");
  ASSERT_EQ(list.size(), 0u);  // "right 4px center" is three position parts: refused
  auto simple = declarations("background: linear-gradient(#141418, #26262e)");
  ASSERT_EQ(simple.size(), 5u);
  EXPECT_TRUE(IsColor(simple[0].value, 0));
  EXPECT_EQ(simple[1].value.type, ValueType::Gradient);
  auto full = declarations("background: url(x.png) no-repeat right center / 16px 16px #fff");
  ASSERT_EQ(full.size(), 5u);
  EXPECT_TRUE(IsColor(full[0].value, 0xFFFFFFFF));
  EXPECT_EQ(full[1].value.type, ValueType::Name);
  EXPECT_EQ(full[2].value.type, ValueType::PositionPair);
  EXPECT_EQ(full[2].value.pair[0], (CssLength{16, kUnitPx}));
  EXPECT_EQ(full[3].value.pair[0], (CssLength{100, kUnitPercent}));
  EXPECT_TRUE(IsKeyword(full[4].value, kw::NoRepeat));
  auto color = declarations("background: red");
  EXPECT_TRUE(IsKeyword(color[1].value, kw::None));
  EXPECT_TRUE(declarations("background: red blue").empty());
}

TEST_F(Shorthands, ExtraNamesTheExpanderKnows) {
  EXPECT_TRUE(IsKeyword(longhand("overflow-x: hidden", P::Overflow), kw::Hidden));
  EXPECT_TRUE(IsKeyword(longhand("overflow-y: auto", P::Overflow), kw::Auto));
  EXPECT_TRUE(declarations("resize: both").empty());
  EXPECT_TRUE(declarations("unknown-thing: 1px").empty());
}

TEST_F(Shorthands, InheritAndInitialExpandToEveryLonghand) {
  auto list = declarations("border: inherit");
  ASSERT_EQ(list.size(), 9u);
  for (auto& d : list) EXPECT_TRUE(IsKeyword(d.value, kw::Inherit));
  auto initial = declarations("font: initial");
  ASSERT_EQ(initial.size(), 5u);
  EXPECT_EQ(initial[4].property, P::FontFamily);
}

TEST_F(Shorthands, GlobalKeywordsForNamesOnlyTheExpanderKnows) {
  struct Case {
    const char* text;
    PropertyId property;
    uint16_t keyword;
  };
  for (const Case& c : {Case{"outline-style: inherit", P::OutlineStyle, kw::Inherit},
                        Case{"outline-style: UNSET", P::OutlineStyle, kw::Unset},
                        Case{"overflow-x: initial", P::Overflow, kw::Initial},
                        Case{"overflow-y: unset", P::Overflow, kw::Unset},
                        Case{"overflow-y: inherit", P::Overflow, kw::Inherit}}) {
    auto list = declarations(c.text);
    ASSERT_EQ(list.size(), 1u) << c.text;
    EXPECT_EQ(list[0].property, c.property) << c.text;
    EXPECT_TRUE(IsKeyword(list[0].value, c.keyword)) << c.text;
  }
  EXPECT_TRUE(declarations("resize: inherit").empty());
  EXPECT_TRUE(declarations("overflow-x: inherit hidden").empty());

  DeclarationBlock block;
  ASSERT_EQ(expand_shorthand(sheet, "overflow-x", "unset", block), kStatusOk);
  ASSERT_EQ(block.count, 1);
  EXPECT_TRUE(IsKeyword(block.declarations[0].value, kw::Unset));
}

TEST_F(Shorthands, UnsetExpandsToEveryLonghandOfATableShorthand) {
  auto list = declarations("border: unset");
  ASSERT_EQ(list.size(), 9u);
  for (auto& d : list) EXPECT_TRUE(IsKeyword(d.value, kw::Unset));
  DeclarationBlock block;
  ASSERT_EQ(expand_shorthand(sheet, "margin", "unset", block), kStatusOk);
  ASSERT_EQ(block.count, 4);
  EXPECT_TRUE(IsKeyword(block.declarations[2].value, kw::Unset));
}

TEST_F(Shorthands, ImportantAppliesToEveryLonghand) {
  auto list = declarations("margin: 0 !important");
  ASSERT_EQ(list.size(), 4u);
  for (auto& d : list) EXPECT_EQ(d.important, 1);
}

TEST_F(Shorthands, ExpandAfterSubstitution) {
  DeclarationBlock block;
  ASSERT_EQ(expand_shorthand(sheet, "margin", " 4px 8px", block), kStatusOk);
  ASSERT_EQ(block.count, 4);
  EXPECT_TRUE(IsLength(block.declarations[3].value, 8, kUnitPx));
  ASSERT_EQ(expand_shorthand(sheet, "margin", "var(--x)", block), kStatusOk);
  EXPECT_EQ(block.count, 0);
  std::string many;
  for (int i = 0; i < 65; ++i) many += "1px ";
  ASSERT_EQ(expand_shorthand(sheet, "margin", many, block), kStatusOk);
  EXPECT_EQ(block.count, 0);
  ASSERT_EQ(expand_shorthand(sheet, "border", "inherit", block), kStatusOk);
  EXPECT_EQ(block.count, 9);
  ASSERT_EQ(expand_shorthand(sheet, "nonsense", "1px", block), kStatusOk);
  EXPECT_EQ(block.count, 0);
}

TEST_F(Shorthands, EveryTableShorthandIsExpandable) {
  // Each shorthand name in the table accepts inherit and sets exactly its longhands.
  for (const Shorthand& s : all_shorthands()) {
    std::string text(s.name);
    text += ": initial";
    auto list = declarations(text);
    ASSERT_EQ(list.size(), s.longhands.size()) << s.name;
    for (std::size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i].property, s.longhands[i]);
  }
}

}  // namespace
}  // namespace orlan::css
