// Declaration blocks: splitting, names, !important, custom properties, var(), and the
// hand-off to the value parsers and the shorthand expander.

#include <cstring>
#include <functional>

#include "sheet_reader.h"
#include "value_parser.h"

namespace orlan::css {

namespace {

constexpr std::size_t kMaxNameLength = 48;

bool is_trim_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Leading comments before a declaration's name.
std::string_view skip_leading_comments(std::string_view s) {
  for (;;) {
    s = trim_css_space(s);
    if (s.size() < 2 || s[0] != '/' || s[1] != '*') return s;
    std::size_t close = s.find("*/", 2);
    if (close == std::string_view::npos) return {};
    s.remove_prefix(close + 2);
  }
}

bool store_raw(StyleSheet& sheet, std::string_view text, CssValue& out) {
  // Custom-property text keeps its inner spacing; only the ends are trimmed.
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n')) {
    text.remove_suffix(1);
  }
  if (text.size() > 0xFFFF) return false;
  out = CssValue{};
  out.type = ValueType::RawText;
  out.text = sheet.arena().copy_text(text).data();
  out.count = static_cast<uint16_t>(text.size());
  return true;
}

}  // namespace

std::string_view trim_css_space(std::string_view s) {
  while (!s.empty() && is_trim_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_trim_space(s.back())) s.remove_suffix(1);
  return s;
}

namespace {

struct DeclarationParts {
  std::string_view raw_name;
  char lower[kMaxNameLength];
  std::string_view name;  // lower-cased, in `lower`
  std::string_view value;
  bool important = false;
};

// Name, value and importance of one declaration's text; false when it has no colon, an
// empty name or value, or a name of 48 bytes or more.
bool split_declaration(std::string_view text, DeclarationParts& parts) {
  text = skip_leading_comments(text);
  std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  std::string_view raw_name = trim_css_space(text.substr(0, colon));
  std::string_view value = trim_css_space(text.substr(colon + 1));
  if (raw_name.empty() || value.empty() || raw_name.size() >= kMaxNameLength) return false;
  for (std::size_t i = 0; i < raw_name.size(); ++i) parts.lower[i] = ascii_lower(raw_name[i]);
  parts.raw_name = raw_name;
  parts.name = std::string_view(parts.lower, raw_name.size());
  parts.important = false;
  if (value.size() > 10) {
    std::size_t bang = value.find('!');
    if (bang != std::string_view::npos &&
        ascii_iequals(trim_css_space(value.substr(bang + 1)), "important")) {
      parts.important = true;
      value = trim_css_space(value.substr(0, bang));
      if (value.empty()) return false;
    }
  }
  parts.value = value;
  return true;
}

// Calls `each` with the text of every declaration of a block: split at ';' outside
// parentheses, strings and comments; the end of the block ends the last one.
template <class Each>
void for_each_part(std::string_view block, Each&& each) {
  std::size_t start = 0;
  int depth = 0;
  const std::size_t size = block.size();
  for (std::size_t i = 0; i <= size; ++i) {
    if (i < size) {
      char c = block[i];
      if (c == '"' || c == '\'') {
        // Skip the string (to its quote or a line feed), honouring backslashes.
        ++i;
        while (i < size && block[i] != c && block[i] != '\n') {
          if (block[i] == '\\') ++i;
          ++i;
        }
        if (i >= size) i = size - 1;  // unterminated: the end flushes the last part
        continue;
      }
      if (c == '/' && i + 1 < size && block[i + 1] == '*') {
        std::size_t close = block.find("*/", i + 2);
        i = close == std::string_view::npos ? size - 1 : close + 1;
        continue;
      }
      if (c == '(') ++depth;
      if (c == ')' && depth > 0) --depth;
      if (c != ';' || depth > 0) continue;
    }
    if (i > start) each(block.substr(start, i - start));
    start = i + 1;
  }
}

}  // namespace

void split_declarations(std::string_view block,
                        const std::function<void(std::string_view name, std::string_view value,
                                                 bool important)>& visit) {
  for_each_part(block, [&](std::string_view text) {
    DeclarationParts parts;
    if (split_declaration(text, parts)) visit(parts.name, parts.value, parts.important);
  });
}

void read_declaration(StyleSheet& sheet, std::string_view text, std::vector<Declaration>& out) {
  DeclarationParts parts;
  if (!split_declaration(text, parts)) return;
  std::string_view raw_name = parts.raw_name;
  std::string_view name = parts.name;
  std::string_view value = parts.value;
  bool important = parts.important;

  ValueTokens tokens;
  if (!tokenize_value(value, tokens)) return;  // more than 64 tokens
  const std::size_t first = out.size();

  if (name.size() >= 2 && name[0] == '-' && name[1] == '-') {
    Declaration d;
    d.property = PropertyId::Custom;
    d.aux = sheet.atoms().intern(raw_name);
    if (!store_raw(sheet, value, d.value)) return;
    out.push_back(d);
  } else if (auto id = find_property(name)) {
    Declaration d;
    d.property = *id;
    if (tokens.has_var) {
      if (!store_raw(sheet, value, d.value)) return;
    } else if (!parse_longhand(sheet, *id, tokens, d.value)) {
      return;
    }
    out.push_back(d);
  } else if (find_shorthand(name) != nullptr) {
    if (tokens.has_var) {
      // Expanded by the cascade once var() has been substituted.
      Declaration d;
      d.property = PropertyId::DeferredShorthand;
      d.aux = sheet.atoms().intern(name);
      if (!store_raw(sheet, value, d.value)) return;
      out.push_back(d);
    } else if (!expand_shorthand_tokens(sheet, name, tokens, out)) {
      return;
    }
  } else if (!tokens.has_var) {
    // overflow-x/-y, outline-style, resize; anything else is ignored.
    expand_shorthand_tokens(sheet, name, tokens, out);
  }
  if (important) {
    for (std::size_t i = first; i < out.size(); ++i) out[i].important = 1;
  }
}

void read_declaration_block(StyleSheet& sheet, std::string_view block,
                            std::vector<Declaration>& out) {
  for_each_part(block, [&](std::string_view text) { read_declaration(sheet, text, out); });
}

}  // namespace orlan::css
