// Sheet parsing throughput: the user-agent sheet, the ~20 KB main-screen sheet and a
// ~500 KB sheet made of many copies of it. Bytes per second should stay flat from 20 KB
// to 500 KB (the parser is linear in its input).

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "../tests/test_atoms.h"
#include "style_sheet.h"
#include "user_agent_sheet.h"

namespace {

using namespace orlan::css;

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

const std::string& application_sheet() {
  static const std::string text =
      read_file(std::string(TW_SOURCE_DIR) + "/ui/css/fuzz/sheet/main_screen.css");
  return text;
}

const std::string& large_sheet() {
  static const std::string text = [] {
    std::string out;
    const std::string& one = application_sheet();
    int copy = 0;
    while (out.size() < 500 * 1024) {
      out += "/* copy " + std::to_string(copy++) + " */\n";
      out += one;
    }
    return out;
  }();
  return text;
}

void parse(benchmark::State& state, std::string_view text) {
  testing::TestAtoms atoms;
  StyleSheet sheet(atoms);
  for (auto _ : state) {
    int32_t status = parse_stylesheet(sheet, text);
    benchmark::DoNotOptimize(status);
    benchmark::DoNotOptimize(sheet.rules().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
  state.counters["bytes"] = static_cast<double>(text.size());
  state.counters["rules"] = static_cast<double>(sheet.rules().size());
}

void BM_ParseUserAgentSheet(benchmark::State& state) {
  parse(state, user_agent_sheet_text());
}
void BM_ParseApplicationSheet20K(benchmark::State& state) {
  parse(state, application_sheet());
}
void BM_ParseLargeSheet500K(benchmark::State& state) {
  parse(state, large_sheet());
}

void BM_ParseDeclarationBlock(benchmark::State& state) {
  testing::TestAtoms atoms;
  StyleSheet sheet(atoms);
  std::string_view text =
      "display:flex;margin:0 4px;padding:2px 6px;color:#3d84dd;"
      "transition:color 120ms linear;width:calc(100% - 10px)";
  for (auto _ : state) {
    sheet.reset();
    DeclarationBlock block;
    benchmark::DoNotOptimize(parse_declaration_block(sheet, text, block));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}

BENCHMARK(BM_ParseUserAgentSheet);
BENCHMARK(BM_ParseApplicationSheet20K);
BENCHMARK(BM_ParseLargeSheet500K);
BENCHMARK(BM_ParseDeclarationBlock);

}  // namespace
