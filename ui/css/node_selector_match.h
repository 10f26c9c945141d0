#pragma once

// Selector matching against the document's own nodes (the cascade's entry point).

#include "selectors.h"

namespace orlan {

struct Node;

namespace css {

// Whether `selector` matches `element`. A generated node (::before, ::after, ::marker)
// matches only selectors for its pseudo-element, through its owner.
bool selector_matches(const ComplexSelector& selector, const Node& element) noexcept;

// Whether `selector` matches a pseudo-element of `owner` that has no node of its own
// (::placeholder, ::selection): the selector must name that pseudo-element.
bool selector_matches_pseudo(const ComplexSelector& selector, const Node& owner,
                             PseudoElement kind) noexcept;

}  // namespace css
}  // namespace orlan
