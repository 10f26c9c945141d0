#pragma once

// Internal: the per-element records of running transitions and animations.

#include <cstdint>
#include <vector>

#include "animatable.h"
#include "css_value.h"
#include "style_sheet.h"

namespace orlan {

namespace anim {
inline constexpr int kMaxAnimations = 8;
inline constexpr int kMaxAnimatedProperties = 16;
}  // namespace anim

struct TransitionRecord {
  std::int16_t property = 0;
  std::uint8_t row = 0;  // index into animatable_properties()
  double start = 0;
  float duration = 0;
  float delay = 0;
  css::TimingFunction timing;
  anim::AnimatedValue from;
  anim::AnimatedValue current;
  anim::AnimatedValue to;
};

struct AnimationRecord {
  css::AnimationEntry entry;
  double start = 0;
  bool finished = false;
  std::uint8_t keyframe_count = 0;
  std::uint8_t property_count = 0;
  float offsets[css::kMaxKeyframes] = {};
  std::uint8_t rows[anim::kMaxAnimatedProperties] = {};  // animatable rows it drives
  // Per keyframe and property (keyframe * property_count + property): the value the
  // keyframe gives and whether it declares the property at all.
  std::vector<anim::AnimatedValue> values;
  std::vector<std::uint8_t> declared;
  // The element's own value of each property.
  std::vector<anim::AnimatedValue> base;
};

struct AnimationState {
  Node* element = nullptr;
  std::uint32_t slot = 0;  // index in the document's list of animated elements
  std::vector<TransitionRecord> transitions;
  // At most kMaxAnimations; animation_count mirrors its size.
  std::vector<AnimationRecord> animations;
  std::uint8_t animation_count = 0;
  // Two transform lists the element's style points to while a transform moves; written
  // alternately so the style before a restyle and the one after never share one.
  css::TransformOp* transform_buffers[2] = {};
  std::size_t transform_capacity = 0;
  std::uint8_t next_transform_buffer = 0;

  bool empty() const { return transitions.empty() && animation_count == 0; }
};

}  // namespace orlan
