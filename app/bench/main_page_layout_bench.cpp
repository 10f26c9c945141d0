// Layout of the main screen as the program loads it (compiled-in page and sheet, the logo,
// a rendered click table) at 611 x 463 with the fallback measurer: a full layout, and the
// relayout after the table is rebuilt with one click more or less (what the add-record
// hotkey and the row menu's Delete do).

#include <benchmark/benchmark.h>

#include <string>

#include "click_table.h"
#include "document.h"
#include "layout_box.h"
#include "main_screen.h"
#include "orlan/orlan.h"

namespace {

constexpr float kWidth = 611, kHeight = 463;

struct LoadedScreen {
  orlan::View* view = orlan::create_view();
  tw::ClickList list;

  explicit LoadedScreen(int clicks) {
    const std::string html = tw::main_page_html("en");
    const std::string_view css = tw::main_stylesheet();
    const std::string_view logo = tw::logo_svg();
    orlan::load_html(view, html.data(), html.size());
    orlan::load_css(view, css.data(), css.size());
    orlan::image_set(document(), "logo.svg", 8, logo.data(), logo.size());
    for (int i = 0; i < clicks; ++i) add_click(i);
    render();
    orlan::layout_document(*document(), kWidth, kHeight, nullptr);
  }
  ~LoadedScreen() { orlan::destroy_view(view); }
  LoadedScreen(const LoadedScreen&) = delete;

  orlan::Document* document() { return orlan::document(view); }
  void add_click(int i) {
    tw::ClickEntry e;
    e.x = 100 + i;
    e.y = 200 + i;
    e.delay1 = 1000;
    e.delay2 = i % 2 ? 1500 : 1000;
    e.mouse = static_cast<std::uint8_t>(i % 3);
    list.append(e);
  }
  void render() { tw::render_click_table(tw::Page(document()), list, "en"); }
};

void BM_MainScreenFullLayout(benchmark::State& state) {
  LoadedScreen screen(static_cast<int>(state.range(0)));
  float width = kWidth;
  std::uint32_t boxes = 0;
  for (auto _ : state) {
    // A width change each time: nothing is restored from the previous run.
    width = width == kWidth ? kWidth + 1 : kWidth;
    boxes = orlan::layout_document(*screen.document(), width, kHeight, nullptr).boxes_laid_out;
  }
  state.counters["boxes_laid_out"] = boxes;
}
BENCHMARK(BM_MainScreenFullLayout)->Arg(20)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_MainScreenRelayoutAfterAddingAClick(benchmark::State& state) {
  LoadedScreen screen(static_cast<int>(state.range(0)));
  const int base = static_cast<int>(state.range(0));
  std::uint32_t boxes = 0;
  for (auto _ : state) {
    // The list alternates between base and base + 1 clicks, rebuilt like the screen does.
    state.PauseTiming();
    if (screen.list.size() > static_cast<std::size_t>(base))
      screen.list.remove(screen.list.size() - 1);
    else
      screen.add_click(base);
    screen.render();
    state.ResumeTiming();
    boxes = orlan::layout_document(*screen.document(), kWidth, kHeight, nullptr).boxes_laid_out;
  }
  state.counters["boxes_laid_out"] = boxes;
}
BENCHMARK(BM_MainScreenRelayoutAfterAddingAClick)->Arg(20)->Unit(benchmark::kMicrosecond);

}  // namespace
