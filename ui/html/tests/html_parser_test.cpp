#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "document.h"
#include "event.h"
#include "html_parser.h"
#include "last_error.h"
#include "orlan/orlan.h"
#include "view.h"

using namespace orlan;

namespace {

// The tree as one line: elements as tag(children), attributes in written order as
// [name=value], text in quotes.
std::string dump(const Node* n) {
  if (n->is_text()) return "\"" + std::string(node_text(*n)) + "\"";
  std::string out(n->document->atoms.text(n->tag));
  std::vector<const Attribute*> attributes;
  for (const Attribute* a = n->attributes; a; a = a->next) attributes.insert(attributes.begin(), a);
  for (const Attribute* a : attributes)
    out += "[" + std::string(n->document->atoms.text(a->name)) + "=" +
           std::string(a->value, a->length) + "]";
  if (n->first_child) {
    out += "(";
    for (const Node* c = n->first_child; c; c = c->next_sibling) {
      if (c != n->first_child) out += " ";
      out += dump(c);
    }
    out += ")";
  }
  return out;
}

class Html : public ::testing::Test {
 protected:
  void SetUp() override {
    view = create_view();
    ASSERT_NE(view, nullptr);
    doc = document(view);
  }
  void TearDown() override {
    fail_system_allocations_after(-1);
    destroy_view(view);
  }
  std::string parse(std::string_view text) {
    EXPECT_EQ(load_html(view, text.data(), text.size()), kOk);
    return tree();
  }
  std::string tree() {
    std::string out;
    for (Node* c = doc->root->first_child; c; c = c->next_sibling) out += dump(c);
    return out;
  }
  Node* by_id(const char* id) { return get_element_by_id(doc, id, std::strlen(id)); }

  View* view = nullptr;
  Document* doc = nullptr;
};

// ---- Implied html, head and body ----

TEST_F(Html, EmptyInputGivesHtmlWithEmptyBodyAndNoHead) {
  EXPECT_EQ(parse(""), "html(body)");
  EXPECT_EQ(doc->head, nullptr);
  EXPECT_NE(doc->body, nullptr);
  EXPECT_EQ(document_element(doc), doc->html);
  EXPECT_EQ(load_html(view, nullptr, 0), kOk);
  EXPECT_EQ(tree(), "html(body)");
  EXPECT_EQ(parse(" \n\t"), "html(body)");
}

TEST_F(Html, TextBeforeAnyTagGoesIntoBody) {
  EXPECT_EQ(parse("hello"), "html(body(\"hello\"))");
}

TEST_F(Html, TitleBeforeAnythingCreatesHeadAndDivOpensBody) {
  EXPECT_EQ(parse("<title>T</title><div>x</div>after"),
            "html(head(title(\"T\")) body(div(\"x\") \"after\"))");
}

TEST_F(Html, HeadIsInsertedBeforeAnExistingBody) {
  EXPECT_EQ(parse("<body></body><title>T</title>"), "html(head(title(\"T\")) body)");
}

TEST_F(Html, WhitespaceBetweenHeadAndBodyIsDroppedButTextIsKept) {
  EXPECT_EQ(parse("<html><head></head> \n <body>x</body></html>"), "html(head body(\"x\"))");
  EXPECT_EQ(parse("<html><head></head>hey<body>x"), "html(head body(\"hey\" \"x\"))");
}

TEST_F(Html, NonHeadTagClosesAnOpenHead) {
  EXPECT_EQ(parse("<head><meta charset=utf-8><p>x"),
            "html(head(meta[charset=utf-8]) body(p(\"x\")))");
}

TEST_F(Html, StructuralTagsTakeTheirAttributes) {
  EXPECT_EQ(parse("<html lang=ko><head id=h><body class=b>x"),
            "html[lang=ko](head[id=h] body[class=b](\"x\"))");
  EXPECT_EQ(parse("<body a=1><body a=2 b=3>"), "html(body[a=2][b=3])");
}

TEST_F(Html, EndBodyThenTextReopensBody) {
  EXPECT_EQ(parse("<body><p>a</p></body></html> \n"), "html(body(p(\"a\")))");
  EXPECT_EQ(parse("<body><p>a</p></body>tail"), "html(body(p(\"a\") \"tail\"))");
}

// ---- Text and comments ----

TEST_F(Html, CommentDoesNotSplitText) {
  EXPECT_EQ(parse("<body>a<!-- c -->b</body>"), "html(body(\"ab\"))");
  EXPECT_EQ(parse("<p>a<!-- never closed"), "html(body(p(\"a\")))");
}

TEST_F(Html, DeclarationsAndProcessingInstructionsAreSkipped) {
  EXPECT_EQ(parse("<!DOCTYPE html><?xml version=\"1.0\"?><p>x"), "html(body(p(\"x\")))");
  EXPECT_EQ(parse("<p>x<!"), "html(body(p(\"x\")))");
}

TEST_F(Html, StrayLessThanStaysInText) {
  EXPECT_EQ(parse("<p>a < b 1<2 <</p>"), "html(body(p(\"a < b 1<2 <\")))");
  EXPECT_EQ(parse("<p>x<"), "html(body(p(\"x<\")))");
  EXPECT_EQ(parse("<p>&lt<3</p>"), "html(body(p(\"&lt<3\")))");
}

// ---- Character references ----

TEST_F(Html, NamedReferencesAreTheSixAndCaseSensitive) {
  EXPECT_EQ(parse("<p>&amp;&lt;&gt;&quot;&apos;&nbsp;</p>"), "html(body(p(\"&<>\"'\xC2\xA0\")))");
  EXPECT_EQ(parse("<p>&AMP; &amp &copy; &abcdefghij; &;</p>"),
            "html(body(p(\"&AMP; &amp &copy; &abcdefghij; &;\")))");
}

TEST_F(Html, NumericReferences) {
  EXPECT_EQ(parse("<p>&#65;&#x42;&#X43;&#x1F600;</p>"), "html(body(p(\"ABC\xF0\x9F\x98\x80\")))");
  EXPECT_EQ(parse("<p>&#0;</p>"), "html(body(p(\"\xEF\xBF\xBD\")))");
  EXPECT_EQ(parse("<p>&#x110000;|&#x10FFFF;</p>"),
            "html(body(p(\"&#x110000;|\xF4\x8F\xBF\xBF\")))");
  EXPECT_EQ(parse("<p>&#xD800;&#55296;</p>"), "html(body(p(\"&#xD800;&#55296;\")))");
  EXPECT_EQ(parse("<p>&#;&#x;&#65</p>"), "html(body(p(\"&#;&#x;&#65\")))");
  EXPECT_EQ(parse("<p>&#99999999999999999999;</p>"), "html(body(p(\"&#99999999999999999999;\")))");
}

TEST_F(Html, ReferencesNeedThreeBytesAndSplitAtEveryAmpersand) {
  EXPECT_EQ(parse("<p>&&amp;&a</p>"), "html(body(p(\"&&&a\")))");
  EXPECT_EQ(parse("&a"), "html(body(\"&a\"))");
}

TEST_F(Html, ReferencesAreDecodedInAttributeValues) {
  EXPECT_EQ(parse("<a title=\"x&amp;y\" b='&lt;' c=&gt;>"), "html(body(a[title=x&y][b=<][c=>]))");
}

// ---- Attributes ----

TEST_F(Html, AttributeForms) {
  EXPECT_EQ(parse("<div A=1 b = '2' c=\"3 > 4\" d e=f/g>"),
            "html(body(div[a=1][b=2][c=3 > 4][d=][e=f/g]))");
  EXPECT_EQ(parse("<div =x a=1 a=2>"), "html(body(div[x=][a=2]))");
}

TEST_F(Html, UnterminatedQuotedValueRunsToTheEnd) {
  EXPECT_EQ(parse("<div title=\"open <b>bold"), "html(body(div[title=open <b>bold]))");
}

TEST_F(Html, SpecialAttributesTakeEffect) {
  parse("<div id=main class=\"a b a\" disabled><input type=radio checked></div>");
  Node* main = by_id("main");
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(has_class(main, "b", 1));
  EXPECT_EQ(main->class_count, 2);
  EXPECT_TRUE(main->state & kStateDisabled);
  Node* input = first_child(main);
  EXPECT_EQ(input->control, ControlKind::kRadio);
  EXPECT_TRUE(is_checked(input));
}

// ---- Void, self-closing and raw-text elements ----

TEST_F(Html, SelfClosingCheckboxIsNotPushed) {
  EXPECT_EQ(parse("<input type=checkbox checked/><span>s</span>"),
            "html(body(input[type=checkbox][checked=] span(\"s\")))");
  Node* input = doc->body->first_child;
  EXPECT_EQ(input->control, ControlKind::kCheckbox);
  EXPECT_TRUE(is_checked(input));
}

TEST_F(Html, VoidAndSelfClosedElementsStayLeaves) {
  EXPECT_EQ(parse("<p>a<br>b<div/>c<img src=x>d</p>"),
            "html(body(p(\"a\" br \"b\" div \"c\" img[src=x] \"d\")))");
  EXPECT_EQ(parse("<p / x>t"), "html(body(p[x=](\"t\")))");
}

TEST_F(Html, ScriptTextRunsToItsOwnEndTagOnly) {
  EXPECT_EQ(parse("<script>if (a</b>c) x = '</scriptx>' &amp;</SCRIPT >after"),
            "html(head(script(\"if (a</b>c) x = '</scriptx>' &amp;\")) body(\"after\"))");
}

TEST_F(Html, EscapableRawTextDecodesReferences) {
  EXPECT_EQ(parse("<body><textarea id=t>&lt;b&gt; </textarea>x"),
            "html(body(textarea[id=t](\"<b> \") \"x\"))");
  EXPECT_EQ(parse("<body><textarea></textarea>"), "html(body(textarea))");
}

TEST_F(Html, UnterminatedRawTextRunsToTheEnd) {
  EXPECT_EQ(parse("<style>p { color: red }</sty"),
            "html(head(style(\"p { color: red }</sty\")) body)");
  EXPECT_EQ(parse("<body><textarea>abc</textarea"), "html(body(textarea(\"abc\")))");
}

// ---- End tags ----

TEST_F(Html, EndTagInCapitalsClosesTheOpenElement) {
  EXPECT_EQ(parse("<div><span>a</SPAN>b</div>"), "html(body(div(span(\"a\") \"b\")))");
}

TEST_F(Html, EndTagClosesEverythingAboveItsElement) {
  EXPECT_EQ(parse("<div><p><b>x</div>y"), "html(body(div(p(b(\"x\"))) \"y\"))");
}

TEST_F(Html, UnmatchedAndUnknownEndTagsAreIgnored) {
  EXPECT_EQ(parse("<div>a</p>b</never-seen>c</div>"), "html(body(div(\"a\" \"b\" \"c\")))");
  EXPECT_EQ(parse("<div>a</ div>b"), "html(body(div(\"ab\")))");
  EXPECT_EQ(parse("<div>a</"), "html(body(div(\"a\")))");
}

// ---- Limits ----

TEST_F(Html, NestingBeyond256OpenElementsAppendsSiblings) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "<div>";
  parse(text);
  // html and body take two of the 256 entries, so 254 divs nest.
  Node* n = doc->body;
  int depth = 0;
  while (n->last_child && n->last_child->first_child) {
    n = n->last_child;
    ++depth;
  }
  n = n->last_child ? n : n->parent;
  EXPECT_EQ(depth, 254);
  int siblings = 0;
  for (Node* c = n->first_child; c; c = c->next_sibling) ++siblings;
  EXPECT_EQ(siblings, 300 - 254);
}

TEST_F(Html, LongUnknownTagNamesAreKept) {
  std::string name(40, 'x');
  EXPECT_EQ(parse("<" + name + ">t</" + name + ">u"), "html(body(" + name + "(\"t\") \"u\"))");
  Node* e = doc->body->first_child;
  EXPECT_EQ(e->tag_id, -1);
}

// ---- Whole loads ----

TEST_F(Html, LoadReplacesTheWholeTree) {
  parse("<div id=first>1</div>");
  ASSERT_NE(by_id("first"), nullptr);
  std::uint32_t live = doc->live_nodes;
  parse("<div id=second>2</div>");
  EXPECT_EQ(by_id("first"), nullptr);
  EXPECT_NE(by_id("second"), nullptr);
  EXPECT_EQ(doc->live_nodes, live);
}

TEST_F(Html, LoadHtmlRejectsBadArguments) {
  EXPECT_EQ(load_html(nullptr, "x", 1), kBadArgument);
  EXPECT_STREQ(last_error(), "load_html: bad argument");
  set_last_error("x");
  EXPECT_EQ(load_html(view, nullptr, 4), kBadArgument);
  EXPECT_STREQ(last_error(), "load_html: bad argument");
}

TEST_F(Html, LoadMarksTheDocumentOnceAndKeepsInactiveState) {
  static int calls;
  calls = 0;
  doc->invalidate = [](Document*, void*) { ++calls; };
  doc->window_inactive = true;
  parse("<p id=p>x</p>");
  EXPECT_EQ(calls, 3) << "clearing, the inactive class and the final marking";
  EXPECT_EQ(doc->root->dirty & kDirtyAll, kDirtyAll);
  EXPECT_TRUE(doc->needs_style_and_layout);
  EXPECT_TRUE(has_class(doc->html, "ui-window-inactive", 18));
  EXPECT_EQ(by_id("p")->dirty, 0) << "nodes are not marked one by one";
}

TEST_F(Html, LoadDuringDispatchDefersTheOldTree) {
  parse("<button id=b>old</button>");
  Node* button = by_id("b");
  struct Ctx {
    View* view;
    Document* doc;
  } ctx{view, doc};
  auto reload = [](Event*, void* user) {
    auto* c = static_cast<Ctx*>(user);
    std::string_view fresh = "<p id=n>new</p>";
    EXPECT_EQ(load_html(c->view, fresh.data(), fresh.size()), kOk);
  };
  ASSERT_EQ(on(button, "click", 5, reload, &ctx), kOk);
  Event e;
  e.type = static_cast<std::int32_t>(EventType::kClick);
  e.target = button;
  dispatch(e);
  EXPECT_EQ(tree(), "html(body(p[id=n](\"new\")))");
  EXPECT_EQ(button->document, nullptr) << "destroyed once the dispatch ended";
}

TEST_F(Html, RunningOutOfMemoryKeepsThePartialTree) {
  std::string text = "<div id=a>first</div><p>" + std::string(20000, 'z') + "</p>";
  fail_system_allocations_after(0);
  EXPECT_EQ(load_html(view, text.data(), text.size()), kOutOfMemory);
  fail_system_allocations_after(-1);
  EXPECT_STREQ(last_error(), "html: out of memory");
  EXPECT_NE(by_id("a"), nullptr);
  EXPECT_EQ(doc->body->last_child->first_child, nullptr) << "the long text never arrived";
}

}  // namespace
