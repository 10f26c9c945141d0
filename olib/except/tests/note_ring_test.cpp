#include "note_ring.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "text_writer.h"

namespace olib::except {
namespace {

std::vector<std::string> lines_of(const NoteRing& ring) {
  std::vector<char> buffer(16384);
  TextWriter out(buffer.data(), buffer.size());
  ring.write_to(out);
  std::vector<std::string> lines;
  std::string_view text = out.text();
  while (!text.empty()) {
    std::size_t end = text.find("\r\n");
    if (end == std::string_view::npos) {
      lines.emplace_back(text);
      lines.push_back("<missing line end>");
      break;
    }
    lines.emplace_back(text.substr(0, end));
    text.remove_prefix(end + 2);
  }
  return lines;
}

TEST(NoteRing, KeepsTheLast32OldestFirst) {
  auto ring = std::make_unique<NoteRing>();
  EXPECT_TRUE(ring->empty());
  for (int i = 1; i <= 40; ++i) ring->add("note " + std::to_string(i));
  EXPECT_FALSE(ring->empty());
  std::vector<std::string> lines = lines_of(*ring);
  ASSERT_EQ(lines.size(), 32u);
  EXPECT_EQ(lines.front(), "note 9");
  EXPECT_EQ(lines.back(), "note 40");
}

TEST(NoteRing, CutsAt160BytesWithoutSplittingACharacter) {
  auto ring = std::make_unique<NoteRing>();
  ring->add(std::string(170, 'a'));
  std::string korean = std::string(158, 'b') + "\xED\x95\x9C";  // 161 bytes, last char 3 bytes
  ring->add(korean);
  std::vector<std::string> lines = lines_of(*ring);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(160, 'a'));
  EXPECT_EQ(lines[1], std::string(158, 'b'));
}

TEST(NoteRing, LineBreaksInANoteBecomeBlanks) {
  auto ring = std::make_unique<NoteRing>();
  ring->add("one\r\ntwo\nthree");
  EXPECT_EQ(lines_of(*ring), (std::vector<std::string>{"one  two three"}));
}

TEST(NoteRing, NotesFromManyThreadsAreWholeWhenRead) {
  auto ring = std::make_unique<NoteRing>();
  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::thread reader([&] {
    while (!done.load()) {
      for (const std::string& line : lines_of(*ring)) {
        // Every note is a thread digit repeated 100 times.
        if (line.size() != 100 || line.find_first_not_of(line[0]) != std::string::npos) ++torn;
      }
    }
  });
  std::vector<std::thread> writers;
  for (char t = '0'; t < '4'; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < 5000; ++i) ring->add(std::string(100, t));
    });
  }
  for (auto& w : writers) w.join();
  done = true;
  reader.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_LE(lines_of(*ring).size(), 32u);
  // Once the writers are gone the ring is whole again.
  for (int i = 0; i < 32; ++i) ring->add(std::string(100, 'z'));
  EXPECT_EQ(lines_of(*ring).size(), 32u);
}

}  // namespace
}  // namespace olib::except
