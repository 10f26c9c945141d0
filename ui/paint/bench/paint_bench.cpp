// Painting benchmarks on the program's main page (the fuzz corpus copies of the page and
// its sheet, thirty click rows, 611 x 463, fallback measurer): building the display
// list, diffing two frames, and the whole frame before drawing (style pass, layout,
// display list and diff) after the screen added one row.

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "display_list.h"
#include "computed_style.h"
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

struct MainPage {
  orlan::View* view = orlan::create_view();
  orlan::Document* d = nullptr;
  orlan::Node* rows = nullptr;
  orlan::DisplayList list, previous;
  orlan::ItemBounds bounds;

  MainPage() {
    orlan::load_page(view, read_source("ui/html/fuzz/corpus/main_page.html"),
                     read_source("ui/css/fuzz/sheet/main_screen.css"));
    d = orlan::document(view);
    rows = orlan::get_element_by_id(d, "rows", 4);
    for (int i = 0; i < 30; ++i) add_row();
    frame();
    frame();
  }
  ~MainPage() { orlan::destroy_view(view); }

  orlan::Node* add_row() {
    static const char* const kCells[] = {"1280, 720", "Left", "Single", "00:01.00 ~ 00:02.00", ""};
    orlan::Node* tr = orlan::create_element(d, "tr", 2);
    for (const char* text : kCells) {
      orlan::Node* td = orlan::create_element(d, "td", 2);
      orlan::set_text_content(td, text, std::strlen(text));
      orlan::append_child(tr, td);
    }
    orlan::append_child(rows, tr);
    return tr;
  }
  // Style pass, layout, display list and diff: the frame up to drawing.
  orlan::Damage frame() {
    orlan::layout_document(*d, 611, 463, nullptr);
    orlan::build_display_list(*d, list);
    orlan::Damage damage = orlan::diff_display_lists(previous, list, bounds);
    previous.copy_from(list);
    return damage;
  }
};

void BM_MainPageBuildDisplayList(benchmark::State& state) {
  MainPage page;
  for (auto _ : state) {
    orlan::build_display_list(*page.d, page.list);
    benchmark::DoNotOptimize(page.list.count);
  }
  state.counters["items"] = page.list.count;
}
BENCHMARK(BM_MainPageBuildDisplayList)->Unit(benchmark::kMicrosecond);

void BM_MainPageDiff(benchmark::State& state) {
  MainPage page;
  orlan::build_display_list(*page.d, page.list);
  page.previous.copy_from(page.list);
  for (auto _ : state) {
    orlan::Damage damage = orlan::diff_display_lists(page.previous, page.list, page.bounds);
    benchmark::DoNotOptimize(damage);
  }
}
BENCHMARK(BM_MainPageDiff)->Unit(benchmark::kMicrosecond);

// One colour changed: the diff also measures the previous frame's bounds.
void BM_MainPageDiffOneChange(benchmark::State& state) {
  MainPage page;
  orlan::build_display_list(*page.d, page.list);
  page.previous.copy_from(page.list);
  page.list.items[page.list.count / 2].color ^= 1;
  for (auto _ : state) {
    orlan::Damage damage = orlan::diff_display_lists(page.previous, page.list, page.bounds);
    benchmark::DoNotOptimize(damage);
  }
}
BENCHMARK(BM_MainPageDiffOneChange)->Unit(benchmark::kMicrosecond);

void BM_MainPageFrameAfterAddingRow(benchmark::State& state) {
  MainPage page;
  for (auto _ : state) {
    orlan::Node* row = page.add_row();
    orlan::Damage damage = page.frame();
    benchmark::DoNotOptimize(damage);
    state.PauseTiming();
    orlan::remove(row);
    page.frame();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_MainPageFrameAfterAddingRow)->Unit(benchmark::kMicrosecond);

// The same frame's style pass alone.
void BM_MainPageStylePassAfterAddingRow(benchmark::State& state) {
  MainPage page;
  for (auto _ : state) {
    orlan::Node* row = page.add_row();
    benchmark::DoNotOptimize(orlan::style_pass(*page.d, 0));
    state.PauseTiming();
    orlan::remove(row);
    page.frame();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_MainPageStylePassAfterAddingRow)->Unit(benchmark::kMicrosecond);

// The same frame's style pass and layout alone, for the share painting takes.
void BM_MainPageStyleAndLayoutAfterAddingRow(benchmark::State& state) {
  MainPage page;
  for (auto _ : state) {
    orlan::Node* row = page.add_row();
    orlan::LayoutStats stats = orlan::layout_document(*page.d, 611, 463, nullptr);
    benchmark::DoNotOptimize(stats);
    state.counters["boxes_laid_out"] = stats.boxes_laid_out;
    state.PauseTiming();
    orlan::remove(row);
    page.frame();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_MainPageStyleAndLayoutAfterAddingRow)->Unit(benchmark::kMicrosecond);

}  // namespace
