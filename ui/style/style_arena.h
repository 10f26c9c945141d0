#pragma once

// Bump allocator for style records and their copied payloads. Chunks of 64 KiB come from
// the system once and are kept across resets, so restyling a warmed-up document asks the
// system for nothing. Allocations are zero-filled and 16-byte aligned; a mark taken
// before an allocation gives it back (style sharing). Under AddressSanitizer memory given
// back is poisoned, so a stale style pointer is reported where it is read.

#include <cstddef>
#include <cstdint>

namespace orlan::style {

class StyleArena {
 public:
  static constexpr std::size_t kChunkSize = 64 * 1024;

  StyleArena() = default;
  ~StyleArena();
  StyleArena(const StyleArena&) = delete;
  StyleArena& operator=(const StyleArena&) = delete;

  // Zero-filled memory, or null when the system is out of memory.
  void* allocate(std::size_t size) noexcept;
  // The same, not zero-filled: for a record its caller fills whole at once.
  void* allocate_unfilled(std::size_t size) noexcept;

  struct Mark {
    void* chunk = nullptr;
    std::size_t offset = 0;
    std::size_t used = 0;
  };
  Mark mark() const noexcept { return {m_current, m_offset, m_used}; }
  // Gives back everything allocated since `mark`.
  void rollback(const Mark& mark) noexcept;
  // Gives back everything; the chunks stay for reuse.
  void reset() noexcept;

  // Bytes handed out since the last reset.
  std::size_t used() const noexcept { return m_used; }
  std::size_t chunk_count() const noexcept { return m_chunk_count; }

 private:
  struct Chunk;
  Chunk* m_first = nullptr;
  Chunk* m_current = nullptr;
  std::size_t m_offset = 0;  // used bytes of m_current's payload
  std::size_t m_used = 0;
  std::size_t m_chunk_count = 0;
};

}  // namespace orlan::style
