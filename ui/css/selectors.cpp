// Selector lists: compound and complex selectors, pseudo-classes and pseudo-elements,
// attribute selectors, :not() :is() :where() :has(), an+b arguments and specificity.

#include "selectors.h"

#include <bit>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "style_sheet.h"
#include "tokenizer.h"
#include "value_parser.h"

namespace orlan::css {

namespace {

struct Specificity {
  uint32_t ids = 0, classes = 0, types = 0;
  uint32_t packed() const { return ids * 65536u + (classes % 256u) * 256u + (types % 256u); }
  void add(const Specificity& o) {
    ids += o.ids;
    classes += o.classes;
    types += o.types;
  }
};

constexpr uint16_t kStructuralBits =
    pc::FirstChild | pc::LastChild | pc::Empty | pc::FirstOfType | pc::LastOfType;

struct PseudoClassName {
  std::string_view name;
  uint16_t bits;
};
constexpr PseudoClassName kPseudoClasses[] = {
    {"hover", pc::Hover},
    {"active", pc::Active},
    {"focus", pc::Focus},
    {"focus-visible", pc::Focus},
    {"disabled", pc::Disabled},
    {"root", pc::Root},
    {"checked", pc::Checked},
    {"first-child", pc::FirstChild},
    {"last-child", pc::LastChild},
    {"only-child", pc::OnlyChild},
    {"empty", pc::Empty},
    {"first-of-type", pc::FirstOfType},
    {"last-of-type", pc::LastOfType},
    {"only-of-type", pc::OnlyOfType},
    {"focus-within", pc::FocusWithin},
    {"enabled", pc::Enabled},
};

// A compound while it is being read.
struct CompoundBuilder {
  uint32_t tag = 0;
  uint32_t id = 0;
  bool has_type = false;  // a type or universal selector was given
  uint32_t classes[kMaxClasses];
  int class_count = 0;
  AttributeSelector attributes[kMaxAttributes];
  int attribute_count = 0;
  uint16_t pseudo_classes = 0;
  bool nth_present = false;
  NthKind nth_kind = NthKind::Child;
  int16_t nth_a = 0, nth_b = 0;
  CompoundSelector nots[kMaxNot];
  Specificity not_specificity;
  int not_count = 0;
  CompoundSelector is_list[kMaxIs];
  int is_count = 0;
  bool is_used = false;
  bool is_where = false;
  Specificity is_specificity;
  CompoundSelector has_list[kMaxHas];
  int has_count = 0;
  bool has_used = false;
  Specificity has_specificity;
  PseudoElement pseudo_element = PseudoElement::None;
  bool any = false;  // at least one simple selector
  Combinator combinator = Combinator::None;

  Specificity specificity() const {
    Specificity s;
    if (id) s.ids = 1;
    s.classes = static_cast<uint32_t>(class_count + std::popcount(pseudo_classes) +
                                      attribute_count + (nth_present ? 1 : 0));
    if (tag) s.types = 1;
    s.add(not_specificity);
    if (!is_where) s.add(is_specificity);
    s.add(has_specificity);
    return s;
  }
};

class SelectorParser {
 public:
  SelectorParser(StyleSheet& sheet, std::string_view text, SelectorFacts& facts,
                 std::vector<CssToken>& tokens)
      : m_sheet(sheet), m_text(text), m_facts(facts), m_tokens(tokens) {
    m_tokens.clear();
    Tokenizer tokenizer(text);
    for (;;) {
      CssToken t = tokenizer.next();
      if (t.type == TokenType::End) break;
      m_tokens.push_back(t);
    }
  }

  int parse_list(const ComplexSelector** out) {
    ComplexSelector selectors[kMaxSelectorsPerRule];
    int count = 0;
    for (;;) {
      if (count == kMaxSelectorsPerRule) return 0;
      if (!parse_complex(selectors[count])) return 0;
      ++count;
      if (at_end()) break;
      ++m_pos;  // the comma
    }
    *out = m_sheet.arena().copy_array(selectors, count);
    return count;
  }

 private:
  bool at_end() const { return m_pos >= m_tokens.size(); }
  const CssToken& peek() const { return m_tokens[m_pos]; }
  void skip_space() {
    while (!at_end() && peek().type == TokenType::Whitespace) ++m_pos;
  }

  static bool starts_compound(const CssToken& t) {
    return t.type == TokenType::Ident || t.type == TokenType::Hash || t.is_delim('*') ||
           t.is_delim('.') || t.type == TokenType::Colon || t.type == TokenType::OpenBracket;
  }

  static bool combinator_of(const CssToken& t, Combinator& c) {
    if (t.is_delim('>'))
      c = Combinator::Child;
    else if (t.is_delim('+'))
      c = Combinator::NextSibling;
    else if (t.is_delim('~'))
      c = Combinator::SubsequentSibling;
    else
      return false;
    return true;
  }

  // One complex selector, ending at a comma (not consumed) or the end.
  bool parse_complex(ComplexSelector& out) {
    // Builders are large (their nested lists live inline); only the ones used are built.
    static_assert(std::is_trivially_destructible_v<CompoundBuilder>);
    alignas(CompoundBuilder) unsigned char storage[kMaxCompounds * sizeof(CompoundBuilder)];
    CompoundBuilder* compounds = reinterpret_cast<CompoundBuilder*>(storage);
    int count = 0;
    Combinator pending = Combinator::None;
    bool saw_space = false;
    skip_space();
    while (!at_end()) {
      const CssToken& t = peek();
      if (t.type == TokenType::Comma) break;
      if (t.type == TokenType::Whitespace) {
        saw_space = true;
        ++m_pos;
        continue;
      }
      Combinator c;
      if (combinator_of(t, c)) {
        if (count == 0 || pending != Combinator::None) return false;
        pending = c;
        saw_space = false;
        ++m_pos;
        continue;
      }
      if (!starts_compound(t)) return false;
      if (count > 0 && pending == Combinator::None && !saw_space) {
        return false;  // cannot happen: a compound reads all it can
      }
      if (count == kMaxCompounds) return false;
      CompoundBuilder& b = *new (&compounds[count]) CompoundBuilder;
      b.combinator = count == 0 ? Combinator::None
                                : (pending != Combinator::None ? pending : Combinator::Descendant);
      if (!parse_compound(b, /*nested=*/false)) return false;
      ++count;
      pending = Combinator::None;
      saw_space = false;
    }
    if (count == 0 || pending != Combinator::None) return false;
    for (int i = 0; i + 1 < count; ++i) {
      if (compounds[i].pseudo_element != PseudoElement::None) return false;
    }
    // Stored subject first.
    CompoundSelector* stored = m_sheet.arena().allocate_array<CompoundSelector>(count);
    Specificity total;
    for (int i = 0; i < count; ++i) {
      stored[count - 1 - i] = store(compounds[i]);
      total.add(compounds[i].specificity());
    }
    PseudoElement pe = compounds[count - 1].pseudo_element;
    if (pe != PseudoElement::None) {
      total.types += 1;
      m_facts.pseudo_element = true;
      if (pe == PseudoElement::Selection) m_facts.selection = true;
    }
    out.compounds = stored;
    out.compound_count = static_cast<uint8_t>(count);
    out.pseudo_element = pe;
    out.specificity = total.packed();
    return true;
  }

  CompoundSelector store(const CompoundBuilder& b) {
    CompoundSelector c;
    c.tag = b.tag;
    c.id = b.id;
    Arena& arena = m_sheet.arena();
    c.classes = arena.copy_array(b.classes, b.class_count);
    c.class_count = static_cast<uint8_t>(b.class_count);
    c.attributes = arena.copy_array(b.attributes, b.attribute_count);
    c.attribute_count = static_cast<uint8_t>(b.attribute_count);
    c.pseudo_classes = b.pseudo_classes;
    c.combinator = b.combinator;
    c.nth_present = b.nth_present ? 1 : 0;
    c.nth_kind = b.nth_kind;
    c.nth_a = b.nth_a;
    c.nth_b = b.nth_b;
    c.not_list = arena.copy_array(b.nots, b.not_count);
    c.not_count = static_cast<uint8_t>(b.not_count);
    c.is_list = arena.copy_array(b.is_list, b.is_count);
    c.is_count = static_cast<uint8_t>(b.is_count);
    c.has_list = arena.copy_array(b.has_list, b.has_count);
    c.has_count = static_cast<uint8_t>(b.has_count);
    return c;
  }

  // Reads simple selectors until something that cannot continue the compound. With
  // `nested`, whitespace is skipped (so ":is(.a .b)" is one compound) and the functional
  // pseudo-classes and pseudo-elements are refused.
  bool parse_compound(CompoundBuilder& b, bool nested) {
    while (!at_end()) {
      const CssToken& t = peek();
      if (nested && t.type == TokenType::Whitespace) {
        ++m_pos;
        continue;
      }
      if (t.type == TokenType::Ident || t.is_delim('*')) {
        // A type or universal selector comes first in its compound.
        if (b.has_type || b.id || b.class_count || b.pseudo_classes || b.nth_present ||
            b.not_count || b.is_used || b.has_used || b.pseudo_element != PseudoElement::None) {
          return false;
        }
        b.has_type = true;
        if (t.type == TokenType::Ident) b.tag = m_sheet.atoms().intern_lower(t.text);
        ++m_pos;
      } else if (t.type == TokenType::Hash) {
        if (b.id) return false;
        b.id = m_sheet.atoms().intern(t.text);
        ++m_pos;
      } else if (t.is_delim('.')) {
        ++m_pos;
        if (at_end() || peek().type != TokenType::Ident) return false;
        if (b.class_count == kMaxClasses) return false;
        b.classes[b.class_count++] = m_sheet.atoms().intern(peek().text);
        ++m_pos;
      } else if (t.type == TokenType::OpenBracket) {
        ++m_pos;
        if (!parse_attribute(b)) return false;
      } else if (t.type == TokenType::Colon) {
        ++m_pos;
        if (!parse_pseudo(b, nested)) return false;
      } else {
        break;
      }
      b.any = true;
    }
    return b.any;
  }

  bool parse_attribute(CompoundBuilder& b) {
    skip_space();
    if (at_end() || peek().type != TokenType::Ident) return false;
    if (b.attribute_count == kMaxAttributes) return false;
    AttributeSelector& a = b.attributes[b.attribute_count];
    a = AttributeSelector{};
    std::string_view name = peek().text;
    a.name = m_sheet.atoms().intern_lower(name);
    if (name.size() > 5 && ascii_iequals(name.substr(0, 5), "data-")) {
      m_facts.note_data_attribute(a.name);
    }
    ++m_pos;
    skip_space();
    if (at_end()) return false;
    if (peek().type != TokenType::CloseBracket) {
      const CssToken& op = peek();
      if (op.is_delim('=')) {
        a.op = '=';
        ++m_pos;
      } else if (op.is_delim('~') || op.is_delim('|') || op.is_delim('^') || op.is_delim('$') ||
                 op.is_delim('*')) {
        a.op = static_cast<uint8_t>(op.delim);
        ++m_pos;
        if (at_end() || !peek().is_delim('=')) return false;
        ++m_pos;
      } else {
        return false;
      }
      skip_space();
      if (at_end()) return false;
      const CssToken& v = peek();
      std::string value;
      if (v.type == TokenType::Ident) {
        value.assign(v.text);
      } else if (v.type == TokenType::String) {
        unescape_string(v.text, value);
      } else {
        return false;
      }
      a.value = m_sheet.atoms().intern(value);
      a.text = m_sheet.arena().copy_text(value);
      ++m_pos;
      skip_space();
      if (!at_end() && (peek().is_ident("i"))) {
        a.case_insensitive = 1;
        ++m_pos;
        skip_space();
      }
    }
    if (at_end() || peek().type != TokenType::CloseBracket) return false;
    ++m_pos;
    ++b.attribute_count;
    return true;
  }

  bool set_pseudo_element(CompoundBuilder& b, PseudoElement pe) {
    if (b.pseudo_element != PseudoElement::None) return false;
    b.pseudo_element = pe;
    return true;
  }

  bool parse_pseudo(CompoundBuilder& b, bool nested) {
    if (at_end()) return false;
    if (peek().type == TokenType::Colon) {
      // ::name
      ++m_pos;
      if (nested || at_end() || peek().type != TokenType::Ident) return false;
      std::string_view name = peek().text;
      ++m_pos;
      if (ascii_iequals(name, "before")) return set_pseudo_element(b, PseudoElement::Before);
      if (ascii_iequals(name, "after")) return set_pseudo_element(b, PseudoElement::After);
      if (ascii_iequals(name, "placeholder")) {
        return set_pseudo_element(b, PseudoElement::Placeholder);
      }
      if (ascii_iequals(name, "marker")) return set_pseudo_element(b, PseudoElement::Marker);
      if (ascii_iequals(name, "selection")) {
        return set_pseudo_element(b, PseudoElement::Selection);
      }
      return false;
    }
    const CssToken& t = peek();
    if (t.type == TokenType::Ident) {
      ++m_pos;
      if (ascii_iequals(t.text, "before") || ascii_iequals(t.text, "after")) {
        if (nested) return false;
        return set_pseudo_element(
            b, ascii_iequals(t.text, "before") ? PseudoElement::Before : PseudoElement::After);
      }
      for (const auto& entry : kPseudoClasses) {
        if (ascii_iequals(t.text, entry.name)) {
          b.pseudo_classes |= entry.bits;
          if (entry.bits & kStructuralBits) m_facts.structural = true;
          return true;
        }
      }
      return false;
    }
    if (t.type != TokenType::Function) return false;
    std::string_view name = t.text;
    std::size_t open = m_pos;
    ++m_pos;
    // The ')' closing this function.
    std::size_t close = open;
    {
      int depth = 0;
      for (std::size_t i = open; i < m_tokens.size(); ++i) {
        TokenType type = m_tokens[i].type;
        if (type == TokenType::Function || type == TokenType::OpenParen) ++depth;
        if (type == TokenType::CloseParen && --depth == 0) {
          close = i;
          break;
        }
      }
      if (close == open) return false;
    }
    NthKind kind;
    if (nth_kind_of(name, kind)) {
      if (b.nth_present) return false;
      std::size_t begin = m_tokens[open].end;
      std::size_t end = m_tokens[close].start;
      if (!parse_nth_argument(m_text.substr(begin, end - begin), b.nth_a, b.nth_b)) {
        return false;
      }
      b.nth_present = true;
      b.nth_kind = kind;
      m_facts.structural = true;
      m_pos = close + 1;
      return true;
    }
    if (nested) return false;
    bool is = ascii_iequals(name, "is");
    bool where = ascii_iequals(name, "where");
    bool has = ascii_iequals(name, "has");
    bool negation = ascii_iequals(name, "not");
    if (!is && !where && !has && !negation) return false;
    if ((is || where) && b.is_used) return false;
    if (has && b.has_used) return false;
    if (negation && b.not_count == kMaxNot) return false;
    int max = is || where ? kMaxIs : (has ? kMaxHas : 1);
    CompoundSelector* list = is || where ? b.is_list : (has ? b.has_list : &b.nots[b.not_count]);
    int count = 0;
    Specificity largest, sum;
    for (;;) {
      skip_space();
      if (m_pos >= close) return false;  // empty alternative
      Combinator relation = Combinator::Descendant;
      Combinator c;
      if (combinator_of(peek(), c)) {
        if (!has) return false;
        relation = c;
        ++m_pos;
        skip_space();
      }
      if (count == max) return false;
      CompoundBuilder inner;
      // The argument ends at the closing parenthesis; parse within that window.
      std::size_t saved_size = m_tokens.size();
      CssToken saved_close = m_tokens[close];
      m_tokens[close].type = TokenType::End;  // a stop marker the compound reader refuses
      bool ok = parse_compound(inner, /*nested=*/true);
      m_tokens[close] = saved_close;
      (void)saved_size;
      if (!ok) return false;
      inner.combinator = has ? relation : Combinator::None;
      list[count] = store(inner);
      Specificity s = inner.specificity();
      if (s.packed() > largest.packed()) largest = s;
      sum.add(s);
      ++count;
      skip_space();
      if (m_pos == close) break;
      if (peek().type != TokenType::Comma || negation) return false;
      ++m_pos;
    }
    m_pos = close + 1;
    if (is || where) {
      b.is_used = true;
      b.is_where = where;
      b.is_count = count;
      b.is_specificity = largest;
    } else if (has) {
      b.has_used = true;
      b.has_count = count;
      b.has_specificity = largest;
      m_facts.has = true;
    } else {
      b.not_count += 1;
      b.not_specificity.add(sum);
    }
    return true;
  }

  static bool nth_kind_of(std::string_view name, NthKind& kind) {
    if (ascii_iequals(name, "nth-child"))
      kind = NthKind::Child;
    else if (ascii_iequals(name, "nth-last-child"))
      kind = NthKind::LastChild;
    else if (ascii_iequals(name, "nth-of-type"))
      kind = NthKind::OfType;
    else if (ascii_iequals(name, "nth-last-of-type"))
      kind = NthKind::LastOfType;
    else
      return false;
    return true;
  }

  StyleSheet& m_sheet;
  std::string_view m_text;
  SelectorFacts& m_facts;
  std::vector<CssToken>& m_tokens;
  std::size_t m_pos = 0;
};

}  // namespace

void SelectorFacts::note_data_attribute(uint32_t name) {
  for (int i = 0; i < data_attribute_count; ++i) {
    if (data_attributes[i] == name) return;
  }
  if (data_attribute_count == 8) {
    data_overflow = true;
    return;
  }
  data_attributes[data_attribute_count++] = name;
}

bool parse_nth_argument(std::string_view text, int16_t& a, int16_t& b) {
  char buf[32];
  std::size_t n = 0;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n') continue;
    if (n == 31) break;
    buf[n++] = ascii_lower(c);
  }
  std::string_view s(buf, n);
  if (s == "odd") {
    a = 2;
    b = 1;
    return true;
  }
  if (s == "even") {
    a = 2;
    b = 0;
    return true;
  }
  std::size_t i = 0;
  int sign = 1;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    sign = s[i] == '-' ? -1 : 1;
    ++i;
  }
  long digits = 0;
  bool have_digits = false;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    digits = digits * 10 + (s[i] - '0');
    if (digits > 32767) return false;
    have_digits = true;
    ++i;
  }
  if (i == s.size()) {
    if (!have_digits) return false;
    a = 0;
    b = static_cast<int16_t>(sign * digits);
    return true;
  }
  if (s[i] != 'n') return false;
  a = static_cast<int16_t>(sign * (have_digits ? digits : 1));
  ++i;
  if (i == s.size()) {
    b = 0;
    return true;
  }
  if (s[i] != '+' && s[i] != '-') return false;
  int b_sign = s[i] == '-' ? -1 : 1;
  ++i;
  long b_digits = 0;
  bool have_b = false;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    b_digits = b_digits * 10 + (s[i] - '0');
    if (b_digits > 32767) return false;
    have_b = true;
    ++i;
  }
  if (!have_b || i != s.size()) return false;
  b = static_cast<int16_t>(b_sign * b_digits);
  return true;
}

int parse_selector_list(StyleSheet& sheet, std::string_view text, const ComplexSelector** out,
                        SelectorFacts& facts) {
  // The token buffer is reused from rule to rule.
  thread_local std::vector<CssToken> tokens;
  SelectorParser parser(sheet, text, facts, tokens);
  return parser.parse_list(out);
}

}  // namespace orlan::css
