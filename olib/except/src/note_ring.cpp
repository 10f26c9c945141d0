#include "note_ring.h"

#include "text_writer.h"

namespace olib::except {

void NoteRing::add(std::string_view text) noexcept {
  std::size_t length = text.size();
  if (length > kNoteBytes) {
    length = kNoteBytes;
    // Never leave half a character at the end.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  }
  std::uint64_t sequence = m_next.fetch_add(1, std::memory_order_acq_rel);
  Slot& slot = m_slots[sequence % kNoteSlots];
  if (slot.busy.exchange(true, std::memory_order_acquire)) return;
  std::atomic_thread_fence(std::memory_order_release);
  slot.sequence.store(sequence, std::memory_order_relaxed);
  slot.length.store(static_cast<std::uint32_t>(length), std::memory_order_relaxed);
  for (std::size_t i = 0; i < length; ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') c = ' ';
    slot.text[i].store(c, std::memory_order_relaxed);
  }
  slot.busy.store(false, std::memory_order_release);
}

std::size_t NoteRing::write_to(TextWriter& out) const noexcept {
  std::uint64_t next = m_next.load(std::memory_order_acquire);
  std::uint64_t first = next > kNoteSlots + 1 ? next - kNoteSlots : 1;
  std::size_t written = 0;
  for (std::uint64_t sequence = first; sequence < next; ++sequence) {
    const Slot& slot = m_slots[sequence % kNoteSlots];
    if (slot.busy.load(std::memory_order_acquire)) continue;
    if (slot.sequence.load(std::memory_order_acquire) != sequence) continue;
    std::uint32_t length = slot.length.load(std::memory_order_relaxed);
    if (length > kNoteBytes) continue;
    char copy[kNoteBytes];
    for (std::uint32_t i = 0; i < length; ++i)
      copy[i] = slot.text[i].load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    // Written over while we copied it: leave it out rather than print a mixture.
    if (slot.busy.load(std::memory_order_relaxed) ||
        slot.sequence.load(std::memory_order_relaxed) != sequence) {
      continue;
    }
    out.put(std::string_view(copy, length));
    out.crlf();
    ++written;
  }
  return written;
}

}  // namespace olib::except
