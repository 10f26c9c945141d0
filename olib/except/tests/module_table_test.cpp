#include "module_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace olib::except {
namespace {

std::u16string name_of(std::uint64_t base) {
  std::u16string name = u"m";
  for (char c : std::to_string(base)) name += static_cast<char16_t>(c);
  return name + u".dll";
}

std::string ascii(const char16_t* units) {
  std::string out;
  for (; *units; ++units) out += static_cast<char>(*units);
  return out;
}

void load(ModuleTable& table, std::uint64_t base, std::uint64_t size = 0x1000) {
  std::u16string name = name_of(base);
  table.on_load(name.data(), name.size(), base, size);
}

std::vector<std::uint64_t> bases(const ModuleTable& table) {
  std::vector<std::uint64_t> out;
  table.read([&](const ModuleBuffer& buffer) {
    for (std::uint32_t i = 0; i < buffer.count; ++i) out.push_back(buffer.entries[i].base);
  });
  return out;
}

std::uint32_t overflow(const ModuleTable& table) {
  std::uint32_t value = 0;
  table.read([&](const ModuleBuffer& buffer) { value = buffer.overflow; });
  return value;
}

TEST(ModuleTable, EmptyTableFindsNothingAndCannotBeRead) {
  auto table = std::make_unique<ModuleTable>();
  ModuleHit hit;
  EXPECT_FALSE(table->lookup(0x1000, hit));
  EXPECT_FALSE(table->read([](const ModuleBuffer&) {}));
}

TEST(ModuleTable, LookupUsesHalfOpenRanges) {
  auto table = std::make_unique<ModuleTable>();
  load(*table, 0x10000, 0x2000);
  load(*table, 0x40000, 0x1000);
  ModuleHit hit;
  ASSERT_TRUE(table->lookup(0x10000, hit));
  EXPECT_EQ(ascii(hit.name), "m65536.dll");
  ASSERT_TRUE(table->lookup(0x11FFF, hit));
  EXPECT_EQ(hit.base, 0x10000u);
  EXPECT_FALSE(table->lookup(0x12000, hit));
  ASSERT_TRUE(table->lookup(0x40FFF, hit));
  EXPECT_EQ(hit.base, 0x40000u);
  EXPECT_FALSE(table->lookup(0xFFFF, hit));
}

TEST(ModuleTable, FullTableCountsTheRestAsOverflow) {
  auto table = std::make_unique<ModuleTable>();
  for (std::uint64_t i = 0; i < 200; ++i) load(*table, 0x100000 * (i + 1));
  EXPECT_EQ(bases(*table).size(), 192u);
  EXPECT_EQ(overflow(*table), 8u);
  ModuleHit hit;
  EXPECT_TRUE(table->lookup(0x100000 * 192, hit));
  EXPECT_FALSE(table->lookup(0x100000 * 193, hit));
}

TEST(ModuleTable, UnloadKeepsOrderAndUnknownUnloadLowersOverflowOnlyAboveZero) {
  auto table = std::make_unique<ModuleTable>();
  load(*table, 0x1000);
  load(*table, 0x2000);
  load(*table, 0x3000);
  table->on_unload(0x2000);
  EXPECT_EQ(bases(*table), (std::vector<std::uint64_t>{0x1000, 0x3000}));
  table->on_unload(0x9000);  // never seen, overflow is zero
  EXPECT_EQ(overflow(*table), 0u);
  EXPECT_EQ(bases(*table).size(), 2u);

  for (std::uint64_t i = 0; i < 192; ++i) load(*table, 0x100000 * (i + 1));
  EXPECT_EQ(overflow(*table), 2u);
  table->on_unload(0xDEAD0000);
  EXPECT_EQ(overflow(*table), 1u);
}

TEST(ModuleTable, SameBaseIsListedOnceAndLongNamesAreCut) {
  auto table = std::make_unique<ModuleTable>();
  std::u16string long_name(60, u'x');
  table->on_load(long_name.data(), long_name.size(), 0x5000, 0x100);
  table->on_load(u"other.dll", 9, 0x5000, 0x100);
  ModuleHit hit;
  ASSERT_TRUE(table->lookup(0x5000, hit));
  EXPECT_EQ(ascii(hit.name), std::string(47, 'x'));
  EXPECT_EQ(bases(*table).size(), 1u);
}

TEST(ModuleTable, SnapshotIsRefusedWhenAChangeArrivedMeanwhile) {
  auto table = std::make_unique<ModuleTable>();
  auto snapshot = std::make_unique<ModuleBuffer>();
  snapshot->add(u"a.exe", 5, 0x400000, 0x1000);
  std::uint64_t seen = table->generation();
  load(*table, 0x7000);
  EXPECT_FALSE(table->publish_snapshot(*snapshot, seen));
  EXPECT_EQ(bases(*table), (std::vector<std::uint64_t>{0x7000}));
  EXPECT_TRUE(table->publish_snapshot(*snapshot, table->generation()));
  EXPECT_EQ(bases(*table), (std::vector<std::uint64_t>{0x400000}));
}

TEST(ModuleTable, WriterGivesUpOnABufferStillBeingReadAndCountsTheMiss) {
  auto table = std::make_unique<ModuleTable>();
  load(*table, 0x1000);
  table->read([&](const ModuleBuffer& held) {
    load(*table, 0x2000);  // fills the other buffer
    load(*table, 0x3000);  // would have to reuse the buffer we hold: dropped
    EXPECT_EQ(held.count, 1u);
    EXPECT_EQ(held.entries[0].base, 0x1000u);
  });
  EXPECT_EQ(table->missed_updates(), 1u);
  EXPECT_EQ(bases(*table), (std::vector<std::uint64_t>{0x1000, 0x2000}));
  load(*table, 0x3000);
  EXPECT_EQ(bases(*table), (std::vector<std::uint64_t>{0x1000, 0x2000, 0x3000}));
}

TEST(ModuleTable, ReadersNeverSeeAHalfWrittenEntry) {
  auto table = std::make_unique<ModuleTable>();
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::atomic<int> hits{0};
  std::thread reader([&] {
    while (!done.load()) {
      for (std::uint64_t i = 1; i <= 8; ++i) {
        ModuleHit hit;
        if (table->lookup(i * 0x10000 + 5, hit)) {
          ++hits;
          if (ascii(hit.name) != "m" + std::to_string(hit.base) + ".dll" || hit.size != 0x1000) {
            ++bad;
          }
        }
      }
    }
  });
  for (int round = 0; round < 2000; ++round) {
    for (std::uint64_t i = 1; i <= 8; ++i) load(*table, i * 0x10000);
    for (std::uint64_t i = 1; i <= 8; i += 2) table->on_unload(i * 0x10000);
  }
  done = true;
  reader.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_GT(hits.load(), 0);
}

}  // namespace
}  // namespace olib::except
