// How far a change travels: restyles stay local to what a selector can reach, a change
// named inside :has() restyles the document, and the records the pass keeps stay bounded.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document_sheets.h"
#include "style_test_support.h"

namespace orlan {
namespace {

using testing::StyledPage;

Node* cell(Node* tr, int index) {
  Node* c = first_child(tr);
  for (int i = 0; i < index; ++i) c = next_sibling(c);
  return c;
}

// A table in a few wrappers, its rows of five cells: even rows striped, the marked row's
// cells coloured.
constexpr std::string_view kTablePage =
    "<body><main><div id=box><table><tbody id=rows></tbody></table></div></main></body>";
constexpr std::string_view kTableSheet =
    "tbody tr:nth-child(even) td { background-color: #f5f5f780 }"
    " tbody tr.active td { background-color: #cce8ff } td { height: 24px }";

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

TEST(RestyleReach, MovingAClassRestylesOnlyTheTwoRows) {
  StyledPage page(kTablePage, kTableSheet);
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
  // And the six ancestors on the way down: html, body, main, #box, table, tbody.
  EXPECT_EQ(page.stats().nodes_visited, 12u + 6u);
  EXPECT_EQ(page.stats().full_restyles, 0u);
  EXPECT_EQ(cell(rows[500], 0)->style->background_color, 0xFFCCE8FFu);
  EXPECT_EQ(cell(rows[10], 0)->style->background_color, 0u);
}

TEST(RestyleReach, ChangesNamedInsideHasRestyleTheDocument) {
  std::string html = "<body><div class=fld><label>Repeat</label><input id=repeat></div>"
                     "<div id=status>Waiting</div>";
  for (int i = 0; i < 250; ++i) html += "<p>filler</p>";
  StyledPage page(html, ".fld:has(input:disabled) > label { color: #a6a6a6 }");
  page.reset_stats();
  // Disabling an input reaches its field's label.
  Node* repeat = page.id("repeat");
  Node* label = repeat->parent->first_child;
  while (label && !label->is_element()) label = label->next_sibling;
  ASSERT_NE(label, nullptr);
  std::uint32_t before = label->style->color;
  set_attribute(repeat, "disabled", 8, "", 0);
  page.pass();
  EXPECT_GT(page.stats().elements_styled, 250u) << "the :has() rule: restyle from the root";
  EXPECT_NE(label->style->color, before);
  EXPECT_EQ(label->style->color, 0xFFA6A6A6u);
  // A class that no :has() argument names stays local.
  page.reset_stats();
  add_class(page.id("status"), "running", 7);
  page.pass();
  EXPECT_EQ(page.stats().elements_styled, 1u);
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
  StyledPage page(kTablePage, kTableSheet);
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
