// A pointer move across the main page with every binding of the main screen: hit testing
// on the laid-out boxes, the hover chain with its enter and leave events, the tooltip
// candidate and mousemove. One iteration is one move along a sweep over the window;
// the second benchmark adds the style and layout pass the move's hover changes cause.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "document.h"
#include "input.h"
#include "layout_box.h"
#include "layout_input_hooks.h"
#include "main_screen.h"
#include "screen_fakes.h"

namespace {

struct Page : tw::test::ScreenRig {
  std::filesystem::path list_file =
      std::filesystem::temp_directory_path() / "tapwright_pointer_bench.lst";
  orlan::Document* doc = orlan::document(view);
  tw::ScreenCallbacks callbacks;
  Page() : ScreenRig("en", tw::main_page_html("en")) {
    std::string_view css = tw::main_stylesheet();
    orlan::load_css(view, css.data(), css.size());
    orlan::install_layout_input_hooks(nullptr);
    std::string list;
    for (int i = 0; i < 20; ++i) list += std::to_string(i) + "x" + std::to_string(i) + ",0,0,100,200\r\n";
    std::ofstream(list_file, std::ios::binary) << list;
    tw::ScreenContext screen_context = context();
    screen_context.list_path = list_file;
    callbacks = tw::build_main_screen(screen, screen_context, "Tapwright");
    orlan::set_viewport(*doc, 640, 560);
    orlan::layout_document(*doc, 640, 560, nullptr);
  }
};

constexpr int kSteps = 64;

void BM_PointerMoveAcrossMainPage(benchmark::State& state) {
  Page page;
  int step = 0;
  for (auto _ : state) {
    float t = static_cast<float>(step) / kSteps;
    benchmark::DoNotOptimize(orlan::pointer_move(*page.doc, 8 + t * 620, 8 + t * 540, 0));
    step = (step + 1) % kSteps;
  }
}
BENCHMARK(BM_PointerMoveAcrossMainPage);

void BM_PointerMoveWithFrameLayout(benchmark::State& state) {
  Page page;
  int step = 0;
  for (auto _ : state) {
    float t = static_cast<float>(step) / kSteps;
    orlan::pointer_move(*page.doc, 8 + t * 620, 8 + t * 540, 0);
    orlan::layout_document(*page.doc, 640, 560, nullptr);
    step = (step + 1) % kSteps;
  }
}
BENCHMARK(BM_PointerMoveWithFrameLayout);

}  // namespace
