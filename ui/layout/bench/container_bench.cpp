// Flex and table benchmarks with the fallback measurer: the main page's full layout at
// 611 x 463, a table of 1,000 rows laid out whole and again after one cell's text changed
// (boxes laid out again reported as a counter), and flex containers nested 8 deep against
// the same items in one flat container.

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"

namespace {

std::string read_source(const std::string& relative) {
  std::ifstream in(std::string(TW_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Lays the page out again each iteration (the width alternates by a pixel, so no cached
// result of the previous run is trusted).
void run_full_layouts(benchmark::State& state, orlan::Document& d, float width, float height) {
  orlan::layout_document(d, width, height, nullptr);
  float w = width;
  std::uint32_t boxes = 0;
  for (auto _ : state) {
    w = w == width ? width + 1 : width;
    boxes = orlan::layout_document(d, w, height, nullptr).boxes_laid_out;
  }
  state.counters["boxes_laid_out"] = boxes;
}

void BM_MainPageFullLayout(benchmark::State& state) {
  orlan::View* view = orlan::create_view();
  orlan::load_page(view, read_source("ui/html/fuzz/corpus/main_page.html"),
                   read_source("ui/css/fuzz/sheet/main_screen.css"));
  run_full_layouts(state, *orlan::document(view), 611, 463);
  orlan::destroy_view(view);
}
BENCHMARK(BM_MainPageFullLayout)->Unit(benchmark::kMicrosecond);

std::string table_page() {
  std::string page =
      "<table id=t><thead><tr><th>Position<th>Mouse<th>Click<th>Delay<th></tr></thead><tbody>";
  for (int i = 0; i < 1000; ++i)
    page += "<tr><td id=c" + std::to_string(i) + ">" + std::to_string(i * 3) + ", " +
            std::to_string(i * 7) + "<td>Left<td>Single<td>00:01.00 ~ 00:02.00<td></tr>";
  return page + "</tbody></table>";
}
const char* const kTableCss =
    "table{width:100%;border-collapse:collapse}td,th{height:24px;padding:0 6px}";

void BM_TableThousandRowsFullLayout(benchmark::State& state) {
  orlan::View* view = orlan::create_view();
  orlan::load_page(view, table_page(), kTableCss);
  run_full_layouts(state, *orlan::document(view), 611, 463);
  orlan::destroy_view(view);
}
BENCHMARK(BM_TableThousandRowsFullLayout)->Unit(benchmark::kMillisecond);

void BM_TableThousandRowsRelayoutOneCell(benchmark::State& state) {
  orlan::View* view = orlan::create_view();
  orlan::load_page(view, table_page(), kTableCss);
  orlan::Document& d = *orlan::document(view);
  orlan::layout_document(d, 611, 463, nullptr);
  orlan::Node* cell = orlan::get_element_by_id(&d, "c500", 4);
  std::uint32_t boxes = 0;
  int n = 0;
  for (auto _ : state) {
    const char* text = (n++ & 1) ? "1, 2" : "3, 4";
    orlan::set_text_content(cell, text, std::strlen(text));
    boxes = orlan::layout_document(d, 611, 463, nullptr).boxes_laid_out;
  }
  state.counters["boxes_laid_out"] = boxes;
  orlan::destroy_view(view);
}
BENCHMARK(BM_TableThousandRowsRelayoutOneCell)->Unit(benchmark::kMillisecond);

// 64 items of text with grow and shrink, either in one flex row or each at the bottom of
// 8 nested flex containers (alternating rows and columns); or as many items in one row as
// the nested page has boxes, to compare the cost per box.
std::string flex_page(bool nested, int items = 64) {
  std::string page = "<div class=top>";
  for (int i = 0; i < items; ++i) {
    std::string item = "<span class=item>item " + std::to_string(i) + "</span>";
    if (nested)
      for (int k = 0; k < 8; ++k)
        item = std::string("<div class=") + (k & 1 ? "c" : "r") + ">" + item + "</div>";
    page += item;
  }
  return page + "</div>";
}
const char* const kFlexCss =
    ".top{display:flex;flex-wrap:wrap}.r{display:flex;flex:1 1 auto}"
    ".c{display:flex;flex-direction:column;flex:1 1 auto}.item{flex:1 1 auto;padding:2px}";

void BM_FlexNestedEightDeep(benchmark::State& state) {
  orlan::View* view = orlan::create_view();
  orlan::load_page(view, flex_page(true), kFlexCss);
  run_full_layouts(state, *orlan::document(view), 800, 600);
  orlan::destroy_view(view);
}
BENCHMARK(BM_FlexNestedEightDeep)->Unit(benchmark::kMicrosecond);

void BM_FlexFlat(benchmark::State& state) {
  orlan::View* view = orlan::create_view();
  orlan::load_page(view, flex_page(false), kFlexCss);
  run_full_layouts(state, *orlan::document(view), 800, 600);
  orlan::destroy_view(view);
}
BENCHMARK(BM_FlexFlat)->Unit(benchmark::kMicrosecond);

void BM_FlexFlatAsManyBoxesAsNested(benchmark::State& state) {
  orlan::View* view = orlan::create_view();
  orlan::load_page(view, flex_page(false, 64 * 9), kFlexCss);
  run_full_layouts(state, *orlan::document(view), 800, 600);
  orlan::destroy_view(view);
}
BENCHMARK(BM_FlexFlatAsManyBoxesAsNested)->Unit(benchmark::kMicrosecond);

}  // namespace
