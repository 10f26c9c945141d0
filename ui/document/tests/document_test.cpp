#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "document.h"
#include "event.h"
#include "last_error.h"
#include "orlan/orlan.h"
#include "view.h"

using namespace orlan;

namespace {

class Doc : public ::testing::Test {
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

  Node* element(std::string_view tag) {
    Node* n = create_element(doc, tag.data(), tag.size());
    EXPECT_NE(n, nullptr);
    return n;
  }
  // An element appended to the root, as the parser would place `html`.
  Node* connected(std::string_view tag) {
    Node* n = element(tag);
    link_child(*doc->root, *n, nullptr);
    return n;
  }
  static Status set(Node* e, std::string_view name, std::string_view value) {
    return set_attribute(e, name.data(), name.size(), value.data(), value.size());
  }
  static std::string attr(Node* e, std::string_view name) {
    std::size_t length = 99;
    const char* v = get_attribute(e, name.data(), name.size(), &length);
    if (!v) return "<null>";
    EXPECT_EQ(std::strlen(v), length);
    return std::string(v, length);
  }
  static std::string text(Node* n) {
    std::size_t length = 0;
    const char* t = text_content(n, &length);
    return t ? std::string(t, length) : "<null>";
  }
  static std::string val(Node* n) {
    std::size_t length = 0;
    const char* t = value(n, &length);
    return t ? std::string(t, length) : "<null>";
  }
  static std::vector<std::string> classes(Node* e) {
    std::vector<std::string> out;
    for (int i = 0; i < e->class_count; ++i)
      out.emplace_back(e->document->atoms.text(e->classes[i]));
    return out;
  }
  static std::vector<Node*> children(Node* n) {
    std::vector<Node*> out;
    for (Node* c = n->first_child; c; c = c->next_sibling) out.push_back(c);
    // The backward links must tell the same story.
    std::vector<Node*> back;
    for (Node* c = n->last_child; c; c = c->prev_sibling) back.insert(back.begin(), c);
    EXPECT_EQ(out, back);
    for (Node* c : out) EXPECT_EQ(c->parent, n);
    return out;
  }

  View* view = nullptr;
  Document* doc = nullptr;
};

// ---- Status codes and messages ----

TEST_F(Doc, CreateElementRejectsMissingDocumentNameOrLength) {
  EXPECT_EQ(create_element(nullptr, "div", 3), nullptr);
  EXPECT_STREQ(last_error(), "create_element: bad argument");
  set_last_error("x");
  EXPECT_EQ(create_element(doc, nullptr, 3), nullptr);
  EXPECT_STREQ(last_error(), "create_element: bad argument");
  set_last_error("x");
  EXPECT_EQ(create_element(doc, "div", 0), nullptr);
  EXPECT_STREQ(last_error(), "create_element: bad argument");
}

TEST_F(Doc, InsertReportsBadArgumentForNullOrForeignNodes) {
  Node* a = element("div");
  EXPECT_EQ(insert(a, nullptr, nullptr), kBadArgument);
  EXPECT_STREQ(last_error(), "insert: bad argument");
  View* other = create_view();
  Node* foreign = create_element(document(other), "p", 1);
  set_last_error("x");
  EXPECT_EQ(append_child(a, foreign), kBadArgument);
  EXPECT_STREQ(last_error(), "insert: bad argument");
  destroy_view(other);
}

TEST_F(Doc, InsertRefusesCyclesAndChildrenOfText) {
  Node* outer = connected("div");
  Node* inner = element("span");
  ASSERT_EQ(append_child(outer, inner), kOk);

  EXPECT_EQ(append_child(outer, outer), kBadArgument);
  EXPECT_STREQ(last_error(), "insert: would create a cycle or child of text");

  set_last_error("x");
  EXPECT_EQ(append_child(inner, outer), kBadArgument);
  EXPECT_STREQ(last_error(), "insert: would create a cycle or child of text");
  EXPECT_EQ(inner->parent, outer);

  ASSERT_EQ(set_text_content(inner, "t", 1), kOk);
  Node* text_node = first_child(inner);
  set_last_error("x");
  EXPECT_EQ(append_child(text_node, element("b")), kBadArgument);
  EXPECT_STREQ(last_error(), "insert: would create a cycle or child of text");

  set_last_error("x");
  EXPECT_EQ(append_child(outer, doc->root), kBadArgument);
  EXPECT_STREQ(last_error(), "insert: would create a cycle or child of text");
}

TEST_F(Doc, InsertWithReferenceOfAnotherParentLeavesChildInPlace) {
  Node* p1 = connected("div");
  Node* p2 = connected("div");
  Node* child = element("span");
  Node* other = element("span");
  ASSERT_EQ(append_child(p2, child), kOk);
  ASSERT_EQ(append_child(p2, other), kOk);
  EXPECT_EQ(insert(p1, child, other), kBadArgument);
  EXPECT_STREQ(last_error(), "insert: reference node is not a child");
  EXPECT_EQ(child->parent, p2);
  EXPECT_TRUE(children(p1).empty());
  EXPECT_EQ(children(p2), (std::vector<Node*>{child, other}));
}

TEST_F(Doc, SetAttributeNullValueIsEmptyOnlyWithLengthZero) {
  Node* e = element("div");
  EXPECT_EQ(set_attribute(e, "title", 5, nullptr, 0), kOk);
  EXPECT_EQ(attr(e, "title"), "");
  EXPECT_EQ(set_attribute(e, "title", 5, nullptr, 3), kBadArgument);
  EXPECT_STREQ(last_error(), "set_attribute: bad argument");
  EXPECT_EQ(attr(e, "title"), "");
  set_last_error("x");
  EXPECT_EQ(set_attribute(e, "title", 0, "v", 1), kBadArgument);
  EXPECT_STREQ(last_error(), "set_attribute: bad argument");
}

TEST_F(Doc, AttributeCallsOnTextNodesFailWithoutMessage) {
  Node* e = connected("p");
  ASSERT_EQ(set_text_content(e, "hi", 2), kOk);
  Node* t = first_child(e);
  set_last_error("earlier");
  EXPECT_EQ(add_class(t, "a", 1), kBadArgument);
  EXPECT_EQ(remove_class(t, "a", 1), kBadArgument);
  EXPECT_EQ(remove_attribute(t, "id", 2), kBadArgument);
  EXPECT_EQ(set_value(t, "v", 1), kBadArgument);
  EXPECT_EQ(get_attribute(t, "id", 2, nullptr), nullptr);
  EXPECT_FALSE(has_class(t, "a", 1));
  EXPECT_STREQ(last_error(), "earlier");
  EXPECT_EQ(set_attribute(t, "id", 2, "x", 1), kBadArgument);
  EXPECT_STREQ(last_error(), "set_attribute: bad argument");
}

TEST_F(Doc, SetTextContentRejectsNullNodeNullTextAndRoot) {
  EXPECT_EQ(set_text_content(nullptr, "a", 1), kBadArgument);
  EXPECT_STREQ(last_error(), "set_text_content: bad argument");
  set_last_error("x");
  EXPECT_EQ(set_text_content(element("p"), nullptr, 2), kBadArgument);
  EXPECT_STREQ(last_error(), "set_text_content: bad argument");
  set_last_error("x");
  EXPECT_EQ(set_text_content(doc->root, "a", 1), kBadArgument);
  EXPECT_STREQ(last_error(), "set_text_content: bad argument");
}

TEST_F(Doc, SuccessLeavesTheLastMessage) {
  EXPECT_EQ(create_element(doc, "div", 0), nullptr);
  Node* e = element("div");
  EXPECT_EQ(set(e, "id", "x"), kOk);
  EXPECT_STREQ(last_error(), "create_element: bad argument");
}

TEST_F(Doc, MessagesAreTruncatedTo255Bytes) {
  std::string name(400, 'q');
  EXPECT_EQ(on(
                element("div"), name.data(), name.size(), [](Event*, void*) {}, nullptr),
            kBadArgument);
  std::string message = last_error();
  EXPECT_EQ(message.size(), 255u);
  EXPECT_EQ(message.substr(0, 24), "on: unknown event type '");
}

TEST_F(Doc, MessagesArePerThread) {
  set_last_error("main thread");
  std::string seen_there;
  std::thread([&] {
    seen_there = last_error();
    create_element(nullptr, "a", 1);
  }).join();
  EXPECT_EQ(seen_there, "");
  EXPECT_STREQ(last_error(), "main thread");
}

TEST_F(Doc, NullHandlesGiveTheFailureValue) {
  EXPECT_EQ(document(nullptr), nullptr);
  EXPECT_EQ(document_element(nullptr), nullptr);
  EXPECT_EQ(parent(nullptr), nullptr);
  EXPECT_EQ(first_child(nullptr), nullptr);
  std::size_t length = 7;
  EXPECT_EQ(text_content(nullptr, &length), nullptr);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(get_element_by_id(nullptr, "a", 1), nullptr);
  EXPECT_EQ(selected_index(nullptr), -1);
  EXPECT_EQ(set_disabled(nullptr, true), kBadArgument);
  orlan::remove(static_cast<Node*>(nullptr));
  blur(nullptr);
  set_bounds(nullptr, 0, 0, 1, 1);
  destroy_view(nullptr);
  set_media_features(nullptr, true, true);
}

// ---- Attach ----

namespace fake_host {
int moves = 0, shows = 0, invalidations = 0, destroys = 0;
std::int32_t last_w = 0, last_h = 0;
bool last_visible = false;
HostWindow* create(View&, void*) {
  return reinterpret_cast<HostWindow*>(0x1000);
}
void destroy(HostWindow*) {
  ++destroys;
}
void move(HostWindow*, std::int32_t, std::int32_t, std::int32_t w, std::int32_t h) {
  ++moves;
  last_w = w;
  last_h = h;
}
void show(HostWindow*, bool visible) {
  ++shows;
  last_visible = visible;
}
void invalidate(HostWindow*) {
  ++invalidations;
}
const HostOps ops = {create, destroy, move, show, invalidate, nullptr};
}  // namespace fake_host

TEST_F(Doc, AttachWithoutWindowHostFailsAsNotAWindow) {
  int fake_parent = 0;
  EXPECT_EQ(attach(nullptr, &fake_parent), kBadArgument);
  EXPECT_STREQ(last_error(), "attach: bad argument");
  EXPECT_EQ(attach(view, nullptr), kBadArgument);
  EXPECT_STREQ(last_error(), "attach: bad argument");
  EXPECT_EQ(attach(view, &fake_parent), kHostFailed);
  EXPECT_STREQ(last_error(), "attach: parent is not a window");
  EXPECT_EQ(view->host, nullptr);
}

TEST_F(Doc, AWindowWithoutAHostLayerStillFailsToAttach) {
  set_is_window_check([](void*) { return true; });
  int fake_parent = 0;
  EXPECT_EQ(attach(view, &fake_parent), kHostFailed);
  EXPECT_STREQ(last_error(), "attach: no window host in this build");
  set_is_window_check(nullptr);
  EXPECT_FALSE(is_window(&fake_parent));
}

TEST_F(Doc, RepaintRequestTimeComesFromTheHostClock) {
  HostOps ops = fake_host::ops;
  ops.now_ms = [] { return 1234.5; };
  set_host_ops(&ops);
  add_class(connected("div"), "x", 1);
  EXPECT_EQ(view->repaint_requested_at, 1234.5);
  set_host_ops(nullptr);
}

TEST_F(Doc, AttachAppliesBoundsAndRefusesASecondAttach) {
  set_host_ops(&fake_host::ops);
  fake_host::moves = fake_host::shows = fake_host::destroys = 0;
  set_bounds(view, 5, 6, 0, -3);  // stored as given, applied as 1 x 1
  EXPECT_EQ(fake_host::moves, 0);
  int parent_window = 0;
  EXPECT_EQ(attach(view, &parent_window), kOk);
  EXPECT_EQ(fake_host::moves, 1);
  EXPECT_EQ(fake_host::last_w, 1);
  EXPECT_EQ(fake_host::last_h, 1);
  EXPECT_EQ(fake_host::shows, 1);
  EXPECT_TRUE(fake_host::last_visible);
  EXPECT_TRUE(doc->root->dirty & kDirtyLayout);
  EXPECT_EQ(attach(view, &parent_window), kAlreadyAttached);
  EXPECT_STREQ(last_error(), "attach: already attached");
  set_bounds(view, 1, 2, 300, 200);
  EXPECT_EQ(fake_host::moves, 2);
  EXPECT_EQ(fake_host::last_w, 300);
  destroy_view(view);
  view = nullptr;
  EXPECT_EQ(fake_host::destroys, 1);
  set_host_ops(nullptr);
}

TEST_F(Doc, InvalidationReachesTheAttachedWindowOnlyOutsideAFrame) {
  set_host_ops(&fake_host::ops);
  int parent_window = 0;
  ASSERT_EQ(attach(view, &parent_window), kOk);
  fake_host::invalidations = 0;
  Node* e = connected("div");
  view->repaint_pending = false;
  add_class(e, "x", 1);
  EXPECT_TRUE(view->repaint_pending);
  EXPECT_EQ(fake_host::invalidations, 1);
  view->in_frame = true;
  add_class(e, "y", 1);
  EXPECT_EQ(fake_host::invalidations, 1);
  view->in_frame = false;
  // Until a frame answers the request, further changes need not ask again.
  for (int i = 0; i < 1000; ++i) set_text_content(e, i % 2 ? "a" : "b", 1);
  EXPECT_EQ(fake_host::invalidations, 1);
  view->repaint_pending = false;  // what the frame does
  add_class(e, "z", 1);
  EXPECT_EQ(fake_host::invalidations, 2);
  set_host_ops(nullptr);
  destroy_view(view);
  view = nullptr;
}

// ---- Tree ----

TEST_F(Doc, InsertLinksBeforeReferenceAndMovesBetweenParents) {
  Node* p = connected("ul");
  Node* a = element("li");
  Node* b = element("li");
  Node* c = element("li");
  ASSERT_EQ(append_child(p, a), kOk);
  ASSERT_EQ(append_child(p, c), kOk);
  ASSERT_EQ(insert(p, b, c), kOk);
  EXPECT_EQ(children(p), (std::vector<Node*>{a, b, c}));
  ASSERT_EQ(insert(p, c, a), kOk);
  EXPECT_EQ(children(p), (std::vector<Node*>{c, a, b}));
  ASSERT_EQ(insert(p, a, a), kOk);  // before itself: stays
  EXPECT_EQ(children(p), (std::vector<Node*>{c, a, b}));
  Node* q = connected("ol");
  ASSERT_EQ(append_child(q, a), kOk);
  EXPECT_EQ(children(p), (std::vector<Node*>{c, b}));
  EXPECT_EQ(children(q), (std::vector<Node*>{a}));
}

TEST_F(Doc, InsertMarksChildDirtyAndParentOnlyForListItems) {
  Node* p = connected("div");
  p->dirty = 0;
  doc->root->dirty = 0;
  Node* span = element("span");
  ASSERT_EQ(append_child(p, span), kOk);
  // The inserted subtree restyles whole: its new ancestors may match other selectors.
  EXPECT_EQ(span->dirty, kDirtyAll | kDirtySubtree);
  EXPECT_EQ(p->dirty & kDirtyStyle, 0);
  EXPECT_TRUE(p->dirty & kDirtyDescendant);
  EXPECT_TRUE(doc->root->dirty & kDirtyDescendant);
  Node* li = element("li");
  ASSERT_EQ(append_child(p, li), kOk);
  EXPECT_TRUE(p->dirty & kDirtyStyle);
}

TEST_F(Doc, InsertUnderDetachedParentDropsCachedStyles) {
  Node* p = element("div");
  Node* c = element("span");
  Node* g = element("b");
  ASSERT_EQ(append_child(c, g), kOk);
  auto* fake_style = reinterpret_cast<ComputedStyle*>(0x10);
  c->style = g->style = fake_style;
  ASSERT_EQ(append_child(p, c), kOk);
  EXPECT_EQ(c->style, nullptr);
  EXPECT_EQ(g->style, nullptr);
  Node* live_parent = connected("div");
  c->style = fake_style;
  ASSERT_EQ(append_child(live_parent, c), kOk);
  EXPECT_EQ(c->style, fake_style);
  c->style = g->style = nullptr;
}

TEST_F(Doc, RemoveDestroysSubtreeAndRecyclesRecords) {
  Node* p = connected("div");
  Node* c = element("span");
  ASSERT_EQ(append_child(p, c), kOk);
  ASSERT_EQ(set_text_content(c, "x", 1), kOk);
  std::uint32_t before = doc->live_nodes;
  p->dirty = 0;
  remove(c);
  EXPECT_EQ(doc->live_nodes, before - 2);
  EXPECT_EQ(p->first_child, nullptr);
  EXPECT_EQ(p->dirty & (kDirtyLayout | kDirtyPaint), kDirtyLayout | kDirtyPaint);
  EXPECT_EQ(p->dirty & kDirtyStyle, 0);
  // The freed record is handed out again, and the stale handle reads as dead meanwhile.
  EXPECT_EQ(c->document, nullptr);
  EXPECT_EQ(parent(c), nullptr);
  EXPECT_EQ(set(c, "id", "zombie"), kBadArgument);
  Node* again = element("i");
  Node* again2 = element("i");
  EXPECT_TRUE(again == c || again2 == c);
}

TEST_F(Doc, RemovingTheRootIsIgnored) {
  remove(doc->root);
  EXPECT_NE(doc->root->document, nullptr);
}

TEST_F(Doc, DestroyedNodesLeaveNoInteractionPointers) {
  Node* html = connected("html");
  doc->html = html;
  Node* input = element("input");
  ASSERT_EQ(append_child(html, input), kOk);
  doc->focused = doc->hovered = doc->pressed = input;
  doc->capture_from = input;
  doc->capture_to = html;
  doc->capture_active = true;
  doc->last_click = input;
  doc->last_click_kind = 2;
  remove(input);
  EXPECT_EQ(doc->focused, nullptr);
  EXPECT_EQ(doc->hovered, nullptr);
  EXPECT_EQ(doc->pressed, nullptr);
  EXPECT_EQ(doc->capture_from, nullptr);
  EXPECT_EQ(doc->capture_to, nullptr);
  EXPECT_FALSE(doc->capture_active);
  EXPECT_EQ(doc->last_click_kind, 0);
  remove(html);
  EXPECT_EQ(doc->html, nullptr);
  EXPECT_EQ(document_element(doc), nullptr);
}

TEST_F(Doc, ParentAndFirstChildHideRootAndGeneratedBoxes) {
  Node* html = connected("html");
  EXPECT_EQ(parent(html), nullptr);  // the root is never handed out
  Node* marker = element("span");
  Node* real = element("span");
  ASSERT_EQ(append_child(html, marker), kOk);
  ASSERT_EQ(append_child(html, real), kOk);
  marker->generated = kGeneratedMarker;
  EXPECT_EQ(first_child(html), real);
  EXPECT_EQ(parent(real), html);
  EXPECT_EQ(next_sibling(real), nullptr);
  // From the other end: a generated box last (::after) is skipped too.
  Node* after = element("span");
  ASSERT_EQ(append_child(html, after), kOk);
  after->generated = kGeneratedAfter;
  EXPECT_EQ(last_child(html), real);
  EXPECT_EQ(previous_sibling(real), nullptr);
  EXPECT_EQ(previous_sibling(after), real);
  EXPECT_EQ(last_child(nullptr), nullptr);
  EXPECT_EQ(previous_sibling(nullptr), nullptr);
}

TEST_F(Doc, DeeplyNestedTreesAreDestroyedWithoutRecursion) {
  Node* top = connected("div");
  Node* at = top;
  for (int i = 0; i < 100000; ++i) {
    Node* n = element("div");
    link_child(*at, *n, nullptr);
    at = n;
  }
  remove(top);
  EXPECT_EQ(doc->live_nodes, 1u);  // the root
}

// ---- Text ----

TEST_F(Doc, SetTextContentReplacesALoneTextChildInPlace) {
  Node* p = connected("p");
  ASSERT_EQ(set_text_content(p, "one", 3), kOk);
  Node* t = first_child(p);
  ASSERT_EQ(set_text_content(p, "two", 3), kOk);
  EXPECT_EQ(first_child(p), t);
  EXPECT_EQ(text(p), "two");
}

TEST_F(Doc, SetTextContentReplacesMixedChildrenByOneTextNode) {
  Node* p = connected("p");
  ASSERT_EQ(append_child(p, element("b")), kOk);
  ASSERT_EQ(append_child(p, element("i")), kOk);
  std::uint32_t before = doc->live_nodes;
  ASSERT_EQ(set_text_content(p, "plain", 5), kOk);
  auto kids = children(p);
  ASSERT_EQ(kids.size(), 1u);
  EXPECT_TRUE(kids[0]->is_text());
  EXPECT_EQ(doc->live_nodes, before - 1);
  EXPECT_EQ(p->dirty & (kDirtyLayout | kDirtyPaint), kDirtyLayout | kDirtyPaint);
}

TEST_F(Doc, SetTextContentWithEmptyTextRemovesAllChildren) {
  Node* p = connected("p");
  ASSERT_EQ(set_text_content(p, "x", 1), kOk);
  ASSERT_EQ(set_text_content(p, "", 0), kOk);
  EXPECT_EQ(p->first_child, nullptr);
  ASSERT_EQ(set_text_content(p, nullptr, 0), kOk);
  EXPECT_EQ(p->first_child, nullptr);
}

TEST_F(Doc, TextContentConcatenatesDescendantsAndSkipsGenerated) {
  Node* p = connected("p");
  Node* b = element("b");
  Node* gen = element("span");
  ASSERT_EQ(set_text_content(b, "bold", 4), kOk);
  ASSERT_EQ(set_text_content(gen, "GEN", 3), kOk);
  gen->generated = kGeneratedBefore;
  ASSERT_EQ(append_child(p, gen), kOk);
  ASSERT_EQ(append_child(p, create_text_node(*doc, "a ")), kOk);
  ASSERT_EQ(append_child(p, b), kOk);
  ASSERT_EQ(append_child(p, create_text_node(*doc, " z")), kOk);
  EXPECT_EQ(text(p), "a bold z");
  EXPECT_EQ(text(first_child(p)), "a ");
}

TEST_F(Doc, TextContentGrowsPastTheFirstScratchSize) {
  Node* p = connected("p");
  std::string big;
  for (int i = 0; i < 50; ++i) {
    std::string piece(97, static_cast<char>('a' + i % 26));
    big += piece;
    Node* s = element("span");
    ASSERT_EQ(set_text_content(s, piece.data(), piece.size()), kOk);
    ASSERT_EQ(append_child(p, s), kOk);
  }
  EXPECT_EQ(text(p), big);
}

// ---- Lookup by id ----

TEST_F(Doc, IdAttributeNameIsCaseInsensitiveButItsValueIsNot) {
  Node* html = connected("html");
  Node* e = element("div");
  ASSERT_EQ(append_child(html, e), kOk);
  ASSERT_EQ(set(e, "ID", "Main"), kOk);
  EXPECT_EQ(attr(e, "id"), "Main");
  EXPECT_EQ(get_element_by_id(doc, "Main", 4), e);
  EXPECT_EQ(get_element_by_id(doc, "main", 4), nullptr);
  EXPECT_EQ(get_element_by_id(doc, "never-seen", 10), nullptr);
}

TEST_F(Doc, GetElementByIdFindsTheFirstInDocumentOrderAndOnlyConnected) {
  Node* html = connected("html");
  Node* a = element("div");
  Node* a_child = element("span");
  Node* b = element("div");
  ASSERT_EQ(append_child(html, a), kOk);
  ASSERT_EQ(append_child(a, a_child), kOk);
  ASSERT_EQ(append_child(html, b), kOk);
  ASSERT_EQ(set(b, "id", "x"), kOk);
  ASSERT_EQ(set(a_child, "id", "x"), kOk);
  EXPECT_EQ(get_element_by_id(doc, "x", 1), a_child);
  Node* detached = element("div");
  ASSERT_EQ(set(detached, "id", "y"), kOk);
  EXPECT_EQ(get_element_by_id(doc, "y", 1), nullptr);
  ASSERT_EQ(remove_attribute(a_child, "id", 2), kOk);
  EXPECT_EQ(get_element_by_id(doc, "x", 1), b);
  ASSERT_EQ(set(b, "id", ""), kOk);
  EXPECT_EQ(b->id, 0u);
}

// Lookups skip subtrees that never held an id; an id reaches them however it arrives:
// set deep inside the tree, brought in with a detached subtree, or moved along with one.
TEST_F(Doc, GetElementByIdFindsIdsHoweverTheyEnterTheTree) {
  Node* html = connected("html");
  Node* plain = element("div");
  Node* deep = element("p");
  ASSERT_EQ(append_child(html, plain), kOk);
  ASSERT_EQ(append_child(plain, deep), kOk);
  EXPECT_EQ(get_element_by_id(doc, "d", 1), nullptr);
  ASSERT_EQ(set(deep, "id", "d"), kOk);
  EXPECT_EQ(get_element_by_id(doc, "d", 1), deep);

  Node* outer = element("section");
  Node* inner = element("b");
  ASSERT_EQ(set(inner, "id", "in"), kOk);
  ASSERT_EQ(append_child(outer, inner), kOk);  // detached: not found until connected
  EXPECT_EQ(get_element_by_id(doc, "in", 2), nullptr);
  Node* holder = element("div");
  ASSERT_EQ(append_child(html, holder), kOk);
  ASSERT_EQ(append_child(holder, outer), kOk);
  EXPECT_EQ(get_element_by_id(doc, "in", 2), inner);

  // Moved under an element that never held one.
  Node* fresh = element("div");
  ASSERT_EQ(append_child(html, fresh), kOk);
  ASSERT_EQ(append_child(fresh, outer), kOk);
  EXPECT_EQ(get_element_by_id(doc, "in", 2), inner);
  ASSERT_EQ(set(holder, "id", "d"), kOk);
  remove(deep);
  EXPECT_EQ(get_element_by_id(doc, "d", 1), holder);
}

// ---- Dirty bits ----

TEST_F(Doc, DirtyBitsPropagateUpUntilAnAncestorAlreadyHasBit8) {
  Node* a = connected("div");
  Node* b = element("div");
  Node* c = element("div");
  Node* d = element("div");
  link_child(*a, *b, nullptr);
  link_child(*b, *c, nullptr);
  link_child(*c, *d, nullptr);
  a->dirty = 0;
  b->dirty = kDirtyDescendant;
  c->dirty = 0;
  doc->needs_style_and_layout = false;
  mark_dirty(*d, kDirtyPaint);
  EXPECT_EQ(d->dirty, kDirtyPaint);
  EXPECT_EQ(c->dirty, kDirtyDescendant);
  EXPECT_EQ(a->dirty, 0) << "the walk stops at the first ancestor already marked";
  EXPECT_FALSE(doc->needs_style_and_layout) << "paint alone needs no style or layout";
  mark_dirty(*d, kDirtyLayout);
  EXPECT_TRUE(doc->needs_style_and_layout);
}

TEST_F(Doc, StyleChangesRestyleHtmlOnlyWhenAHasArgumentNamesThem) {
  Node* html = connected("html");
  doc->html = html;
  Node* e = element("div");
  link_child(*html, *e, nullptr);
  const char sheet[] = ".group:has(.picked) > h2 { color: red } .row.active td { color: blue }";
  ASSERT_EQ(load_css(view, sheet, sizeof sheet - 1), kOk);
  ASSERT_TRUE(doc->sheets.has_selectors);
  html->dirty = 0;
  ASSERT_EQ(add_class(e, "active", 6), kOk);
  EXPECT_EQ(html->dirty & kDirtyStyle, 0) << "no :has() argument names .active";
  EXPECT_TRUE(e->dirty & kDirtySubtree) << ".active reaches descendants";
  ASSERT_EQ(add_class(e, "picked", 6), kOk);
  EXPECT_TRUE(html->dirty & kDirtyStyle);
  EXPECT_TRUE(html->dirty & kDirtySubtree);
}

TEST_F(Doc, DataAttributesRestyleOnlyWhenASheetNamesThem) {
  Node* e = connected("div");
  e->dirty = 0;
  ASSERT_EQ(set(e, "data-i", "3"), kOk);
  EXPECT_EQ(e->dirty & kDirtyStyle, 0);
  ASSERT_EQ(set(e, "data-", "3"), kOk);  // too short to be a data attribute
  EXPECT_TRUE(e->dirty & kDirtyStyle);
  e->dirty = 0;
  Atom name = 0;
  ASSERT_TRUE(doc->atoms.intern("data-i", name));
  doc->sheets.data_attributes[0] = name;
  doc->sheets.data_attribute_count = 1;
  ASSERT_EQ(set(e, "data-i", "4"), kOk);
  EXPECT_TRUE(e->dirty & kDirtyStyle);
  e->dirty = 0;
  ASSERT_EQ(set(e, "data-j", "1"), kOk);
  EXPECT_EQ(e->dirty & kDirtyStyle, 0);
  doc->sheets.all_data_attributes = true;
  ASSERT_EQ(set(e, "data-j", "2"), kOk);
  EXPECT_TRUE(e->dirty & kDirtyStyle);
}

TEST_F(Doc, ViewportChangeRestylesOnlyAfterAViewportQuery) {
  Node* html = connected("html");
  doc->html = html;
  html->dirty = 0;
  set_viewport(*doc, 800, 600);
  EXPECT_TRUE(doc->root->dirty & kDirtyLayout);
  EXPECT_EQ(html->dirty & kDirtyStyle, 0);
  doc->viewport_queried = true;
  set_viewport(*doc, 800, 600);
  EXPECT_EQ(html->dirty & kDirtyStyle, 0) << "same size";
  set_viewport(*doc, 640, 480);
  EXPECT_TRUE(html->dirty & kDirtyStyle);
}

TEST_F(Doc, MediaFeaturesRestyleHtmlOnlyWhenChanged) {
  Node* html = connected("html");
  doc->html = html;
  html->dirty = 0;
  set_media_features(doc, false, false);
  EXPECT_EQ(html->dirty, 0);
  set_media_features(doc, true, false);
  EXPECT_TRUE(html->dirty & kDirtyStyle);
  EXPECT_EQ(doc->dark_scheme, 1);
}

// ---- Attributes ----

TEST_F(Doc, SetAttributeReplacesInPlaceAndKeepsListOrder) {
  Node* e = element("div");
  ASSERT_EQ(set(e, "a", "1"), kOk);
  ASSERT_EQ(set(e, "b", "2"), kOk);
  ASSERT_EQ(set(e, "A", "long value that needs a bigger buffer than sixteen"), kOk);
  ASSERT_NE(e->attributes, nullptr);
  EXPECT_EQ(doc->atoms.text(e->attributes->name), "b");  // newest first
  EXPECT_EQ(attr(e, "a"), "long value that needs a bigger buffer than sixteen");
  EXPECT_TRUE(has_attribute(e, "B", 1));
  EXPECT_EQ(remove_attribute(e, "nothing-here", 12), kOk);
  EXPECT_EQ(remove_attribute(e, "a", 1), kOk);
  EXPECT_EQ(attr(e, "a"), "<null>");
  EXPECT_EQ(attr(e, "b"), "2");
}

TEST_F(Doc, ValuesAreStoredUnchangedIncludingNulBytes) {
  Node* e = element("div");
  const char raw[] = {'a', '\0', 'B'};
  ASSERT_EQ(set_attribute(e, "x", 1, raw, 3), kOk);
  std::size_t length = 0;
  const char* v = get_attribute(e, "x", 1, &length);
  ASSERT_EQ(length, 3u);
  EXPECT_EQ(std::memcmp(v, raw, 3), 0);
  EXPECT_EQ(v[3], '\0');
}

TEST_F(Doc, ControlKindFollowsTheInputType) {
  Node* input = element("input");
  EXPECT_EQ(input->control, ControlKind::kTextField);
  ASSERT_EQ(set(input, "type", "CheckBox"), kOk);
  EXPECT_EQ(input->control, ControlKind::kCheckbox);
  ASSERT_EQ(set(input, "type", "radio"), kOk);
  EXPECT_EQ(input->control, ControlKind::kRadio);
  ASSERT_EQ(set(input, "type", "submit"), kOk);
  EXPECT_EQ(input->control, ControlKind::kButton);
  ASSERT_EQ(set(input, "type", "password"), kOk);
  EXPECT_EQ(input->control, ControlKind::kTextField);
  ASSERT_EQ(set(input, "type", "reset"), kOk);
  ASSERT_EQ(remove_attribute(input, "type", 4), kOk);
  EXPECT_EQ(input->control, ControlKind::kTextField);
  EXPECT_EQ(element("TEXTAREA")->control, ControlKind::kTextField);
  EXPECT_EQ(element("select")->control, ControlKind::kSelect);
  EXPECT_EQ(element("button")->control, ControlKind::kButton);
  Node* div = element("div");
  ASSERT_EQ(set(div, "type", "checkbox"), kOk);
  EXPECT_EQ(div->control, ControlKind::kNone);
}

TEST_F(Doc, DisabledAndCheckedAttributesDriveStateBits) {
  Node* input = element("input");
  ASSERT_EQ(set_disabled(input, true), kOk);
  EXPECT_EQ(attr(input, "disabled"), "");
  EXPECT_TRUE(input->state & kStateDisabled);
  ASSERT_EQ(set_disabled(input, false), kOk);
  EXPECT_FALSE(has_attribute(input, "disabled", 8));
  EXPECT_FALSE(input->state & kStateDisabled);

  ASSERT_EQ(set(input, "checked", ""), kOk);
  EXPECT_TRUE(is_checked(input));
  ASSERT_EQ(remove_attribute(input, "checked", 7), kOk);
  EXPECT_FALSE(is_checked(input));

  Node* div = element("div");
  ASSERT_EQ(set(div, "checked", ""), kOk);
  EXPECT_FALSE(is_checked(div));
  Node* option = element("option");
  ASSERT_EQ(set(option, "selected", ""), kOk);
  EXPECT_TRUE(is_checked(option));
}

// ---- Classes ----

TEST_F(Doc, ClassListIsRebuiltFromTheAttributeWithoutDuplicates) {
  Node* e = element("div");
  ASSERT_EQ(set(e, "class", "a  b a"), kOk);
  EXPECT_EQ(classes(e), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(add_class(e, "b", 1), kOk);
  EXPECT_EQ(attr(e, "class"), "a  b a");
  EXPECT_EQ(add_class(e, "c", 1), kOk);
  EXPECT_EQ(attr(e, "class"), "a b c");
  EXPECT_EQ(classes(e), (std::vector<std::string>{"a", "b", "c"}));
  ASSERT_EQ(set(e, "class", "\tx\ny\f z\r"), kOk);
  EXPECT_EQ(classes(e), (std::vector<std::string>{"x", "y", "z"}));
}

TEST_F(Doc, RemoveClassKeepsTheOrderOfTheRest) {
  Node* e = element("div");
  for (const char* c : {"one", "two", "three", "four", "five"})
    ASSERT_EQ(add_class(e, c, std::strlen(c)), kOk);
  EXPECT_EQ(e->class_capacity, 8) << "capacity starts at 4 and doubles";
  ASSERT_EQ(remove_class(e, "two", 3), kOk);
  EXPECT_EQ(attr(e, "class"), "one three four five");
  EXPECT_EQ(remove_class(e, "missing", 7), kOk);
  EXPECT_EQ(attr(e, "class"), "one three four five");
  EXPECT_FALSE(has_class(e, "two", 3));
  EXPECT_TRUE(has_class(e, "four", 4));
  EXPECT_FALSE(has_class(e, "Four", 4)) << "class names are case-sensitive";
  ASSERT_EQ(remove_attribute(e, "class", 5), kOk);
  EXPECT_TRUE(classes(e).empty());
  EXPECT_EQ(add_class(e, "", 0), kBadArgument);
}

TEST_F(Doc, AddClassMarksStyleDirtyOnlyWhenSomethingChanges) {
  Node* e = connected("div");
  ASSERT_EQ(add_class(e, "a", 1), kOk);
  e->dirty = 0;
  ASSERT_EQ(add_class(e, "a", 1), kOk);
  EXPECT_EQ(e->dirty, 0);
  ASSERT_EQ(remove_class(e, "a", 1), kOk);
  EXPECT_TRUE(e->dirty & kDirtyStyle);
}

// Out of memory part-way through changing id or class leaves the element agreeing with its
// attribute: the old value everywhere, or the new one everywhere. The long names need
// allocations of their own (atom text, attribute value), which fail after `allowed` more.
TEST_F(Doc, OutOfMemoryNeverLeavesIdOrClassesDisagreeingWithTheAttribute) {
  for (int allowed = 0; allowed < 4; ++allowed) {
    SCOPED_TRACE(allowed);
    std::string tag = std::to_string(allowed);
    std::string new_id(100000, 'i');
    new_id += tag;
    Node* e = connected("div");
    ASSERT_EQ(set(e, "id", "old" + tag), kOk);
    fail_system_allocations_after(allowed);
    Status status = set(e, "id", new_id);
    fail_system_allocations_after(-1);
    if (status == kOk) {
      EXPECT_EQ(attr(e, "id"), new_id);
      EXPECT_EQ(get_element_by_id(doc, new_id.data(), new_id.size()), e);
    } else {
      EXPECT_EQ(attr(e, "id"), "old" + tag);
      EXPECT_EQ(get_element_by_id(doc, ("old" + tag).data(), tag.size() + 3), e);
    }

    std::string new_class(100000, 'c');
    new_class += tag;
    ASSERT_EQ(set(e, "class", "a b"), kOk);
    fail_system_allocations_after(allowed);
    status = set(e, "class", "k " + new_class);
    fail_system_allocations_after(-1);
    if (status == kOk) {
      EXPECT_EQ(classes(e), (std::vector<std::string>{"k", new_class}));
    } else {
      EXPECT_EQ(attr(e, "class"), "a b");
      EXPECT_EQ(classes(e), (std::vector<std::string>{"a", "b"}));
    }
  }
}

TEST_F(Doc, RemoveClassThatCannotRewriteTheAttributeKeepsTheClass) {
  Node* e = element("div");
  std::string long_class(10000, 'l');  // the rewritten attribute text needs system memory
  ASSERT_EQ(set(e, "class", "a " + long_class + " c"), kOk);
  fail_system_allocations_after(0);
  EXPECT_EQ(remove_class(e, "a", 1), kOutOfMemory);
  fail_system_allocations_after(-1);
  EXPECT_EQ(attr(e, "class"), "a " + long_class + " c");
  EXPECT_EQ(classes(e), (std::vector<std::string>{"a", long_class, "c"}));
  EXPECT_TRUE(has_class(e, "a", 1));
  ASSERT_EQ(remove_class(e, "a", 1), kOk);
  EXPECT_EQ(attr(e, "class"), long_class + " c");
}

// ---- Values and selection ----

class Controls : public Doc {
 protected:
  Node* make_select(std::initializer_list<std::pair<const char*, const char*>> options) {
    Node* select = connected("select");
    for (auto [v, label] : options) {
      Node* o = element("option");
      if (v) set(o, "value", v);
      set_text_content(o, label, std::strlen(label));
      append_child(select, o);
    }
    return select;
  }
};

TEST_F(Controls, SelectWithoutSelectedOptionReportsTheFirst) {
  Node* select = make_select({{"0", "Left"}, {"1", "Right"}});
  EXPECT_EQ(val(select), "0");
  EXPECT_EQ(selected_index(select), 0);
  ASSERT_EQ(set_selected_index(select, 1), kOk);
  EXPECT_EQ(val(select), "1");
  EXPECT_EQ(selected_index(select), 1);
  EXPECT_EQ(set_selected_index(select, 2), kBadArgument);
  EXPECT_EQ(set_selected_index(select, -1), kBadArgument);
  EXPECT_EQ(selected_index(select), 1);
}

TEST_F(Controls, OptionValueFallsBackToItsText) {
  Node* select = make_select({{nullptr, "alpha"}, {nullptr, "beta"}});
  EXPECT_EQ(val(select), "alpha");
  ASSERT_EQ(set_value(select, "beta", 4), kOk);
  EXPECT_EQ(selected_index(select), 1);
  EXPECT_EQ(set_value(select, "gamma", 5), kBadArgument);
  EXPECT_EQ(selected_index(select), 1);
}

TEST_F(Controls, ValuesReturnedByTheEngineCanBeFedBackIn) {
  // Results live in the document's own buffers; passing them straight back must work.
  Node* from = make_select({{nullptr, "first"}, {nullptr, "second option text"}});
  Node* to = make_select({{nullptr, "first"}, {nullptr, "second option text"}});
  set_selected_index(from, 1);
  std::size_t length = 0;
  const char* chosen = value(from, &length);
  ASSERT_EQ(set_value(to, chosen, length), kOk);
  EXPECT_EQ(selected_index(to), 1);

  Node* e = element("div");
  set(e, "title", "a title that is long enough to need more than one buffer class");
  const char* own = get_attribute(e, "title", 5, &length);
  ASSERT_EQ(set_attribute(e, "title", 5, own + 2, length - 2), kOk);
  EXPECT_EQ(attr(e, "title"), "title that is long enough to need more than one buffer class");

  Node* p = connected("p");
  set_text_content(p, "paragraph", 9);
  const char* t = text_content(p, &length);
  ASSERT_EQ(set_text_content(p, t + 4, length - 4), kOk);
  EXPECT_EQ(text(p), "graph");
}

TEST_F(Controls, OptionTextIsMatchedAcrossSeveralTextNodes) {
  Node* select = make_select({{nullptr, "ab"}});
  Node* option = first_child(select);
  Node* b = element("b");
  set_text_content(b, "cd", 2);
  append_child(option, b);
  EXPECT_EQ(set_value(select, "abc", 3), kBadArgument);
  EXPECT_EQ(set_value(select, "abcde", 5), kBadArgument);
  EXPECT_EQ(set_value(select, "abcd", 4), kOk);
}

TEST_F(Controls, SelectingAnOptionClearsTheOthersAndDirtiesOnlyChangedOnes) {
  Node* select = make_select({{"a", "A"}, {"b", "B"}, {"c", "C"}});
  Node* first = first_child(select);
  Node* second = next_sibling(first);
  Node* third = next_sibling(second);
  set(first, "selected", "");
  set(third, "selected", "");
  EXPECT_EQ(selected_index(select), 0) << "the first marked option wins";
  first->dirty = second->dirty = third->dirty = select->dirty = 0;
  ASSERT_EQ(set_selected_index(select, 1), kOk);
  EXPECT_FALSE(is_checked(first));
  EXPECT_TRUE(is_checked(second));
  EXPECT_FALSE(is_checked(third));
  EXPECT_TRUE(first->dirty & kDirtyStyle);
  EXPECT_TRUE(third->dirty & kDirtyStyle);
  EXPECT_EQ(select->dirty & (kDirtyLayout | kDirtyPaint), kDirtyLayout | kDirtyPaint);
  first->dirty = 0;
  ASSERT_EQ(set_selected_index(select, 1), kOk);
  EXPECT_EQ(first->dirty, 0);
}

TEST_F(Controls, SelectedIndexOfNonSelectsAndEmptySelects) {
  EXPECT_EQ(selected_index(element("div")), -1);
  Node* empty = make_select({});
  EXPECT_EQ(selected_index(empty), -1);
  EXPECT_EQ(val(empty), "");
  EXPECT_EQ(set_selected_index(element("div"), 0), kBadArgument);
}

TEST_F(Controls, ValuePrecedence) {
  Node* input = element("input");
  EXPECT_EQ(val(input), "");
  set(input, "value", "from attribute");
  EXPECT_EQ(val(input), "from attribute");
  ASSERT_EQ(set_value(input, "own", 3), kOk);
  EXPECT_EQ(val(input), "own");
  set(input, "value", "later attribute");
  EXPECT_EQ(val(input), "own") << "the application's own value wins once set";
  ASSERT_EQ(set_value(input, nullptr, 0), kOk);
  EXPECT_EQ(val(input), "");

  Node* area = connected("textarea");
  set(area, "value", "ignored");
  set_text_content(area, "body text", 9);
  EXPECT_EQ(val(area), "body text");
  ASSERT_EQ(set_value(area, "typed", 5), kOk);
  EXPECT_EQ(val(area), "typed");
  EXPECT_EQ(text(area), "body text");

  Node* select = make_select({{"1", "One"}});
  set(select, "value", "attribute of select");
  EXPECT_EQ(val(select), "1");
  EXPECT_EQ(value(nullptr, nullptr), nullptr);
}

TEST_F(Controls, SelectionNeedsAnEditableControlAndIsClampedToSequenceStarts) {
  std::uint32_t start = 9, end = 9;
  Node* input = element("input");
  EXPECT_EQ(get_selection(input, &start, &end), kBadArgument) << "no editing record yet";
  EXPECT_EQ(set_selection(element("div"), 0, 0), kBadArgument);
  Node* box = element("input");
  set(box, "type", "checkbox");
  EXPECT_EQ(set_selection(box, 0, 0), kBadArgument);

  ASSERT_EQ(set_value(input, "a\xC3\xA9z", 4), kOk);  // a, e-acute (2 bytes), z
  ASSERT_EQ(set_selection(input, 100, 2), kOk);
  ASSERT_EQ(get_selection(input, &start, &end), kOk);
  EXPECT_EQ(start, 1u) << "offset 2 is inside the two-byte sequence";
  EXPECT_EQ(end, 4u);
  ASSERT_EQ(set_value(input, "b", 1), kOk);
  ASSERT_EQ(get_selection(input, &start, &end), kOk);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 0u) << "setting the value resets the selection";
}

TEST_F(Controls, BlurClearsFocusAndDispatchesBlurToTheElementOnly) {
  Node* html = connected("html");
  Node* input = element("input");
  append_child(html, input);
  static int blurs_seen;
  blurs_seen = 0;
  auto count = [](Event*, void*) { ++blurs_seen; };
  ASSERT_EQ(on(input, "blur", 4, count, nullptr), kOk);
  ASSERT_EQ(on(html, "blur", 4, count, nullptr), kOk);
  set_focus(*doc, input);
  EXPECT_TRUE(input->state & kStateFocused);
  blur(element("input"));  // not the focused one
  EXPECT_EQ(doc->focused, input);
  blur(input);
  EXPECT_EQ(doc->focused, nullptr);
  EXPECT_FALSE(input->state & kStateFocused);
  EXPECT_EQ(blurs_seen, 1);
}

// ---- Window activation ----

TEST_F(Doc, WindowActivationTogglesTheInactiveClassAndDispatches) {
  Node* html = connected("html");
  doc->html = html;
  static std::vector<std::string> seen;
  seen.clear();
  auto record = [](Event* e, void*) { seen.emplace_back(event_type(e)); };
  on(html, "activate", 8, record, nullptr);
  on(html, "deactivate", 10, record, nullptr);
  set_window_active(*doc, false);
  EXPECT_TRUE(has_class(html, "ui-window-inactive", 18));
  set_window_active(*doc, true);
  EXPECT_FALSE(has_class(html, "ui-window-inactive", 18));
  EXPECT_EQ(seen, (std::vector<std::string>{"deactivate", "activate"}));
}

TEST_F(Doc, DeactivationClosesThePopupAndHidesTheTooltip) {
  Node* html = connected("html");
  doc->html = html;
  Node* body = element("body");
  append_child(html, body);
  Node* select = element("select");
  Node* popup = element("div");
  Node* tip = element("div");
  append_child(body, select);
  append_child(body, popup);
  append_child(body, tip);
  doc->select_popup = popup;
  doc->popup_owner = select;
  doc->tooltip = tip;
  doc->tooltip_owner = select;
  std::uint32_t live = doc->live_nodes;
  set_window_active(*doc, true);
  EXPECT_EQ(doc->select_popup, popup) << "activation closes nothing";
  set_window_active(*doc, false);
  EXPECT_EQ(doc->select_popup, nullptr);
  EXPECT_EQ(doc->popup_owner, nullptr);
  EXPECT_EQ(doc->tooltip, nullptr);
  EXPECT_EQ(doc->live_nodes, live - 2);
  EXPECT_EQ(children(body), std::vector<Node*>{select});
}

TEST_F(Doc, ChangingTheTitleOfTheTooltipOwnerRefreshesItsText) {
  Node* body = connected("body");
  Node* owner = element("td");
  Node* other = element("td");
  Node* tip = element("div");
  append_child(body, owner);
  append_child(body, other);
  append_child(body, tip);
  set_text_content(tip, "old", 3);
  doc->tooltip = tip;
  doc->tooltip_owner = owner;
  ASSERT_EQ(set(other, "title", "not shown"), kOk);
  EXPECT_EQ(text(tip), "old");
  ASSERT_EQ(set(owner, "TITLE", "00:01.00~00:01.50"), kOk);
  EXPECT_EQ(text(tip), "00:01.00~00:01.50");
  ASSERT_EQ(remove_attribute(owner, "title", 5), kOk);
  EXPECT_EQ(doc->tooltip, nullptr) << "an empty title hides the tooltip";
  EXPECT_EQ(tip->document, nullptr);
}

// ---- Out of memory ----

TEST_F(Doc, CreateViewReportsOutOfMemory) {
  fail_system_allocations_after(0);
  EXPECT_EQ(create_view(), nullptr);
  fail_system_allocations_after(-1);
  EXPECT_STREQ(last_error(), "out of memory");
  fail_system_allocations_after(2);  // the view and part of the document only
  EXPECT_EQ(create_view(), nullptr);
}

TEST_F(Doc, CreateElementReportsOutOfMemory) {
  fail_system_allocations_after(0);
  Node* made = nullptr;
  int count = 0;
  do {
    made = create_element(doc, "div", 3);
  } while (made && ++count < 100000);
  fail_system_allocations_after(-1);
  EXPECT_EQ(made, nullptr);
  EXPECT_STREQ(last_error(), "out of memory");
}

TEST_F(Doc, AttributeThatCannotGrowKeepsItsOldValue) {
  Node* e = element("div");
  ASSERT_EQ(set(e, "title", "short"), kOk);
  std::string big(10000, 'x');  // beyond the pooled sizes: from the system
  fail_system_allocations_after(0);
  EXPECT_EQ(set(e, "title", big), kOutOfMemory);
  fail_system_allocations_after(-1);
  EXPECT_EQ(attr(e, "title"), "short");
}

TEST_F(Doc, TextThatCannotBeAllocatedLeavesChildrenAlone) {
  Node* p = connected("p");
  ASSERT_EQ(append_child(p, element("b")), kOk);
  ASSERT_EQ(append_child(p, element("i")), kOk);
  std::string big(10000, 'y');
  fail_system_allocations_after(0);
  EXPECT_EQ(set_text_content(p, big.data(), big.size()), kOutOfMemory);
  fail_system_allocations_after(-1);
  EXPECT_EQ(children(p).size(), 2u);
}

// ---- Style-sheet slots ----

namespace sheet_hooks {
int created = 0, destroyed = 0;
bool succeed = true;
bool create(Document& d) {
  ++created;
  d.sheets.context = &created;
  return succeed;
}
void destroy(Document& d) {
  EXPECT_EQ(d.sheets.context, &created);
  ++destroyed;
}
const StyleSheetHooks hooks = {create, destroy};
}  // namespace sheet_hooks

TEST(StyleSheetHooks, RunWithEveryDocumentAndCanRefuseIt) {
  set_style_sheet_hooks(&sheet_hooks::hooks);
  sheet_hooks::created = sheet_hooks::destroyed = 0;
  View* v = create_view();
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(sheet_hooks::created, 1);
  destroy_view(v);
  EXPECT_EQ(sheet_hooks::destroyed, 1);
  sheet_hooks::succeed = false;
  EXPECT_EQ(create_view(), nullptr);
  EXPECT_STREQ(last_error(), "out of memory");
  EXPECT_EQ(sheet_hooks::destroyed, 2) << "a refused document still releases what was made";
  sheet_hooks::succeed = true;
  set_style_sheet_hooks(nullptr);
}

namespace node_hooks {
int boxes = 0;
int animations = 0;
int documents = 0;
void release_box(Document&, Node&) { ++boxes; }
void release_animation(Document&, Node&) { ++animations; }
void release_document(Document&) { ++documents; }
}  // namespace node_hooks

TEST(NodeDataHooks, EachStageKeepsItsOwnMembers) {
  // Layout and animation install their hooks separately; the later one must not drop the
  // earlier one's, or boxes or animation states outlive their nodes.
  const NodeDataHooks layout{node_hooks::release_box, nullptr, nullptr};
  const NodeDataHooks animation{nullptr, node_hooks::release_animation,
                                node_hooks::release_document};
  set_node_data_hooks(&layout);
  set_node_data_hooks(&animation);
  node_hooks::boxes = node_hooks::animations = node_hooks::documents = 0;
  View* v = create_view();
  ASSERT_NE(v, nullptr);
  Node* e = create_element(document(v), "div", 3);
  ASSERT_NE(e, nullptr);
  alignas(16) static unsigned char record[16];
  e->box = reinterpret_cast<LayoutBox*>(record);
  e->animation = reinterpret_cast<AnimationState*>(record);
  remove(e);
  destroy_view(v);
  EXPECT_EQ(node_hooks::boxes, 1);
  EXPECT_EQ(node_hooks::animations, 1);
  EXPECT_EQ(node_hooks::documents, 1);
  set_node_data_hooks(nullptr);
}

// ---- Memory ----

TEST(BlockArena, HandsOutZeroedAlignedMemoryInChunks) {
  BlockArena arena;
  auto* first = static_cast<unsigned char*>(arena.allocate(100));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first) % 16, 0u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(first[i], 0);
  EXPECT_EQ(arena.chunk_count(), 1u);
  for (int i = 0; i < 1000; ++i) ASSERT_NE(arena.allocate(100), nullptr);
  EXPECT_EQ(arena.chunk_count(), 2u) << "112 KiB of requests need a second 64 KiB chunk";
  void* huge = arena.allocate(200 * 1024);
  ASSERT_NE(huge, nullptr);
  EXPECT_EQ(arena.chunk_count(), 3u);
  // The oversized chunk must not retire the current one.
  void* after = arena.allocate(16);
  EXPECT_EQ(arena.chunk_count(), 3u);
  EXPECT_NE(after, nullptr);
}

TEST(BufferPool, RecyclesBuffersBySizeClass) {
  BlockArena arena;
  BufferPool pool(arena);
  std::size_t cap = 0;
  void* a = pool.allocate(20, &cap);
  EXPECT_EQ(cap, 32u);
  pool.release(a, cap);
  std::size_t cap2 = 0;
  void* b = pool.allocate(17, &cap2);
  EXPECT_EQ(b, a);
  void* large = pool.allocate(5000, &cap);
  EXPECT_EQ(cap, 5000u);
  pool.release(large, cap);
  void* kept = pool.allocate(9000, &cap);  // freed by the pool's destructor
  EXPECT_NE(kept, nullptr);
}

}  // namespace
