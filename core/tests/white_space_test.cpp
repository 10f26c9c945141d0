#include <gtest/gtest.h>

#include <cstdint>

#include "decimal.h"
#include "white_space.h"

namespace {

using tw::trim_white_space;

TEST(WhiteSpace, TrimsAsciiAndUnicodeSpaceFromBothEnds) {
  EXPECT_EQ(trim_white_space(" \t\r\n12\v\f "), "12");
  // No-break space, ideographic space, en quad, narrow no-break space, next line.
  EXPECT_EQ(trim_white_space("\xC2\xA0\xE3\x80\x80"
                             "a b"
                             "\xE2\x80\x80\xE2\x80\xAF\xC2\x85"),
            "a b");
  EXPECT_EQ(trim_white_space("\xE2\x80\xA8x\xE2\x80\xA9"), "x");  // line and paragraph separators
  EXPECT_EQ(trim_white_space(" \t "), "");
  EXPECT_EQ(trim_white_space(""), "");
}

TEST(WhiteSpace, KeepsCharactersThatOnlyLookBlank) {
  // Byte-order mark and zero-width space are not white space.
  EXPECT_EQ(trim_white_space("\xEF\xBB\xBF"
                             "1 "),
            "\xEF\xBB\xBF"
            "1");
  EXPECT_EQ(trim_white_space(" 1\xE2\x80\x8B"), "1\xE2\x80\x8B");
}

TEST(WhiteSpace, IllFormedBytesStopTheTrim) {
  EXPECT_EQ(trim_white_space(" \xA0 "), "\xA0");  // a lone continuation byte, not U+00A0
  EXPECT_EQ(trim_white_space("\xC2 "), "\xC2");   // a truncated sequence at the end
  EXPECT_EQ(trim_white_space(" \x80\x80\x80\xC2\xA0"), "\x80\x80\x80");
}

TEST(Decimal, AcceptsOneOptionalSignAndDigitsOnly) {
  EXPECT_EQ(tw::parse_decimal<std::int32_t>("512"), 512);
  EXPECT_EQ(tw::parse_decimal<std::int32_t>("+7"), 7);
  EXPECT_EQ(tw::parse_decimal<std::int32_t>("-1280"), -1280);
  EXPECT_EQ(tw::parse_decimal<std::int32_t>("007"), 7);
  for (const char* bad : {"", "+", "-", "+-1", "--1", "1 ", " 1", "1.0", "0x10", "1e3", "١"}) {
    EXPECT_FALSE(tw::parse_decimal<std::int32_t>(bad)) << bad;
  }
}

TEST(Decimal, OverflowFails) {
  EXPECT_EQ(tw::parse_decimal<std::int32_t>("2147483647"), 2147483647);
  EXPECT_EQ(tw::parse_decimal<std::int32_t>("-2147483648"), INT32_MIN);
  EXPECT_FALSE(tw::parse_decimal<std::int32_t>("2147483648"));
  EXPECT_FALSE(tw::parse_decimal<std::int32_t>("-2147483649"));
  EXPECT_EQ(tw::parse_decimal<std::int64_t>("9223372036854775807"), INT64_MAX);
  EXPECT_FALSE(tw::parse_decimal<std::int64_t>("9223372036854775808"));
}

}  // namespace
