// var() substitution: references to custom properties replaced by their text, nested up
// to eight levels, with the output and the total work bounded.

#include <new>

#include "style_state.h"

namespace orlan::style {

namespace {

struct Substitution {
  const Document& document;
  const ComputedStyle& style;
  std::string& out;
  std::size_t work = 0;
};

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

// Index of "var(" at or after `from` that starts a function name, or npos.
std::size_t find_var(std::string_view text, std::size_t from) {
  for (;;) {
    std::size_t at = text.find("var(", from);
    if (at == std::string_view::npos) return at;
    if (at == 0 || !is_name_char(text[at - 1])) return at;
    from = at + 4;
  }
}

// Index of the ")" that closes a parenthesis opened just before `from`, or npos.
// Parentheses inside quoted strings do not count.
std::size_t find_balancing_close(std::string_view text, std::size_t from) {
  int depth = 1;
  char quote = 0;
  for (std::size_t i = from; i < text.size(); ++i) {
    char c = text[i];
    if (quote) {
      if (c == '\\') {
        ++i;
      } else if (c == quote) {
        quote = 0;
      }
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

bool expand(Substitution& s, std::string_view text, int depth) {
  s.work += text.size();
  if (s.work > kMaxSubstitutionWork) return false;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t at = find_var(text, i);
    if (at == std::string_view::npos) {
      s.out.append(text.substr(i));
      break;
    }
    s.out.append(text.substr(i, at - i));
    std::size_t p = at + 4;
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
    std::size_t name_start = p;
    while (p < text.size() && text[p] != ' ' && text[p] != '\t' && text[p] != ')' && text[p] != ',')
      ++p;
    std::string_view name = text.substr(name_start, p - name_start);
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
    bool has_fallback = p < text.size() && text[p] == ',';
    std::size_t close = find_balancing_close(text, p);
    if (close == std::string_view::npos) return false;
    if (!has_fallback) {
      // Only spaces may stand between the name and the ")".
      for (std::size_t k = p; k < close; ++k)
        if (!is_space(text[k])) return false;
    }
    if (depth + 1 > kMaxVarDepth) return false;
    Atom atom = s.document.atoms.lookup(name);
    const CustomProperty* found = atom ? find_custom_property(s.style, atom) : nullptr;
    if (found) {
      if (!expand(s, std::string_view(found->text, found->length), depth + 1)) return false;
    } else if (has_fallback) {
      std::string_view fallback = text.substr(p + 1, close - p - 1);
      if (!expand(s, fallback, depth + 1)) return false;
    } else {
      return false;
    }
    if (s.out.size() > kMaxSubstitutedText) return false;
    i = close + 1;
  }
  return s.out.size() <= kMaxSubstitutedText;
}

}  // namespace

bool substitute_var(const Document& document, StyleState& state, const ComputedStyle& style,
                    std::string_view text) noexcept {
  state.var_text.clear();
  try {
    Substitution s{document, style, state.var_text};
    return expand(s, text, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace orlan::style
