// Colours: hex notations, the named colours of CSS Color Module Level 4, rgb(), hsl() and
// color-mix() in sRGB. Results are 0xAARRGGBB.

#include <algorithm>
#include <cmath>

#include "style_sheet.h"
#include "value_parser.h"

namespace orlan::css {

namespace {

struct NamedColor {
  std::string_view name;
  uint32_t rgb;
};

// Sorted by name.
constexpr NamedColor kNamedColors[] = {
    {"aliceblue", 0xf0f8ff},
    {"antiquewhite", 0xfaebd7},
    {"aqua", 0x00ffff},
    {"aquamarine", 0x7fffd4},
    {"azure", 0xf0ffff},
    {"beige", 0xf5f5dc},
    {"bisque", 0xffe4c4},
    {"black", 0x000000},
    {"blanchedalmond", 0xffebcd},
    {"blue", 0x0000ff},
    {"blueviolet", 0x8a2be2},
    {"brown", 0xa52a2a},
    {"burlywood", 0xdeb887},
    {"cadetblue", 0x5f9ea0},
    {"chartreuse", 0x7fff00},
    {"chocolate", 0xd2691e},
    {"coral", 0xff7f50},
    {"cornflowerblue", 0x6495ed},
    {"cornsilk", 0xfff8dc},
    {"crimson", 0xdc143c},
    {"cyan", 0x00ffff},
    {"darkblue", 0x00008b},
    {"darkcyan", 0x008b8b},
    {"darkgoldenrod", 0xb8860b},
    {"darkgray", 0xa9a9a9},
    {"darkgreen", 0x006400},
    {"darkgrey", 0xa9a9a9},
    {"darkkhaki", 0xbdb76b},
    {"darkmagenta", 0x8b008b},
    {"darkolivegreen", 0x556b2f},
    {"darkorange", 0xff8c00},
    {"darkorchid", 0x9932cc},
    {"darkred", 0x8b0000},
    {"darksalmon", 0xe9967a},
    {"darkseagreen", 0x8fbc8f},
    {"darkslateblue", 0x483d8b},
    {"darkslategray", 0x2f4f4f},
    {"darkslategrey", 0x2f4f4f},
    {"darkturquoise", 0x00ced1},
    {"darkviolet", 0x9400d3},
    {"deeppink", 0xff1493},
    {"deepskyblue", 0x00bfff},
    {"dimgray", 0x696969},
    {"dimgrey", 0x696969},
    {"dodgerblue", 0x1e90ff},
    {"firebrick", 0xb22222},
    {"floralwhite", 0xfffaf0},
    {"forestgreen", 0x228b22},
    {"fuchsia", 0xff00ff},
    {"gainsboro", 0xdcdcdc},
    {"ghostwhite", 0xf8f8ff},
    {"gold", 0xffd700},
    {"goldenrod", 0xdaa520},
    {"gray", 0x808080},
    {"green", 0x008000},
    {"greenyellow", 0xadff2f},
    {"grey", 0x808080},
    {"honeydew", 0xf0fff0},
    {"hotpink", 0xff69b4},
    {"indianred", 0xcd5c5c},
    {"indigo", 0x4b0082},
    {"ivory", 0xfffff0},
    {"khaki", 0xf0e68c},
    {"lavender", 0xe6e6fa},
    {"lavenderblush", 0xfff0f5},
    {"lawngreen", 0x7cfc00},
    {"lemonchiffon", 0xfffacd},
    {"lightblue", 0xadd8e6},
    {"lightcoral", 0xf08080},
    {"lightcyan", 0xe0ffff},
    {"lightgoldenrodyellow", 0xfafad2},
    {"lightgray", 0xd3d3d3},
    {"lightgreen", 0x90ee90},
    {"lightgrey", 0xd3d3d3},
    {"lightpink", 0xffb6c1},
    {"lightsalmon", 0xffa07a},
    {"lightseagreen", 0x20b2aa},
    {"lightskyblue", 0x87cefa},
    {"lightslategray", 0x778899},
    {"lightslategrey", 0x778899},
    {"lightsteelblue", 0xb0c4de},
    {"lightyellow", 0xffffe0},
    {"lime", 0x00ff00},
    {"limegreen", 0x32cd32},
    {"linen", 0xfaf0e6},
    {"magenta", 0xff00ff},
    {"maroon", 0x800000},
    {"mediumaquamarine", 0x66cdaa},
    {"mediumblue", 0x0000cd},
    {"mediumorchid", 0xba55d3},
    {"mediumpurple", 0x9370db},
    {"mediumseagreen", 0x3cb371},
    {"mediumslateblue", 0x7b68ee},
    {"mediumspringgreen", 0x00fa9a},
    {"mediumturquoise", 0x48d1cc},
    {"mediumvioletred", 0xc71585},
    {"midnightblue", 0x191970},
    {"mintcream", 0xf5fffa},
    {"mistyrose", 0xffe4e1},
    {"moccasin", 0xffe4b5},
    {"navajowhite", 0xffdead},
    {"navy", 0x000080},
    {"oldlace", 0xfdf5e6},
    {"olive", 0x808000},
    {"olivedrab", 0x6b8e23},
    {"orange", 0xffa500},
    {"orangered", 0xff4500},
    {"orchid", 0xda70d6},
    {"palegoldenrod", 0xeee8aa},
    {"palegreen", 0x98fb98},
    {"paleturquoise", 0xafeeee},
    {"palevioletred", 0xdb7093},
    {"papayawhip", 0xffefd5},
    {"peachpuff", 0xffdab9},
    {"peru", 0xcd853f},
    {"pink", 0xffc0cb},
    {"plum", 0xdda0dd},
    {"powderblue", 0xb0e0e6},
    {"purple", 0x800080},
    {"rebeccapurple", 0x663399},
    {"red", 0xff0000},
    {"rosybrown", 0xbc8f8f},
    {"royalblue", 0x4169e1},
    {"saddlebrown", 0x8b4513},
    {"salmon", 0xfa8072},
    {"sandybrown", 0xf4a460},
    {"seagreen", 0x2e8b57},
    {"seashell", 0xfff5ee},
    {"sienna", 0xa0522d},
    {"silver", 0xc0c0c0},
    {"skyblue", 0x87ceeb},
    {"slateblue", 0x6a5acd},
    {"slategray", 0x708090},
    {"slategrey", 0x708090},
    {"snow", 0xfffafa},
    {"springgreen", 0x00ff7f},
    {"steelblue", 0x4682b4},
    {"tan", 0xd2b48c},
    {"teal", 0x008080},
    {"thistle", 0xd8bfd8},
    {"tomato", 0xff6347},
    {"turquoise", 0x40e0d0},
    {"violet", 0xee82ee},
    {"wheat", 0xf5deb3},
    {"white", 0xffffff},
    {"whitesmoke", 0xf5f5f5},
    {"yellow", 0xffff00},
    {"yellowgreen", 0x9acd32},
};

constexpr std::size_t kMaxColorName = 23;

std::optional<uint32_t> named_color(std::string_view name) {
  if (name.empty() || name.size() > kMaxColorName) return std::nullopt;
  char lower[kMaxColorName];
  for (std::size_t i = 0; i < name.size(); ++i) lower[i] = ascii_lower(name[i]);
  std::string_view key(lower, name.size());
  if (key == "transparent") return 0u;
  if (key == "currentcolor") return kCurrentColor;
  auto begin = std::begin(kNamedColors);
  auto end = std::end(kNamedColors);
  auto it = std::lower_bound(begin, end, key,
                             [](const NamedColor& c, std::string_view k) { return c.name < k; });
  if (it == end || it->name != key) return std::nullopt;
  return 0xFF000000u | it->rgb;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<uint32_t> hex_color(std::string_view digits) {
  std::size_t n = digits.size();
  if (n != 3 && n != 4 && n != 6 && n != 8) return std::nullopt;
  uint32_t v[8];
  for (std::size_t i = 0; i < n; ++i) {
    int d = hex_digit(digits[i]);
    if (d < 0) return std::nullopt;
    v[i] = static_cast<uint32_t>(d);
  }
  uint32_t r, g, b, a = 255;
  if (n <= 4) {
    r = v[0] * 17;
    g = v[1] * 17;
    b = v[2] * 17;
    if (n == 4) a = v[3] * 17;
  } else {
    r = v[0] * 16 + v[1];
    g = v[2] * 16 + v[3];
    b = v[4] * 16 + v[5];
    if (n == 8) a = v[6] * 16 + v[7];
  }
  return (a << 24) | (r << 16) | (g << 8) | b;
}

uint32_t channel(float value) {
  if (!(value > 0)) return 0;  // also NaN
  if (value >= 255) return 255;
  return static_cast<uint32_t>(std::floor(value + 0.5f));
}

uint32_t pack(float r, float g, float b, float alpha) {
  if (!(alpha > 0)) alpha = 0;
  if (alpha > 1) alpha = 1;
  return (channel(alpha * 255) << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

// Components of a colour function, separated by commas, whitespace or '/'.
int collect_components(TokenRange args, const CssToken** out, int max) {
  int n = 0;
  for (int i = 0; i < args.count; ++i) {
    const CssToken& t = args[i];
    if (t.type == TokenType::Comma || t.is_delim('/')) continue;
    if (n == max) return -1;
    out[n++] = &t;
  }
  return n;
}

std::optional<float> alpha_component(const CssToken& t) {
  if (!std::isfinite(t.number)) return std::nullopt;
  if (t.type == TokenType::Number) return std::clamp(t.number, 0.0f, 1.0f);
  if (t.type == TokenType::Percentage) return std::clamp(t.number / 100.0f, 0.0f, 1.0f);
  return std::nullopt;
}

std::optional<uint32_t> rgb_function(TokenRange args) {
  const CssToken* c[5];
  int n = collect_components(args, c, 4);
  if (n != 3 && n != 4) return std::nullopt;
  float rgb[3];
  for (int k = 0; k < 3; ++k) {
    if (!std::isfinite(c[k]->number)) return std::nullopt;
    if (c[k]->type == TokenType::Number) {
      rgb[k] = c[k]->number;
    } else if (c[k]->type == TokenType::Percentage) {
      rgb[k] = c[k]->number * 2.55f;
    } else {
      return std::nullopt;
    }
  }
  float alpha = 1;
  if (n == 4) {
    auto a = alpha_component(*c[3]);
    if (!a) return std::nullopt;
    alpha = *a;
  }
  return pack(rgb[0], rgb[1], rgb[2], alpha);
}

float hue_to_rgb(float m1, float m2, float h) {
  if (h < 0) h += 1;
  if (h > 1) h -= 1;
  if (h * 6 < 1) return m1 + (m2 - m1) * h * 6;
  if (h * 2 < 1) return m2;
  if (h * 3 < 2) return m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6;
  return m1;
}

std::optional<uint32_t> hsl_function(TokenRange args) {
  const CssToken* c[5];
  int n = collect_components(args, c, 4);
  if (n != 3 && n != 4) return std::nullopt;
  float hue;
  if (c[0]->type == TokenType::Number) {
    hue = c[0]->number;
  } else if (auto angle = angle_from_token(*c[0])) {
    hue = *angle;
  } else {
    return std::nullopt;
  }
  if (!std::isfinite(hue)) return std::nullopt;
  hue = std::fmod(hue, 360.0f);
  if (hue < 0) hue += 360.0f;
  float sl[2];
  for (int k = 0; k < 2; ++k) {
    const CssToken& t = *c[k + 1];
    if ((t.type != TokenType::Percentage && t.type != TokenType::Number) ||
        !std::isfinite(t.number)) {
      return std::nullopt;
    }
    sl[k] = std::clamp(t.number / 100.0f, 0.0f, 1.0f);
  }
  float alpha = 1;
  if (n == 4) {
    auto a = alpha_component(*c[3]);
    if (!a) return std::nullopt;
    alpha = *a;
  }
  float s = sl[0], l = sl[1];
  float m2 = l <= 0.5f ? l * (s + 1) : l + s - l * s;
  float m1 = l * 2 - m2;
  float h = hue / 360.0f;
  return pack(hue_to_rgb(m1, m2, h + 1.0f / 3.0f) * 255, hue_to_rgb(m1, m2, h) * 255,
              hue_to_rgb(m1, m2, h - 1.0f / 3.0f) * 255, alpha);
}

std::optional<uint32_t> color_mix_function(TokenRange args) {
  TokenRange parts[3];
  if (split_commas(args, parts, 3) != 3) return std::nullopt;
  // The interpolation space: "in srgb" only.
  if (parts[0].count != 2 || !parts[0][0].is_ident("in") || !parts[0][1].is_ident("srgb")) {
    return std::nullopt;
  }
  uint32_t colors[2];
  float percents[2] = {-1, -1};
  for (int k = 0; k < 2; ++k) {
    TokenRange part = parts[k + 1];
    int i = 0;
    if (i < part.count && part[i].type == TokenType::Percentage) percents[k] = part[i++].number;
    if (!parse_color_at(part, i, colors[k])) return std::nullopt;
    if (i < part.count && part[i].type == TokenType::Percentage && percents[k] < 0) {
      percents[k] = part[i++].number;
    }
    if (i != part.count) return std::nullopt;
    if (percents[k] != -1 && !(percents[k] >= 0 && percents[k] <= 100)) return std::nullopt;
    if (colors[k] == kCurrentColor) return std::nullopt;  // needs the element's colour
  }
  float p1 = percents[0], p2 = percents[1];
  if (p1 < 0 && p2 < 0) {
    p1 = p2 = 50;
  } else if (p1 < 0) {
    p1 = 100 - p2;
  } else if (p2 < 0) {
    p2 = 100 - p1;
  }
  float total = p1 + p2;
  if (!(total > 0)) return std::nullopt;
  float alpha_scale = total < 100 ? total / 100 : 1;
  float w1 = p1 / total, w2 = p2 / total;
  // Premultiplied interpolation, as colour mixing is defined for sRGB.
  float a[2], rgb[2][3];
  for (int k = 0; k < 2; ++k) {
    a[k] = static_cast<float>(colors[k] >> 24) / 255.0f;
    rgb[k][0] = static_cast<float>((colors[k] >> 16) & 0xFF) * a[k];
    rgb[k][1] = static_cast<float>((colors[k] >> 8) & 0xFF) * a[k];
    rgb[k][2] = static_cast<float>(colors[k] & 0xFF) * a[k];
  }
  float alpha = a[0] * w1 + a[1] * w2;
  float out[3] = {0, 0, 0};
  if (alpha > 0) {
    for (int ch = 0; ch < 3; ++ch) out[ch] = (rgb[0][ch] * w1 + rgb[1][ch] * w2) / alpha;
  }
  return pack(out[0], out[1], out[2], alpha * alpha_scale);
}

}  // namespace

bool is_color_start(const CssToken& token) {
  switch (token.type) {
    case TokenType::Hash:
      return true;
    case TokenType::Ident:
      return named_color(token.text).has_value();
    case TokenType::Function:
      return ascii_iequals(token.text, "rgb") || ascii_iequals(token.text, "rgba") ||
             ascii_iequals(token.text, "hsl") || ascii_iequals(token.text, "hsla") ||
             ascii_iequals(token.text, "color-mix");
    default:
      return false;
  }
}

bool parse_color_at(TokenRange range, int& i, uint32_t& argb) {
  if (i >= range.count) return false;
  const CssToken& token = range[i];
  std::optional<uint32_t> result;
  int next = i + 1;
  if (token.type == TokenType::Hash) {
    result = hex_color(token.text);
  } else if (token.type == TokenType::Ident) {
    result = named_color(token.text);
  } else if (token.type == TokenType::Function) {
    int close = find_close(range, i);
    if (close < 0) return false;
    TokenRange args = range.sub(i + 1, close);
    std::string_view name = token.text;
    if (ascii_iequals(name, "rgb") || ascii_iequals(name, "rgba")) {
      result = rgb_function(args);
    } else if (ascii_iequals(name, "hsl") || ascii_iequals(name, "hsla")) {
      result = hsl_function(args);
    } else if (ascii_iequals(name, "color-mix")) {
      result = color_mix_function(args);
    }
    next = close + 1;
  }
  if (!result) return false;
  argb = *result;
  i = next;
  return true;
}

bool parse_color_text(std::string_view text, uint32_t& argb) {
  ValueTokens tokens;
  if (!tokenize_value(text, tokens) || tokens.count == 0) return false;
  TokenRange range{tokens.tokens, tokens.count};
  int i = 0;
  uint32_t color;
  if (!parse_color_at(range, i, color) || i != range.count) return false;
  argb = color;
  return true;
}

}  // namespace orlan::css
