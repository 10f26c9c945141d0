// The family a `font-family` value selects and the weight the font system is asked for.

#include <gtest/gtest.h>

#include <string>

#include "font_selection.h"

namespace orlan::render {
namespace {

TEST(FontSelection, FirstNameOfTheList) {
  const struct {
    const char* value;
    const char* family;
  } cases[] = {
      {"sans-serif", "Segoe UI"},
      {"system-ui, sans-serif", "Segoe UI"},
      {"", "Segoe UI"},
      {"  ", "Segoe UI"},
      {"\"\", serif", "Segoe UI"},
      {"SERIF", "Times New Roman"},
      {"monospace", "Consolas"},
      {"\"Segoe UI\", sans-serif", "Segoe UI"},
      {"'Fira Code' , monospace", "Fira Code"},
      {"Inter   , Arial", "Inter"},
      {"  Open Sans  ", "Open Sans"},
      {"\"Comma, Inside\", x", "Comma, Inside"},
      {"\"Unclosed", "Unclosed"},
      {"Arial,", "Arial"},
      {"\"sans-serif\"", "Segoe UI"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(select_family(c.value), c.family) << c.value;
  }
}

TEST(FontSelection, LongNamesAreCutAt127BytesOnACharacterBoundary) {
  EXPECT_EQ(select_family(std::string(300, 'a')).size(), 127u);
  EXPECT_EQ(select_family(std::string(127, 'b')), std::string(127, 'b'));
  // 126 ASCII bytes then a two-byte character: the character would straddle byte 127.
  std::string name = std::string(126, 'c') + "\xC3\xA9" + "tail";
  EXPECT_EQ(select_family(name), std::string(126, 'c'));
}

TEST(FontSelection, WeightIsClampedTo100Through950) {
  EXPECT_EQ(clamp_weight(50), 100);
  EXPECT_EQ(clamp_weight(1000), 950);
  EXPECT_EQ(clamp_weight(400), 400);
  EXPECT_EQ(clamp_weight(650.6f), 651);
  EXPECT_EQ(clamp_weight(-1), 100);
  EXPECT_EQ(clamp_weight(std::numeric_limits<float>::quiet_NaN()), 100);
}

}  // namespace
}  // namespace orlan::render
