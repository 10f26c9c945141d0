#pragma once

// Report text is written into a caller-provided byte buffer without touching the heap:
// the fault path uses it on a thread whose heap may be corrupt. Writes beyond the room are
// cut silently at the limit. A writer with no buffer only counts, which is how the size of
// a section is learnt before it is written for real.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace olib::except {

class TextWriter {
 public:
  // `buffer` may be null: then nothing is stored and only the size is counted.
  TextWriter(char* buffer, std::size_t capacity) noexcept
      : m_buffer(buffer), m_capacity(buffer ? capacity : SIZE_MAX) {}

  // A counting writer: never stores, never runs out of room.
  static TextWriter counter() noexcept { return TextWriter(nullptr, 0); }

  void put(std::string_view text) noexcept;
  void put_char(char c) noexcept;
  void crlf() noexcept { put("\r\n"); }

  // Decimal, no padding, or zero-padded to at least `min_digits`.
  void put_decimal(std::uint64_t value, int min_digits = 1) noexcept;
  // The low `digits` hexadecimal digits of `value`, upper case, zero-padded.
  void put_hex(std::uint64_t value, int digits) noexcept;
  // Lower-case hexadecimal with at least `min_digits` digits.
  void put_hex_lower(std::uint64_t value, int min_digits) noexcept;
  // UTF-16 text up to `max_units` or the first NUL, one character per unit; units of 128
  // and above become "?".
  void put_utf16_ascii(const char16_t* text, std::size_t max_units) noexcept;

  std::size_t size() const noexcept { return m_size; }
  // Rewinds to an earlier size (removing what was written since).
  void rewind(std::size_t size) noexcept;
  // Keeps `bytes` at the end of the buffer free; 0 gives all the room back.
  void set_reserved_tail(std::size_t bytes) noexcept { m_reserved = bytes; }
  // True once a write was cut since construction or the last clear_overflow().
  bool overflowed() const noexcept { return m_overflowed; }
  void clear_overflow() noexcept { m_overflowed = false; }
  std::string_view text() const noexcept {
    return {m_buffer ? m_buffer : "", m_buffer ? m_size : 0};
  }

 private:
  std::size_t limit() const noexcept {
    return m_reserved >= m_capacity ? 0 : m_capacity - m_reserved;
  }

  char* m_buffer;
  std::size_t m_capacity;
  std::size_t m_size = 0;
  std::size_t m_reserved = 0;
  bool m_overflowed = false;
};

}  // namespace olib::except
