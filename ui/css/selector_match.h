#pragma once

// Matching a complex selector against an element. The element model belongs to the
// document, so matching is written against a small adapter the caller supplies:
//
//   struct Adapter {
//     using Element = ...;                        // a cheap handle; null/empty is falsy
//     Element parent(Element) const;              // parent element, or null
//     Element previous_sibling(Element) const;    // previous non-generated element sibling
//     Element next_sibling(Element) const;        // next non-generated element sibling
//     Element first_child(Element) const;         // first non-generated element child
//     uint32_t tag(Element) const;                // tag atom
//     uint32_t id(Element) const;                 // id atom (0: none)
//     bool has_class(Element, uint32_t atom) const;
//     uint32_t state(Element) const;              // 1 hover, 2 active, 4 focus,
//                                                 // 8 disabled, 0x10 checked
//     bool is_root(Element) const;                // the document's html element
//     bool has_children(Element) const;           // any non-generated child, text included
//     bool contains_focus(Element) const;         // focused, or an ancestor of the focus
//     uint8_t generated_kind(Element) const;      // 0, or the pseudo-element it stands for
//     // Attribute value by lower-cased name atom; false when absent.
//     bool attribute(Element, uint32_t name, std::string_view& value) const;
//   };

#include <cstdint>
#include <string_view>

#include "ascii.h"
#include "selectors.h"

namespace orlan::css {

namespace match_detail {

using tw::ascii_lower;

inline bool equal(std::string_view a, std::string_view b, bool fold) {
  if (a.size() != b.size()) return false;
  if (!fold) return a == b;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

inline bool contains(std::string_view hay, std::string_view needle, bool fold) {
  if (needle.size() > hay.size()) return false;
  for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    if (equal(hay.substr(i, needle.size()), needle, fold)) return true;
  }
  return false;
}

inline bool attribute_value_matches(const AttributeSelector& a, std::string_view v) {
  bool fold = a.case_insensitive != 0;
  std::string_view want = a.text;
  switch (a.op) {
    case 0:
      return true;
    case '=':
      return equal(v, want, fold);
    case '^':
      return !want.empty() && v.size() >= want.size() &&
             equal(v.substr(0, want.size()), want, fold);
    case '$':
      return !want.empty() && v.size() >= want.size() &&
             equal(v.substr(v.size() - want.size()), want, fold);
    case '*':
      return !want.empty() && contains(v, want, fold);
    case '|':
      return equal(v, want, fold) || (v.size() > want.size() && v[want.size()] == '-' &&
                                      equal(v.substr(0, want.size()), want, fold));
    case '~': {
      std::size_t i = 0;
      while (i < v.size()) {
        while (i < v.size() && (v[i] == ' ' || v[i] == '\t' || v[i] == '\n')) ++i;
        std::size_t end = i;
        while (end < v.size() && v[end] != ' ' && v[end] != '\t' && v[end] != '\n') ++end;
        if (end > i && equal(v.substr(i, end - i), want, fold)) return true;
        i = end;
      }
      return false;
    }
    default:
      return false;
  }
}

// Position from the start (or the end) among element siblings, optionally of one tag.
template <class A>
int position_of(const A& a, typename A::Element e, bool from_end, bool same_tag) {
  int p = 1;
  uint32_t tag = a.tag(e);
  for (auto s = from_end ? a.next_sibling(e) : a.previous_sibling(e); s;
       s = from_end ? a.next_sibling(s) : a.previous_sibling(s)) {
    if (!same_tag || a.tag(s) == tag) ++p;
  }
  return p;
}

template <class A>
bool compound_matches(const CompoundSelector& c, typename A::Element e, const A& a);

template <class A>
bool has_alternative_matches(const CompoundSelector& rel, typename A::Element anchor, const A& a) {
  switch (rel.combinator) {
    case Combinator::Child:
      for (auto child = a.first_child(anchor); child; child = a.next_sibling(child)) {
        if (compound_matches(rel, child, a)) return true;
      }
      return false;
    case Combinator::NextSibling: {
      auto next = a.next_sibling(anchor);
      return next && compound_matches(rel, next, a);
    }
    case Combinator::SubsequentSibling:
      for (auto s = a.next_sibling(anchor); s; s = a.next_sibling(s)) {
        if (compound_matches(rel, s, a)) return true;
      }
      return false;
    default: {
      // Any descendant, depth first, without recursion.
      auto node = a.first_child(anchor);
      while (node) {
        if (compound_matches(rel, node, a)) return true;
        if (auto child = a.first_child(node)) {
          node = child;
          continue;
        }
        while (node) {
          if (auto next = a.next_sibling(node)) {
            node = next;
            break;
          }
          node = a.parent(node);
          if (node == anchor) return false;
        }
      }
      return false;
    }
  }
}

template <class A>
bool compound_matches(const CompoundSelector& c, typename A::Element e, const A& a) {
  if (c.tag && a.tag(e) != c.tag) return false;
  if (c.id && a.id(e) != c.id) return false;
  for (uint8_t i = 0; i < c.class_count; ++i) {
    if (!a.has_class(e, c.classes[i])) return false;
  }
  if (uint16_t bits = c.pseudo_classes) {
    uint32_t state = a.state(e);
    if ((bits & pc::Hover) && !(state & 1)) return false;
    if ((bits & pc::Active) && !(state & 2)) return false;
    if ((bits & pc::Focus) && !(state & 4)) return false;
    if ((bits & pc::Disabled) && !(state & 8)) return false;
    if ((bits & pc::Enabled) && (state & 8)) return false;
    if ((bits & pc::Checked) && !(state & 0x10)) return false;
    if ((bits & pc::Root) && !a.is_root(e)) return false;
    if ((bits & pc::Empty) && a.has_children(e)) return false;
    if ((bits & pc::FocusWithin) && !a.contains_focus(e)) return false;
    if ((bits & pc::FirstChild) && a.previous_sibling(e)) return false;
    if ((bits & pc::LastChild) && a.next_sibling(e)) return false;
    if (bits & (pc::FirstOfType | pc::LastOfType)) {
      uint32_t tag = a.tag(e);
      if (bits & pc::FirstOfType) {
        for (auto s = a.previous_sibling(e); s; s = a.previous_sibling(s)) {
          if (a.tag(s) == tag) return false;
        }
      }
      if (bits & pc::LastOfType) {
        for (auto s = a.next_sibling(e); s; s = a.next_sibling(s)) {
          if (a.tag(s) == tag) return false;
        }
      }
    }
  }
  if (c.nth_present) {
    bool from_end = c.nth_kind == NthKind::LastChild || c.nth_kind == NthKind::LastOfType;
    bool same_tag = c.nth_kind == NthKind::OfType || c.nth_kind == NthKind::LastOfType;
    int p = position_of(a, e, from_end, same_tag);
    int diff = p - c.nth_b;
    if (c.nth_a == 0) {
      if (diff != 0) return false;
    } else if (diff % c.nth_a != 0 || diff / c.nth_a < 0) {
      return false;
    }
  }
  for (uint8_t i = 0; i < c.attribute_count; ++i) {
    std::string_view value;
    if (!a.attribute(e, c.attributes[i].name, value)) return false;
    if (!attribute_value_matches(c.attributes[i], value)) return false;
  }
  for (uint8_t i = 0; i < c.not_count; ++i) {
    if (compound_matches(c.not_list[i], e, a)) return false;
  }
  if (c.is_count) {
    bool any = false;
    for (uint8_t i = 0; i < c.is_count && !any; ++i) any = compound_matches(c.is_list[i], e, a);
    if (!any) return false;
  }
  if (c.has_count) {
    bool any = false;
    for (uint8_t i = 0; i < c.has_count && !any; ++i) {
      any = has_alternative_matches(c.has_list[i], e, a);
    }
    if (!any) return false;
  }
  return true;
}

// Compounds [index..count) against `e` and its relatives, with backtracking.
template <class A>
bool match_from(const ComplexSelector& s, int index, typename A::Element e, const A& a) {
  const CompoundSelector& c = s.compounds[index];
  if (!compound_matches(c, e, a)) return false;
  if (index + 1 == s.compound_count) return true;
  switch (c.combinator) {
    case Combinator::Child: {
      auto p = a.parent(e);
      return p && match_from(s, index + 1, p, a);
    }
    case Combinator::NextSibling: {
      auto prev = a.previous_sibling(e);
      return prev && match_from(s, index + 1, prev, a);
    }
    case Combinator::SubsequentSibling:
      for (auto prev = a.previous_sibling(e); prev; prev = a.previous_sibling(prev)) {
        if (match_from(s, index + 1, prev, a)) return true;
      }
      return false;
    case Combinator::Descendant:
      for (auto p = a.parent(e); p; p = a.parent(p)) {
        if (match_from(s, index + 1, p, a)) return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace match_detail

template <class A>
bool selector_matches(const ComplexSelector& selector, typename A::Element element, const A& a) {
  if (!element || selector.compound_count == 0) return false;
  uint8_t kind = a.generated_kind(element);
  if (kind != 0) {
    // A generated box matches only selectors for its pseudo-element, through its owner.
    if (static_cast<uint8_t>(selector.pseudo_element) != kind) return false;
    element = a.parent(element);
    if (!element) return false;
  } else if (selector.pseudo_element != PseudoElement::None) {
    return false;
  }
  return match_detail::match_from(selector, 0, element, a);
}

}  // namespace orlan::css
