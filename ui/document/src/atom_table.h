#pragma once

// Interns byte strings to 32-bit ids. Atom 0 is the empty string and means "none".
// Tag and attribute names go through the lower-casing forms; ids and classes do not.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "memory.h"

namespace orlan {

using Atom = std::uint32_t;

class AtomTable {
 public:
  AtomTable() noexcept;
  ~AtomTable();
  AtomTable(const AtomTable&) = delete;
  AtomTable& operator=(const AtomTable&) = delete;

  // 32-bit FNV-1a; a hash of 0 becomes 1 so that it never reads as an empty slot.
  static std::uint32_t hash(std::string_view text) noexcept;

  // Finds or creates the atom of `text`. False only when out of memory.
  bool intern(std::string_view text, Atom& atom) noexcept;
  // The atom of `text`, or 0 when it was never interned (never creates).
  Atom lookup(std::string_view text) const noexcept;
  // The same after folding ASCII A-Z to lower case.
  bool intern_lower(std::string_view text, Atom& atom) noexcept;
  Atom lookup_lower(std::string_view text) const noexcept;

  // The interned bytes (NUL-terminated); empty for 0 or an unknown atom.
  std::string_view text(Atom atom) const noexcept;
  const char* c_str(Atom atom) const noexcept;

  std::uint32_t entry_count() const noexcept { return m_count; }
  std::uint32_t slot_count() const noexcept { return m_slot_count; }

 private:
  struct Entry {
    const char* bytes;
    std::uint32_t length;
    std::uint32_t hash;
  };
  std::uint32_t find_slot(std::string_view text, std::uint32_t hash) const noexcept;
  bool grow_index() noexcept;
  bool grow_entries() noexcept;

  BlockArena m_strings{16 * 1024};
  Entry* m_entries = nullptr;
  std::uint32_t m_count = 0;  // entries in use, the empty string at 0 included
  std::uint32_t m_capacity = 0;
  std::uint32_t* m_slots = nullptr;
  std::uint32_t m_slot_count = 0;
};

}  // namespace orlan
