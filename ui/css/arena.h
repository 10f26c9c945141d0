#pragma once

// Bump allocator that owns every selector, declaration and value record of one style
// sheet. Memory comes in chunks of 64 KiB (larger requests get a chunk of their own) and
// is zero-filled. Nothing is freed one by one; reset() recycles the first chunk and frees
// the rest. Allocation failure throws std::bad_alloc, which the sheet parser turns into
// its out-of-memory status.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string_view>

namespace orlan::css {

class Arena {
 public:
  static constexpr std::size_t kChunkSize = 64 * 1024;

  Arena() = default;
  ~Arena();
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  // Zero-filled, aligned to `align` (a power of two no larger than 16).
  void* allocate(std::size_t size, std::size_t align = alignof(std::max_align_t));

  template <class T>
  T* allocate_array(std::size_t count) {
    if (count == 0) return nullptr;
    if (count > (SIZE_MAX / 2) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(allocate(sizeof(T) * count, alignof(T)));
  }

  template <class T>
  T* copy_array(const T* items, std::size_t count) {
    T* out = allocate_array<T>(count);
    if (count) std::memcpy(static_cast<void*>(out), items, sizeof(T) * count);
    return out;
  }

  // A NUL-terminated copy; the view does not include the NUL.
  std::string_view copy_text(std::string_view text);

  void reset();

  // Bytes handed out since the last reset (for tests and statistics).
  std::size_t used() const { return m_used; }

  // Test hook: make allocations fail once `bytes` would be exceeded (0 = no limit).
  void set_limit(std::size_t bytes) { m_limit = bytes; }

 private:
  struct Chunk {
    Chunk* next;
    std::size_t size;
    // payload follows
  };
  Chunk* new_chunk(std::size_t payload);

  Chunk* m_head = nullptr;   // newest chunk
  std::size_t m_offset = 0;  // used bytes of m_head's payload
  std::size_t m_used = 0;
  std::size_t m_limit = 0;
};

}  // namespace orlan::css
