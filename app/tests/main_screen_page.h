#pragma once

// The main screen as the program builds it, for every test of the main page: the
// compiled-in page and stylesheet, the screen's own start-up over the fakes with a default
// list file, the engine's input hooks, laid out at the window's 611 x 463 CSS pixels with
// the engine's fallback measurer.

#include <string>
#include <string_view>
#include <vector>

#include "document.h"
#include "layout_box.h"
#include "layout_input_hooks.h"
#include "main_screen.h"
#include "screen_fakes.h"
#include "test_folder.h"

namespace tw::test {

// `count` lines of a list file: positions, buttons, kinds, fixed delays and ranges.
inline std::string list_of_clicks(int count) {
  std::string list;
  for (int i = 0; i < count; ++i) {
    list += std::to_string(100 + i * 37) + "x" + std::to_string(200 + i * 11) + "," +
            std::to_string(i % 3) + "," + std::to_string(i % 2) + "," +
            std::to_string(1000 + i * 250) + (i % 4 == 1 ? ",2500" : "") + "\r\n";
  }
  return list;
}

struct MainScreenPage : ScreenRig {
  static constexpr float kWidth = 611, kHeight = 463;

  TestFolder folder;
  ScreenCallbacks callbacks;

  explicit MainScreenPage(const std::string& list_file = list_of_clicks(20))
      : ScreenRig("en", main_page_html("en")) {
    const std::string_view sheet = main_stylesheet();
    EXPECT_EQ(orlan::load_css(view, sheet.data(), sheet.size()), orlan::kOk);
    orlan::install_layout_input_hooks(nullptr);
    write_bytes(folder / "Tapwright.lst", list_file);
    ScreenContext c = context();
    c.list_path = folder / "Tapwright.lst";
    callbacks = build_main_screen(screen, c, "Tapwright");
    orlan::set_viewport(document(), kWidth, kHeight);
    lay_out();
  }

  orlan::Document& document() { return *orlan::document(view); }
  void lay_out() { orlan::layout_document(document(), kWidth, kHeight, nullptr); }
  orlan::Rect at(std::string_view id) { return orlan::absolute_position(*element(id)); }
  static orlan::Rect at(const orlan::Node& node) { return orlan::absolute_position(node); }

  // The element children of a node, in order.
  static std::vector<orlan::Node*> elements(orlan::Node* parent) {
    std::vector<orlan::Node*> out;
    for (orlan::Node* c = parent ? parent->first_child : nullptr; c; c = c->next_sibling)
      if (c->is_element()) out.push_back(c);
    return out;
  }
  orlan::Node* row(int index) {
    std::vector<orlan::Node*> rows = elements(element("rows"));
    return index < static_cast<int>(rows.size()) ? rows[index] : nullptr;
  }
  std::vector<orlan::Node*> header_cells() {
    orlan::Node* head = nullptr;
    for (orlan::Node* c : elements(element("list")))
      if (c->has_tag(orlan::TagId::kThead)) head = c;
    std::vector<orlan::Node*> rows = elements(head);
    return rows.empty() ? std::vector<orlan::Node*>{} : elements(rows[0]);
  }
};

}  // namespace tw::test
