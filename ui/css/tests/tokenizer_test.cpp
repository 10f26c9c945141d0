#include "tokenizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace orlan::css {
namespace {

std::vector<CssToken> all_tokens(std::string_view text) {
  Tokenizer t(text);
  std::vector<CssToken> out;
  for (CssToken token = t.next(); token.type != TokenType::End; token = t.next()) {
    out.push_back(token);
  }
  return out;
}

TEST(Tokens, WhitespaceRunIsOneToken) {
  auto tokens = all_tokens(" \t\n\r\f a");
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].type, TokenType::Whitespace);
  EXPECT_EQ(tokens[1].type, TokenType::Ident);
  EXPECT_EQ(tokens[1].text, "a");
}

TEST(Tokens, IdentifierStarts) {
  auto tokens = all_tokens("-foo --bar _x \xC3\xA9t\xC3\xA9 -5 -.5");
  std::vector<TokenType> types;
  for (auto& t : tokens) {
    if (t.type != TokenType::Whitespace) types.push_back(t.type);
  }
  ASSERT_EQ(types.size(), 6u);
  EXPECT_EQ(types[0], TokenType::Ident);
  EXPECT_EQ(types[1], TokenType::Ident);
  EXPECT_EQ(types[2], TokenType::Ident);
  EXPECT_EQ(types[3], TokenType::Ident);
  EXPECT_EQ(types[4], TokenType::Number);
  EXPECT_EQ(types[5], TokenType::Number);
  EXPECT_EQ(tokens[2].text, "--bar");
}

TEST(Tokens, FunctionConsumesParenthesis) {
  auto tokens = all_tokens("rgb(1)");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].type, TokenType::Function);
  EXPECT_EQ(tokens[0].text, "rgb");
  EXPECT_EQ(tokens[1].type, TokenType::Number);
  EXPECT_EQ(tokens[2].type, TokenType::CloseParen);
  // A space before '(' makes an ident and an open parenthesis.
  auto spaced = all_tokens("rgb (");
  EXPECT_EQ(spaced[0].type, TokenType::Ident);
  EXPECT_EQ(spaced[2].type, TokenType::OpenParen);
}

TEST(Tokens, AtKeywordNeedsIdentifierStart) {
  auto tokens = all_tokens("@media @1");
  EXPECT_EQ(tokens[0].type, TokenType::AtKeyword);
  EXPECT_EQ(tokens[0].text, "media");
  EXPECT_EQ(tokens[2].type, TokenType::Delim);
  EXPECT_EQ(tokens[2].delim, '@');
}

TEST(Tokens, HashWithAndWithoutName) {
  auto tokens = all_tokens("#a1-b # x");
  EXPECT_EQ(tokens[0].type, TokenType::Hash);
  EXPECT_EQ(tokens[0].text, "a1-b");
  EXPECT_EQ(tokens[2].type, TokenType::Delim);
  EXPECT_EQ(tokens[2].delim, '#');
  auto digits = all_tokens("#123");
  EXPECT_EQ(digits[0].type, TokenType::Hash);
  EXPECT_EQ(digits[0].text, "123");
}

TEST(Tokens, StringsKeepBackslashesAndStopAtLineFeed) {
  auto tokens = all_tokens(R"("a\"b" 'c)");
  EXPECT_EQ(tokens[0].type, TokenType::String);
  EXPECT_EQ(tokens[0].text, R"(a\"b)");
  EXPECT_EQ(tokens[2].type, TokenType::String);
  EXPECT_EQ(tokens[2].text, "c");  // unterminated: runs to the end
  auto broken = all_tokens("\"ab\ncd\"");
  EXPECT_EQ(broken[0].type, TokenType::String);
  EXPECT_EQ(broken[0].text, "ab");
  EXPECT_EQ(broken[1].type, TokenType::Whitespace);
  EXPECT_EQ(broken[2].text, "cd");
}

TEST(Tokens, NumbersPercentagesDimensions) {
  auto tokens = all_tokens("12 +3.5 -0.25 .5 50% 2em 1e3 2E-2 1.5e+2px 3.");
  std::vector<CssToken> t;
  for (auto& x : tokens) {
    if (x.type != TokenType::Whitespace) t.push_back(x);
  }
  ASSERT_GE(t.size(), 10u);
  EXPECT_FLOAT_EQ(t[0].number, 12);
  EXPECT_FALSE(t[0].has_sign);
  EXPECT_FLOAT_EQ(t[1].number, 3.5f);
  EXPECT_TRUE(t[1].has_sign);
  EXPECT_FLOAT_EQ(t[2].number, -0.25f);
  EXPECT_FLOAT_EQ(t[3].number, 0.5f);
  EXPECT_EQ(t[4].type, TokenType::Percentage);
  EXPECT_FLOAT_EQ(t[4].number, 50);
  EXPECT_EQ(t[5].type, TokenType::Dimension);
  EXPECT_EQ(t[5].text, "em");  // "e" not followed by digits is the unit
  EXPECT_FLOAT_EQ(t[5].number, 2);
  EXPECT_EQ(t[6].type, TokenType::Number);
  EXPECT_FLOAT_EQ(t[6].number, 1000);
  EXPECT_FLOAT_EQ(t[7].number, 0.02f);
  EXPECT_EQ(t[8].type, TokenType::Dimension);
  EXPECT_FLOAT_EQ(t[8].number, 150);
  EXPECT_EQ(t[8].text, "px");
  // "3." is the number 3 followed by a delim '.'.
  EXPECT_EQ(t[9].type, TokenType::Number);
  EXPECT_FLOAT_EQ(t[9].number, 3);
  ASSERT_EQ(t.size(), 11u);
  EXPECT_TRUE(t[10].is_delim('.'));
}

TEST(Tokens, HugeExponentEndsQuicklyAsInfinity) {
  auto tokens = all_tokens("1e999999999999 1e-99999999");
  EXPECT_TRUE(std::isinf(tokens[0].number));
  EXPECT_EQ(tokens[2].number, 0.0f);
}

TEST(Tokens, CommentsAreSkippedEverywhere) {
  auto tokens = all_tokens("/* a */a/**//*b*/b/* unterminated");
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].text, "a");
  EXPECT_EQ(tokens[1].text, "b");
}

TEST(Tokens, PunctuationAndDelims) {
  auto tokens = all_tokens(":;,(){}[]>+~*");
  std::vector<TokenType> expected = {
      TokenType::Colon,        TokenType::Semicolon, TokenType::Comma,      TokenType::OpenParen,
      TokenType::CloseParen,   TokenType::OpenBrace, TokenType::CloseBrace, TokenType::OpenBracket,
      TokenType::CloseBracket, TokenType::Delim,     TokenType::Delim,      TokenType::Delim,
      TokenType::Delim};
  ASSERT_EQ(tokens.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(tokens[i].type, expected[i]) << i;
  EXPECT_EQ(tokens[9].delim, '>');
  EXPECT_EQ(tokens[12].delim, '*');
}

TEST(Tokens, OffsetsCoverTheSource) {
  std::string_view text = "a  url(x) 10px";
  auto tokens = all_tokens(text);
  for (auto& t : tokens) EXPECT_LE(t.start, t.end);
  EXPECT_EQ(tokens[2].start, 3u);
  EXPECT_EQ(tokens[2].end, 7u);  // "url("
  EXPECT_EQ(text.substr(tokens.back().start, tokens.back().end - tokens.back().start), "10px");
}

TEST(Tokens, SignFollowedByNothingIsDelim) {
  auto tokens = all_tokens("+ - -x");
  EXPECT_TRUE(tokens[0].is_delim('+'));
  EXPECT_TRUE(tokens[2].is_delim('-'));
  EXPECT_EQ(tokens[4].type, TokenType::Ident);
}

}  // namespace
}  // namespace orlan::css
