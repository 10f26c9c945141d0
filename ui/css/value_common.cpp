// Shared pieces of the value parsers: value tokens, units, angles, times, calc() and
// friends, timing functions and string escapes.

#include <cmath>
#include <string>

#include "style_sheet.h"
#include "value_parser.h"

namespace orlan::css {

bool tokenize_value(std::string_view text, ValueTokens& out) {
  out.text = text;
  out.count = 0;
  out.has_var = false;
  Tokenizer tokenizer(text);
  for (;;) {
    CssToken token = tokenizer.next();
    if (token.type == TokenType::End) break;
    if (token.type == TokenType::Whitespace) continue;
    if (out.count == kMaxValueTokens) return false;
    if (token.type == TokenType::Function && token.text == "var") out.has_var = true;
    out.tokens[out.count++] = token;
  }
  return true;
}

int find_close(TokenRange range, int open) {
  int depth = 0;
  for (int i = open; i < range.count; ++i) {
    TokenType type = range[i].type;
    if (type == TokenType::Function || type == TokenType::OpenParen) {
      ++depth;
    } else if (type == TokenType::CloseParen) {
      if (--depth == 0) return i;
    }
  }
  return -1;
}

int split_commas(TokenRange range, TokenRange* parts, int max_parts) {
  int count = 0;
  int depth = 0;
  int begin = 0;
  for (int i = 0; i <= range.count; ++i) {
    if (i < range.count) {
      TokenType type = range[i].type;
      if (type == TokenType::Function || type == TokenType::OpenParen) ++depth;
      if (type == TokenType::CloseParen && depth > 0) --depth;
      if (type != TokenType::Comma || depth > 0) continue;
    }
    if (count == max_parts) return -1;
    parts[count++] = range.sub(begin, i);
    begin = i + 1;
  }
  return count;
}

namespace {
std::optional<CssLength> length_from_token_unchecked(const CssToken& token) {
  if (!std::isfinite(token.number)) return std::nullopt;
  switch (token.type) {
    case TokenType::Number:
      if (token.number == 0) return CssLength{0, kUnitPx};
      return std::nullopt;
    case TokenType::Percentage:
      return CssLength{token.number, kUnitPercent};
    case TokenType::Dimension: {
      std::string_view unit = token.text;
      float v = token.number;
      if (ascii_iequals(unit, "px")) return CssLength{v, kUnitPx};
      if (ascii_iequals(unit, "em")) return CssLength{v, kUnitEm};
      if (ascii_iequals(unit, "rem")) return CssLength{v, kUnitRem};
      if (ascii_iequals(unit, "vw")) return CssLength{v, kUnitVw};
      if (ascii_iequals(unit, "vh")) return CssLength{v, kUnitVh};
      if (ascii_iequals(unit, "ch")) return CssLength{v * 0.5f, kUnitEm};
      if (ascii_iequals(unit, "pt")) return CssLength{v * 4.0f / 3.0f, kUnitPx};
      if (ascii_iequals(unit, "pc")) return CssLength{v * 16.0f, kUnitPx};
      if (ascii_iequals(unit, "in")) return CssLength{v * 96.0f, kUnitPx};
      if (ascii_iequals(unit, "cm")) return CssLength{v * 96.0f / 2.54f, kUnitPx};
      if (ascii_iequals(unit, "mm")) return CssLength{v * 96.0f / 25.4f, kUnitPx};
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

// Unit conversions can overflow a finite number; such a length is no length.
std::optional<CssLength> length_from_token(const CssToken& token) {
  auto length = length_from_token_unchecked(token);
  if (length && !std::isfinite(length->value)) return std::nullopt;
  return length;
}

bool parse_length_text(std::string_view text, CssLength& out, bool plain_number_is_px) {
  ValueTokens tokens;
  if (!tokenize_value(text, tokens) || tokens.count != 1) return false;
  const CssToken& t = tokens.tokens[0];
  if (plain_number_is_px && t.type == TokenType::Number && std::isfinite(t.number)) {
    out = {t.number, kUnitPx};
    return true;
  }
  auto length = length_from_token(t);
  if (!length || !std::isfinite(length->value)) return false;
  out = *length;
  return true;
}

std::optional<float> px_from_token(const CssToken& token) {
  auto length = length_from_token(token);
  if (!length || length->unit != kUnitPx || !std::isfinite(length->value)) return std::nullopt;
  return length->value;
}

std::optional<float> angle_from_token(const CssToken& token) {
  if (!std::isfinite(token.number)) return std::nullopt;
  if (token.type == TokenType::Number && token.number == 0) return 0.0f;
  if (token.type != TokenType::Dimension) return std::nullopt;
  float v = token.number;
  float degrees;
  if (ascii_iequals(token.text, "deg"))
    degrees = v;
  else if (ascii_iequals(token.text, "turn"))
    degrees = v * 360.0f;
  else if (ascii_iequals(token.text, "rad"))
    degrees = v * 57.29578f;
  else if (ascii_iequals(token.text, "grad"))
    degrees = v * 0.9f;
  else
    return std::nullopt;
  if (!std::isfinite(degrees)) return std::nullopt;
  return degrees;
}

std::optional<float> time_from_token(const CssToken& token) {
  if (token.type != TokenType::Dimension || !std::isfinite(token.number)) return std::nullopt;
  float ms;
  if (ascii_iequals(token.text, "ms"))
    ms = token.number;
  else if (ascii_iequals(token.text, "s"))
    ms = token.number * 1000.0f;
  else
    return std::nullopt;
  if (!std::isfinite(ms)) return std::nullopt;
  return ms;
}

// ---- calc(), min(), max(), clamp() ----

namespace {

constexpr int kMaxCalcDepth = 8;

class CalcReader {
 public:
  explicit CalcReader(TokenRange range) : m_range(range) {}

  // Reads a sum ending at `end` (exclusive).
  bool read_sum(int& i, int end, int depth, CalcSum& out) {
    CalcSum sum;
    if (!read_product(i, end, depth, sum)) return false;
    while (i < end) {
      const CssToken& token = m_range[i];
      if (token.is_delim('+') || token.is_delim('-')) {
        float sign = token.delim == '-' ? -1.0f : 1.0f;
        ++i;
        CalcSum rhs;
        if (!read_product(i, end, depth, rhs)) return false;
        if (!add(sum, rhs, sign)) return false;
      } else if ((token.type == TokenType::Number || token.type == TokenType::Dimension ||
                  token.type == TokenType::Percentage) &&
                 token.has_sign) {
        // "100% -10px": the tokenizer folded the sign into the number; add it.
        CalcSum rhs;
        if (!read_product(i, end, depth, rhs)) return false;
        if (!add(sum, rhs, 1.0f)) return false;
      } else {
        return false;
      }
    }
    out = sum;
    return true;
  }

 private:
  static bool add(CalcSum& a, const CalcSum& b, float sign) {
    if (a.is_number != b.is_number) return false;
    for (int k = 0; k < 6; ++k) a.terms[k] += sign * b.terms[k];
    a.number += sign * b.number;
    return true;
  }

  static void scale(CalcSum& s, float factor) {
    for (float& t : s.terms) t *= factor;
    s.number *= factor;
  }

  bool read_product(int& i, int end, int depth, CalcSum& out) {
    CalcSum product;
    if (!read_term(i, end, depth, product)) return false;
    while (i < end && (m_range[i].is_delim('*') || m_range[i].is_delim('/'))) {
      bool multiply = m_range[i].delim == '*';
      ++i;
      CalcSum rhs;
      if (!read_term(i, end, depth, rhs)) return false;
      if (multiply) {
        if (rhs.is_number) {
          scale(product, rhs.number);
        } else if (product.is_number) {
          float factor = product.number;
          product = rhs;
          scale(product, factor);
        } else {
          return false;
        }
      } else {
        if (!rhs.is_number || rhs.number == 0) return false;
        scale(product, 1.0f / rhs.number);
      }
    }
    out = product;
    return true;
  }

  bool read_term(int& i, int end, int depth, CalcSum& out) {
    if (i >= end) return false;
    const CssToken& token = m_range[i];
    out = CalcSum{};
    if (token.type == TokenType::Number) {
      if (!std::isfinite(token.number)) return false;
      out.is_number = 1;
      out.number = token.number;
      ++i;
      return true;
    }
    if (token.type == TokenType::Percentage || token.type == TokenType::Dimension) {
      auto length = length_from_token(token);
      if (!length) return false;
      int slot;
      switch (length->unit) {
        case kUnitPx:
          slot = 0;
          break;
        case kUnitPercent:
          slot = 1;
          break;
        case kUnitEm:
          slot = 2;
          break;
        case kUnitRem:
          slot = 3;
          break;
        case kUnitVw:
          slot = 4;
          break;
        case kUnitVh:
          slot = 5;
          break;
        default:
          return false;
      }
      out.terms[slot] = length->value;
      ++i;
      return true;
    }
    bool nested_calc = token.type == TokenType::Function && ascii_iequals(token.text, "calc");
    if (token.type == TokenType::OpenParen || nested_calc) {
      if (depth + 1 > kMaxCalcDepth) return false;
      int close = find_close(m_range, i);
      if (close < 0 || close >= end) return false;
      int inner = i + 1;
      if (!read_sum(inner, close, depth + 1, out)) return false;
      if (inner != close) return false;
      i = close + 1;
      return true;
    }
    return false;
  }

  TokenRange m_range;
};

bool finite_sum(const CalcSum& s) {
  for (float t : s.terms) {
    if (!std::isfinite(t)) return false;
  }
  return std::isfinite(s.number);
}

}  // namespace

bool parse_calc(StyleSheet& sheet, TokenRange range, CssValue& out) {
  if (range.count < 2 || range[0].type != TokenType::Function) return false;
  if (find_close(range, 0) != range.count - 1) return false;
  std::string_view name = range[0].text;
  CalcValue value;
  int wanted;
  if (ascii_iequals(name, "calc")) {
    value.kind = CalcKind::Calc;
    wanted = 1;
  } else if (ascii_iequals(name, "min")) {
    value.kind = CalcKind::Min;
    wanted = 2;
  } else if (ascii_iequals(name, "max")) {
    value.kind = CalcKind::Max;
    wanted = 2;
  } else if (ascii_iequals(name, "clamp")) {
    value.kind = CalcKind::Clamp;
    wanted = 3;
  } else {
    return false;
  }
  TokenRange inner = range.sub(1, range.count - 1);
  TokenRange parts[3];
  int count = split_commas(inner, parts, 3);
  if (count != wanted) return false;
  for (int p = 0; p < count; ++p) {
    CalcReader reader(parts[p]);
    int i = 0;
    if (parts[p].empty() || !reader.read_sum(i, parts[p].count, 1, value.sums[p])) return false;
    if (value.sums[p].is_number || !finite_sum(value.sums[p])) return false;
  }
  value.sum_count = static_cast<uint8_t>(count);
  CalcValue* stored = sheet.arena().allocate_array<CalcValue>(1);
  *stored = value;
  out = CssValue{};
  out.type = ValueType::Calc;
  out.calc = stored;
  return true;
}

// ---- timing functions ----

bool parse_timing_function(TokenRange range, int& i, TimingFunction& out) {
  if (i >= range.count) return false;
  const CssToken& token = range[i];
  TimingFunction timing;
  if (token.type == TokenType::Ident) {
    std::string_view name = token.text;
    if (ascii_iequals(name, "linear")) {
      timing.kind = TimingKind::Linear;
    } else if (ascii_iequals(name, "ease")) {
      timing.kind = TimingKind::Ease;
    } else if (ascii_iequals(name, "ease-in")) {
      timing.kind = TimingKind::EaseIn;
    } else if (ascii_iequals(name, "ease-out")) {
      timing.kind = TimingKind::EaseOut;
    } else if (ascii_iequals(name, "ease-in-out")) {
      timing.kind = TimingKind::EaseInOut;
    } else if (ascii_iequals(name, "step-start") || ascii_iequals(name, "step-end")) {
      timing.kind = TimingKind::Steps;
      timing.steps = 1;
      timing.step_position =
          ascii_iequals(name, "step-start") ? StepPosition::Start : StepPosition::End;
    } else {
      return false;
    }
    ++i;
    out = timing;
    return true;
  }
  if (token.type != TokenType::Function) return false;
  int close = find_close(range, i);
  if (close < 0) return false;
  TokenRange args = range.sub(i + 1, close);
  if (ascii_iequals(token.text, "steps")) {
    TokenRange parts[2];
    int n = split_commas(args, parts, 2);
    if (n < 1 || parts[0].count != 1 || parts[0][0].type != TokenType::Number) return false;
    float steps = parts[0][0].number;
    if (!(steps >= 1) || steps != std::floor(steps) || steps > 1e6f) return false;
    StepPosition position = StepPosition::End;
    if (n == 2) {
      if (parts[1].count != 1 || parts[1][0].type != TokenType::Ident) return false;
      std::string_view p = parts[1][0].text;
      if (ascii_iequals(p, "jump-end") || ascii_iequals(p, "end")) {
        position = StepPosition::End;
      } else if (ascii_iequals(p, "jump-start") || ascii_iequals(p, "start")) {
        position = StepPosition::Start;
      } else if (ascii_iequals(p, "jump-none")) {
        position = StepPosition::None;
      } else if (ascii_iequals(p, "jump-both")) {
        position = StepPosition::Both;
      } else {
        return false;
      }
    }
    // Without a jump at either end, one step would never move.
    if (position == StepPosition::None && steps < 2) return false;
    timing.kind = TimingKind::Steps;
    timing.steps = static_cast<int32_t>(steps);
    timing.step_position = position;
  } else if (ascii_iequals(token.text, "cubic-bezier")) {
    TokenRange parts[4];
    if (split_commas(args, parts, 4) != 4) return false;
    timing.kind = TimingKind::CubicBezier;
    for (int k = 0; k < 4; ++k) {
      if (parts[k].count != 1 || parts[k][0].type != TokenType::Number) return false;
      if (!std::isfinite(parts[k][0].number)) return false;
      timing.bezier[k] = parts[k][0].number;
    }
  } else {
    return false;
  }
  i = close + 1;
  out = timing;
  return true;
}

// ---- strings ----

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void append_utf8(std::string& out, uint32_t cp) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

void unescape_string(std::string_view raw, std::string& out) {
  for (std::size_t i = 0; i < raw.size();) {
    char c = raw[i];
    if (c != '\\') {
      out.push_back(c);
      ++i;
      continue;
    }
    ++i;
    if (i >= raw.size()) break;
    if (raw[i] == '\n') {
      ++i;  // an escaped line feed continues the string
      continue;
    }
    if (hex_value(raw[i]) >= 0) {
      uint32_t cp = 0;
      int digits = 0;
      while (i < raw.size() && digits < 6 && hex_value(raw[i]) >= 0) {
        cp = cp * 16 + static_cast<uint32_t>(hex_value(raw[i]));
        ++i;
        ++digits;
      }
      if (i < raw.size() && raw[i] == ' ') ++i;
      append_utf8(out, cp);
      continue;
    }
    out.push_back(raw[i]);
    ++i;
  }
}

}  // namespace orlan::css
