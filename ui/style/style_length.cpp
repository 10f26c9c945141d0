// Resolving StyleLength values against a base size, and mixed (calc/min/max) lengths.

#include <cmath>

#include "computed_style.h"

namespace orlan {

StyleLength make_mixed_length(float px, float percent, MixedOp op) noexcept {
  // 1/64 percent steps, rounded half away from zero, clamped to 16 bits.
  double steps = std::isfinite(percent) ? std::round(static_cast<double>(percent) * 64.0) : 0.0;
  if (steps > 32767) steps = 32767;
  if (steps < -32768) steps = -32768;
  auto packed = static_cast<std::uint16_t>(static_cast<std::int16_t>(steps));
  StyleLength out;
  out.value = px;
  out.unit = kStyleMixed | (static_cast<std::uint32_t>(op) << 8) |
             (static_cast<std::uint32_t>(packed) << 16);
  return out;
}

float resolve_length(StyleLength length, float base, float fallback) noexcept {
  switch (length.kind()) {
    case kStylePx:
      return length.value;
    case kStylePercent:
      return base >= 0 ? length.value * base / 100.0f : fallback;
    case kStyleMixed: {
      MixedOp op = length.mixed_op();
      if (base < 0) return op == MixedOp::kSum ? fallback : length.value;
      float p = length.mixed_percent() * base / 100.0f;
      switch (op) {
        case MixedOp::kSum:
          return length.value + p;
        case MixedOp::kMin:
          return length.value < p ? length.value : p;
        case MixedOp::kMax:
          return length.value > p ? length.value : p;
      }
      return fallback;
    }
    default:
      return fallback;
  }
}

const CustomProperty* find_custom_property(const ComputedStyle& style,
                                           std::uint32_t name) noexcept {
  for (std::uint16_t i = style.custom_property_count; i > 0; --i) {
    if (style.custom_properties[i - 1].name == name) return &style.custom_properties[i - 1];
  }
  return nullptr;
}

}  // namespace orlan
