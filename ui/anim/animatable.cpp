// The animatable property table, capturing values from a computed style, blending them and
// writing them back.

#include "animatable.h"

#include <algorithm>
#include <cmath>

namespace orlan::anim {
namespace {

using css::PropertyId;
using css::TransformKind;
using css::TransformOp;

constexpr std::uint16_t field(std::size_t base, int index, std::size_t size) {
  return static_cast<std::uint16_t>(base + static_cast<std::size_t>(index) * size);
}

constexpr std::int16_t id(PropertyId p) {
  return static_cast<std::int16_t>(p);
}

constexpr ValueKind kNum = ValueKind::kNumber;
constexpr ValueKind kLen = ValueKind::kLength;
constexpr ValueKind kCol = ValueKind::kColor;
constexpr ValueKind kXf = ValueKind::kTransform;
constexpr std::size_t kL = sizeof(StyleLength);
constexpr std::size_t kF = sizeof(float);
constexpr std::size_t kC = sizeof(std::uint32_t);

#define TW_FIELD(member) static_cast<std::uint16_t>(offsetof(ComputedStyle, member))

const AnimatableProperty kTable[kAnimatableCount] = {
    // Lengths that move boxes.
    {id(PropertyId::Width), kLen, 1, 0, TW_FIELD(width)},
    {id(PropertyId::Height), kLen, 1, 0, TW_FIELD(height)},
    {id(PropertyId::MinWidth), kLen, 1, 0, TW_FIELD(min_width)},
    {id(PropertyId::MinHeight), kLen, 1, 0, TW_FIELD(min_height)},
    {id(PropertyId::MaxWidth), kLen, 1, 0, TW_FIELD(max_width)},
    {id(PropertyId::MaxHeight), kLen, 1, 0, TW_FIELD(max_height)},
    {id(PropertyId::MarginTop), kLen, 1, 0, field(TW_FIELD(margin), kTop, kL)},
    {id(PropertyId::MarginRight), kLen, 1, 0, field(TW_FIELD(margin), kRight, kL)},
    {id(PropertyId::MarginBottom), kLen, 1, 0, field(TW_FIELD(margin), kBottom, kL)},
    {id(PropertyId::MarginLeft), kLen, 1, 0, field(TW_FIELD(margin), kLeft, kL)},
    {id(PropertyId::PaddingTop), kLen, 1, 0, field(TW_FIELD(padding), kTop, kL)},
    {id(PropertyId::PaddingRight), kLen, 1, 0, field(TW_FIELD(padding), kRight, kL)},
    {id(PropertyId::PaddingBottom), kLen, 1, 0, field(TW_FIELD(padding), kBottom, kL)},
    {id(PropertyId::PaddingLeft), kLen, 1, 0, field(TW_FIELD(padding), kLeft, kL)},
    {id(PropertyId::Top), kLen, 1, 0, field(TW_FIELD(inset), kTop, kL)},
    {id(PropertyId::Right), kLen, 1, 0, field(TW_FIELD(inset), kRight, kL)},
    {id(PropertyId::Bottom), kLen, 1, 0, field(TW_FIELD(inset), kBottom, kL)},
    {id(PropertyId::Left), kLen, 1, 0, field(TW_FIELD(inset), kLeft, kL)},
    // Flex and gaps.
    {id(PropertyId::FlexGrow), kNum, 1, 0, TW_FIELD(flex_grow)},
    {id(PropertyId::FlexShrink), kNum, 1, 0, TW_FIELD(flex_shrink)},
    {id(PropertyId::FlexBasis), kLen, 1, 0, TW_FIELD(flex_basis)},
    {id(PropertyId::RowGap), kLen, 1, 0, TW_FIELD(row_gap)},
    {id(PropertyId::ColumnGap), kLen, 1, 0, TW_FIELD(column_gap)},
    // Border widths.
    {id(PropertyId::BorderTopWidth), kNum, 1, 0, field(TW_FIELD(border_width), kTop, kF)},
    {id(PropertyId::BorderRightWidth), kNum, 1, 0, field(TW_FIELD(border_width), kRight, kF)},
    {id(PropertyId::BorderBottomWidth), kNum, 1, 0, field(TW_FIELD(border_width), kBottom, kF)},
    {id(PropertyId::BorderLeftWidth), kNum, 1, 0, field(TW_FIELD(border_width), kLeft, kF)},
    // Text metrics: children inherit them.
    {id(PropertyId::FontSize), kNum, 1, 1, TW_FIELD(font_size)},
    {id(PropertyId::FontWeight), kNum, 1, 1, TW_FIELD(font_weight)},
    {id(PropertyId::LineHeight), kLen, 1, 1, TW_FIELD(line_height)},
    {id(PropertyId::Color), kCol, 0, 1, TW_FIELD(color)},
    // Paint only.
    {id(PropertyId::BackgroundColor), kCol, 0, 0, TW_FIELD(background_color)},
    {id(PropertyId::BorderTopColor), kCol, 0, 0, field(TW_FIELD(border_color), kTop, kC)},
    {id(PropertyId::BorderRightColor), kCol, 0, 0, field(TW_FIELD(border_color), kRight, kC)},
    {id(PropertyId::BorderBottomColor), kCol, 0, 0, field(TW_FIELD(border_color), kBottom, kC)},
    {id(PropertyId::BorderLeftColor), kCol, 0, 0, field(TW_FIELD(border_color), kLeft, kC)},
    {id(PropertyId::BorderTopLeftRadius), kLen, 0, 0, field(TW_FIELD(border_radius), kTopLeft, kL)},
    {id(PropertyId::BorderTopRightRadius), kLen, 0, 0,
     field(TW_FIELD(border_radius), kTopRight, kL)},
    {id(PropertyId::BorderBottomRightRadius), kLen, 0, 0,
     field(TW_FIELD(border_radius), kBottomRight, kL)},
    {id(PropertyId::BorderBottomLeftRadius), kLen, 0, 0,
     field(TW_FIELD(border_radius), kBottomLeft, kL)},
    {id(PropertyId::Opacity), kNum, 0, 0, TW_FIELD(opacity)},
    {id(PropertyId::Transform), kXf, 0, 0, TW_FIELD(transform)},
};

#undef TW_FIELD

// Property id -> table row + 1 (0: not animatable).
struct RowIndex {
  std::int8_t row[css::kPropertyCount] = {};
  constexpr RowIndex() {
    for (int i = 0; i < kAnimatableCount; ++i)
      row[kTable[i].property] = static_cast<std::int8_t>(i + 1);
  }
};
const RowIndex kRows;

template <class T>
T& at(ComputedStyle& style, std::uint16_t offset) {
  return *reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(&style) + offset);
}
template <class T>
const T& at(const ComputedStyle& style, std::uint16_t offset) {
  return *reinterpret_cast<const T*>(reinterpret_cast<const unsigned char*>(&style) + offset);
}

bool ops_equal(const TransformOp& a, const TransformOp& b) {
  if (a.kind != b.kind || a.arg_count != b.arg_count) return false;
  for (int i = 0; i < a.arg_count && i < 6; ++i) {
    if (!(a.args[i] == b.args[i])) return false;
  }
  return true;
}

bool lists_equal(const TransformOp* a, const TransformOp* b, int count) {
  for (int i = 0; i < count; ++i) {
    if (!ops_equal(a[i], b[i])) return false;
  }
  return true;
}

// Argument i of `op` as the identity of its kind would have it (`like` gives the unit).
css::CssLength identity_arg(TransformKind kind, int i, css::CssLength like) {
  switch (kind) {
    case TransformKind::Scale:
      return {1, css::kUnitNone};
    case TransformKind::Matrix:
      return {(i == 0 || i == 3) ? 1.0f : 0.0f, css::kUnitNone};
    case TransformKind::Translate:
      return {0,
              like.unit == css::kUnitNone ? static_cast<std::uint32_t>(css::kUnitPx) : like.unit};
    default:
      return {0, like.unit};
  }
}

// The identity function of `op`'s kind with the same argument count.
TransformOp identity_of(const TransformOp& op) {
  TransformOp id;
  id.kind = op.kind;
  id.arg_count = op.arg_count;
  for (int i = 0; i < op.arg_count && i < 6; ++i) id.args[i] = identity_arg(op.kind, i, op.args[i]);
  return id;
}

// Argument i of `op`, filling what a shorter form leaves out (scale(2) scales both axes).
css::CssLength arg_or_default(const TransformOp& op, int i, css::CssLength like) {
  if (i < op.arg_count) return op.args[i];
  if (op.kind == TransformKind::Scale && i == 1 && op.arg_count >= 1) return op.args[0];
  return identity_arg(op.kind, i, like);
}

bool ops_interpolable(const TransformOp& a, const TransformOp& b) {
  if (a.kind != b.kind) return false;
  int n = std::max(a.arg_count, b.arg_count);
  for (int i = 0; i < n && i < 6; ++i) {
    css::CssLength x = arg_or_default(a, i, i < b.arg_count ? b.args[i] : css::CssLength{});
    css::CssLength y = arg_or_default(b, i, x);
    if (x.unit != y.unit) return false;
  }
  return true;
}

TransformOp blend_ops(const TransformOp& a, const TransformOp& b, double t) {
  TransformOp out;
  out.kind = a.kind;
  int n = std::max(a.arg_count, b.arg_count);
  if (n > 6) n = 6;
  out.arg_count = static_cast<std::uint8_t>(n);
  for (int i = 0; i < n; ++i) {
    css::CssLength x = arg_or_default(a, i, i < b.arg_count ? b.args[i] : css::CssLength{});
    css::CssLength y = arg_or_default(b, i, x);
    out.args[i].unit = x.unit;
    out.args[i].value = static_cast<float>(x.value + (static_cast<double>(y.value) - x.value) * t);
  }
  return out;
}

float lerp(float a, float b, double t) {
  return static_cast<float>(a + (static_cast<double>(b) - a) * t);
}

}  // namespace

std::span<const AnimatableProperty> animatable_properties() noexcept {
  return {kTable, kAnimatableCount};
}

const AnimatableProperty* find_animatable(int property) noexcept {
  int index = animatable_index(property);
  return index < 0 ? nullptr : &kTable[index];
}

int animatable_index(int property) noexcept {
  if (property < 0 || property >= css::kPropertyCount) return -1;
  return kRows.row[property] - 1;
}

AnimatedValue capture_value(const ComputedStyle& style, const AnimatableProperty& row) noexcept {
  AnimatedValue v;
  switch (row.kind) {
    case ValueKind::kNumber:
      v.number = at<float>(style, row.offset);
      break;
    case ValueKind::kLength:
      v.length = at<StyleLength>(style, row.offset);
      break;
    case ValueKind::kColor:
      v.color = at<std::uint32_t>(style, row.offset);
      break;
    case ValueKind::kTransform: {
      const TransformOp* list = style.transform;
      std::uint16_t count = list ? style.transform_count : 0;
      v.transform_source = count ? list : nullptr;
      v.transform_source_count = count;
      v.transform_count = std::min<std::uint16_t>(count, kMaxCapturedTransforms);
      for (int i = 0; i < v.transform_count; ++i) v.transforms[i] = list[i];
      break;
    }
  }
  return v;
}

bool values_equal(ValueKind kind, const AnimatedValue& a, const AnimatedValue& b) noexcept {
  switch (kind) {
    case ValueKind::kNumber:
      return a.number == b.number;
    case ValueKind::kLength:
      return a.length == b.length;
    case ValueKind::kColor:
      return a.color == b.color;
    case ValueKind::kTransform:
      // Lists longer than what a value holds compare in full through their sources.
      if (a.transform_source_count > kMaxCapturedTransforms ||
          b.transform_source_count > kMaxCapturedTransforms) {
        if (a.transform_source_count != b.transform_source_count) return false;
        if (!a.transform_source || !b.transform_source) return false;
        return lists_equal(a.transform_source, b.transform_source, a.transform_source_count);
      }
      return a.transform_count == b.transform_count &&
             lists_equal(a.transforms, b.transforms, a.transform_count);
  }
  return false;
}

bool interpolable(ValueKind kind, const AnimatedValue& from, const AnimatedValue& to) noexcept {
  switch (kind) {
    case ValueKind::kNumber:
    case ValueKind::kColor:
      return true;
    case ValueKind::kLength: {
      std::uint32_t unit = from.length.unit;
      return unit == to.length.unit && unit <= kStylePercent;
    }
    case ValueKind::kTransform: {
      if (from.transform_count == 0 || to.transform_count == 0) return true;
      if (from.transform_count != to.transform_count) return false;
      for (int i = 0; i < from.transform_count; ++i) {
        if (!ops_interpolable(from.transforms[i], to.transforms[i])) return false;
      }
      return true;
    }
  }
  return false;
}

std::uint32_t blend_colors(std::uint32_t from, std::uint32_t to, double t) noexcept {
  double a1 = from >> 24, a2 = to >> 24;
  double a = a1 + (a2 - a1) * t;
  double alpha = std::clamp(std::round(a), 0.0, 255.0);
  if (!(a > 0) || alpha == 0) return 0;
  std::uint32_t out = static_cast<std::uint32_t>(alpha) << 24;
  for (int shift = 16; shift >= 0; shift -= 8) {
    double c1 = (from >> shift) & 0xFF, c2 = (to >> shift) & 0xFF;
    double c = (c1 * a1 + (c2 * a2 - c1 * a1) * t) / a;
    c = std::clamp(std::round(c), 0.0, 255.0);
    out |= static_cast<std::uint32_t>(c) << shift;
  }
  return out;
}

AnimatedValue interpolate(ValueKind kind, const AnimatedValue& from, const AnimatedValue& to,
                          double t) noexcept {
  if (!std::isfinite(t)) t = 1;
  if (!interpolable(kind, from, to)) return t < 0.5 ? from : to;
  AnimatedValue v;
  switch (kind) {
    case ValueKind::kNumber:
      v.number = lerp(from.number, to.number, t);
      break;
    case ValueKind::kLength:
      v.length.unit = from.length.unit;
      v.length.value = lerp(from.length.value, to.length.value, t);
      break;
    case ValueKind::kColor:
      v.color = blend_colors(from.color, to.color, t);
      break;
    case ValueKind::kTransform: {
      const AnimatedValue& shape = from.transform_count ? from : to;
      v.transform_count = shape.transform_count;
      for (int i = 0; i < v.transform_count; ++i) {
        TransformOp a = from.transform_count ? from.transforms[i] : identity_of(to.transforms[i]);
        TransformOp b = to.transform_count ? to.transforms[i] : identity_of(from.transforms[i]);
        v.transforms[i] = blend_ops(a, b, t);
      }
      break;
    }
  }
  return v;
}

void write_value(ComputedStyle& style, const AnimatableProperty& row, const AnimatedValue& value,
                 css::TransformOp* transform_storage) noexcept {
  switch (row.kind) {
    case ValueKind::kNumber: {
      float n = std::isfinite(value.number) ? value.number : 0.0f;
      // Eased progress may overshoot; none of these properties takes a negative value,
      // and opacity stops at 1.
      if (n < 0) n = 0;
      if (row.property == static_cast<std::int16_t>(css::PropertyId::Opacity) && n > 1) n = 1;
      at<float>(style, row.offset) = n;
      break;
    }
    case ValueKind::kLength: {
      StyleLength l = value.length;
      if (!std::isfinite(l.value)) l.value = 0;
      at<StyleLength>(style, row.offset) = l;
      break;
    }
    case ValueKind::kColor:
      at<std::uint32_t>(style, row.offset) = value.color;
      break;
    case ValueKind::kTransform:
      if (value.transform_source) {
        style.transform = value.transform_source;
        style.transform_count = value.transform_source_count;
      } else if (value.transform_count == 0) {
        style.transform = nullptr;
        style.transform_count = 0;
      } else if (transform_storage) {
        for (int i = 0; i < value.transform_count; ++i) {
          transform_storage[i] = value.transforms[i];
          for (auto& arg : transform_storage[i].args) {
            if (!std::isfinite(arg.value)) arg.value = 0;
          }
        }
        style.transform = transform_storage;
        style.transform_count = value.transform_count;
      }
      break;
  }
}

}  // namespace orlan::anim
