#include "text_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace olib::except {
namespace {

TEST(TextWriter, WritesNumbersInFixedForms) {
  char buffer[256];
  TextWriter out(buffer, sizeof buffer);
  out.put_decimal(0);
  out.put_char('|');
  out.put_decimal(18446744073709551615ull);
  out.put_char('|');
  out.put_decimal(7, 2);
  out.put_char('|');
  out.put_decimal(123, 2);
  out.put_char('|');
  out.put_hex(0xABCDEF, 8);
  out.put_char('|');
  out.put_hex(0x7FF6'1234'5678'9ABCull, 16);
  out.put_char('|');
  out.put_hex(0x12345, 4);  // only the low digits of a fixed width
  out.put_char('|');
  out.put_hex_lower(0x1a, 4);
  out.put_char('|');
  out.put_hex_lower(0x12abcde, 4);
  EXPECT_EQ(out.text(),
            "0|18446744073709551615|07|123|00ABCDEF|7FF6123456789ABC|2345|001a|12abcde");
}

TEST(TextWriter, ModuleNamesBecomeAsciiWithQuestionMarks) {
  char buffer[64];
  TextWriter out(buffer, sizeof buffer);
  const char16_t name[] = u"k\u00e9rnel32.dll\0ignored";
  out.put_utf16_ascii(name, 48);
  out.put_char('|');
  out.put_utf16_ascii(u"abcdef", 3);
  EXPECT_EQ(out.text(), "k?rnel32.dll|abc");
}

TEST(TextWriter, CutsSilentlyAtTheLimitAndRemembersIt) {
  char buffer[8];
  TextWriter out(buffer, sizeof buffer);
  out.put("12345");
  EXPECT_FALSE(out.overflowed());
  out.put("6789");
  EXPECT_TRUE(out.overflowed());
  EXPECT_EQ(out.text(), "12345678");
}

TEST(TextWriter, ReservedTailKeepsRoomForLaterSections) {
  char buffer[10];
  TextWriter out(buffer, sizeof buffer);
  out.put("ab");
  out.set_reserved_tail(4);
  out.put("cdefgh");
  EXPECT_TRUE(out.overflowed());
  EXPECT_EQ(out.text(), "abcdef");
  out.rewind(2);
  out.set_reserved_tail(0);
  out.put("XYZ");
  EXPECT_EQ(out.text(), "abXYZ");
}

TEST(TextWriter, CounterMeasuresWithoutStoring) {
  TextWriter counter = TextWriter::counter();
  counter.put("hello");
  counter.put_hex(1, 16);
  counter.put_decimal(12345);
  EXPECT_EQ(counter.size(), 5u + 16u + 5u);
  EXPECT_FALSE(counter.overflowed());
  EXPECT_EQ(counter.text(), "");
}

}  // namespace
}  // namespace olib::except
