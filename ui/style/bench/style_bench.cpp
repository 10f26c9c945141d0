// The style pass on the main page: the full pass, the restyle after `active` moves in a
// 1,000-row table, and the bytes of style records per element with sharing; and the full
// restyle of a numbered list of 10,000 items. Every
// benchmark also reports the system allocations per iteration (0 after warm-up is the
// goal: the pass works in kept arenas).

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "../tests/style_test_support.h"

namespace {

std::atomic<std::uint64_t> g_allocations{0};

}  // namespace

// Counts every allocation of the process. The replacements allocate with malloc, so
// freeing with free is right (GCC cannot see that through the replacement).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

using namespace orlan;
using orlan::testing::read_source_file;
using orlan::testing::StyledPage;

const std::string& main_html() {
  static const std::string text = read_source_file("ui/html/fuzz/corpus/main_page.html");
  return text;
}
const std::string& main_css() {
  static const std::string text = read_source_file("ui/css/fuzz/sheet/main_screen.css");
  return text;
}

std::vector<Node*> add_rows(StyledPage& page, int count) {
  Document* d = &page.doc();
  Node* rows = page.id("rows");
  std::vector<Node*> out;
  for (int i = 0; i < count; ++i) {
    Node* tr = create_element(d, "tr", 2);
    for (int c = 0; c < 5; ++c) {
      Node* td = create_element(d, "td", 2);
      std::string text = std::to_string(i * 5 + c);
      set_text_content(td, text.data(), text.size());
      append_child(tr, td);
    }
    append_child(rows, tr);
    out.push_back(tr);
  }
  page.pass();
  return out;
}

std::size_t element_count(Document& d) {
  std::size_t count = 0;
  Node* n = d.root;
  while (n) {
    if (n->is_element()) ++count;
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && !n->next_sibling) n = n->parent;
    if (n) n = n->next_sibling;
  }
  return count;
}

void BM_FullStylePassMainPage(benchmark::State& state) {
  StyledPage page(main_html(), main_css());
  for (int i = 0; i < 3; ++i) {
    mark_dirty(*page.doc().root, kDirtyStyle);
    page.pass();
  }
  std::uint64_t before = g_allocations.load();
  for (auto _ : state) {
    mark_dirty(*page.doc().root, kDirtyStyle);
    page.pass();
  }
  state.counters["elements"] = static_cast<double>(element_count(page.doc()));
  state.counters["allocs/iter"] =
      static_cast<double>(g_allocations.load() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_FullStylePassMainPage)->Unit(benchmark::kMicrosecond);

void BM_RestyleAfterMovingActive(benchmark::State& state) {
  StyledPage page(main_html(), main_css());
  std::vector<Node*> rows = add_rows(page, 1000);
  std::size_t at = 0;
  auto move = [&] {
    remove_class(rows[at], "active", 6);
    at = (at + 337) % rows.size();
    add_class(rows[at], "active", 6);
    page.pass();
    page.laid_out();  // as the frame's layout would
  };
  for (int i = 0; i < 50; ++i) move();
  page.reset_stats();
  std::uint64_t before = g_allocations.load();
  for (auto _ : state) move();
  double n = static_cast<double>(state.iterations());
  // Compaction (a forced restyle of the whole table once the arena has grown by 1 MiB)
  // is included, amortised over the moves.
  state.counters["styled/iter"] = static_cast<double>(page.stats().elements_styled) / n;
  state.counters["compactions"] = static_cast<double>(page.stats().compactions);
  state.counters["visited/iter"] = static_cast<double>(page.stats().nodes_visited) / n;
  state.counters["allocs/iter"] = static_cast<double>(g_allocations.load() - before) / n;
}
BENCHMARK(BM_RestyleAfterMovingActive)->Unit(benchmark::kMicrosecond);

void BM_StyleBytesPerElementRowTable(benchmark::State& state) {
  StyledPage page(main_html(), main_css());
  add_rows(page, 1000);
  style::StyleState* s = style::state_of(page.doc());
  for (auto _ : state) {
    mark_dirty(*page.doc().root, kDirtyStyle);
    page.pass();
  }
  std::size_t elements = element_count(page.doc());
  state.counters["elements"] = static_cast<double>(elements);
  state.counters["bytes/element"] =
      static_cast<double>(s->arena().used()) / static_cast<double>(elements);
  state.counters["record_bytes"] = static_cast<double>(sizeof(ComputedStyle));
  state.counters["shared"] = static_cast<double>(page.stats().styles_shared) /
                             static_cast<double>(page.stats().full_restyles);
}
BENCHMARK(BM_StyleBytesPerElementRowTable)->Unit(benchmark::kMillisecond);

// Every item gets a marker whose number depends on the items before it.
void BM_FullRestyleTenThousandItemList(benchmark::State& state) {
  std::string html = "<html><body><ol>";
  for (int i = 0; i < 10000; ++i) html += "<li>item</li>";
  html += "</ol></body></html>";
  StyledPage page(html, "");
  for (auto _ : state) {
    mark_dirty(*page.doc().root, kDirtyStyle);
    page.pass();
  }
  state.counters["elements"] = static_cast<double>(element_count(page.doc()));
}
BENCHMARK(BM_FullRestyleTenThousandItemList)->Unit(benchmark::kMillisecond);

}  // namespace
