#include "tokenizer.h"

namespace orlan::css {

namespace {

bool is_space(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
bool is_digit(unsigned char c) {
  return c >= '0' && c <= '9';
}

// Exponents are applied by repeated multiplication; past this many steps a float is
// already infinite or zero, so the loop stops there instead of running for billions.
constexpr int kMaxExponentSteps = 64;

}  // namespace

bool CssToken::is_ident(std::string_view name) const {
  return type == TokenType::Ident && ascii_iequals(text, name);
}

bool is_ident_start_char(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}

bool is_name_char(unsigned char c) {
  return is_ident_start_char(c) || is_digit(c) || c == '-';
}

bool Tokenizer::starts_number(std::size_t at) const {
  unsigned char c = byte_at(at);
  if (at >= m_text.size()) return false;
  if (is_digit(c)) return true;
  if (c == '.') return is_digit(byte_at(at + 1)) && at + 1 < m_text.size();
  if (c == '+' || c == '-') {
    if (at + 1 >= m_text.size()) return false;
    unsigned char d = byte_at(at + 1);
    if (is_digit(d)) return true;
    return d == '.' && at + 2 < m_text.size() && is_digit(byte_at(at + 2));
  }
  return false;
}

bool Tokenizer::starts_ident(std::size_t at) const {
  if (at >= m_text.size()) return false;
  unsigned char c = byte_at(at);
  if (is_ident_start_char(c)) return true;
  if (c == '-' && at + 1 < m_text.size()) {
    unsigned char d = byte_at(at + 1);
    return is_ident_start_char(d) || d == '-';
  }
  return false;
}

std::size_t Tokenizer::ident_end(std::size_t at) const {
  while (at < m_text.size() && is_name_char(byte_at(at))) ++at;
  return at;
}

CssToken Tokenizer::next_non_space() {
  CssToken token = next();
  while (token.type == TokenType::Whitespace) token = next();
  return token;
}

CssToken Tokenizer::next() {
  const std::size_t size = m_text.size();
  // Comments are skipped, however many follow each other.
  while (m_pos + 1 < size && m_text[m_pos] == '/' && m_text[m_pos + 1] == '*') {
    std::size_t close = m_text.find("*/", m_pos + 2);
    m_pos = close == std::string_view::npos ? size : close + 2;
  }
  CssToken token;
  token.start = static_cast<uint32_t>(m_pos);
  if (m_pos >= size) {
    token.end = token.start;
    return token;
  }
  const std::size_t begin = m_pos;
  unsigned char c = byte_at(m_pos);
  auto finish = [&](TokenType type, std::size_t end) {
    token.type = type;
    m_pos = end;
    token.end = static_cast<uint32_t>(end);
    return token;
  };

  if (is_space(c)) {
    std::size_t end = m_pos;
    while (end < size && is_space(byte_at(end))) ++end;
    token.text = m_text.substr(begin, end - begin);
    return finish(TokenType::Whitespace, end);
  }

  if (c == '"' || c == '\'') {
    std::size_t end = m_pos + 1;
    while (end < size) {
      unsigned char d = byte_at(end);
      if (d == c || d == '\n') break;
      if (d == '\\' && end + 1 < size) {
        end += 2;
        continue;
      }
      ++end;
    }
    token.text = m_text.substr(begin + 1, (end < size ? end : size) - begin - 1);
    if (end < size && byte_at(end) == c) ++end;  // the closing quote, when present
    return finish(TokenType::String, end);
  }

  if (c == '#') {
    std::size_t end = ident_end(m_pos + 1);
    if (end == m_pos + 1) {
      token.delim = '#';
      return finish(TokenType::Delim, m_pos + 1);
    }
    token.text = m_text.substr(begin + 1, end - begin - 1);
    return finish(TokenType::Hash, end);
  }

  if (c == '@' && starts_ident(m_pos + 1)) {
    std::size_t end = ident_end(m_pos + 1);
    token.text = m_text.substr(begin + 1, end - begin - 1);
    return finish(TokenType::AtKeyword, end);
  }

  if (starts_number(m_pos)) {
    std::size_t at = m_pos;
    double sign = 1;
    if (byte_at(at) == '+' || byte_at(at) == '-') {
      if (byte_at(at) == '-') sign = -1;
      token.has_sign = true;
      ++at;
    }
    double value = 0;
    while (at < size && is_digit(byte_at(at))) value = value * 10 + (byte_at(at++) - '0');
    if (byte_at(at) == '.' && at + 1 < size && is_digit(byte_at(at + 1))) {
      ++at;
      double scale = 0.1;
      while (at < size && is_digit(byte_at(at))) {
        value += (byte_at(at++) - '0') * scale;
        scale *= 0.1;
      }
    }
    if ((byte_at(at) == 'e' || byte_at(at) == 'E') && at + 1 < size) {
      std::size_t exp_at = at + 1;
      bool negative = false;
      if (byte_at(exp_at) == '+' || byte_at(exp_at) == '-') {
        negative = byte_at(exp_at) == '-';
        ++exp_at;
      }
      if (exp_at < size && is_digit(byte_at(exp_at))) {
        long exponent = 0;
        while (exp_at < size && is_digit(byte_at(exp_at))) {
          if (exponent < 100000) exponent = exponent * 10 + (byte_at(exp_at) - '0');
          ++exp_at;
        }
        for (long i = 0; i < exponent && i < kMaxExponentSteps; ++i) {
          value = negative ? value / 10 : value * 10;
        }
        at = exp_at;
      }
    }
    token.number = static_cast<float>(sign * value);
    if (byte_at(at) == '%' && at < size) {
      return finish(TokenType::Percentage, at + 1);
    }
    if (starts_ident(at)) {
      std::size_t end = ident_end(at);
      token.text = m_text.substr(at, end - at);
      return finish(TokenType::Dimension, end);
    }
    token.text = m_text.substr(begin, at - begin);
    return finish(TokenType::Number, at);
  }

  if (starts_ident(m_pos)) {
    std::size_t end = ident_end(m_pos);
    token.text = m_text.substr(begin, end - begin);
    if (end < size && byte_at(end) == '(') {
      return finish(TokenType::Function, end + 1);
    }
    return finish(TokenType::Ident, end);
  }

  token.text = m_text.substr(begin, 1);
  switch (c) {
    case ':':
      return finish(TokenType::Colon, m_pos + 1);
    case ';':
      return finish(TokenType::Semicolon, m_pos + 1);
    case ',':
      return finish(TokenType::Comma, m_pos + 1);
    case '(':
      return finish(TokenType::OpenParen, m_pos + 1);
    case ')':
      return finish(TokenType::CloseParen, m_pos + 1);
    case '{':
      return finish(TokenType::OpenBrace, m_pos + 1);
    case '}':
      return finish(TokenType::CloseBrace, m_pos + 1);
    case '[':
      return finish(TokenType::OpenBracket, m_pos + 1);
    case ']':
      return finish(TokenType::CloseBracket, m_pos + 1);
    default:
      token.delim = static_cast<char>(c);
      return finish(TokenType::Delim, m_pos + 1);
  }
}

}  // namespace orlan::css
