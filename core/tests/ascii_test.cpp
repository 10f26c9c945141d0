#include "ascii.h"

#include <gtest/gtest.h>

namespace {

TEST(Ascii, CaseFoldingTouchesOnlyAsciiLetters) {
  EXPECT_EQ(tw::ascii_lower("HTTP://Ex\xC3\x89Z-09"), "http://ex\xC3\x89z-09");
  EXPECT_EQ(tw::ascii_lower('@'), '@');
  EXPECT_EQ(tw::ascii_lower('['), '[');
  EXPECT_TRUE(tw::ascii_iequals("Content-Length", "content-LENGTH"));
  EXPECT_FALSE(tw::ascii_iequals("abc", "abd"));
  EXPECT_FALSE(tw::ascii_iequals("abc", "ab"));
  // U+00C9 and U+00E9 differ outside ASCII, so they stay different.
  EXPECT_FALSE(tw::ascii_iequals("\xC3\x89", "\xC3\xA9"));
  EXPECT_TRUE(tw::ascii_istarts_with("HTTPS://x", "https://"));
  EXPECT_FALSE(tw::ascii_istarts_with("http", "https://"));
}

TEST(Ascii, ClassesAreAsciiOnly) {
  EXPECT_TRUE(tw::is_ascii_alpha('z'));
  EXPECT_TRUE(tw::is_ascii_alpha('A'));
  EXPECT_FALSE(tw::is_ascii_alpha('_'));
  EXPECT_FALSE(tw::is_ascii_alpha('\xC3'));
  EXPECT_TRUE(tw::is_ascii_digit('0'));
  EXPECT_FALSE(tw::is_ascii_digit('a'));
}

}  // namespace
