#include "atom_table.h"

#include <cstring>

namespace orlan {

namespace {

constexpr std::uint32_t kInitialSlots = 256;
constexpr std::uint32_t kInitialEntries = 128;

// Lower-cased copy of a name: on the stack for the usual short names, else on the heap.
class LowerCopy {
 public:
  explicit LowerCopy(std::string_view text) noexcept {
    char* out = m_stack;
    if (text.size() > sizeof m_stack) {
      m_heap = static_cast<char*>(system_allocate(text.size()));
      if (!m_heap) return;
      out = m_heap;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
      char c = text[i];
      out[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    }
    m_view = std::string_view(out, text.size());
    m_ok = true;
  }
  ~LowerCopy() { system_free(m_heap); }
  bool ok() const { return m_ok; }
  std::string_view view() const { return m_view; }

 private:
  char m_stack[64];
  char* m_heap = nullptr;
  std::string_view m_view;
  bool m_ok = false;
};

}  // namespace

AtomTable::AtomTable() noexcept = default;

AtomTable::~AtomTable() {
  system_free(m_entries);
  system_free(m_slots);
}

std::uint32_t AtomTable::hash(std::string_view text) noexcept {
  std::uint32_t h = 0x811C9DC5u;
  for (unsigned char c : text) {
    h ^= c;
    h *= 16777619u;
  }
  return h == 0 ? 1 : h;
}

std::uint32_t AtomTable::find_slot(std::string_view text, std::uint32_t h) const noexcept {
  std::uint32_t mask = m_slot_count - 1;
  std::uint32_t i = h & mask;
  for (;;) {
    std::uint32_t atom = m_slots[i];
    if (atom == 0) return i;
    const Entry& e = m_entries[atom];
    if (e.hash == h && e.length == text.size() &&
        std::memcmp(e.bytes, text.data(), text.size()) == 0)
      return i;
    i = (i + 1) & mask;
  }
}

Atom AtomTable::lookup(std::string_view text) const noexcept {
  if (text.empty() || m_slot_count == 0) return 0;
  return m_slots[find_slot(text, hash(text))];
}

bool AtomTable::grow_index() noexcept {
  std::uint32_t new_count = m_slot_count ? m_slot_count * 2 : kInitialSlots;
  auto* slots = static_cast<std::uint32_t*>(system_allocate(sizeof(std::uint32_t) * new_count));
  if (!slots) return false;
  std::memset(slots, 0, sizeof(std::uint32_t) * new_count);
  std::uint32_t mask = new_count - 1;
  for (std::uint32_t atom = 1; atom < m_count; ++atom) {
    std::uint32_t i = m_entries[atom].hash & mask;
    while (slots[i] != 0) i = (i + 1) & mask;
    slots[i] = atom;
  }
  system_free(m_slots);
  m_slots = slots;
  m_slot_count = new_count;
  return true;
}

bool AtomTable::grow_entries() noexcept {
  std::uint32_t new_capacity = m_capacity ? m_capacity * 2 : kInitialEntries;
  auto* entries = static_cast<Entry*>(system_allocate(sizeof(Entry) * new_capacity));
  if (!entries) return false;
  if (m_count) std::memcpy(entries, m_entries, sizeof(Entry) * m_count);
  system_free(m_entries);
  m_entries = entries;
  m_capacity = new_capacity;
  if (m_count == 0) {
    m_entries[0] = Entry{"", 0, 0};
    m_count = 1;
  }
  return true;
}

bool AtomTable::intern(std::string_view text, Atom& atom) noexcept {
  atom = 0;
  if (text.empty()) return true;
  if (text.size() > UINT32_MAX - 1) return false;
  if (m_slot_count == 0 && !grow_index()) return false;
  if (m_capacity == 0 && !grow_entries()) return false;
  std::uint32_t h = hash(text);
  std::uint32_t slot = find_slot(text, h);
  if (m_slots[slot] != 0) {
    atom = m_slots[slot];
    return true;
  }
  // A new entry: keep the index at most half full, and make room in the entry array.
  if (m_slot_count < 2 * m_count + 2) {
    if (m_slot_count > UINT32_MAX / 2 || !grow_index()) return false;
    slot = find_slot(text, h);
  }
  if (m_count == m_capacity && !grow_entries()) return false;
  auto* copy = static_cast<char*>(m_strings.allocate(text.size() + 1));
  if (!copy) return false;
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  atom = m_count++;
  m_entries[atom] = Entry{copy, static_cast<std::uint32_t>(text.size()), h};
  m_slots[slot] = atom;
  return true;
}

bool AtomTable::intern_lower(std::string_view text, Atom& atom) noexcept {
  LowerCopy lower(text);
  if (!lower.ok()) {
    atom = 0;
    return false;
  }
  return intern(lower.view(), atom);
}

Atom AtomTable::lookup_lower(std::string_view text) const noexcept {
  LowerCopy lower(text);
  if (!lower.ok()) return 0;
  return lookup(lower.view());
}

std::string_view AtomTable::text(Atom atom) const noexcept {
  if (atom == 0 || atom >= m_count) return {};
  return std::string_view(m_entries[atom].bytes, m_entries[atom].length);
}

const char* AtomTable::c_str(Atom atom) const noexcept {
  if (atom == 0 || atom >= m_count) return "";
  return m_entries[atom].bytes;
}

}  // namespace orlan
