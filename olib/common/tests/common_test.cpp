#include "log.h"
#include "result.h"
#include "text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Trim, UsesTheProgramsUnicodeWhiteSpaceRule) {
  // NBSP, ideographic space, en quad, line separator, NEL around; a broken byte stays.
  EXPECT_EQ(olib::trim("\xC2\xA0\xE3\x80\x80"
                       "a b"
                       "\xE2\x80\x80\xE2\x80\xA8\xC2\x85"),
            "a b");
  EXPECT_EQ(olib::trim(" \x80 "), "\x80");
}

TEST(Blank, OnlyWhitespaceIsBlank) {
  EXPECT_TRUE(olib::is_blank(""));
  EXPECT_TRUE(olib::is_blank(" \t\xC2\xA0"));
  EXPECT_FALSE(olib::is_blank(" . "));
}

TEST(AsciiCase, LowersAndComparesOnlyAscii) {
  EXPECT_EQ(olib::ascii_lower("StayOnTop \xC3\x84"), "stayontop \xC3\x84");
  EXPECT_TRUE(olib::ascii_equal_ignoring_case("OK", "ok"));
  EXPECT_FALSE(olib::ascii_equal_ignoring_case("ok ", "ok"));
}

TEST(LogText, ControlCharactersCannotForgeLines) {
  EXPECT_EQ(olib::printable_for_log("a\r\n[update] b\x7f\t"), "a??[update] b??");
}

TEST(Log, SinkReceivesEachLine) {
  std::vector<std::string> lines;
  olib::set_log_sink([&](const std::string& line) { lines.push_back(line); });
  olib::log_line("[update] one");
  olib::set_log_sink({});
  olib::log_line("[update] two");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "[update] one");
}

TEST(Result, HoldsValueOrError) {
  olib::Result<int, std::string> good(3);
  olib::Result<int, std::string> bad(std::string("x"));
  EXPECT_TRUE(good.ok());
  EXPECT_EQ(good.value(), 3);
  EXPECT_FALSE(bad.ok());
  EXPECT_EQ(bad.error(), "x");
}

}  // namespace
