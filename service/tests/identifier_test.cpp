#include "identifier.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using twsvc::format_identifier;
using twsvc::LocalTime;
using twsvc::make_identifier;

unsigned long hex_field(const std::u16string& id, std::size_t pos, std::size_t len) {
  std::string ascii(id.begin() + pos, id.begin() + pos + len);
  return std::stoul(ascii, nullptr, 16);
}

TEST(ServiceIdentifier, FieldsInOrderWithFixedWidths) {
  LocalTime when{2026, 12, 9, 7, 5, 3};
  EXPECT_EQ(format_identifier(0x1A2B3C, when, 0xBEEF, 0x7FFFFFFE),
            u"001A2B3C261209BEEF0705037FFFFFFE");
}

TEST(ServiceIdentifier, SmallValuesArePaddedAndYearIsTwoDigits) {
  LocalTime when{2005, 1, 2, 0, 0, 9};
  std::u16string id = format_identifier(0, when, 0, 1);
  EXPECT_EQ(id, u"00000000050102000000000900000001");
  EXPECT_EQ(id.size(), 32u);
}

TEST(ServiceIdentifier, UpperCaseHexOnly) {
  LocalTime when{2031, 11, 30, 23, 59, 58};
  std::u16string id = format_identifier(0xABCDEF12, when, 0xFACE, 0xDEADBEEF);
  EXPECT_EQ(id, u"ABCDEF12311130FACE235958DEADBEEF");
}

TEST(ServiceIdentifier, MadeIdentifiersKeepLayoutAndRanges) {
  std::mt19937 random(12345);
  LocalTime when{2026, 3, 4, 5, 6, 7};
  std::set<std::u16string> seen;
  for (int i = 0; i < 500; ++i) {
    std::u16string id = make_identifier(when, random);
    ASSERT_EQ(id.size(), 32u);
    EXPECT_EQ(id.substr(8, 6), u"260304");
    EXPECT_EQ(id.substr(18, 6), u"050607");
    EXPECT_LT(hex_field(id, 0, 8), 2147483647ul);
    EXPECT_LT(hex_field(id, 14, 4), 65535ul);
    EXPECT_LT(hex_field(id, 24, 8), 2147483647ul);
    for (char16_t c : id) {
      EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')) << static_cast<int>(c);
    }
    seen.insert(id);
  }
  // The random parts really vary.
  EXPECT_GT(seen.size(), 490u);
}

}  // namespace
