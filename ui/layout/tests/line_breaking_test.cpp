// How text is cut into inline items, and how lines break between them.

#include "line_breaking.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout_test_support.h"

namespace orlan {
namespace {

using testing_support::Tree;

// Items of one text as "kind:text" strings ("b" marks an item that may break before).
std::vector<std::string> items_of(std::string_view text, Keyword white_space,
                                  Keyword word_break = css::kw::Normal) {
  Tree tree;
  ComputedStyle& s = tree.style();
  s.white_space = white_space;
  s.word_break = word_break;
  Node& p = tree.element(*tree.document->root, "p", s);
  Node& t = tree.text(p, text);
  LayoutContext ctx = tree.context();
  ItemList list;
  EXPECT_TRUE(init_item_list(tree.arena, list));
  append_text_items(ctx, list, t, -1, t.text, t.text_length, false, text_style_of(ctx, s));
  std::vector<std::string> out;
  for (int i = 0; i < list.count; ++i) {
    const InlineItem& it = list.items[i];
    std::string item = std::to_string(it.kind) + (it.break_before ? "b" : "") + ":" +
                       std::string(it.text + it.first, it.length);
    out.push_back(item);
  }
  return out;
}

using Items = std::vector<std::string>;

TEST(TextItems, WhiteSpaceModes) {
  struct Case {
    const char* text;
    Keyword white_space;
    Items expected;
  } cases[] = {
      // Collapsing: one space item for the run, measured as one space.
      {"a  b", css::kw::Normal, {"0:a", "1:  ", "0b:b"}},
      {"  a \n\t b  ", css::kw::Normal, {"0b:a", "1: \n\t ", "0b:b", "1:  "}},
      // pre keeps the spaces as one text item and never wraps.
      {"a  b", css::kw::Pre, {"0:a", "0:  ", "0:b"}},
      {"a\nb", css::kw::Pre, {"0:a", "5:\n", "0:b"}},
      // pre-wrap keeps them too but may break after them.
      {"a  b", css::kw::PreWrap, {"0:a", "0:  ", "0b:b"}},
      // pre-line collapses spaces but keeps line feeds as forced breaks.
      {"a  b\nc", css::kw::PreLine, {"0:a", "1:  ", "0b:b", "5:\n", "0b:c"}},
      {"a b", css::kw::Nowrap, {"0:a", "1: ", "0:b"}},
  };
  for (const Case& c : cases) EXPECT_EQ(items_of(c.text, c.white_space), c.expected) << c.text;
}

TEST(TextItems, BreakOpportunitiesOfScripts) {
  // Ideographs break between any two characters; Hangul words stay whole.
  EXPECT_EQ(items_of("漢字仮", css::kw::Normal), (Items{"0b:漢", "0b:字", "0b:仮"}));
  EXPECT_EQ(items_of("한국어 단어", css::kw::Normal), (Items{"0:한국어", "1: ", "0b:단어"}));
  // keep-all keeps ideographs together; break-all breaks every character.
  EXPECT_EQ(items_of("漢字", css::kw::Normal, css::kw::KeepAll), (Items{"0:漢字"}));
  EXPECT_EQ(items_of("ab", css::kw::Normal, css::kw::BreakAll), (Items{"0b:a", "0b:b"}));
  // A zero-width space is an opportunity of its own.
  EXPECT_EQ(items_of("ab\xE2\x80\x8B" "cd", css::kw::Normal),
            (Items{"0:ab", "0b:\xE2\x80\x8B", "0b:cd"}));
  // Latin next to an ideograph may break before the Latin word.
  EXPECT_EQ(items_of("a漢b", css::kw::Normal), (Items{"0:a", "0b:漢", "0b:b"}));
}

TEST(TextItems, ItemLimitStopsTakingItems) {
  std::string many;
  for (int i = 0; i < 3000; ++i) many += "w ";
  EXPECT_EQ(items_of(many, css::kw::Normal).size(), static_cast<std::size_t>(kMaxInlineItems));
}

TEST(FallbackMeasurer, WidthsFromFontSize) {
  const TextMeasurer& m = fallback_text_measurer();
  AtomTable atoms;
  FontDescription font;
  font.size = 20;
  auto width = [&](std::string_view s) { return m.measure(m.user, atoms, font, s.data(), s.size()); };
  EXPECT_FLOAT_EQ(width("abc"), 30);
  EXPECT_FLOAT_EQ(width("漢"), 20);
  EXPECT_FLOAT_EQ(width("한"), 20);
  EXPECT_FLOAT_EQ(width("a\xE2\x80\x8B"), 10);  // zero-width space
  EXPECT_FLOAT_EQ(width("\xFF\xFE"), 20);       // each bad byte one narrow character
  font.letter_spacing = 2;
  EXPECT_FLOAT_EQ(width("ab"), 24);
  FontMetrics metrics = m.metrics(m.user, atoms, font);
  EXPECT_FLOAT_EQ(metrics.ascent, 16);
  EXPECT_FLOAT_EQ(metrics.descent, 4);
}

TEST(FittingPrefix, LongestPrefixThatFitsAtLeastOneCharacter) {
  Tree tree;
  LayoutContext ctx = tree.context();
  FontDescription font;  // 16 px: 8 px per Latin character
  const std::string word = "abcdefgh";
  EXPECT_EQ(fitting_prefix(ctx, font, word.data(), 8, 24), 3u);
  EXPECT_EQ(fitting_prefix(ctx, font, word.data(), 8, 24.005f), 3u);  // within the tolerance
  EXPECT_EQ(fitting_prefix(ctx, font, word.data(), 8, 3), 1u);        // never empty
  EXPECT_EQ(fitting_prefix(ctx, font, word.data(), 8, 1000), 8u);
  const std::string cjk = "漢字仮名";  // 16 px each, 3 bytes each
  EXPECT_EQ(fitting_prefix(ctx, font, cjk.data(), static_cast<std::uint32_t>(cjk.size()), 40), 6u);
}

}  // namespace
}  // namespace orlan
