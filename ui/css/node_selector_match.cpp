#include "node_selector_match.h"

#include "document.h"
#include "node.h"
#include "selector_match.h"

namespace orlan::css {

namespace {

bool is_plain_element(const Node* n) {
  return n->is_element() && n->generated == 0;
}

class NodeAdapter {
 public:
  using Element = const Node*;

  Element parent(Element e) const {
    Node* p = e->parent;
    return p && p->is_element() ? p : nullptr;
  }
  Element previous_sibling(Element e) const {
    for (Node* s = e->prev_sibling; s; s = s->prev_sibling) {
      if (is_plain_element(s)) return s;
    }
    return nullptr;
  }
  Element next_sibling(Element e) const {
    for (Node* s = e->next_sibling; s; s = s->next_sibling) {
      if (is_plain_element(s)) return s;
    }
    return nullptr;
  }
  Element first_child(Element e) const {
    for (Node* c = e->first_child; c; c = c->next_sibling) {
      if (is_plain_element(c)) return c;
    }
    return nullptr;
  }
  uint32_t tag(Element e) const { return e->tag; }
  uint32_t id(Element e) const { return e->id; }
  bool has_class(Element e, uint32_t atom) const {
    for (uint16_t i = 0; i < e->class_count; ++i) {
      if (e->classes[i] == atom) return true;
    }
    return false;
  }
  uint32_t state(Element e) const {
    return e->state &
           (kStateHovered | kStatePressed | kStateFocused | kStateDisabled | kStateChecked);
  }
  bool is_root(Element e) const { return e->document && e->document->html == e; }
  bool has_children(Element e) const {
    for (Node* c = e->first_child; c; c = c->next_sibling) {
      if (c->generated == 0) return true;
    }
    return false;
  }
  bool contains_focus(Element e) const {
    for (const Node* n = e->document ? e->document->focused : nullptr; n; n = n->parent) {
      if (n == e) return true;
    }
    return false;
  }
  uint8_t generated_kind(Element e) const { return e->generated; }
  bool attribute(Element e, uint32_t name, std::string_view& value) const {
    const Attribute* a = find_attribute(*e, name);
    if (!a) return false;
    value = a->value ? std::string_view(a->value, a->length) : std::string_view();
    return true;
  }
};

}  // namespace

bool selector_matches(const ComplexSelector& selector, const Node& element) noexcept {
  if (!element.is_element()) return false;
  return css::selector_matches(selector, &element, NodeAdapter{});
}

bool selector_matches_pseudo(const ComplexSelector& selector, const Node& owner,
                             PseudoElement kind) noexcept {
  if (!owner.is_element() || selector.pseudo_element != kind || kind == PseudoElement::None ||
      selector.compound_count == 0) {
    return false;
  }
  return match_detail::match_from(selector, 0, &owner, NodeAdapter{});
}

}  // namespace orlan::css
