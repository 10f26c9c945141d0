#pragma once

// Test, fuzz and benchmark support: a document with sheets and element styles built from
// declaration text by the cascade's own declaration applier.

#include <deque>
#include <string>
#include <string_view>

#include "animatable.h"
#include "animations.h"
#include "computed_style.h"
#include "document.h"
#include "document_sheets.h"
#include "style_sheet.h"

namespace orlan::anim::testing {

// A document whose author sheet and element styles come from CSS text. Styles are kept
// by the fixture; restyle() plays the part of the style pass for one element.
class AnimationDocument {
 public:
  AnimationDocument() {
    css::install_document_sheets();
    install_release_hook();
    set_keyframe_applier(&apply_declaration);
    document = create_document();
    body = element(document->root);
  }
  ~AnimationDocument() { destroy_document(document); }

  void author_css(std::string_view text) { css::parse_stylesheet(*document->sheets.author, text); }

  Node* element(Node* parent) {
    Node* n = create_element_node(*document, "div");
    link_child(*parent, *n, nullptr);
    return n;  // unstyled: its first restyle has no old style
  }

  // The style `declarations` give on top of the initial values (inheriting the parent's
  // colour and font size), as an element's style attribute would.
  ComputedStyle& computed(Node& n, std::string_view declarations) {
    styles.emplace_back();
    ComputedStyle& s = styles.back();
    const ComputedStyle* parent = n.parent ? n.parent->style : nullptr;
    if (parent) {
      s.color = parent->color;
      s.font_size = parent->font_size;
    }
    css::DeclarationBlock block;
    css::parse_declaration_block(*document->sheets.scratch, declarations, block);
    CascadeContext context;
    context.document = document;
    context.element = &n;
    context.style = &s;
    context.parent = parent;
    context.parent_font_size = parent ? parent->font_size : 16;
    context.from_style_attribute = true;
    for (const css::Declaration& d : block.list()) apply_declaration(context, d);
    return s;
  }

  // Recomputes the element's style from `declarations` at `now`, as the style pass does.
  ComputedStyle& restyle(Node& n, std::string_view declarations, double now, bool keep_old = true) {
    ComputedStyle& s = computed(n, declarations);
    update_element(*document, n, keep_old ? n.style : nullptr, s, now);
    n.style = &s;
    return s;
  }

  std::uint32_t frame(double now) {
    document->frame_time = now;
    return tick(*document, now, &delay);
  }

  Document* document = nullptr;
  Node* body = nullptr;
  double delay = -1;
  std::deque<ComputedStyle> styles;
};

}  // namespace orlan::anim::testing
