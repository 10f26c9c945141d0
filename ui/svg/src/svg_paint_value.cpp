#include "svg_paint_value.h"

#include <algorithm>
#include <cmath>

#include "svg_number.h"
#include "vector_image.h"

// The reader below follows the engine's CSS colour grammar: hex forms, the named colours,
// rgb()/rgba() and hsl()/hsla() with comma, space or slash separators, `transparent` and
// `currentcolor`.

namespace orlan::svg {

namespace {

struct NamedColour {
  std::string_view name;
  std::uint32_t rgb;
};

// Sorted by name for binary search.
constexpr NamedColour kNamedColours[] = {
    {"aliceblue", 0xF0F8FF},
    {"antiquewhite", 0xFAEBD7},
    {"aqua", 0x00FFFF},
    {"aquamarine", 0x7FFFD4},
    {"azure", 0xF0FFFF},
    {"beige", 0xF5F5DC},
    {"bisque", 0xFFE4C4},
    {"black", 0x000000},
    {"blanchedalmond", 0xFFEBCD},
    {"blue", 0x0000FF},
    {"blueviolet", 0x8A2BE2},
    {"brown", 0xA52A2A},
    {"burlywood", 0xDEB887},
    {"cadetblue", 0x5F9EA0},
    {"chartreuse", 0x7FFF00},
    {"chocolate", 0xD2691E},
    {"coral", 0xFF7F50},
    {"cornflowerblue", 0x6495ED},
    {"cornsilk", 0xFFF8DC},
    {"crimson", 0xDC143C},
    {"cyan", 0x00FFFF},
    {"darkblue", 0x00008B},
    {"darkcyan", 0x008B8B},
    {"darkgoldenrod", 0xB8860B},
    {"darkgray", 0xA9A9A9},
    {"darkgreen", 0x006400},
    {"darkgrey", 0xA9A9A9},
    {"darkkhaki", 0xBDB76B},
    {"darkmagenta", 0x8B008B},
    {"darkolivegreen", 0x556B2F},
    {"darkorange", 0xFF8C00},
    {"darkorchid", 0x9932CC},
    {"darkred", 0x8B0000},
    {"darksalmon", 0xE9967A},
    {"darkseagreen", 0x8FBC8F},
    {"darkslateblue", 0x483D8B},
    {"darkslategray", 0x2F4F4F},
    {"darkslategrey", 0x2F4F4F},
    {"darkturquoise", 0x00CED1},
    {"darkviolet", 0x9400D3},
    {"deeppink", 0xFF1493},
    {"deepskyblue", 0x00BFFF},
    {"dimgray", 0x696969},
    {"dimgrey", 0x696969},
    {"dodgerblue", 0x1E90FF},
    {"firebrick", 0xB22222},
    {"floralwhite", 0xFFFAF0},
    {"forestgreen", 0x228B22},
    {"fuchsia", 0xFF00FF},
    {"gainsboro", 0xDCDCDC},
    {"ghostwhite", 0xF8F8FF},
    {"gold", 0xFFD700},
    {"goldenrod", 0xDAA520},
    {"gray", 0x808080},
    {"green", 0x008000},
    {"greenyellow", 0xADFF2F},
    {"grey", 0x808080},
    {"honeydew", 0xF0FFF0},
    {"hotpink", 0xFF69B4},
    {"indianred", 0xCD5C5C},
    {"indigo", 0x4B0082},
    {"ivory", 0xFFFFF0},
    {"khaki", 0xF0E68C},
    {"lavender", 0xE6E6FA},
    {"lavenderblush", 0xFFF0F5},
    {"lawngreen", 0x7CFC00},
    {"lemonchiffon", 0xFFFACD},
    {"lightblue", 0xADD8E6},
    {"lightcoral", 0xF08080},
    {"lightcyan", 0xE0FFFF},
    {"lightgoldenrodyellow", 0xFAFAD2},
    {"lightgray", 0xD3D3D3},
    {"lightgreen", 0x90EE90},
    {"lightgrey", 0xD3D3D3},
    {"lightpink", 0xFFB6C1},
    {"lightsalmon", 0xFFA07A},
    {"lightseagreen", 0x20B2AA},
    {"lightskyblue", 0x87CEFA},
    {"lightslategray", 0x778899},
    {"lightslategrey", 0x778899},
    {"lightsteelblue", 0xB0C4DE},
    {"lightyellow", 0xFFFFE0},
    {"lime", 0x00FF00},
    {"limegreen", 0x32CD32},
    {"linen", 0xFAF0E6},
    {"magenta", 0xFF00FF},
    {"maroon", 0x800000},
    {"mediumaquamarine", 0x66CDAA},
    {"mediumblue", 0x0000CD},
    {"mediumorchid", 0xBA55D3},
    {"mediumpurple", 0x9370DB},
    {"mediumseagreen", 0x3CB371},
    {"mediumslateblue", 0x7B68EE},
    {"mediumspringgreen", 0x00FA9A},
    {"mediumturquoise", 0x48D1CC},
    {"mediumvioletred", 0xC71585},
    {"midnightblue", 0x191970},
    {"mintcream", 0xF5FFFA},
    {"mistyrose", 0xFFE4E1},
    {"moccasin", 0xFFE4B5},
    {"navajowhite", 0xFFDEAD},
    {"navy", 0x000080},
    {"oldlace", 0xFDF5E6},
    {"olive", 0x808000},
    {"olivedrab", 0x6B8E23},
    {"orange", 0xFFA500},
    {"orangered", 0xFF4500},
    {"orchid", 0xDA70D6},
    {"palegoldenrod", 0xEEE8AA},
    {"palegreen", 0x98FB98},
    {"paleturquoise", 0xAFEEEE},
    {"palevioletred", 0xDB7093},
    {"papayawhip", 0xFFEFD5},
    {"peachpuff", 0xFFDAB9},
    {"peru", 0xCD853F},
    {"pink", 0xFFC0CB},
    {"plum", 0xDDA0DD},
    {"powderblue", 0xB0E0E6},
    {"purple", 0x800080},
    {"rebeccapurple", 0x663399},
    {"red", 0xFF0000},
    {"rosybrown", 0xBC8F8F},
    {"royalblue", 0x4169E1},
    {"saddlebrown", 0x8B4513},
    {"salmon", 0xFA8072},
    {"sandybrown", 0xF4A460},
    {"seagreen", 0x2E8B57},
    {"seashell", 0xFFF5EE},
    {"sienna", 0xA0522D},
    {"silver", 0xC0C0C0},
    {"skyblue", 0x87CEEB},
    {"slateblue", 0x6A5ACD},
    {"slategray", 0x708090},
    {"slategrey", 0x708090},
    {"snow", 0xFFFAFA},
    {"springgreen", 0x00FF7F},
    {"steelblue", 0x4682B4},
    {"tan", 0xD2B48C},
    {"teal", 0x008080},
    {"thistle", 0xD8BFD8},
    {"tomato", 0xFF6347},
    {"turquoise", 0x40E0D0},
    {"violet", 0xEE82EE},
    {"wheat", 0xF5DEB3},
    {"white", 0xFFFFFF},
    {"whitesmoke", 0xF5F5F5},
    {"yellow", 0xFFFF00},
    {"yellowgreen", 0x9ACD32},
};
static_assert(std::size(kNamedColours) == 148);

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::uint32_t> parse_hex(std::string_view digits) {
  int v[8];
  if (digits.size() > 8) return std::nullopt;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    v[i] = hex_value(digits[i]);
    if (v[i] < 0) return std::nullopt;
  }
  std::uint32_t r, g, b, a = 255;
  switch (digits.size()) {
    case 3:
    case 4:
      r = v[0] * 17u, g = v[1] * 17u, b = v[2] * 17u;
      if (digits.size() == 4) a = v[3] * 17u;
      break;
    case 6:
    case 8:
      r = v[0] * 16u + v[1], g = v[2] * 16u + v[3], b = v[4] * 16u + v[5];
      if (digits.size() == 8) a = v[6] * 16u + v[7];
      break;
    default:
      return std::nullopt;
  }
  return a << 24 | r << 16 | g << 8 | b;
}

bool lower_copy(std::string_view text, char* out, std::size_t capacity, std::string_view& lower) {
  if (text.size() > capacity) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    out[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  lower = std::string_view(out, text.size());
  return true;
}

std::uint32_t channel(double v) {
  // Clamped to 0..255 and rounded half up.
  v = std::clamp(v, 0.0, 255.0);
  return static_cast<std::uint32_t>(std::floor(v + 0.5));
}

// One component: a number, optionally a percentage. `percent` tells which it was.
struct Component {
  float value = 0;
  bool percent = false;
  bool degrees = false;
};

// The components inside "(...)", separated by commas, white space or "/".
int read_components(std::string_view inner, Component* out, int max) {
  std::size_t pos = 0;
  int count = 0;
  for (;;) {
    while (pos < inner.size() &&
           (is_svg_space(inner[pos]) || inner[pos] == ',' || inner[pos] == '/')) {
      ++pos;
    }
    if (pos >= inner.size()) return count;
    if (count == max) return -1;
    Component c;
    if (!read_number_at(inner, pos, c.value)) return -1;
    if (pos < inner.size() && inner[pos] == '%') {
      c.percent = true;
      ++pos;
    } else if (inner.substr(pos).starts_with("deg")) {
      c.degrees = true;
      pos += 3;
    }
    if (pos < inner.size() && !is_svg_space(inner[pos]) && inner[pos] != ',' && inner[pos] != '/') {
      return -1;
    }
    out[count++] = c;
  }
}

std::uint32_t alpha_byte(const Component& c) {
  double a = c.percent ? c.value / 100.0 : c.value;
  a = std::clamp(a, 0.0, 1.0);
  return static_cast<std::uint32_t>(std::floor(a * 255.0 + 0.5));
}

std::optional<std::uint32_t> parse_rgb(std::string_view inner) {
  Component c[4];
  const int count = read_components(inner, c, 4);
  if (count != 3 && count != 4) return std::nullopt;
  std::uint32_t rgb[3];
  for (int i = 0; i < 3; ++i) {
    if (c[i].degrees) return std::nullopt;
    rgb[i] = channel(c[i].percent ? c[i].value * 2.55 : c[i].value);
  }
  const std::uint32_t a = count == 4 ? alpha_byte(c[3]) : 255;
  return a << 24 | rgb[0] << 16 | rgb[1] << 8 | rgb[2];
}

std::optional<std::uint32_t> parse_hsl(std::string_view inner) {
  Component c[4];
  const int count = read_components(inner, c, 4);
  if (count != 3 && count != 4) return std::nullopt;
  if (c[0].percent || c[1].degrees || c[2].degrees) return std::nullopt;
  double h = std::fmod(static_cast<double>(c[0].value), 360.0);
  if (h < 0) h += 360.0;
  const double s = std::clamp(c[1].value / 100.0, 0.0, 1.0);
  const double l = std::clamp(c[2].value / 100.0, 0.0, 1.0);
  auto f = [&](double n) {
    const double k = std::fmod(n + h / 30.0, 12.0);
    const double a = s * std::min(l, 1 - l);
    return l - a * std::max(-1.0, std::min({k - 3, 9 - k, 1.0}));
  };
  const std::uint32_t a = count == 4 ? alpha_byte(c[3]) : 255;
  return a << 24 | channel(f(0) * 255) << 16 | channel(f(8) * 255) << 8 | channel(f(4) * 255);
}

}  // namespace

std::optional<std::uint32_t> parse_css_colour(std::string_view text) {
  text = trim_svg_space(text);
  if (text.empty()) return std::nullopt;
  if (text.front() == '#') return parse_hex(text.substr(1));

  char buffer[64];
  std::string_view lower;
  if (!lower_copy(text, buffer, sizeof buffer, lower)) return std::nullopt;
  if (lower == "transparent") return 0u;
  if (lower == "currentcolor") return kCurrentColour;

  const std::size_t open = lower.find('(');
  if (open != std::string_view::npos) {
    if (lower.back() != ')') return std::nullopt;
    const std::string_view function = trim_svg_space(lower.substr(0, open));
    const std::string_view inner = lower.substr(open + 1, lower.size() - open - 2);
    if (function == "rgb" || function == "rgba") return parse_rgb(inner);
    if (function == "hsl" || function == "hsla") return parse_hsl(inner);
    return std::nullopt;
  }
  const auto* end = std::end(kNamedColours);
  const auto* it =
      std::lower_bound(std::begin(kNamedColours), end, lower,
                       [](const NamedColour& c, std::string_view n) { return c.name < n; });
  if (it == end || it->name != lower) return std::nullopt;
  return 0xFF000000u | it->rgb;
}

}  // namespace orlan::svg
