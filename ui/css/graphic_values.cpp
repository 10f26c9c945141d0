// Values that describe how a box is drawn: transforms, filters, shadows, gradients,
// positions and background layers.

#include <cmath>
#include <string>

#include "style_sheet.h"
#include "value_parser.h"

namespace orlan::css {

namespace {

constexpr int kMaxTransforms = 16;
constexpr int kMaxTransformArgs = 6;
constexpr int kMaxFilters = 8;
constexpr int kMaxShadows = 8;
constexpr int kMaxGradientTokens = 64;

CssLength number_arg(float v) {
  return CssLength{v, kUnitNone};
}

// Transform arguments: lengths (no calc), numbers or angles.
int split_args(TokenRange args, TokenRange* parts) {
  if (args.empty()) return 0;
  return split_commas(args, parts, kMaxTransformArgs);
}

bool arg_length(TokenRange part, CssLength& out) {
  if (part.count != 1) return false;
  auto length = length_from_token(part[0]);
  if (!length) return false;
  out = *length;
  return true;
}

bool arg_number(TokenRange part, CssLength& out) {
  if (part.count != 1 || part[0].type != TokenType::Number || !std::isfinite(part[0].number)) {
    return false;
  }
  out = number_arg(part[0].number);
  return true;
}

bool arg_angle(TokenRange part, CssLength& out) {
  if (part.count != 1) return false;
  auto angle = angle_from_token(part[0]);
  if (!angle) return false;
  out = number_arg(*angle);
  return true;
}

bool read_transform_function(const CssToken& fn, TokenRange args, TransformOp& op) {
  TokenRange parts[kMaxTransformArgs];
  int n = split_args(args, parts);
  if (n <= 0) return false;
  std::string_view name = fn.text;
  auto is = [&](std::string_view s) { return ascii_iequals(name, s); };
  op = TransformOp{};
  if (is("translate")) {
    if (n > 2) return false;
    op.kind = TransformKind::Translate;
    if (!arg_length(parts[0], op.args[0])) return false;
    op.args[1] = {0, kUnitPx};
    if (n == 2 && !arg_length(parts[1], op.args[1])) return false;
    op.arg_count = 2;
  } else if (is("translatex") || is("translatey")) {
    if (n != 1) return false;
    op.kind = TransformKind::Translate;
    CssLength v;
    if (!arg_length(parts[0], v)) return false;
    op.args[0] = is("translatex") ? v : CssLength{0, kUnitPx};
    op.args[1] = is("translatey") ? v : CssLength{0, kUnitPx};
    op.arg_count = 2;
  } else if (is("translate3d")) {
    if (n != 3) return false;
    op.kind = TransformKind::Translate;
    CssLength z;
    if (!arg_length(parts[0], op.args[0]) || !arg_length(parts[1], op.args[1]) ||
        !arg_length(parts[2], z)) {
      return false;
    }
    op.arg_count = 2;
  } else if (is("translatez") || is("perspective")) {
    // No depth in a flat drawing: both become operations that change nothing.
    if (n != 1) return false;
    CssLength v;
    if (!arg_length(parts[0], v)) return false;
    if (is("translatez")) {
      op.kind = TransformKind::Translate;
      op.args[0] = op.args[1] = {0, kUnitPx};
    } else {
      op.kind = TransformKind::Scale;
      op.args[0] = op.args[1] = number_arg(1);
    }
    op.arg_count = 2;
  } else if (is("scale")) {
    if (n > 2) return false;
    op.kind = TransformKind::Scale;
    if (!arg_number(parts[0], op.args[0])) return false;
    op.args[1] = op.args[0];
    if (n == 2 && !arg_number(parts[1], op.args[1])) return false;
    op.arg_count = 2;
  } else if (is("scalex") || is("scaley")) {
    if (n != 1) return false;
    op.kind = TransformKind::Scale;
    CssLength v;
    if (!arg_number(parts[0], v)) return false;
    op.args[0] = is("scalex") ? v : number_arg(1);
    op.args[1] = is("scaley") ? v : number_arg(1);
    op.arg_count = 2;
  } else if (is("scale3d")) {
    if (n != 3) return false;
    op.kind = TransformKind::Scale;
    CssLength z;
    if (!arg_number(parts[0], op.args[0]) || !arg_number(parts[1], op.args[1]) ||
        !arg_number(parts[2], z)) {
      return false;
    }
    op.arg_count = 2;
  } else if (is("rotate") || is("rotatez")) {
    if (n != 1) return false;
    op.kind = TransformKind::Rotate;
    if (!arg_angle(parts[0], op.args[0])) return false;
    op.arg_count = 1;
  } else if (is("skew")) {
    if (n > 2) return false;
    op.kind = TransformKind::Skew;
    if (!arg_angle(parts[0], op.args[0])) return false;
    op.args[1] = number_arg(0);
    if (n == 2 && !arg_angle(parts[1], op.args[1])) return false;
    op.arg_count = 2;
  } else if (is("skewx") || is("skewy")) {
    if (n != 1) return false;
    op.kind = TransformKind::Skew;
    CssLength v;
    if (!arg_angle(parts[0], v)) return false;
    op.args[0] = is("skewx") ? v : number_arg(0);
    op.args[1] = is("skewy") ? v : number_arg(0);
    op.arg_count = 2;
  } else if (is("matrix")) {
    if (n != 4 && n != 6) return false;
    op.kind = TransformKind::Matrix;
    for (int k = 0; k < n; ++k) {
      if (!arg_number(parts[k], op.args[k])) return false;
    }
    // Missing translation entries are 0 (the records are zero-initialised).
    op.arg_count = 6;
  } else {
    return false;
  }
  return true;
}

CssValue list_value(ValueType type, const void* items, int count) {
  CssValue v;
  v.type = type;
  v.count = static_cast<uint16_t>(count);
  v.text = static_cast<const char*>(items);  // any pointer member of the union
  return v;
}

}  // namespace

bool parse_transform_list(StyleSheet& sheet, TokenRange r, CssValue& out) {
  TransformOp ops[kMaxTransforms];
  int count = 0;
  for (int i = 0; i < r.count;) {
    if (r[i].type != TokenType::Function || count == kMaxTransforms) return false;
    int close = find_close(r, i);
    if (close < 0) return false;
    if (!read_transform_function(r[i], r.sub(i + 1, close), ops[count])) return false;
    ++count;
    i = close + 1;
  }
  if (count == 0) return false;
  TransformOp* stored = sheet.arena().copy_array(ops, count);
  out = CssValue{};
  out.type = ValueType::Transform;
  out.count = static_cast<uint16_t>(count);
  out.transforms = stored;
  return true;
}

bool parse_individual_transform(StyleSheet& sheet, PropertyId property, TokenRange r,
                                CssValue& out) {
  TransformOp op;
  if (r.count < 1 || r.count > 3) return false;
  if (property == PropertyId::Translate) {
    op.kind = TransformKind::Translate;
    for (int k = 0; k < r.count; ++k) {
      auto length = length_from_token(r[k]);
      if (!length) return false;
      op.args[k] = *length;
    }
    if (r.count == 1) op.args[1] = {0, kUnitPx};
    op.arg_count = 2;
  } else if (property == PropertyId::Rotate) {
    if (r.count != 1) return false;
    auto angle = angle_from_token(r[0]);
    if (!angle) return false;
    op.kind = TransformKind::Rotate;
    op.args[0] = number_arg(*angle);
    op.arg_count = 1;
  } else {
    op.kind = TransformKind::Scale;
    for (int k = 0; k < r.count; ++k) {
      if (r[k].type != TokenType::Number || !std::isfinite(r[k].number)) return false;
      op.args[k] = number_arg(r[k].number);
    }
    if (r.count == 1) op.args[1] = op.args[0];  // one number scales both axes
    op.arg_count = 2;
  }
  out = CssValue{};
  out.type = ValueType::Transform;
  out.count = 1;
  out.transforms = sheet.arena().copy_array(&op, 1);
  return true;
}

// ---- filters ----

namespace {

bool read_shadow_parts(TokenRange r, bool allow_inset, Shadow& shadow) {
  bool have_color = false;
  bool have_inset = false;
  float lengths[4];
  int length_count = 0;
  shadow = Shadow{};
  shadow.color = kCurrentColor;
  for (int i = 0; i < r.count;) {
    if (allow_inset && r[i].is_ident("inset")) {
      if (have_inset) return false;
      have_inset = true;
      ++i;
      continue;
    }
    if (auto px = px_from_token(r[i])) {
      // The colour and inset may stand anywhere among the lengths.
      if (length_count == 4) return false;
      lengths[length_count++] = *px;
      ++i;
      continue;
    }
    if (is_color_start(r[i])) {
      if (have_color) return false;
      uint32_t color;
      if (!parse_color_at(r, i, color)) return false;
      shadow.color = color;
      have_color = true;
      continue;
    }
    return false;
  }
  if (length_count < 2) return false;
  shadow.offset_x = lengths[0];
  shadow.offset_y = lengths[1];
  shadow.blur = length_count > 2 && lengths[2] > 0 ? lengths[2] : 0;
  shadow.spread = length_count > 3 ? lengths[3] : 0;
  shadow.inset = have_inset ? 1 : 0;
  return true;
}

}  // namespace

bool parse_filter_list(StyleSheet& sheet, TokenRange r, CssValue& out) {
  Filter filters[kMaxFilters];
  int count = 0;
  if (r.count == 1 && r[0].is_ident("none")) {
    out = list_value(ValueType::FilterList, nullptr, 0);
    return true;
  }
  for (int i = 0; i < r.count;) {
    if (r[i].type != TokenType::Function || count == kMaxFilters) return false;
    int close = find_close(r, i);
    if (close < 0) return false;
    TokenRange args = r.sub(i + 1, close);
    std::string_view name = r[i].text;
    auto is = [&](std::string_view s) { return ascii_iequals(name, s); };
    Filter f;
    if (is("blur")) {
      f.kind = FilterKind::Blur;
      f.amount = 0;
      if (args.count > 1) return false;
      if (args.count == 1) {
        auto px = px_from_token(args[0]);
        if (!px || *px < 0) return false;
        f.amount = *px;
      }
    } else if (is("hue-rotate")) {
      f.kind = FilterKind::HueRotate;
      f.amount = 0;
      if (args.count > 1) return false;
      if (args.count == 1) {
        auto angle = angle_from_token(args[0]);
        if (!angle) return false;
        f.amount = *angle;
      }
    } else if (is("drop-shadow")) {
      f.kind = FilterKind::DropShadow;
      Shadow s;
      if (!read_shadow_parts(args, false, s) || s.spread != 0) return false;
      f.offset_x = s.offset_x;
      f.offset_y = s.offset_y;
      f.blur = s.blur;
      f.color = s.color;
    } else {
      static constexpr struct {
        std::string_view name;
        FilterKind kind;
      } kAmountFilters[] = {
          {"brightness", FilterKind::Brightness}, {"contrast", FilterKind::Contrast},
          {"grayscale", FilterKind::Grayscale},   {"saturate", FilterKind::Saturate},
          {"invert", FilterKind::Invert},         {"opacity", FilterKind::Opacity},
          {"sepia", FilterKind::Sepia},
      };
      bool found = false;
      for (const auto& entry : kAmountFilters) {
        if (is(entry.name)) {
          f.kind = entry.kind;
          found = true;
        }
      }
      if (!found || args.count > 1) return false;
      if (args.count == 1) {
        const CssToken& a = args[0];
        if (!std::isfinite(a.number) || a.number < 0) return false;
        if (a.type == TokenType::Number) {
          f.amount = a.number;
        } else if (a.type == TokenType::Percentage) {
          f.amount = a.number / 100.0f;
        } else {
          return false;
        }
      }
    }
    filters[count++] = f;
    i = close + 1;
  }
  if (count == 0) return false;
  out = list_value(ValueType::FilterList, sheet.arena().copy_array(filters, count), count);
  return true;
}

bool parse_shadow_list(StyleSheet& sheet, TokenRange r, CssValue& out) {
  if (r.count == 1 && r[0].is_ident("none")) {
    out = list_value(ValueType::ShadowList, nullptr, 0);
    return true;
  }
  TokenRange parts[kMaxShadows];
  int n = split_commas(r, parts, kMaxShadows);
  if (n <= 0) return false;
  Shadow shadows[kMaxShadows];
  for (int k = 0; k < n; ++k) {
    if (!read_shadow_parts(parts[k], true, shadows[k])) return false;
  }
  out = list_value(ValueType::ShadowList, sheet.arena().copy_array(shadows, n), n);
  return true;
}

// ---- positions ----

namespace {

enum class Axis { Either, X, Y };

// One position component: a length, or a keyword with its axis.
bool position_component(const CssToken& t, CssLength& out, Axis& axis) {
  if (auto length = length_from_token(t)) {
    out = *length;
    axis = Axis::Either;
    return true;
  }
  if (t.type != TokenType::Ident) return false;
  if (t.is_ident("center")) {
    out = {50, kUnitPercent};
    axis = Axis::Either;
  } else if (t.is_ident("left") || t.is_ident("right")) {
    out = {t.is_ident("left") ? 0.0f : 100.0f, kUnitPercent};
    axis = Axis::X;
  } else if (t.is_ident("top") || t.is_ident("bottom")) {
    out = {t.is_ident("top") ? 0.0f : 100.0f, kUnitPercent};
    axis = Axis::Y;
  } else {
    return false;
  }
  return true;
}

bool read_position(TokenRange r, CssLength& x, CssLength& y) {
  if (r.count < 1 || r.count > 2) return false;
  CssLength a, b{50, kUnitPercent};
  Axis axis_a, axis_b = Axis::Either;
  if (!position_component(r[0], a, axis_a)) return false;
  if (r.count == 2 && !position_component(r[1], b, axis_b)) return false;
  if (axis_a == Axis::Y || axis_b == Axis::X) {
    // "top left" and "center left" name the vertical part first.
    if (axis_a == Axis::X || axis_b == Axis::Y) return false;
    std::swap(a, b);
  } else if (axis_a == Axis::X && axis_b == Axis::X) {
    return false;
  }
  x = a;
  y = b;
  return true;
}

}  // namespace

bool parse_position_pair(StyleSheet& sheet, TokenRange r, CssValue& out) {
  CssLength pair[2];
  if (!read_position(r, pair[0], pair[1])) return false;
  out = CssValue{};
  out.type = ValueType::PositionPair;
  out.count = 2;
  out.pair = sheet.arena().copy_array(pair, 2);
  return true;
}

bool parse_background_size(StyleSheet& sheet, TokenRange r, CssValue& out) {
  if (r.count == 1 && (r[0].is_ident("cover") || r[0].is_ident("contain"))) {
    out = CssValue::make_keyword(r[0].is_ident("cover") ? kw::Cover : kw::Contain);
    return true;
  }
  if (r.count < 1 || r.count > 2) return false;
  CssLength pair[2] = {{0, kUnitAuto}, {0, kUnitAuto}};
  for (int k = 0; k < r.count; ++k) {
    if (r[k].is_ident("auto")) continue;
    auto length = length_from_token(r[k]);
    if (!length || length->value < 0) return false;
    pair[k] = *length;
  }
  out = CssValue{};
  out.type = ValueType::PositionPair;
  out.count = 2;
  out.pair = sheet.arena().copy_array(pair, 2);
  return true;
}

// ---- gradients and images ----

namespace {

bool read_color_stops(TokenRange* parts, int first, int count, GradientStop* stops) {
  for (int k = first; k < count; ++k) {
    TokenRange part = parts[k];
    int i = 0;
    GradientStop& stop = stops[k - first];
    if (!parse_color_at(part, i, stop.color)) return false;
    stop.position = {-1, kUnitNone};  // missing
    if (i < part.count) {
      // Any length (em and viewport units stay symbolic until the cascade) or percentage.
      auto length = length_from_token(part[i]);
      if (!length) return false;
      stop.position = *length;
      ++i;
    }
    if (i != part.count) return false;
  }
  return true;
}

// First stop defaults to 0, last to 100%, missing ones in between spread evenly between
// their neighbours; a stop never lies before an earlier one of the same unit.
void fix_stop_positions(GradientStop* stops, int n) {
  if (stops[0].position.unit == kUnitNone) stops[0].position = {0, kUnitPercent};
  if (stops[n - 1].position.unit == kUnitNone) stops[n - 1].position = {100, kUnitPercent};
  int last_known = 0;
  for (int k = 1; k < n; ++k) {
    if (stops[k].position.unit == kUnitNone) continue;
    if (k - last_known > 1) {
      CssLength from = stops[last_known].position;
      CssLength to = stops[k].position;
      if (from.unit != to.unit) from = {from.unit == kUnitPercent ? from.value : 0, to.unit};
      for (int m = last_known + 1; m < k; ++m) {
        float t = static_cast<float>(m - last_known) / static_cast<float>(k - last_known);
        stops[m].position = {from.value + (to.value - from.value) * t, to.unit};
      }
    }
    last_known = k;
  }
  for (int k = 1; k < n; ++k) {
    CssLength& p = stops[k].position;
    const CssLength& prev = stops[k - 1].position;
    if (p.unit == prev.unit && p.value < prev.value) p.value = prev.value;
  }
}

bool read_radial_prelude(TokenRange part, Gradient& g) {
  bool have_shape = false, have_size = false;
  for (int i = 0; i < part.count; ++i) {
    const CssToken& t = part[i];
    if (!have_shape && (t.is_ident("circle") || t.is_ident("ellipse"))) {
      g.circle = t.is_ident("circle") ? 1 : 0;
      have_shape = true;
    } else if (!have_size && t.type == TokenType::Ident &&
               (t.is_ident("closest-side") || t.is_ident("closest-corner") ||
                t.is_ident("farthest-side") || t.is_ident("farthest-corner"))) {
      if (t.is_ident("closest-side")) g.size = RadialSize::ClosestSide;
      if (t.is_ident("closest-corner")) g.size = RadialSize::ClosestCorner;
      if (t.is_ident("farthest-side")) g.size = RadialSize::FarthestSide;
      if (t.is_ident("farthest-corner")) g.size = RadialSize::FarthestCorner;
      have_size = true;
    } else if (t.is_ident("at")) {
      return read_position(part.sub(i + 1, part.count), g.center[0], g.center[1]);
    } else {
      return false;
    }
  }
  return true;
}

bool read_linear_prelude(TokenRange part, Gradient& g) {
  if (part.count == 1) {
    auto angle = angle_from_token(part[0]);
    if (!angle) return false;
    g.angle = *angle;
    return true;
  }
  if (part.count < 2 || part.count > 3 || !part[0].is_ident("to")) return false;
  uint8_t sides = 0;
  for (int i = 1; i < part.count; ++i) {
    uint8_t bit;
    if (part[i].is_ident("top"))
      bit = 1;
    else if (part[i].is_ident("bottom"))
      bit = 2;
    else if (part[i].is_ident("left"))
      bit = 4;
    else if (part[i].is_ident("right"))
      bit = 8;
    else
      return false;
    if (sides & bit) return false;
    sides |= bit;
  }
  if ((sides & 3) == 3 || (sides & 12) == 12) return false;
  g.to_sides = sides;
  // A flat angle for the sides; corners are resolved against the box when painting.
  float x = (sides & 8) ? 1.0f : ((sides & 4) ? -1.0f : 0.0f);
  float y = (sides & 1) ? 1.0f : ((sides & 2) ? -1.0f : 0.0f);
  float angle = std::atan2(x, y) * 57.29578f;
  g.angle = angle < 0 ? angle + 360.0f : angle;
  return true;
}

}  // namespace

bool parse_gradient(StyleSheet& sheet, TokenRange r, CssValue& out) {
  if (r.count < 2 || r.count > kMaxGradientTokens || r[0].type != TokenType::Function) {
    return false;
  }
  if (find_close(r, 0) != r.count - 1) return false;  // must end at the last token
  Gradient g;
  std::string_view name = r[0].text;
  if (ascii_iequals(name, "linear-gradient")) {
    g.kind = GradientKind::Linear;
  } else if (ascii_iequals(name, "radial-gradient")) {
    g.kind = GradientKind::Radial;
  } else if (ascii_iequals(name, "conic-gradient")) {
    g.kind = GradientKind::Conic;
    g.angle = 0;
  } else {
    return false;
  }
  TokenRange parts[kMaxGradientTokens];
  int n = split_commas(r.sub(1, r.count - 1), parts, kMaxGradientTokens);
  if (n < 2) return false;
  int first = 0;
  // The first part is the direction or shape unless it reads as a colour stop.
  {
    int i = 0;
    uint32_t color;
    bool is_stop = parse_color_at(parts[0], i, color);
    if (!is_stop) {
      bool ok = false;
      if (g.kind == GradientKind::Linear) {
        ok = read_linear_prelude(parts[0], g);
      } else if (g.kind == GradientKind::Radial) {
        ok = read_radial_prelude(parts[0], g);
      } else {
        TokenRange p = parts[0];
        int k = 0;
        ok = true;
        if (k < p.count && p[k].is_ident("from")) {
          auto angle = k + 1 < p.count ? angle_from_token(p[k + 1]) : std::nullopt;
          if (!angle)
            ok = false;
          else
            g.angle = *angle;
          k += 2;
        }
        if (ok && k < p.count) {
          ok =
              p[k].is_ident("at") && read_position(p.sub(k + 1, p.count), g.center[0], g.center[1]);
        }
        if (p.count == 0) ok = false;
      }
      if (!ok) return false;
      first = 1;
    }
  }
  int stop_count = n - first;
  if (stop_count < 2) return false;
  GradientStop stops[kMaxGradientTokens];
  if (!read_color_stops(parts, first, n, stops)) return false;
  fix_stop_positions(stops, stop_count);
  g.stop_count = static_cast<uint16_t>(stop_count);
  g.stops = sheet.arena().copy_array(stops, stop_count);
  Gradient* stored = sheet.arena().allocate_array<Gradient>(1);
  *stored = g;
  out = CssValue{};
  out.type = ValueType::Gradient;
  out.gradient = stored;
  return true;
}

bool parse_background_image(StyleSheet& sheet, const ValueTokens& all, TokenRange r,
                            CssValue& out) {
  if (r.count == 1 && r[0].is_ident("none")) {
    out = CssValue::make_keyword(kw::None);
    return true;
  }
  if (r.count >= 1 && r[0].type == TokenType::Function && ascii_iequals(r[0].text, "url")) {
    int close = find_close(r, 0);
    if (close != r.count - 1) {
      // An unquoted name may hold bytes the tokenizer splits oddly; the argument runs to
      // the last ')'.
      if (r[r.count - 1].type != TokenType::CloseParen) return false;
      close = r.count - 1;
    }
    std::size_t begin = r[0].end;
    std::size_t end = r[close].start;
    if (end < begin || end > all.text.size()) return false;
    std::string_view arg = all.text.substr(begin, end - begin);
    while (!arg.empty() && (arg.front() == ' ' || arg.front() == '\t' || arg.front() == '\n')) {
      arg.remove_prefix(1);
    }
    while (!arg.empty() && (arg.back() == ' ' || arg.back() == '\t' || arg.back() == '\n')) {
      arg.remove_suffix(1);
    }
    if (arg.size() >= 2 && (arg.front() == '"' || arg.front() == '\'') &&
        arg.back() == arg.front()) {
      arg = arg.substr(1, arg.size() - 2);
    }
    if (arg.empty()) return false;
    out = CssValue::make_name(sheet.atoms().intern(arg));
    return true;
  }
  return parse_gradient(sheet, r, out);
}

}  // namespace orlan::css
