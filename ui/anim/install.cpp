// Wiring into the style pass: the two hooks it calls.

#include "animations.h"

namespace orlan::anim {
namespace {

void hook_update(Document& document, Node& element, const ComputedStyle* old_style,
                 ComputedStyle& new_style, double now) {
  update_element(document, element, old_style, new_style, now);
}

std::uint32_t hook_tick(Document& document, double now, double* next_frame_delay) {
  return tick(document, now, next_frame_delay);
}

const AnimationHooks kHooks = {&hook_update, &hook_tick};

}  // namespace

void install_animations(DeclarationApplier apply) noexcept {
  set_keyframe_applier(apply);
  install_release_hook();
  set_animation_hooks(&kHooks);
}

}  // namespace orlan::anim
