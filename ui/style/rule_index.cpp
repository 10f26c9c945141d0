#include "rule_index.h"

#include <algorithm>
#include <new>

namespace orlan::style {

void RuleIndex::clear() noexcept {
  m_keys.clear();
  m_heads.clear();
  m_entries.clear();
  m_stamps.clear();
  m_slots.clear();
  std::fill(std::begin(m_universal), std::end(m_universal), kEnd);
  std::fill(std::begin(m_pseudo_count), std::end(m_pseudo_count), 0u);
  m_mask = 0;
  m_generation = 0;
  m_built = false;
}

std::uint32_t RuleIndex::find_slot(std::uint64_t key) const noexcept {
  std::uint64_t slot = ((key * 0x9E3779B97F4A7C15ull) >> 40) & m_mask;
  while (m_keys[slot] != 0 && m_keys[slot] != key) slot = (slot + 1) & m_mask;
  return static_cast<std::uint32_t>(slot);
}

bool RuleIndex::build(const css::StyleSheet& sheet) noexcept {
  clear();
  try {
    std::size_t selectors = 0;
    for (const css::StyleRule& rule : sheet.rules()) selectors += rule.selector_count;
    std::size_t capacity = 16;
    while (capacity < selectors * 2) capacity *= 2;
    m_keys.assign(capacity, 0);
    m_heads.assign(capacity, kEnd);
    m_mask = capacity - 1;
    m_entries.reserve(selectors);
    m_stamps.assign(sheet.rules().size(), 0);
    m_slots.assign(sheet.rules().size(), 0);
    // Filed in reverse so that each chain lists its selectors in sheet order.
    auto rules = sheet.rules();
    for (std::size_t r = rules.size(); r-- > 0;) {
      const css::StyleRule& rule = rules[r];
      for (std::uint32_t s = rule.selector_count; s-- > 0;) {
        const css::ComplexSelector& selector = rule.selectors[s];
        if (selector.compound_count == 0) continue;
        int pseudo = static_cast<int>(selector.pseudo_element);
        if (pseudo < 0 || pseudo >= kPseudoKinds) continue;
        const css::CompoundSelector& subject = selector.compounds[0];
        Entry entry{static_cast<std::uint32_t>(r), s, kEnd};
        std::uint32_t* head;
        if (subject.id) {
          head = &m_heads[find_slot(key_of(pseudo, kId, subject.id))];
          m_keys[head - m_heads.data()] = key_of(pseudo, kId, subject.id);
        } else if (subject.class_count) {
          head = &m_heads[find_slot(key_of(pseudo, kClass, subject.classes[0]))];
          m_keys[head - m_heads.data()] = key_of(pseudo, kClass, subject.classes[0]);
        } else if (subject.tag) {
          head = &m_heads[find_slot(key_of(pseudo, kTag, subject.tag))];
          m_keys[head - m_heads.data()] = key_of(pseudo, kTag, subject.tag);
        } else {
          head = &m_universal[pseudo];
        }
        entry.next = *head;
        *head = static_cast<std::uint32_t>(m_entries.size());
        m_entries.push_back(entry);
        ++m_pseudo_count[pseudo];
      }
    }
  } catch (const std::bad_alloc&) {
    clear();
    return false;
  }
  m_built = true;
  return true;
}

std::uint32_t RuleIndex::chain(int pseudo, std::uint32_t kind, std::uint32_t atom) const noexcept {
  if (!m_built || atom == 0 || m_keys.empty()) return kEnd;
  std::uint64_t key = key_of(pseudo, kind, atom);
  std::uint32_t slot = find_slot(key);
  return m_keys[slot] == key ? m_heads[slot] : kEnd;
}

std::uint32_t RuleIndex::next_generation() noexcept {
  if (++m_generation == 0) {
    std::fill(m_stamps.begin(), m_stamps.end(), 0u);
    m_generation = 1;
  }
  return m_generation;
}

}  // namespace orlan::style
