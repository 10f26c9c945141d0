// Random sequences of the application's tree operations, including removals and text
// replacement from inside event handlers. After every step the tree must be consistent
// (parent, child and sibling links agree) and the live-node count must equal the nodes
// that can still be reached. Handles of destroyed nodes are forgotten, as the
// application must forget them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "document.h"
#include "event.h"
#include "orlan/orlan.h"

namespace {

using namespace orlan;

struct Harness {
  Document* doc = nullptr;
  std::vector<Node*> handles;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;

  std::uint8_t next() { return pos < size ? data[pos++] : 0; }
  Node* pick() {
    if (handles.empty()) return nullptr;
    return handles[next() % handles.size()];
  }
  std::string_view bytes() {
    std::size_t length = next() % 12;
    if (pos + length > size) length = size - pos;
    std::string_view out(reinterpret_cast<const char*>(data + pos), length);
    pos += length;
    return out;
  }

  static bool within(const Node* n, const Node* top) {
    for (; n; n = n->parent)
      if (n == top) return true;
    return false;
  }
  // Forgets every handle in the subtree of `top` (with `top` itself unless told not to).
  void forget_subtree(Node* top, bool keep_top) {
    std::vector<Node*> kept;
    for (Node* h : handles)
      if (!within(h, top) || (keep_top && h == top)) kept.push_back(h);
    handles.swap(kept);
  }
};

Harness* g_harness = nullptr;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

std::uint32_t count_and_check(const Node* top) {
  std::uint32_t count = 1;
  const Node* prev = nullptr;
  for (const Node* c = top->first_child; c; c = c->next_sibling) {
    check(c->parent == top);
    check(c->prev_sibling == prev);
    check(c->document == top->document);
    check(!c->is_text() || c->first_child == nullptr);
    count += count_and_check(c);
    prev = c;
  }
  check(top->last_child == prev);
  return count;
}

void verify(Harness& h) {
  std::vector<const Node*> tops{h.doc->root};
  std::uint32_t total = 0;
  for (Node* n : h.handles) {
    check(n->document == h.doc);
    const Node* top = n;
    while (top->parent) top = top->parent;
    bool seen = false;
    for (const Node* t : tops) seen = seen || t == top;
    if (!seen) tops.push_back(top);
  }
  for (const Node* t : tops) total += count_and_check(t);
  check(total == h.doc->live_nodes);
  check(h.doc->dispatch_depth == 0 && h.doc->deferred == nullptr);
}

void remove_current(Event* e, void*) {
  g_harness->forget_subtree(e->current, false);
  remove(e->current);
}

void clear_current(Event* e, void*) {
  g_harness->forget_subtree(e->current, true);
  set_text_content(e->current, "x", 1);
}

void move_current(Event* e, void*) {
  Node* target = g_harness->pick();
  if (target) insert(target, e->current, nullptr);
}

const char* const kTags[] = {"div", "li", "select", "option", "input", "textarea", "span", "p"};
const char* const kNames[] = {"id",       "class", "disabled", "type",  "checked",
                              "selected", "value", "data-i",   "title", "ID"};
const char* const kEvents[] = {"click", "focus", "input"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  View* view = create_view();
  if (!view) return 0;
  Harness h;
  h.doc = document(view);
  h.data = data;
  h.size = size;
  g_harness = &h;
  Node* html = create_element(h.doc, "html", 4);
  link_child(*h.doc->root, *html, nullptr);
  h.doc->html = html;
  h.handles.push_back(html);

  int steps = 0;
  while (h.pos < h.size && steps++ < 400) {
    std::uint8_t op = h.next() % 12;
    switch (op) {
      case 0: {
        if (h.handles.size() >= 64) break;
        const char* tag = kTags[h.next() % 8];
        if (Node* n = create_element(h.doc, tag, std::char_traits<char>::length(tag)))
          h.handles.push_back(n);
        break;
      }
      case 1: {
        Node* a = h.pick();
        Node* b = h.pick();
        Node* ref = (h.next() & 1) ? h.pick() : nullptr;
        if (a && b) insert(a, b, ref);
        break;
      }
      case 2: {
        Node* a = h.pick();
        if (!a || a == html) break;
        h.forget_subtree(a, false);
        remove(a);
        break;
      }
      case 3: {
        Node* a = h.pick();
        if (!a) break;
        h.forget_subtree(a, true);
        std::string_view text = h.bytes();
        set_text_content(a, text.data(), text.size());
        break;
      }
      case 4: {
        Node* a = h.pick();
        const char* name = kNames[h.next() % 10];
        std::string_view value = h.bytes();
        set_attribute(a, name, std::char_traits<char>::length(name), value.data(), value.size());
        break;
      }
      case 5: {
        Node* a = h.pick();
        const char* name = kNames[h.next() % 10];
        remove_attribute(a, name, std::char_traits<char>::length(name));
        break;
      }
      case 6: {
        Node* a = h.pick();
        std::string_view klass = h.bytes();
        if (h.next() & 1)
          add_class(a, klass.data(), klass.size());
        else
          remove_class(a, klass.data(), klass.size());
        break;
      }
      case 7: {
        Node* a = h.pick();
        const char* type = kEvents[h.next() % 3];
        EventCallback callbacks[] = {remove_current, clear_current, move_current};
        on(a, type, std::char_traits<char>::length(type), callbacks[h.next() % 3], nullptr);
        break;
      }
      case 8: {
        Node* a = h.pick();
        if (a) fire_event(*a, find_event_type(kEvents[h.next() % 3]));
        break;
      }
      case 9: {
        Node* a = h.pick();
        std::string_view v = h.bytes();
        set_value(a, v.data(), v.size());
        std::size_t length = 0;
        value(a, &length);
        set_selected_index(a, h.next() % 4);
        selected_index(a);
        set_selection(a, h.next(), h.next());
        break;
      }
      case 10: {
        std::string_view id = h.bytes();
        get_element_by_id(h.doc, id.data(), id.size());
        std::size_t length = 0;
        text_content(h.pick(), &length);
        break;
      }
      case 11: {
        Node* a = h.pick();
        if (a && a->is_element()) set_focus(*h.doc, (h.next() & 1) ? a : nullptr);
        blur(h.pick());
        break;
      }
    }
    verify(h);
  }
  g_harness = nullptr;
  destroy_view(view);
  return 0;
}
