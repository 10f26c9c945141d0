// The rule-level reader: style rules and the at-rules @media, @supports, @keyframes and
// @font-face; and the public parse entry points.

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "sheet_reader.h"
#include "value_parser.h"

namespace orlan::css {

namespace {

constexpr int kMaxSupportsDepth = 3;
constexpr int kMaxKeyframeOffsetsPerBlock = 8;

// Position just after the string starting at `i` (a quote), or the end.
std::size_t skip_string(std::string_view text, std::size_t i) {
  char quote = text[i++];
  while (i < text.size() && text[i] != quote && text[i] != '\n') {
    if (text[i] == '\\') ++i;
    ++i;
  }
  return std::min(text.size(), i + 1);
}

std::size_t skip_comment(std::string_view text, std::size_t i) {
  std::size_t close = text.find("*/", i + 2);
  return close == std::string_view::npos ? text.size() : close + 2;
}

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// First '{' or ';' at or after `i`, outside strings and comments; npos if none.
std::size_t find_block_or_statement_end(std::string_view text, std::size_t i) {
  while (i < text.size()) {
    char c = text[i];
    if (c == '"' || c == '\'') {
      i = skip_string(text, i);
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      i = skip_comment(text, i);
    } else if (c == '{' || c == ';') {
      return i;
    } else {
      ++i;
    }
  }
  return std::string_view::npos;
}

// The '}' matching the '{' at `open`, counting braces outside strings and comments; the
// end of the text when there is none.
std::size_t find_block_end(std::string_view text, std::size_t open) {
  int depth = 0;
  std::size_t i = open;
  while (i < text.size()) {
    char c = text[i];
    if (c == '"' || c == '\'') {
      i = skip_string(text, i);
      continue;
    }
    if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      i = skip_comment(text, i);
      continue;
    }
    if (c == '{') ++depth;
    if (c == '}' && --depth == 0) return i;
    ++i;
  }
  return text.size();
}

class RuleReader {
 public:
  explicit RuleReader(StyleSheet& sheet) : m_sheet(sheet) {}

  void read_rules(std::string_view text, const MediaQuery* media, int depth) {
    std::size_t pos = 0;
    for (;;) {
      // Whitespace and comments between rules.
      while (pos < text.size()) {
        if (is_space(text[pos])) {
          ++pos;
        } else if (text[pos] == '/' && pos + 1 < text.size() && text[pos + 1] == '*') {
          pos = skip_comment(text, pos);
        } else {
          break;
        }
      }
      if (pos >= text.size()) return;
      std::size_t stop = find_block_or_statement_end(text, pos);
      if (stop == std::string_view::npos) return;
      if (text[stop] == ';') {
        pos = stop + 1;  // a statement without a block (@import, @charset, junk)
        continue;
      }
      std::size_t close = find_block_end(text, stop);
      std::string_view prelude = trim_prelude(text.substr(pos, stop - pos));
      std::string_view body =
          text.substr(stop + 1, (close < text.size() ? close : text.size()) - stop - 1);
      if (!prelude.empty()) read_rule(prelude, body, media, depth);
      pos = close < text.size() ? close + 1 : text.size();
    }
  }

  std::vector<Declaration>& scratch() { return m_declarations; }

 private:
  static std::string_view trim_prelude(std::string_view s) {
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
  }

  static bool starts_with(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && std::memcmp(s.data(), prefix.data(), prefix.size()) == 0;
  }

  void read_rule(std::string_view prelude, std::string_view body, const MediaQuery* media,
                 int depth) {
    if (prelude[0] == '@') {
      // At-rule names are compared byte for byte.
      if (starts_with(prelude, "@keyframes") && prelude.size() > 10) {
        read_keyframes(prelude, body);
      } else if (starts_with(prelude, "@media") &&
                 (prelude.size() == 6 || !is_name_char(static_cast<unsigned char>(prelude[6])))) {
        if (media) return;  // @media inside @media is ignored with its block
        MediaQuery* query = m_sheet.arena().allocate_array<MediaQuery>(1);
        *query = parse_media_query(prelude);
        m_sheet.note_media_rules(*query);
        read_rules(body, query, depth + 1);
      } else if (prelude == "@font-face") {
        read_font_face(body);
      } else if (starts_with(prelude, "@supports") &&
                 (prelude.size() == 9 || !is_name_char(static_cast<unsigned char>(prelude[9])))) {
        if (depth > kMaxSupportsDepth) return;
        if (supports_condition_holds(prelude.substr(9))) read_rules(body, media, depth + 1);
      }
      return;  // any other at-rule is skipped with its block
    }
    SelectorFacts facts;
    const ComplexSelector* selectors = nullptr;
    int count = parse_selector_list(m_sheet, prelude, &selectors, facts);
    if (count == 0) return;
    m_declarations.clear();
    read_declaration_block(m_sheet, body, m_declarations);
    StyleRule rule;
    rule.selectors = selectors;
    rule.selector_count = static_cast<uint8_t>(count);
    rule.declarations = m_sheet.arena().copy_array(m_declarations.data(), m_declarations.size());
    rule.declaration_count =
        static_cast<uint16_t>(std::min<std::size_t>(m_declarations.size(), 0xFFFF));
    rule.position = m_sheet.next_position();
    rule.media = media;
    m_sheet.merge_facts(facts);
    m_sheet.add_rule(rule);
  }

  void read_keyframes(std::string_view prelude, std::string_view body) {
    Tokenizer tokens(prelude);
    tokens.next_non_space();  // @keyframes
    CssToken name_token = tokens.next_non_space();
    uint32_t name;
    if (name_token.type == TokenType::Ident) {
      name = m_sheet.atoms().intern(name_token.text);
    } else if (name_token.type == TokenType::String) {
      std::string unescaped;
      unescape_string(name_token.text, unescaped);
      name = m_sheet.atoms().intern(unescaped);
    } else {
      return;
    }
    Keyframe frames[kMaxKeyframes];
    int frame_count = 0;
    std::size_t pos = 0;
    std::vector<Declaration> declarations;
    while (pos < body.size()) {
      std::size_t open = find_block_or_statement_end(body, pos);
      if (open == std::string_view::npos) break;
      if (body[open] == ';') {
        pos = open + 1;
        continue;
      }
      std::size_t close = find_block_end(body, open);
      std::string_view selector = body.substr(pos, open - pos);
      std::string_view block =
          body.substr(open + 1, (close < body.size() ? close : body.size()) - open - 1);
      pos = close < body.size() ? close + 1 : body.size();

      float offsets[kMaxKeyframeOffsetsPerBlock];
      int offset_count = 0;
      Tokenizer selector_tokens(selector);
      for (CssToken t = selector_tokens.next(); t.type != TokenType::End;
           t = selector_tokens.next()) {
        float offset;
        if (t.is_ident("from")) {
          offset = 0;
        } else if (t.is_ident("to")) {
          offset = 1;
        } else if (t.type == TokenType::Percentage && t.number >= 0 && t.number <= 100) {
          offset = t.number / 100.0f;
        } else {
          continue;  // commas and anything else
        }
        if (offset_count < kMaxKeyframeOffsetsPerBlock) offsets[offset_count++] = offset;
      }
      if (offset_count == 0) continue;
      declarations.clear();
      read_declaration_block(m_sheet, block, declarations);
      const Declaration* shared =
          m_sheet.arena().copy_array(declarations.data(), declarations.size());
      for (int k = 0; k < offset_count && frame_count < kMaxKeyframes; ++k) {
        frames[frame_count++] = {
            offsets[k], shared,
            static_cast<uint16_t>(std::min<std::size_t>(declarations.size(), 0xFFFF))};
      }
    }
    if (frame_count == 0) return;
    std::stable_sort(frames, frames + frame_count,
                     [](const Keyframe& a, const Keyframe& b) { return a.offset < b.offset; });
    KeyframeSet set;
    set.name = name;
    set.keyframes = m_sheet.arena().copy_array(frames, frame_count);
    set.count = static_cast<uint8_t>(frame_count);
    m_sheet.add_keyframes(set);
  }

  void read_font_face(std::string_view body) {
    uint32_t family = 0, source = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= body.size(); ++i) {
      if (i < body.size() && body[i] != ';') continue;
      std::string_view part = body.substr(start, i - start);
      start = i + 1;
      std::size_t colon = part.find(':');
      if (colon == std::string_view::npos) continue;
      std::string_view name = trim_css_space(part.substr(0, colon));
      std::string_view value = trim_css_space(part.substr(colon + 1));
      if (ascii_iequals(name, "font-family")) {
        if (value.size() > 1 && (value.front() == '"' || value.front() == '\'')) {
          value = value.substr(1, value.size() - 2);
        }
        family = m_sheet.atoms().intern(value);
      } else if (ascii_iequals(name, "src") && source == 0) {
        std::size_t at = std::string_view::npos;
        for (std::size_t k = 0; k + 4 <= value.size(); ++k) {
          if (ascii_iequals(value.substr(k, 4), "url(")) {
            at = k;
            break;
          }
        }
        if (at == std::string_view::npos) continue;
        std::string_view arg = value.substr(at + 4);
        std::size_t close = arg.find(')');
        if (close != std::string_view::npos) arg = arg.substr(0, close);
        arg = trim_css_space(arg);
        if (arg.size() >= 2 && (arg.front() == '"' || arg.front() == '\'') &&
            arg.back() == arg.front()) {
          arg = arg.substr(1, arg.size() - 2);
        }
        if (!arg.empty()) source = m_sheet.atoms().intern(arg);
      }
    }
    if (family && source) m_sheet.add_font_face(family, source);
  }

  // ---- @supports ----

  // Keyword at `pos` (ASCII case-insensitive, not followed by a letter).
  static bool keyword_at(std::string_view s, std::size_t pos, std::string_view word) {
    if (pos + word.size() > s.size() || !ascii_iequals(s.substr(pos, word.size()), word)) {
      return false;
    }
    std::size_t after = pos + word.size();
    if (after < s.size()) {
      char c = s[after];
      if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return false;
    }
    return true;
  }

  static void skip_spaces(std::string_view s, std::size_t& pos) {
    while (pos < s.size() && is_space(s[pos])) ++pos;
  }

  bool supports_condition_holds(std::string_view text) {
    std::size_t pos = 0;
    bool ok = true;
    bool result = read_condition(text, pos, 0, ok);
    skip_spaces(text, pos);
    return ok && pos == text.size() && result;
  }

  bool read_condition(std::string_view s, std::size_t& pos, int depth, bool& ok) {
    bool value = read_term(s, pos, depth, ok);
    for (;;) {
      if (!ok) return false;
      skip_spaces(s, pos);
      bool is_and = keyword_at(s, pos, "and");
      bool is_or = !is_and && keyword_at(s, pos, "or");
      if (!is_and && !is_or) return value;
      pos += is_and ? 3 : 2;
      bool rhs = read_term(s, pos, depth, ok);
      // Strictly left to right: "a and b or c" is "(a and b) or c".
      value = is_and ? (value && rhs) : (value || rhs);
    }
  }

  bool read_term(std::string_view s, std::size_t& pos, int depth, bool& ok) {
    if (depth > 16) {
      ok = false;
      return false;
    }
    skip_spaces(s, pos);
    if (keyword_at(s, pos, "not")) {
      pos += 3;
      return !read_term(s, pos, depth + 1, ok);
    }
    if (pos >= s.size() || s[pos] != '(') {
      ok = false;
      return false;
    }
    // The matching ')'.
    std::size_t open = pos;
    int parens = 0;
    std::size_t i = pos;
    std::size_t close = std::string_view::npos;
    while (i < s.size()) {
      char c = s[i];
      if (c == '"' || c == '\'') {
        i = skip_string(s, i);
        continue;
      }
      if (c == '(') ++parens;
      if (c == ')' && --parens == 0) {
        close = i;
        break;
      }
      ++i;
    }
    if (close == std::string_view::npos) {
      ok = false;
      return false;
    }
    pos = close + 1;
    std::string_view inner = s.substr(open + 1, close - open - 1);
    std::size_t k = 0;
    skip_spaces(inner, k);
    if ((k < inner.size() && inner[k] == '(') || keyword_at(inner, k, "not")) {
      std::size_t inner_pos = 0;
      bool inner_ok = true;
      bool value = read_condition(inner, inner_pos, depth + 1, inner_ok);
      skip_spaces(inner, inner_pos);
      return inner_ok && inner_pos == inner.size() && value;
    }
    // A declaration: holds when it would produce at least one declaration.
    std::vector<Declaration> probe;
    read_declaration(m_sheet, inner, probe);
    return !probe.empty();
  }

  StyleSheet& m_sheet;
  std::vector<Declaration> m_declarations;
};

}  // namespace

int32_t parse_stylesheet(StyleSheet& sheet, std::string_view text) {
  sheet.reset();
  try {
    RuleReader reader(sheet);
    reader.read_rules(text, nullptr, 0);
  } catch (const std::bad_alloc&) {
    return kStatusOutOfMemory;
  }
  return kStatusOk;
}

int32_t parse_declaration_block(StyleSheet& sheet, std::string_view text, DeclarationBlock& out) {
  out = DeclarationBlock{};
  try {
    // The cascade parses `style` attributes in every style pass: a kept buffer spares
    // the system allocator once it has grown.
    thread_local std::vector<Declaration> declarations;
    declarations.clear();
    read_declaration_block(sheet, text, declarations);
    out.declarations = sheet.arena().copy_array(declarations.data(), declarations.size());
    out.count = static_cast<uint16_t>(std::min<std::size_t>(declarations.size(), 0xFFFF));
  } catch (const std::bad_alloc&) {
    out = DeclarationBlock{};
    return kStatusOutOfMemory;
  }
  return kStatusOk;
}

int32_t expand_shorthand(StyleSheet& sheet, std::string_view shorthand, std::string_view value,
                         DeclarationBlock& out) {
  out = DeclarationBlock{};
  try {
    ValueTokens tokens;
    if (!tokenize_value(trim_css_space(value), tokens) || tokens.has_var) return kStatusOk;
    char lower[64];
    if (shorthand.size() >= sizeof lower) return kStatusOk;
    for (std::size_t i = 0; i < shorthand.size(); ++i) lower[i] = ascii_lower(shorthand[i]);
    std::string_view name(lower, shorthand.size());
    // Kept between calls (the cascade expands var() shorthands in every style pass).
    thread_local std::vector<Declaration> declarations;
    declarations.clear();
    if (tokens.count == 1 &&
        (tokens.tokens[0].is_ident("inherit") || tokens.tokens[0].is_ident("initial"))) {
      if (const Shorthand* s = find_shorthand(name)) {
        uint16_t k = tokens.tokens[0].is_ident("inherit") ? kw::Inherit : kw::Initial;
        for (PropertyId longhand : s->longhands) {
          Declaration d;
          d.property = longhand;
          d.value = CssValue::make_keyword(k);
          declarations.push_back(d);
        }
      }
    } else if (!expand_shorthand_tokens(sheet, name, tokens, declarations)) {
      return kStatusOk;
    }
    out.declarations = sheet.arena().copy_array(declarations.data(), declarations.size());
    out.count = static_cast<uint16_t>(declarations.size());
  } catch (const std::bad_alloc&) {
    out = DeclarationBlock{};
    return kStatusOutOfMemory;
  }
  return kStatusOk;
}

}  // namespace orlan::css
