// HTML and CSS through the style pass and layout at two viewport sizes: no crash, no hang,
// and every box's coordinates and sizes finite.
//
// Input: page text, then a NUL byte, then the author style sheet.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"
#include "scroll.h"

namespace {

bool finite_box(const orlan::LayoutBox& b) {
  const float values[] = {b.x, b.y, b.width, b.height, b.content_width, b.content_height, b.baseline,
                          b.margin[0], b.margin[1], b.margin[2], b.margin[3], b.padding[0],
                          b.padding[1], b.padding[2], b.padding[3], b.scrollbar_gutter};
  for (float v : values)
    if (!std::isfinite(v)) return false;
  for (std::uint32_t i = 0; i < b.line_count; ++i) {
    const orlan::LineBox& l = b.lines[i];
    if (!std::isfinite(l.x) || !std::isfinite(l.y) || !std::isfinite(l.width) || !std::isfinite(l.height))
      return false;
  }
  for (std::uint32_t i = 0; i < b.run_count; ++i) {
    const orlan::TextRun& r = b.runs[i];
    if (!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.width)) return false;
  }
  for (std::uint32_t i = 0; i < b.text_line_count; ++i) {
    const orlan::TextLine& l = b.text_lines[i];
    if (!std::isfinite(l.x) || !std::isfinite(l.y) || !std::isfinite(l.width)) return false;
  }
  return true;
}

void check_tree(orlan::Node& root) {
  orlan::Node* n = &root;
  while (n) {
    if (n->box) {
      if (!finite_box(*n->box)) std::abort();
      orlan::Rect r = orlan::absolute_position(*n);
      if (!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.width) ||
          !std::isfinite(r.height))
        std::abort();
      if (n->is_element()) {
        orlan::ScrollbarGeometry g = orlan::scrollbar_geometry(*n);
        if (!std::isfinite(g.vertical.thumb.y) || !std::isfinite(g.horizontal.thumb.x)) std::abort();
      }
    }
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && n != &root && !n->next_sibling) n = n->parent;
    if (!n || n == &root) break;
    n = n->next_sibling;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 64 * 1024) return 0;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\0');
  std::string_view html = input.substr(0, split);
  std::string_view css = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
  orlan::View* view = orlan::create_view();
  if (!view) return 0;
  orlan::load_page(view, html, css);
  orlan::Document& d = *orlan::document(view);
  orlan::layout_document(d, 800, 600, nullptr);
  check_tree(*d.root);
  if (d.html) {
    // Scroll everything to its end, then lay out narrower: offsets are clamped again.
    d.html->scroll_y = 1e9f;
    orlan::layout_document(d, 123, 45, nullptr);
    check_tree(*d.root);
  }
  orlan::destroy_view(view);
  return 0;
}
