#include "memory.h"

#include <cstring>
#include <new>

namespace orlan {

namespace {
thread_local std::int64_t t_allocations_before_failure = -1;
thread_local std::uint64_t t_allocations = 0;
}

void* system_allocate(std::size_t size) noexcept {
  if (t_allocations_before_failure == 0) return nullptr;
  if (t_allocations_before_failure > 0) --t_allocations_before_failure;
  ++t_allocations;
  return ::operator new(size, std::nothrow);
}

void system_free(void* block) noexcept {
  ::operator delete(block);
}

std::uint64_t system_allocation_count() noexcept {
  return t_allocations;
}

void fail_system_allocations_after(std::int64_t count) noexcept {
  t_allocations_before_failure = count < 0 ? -1 : count;
}

BlockArena::~BlockArena() {
  Chunk* chunk = m_head;
  while (chunk) {
    Chunk* next = chunk->next;
    system_free(chunk);
    chunk = next;
  }
}

void* BlockArena::allocate(std::size_t size) noexcept {
  void* result = allocate_unfilled(size);
  if (result) std::memset(result, 0, size);
  return result;
}

void* BlockArena::allocate_unfilled(std::size_t size) noexcept {
  constexpr std::size_t kAlign = 16;
  constexpr std::size_t kHeader = (sizeof(Chunk) + kAlign - 1) & ~(kAlign - 1);
  if (size == 0) size = 1;
  if (size > SIZE_MAX / 2) return nullptr;
  size = (size + kAlign - 1) & ~(kAlign - 1);
  if (static_cast<std::size_t>(m_end - m_cursor) < size || !m_cursor) {
    std::size_t payload = size > m_chunk_size - kHeader ? size : m_chunk_size - kHeader;
    auto* chunk = static_cast<Chunk*>(system_allocate(kHeader + payload));
    if (!chunk) return nullptr;
    chunk->size = kHeader + payload;
    ++m_chunk_count;
    m_bytes_reserved += chunk->size;
    std::byte* start = reinterpret_cast<std::byte*>(chunk) + kHeader;
    if (payload > m_chunk_size - kHeader && m_head) {
      // An oversized request gets a chunk of its own behind the current one, so the
      // rest of the current chunk stays in use.
      chunk->next = m_head->next;
      m_head->next = chunk;
      return start;
    }
    chunk->next = m_head;
    m_head = chunk;
    m_cursor = start;
    m_end = start + payload;
  }
  std::byte* result = m_cursor;
  m_cursor += size;
  return result;
}

namespace {
int size_class(std::size_t size, std::size_t* capacity) {
  std::size_t cap = BufferPool::kSmallestClass;
  int index = 0;
  while (cap < size) {
    cap <<= 1;
    ++index;
  }
  *capacity = cap;
  return index;
}
}  // namespace

BufferPool::~BufferPool() {
  // Pooled buffers live in the arena; only large ones still held need freeing.
  while (m_large) {
    LargeBuffer* next = m_large->next;
    system_free(m_large);
    m_large = next;
  }
}

void* BufferPool::allocate(std::size_t size, std::size_t* capacity) noexcept {
  if (size > kLargestPooled) {
    constexpr std::size_t kHeader = 16;
    static_assert(sizeof(LargeBuffer) <= kHeader);
    if (size > SIZE_MAX - kHeader) return nullptr;
    auto* large = static_cast<LargeBuffer*>(system_allocate(size + kHeader));
    if (!large) {
      *capacity = 0;
      return nullptr;
    }
    large->prev = nullptr;
    large->next = m_large;
    if (m_large) m_large->prev = large;
    m_large = large;
    *capacity = size;
    return reinterpret_cast<std::byte*>(large) + kHeader;
  }
  int index = size_class(size, capacity);
  if (FreeBuffer* buffer = m_free[index]) {
    m_free[index] = buffer->next;
    unpoison_memory(buffer, *capacity);
    return buffer;
  }
  void* block = m_arena.allocate_unfilled(*capacity);
  if (!block) *capacity = 0;
  return block;
}

void BufferPool::release(void* buffer, std::size_t capacity) noexcept {
  if (!buffer) return;
  if (capacity > kLargestPooled) {
    auto* large = reinterpret_cast<LargeBuffer*>(static_cast<std::byte*>(buffer) - 16);
    if (large->prev)
      large->prev->next = large->next;
    else
      m_large = large->next;
    if (large->next) large->next->prev = large->prev;
    system_free(large);
    return;
  }
  std::size_t rounded = 0;
  int index = size_class(capacity, &rounded);
  auto* free_buffer = static_cast<FreeBuffer*>(buffer);
  free_buffer->next = m_free[index];
  m_free[index] = free_buffer;
  poison_memory(static_cast<std::byte*>(buffer) + sizeof(FreeBuffer), rounded - sizeof(FreeBuffer));
}

}  // namespace orlan
