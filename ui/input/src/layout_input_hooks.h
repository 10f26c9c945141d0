#pragma once

// Connects the document's input handling to layout: hit testing on the laid-out boxes
// (until painting's own hit test takes over), border boxes, scrolling and scrollbar
// drags, column resizing, caret positions in control text, and text positions for the
// document selection. The host installs these once; tests install them with the
// fallback measurer.

#include "input_hooks.h"
#include "layout_box.h"

namespace orlan {

using HitTestFunction = Node* (*)(Document& document, float x, float y);

// Installs the hooks for every document. `measurer` measures control text (null: the
// fallback measurer) and is used for the layouts popups need; `hit_test` replaces the
// layout-geometry hit test when given.
void install_layout_input_hooks(const TextMeasurer* measurer,
                                HitTestFunction hit_test = nullptr) noexcept;

// The element under a document point by layout geometry: the last-painted box that
// contains it, scroll containers clipping their content.
Node* layout_hit_test(Document& document, float x, float y) noexcept;

}  // namespace orlan
