#pragma once

// Test, fuzz and benchmark support: a document with sheets, element styles built from declaration
// text, and a small declaration applier standing in for the cascade's (enough for the properties
// these tests move, plus display, transition and animation).

#include <deque>
#include <string>
#include <string_view>

#include "animatable.h"
#include "animations.h"
#include "document.h"
#include "document_sheets.h"
#include "style_sheet.h"

namespace orlan::anim::testing {

inline void apply_for_tests(CascadeContext& context, const css::Declaration& d) noexcept {
  ComputedStyle& s = *context.style;
  const css::CssValue& v = d.value;
  switch (d.property) {
    case css::PropertyId::Display:
      if (v.type == css::ValueType::Keyword) {
        s.display = v.keyword == css::kw::None ? Display::kNone : Display::kBlock;
      }
      return;
    case css::PropertyId::Transition:
      s.transition = v.type == css::ValueType::TransitionList ? v.transitions : nullptr;
      s.transition_count = v.type == css::ValueType::TransitionList ? v.count : 0;
      return;
    case css::PropertyId::Animation:
      s.animation = v.type == css::ValueType::AnimationList ? v.animations : nullptr;
      s.animation_count = v.type == css::ValueType::AnimationList ? v.count : 0;
      return;
    default:
      break;
  }
  const AnimatableProperty* row = find_animatable(css::to_index(d.property));
  if (!row) return;
  auto* field = reinterpret_cast<unsigned char*>(&s) + row->offset;
  switch (row->kind) {
    case ValueKind::kNumber:
      if (v.type == css::ValueType::Number) *reinterpret_cast<float*>(field) = v.number;
      if (v.type == css::ValueType::Length && v.length.unit == css::kUnitPx) {
        *reinterpret_cast<float*>(field) = v.length.value;
      }
      return;
    case ValueKind::kLength: {
      StyleLength l;
      if (v.type == css::ValueType::Length) {
        l.value = v.length.unit == css::kUnitEm ? v.length.value * s.font_size : v.length.value;
        l.unit = v.length.unit == css::kUnitEm ? kStylePx : v.length.unit;
      } else if (v.type == css::ValueType::Number) {
        l = {v.number, kStyleNone};
      } else if (v.is_keyword(css::kw::Auto)) {
        l = StyleLength::automatic();
      } else {
        return;
      }
      *reinterpret_cast<StyleLength*>(field) = l;
      return;
    }
    case ValueKind::kColor:
      if (v.type == css::ValueType::Color) *reinterpret_cast<std::uint32_t*>(field) = v.color;
      return;
    case ValueKind::kTransform:
      if (v.type == css::ValueType::Transform) {
        s.transform = v.transforms;
        s.transform_count = v.count;
      } else {
        s.transform = nullptr;
        s.transform_count = 0;
      }
      return;
  }
}

// A document whose author sheet and element styles come from CSS text. Styles are kept
// by the fixture; restyle() plays the part of the style pass for one element.
class AnimationDocument {
 public:
  AnimationDocument() {
    css::install_document_sheets();
    install_release_hook();
    set_keyframe_applier(&apply_for_tests);
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
  // colour and font size).
  ComputedStyle& computed(Node& n, std::string_view declarations) {
    styles.emplace_back();
    ComputedStyle& s = styles.back();
    if (n.parent && n.parent->style) {
      s.color = n.parent->style->color;
      s.font_size = n.parent->style->font_size;
    }
    css::DeclarationBlock block;
    css::parse_declaration_block(*document->sheets.scratch, declarations, block);
    CascadeContext context;
    context.document = document;
    context.element = &n;
    context.style = &s;
    for (const css::Declaration& d : block.list()) apply_for_tests(context, d);
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
