#pragma once

// Memory of one document: a chained block arena (zero-filled allocations, freed only as a
// whole) and a pool of power-of-two buffers recycled through free lists, so rebuilding a
// part of the tree reuses the memory of what it replaced instead of asking the system.

#include <cstddef>
#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define ORLAN_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORLAN_ASAN 1
#endif
#endif
#if defined(ORLAN_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace orlan {

// Under AddressSanitizer, memory on a free list is poisoned so that any use of a
// destroyed record or buffer is reported, although the arena still owns it.
inline void poison_memory(const void* start, std::size_t size) noexcept {
#if defined(ORLAN_ASAN)
  ASAN_POISON_MEMORY_REGION(start, size);
#else
  (void)start;
  (void)size;
#endif
}
inline void unpoison_memory(const void* start, std::size_t size) noexcept {
#if defined(ORLAN_ASAN)
  ASAN_UNPOISON_MEMORY_REGION(start, size);
#else
  (void)start;
  (void)size;
#endif
}

// Every system allocation of the document goes through these two calls. They never
// throw; null means out of memory.
void* system_allocate(std::size_t size) noexcept;
void system_free(void* block) noexcept;

// Makes the system allocation after `count` more successful ones fail (a negative count
// turns failures off). Lets tests drive the out-of-memory paths; per thread.
void fail_system_allocations_after(std::int64_t count) noexcept;
// How many system allocations this thread has made (tests of memory that comes in chunks).
std::uint64_t system_allocation_count() noexcept;

class BlockArena {
 public:
  static constexpr std::size_t kDefaultChunkSize = 64 * 1024;

  explicit BlockArena(std::size_t chunk_size = kDefaultChunkSize) noexcept
      : m_chunk_size(chunk_size) {}
  ~BlockArena();
  BlockArena(const BlockArena&) = delete;
  BlockArena& operator=(const BlockArena&) = delete;

  // Zero-filled memory aligned to 16 bytes, or null when the system is out of memory.
  // A request larger than a chunk gets a chunk of its own.
  void* allocate(std::size_t size) noexcept;
  // The same, not zero-filled: for records their caller initializes whole.
  void* allocate_unfilled(std::size_t size) noexcept;

  std::size_t chunk_count() const noexcept { return m_chunk_count; }
  std::size_t bytes_reserved() const noexcept { return m_bytes_reserved; }

 private:
  struct Chunk {
    Chunk* next;
    std::size_t size;
  };
  Chunk* m_head = nullptr;
  std::byte* m_cursor = nullptr;
  std::byte* m_end = nullptr;
  std::size_t m_chunk_size;
  std::size_t m_chunk_count = 0;
  std::size_t m_bytes_reserved = 0;
};

// Free list of fixed-size records carved from an arena, linked through the record's own
// `Link` member (so a released record keeps its other fields zero). Records handed out
// are zeroed; a released record is pushed back for the next acquire.
template <typename T, T* T::*Link>
class RecordPool {
 public:
  explicit RecordPool(BlockArena& arena) noexcept : m_arena(arena) {}

  T* acquire() noexcept {
    if (m_free) {
      T* record = m_free;
      m_free = record->*Link;
      --m_free_count;
      unpoison_memory(record, sizeof(T));
      *record = T{};
      return record;
    }
    void* memory = m_arena.allocate_unfilled(sizeof(T));
    if (!memory) return nullptr;
    return new (memory) T{};
  }

  // A released record stays readable only in its link and, for records that have one,
  // its `document` field (null: how a stale handle is recognised).
  void release(T* record) noexcept {
    *record = T{};
    record->*Link = m_free;
    m_free = record;
    ++m_free_count;
    poison_memory(record, sizeof(T));
    unpoison_memory(&(record->*Link), sizeof(T*));
    if constexpr (requires { record->document; })
      unpoison_memory(&record->document, sizeof(record->document));
  }

  std::size_t free_count() const noexcept { return m_free_count; }

 private:
  BlockArena& m_arena;
  T* m_free = nullptr;
  std::size_t m_free_count = 0;
};

// Free list of records of one size, fixed by the first request, carved from an arena: for
// a later stage's per-node records whose type the document does not know (layout boxes).
// Memory handed out is not zeroed (the caller constructs the record in it); a released
// record is pushed back for the next acquire.
class SizedRecordPool {
 public:
  explicit SizedRecordPool(BlockArena& arena) noexcept : m_arena(arena) {}

  // Every call passes the same size (at least a pointer's); null when out of memory.
  void* acquire(std::size_t size) noexcept {
    if (m_free) {
      void* record = m_free;
      unpoison_memory(record, size);
      m_free = m_free->next;
      return record;
    }
    return m_arena.allocate_unfilled(size);
  }
  void release(void* record, std::size_t size) noexcept {
    if (!record) return;
    auto* free_record = static_cast<FreeRecord*>(record);
    free_record->next = m_free;
    m_free = free_record;
    poison_memory(static_cast<std::byte*>(record) + sizeof(FreeRecord), size - sizeof(FreeRecord));
  }

 private:
  struct FreeRecord {
    FreeRecord* next;
  };
  BlockArena& m_arena;
  FreeRecord* m_free = nullptr;
};

// Buffers of 16 to 4096 bytes come from the arena and are recycled by size class;
// larger ones come from the system and go back to it (the pool frees any still held
// when it is destroyed, so a detached node that is never destroyed leaks nothing).
class BufferPool {
 public:
  static constexpr std::uint32_t kSmallestClass = 16;
  static constexpr std::uint32_t kLargestPooled = 4096;

  explicit BufferPool(BlockArena& arena) noexcept : m_arena(arena) {}
  ~BufferPool();
  BufferPool(const BufferPool&) = delete;
  BufferPool& operator=(const BufferPool&) = delete;

  // A buffer of at least `size` bytes (its real capacity through `capacity`), not zeroed.
  void* allocate(std::size_t size, std::size_t* capacity) noexcept;
  // `capacity` is the value allocate() reported.
  void release(void* buffer, std::size_t capacity) noexcept;

 private:
  static constexpr int kClassCount = 9;  // 16 .. 4096
  struct FreeBuffer {
    FreeBuffer* next;
  };
  struct LargeBuffer {
    LargeBuffer* prev;
    LargeBuffer* next;
  };
  BlockArena& m_arena;
  FreeBuffer* m_free[kClassCount] = {};
  LargeBuffer* m_large = nullptr;
};

}  // namespace orlan
