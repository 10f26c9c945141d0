// Random input sequences (pointer, wheel, keys, text, composition, tooltip timer, edit
// menu) on a random page of form controls, with handlers that remove and rebuild nodes.
// After every step the tree must be consistent, every interaction pointer must name a
// live node in the tree, no hover bit may be left outside the hover chain, and a focused
// text control's caret must lie inside its value. Every step is painted as the host
// paints it, and a partial frame must show what a full frame of the same list shows.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "../../paint/tests/raster_surface.h"
#include "controls.h"
#include "document.h"
#include "event.h"
#include "input.h"
#include "layout_box.h"
#include "layout_dump.h"
#include "layout_input_hooks.h"
#include "orlan/orlan.h"
#include "view.h"

namespace {

using namespace orlan;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos = 0;
  std::uint8_t next() { return pos < size ? data[pos++] : 0; }
  float coordinate(float range) { return static_cast<float>(next()) * range / 255.0f; }
};

const char* const kPieces[] = {
    "<input id=\"t%d\" value=\"ab cd\">",
    "<input id=\"n%d\" type=\"number\" min=\"0\" max=\"9\">",
    "<input type=\"password\" value=\"pw\">",
    "<textarea id=\"a%d\">one\ntwo three</textarea>",
    "<label><input type=\"checkbox\" id=\"c%d\"> check</label>",
    "<input type=\"radio\" name=\"r\"><input type=\"radio\" name=\"r\" checked>",
    "<select id=\"s%d\"><option>a</option><option disabled>b</option><option>c</option></select>",
    "<div title=\"tip %d\"><span>hover</span></div>",
    "<div style=\"height:60px;overflow:auto\" tabindex=\"0\"><p>x</p><p>y</p><p>z</p><p>w</p></div>",
    "<button id=\"b%d\">go</button>",
    "<div disabled><input value=\"off\"></div>",
    "<p id=\"p%d\">some text to select</p>",
    "<input readonly value=\"ro\">",
    "<div class=\"row\" data-i=\"%d\"><span>row</span></div>",
};
constexpr int kPieceCount = sizeof(kPieces) / sizeof(kPieces[0]);

Reader* g_reader = nullptr;

// Handlers that change the tree in the ways applications do.
void remove_target(Event* e, void*) {
  if (g_reader->next() % 4 == 0 && e->target && e->target->parent &&
      e->target->parent->is_element())
    remove(e->target);
}
void rebuild_parent(Event* e, void*) {
  Node* p = e->current ? parent(e->current) : nullptr;
  if (!p || g_reader->next() % 3 != 0) return;
  set_text_content(p, nullptr, 0);
  Node* fresh = create_element(p->document, "div", 3);
  set_text_content(fresh, "new", 3);
  append_child(p, fresh);
}
void prevent(Event* e, void*) {
  if (g_reader->next() % 2) prevent_default(e);
}
void blur_it(Event* e, void*) {
  if (g_reader->next() % 3 == 0) blur(e->target);
}

std::uint32_t count_and_check(const Node* top) {
  std::uint32_t count = 1;
  const Node* prev = nullptr;
  for (const Node* c = top->first_child; c; c = c->next_sibling) {
    check(c->parent == top);
    check(c->prev_sibling == prev);
    check(c->document == top->document);
    check(!(c->state & kStateHoverScratch));
    count += count_and_check(c);
    prev = c;
  }
  check(top->last_child == prev);
  return count;
}

bool in_tree(const Document& d, const Node* n) {
  for (; n; n = n->parent)
    if (n == d.root) return true;
  return false;
}

void verify(Document& d) {
  check(d.dispatch_depth == 0 && d.deferred == nullptr);
  check(count_and_check(d.root) == d.live_nodes);
  const Node* interaction[] = {d.hovered,       d.focused,     d.pressed,
                               d.select_popup,  d.popup_owner, d.tooltip,
                               d.tooltip_owner, d.input.context_element,
                               d.input.selection_anchor.node, d.input.selection_focus.node};
  for (const Node* n : interaction) {
    if (n && !(n->document == &d && in_tree(d, n)))
      std::fprintf(stderr, "bad interaction pointer %d\n", static_cast<int>(&n - interaction));
    check(!n || (n->document == &d && in_tree(d, n)));
  }
  check((d.select_popup == nullptr) == (d.popup_owner == nullptr));
  // Hover bits exactly on the hovered element's chain.
  for (Node* n = d.root; n;) {
    if (n->state & kStateHovered) {
      const Node* a = d.hovered;
      while (a && a != n) a = a->parent;
      check(a == n);
    }
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && !n->next_sibling) n = n->parent;
    if (n) n = n->next_sibling;
  }
  if (Node* f = d.focused; f && f->edit_state && is_editable_text_control(*f)) {
    std::size_t length = 0;
    value(f, &length);
    check(f->edit_state->caret <= length && f->edit_state->anchor <= length);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader reader{data, size};
  g_reader = &reader;
  std::string html = "<body>";
  int pieces = 3 + reader.next() % 10;
  for (int i = 0; i < pieces; ++i) {
    char buffer[200];
    std::snprintf(buffer, sizeof buffer, kPieces[reader.next() % kPieceCount], i);
    html += buffer;
  }
  html += "</body>";
  View* view = create_view();
  if (!view) return 0;
  Document& d = *document(view);
  install_layout_input_hooks(nullptr);
  load_page(view, html, "");
  set_viewport(d, 320, 240);
  layout_document(d, 320, 240, nullptr);
  // Handlers on some elements, chosen by the input.
  const char* const kTypes[] = {"mousedown", "click", "input", "change", "keydown", "focus", "blur",
                                "mouseleave", "contextmenu", "wheel"};
  int element_index = 0;
  for (Node* n = d.root; n;) {
    if (n->is_element() && reader.next() % 3 == 0) {
      const char* type = kTypes[(reader.next() + element_index) % 10];
      EventCallback callbacks[] = {remove_target, rebuild_parent, prevent, blur_it};
      on(n, type, std::char_traits<char>::length(type), callbacks[reader.next() % 4], nullptr);
    }
    ++element_index;
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && !n->next_sibling) n = n->parent;
    if (n) n = n->next_sibling;
  }
  static std::string board;
  ClipboardCallbacks clipboard;
  clipboard.get = [](void*, const char** text, std::size_t* length) {
    *text = board.data();
    *length = board.size();
    return true;
  };
  clipboard.set = [](void*, const char* text, std::size_t length) { board.assign(text, length); };
  board = "pasted\r\nline";
  set_clipboard_callbacks(d, clipboard);

  const std::uint32_t kKeys[] = {kKeyTab, kKeyEnter, ' ', kKeyBackspace, kKeyDelete, kKeyLeft,
                                 kKeyRight, kKeyUp, kKeyDown, kKeyHome, kKeyEnd, kKeyPageDown,
                                 kKeyEscape, 'A', 'C', 'V', 'X', 'Z', 'Y', '7'};
  paint_test::PartialFrameCheck frames(320, 240);
  auto paint = [&] {
    const std::string mismatch = frames.frame(d);
    if (!mismatch.empty())
      std::fprintf(stderr, "partial frame differs from the full one: %s\n", mismatch.c_str());
    check(mismatch.empty());
  };
  paint();
  int steps = 0;
  while (reader.pos < reader.size && steps++ < 100) {
    float x = reader.coordinate(330), y = reader.coordinate(250);
    std::uint32_t mods = reader.next() & 7;
    switch (reader.next() % 11) {
      case 0: pointer_move(d, x, y, mods); break;
      case 1: {
        std::int32_t button = reader.next() % 3;
        pointer_button(d, true, button, x, y, mods, reader.next() % 4 == 0);
        if (reader.next() % 2) pointer_move(d, reader.coordinate(330), reader.coordinate(250), mods);
        pointer_button(d, false, button, reader.coordinate(330), reader.coordinate(250), mods, false);
        break;
      }
      case 2: pointer_leave(d); break;
      case 3: wheel(d, x, y, static_cast<float>(static_cast<int>(reader.next() % 5) - 2), mods); break;
      case 4: {
        std::uint32_t k = kKeys[reader.next() % (sizeof(kKeys) / sizeof(kKeys[0]))];
        key(d, true, k, mods, k < 128 ? k : 0, false);
        if (k < 128) text_input(d, k, mods);
        key(d, false, k, mods, 0, false);
        break;
      }
      case 5: text_input(d, 0x20 + reader.next() * 37 % 0x3000, mods & 4); break;
      case 6: {
        std::string_view texts[] = {"\xE3\x81\x8B", "ab", "", "\xED\x95\x9C\xEA\xB8\x80"};
        std::string_view t = texts[reader.next() % 4];
        composition_update(d, t.data(), t.size(), reader.next());
        break;
      }
      case 7: {
        std::string_view t = reader.next() % 2 ? "\xE6\x97\xA5" : "";
        if (reader.next() % 2)
          composition_commit(d, t.data(), t.size());
        else
          composition_end(d);
        break;
      }
      case 8: show_tooltip(d); break;
      case 9: {
        ContextMenuRequest request;
        if (take_context_menu(d, &request)) {
          if (reader.next() % 2 && d.focused && d.focused->parent) remove(d.focused);
          run_edit_command(d, 1 + reader.next() % 6);
        }
        break;
      }
      case 10: set_window_active(d, reader.next() % 2); break;
    }
    layout_document(d, 320, 240, nullptr);
    verify(d);
    paint();
  }
  destroy_view(view);
  return 0;
}
