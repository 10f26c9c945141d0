// Ticking running transitions: 1,000 elements, each with one colour, opacity or width
// transition that lasts far longer than the run, advanced by one 16 ms frame per
// iteration (interpolation, writing into the style and marking the element dirty).

#include <benchmark/benchmark.h>

#include <string>

#include "../tests/anim_harness.h"

namespace {

using namespace orlan;

void BM_TickRunningTransitions(benchmark::State& state, const char* before, const char* after) {
  const int count = static_cast<int>(state.range(0));
  anim::testing::AnimationDocument doc;
  for (int i = 0; i < count; ++i) {
    Node* e = doc.element(doc.body);
    doc.restyle(*e, before, 0);
    doc.restyle(*e, after, 0);
  }
  double now = 0;
  std::uint32_t running = 0;
  for (auto _ : state) {
    now += 16;
    running = doc.frame(now);
    benchmark::DoNotOptimize(running);
  }
  if (running != static_cast<std::uint32_t>(count)) state.SkipWithError("transitions ended early");
  state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK_CAPTURE(BM_TickRunningTransitions, color,
                  "color: #bdbdc4; transition: color 1000000s linear",
                  "color: #ffffff; transition: color 1000000s linear")
    ->Arg(1000);
BENCHMARK_CAPTURE(BM_TickRunningTransitions, opacity_ease,
                  "opacity: 0; transition: opacity 1000000s ease",
                  "opacity: 1; transition: opacity 1000000s ease")
    ->Arg(1000);
BENCHMARK_CAPTURE(BM_TickRunningTransitions, width, "width: 0px; transition: width 1000000s linear",
                  "width: 500px; transition: width 1000000s linear")
    ->Arg(1000);

}  // namespace
