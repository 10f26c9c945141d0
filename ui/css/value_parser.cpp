// Values of single properties: keywords, lengths, numbers, colours, names, and the
// dispatch to the value families (transforms, filters, shadows, gradients, grid,
// transitions, animations).

#include <cmath>
#include <string>

#include "style_sheet.h"
#include "value_parser.h"

namespace orlan::css {

namespace {

using P = PropertyId;

enum class Grammar : uint8_t {
  KeywordOnly,
  Length,  // lengths, percentages, calc(); row keywords (auto -> length auto)
  Color,
  Opacity,
  NonNegativeNumber,
  Integer,  // truncated
  LineClamp,
  LineHeight,
  AspectRatio,
  FontWeight,
  FontFamily,
  TextDecoration,
  Transform,
  IndividualTransform,
  Position,
  BackgroundImage,
  BackgroundSize,
  BackgroundRepeat,
  Shadow,
  Filter,
  Transition,
  Animation,
  TrackList,
  SingleTrack,
  GridLine,
  GridAreas,
  AreaName,
  Content,
};

Grammar grammar_of(PropertyId id) {
  switch (id) {
    case P::Width:
    case P::Height:
    case P::MinWidth:
    case P::MinHeight:
    case P::MaxWidth:
    case P::MaxHeight:
    case P::MarginTop:
    case P::MarginRight:
    case P::MarginBottom:
    case P::MarginLeft:
    case P::PaddingTop:
    case P::PaddingRight:
    case P::PaddingBottom:
    case P::PaddingLeft:
    case P::Top:
    case P::Right:
    case P::Bottom:
    case P::Left:
    case P::FlexBasis:
    case P::RowGap:
    case P::ColumnGap:
    case P::BorderTopWidth:
    case P::BorderRightWidth:
    case P::BorderBottomWidth:
    case P::BorderLeftWidth:
    case P::BorderTopLeftRadius:
    case P::BorderTopRightRadius:
    case P::BorderBottomRightRadius:
    case P::BorderBottomLeftRadius:
    case P::BorderSpacingX:
    case P::BorderSpacingY:
    case P::TextIndent:
    case P::FontSize:
    case P::OutlineWidth:
    case P::OutlineOffset:
    case P::LetterSpacing:
      return Grammar::Length;
    case P::Color:
    case P::AccentColor:
    case P::CaretColor:
    case P::BackgroundColor:
    case P::BorderTopColor:
    case P::BorderRightColor:
    case P::BorderBottomColor:
    case P::BorderLeftColor:
    case P::OutlineColor:
      return Grammar::Color;
    case P::Opacity:
      return Grammar::Opacity;
    case P::FlexGrow:
    case P::FlexShrink:
      return Grammar::NonNegativeNumber;
    case P::ZIndex:
    case P::Order:
      return Grammar::Integer;
    case P::LineClamp:
      return Grammar::LineClamp;
    case P::LineHeight:
      return Grammar::LineHeight;
    case P::AspectRatio:
      return Grammar::AspectRatio;
    case P::FontWeight:
      return Grammar::FontWeight;
    case P::FontFamily:
      return Grammar::FontFamily;
    case P::TextDecoration:
      return Grammar::TextDecoration;
    case P::Transform:
      return Grammar::Transform;
    case P::Translate:
    case P::Rotate:
    case P::Scale:
      return Grammar::IndividualTransform;
    case P::TransformOrigin:
    case P::ObjectPosition:
    case P::BackgroundPosition:
      return Grammar::Position;
    case P::BackgroundImage:
      return Grammar::BackgroundImage;
    case P::BackgroundSize:
      return Grammar::BackgroundSize;
    case P::BackgroundRepeat:
      return Grammar::BackgroundRepeat;
    case P::BoxShadow:
    case P::TextShadow:
      return Grammar::Shadow;
    case P::Filter:
    case P::BackdropFilter:
      return Grammar::Filter;
    case P::Transition:
      return Grammar::Transition;
    case P::Animation:
      return Grammar::Animation;
    case P::GridTemplateColumns:
    case P::GridTemplateRows:
      return Grammar::TrackList;
    case P::GridAutoColumns:
    case P::GridAutoRows:
      return Grammar::SingleTrack;
    case P::GridColumnStart:
    case P::GridColumnEnd:
    case P::GridRowStart:
    case P::GridRowEnd:
      return Grammar::GridLine;
    case P::GridTemplateAreas:
      return Grammar::GridAreas;
    case P::GridArea:
      return Grammar::AreaName;
    case P::Content:
      return Grammar::Content;
    default:
      return Grammar::KeywordOnly;
  }
}

bool single_number(TokenRange r, float& n) {
  if (r.count != 1 || r[0].type != TokenType::Number || !std::isfinite(r[0].number)) {
    return false;
  }
  n = r[0].number;
  return true;
}

bool parse_length_value(StyleSheet& sheet, TokenRange r, CssValue& out) {
  if (r.count == 1) {
    auto length = length_from_token(r[0]);
    if (!length) return false;
    out = CssValue::make_length(length->value, length->unit);
    return true;
  }
  return parse_calc(sheet, r, out);
}

bool parse_text_decoration(TokenRange r, CssValue& out) {
  uint32_t lines = 0;
  for (int i = 0; i < r.count; ++i) {
    uint32_t bit;
    if (r[i].is_ident("underline")) {
      bit = kDecorationUnderline;
    } else if (r[i].is_ident("line-through")) {
      bit = kDecorationLineThrough;
    } else if (r[i].is_ident("none") && r.count == 1) {
      bit = 0;
    } else {
      return false;
    }
    if (lines & bit) return false;  // a repeated keyword
    lines |= bit;
  }
  out = CssValue::make_number(static_cast<float>(lines));
  return true;
}

bool parse_content(StyleSheet& sheet, TokenRange r, CssValue& out) {
  constexpr std::size_t kMaxContent = 511;
  std::string text;
  for (int i = 0; i < r.count; ++i) {
    if (r[i].type != TokenType::String) return false;
    unescape_string(r[i].text, text);
  }
  if (text.size() > kMaxContent) {
    // Cut at a character boundary.
    std::size_t cut = kMaxContent;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
  }
  out = CssValue::make_name(sheet.atoms().intern(text));
  return true;
}

std::string_view trim(std::string_view s) {
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

bool parse_longhand(StyleSheet& sheet, PropertyId property, const ValueTokens& tokens,
                    CssValue& out) {
  TokenRange r{tokens.tokens, tokens.count};
  if (r.empty()) return false;

  if (r.count == 1 && r[0].type == TokenType::Ident) {
    uint16_t k = find_keyword(r[0].text);
    if (k == kw::Inherit || k == kw::Initial || k == kw::Unset) {
      out = CssValue::make_keyword(k);
      return true;
    }
    // "none" on a shadow property is the empty shadow list, like box-shadow's.
    if (k != kNoKeyword && property_accepts_keyword(property, k) &&
        grammar_of(property) != Grammar::Shadow) {
      Grammar g = grammar_of(property);
      if (g == Grammar::Length && k == kw::Auto) {
        out = CssValue::make_length(0, kUnitAuto);
      } else if (g == Grammar::FontWeight) {
        float weight = k == kw::Lighter ? 300.0f : (k == kw::Normal ? 400.0f : 700.0f);
        out = CssValue::make_number(weight);
      } else if (g == Grammar::TextDecoration) {
        return parse_text_decoration(r, out);
      } else {
        out = CssValue::make_keyword(k);
      }
      return true;
    }
  }

  float n;
  switch (grammar_of(property)) {
    case Grammar::KeywordOnly:
      return false;
    case Grammar::Length:
      return parse_length_value(sheet, r, out);
    case Grammar::Color: {
      int i = 0;
      uint32_t color;
      if (!parse_color_at(r, i, color) || i != r.count) return false;
      out = CssValue::make_color(color);
      return true;
    }
    case Grammar::Opacity:
      if (!single_number(r, n) || n < 0) return false;
      out = CssValue::make_number(n > 1 ? 1.0f : n);
      return true;
    case Grammar::NonNegativeNumber:
    case Grammar::FontWeight:
      if (!single_number(r, n) || n < 0) return false;
      out = CssValue::make_number(n);
      return true;
    case Grammar::Integer:
      if (!single_number(r, n) || std::fabs(n) > 2147483520.0f) return false;
      out = CssValue::make_number(std::trunc(n));
      return true;
    case Grammar::LineClamp:
      if (!single_number(r, n) || n < 1 || n != std::floor(n)) return false;
      out = CssValue::make_number(n);
      return true;
    case Grammar::LineHeight:
      if (single_number(r, n)) {
        if (n < 0) return false;
        out = CssValue::make_number(n);
        return true;
      }
      return parse_length_value(sheet, r, out);
    case Grammar::AspectRatio: {
      float a, b;
      if (single_number(r, a)) {
        if (!(a > 0)) return false;
        out = CssValue::make_number(a);
        return true;
      }
      if (r.count != 3 || !r[1].is_delim('/') || !single_number(r.sub(0, 1), a) ||
          !single_number(r.sub(2, 3), b) || !(a > 0) || !(b > 0)) {
        return false;
      }
      out = CssValue::make_number(a / b);
      return std::isfinite(out.number) && out.number > 0;
    }
    case Grammar::FontFamily: {
      // The family is the text the tokens span, kept whole ("Segoe UI", sans-serif).
      std::size_t begin = r[0].start;
      std::size_t end = r[r.count - 1].end;
      if (end > tokens.text.size() || end < begin) return false;
      std::string_view family = trim(tokens.text.substr(begin, end - begin));
      if (family.empty()) return false;
      out = CssValue::make_name(sheet.atoms().intern(family));
      return true;
    }
    case Grammar::TextDecoration:
      return parse_text_decoration(r, out);
    case Grammar::Transform:
      return parse_transform_list(sheet, r, out);
    case Grammar::IndividualTransform:
      return parse_individual_transform(sheet, property, r, out);
    case Grammar::Position:
      return parse_position_pair(sheet, r, out);
    case Grammar::BackgroundImage:
      return parse_background_image(sheet, tokens, r, out);
    case Grammar::BackgroundSize:
      return parse_background_size(sheet, r, out);
    case Grammar::BackgroundRepeat: {
      if (r.count != 1 || r[0].type != TokenType::Ident) return false;
      uint16_t k = find_keyword(r[0].text);
      if (k != kw::Repeat && k != kw::NoRepeat && k != kw::RepeatX && k != kw::RepeatY) {
        return false;
      }
      out = CssValue::make_keyword(k);
      return true;
    }
    case Grammar::Shadow:
      return parse_shadow_list(sheet, r, out);
    case Grammar::Filter:
      return parse_filter_list(sheet, r, out);
    case Grammar::Transition:
      return parse_transition_list(sheet, r, out);
    case Grammar::Animation:
      return parse_animation_list(sheet, r, out);
    case Grammar::TrackList:
      return parse_track_list(sheet, r, out);
    case Grammar::SingleTrack:
      return parse_single_track(sheet, r, out);
    case Grammar::GridLine:
      return parse_grid_line(r, out);
    case Grammar::GridAreas:
      return parse_grid_areas(sheet, r, out);
    case Grammar::AreaName:
      if (r.count != 1) return false;
      if (r[0].type == TokenType::Ident) {
        out = CssValue::make_name(sheet.atoms().intern(r[0].text));
        return true;
      }
      if (r[0].type == TokenType::String) {
        std::string name;
        unescape_string(r[0].text, name);
        out = CssValue::make_name(sheet.atoms().intern(name));
        return true;
      }
      return false;
    case Grammar::Content:
      if (r.count == 1 && (r[0].is_ident("none") || r[0].is_ident("normal"))) {
        out = CssValue::make_keyword(r[0].is_ident("none") ? kw::None : kw::Normal);
        return true;
      }
      return parse_content(sheet, r, out);
  }
  return false;
}

bool parse_property_value(StyleSheet& sheet, PropertyId property, std::string_view value,
                          CssValue& out) {
  if (to_index(property) >= to_index(PropertyId::Custom)) return false;
  try {
    ValueTokens tokens;
    std::string_view text = trim(value);
    if (text.empty() || !tokenize_value(text, tokens)) return false;
    if (tokens.has_var) {
      CssValue raw;
      raw.type = ValueType::RawText;
      if (text.size() > 0xFFFF) return false;
      raw.text = sheet.arena().copy_text(text).data();
      raw.count = static_cast<uint16_t>(text.size());
      out = raw;
      return true;
    }
    return parse_longhand(sheet, property, tokens, out);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace orlan::css
