#include "text_writer.h"

namespace olib::except {

void TextWriter::put(std::string_view text) noexcept {
  for (char c : text) put_char(c);
}

void TextWriter::put_char(char c) noexcept {
  if (m_size >= limit()) {
    m_overflowed = true;
    return;
  }
  if (m_buffer) m_buffer[m_size] = c;
  ++m_size;
}

void TextWriter::put_decimal(std::uint64_t value, int min_digits) noexcept {
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int i = count; i < min_digits; ++i) put_char('0');
  while (count > 0) put_char(digits[--count]);
}

void TextWriter::put_hex(std::uint64_t value, int digits) noexcept {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int i = digits - 1; i >= 0; --i) {
    put_char(i >= 16 ? '0' : kDigits[(value >> (4 * i)) & 0xF]);
  }
}

void TextWriter::put_hex_lower(std::uint64_t value, int min_digits) noexcept {
  static constexpr char kDigits[] = "0123456789abcdef";
  int needed = 1;
  while (needed < 16 && (value >> (4 * needed)) != 0) ++needed;
  if (needed < min_digits) needed = min_digits;
  for (int i = needed - 1; i >= 0; --i) {
    put_char(i >= 16 ? '0' : kDigits[(value >> (4 * i)) & 0xF]);
  }
}

void TextWriter::put_utf16_ascii(const char16_t* text, std::size_t max_units) noexcept {
  if (!text) return;
  for (std::size_t i = 0; i < max_units && text[i] != 0; ++i) {
    put_char(text[i] < 128 ? static_cast<char>(text[i]) : '?');
  }
}

void TextWriter::rewind(std::size_t size) noexcept {
  if (size < m_size) m_size = size;
}

}  // namespace olib::except
