// The click table's re-render: building and tearing down 1,000 rows through
// create_element, set_attribute, set_text_content, on, append_child and remove.
// Every system allocation is counted (operator new is replaced in this program, and the
// document allocates only through it), to show that after warm-up the rebuild is served
// entirely from the document's arena and free lists.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "document.h"
#include "orlan/orlan.h"
#include "view.h"

namespace {
std::atomic<std::uint64_t> g_allocations{0};
}

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

using namespace orlan;

constexpr int kRows = 1000;

void on_row_click(Event*, void*) {}

void build_rows(Document* doc, Node* tbody) {
  char number[16];
  for (int i = 0; i < kRows; ++i) {
    Node* tr = create_element(doc, "tr", 2);
    int n = std::snprintf(number, sizeof number, "%d", i);
    set_attribute(tr, "data-i", 6, number, static_cast<std::size_t>(n));
    if (i == 3) add_class(tr, "active", 6);
    on(tr, "mousedown", 9, on_row_click, nullptr);
    char position[32];
    int p = std::snprintf(position, sizeof position, "%dx%d", 100 + i, 200 + i);
    const char* cells[] = {position, "Left", "Single", "00:01.00~00:01.50", ""};
    for (int c = 0; c < 5; ++c) {
      Node* td = create_element(doc, "td", 2);
      std::size_t length =
          c == 0 ? static_cast<std::size_t>(p) : std::char_traits<char>::length(cells[c]);
      set_text_content(td, cells[c], length);
      if (c == 3) set_attribute(td, "title", 5, cells[c], length);
      append_child(tr, td);
    }
    append_child(tbody, tr);
  }
}

// html > body > table > tbody, as the page holds the click table.
Node* make_table(Document* doc) {
  Node* html = create_element(doc, "html", 4);
  link_child(*doc->root, *html, nullptr);
  doc->html = html;
  Node* at = html;
  for (const char* tag : {"body", "table", "tbody"}) {
    Node* n = create_element(doc, tag, std::char_traits<char>::length(tag));
    append_child(at, n);
    at = n;
  }
  return at;
}

void clear_rows(Node* tbody) {
  while (Node* row = first_child(tbody)) remove(row);
}

void BM_RebuildRows(benchmark::State& state) {
  View* view = create_view();
  Document* doc = document(view);
  Node* tbody = make_table(doc);
  // Warm-up: the first build fills the arena and the free lists.
  build_rows(doc, tbody);
  std::uint32_t nodes_per_build = doc->live_nodes;
  clear_rows(tbody);
  nodes_per_build -= doc->live_nodes;

  std::uint64_t allocations = 0;
  std::size_t chunks_before = doc->arena.chunk_count();
  for (auto _ : state) {
    std::uint64_t before = g_allocations.load(std::memory_order_relaxed);
    build_rows(doc, tbody);
    clear_rows(tbody);
    allocations += g_allocations.load(std::memory_order_relaxed) - before;
  }
  double per_iteration = static_cast<double>(nodes_per_build);
  state.counters["nodes"] = per_iteration;
  state.counters["ns_per_node"] =
      benchmark::Counter(per_iteration * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["arena_bytes_per_node"] =
      static_cast<double>(doc->arena.bytes_reserved()) / per_iteration;
  state.counters["sys_allocs_after_warmup"] = static_cast<double>(allocations);
  state.counters["arena_chunks_added"] =
      static_cast<double>(doc->arena.chunk_count() - chunks_before);
  state.counters["node_record_bytes"] = sizeof(Node);
  state.counters["attribute_record_bytes"] = sizeof(Attribute);
  state.counters["handler_record_bytes"] = sizeof(Handler);
  if (allocations != 0) state.SkipWithError("the row rebuild reached the system allocator");
  destroy_view(view);
}
BENCHMARK(BM_RebuildRows)->Unit(benchmark::kMicrosecond);

// The same without warm-up, for comparison: a fresh document per iteration.
void BM_BuildRowsColdDocument(benchmark::State& state) {
  std::uint64_t allocations = 0;
  for (auto _ : state) {
    std::uint64_t before = g_allocations.load(std::memory_order_relaxed);
    View* view = create_view();
    build_rows(document(view), make_table(document(view)));
    destroy_view(view);
    allocations += g_allocations.load(std::memory_order_relaxed) - before;
  }
  state.counters["sys_allocs_per_iteration"] =
      static_cast<double>(allocations) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_BuildRowsColdDocument)->Unit(benchmark::kMicrosecond);

}  // namespace
