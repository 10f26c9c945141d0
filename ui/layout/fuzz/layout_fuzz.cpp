// HTML and CSS through the style pass and layout at two viewport sizes: no crash, no hang,
// and every box's coordinates and sizes finite.
//
// Input: page text, then a NUL byte, then the author style sheet. The input's length picks
// one of four endings of the sheet that turn its blocks into flex, grid or table
// containers, so every input also runs through the container layouts.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"
#include "scroll.h"

namespace {

bool finite_box(const orlan::LayoutBox& b) {
  const float values[] = {b.x,
                          b.y,
                          b.width,
                          b.height,
                          b.content_width,
                          b.content_height,
                          b.baseline,
                          b.margin[0],
                          b.margin[1],
                          b.margin[2],
                          b.margin[3],
                          b.padding[0],
                          b.padding[1],
                          b.padding[2],
                          b.padding[3],
                          b.scrollbar_gutter};
  for (float v : values)
    if (!std::isfinite(v)) return false;
  for (std::uint32_t i = 0; i < b.line_count; ++i) {
    const orlan::LineBox& l = b.lines[i];
    if (!std::isfinite(l.x) || !std::isfinite(l.y) || !std::isfinite(l.width) ||
        !std::isfinite(l.height))
      return false;
  }
  for (std::uint32_t i = 0; i < b.run_count; ++i) {
    const orlan::TextRun& r = b.runs[i];
    if (!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.width)) return false;
  }
  if (b.collapsed)
    for (float w : b.collapsed->widths)
      if (!std::isfinite(w) || w < 0) return false;
  for (std::uint32_t i = 0; i < b.text_line_count; ++i) {
    const orlan::TextLine& l = b.text_lines[i];
    if (!std::isfinite(l.x) || !std::isfinite(l.y) || !std::isfinite(l.width)) return false;
  }
  return true;
}

void check_tree(orlan::Node& root) {
  for (orlan::Node* n = &root; n; n = orlan::next_in_order(n, &root)) {
    if (n->box) {
      if (!finite_box(*n->box)) std::abort();
      orlan::Rect r = orlan::absolute_position(*n);
      if (!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.width) ||
          !std::isfinite(r.height))
        std::abort();
      if (n->is_element()) {
        orlan::ScrollbarGeometry g = orlan::scrollbar_geometry(*n);
        if (!std::isfinite(g.vertical.thumb.y) || !std::isfinite(g.horizontal.thumb.x))
          std::abort();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 64 * 1024) return 0;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\0');
  std::string_view html = input.substr(0, split);
  std::string_view css =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
  orlan::View* view = orlan::create_view();
  if (!view) return 0;
  static const char* const kEndings[] = {
      "",
      "\ndiv,section,ul,p{display:flex;flex-wrap:wrap;gap:3px}"
      "span,li{flex:1 1 0;order:70000}div>*:first-child{margin-left:auto;flex-direction:column}"
      "p{align-items:baseline}",
      "\ndiv,ul{display:grid;grid-template-columns:repeat(auto-fill,0px) 1fr;grid-auto-rows:10px}"
      "li,span{grid-column:span 200}p{grid-row:5/2;grid-column:-1/1}"
      "section{grid-template-columns:repeat(auto-fit,minmax(20px,1fr));column-gap:4px}",
      "\ndiv,ul{display:table;border-spacing:2px}p,li{display:table-row}span,b,i{display:table-"
      "cell}"
      "section{display:table-row-group}ul,div>div{border-collapse:collapse;border:3px solid}"
      "b{border:5px dashed red}i{border:1px solid}",
  };
  std::string sheet(css);
  sheet += kEndings[size % 4];
  orlan::load_page(view, html, sheet);
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
