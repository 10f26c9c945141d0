#pragma once

// The loaded modules, prepared in advance so that a fault can name the module of an
// address without asking the loader (whose lock may be held by the faulting thread).
//
// One writer at a time (a spin flag) fills the inactive one of two buffers and then makes
// it active; readers read the active buffer under its reader count and the writer waits
// for the inactive buffer's readers before it reuses it. Nothing here allocates and no wait
// is unbounded: a change that cannot get the flag or the readers within the spin limit is
// dropped and counted as missed.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace olib::except {

inline constexpr std::size_t kModuleCapacity = 192;
inline constexpr std::size_t kModuleNameUnits = 48;  // 47 units and a terminating NUL
inline constexpr std::uint32_t kSpinLimit = 1'000'000;

struct ModuleEntry {
  char16_t name[kModuleNameUnits] = {};
  std::uint64_t base = 0;
  std::uint64_t size = 0;
};

struct ModuleBuffer {
  std::array<ModuleEntry, kModuleCapacity> entries;
  std::uint32_t count = 0;
  // Modules that did not fit.
  std::uint32_t overflow = 0;

  // Appends unless the base is already listed; a full buffer counts the module as overflow.
  void add(const char16_t* name, std::size_t name_units, std::uint64_t base,
           std::uint64_t size) noexcept;
  // Removes the entry with this base keeping the order of the rest; an unknown base lowers
  // the overflow count (not below zero).
  void remove(std::uint64_t base) noexcept;
};

// What a lookup found: a copy, so it stays valid after the reader lets go of the buffer.
struct ModuleHit {
  char16_t name[kModuleNameUnits] = {};
  std::uint64_t base = 0;
  std::uint64_t size = 0;
};

class ModuleTable {
 public:
  ModuleTable() noexcept = default;
  ModuleTable(const ModuleTable&) = delete;
  ModuleTable& operator=(const ModuleTable&) = delete;

  // The generation before a snapshot is taken; publish_snapshot() refuses a snapshot when
  // it changed meanwhile (a load or unload arrived).
  std::uint64_t generation() const noexcept { return m_generation.load(std::memory_order_acquire); }
  // Publishes a snapshot taken while the generation was `seen_generation`. False: the
  // generation moved on, or the flag or the readers could not be had; nothing changed.
  bool publish_snapshot(const ModuleBuffer& snapshot, std::uint64_t seen_generation) noexcept;

  // Loader notifications. Never allocate; may drop the change (counted as missed).
  void on_load(const char16_t* name, std::size_t name_units, std::uint64_t base,
               std::uint64_t size) noexcept;
  void on_unload(std::uint64_t base) noexcept;

  // The entry whose [base, base + size) holds `address`. False when none does or the
  // table could not be read.
  bool lookup(std::uint64_t address, ModuleHit& hit) const noexcept;

  // Calls fn(const ModuleBuffer&) with the active buffer held against reuse; false (fn not
  // called) when the table is empty or could not be read.
  template <typename Fn>
  bool read(Fn&& fn) const noexcept {
    int index = acquire_reader();
    if (index < 0) return false;
    fn(static_cast<const ModuleBuffer&>(m_buffers[index]));
    m_readers[index].fetch_sub(1, std::memory_order_seq_cst);
    return true;
  }

  std::uint64_t missed_updates() const noexcept { return m_missed.load(std::memory_order_acquire); }

 private:
  template <typename Change>
  void apply(Change&& change) noexcept;
  bool take_flag() noexcept;
  void release_flag() noexcept { m_writer.store(false, std::memory_order_release); }
  bool wait_for_readers(int index) const noexcept;
  // Returns the index of the buffer now held, or -1.
  int acquire_reader() const noexcept;

  std::array<ModuleBuffer, 2> m_buffers;
  // 0 or 1; anything else means the table is empty.
  std::atomic<std::uint32_t> m_active{2};
  mutable std::array<std::atomic<std::uint32_t>, 2> m_readers{};
  std::atomic<bool> m_writer{false};
  std::atomic<std::uint64_t> m_generation{0};
  std::atomic<std::uint64_t> m_missed{0};
};

// A processor hint between two tries of a spin loop.
void spin_pause() noexcept;

}  // namespace olib::except
