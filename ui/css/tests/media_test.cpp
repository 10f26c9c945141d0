#include "media.h"

#include <gtest/gtest.h>

#include "css_test_support.h"

namespace orlan::css {
namespace {

MediaState state(float width, float height, bool dark = false, bool coarse = false) {
  MediaState s;
  s.width = width;
  s.height = height;
  s.dark = dark;
  s.coarse_pointer = coarse;
  return s;
}

TEST(MediaQueries, WidthLimits) {
  MediaQuery q = parse_media_query("@media screen and (max-width: 600px)");
  EXPECT_FLOAT_EQ(q.max_width, 600);
  EXPECT_FLOAT_EQ(q.min_width, -1);
  EXPECT_EQ(q.never, 0);
  EXPECT_TRUE(media_matches(&q, state(600, 400)));
  EXPECT_FALSE(media_matches(&q, state(601, 400)));
  MediaQuery both = parse_media_query("@media (min-width:300px) and (max-height: 0.5in)");
  EXPECT_FLOAT_EQ(both.min_width, 300);
  EXPECT_FLOAT_EQ(both.max_height, 48);
  EXPECT_TRUE(media_matches(&both, state(300, 48)));
  EXPECT_FALSE(media_matches(&both, state(299, 48)));
  EXPECT_FALSE(media_matches(&both, state(300, 49)));
  MediaQuery heights = parse_media_query("@media (min-height: 100px)");
  EXPECT_FALSE(media_matches(&heights, state(1000, 99)));
}

TEST(MediaQueries, UnsupportedPartsMatchNothing) {
  for (const char* text :
       {"@media only screen", "@media print", "@media not screen", "@media (min-width: 40em)",
        "@media (min-width: 600)", "@media screen, print", "@media (color)", "@media (grid: 1)",
        "@media (prefers-reduced-motion: reduce)", "@media (min-width:)", "@media (width > 3px)"}) {
    MediaQuery q = parse_media_query(text);
    EXPECT_EQ(q.never, 1) << text;
    EXPECT_FALSE(media_matches(&q, state(800, 600))) << text;
  }
  MediaQuery calm = parse_media_query("@media (prefers-reduced-motion: no-preference)");
  EXPECT_EQ(calm.never, 0);
  EXPECT_TRUE(media_matches(&calm, state(800, 600)));
  MediaQuery all = parse_media_query("@media all");
  EXPECT_TRUE(media_matches(&all, state(1, 1)));
}

TEST(MediaQueries, ColorScheme) {
  MediaQuery dark = parse_media_query("@media (prefers-color-scheme: dark)");
  EXPECT_EQ(dark.color_scheme, 1);
  EXPECT_TRUE(media_matches(&dark, state(800, 600, true)));
  EXPECT_FALSE(media_matches(&dark, state(800, 600, false)));
  MediaQuery light = parse_media_query("@media (prefers-color-scheme: light)");
  EXPECT_FALSE(media_matches(&light, state(800, 600, true)));
  EXPECT_TRUE(media_matches(&light, state(800, 600, false)));
  MediaQuery other = parse_media_query("@media (prefers-color-scheme: sepia)");
  EXPECT_EQ(other.color_scheme, 0);
  EXPECT_TRUE(media_matches(&other, state(800, 600, true)));
}

TEST(MediaQueries, PointerAndHover) {
  MediaQuery fine = parse_media_query("@media (pointer: fine)");
  MediaQuery hover = parse_media_query("@media (hover: hover)");
  MediaQuery coarse = parse_media_query("@media (pointer: coarse)");
  MediaQuery no_hover = parse_media_query("@media (hover: none)");
  MediaQuery no_pointer = parse_media_query("@media (pointer: none)");
  MediaQuery bare = parse_media_query("@media (hover) and (pointer)");
  EXPECT_EQ(bare.hover, 1);
  EXPECT_EQ(bare.pointer, 2);
  for (bool is_coarse : {false, true}) {
    MediaState s = state(800, 600, false, is_coarse);
    EXPECT_EQ(media_matches(&fine, s), !is_coarse);
    EXPECT_EQ(media_matches(&hover, s), !is_coarse);
    EXPECT_EQ(media_matches(&bare, s), !is_coarse);
    EXPECT_EQ(media_matches(&coarse, s), is_coarse);
    EXPECT_EQ(media_matches(&no_hover, s), is_coarse);
    EXPECT_FALSE(media_matches(&no_pointer, s));
  }
}

TEST(MediaQueries, Orientation) {
  MediaQuery landscape = parse_media_query("@media (orientation: landscape)");
  MediaQuery portrait = parse_media_query("@media (orientation: portrait)");
  EXPECT_TRUE(media_matches(&landscape, state(500, 500)));
  EXPECT_FALSE(media_matches(&portrait, state(500, 500)));
  EXPECT_TRUE(media_matches(&portrait, state(400, 500)));
}

TEST(MediaQueries, NoQueryAlwaysMatches) {
  EXPECT_TRUE(media_matches(nullptr, state(0, 0)));
}

class AtRules : public testing::SheetTest {};

TEST_F(AtRules, MediaBlocksCarryTheirQuery) {
  ASSERT_EQ(parse_stylesheet(sheet,
                             "a{color:red} @media (max-width: 500px) { b{color:red} "
                             "c{color:red} } d{color:red}"),
            kStatusOk);
  auto rules = sheet.rules();
  ASSERT_EQ(rules.size(), 4u);
  EXPECT_EQ(rules[0].media, nullptr);
  ASSERT_NE(rules[1].media, nullptr);
  EXPECT_EQ(rules[1].media, rules[2].media);
  EXPECT_FLOAT_EQ(rules[1].media->max_width, 500);
  EXPECT_EQ(rules[3].media, nullptr);
  EXPECT_EQ(rules[3].position, 3u);
  EXPECT_TRUE(sheet.has_media_rules());
  EXPECT_TRUE(sheet.has_viewport_media());
}

TEST_F(AtRules, OnlyViewportLimitsMakeTheSheetViewportDependent) {
  ASSERT_EQ(parse_stylesheet(sheet,
                             "@media (prefers-color-scheme: dark) { a{color:red} } "
                             "@media print and (max-width: 10px) { a{color:red} }"),
            kStatusOk);
  EXPECT_TRUE(sheet.has_media_rules());
  EXPECT_FALSE(sheet.has_viewport_media());
  ASSERT_EQ(parse_stylesheet(sheet, "@media (orientation: portrait) { a{color:red} }"), kStatusOk);
  EXPECT_TRUE(sheet.has_viewport_media());
}

TEST_F(AtRules, NestedMediaIsIgnoredWithItsBlock) {
  ASSERT_EQ(parse_stylesheet(sheet,
                             "@media screen { a{color:red} @media (hover) { b{color:red} } "
                             "c{color:red} }"),
            kStatusOk);
  auto rules = sheet.rules();
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules[1].selectors[0].compounds[0].tag, atom("c"));
}

TEST_F(AtRules, AtRuleNamesAreCaseSensitiveAndUnknownOnesSkipped) {
  ASSERT_EQ(parse_stylesheet(sheet,
                             "@MEDIA screen { a{color:red} } @page { margin: 0 } "
                             "@import url(x.css); @charset \"utf-8\"; b{color:red}"),
            kStatusOk);
  ASSERT_EQ(sheet.rules().size(), 1u);
  EXPECT_EQ(sheet.rules()[0].selectors[0].compounds[0].tag, atom("b"));
  EXPECT_FALSE(sheet.has_media_rules());
}

TEST_F(AtRules, Supports) {
  auto count = [&](std::string_view condition) {
    std::string css = "@supports " + std::string(condition) + " { a { color: red } }";
    EXPECT_EQ(parse_stylesheet(sheet, css), kStatusOk);
    return sheet.rules().size();
  };
  EXPECT_EQ(count("(display: grid)"), 1u);
  EXPECT_EQ(count("(display: box)"), 0u);
  EXPECT_EQ(count("(frobnicate: 1)"), 0u);
  EXPECT_EQ(count("not (display: box)"), 1u);
  EXPECT_EQ(count("(display: grid) and (gap: 1px)"), 1u);
  EXPECT_EQ(count("(display: grid) and (display: box)"), 0u);
  EXPECT_EQ(count("(display: box) or (display: flex)"), 1u);
  // Strictly left to right: (false and true) or true.
  EXPECT_EQ(count("(display: box) and (display: grid) or (display: flex)"), 1u);
  // (true or false) and false.
  EXPECT_EQ(count("(display: grid) or (display: box) and (display: box)"), 0u);
  EXPECT_EQ(count("((display: grid) and (not (display: box)))"), 1u);
  EXPECT_EQ(count("(display: grid) andx (gap: 1px)"), 0u);
  EXPECT_EQ(count("display: grid"), 0u);
  EXPECT_EQ(count("(margin: var(--x))"), 1u);
  EXPECT_EQ(count("(--anything: 1)"), 1u);
}

TEST_F(AtRules, SupportsNestingIsLimited) {
  std::string css =
      "@supports (color: red) { @supports (color: red) { @supports (color: red) { "
      "@supports (color: red) { a{color:red} "
      "@supports (color: red) { b{color:red} } } } } }";
  ASSERT_EQ(parse_stylesheet(sheet, css), kStatusOk);
  ASSERT_EQ(sheet.rules().size(), 1u);
  EXPECT_EQ(sheet.rules()[0].selectors[0].compounds[0].tag, atom("a"));
}

TEST_F(AtRules, MediaInsideSupportsAndSupportsInsideMedia) {
  ASSERT_EQ(parse_stylesheet(sheet,
                             "@supports (color: red) { @media (hover) { a{color:red} } } "
                             "@media (hover) { @supports (color: red) { b{color:red} } }"),
            kStatusOk);
  ASSERT_EQ(sheet.rules().size(), 2u);
  ASSERT_NE(sheet.rules()[0].media, nullptr);
  ASSERT_NE(sheet.rules()[1].media, nullptr);
  EXPECT_EQ(sheet.rules()[1].media->hover, 1);
}

TEST_F(AtRules, KeyframesAreSortedAndShareDeclarations) {
  ASSERT_EQ(parse_stylesheet(sheet,
                             "@keyframes pulse { to { opacity: 1 } 0%, 50% { opacity: 0.2; "
                             "color: red } from { opacity: 0.5 } 150% { opacity: 0 } }"),
            kStatusOk);
  const KeyframeSet* set = sheet.find_keyframes(atom("pulse"));
  ASSERT_NE(set, nullptr);
  ASSERT_EQ(set->count, 4);
  EXPECT_FLOAT_EQ(set->keyframes[0].offset, 0);
  EXPECT_EQ(set->keyframes[0].declaration_count, 2);  // "0%" came before "from"
  EXPECT_FLOAT_EQ(set->keyframes[1].offset, 0);
  EXPECT_EQ(set->keyframes[1].declaration_count, 1);
  EXPECT_FLOAT_EQ(set->keyframes[2].offset, 0.5f);
  EXPECT_EQ(set->keyframes[2].declarations, set->keyframes[0].declarations);
  EXPECT_FLOAT_EQ(set->keyframes[3].offset, 1);
  EXPECT_EQ(sheet.find_keyframes(atom("missing")), nullptr);
}

TEST_F(AtRules, LastKeyframesWithANameWins) {
  ASSERT_EQ(parse_stylesheet(sheet,
                             "@keyframes k { to { opacity: 1 } } "
                             "@keyframes \"k\" { from { opacity: 0 } to { opacity: 1 } } "
                             "@keyframes empty { } @keyframes 5 { to { opacity: 1 } }"),
            kStatusOk);
  EXPECT_EQ(sheet.keyframe_sets().size(), 2u);
  const KeyframeSet* set = sheet.find_keyframes(atom("k"));
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->count, 2);
}

TEST_F(AtRules, KeyframeLimits) {
  std::string css = "@keyframes many { ";
  for (int i = 0; i <= 40; ++i) css += std::to_string(i) + "% { opacity: 0 } ";
  css += "}";
  ASSERT_EQ(parse_stylesheet(sheet, css), kStatusOk);
  const KeyframeSet* set = sheet.find_keyframes(atom("many"));
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->count, kMaxKeyframes);
  ASSERT_EQ(
      parse_stylesheet(sheet, "@keyframes wide { 0%,1%,2%,3%,4%,5%,6%,7%,8%,9% { opacity: 0 } }"),
      kStatusOk);
  EXPECT_EQ(sheet.find_keyframes(atom("wide"))->count, 8);
}

TEST_F(AtRules, FontFaces) {
  ASSERT_EQ(parse_stylesheet(sheet,
                             "@font-face { font-family: \"Brand Sans\"; "
                             "src: local(x), URL( 'brand.ttf' ) format('truetype'); "
                             "src: url(other.ttf) } "
                             "@font-face { font-family: NoSource } "
                             "@font-face x { font-family: a; src: url(a) }"),
            kStatusOk);
  auto faces = sheet.font_faces();
  ASSERT_EQ(faces.size(), 1u);
  EXPECT_EQ(faces[0].family, atom("Brand Sans"));
  EXPECT_EQ(faces[0].source, atom("brand.ttf"));
}

TEST_F(AtRules, AtMostSixteenFontFaces) {
  std::string css;
  for (int i = 0; i < 20; ++i) {
    css += "@font-face { font-family: f" + std::to_string(i) + "; src: url(f.ttf) }";
  }
  ASSERT_EQ(parse_stylesheet(sheet, css), kStatusOk);
  EXPECT_EQ(sheet.font_faces().size(), 16u);
  EXPECT_EQ(sheet.font_faces()[15].family, atom("f15"));
}

}  // namespace
}  // namespace orlan::css
