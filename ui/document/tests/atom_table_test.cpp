#include <gtest/gtest.h>

#include <string>

#include "atom_table.h"

using orlan::Atom;
using orlan::AtomTable;

TEST(AtomHash, IsFnv1aOver32Bits) {
  EXPECT_EQ(AtomTable::hash(""), 0x811C9DC5u);
  EXPECT_EQ(AtomTable::hash("a"), 0xE40C292Cu);
  EXPECT_EQ(AtomTable::hash("foobar"), 0xBF9CF968u);
}

TEST(AtomTable, EmptyStringIsAtomZero) {
  AtomTable table;
  Atom atom = 99;
  EXPECT_TRUE(table.intern("", atom));
  EXPECT_EQ(atom, 0u);
  EXPECT_EQ(table.lookup(""), 0u);
  EXPECT_EQ(table.text(0), "");
}

TEST(AtomTable, InternIsStableAndLookupNeverCreates) {
  AtomTable table;
  EXPECT_EQ(table.lookup("div"), 0u);
  Atom div = 0, span = 0, again = 0;
  ASSERT_TRUE(table.intern("div", div));
  ASSERT_TRUE(table.intern("span", span));
  ASSERT_TRUE(table.intern("div", again));
  EXPECT_NE(div, 0u);
  EXPECT_NE(div, span);
  EXPECT_EQ(div, again);
  EXPECT_EQ(span, div + 1) << "ids are handed out in order";
  EXPECT_EQ(table.lookup("div"), div);
  EXPECT_EQ(table.lookup("DIV"), 0u);
  EXPECT_EQ(table.text(span), "span");
  EXPECT_STREQ(table.c_str(span), "span");
  std::uint32_t count = table.entry_count();
  EXPECT_EQ(table.lookup("nothing"), 0u);
  EXPECT_EQ(table.entry_count(), count);
}

TEST(AtomTable, LowerCasingFormsFoldAsciiOnly) {
  AtomTable table;
  Atom a = 0, b = 0;
  ASSERT_TRUE(table.intern_lower("DiV", a));
  EXPECT_EQ(table.text(a), "div");
  EXPECT_EQ(table.lookup_lower("DIV"), a);
  ASSERT_TRUE(table.intern_lower("\xC3\x89X", b));  // non-ASCII bytes stay as they are
  EXPECT_EQ(table.text(b), "\xC3\x89x");
  std::string long_name(100, 'Q');  // longer than the stack copy
  Atom c = 0;
  ASSERT_TRUE(table.intern_lower(long_name, c));
  EXPECT_EQ(table.text(c), std::string(100, 'q'));
  EXPECT_EQ(table.lookup_lower(long_name), c);
}

TEST(AtomTable, BytesAreComparedExactlyIncludingNul) {
  AtomTable table;
  Atom a = 0, b = 0;
  ASSERT_TRUE(table.intern(std::string_view("a\0b", 3), a));
  ASSERT_TRUE(table.intern(std::string_view("a\0c", 3), b));
  EXPECT_NE(a, b);
  EXPECT_EQ(table.text(a).size(), 3u);
}

TEST(AtomTable, IndexDoublesBeforeItIsHalfFull) {
  AtomTable table;
  Atom atom = 0;
  ASSERT_TRUE(table.intern("x0", atom));
  EXPECT_EQ(table.slot_count(), 256u);
  for (int i = 1; i < 127; ++i) ASSERT_TRUE(table.intern("x" + std::to_string(i), atom));
  // 127 strings plus the empty one: the next insertion finds 256 < 2 * 128 + 2.
  EXPECT_EQ(table.slot_count(), 256u);
  ASSERT_TRUE(table.intern("x127", atom));
  EXPECT_EQ(table.slot_count(), 512u);
  for (int i = 128; i < 5000; ++i) ASSERT_TRUE(table.intern("x" + std::to_string(i), atom));
  EXPECT_EQ(table.entry_count(), 5001u);
  EXPECT_GE(table.slot_count(), 2 * table.entry_count());
  for (int i = 0; i < 5000; ++i) {
    std::string name = "x" + std::to_string(i);
    ASSERT_EQ(table.text(table.lookup(name)), name);
  }
}
