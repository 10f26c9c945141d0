#include "utf.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8, ValidationRejectsOverlongsSurrogatesAndTruncation) {
  EXPECT_TRUE(tw::is_valid_utf8(""));
  EXPECT_TRUE(tw::is_valid_utf8("plain"));
  EXPECT_TRUE(tw::is_valid_utf8("탭라이트 \xF0\x9F\x98\x80"));
  EXPECT_FALSE(tw::is_valid_utf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(tw::is_valid_utf8("\xED\xA0\x80"));      // surrogate D800
  EXPECT_FALSE(tw::is_valid_utf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(tw::is_valid_utf8("\xE2\x82"));          // cut short
  EXPECT_FALSE(tw::is_valid_utf8("\x80"));
  EXPECT_FALSE(tw::is_valid_utf8("\xFF"));
}

TEST(Utf8, DecodeReplacesEachBadByteAndAdvances) {
  std::string_view text = "a\xFF\xE2\x82\xAC";
  std::size_t pos = 0;
  EXPECT_EQ(tw::decode_utf8(text, pos), U'a');
  EXPECT_EQ(tw::decode_utf8(text, pos), char32_t{0xFFFD});
  EXPECT_EQ(pos, 2u);
  EXPECT_EQ(tw::decode_utf8(text, pos), char32_t{0x20AC});
  EXPECT_EQ(pos, text.size());
  EXPECT_EQ(tw::count_code_points("a\xFF\xE2\x82\xAC"), 3u);
}

TEST(Utf16, RoundTripsSupplementaryPlane) {
  std::string text = "x\xF0\x9F\x98\x80y";
  std::u16string wide = tw::utf8_to_utf16(text);
  ASSERT_EQ(wide.size(), 4u);
  EXPECT_EQ(wide[1], 0xD83D);
  EXPECT_EQ(wide[2], 0xDE00);
  EXPECT_EQ(tw::utf16_to_utf8(wide), text);
}

TEST(Utf16, LoneSurrogateBecomesReplacement) {
  std::u16string wide = {u'a', char16_t(0xD800), u'b'};
  EXPECT_EQ(tw::utf16_to_utf8(wide),
            "a\xEF\xBF\xBD"
            "b");
}

}  // namespace
