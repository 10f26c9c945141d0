// The StyleSheet record: rules, keyframe sets, font faces and the sheet-level facts.

#include "style_sheet.h"

#include <algorithm>

namespace orlan::css {

StyleSheet::StyleSheet(AtomInterner& atoms) : m_atoms(&atoms) {
  m_rules.reserve(32);
  m_keyframes.reserve(8);
}

void StyleSheet::reset() {
  m_arena.reset();
  m_rules.clear();
  m_keyframes.clear();
  m_font_count = 0;
  m_data_count = 0;
  m_structural = m_pseudo_element = m_selection = m_has = m_media = m_viewport = false;
}

std::span<const uint32_t> StyleSheet::data_attributes() const {
  if (m_data_count == kDataAttributesOverflow) return {};
  return {m_data, m_data_count};
}

bool StyleSheet::uses_data_attribute(uint32_t name_atom) const {
  if (m_data_count == kDataAttributesOverflow) return true;
  for (uint8_t i = 0; i < m_data_count; ++i) {
    if (m_data[i] == name_atom) return true;
  }
  return false;
}

const KeyframeSet* StyleSheet::find_keyframes(uint32_t name) const {
  for (auto it = m_keyframes.rbegin(); it != m_keyframes.rend(); ++it) {
    if (it->name == name) return &*it;
  }
  return nullptr;
}

void StyleSheet::note_media_rules(const MediaQuery& query) {
  m_media = true;
  if (!query.never && (query.min_width != -1 || query.max_width != -1 || query.min_height != -1 ||
                       query.max_height != -1 || query.orientation)) {
    m_viewport = true;
  }
}

void StyleSheet::add_rule(const StyleRule& rule) {
  m_rules.push_back(rule);
}

void StyleSheet::add_keyframes(const KeyframeSet& set) {
  m_keyframes.push_back(set);
}

void StyleSheet::add_font_face(uint32_t family, uint32_t source) {
  if (m_font_count == kMaxFontFaces) return;
  m_fonts[m_font_count++] = {family, source};
}

void StyleSheet::merge_facts(const SelectorFacts& facts) {
  m_structural |= facts.structural;
  m_pseudo_element |= facts.pseudo_element;
  m_selection |= facts.selection;
  m_has |= facts.has;
  if (m_data_count == kDataAttributesOverflow) return;
  if (facts.data_overflow) {
    m_data_count = kDataAttributesOverflow;
    return;
  }
  for (int i = 0; i < facts.data_attribute_count; ++i) {
    uint32_t name = facts.data_attributes[i];
    if (std::find(m_data, m_data + m_data_count, name) != m_data + m_data_count) continue;
    if (m_data_count == kMaxDataAttributes) {
      // A ninth distinct name: too many to list, every data- attribute counts.
      m_data_count = kDataAttributesOverflow;
      return;
    }
    m_data[m_data_count++] = name;
  }
}

}  // namespace orlan::css
