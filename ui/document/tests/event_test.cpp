#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "document.h"
#include "event.h"
#include "last_error.h"
#include "orlan/orlan.h"

using namespace orlan;

namespace {

struct Log {
  std::vector<std::string> lines;
};

void record(Event* e, void* user) {
  auto* log = static_cast<Log*>(user);
  Node* current = e->current;
  std::size_t n = 0;
  const char* id = get_attribute(current, "id", 2, &n);
  log->lines.push_back(std::string(event_type(e)) + "@" + (id ? std::string(id, n) : "?"));
}

class Events : public ::testing::Test {
 public:
  void SetUp() override {
    view = create_view();
    doc = document(view);
    html = create_element(doc, "html", 4);
    link_child(*doc->root, *html, nullptr);
    doc->html = html;
    set_attribute(html, "id", 2, "html", 4);
    outer = make("outer", html);
    inner = make("inner", outer);
  }
  void TearDown() override { destroy_view(view); }
  Node* make(const char* id, Node* parent) {
    Node* n = create_element(doc, "div", 3);
    set_attribute(n, "id", 2, id, std::strlen(id));
    append_child(parent, n);
    return n;
  }
  bool fire(const char* type, Node* target) {
    Event e;
    e.type = static_cast<std::int32_t>(find_event_type(type));
    e.target = target;
    return dispatch(e);
  }

  View* view = nullptr;
  Document* doc = nullptr;
  Node* html = nullptr;
  Node* outer = nullptr;
  Node* inner = nullptr;
  Log log;
};

TEST(EventTypes, AllTwentyTwoNamesHaveTheirIds) {
  const char* names[] = {"click",
                         "dblclick",
                         "mousedown",
                         "mouseup",
                         "mousemove",
                         "mouseenter",
                         "mouseleave",
                         "wheel",
                         "keydown",
                         "keyup",
                         "input",
                         "change",
                         "focus",
                         "blur",
                         "scroll",
                         "resize",
                         "contextmenu",
                         "activate",
                         "deactivate",
                         "compositionstart",
                         "compositionupdate",
                         "compositionend"};
  for (int id = 1; id <= 22; ++id) {
    EXPECT_EQ(static_cast<int>(find_event_type(names[id - 1])), id) << names[id - 1];
    EXPECT_EQ(event_type_name(static_cast<EventType>(id)), names[id - 1]);
  }
  EXPECT_EQ(find_event_type("Click"), EventType::kNone);
  EXPECT_EQ(find_event_type("clic"), EventType::kNone);
  EXPECT_EQ(find_event_type("clickx"), EventType::kNone);
  EXPECT_EQ(find_event_type(""), EventType::kNone);
}

TEST(EventTypes, BubblingFollowsTheTable) {
  for (EventType t :
       {EventType::kMouseenter, EventType::kMouseleave, EventType::kFocus, EventType::kBlur,
        EventType::kScroll, EventType::kActivate, EventType::kDeactivate})
    EXPECT_FALSE(event_type_bubbles(t)) << event_type_name(t);
  for (EventType t : {EventType::kClick, EventType::kWheel, EventType::kKeyup, EventType::kInput,
                      EventType::kChange, EventType::kResize, EventType::kContextmenu,
                      EventType::kCompositionend})
    EXPECT_TRUE(event_type_bubbles(t)) << event_type_name(t);
}

TEST_F(Events, OnRejectsBadArgumentsWithMessages) {
  EXPECT_EQ(on(nullptr, "click", 5, record, &log), kBadArgument);
  EXPECT_STREQ(last_error(), "on: bad argument");
  set_last_error("x");
  EXPECT_EQ(on(inner, nullptr, 5, record, &log), kBadArgument);
  EXPECT_STREQ(last_error(), "on: bad argument");
  set_last_error("x");
  EXPECT_EQ(on(inner, "click", 5, nullptr, &log), kBadArgument);
  EXPECT_STREQ(last_error(), "on: bad argument");
  set_text_content(inner, "t", 1);
  set_last_error("x");
  EXPECT_EQ(on(first_child(inner), "click", 5, record, &log), kBadArgument);
  EXPECT_STREQ(last_error(), "on: bad argument");
  EXPECT_EQ(on(inner, "Click", 5, record, &log), kBadArgument);
  EXPECT_STREQ(last_error(), "on: unknown event type 'Click'");
  // The name is taken by its length, not up to a NUL.
  EXPECT_EQ(on(inner, "clickety", 5, record, &log), kOk);
}

TEST_F(Events, SameCallbackAndUserTwiceRunsOnce) {
  ASSERT_EQ(on(inner, "click", 5, record, &log), kOk);
  ASSERT_EQ(on(inner, "click", 5, record, &log), kOk);
  Log other;
  ASSERT_EQ(on(inner, "click", 5, record, &other), kOk);
  fire("click", inner);
  EXPECT_EQ(log.lines, std::vector<std::string>{"click@inner"});
  EXPECT_EQ(other.lines, std::vector<std::string>{"click@inner"});
}

TEST_F(Events, HandlersRunInRegistrationOrderAndBubbleOutwards) {
  ASSERT_EQ(on(outer, "click", 5, record, &log), kOk);
  ASSERT_EQ(on(inner, "click", 5, record, &log), kOk);
  ASSERT_EQ(on(html, "click", 5, record, &log), kOk);
  ASSERT_EQ(on(inner, "keydown", 7, record, &log), kOk);
  fire("click", inner);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"click@inner", "click@outer", "click@html"}));
}

TEST_F(Events, NonBubblingTypesReachOnlyTheTarget) {
  ASSERT_EQ(on(outer, "focus", 5, record, &log), kOk);
  ASSERT_EQ(on(outer, "mouseleave", 10, record, &log), kOk);
  ASSERT_EQ(on(inner, "mouseleave", 10, record, &log), kOk);
  fire("focus", inner);
  fire("mouseleave", inner);
  EXPECT_EQ(log.lines, std::vector<std::string>{"mouseleave@inner"});
}

TEST_F(Events, HandlerAddedDuringDispatchWaitsForTheNextEvent) {
  static Log* shared;
  shared = &log;
  auto adder = [](Event* e, void*) { on(e->current, "click", 5, record, shared); };
  ASSERT_EQ(on(inner, "click", 5, adder, nullptr), kOk);
  fire("click", inner);
  EXPECT_TRUE(log.lines.empty());
  fire("click", inner);
  EXPECT_EQ(log.lines, std::vector<std::string>{"click@inner"});
}

TEST_F(Events, RemovingTheTargetInsideItsHandlerIsDeferred) {
  struct Probe {
    Node* node;
    std::uint32_t live_after_remove;
    Document* doc;
  } probe{inner, 0, doc};
  auto remover = [](Event* e, void* user) {
    auto* p = static_cast<Probe*>(user);
    remove(e->target);
    // Still a valid record while the dispatch runs.
    p->live_after_remove = p->doc->live_nodes;
    EXPECT_EQ(e->target->document, p->doc);
    EXPECT_EQ(insert(p->doc->html, e->target, nullptr), kBadArgument) << "a removed node stays out";
  };
  ASSERT_EQ(on(inner, "click", 5, remover, &probe), kOk);
  ASSERT_EQ(on(inner, "click", 5, record, &log), kOk);
  ASSERT_EQ(on(outer, "click", 5, record, &log), kOk);
  std::uint32_t before = doc->live_nodes;
  fire("click", inner);
  EXPECT_EQ(probe.live_after_remove, before);
  EXPECT_EQ(doc->live_nodes, before - 1);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"click@inner", "click@outer"}));
  EXPECT_EQ(outer->first_child, nullptr);
  EXPECT_EQ(get_element_by_id(doc, "inner", 5), nullptr);
}

TEST_F(Events, NestedDispatchDrainsOnlyAtTheOutermostEnd) {
  struct Ctx {
    Events* self;
    std::uint32_t live_after_inner_dispatch;
  } ctx{this, 0};
  auto outer_handler = [](Event*, void* user) {
    auto* c = static_cast<Ctx*>(user);
    remove(c->self->inner);
    c->self->fire("input", c->self->outer);  // a nested dispatch starts and ends
    c->live_after_inner_dispatch = c->self->doc->live_nodes;
  };
  ASSERT_EQ(on(outer, "change", 6, outer_handler, &ctx), kOk);
  std::uint32_t before = doc->live_nodes;
  fire("change", outer);
  EXPECT_EQ(ctx.live_after_inner_dispatch, before);
  EXPECT_EQ(doc->live_nodes, before - 1);
}

TEST_F(Events, ClearingTextContentInsideAHandlerDefersTheChildren) {
  set_text_content(inner, "label", 5);
  Node* text_node = first_child(inner);
  static Node* seen_text;
  seen_text = text_node;
  auto clear = [](Event* e, void*) {
    set_text_content(e->current, "", 0);
    EXPECT_NE(seen_text->document, nullptr);
  };
  ASSERT_EQ(on(inner, "click", 5, clear, nullptr), kOk);
  fire("click", inner);
  EXPECT_EQ(text_node->document, nullptr);
  EXPECT_EQ(inner->first_child, nullptr);
}

TEST_F(Events, PreventDefaultIsReported) {
  auto stop = [](Event* e, void*) { prevent_default(e); };
  EXPECT_FALSE(fire("click", inner));
  ASSERT_EQ(on(outer, "click", 5, stop, nullptr), kOk);
  EXPECT_TRUE(fire("click", inner));
}

TEST_F(Events, AccessorsReadOnlyTheirPayload) {
  Event key;
  key.type = static_cast<std::int32_t>(EventType::kKeydown);
  key.target = inner;
  key.payload.key = KeyData{kKeyEnter, kModCtrl | kModShift, 0, 0};
  EXPECT_EQ(event_key(&key), 258u);
  EXPECT_EQ(event_modifiers(&key), 3u);
  EXPECT_EQ(event_button(&key), 0);
  EXPECT_EQ(event_target(&key), inner);
  EXPECT_STREQ(event_type(&key), "keydown");

  Event click;
  click.type = static_cast<std::int32_t>(EventType::kMousedown);
  click.payload.pointer = PointerData{1, 2, 2, 0, kModAlt};
  EXPECT_EQ(event_button(&click), 2);
  EXPECT_EQ(event_modifiers(&click), 4u);
  EXPECT_EQ(event_key(&click), 0u);

  Event change;
  change.type = static_cast<std::int32_t>(EventType::kChange);
  change.payload.key = KeyData{65, 1, 0, 0};  // garbage for this type
  EXPECT_EQ(event_key(&change), 0u);
  EXPECT_EQ(event_modifiers(&change), 0u);
  EXPECT_EQ(event_button(&change), 0);

  EXPECT_EQ(event_target(nullptr), nullptr);
  EXPECT_EQ(event_key(nullptr), 0u);
  EXPECT_EQ(event_modifiers(nullptr), 0u);
  EXPECT_EQ(event_button(nullptr), 0);
  EXPECT_STREQ(event_type(nullptr), "");
  prevent_default(nullptr);
}

TEST_F(Events, FireShorthandsCarryTheirPayload) {
  struct Seen {
    std::uint32_t key = 0, modifiers = 0;
    std::int32_t button = -1;
    Node* target = nullptr;
  } seen;
  auto grab = [](Event* e, void* user) {
    auto* s = static_cast<Seen*>(user);
    s->key = event_key(e);
    s->modifiers = event_modifiers(e);
    s->button = event_button(e);
    s->target = event_target(e);
  };
  ASSERT_EQ(on(outer, "keydown", 7, grab, &seen), kOk);
  ASSERT_EQ(on(outer, "mousedown", 9, grab, &seen), kOk);
  fire_key_event(*inner, EventType::kKeydown, 'C', kModCtrl);
  EXPECT_EQ(seen.key, 67u);
  EXPECT_EQ(seen.modifiers, kModCtrl);
  EXPECT_EQ(seen.target, inner);
  fire_pointer_event(*inner, EventType::kMousedown, 2, 5, 6, kModShift);
  EXPECT_EQ(seen.button, 2);
  EXPECT_EQ(seen.key, 0u);
  EXPECT_EQ(seen.modifiers, kModShift);
}

TEST_F(Events, DestroyingAnElementReturnsItsHandlersForReuse) {
  for (int i = 0; i < 3; ++i) ASSERT_EQ(on(inner, "click", 5, record, &log.lines + i), kOk);
  std::size_t free_before = doc->handler_pool.free_count();
  remove(inner);
  EXPECT_EQ(doc->handler_pool.free_count(), free_before + 3);
}

TEST_F(Events, OnReportsOutOfMemoryWhenTheArenaCannotGrow) {
  fail_system_allocations_after(0);
  Status status = kOk;
  int registered = 0;
  // Distinct user pointers make every registration a new record, until the current
  // arena chunk is used up.
  for (; registered < 100000 && status == kOk; ++registered)
    status = on(inner, "click", 5, record, reinterpret_cast<void*>(registered + 1));
  fail_system_allocations_after(-1);
  EXPECT_EQ(status, kOutOfMemory);
  EXPECT_STREQ(last_error(), "out of memory");
  EXPECT_GT(registered, 100) << "the chunk in use still served records";
  int count = 0;
  for (Handler* h = inner->handlers; h; h = h->next) ++count;
  EXPECT_EQ(count, registered - 1);
}

TEST_F(Events, ClearedCallbacksAreUnlinkedAfterDispatch) {
  ASSERT_EQ(on(inner, "click", 5, record, &log), kOk);
  ASSERT_EQ(on(inner, "input", 5, record, &log), kOk);
  inner->handlers->callback = nullptr;  // as the engine marks a handler for removal
  fire("click", inner);
  EXPECT_TRUE(log.lines.empty());
  ASSERT_NE(inner->handlers, nullptr);
  EXPECT_EQ(inner->handlers->type, static_cast<std::int32_t>(EventType::kInput));
  EXPECT_EQ(inner->handlers->next, nullptr);
}

}  // namespace
