#pragma once

// The rule index of one style sheet: selectors filed by the id, else the first class,
// else the tag name of their subject compound (the rest in a universal chain), one set of
// chains per pseudo-element, so matching an element visits only the rules that can match.
// Rebuilt whenever the sheet changed; the vectors keep their capacity, so a rebuild of a
// warmed-up index asks the system for nothing.

#include <cstdint>
#include <vector>

#include "style_sheet.h"

namespace orlan::style {

class RuleIndex {
 public:
  static constexpr int kPseudoKinds = 6;  // none, before, after, placeholder, marker, selection
  static constexpr std::uint32_t kEnd = UINT32_MAX;

  struct Entry {
    std::uint32_t rule = 0;
    std::uint32_t selector = 0;
    std::uint32_t next = kEnd;
  };

  // Files every selector of `sheet`. Returns false when out of memory (the index is then
  // empty).
  bool build(const css::StyleSheet& sheet) noexcept;
  void clear() noexcept;
  bool built() const { return m_built; }

  // Head of the chain for a key (kEnd: none).
  std::uint32_t chain(int pseudo, std::uint32_t kind, std::uint32_t atom) const noexcept;
  std::uint32_t universal(int pseudo) const noexcept { return m_universal[pseudo]; }
  const Entry& entry(std::uint32_t index) const { return m_entries[index]; }
  // Whether any selector for the pseudo-element exists.
  bool has_pseudo(int pseudo) const { return m_pseudo_count[pseudo] != 0; }

  // Per-rule stamps: a rule reached through several chains is recorded once per match.
  std::uint32_t next_generation() noexcept;
  std::uint32_t& stamp(std::uint32_t rule) { return m_stamps[rule]; }
  std::uint32_t& slot(std::uint32_t rule) { return m_slots[rule]; }

  static constexpr std::uint32_t kId = 1, kClass = 2, kTag = 3;

 private:
  static std::uint64_t key_of(int pseudo, std::uint32_t kind, std::uint32_t atom) {
    return (static_cast<std::uint64_t>(pseudo) << 40) | (static_cast<std::uint64_t>(kind) << 32) |
           atom;
  }
  std::uint32_t find_slot(std::uint64_t key) const noexcept;

  std::vector<std::uint64_t> m_keys;  // 0: empty slot
  std::vector<std::uint32_t> m_heads;
  std::vector<Entry> m_entries;
  std::vector<std::uint32_t> m_stamps;
  std::vector<std::uint32_t> m_slots;
  std::uint32_t m_universal[kPseudoKinds] = {kEnd, kEnd, kEnd, kEnd, kEnd, kEnd};
  std::uint32_t m_pseudo_count[kPseudoKinds] = {};
  std::uint64_t m_mask = 0;
  std::uint32_t m_generation = 0;
  bool m_built = false;
};

}  // namespace orlan::style
