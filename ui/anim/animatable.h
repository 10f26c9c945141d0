#pragma once

// The properties transitions and animations can move, the values captured from a computed
// style, and how two values are blended.

#include <cstddef>
#include <cstdint>
#include <span>

#include "computed_style.h"

namespace orlan::anim {

enum class ValueKind : std::uint8_t { kNumber = 0, kLength = 1, kColor = 2, kTransform = 3 };

// One animatable property: its property id, value kind, what a change of it invalidates
// and where it lives in a ComputedStyle (byte offset of the field).
struct AnimatableProperty {
  std::int16_t property = 0;
  ValueKind kind = ValueKind::kNumber;
  std::uint8_t affects_layout = 0;
  std::uint8_t affects_descendants = 0;
  std::uint16_t offset = 0;
};

inline constexpr int kAnimatableCount = 42;
// A captured transform list keeps at most this many functions.
inline constexpr int kMaxCapturedTransforms = 4;

// The 42 rows in table order.
std::span<const AnimatableProperty> animatable_properties() noexcept;
// The row of a property id, or null when the property does not animate.
const AnimatableProperty* find_animatable(int property) noexcept;
// Index of the row in animatable_properties(), or -1.
int animatable_index(int property) noexcept;

// One captured value. Only the member of the property's kind means anything; the rest
// stays zero so that equal values compare equal byte for byte.
struct AnimatedValue {
  float number = 0;
  StyleLength length;
  std::uint32_t color = 0;
  std::uint16_t transform_count = 0;
  css::TransformOp transforms[kMaxCapturedTransforms];
  // The list the style held when this value was captured (it may have had more than four
  // functions). Writing back an unchanged captured list restores this pointer, so a
  // finished transition leaves the element with its own list, not a shortened copy.
  const css::TransformOp* transform_source = nullptr;
  std::uint16_t transform_source_count = 0;
};

AnimatedValue capture_value(const ComputedStyle& style, const AnimatableProperty& row) noexcept;

// Same value (the transform source pointer is not part of the value).
bool values_equal(ValueKind kind, const AnimatedValue& a, const AnimatedValue& b) noexcept;

// Whether the two values blend continuously; otherwise they switch at the halfway point.
bool interpolable(ValueKind kind, const AnimatedValue& from, const AnimatedValue& to) noexcept;

// The value at progress t (not clamped: eased progress may overshoot 0..1). Numbers and
// lengths linearly; colours in premultiplied form; transform lists function by function.
AnimatedValue interpolate(ValueKind kind, const AnimatedValue& from, const AnimatedValue& to,
                          double t) noexcept;

// Writes the value into the style. A transform list goes to `transform_storage` (room for
// kMaxCapturedTransforms functions, owned by the caller and kept alive while the style
// may point to it) unless it is the very list it was captured from.
void write_value(ComputedStyle& style, const AnimatableProperty& row, const AnimatedValue& value,
                 css::TransformOp* transform_storage) noexcept;

// Premultiplied blend of two 0xAARRGGBB colours.
std::uint32_t blend_colors(std::uint32_t from, std::uint32_t to, double t) noexcept;

}  // namespace orlan::anim
