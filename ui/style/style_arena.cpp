#include "style_arena.h"

#include <cstring>

#include "memory.h"

namespace orlan::style {

struct StyleArena::Chunk {
  Chunk* next;
  std::size_t payload;
  // Payload follows, 16-byte aligned.
  std::byte* data() { return reinterpret_cast<std::byte*>(this) + kHeader; }
  static constexpr std::size_t kHeader = 32;
};

StyleArena::~StyleArena() {
  for (Chunk* c = m_first; c;) {
    Chunk* next = c->next;
    unpoison_memory(c, Chunk::kHeader + c->payload);
    system_free(c);
    c = next;
  }
}

void* StyleArena::allocate(std::size_t size) noexcept {
  void* p = allocate_unfilled(size);
  if (p) std::memset(p, 0, size);
  return p;
}

void* StyleArena::allocate_unfilled(std::size_t size) noexcept {
  constexpr std::size_t kAlign = 16;
  if (size == 0) size = 1;
  if (size > SIZE_MAX / 4) return nullptr;
  size = (size + kAlign - 1) & ~(kAlign - 1);
  if (!m_current || m_current->payload - m_offset < size) {
    // The next kept chunk when it is large enough, else a new one linked in after the
    // current chunk (so kept chunks behind it stay in the list).
    Chunk* next = m_current ? m_current->next : m_first;
    if (!next || next->payload < size) {
      std::size_t payload = size > kChunkSize - Chunk::kHeader ? size : kChunkSize - Chunk::kHeader;
      auto* fresh = static_cast<Chunk*>(system_allocate(Chunk::kHeader + payload));
      if (!fresh) return nullptr;
      fresh->payload = payload;
      fresh->next = next;
      if (m_current)
        m_current->next = fresh;
      else
        m_first = fresh;
      poison_memory(fresh->data(), payload);
      ++m_chunk_count;
      next = fresh;
    }
    // Whatever was left in the current chunk is skipped: count it as used so that a
    // rollback restores the right figure.
    if (m_current) m_used += m_current->payload - m_offset;
    m_current = next;
    m_offset = 0;
  }
  std::byte* p = m_current->data() + m_offset;
  m_offset += size;
  m_used += size;
  unpoison_memory(p, size);
  return p;
}

void StyleArena::rollback(const Mark& mark) noexcept {
  if (!mark.chunk) {
    reset();
    return;
  }
  // Poison what is given back: the rest of the mark's chunk and every chunk after it up
  // to the current one.
  auto* chunk = static_cast<Chunk*>(mark.chunk);
  for (Chunk* c = chunk; c; c = c->next) {
    std::size_t from = c == chunk ? mark.offset : 0;
    poison_memory(c->data() + from, c->payload - from);
    if (c == m_current) break;
  }
  m_current = chunk;
  m_offset = mark.offset;
  m_used = mark.used;
}

void StyleArena::reset() noexcept {
  for (Chunk* c = m_first; c; c = c->next) poison_memory(c->data(), c->payload);
  m_current = nullptr;
  m_offset = 0;
  m_used = 0;
}

}  // namespace orlan::style
