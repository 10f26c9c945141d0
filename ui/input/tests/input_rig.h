#pragma once

// A laid-out page with the input hooks installed (fallback measurer), an event log and
// shorthands that drive the host's input calls at elements.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "controls.h"
#include "document.h"
#include "event.h"
#include "input.h"
#include "layout_box.h"
#include "layout_dump.h"
#include "layout_input_hooks.h"
#include "orlan/orlan.h"
#include "view.h"

namespace orlan::test {

struct InputRig {
  View* view = create_view();
  Document* doc = document(view);
  std::vector<std::string> log;

  explicit InputRig(std::string_view html, std::string_view css = {}, float width = 400,
                    float height = 300) {
    install_layout_input_hooks(nullptr);
    EXPECT_EQ(load_page(view, html, css), kOk);
    set_viewport(*doc, width, height);
    layout();
  }
  ~InputRig() { destroy_view(view); }
  InputRig(const InputRig&) = delete;
  InputRig& operator=(const InputRig&) = delete;

  void layout() { layout_document(*doc, doc->viewport_width, doc->viewport_height, nullptr); }

  Node* by_id(std::string_view id) {
    Node* n = get_element_by_id(doc, id.data(), id.size());
    EXPECT_NE(n, nullptr) << id;
    return n;
  }

  Rect box(std::string_view id) { return absolute_position(*by_id(id)); }

  // Centre of an element's border box.
  std::pair<float, float> centre(Node* n) {
    Rect r = absolute_position(*n);
    return {r.x + r.width / 2, r.y + r.height / 2};
  }

  void move_to(Node* n) {
    auto [x, y] = centre(n);
    pointer_move(*doc, x, y, 0);
    layout();
  }
  void press(Node* n, std::int32_t button = 0, std::uint32_t mods = 0, bool dbl = false) {
    auto [x, y] = centre(n);
    pointer_button(*doc, true, button, x, y, mods, dbl);
    layout();
  }
  void release(Node* n, std::int32_t button = 0, std::uint32_t mods = 0) {
    auto [x, y] = centre(n);
    pointer_button(*doc, false, button, x, y, mods, false);
    layout();
  }
  void click(Node* n, std::int32_t button = 0, std::uint32_t mods = 0) {
    move_to(n);
    press(n, button, mods);
    release(n, button, mods);
  }
  void click(std::string_view id) { click(by_id(id)); }
  bool key_press(std::uint32_t k, std::uint32_t mods = 0, std::uint32_t ch = 0) {
    bool used = key(*doc, true, k, mods, ch, false);
    if (ch) text_input(*doc, ch, mods);
    key(*doc, false, k, mods, 0, false);
    layout();
    return used;
  }
  void type(std::string_view text) {
    for (char c : text) key_press(static_cast<unsigned char>(c) >= 'a' &&
                                          static_cast<unsigned char>(c) <= 'z'
                                      ? static_cast<std::uint32_t>(c - 32)
                                      : static_cast<std::uint32_t>(static_cast<unsigned char>(c)),
                                  0, static_cast<unsigned char>(c));
  }
  std::string value_of(std::string_view id) {
    std::size_t n = 0;
    const char* v = value(by_id(id), &n);
    return std::string(v, n);
  }

  static std::string name_of(Node* n) {
    if (!n) return "null";
    std::string out(n->document->atoms.text(n->tag));
    if (n->id) out += "#" + std::string(n->document->atoms.text(n->id));
    return out;
  }
  static void record(Event* event, void* user) {
    auto* rig = static_cast<InputRig*>(user);
    std::string line = std::string(event_type(event)) + " " + name_of(event->current);
    if (event->current != event->target) line += " (" + name_of(event->target) + ")";
    rig->log.push_back(line);
  }
  // Logs the given event types on every element with an id.
  void listen(std::initializer_list<const char*> types) {
    for (Node* n = doc->root; n; n = next(n))
      if (n->is_element() && n->id)
        for (const char* t : types) on(n, t, std::strlen(t), &InputRig::record, this);
  }
  static Node* next(Node* n) {
    if (n->first_child) return n->first_child;
    while (n && !n->next_sibling) n = n->parent;
    return n ? n->next_sibling : nullptr;
  }
  std::string take_log() {
    std::string out;
    for (const std::string& l : log) out += l + "\n";
    log.clear();
    return out;
  }
};

}  // namespace orlan::test
