// Layout of the main screen as the program loads it (compiled-in page and sheet, the logo,
// a rendered click table) at 611 x 463 with the fallback measurer: a full layout, and the
// relayout after the table is rebuilt with one click more or less (what the add-record
// hotkey and the row menu's Delete do).
//
// The "Costly" variants measure text with a measurer that spends a fixed time on every call
// (about what DirectWrite costs per call under Wine) and time what one add-record hotkey
// costs: the table update and the relayout that follows.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "click_table.h"
#include "computed_style.h"
#include "display_list.h"
#include "document.h"
#include "layout_box.h"
#include "main_screen.h"
#include "orlan/orlan.h"
#include "page.h"
#include "scroll.h"

namespace {

constexpr float kWidth = 611, kHeight = 463;

struct LoadedScreen {
  orlan::View* view = orlan::create_view();
  tw::ClickList list;
  const orlan::TextMeasurer* measurer = nullptr;

  explicit LoadedScreen(int clicks, const orlan::TextMeasurer* measurer = nullptr)
      : measurer(measurer) {
    const std::string html = tw::main_page_html("en");
    const std::string_view css = tw::main_stylesheet();
    const std::string_view logo = tw::logo_svg();
    orlan::load_html(view, html.data(), html.size());
    orlan::load_css(view, css.data(), css.size());
    orlan::image_set(document(), "logo.svg", 8, logo.data(), logo.size());
    for (int i = 0; i < clicks; ++i) add_click(i);
    render();
    orlan::layout_document(*document(), kWidth, kHeight, measurer);
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
  // As the screen does it: from what the table showed after the last update.
  void render() { tw::render_click_table(tw::Page(document()), list, "en", shown); }
  tw::ShownTable shown;
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

// The fallback's widths at a real measurer's price: a fixed 30 us per call.
float costly_measure(void* user, const orlan::AtomTable& atoms, const orlan::FontDescription& font,
                     const char* text, std::size_t length) {
  ++*static_cast<std::uint64_t*>(user);
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(30);
  while (std::chrono::steady_clock::now() < until) {
  }
  const orlan::TextMeasurer& fallback = orlan::fallback_text_measurer();
  return fallback.measure(nullptr, atoms, font, text, length);
}

orlan::FontMetrics costly_metrics(void*, const orlan::AtomTable& atoms,
                                  const orlan::FontDescription& font) {
  return orlan::fallback_text_measurer().metrics(nullptr, atoms, font);
}

void BM_CostlyMeasurerFullLayout(benchmark::State& state) {
  std::uint64_t calls = 0;
  const orlan::TextMeasurer measurer{&calls, costly_measure, costly_metrics};
  LoadedScreen screen(static_cast<int>(state.range(0)), &measurer);
  float width = kWidth;
  calls = 0;
  for (auto _ : state) {
    width = width == kWidth ? kWidth + 1 : kWidth;
    orlan::layout_document(*screen.document(), width, kHeight, &measurer);
  }
  state.counters["measure_calls"] =
      benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CostlyMeasurerFullLayout)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The first layout of a freshly loaded screen (the program's first frame).
void BM_CostlyMeasurerFirstLayout(benchmark::State& state) {
  std::uint64_t calls = 0;
  const orlan::TextMeasurer measurer{&calls, costly_measure, costly_metrics};
  for (auto _ : state) {
    state.PauseTiming();
    auto screen = std::make_unique<LoadedScreen>(0, &measurer);
    for (int i = 0; i < state.range(0); ++i) screen->add_click(i);
    screen->render();
    calls = 0;
    state.ResumeTiming();
    orlan::layout_document(*screen->document(), kWidth, kHeight, &measurer);
    state.PauseTiming();
    screen.reset();
    state.ResumeTiming();
  }
  state.counters["measure_calls"] = static_cast<double>(calls);
}
BENCHMARK(BM_CostlyMeasurerFirstLayout)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_CostlyMeasurerAddClick(benchmark::State& state) {
  std::uint64_t calls = 0;
  const orlan::TextMeasurer measurer{&calls, costly_measure, costly_metrics};
  LoadedScreen screen(static_cast<int>(state.range(0)), &measurer);
  const auto base = static_cast<std::size_t>(state.range(0));
  calls = 0;
  for (auto _ : state) {
    // Alternately one click added and the same one deleted again, as the screen does it.
    if (screen.list.size() > base)
      screen.list.remove(screen.list.size() - 1);
    else
      screen.add_click(static_cast<int>(base));
    screen.render();
    orlan::layout_document(*screen.document(), kWidth, kHeight, &measurer);
  }
  state.counters["measure_calls"] =
      benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CostlyMeasurerAddClick)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// What one add-record hotkey costs from the table update to the damage of the frame: the
// rows changed, the style pass, layout, the display list and its diff with the last frame
// (everything the frame does before drawing).
struct FrameRig {
  orlan::DisplayList list, previous;
  orlan::ItemBounds bounds;
  // Milliseconds spent in each step, summed over the frames.
  double style_ms = 0, layout_ms = 0, paint_ms = 0, diff_ms = 0;

  static double now_ms() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  orlan::Damage frame(LoadedScreen& screen, const orlan::TextMeasurer* measurer) {
    const double t0 = now_ms();
    orlan::style_pass(*screen.document(), 0);
    const double t1 = now_ms();
    orlan::layout_document(*screen.document(), kWidth, kHeight, measurer);
    const double t2 = now_ms();
    orlan::build_display_list(*screen.document(), list, measurer);
    const double t3 = now_ms();
    orlan::Damage damage = orlan::diff_display_lists(previous, list, bounds);
    previous.copy_from(list);
    const double t4 = now_ms();
    style_ms += t1 - t0;
    layout_ms += t2 - t1;
    paint_ms += t3 - t2;
    diff_ms += t4 - t3;
    return damage;
  }
  void report(benchmark::State& state, double table_ms) const {
    const auto per_frame = benchmark::Counter::kAvgIterations;
    state.counters["table_ms"] = benchmark::Counter(table_ms, per_frame);
    state.counters["style_ms"] = benchmark::Counter(style_ms, per_frame);
    state.counters["layout_ms"] = benchmark::Counter(layout_ms, per_frame);
    state.counters["paint_ms"] = benchmark::Counter(paint_ms, per_frame);
    state.counters["diff_ms"] = benchmark::Counter(diff_ms, per_frame);
    state.counters["items"] = list.count;
  }
};

void BM_CostlyMeasurerFrameAfterAddClick(benchmark::State& state) {
  std::uint64_t calls = 0;
  const orlan::TextMeasurer measurer{&calls, costly_measure, costly_metrics};
  LoadedScreen screen(static_cast<int>(state.range(0)), &measurer);
  FrameRig rig;
  rig.frame(screen, &measurer);
  rig.style_ms = rig.layout_ms = rig.paint_ms = rig.diff_ms = 0;
  const auto base = static_cast<std::size_t>(state.range(0));
  calls = 0;
  double table_ms = 0;
  for (auto _ : state) {
    const double t = FrameRig::now_ms();
    if (screen.list.size() > base)
      screen.list.remove(screen.list.size() - 1);
    else
      screen.add_click(static_cast<int>(base));
    screen.render();
    table_ms += FrameRig::now_ms() - t;
    benchmark::DoNotOptimize(rig.frame(screen, &measurer));
  }
  rig.report(state, table_ms);
  state.counters["measure_calls"] =
      benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CostlyMeasurerFrameAfterAddClick)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

// The program's first frame with a loaded list: the table built, then the whole frame.
void BM_CostlyMeasurerFirstFrame(benchmark::State& state) {
  std::uint64_t calls = 0;
  const orlan::TextMeasurer measurer{&calls, costly_measure, costly_metrics};
  for (auto _ : state) {
    state.PauseTiming();
    auto screen = std::make_unique<LoadedScreen>(0, &measurer);
    for (int i = 0; i < state.range(0); ++i) screen->add_click(i);
    FrameRig rig;
    calls = 0;
    state.ResumeTiming();
    const double t = FrameRig::now_ms();
    screen->render();
    const double table_ms = FrameRig::now_ms() - t;
    benchmark::DoNotOptimize(rig.frame(*screen, &measurer));
    state.PauseTiming();
    rig.report(state, table_ms);
    screen.reset();
    state.ResumeTiming();
  }
  state.counters["measure_calls"] = static_cast<double>(calls);
}
BENCHMARK(BM_CostlyMeasurerFirstFrame)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Making the table of a freshly loaded list (the rows of the default list file at start).
void BM_ClickTableFromEmpty(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto screen = std::make_unique<LoadedScreen>(0);
    for (int i = 0; i < state.range(0); ++i) screen->add_click(i);
    state.ResumeTiming();
    screen->render();
    state.PauseTiming();
    screen.reset();
    state.ResumeTiming();
  }
}
// One click added to a long table: what the add-record hotkey costs before layout.
void BM_ClickTableAppend(benchmark::State& state) {
  LoadedScreen screen(static_cast<int>(state.range(0)));
  const auto base = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    if (screen.list.size() > base)
      screen.list.remove(screen.list.size() - 1);
    else
      screen.add_click(static_cast<int>(base));
    screen.render();
  }
}
BENCHMARK(BM_ClickTableAppend)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_ClickTableFromEmpty)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// One hit test (what every pointer move over the window costs) with the list scrolled half
// way down a long table: the first argument is the number of rows, the second 1 for points
// on a line down the list box instead of a sweep over the whole window.
void BM_HitTestOverLongList(benchmark::State& state) {
  LoadedScreen screen(static_cast<int>(state.range(0)));
  orlan::Document& doc = *screen.document();
  orlan::Node* list_box = tw::Page(&doc).find("list-box");
  if (!list_box) {
    state.SkipWithError("no list box");
    return;
  }
  list_box->scroll_y = orlan::max_scroll_y(*list_box) / 2;
  orlan::layout_document(doc, kWidth, kHeight, nullptr);
  const orlan::Rect box = orlan::absolute_position(*list_box);
  const bool in_list = state.range(1) != 0;
  constexpr int kSteps = 64;
  int step = 0;
  for (auto _ : state) {
    const float t = static_cast<float>(step) / kSteps;
    const float x = in_list ? box.x + box.width / 3 : 4 + t * (kWidth - 8);
    const float y = in_list ? box.y + 2 + t * (box.height - 4) : 4 + t * (kHeight - 8);
    benchmark::DoNotOptimize(orlan::hit_test(doc, x, y));
    step = (step + 1) % kSteps;
  }
}
BENCHMARK(BM_HitTestOverLongList)
    ->ArgsProduct({{10000, 100000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
