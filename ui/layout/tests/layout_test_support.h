#pragma once

// Trees with hand-made styles for the tests that exercise one algorithm without the
// cascade.

#include <deque>
#include <string_view>

#include "computed_style.h"
#include "document.h"
#include "layout_internal.h"

namespace orlan::testing_support {

struct Tree {
  Document* document = create_document();
  std::deque<ComputedStyle> styles;  // stable addresses
  LayoutArena arena;

  ~Tree() { destroy_document(document); }

  ComputedStyle& style(Display display = Display::kBlock) {
    styles.emplace_back();
    styles.back().display = display;
    return styles.back();
  }
  Node& element(Node& parent, std::string_view tag, ComputedStyle& s) {
    Node* n = create_element_node(*document, tag);
    link_child(parent, *n, nullptr);
    n->style = &s;
    if (tag == "html") document->html = n;
    return *n;
  }
  Node& text(Node& parent, std::string_view text) {
    Node* n = create_text_node(*document, text);
    link_child(parent, *n, nullptr);
    n->style = parent.style;
    return *n;
  }
  LayoutContext context(float viewport_width = 800, float viewport_height = 600) {
    install_layout_hooks();
    LayoutContext c;
    c.document = document;
    c.measurer = &fallback_text_measurer();
    static std::uint32_t generation = 1u << 30;
    c.generation = ++generation;
    c.arena = &arena;
    c.viewport_width = viewport_width;
    c.viewport_height = viewport_height;
    document->viewport_width = viewport_width;
    document->viewport_height = viewport_height;
    return c;
  }
};

}  // namespace orlan::testing_support
