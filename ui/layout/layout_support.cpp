// Shared pieces of the layout stage: the run arena, box ownership, style questions and
// line metrics.

#include <cmath>
#include <cstring>

#include "layout_internal.h"
#include "memory.h"
#include "text_width_cache.h"

namespace orlan {

// ---- Arena ----

namespace {
constexpr std::size_t kArenaChunk = 64 * 1024;
std::size_t align16(std::size_t n) {
  return (n + 15) & ~std::size_t(15);
}
}  // namespace

LayoutArena::~LayoutArena() {
  for (Chunk* list : {head, spare}) {
    while (list) {
      Chunk* next = list->next;
      system_free(list);
      list = next;
    }
  }
}

void* LayoutArena::allocate_raw(std::size_t size, bool zero) noexcept {
  size = align16(size ? size : 1);
  if (!head || head->size - head->used < size) {
    // A chunk given back by reset() is reused when it is large enough: layout takes and
    // gives back the same large scratch arrays for every inline run.
    Chunk* chunk = nullptr;
    for (Chunk** link = &spare; *link; link = &(*link)->next) {
      if ((*link)->size >= size) {
        chunk = *link;
        *link = chunk->next;
        break;
      }
    }
    if (!chunk) {
      std::size_t want =
          size > kArenaChunk - align16(sizeof(Chunk)) ? size + align16(sizeof(Chunk)) : kArenaChunk;
      void* memory = system_allocate(want);
      if (!memory) return nullptr;
      bytes += want;
      chunk = static_cast<Chunk*>(memory);
      chunk->size = want - align16(sizeof(Chunk));
    }
    chunk->next = head;
    chunk->used = 0;
    head = chunk;
  }
  std::byte* base = reinterpret_cast<std::byte*>(head) + align16(sizeof(Chunk));
  void* result = base + head->used;
  head->used += size;
  if (zero) std::memset(result, 0, size);
  return result;
}

void LayoutArena::reset(Mark mark) noexcept {
  while (head && head != mark.chunk) {
    Chunk* next = head->next;
    head->next = spare;
    spare = head;
    head = next;
  }
  if (head) head->used = mark.used;
}

// ---- Boxes ----

namespace {

void free_box_buffers(Document& d, LayoutBox& box) {
  free_box_buffer(d, box.text_lines, std::size_t{box.text_line_capacity} * sizeof(TextLine));
  free_box_buffer(d, box.display_text, box.display_text_capacity);
  free_box_buffer(d, box.lines, std::size_t{box.line_capacity} * sizeof(LineBox));
  free_box_buffer(d, box.runs, std::size_t{box.run_capacity} * sizeof(TextRun));
  free_box_buffer(d, box.run_text, box.run_text_capacity);
  free_box_buffer(d, box.collapsed, sizeof(CollapsedBorders));
  free_box_buffer(d, box.history, sizeof(LayoutCacheEntry) * kLayoutHistory);
}

void release_box_hook(Document&, Node& node) {
  release_box(node);
}

const NodeDataHooks kLayoutHooks{release_box_hook, nullptr};

}  // namespace

void install_layout_hooks() noexcept {
  static bool installed = false;
  if (installed) return;
  installed = true;
  set_node_data_hooks(&kLayoutHooks);
}

LayoutBox* ensure_box(Node& node) noexcept {
  if (node.box) return node.box;
  void* memory = node.document->box_records.acquire(sizeof(LayoutBox));
  if (!memory) return nullptr;
  node.box = new (memory) LayoutBox{};
  return node.box;
}

void release_box(Node& node) noexcept {
  if (!node.box) return;
  Document& d = *node.document;
  free_box_buffers(d, *node.box);
  node.box->~LayoutBox();
  d.box_records.release(node.box, sizeof(LayoutBox));
  node.box = nullptr;
}

void forget_collapsed_borders(Document& d, LayoutBox& box) noexcept {
  if (!box.collapsed) return;
  free_box_buffer(d, box.collapsed, sizeof(CollapsedBorders));
  box.collapsed = nullptr;
  invalidate_box_caches(box);
}

void invalidate_box_caches(LayoutBox& box) noexcept {
  box.cache_valid = false;
  box.history_count = 0;
  box.intrinsic_valid = false;
}

void release_subtree_boxes(Node& node) noexcept {
  // Iterative walk: deep trees must not exhaust the stack.
  Node* n = &node;
  while (n) {
    release_box(*n);
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && n != &node && !n->next_sibling) n = n->parent;
    if (!n || n == &node) break;
    n = n->next_sibling;
  }
}

void* allocate_box_buffer(Document& d, std::size_t size, std::size_t* capacity) noexcept {
  std::size_t given = 0;
  return d.buffers.allocate(size, capacity ? capacity : &given);
}

void free_box_buffer(Document& d, void* buffer, std::size_t capacity) noexcept {
  d.buffers.release(buffer, capacity);
}

bool grow_buffer(Document& d, void*& buffer, std::uint32_t& capacity, std::uint32_t count,
                 std::size_t size) noexcept {
  if (count <= capacity) return true;
  // Most boxes hold one line of one run: a first buffer sized for eight would be mostly
  // empty, and a long table has hundreds of thousands of them.
  std::uint64_t wanted = capacity ? capacity : 1;
  while (wanted < count) wanted *= 2;
  if (wanted * size > (std::uint64_t(1) << 31)) return false;
  std::size_t bytes = 0;
  void* memory = allocate_box_buffer(d, static_cast<std::size_t>(wanted * size), &bytes);
  if (!memory) return false;
  if (buffer) std::memcpy(memory, buffer, capacity * size);
  free_box_buffer(d, buffer, std::size_t{capacity} * size);
  buffer = memory;
  // The pool rounds up; whole records of what it gave count.
  capacity = static_cast<std::uint32_t>(bytes / size);
  return true;
}

// ---- Style questions ----

bool is_rendered(const Node& node) noexcept {
  if (node.is_text()) return node.parent && node.parent->style;
  if (!node.is_element() || !node.style) return false;
  Display d = node.style->display;
  return d != Display::kNone && d != Display::kTableColumn;
}

bool is_block_level(Display d) noexcept {
  switch (d) {
    case Display::kBlock:
    case Display::kFlex:
    case Display::kGrid:
    case Display::kTable:
    case Display::kTableRowGroup:
    case Display::kTableCell:
    case Display::kTableRow:
    case Display::kTableCaption:
      return true;
    default:
      return false;
  }
}

bool is_replaced_or_control(const Node& e) noexcept {
  return e.has_tag(TagId::kInput) || e.has_tag(TagId::kButton) || e.has_tag(TagId::kSelect) ||
         e.has_tag(TagId::kTextarea) || e.has_tag(TagId::kImg);
}

bool has_control_text(const Node& e) noexcept {
  if (e.has_tag(TagId::kTextarea) || e.has_tag(TagId::kSelect)) return true;
  if (!e.has_tag(TagId::kInput)) return false;
  return e.control == ControlKind::kTextField || e.control == ControlKind::kButton ||
         e.control == ControlKind::kNone;
}

bool is_root_element(const Node& node) noexcept {
  return node.document && node.document->html == &node;
}

bool starts_formatting_context(const Node& node, const ComputedStyle& s) noexcept {
  if (is_root_element(node)) return true;
  if (!node.parent || !node.parent->is_element()) return true;
  if (s.overflow != css::kw::Visible) return true;
  if (s.flow_root) return true;
  if (is_out_of_flow_positioned(s) || is_floated(s)) return true;
  switch (s.display) {
    case Display::kInlineBlock:
    case Display::kFlex:
    case Display::kGrid:
    case Display::kInlineFlex:
    case Display::kInlineGrid:
    case Display::kTable:
    case Display::kInlineTable:
    case Display::kTableCell:
    case Display::kTableCaption:
      return true;
    default:
      break;
  }
  if (const ComputedStyle* ps = node.parent->style) {
    Display pd = ps->display;
    if (pd == Display::kFlex || pd == Display::kGrid || pd == Display::kInlineFlex ||
        pd == Display::kInlineGrid)
      return true;
  }
  return is_replaced_or_control(node) && !node.has_tag(TagId::kImg);
}

bool is_scroll_container(const Node& node) noexcept {
  if (is_root_element(node)) return true;
  if (!node.is_element() || !node.style) return false;
  return node.style->overflow == css::kw::Auto || node.style->overflow == css::kw::Scroll;
}

float sane(float v) noexcept {
  if (!std::isfinite(v)) return 0;
  constexpr float kLimit = 1e7f;
  if (v > kLimit) return kLimit;
  if (v < -kLimit) return -kLimit;
  return v;
}

// ---- Text ----

float measure_text(LayoutContext& context, const FontDescription& font, const char* text,
                   std::size_t length) noexcept {
  if (length == 0) return 0;
  if (context.text_widths)
    return context.text_widths->measure(context.document->atoms, font, {text, length});
  float w = context.measurer->measure(context.measurer->user, context.document->atoms, font, text,
                                      length);
  return std::isfinite(w) && w > 0 ? w : 0;
}

LineMetrics line_metrics(LayoutContext& context, const ComputedStyle& s) noexcept {
  FontDescription font = font_of(s);
  FontMetrics m =
      context.text_widths
          ? context.text_widths->metrics(context.document->atoms, font)
          : context.measurer->metrics(context.measurer->user, context.document->atoms, font);
  float a = std::isfinite(m.ascent) ? m.ascent : 0;
  float d = std::isfinite(m.descent) ? m.descent : 0;
  float l = sane(resolve_line_height(s.line_height, s.font_size));
  float half = (l - a - d) / 2;
  return {a + half, d + half, a, d};
}

}  // namespace orlan
