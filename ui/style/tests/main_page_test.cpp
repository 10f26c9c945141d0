// The program's main page and stylesheet (the fuzz corpus copies), and how far a change
// travels: restyles stay local to what a selector can reach.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document_sheets.h"
#include "style_test_support.h"

namespace orlan {
namespace {

using testing::read_source_file;
using testing::StyledPage;

const std::string& main_html() {
  static const std::string text = read_source_file("ui/html/fuzz/corpus/main_page.html");
  return text;
}
const std::string& main_css() {
  static const std::string text = read_source_file("ui/css/fuzz/sheet/main_screen.css");
  return text;
}

// Appends `count` rows of five cells to #rows, as the main screen does.
std::vector<Node*> add_rows(StyledPage& page, int count) {
  Document* d = &page.doc();
  Node* rows = page.id("rows");
  std::vector<Node*> out;
  for (int i = 0; i < count; ++i) {
    Node* tr = create_element(d, "tr", 2);
    for (int c = 0; c < 5; ++c) {
      Node* td = create_element(d, "td", 2);
      std::string text = std::to_string(i * 5 + c);
      set_text_content(td, text.data(), text.size());
      append_child(tr, td);
    }
    append_child(rows, tr);
    out.push_back(tr);
  }
  page.pass();
  return out;
}

Node* cell(Node* tr, int index) {
  Node* c = first_child(tr);
  for (int i = 0; i < index; ++i) c = next_sibling(c);
  return c;
}

class MainPage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(main_html().empty());
    ASSERT_FALSE(main_css().empty());
  }
};

TEST_F(MainPage, NamedElements) {
  StyledPage page(main_html(), main_css(), 800, 600);
  EXPECT_EQ(page.style("col-left").width, StyleLength::px(225));
  EXPECT_EQ(page.style("col-left").display, Display::kFlex);
  EXPECT_EQ(page.style("col-left").row_gap, StyleLength::px(10)) << "gap: var(--gap-large)";
  const ComputedStyle& status = page.style("status");
  EXPECT_EQ(status.height, StyleLength::px(50));
  EXPECT_FLOAT_EQ(status.font_size, 19);
  EXPECT_FLOAT_EQ(status.font_weight, 300);
  EXPECT_FLOAT_EQ(status.letter_spacing, 0.02f * 19);
  EXPECT_EQ(status.color, 0xFFBDBDC4u);
  ASSERT_EQ(status.background_layer_count, 1);
  ASSERT_NE(status.background_layers[0].gradient, nullptr);
  EXPECT_EQ(status.background_layers[0].gradient->stops[0].color, 0xFF141418u);
  EXPECT_EQ(status.box_shadow_count, 2);
  ASSERT_EQ(status.transition_count, 1);
  EXPECT_FLOAT_EQ(status.transition[0].duration, 120);
  Node* body = page.id("body")->parent->parent;  // main > .app > body
  ASSERT_NE(body, nullptr);
  EXPECT_FLOAT_EQ(body->style->font_size, 12);
  EXPECT_EQ(page.doc().atoms.text(body->style->font_family), "\"Segoe UI\", sans-serif");
  EXPECT_EQ(page.style("mouse").height, StyleLength::px(23)) << "--control-h";
  EXPECT_EQ(page.style("delay1").placeholder_color, 0xFF888888u) << "--text-muted";

  // A small window takes the narrow rules.
  set_viewport(page.doc(), 500, 300);
  page.pass();
  EXPECT_EQ(page.style("col-left").width, StyleLength::px(200));
  EXPECT_EQ(page.style("status").height, StyleLength::px(36));
  EXPECT_FLOAT_EQ(page.style("status").font_size, 16);
}

TEST_F(MainPage, LightAndDarkPalettes) {
  StyledPage page(main_html(), main_css());
  Node* html = document_element(&page.doc());
  Node* body = page.id("body")->parent->parent;
  auto background = [&] { return body->style->background_color; };
  auto text = [&] { return body->style->color; };
  EXPECT_EQ(background(), 0xFFFFFFFFu);
  EXPECT_EQ(text(), 0xFF000000u);

  set_media_features(&page.doc(), true, false);
  page.pass();
  EXPECT_EQ(background(), 0xFF1E1E1Eu) << "prefers-color-scheme: dark";
  EXPECT_EQ(text(), 0xFFE0E0E0u);

  set_attribute(html, "data-theme", 10, "light", 5);
  page.pass();
  EXPECT_EQ(background(), 0xFFFFFFFFu) << "data-theme=light overrides the system";

  set_media_features(&page.doc(), false, false);
  set_attribute(html, "data-theme", 10, "dark", 4);
  page.pass();
  EXPECT_EQ(background(), 0xFF1E1E1Eu) << "data-theme=dark without the system's dark mode";
  EXPECT_EQ(page.style("col-right").border_color[kTop], 0xFF3A3A3Au);

  remove_attribute(html, "data-theme", 10);
  page.pass();
  EXPECT_EQ(background(), 0xFFFFFFFFu);
}

TEST_F(MainPage, InactiveWindowGreysTheAccentLine) {
  StyledPage page(main_html(), main_css());
  Node* app = page.id("body")->parent;
  EXPECT_EQ(app->style->border_color[kTop], 0xFF3D84DDu);
  EXPECT_FLOAT_EQ(app->style->border_width[kTop], 1);
  add_class(document_element(&page.doc()), "win-inactive", 12);
  page.pass();
  EXPECT_EQ(app->style->border_color[kTop], 0xFF6D6D6Du);
  remove_class(document_element(&page.doc()), "win-inactive", 12);
  page.pass();
  EXPECT_EQ(app->style->border_color[kTop], 0xFF3D84DDu);
}

TEST_F(MainPage, CellsOfTheActiveRow) {
  StyledPage page(main_html(), main_css());
  std::vector<Node*> rows = add_rows(page, 4);
  Node* rows_body = page.id("rows");
  EXPECT_EQ(rows_body->last_child->generated, 0) << "tbody:empty::after went with the rows";

  const std::uint32_t kOdd = 0, kEven = 0x80F5F5F7u, kSelected = 0xFFCCE8FFu;
  EXPECT_EQ(cell(rows[0], 0)->style->background_color, kOdd);
  EXPECT_EQ(cell(rows[1], 0)->style->background_color, kEven);
  EXPECT_EQ(cell(rows[1], 0)->style->height, StyleLength::px(24));

  add_class(rows[1], "active", 6);
  page.pass();
  for (int c = 0; c < 5; ++c) {
    const ComputedStyle& s = *cell(rows[1], c)->style;
    EXPECT_EQ(s.background_color, kSelected) << "cell " << c;
    EXPECT_EQ(s.border_color[kTop], 0xFF99D1FFu);
    EXPECT_FLOAT_EQ(s.border_width[kTop], 1);
    EXPECT_FLOAT_EQ(s.border_width[kLeft], c == 0 ? 1 : 0);
    EXPECT_FLOAT_EQ(s.border_width[kRight], c == 4 ? 1 : 0);
    EXPECT_TRUE(cell(rows[1], c)->dirty & kDirtyPaint);
  }
  // The mark moves to another row: both rows' cells follow.
  remove_class(rows[1], "active", 6);
  add_class(rows[2], "active", 6);
  page.pass();
  EXPECT_EQ(cell(rows[1], 0)->style->background_color, kEven);
  EXPECT_FLOAT_EQ(cell(rows[1], 0)->style->border_width[kTop], 0);
  EXPECT_EQ(cell(rows[2], 3)->style->background_color, kSelected);
  EXPECT_EQ(cell(rows[0], 0)->style->background_color, kOdd);
}

TEST_F(MainPage, MovingActiveRestylesOnlyTheTwoRows) {
  StyledPage page(main_html(), main_css());
  std::vector<Node*> rows = add_rows(page, 1000);
  add_class(rows[10], "active", 6);
  page.pass();
  page.laid_out();
  page.reset_stats();
  remove_class(rows[10], "active", 6);
  add_class(rows[500], "active", 6);
  page.pass();
  // Two rows of one element and five cells each.
  EXPECT_EQ(page.stats().elements_styled, 12u);
  // And the eight ancestors on the way down: html, body, .app, main, #col-right,
  // #list-box, table, tbody.
  EXPECT_EQ(page.stats().nodes_visited, 12u + 8u);
  EXPECT_EQ(page.stats().full_restyles, 0u);
  EXPECT_EQ(cell(rows[500], 0)->style->background_color, 0xFFCCE8FFu);
  EXPECT_EQ(cell(rows[10], 0)->style->background_color, 0u);
}

TEST_F(MainPage, ChangesNamedInsideHasRestyleTheDocument) {
  StyledPage page(main_html(), main_css());
  add_rows(page, 50);
  page.reset_stats();
  // .fld:has(input:disabled) > label: disabling an input reaches its field's label.
  Node* repeat = page.id("repeat");
  Node* label = repeat->parent->first_child;
  while (label && !label->is_element()) label = label->next_sibling;
  ASSERT_NE(label, nullptr);
  std::uint32_t before = label->style->color;
  set_attribute(repeat, "disabled", 8, "", 0);
  page.pass();
  EXPECT_GT(page.stats().elements_styled, 250u) << "the :has() rule: restyle from the root";
  EXPECT_NE(label->style->color, before);
  // A class that no :has() argument names stays local.
  page.reset_stats();
  add_class(page.id("status"), "running", 7);
  page.pass();
  EXPECT_EQ(page.stats().elements_styled, 1u);
  EXPECT_EQ(page.style("status").color, 0xFFFFFFFFu);
}

// ---- Reach of a change, on small sheets ----

TEST(RestyleReach, SubtreeSiblingsAndInheritance) {
  StyledPage page(
      "<html><body><div id=a><p id=a1>x</p></div><div id=b></div><div id=c><p id=c1>y</p></div>"
      "<div id=d></div></body></html>",
      ".on + div {color:#010101} .on ~ div p {color:#020202} .deep p {color:#030303}"
      " .self {color:#040404}");
  auto styled_after = [&](auto change) {
    page.reset_stats();
    change();
    page.pass();
    return page.stats().elements_styled;
  };
  EXPECT_EQ(styled_after([&] { add_class(page.id("a"), "self", 4); }), 2u)
      << "the element, and its child because its colour changed";
  EXPECT_EQ(page.style("a1").color, 0xFF040404u);
  EXPECT_EQ(styled_after([&] { add_class(page.id("a"), "deep", 4); }), 2u);
  EXPECT_EQ(page.style("a1").color, 0xFF030303u);
  EXPECT_EQ(styled_after([&] { add_class(page.id("a"), "on", 2); }), 5u)
      << "a, and the following siblings with their subtrees (b, c, c1, d)";
  EXPECT_EQ(page.style("b").color, 0xFF010101u);
  EXPECT_EQ(page.style("c1").color, 0xFF020202u);
  EXPECT_EQ(page.style("d").color, 0xFF000000u);
  EXPECT_EQ(styled_after([&] { set_attribute(page.id("d"), "data-x", 6, "1", 1); }), 0u)
      << "a data- attribute no selector names";
  EXPECT_EQ(styled_after([&] { set_attribute(page.id("d"), "title", 5, "t", 1); }), 1u);
}

TEST(RestyleReach, DataAttributesNeedARestyleOnlyWhenNamed) {
  StyledPage page("<html><body><div id=x></div></body></html>", "[data-k=a] {color:red}");
  Document& d = page.doc();
  Atom k = 0, other = 0, title = 0;
  ASSERT_TRUE(d.atoms.intern("data-k", k));
  ASSERT_TRUE(d.atoms.intern("data-other", other));
  ASSERT_TRUE(d.atoms.intern("title", title));
  EXPECT_TRUE(attribute_change_needs_restyle(d, k));
  EXPECT_FALSE(attribute_change_needs_restyle(d, other));
  EXPECT_TRUE(attribute_change_needs_restyle(d, title));
  set_attribute(page.id("x"), "data-k", 6, "a", 1);
  page.pass();
  EXPECT_EQ(page.style("x").color, 0xFFFF0000u);
}

TEST(SheetLifetime, LoadingCssKeepsTheOldSheetUntilTheRestyle) {
  StyledPage page("<html><body><div id=x></div></body></html>",
                  "#x{transform:rotate(5deg);transition:color 1s;box-shadow:0 0 1px red}");
  const ComputedStyle* old = page.id("x")->style;
  ASSERT_EQ(old->transform_count, 1);
  const char next[] = "#x{transform:scale(2)}";
  load_css(page.view(), next, sizeof next - 1);
  // Until the next pass the old record and everything it points to stay readable.
  EXPECT_FLOAT_EQ(old->transform[0].args[0].value, 5);
  EXPECT_FLOAT_EQ(old->transition[0].duration, 1000);
  EXPECT_EQ(old->box_shadow[0].color, 0xFFFF0000u);
  load_css(page.view(), next, sizeof next - 1);
  EXPECT_FLOAT_EQ(old->transform[0].args[0].value, 5) << "a second load before the pass too";
  page.pass();
  EXPECT_EQ(page.style("x").transform[0].kind, css::TransformKind::Scale);
}

TEST(Sharing, EqualSiblingsShareOneRecord) {
  std::string html = "<html><body><ul id=l>";
  for (int i = 0; i < 100; ++i) html += "<p>x</p>";
  html += "</ul></body></html>";
  StyledPage page(html, "p{color:red}");
  Node* list = page.id("l");
  Node* first = first_child(list);
  Node* second = next_sibling(first);
  EXPECT_EQ(first->style, second->style);
  EXPECT_GE(page.stats().styles_shared, 99u);
}

TEST(Compaction, RepeatedRestylesStayBounded) {
  StyledPage page(main_html(), main_css());
  std::vector<Node*> rows = add_rows(page, 200);
  style::StyleState* s = style::state_of(page.doc());
  for (int i = 0; i < 800; ++i) {
    add_class(rows[i % 200], "active", 6);
    page.pass();
    remove_class(rows[i % 200], "active", 6);
    page.pass();
  }
  EXPECT_GE(page.stats().compactions, 1u);
  EXPECT_LT(s->arena().used(), 4u * 1024 * 1024);
  EXPECT_EQ(cell(rows[3], 0)->style->background_color, 0x80F5F5F7u);
}

// A compaction copies every style into the other arena, grid track lists from "style"
// attributes included. Unchanged grid containers neither lose their sharing nor ask for
// layout again.
TEST(Compaction, UnchangedGridContainersStayEqual) {
  std::string html = "<html><body><p id=t>x</p>";
  for (int i = 0; i < 3; ++i)
    html += "<div id=g" + std::to_string(i) +
            " style='display:grid;grid-template-columns:10px 1fr;grid-template-areas:\"a b\"'>"
            "</div>";
  html += "</body></html>";
  StyledPage page(html, "");
  EXPECT_EQ(page.id("g0")->style, page.id("g1")->style);
  Node* t = page.id("t");
  const std::uint64_t before = page.stats().compactions;
  for (int i = 0; i < 4000 && page.stats().compactions == before; ++i) {
    page.laid_out();
    set_attribute(t, "style", 5, i % 2 ? "color:red" : "color:blue", i % 2 ? 9 : 10);
    page.pass();
  }
  ASSERT_GT(page.stats().compactions, before);
  for (const char* id : {"g0", "g1", "g2"})
    EXPECT_EQ(page.id(id)->dirty & kDirtyLayout, 0) << id << " was marked for layout";
  EXPECT_EQ(page.id("g1")->style, page.id("g2")->style);
}

}  // namespace
}  // namespace orlan
