#include "selectors.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "css_test_support.h"
#include "selector_match.h"

namespace orlan::css {
namespace {

class Selectors : public testing::SheetTest {
 protected:
  // The selectors of the first rule of "<text> {}", or empty when the rule was dropped.
  std::vector<ComplexSelector> read(std::string_view text) {
    std::string css(text);
    css += " { color: red }";
    EXPECT_EQ(parse_stylesheet(sheet, css), kStatusOk);
    if (sheet.rules().empty()) return {};
    auto list = sheet.rules()[0].selector_list();
    return std::vector<ComplexSelector>(list.begin(), list.end());
  }
  ComplexSelector one(std::string_view text) {
    auto list = read(text);
    EXPECT_EQ(list.size(), 1u) << text;
    return list.empty() ? ComplexSelector{} : list[0];
  }
  bool dropped(std::string_view text) { return read(text).empty(); }
  uint32_t spec(std::string_view text) { return one(text).specificity; }
};

constexpr uint32_t S(uint32_t ids, uint32_t classes, uint32_t types) {
  return ids * 65536 + classes * 256 + types;
}

TEST_F(Selectors, CompoundsAreStoredSubjectFirstWithTheirCombinators) {
  auto s = one("ul > li.item + a ~ b c");
  ASSERT_EQ(s.compound_count, 5);
  EXPECT_EQ(s.compounds[0].tag, atom("c"));
  EXPECT_EQ(s.compounds[0].combinator, Combinator::Descendant);
  EXPECT_EQ(s.compounds[1].tag, atom("b"));
  EXPECT_EQ(s.compounds[1].combinator, Combinator::SubsequentSibling);
  EXPECT_EQ(s.compounds[2].tag, atom("a"));
  EXPECT_EQ(s.compounds[2].combinator, Combinator::NextSibling);
  EXPECT_EQ(s.compounds[3].tag, atom("li"));
  EXPECT_EQ(s.compounds[3].class_count, 1);
  EXPECT_EQ(s.compounds[3].classes[0], atom("item"));
  EXPECT_EQ(s.compounds[3].combinator, Combinator::Child);
  EXPECT_EQ(s.compounds[4].tag, atom("ul"));
  EXPECT_EQ(s.compounds[4].combinator, Combinator::None);
}

TEST_F(Selectors, TypeNamesAreLowerCasedButIdsAndClassesAreNot) {
  auto s = one("DIV#Main.Big");
  EXPECT_EQ(s.compounds[0].tag, atom("div"));
  EXPECT_EQ(s.compounds[0].id, atom("Main"));
  EXPECT_EQ(s.compounds[0].classes[0], atom("Big"));
  EXPECT_EQ(one("*").compounds[0].tag, 0u);
}

TEST_F(Selectors, Specificity) {
  EXPECT_EQ(spec("#x.y:hover::after"), S(1, 2, 1));
  EXPECT_EQ(spec("li:only-child"), S(0, 2, 1));  // both bits count
  EXPECT_EQ(spec("a[href][title]"), S(0, 2, 1));
  EXPECT_EQ(spec("li:nth-child(2n+1)"), S(0, 1, 1));
  EXPECT_EQ(spec("*"), S(0, 0, 0));
  EXPECT_EQ(spec("div:not(.a):not(#b)"), S(1, 1, 1));
  EXPECT_EQ(spec("div:is(.a, #b, p)"), S(1, 0, 1));  // the largest alternative
  EXPECT_EQ(spec("div:where(.a, #b)"), S(0, 0, 1));
  EXPECT_EQ(spec("div:has(> .a.b, p)"), S(0, 2, 1));
  EXPECT_EQ(spec("ul ul ul"), S(0, 0, 3));
  EXPECT_EQ(spec("::selection"), S(0, 0, 1));
}

TEST_F(Selectors, PseudoClassBits) {
  EXPECT_EQ(one(":hover:active:focus").compounds[0].pseudo_classes,
            pc::Hover | pc::Active | pc::Focus);
  EXPECT_EQ(one(":focus-visible").compounds[0].pseudo_classes, pc::Focus);
  EXPECT_EQ(one(":ONLY-OF-TYPE").compounds[0].pseudo_classes, pc::OnlyOfType);
  EXPECT_EQ(one(":enabled:checked:root").compounds[0].pseudo_classes,
            pc::Enabled | pc::Checked | pc::Root);
  EXPECT_TRUE(dropped(":visited"));
  EXPECT_TRUE(dropped(":nth-col(1)"));
}

TEST_F(Selectors, PseudoElements) {
  EXPECT_EQ(one("p::before").pseudo_element, PseudoElement::Before);
  EXPECT_EQ(one("p:after").pseudo_element, PseudoElement::After);
  EXPECT_EQ(one("input::placeholder").pseudo_element, PseudoElement::Placeholder);
  EXPECT_EQ(one("li::marker").pseudo_element, PseudoElement::Marker);
  EXPECT_TRUE(dropped("p::before span"));
  EXPECT_TRUE(dropped("p::before::after"));
  EXPECT_TRUE(dropped("p::first-line"));
  EXPECT_TRUE(dropped("p:placeholder"));
}

TEST_F(Selectors, SelectionSetsBothFlags) {
  one("::selection");
  EXPECT_TRUE(sheet.has_pseudo_element_rules());
  EXPECT_TRUE(sheet.has_selection_rules());
  one("p::before");
  EXPECT_TRUE(sheet.has_pseudo_element_rules());
  EXPECT_FALSE(sheet.has_selection_rules());
}

TEST_F(Selectors, AttributeSelectors) {
  auto s = one("a[HREF][lang|=en][class~=x i][data-k^='v w'][t$=z][u*=q][v=\"\"]");
  const CompoundSelector& c = s.compounds[0];
  ASSERT_EQ(c.attribute_count, 7);
  EXPECT_EQ(c.attributes[0].name, atom("href"));
  EXPECT_EQ(c.attributes[0].op, 0);
  EXPECT_EQ(c.attributes[1].op, '|');
  EXPECT_EQ(c.attributes[1].value, atom("en"));
  EXPECT_EQ(c.attributes[2].op, '~');
  EXPECT_EQ(c.attributes[2].case_insensitive, 1);
  EXPECT_EQ(c.attributes[3].op, '^');
  EXPECT_EQ(c.attributes[3].text, "v w");
  EXPECT_EQ(c.attributes[4].op, '$');
  EXPECT_EQ(c.attributes[5].op, '*');
  EXPECT_EQ(c.attributes[6].op, '=');
  EXPECT_TRUE(dropped("a[=x]"));
  EXPECT_TRUE(dropped("a[x=]"));
  EXPECT_TRUE(dropped("a[x!=y]"));
  EXPECT_TRUE(dropped("a[x=y z]"));
  EXPECT_TRUE(dropped("a[x"));
  EXPECT_TRUE(dropped("[a][b][c][d][e][f][g][h][i]"));
}

TEST_F(Selectors, DataAttributeNamesAreRecorded) {
  one("[data-resize=col] [DATA-X] [data-] [datax]");
  ASSERT_EQ(sheet.data_attribute_count(), 2);
  EXPECT_TRUE(sheet.uses_data_attribute(atom("data-resize")));
  EXPECT_TRUE(sheet.uses_data_attribute(atom("data-x")));
  EXPECT_FALSE(sheet.uses_data_attribute(atom("data-other")));
}

TEST_F(Selectors, NinthDataAttributeMeansAllCount) {
  std::string css;
  for (int i = 0; i < 8; ++i) css += "[data-n" + std::to_string(i) + "]{color:red}";
  css += "[data-n0]{color:red}";  // a repeated name adds nothing
  ASSERT_EQ(parse_stylesheet(sheet, css), kStatusOk);
  EXPECT_EQ(sheet.data_attribute_count(), 8);
  EXPECT_FALSE(sheet.uses_data_attribute(atom("data-other")));
  css += "[data-n8]{color:red}";
  ASSERT_EQ(parse_stylesheet(sheet, css), kStatusOk);
  EXPECT_EQ(sheet.data_attribute_count(), kDataAttributesOverflow);
  EXPECT_TRUE(sheet.uses_data_attribute(atom("data-other")));
}

TEST_F(Selectors, NthArguments) {
  int16_t a = 9, b = 9;
  auto check = [&](std::string_view text, int16_t ea, int16_t eb) {
    ASSERT_TRUE(parse_nth_argument(text, a, b)) << text;
    EXPECT_EQ(a, ea) << text;
    EXPECT_EQ(b, eb) << text;
  };
  check("2n+1", 2, 1);
  check("-n+3", -1, 3);
  check("n", 1, 0);
  check("3", 0, 3);
  check("odd", 2, 1);
  check("EVEN", 2, 0);
  check(" 2n - 1 ", 2, -1);
  check("+5", 0, 5);
  check("-2n", -2, 0);
  EXPECT_FALSE(parse_nth_argument("2n+", a, b));
  EXPECT_FALSE(parse_nth_argument("n2", a, b));
  EXPECT_FALSE(parse_nth_argument("", a, b));
  EXPECT_FALSE(parse_nth_argument("2n+1 of .x", a, b));
  auto s = one("li:nth-last-of-type(2n+1)");
  EXPECT_EQ(s.compounds[0].nth_present, 1);
  EXPECT_EQ(s.compounds[0].nth_kind, NthKind::LastOfType);
  EXPECT_TRUE(sheet.has_structural_selectors());
  EXPECT_TRUE(dropped("li:nth-child(2n+1):nth-child(3)"));
}

TEST_F(Selectors, StructuralFlag) {
  one("li:first-child");
  EXPECT_TRUE(sheet.has_structural_selectors());
  one("li:hover");
  EXPECT_FALSE(sheet.has_structural_selectors());
  one("li:not(:empty)");
  EXPECT_TRUE(sheet.has_structural_selectors());
}

TEST_F(Selectors, FunctionalPseudoClasses) {
  auto is = one(":is(.a .b)");  // whitespace inside joins the compound
  ASSERT_EQ(is.compounds[0].is_count, 1);
  EXPECT_EQ(is.compounds[0].is_list[0].class_count, 2);
  auto has = one("tr:has(> td.x, + tr, ~ tr, img)");
  ASSERT_EQ(has.compounds[0].has_count, 4);
  EXPECT_EQ(has.compounds[0].has_list[0].combinator, Combinator::Child);
  EXPECT_EQ(has.compounds[0].has_list[1].combinator, Combinator::NextSibling);
  EXPECT_EQ(has.compounds[0].has_list[2].combinator, Combinator::SubsequentSibling);
  EXPECT_EQ(has.compounds[0].has_list[3].combinator, Combinator::Descendant);
  EXPECT_TRUE(sheet.has_has_selectors());
  auto negations = one("a:not(.x):not([y]):not(:hover):not(#z)");
  EXPECT_EQ(negations.compounds[0].not_count, 4);
}

TEST_F(Selectors, FunctionalPseudoClassRejections) {
  EXPECT_TRUE(dropped("a:not(.x):not(.x):not(.x):not(.x):not(.x)"));
  EXPECT_TRUE(dropped("a:not(.x, .y)"));
  EXPECT_TRUE(dropped("a:not(b > c)"));
  EXPECT_TRUE(dropped(":is(a > b)"));
  EXPECT_TRUE(dropped(":is(a):where(b)"));
  EXPECT_TRUE(dropped(":has(a):has(b)"));
  EXPECT_TRUE(dropped(":is(:not(a))"));
  EXPECT_TRUE(dropped(":not(:has(a))"));
  EXPECT_TRUE(dropped(":is(a::before)"));
  EXPECT_TRUE(dropped(":is()"));
  EXPECT_TRUE(dropped(":is(a,)"));
  EXPECT_TRUE(dropped(":is(a,b,c,d,e,f,g,h,i)"));
  EXPECT_TRUE(dropped(":has(a,b,c,d,e)"));
  EXPECT_TRUE(dropped(":matches(a)"));
}

TEST_F(Selectors, MalformedSelectorsDropTheRule) {
  EXPECT_TRUE(dropped("> a"));
  EXPECT_TRUE(dropped("a >"));
  EXPECT_TRUE(dropped("a > > b"));
  EXPECT_TRUE(dropped(".a.b.c.d.e.f.g.h.i"));  // a ninth class
  EXPECT_TRUE(dropped("a, b!"));
  EXPECT_TRUE(dropped("a, "));
  EXPECT_TRUE(dropped("a."));
  EXPECT_TRUE(dropped("a b c d e f g h i j k l m n o p q"));  // 17 compounds
  EXPECT_FALSE(dropped("a b c d e f g h i j k l m n o p"));
}

TEST_F(Selectors, BadSecondSelectorDropsTheWholeRule) {
  ASSERT_EQ(parse_stylesheet(sheet, "a, b:bogus { color: red } p { color: blue }"), kStatusOk);
  ASSERT_EQ(sheet.rules().size(), 1u);
  EXPECT_EQ(sheet.rules()[0].selectors[0].compounds[0].tag, atom("p"));
}

TEST_F(Selectors, AtMostThirtyTwoSelectorsPerRule) {
  std::string list = "a";
  for (int i = 1; i < 32; ++i) list += ",a";
  EXPECT_EQ(read(list).size(), 32u);
  EXPECT_TRUE(dropped(list + ",a"));
}

TEST_F(Selectors, TypeMustComeFirstInACompound) {
  EXPECT_TRUE(dropped(".a*"));
  EXPECT_TRUE(dropped("#x*"));
  EXPECT_TRUE(dropped(":hover*"));
  EXPECT_TRUE(dropped(":not(.a)div"));
  EXPECT_TRUE(dropped("a*"));
  EXPECT_FALSE(dropped(".a div"));  // two compounds
}

// ---- matching ----

struct FakeNode {
  std::string tag;
  std::string id;
  std::vector<std::string> classes;
  std::map<std::string, std::string> attributes;
  uint32_t state = 0;
  uint8_t generated = 0;
  bool is_text = false;
  FakeNode* parent = nullptr;
  std::vector<std::unique_ptr<FakeNode>> children;

  FakeNode* add(std::string tag_name, std::vector<std::string> class_list = {}) {
    auto node = std::make_unique<FakeNode>();
    node->tag = std::move(tag_name);
    node->classes = std::move(class_list);
    node->parent = this;
    children.push_back(std::move(node));
    return children.back().get();
  }
  FakeNode* add_text() {
    FakeNode* n = add("");
    n->is_text = true;
    return n;
  }
};

class FakeAdapter {
 public:
  using Element = const FakeNode*;
  FakeAdapter(testing::TestAtoms& atoms, const FakeNode* root, const FakeNode* focus)
      : m_atoms(atoms), m_root(root), m_focus(focus) {}

  Element parent(Element e) const {
    return e->parent && !e->parent->tag.empty() ? e->parent : nullptr;
  }
  Element sibling(Element e, int step) const {
    if (!e->parent) return nullptr;
    auto& list = e->parent->children;
    int i = 0;
    while (list[static_cast<std::size_t>(i)].get() != e) ++i;
    for (i += step; i >= 0 && i < static_cast<int>(list.size()); i += step) {
      const FakeNode* s = list[static_cast<std::size_t>(i)].get();
      if (!s->is_text && !s->generated) return s;
    }
    return nullptr;
  }
  Element previous_sibling(Element e) const { return sibling(e, -1); }
  Element next_sibling(Element e) const { return sibling(e, 1); }
  Element first_child(Element e) const {
    for (auto& c : e->children) {
      if (!c->is_text && !c->generated) return c.get();
    }
    return nullptr;
  }
  uint32_t tag(Element e) const { return m_atoms.intern_lower(e->tag); }
  uint32_t id(Element e) const { return m_atoms.intern(e->id); }
  bool has_class(Element e, uint32_t atom) const {
    for (auto& c : e->classes) {
      if (m_atoms.intern(c) == atom) return true;
    }
    return false;
  }
  uint32_t state(Element e) const { return e->state; }
  bool is_root(Element e) const { return e == m_root; }
  bool has_children(Element e) const {
    for (auto& c : e->children) {
      if (!c->generated) return true;
    }
    return false;
  }
  bool contains_focus(Element e) const {
    for (const FakeNode* n = m_focus; n; n = n->parent) {
      if (n == e) return true;
    }
    return false;
  }
  uint8_t generated_kind(Element e) const { return e->generated; }
  bool attribute(Element e, uint32_t name, std::string_view& value) const {
    for (auto& [k, v] : e->attributes) {
      if (m_atoms.intern_lower(k) == name) {
        value = v;
        return true;
      }
    }
    return false;
  }

 private:
  testing::TestAtoms& m_atoms;
  const FakeNode* m_root;
  const FakeNode* m_focus;
};

class Matching : public Selectors {
 protected:
  Matching() {
    html = document.add("html");
    body = html->add("body");
    list = body->add("ul", {"menu"});
    for (int i = 0; i < 5; ++i) items.push_back(list->add("li", {"item"}));
    items[1]->classes.push_back("active");
    link = items[1]->add("a");
    link->attributes["href"] = "https://example.com/page";
    link->attributes["lang"] = "en-GB";
    link->attributes["class"] = "big  red";
    para = body->add("p");
    para->add_text();
    empty = body->add("div");
  }
  bool matches(std::string_view selector, const FakeNode* element) {
    auto list_ = read(selector);
    EXPECT_FALSE(list_.empty()) << selector;
    FakeAdapter adapter(atoms, html, focus);
    for (auto& s : list_) {
      if (selector_matches(s, element, adapter)) return true;
    }
    return false;
  }

  FakeNode document;
  FakeNode* html;
  FakeNode* body;
  FakeNode* list;
  std::vector<FakeNode*> items;
  FakeNode* link;
  FakeNode* para;
  FakeNode* empty;
  const FakeNode* focus = nullptr;
};

TEST_F(Matching, TypesClassesIdsAndCombinators) {
  EXPECT_TRUE(matches("li", items[0]));
  EXPECT_TRUE(matches("LI.item.active", items[1]));
  EXPECT_FALSE(matches("li.item.active", items[0]));
  EXPECT_TRUE(matches("ul > li", items[0]));
  EXPECT_FALSE(matches("body > li", items[0]));
  EXPECT_TRUE(matches("body li a", link));  // descendant with backtracking
  EXPECT_TRUE(matches("ul.menu li > a", link));
  EXPECT_FALSE(matches("ul > a", link));
  EXPECT_TRUE(matches("li.active + li", items[2]));
  EXPECT_FALSE(matches("li.active + li", items[3]));
  EXPECT_TRUE(matches("li.active ~ li", items[4]));
  EXPECT_FALSE(matches("li.active ~ li", items[0]));
  EXPECT_TRUE(matches("ul + p", para));
  EXPECT_TRUE(matches("html body p", para));
  EXPECT_FALSE(matches("#main", para));
}

TEST_F(Matching, StructuralPseudoClasses) {
  EXPECT_TRUE(matches("li:first-child", items[0]));
  EXPECT_FALSE(matches("li:first-child", items[1]));
  EXPECT_TRUE(matches("li:last-child", items[4]));
  EXPECT_TRUE(matches("a:only-child", link));
  EXPECT_TRUE(matches("div:empty", empty));
  EXPECT_FALSE(matches("p:empty", para));  // a text child counts
  EXPECT_TRUE(matches("p:first-of-type", para));
  EXPECT_TRUE(matches(":root", html));
  EXPECT_FALSE(matches(":root", body));
  EXPECT_TRUE(matches("li:nth-child(2n+1)", items[2]));
  EXPECT_FALSE(matches("li:nth-child(2n+1)", items[1]));
  EXPECT_TRUE(matches("li:nth-child(-n+3)", items[2]));
  EXPECT_FALSE(matches("li:nth-child(-n+3)", items[3]));
  EXPECT_TRUE(matches("li:nth-last-child(1)", items[4]));
  EXPECT_TRUE(matches("li:nth-child(n)", items[3]));
  EXPECT_TRUE(matches("div:nth-of-type(1)", empty));
  EXPECT_TRUE(matches("p:nth-last-of-type(1)", para));
}

TEST_F(Matching, StatePseudoClasses) {
  items[0]->state = 1 | 4;
  EXPECT_TRUE(matches("li:hover:focus", items[0]));
  EXPECT_FALSE(matches("li:active", items[0]));
  EXPECT_TRUE(matches("li:enabled", items[0]));
  items[0]->state = 8 | 0x10;
  EXPECT_TRUE(matches("li:disabled:checked", items[0]));
  EXPECT_FALSE(matches("li:enabled", items[0]));
  focus = link;
  EXPECT_TRUE(matches("ul:focus-within", list));
  EXPECT_FALSE(matches("p:focus-within", para));
}

TEST_F(Matching, Attributes) {
  EXPECT_TRUE(matches("a[href]", link));
  EXPECT_FALSE(matches("li[href]", items[0]));
  EXPECT_TRUE(matches("a[href^=https]", link));
  EXPECT_TRUE(matches("a[href$='/page']", link));
  EXPECT_TRUE(matches("a[href*=example]", link));
  EXPECT_FALSE(matches("a[href*=EXAMPLE]", link));
  EXPECT_TRUE(matches("a[href*=EXAMPLE i]", link));
  EXPECT_TRUE(matches("a[lang|=en]", link));
  EXPECT_FALSE(matches("a[lang|=e]", link));
  EXPECT_TRUE(matches("a[class~=red]", link));
  EXPECT_FALSE(matches("a[class~=re]", link));
  EXPECT_FALSE(matches("a[href^='']", link));  // an empty prefix never matches
}

TEST_F(Matching, NegationIsAndHas) {
  EXPECT_TRUE(matches("li:not(.active)", items[0]));
  EXPECT_FALSE(matches("li:not(.active)", items[1]));
  EXPECT_TRUE(matches(":is(p, div)", para));
  EXPECT_FALSE(matches(":is(li, div)", para));
  EXPECT_TRUE(matches("ul:has(a)", list));
  EXPECT_FALSE(matches("ul:has(> a)", list));
  EXPECT_TRUE(matches("ul:has(> li.active)", list));
  EXPECT_TRUE(matches("li:has(+ li)", items[0]));
  EXPECT_FALSE(matches("li:has(+ li)", items[4]));
  EXPECT_TRUE(matches("li.active:has(~ li:last-child)", items[1]));
  EXPECT_TRUE(matches("body:has(p)", body));
  EXPECT_FALSE(matches("p:has(a)", para));
}

TEST_F(Matching, GeneratedBoxesMatchOnlyTheirPseudoElement) {
  FakeNode* before = items[0]->add("::before");
  before->generated = 1;
  EXPECT_TRUE(matches("li.item::before", before));
  EXPECT_FALSE(matches("li.item::after", before));
  EXPECT_FALSE(matches("li.item", before));
  EXPECT_FALSE(matches("li::before", items[0]));
  // Generated boxes do not count as children or siblings.
  EXPECT_TRUE(matches("a:first-child", link));
}

}  // namespace
}  // namespace orlan::css
