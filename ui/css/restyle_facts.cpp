#include "restyle_facts.h"

#include <algorithm>

#include "style_sheet.h"

namespace orlan::css {

namespace {

constexpr std::uint16_t kStructural =
    pc::FirstChild | pc::LastChild | pc::Empty | pc::FirstOfType | pc::LastOfType;

}  // namespace

void RestyleFacts::add(std::uint64_t kind, std::uint32_t atom, std::uint8_t reach) {
  if (atom == 0 || reach == 0) return;
  m_keys.emplace_back((kind << 32) | atom, reach);
}

void RestyleFacts::add_compound(const CompoundSelector& c, std::uint8_t reach, bool with_tag) {
  if (reach == 0) return;
  for (std::uint8_t i = 0; i < c.class_count; ++i) add(kClassKey, c.classes[i], reach);
  for (std::uint8_t i = 0; i < c.attribute_count; ++i)
    add(kAttributeKey, c.attributes[i].name, reach);
  add(kIdKey, c.id, reach);
  if (with_tag) add(kTagKey, c.tag, reach);
  std::uint16_t bits = c.pseudo_classes;
  if (reach & kReachSubtree) m_state_bits[0] |= bits;
  if (reach & kReachSiblings) m_state_bits[1] |= bits;
  if (reach & kReachHas) m_state_bits[2] |= bits;
  for (std::uint8_t i = 0; i < c.not_count; ++i) add_compound(c.not_list[i], reach, with_tag);
  for (std::uint8_t i = 0; i < c.is_count; ++i) add_compound(c.is_list[i], reach, with_tag);
}

void RestyleFacts::build(std::span<const StyleSheet* const> sheets) {
  m_keys.clear();
  std::fill(std::begin(m_state_bits), std::end(m_state_bits), 0);
  m_has_any = false;
  m_has_structural = false;
  for (const StyleSheet* sheet : sheets) {
    if (!sheet) continue;
    for (const StyleRule& rule : sheet->rules()) {
      for (const ComplexSelector& s : rule.selector_list()) {
        for (std::uint8_t i = 0; i < s.compound_count; ++i) {
          const CompoundSelector& c = s.compounds[i];
          std::uint8_t reach = 0;
          if (i > 0) {
            Combinator toward_subject = s.compounds[i - 1].combinator;
            reach = toward_subject == Combinator::NextSibling ||
                            toward_subject == Combinator::SubsequentSibling
                        ? kReachSiblings
                        : kReachSubtree;
          }
          add_compound(c, reach, false);
          // :focus-within changes with the focus of any descendant.
          if (c.pseudo_classes & pc::FocusWithin) m_state_bits[2] |= pc::Focus;
          for (std::uint8_t k = 0; k < c.not_count; ++k)
            if (c.not_list[k].pseudo_classes & pc::FocusWithin) m_state_bits[2] |= pc::Focus;
          for (std::uint8_t k = 0; k < c.is_count; ++k)
            if (c.is_list[k].pseudo_classes & pc::FocusWithin) m_state_bits[2] |= pc::Focus;
          for (std::uint8_t h = 0; h < c.has_count; ++h) {
            const CompoundSelector& rel = c.has_list[h];
            add_compound(rel, kReachHas, true);
            if (!rel.tag && !rel.id && !rel.class_count && !rel.attribute_count) m_has_any = true;
            if ((rel.pseudo_classes & kStructural) || rel.nth_present ||
                rel.combinator == Combinator::NextSibling ||
                rel.combinator == Combinator::SubsequentSibling)
              m_has_structural = true;
          }
        }
      }
    }
  }
  std::sort(m_keys.begin(), m_keys.end());
  // Merge equal keys, OR-ing their reach.
  std::size_t out = 0;
  for (std::size_t i = 0; i < m_keys.size(); ++i) {
    if (out > 0 && m_keys[out - 1].first == m_keys[i].first) {
      m_keys[out - 1].second |= m_keys[i].second;
    } else {
      m_keys[out++] = m_keys[i];
    }
  }
  m_keys.resize(out);
}

std::uint8_t RestyleFacts::find(std::uint64_t kind, std::uint32_t atom) const {
  if (atom == 0) return 0;
  std::uint64_t key = (kind << 32) | atom;
  auto it = std::lower_bound(m_keys.begin(), m_keys.end(), std::make_pair(key, std::uint8_t{0}));
  return it != m_keys.end() && it->first == key ? it->second : 0;
}

std::uint8_t RestyleFacts::state_reach(std::uint16_t state_bits) const {
  std::uint16_t pcs = 0;
  if (state_bits & 1) pcs |= pc::Hover;
  if (state_bits & 2) pcs |= pc::Active;
  if (state_bits & 4) pcs |= pc::Focus;
  if (state_bits & 8) pcs |= pc::Disabled | pc::Enabled;
  if (state_bits & 0x10) pcs |= pc::Checked;
  std::uint8_t reach = 0;
  if (m_state_bits[0] & pcs) reach |= kReachSubtree;
  if (m_state_bits[1] & pcs) reach |= kReachSiblings;
  if (m_state_bits[2] & pcs) reach |= kReachHas;
  return reach;
}

}  // namespace orlan::css
