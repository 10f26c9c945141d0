// The compiled-in page, stylesheet and logo: the template expands in every language, the
// engine's parsers take all three, the tree has the elements the screen works with, and the
// styles the engine computes from the stylesheet (palettes, states, text).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalog.h"
#include "click_table.h"
#include "computed_style.h"
#include "document.h"
#include "document_sheets.h"
#include "main_screen.h"
#include "main_screen_page.h"
#include "orlan/orlan.h"
#include "page.h"
#include "style_sheet.h"

namespace {

namespace css = orlan::css;

struct LoadedPage {
  orlan::View* view = orlan::create_view();
  orlan::Status html_status;
  orlan::Status css_status;

  explicit LoadedPage(std::string_view language) {
    std::string html = tw::main_page_html(language);
    html_status = orlan::load_html(view, html.data(), html.size());
    std::string_view sheet = tw::main_stylesheet();
    css_status = orlan::load_css(view, sheet.data(), sheet.size());
  }
  ~LoadedPage() { orlan::destroy_view(view); }
  LoadedPage(const LoadedPage&) = delete;

  orlan::Document& document() { return *orlan::document(view); }
  orlan::Node* find(std::string_view id) { return tw::Page(&document()).find(id); }
};

std::string attribute(orlan::Node* node, std::string_view name) {
  std::size_t length = 0;
  const char* value = orlan::get_attribute(node, name.data(), name.size(), &length);
  return value ? std::string(value, length) : std::string();
}

// One line per element and per text that is not only white space, indented by depth:
// tag#id.class.class [attr="value" ...] for the attributes the screen and the stylesheet
// rely on.
void dump_tree(orlan::Document& document, orlan::Node* node, int depth, std::string& out) {
  static constexpr std::string_view kAttributes[] = {
      "type",  "value",     "for",         "src",      "alt",
      "title", "maxlength", "placeholder", "readonly", "data-resize"};
  for (orlan::Node* child = orlan::first_child(node); child; child = orlan::next_sibling(child)) {
    std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    if (!orlan::is_element(child)) {
      std::size_t length = 0;
      const char* text = orlan::text_content(child, &length);
      std::string_view view(text, length);
      if (view.find_first_not_of(" \t\r\n") != std::string_view::npos) {
        out += indent + "\"" + std::string(view) + "\"\n";
      }
      continue;
    }
    std::string line = indent + std::string(document.atoms.text(child->tag));
    if (child->id != 0) line += "#" + std::string(document.atoms.text(child->id));
    for (std::uint16_t i = 0; i < child->class_count; ++i) {
      line += "." + std::string(document.atoms.text(child->classes[i]));
    }
    for (std::string_view name : kAttributes) {
      if (orlan::has_attribute(child, name.data(), name.size())) {
        line += " " + std::string(name) + "=\"" + attribute(child, name) + "\"";
      }
    }
    out += line + "\n";
    dump_tree(document, child, depth + 1, out);
  }
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The dump compared with the reviewed file app/tests/data/<name>. With TW_UPDATE_EXPECTED set
// the file is rewritten instead (then review the difference).
void expect_dump(const std::string& dump, const std::string& name) {
  std::string path = std::string(TW_SOURCE_DIR) + "/app/tests/data/" + name;
  if (std::getenv("TW_UPDATE_EXPECTED") != nullptr) {
    std::ofstream(path, std::ios::binary) << dump;
    return;
  }
  EXPECT_EQ(dump, read_file(path)) << "expected file: " << path;
}

TEST(MainPage, EveryPlaceholderNamesAKeyInEveryLanguage) {
  for (std::string_view code : tw::i18n::kLanguageCodes) {
    std::string html = tw::main_page_html(code);
    EXPECT_EQ(html.find("{{"), std::string::npos) << code;
    EXPECT_EQ(html.find("}}"), std::string::npos) << code;
  }
  // An unknown language is English.
  EXPECT_EQ(tw::main_page_html("de"), tw::main_page_html("en"));
}

TEST(MainPage, ParsesIntoTheScreensTree) {
  for (std::string_view code : {"en", "ko"}) {
    LoadedPage page(code);
    ASSERT_EQ(page.html_status, orlan::kOk) << orlan::last_error();
    ASSERT_EQ(page.css_status, orlan::kOk) << orlan::last_error();
    std::string dump;
    dump_tree(page.document(), orlan::document_element(&page.document()), 0, dump);
    expect_dump(dump, "main_page." + std::string(code) + ".txt");
  }
}

TEST(MainPage, HasEveryElementTheScreenLooksUp) {
  LoadedPage page("en");
  for (std::string_view id :
       {"btn-home", "btn-test",  "btn-donate",     "btn-about",  "body",      "col-left",
        "mouse",    "click",     "delay1",         "delay2",     "hk-run",    "hk-add",
        "repeat",   "after",     "use-notify",     "col-right",  "list-box",  "list",
        "rows",     "list-foot", "use-record-box", "use-record", "btn-clear", "btn-open",
        "btn-save", "status"}) {
    EXPECT_NE(page.find(id), nullptr) << id;
  }
  tw::Page controls(&page.document());
  // The selects start at their first option, the status says "Waiting".
  EXPECT_EQ(controls.selected_index("mouse"), 0);
  EXPECT_EQ(controls.selected_index("use-notify"), 0);
  EXPECT_EQ(controls.value("use-notify"), "1");
  EXPECT_FALSE(controls.is_checked("use-record"));
  std::size_t length = 0;
  EXPECT_STREQ(orlan::text_content(page.find("status"), &length), "Waiting");
}

TEST(MainPage, LogoIsAnImageTheEngineTakes) {
  LoadedPage page("en");
  std::string_view logo = tw::logo_svg();
  EXPECT_GT(logo.size(), 4000u);
  EXPECT_EQ(orlan::image_set(&page.document(), "logo.svg", 8, logo.data(), logo.size()), orlan::kOk)
      << orlan::last_error();
}

// ---- The stylesheet ----------------------------------------------------------------------

// Every declaration of the sheet, read one by one: a property or value the engine does not
// take would be dropped without a word.
TEST(MainStylesheet, EveryDeclarationIsUnderstood) {
  std::string text(tw::main_stylesheet());
  // Without comments.
  for (std::size_t open = text.find("/*"); open != std::string::npos; open = text.find("/*")) {
    text.erase(open, text.find("*/", open) + 2 - open);
  }
  tw::test::MainScreenPage page;
  css::StyleSheet& sheet = *page.document().sheets.author;
  css::StyleSheet alone(*css::document_atoms(page.document()));
  int blocks = 0;
  std::size_t at = 0;
  while ((at = text.find('}', at)) != std::string::npos) {
    std::size_t open = text.rfind('{', at);
    // Only innermost blocks: the end of an @media block closes no declarations of its own.
    bool innermost = text.find('}', open + 1) == at;
    std::string block = text.substr(open + 1, at - open - 1);
    ++at;
    if (!innermost) continue;
    ++blocks;
    // The rule's selectors, read on their own.
    std::size_t start = text.find_last_of("{}", open - 1);
    start = start == std::string::npos ? 0 : start + 1;
    std::string rule = text.substr(start, at - start);
    css::parse_stylesheet(alone, rule);
    EXPECT_EQ(alone.rules().size(), 1u) << "selector refused:" << rule;
    css::split_declarations(block, [&](std::string_view name, std::string_view value, bool) {
      std::string one = std::string(name) + ":" + std::string(value);
      css::DeclarationBlock parsed;
      ASSERT_EQ(css::parse_declaration_block(sheet, one, parsed), css::kStatusOk);
      EXPECT_GT(parsed.count, 0) << one;
    });
  }
  // Every block became a rule of the loaded sheet.
  EXPECT_EQ(static_cast<int>(sheet.rules().size()), blocks);
  EXPECT_TRUE(sheet.has_media_rules());
}

// The styles the engine computes for the page: the whole cascade (specificity, custom
// properties, inheritance, media queries) after a style pass at the window's size.
struct StyledPage : tw::test::MainScreenPage {
  StyledPage() {
    tw::ClickList list;
    list.append(tw::ClickEntry{1, 2, 100, 100, 0, 0});
    list.append(tw::ClickEntry{3, 4, 100, 100, 0, 0});
    list.set_marker(0);
    tw::render_click_table(page(), list, "en");
  }
  const orlan::ComputedStyle& style(orlan::Node* node) {
    orlan::set_viewport(document(), 611, 463);
    orlan::style_pass(document(), 0);
    EXPECT_NE(node->style, nullptr);
    return *node->style;
  }
  orlan::Node* root() { return orlan::document_element(&document()); }
  orlan::Node* find(std::string_view id) { return element(id); }
  void set_theme(bool dark_system, const char* data_theme) {
    orlan::set_media_features(&document(), dark_system, false);
    if (data_theme) {
      orlan::set_attribute(root(), "data-theme", 10, data_theme, std::strlen(data_theme));
    } else {
      orlan::remove_attribute(root(), "data-theme", 10);
    }
  }
};

TEST(MainStylesheet, PalettesFollowTheSystemAndTheWindowsTheme) {
  StyledPage page;
  orlan::Node* body = page.document().body;
  orlan::Node* app = orlan::parent(page.find("status"));
  struct Case {
    bool dark_system;
    const char* data_theme;  // null: none
    std::uint32_t background, text, marked_row, accent_line;
  };
  const Case cases[] = {
      {false, nullptr, 0xFFFFFFFF, 0xFF000000, 0xFFCCE8FF, 0xFF3D84DD},
      {true, nullptr, 0xFF1E1E1E, 0xFFE0E0E0, 0xFF26395A, 0xFF4A4A4A},
      {true, "light", 0xFFFFFFFF, 0xFF000000, 0xFFCCE8FF, 0xFF3D84DD},
      {false, "dark", 0xFF1E1E1E, 0xFFE0E0E0, 0xFF26395A, 0xFF4A4A4A},
      {true, "dark", 0xFF1E1E1E, 0xFFE0E0E0, 0xFF26395A, 0xFF4A4A4A},
  };
  for (const Case& c : cases) {
    page.set_theme(c.dark_system, c.data_theme);
    SCOPED_TRACE(std::string(c.dark_system ? "dark system" : "light system") + ", theme " +
                 (c.data_theme ? c.data_theme : "none"));
    EXPECT_EQ(page.style(body).background_color, c.background);
    EXPECT_EQ(page.style(page.find("mouse")).color, c.text);
    EXPECT_EQ(page.style(page.row(0)).background_color, c.marked_row);
    EXPECT_NE(page.style(page.row(1)).background_color, c.marked_row);
    EXPECT_EQ(page.style(app).border_color[0], c.accent_line);
  }
}

// What the layout's figures do not show: alignment, overflow of the cells, the status
// line's type and its colour transition.
TEST(MainStylesheet, TextOfTheFieldsCellsAndStatusLine) {
  StyledPage page;
  EXPECT_EQ(page.style(page.find("delay1")).text_align, css::kw::Center);
  orlan::Node* cell = orlan::first_child(page.row(0));
  EXPECT_EQ(page.style(cell).white_space, css::kw::Nowrap);
  EXPECT_EQ(page.style(cell).text_overflow, css::kw::Ellipsis);
  const orlan::ComputedStyle& status = page.style(page.find("status"));
  EXPECT_EQ(status.font_size, 19);
  EXPECT_EQ(status.text_align, css::kw::Center);
  ASSERT_EQ(status.transition_count, 1);
  EXPECT_EQ(status.transition[0].property, static_cast<std::int16_t>(css::PropertyId::Color));
  EXPECT_EQ(status.transition[0].duration, 120);
}

TEST(MainStylesheet, StatesChangeWhatTheyShould) {
  StyledPage page;
  orlan::Node* status = page.find("status");
  EXPECT_EQ(page.style(status).color, 0xFFBDBDC4u);
  orlan::add_class(status, "running", 7);
  EXPECT_EQ(page.style(status).color, 0xFFFFFFFFu);
  page.set_theme(true, nullptr);  // the panel is the same in both themes
  EXPECT_EQ(page.style(status).color, 0xFFFFFFFFu);
  page.set_theme(false, nullptr);

  orlan::Node* app = orlan::parent(status);
  orlan::add_class(page.root(), "win-inactive", 12);
  EXPECT_EQ(page.style(app).border_color[0], 0xFF6D6D6Du);
  orlan::remove_class(page.root(), "win-inactive", 12);
  EXPECT_EQ(page.style(app).border_color[0], 0xFF3D84DDu);

  orlan::Node* hotkey = page.find("hk-run");
  const std::uint32_t idle_border = page.style(hotkey).border_color[0];
  orlan::add_class(hotkey, "capturing", 9);
  EXPECT_NE(idle_border, 0xFF3D84DDu);
  EXPECT_EQ(page.style(hotkey).border_color[0], 0xFF3D84DDu);
  EXPECT_EQ(page.style(hotkey).color, 0xFF888888u);  // muted

  orlan::Node* select = page.find("mouse");
  EXPECT_EQ(page.style(select).color, 0xFF000000u);
  orlan::set_disabled(select, true);
  EXPECT_EQ(page.style(select).color, 0xFFA6A6A6u);  // the text of what is off
}

}  // namespace
