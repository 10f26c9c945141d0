// What writing a report costs: the native report (the faulting thread does this before
// it hands over), the internal report and scrubbing a report of the size limit.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "module_table.h"
#include "note_ring.h"
#include "report_layout.h"
#include "scrub.h"

namespace {

using namespace olib::except;

struct World {
  std::unique_ptr<ModuleTable> modules = std::make_unique<ModuleTable>();
  std::unique_ptr<NoteRing> notes = std::make_unique<NoteRing>();
  ReportBlocks blocks;
  std::vector<unsigned char> stack;
  std::vector<std::uint64_t> frames;

  World() {
    ReporterConfig config;
    SystemFacts facts;
    facts.product_name = "Windows 10 Pro";
    facts.build_number = "19045";
    facts.processors = 8;
    blocks = prepare_blocks(config, facts);
    // A full table: every stack slot lookup walks up to 192 entries.
    for (std::uint64_t i = 0; i < kModuleCapacity; ++i) {
      std::u16string name =
          u"module" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + u".dll";
      modules->on_load(name.data(), name.size(), 0x7FF000000000 + i * 0x100000, 0x80000);
    }
    for (int i = 0; i < 32; ++i)
      notes->add("a note of moderate length that says what happened " + std::to_string(i));
    for (std::uint64_t k = 0; k < kMaxStackBytes / 8; ++k) {
      std::uint64_t value =
          k % 3 == 0 ? 0x7FF000000000 + (k % kModuleCapacity) * 0x100000 + 0x1234 : k * 77;
      for (int b = 0; b < 8; ++b) stack.push_back(static_cast<unsigned char>(value >> (8 * b)));
    }
    for (std::size_t i = 0; i < kMaxFrames; ++i)
      frames.push_back(0x7FF000000000 + i * 0x100000 + 0x40);
  }
};

void BM_NativeReportFullStackAndModules(benchmark::State& state) {
  World world;
  NativeFault fault;
  fault.code = 0xC0000005;
  fault.address = 0x7FF000001234;
  fault.access = AccessKind::Write;
  fault.has_registers = true;
  fault.stack_possible = true;
  fault.stack = world.stack.data();
  fault.stack_size = world.stack.size();
  fault.thread.frames = world.frames.data();
  fault.thread.frame_count = world.frames.size();
  static char buffer[kReportLimit];
  std::size_t size = 0;
  for (auto _ : state) {
    size = write_native_report(world.blocks, fault, *world.modules, *world.notes, buffer,
                               sizeof buffer);
    benchmark::DoNotOptimize(buffer);
  }
  state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_NativeReportFullStackAndModules);

void BM_InternalReportBuildScrubShorten(benchmark::State& state) {
  World world;
  InternalFault fault;
  fault.message = "list state broken";
  fault.file = "C:\\Users\\kim\\src\\core\\area.cpp";
  fault.thread.frames = world.frames.data();
  fault.thread.frame_count = world.frames.size();
  UserEnvironment env;
  env.userprofile = "C:\\Users\\kim";
  env.username = "kim";
  for (auto _ : state) {
    std::string text = build_internal_report(world.blocks, fault, *world.modules, *world.notes);
    text = shorten_report(scrub_user_names(text, env));
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_InternalReportBuildScrubShorten);

}  // namespace
