// The cascade, grouped by mechanism: user-agent defaults, the order of matched
// declarations, var() substitution and its limits, units and calc(), inheritance and the
// fix-ups, generated boxes and list markers.

#include <gtest/gtest.h>

#include <string>

#include "style_test_support.h"

namespace orlan {
namespace {

using testing::StyledPage;
namespace kw = css::kw;

std::string body(std::string_view inner) {
  return "<html><body>" + std::string(inner) + "</body></html>";
}

// ---- User-agent sheet ----

TEST(UserAgentDefaults, ElementsWithoutRulesAreInlineWithInitialValues) {
  StyledPage page(body("<span id=s>x</span><li id=l>y</li>"), "");
  const ComputedStyle& s = page.style("s");
  EXPECT_EQ(s.display, Display::kInline);
  EXPECT_EQ(s.width, StyleLength::automatic());
  EXPECT_EQ(s.max_width, StyleLength::none());
  EXPECT_EQ(s.color, 0xFF000000u);
  EXPECT_FLOAT_EQ(s.font_size, 16);
  EXPECT_EQ(page.doc().atoms.text(s.font_family), "sans-serif");
  EXPECT_EQ(s.line_height, (StyleLength{1.2f, kStyleNone}));
  EXPECT_TRUE(s.z_index_auto);
  EXPECT_EQ(s.outline_color, kCurrentColor);
  const ComputedStyle& li = page.style("l");
  EXPECT_EQ(li.display, Display::kBlock) << "list-item gives block";
  EXPECT_EQ(li.list_style_type, kw::None) << "no list around it: no marker type";
  Node* l = page.id("l");
  EXPECT_EQ(l->first_child->generated, 0) << "no ::marker box";
  EXPECT_FLOAT_EQ(page.style("l").margin[kTop].value, 0);
}

TEST(UserAgentDefaults, NestedListsTakeCircleThenSquare) {
  StyledPage page(
      body("<ul><li id=a>a<ol><li id=b>b<ul><li id=c>c<ul><li id=d>d</ul></ul></ol></ul>"
           "<ul><li>x<ul><li>y<ul><li id=e>z</ul></ul></ul>"),
      "");
  EXPECT_EQ(page.style("a").list_style_type, kw::Disc);
  EXPECT_EQ(page.style("b").list_style_type, kw::Decimal);
  EXPECT_EQ(page.style("c").list_style_type, kw::Circle) << "\"ol ul\" matches";
  EXPECT_EQ(page.style("d").list_style_type, kw::Square);
  EXPECT_EQ(page.style("e").list_style_type, kw::Square) << "\"ul ul ul\"";
}

TEST(UserAgentDefaults, HeadingsFormsAndTables) {
  StyledPage page(body("<h1 id=h>t</h1><input id=i><input type=checkbox id=c><table id=t><tr>"
                       "<td id=d>x</td></tr></table><button disabled id=b>b</button>"),
                  "");
  EXPECT_FLOAT_EQ(page.style("h").font_size, 32);
  EXPECT_FLOAT_EQ(page.style("h").margin[kTop].value, 0.67f * 32);
  EXPECT_FLOAT_EQ(page.style("h").font_weight, 700);
  EXPECT_EQ(page.style("i").display, Display::kInlineBlock);
  EXPECT_FLOAT_EQ(page.style("i").border_width[kLeft], 1);
  EXPECT_EQ(page.style("c").width, StyleLength::px(14));
  EXPECT_EQ(page.style("c").padding[kLeft], StyleLength::px(0));
  EXPECT_EQ(page.style("t").display, Display::kTable);
  EXPECT_EQ(page.style("d").display, Display::kTableCell);
  EXPECT_EQ(page.style("d").vertical_align, kw::Middle);
  EXPECT_FLOAT_EQ(page.style("b").opacity, 0.5f);
}

// ---- Order of application ----

TEST(CascadeOrder, OriginImportanceSpecificityAndOrder) {
  struct Case {
    const char* css;
    const char* html;
    std::uint32_t color;
  };
  const Case cases[] = {
      {"p{color:#010101} p{color:#020202}", "<p id=x>", 0xFF020202},
      {"#x{color:#010101} p{color:#020202}", "<p id=x>", 0xFF010101},
      {".a.b{color:#010101} p.a{color:#020202}", "<p id=x class='a b'>", 0xFF010101},
      {"p{color:#010101 !important} #x{color:#020202}", "<p id=x>", 0xFF010101},
      {"p{color:#010101}", "<p id=x style='color:#030303'>", 0xFF030303},
      {"p{color:#010101 !important}", "<p id=x style='color:#030303'>", 0xFF010101},
      {"p{color:#010101 !important}", "<p id=x style='color:#030303 !important'>", 0xFF030303},
      // An important user-agent declaration still loses to an important author one.
      {"mark{color:#040404 !important}", "<mark id=x>", 0xFF040404},
      // The highest matching selector of a list counts.
      {"#x, p {color:#010101} p.a{color:#020202}", "<p id=x class=a>", 0xFF010101},
      {"@media (max-width: 100px) { p{color:#010101} } p{color:#020202}", "<p id=x>", 0xFF020202},
      {"@media (min-width: 100px) { #x{color:#010101} } p{color:#020202}", "<p id=x>", 0xFF010101},
      {":is(.q, p){color:#010101} p{color:#020202}", "<p id=x>", 0xFF010101},
  };
  for (const Case& c : cases) {
    StyledPage page(body(c.html), c.css);
    EXPECT_EQ(page.style("x").color, c.color) << c.css << " / " << c.html;
  }
}

TEST(CascadeOrder, FontSizeAppliesBeforeEmLengthsWhateverTheOrder) {
  StyledPage page(body("<div id=x>"), "#x{margin-top:2em} div{font-size:10px} #x{font-size:20px}");
  EXPECT_EQ(page.style("x").margin[kTop], StyleLength::px(40));
}

TEST(CascadeOrder, MoreThan256MatchingRulesAreDropped) {
  std::string css;
  for (int i = 0; i < 300; ++i) css += "div{width:" + std::to_string(i) + "px}";
  StyledPage page(body("<div id=x>"), css);
  // One user-agent rule and the first 255 author rules make the 256 kept matches.
  EXPECT_EQ(page.style("x").width, StyleLength::px(254));
}

// ---- var() ----

TEST(VarSubstitution, FallbacksNestingAndFailures) {
  std::string chain = ":root{--v9:7px";
  for (int i = 8; i >= 1; --i)
    chain += ";--v" + std::to_string(i) + ":var(--v" + std::to_string(i + 1) + ")";
  chain += ";--w8:3px}";
  for (int i = 7; i >= 1; --i)
    chain += ":root{--w" + std::to_string(i) + ":var(--w" + std::to_string(i + 1) + ")}";
  struct Case {
    const char* rule;
    StyleLength width;
  };
  const Case cases[] = {
      {"#x{width:var(--nope, 5px)}", StyleLength::px(5)},
      {"#x{width:var(--nope)}", StyleLength::automatic()},
      {"#x{width:var(--w1)}", StyleLength::px(3)},        // eight levels
      {"#x{width:var(--v1)}", StyleLength::automatic()},  // nine levels: dropped
      {"#x{width:var(--a, var(--b, 6px))}", StyleLength::px(6)},
      {"#x{width:var(--w8}", StyleLength::automatic()},  // missing ")"
      {"#x{--self:var(--self);width:var(--self, 4px)}", StyleLength::automatic()},
      {"#x{width:calc(var(--w8) * 2)}", StyleLength::px(6)},
      {"#x{margin:var(--w8) 0}", StyleLength::automatic()},
  };
  for (const Case& c : cases) {
    StyledPage page(body("<div id=x>"), chain + c.rule);
    EXPECT_EQ(page.style("x").width, c.width) << c.rule;
  }
  StyledPage page(body("<div id=x>"), chain + "#x{margin:var(--w8) 0 var(--v8)}");
  EXPECT_EQ(page.style("x").margin[kTop], StyleLength::px(3)) << "deferred shorthand";
  EXPECT_EQ(page.style("x").margin[kBottom], StyleLength::px(7));
}

TEST(VarSubstitution, ExponentialReferencesAreCutOff) {
  // Ten references per level would give 10^8 copies of the innermost text.
  std::string css = ":root{--l0:xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx";
  for (int level = 1; level <= 8; ++level) {
    css += ";--l" + std::to_string(level) + ":";
    for (int k = 0; k < 10; ++k) css += "var(--l" + std::to_string(level - 1) + ")";
  }
  css += "} #x{width:var(--l8); height:var(--l2, 1px); font-family:var(--l2)}";
  StyledPage page(body("<div id=x>"), css);
  EXPECT_EQ(page.style("x").width, StyleLength::automatic());
  EXPECT_EQ(page.doc().atoms.text(page.style("x").font_family).size(), 3000u)
      << "100 copies are fine";
}

TEST(VarSubstitution, CustomPropertiesInheritAndTheParentsListStaysIntact) {
  StyledPage page(
      body("<div id=p style='--a:1px'><div id=c style='--b:2px;width:var(--a)'></div></div>"), "");
  const ComputedStyle& p = page.style("p");
  const ComputedStyle& c = page.style("c");
  EXPECT_EQ(p.custom_property_count, 1);
  EXPECT_EQ(c.custom_property_count, 2);
  EXPECT_EQ(c.width, StyleLength::px(1));
  Atom a = page.doc().atoms.lookup("--a");
  ASSERT_NE(find_custom_property(c, a), nullptr);
  EXPECT_EQ(std::string_view(find_custom_property(c, a)->text, 3), "1px");
}

// ---- Units and calc() ----

TEST(Units, ResolvedWhileApplying) {
  struct Case {
    const char* rule;
    StyleLength width;
  };
  const Case cases[] = {
      {"#x{font-size:10px;width:3em}", StyleLength::px(30)},
      {"html{font-size:20px} #x{font-size:10px;width:2rem}", StyleLength::px(40)},
      {"#x{width:10vw}", StyleLength::px(80)},
      {"#x{width:50vh}", StyleLength::px(300)},
      {"#x{width:25%}", StyleLength::percent(25)},
      {"#x{width:calc(100% - 10px)}", make_mixed_length(-10, 100, MixedOp::kSum)},
      {"#x{width:calc(2em + 4px)}", StyleLength::px(36)},
      {"#x{width:min(10px, 20px)}", StyleLength::px(10)},
      {"#x{width:max(10%, 20%)}", StyleLength::percent(20)},
      {"#x{width:min(100px, 50%)}", make_mixed_length(100, 50, MixedOp::kMin)},
      {"#x{width:max(50%, 100px)}", make_mixed_length(100, 50, MixedOp::kMax)},
      {"#x{width:min(10px + 5%, 20px)}", StyleLength::automatic()},  // dropped
      {"#x{width:clamp(10px, 50px, 30px)}", StyleLength::px(30)},
      {"#x{width:clamp(10%, 5%, 30%)}", StyleLength::percent(10)},
      {"#x{width:clamp(10px, 5%, 30px)}", StyleLength::automatic()},  // dropped
  };
  for (const Case& c : cases) {
    StyledPage page(body("<div id=x>"), std::string("body{font-size:16px}") + c.rule);
    EXPECT_EQ(page.style("x").width, c.width) << c.rule;
  }
}

TEST(Units, FontSizeRelativeToTheParentAndLineHeight) {
  StyledPage page(
      body(
          "<div id=p style='font-size:20px'><div id=a style='font-size:150%'></div>"
          "<div id=b style='font-size:0.5em;line-height:150%'></div>"
          "<div id=c style='line-height:2'></div><div id=d style='line-height:1.5em'></div></div>"),
      "");
  EXPECT_FLOAT_EQ(page.style("a").font_size, 30);
  EXPECT_FLOAT_EQ(page.style("b").font_size, 10);
  // A percentage line-height is value / 100 x font-size, not value x font-size.
  EXPECT_EQ(page.style("b").line_height, StyleLength::px(15));
  EXPECT_EQ(page.style("c").line_height, (StyleLength{2, kStyleNone}));
  EXPECT_EQ(page.style("d").line_height, StyleLength::px(30));
  EXPECT_FLOAT_EQ(resolve_line_height(page.style("c").line_height, page.style("c").font_size), 40);
}

TEST(Units, ViewportUnitsMarkTheDocumentViewportDependent) {
  StyledPage plain(body("<div id=x style='width:10px'>"), "");
  EXPECT_FALSE(plain.doc().viewport_queried);
  StyledPage page(body("<div id=x style='width:10vw'>"), "");
  EXPECT_TRUE(page.doc().viewport_queried);
  set_viewport(page.doc(), 400, 300);
  page.pass();
  EXPECT_EQ(page.style("x").width, StyleLength::px(40)) << "a viewport change restyles";
}

// ---- Inheritance, keywords and fix-ups ----

// "flow-root" is display block with a flag; the wide keywords carry both.
TEST(Inheritance, WideKeywordsOnDisplayCarryFlowRoot) {
  StyledPage page(body("<div id=p style='display:flow-root'><div id=i style='display:inherit'>"
                       "</div><div id=n style='display:flow-root;display:initial'></div>"
                       "<div id=u style='display:flow-root;display:unset'></div></div>"),
                  "");
  EXPECT_TRUE(page.style("p").flow_root);
  EXPECT_EQ(page.style("i").display, Display::kBlock);
  EXPECT_TRUE(page.style("i").flow_root);
  EXPECT_EQ(page.style("n").display, Display::kInline);
  EXPECT_FALSE(page.style("n").flow_root);
  EXPECT_EQ(page.style("u").display, Display::kInline);
  EXPECT_FALSE(page.style("u").flow_root);
}

TEST(Inheritance, WideKeywordsAndBorderColoursFollowingColor) {
  StyledPage page(
      body("<div id=p style='color:#112233;border:2px solid;margin:3px'>"
           "<span id=i style='margin:inherit;color:initial'></span>"
           "<span id=u style='margin-top:unset;color:unset;border-top-color:inherit'></span>"
           "<span id=c style='border-left-color:currentcolor;color:#445566'></span></div>"),
      "");
  const ComputedStyle& p = page.style("p");
  EXPECT_EQ(p.border_color[kTop], 0xFF112233u) << "unset sides take color";
  EXPECT_EQ(page.style("i").margin[kLeft], StyleLength::px(3));
  EXPECT_EQ(page.style("i").color, 0xFF000000u);
  EXPECT_EQ(page.style("u").margin[kTop], StyleLength::px(0));
  EXPECT_EQ(page.style("u").color, 0xFF112233u);
  EXPECT_EQ(page.style("u").border_color[kTop], 0xFF112233u);
  EXPECT_EQ(page.style("c").border_color[kLeft], 0xFF112233u)
      << "currentcolor is the colour at that moment (still the inherited one)";
  EXPECT_EQ(page.style("c").border_color[kRight], 0xFF445566u);

  // Changing color changes the border colours that were never set.
  Node* pn = page.id("p");
  set_attribute(pn, "style", 5, "color:#0000ff;border:2px solid", 30);
  page.pass();
  EXPECT_EQ(page.style("p").border_color[kBottom], 0xFF0000FFu);
  EXPECT_EQ(page.style("u").color, 0xFF0000FFu) << "inherited values follow";
}

TEST(FixUps, FloatsAbsolutesAndBorderStyleNone) {
  struct Case {
    const char* style;
    Display display;
  };
  const Case cases[] = {
      {"float:left", Display::kBlock},
      {"float:left;display:inline-flex", Display::kFlex},
      {"float:right;display:table-cell", Display::kBlock},
      {"float:left;display:inline-table", Display::kTable},
      {"position:absolute", Display::kBlock},
      {"position:fixed;display:inline-grid", Display::kInlineGrid},
      {"position:absolute;display:table-row", Display::kBlock},
      {"position:relative", Display::kInline},
      {"display:flow-root", Display::kBlock},
      {"display:-webkit-box", Display::kBlock},
      {"display:table-header-group", Display::kTableRowGroup},
      {"display:table-column-group", Display::kTableColumn},
  };
  for (const Case& c : cases) {
    StyledPage page(body(std::string("<span id=x style='") + c.style + "'>"), "");
    EXPECT_EQ(page.style("x").display, c.display) << c.style;
  }
  StyledPage page(body("<div id=x style='border-width:3px'><div id=y style='border:3px dashed'>"),
                  "");
  EXPECT_FLOAT_EQ(page.style("x").border_width[kTop], 0) << "no border style: no width";
  EXPECT_FLOAT_EQ(page.style("y").border_width[kTop], 3);
  EXPECT_EQ(page.style("y").border_style, kw::Dashed);
}

TEST(Values, ListsAndKeywordsReachTheirFields) {
  StyledPage page(
      body("<div id=x style='transform:translate(5px,1em) rotate(10deg);"
           "transition:opacity 100ms;z-index:3;opacity:.5;grid-template-columns:1fr 2em 30%;"
           "grid-column:2 / span 3;box-shadow:0 1px 2px red;line-clamp:400;"
           "background:url(a.png) no-repeat;filter:drop-shadow(1px 1px 2px currentcolor);"
           "color:#00ff00;content:\"hi\";text-decoration:underline;aspect-ratio:16/9'>"),
      "");
  const ComputedStyle& s = page.style("x");
  ASSERT_EQ(s.transform_count, 2);
  EXPECT_EQ(s.transform[1].kind, css::TransformKind::Rotate);
  ASSERT_EQ(s.transition_count, 1);
  EXPECT_FLOAT_EQ(s.transition[0].duration, 100);
  EXPECT_EQ(s.z_index, 3);
  EXPECT_FALSE(s.z_index_auto);
  ASSERT_EQ(s.grid_template_column_count, 3);
  EXPECT_EQ(s.grid_template_columns[0].max, (StyleLength{1, kStyleFr}));
  EXPECT_EQ(s.grid_template_columns[1].min, StyleLength::px(32));
  EXPECT_EQ(s.grid_template_columns[2].min, StyleLength::percent(30));
  EXPECT_EQ(s.grid_column_start, 2);
  EXPECT_EQ(s.grid_column_end, -3);
  EXPECT_EQ(s.box_shadow_count, 1);
  EXPECT_EQ(s.line_clamp, 255);
  ASSERT_EQ(s.background_layer_count, 1);
  EXPECT_EQ(page.doc().atoms.text(s.background_layers[0].image), "a.png");
  EXPECT_EQ(s.background_layers[0].repeat, kw::NoRepeat);
  ASSERT_EQ(s.filter_count, 1);
  EXPECT_EQ(s.filter[0].color, 0xFF00FF00u) << "currentcolor in a filter takes color";
  EXPECT_TRUE(s.content_present);
  EXPECT_EQ(s.text_decoration, css::kDecorationUnderline);
  EXPECT_NEAR(s.aspect_ratio, 16.0f / 9, 1e-5);
}

// ---- Generated boxes ----

std::string marker_of(Node* li) {
  Node* m = li ? li->first_child : nullptr;
  if (!m || m->generated != kGeneratedMarker || !m->first_child) return "(none)";
  return std::string(node_text(*m->first_child));
}

TEST(Markers, TextsOrdinalsAndStart) {
  struct Case {
    const char* list;
    int item;  // 1-based
    const char* text;
  };
  const Case cases[] = {
      {"<ol>", 2, "2."},
      {"<ol start=3>", 1, "3."},
      {"<ol start=' -2x'>", 1, "-2."},
      {"<ol start=99999999999999999999>", 2, "2147483648."},
      {"<ol start=-99999999999999999999>", 1, "-2147483648."},
      {"<ol start=abc>", 1, "1."},
      {"<ol style='list-style-type:lower-alpha' start=27>", 1, "aa."},
      {"<ol style='list-style-type:upper-alpha' start=702>", 1, "ZZ."},
      {"<ol style='list-style-type:lower-roman' start=1994>", 1, "mcmxciv."},
      {"<ol style='list-style-type:upper-roman' start=4000>", 1, "?."},
      {"<ol style='list-style-type:upper-roman' start=0>", 1, "?."},
      {"<ul>", 1, "\xE2\x80\xA2"},
      {"<ul style='list-style-type:square'>", 1, "\xE2\x96\xAA"},
      {"<ul style='list-style-type:circle'>", 1, "\xE2\x97\xA6"},
      {"<ul style='list-style:none'>", 1, "(none)"},
  };
  for (const Case& c : cases) {
    StyledPage page(body(std::string(c.list) + "<li id=i1>a</li><li id=i2>b</li></ol>"), "");
    EXPECT_EQ(marker_of(page.id(c.item == 1 ? "i1" : "i2")), c.text) << c.list;
  }
}

// A walk numbers the items of a list one after the other; what it remembered is not
// trusted by the next walk, after which items may have come and gone.
TEST(Markers, NumberingFollowsTheListAcrossWalks) {
  std::string items;
  for (int i = 1; i <= 300; ++i) items += "<li id=i" + std::to_string(i) + ">x</li>";
  StyledPage page(body("<ol><li id=other>y</li></ol><ol id=l>" + items + "</ol>"), "");
  EXPECT_EQ(marker_of(page.id("i1")), "1.");
  EXPECT_EQ(marker_of(page.id("i150")), "150.");
  EXPECT_EQ(marker_of(page.id("i300")), "300.");
  EXPECT_EQ(marker_of(page.id("other")), "1.");

  Node* list = page.id("l");
  remove(page.id("i1"));
  Node* added = create_element(&page.doc(), "li", 2);
  append_child(list, added);
  page.pass();
  EXPECT_EQ(marker_of(added), "300.") << "299 items stay before it";

  set_attribute(list, "start", 5, "10", 2);
  set_attribute(list, "style", 5, "color:red", 9);
  page.pass();
  EXPECT_EQ(marker_of(page.id("i2")), "10.");
  EXPECT_EQ(marker_of(added), "309.");
}

TEST(Markers, BoxStyleFollowsListStylePosition) {
  StyledPage page(
      body("<ul style='font-size:10px'><li id=o>a</ul><ul style='list-style-position:inside'>"
           "<li id=n>b</ul>"),
      "");
  Node* outside = page.id("o")->first_child;
  ASSERT_EQ(outside->generated, kGeneratedMarker);
  EXPECT_EQ(outside->style->display, Display::kBlock);
  EXPECT_EQ(outside->style->float_, kw::Left);
  EXPECT_EQ(outside->style->width, StyleLength::px(20));
  EXPECT_EQ(outside->style->margin[kLeft], StyleLength::px(-24));
  Node* inside = page.id("n")->first_child;
  EXPECT_EQ(inside->style->display, Display::kInline);
  EXPECT_EQ(inside->first_child->style, inside->style) << "the marker text uses the marker's style";
  // A new item before renumbers the ones after it.
  Node* ol = page.id("o")->parent;
  Node* li = create_element(&page.doc(), "li", 2);
  insert(ol, li, page.id("o"));
  set_attribute(ol, "style", 5, "list-style-type:decimal", 23);
  page.pass();
  EXPECT_EQ(marker_of(li), "1.");
  EXPECT_EQ(marker_of(page.id("o")), "2.");
}

TEST(GeneratedBoxes, BeforeAndAfterExistWhileTheyHaveContent) {
  StyledPage page(
      body("<p id=p class=q>text</p><p id=e></p>"),
      ".q::before{content:'<';color:red} .q::after{content:'>'} p:empty::after{content:'-'}");
  Node* p = page.id("p");
  ASSERT_EQ(p->first_child->generated, kGeneratedBefore);
  EXPECT_EQ(node_text(*p->first_child->first_child), "<");
  EXPECT_EQ(p->first_child->style->color, 0xFFFF0000u);
  ASSERT_EQ(p->last_child->generated, kGeneratedAfter);
  EXPECT_EQ(node_text(*p->last_child->first_child), ">");
  EXPECT_EQ(page.id("e")->last_child->generated, kGeneratedAfter);
  // Appending keeps ::after last; losing the class removes both boxes.
  Node* b = create_element(&page.doc(), "b", 1);
  append_child(p, b);
  EXPECT_EQ(p->last_child->generated, kGeneratedAfter);
  remove_class(p, "q", 1);
  page.pass();
  EXPECT_EQ(p->first_child->generated, 0);
  EXPECT_EQ(p->last_child, b);
  // Text content replaced: the generated boxes of :empty follow.
  Node* e = page.id("e");
  set_text_content(e, "now", 3);
  page.pass();
  EXPECT_EQ(e->last_child->generated, 0);
  EXPECT_EQ(e->last_child->style, e->style);
}

TEST(PseudoColours, PlaceholderAndSelection) {
  StyledPage page(body("<input id=i><div id=d>x</div>"),
                  ":root{--sel:#102030} input::placeholder{color:#aaaaaa} "
                  "::selection{background-color:var(--sel);color:#fff}");
  EXPECT_EQ(page.style("i").placeholder_color, 0xFFAAAAAAu);
  EXPECT_EQ(page.style("d").selection_background, 0xFF102030u);
  EXPECT_EQ(page.style("d").selection_color, 0xFFFFFFFFu);
  EXPECT_EQ(page.style("d").placeholder_color, 0u);
}

}  // namespace
}  // namespace orlan
