// HTML and CSS through the style pass and layout at two viewport sizes: no crash, no hang,
// and every box's coordinates and sizes finite. Then a few changes chosen from the input
// (an element's text, a class, a "style" attribute), each undone again: after every
// layout the whole box tree must equal a fresh layout of the same document, so whatever
// the box caches bring back from earlier frames is checked against the real thing.
//
// Input: page text, then a NUL byte, then the author style sheet. The input's length picks
// one of four endings of the sheet that turn its blocks into flex, grid or table
// containers, so every input also runs through the container layouts.

#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"
#include "layout_internal.h"
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

// The elements of the page's body in document order (generated boxes left out).
std::vector<orlan::Node*> elements_of(orlan::Document& d) {
  std::vector<orlan::Node*> out;
  if (!d.body) return out;
  for (orlan::Node* n = d.body; n; n = orlan::next_in_order(n, d.body))
    if (n->is_element() && n->generated == 0) out.push_back(n);
  return out;
}

// Lays the document out as the frame would, and a twin document (the same page with the
// same changes) from scratch: the two box trees must be the same.
void layout_and_compare(orlan::Document& d, orlan::Document& twin, float w, float h) {
  orlan::layout_document(d, w, h, nullptr);
  check_tree(*d.root);
  if (twin.html) orlan::release_subtree_boxes(*twin.html);
  orlan::layout_document(twin, w, h, nullptr);
  const std::string a = orlan::dump_layout(d), b = orlan::dump_layout(twin);
  if (a != b) {
    std::fprintf(stderr, "incremental layout at %gx%g:\n%s\nfresh layout:\n%s\n", w, h, a.c_str(),
                 b.c_str());
    std::abort();
  }
}

struct Change {
  int kind;  // 0 text, 1 class, 2 style attribute, 3 moved to its parent's front
  std::size_t element;
  int variant;
};

const char* const kStyles[] = {"width:37px",   "display:none",       "flex:1 1 40px",
                               "padding:7px",  "white-space:nowrap", "position:absolute;left:3px",
                               "float:left",   "grid-column:span 2", "display:inline-block"};
const char* const kTexts[] = {"", "x", "several short words that wrap", "ab\ncd  ef"};

// Applies the change to the element (returning what undoes it in `undo`).
void apply(orlan::Node* e, const Change& c, std::string* old_value, bool* had_value,
           orlan::Node** old_next) {
  switch (c.kind) {
    case 3: {
      *old_next = orlan::next_sibling(e);
      orlan::Node* parent = orlan::parent(e);
      if (parent && orlan::is_element(parent))
        orlan::insert(parent, e, orlan::first_child(parent));
      break;
    }
    case 0: {
      const char* t = kTexts[c.variant % 4];
      orlan::set_text_content(e, t, std::char_traits<char>::length(t));
      break;
    }
    case 1:
      orlan::add_class(e, "fz", 2);
      break;
    default: {
      std::size_t n = 0;
      const char* v = orlan::get_attribute(e, "style", 5, &n);
      *had_value = v != nullptr;
      if (v) old_value->assign(v, n);
      const char* s = kStyles[c.variant % 9];
      orlan::set_attribute(e, "style", 5, s, std::char_traits<char>::length(s));
      break;
    }
  }
}

void undo(orlan::Node* e, const Change& c, const std::string& old_text,
          const std::string& old_value, bool had_value, orlan::Node* old_next) {
  switch (c.kind) {
    case 3: {
      orlan::Node* parent = orlan::parent(e);
      if (parent && orlan::is_element(parent)) orlan::insert(parent, e, old_next);
      break;
    }
    case 0:
      orlan::set_text_content(e, old_text.data(), old_text.size());
      break;
    case 1:
      orlan::remove_class(e, "fz", 2);
      break;
    default:
      if (had_value)
        orlan::set_attribute(e, "style", 5, old_value.data(), old_value.size());
      else
        orlan::remove_attribute(e, "style", 5);
      break;
  }
}

// Only leaves (elements whose children are all text) change their text, so that undoing
// it restores the same tree.
bool text_leaf(const orlan::Node& e, std::string* text) {
  text->clear();
  for (const orlan::Node* c = e.first_child; c; c = c->next_sibling) {
    if (!c->is_text()) return false;
    if (c->text) text->append(c->text, c->text_length);
  }
  return !e.has_tag(orlan::TagId::kTextarea) && !e.has_tag(orlan::TagId::kStyle);
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
      "ul{table-layout:fixed;width:90%}"
      "b{border:5px dashed red}i{border:1px solid}",
  };
  std::string sheet(css);
  sheet += kEndings[size % 4];
  sheet += "\n.fz{width:60%;padding:0 5px;white-space:nowrap;display:flex;font-size:20px}";
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

  orlan::View* twin_view = orlan::create_view();
  if (twin_view) {
    orlan::load_page(twin_view, html, sheet);
    orlan::Document& twin = *orlan::document(twin_view);
    orlan::layout_document(twin, 800, 600, nullptr);
    if (twin.html) {
      twin.html->scroll_y = 1e9f;
      orlan::layout_document(twin, 123, 45, nullptr);
    }
    layout_and_compare(d, twin, 800, 600);
    std::vector<orlan::Node*> mine = elements_of(d), theirs = elements_of(twin);
    std::uint32_t seed = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) seed = (seed ^ data[i]) * 16777619u;
    auto next = [&seed] {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      return seed;
    };
    const int changes = mine.size() == theirs.size() && !mine.empty() ? 3 : 0;
    for (int k = 0; k < changes; ++k) {
      Change c{static_cast<int>(next() % 4), next() % mine.size(), static_cast<int>(next() % 9)};
      std::string old_text, old_value, twin_value;
      bool had = false, twin_had = false;
      orlan::Node *old_next = nullptr, *twin_next = nullptr;
      if (c.kind == 0 && !text_leaf(*mine[c.element], &old_text)) c.kind = 1;
      apply(mine[c.element], c, &old_value, &had, &old_next);
      apply(theirs[c.element], c, &twin_value, &twin_had, &twin_next);
      layout_and_compare(d, twin, 800, 600);
      // Other constraints for a frame, then the change undone: results of earlier frames
      // come back from the caches.
      if (k == 1) layout_and_compare(d, twin, 500, 600);
      undo(mine[c.element], c, old_text, old_value, had, old_next);
      undo(theirs[c.element], c, old_text, twin_value, twin_had, twin_next);
      layout_and_compare(d, twin, 800, 600);
      if (c.kind == 0 || c.kind == 2) {
        // Text and style changes may have replaced nodes or generated boxes: pick again.
        mine = elements_of(d);
        theirs = elements_of(twin);
        if (mine.size() != theirs.size() || mine.empty()) break;
      }
    }
    orlan::destroy_view(twin_view);
  }
  orlan::destroy_view(view);
  return 0;
}
