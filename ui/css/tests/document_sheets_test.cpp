#include "document_sheets.h"
#include "node_selector_match.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "document.h"
#include "orlan/orlan.h"
#include "view.h"

namespace orlan {
namespace {

struct ViewHolder {
  ViewHolder() : view(create_view()) {}
  ~ViewHolder() { destroy_view(view); }
  Document& doc() { return *document(view); }
  View* view;
};

TEST(DocumentSheets, NewDocumentHasThreeSheetsWithTheUserAgentOneParsed) {
  ViewHolder v;
  ASSERT_NE(v.view, nullptr);
  StyleSheetSlots& slots = v.doc().sheets;
  ASSERT_NE(slots.user_agent, nullptr);
  ASSERT_NE(slots.author, nullptr);
  ASSERT_NE(slots.scratch, nullptr);
  EXPECT_EQ(slots.user_agent->rules().size(), 54u);
  EXPECT_TRUE(slots.author->rules().empty());
  // Names in the sheets are atoms of the document's own table.
  Atom body = v.doc().atoms.lookup("body");
  ASSERT_NE(body, 0u);
  EXPECT_EQ(slots.user_agent->rules()[4].selectors[0].compounds[0].tag, body);
  EXPECT_EQ(css::document_atoms(v.doc())->intern("body"), body);
}

TEST(DocumentSheets, LoadCssReplacesTheAuthorSheet) {
  ViewHolder v;
  const char first[] = "a { color: red } b { color: blue }";
  ASSERT_EQ(load_css(v.view, first, sizeof first - 1), kOk);
  EXPECT_EQ(v.doc().sheets.author->rules().size(), 2u);
  const char second[] = "p { margin: 0 }";
  ASSERT_EQ(load_css(v.view, second, sizeof second - 1), kOk);
  ASSERT_EQ(v.doc().sheets.author->rules().size(), 1u);
  EXPECT_EQ(v.doc().sheets.author->rules()[0].selectors[0].compounds[0].tag,
            v.doc().atoms.lookup("p"));
  EXPECT_EQ(v.doc().sheets.user_agent->rules().size(), 54u);
  ASSERT_EQ(load_css(v.view, nullptr, 0), kOk);  // null with length 0 is the empty sheet
  EXPECT_TRUE(v.doc().sheets.author->rules().empty());
}

TEST(DocumentSheets, BadArguments) {
  EXPECT_EQ(load_css(nullptr, "a{}", 3), kBadArgument);
  EXPECT_STREQ(last_error(), "load_css: bad argument");
  ViewHolder v;
  EXPECT_EQ(load_css(v.view, nullptr, 4), kBadArgument);
  EXPECT_STREQ(last_error(), "load_css: bad argument");
}

TEST(DocumentSheets, OutOfMemoryReportsTheCssMessage) {
  ViewHolder v;
  std::string css;
  for (int i = 0; i < 400; ++i) css += ".c" + std::to_string(i) + " { color: red }";
  v.doc().sheets.author->arena().set_limit(4000);
  EXPECT_EQ(load_css(v.view, css.data(), css.size()), kOutOfMemory);
  EXPECT_STREQ(last_error(), "css: out of memory");
  EXPECT_FALSE(v.doc().sheets.author->rules().empty());
  v.doc().sheets.author->arena().set_limit(0);
}

TEST(DocumentSheets, FactsFollowTheAuthorSheet) {
  ViewHolder v;
  const char css[] = "li:first-child:has(a) { color: red } [data-resize=col] { color: red }";
  ASSERT_EQ(load_css(v.view, css, sizeof css - 1), kOk);
  StyleSheetSlots& slots = v.doc().sheets;
  EXPECT_TRUE(slots.structural_selectors);
  EXPECT_TRUE(slots.has_selectors);
  ASSERT_EQ(slots.data_attribute_count, 1);
  EXPECT_EQ(slots.data_attributes[0], v.doc().atoms.lookup("data-resize"));
  EXPECT_FALSE(slots.all_data_attributes);
  std::string many;
  for (int i = 0; i < 9; ++i) many += "[data-x" + std::to_string(i) + "] { color: red }";
  ASSERT_EQ(load_css(v.view, many.data(), many.size()), kOk);
  EXPECT_TRUE(slots.all_data_attributes);
  EXPECT_FALSE(slots.structural_selectors);
  EXPECT_FALSE(slots.has_selectors);
  ASSERT_EQ(load_css(v.view, "", 0), kOk);
  EXPECT_FALSE(slots.all_data_attributes);
  EXPECT_EQ(slots.data_attribute_count, 0);
}

TEST(DocumentSheets, LoadMarksTheRootStyleDirty) {
  ViewHolder v;
  v.doc().root->dirty = 0;
  ASSERT_EQ(load_css(v.view, "a{color:red}", 12), kOk);
  EXPECT_TRUE(v.doc().root->dirty & kDirtyStyle);
}

std::vector<std::string> g_faces;
void record_face(Document&, std::string_view family, std::string_view source) {
  g_faces.push_back(std::string(family) + "=" + std::string(source));
}

TEST(DocumentSheets, FontFacesGoToTheLoader) {
  ViewHolder v;
  css::set_font_face_loader(&record_face);
  g_faces.clear();
  const char css[] =
      "@font-face { font-family: 'Brand'; src: url(brand.ttf) } "
      "@font-face { font-family: Mono; src: url(\"mono.ttf\") }";
  ASSERT_EQ(load_css(v.view, css, sizeof css - 1), kOk);
  css::set_font_face_loader(nullptr);
  ASSERT_EQ(g_faces.size(), 2u);
  EXPECT_EQ(g_faces[0], "Brand=brand.ttf");
  EXPECT_EQ(g_faces[1], "Mono=mono.ttf");
}

// ---- selector matching on document nodes ----

class NodeMatching : public ::testing::Test {
 protected:
  Node* element(const char* tag, Node* parent_node) {
    Node* n = create_element(&doc(), tag, std::strlen(tag));
    EXPECT_NE(n, nullptr);
    if (parent_node) {
      EXPECT_EQ(append_child(parent_node, n), kOk);
    }
    return n;
  }
  Document& doc() { return v.doc(); }
  // Whether the first selector of "<selector> {}" matches.
  bool matches(const std::string& selector, const Node* n) {
    std::string css = selector + " { color: red }";
    EXPECT_EQ(load_css(v.view, css.data(), css.size()), kOk);
    auto rules = doc().sheets.author->rules();
    EXPECT_EQ(rules.size(), 1u) << selector;
    return !rules.empty() && css::selector_matches(rules[0].selectors[0], *n);
  }

  ViewHolder v;
};

TEST_F(NodeMatching, TreeRelationsAttributesAndState) {
  Node* html = element("html", doc().root);
  doc().html = html;
  Node* body = element("body", html);
  Node* list = element("ul", body);
  Node* first = element("li", list);
  Node* second = element("li", list);
  ASSERT_EQ(set_text_content(first, "text", 4), kOk);
  ASSERT_EQ(add_class(second, "active", 6), kOk);
  ASSERT_EQ(set_attribute(second, "data-Row", 8, "Row 2", 5), kOk);
  EXPECT_TRUE(matches(":root", html));
  EXPECT_FALSE(matches(":root", body));
  EXPECT_TRUE(matches("body > ul li.active", second));
  EXPECT_TRUE(matches("li:first-child + li:last-child", second));
  EXPECT_TRUE(matches("li[data-row^='row' i]", second));
  EXPECT_FALSE(matches("li[data-row^='row']", second));
  EXPECT_TRUE(matches("li:empty", second));
  EXPECT_FALSE(matches("li:empty", first));  // its text child counts
  EXPECT_TRUE(matches("ul:has(> li.active)", list));
  EXPECT_TRUE(matches("li:enabled", second));
  ASSERT_EQ(set_disabled(second, true), kOk);
  EXPECT_TRUE(matches("li:disabled", second));
  doc().focused = second;
  EXPECT_TRUE(matches("ul:focus-within", list));
  doc().focused = nullptr;
  EXPECT_FALSE(matches("ul:focus-within", list));
}

TEST_F(NodeMatching, PseudoElementsOfOwners) {
  Node* html = element("html", doc().root);
  Node* input = element("input", html);
  ASSERT_EQ(load_css(v.view, "input::placeholder { color: gray }", 34), kOk);
  const css::ComplexSelector& s = doc().sheets.author->rules()[0].selectors[0];
  EXPECT_FALSE(css::selector_matches(s, *input));
  EXPECT_TRUE(css::selector_matches_pseudo(s, *input, css::PseudoElement::Placeholder));
  EXPECT_FALSE(css::selector_matches_pseudo(s, *input, css::PseudoElement::Selection));
  EXPECT_FALSE(css::selector_matches_pseudo(s, *html, css::PseudoElement::Placeholder));
}

}  // namespace
}  // namespace orlan
