#pragma once

// Short lines the program records while it runs; the last 32 appear in crash reports.
// Any thread may add a note without blocking, and the fault path reads the ring without
// allocating: each slot is guarded by a busy flag and its sequence number, and a note that
// changes while it is being read is left out.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace olib::except {

class TextWriter;

inline constexpr std::size_t kNoteSlots = 32;
inline constexpr std::size_t kNoteBytes = 160;

class NoteRing {
 public:
  NoteRing() noexcept = default;
  NoteRing(const NoteRing&) = delete;
  NoteRing& operator=(const NoteRing&) = delete;

  // Stores `text` in the next slot, overwriting the oldest note. Text beyond 160 bytes is
  // cut (at a character boundary); line breaks become blanks so a note stays one line.
  // A note that finds its slot still being written by another thread is dropped.
  void add(std::string_view text) noexcept;

  // Writes the stored notes, oldest first, one per line (CR LF); returns how many.
  std::size_t write_to(TextWriter& out) const noexcept;
  // True when no note was ever added.
  bool empty() const noexcept { return m_next.load(std::memory_order_acquire) == 1; }

 private:
  struct Slot {
    std::atomic<bool> busy{false};
    std::atomic<std::uint64_t> sequence{0};
    std::atomic<std::uint32_t> length{0};
    std::array<std::atomic<char>, kNoteBytes> text{};
  };

  std::array<Slot, kNoteSlots> m_slots;
  // The sequence number the next note gets; the first note is 1.
  std::atomic<std::uint64_t> m_next{1};
};

}  // namespace olib::except
