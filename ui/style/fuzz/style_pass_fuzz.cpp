// Any page and sheet through the style pass, then the changes the application makes
// (classes, attributes, text, media features, a new sheet) and more passes: nothing may
// crash, hang, leak or read out of bounds. The input is HTML, then a NUL byte, then CSS.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "computed_style.h"
#include "document.h"
#include "orlan/orlan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orlan;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\0');
  std::string_view html = input.substr(0, split);
  std::string_view css =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

  View* view = create_view();
  if (!view) return 0;
  Document& d = *document(view);
  load_html(view, html.data(), html.size());
  load_css(view, css.data(), css.size());
  set_viewport(d, 640, 480);
  style_pass(d, 0);

  // Names taken from the input itself.
  std::string_view name = css.substr(0, css.size() < 12 ? css.size() : 12);
  int budget = 3000;
  int index = 0;
  for (Node* n = first_child(document_element(&d)); n && budget > 0; --budget, ++index) {
    if (is_element(n)) {
      switch (index % 5) {
        case 0:
          add_class(n, name.data(), name.size());
          break;
        case 1:
          set_attribute(n, "style", 5, css.data(), css.size() < 200 ? css.size() : 200);
          break;
        case 2:
          set_attribute(n, "data-x", 6, name.data(), name.size());
          break;
        case 3:
          set_attribute(n, "class", 5, name.data(), name.size());
          break;
        default:
          break;
      }
      if (n->style) {
        // Everything the later stages read must be readable.
        const ComputedStyle& s = *n->style;
        volatile float sink = s.font_size + resolve_length(s.width, 100);
        for (std::uint16_t i = 0; i < s.transform_count; ++i)
          sink = sink + s.transform[i].args[0].value;
        for (std::uint16_t i = 0; i < s.custom_property_count; ++i)
          sink = sink + static_cast<float>(s.custom_properties[i].text[0]);
        (void)sink;
      }
    }
    Node* child = first_child(n);
    if (child) {
      n = child;
      continue;
    }
    while (n && !next_sibling(n)) n = parent(n);
    if (n) n = next_sibling(n);
  }
  style_pass(d, 16);
  set_media_features(&d, true, true);
  set_viewport(d, 300, 200);
  style_pass(d, 32);
  // A new sheet while the old styles are still in place, then a page reload.
  load_css(view, css.data(), css.size() / 2);
  style_pass(d, 48);
  load_html(view, html.data(), html.size() / 2);
  style_pass(d, 64);
  destroy_view(view);
  return 0;
}
