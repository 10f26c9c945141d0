#include "module_table.h"

namespace olib::except {

void spin_pause() noexcept {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

void ModuleBuffer::add(const char16_t* name, std::size_t name_units, std::uint64_t base,
                       std::uint64_t size) noexcept {
  for (std::uint32_t i = 0; i < count; ++i) {
    if (entries[i].base == base) return;
  }
  if (count >= kModuleCapacity) {
    ++overflow;
    return;
  }
  ModuleEntry& entry = entries[count];
  std::size_t units = name_units < kModuleNameUnits - 1 ? name_units : kModuleNameUnits - 1;
  for (std::size_t i = 0; i < units; ++i) entry.name[i] = name[i];
  for (std::size_t i = units; i < kModuleNameUnits; ++i) entry.name[i] = 0;
  entry.base = base;
  entry.size = size;
  ++count;
}

void ModuleBuffer::remove(std::uint64_t base) noexcept {
  for (std::uint32_t i = 0; i < count; ++i) {
    if (entries[i].base != base) continue;
    for (std::uint32_t j = i + 1; j < count; ++j) entries[j - 1] = entries[j];
    --count;
    return;
  }
  if (overflow > 0) --overflow;
}

bool ModuleTable::take_flag() noexcept {
  for (std::uint32_t tries = 0; tries < kSpinLimit; ++tries) {
    bool expected = false;
    if (m_writer.compare_exchange_weak(expected, true, std::memory_order_acquire,
                                       std::memory_order_relaxed)) {
      return true;
    }
    spin_pause();
  }
  return false;
}

bool ModuleTable::wait_for_readers(int index) const noexcept {
  for (std::uint32_t spins = 0; spins < kSpinLimit; ++spins) {
    if (m_readers[index].load(std::memory_order_seq_cst) == 0) return true;
    spin_pause();
  }
  return false;
}

template <typename Change>
void ModuleTable::apply(Change&& change) noexcept {
  if (!take_flag()) {
    m_missed.fetch_add(1, std::memory_order_acq_rel);
    return;
  }
  std::uint32_t active = m_active.load(std::memory_order_seq_cst);
  int target = active == 0 ? 1 : 0;
  if (!wait_for_readers(target)) {
    m_missed.fetch_add(1, std::memory_order_acq_rel);
    release_flag();
    return;
  }
  ModuleBuffer& next = m_buffers[target];
  if (active <= 1) {
    next = m_buffers[active];
  } else {
    next.count = 0;
    next.overflow = 0;
  }
  change(next);
  m_active.store(static_cast<std::uint32_t>(target), std::memory_order_seq_cst);
  m_generation.fetch_add(1, std::memory_order_acq_rel);
  release_flag();
}

bool ModuleTable::publish_snapshot(const ModuleBuffer& snapshot,
                                   std::uint64_t seen_generation) noexcept {
  if (!take_flag()) return false;
  if (m_generation.load(std::memory_order_acquire) != seen_generation) {
    release_flag();
    return false;
  }
  std::uint32_t active = m_active.load(std::memory_order_seq_cst);
  int target = active == 0 ? 1 : 0;
  if (!wait_for_readers(target)) {
    release_flag();
    return false;
  }
  m_buffers[target] = snapshot;
  m_active.store(static_cast<std::uint32_t>(target), std::memory_order_seq_cst);
  m_generation.fetch_add(1, std::memory_order_acq_rel);
  release_flag();
  return true;
}

void ModuleTable::on_load(const char16_t* name, std::size_t name_units, std::uint64_t base,
                          std::uint64_t size) noexcept {
  apply([&](ModuleBuffer& buffer) { buffer.add(name, name_units, base, size); });
}

void ModuleTable::on_unload(std::uint64_t base) noexcept {
  apply([&](ModuleBuffer& buffer) { buffer.remove(base); });
}

int ModuleTable::acquire_reader() const noexcept {
  // A writer that flips the active index between our load and our count raise may be
  // about to reuse the buffer we chose: check again, and retry once.
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::uint32_t index = m_active.load(std::memory_order_seq_cst);
    if (index > 1) return -1;
    m_readers[index].fetch_add(1, std::memory_order_seq_cst);
    if (m_active.load(std::memory_order_seq_cst) == index) return static_cast<int>(index);
    m_readers[index].fetch_sub(1, std::memory_order_seq_cst);
  }
  return -1;
}

bool ModuleTable::lookup(std::uint64_t address, ModuleHit& hit) const noexcept {
  bool found = false;
  read([&](const ModuleBuffer& buffer) {
    for (std::uint32_t i = 0; i < buffer.count && i < kModuleCapacity; ++i) {
      const ModuleEntry& entry = buffer.entries[i];
      if (address >= entry.base && address - entry.base < entry.size) {
        for (std::size_t u = 0; u < kModuleNameUnits; ++u) hit.name[u] = entry.name[u];
        hit.base = entry.base;
        hit.size = entry.size;
        found = true;
        return;
      }
    }
  });
  return found;
}

}  // namespace olib::except
