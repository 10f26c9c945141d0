#include "style_sheet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "css_test_support.h"

namespace orlan::css {
namespace {

using P = PropertyId;
using testing::IsColor;
using testing::IsLength;

class Sheets : public testing::SheetTest {
 protected:
  std::size_t rule_count(std::string_view css) {
    EXPECT_EQ(parse_stylesheet(sheet, css), kStatusOk);
    return sheet.rules().size();
  }
};

TEST_F(Sheets, RulesKeepOrderAndPositions) {
  ASSERT_EQ(rule_count("a { color: red } b, c { color: blue; margin: 0 }"), 2u);
  const StyleRule& second = sheet.rules()[1];
  EXPECT_EQ(second.position, 1u);
  EXPECT_EQ(second.selector_count, 2);
  ASSERT_EQ(second.declaration_count, 5);
  EXPECT_TRUE(IsColor(second.declarations[0].value, 0xFF0000FF));
  EXPECT_EQ(second.declarations[4].property, P::MarginLeft);
}

TEST_F(Sheets, MalformedPartsAreDroppedAtTheSmallestUnit) {
  ASSERT_EQ(rule_count("a { color: red; width: 10; : x; height; a:b; margin-top: 1px } "
                       "{ color: red } "
                       "; junk; "
                       "p { color: green }"),
            2u);
  const StyleRule& a = sheet.rules()[0];
  ASSERT_EQ(a.declaration_count, 2);
  EXPECT_EQ(a.declarations[0].property, P::Color);
  EXPECT_EQ(a.declarations[1].property, P::MarginTop);
}

TEST_F(Sheets, EmptyRuleIsKept) {
  ASSERT_EQ(rule_count("a, b {}"), 1u);
  EXPECT_EQ(sheet.rules()[0].declaration_count, 0);
}

TEST_F(Sheets, UnclosedBlockRunsToTheEnd) {
  ASSERT_EQ(rule_count("a { color: red } b { color: blue"), 2u);
  EXPECT_EQ(sheet.rules()[1].declaration_count, 1);
  ASSERT_EQ(rule_count("a { color: red } b"), 1u);  // no block at all
}

TEST_F(Sheets, BracesInStringsAndCommentsDoNotCount) {
  ASSERT_EQ(rule_count("a[title='}{'] { content: \"}\" } /* } { */ b { color: red }"), 2u);
  EXPECT_EQ(sheet.rules()[0].declaration_count, 1);
  ASSERT_EQ(rule_count("a { color: red; /* ; */ margin-top: 1px }"), 1u);
  EXPECT_EQ(sheet.rules()[0].declaration_count, 2);
}

TEST_F(Sheets, SemicolonsInsideParenthesesDoNotSplit) {
  ASSERT_EQ(rule_count("a { background-image: url(a;b.png); color: red }"), 1u);
  ASSERT_EQ(sheet.rules()[0].declaration_count, 2);
  EXPECT_EQ(atoms.text(sheet.rules()[0].declarations[0].value.atom), "a;b.png");
}

TEST_F(Sheets, ImportantDeclarations) {
  auto list = declarations(
      "color: red!important; margin-top: 1px ! IMPORTANT; width: 1px !imp; "
      "height:1px!important");
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].important, 1);
  EXPECT_TRUE(IsColor(list[0].value, 0xFFFF0000));
  EXPECT_EQ(list[1].important, 1);
  EXPECT_EQ(list[2].important, 1);
  EXPECT_EQ(list[2].property, P::Height);
  // "!important" only counts on a value longer than ten bytes.
  EXPECT_TRUE(declarations("color:!important").empty());
}

TEST_F(Sheets, NamesAreCaseInsensitiveAndLimitedInLength) {
  auto list = declarations("COLOR: red; Margin-Top: 2px");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].property, P::MarginTop);
  std::string long_name = "--" + std::string(45, 'x') + ": 1";  // 47 bytes: kept
  EXPECT_EQ(declarations(long_name).size(), 1u);
  std::string too_long = "--" + std::string(46, 'x') + ": 1";  // 48 bytes: dropped
  EXPECT_TRUE(declarations(too_long).empty());
}

TEST_F(Sheets, CommentsBeforeADeclarationAreSkipped) {
  auto list = declarations("/* note */ color: red; /* a */ /* b */ margin-top: 0");
  ASSERT_EQ(list.size(), 2u);
}

TEST_F(Sheets, ReparsingResetsEverything) {
  ASSERT_EQ(rule_count("@media (hover) { li:first-child:has(a)::selection { color: red } } "
                       "@keyframes k { to { opacity: 1 } } "
                       "@font-face { font-family: f; src: url(f) } [data-x] { color: red }"),
            2u);
  EXPECT_TRUE(sheet.has_media_rules());
  EXPECT_TRUE(sheet.has_structural_selectors());
  EXPECT_TRUE(sheet.has_has_selectors());
  EXPECT_TRUE(sheet.has_selection_rules());
  EXPECT_EQ(sheet.keyframe_sets().size(), 1u);
  EXPECT_EQ(sheet.font_faces().size(), 1u);
  EXPECT_EQ(sheet.data_attribute_count(), 1);
  ASSERT_EQ(rule_count("p { color: red }"), 1u);
  EXPECT_FALSE(sheet.has_media_rules());
  EXPECT_FALSE(sheet.has_structural_selectors());
  EXPECT_FALSE(sheet.has_has_selectors());
  EXPECT_FALSE(sheet.has_selection_rules());
  EXPECT_FALSE(sheet.has_pseudo_element_rules());
  EXPECT_TRUE(sheet.keyframe_sets().empty());
  EXPECT_TRUE(sheet.font_faces().empty());
  EXPECT_EQ(sheet.data_attribute_count(), 0);
}

TEST_F(Sheets, FactsOfDroppedRulesAreNotKept) {
  ASSERT_EQ(rule_count("li:first-child, li:bogus { color: red }"), 0u);
  EXPECT_FALSE(sheet.has_structural_selectors());
}

TEST_F(Sheets, OutOfMemoryStopsWithStatusFiveAndKeepsWhatWasRead) {
  std::string css;
  for (int i = 0; i < 2000; ++i) css += ".c" + std::to_string(i) + " { color: red; margin: 0 }\n";
  ASSERT_EQ(parse_stylesheet(sheet, css), kStatusOk);
  std::size_t all = sheet.rules().size();
  ASSERT_EQ(all, 2000u);
  sheet.arena().set_limit(20000);
  EXPECT_EQ(parse_stylesheet(sheet, css), kStatusOutOfMemory);
  EXPECT_GT(sheet.rules().size(), 0u);
  EXPECT_LT(sheet.rules().size(), all);
  for (const StyleRule& rule : sheet.rules()) EXPECT_EQ(rule.declaration_count, 5);
  DeclarationBlock block;
  EXPECT_EQ(parse_declaration_block(sheet, "color: red", block), kStatusOutOfMemory);
  EXPECT_EQ(block.count, 0);
  sheet.arena().set_limit(0);
  EXPECT_EQ(parse_stylesheet(sheet, css), kStatusOk);
  EXPECT_EQ(sheet.rules().size(), all);
  EXPECT_STREQ(kOutOfMemoryMessage, "css: out of memory");
}

TEST_F(Sheets, DeclarationBlockEntryKeepsTheSheet) {
  ASSERT_EQ(rule_count("a { color: red }"), 1u);
  DeclarationBlock block;
  ASSERT_EQ(parse_declaration_block(sheet, "width: 10px; height: calc(50% + 2px)", block),
            kStatusOk);
  ASSERT_EQ(block.count, 2);
  EXPECT_TRUE(IsLength(block.declarations[0].value, 10, kUnitPx));
  EXPECT_EQ(block.declarations[1].value.type, ValueType::Calc);
  EXPECT_EQ(sheet.rules().size(), 1u);
}

TEST_F(Sheets, ArenaRecyclesOnReset) {
  std::string css;
  for (int i = 0; i < 500; ++i) css += "a.b > c:hover { margin: 1px 2px; color: red }";
  ASSERT_EQ(parse_stylesheet(sheet, css), kStatusOk);
  std::size_t used = sheet.arena().used();
  EXPECT_GT(used, 0u);
  ASSERT_EQ(parse_stylesheet(sheet, css), kStatusOk);
  EXPECT_EQ(sheet.arena().used(), used);  // the same work, from an emptied arena
}

TEST_F(Sheets, NothingButJunkGivesAnEmptySheet) {
  EXPECT_EQ(rule_count(""), 0u);
  EXPECT_EQ(rule_count("   /* only a comment"), 0u);
  EXPECT_EQ(rule_count("}}}}"), 0u);
  // A NUL byte is junk in the next prelude: that rule goes, the rest stays.
  EXPECT_EQ(rule_count(std::string("a{color:red}\0b{color:red} c{color:red}", 38)), 2u);
}

TEST(Arena, AllocationsAreZeroedAlignedAndLargeOnesSurvive) {
  Arena arena;
  auto* a = static_cast<unsigned char*>(arena.allocate(3, 1));
  EXPECT_EQ(a[0] | a[1] | a[2], 0);
  auto* b = arena.allocate_array<double>(4);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % alignof(double), 0u);
  auto* big = static_cast<unsigned char*>(arena.allocate(200000, 16));
  big[199999] = 7;
  auto* after = arena.allocate_array<int>(10);  // still from the current chunk
  after[9] = 1;
  EXPECT_EQ(big[199999], 7);
  EXPECT_EQ(arena.copy_text("abc"), "abc");
  arena.set_limit(arena.used() + 8);
  EXPECT_THROW(arena.allocate(9, 1), std::bad_alloc);
  arena.reset();
  EXPECT_EQ(arena.used(), 0u);
}

}  // namespace
}  // namespace orlan::css

namespace orlan::css {
namespace {

// ---- A sheet of the kinds a page's sheet is made of ----------------------------------------

// Each style rule says its place with `order`: a rule the parser drops, or swallows into the
// one before it, leaves a gap in the numbers. The at-rules between them (keyframes, a
// condition the engine does not know, media blocks) must end exactly where they end.
constexpr std::string_view kMixedSheet = R"css(
/* palette { not a rule } */
:root { --bg: #ffffff; --text: #000; --radius: 3px; order: 1 }
@media (prefers-color-scheme: dark) {
  :root:not([data-theme="light"]) { --bg: #1e1e1e; order: 2 }
}
:root[data-theme="dark"] { --bg: #1e1e1e; order: 3 }
.tab.active::after { content: ""; order: 4 }
.fld > select, .fld > input { order: 5 }
@keyframes capture-pulse {
  from { opacity: 1 }
  50% { opacity: 0.4 }
  to { opacity: 1 }
}
.list-table thead tr[data-resize="col"] th + th { order: 6 }
.list-table tbody tr:nth-child(even) td { order: 7 }
@supports (backdrop-filter: blur(4px)) { .sheet { order: 8 } }
@supports (no-such-property: 1) { .sheet { order: 99 } }
.list-table tbody:empty::after { content: "{ }"; order: 9 }
@media (max-width: 560px) { .app { order: 10 } .group { order: 11 } }
.entry:nth-last-child(-n+3) { order: 12 }
.group:has(input:focus) > h2 { order: 13 }
input::placeholder { color: var(--muted, #888); order: 14 }
@keyframes spin { to { transform: rotate(360deg) } }
.hint kbd ~ kbd { order: 15 }
)css";

class MixedSheet : public testing::SheetTest {
 protected:
  void SetUp() override { ASSERT_EQ(parse_stylesheet(sheet, kMixedSheet), kStatusOk); }

  // The rule's `order`, or -1 without one.
  static int order_of(const StyleRule& rule) {
    for (const Declaration& d : rule.declaration_list())
      if (d.property == P::Order && d.value.type == ValueType::Number)
        return static_cast<int>(d.value.number);
    return -1;
  }
};

TEST_F(MixedSheet, EveryStyleRuleIsKeptInOrderAndTheAtRulesEndWhereTheyEnd) {
  std::vector<int> orders;
  for (const StyleRule& rule : sheet.rules()) orders.push_back(order_of(rule));
  // The rule under the condition that does not hold is not one of them.
  EXPECT_EQ(orders, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
  ASSERT_EQ(sheet.rules().size(), 15u);
  EXPECT_EQ(sheet.rules()[4].selector_count, 2);
  // Only the rules inside @media blocks carry their query.
  std::vector<int> under_media;
  for (const StyleRule& rule : sheet.rules())
    if (rule.media) under_media.push_back(order_of(rule));
  EXPECT_EQ(under_media, (std::vector<int>{2, 10, 11}));
  EXPECT_EQ(sheet.rules()[9].media->max_width, 560);
  EXPECT_TRUE(sheet.has_media_rules());
  EXPECT_TRUE(sheet.has_has_selectors());
  EXPECT_TRUE(sheet.has_pseudo_element_rules());
  EXPECT_TRUE(sheet.uses_data_attribute(atom("data-resize")));
  EXPECT_TRUE(sheet.uses_data_attribute(atom("data-theme")));
  ASSERT_EQ(sheet.keyframe_sets().size(), 2u);
  const KeyframeSet* pulse = sheet.find_keyframes(atom("capture-pulse"));
  ASSERT_NE(pulse, nullptr);
  std::vector<float> offsets;
  for (const Keyframe& k : pulse->keyframe_list()) offsets.push_back(k.offset);
  EXPECT_EQ(offsets, (std::vector<float>{0, 0.5f, 1}));
  EXPECT_NE(sheet.find_keyframes(atom("spin")), nullptr);
}

TEST_F(MixedSheet, CustomPropertiesAreKeptAsWrittenAndTheDarkPaletteIsUnderItsQuery) {
  const StyleRule& root = sheet.rules()[0];
  EXPECT_EQ(root.selectors[0].compounds[0].pseudo_classes, pc::Root);
  ASSERT_EQ(root.declaration_count, 4);
  const char* names[] = {"--bg", "--text", "--radius"};
  const char* texts[] = {"#ffffff", "#000", "3px"};
  for (int i = 0; i < 3; ++i) {
    const Declaration& d = root.declarations[i];
    EXPECT_EQ(d.property, PropertyId::Custom) << names[i];
    EXPECT_EQ(d.value.type, ValueType::RawText) << names[i];
    EXPECT_EQ(d.aux, atom(names[i]));
    EXPECT_EQ(d.value.raw_text(), texts[i]);
  }
  // The dark palette applies under the media query unless the root says light.
  const StyleRule& dark = sheet.rules()[1];
  ASSERT_NE(dark.media, nullptr);
  EXPECT_EQ(dark.media->color_scheme, 1);
  EXPECT_EQ(dark.selectors[0].compounds[0].not_count, 1);
  // A value holding var() waits for the cascade as raw text, fallback and all.
  const StyleRule& placeholder = sheet.rules()[13];
  const Declaration* color = nullptr;
  for (const Declaration& d : placeholder.declaration_list())
    if (d.property == P::Color) color = &d;
  ASSERT_NE(color, nullptr);
  EXPECT_EQ(color->value.type, ValueType::RawText);
  EXPECT_EQ(color->value.raw_text(), "var(--muted, #888)");
}

}  // namespace
}  // namespace orlan::css
