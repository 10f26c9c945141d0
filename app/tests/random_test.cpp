#include "random.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace {

using tw::XorShift64Star;

// Reference values worked out independently (shift 12, 25, 27, multiplier
// 0x2545F4914F6CDD1D, top 31 bits).
TEST(XorShift64Star, MatchesReferenceSequenceFromSeedOne) {
  XorShift64Star generator(1);
  EXPECT_EQ(generator.next_value(), 603088677u);
  EXPECT_EQ(generator.state(), 33554433u);
  EXPECT_EQ(generator.next_value(), 1441256276u);
  EXPECT_EQ(generator.state(), 1126174793148417u);
  EXPECT_EQ(generator.next_value(), 1558742727u);
  EXPECT_EQ(generator.next_value(), 651824208u);
  EXPECT_EQ(generator.state(), 2306758490171379329u);
}

TEST(XorShift64Star, MatchesReferenceSequenceFromAWideSeed) {
  XorShift64Star generator(0x0123456789ABCDEFu);
  EXPECT_EQ(generator.next_value(), 1045053731u);
  EXPECT_EQ(generator.next_value(), 1790454601u);
  EXPECT_EQ(generator.next_value(), 1146851101u);
  EXPECT_EQ(generator.next_value(), 791594308u);
  EXPECT_EQ(generator.state(), 12238180737171678366u);
}

TEST(XorShift64Star, BelowIsTheValueModuloN) {
  XorShift64Star generator(1);
  std::vector<std::uint64_t> drawn;
  for (int i = 0; i < 8; ++i) drawn.push_back(generator.below(10));
  EXPECT_EQ(drawn, (std::vector<std::uint64_t>{7, 6, 7, 8, 0, 5, 2, 4}));
}

TEST(XorShift64Star, BelowZeroIsZero) {
  XorShift64Star generator(1);
  EXPECT_EQ(generator.below(0), 0u);
  EXPECT_EQ(generator.below(1), 0u);
}

TEST(XorShift64Star, ZeroSeedDoesNotStickAtZero) {
  XorShift64Star generator(0);
  EXPECT_NE(generator.state(), 0u);
  std::set<std::uint64_t> values;
  for (int i = 0; i < 16; ++i) values.insert(generator.next_value());
  EXPECT_GT(values.size(), 8u);
}

TEST(RandomBelow, StaysInRangeAndCoversIt) {
  std::set<std::uint64_t> seen;
  for (int i = 0; i < 2000; ++i) {
    std::uint64_t value = tw::random_below(10);
    ASSERT_LT(value, 10u);
    seen.insert(value);
  }
  EXPECT_EQ(seen.size(), 10u);
}

TEST(RandomBelow, EachThreadSeedsItsOwnGenerator) {
  // Two threads started now get different seeds (their generators live at different
  // addresses), so their first draws over a wide range differ.
  std::uint64_t first = 0, second = 0;
  std::thread a([&] { first = tw::random_below(1u << 30); });
  a.join();
  std::thread b([&] { second = tw::random_below(1u << 30); });
  b.join();
  EXPECT_NE(first, second);
}

}  // namespace
