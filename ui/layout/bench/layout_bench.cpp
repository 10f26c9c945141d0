// Layout benchmarks with the fallback measurer: line breaking of 1 MB of text, layout of
// 1,000 rows, relayout after one row's text changed (how many boxes were laid out again
// is reported as a counter), a 100,000-character word cut under overflow-wrap, and a
// textarea given 1 MB of text at once.

#include <benchmark/benchmark.h>

#include <string>

#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"

namespace {

// Paragraphs of about 4 KB each (well under the inline item limit), 1 MB in all.
std::string megabyte_page(std::size_t* text_bytes) {
  static const char* const kWords[] = {"layout", "of", "the", "engine", "breaks", "lines",
                                       "between", "words", "greedily", "while", "floats", "wait"};
  std::string page = "<html><body>";
  std::size_t total = 0, word = 0;
  while (total < 1024 * 1024) {
    page += "<p>";
    std::size_t paragraph = 0;
    while (paragraph < 4000) {
      const char* w = kWords[word++ % 12];
      page += w;
      page += ' ';
      paragraph += std::char_traits<char>::length(w) + 1;
    }
    total += paragraph;
    page += "</p>\n";
  }
  page += "</body></html>";
  *text_bytes = total;
  return page;
}

std::string rows_page() {
  std::string page = "<html><body>";
  for (int i = 0; i < 1000; ++i)
    page += "<div class=row id=r" + std::to_string(i) + ">Row " + std::to_string(i) +
            " with a few words of text</div>";
  page += "</body></html>";
  return page;
}

// Each iteration lays the whole page out again (the viewport width alternates, so no
// cached result is trusted).
void BM_LineBreakingOneMegabyte(benchmark::State& state) {
  std::size_t bytes = 0;
  const std::string page = megabyte_page(&bytes);
  orlan::View* view = orlan::create_view();
  orlan::load_page(view, page, "p{margin:0 0 8px}");
  orlan::Document& d = *orlan::document(view);
  orlan::layout_document(d, 800, 600, nullptr);
  float width = 800;
  for (auto _ : state) {
    width = width == 800 ? 801 : 800;
    orlan::LayoutStats stats = orlan::layout_document(d, width, 600, nullptr);
    benchmark::DoNotOptimize(stats);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  orlan::destroy_view(view);
}
BENCHMARK(BM_LineBreakingOneMegabyte)->Unit(benchmark::kMillisecond);

void BM_ThousandRowsFullLayout(benchmark::State& state) {
  orlan::View* view = orlan::create_view();
  orlan::load_page(view, rows_page(), ".row{padding:2px 4px;border-bottom:1px solid gray}");
  orlan::Document& d = *orlan::document(view);
  orlan::layout_document(d, 800, 600, nullptr);
  float width = 800;
  std::uint32_t boxes = 0;
  for (auto _ : state) {
    width = width == 800 ? 801 : 800;
    boxes = orlan::layout_document(d, width, 600, nullptr).boxes_laid_out;
  }
  state.counters["boxes_laid_out"] = boxes;
  orlan::destroy_view(view);
}
BENCHMARK(BM_ThousandRowsFullLayout)->Unit(benchmark::kMicrosecond);

void BM_ThousandRowsRelayoutOneText(benchmark::State& state) {
  orlan::View* view = orlan::create_view();
  orlan::load_page(view, rows_page(), ".row{padding:2px 4px;border-bottom:1px solid gray}");
  orlan::Document& d = *orlan::document(view);
  orlan::layout_document(d, 800, 600, nullptr);
  orlan::Node* row = orlan::get_element_by_id(&d, "r500", 4);
  std::uint32_t boxes = 0;
  int n = 0;
  for (auto _ : state) {
    const std::string text = (n++ & 1) ? "Row 500 changed" : "Row 500 changed again, longer";
    orlan::set_text_content(row, text.data(), text.size());
    boxes = orlan::layout_document(d, 800, 600, nullptr).boxes_laid_out;
  }
  state.counters["boxes_laid_out"] = boxes;
  orlan::destroy_view(view);
}
BENCHMARK(BM_ThousandRowsRelayoutOneText)->Unit(benchmark::kMicrosecond);

// One word of 100,000 characters in a 300 px block: about 1,700 cut lines per layout.
void BM_LongWordOverflowWrap(benchmark::State& state) {
  const std::string page = "<html><body><div style=\"width:300px;overflow-wrap:anywhere\">" +
                           std::string(100000, 'w') + "</div></body></html>";
  orlan::View* view = orlan::create_view();
  orlan::load_page(view, page, {});
  orlan::Document& d = *orlan::document(view);
  float width = 800;
  for (auto _ : state) {
    width = width == 800 ? 801 : 800;
    orlan::LayoutStats stats = orlan::layout_document(d, width, 600, nullptr);
    benchmark::DoNotOptimize(stats);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 100000));
  orlan::destroy_view(view);
}
BENCHMARK(BM_LongWordOverflowWrap)->Unit(benchmark::kMillisecond);

// A paste of 1 MB of words without line feeds into a 300 px textarea: the value is set
// and the page laid out, as in the frame after the paste.
void BM_TextareaPasteOneMegabyte(benchmark::State& state) {
  std::string text;
  static const char* const kWords[] = {"pasted", "text", "wraps", "at", "spaces", "inside"};
  for (std::size_t i = 0; text.size() < 1024 * 1024; ++i) {
    text += kWords[i % 6];
    text += ' ';
  }
  orlan::View* view = orlan::create_view();
  orlan::load_page(view, "<html><body><textarea id=t style=\"width:300px\"></textarea></body></html>",
                   {});
  orlan::Document& d = *orlan::document(view);
  orlan::Node* area = orlan::get_element_by_id(&d, "t", 1);
  orlan::layout_document(d, 800, 600, nullptr);
  bool full = false;
  for (auto _ : state) {
    full = !full;
    const std::size_t length = full ? text.size() : text.size() - 1;
    orlan::set_value(area, text.data(), length);
    orlan::LayoutStats stats = orlan::layout_document(d, 800, 600, nullptr);
    benchmark::DoNotOptimize(stats);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  orlan::destroy_view(view);
}
BENCHMARK(BM_TextareaPasteOneMegabyte)->Unit(benchmark::kMillisecond);

}  // namespace
