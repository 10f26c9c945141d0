// The compiled-in page, stylesheet and logo: the template expands in every language, the
// engine's parsers take all three, the tree has the elements the screen works with, and the
// stylesheet's rules reach those elements as intended (palettes, sizes, states).

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
#include "document.h"
#include "document_sheets.h"
#include "main_screen.h"
#include "media.h"
#include "node_selector_match.h"
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
  LoadedPage page("en");
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

// What the sheet's matching rules declare for one element, the way the cascade meets them
// (later rules over earlier ones; the sheet keeps specific rules after general ones).
class Styles {
 public:
  explicit Styles(LoadedPage& page) : m_page(page) {}
  bool dark = false;

  // The last matching declaration of `property` (a longhand, a custom property "--x", or a
  // shorthand written with var()) as text: lengths "12px", colours "#rrggbb", var() values
  // and custom properties as written, keywords "kw<id>", transitions "color 120ms".
  std::string declared(orlan::Node* element, std::string_view property) {
    std::string found = "<none>";
    orlan::Document& document = m_page.document();
    css::MediaState media{611, 463, dark, false};
    for (const css::StyleRule& rule : document.sheets.author->rules()) {
      if (!css::media_matches(rule.media, media)) continue;
      bool matches = false;
      for (const css::ComplexSelector& selector : rule.selector_list()) {
        matches = matches || css::selector_matches(selector, *element);
      }
      if (!matches) continue;
      for (const css::Declaration& declaration : rule.declaration_list()) {
        if (names(declaration, property)) found = value_text(declaration.value);
      }
    }
    return found;
  }

 private:
  bool names(const css::Declaration& declaration, std::string_view property) {
    if (declaration.property == css::PropertyId::Custom ||
        declaration.property == css::PropertyId::DeferredShorthand) {
      return m_page.document().atoms.text(declaration.aux) == property;
    }
    return css::property_name(declaration.property) == property;
  }

  static std::string value_text(const css::CssValue& value) {
    char buffer[64];
    switch (value.type) {
      case css::ValueType::Length:
        if (value.length.unit == css::kUnitAuto) return "auto";
        std::snprintf(buffer, sizeof buffer, "%g%s", value.length.value,
                      value.length.unit == css::kUnitPx ? "px" : "?");
        return buffer;
      case css::ValueType::Color:
        if ((value.color >> 24) == 0xFF) {
          std::snprintf(buffer, sizeof buffer, "#%06x", value.color & 0xFFFFFF);
        } else {
          std::snprintf(buffer, sizeof buffer, "#%08x", value.color);
        }
        return buffer;
      case css::ValueType::Keyword:
        return "kw" + std::to_string(value.keyword);
      case css::ValueType::RawText: {
        std::string_view raw = value.raw_text();
        std::size_t first = raw.find_first_not_of(' ');
        std::size_t last = raw.find_last_not_of(' ');
        return first == std::string_view::npos ? ""
                                               : std::string(raw.substr(first, last - first + 1));
      }
      case css::ValueType::TransitionList: {
        std::string text;
        for (std::uint16_t i = 0; i < value.count; ++i) {
          const css::TransitionEntry& entry = value.transitions[i];
          std::snprintf(buffer, sizeof buffer, "%s%gms", text.empty() ? "" : ", ", entry.duration);
          text += std::string(css::property_name(static_cast<css::PropertyId>(entry.property))) +
                  " " + buffer;
        }
        return text;
      }
      default:
        return "<type " + std::to_string(static_cast<int>(value.type)) + ">";
    }
  }

  LoadedPage& m_page;
};

TEST(MainStylesheet, PalettesFollowTheSystemAndTheWindowsTheme) {
  LoadedPage page("en");
  Styles styles(page);
  orlan::Node* root = orlan::document_element(&page.document());
  struct Case {
    bool dark_system;
    const char* data_theme;  // null: none
    const char* background;
    const char* selection;
    const char* accent_line;
  };
  const Case cases[] = {
      {false, nullptr, "#ffffff", "#cce8ff", "#3d84dd"},
      {true, nullptr, "#1e1e1e", "#26395a", "#4a4a4a"},
      {true, "light", "#ffffff", "#cce8ff", "#3d84dd"},
      {false, "dark", "#1e1e1e", "#26395a", "#4a4a4a"},
      {true, "dark", "#1e1e1e", "#26395a", "#4a4a4a"},
  };
  for (const Case& c : cases) {
    styles.dark = c.dark_system;
    if (c.data_theme) {
      orlan::set_attribute(root, "data-theme", 10, c.data_theme, std::strlen(c.data_theme));
    } else {
      orlan::remove_attribute(root, "data-theme", 10);
    }
    std::string label = std::string(c.dark_system ? "dark system" : "light system") + ", theme " +
                        (c.data_theme ? c.data_theme : "none");
    EXPECT_EQ(styles.declared(root, "--bg"), c.background) << label;
    EXPECT_EQ(styles.declared(root, "--selection"), c.selection) << label;
    EXPECT_EQ(styles.declared(root, "--accent-line"), c.accent_line) << label;
  }
}

TEST(MainStylesheet, SizesOfTheOutline) {
  LoadedPage page("en");
  Styles styles(page);
  auto first = [&](std::string_view id) { return orlan::first_child(page.find(id)); };
  orlan::Node* header_row = first("list");  // thead
  while (header_row && !orlan::is_element(header_row)) header_row = orlan::next_sibling(header_row);
  header_row = orlan::first_child(header_row);
  while (header_row && !orlan::is_element(header_row)) header_row = orlan::next_sibling(header_row);
  std::vector<std::string> widths;
  for (orlan::Node* th = orlan::first_child(header_row); th; th = orlan::next_sibling(th)) {
    if (orlan::is_element(th)) widths.push_back(styles.declared(th, "width"));
  }
  EXPECT_EQ(widths, (std::vector<std::string>{"80px", "58px", "50px", "140px", "auto"}));
  orlan::Node* th = orlan::first_child(header_row);
  while (!orlan::is_element(th)) th = orlan::next_sibling(th);
  EXPECT_EQ(styles.declared(header_row, "height"), "20px");
  EXPECT_EQ(styles.declared(th, "position"), "kw" + std::to_string(css::kw::Sticky));

  EXPECT_EQ(styles.declared(page.find("col-left"), "width"), "225px");
  EXPECT_EQ(styles.declared(page.find("list"), "table-layout"),
            "kw" + std::to_string(css::kw::Fixed));
  orlan::Node* label = orlan::first_child(orlan::parent(page.find("repeat")));
  while (!orlan::is_element(label)) label = orlan::next_sibling(label);
  EXPECT_EQ(styles.declared(label, "width"), "68px");
  for (std::string_view id : {"mouse", "delay1", "hk-run", "repeat", "btn-clear"}) {
    EXPECT_EQ(styles.declared(page.find(id), "height"), "23px") << id;
  }
  EXPECT_EQ(styles.declared(page.find("delay1"), "text-align"),
            "kw" + std::to_string(css::kw::Center));

  // Rows of the table: 24px, one line, an ellipsis.
  tw::ClickList list;
  list.append(tw::ClickEntry{1, 2, 100, 100, 0, 0});
  tw::render_click_table(tw::Page(&page.document()), list, "en");
  orlan::Node* cell = orlan::first_child(orlan::first_child(page.find("rows")));
  EXPECT_EQ(styles.declared(orlan::parent(cell), "height"), "24px");
  EXPECT_EQ(styles.declared(cell, "white-space"), "kw" + std::to_string(css::kw::Nowrap));
  EXPECT_EQ(styles.declared(cell, "text-overflow"), "kw" + std::to_string(css::kw::Ellipsis));

  orlan::Node* status = page.find("status");
  EXPECT_EQ(styles.declared(status, "height"), "50px");
  EXPECT_EQ(styles.declared(status, "font-size"), "19px");
  EXPECT_EQ(styles.declared(status, "transition"), "color 120ms");
}

TEST(MainStylesheet, StatesChangeWhatTheyShould) {
  LoadedPage page("en");
  Styles styles(page);
  orlan::Node* root = orlan::document_element(&page.document());

  orlan::Node* status = page.find("status");
  EXPECT_EQ(styles.declared(status, "color"), "#bdbdc4");
  orlan::add_class(status, "running", 7);
  EXPECT_EQ(styles.declared(status, "color"), "#ffffff");
  styles.dark = true;  // the panel is the same in both themes
  EXPECT_EQ(styles.declared(status, "color"), "#ffffff");
  styles.dark = false;

  orlan::Node* app = orlan::parent(status);
  EXPECT_EQ(styles.declared(app, "border-top"), "1px solid var(--accent-line)");
  orlan::add_class(root, "win-inactive", 12);
  EXPECT_EQ(styles.declared(app, "border-top-color"), "var(--accent-line-inactive)");
  EXPECT_EQ(styles.declared(root, "--accent-line-inactive"), "#6d6d6d");

  orlan::Node* hotkey = page.find("hk-run");
  orlan::add_class(hotkey, "capturing", 9);
  EXPECT_EQ(styles.declared(hotkey, "border-top-color"), "#3d84dd");
  EXPECT_EQ(styles.declared(hotkey, "color"), "var(--muted)");

  tw::ClickList list;
  list.append(tw::ClickEntry{1, 2, 100, 100, 0, 0});
  list.set_marker(0);
  tw::render_click_table(tw::Page(&page.document()), list, "en");
  orlan::Node* row = orlan::first_child(page.find("rows"));
  EXPECT_EQ(styles.declared(row, "background-color"), "var(--selection)");

  orlan::Node* select = page.find("mouse");
  EXPECT_EQ(styles.declared(select, "color"), "var(--text)");
  orlan::set_disabled(select, true);
  EXPECT_EQ(styles.declared(select, "color"), "var(--off-text)");
}

}  // namespace
