#include "identifier.h"

namespace twsvc {

namespace {

void append_hex(std::u16string& out, std::uint32_t value, int digits) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    out.push_back(kDigits[(value >> shift) & 0xF]);
  }
}

void append_two_digits(std::u16string& out, int value) {
  // Out-of-range clock fields still give two digits; the layout never moves.
  unsigned v = static_cast<unsigned>(value < 0 ? -value : value) % 100;
  out.push_back(static_cast<char16_t>(u'0' + v / 10));
  out.push_back(static_cast<char16_t>(u'0' + v % 10));
}

}  // namespace

std::u16string format_identifier(std::uint32_t first, const LocalTime& when, std::uint32_t middle,
                                 std::uint32_t last) {
  std::u16string id;
  id.reserve(32);
  append_hex(id, first, 8);
  append_two_digits(id, when.year % 100);
  append_two_digits(id, when.month);
  append_two_digits(id, when.day);
  append_hex(id, middle, 4);
  append_two_digits(id, when.hour);
  append_two_digits(id, when.minute);
  append_two_digits(id, when.second);
  append_hex(id, last, 8);
  return id;
}

std::u16string make_identifier(const LocalTime& when, std::mt19937& random) {
  std::uniform_int_distribution<std::uint32_t> long_part(0, 2147483646u);
  std::uniform_int_distribution<std::uint32_t> short_part(0, 65534u);
  std::uint32_t first = long_part(random);
  std::uint32_t middle = short_part(random);
  std::uint32_t last = long_part(random);
  return format_identifier(first, when, middle, last);
}

}  // namespace twsvc
