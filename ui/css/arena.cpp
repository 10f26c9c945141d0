#include "arena.h"

#include <cstdlib>

namespace orlan::css {

namespace {
constexpr std::size_t kHeader = 16;  // keeps the payload 16-byte aligned
static_assert(kHeader >= sizeof(void*) + sizeof(std::size_t));
}  // namespace

Arena::~Arena() {
  while (m_head) {
    Chunk* next = m_head->next;
    std::free(m_head);
    m_head = next;
  }
}

Arena::Chunk* Arena::new_chunk(std::size_t payload) {
  void* memory = std::malloc(kHeader + payload);
  if (!memory) throw std::bad_alloc();
  auto* chunk = static_cast<Chunk*>(memory);
  chunk->size = payload;
  chunk->next = m_head;
  m_head = chunk;
  m_offset = 0;
  return chunk;
}

void* Arena::allocate(std::size_t size, std::size_t align) {
  if (size == 0) size = 1;
  if (size > SIZE_MAX / 2) throw std::bad_alloc();
  if (m_limit && m_used + size > m_limit) throw std::bad_alloc();
  std::size_t start = m_head ? (m_offset + align - 1) & ~(align - 1) : 0;
  if (!m_head || start + size > m_head->size) {
    if (size > kChunkSize / 4) {
      // A big request gets a chunk of its own, slipped in behind the current one so
      // that the current chunk's free space stays usable.
      void* memory = std::malloc(kHeader + size);
      if (!memory) throw std::bad_alloc();
      auto* chunk = static_cast<Chunk*>(memory);
      chunk->size = size;
      if (m_head) {
        chunk->next = m_head->next;
        m_head->next = chunk;
      } else {
        chunk->next = nullptr;
        m_head = chunk;
        m_offset = size;
      }
      m_used += size;
      char* payload = reinterpret_cast<char*>(chunk) + kHeader;
      std::memset(payload, 0, size);
      return payload;
    }
    new_chunk(kChunkSize);
    start = 0;
  }
  char* payload = reinterpret_cast<char*>(m_head) + kHeader + start;
  m_offset = start + size;
  m_used += size;
  std::memset(payload, 0, size);
  return payload;
}

std::string_view Arena::copy_text(std::string_view text) {
  char* out = static_cast<char*>(allocate(text.size() + 1, 1));
  if (!text.empty()) std::memcpy(out, text.data(), text.size());
  return std::string_view(out, text.size());
}

void Arena::reset() {
  // Keep the oldest chunk of the standard size; free everything else.
  Chunk* keep = nullptr;
  Chunk* chunk = m_head;
  while (chunk) {
    Chunk* next = chunk->next;
    if (!keep && next == nullptr && chunk->size == kChunkSize) {
      keep = chunk;
    } else {
      std::free(chunk);
    }
    chunk = next;
  }
  m_head = keep;
  if (m_head) m_head->next = nullptr;
  m_offset = 0;
  m_used = 0;
}

}  // namespace orlan::css
