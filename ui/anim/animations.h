#pragma once

// CSS transitions and @keyframes animations. The style pass drives this stage through two
// entry points: update_element for every recomputed element (start, retarget or drop its
// transitions, start or keep its animations, and write their running values into the new
// style), and tick once per frame after the restyle (advance everything to the frame time,
// write the values, mark the elements dirty and say when the next frame is needed).
// Times are milliseconds of the high-resolution counter. UI thread only.

#include <cstddef>
#include <cstdint>

#include "computed_style.h"
#include "document.h"

namespace orlan::anim {

// Evaluates one keyframe declaration into a style, the way the cascade applies a rule's
// declaration (the cascade's apply_declaration).
using DeclarationApplier = void (*)(CascadeContext& context,
                                    const css::Declaration& declaration) noexcept;

// Installs update_element and tick as the style pass's animation hooks, and the node
// hook that frees an element's animation state when the element is destroyed. Keyframe
// blocks are evaluated with `apply`; without one, animations do not run (transitions do).
void install_animations(DeclarationApplier apply) noexcept;

// The style of `element` was recomputed into `new_style` at time `now`; `old_style` is
// its previous style (null: first style, or a full reset, and then no transition starts).
// An element that has, or whose ancestor has, display none loses every transition and
// animation. Running values are written into `new_style`.
void update_element(Document& document, Node& element, const ComputedStyle* old_style,
                    ComputedStyle& new_style, double now) noexcept;

// Advances every running transition and animation of the document to `now`, writes the
// values into the elements' styles and marks them dirty (repaint; relayout and restyle
// where the property asks for it). Elements that left the document or are no longer
// displayed lose their records. Returns the number of items still running and stores in
// `next_frame_delay` how long the frame loop may wait before the next frame: 0 when
// nothing runs or a frame is needed at once, otherwise the time until the earliest change
// (a step boundary or the end of a delay), never more than kMaxFrameDelay.
std::uint32_t tick(Document& document, double now, double* next_frame_delay) noexcept;

// The longest next-frame delay tick reports. Anything further away is looked at again
// after this long, so the frame loop never has to convert an unbounded wait.
inline constexpr double kMaxFrameDelay = 60000;

// Sets the applier alone (install_animations does this too).
void set_keyframe_applier(DeclarationApplier apply) noexcept;
// Installs alone the node hook that frees an element's state when the element is
// destroyed (install_animations does this too).
void install_release_hook() noexcept;

// Frees the element's transitions and animations (the element keeps its current values).
void release_element(Document& document, Node& element) noexcept;

// Number of elements with an animation state in the document.
std::size_t animated_element_count(const Document& document) noexcept;

// Running transitions of one element (0 without a state), for tests and tools.
std::size_t transition_count(const Node& element) noexcept;
std::size_t animation_count(const Node& element) noexcept;

}  // namespace orlan::anim
