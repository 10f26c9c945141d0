#pragma once

// Pages for the paint tests: loaded and laid out with the fallback measurer, with the
// test's own images registered.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "display_dump.h"
#include "display_list.h"
#include "document.h"
#include "layout_dump.h"
#include "orlan/orlan.h"

namespace orlan::paint_test {

// A page with its view; `layout()` lays it out again after changes.
struct Page {
  explicit Page(std::string_view html, float width = 400, float height = 300)
      : width(width), height(height) {
    view = create_view();
    EXPECT_EQ(load_page(view, html, {}), kOk);
    document = orlan::document(view);
    layout();
  }
  ~Page() { destroy_view(view); }
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;

  void layout() { layout_document(*document, width, height, nullptr); }
  Node* id(const char* name) { return get_element_by_id(document, name, std::char_traits<char>::length(name)); }
  // An SVG image of the given size under `name`.
  void add_image(const char* name, int w, int h) {
    char svg[160];
    std::snprintf(svg, sizeof svg,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\"></svg>", w, h);
    EXPECT_EQ(image_set(document, name, std::char_traits<char>::length(name), svg,
                        std::char_traits<char>::length(svg)),
              kOk);
  }
  std::string dump() {
    EXPECT_EQ(build_display_list(*document, list), kOk);
    return dump_display_list(list);
  }

  float width, height;
  View* view = nullptr;
  Document* document = nullptr;
  DisplayList list;
};

}  // namespace orlan::paint_test
