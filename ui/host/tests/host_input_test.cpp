// What the host window hands the engine for the user's keys and characters, the cursor
// it shows for a `cursor` keyword, the edit menu's entries, and the frame log's lines.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cursor_table.h"
#include "edit_menu.h"
#include "frame.h"
#include "key_translation.h"
#include "orlan/orlan.h"
#include "properties.h"

namespace orlan::host {
namespace {

constexpr std::uint32_t kDead = 0x80000000u;

TEST(KeyTranslation, TableOfVirtualKeys) {
  struct Row {
    std::uint32_t vk;
    std::uint32_t mapped;
    std::uint32_t expected;
  };
  const Row rows[] = {
      {0x20, ' ', ' '},                  // space keeps its value
      {0x30, '0', '0'},       {0x39, '9', '9'},
      {0x41, 'A', 'A'},       {0x5A, 'Z', 'Z'},
      {0x08, 8, kKeyBackspace}, {0x09, 9, kKeyTab},
      {0x0D, 13, kKeyEnter},    {0x1B, 27, kKeyEscape},
      {0x2E, 0, kKeyDelete},    {0x2D, 0, kKeyInsert},
      {0x24, 0, kKeyHome},      {0x23, 0, kKeyEnd},
      {0x21, 0, kKeyPageUp},    {0x22, 0, kKeyPageDown},
      {0x25, 0, kKeyLeft},      {0x27, 0, kKeyRight},
      {0x26, 0, kKeyUp},        {0x28, 0, kKeyDown},
      {0x10, 0, kKeyShift},     {0x11, 0, kKeyControl},
      {0x12, 0, kKeyAlt},       {0x5B, 0, kKeyWindows},
      {0x5C, 0, kKeyWindows},   {0x70, 0, kKeyF1},
      {0x7B, 0, kKeyF1 + 11},   {0x7C, 0, 0},  // F13 is not in the table and maps to nothing
      {0xBC, ',', ','},         {0xBE, '.', '.'},  // other keys: their character
      {0x6A, '*', '*'},         {0x14, 0, 0},      // Caps Lock: no character
      {0x90, 31, 0},                               // a control character is no key code
      {0xDE, kDead | '\'', 0},  {0xC0, kDead | '`', 0},  // dead keys give no key code
  };
  for (const Row& row : rows) {
    EXPECT_EQ(engine_key_code(row.vk, row.mapped), row.expected) << "vk 0x" << std::hex << row.vk;
  }
}

TEST(KeyTranslation, ModifierBits) {
  EXPECT_EQ(modifier_bits(false, false, false, false), 0u);
  EXPECT_EQ(modifier_bits(true, false, false, false), kModShift);
  EXPECT_EQ(modifier_bits(false, true, true, false), kModCtrl | kModAlt);
  EXPECT_EQ(modifier_bits(true, true, true, true), kModShift | kModCtrl | kModAlt | kModWin);
}

TEST(KeyTranslation, ProducedCharacter) {
  const char16_t a[] = {u'a'};
  const char16_t pair[] = {0xD83D, 0xDE00};  // U+1F600
  const char16_t lone_high[] = {0xD83D};
  const char16_t control[] = {0x1B};
  // A dead key produces nothing and says so; the layout is not asked.
  EXPECT_FALSE(should_ask_layout(kDead | '^', false));
  KeyCharacter dead = produced_character(kDead | '^', nullptr, 0);
  EXPECT_TRUE(dead.dead);
  EXPECT_EQ(dead.code_point, 0u);
  // While a dead key waits the layout is not asked either (it would use the dead key up).
  EXPECT_FALSE(should_ask_layout('a', true));
  EXPECT_TRUE(should_ask_layout('a', false));
  EXPECT_FALSE(should_ask_layout(13, false));
  EXPECT_EQ(produced_character('A', a, 1).code_point, u'a');
  EXPECT_FALSE(produced_character('A', a, 1).dead);
  EXPECT_EQ(produced_character('A', pair, 2).code_point, 0x1F600u);
  EXPECT_EQ(produced_character('A', lone_high, 1).code_point, 0u);
  EXPECT_EQ(produced_character('[', control, 1).code_point, 0u);
  EXPECT_EQ(produced_character(13, a, 1).code_point, 0u);  // Enter maps below 32
  EXPECT_EQ(produced_character('A', a, 0).code_point, 0u);
  EXPECT_EQ(produced_character('A', a, -1).code_point, 0u);  // ToUnicode's dead-key answer
}

TEST(SurrogateJoiner, JoinsPairsAndDropsLoneHalves) {
  SurrogateJoiner joiner;
  EXPECT_EQ(joiner.feed(u'x'), static_cast<std::uint32_t>(u'x'));
  // A pair typed as two character messages arrives as one code point.
  EXPECT_EQ(joiner.feed(0xD83D), 0u);
  EXPECT_EQ(joiner.pending(), 0xD83D);
  EXPECT_EQ(joiner.feed(0xDE00), 0x1F600u);
  EXPECT_EQ(joiner.pending(), 0);
  // Highest and lowest pairs.
  joiner.feed(0xD800);
  EXPECT_EQ(joiner.feed(0xDC00), 0x10000u);
  joiner.feed(0xDBFF);
  EXPECT_EQ(joiner.feed(0xDFFF), 0x10FFFFu);
  // A low surrogate alone is dropped, never encoded.
  EXPECT_EQ(joiner.feed(0xDC01), 0u);
  // A high surrogate followed by an ordinary character: the high one is dropped.
  joiner.feed(0xD83D);
  EXPECT_EQ(joiner.feed(u'y'), static_cast<std::uint32_t>(u'y'));
  EXPECT_EQ(joiner.feed(0xDE00), 0u);
  // Two high surrogates: the first is dropped, the second pairs.
  joiner.feed(0xD83D);
  joiner.feed(0xD83C);
  EXPECT_EQ(joiner.feed(0xDF89), 0x1F389u);
}

TEST(KeyTranslation, TextCharacters) {
  EXPECT_FALSE(is_text_character(0x08));
  EXPECT_FALSE(is_text_character(0x1F));
  EXPECT_FALSE(is_text_character(0x7F));
  EXPECT_TRUE(is_text_character(0x20));
  EXPECT_TRUE(is_text_character(0xAC00));
}

TEST(KeyTranslation, Utf8OffsetOfUtf16Position) {
  // "a", "é", "가", U+1F600, lone high surrogate, "b"
  const char16_t text[] = {u'a', 0xE9, 0xAC00, 0xD83D, 0xDE00, 0xD800, u'b'};
  const std::size_t n = std::size(text);
  const std::uint32_t expected[] = {0, 1, 3, 6, 6, 10, 13, 14};
  for (std::size_t units = 0; units <= n; ++units)
    EXPECT_EQ(utf8_offset_of(text, n, units), expected[units]) << units << " units";
  EXPECT_EQ(utf8_offset_of(text, n, 100), 14u);  // clamped
}

TEST(CursorTable, KeywordsToSystemCursors) {
  namespace kw = css::kw;
  const std::pair<std::uint16_t, SystemCursor> rows[] = {
      {kw::None, SystemCursor::kNone},          {kw::ColResize, SystemCursor::kSizeWE},
      {kw::EwResize, SystemCursor::kSizeWE},    {kw::EResize, SystemCursor::kSizeWE},
      {kw::WResize, SystemCursor::kSizeWE},     {kw::Move, SystemCursor::kSizeAll},
      {kw::Grabbing, SystemCursor::kSizeAll},   {kw::AllScroll, SystemCursor::kSizeAll},
      {kw::Grab, SystemCursor::kHand},          {kw::Pointer, SystemCursor::kHand},
      {kw::Wait, SystemCursor::kWait},          {kw::Progress, SystemCursor::kAppStarting},
      {kw::Help, SystemCursor::kHelp},          {kw::Crosshair, SystemCursor::kCross},
      {kw::Cell, SystemCursor::kCross},         {kw::NwseResize, SystemCursor::kSizeNWSE},
      {kw::NeswResize, SystemCursor::kSizeNESW}, {kw::NsResize, SystemCursor::kSizeNS},
      {kw::RowResize, SystemCursor::kSizeNS},   {kw::NResize, SystemCursor::kSizeNS},
      {kw::SResize, SystemCursor::kSizeNS},     {kw::NoDrop, SystemCursor::kNo},
      {kw::NotAllowed, SystemCursor::kNo},      {kw::VerticalText, SystemCursor::kIBeam},
      {kw::Text, SystemCursor::kIBeam},         {kw::Auto, SystemCursor::kArrow},
      {kw::Default, SystemCursor::kArrow},      {kw::ZoomIn, SystemCursor::kArrow},
      {kw::ContextMenu, SystemCursor::kArrow},  {kw::Copy, SystemCursor::kArrow},
  };
  for (auto [keyword, cursor] : rows)
    EXPECT_EQ(cursor_for_keyword(keyword), cursor) << "keyword " << keyword;
}

std::string menu_text(std::uint32_t enabled) {
  EditMenu menu = edit_menu_entries(enabled);
  std::string text;
  for (int i = 0; i < menu.count; ++i) text += menu.entries[i] ? char('0' + menu.entries[i]) : '-';
  return text;
}

TEST(EditMenu, SeparatorsOnlyBetweenShownGroups) {
  auto bits = [](std::initializer_list<EditCommand> commands) {
    std::uint32_t set = 0;
    for (EditCommand c : commands) set |= edit_command_bit(c);
    return set;
  };
  EXPECT_EQ(menu_text(0), "");
  EXPECT_EQ(menu_text(bits({kEditUndo, kEditCut, kEditCopy, kEditPaste, kEditDelete,
                            kEditSelectAll})),
            "1-2345-6");
  EXPECT_EQ(menu_text(bits({kEditCopy})), "3");
  EXPECT_EQ(menu_text(bits({kEditUndo, kEditSelectAll})), "1-6");
  EXPECT_EQ(menu_text(bits({kEditPaste, kEditSelectAll})), "4-6");
  EXPECT_EQ(menu_text(bits({kEditUndo, kEditDelete})), "1-5");
  EXPECT_EQ(menu_text(bits({kEditSelectAll})), "6");
  EXPECT_STREQ(default_edit_text(kEditCut), L"Cu&t");
  EXPECT_STREQ(default_edit_text(kEditSelectAll), L"Select &All");
}

TEST(FrameLog, LineFormat) {
  char line[160];
  FrameTimes times{16.74, 1.26, 0.34, 0.05, 3.96};
  format_frame_log(line, sizeof line, times, false, 611, 463.4f, 412);
  EXPECT_STREQ(line, "16.7 part 611x463 n=412  layout 1.3 paint 0.3 diff 0.1 render 4.0\n");
  format_frame_log(line, sizeof line, FrameTimes{}, true, 407.33f, 308.67f, 0);
  EXPECT_STREQ(line, "0.0 FULL 407x309 n=0  layout 0.0 paint 0.0 diff 0.0 render 0.0\n");
}

TEST(RenderRetry, ImmediateAtFirstThenBacksOff) {
  RenderRetry retry;
  std::vector<std::uint32_t> delays;
  for (int i = 0; i < 10; ++i) delays.push_back(retry.after_failure());
  EXPECT_EQ(delays, (std::vector<std::uint32_t>{0, 0, 0, 250, 500, 1000, 2000, 4000, 4000, 4000}));
  retry.after_success();
  EXPECT_EQ(retry.after_failure(), 0u);
}

}  // namespace
}  // namespace orlan::host
