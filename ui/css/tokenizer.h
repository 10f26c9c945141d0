#pragma once

// CSS tokenizer: produces one token at a time from UTF-8 text. It never fails; bytes it
// does not understand become delim tokens. Comments are skipped before each token.

#include <cstdint>
#include <string_view>
#include "ascii.h"

namespace orlan::css {

enum class TokenType : uint8_t {
  End = 0,
  Whitespace = 1,
  Ident = 2,
  Function = 3,   // identifier immediately followed by '(' (the '(' is consumed)
  AtKeyword = 4,  // '@' + identifier; text is the identifier
  Hash = 5,       // '#' + name characters; text is the name
  String = 6,     // text is the contents without quotes, backslashes kept
  Number = 7,
  Percentage = 8,
  Dimension = 9,  // text is the unit
  Colon = 10,
  Semicolon = 11,
  Comma = 12,
  OpenParen = 13,
  CloseParen = 14,
  OpenBrace = 15,
  CloseBrace = 16,
  OpenBracket = 17,
  CloseBracket = 18,
  Delim = 19,
};

struct CssToken {
  TokenType type = TokenType::End;
  char delim = 0;         // the byte of a delim token
  bool has_sign = false;  // a number written with a leading + or -
  float number = 0;       // number, percentage and dimension
  std::string_view text;  // see TokenType
  uint32_t start = 0;     // byte offsets of the whole token in the input
  uint32_t end = 0;

  bool is_delim(char c) const { return type == TokenType::Delim && delim == c; }
  bool is_ident(std::string_view name) const;  // ASCII case-insensitive
};

bool is_name_char(unsigned char c);
bool is_ident_start_char(unsigned char c);
using tw::ascii_iequals;
using tw::ascii_lower;

class Tokenizer {
 public:
  explicit Tokenizer(std::string_view text) : m_text(text) {}

  CssToken next();
  // Next token that is not whitespace.
  CssToken next_non_space();

  std::size_t position() const { return m_pos; }
  std::string_view text() const { return m_text; }

 private:
  bool starts_number(std::size_t at) const;
  bool starts_ident(std::size_t at) const;
  std::size_t ident_end(std::size_t at) const;
  unsigned char byte_at(std::size_t at) const {
    return at < m_text.size() ? static_cast<unsigned char>(m_text[at]) : 0;
  }

  std::string_view m_text;
  std::size_t m_pos = 0;
};

}  // namespace orlan::css
