#include "reply.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using twsvc::find_update_url;
using twsvc::unescape_json_text;

TEST(UpdateReply, TakesTextAfterMarkerUpToNextQuote) {
  EXPECT_EQ(find_update_url(R"({"status":"ok","update":"https://host/file.exe","x":1})"),
            u"https://host/file.exe");
}

TEST(UpdateReply, EscapedSlashesBecomePlain) {
  EXPECT_EQ(find_update_url(R"({"update":"https:\/\/host\/file"})"), u"https://host/file");
}

TEST(UpdateReply, MissingNullOrEmptyUpdateGivesNothing) {
  EXPECT_EQ(find_update_url(R"({"status":"ok"})"), u"");
  EXPECT_EQ(find_update_url(R"({"update":null})"), u"");
  EXPECT_EQ(find_update_url(R"({"update":""})"), u"");
  EXPECT_EQ(find_update_url(""), u"");
}

TEST(UpdateReply, MarkerMustBeExactWithoutBlanks) {
  EXPECT_EQ(find_update_url(R"({"update": "https://host/"})"), u"");
  EXPECT_EQ(find_update_url(R"({"update" :"https://host/"})"), u"");
  EXPECT_EQ(find_update_url(R"({"Update":"https://host/"})"), u"");
  EXPECT_EQ(find_update_url(R"({'update':'https://host/'})"), u"");
}

TEST(UpdateReply, FirstOccurrenceWins) {
  EXPECT_EQ(find_update_url(R"({"update":"http://a/","info":{"update":"http://b/"}})"),
            u"http://a/");
}

TEST(UpdateReply, EscapedMarkerInsideAnotherValueIsNotAMarker) {
  EXPECT_EQ(find_update_url(R"({"notify":"x\"update\":\"http://a/"})"), u"");
  // Nested members count: the search knows nothing of the JSON structure.
  EXPECT_EQ(find_update_url(R"({"info":{"update":"http://n/"}})"), u"http://n/");
}

TEST(UpdateReply, EscapedQuoteEndsTheValue) {
  // The value stops at the next quote, escaped or not; the backslash before it is dropped.
  EXPECT_EQ(find_update_url(R"({"update":"http://a/\"b"})"), u"http://a/");
}

TEST(UpdateReply, UnterminatedValueRunsToEndOfBody) {
  EXPECT_EQ(find_update_url(R"({"update":"http://a/b)"), u"http://a/b");
}

TEST(UpdateReply, EachByteIsOneCharacter) {
  // UTF-8 is not decoded: the two bytes of "é" become two characters.
  std::u16string url = find_update_url("{\"update\":\"http://h/\xC3\xA9\"}");
  EXPECT_EQ(url, std::u16string(u"http://h/") + char16_t{0xC3} + char16_t{0xA9});
  std::u16string high = find_update_url("{\"update\":\"\xFF\x01\"}");
  EXPECT_EQ(high, std::u16string({char16_t{0xFF}, char16_t{0x01}}));
}

TEST(JsonUnescape, SimpleEscapesGiveTheirCharacter) {
  EXPECT_EQ(unescape_json_text(R"(a\"b\'c\/d\\e)"), u"a\"b'c/d\\e");
  EXPECT_EQ(unescape_json_text(R"(\b\f\n\r\t)"), u"\b\f\n\r\t");
}

TEST(JsonUnescape, UnicodeEscapesGiveUtf16Units) {
  EXPECT_EQ(unescape_json_text(R"(\u0041\u00e9\uD55C)"), u"A\u00e9\uD55C");
  EXPECT_EQ(unescape_json_text(R"(\uAbCd)"), std::u16string(1, char16_t{0xABCD}));
  // A pair of escapes gives the two surrogate units as they are.
  EXPECT_EQ(unescape_json_text(R"(\uD83D\uDE00)"), u"\U0001F600");
  // A lone surrogate escape is kept as a unit too; the caller judges the result.
  EXPECT_EQ(unescape_json_text(R"(\uD800x)"), std::u16string({char16_t{0xD800}, u'x'}));
  EXPECT_EQ(unescape_json_text(R"(\u0000)"), std::u16string(1, u'\0'));
}

TEST(JsonUnescape, UnknownEscapesAreDropped) {
  EXPECT_EQ(unescape_json_text(R"(a\xb\qc\0d)"), u"abcd");
  EXPECT_EQ(unescape_json_text(R"(\a\v)"), u"");
}

TEST(JsonUnescape, ShortUnicodeEscapeDropsOnlyTheEscape) {
  EXPECT_EQ(unescape_json_text(R"(\u12)"), u"12");
  EXPECT_EQ(unescape_json_text(R"(\u12G4z)"), u"12G4z");
  EXPECT_EQ(unescape_json_text(R"(x\u)"), u"x");
}

TEST(JsonUnescape, TrailingBackslashIsDropped) {
  EXPECT_EQ(unescape_json_text("abc\\"), u"abc");
  EXPECT_EQ(unescape_json_text("\\"), u"");
}

TEST(JsonUnescape, EscapedBackslashDoesNotStartAnotherEscape) {
  EXPECT_EQ(unescape_json_text(R"(\\n)"), u"\\n");
  EXPECT_EQ(unescape_json_text(R"(\\\n)"), u"\\\n");
}

TEST(JsonUnescape, NeverGrowsAndNeverReadsPastTheEnd) {
  // Random texts made of the characters that matter to the search and the escapes; the
  // sanitizers of the native build watch every read.
  const std::string alphabet = "\\\"u0aF9:update{}/bfnrtx\xff";
  std::mt19937 random(20261209);
  std::uniform_int_distribution<std::size_t> length(0, 40);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    std::size_t n = length(random);
    for (std::size_t i = 0; i < n; ++i) text.push_back(alphabet[pick(random)]);
    std::u16string plain = unescape_json_text(text);
    ASSERT_LE(plain.size(), text.size()) << text;
    std::string body = "{\"update\":\"" + text;
    std::u16string url = find_update_url(body);
    ASSERT_LE(url.size(), text.size()) << text;
    // Without any backslash the value is the text up to the first quote, byte for byte.
    if (text.find('\\') == std::string::npos) {
      std::u16string expected;
      for (char c : text.substr(0, text.find('"'))) {
        expected.push_back(static_cast<unsigned char>(c));
      }
      ASSERT_EQ(url, expected) << text;
    }
  }
}

}  // namespace
