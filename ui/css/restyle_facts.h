#pragma once

// What a change of one class, attribute, id or element state can reach through the
// selectors of the document's sheets. A change named only in subject compounds restyles
// the element alone (its children follow when its style changed); one named to the left
// of a descendant or child combinator restyles the element's subtree; one named to the
// left of "+" or "~" also restyles the following siblings' subtrees; one named inside a
// :has() argument can change elements anywhere above it, so the document restyles from
// its root element.

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace orlan::css {

class StyleSheet;
struct CompoundSelector;

inline constexpr std::uint8_t kReachSubtree = 1;
inline constexpr std::uint8_t kReachSiblings = 2;
inline constexpr std::uint8_t kReachHas = 4;

class RestyleFacts {
 public:
  // Rebuilds the facts from `sheets` (null entries are skipped).
  void build(std::span<const StyleSheet* const> sheets);

  std::uint8_t class_reach(std::uint32_t klass) const { return find(kClassKey, klass); }
  std::uint8_t attribute_reach(std::uint32_t name) const { return find(kAttributeKey, name); }
  std::uint8_t id_reach(std::uint32_t id) const { return find(kIdKey, id); }
  std::uint8_t tag_reach(std::uint32_t tag) const { return find(kTagKey, tag); }
  // Element state bits as the tree keeps them: 1 hover, 2 active, 4 focus, 8 disabled,
  // 0x10 checked.
  std::uint8_t state_reach(std::uint16_t state_bits) const;

  // Some :has() argument matches without naming a tag, id, class or attribute (so any
  // inserted or removed element may change it).
  bool has_matches_any() const { return m_has_any; }
  // Some :has() argument depends on positions or emptiness (so any change of children
  // may change it).
  bool has_structural() const { return m_has_structural; }

 private:
  static constexpr std::uint64_t kClassKey = 1, kAttributeKey = 2, kIdKey = 3, kTagKey = 4;
  std::uint8_t find(std::uint64_t kind, std::uint32_t atom) const;
  void add(std::uint64_t kind, std::uint32_t atom, std::uint8_t reach);
  void add_compound(const CompoundSelector& c, std::uint8_t reach, bool with_tag);

  std::vector<std::pair<std::uint64_t, std::uint8_t>> m_keys;  // sorted, unique
  std::uint16_t m_state_bits[3] = {};  // pseudo-class bits per reach (subtree, siblings, has)
  bool m_has_any = false;
  bool m_has_structural = false;
};

}  // namespace orlan::css
