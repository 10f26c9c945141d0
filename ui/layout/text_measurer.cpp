// The fallback text measurer and the font of a style.

#include <string_view>

#include "computed_style.h"
#include "layout_box.h"
#include "utf.h"

namespace orlan {

bool is_wide_code_point(std::uint32_t cp) noexcept {
  return (cp >= 0x1100 && cp <= 0x11FF) || (cp >= 0x2E80 && cp <= 0x9FFF) ||
         (cp >= 0xAC00 && cp <= 0xD7AF) || (cp >= 0xF900 && cp <= 0xFAFF) ||
         (cp >= 0xFF00 && cp <= 0xFFEF) || (cp >= 0x20000 && cp <= 0x2FFFF);
}

bool is_hangul_code_point(std::uint32_t cp) noexcept {
  return (cp >= 0x1100 && cp <= 0x11FF) || (cp >= 0x3130 && cp <= 0x318F) ||
         (cp >= 0xA960 && cp <= 0xA97F) || (cp >= 0xAC00 && cp <= 0xD7FF);
}

namespace {

float fallback_measure(void*, const AtomTable&, const FontDescription& font, const char* text,
                       std::size_t length) {
  if (!text || length == 0) return 0;
  const std::string_view view(text, length);
  float width = 0;
  std::size_t pos = 0;
  while (pos < view.size()) {
    const unsigned char c = static_cast<unsigned char>(view[pos]);
    std::uint32_t cp;
    if (c < 0x80) {
      cp = c;
      ++pos;
    } else {
      cp = static_cast<std::uint32_t>(tw::decode_utf8(view, pos));
    }
    if (cp == 0x200B) continue;
    width += (is_wide_code_point(cp) ? font.size : 0.5f * font.size) + font.letter_spacing;
  }
  return width;
}

FontMetrics fallback_metrics(void*, const AtomTable&, const FontDescription& font) {
  return {0.8f * font.size, 0.2f * font.size};
}

const TextMeasurer kFallback{nullptr, fallback_measure, fallback_metrics};

}  // namespace

const TextMeasurer& fallback_text_measurer() noexcept {
  return kFallback;
}

FontDescription font_of(const ComputedStyle& style) noexcept {
  FontDescription font;
  font.family = style.font_family;
  font.size = style.font_size;
  font.weight = style.font_weight;
  font.italic = style.font_style == css::kw::Italic ? 1 : 0;
  font.decoration = static_cast<std::uint8_t>(style.text_decoration & 3u);
  font.letter_spacing = style.letter_spacing;
  return font;
}

}  // namespace orlan
