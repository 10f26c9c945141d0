// load_html of the main page and of a 5,000-row table: time and memory per node.

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "document.h"
#include "orlan/orlan.h"
#include "view.h"

namespace {

std::string main_page() {
  std::ifstream file(TW_SOURCE_DIR "/ui/html/fuzz/corpus/main_page.html", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string big_table(int rows) {
  std::string text = "<html><body><table class=list-table id=list><tbody id=rows>\n";
  for (int i = 0; i < rows; ++i) {
    text += "<tr data-i=\"" + std::to_string(i) + "\"><td>" + std::to_string(100 + i % 1800) + "x" +
            std::to_string(200 + i % 1000) +
            "</td><td>Left</td><td>Single</td><td>00:01.00~00:01.50</td><td></td></tr>\n";
  }
  return text + "</tbody></table></body></html>";
}

void run_load(benchmark::State& state, const std::string& text) {
  orlan::View* view = orlan::create_view();
  orlan::Document* doc = orlan::document(view);
  for (auto _ : state) {
    orlan::load_html(view, text.data(), text.size());
    benchmark::DoNotOptimize(doc->root->first_child);
  }
  double nodes = doc->live_nodes;
  state.counters["nodes"] = nodes;
  state.counters["ns_per_node"] =
      benchmark::Counter(nodes * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  // Memory held by the document after the loads: its arena (records, pooled buffers)
  // and the atom table's strings are what a node costs.
  state.counters["arena_bytes_per_node"] = static_cast<double>(doc->arena.bytes_reserved()) / nodes;
  state.counters["bytes_per_input_byte"] =
      static_cast<double>(doc->arena.bytes_reserved()) / static_cast<double>(text.size());
  orlan::destroy_view(view);
}

void BM_LoadMainPage(benchmark::State& state) {
  run_load(state, main_page());
}
BENCHMARK(BM_LoadMainPage);

void BM_LoadTable5000Rows(benchmark::State& state) {
  run_load(state, big_table(5000));
}
BENCHMARK(BM_LoadTable5000Rows)->Unit(benchmark::kMillisecond);

}  // namespace
