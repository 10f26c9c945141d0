// Shorthand expansion: one declaration of a shorthand becomes the declarations of its
// longhands.

#include <cmath>
#include <string>
#include <vector>

#include "style_sheet.h"
#include "value_parser.h"

namespace orlan::css {

namespace {

using P = PropertyId;

constexpr int kMaxComponents = kMaxValueTokens;

// Splits a value into components: single tokens, or a function with its arguments.
int split_components(TokenRange r, TokenRange* out, int max) {
  int n = 0;
  for (int i = 0; i < r.count;) {
    int end = i + 1;
    if (r[i].type == TokenType::Function || r[i].type == TokenType::OpenParen) {
      int close = find_close(r, i);
      if (close < 0) return -1;
      end = close + 1;
    }
    if (n == max) return -1;
    out[n++] = r.sub(i, end);
    i = end;
  }
  return n;
}

bool is_global_keyword(TokenRange part) {
  return part.count == 1 &&
         (part[0].is_ident("inherit") || part[0].is_ident("initial") || part[0].is_ident("unset"));
}

class Expander {
 public:
  Expander(StyleSheet& sheet, const ValueTokens& tokens, std::vector<Declaration>& out)
      : m_sheet(sheet), m_all(tokens), m_out(out), m_mark(out.size()) {}

  // Parses `part` as a value of `id` (never a global keyword inside a shorthand).
  bool parse(PropertyId id, TokenRange part, CssValue& value) {
    if (part.empty() || is_global_keyword(part)) return false;
    ValueTokens sub;
    sub.text = m_all.text;
    sub.count = part.count;
    for (int i = 0; i < part.count; ++i) sub.tokens[i] = part[i];
    return parse_longhand(m_sheet, id, sub, value);
  }

  void emit(PropertyId id, const CssValue& value) {
    Declaration d;
    d.property = id;
    d.value = value;
    m_out.push_back(d);
  }

  bool emit_parsed(PropertyId id, TokenRange part) {
    CssValue value;
    if (!parse(id, part, value)) return false;
    emit(id, value);
    return true;
  }

  bool fail() {
    m_out.resize(m_mark);
    return false;
  }

  TokenRange all() const { return {m_all.tokens, m_all.count}; }
  StyleSheet& sheet() { return m_sheet; }

 private:
  StyleSheet& m_sheet;
  const ValueTokens& m_all;
  std::vector<Declaration>& m_out;
  std::size_t m_mark;
};

// margin, padding, inset, border-width, border-radius, border-color: 1 to 4 values for
// top, right, bottom, left (or the four corners).
bool expand_four(Expander& x, std::span<const PropertyId> longhands) {
  TokenRange parts[kMaxComponents];
  int n = split_components(x.all(), parts, kMaxComponents);
  if (n < 1 || n > 4) return false;
  CssValue values[4];
  for (int k = 0; k < n; ++k) {
    if (!x.parse(longhands[k], parts[k], values[k])) return false;
  }
  static constexpr int kAssign[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 2, 1}, {0, 1, 2, 3}};
  for (int side = 0; side < 4; ++side) x.emit(longhands[side], values[kAssign[n - 1][side]]);
  return true;
}

enum class BorderStyleWord { Missing, Solid, Dashed, Dotted, None };

bool border_style_word(const CssToken& t, BorderStyleWord& out) {
  if (t.is_ident("solid") || t.is_ident("double"))
    out = BorderStyleWord::Solid;
  else if (t.is_ident("dashed"))
    out = BorderStyleWord::Dashed;
  else if (t.is_ident("dotted"))
    out = BorderStyleWord::Dotted;
  else if (t.is_ident("none") || t.is_ident("hidden"))
    out = BorderStyleWord::None;
  else
    return false;
  return true;
}

uint16_t style_keyword(BorderStyleWord w) {
  switch (w) {
    case BorderStyleWord::Solid:
      return kw::Solid;
    case BorderStyleWord::Dashed:
      return kw::Dashed;
    case BorderStyleWord::Dotted:
      return kw::Dotted;
    default:
      return kw::None;
  }
}

// border and border-top/-right/-bottom/-left.
bool expand_border(Expander& x, int side) {
  TokenRange parts[kMaxComponents];
  int n = split_components(x.all(), parts, kMaxComponents);
  if (n < 1 || n > 3) return false;
  bool have_width = false, have_color = false;
  BorderStyleWord style = BorderStyleWord::Missing;
  CssValue width = CssValue::make_length(0, kUnitPx);
  uint32_t color = 0;
  for (int k = 0; k < n; ++k) {
    TokenRange part = parts[k];
    BorderStyleWord word;
    if (part.count == 1 && border_style_word(part[0], word)) {
      if (style != BorderStyleWord::Missing) return false;
      style = word;
      continue;
    }
    int i = 0;
    if (is_color_start(part[0]) && parse_color_at(part, i, color) && i == part.count) {
      if (have_color) return false;
      have_color = true;
      continue;
    }
    if (have_width || !x.parse(P::BorderTopWidth, part, width)) return false;
    if (width.type == ValueType::Keyword) return false;
    have_width = true;
  }
  bool no_style = style == BorderStyleWord::Missing || style == BorderStyleWord::None;
  if (no_style) width = CssValue::make_length(0, kUnitPx);
  static constexpr PropertyId kWidths[4] = {P::BorderTopWidth, P::BorderRightWidth,
                                            P::BorderBottomWidth, P::BorderLeftWidth};
  static constexpr PropertyId kColors[4] = {P::BorderTopColor, P::BorderRightColor,
                                            P::BorderBottomColor, P::BorderLeftColor};
  if (side < 0) {
    for (PropertyId id : kWidths) x.emit(id, width);
    if (have_color) {
      for (PropertyId id : kColors) x.emit(id, CssValue::make_color(color));
    }
    x.emit(P::BorderStyle, CssValue::make_keyword(style_keyword(style)));
  } else {
    x.emit(kWidths[side], width);
    if (have_color) x.emit(kColors[side], CssValue::make_color(color));
    // One side cannot switch the shared style off for the other three.
    if (!no_style) x.emit(P::BorderStyle, CssValue::make_keyword(style_keyword(style)));
  }
  return true;
}

bool expand_outline(Expander& x) {
  TokenRange parts[kMaxComponents];
  int n = split_components(x.all(), parts, kMaxComponents);
  if (n < 1 || n > 3) return false;
  CssValue width = CssValue::make_length(3, kUnitPx);
  uint32_t color = kCurrentColor;
  uint16_t style = kw::Solid;
  bool have_width = false, have_color = false, have_style = false, none = false;
  for (int k = 0; k < n; ++k) {
    TokenRange part = parts[k];
    const CssToken& t = part[0];
    if (part.count == 1 && t.type == TokenType::Ident &&
        (t.is_ident("none") || t.is_ident("dashed") || t.is_ident("dotted") ||
         t.is_ident("solid") || t.is_ident("double") || t.is_ident("groove") ||
         t.is_ident("ridge") || t.is_ident("inset") || t.is_ident("outset") ||
         t.is_ident("auto"))) {
      if (have_style) return false;
      have_style = true;
      if (t.is_ident("none"))
        none = true;
      else if (t.is_ident("dashed"))
        style = kw::Dashed;
      else if (t.is_ident("dotted"))
        style = kw::Dotted;
      continue;
    }
    int i = 0;
    if (is_color_start(t) && parse_color_at(part, i, color) && i == part.count) {
      if (have_color) return false;
      have_color = true;
      continue;
    }
    if (have_width || !x.parse(P::OutlineWidth, part, width)) return false;
    if (width.type == ValueType::Keyword) return false;
    have_width = true;
  }
  if (none) width = CssValue::make_length(0, kUnitPx);
  x.emit(P::OutlineWidth, width);
  x.emit(P::OutlineColor, CssValue::make_color(color));
  x.emit(P::OutlineStyle, CssValue::make_keyword(style));
  return true;
}

bool expand_font(Expander& x) {
  TokenRange all = x.all();
  uint16_t style = kw::Normal;
  float weight = 400;
  int i = 0;
  CssValue size;
  for (;; ++i) {
    if (i >= all.count) return false;
    const CssToken& t = all[i];
    if (t.is_ident("normal")) continue;
    if (t.is_ident("italic")) {
      style = kw::Italic;
      continue;
    }
    if (t.is_ident("bold") || t.is_ident("bolder")) {
      weight = 700;
      continue;
    }
    if (t.is_ident("lighter")) {
      weight = 300;
      continue;
    }
    if (t.type == TokenType::Number && t.number >= 100 && t.number <= 900) {
      weight = t.number;
      continue;
    }
    if (t.type == TokenType::Ident) return false;
    break;
  }
  // The size: one length or a calc().
  int size_end = i + 1;
  if (all[i].type == TokenType::Function) {
    int close = find_close(all, i);
    if (close < 0) return false;
    size_end = close + 1;
  }
  if (!x.parse(P::FontSize, all.sub(i, size_end), size) || size.type == ValueType::Keyword) {
    return false;
  }
  i = size_end;
  CssValue line_height = CssValue::make_keyword(kw::Normal);
  if (i < all.count && all[i].is_delim('/')) {
    if (i + 1 >= all.count) return false;
    if (!x.parse(P::LineHeight, all.sub(i + 1, i + 2), line_height)) return false;
    i += 2;
  }
  if (i >= all.count) return false;  // the family is required
  CssValue family;
  if (!x.parse(P::FontFamily, all.sub(i, all.count), family)) return false;
  x.emit(P::FontStyle, CssValue::make_keyword(style));
  x.emit(P::FontWeight, CssValue::make_number(weight));
  x.emit(P::FontSize, size);
  x.emit(P::LineHeight, line_height);
  x.emit(P::FontFamily, family);
  return true;
}

// gap, grid-gap, border-spacing: one or two lengths, the second defaulting to the first.
bool expand_pair(Expander& x, std::span<const PropertyId> longhands) {
  TokenRange parts[kMaxComponents];
  int n = split_components(x.all(), parts, kMaxComponents);
  if (n < 1 || n > 2) return false;
  CssValue first, second;
  if (!x.parse(longhands[0], parts[0], first)) return false;
  if (!x.parse(longhands[1], parts[n - 1], second)) return false;
  x.emit(longhands[0], first);
  x.emit(longhands[1], second);
  return true;
}

bool expand_flex(Expander& x) {
  TokenRange all = x.all();
  if (all.count == 1 && (all[0].is_ident("none") || all[0].is_ident("auto"))) {
    float f = all[0].is_ident("none") ? 0.0f : 1.0f;
    x.emit(P::FlexGrow, CssValue::make_number(f));
    x.emit(P::FlexShrink, CssValue::make_number(f));
    x.emit(P::FlexBasis, CssValue::make_length(0, kUnitAuto));
    return true;
  }
  TokenRange parts[kMaxComponents];
  int n = split_components(all, parts, kMaxComponents);
  if (n < 1 || n > 3) return false;
  float numbers[2] = {0, 1};
  int number_count = 0;
  bool have_basis = false;
  CssValue basis = CssValue::make_length(0, kUnitPx);
  for (int k = 0; k < n; ++k) {
    TokenRange part = parts[k];
    if (have_basis) return false;  // the basis comes last
    // Up to two plain numbers; a third (even a plain 0) can only be the basis.
    if (part.count == 1 && part[0].type == TokenType::Number && number_count < 2) {
      if (!(part[0].number >= 0) || !std::isfinite(part[0].number)) return false;
      numbers[number_count++] = part[0].number;
      continue;
    }
    if (!x.parse(P::FlexBasis, part, basis) || basis.type == ValueType::Keyword) return false;
    have_basis = true;
  }
  // A basis alone grows like "flex: 1 1 <basis>".
  if (number_count == 0) numbers[0] = 1;
  x.emit(P::FlexGrow, CssValue::make_number(numbers[0]));
  x.emit(P::FlexShrink, CssValue::make_number(number_count >= 2 ? numbers[1] : 1.0f));
  x.emit(P::FlexBasis, basis);
  return true;
}

bool expand_keywords_any_order(Expander& x, std::span<const PropertyId> longhands) {
  TokenRange parts[kMaxComponents];
  int n = split_components(x.all(), parts, kMaxComponents);
  if (n < 1 || n > static_cast<int>(longhands.size())) return false;
  bool done[4] = {};
  for (int k = 0; k < n; ++k) {
    bool taken = false;
    for (std::size_t l = 0; l < longhands.size() && !taken; ++l) {
      CssValue value;
      if (done[l] || !x.parse(longhands[l], parts[k], value)) continue;
      x.emit(longhands[l], value);
      done[l] = true;
      taken = true;
    }
    if (!taken) return false;
  }
  return true;
}

bool expand_list_style(Expander& x) {
  TokenRange parts[kMaxComponents];
  int n = split_components(x.all(), parts, kMaxComponents);
  if (n < 1 || n > 2) return false;
  bool have_type = false, have_position = false;
  for (int k = 0; k < n; ++k) {
    CssValue value;
    if (!have_position && x.parse(P::ListStylePosition, parts[k], value)) {
      x.emit(P::ListStylePosition, value);
      have_position = true;
    } else if (!have_type && x.parse(P::ListStyleType, parts[k], value)) {
      x.emit(P::ListStyleType, value);
      have_type = true;
    } else {
      return false;
    }
  }
  return true;
}

// grid-row, grid-column: "a" or "a / b" (a missing end is auto).
bool expand_grid_lines(Expander& x, PropertyId start, PropertyId end) {
  TokenRange all = x.all();
  int slash = -1;
  for (int i = 0; i < all.count; ++i) {
    if (all[i].is_delim('/')) {
      if (slash >= 0) return false;
      slash = i;
    }
  }
  CssValue a, b;
  if (slash < 0) {
    if (!x.parse(start, all, a)) return false;
    b = CssValue{};
    b.type = ValueType::GridLine;
  } else {
    if (!x.parse(start, all.sub(0, slash), a) || !x.parse(end, all.sub(slash + 1, all.count), b)) {
      return false;
    }
  }
  x.emit(start, a);
  x.emit(end, b);
  return true;
}

bool expand_grid_area(Expander& x) {
  TokenRange all = x.all();
  static constexpr PropertyId kOrder[4] = {P::GridRowStart, P::GridColumnStart, P::GridRowEnd,
                                           P::GridColumnEnd};
  int begin = 0, part = 0;
  bool slashed = false;
  CssValue lines[4];
  for (CssValue& v : lines) v.type = ValueType::GridLine;
  for (int i = 0; i <= all.count; ++i) {
    if (i < all.count && !all[i].is_delim('/')) continue;
    if (i < all.count) slashed = true;
    if (part == 4) return false;
    if (!x.parse(kOrder[part], all.sub(begin, i), lines[part])) {
      if (slashed || part > 0) return false;
      // Without a slash the value is one area name.
      return x.emit_parsed(P::GridArea, all);
    }
    ++part;
    begin = i + 1;
  }
  for (int k = 0; k < 4; ++k) x.emit(kOrder[k], lines[k]);
  return true;
}

bool expand_place(Expander& x, PropertyId first, PropertyId second) {
  TokenRange parts[kMaxComponents];
  int n = split_components(x.all(), parts, kMaxComponents);
  if (n < 1 || n > 2) return false;
  CssValue a, b;
  if (!x.parse(first, parts[0], a) || !x.parse(second, parts[n - 1], b)) return false;
  x.emit(first, a);
  x.emit(second, b);
  return true;
}

bool expand_background(Expander& x) {
  TokenRange parts[kMaxComponents];
  TokenRange all = x.all();
  int n = split_components(all, parts, kMaxComponents);
  if (n < 1) return false;
  CssValue color = CssValue::make_color(0);
  CssValue image = CssValue::make_keyword(kw::None);
  CssValue repeat = CssValue::make_keyword(kw::Repeat);
  CssValue position, size;
  bool have_color = false, have_image = false, have_repeat = false, have_position = false,
       have_size = false;
  for (int k = 0; k < n;) {
    TokenRange part = parts[k];
    CssValue value;
    if (!have_color && x.parse(P::BackgroundColor, part, value)) {
      color = value;
      have_color = true;
      ++k;
      continue;
    }
    if (!have_image && x.parse(P::BackgroundImage, part, value)) {
      image = value;
      have_image = true;
      ++k;
      continue;
    }
    if (!have_repeat && x.parse(P::BackgroundRepeat, part, value)) {
      repeat = value;
      have_repeat = true;
      ++k;
      continue;
    }
    if (!have_position) {
      // One or two position components, then optionally "/" and the size.
      int take = 0;
      for (int len = 2; len >= 1 && !take; --len) {
        if (k + len > n) continue;
        TokenRange joined = all.sub(
            static_cast<int>(parts[k].tokens - all.tokens),
            static_cast<int>(parts[k + len - 1].tokens - all.tokens) + parts[k + len - 1].count);
        if (x.parse(P::BackgroundPosition, joined, value)) take = len;
      }
      if (take) {
        position = value;
        have_position = true;
        k += take;
        if (k < n && parts[k].count == 1 && parts[k][0].is_delim('/')) {
          ++k;
          int size_take = 0;
          for (int len = 2; len >= 1 && !size_take; --len) {
            if (k + len > n) continue;
            TokenRange joined = all.sub(static_cast<int>(parts[k].tokens - all.tokens),
                                        static_cast<int>(parts[k + len - 1].tokens - all.tokens) +
                                            parts[k + len - 1].count);
            if (x.parse(P::BackgroundSize, joined, value)) size_take = len;
          }
          if (!size_take) return false;
          size = value;
          have_size = true;
          k += size_take;
        }
        continue;
      }
    }
    return false;
  }
  if (!have_position) {
    CssLength origin[2] = {{0, kUnitPercent}, {0, kUnitPercent}};
    position.type = ValueType::PositionPair;
    position.count = 2;
    position.pair = x.sheet().arena().copy_array(origin, 2);
  }
  if (!have_size) {
    CssLength automatic[2] = {{0, kUnitAuto}, {0, kUnitAuto}};
    size.type = ValueType::PositionPair;
    size.count = 2;
    size.pair = x.sheet().arena().copy_array(automatic, 2);
  }
  x.emit(P::BackgroundColor, color);
  x.emit(P::BackgroundImage, image);
  x.emit(P::BackgroundSize, size);
  x.emit(P::BackgroundPosition, position);
  x.emit(P::BackgroundRepeat, repeat);
  return true;
}

}  // namespace

namespace {

constexpr PropertyId kOverflowOnly[] = {P::Overflow};
constexpr PropertyId kOutlineStyleOnly[] = {P::OutlineStyle};

// What a name the expander knows sets, for the global keywords; false for other names.
bool longhands_of(std::string_view name, std::span<const PropertyId>& longhands) {
  if (name == "resize") {
    longhands = {};
  } else if (name == "overflow-x" || name == "overflow-y") {
    longhands = kOverflowOnly;
  } else if (name == "outline-style") {
    longhands = kOutlineStyleOnly;
  } else if (const Shorthand* s = find_shorthand(name)) {
    longhands = s->longhands;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool expand_shorthand_tokens(StyleSheet& sheet, std::string_view name, const ValueTokens& tokens,
                             std::vector<Declaration>& out) {
  Expander x(sheet, tokens, out);
  // inherit, initial and unset alone are valid for every property: each longhand the name
  // sets gets the keyword.
  if (is_global_keyword(x.all())) {
    std::span<const PropertyId> longhands;
    if (!longhands_of(name, longhands)) return false;
    const CssToken& word = tokens.tokens[0];
    uint16_t k = word.is_ident("inherit")   ? kw::Inherit
                 : word.is_ident("initial") ? kw::Initial
                                            : kw::Unset;
    for (PropertyId longhand : longhands) x.emit(longhand, CssValue::make_keyword(k));
    return true;
  }
  if (name == "resize") return true;  // accepted, nothing to set
  if (tokens.count == 0) return false;
  bool ok = false;
  if (name == "overflow-x" || name == "overflow-y") {
    ok = x.emit_parsed(P::Overflow, x.all());
  } else if (name == "outline-style") {
    ok = x.emit_parsed(P::OutlineStyle, x.all());
  } else if (name == "border") {
    ok = expand_border(x, -1);
  } else if (name == "border-top") {
    ok = expand_border(x, 0);
  } else if (name == "border-right") {
    ok = expand_border(x, 1);
  } else if (name == "border-bottom") {
    ok = expand_border(x, 2);
  } else if (name == "border-left") {
    ok = expand_border(x, 3);
  } else if (name == "outline") {
    ok = expand_outline(x);
  } else if (name == "font") {
    ok = expand_font(x);
  } else if (name == "flex") {
    ok = expand_flex(x);
  } else if (name == "flex-flow") {
    ok = expand_keywords_any_order(x, find_shorthand(name)->longhands);
  } else if (name == "list-style") {
    ok = expand_list_style(x);
  } else if (name == "grid-row") {
    ok = expand_grid_lines(x, P::GridRowStart, P::GridRowEnd);
  } else if (name == "grid-column") {
    ok = expand_grid_lines(x, P::GridColumnStart, P::GridColumnEnd);
  } else if (name == "grid-area") {
    ok = expand_grid_area(x);
  } else if (name == "place-content") {
    ok = expand_place(x, P::AlignContent, P::JustifyContent);
  } else if (name == "place-items") {
    ok = expand_place(x, P::AlignItems, P::JustifyItems);
  } else if (name == "place-self") {
    ok = expand_place(x, P::AlignSelf, P::JustifySelf);
  } else if (name == "background") {
    ok = expand_background(x);
  } else if (name == "gap" || name == "grid-gap" || name == "border-spacing") {
    ok = expand_pair(x, find_shorthand(name)->longhands);
  } else if (const Shorthand* s = find_shorthand(name)) {
    // margin, padding, inset, border-width, border-radius, border-color
    ok = expand_four(x, s->longhands);
  } else {
    return false;
  }
  if (!ok) return x.fail();
  return true;
}

}  // namespace orlan::css
