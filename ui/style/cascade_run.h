#pragma once

// Internal: the cascade's bookkeeping for one style computation, and the field copies
// shared by inheritance and the inherit/initial/unset keywords.

#include "computed_style.h"
#include "style_state.h"

namespace orlan::style {

struct CascadeRun {
  StyleState* state = nullptr;
  bool applying_font_size = false;
  // Custom properties declared by this computation collect in state.custom_scratch
  // (starting from the inherited list) and are copied into the arena once.
  bool custom_open = false;
  // background-* declarations build one working layer, committed once.
  bool layer_open = false;
  BackgroundLayer layer;
};

// Copies the field(s) of property `p` from `from` to `to`.
void copy_property(css::PropertyId p, ComputedStyle& to, const ComputedStyle& from) noexcept;
// Copies every inherited field.
void copy_inherited(ComputedStyle& to, const ComputedStyle& from) noexcept;

// Stores `layer` as the style's one background layer (none when it has no image).
void commit_background_layer(ComputedStyle* style, StyleState& state, const BackgroundLayer& layer);

}  // namespace orlan::style
