// Any bytes through load_html, then the tree operations the application uses on what
// came out: nothing may crash, leak or read out of bounds.

#include <cstddef>
#include <cstdint>

#include "orlan/orlan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orlan;
  View* view = create_view();
  if (!view) return 0;
  const char* text = reinterpret_cast<const char*>(data);
  if (load_html(view, text, size) == kOk) {
    Document* doc = document(view);
    Node* html = document_element(doc);
    std::size_t length = 0;
    text_content(html, &length);
    // Ids and classes taken from the input itself.
    std::size_t cut = size < 16 ? size : 16;
    Node* found = get_element_by_id(doc, text, cut);
    if (found) {
      add_class(found, text, cut);
      set_text_content(found, text, cut);
      value(found, &length);
      selected_index(found);
      set_selected_index(found, 1);
      remove(found);
    }
    // Walk the tree, changing every element a little.
    int budget = 2000;
    for (Node* n = first_child(html); n && budget > 0; --budget) {
      if (is_element(n)) {
        get_attribute(n, "class", 5, &length);
        set_attribute(n, "data-x", 6, text, cut);
        set_value(n, text, cut);
        set_selection(n, 1, 3);
        value(n, &length);
      }
      Node* child = first_child(n);
      if (child) {
        n = child;
        continue;
      }
      while (n && !next_sibling(n)) n = parent(n);
      if (n) n = next_sibling(n);
    }
    // A second load replaces everything.
    load_html(view, text, size / 2);
  }
  destroy_view(view);
  return 0;
}
