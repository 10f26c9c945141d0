#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "css_test_support.h"

namespace orlan::css {
namespace {

using testing::IsColor;
using testing::IsKeyword;
using testing::IsLength;
using testing::IsNumber;

class Values : public testing::SheetTest {};
using Lengths = Values;
using Keywords = Values;
using Numbers = Values;
using Colours = Values;
using Calc = Values;
using CustomProperties = Values;
using NamesAndStrings = Values;
using Transforms = Values;
using FiltersAndShadows = Values;
using Backgrounds = Values;
using TransitionsAndAnimations = Values;
using GridValues = Values;
using ValueEntryPoints = Values;

// ---- lengths ----

TEST_F(Lengths, LengthUnitsAreReducedAtParseTime) {
  EXPECT_TRUE(IsLength(value("width", "0"), 0, kUnitPx));
  EXPECT_FALSE(value("width", "10"));  // a plain number other than 0 is no length
  EXPECT_TRUE(IsLength(value("width", "2in"), 192, kUnitPx));
  EXPECT_TRUE(IsLength(value("width", "1ch"), 0.5f, kUnitEm));
  EXPECT_TRUE(IsLength(value("width", "12pt"), 16, kUnitPx));
  EXPECT_TRUE(IsLength(value("width", "1pc"), 16, kUnitPx));
  EXPECT_TRUE(IsLength(value("width", "2.54cm"), 96, kUnitPx));
  EXPECT_TRUE(IsLength(value("width", "25.4mm"), 96, kUnitPx));
  EXPECT_TRUE(IsLength(value("width", "1.5EM"), 1.5f, kUnitEm));
  EXPECT_TRUE(IsLength(value("width", "2rem"), 2, kUnitRem));
  EXPECT_TRUE(IsLength(value("width", "50vw"), 50, kUnitVw));
  EXPECT_TRUE(IsLength(value("height", "10vh"), 10, kUnitVh));
  EXPECT_TRUE(IsLength(value("width", "33%"), 33, kUnitPercent));
  EXPECT_FALSE(value("width", "3furlongs"));
  EXPECT_FALSE(value("width", "1e40px"));  // not a finite float
}

TEST_F(Lengths, AutoOnLengthPropertiesIsALengthButStaysAKeywordElsewhere) {
  EXPECT_TRUE(IsLength(value("width", "auto"), 0, kUnitAuto));
  EXPECT_TRUE(IsLength(value("margin-left", "auto"), 0, kUnitAuto));
  EXPECT_TRUE(IsKeyword(value("overflow", "auto"), kw::Auto));
  EXPECT_TRUE(IsKeyword(value("align-self", "auto"), kw::Auto));
  EXPECT_TRUE(IsKeyword(value("max-width", "none"), kw::None));
  EXPECT_FALSE(value("padding-left", "auto"));
}

TEST_F(Keywords, GlobalKeywordsWorkForEveryProperty) {
  EXPECT_TRUE(IsKeyword(value("color", "inherit"), kw::Inherit));
  EXPECT_TRUE(IsKeyword(value("display", "INITIAL"), kw::Initial));
  EXPECT_TRUE(IsKeyword(value("transform", "unset"), kw::Unset));
  EXPECT_TRUE(IsKeyword(value("grid-template-columns", "inherit"), kw::Inherit));
}

// ---- keywords ----

TEST_F(Keywords, KeywordsMustBelongToTheProperty) {
  EXPECT_TRUE(IsKeyword(value("display", "-webkit-box"), kw::WebkitBox));
  EXPECT_TRUE(IsKeyword(value("display", "Table-Row-Group"), kw::TableRowGroup));
  EXPECT_FALSE(value("display", "box"));
  EXPECT_FALSE(value("position", "center"));
  EXPECT_TRUE(IsKeyword(value("cursor", "not-allowed"), kw::NotAllowed));
  EXPECT_FALSE(value("cursor", "hand"));
  EXPECT_TRUE(IsKeyword(value("white-space", "pre-wrap"), kw::PreWrap));
  EXPECT_TRUE(IsKeyword(value("vertical-align", "text-top"), kw::TextTop));
  EXPECT_FALSE(value("display", "block flex"));
}

TEST_F(Keywords, FontWeightKeywordsBecomeNumbers) {
  EXPECT_TRUE(IsNumber(value("font-weight", "bolder"), 700));
  EXPECT_TRUE(IsNumber(value("font-weight", "bold"), 700));
  EXPECT_TRUE(IsNumber(value("font-weight", "lighter"), 300));
  EXPECT_TRUE(IsNumber(value("font-weight", "normal"), 400));
  EXPECT_TRUE(IsNumber(value("font-weight", "600"), 600));
  EXPECT_FALSE(value("font-weight", "-1"));
}

TEST_F(Keywords, KeywordTableIdsAreStable) {
  EXPECT_EQ(find_keyword("none"), 0);
  EXPECT_EQ(find_keyword("-webkit-box"), 143);
  EXPECT_EQ(find_keyword("wrap"), 146);
  EXPECT_EQ(find_keyword("table-column-group"), 140);
  EXPECT_EQ(find_keyword("Visible"), 145);
  EXPECT_EQ(find_keyword("nonsense"), kNoKeyword);
  EXPECT_EQ(keyword_name(kw::SpaceEvenly), "space-evenly");
}

TEST_F(Keywords, PropertyNamesAndAliases) {
  EXPECT_EQ(find_property("word-wrap"), PropertyId::OverflowWrap);
  EXPECT_EQ(find_property("-webkit-line-clamp"), PropertyId::LineClamp);
  EXPECT_EQ(find_property("-webkit-user-select"), PropertyId::UserSelect);
  EXPECT_EQ(find_property("content"), PropertyId::Content);
  // Reached only through shorthands.
  EXPECT_FALSE(find_property("grid-area"));
  EXPECT_FALSE(find_property("outline-style"));
  EXPECT_FALSE(find_property("border-spacing-x"));
  EXPECT_EQ(property_name(PropertyId::Transition), "transition");
  EXPECT_TRUE(is_inherited(PropertyId::Color));
  EXPECT_FALSE(is_inherited(PropertyId::BackgroundColor));
}

// ---- numbers ----

TEST_F(Numbers, NumbersAreCheckedPerProperty) {
  EXPECT_TRUE(IsNumber(value("opacity", "2"), 1));
  EXPECT_TRUE(IsNumber(value("opacity", "0.25"), 0.25f));
  EXPECT_FALSE(value("opacity", "-1"));
  EXPECT_TRUE(IsNumber(value("z-index", "3.9"), 3));
  EXPECT_TRUE(IsNumber(value("z-index", "-2.5"), -2));
  EXPECT_TRUE(IsKeyword(value("z-index", "auto"), kw::Auto));
  EXPECT_TRUE(IsNumber(value("order", "-1"), -1));
  EXPECT_TRUE(IsNumber(value("flex-grow", "2"), 2));
  EXPECT_FALSE(value("flex-shrink", "-1"));
  EXPECT_TRUE(IsNumber(value("line-clamp", "3"), 3));
  EXPECT_FALSE(value("line-clamp", "0"));
  EXPECT_FALSE(value("line-clamp", "1.5"));
  EXPECT_TRUE(IsNumber(value("line-height", "1.4"), 1.4f));
  EXPECT_TRUE(IsLength(value("line-height", "20px"), 20, kUnitPx));
  EXPECT_TRUE(IsKeyword(value("line-height", "normal"), kw::Normal));
  EXPECT_FALSE(value("line-height", "-1"));
  EXPECT_TRUE(IsNumber(value("aspect-ratio", "16 / 9"), 16.0f / 9.0f));
  EXPECT_TRUE(IsNumber(value("aspect-ratio", "1.5"), 1.5f));
  EXPECT_FALSE(value("aspect-ratio", "0"));
  EXPECT_FALSE(value("aspect-ratio", "4 / 0"));
}

// ---- colours ----

TEST_F(Colours, HexColours) {
  EXPECT_TRUE(IsColor(value("color", "#abc"), 0xFFAABBCC));
  EXPECT_TRUE(IsColor(value("color", "#0008"), 0x88000000));
  EXPECT_TRUE(IsColor(value("color", "#3D84DD"), 0xFF3D84DD));
  EXPECT_TRUE(IsColor(value("color", "#11223344"), 0x44112233));
  EXPECT_FALSE(value("color", "#12345"));
  EXPECT_FALSE(value("color", "#ggg"));
}

TEST_F(Colours, NamedColoursAndSpecialNames) {
  EXPECT_TRUE(IsColor(value("color", "RED"), 0xFFFF0000));
  EXPECT_TRUE(IsColor(value("color", "rebeccapurple"), 0xFF663399));
  EXPECT_TRUE(IsColor(value("color", "LightGoldenrodYellow"), 0xFFFAFAD2));
  EXPECT_TRUE(IsColor(value("background-color", "transparent"), 0));
  EXPECT_TRUE(IsColor(value("border-top-color", "currentcolor"), kCurrentColor));
  EXPECT_TRUE(IsColor(value("color", "CurrentColor"), 0x00FFFFFE));
  EXPECT_FALSE(value("color", "reddish"));
}

TEST_F(Colours, RgbFunctions) {
  EXPECT_TRUE(IsColor(value("color", "rgb(100%, 0, 0, 50%)"), 0x80FF0000));
  EXPECT_TRUE(IsColor(value("color", "rgb(255 128 0)"), 0xFFFF8000));
  EXPECT_TRUE(IsColor(value("color", "rgba(0,0,255,0.5)"), 0x800000FF));
  EXPECT_TRUE(IsColor(value("color", "rgb(0 0 0 / 25%)"), 0x40000000));
  EXPECT_TRUE(IsColor(value("color", "rgb(300, -5, 127.5)"), 0xFFFF0080));  // clamp, round up
  EXPECT_TRUE(IsColor(value("color", "rgba(0,0,0,7)"), 0xFF000000));
  EXPECT_FALSE(value("color", "rgb(1,2)"));
  EXPECT_FALSE(value("color", "rgb(1,2,3,4,5)"));
  EXPECT_FALSE(value("color", "rgb(1px,2,3)"));
}

TEST_F(Colours, HslFunctions) {
  EXPECT_TRUE(IsColor(value("color", "hsl(0, 100%, 50%)"), 0xFFFF0000));
  EXPECT_TRUE(IsColor(value("color", "hsl(120deg 100% 25%)"), 0xFF008000));
  EXPECT_TRUE(IsColor(value("color", "hsl(480, 100%, 50%)"), 0xFF00FF00));   // 480 = 120
  EXPECT_TRUE(IsColor(value("color", "hsl(-120, 100%, 50%)"), 0xFF0000FF));  // = 240
  EXPECT_TRUE(IsColor(value("color", "hsla(0, 0%, 100%, 0.5)"), 0x80FFFFFF));
  EXPECT_FALSE(value("color", "hsl(red, 1%, 1%)"));
}

TEST_F(Colours, ColorMixInSrgb) {
  EXPECT_TRUE(IsColor(value("color", "color-mix(in srgb, #000000, #ffffff)"), 0xFF808080));
  EXPECT_TRUE(IsColor(value("color", "color-mix(in srgb, red 25%, blue)"), 0xFF4000BF));
  EXPECT_FALSE(value("color", "color-mix(in oklab, red, blue)"));
  EXPECT_FALSE(value("color", "color-mix(red, blue)"));
}

TEST_F(Colours, ColourTextEntryPoint) {
  uint32_t c = 0;
  EXPECT_TRUE(parse_color_text(" #fff ", c));
  EXPECT_EQ(c, 0xFFFFFFFFu);
  EXPECT_TRUE(parse_color_text("hsl(240, 100%, 50%)", c));
  EXPECT_EQ(c, 0xFF0000FFu);
  EXPECT_FALSE(parse_color_text("red blue", c));
  EXPECT_FALSE(parse_color_text("", c));
}

// ---- calc() ----

TEST_F(Calc, CalcKeepsPercentAndPixelParts) {
  auto v = value("width", "calc(100% - 10px)");
  ASSERT_TRUE(v);
  ASSERT_EQ(v->type, ValueType::Calc);
  EXPECT_EQ(v->calc->kind, CalcKind::Calc);
  EXPECT_EQ(v->calc->sum_count, 1);
  EXPECT_FLOAT_EQ(v->calc->sums[0].terms[1], 100);
  EXPECT_FLOAT_EQ(v->calc->sums[0].terms[0], -10);
}

TEST_F(Calc, CalcArithmetic) {
  auto v = value("width", "calc((2em + 4px) * 2 - 50% / 4 + 1in)");
  ASSERT_TRUE(v);
  const CalcSum& s = v->calc->sums[0];
  EXPECT_FLOAT_EQ(s.terms[0], 8 + 96);
  EXPECT_FLOAT_EQ(s.terms[1], -12.5f);
  EXPECT_FLOAT_EQ(s.terms[2], 4);
  // A signed dimension right after a term is added: "100% -10px".
  auto folded = value("width", "calc(100% -10px)");
  ASSERT_TRUE(folded);
  EXPECT_FLOAT_EQ(folded->calc->sums[0].terms[0], -10);
  auto nested = value("width", "calc(calc(1vw + 2vh) * 3)");
  ASSERT_TRUE(nested);
  EXPECT_FLOAT_EQ(nested->calc->sums[0].terms[4], 3);
  EXPECT_FLOAT_EQ(nested->calc->sums[0].terms[5], 6);
}

TEST_F(Calc, CalcRejectsBadForms) {
  EXPECT_FALSE(value("width", "calc(2 * 3)"));  // a plain number
  EXPECT_FALSE(value("width", "calc(10px / 0)"));
  EXPECT_FALSE(value("width", "calc(10px * 2px)"));
  EXPECT_FALSE(value("width", "calc(10px / 2px)"));
  EXPECT_FALSE(value("width", "calc(10px + 2)"));   // length plus number
  EXPECT_FALSE(value("width", "calc(10px)  5px"));  // not the whole value
  EXPECT_FALSE(value("width", "calc(10deg)"));
  EXPECT_FALSE(value("width", "calc(((((((((1px)))))))))"));  // deeper than 8
  EXPECT_TRUE(value("width", "calc(((((((1px)))))))"));
}

TEST_F(Calc, MinMaxClampTakeFixedArgumentCounts) {
  auto mn = value("width", "min(100%, 300px)");
  ASSERT_TRUE(mn);
  EXPECT_EQ(mn->calc->kind, CalcKind::Min);
  EXPECT_EQ(mn->calc->sum_count, 2);
  EXPECT_FLOAT_EQ(mn->calc->sums[0].terms[1], 100);
  EXPECT_FLOAT_EQ(mn->calc->sums[1].terms[0], 300);
  auto cl = value("font-size", "clamp(12px, 2vw + 4px, 20px)");
  ASSERT_TRUE(cl);
  EXPECT_EQ(cl->calc->kind, CalcKind::Clamp);
  EXPECT_FLOAT_EQ(cl->calc->sums[1].terms[4], 2);
  EXPECT_FALSE(value("width", "min(1px)"));
  EXPECT_FALSE(value("width", "max(1px, 2px, 3px)"));
  EXPECT_FALSE(value("width", "clamp(1px, 2px)"));
}

// ---- var() and custom properties ----

TEST_F(CustomProperties, CustomPropertiesKeepRawText) {
  auto list = declarations("--gap:  4px ;--Main-Color: #fff");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].property, PropertyId::Custom);
  EXPECT_EQ(list[0].value.type, ValueType::RawText);
  EXPECT_EQ(list[0].value.raw_text(), "4px");
  EXPECT_EQ(list[0].aux, atom("--gap"));
  EXPECT_EQ(list[1].aux, atom("--Main-Color"));  // names are case-sensitive
}

TEST_F(CustomProperties, VarInALonghandIsStoredRaw) {
  auto v = value("color", " var(--text, red) ");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, ValueType::RawText);
  EXPECT_EQ(v->raw_text(), "var(--text, red)");
}

TEST_F(CustomProperties, VarInAShorthandBecomesDeferred) {
  auto list = declarations("margin: var(--gap) 0");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].property, PropertyId::DeferredShorthand);
  EXPECT_EQ(list[0].aux, atom("margin"));
  EXPECT_EQ(list[0].value.raw_text(), "var(--gap) 0");
}

TEST_F(CustomProperties, PropertyValueEntryPoint) {
  CssValue v;
  ASSERT_TRUE(parse_property_value(sheet, PropertyId::Opacity, "0.5", v));
  EXPECT_FLOAT_EQ(v.number, 0.5f);
  ASSERT_TRUE(parse_property_value(sheet, PropertyId::Color, "var(--x)", v));
  EXPECT_EQ(v.type, ValueType::RawText);
  EXPECT_FALSE(parse_property_value(sheet, PropertyId::Width, "red", v));
  EXPECT_FALSE(parse_property_value(sheet, PropertyId::Custom, "1", v));
}

// ---- names, strings, decorations ----

TEST_F(NamesAndStrings, FontFamilyIsTheWholeValue) {
  auto v = value("font-family", " \"Segoe UI\",  sans-serif ");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, ValueType::Name);
  EXPECT_EQ(atoms.text(v->atom), "\"Segoe UI\",  sans-serif");
}

TEST_F(NamesAndStrings, ContentConcatenatesStringsWithEscapes) {
  auto v = value("content", R"("a\41 b" '\2022' "\"")");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, ValueType::Name);
  EXPECT_EQ(atoms.text(v->atom), "aAb\xE2\x80\xA2\"");
  EXPECT_TRUE(IsKeyword(value("content", "none"), kw::None));
  EXPECT_TRUE(IsKeyword(value("content", "normal"), kw::Normal));
  EXPECT_FALSE(value("content", "attr(title)"));
  auto bad = value("content", R"("\110000")");
  ASSERT_TRUE(bad);
  EXPECT_EQ(atoms.text(bad->atom), "\xEF\xBF\xBD");
}

TEST_F(NamesAndStrings, ContentIsCutAt511Bytes) {
  std::string long_text = "content: \"" + std::string(600, 'x') + "\"";
  auto list = declarations(long_text);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(atoms.text(list[0].value.atom).size(), 511u);
}

TEST_F(NamesAndStrings, TextDecorationLineSet) {
  EXPECT_TRUE(IsNumber(value("text-decoration", "none"), 0));
  EXPECT_TRUE(IsNumber(value("text-decoration", "underline"), 1));
  EXPECT_TRUE(IsNumber(value("text-decoration", "line-through underline"), 3));
  EXPECT_FALSE(value("text-decoration", "underline underline"));
  EXPECT_FALSE(value("text-decoration", "overline"));
}

// ---- transforms ----

TEST_F(Transforms, TransformFunctions) {
  auto v = value("transform",
                 "translate(10px, 50%) rotate(0.5turn) scale(2) skewX(10deg) matrix(1,0,0,1,5,6)");
  ASSERT_TRUE(v);
  ASSERT_EQ(v->type, ValueType::Transform);
  ASSERT_EQ(v->count, 5);
  const TransformOp* ops = v->transforms;
  EXPECT_EQ(ops[0].kind, TransformKind::Translate);
  EXPECT_EQ(ops[0].args[0], (CssLength{10, kUnitPx}));
  EXPECT_EQ(ops[0].args[1], (CssLength{50, kUnitPercent}));
  EXPECT_EQ(ops[1].kind, TransformKind::Rotate);
  EXPECT_FLOAT_EQ(ops[1].args[0].value, 180);
  EXPECT_EQ(ops[2].kind, TransformKind::Scale);
  EXPECT_FLOAT_EQ(ops[2].args[1].value, 2);  // one number scales both axes
  EXPECT_EQ(ops[3].kind, TransformKind::Skew);
  EXPECT_FLOAT_EQ(ops[3].args[0].value, 10);
  EXPECT_FLOAT_EQ(ops[3].args[1].value, 0);
  EXPECT_EQ(ops[4].kind, TransformKind::Matrix);
  EXPECT_FLOAT_EQ(ops[4].args[4].value, 5);
}

TEST_F(Transforms, TransformAnglesAndThreeDimensionalForms) {
  auto v = value("transform", "rotate(1rad) rotate(100grad) translateY(3px) scale3d(2,3,4)");
  ASSERT_TRUE(v);
  EXPECT_NEAR(v->transforms[0].args[0].value, 57.29578f, 1e-3);
  EXPECT_NEAR(v->transforms[1].args[0].value, 90, 1e-3);
  EXPECT_EQ(v->transforms[2].args[0], (CssLength{0, kUnitPx}));
  EXPECT_EQ(v->transforms[2].args[1], (CssLength{3, kUnitPx}));
  EXPECT_FLOAT_EQ(v->transforms[3].args[1].value, 3);
  auto matrix4 = value("transform", "matrix(1, 2, 3, 4)");
  ASSERT_TRUE(matrix4);
  EXPECT_FLOAT_EQ(matrix4->transforms[0].args[4].value, 0);
}

TEST_F(Transforms, TransformsWithWrongArgumentsAreDropped) {
  EXPECT_FALSE(value("transform", "rotate(10px)"));
  EXPECT_FALSE(value("transform", "rotate(1deg, 2deg)"));
  EXPECT_FALSE(value("transform", "matrix(1,2,3,4,5)"));
  EXPECT_FALSE(value("transform", "scale(1px)"));
  EXPECT_FALSE(value("transform", "wobble(1)"));
  EXPECT_FALSE(value("transform", "translate(1px) 5px"));
  std::string seventeen;
  for (int i = 0; i < 17; ++i) seventeen += "scale(1) ";
  EXPECT_FALSE(value("transform", seventeen));
  EXPECT_TRUE(IsKeyword(value("transform", "none"), kw::None));
}

TEST_F(Transforms, IndividualTransformProperties) {
  auto t = value("translate", "4px 5px");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->transforms[0].args[1], (CssLength{5, kUnitPx}));
  auto r = value("rotate", "45deg");
  ASSERT_TRUE(r);
  EXPECT_FLOAT_EQ(r->transforms[0].args[0].value, 45);
  auto s = value("scale", "1.5");
  ASSERT_TRUE(s);
  EXPECT_FLOAT_EQ(s->transforms[0].args[1].value, 1.5f);
  EXPECT_FALSE(value("rotate", "45deg 10deg"));
  EXPECT_FALSE(value("scale", "1 2 3 4"));
  EXPECT_TRUE(IsKeyword(value("rotate", "none"), kw::None));
}

// ---- filters and shadows ----

TEST_F(FiltersAndShadows, Filters) {
  auto v = value("filter",
                 "blur(4px) brightness(120%) grayscale() hue-rotate(90deg) "
                 "drop-shadow(1px 2px 3px red)");
  ASSERT_TRUE(v);
  ASSERT_EQ(v->type, ValueType::FilterList);
  ASSERT_EQ(v->count, 5);
  EXPECT_EQ(v->filters[0].kind, FilterKind::Blur);
  EXPECT_FLOAT_EQ(v->filters[0].amount, 4);
  EXPECT_FLOAT_EQ(v->filters[1].amount, 1.2f);
  EXPECT_FLOAT_EQ(v->filters[2].amount, 1);  // default
  EXPECT_FLOAT_EQ(v->filters[3].amount, 90);
  EXPECT_EQ(v->filters[4].kind, FilterKind::DropShadow);
  EXPECT_FLOAT_EQ(v->filters[4].offset_y, 2);
  EXPECT_FLOAT_EQ(v->filters[4].blur, 3);
  EXPECT_EQ(v->filters[4].color, 0xFFFF0000u);
  auto none = value("backdrop-filter", "none");
  ASSERT_TRUE(none);
  EXPECT_EQ(none->type, ValueType::FilterList);
  EXPECT_EQ(none->count, 0);
  EXPECT_FALSE(value("filter", "blur(50%)"));
  EXPECT_FALSE(value("filter", "sharpen(2)"));
  EXPECT_FALSE(value("filter", "opacity(-1)"));
}

TEST_F(FiltersAndShadows, Shadows) {
  auto v = value("box-shadow", "inset 0 1px 2px rgba(0,0,0,.5), 3px 4px -5px 6px #fff");
  ASSERT_TRUE(v);
  ASSERT_EQ(v->type, ValueType::ShadowList);
  ASSERT_EQ(v->count, 2);
  EXPECT_EQ(v->shadows[0].inset, 1);
  EXPECT_FLOAT_EQ(v->shadows[0].offset_y, 1);
  EXPECT_FLOAT_EQ(v->shadows[0].blur, 2);
  EXPECT_EQ(v->shadows[0].color, 0x80000000u);
  EXPECT_FLOAT_EQ(v->shadows[1].blur, 0);  // negative blur becomes 0
  EXPECT_FLOAT_EQ(v->shadows[1].spread, 6);
  auto plain = value("text-shadow", "1px 1px");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->shadows[0].color, kCurrentColor);
  for (const char* property : {"box-shadow", "text-shadow"}) {
    auto none = value(property, "none");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->type, ValueType::ShadowList) << property;
    EXPECT_EQ(none->count, 0);
  }
  EXPECT_FALSE(value("box-shadow", "1px"));
  EXPECT_FALSE(value("box-shadow", "1px 2px red blue"));
  EXPECT_FALSE(value("box-shadow", "1em 2px"));  // must resolve to px
  EXPECT_FALSE(value("box-shadow", "inset inset 1px 1px"));
}

TEST_F(FiltersAndShadows, ColourAndInsetMayStandAnywhereAmongTheLengths) {
  for (const char* text : {"red 1px 2px 3px", "1px red 2px 3px", "1px 2px red 3px",
                           "1px 2px 3px red", "1px inset 2px red 3px"}) {
    auto v = value("box-shadow", text);
    ASSERT_TRUE(v) << text;
    ASSERT_EQ(v->count, 1) << text;
    EXPECT_EQ(v->shadows[0].color, 0xFFFF0000u) << text;
    EXPECT_FLOAT_EQ(v->shadows[0].offset_x, 1) << text;
    EXPECT_FLOAT_EQ(v->shadows[0].offset_y, 2) << text;
    EXPECT_FLOAT_EQ(v->shadows[0].blur, 3) << text;
  }
  EXPECT_FALSE(value("text-shadow", "1px red 2px blue"));
}

// ---- gradients and background values ----

TEST_F(Backgrounds, LinearGradient) {
  auto v = value("background-image", "linear-gradient(#141418, #26262e)");
  ASSERT_TRUE(v);
  ASSERT_EQ(v->type, ValueType::Gradient);
  const Gradient& g = *v->gradient;
  EXPECT_EQ(g.kind, GradientKind::Linear);
  EXPECT_FLOAT_EQ(g.angle, 180);
  ASSERT_EQ(g.stop_count, 2);
  EXPECT_EQ(g.stops[0].color, 0xFF141418u);
  EXPECT_EQ(g.stops[0].position, (CssLength{0, kUnitPercent}));
  EXPECT_EQ(g.stops[1].position, (CssLength{100, kUnitPercent}));
}

TEST_F(Backgrounds, GradientStopPositionsAreFilledAndOrdered) {
  auto v = value("background-image", "linear-gradient(to right, red, lime, blue 80%, white 50%)");
  ASSERT_TRUE(v);
  const Gradient& g = *v->gradient;
  EXPECT_EQ(g.to_sides, 8);
  EXPECT_FLOAT_EQ(g.angle, 90);
  ASSERT_EQ(g.stop_count, 4);
  EXPECT_FLOAT_EQ(g.stops[1].position.value, 40);  // spread between 0 and 80
  EXPECT_FLOAT_EQ(g.stops[2].position.value, 80);
  EXPECT_FLOAT_EQ(g.stops[3].position.value, 80);  // raised to the earlier stop
  auto angled = value("background-image", "linear-gradient(45deg, red 10px, blue)");
  ASSERT_TRUE(angled);
  EXPECT_FLOAT_EQ(angled->gradient->angle, 45);
  EXPECT_EQ(angled->gradient->stops[0].position, (CssLength{10, kUnitPx}));
}

TEST_F(Backgrounds, RadialAndConicGradients) {
  auto r = value("background-image", "radial-gradient(circle closest-side at left top, red, blue)");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->gradient->kind, GradientKind::Radial);
  EXPECT_EQ(r->gradient->circle, 1);
  EXPECT_EQ(r->gradient->size, RadialSize::ClosestSide);
  EXPECT_EQ(r->gradient->center[0], (CssLength{0, kUnitPercent}));
  EXPECT_EQ(r->gradient->center[1], (CssLength{0, kUnitPercent}));
  auto c = value("background-image", "conic-gradient(from 90deg at 25% 75%, red, blue)");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->gradient->kind, GradientKind::Conic);
  EXPECT_FLOAT_EQ(c->gradient->angle, 90);
  EXPECT_EQ(c->gradient->center[1], (CssLength{75, kUnitPercent}));
}

TEST_F(Backgrounds, StopPositionsTakeAnyLength) {
  auto v = value("background-image", "linear-gradient(red 1em, lime 2rem, blue 50vw, white 3mm)");
  ASSERT_TRUE(v);
  const Gradient& g = *v->gradient;
  ASSERT_EQ(g.stop_count, 4);
  EXPECT_EQ(g.stops[0].position, (CssLength{1, kUnitEm}));
  EXPECT_EQ(g.stops[1].position, (CssLength{2, kUnitRem}));
  EXPECT_EQ(g.stops[2].position, (CssLength{50, kUnitVw}));
  EXPECT_EQ(g.stops[3].position.unit, kUnitPx);
  // One em stop keeps the whole background shorthand.
  EXPECT_FALSE(declarations("background: linear-gradient(red 1em, blue)").empty());
  EXPECT_FALSE(value("background-image", "linear-gradient(red 1deg, blue)"));
}

TEST_F(Backgrounds, GradientsRejectBadForms) {
  EXPECT_FALSE(value("background-image", "linear-gradient(red)"));
  EXPECT_FALSE(value("background-image", "linear-gradient(to middle, red, blue)"));
  EXPECT_FALSE(value("background-image", "linear-gradient(red, blue) red"));
  EXPECT_FALSE(value("background-image", "linear-gradient(to left right, red, blue)"));
  EXPECT_FALSE(value("background-image", "repeating-linear-gradient(red, blue)"));
}

TEST_F(Backgrounds, UrlNamesARegisteredImage) {
  auto v = value("background-image", "url(logo.svg)");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, ValueType::Name);
  EXPECT_EQ(atoms.text(v->atom), "logo.svg");
  auto quoted = value("background-image", "url( \"a b.png\" )");
  ASSERT_TRUE(quoted);
  EXPECT_EQ(atoms.text(quoted->atom), "a b.png");
  EXPECT_TRUE(IsKeyword(value("background-image", "none"), kw::None));
}

TEST_F(Backgrounds, PositionsAndSizes) {
  auto p = value("transform-origin", "top left");
  ASSERT_TRUE(p);
  ASSERT_EQ(p->type, ValueType::PositionPair);
  EXPECT_EQ(p->pair[0], (CssLength{0, kUnitPercent}));
  EXPECT_EQ(p->pair[1], (CssLength{0, kUnitPercent}));
  auto one = value("object-position", "right");
  ASSERT_TRUE(one);
  EXPECT_EQ(one->pair[0], (CssLength{100, kUnitPercent}));
  EXPECT_EQ(one->pair[1], (CssLength{50, kUnitPercent}));
  auto lengths = value("background-position", "10px 2em");
  ASSERT_TRUE(lengths);
  EXPECT_EQ(lengths->pair[1], (CssLength{2, kUnitEm}));
  EXPECT_FALSE(value("background-position", "left right"));
  EXPECT_TRUE(IsKeyword(value("background-size", "cover"), kw::Cover));
  auto size = value("background-size", "50% auto");
  ASSERT_TRUE(size);
  EXPECT_EQ(size->pair[1].unit, kUnitAuto);
  EXPECT_TRUE(IsKeyword(value("background-repeat", "no-repeat"), kw::NoRepeat));
  EXPECT_FALSE(value("background-repeat", "space"));
}

// ---- transitions and animations ----

TEST_F(TransitionsAndAnimations, TransitionList) {
  auto v = value("transition", "color 120ms, opacity .2s ease-in 50ms, all 1s steps(2, jump-none)");
  ASSERT_TRUE(v);
  ASSERT_EQ(v->type, ValueType::TransitionList);
  ASSERT_EQ(v->count, 3);
  const TransitionEntry* e = v->transitions;
  EXPECT_EQ(e[0].property, static_cast<int16_t>(PropertyId::Color));
  EXPECT_FLOAT_EQ(e[0].duration, 120);
  EXPECT_EQ(e[0].timing.kind, TimingKind::Ease);
  EXPECT_FLOAT_EQ(e[1].duration, 200);
  EXPECT_FLOAT_EQ(e[1].delay, 50);
  EXPECT_EQ(e[1].timing.kind, TimingKind::EaseIn);
  EXPECT_EQ(e[2].property, -1);
  EXPECT_EQ(e[2].timing.kind, TimingKind::Steps);
  EXPECT_EQ(e[2].timing.steps, 2);
  EXPECT_EQ(e[2].timing.step_position, StepPosition::None);
}

TEST_F(TransitionsAndAnimations, TransitionShorthandNamesExpand) {
  auto v = value("transition", "background 1s linear");
  ASSERT_TRUE(v);
  ASSERT_EQ(v->count, 5);
  EXPECT_EQ(v->transitions[0].property, static_cast<int16_t>(PropertyId::BackgroundColor));
  EXPECT_EQ(v->transitions[4].property, static_cast<int16_t>(PropertyId::BackgroundRepeat));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(v->transitions[i].timing.kind, TimingKind::Linear);
}

TEST_F(TransitionsAndAnimations, TransitionRejections) {
  EXPECT_FALSE(value("transition", "color 1s steps(1, jump-none)"));
  EXPECT_TRUE(value("transition", "color 1s steps(2, jump-none)"));
  EXPECT_FALSE(value("transition", "color"));             // no time
  EXPECT_FALSE(value("transition", "color opacity 1s"));  // two names
  EXPECT_FALSE(value("transition", "--x 1s"));
  EXPECT_FALSE(value("transition", "colour 1s"));
  EXPECT_FALSE(value("transition", "color 1s 2s 3s"));
  EXPECT_FALSE(value("transition", "color 1s cubic-bezier(1, 2, 3)"));
  // border expands to nine longhands; two of them make 18 entries, more than 16.
  EXPECT_FALSE(value("transition", "border 1s, border 2s"));
  EXPECT_TRUE(IsKeyword(value("transition", "none"), kw::None));
  auto bezier = value("transition", "width 1s cubic-bezier(0.1, 0.7, 1.0, 0.1)");
  ASSERT_TRUE(bezier);
  EXPECT_FLOAT_EQ(bezier->transitions[0].timing.bezier[1], 0.7f);
}

TEST_F(TransitionsAndAnimations, AnimationList) {
  auto v = value("animation", "spin 2s linear infinite alternate, \"fade in\" 300ms 1s both 3");
  ASSERT_TRUE(v);
  ASSERT_EQ(v->type, ValueType::AnimationList);
  ASSERT_EQ(v->count, 2);
  const AnimationEntry* a = v->animations;
  EXPECT_EQ(a[0].name, atom("spin"));
  EXPECT_FLOAT_EQ(a[0].duration, 2000);
  EXPECT_EQ(a[0].timing.kind, TimingKind::Linear);
  EXPECT_FLOAT_EQ(a[0].iterations, -1);
  EXPECT_EQ(a[0].alternate, 1);
  EXPECT_EQ(a[1].name, atom("fade in"));
  EXPECT_FLOAT_EQ(a[1].delay, 1000);
  EXPECT_EQ(a[1].forwards, 1);
  EXPECT_FLOAT_EQ(a[1].iterations, 3);
  auto step = value("animation", "blink 1s step-end normal");
  ASSERT_TRUE(step);
  EXPECT_EQ(step->animations[0].timing.kind, TimingKind::Steps);
  EXPECT_EQ(step->animations[0].timing.step_position, StepPosition::End);
}

TEST_F(TransitionsAndAnimations, AnimationRejections) {
  EXPECT_FALSE(value("animation", "spin"));          // no time
  EXPECT_FALSE(value("animation", "1s linear"));     // no name
  EXPECT_FALSE(value("animation", "spin turn 1s"));  // two names
  EXPECT_FALSE(value("animation", "a 1s, b 1s, c 1s, d 1s, e 1s, f 1s, g 1s, h 1s, i 1s"));
  EXPECT_TRUE(IsKeyword(value("animation", "none"), kw::None));
}

// ---- grid ----

TEST_F(GridValues, GridTrackLists) {
  auto v = value("grid-template-columns", "80px 1fr minmax(100px, 2fr) fit-content(40%) auto");
  ASSERT_TRUE(v);
  ASSERT_EQ(v->type, ValueType::GridTrackList);
  ASSERT_EQ(v->count, 5);
  const GridTrack* t = v->tracks;
  EXPECT_EQ(t[0].min, (CssLength{80, kUnitPx}));
  EXPECT_EQ(t[0].max, (CssLength{80, kUnitPx}));
  EXPECT_EQ(t[1].min.unit, kUnitAuto);  // fr gets a minimum of auto
  EXPECT_EQ(t[1].max, (CssLength{1, kUnitFr}));
  EXPECT_EQ(t[2].min, (CssLength{100, kUnitPx}));
  EXPECT_EQ(t[2].max, (CssLength{2, kUnitFr}));
  EXPECT_EQ(t[3].max, (CssLength{40, kUnitFitContentPercent}));
  EXPECT_EQ(t[4].max.unit, kUnitAuto);
}

TEST_F(GridValues, GridRepeat) {
  auto v = value("grid-template-rows", "repeat(3, 10px 1fr) 5px");
  ASSERT_TRUE(v);
  ASSERT_EQ(v->count, 7);
  EXPECT_EQ(v->tracks[4].min, (CssLength{10, kUnitPx}));
  EXPECT_EQ(v->tracks[6].min, (CssLength{5, kUnitPx}));
  auto fill = value("grid-template-columns", "repeat(auto-fill, minmax(120px, 1fr))");
  ASSERT_TRUE(fill);
  ASSERT_EQ(fill->count, 1);
  EXPECT_EQ(fill->tracks[0].repeat, GridRepeat::AutoFill);
  EXPECT_FALSE(value("grid-template-columns", "repeat(auto-fit, 1fr)"));  // no definite size
  EXPECT_FALSE(value("grid-template-columns", "repeat(0, 1px)"));
  EXPECT_FALSE(value("grid-template-columns", "repeat(65, 1px)"));
  EXPECT_FALSE(value("grid-template-columns", "repeat(33, 1px 1px)"));  // 66 tracks
  EXPECT_FALSE(value("grid-template-columns", "minmax(1fr, 10px)"));
  EXPECT_FALSE(value("grid-template-columns", "-10px"));
  auto none = value("grid-template-columns", "none");
  ASSERT_TRUE(none);
  EXPECT_EQ(none->type, ValueType::GridTrackList);
  EXPECT_EQ(none->count, 0);
  auto single = value("grid-auto-rows", "minmax(20px, auto)");
  ASSERT_TRUE(single);
  EXPECT_EQ(single->count, 1);
  EXPECT_FALSE(value("grid-auto-rows", "10px 20px"));
}

TEST_F(GridValues, GridLines) {
  auto n = value("grid-column-start", "2");
  ASSERT_TRUE(n);
  EXPECT_EQ(n->type, ValueType::GridLine);
  EXPECT_EQ(n->grid_line.line, 2);
  EXPECT_EQ(n->grid_line.span, 0);
  auto span = value("grid-row-end", "span 3");
  ASSERT_TRUE(span);
  EXPECT_EQ(span->grid_line.line, 3);
  EXPECT_EQ(span->grid_line.span, 1);
  auto automatic = value("grid-row-start", "auto");
  ASSERT_TRUE(automatic);
  EXPECT_EQ(automatic->grid_line.line, 0);
  EXPECT_FALSE(value("grid-row-start", "-1"));
  EXPECT_FALSE(value("grid-row-start", "header"));
  EXPECT_FALSE(value("grid-row-start", "span 0"));
}

TEST_F(GridValues, GridTemplateAreas) {
  auto v = value("grid-template-areas", "\"head head\" \"side .\"");
  ASSERT_TRUE(v);
  ASSERT_EQ(v->type, ValueType::GridAreas);
  EXPECT_EQ(v->areas->rows, 2);
  EXPECT_EQ(v->areas->columns, 2);
  EXPECT_EQ(v->areas->cells[0], atom("head"));
  EXPECT_EQ(v->areas->cells[2], atom("side"));
  EXPECT_EQ(v->areas->cells[3], 0u);
  EXPECT_FALSE(value("grid-template-areas", "\"a b\" \"c\""));  // ragged rows
  EXPECT_FALSE(value("grid-template-areas", "a"));
}

TEST_F(Lengths, UnitConversionsThatOverflowAreDropped) {
  EXPECT_FALSE(value("width", "3e37in"));            // finite number, infinite px
  EXPECT_FALSE(value("transition", "color 1e38s"));  // infinite milliseconds
  EXPECT_FALSE(value("transform", "rotate(1e37turn)"));
  EXPECT_TRUE(IsLength(value("width", "3e30px"), 3e30f, kUnitPx));
}

// ---- entry points for other readers (SVG) ----

TEST_F(ValueEntryPoints, LengthTextEntryPoint) {
  CssLength l;
  ASSERT_TRUE(parse_length_text(" 2in ", l));
  EXPECT_EQ(l, (CssLength{192, kUnitPx}));
  ASSERT_TRUE(parse_length_text("50%", l));
  EXPECT_EQ(l.unit, kUnitPercent);
  EXPECT_FALSE(parse_length_text("12", l));
  ASSERT_TRUE(parse_length_text("12", l, /*plain_number_is_px=*/true));
  EXPECT_EQ(l, (CssLength{12, kUnitPx}));
  EXPECT_FALSE(parse_length_text("12px 3px", l));
  EXPECT_FALSE(parse_length_text("calc(1px)", l));
  EXPECT_FALSE(parse_length_text("", l));
}

TEST_F(ValueEntryPoints, SplitDeclarationsHandsOverUnknownNames) {
  std::vector<std::string> seen;
  split_declarations(
      "FILL: red; stroke-width:2 !important; :x; color: url(a;b); /*c*/ d: e",
      [&](std::string_view name, std::string_view v, bool important) {
        seen.push_back(std::string(name) + "=" + std::string(v) + (important ? "!" : ""));
      });
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], "fill=red");
  EXPECT_EQ(seen[1], "stroke-width=2!");
  EXPECT_EQ(seen[2], "color=url(a;b)");
  EXPECT_EQ(seen[3], "d=e");
}

// ---- limits ----

TEST_F(ValueEntryPoints, MoreThanSixtyFourTokensDropTheDeclaration) {
  std::string ok = "transition: ";
  std::string too_many = "transition: ";
  // Each "color 1s," is three tokens.
  for (int i = 0; i < 16; ++i) ok += std::string(i ? "," : "") + "color 1s";
  EXPECT_EQ(declarations(ok).size(), 1u);
  std::string filler = "font-family: ";
  for (int i = 0; i < 65; ++i) filler += "a ";
  EXPECT_TRUE(declarations(filler).empty());
  (void)too_many;
}

}  // namespace
}  // namespace orlan::css
