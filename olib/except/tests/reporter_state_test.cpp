// The reporter's state is made on first use, which a note added before installation
// triggers from a noexcept function: it must not need the heap. This program replaces the
// global allocation functions so that every allocation fails while `g_refuse` is set.
#include "reporter_state.h"
#include "reporter.h"
#include "text_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

namespace {
std::atomic<bool> g_refuse{false};
}  // namespace

// The replacements pair malloc with free themselves; GCC cannot see that through the
// replaced operators.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  if (g_refuse.load()) throw std::bad_alloc();
  if (void* memory = std::malloc(size ? size : 1)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}

namespace {

TEST(ReporterState, FirstNoteBeforeInstallationNeedsNoHeap) {
  g_refuse = true;
  olib::except::add_note("before installation");
  g_refuse = false;
  char buffer[512];
  olib::except::TextWriter out(buffer, sizeof buffer);
  EXPECT_EQ(olib::except::reporter_state().notes.write_to(out), 1u);
  EXPECT_NE(std::string(buffer, out.size()).find("before installation"), std::string::npos);
}

}  // namespace
