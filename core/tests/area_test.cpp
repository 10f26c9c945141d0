#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "area.h"

namespace {

using tw::ClickEntry;
using tw::parse_entry_line;
using tw::read_list_text;

ClickEntry entry(int x, int y, unsigned mouse, unsigned click, unsigned d1, unsigned d2) {
  return ClickEntry{
      x, y, d1, d2, static_cast<std::uint8_t>(mouse), static_cast<std::uint8_t>(click)};
}

TEST(ListLine, ReadsTheWrittenForm) {
  EXPECT_EQ(parse_entry_line("512x384,0,1,1000,1000"), entry(512, 384, 0, 1, 1000, 1000));
  EXPECT_EQ(parse_entry_line("-1280x-200,2,0,1000,1500"), entry(-1280, -200, 2, 0, 1000, 1500));
  EXPECT_EQ(parse_entry_line("+5x+6,1,1,0,0"), entry(5, 6, 1, 1, 0, 0));
}

TEST(ListLine, ToleratesUpperCaseXSpacesAndFourFields) {
  EXPECT_EQ(parse_entry_line("100X200 , 1 , 0 , 500"), entry(100, 200, 1, 0, 500, 500));
  EXPECT_EQ(parse_entry_line(" 7 x 8 ,0,0,10"), entry(7, 8, 0, 0, 10, 10));
  // Unicode white space around the position and codes (no-break and ideographic space).
  EXPECT_EQ(parse_entry_line("\xC2\xA0"
                             "1x2\xE3\x80\x80,\t2\t,1,10"),
            entry(1, 2, 2, 1, 10, 10));
  // Fields beyond the fifth are ignored.
  EXPECT_EQ(parse_entry_line("1x2,0,0,10,20,junk,more"), entry(1, 2, 0, 0, 10, 20));
}

TEST(ListLine, SkipsLinesWithoutAUsablePosition) {
  for (const char* bad :
       {"x200,0,0,1000", "abc", "", "1x2,0,0", "1x2", "100200,0,0,1000", "1.5x2,0,0,1000",
        "1xx2,0,0,1000", "1x,0,0,1000", "2147483648x0,0,0,1", "1 2x3,0,0,1000",
        "\xEF\xBB\xBF"
        "1x2,0,0,1000"}) {
    EXPECT_EQ(parse_entry_line(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(parse_entry_line("-2147483648x2147483647,0,0,1"),
            entry(INT32_MIN, INT32_MAX, 0, 0, 1, 1));
}

TEST(ListLine, UnknownButtonAndKindFallBackWithoutSkipping) {
  EXPECT_EQ(parse_entry_line("10x20,5,7,1000,200"), entry(10, 20, 0, 0, 1000, 1000));
  EXPECT_EQ(parse_entry_line("10x20,right,double,1000"), entry(10, 20, 0, 0, 1000, 1000));
  EXPECT_EQ(parse_entry_line("10x20,-1,+1,1000"), entry(10, 20, 0, 1, 1000, 1000));
  EXPECT_EQ(parse_entry_line("10x20,+2,,1000"), entry(10, 20, 2, 0, 1000, 1000));
}

TEST(ListLine, DelaysMayBeTimeTextAndAreOrdered) {
  EXPECT_EQ(parse_entry_line("10x20,0,0,00:02.00,00:03.50"), entry(10, 20, 0, 0, 2000, 3500));
  EXPECT_EQ(parse_entry_line("10x20,0,0,soon,later"), entry(10, 20, 0, 0, 1000, 1000));
  EXPECT_EQ(parse_entry_line("10x20,0,0,,"), entry(10, 20, 0, 0, 1000, 1000));
  EXPECT_EQ(parse_entry_line("10x20,0,0,0,abc"), entry(10, 20, 0, 0, 0, 1000));
}

TEST(ListLine, SpacesInADelayFieldAreZeroDigits) {
  // " 500 " reads as 05000; delay2 (700) is then raised to delay1.
  EXPECT_EQ(parse_entry_line("10x20,0,0, 500 ,700"), entry(10, 20, 0, 0, 5000, 5000));
  EXPECT_EQ(parse_entry_line("10x20,0,0, 500,700"), entry(10, 20, 0, 0, 500, 700));
}

TEST(ListLine, FormatsWithoutPaddingOrSpaces) {
  EXPECT_EQ(tw::format_entry_line(entry(-1280, 200, 1, 1, 1000, 1500)), "-1280x200,1,1,1000,1500");
  EXPECT_EQ(tw::format_entry_line(entry(0, 0, 2, 0, 86400000, 86400000)),
            "0x0,2,0,86400000,86400000");
}

TEST(ListFile, WritesCrLfAfterEveryLineAndNothingElse) {
  std::vector<ClickEntry> list = {entry(512, 384, 0, 1, 1000, 1000), entry(-3, 4, 2, 0, 250, 900)};
  std::string text = tw::write_list_text(list);
  EXPECT_EQ(text, "512x384,0,1,1000,1000\r\n-3x4,2,0,250,900\r\n");
  EXPECT_EQ(read_list_text(text), list);
  EXPECT_EQ(tw::write_list_text({}), "");
}

TEST(ListFile, RoundTripsExtremeValues) {
  std::vector<ClickEntry> list = {entry(INT32_MIN, INT32_MAX, 1, 1, 0, 86400000),
                                  entry(0, -1, 0, 0, 86400000, 86400000)};
  EXPECT_EQ(read_list_text(tw::write_list_text(list)), list);
}

TEST(ListFile, ToleratesMixedLineEnds) {
  std::string crlf = "1x2,0,0,10\r\n3x4,1,1,20,30\r\n5x6,2,0,40\r\n";
  std::string mixed = "1x2,0,0,10\n3x4,1,1,20,30\r\n5x6,2,0,40";
  auto a = read_list_text(crlf);
  auto b = read_list_text(mixed);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(*a, *b);
  EXPECT_EQ(a->size(), 3u);
  EXPECT_EQ(a->back(), entry(5, 6, 2, 0, 40, 40));
}

TEST(ListFile, SkipsBadLinesAndKeepsTheRestInOrder) {
  auto list = read_list_text("x200,0,0,1000\nabc\n1x1,0,0,1\n\n\r\n2x2,0,0,2\n");
  ASSERT_TRUE(list);
  EXPECT_EQ(*list, (std::vector<ClickEntry>{entry(1, 1, 0, 0, 1, 1), entry(2, 2, 0, 0, 2, 2)}));
  auto none = read_list_text("abc\r\nx1,0,0,0\r\n");
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->empty());
}

TEST(ListFile, OnlyACrRightBeforeTheLfIsRemoved) {
  // A lone CR inside a line stays part of it: here it ends the position field.
  auto list = read_list_text("1x2\r,0,0,10\n3x4,0,0,20\r\r\n");
  ASSERT_TRUE(list);
  // "1x2\r" trims to "1x2" (CR is white space); "20\r" still reads as 20 after trimming.
  EXPECT_EQ(*list, (std::vector<ClickEntry>{entry(1, 2, 0, 0, 10, 10), entry(3, 4, 0, 0, 20, 20)}));
}

TEST(ListFile, InvalidUtf8RejectsTheWholeFile) {
  EXPECT_EQ(read_list_text("1x2,0,0,10\r\n\xFF\r\n"), std::nullopt);
  EXPECT_EQ(read_list_text("1x2,0,0,10\r\n\xC3"), std::nullopt);  // truncated at the end
  EXPECT_EQ(read_list_text("\xED\xA0\x80"), std::nullopt);        // an encoded surrogate
  EXPECT_TRUE(read_list_text(""));
}

std::vector<int> xs_of(const std::vector<ClickEntry>& entries) {
  std::vector<int> xs;
  for (const ClickEntry& e : entries) xs.push_back(e.x);
  return xs;
}

TEST(ListFile, StopsAtTheEntryLimitAndSaysWhenEntriesWereLeft) {
  struct Case {
    const char* text;
    std::size_t max;
    std::vector<int> xs;
    bool capped;
  };
  const Case cases[] = {
      {"1x0,0,0,1\n2x0,0,0,1\n3x0,0,0,1", 3, {1, 2, 3}, false},  // exactly at the limit
      {"1x0,0,0,1\n2x0,0,0,1\n3x0,0,0,1\n4x0,0,0,1\n", 3, {1, 2, 3}, true},
      {"1x0,0,0,1\n2x0,0,0,1\n3x0,0,0,1\r\nabc\n\nx5,0,0,1\r\n7x8\n", 3, {1, 2, 3}, false},
      {"abc\n1x0,0,0,1\n\n2x0,0,0,1\nabc\n3x0,0,0,1", 2, {1, 2}, true},  // skipped lines between
      {"abc\n1x0,0,0,1\n", 0, {}, true},
      {"abc\n\n", 0, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.max << " of \"" << c.text << "\"");
    auto list = read_list_text(c.text, c.max);
    ASSERT_TRUE(list);
    EXPECT_EQ(xs_of(list->entries), c.xs);
    EXPECT_EQ(list->capped, c.capped);
  }
}

// Bad bytes past the entries taken still reject the text: how much is read never changes
// whether a file is UTF-8.
TEST(ListFile, InvalidUtf8AfterTheLimitStillRejectsTheText) {
  EXPECT_EQ(read_list_text("1x0,0,0,1\n2x0,0,0,1\n\xFF\n", 1), std::nullopt);
  EXPECT_EQ(read_list_text("\xC3", 0), std::nullopt);
}

}  // namespace
