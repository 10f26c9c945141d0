#pragma once

// A document loaded from HTML and CSS text and styled, for the style stage's tests,
// fuzzers and benchmarks.

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "computed_style.h"
#include "document.h"
#include "orlan/orlan.h"
#include "style_state.h"

namespace orlan::testing {

inline std::string read_source_file(const std::string& relative) {
  std::ifstream in(std::string(TW_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class StyledPage {
 public:
  StyledPage(std::string_view html, std::string_view css, float width = 800, float height = 600) {
    m_view = create_view();
    load_html(m_view, html.data(), html.size());
    if (!css.empty()) load_css(m_view, css.data(), css.size());
    set_viewport(doc(), width, height);
    pass();
  }
  ~StyledPage() { destroy_view(m_view); }
  StyledPage(const StyledPage&) = delete;
  StyledPage& operator=(const StyledPage&) = delete;

  View* view() { return m_view; }
  Document& doc() { return *document(m_view); }
  std::uint32_t pass(double now = 0) { return style_pass(doc(), now); }
  // What a layout run leaves behind: no node marked for relayout, no paths to them (the
  // walk follows the paths, as layout's does).
  void laid_out() {
    Node* root = doc().root;
    for (Node* n = root; n;) {
      const bool descend = (n->dirty & kDirtyDescendant) != 0 || n == root;
      n->dirty &= static_cast<std::uint8_t>(~(kDirtyLayout | kDirtyDescendant));
      if (descend && n->first_child) {
        n = n->first_child;
        continue;
      }
      while (n && n != root && !n->next_sibling) n = n->parent;
      if (!n || n == root) break;
      n = n->next_sibling;
    }
  }

  Node* id(std::string_view name) { return get_element_by_id(&doc(), name.data(), name.size()); }
  const ComputedStyle& style(std::string_view name) {
    static const ComputedStyle kMissing;
    Node* n = id(name);
    return n && n->style ? *n->style : kMissing;
  }
  const style::StylePassStats& stats() { return style::style_pass_stats(doc()); }
  void reset_stats() { style::reset_style_pass_stats(doc()); }

 private:
  View* m_view = nullptr;
};

}  // namespace orlan::testing
