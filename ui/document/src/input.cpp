// The host's input calls: hover, press, release and click, focus and Tab order, keys,
// the wheel, the default actions of controls, the context-menu request and the document
// text selection.
//
// Each call holds one dispatch depth from start to end, so a node that a handler removes
// stays readable (though detached) until the call returns; the call checks whether its
// target is still connected before acting on it.

#include "input.h"

#include <cmath>
#include <cstring>

#include "controls.h"
#include "document.h"
#include "event.h"

namespace orlan {

namespace {

InputHooks g_hooks;

constexpr int kMaxChain = 256;

Node* element_of(Node* node) {
  while (node && !node->is_element()) node = node->kind == NodeKind::kText ? node->parent : nullptr;
  return node;
}

bool contains(const Node* ancestor, const Node* node) {
  for (; node; node = node->parent)
    if (node == ancestor) return true;
  return false;
}

Node* hit_test(Document& d, float x, float y) {
  if (!g_hooks.hit_test) return nullptr;
  Node* hit = element_of(g_hooks.hit_test(d, x, y));
  return hit && hit->document == &d && is_connected(*hit) ? hit : nullptr;
}

bool fire_pointer(Node& target, EventType type, std::int32_t button, float x, float y,
                  std::uint32_t modifiers, float delta = 0) {
  Event event;
  event.type = static_cast<std::int32_t>(type);
  event.target = &target;
  event.payload.pointer = PointerData{x, y, button, delta, modifiers};
  return dispatch(event);
}

void set_pressed_chain(Node* node, bool pressed) {
  for (Node* n = node; n && n->is_element(); n = n->parent) {
    bool has = (n->state & kStatePressed) != 0;
    if (has == pressed) continue;
    if (pressed)
      n->state |= kStatePressed;
    else
      n->state &= static_cast<std::uint16_t>(~kStatePressed);
    mark_restyle(*n, state_change_reach(*n->document, kStatePressed));
  }
}

// A pressed element removed during the press leaves its old ancestors marked: clear the
// bit wherever it is still set.
void clear_pressed_everywhere(Document& d) {
  Node* n = d.root;
  while (n) {
    if (n->is_element() && (n->state & kStatePressed)) {
      n->state &= static_cast<std::uint16_t>(~kStatePressed);
      mark_restyle(*n, state_change_reach(d, kStatePressed));
    }
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && !n->next_sibling) n = n->parent;
    if (n) n = n->next_sibling;
  }
}

bool is_focusable(const Node& e) {
  if (!e.is_element() || in_disabled_subtree(&e)) return false;
  const Document& d = *e.document;
  if (e.has_tag(TagId::kA) && find_attribute(e, d.names.href)) return true;
  if (e.has_tag(TagId::kButton) || e.has_tag(TagId::kInput) || e.has_tag(TagId::kSelect) ||
      e.has_tag(TagId::kTextarea))
    return true;
  return find_attribute(e, d.names.tabindex) != nullptr;
}

bool is_tabbable(const Node& e) {
  if (!is_focusable(e) || !e.box) return false;
  const Attribute* t = find_attribute(e, e.document->names.tabindex);
  return !t || t->length == 0 || t->value[0] != '-';
}

Node* nearest_focusable(Node* node) {
  for (Node* n = node; n && n->is_element(); n = n->parent)
    if (is_focusable(*n)) return n;
  return nullptr;
}


void move_focus_by_tab(Document& d, bool backwards) {
  Node* top = d.body ? d.body : d.html;
  if (!top) return;
  Node* current = d.focused && contains(top, d.focused) ? d.focused : nullptr;
  Node* first = nullptr;
  Node* last = nullptr;
  Node* before = nullptr;  // last tabbable before the current one
  Node* after = nullptr;   // first tabbable after it
  bool passed = false;
  for (Node* n = top; n; n = next_in_order(n, top)) {
    if (n == current) {
      passed = true;
      continue;
    }
    if (!n->is_element() || !is_tabbable(*n)) continue;
    if (!first) first = n;
    last = n;
    if (!passed) before = n;
    if (passed && !after) after = n;
  }
  Node* target;
  if (!current)
    target = backwards ? last : first;
  else if (backwards)
    target = before ? before : last;
  else
    target = after ? after : first;
  if (target) set_focus(d, target);
}

// The label's first descendant with a control kind, in document order. The walk follows
// the tree's own links, so no width or depth of the label's content can overrun it.
Node* first_control_descendant(Node& label) {
  for (Node* n = label.first_child; n && n != &label;) {
    if (n->is_element() && n->control != ControlKind::kNone) return n;
    if (n->first_child && n->is_element()) {
      n = n->first_child;
      continue;
    }
    while (n != &label && !n->next_sibling) n = n->parent;
    if (n != &label) n = n->next_sibling;
  }
  return nullptr;
}

void activate_label(Document& d, Node& label) {
  Node* control = nullptr;
  Atom for_atom = d.atoms.lookup("for");
  if (const Attribute* f = for_atom ? find_attribute(label, for_atom) : nullptr) {
    Atom id = f->length ? d.atoms.lookup(std::string_view(f->value, f->length)) : 0;
    control = id ? find_element_by_id(d, id) : nullptr;
  } else {
    control = first_control_descendant(label);
  }
  if (!control || in_disabled_subtree(control)) return;
  if (is_focusable(*control)) set_focus(d, control);
  if (live(control) && (control->control == ControlKind::kCheckbox ||
                        control->control == ControlKind::kRadio))
    toggle(*control);
}

void click_default_action(Document& d, Node& target) {
  if (d.select_popup) {
    if (contains(d.select_popup, &target)) {
      Node* row = &target;
      while (row && row->parent != d.select_popup) row = row->parent;
      if (row) {
        choose_popup_row(d, *row);
        return;
      }
    }
    // The press on the owning select has just opened the popup: its click keeps it.
    if (!contains(d.popup_owner, &target)) close_select_popup(d);
    return;
  }
  for (Node* n = &target; n && n->is_element(); n = n->parent) {
    if (n->control == ControlKind::kCheckbox || n->control == ControlKind::kRadio) {
      if (!in_disabled_subtree(n)) toggle(*n);
      return;
    }
    if (n->has_tag(TagId::kLabel)) {
      activate_label(d, *n);
      return;
    }
    if (n->control == ControlKind::kSelect) return;
  }
}

void record_context_menu(Document& d, Node& element, float x, float y) {
  InputState& in = d.input;
  // A disabled subtree gets neither the event nor a menu.
  if (in_disabled_subtree(&element)) return;
  bool prevented = fire_pointer(element, EventType::kContextmenu, 2, x, y, 0);
  if (prevented || !is_connected(element)) return;
  std::uint8_t kind = kContextMenuNone;
  // The handler may have taken the selected text out of the tree (layout still places it
  // under the point); the order walk below only works inside the tree.
  const TextPoint& anchor = in.selection_anchor;
  const TextPoint& focus = in.selection_focus;
  if (is_editable_text_control(element)) {
    kind = kContextMenuEdit;
  } else if (anchor.node && focus.node && is_connected(*anchor.node) &&
             is_connected(*focus.node) && g_hooks.text_position) {
    Node* text = nullptr;
    std::uint32_t offset = 0;
    if (g_hooks.text_position(d, x, y, &text, &offset) && text && is_connected(*text)) {
      // Inside the selection when the point lies between its two ends in document order.
      TextPoint a = in.selection_anchor, b = in.selection_focus;
      auto before = [&](const TextPoint& p, const TextPoint& q) {  // p <= q
        if (p.node == q.node) return p.offset <= q.offset;
        for (Node* n = p.node; n; n = next_in_order(n, d.root))
          if (n == q.node) return true;
        return false;
      };
      if (!before(a, b)) std::swap(a, b);
      TextPoint at{text, offset};
      if (!(a.node == b.node && a.offset == b.offset) && before(a, at) && before(at, b))
        kind = kContextMenuCopy;
    }
  }
  if (kind == kContextMenuNone) return;
  in.context_kind = kind;
  in.context_pending = true;
  in.context_x = x;
  in.context_y = y;
  in.context_element = &element;
}

bool scroll_from(Document& d, Node* from, float dx, float dy, ScrollMode mode) {
  if (!g_hooks.scroll) return false;
  Node* start = from ? from : (d.body ? d.body : d.html);
  return start && g_hooks.scroll(*start, dx, dy, mode);
}

// Keys of selects, checkboxes and radios, and of the open popup.
bool control_key(Document& d, Node* focused, std::uint32_t k, std::uint32_t m) {
  if (d.select_popup) {
    if (k == ' ' || k == kKeyEnter) {
      if (Node* row = popup_active_row(d))
        choose_popup_row(d, *row);
      else
        close_select_popup(d);
      return true;
    }
    if (k == kKeyEscape) {
      close_select_popup(d);
      return true;
    }
    if (k == kKeyUp || k == kKeyDown) {
      move_popup_active(d, k == kKeyUp ? -1 : 1);
      return true;
    }
    return false;
  }
  if (!focused || in_disabled_subtree(focused)) return false;
  if (k == ' ' && (focused->control == ControlKind::kCheckbox ||
                   focused->control == ControlKind::kRadio)) {
    toggle(*focused);
    return true;
  }
  if (focused->control != ControlKind::kSelect) return false;
  if (k == ' ' || k == kKeyEnter || (k == kKeyDown && (m & kModAlt))) {
    open_select_popup(d, *focused);
    return true;
  }
  if (k == kKeyUp || k == kKeyDown) {
    Node* current = selected_option(*focused);
    if (!current) return true;
    Node* n = current;
    for (;;) {
      n = k == kKeyUp ? n->prev_sibling : n->next_sibling;
      if (!n) return true;
      if (n->has_tag(TagId::kOption) && !(n->state & kStateDisabled)) break;
    }
    select_option(*focused, *n);
    fire_event(*focused, EventType::kInput);
    if (live(focused)) fire_event(*focused, EventType::kChange);
    return true;
  }
  return false;
}

void refresh_hover(Document& d) {
  if (!d.input.pointer_inside) return;
  if (g_hooks.update_layout) g_hooks.update_layout(d);
  update_hover(d, hit_test(d, d.input.pointer_x, d.input.pointer_y));
}

}  // namespace

void set_input_hooks(const InputHooks* hooks) noexcept {
  if (!hooks) {
    g_hooks = InputHooks{};
    return;
  }
  auto take = [](auto& mine, auto theirs) {
    if (theirs) mine = theirs;
  };
  take(g_hooks.hit_test, hooks->hit_test);
  take(g_hooks.border_box, hooks->border_box);
  take(g_hooks.update_layout, hooks->update_layout);
  take(g_hooks.press, hooks->press);
  take(g_hooks.drag, hooks->drag);
  take(g_hooks.release, hooks->release);
  take(g_hooks.scroll, hooks->scroll);
  take(g_hooks.scroll_into_view, hooks->scroll_into_view);
  take(g_hooks.caret_at_point, hooks->caret_at_point);
  take(g_hooks.caret_box, hooks->caret_box);
  take(g_hooks.text_position, hooks->text_position);
}

const InputHooks& input_hooks() noexcept {
  return g_hooks;
}

// ---- Hover ----

void update_hover(Document& d, Node* element) {
  if (d.hovered == element) return;
  DispatchScope scope(d);
  // An old hovered element already out of the tree leaves its old ancestors to the
  // clean-up when this call's removals are done.
  if (d.hovered && !is_connected(*d.hovered)) d.input.hover_lost = true;
  // The old chain is copied before any handler runs: a mouseleave handler may move or
  // remove nodes, and the walk must still reach every node it marked.
  Node* old_chain[kMaxChain];
  int old_count = 0;
  std::uint8_t reach = state_change_reach(d, kStateHovered);
  for (Node* n = d.hovered; n && n->is_element() && old_count < kMaxChain; n = n->parent) {
    old_chain[old_count++] = n;
    n->state |= kStateHoverScratch;
    if (n->state & kStateHovered) {
      n->state &= static_cast<std::uint16_t>(~kStateHovered);
      mark_restyle(*n, reach);
    }
  }
  d.hovered = element;
  Node* entered[kMaxChain];
  int entered_count = 0;
  for (Node* n = element; n && n->is_element(); n = n->parent) {
    if (!(n->state & kStateHovered)) {
      n->state |= kStateHovered;
      mark_restyle(*n, reach);
    }
    if (n->state & kStateHoverScratch)
      n->state &= static_cast<std::uint16_t>(~kStateHoverScratch);
    else if (entered_count < kMaxChain)
      entered[entered_count++] = n;
  }
  const float x = d.input.pointer_x, y = d.input.pointer_y;
  for (int i = 0; i < old_count; ++i) {
    Node* n = old_chain[i];
    if (!(n->state & kStateHoverScratch)) continue;
    n->state &= static_cast<std::uint16_t>(~kStateHoverScratch);
    fire_pointer(*n, EventType::kMouseleave, 0, x, y, 0);
  }
  for (int i = entered_count - 1; i >= 0; --i) {
    // A mouseleave or earlier mouseenter handler may have taken the node away.
    if (!is_connected(*entered[i]) || d.hovered != element) continue;
    fire_pointer(*entered[i], EventType::kMouseenter, 0, x, y, 0);
  }
}

// ---- Pointer ----

bool pointer_move(Document& d, float x, float y, std::uint32_t modifiers) noexcept {
  DispatchScope scope(d);
  InputState& in = d.input;
  in.pointer_x = x;
  in.pointer_y = y;
  in.pointer_inside = true;
  Node* hit = hit_test(d, x, y);
  update_hover(d, hit);
  update_tooltip_candidate(d, hit);
  bool dragging = false;
  if (g_hooks.drag && g_hooks.drag(d, x, y)) {
    dragging = true;
  } else if (in.caret_drag) {
    Node* control = d.pressed;
    if (live(control) && is_editable_text_control(*control) && control->edit_state &&
        is_connected(*control)) {
      place_caret_at_point(*control, x, y, true, false);
      dragging = true;
    } else {
      in.caret_drag = false;
    }
  } else if (in.selection_drag) {
    extend_text_selection(d, x, y);
    dragging = true;
  }
  if (hit && is_connected(*hit) && !in_disabled_subtree(hit))
    fire_pointer(*hit, EventType::kMousemove, 0, x, y, modifiers);
  return hit != nullptr || dragging;
}

bool pointer_leave(Document& d) noexcept {
  DispatchScope scope(d);
  d.input.pointer_inside = false;
  update_hover(d, nullptr);
  d.input.tooltip_pending = false;
  d.tooltip_owner = nullptr;
  hide_tooltip(d);
  return true;
}

namespace {

bool button_down(Document& d, std::int32_t button, float x, float y, std::uint32_t modifiers,
                 bool double_click) {
  InputState& in = d.input;
  Node* hit = hit_test(d, x, y);
  update_hover(d, hit);
  hide_tooltip(d);
  in.tooltip_pending = false;
  if (g_hooks.press && g_hooks.press(d, hit, x, y, button)) return true;
  d.pressed = hit;
  d.pressed_button = button;
  d.pressed_double = double_click;
  if (button == 0) set_pressed_chain(hit, true);
  // The chain as it stands now: a mousedown handler may take the target out of the tree,
  // and focus then moves from the nearest ancestor still in the document.
  Node* chain[kMaxChain];
  int chain_count = 0;
  for (Node* n = hit; n && n->is_element() && chain_count < kMaxChain; n = n->parent)
    chain[chain_count++] = n;
  if (hit && !in_disabled_subtree(hit) &&
      fire_pointer(*hit, EventType::kMousedown, button, x, y, modifiers))
    return true;
  bool removed = hit && !is_connected(*hit);
  Node* focus_from = hit;
  if (removed) {
    focus_from = nullptr;
    for (int i = 1; i < chain_count; ++i) {
      if (is_connected(*chain[i])) {
        focus_from = chain[i];
        break;
      }
    }
  }
  if (button == 2) {
    if (!removed && hit && is_editable_text_control(*hit) && !in_disabled_subtree(hit)) {
      set_focus(d, hit);
      close_select_popup(d);
      EditState* edit = hit->edit_state;
      if (live(hit) && d.focused == hit && (!edit || edit->caret == edit->anchor))
        place_caret_at_point(*hit, x, y, false, false);
    }
    return hit != nullptr;
  }
  if (button != 0) return hit != nullptr;
  if (d.select_popup && !removed && hit && contains(d.select_popup, hit)) return true;
  bool popup_was_open = d.select_popup != nullptr;
  Node* target = nearest_focusable(focus_from);
  set_focus(d, target);
  close_select_popup(d);
  if (target && live(target) && d.focused == target && target->control == ControlKind::kSelect &&
      !in_disabled_subtree(target) && !popup_was_open && is_connected(*target))
    open_select_popup(d, *target);
  if (removed || !hit || !is_connected(*hit)) return hit != nullptr;
  bool extend = (modifiers & kModShift) != 0;
  if (is_editable_text_control(*hit) && !in_disabled_subtree(hit)) {
    if (d.focused == hit) {
      place_caret_at_point(*hit, x, y, extend, double_click);
      in.caret_drag = true;
    }
  } else {
    start_text_selection(d, x, y, extend);
  }
  return true;
}

bool button_up(Document& d, std::int32_t button, float x, float y, std::uint32_t modifiers) {
  InputState& in = d.input;
  if (button == 0) {
    if (g_hooks.release) g_hooks.release(d);
    in.caret_drag = false;
    in.selection_drag = false;
    d.capture_from = d.capture_to = nullptr;
    d.capture_active = false;
    if (d.pressed && is_connected(*d.pressed))
      set_pressed_chain(d.pressed, false);
    else
      clear_pressed_everywhere(d);
  }
  Node* hit = hit_test(d, x, y);
  if (hit && !in_disabled_subtree(hit))
    fire_pointer(*hit, EventType::kMouseup, button, x, y, modifiers);
  Node* pressed = d.pressed;
  bool pressed_double = d.pressed_double;
  if (button == 2 && pressed && hit && is_connected(*pressed) && is_connected(*hit) &&
      contains(pressed, hit))
    record_context_menu(d, *hit, x, y);
  if (pressed && button == d.pressed_button) {
    Node* common = pressed;
    while (common && !contains(common, hit)) common = common->parent;
    if (hit && common && common->is_element() && is_connected(*common) &&
        !in_disabled_subtree(common) && button == 0) {
      bool prevented = fire_pointer(*common, EventType::kClick, 0, x, y, modifiers);
      if (pressed_double && is_connected(*common))
        fire_pointer(*common, EventType::kDblclick, 0, x, y, modifiers);
      if (!prevented && is_connected(*common)) click_default_action(d, *common);
    }
  }
  d.pressed = nullptr;
  d.pressed_double = false;
  return hit != nullptr;
}

}  // namespace

bool pointer_button(Document& d, bool down, std::int32_t button, float x, float y,
                    std::uint32_t modifiers, bool double_click) noexcept {
  DispatchScope scope(d);
  d.input.pointer_x = x;
  d.input.pointer_y = y;
  d.input.pointer_inside = true;
  return down ? button_down(d, button, x, y, modifiers, double_click)
              : button_up(d, button, x, y, modifiers);
}

bool wheel(Document& d, float x, float y, float notches, std::uint32_t modifiers) noexcept {
  DispatchScope scope(d);
  d.input.pointer_x = x;
  d.input.pointer_y = y;
  d.input.pointer_inside = true;
  Node* hit = hit_test(d, x, y);
  // Unlike the pointer events, wheel reaches disabled subtrees too: they still scroll.
  const bool prevented = hit && fire_pointer(*hit, EventType::kWheel, 0, x, y, modifiers, notches);
  bool moved = false;
  if (!prevented && hit && is_connected(*hit)) {
    float amount = notches * -100;
    if (d.select_popup && contains(d.select_popup, hit) && d.select_popup->first_child &&
        g_hooks.border_box) {
      // Inside the popup the step is whole option rows.
      BoxRect row;
      if (g_hooks.border_box(*d.select_popup->first_child, &row) && row.height > 0) {
        float rows = std::round(amount / row.height);
        if (rows == 0) rows = amount < 0 ? -1.0f : 1.0f;
        amount = rows * row.height;
      }
    }
    bool horizontal = (modifiers & kModShift) != 0;
    moved = scroll_from(d, hit, horizontal ? amount : 0, horizontal ? 0 : amount,
                        ScrollMode::kPixels);
  }
  refresh_hover(d);
  return prevented || moved;
}

// ---- Keys ----

bool key(Document& d, bool down, std::uint32_t k, std::uint32_t m, std::uint32_t character,
         bool repeat) noexcept {
  DispatchScope scope(d);
  // A prevented keydown eats only the character of its own key press.
  if (down) d.input.keydown_prevented = false;
  Node* target = d.focused ? d.focused : d.body;
  if (!target) return false;
  Event event;
  event.type = static_cast<std::int32_t>(down ? EventType::kKeydown : EventType::kKeyup);
  event.target = target;
  event.payload.key = KeyData{k, m, character, repeat ? 1u : 0u};
  bool prevented = dispatch(event);
  if (!down) return prevented;
  if (prevented) {
    d.input.keydown_prevented = true;
    return true;
  }
  Node* focused = d.focused && is_connected(*d.focused) ? d.focused : nullptr;
  if (focused && is_editable_text_control(*focused) && !in_disabled_subtree(focused) &&
      text_control_key(*focused, k, m))
    return true;
  focused = d.focused && is_connected(*d.focused) ? d.focused : nullptr;
  if (control_key(d, focused, k, m)) return true;
  const bool ctrl_or_alt = (m & (kModCtrl | kModAlt)) != 0;
  if (k == kKeyTab && !ctrl_or_alt) {
    move_focus_by_tab(d, (m & kModShift) != 0);
    return true;
  }
  if ((k == kKeyEnter || k == ' ') && focused && focused->control == ControlKind::kButton &&
      !in_disabled_subtree(focused)) {
    BoxRect r;
    if (!g_hooks.border_box || !g_hooks.border_box(*focused, &r)) r = BoxRect{};
    fire_pointer(*focused, EventType::kClick, 0, r.x + r.width / 2, r.y + r.height / 2, m);
    return true;
  }
  if (!ctrl_or_alt) {
    bool scrolled = false;
    bool scroll_key = true;
    switch (k) {
      case kKeyUp: scrolled = scroll_from(d, focused, 0, -40, ScrollMode::kPixels); break;
      case kKeyDown: scrolled = scroll_from(d, focused, 0, 40, ScrollMode::kPixels); break;
      case kKeyLeft: scrolled = scroll_from(d, focused, -40, 0, ScrollMode::kPixels); break;
      case kKeyRight: scrolled = scroll_from(d, focused, 40, 0, ScrollMode::kPixels); break;
      case kKeyPageUp: scrolled = scroll_from(d, focused, 0, -1, ScrollMode::kPages); break;
      case kKeyPageDown: scrolled = scroll_from(d, focused, 0, 1, ScrollMode::kPages); break;
      case kKeyHome: scrolled = scroll_from(d, focused, 0, -1, ScrollMode::kToEnd); break;
      case kKeyEnd: scrolled = scroll_from(d, focused, 0, 1, ScrollMode::kToEnd); break;
      default: scroll_key = false;
    }
    if (scroll_key) {
      if (scrolled) refresh_hover(d);
      return scrolled;
    }
  }
  if (k == 'C' && (m & kModCtrl) && !(m & kModAlt)) return copy_text_selection(d);
  return false;
}

// ---- Context menu ----

bool take_context_menu(Document& d, ContextMenuRequest* out) noexcept {
  InputState& in = d.input;
  if (!in.context_pending || !live(in.context_element)) return false;
  in.context_pending = false;
  ContextMenuRequest request;
  request.kind = in.context_kind;
  request.x = in.context_x;
  request.y = in.context_y;
  Node* e = in.context_element;
  if (in.context_kind == kContextMenuEdit) {
    EditState* edit = e->edit_state;
    bool selection = edit && edit->caret != edit->anchor;
    bool writable = !is_read_only(*e);
    bool secret = is_password_field(*e);
    std::size_t length = 0;
    value(e, &length);
    if (edit && edit->undo.count > 0 && writable) request.commands |= 1u << kEditCommandUndo;
    if (selection && writable && !secret) request.commands |= 1u << kEditCommandCut;
    if (selection && !secret) request.commands |= 1u << kEditCommandCopy;
    if (writable && !clipboard_read(d).empty()) request.commands |= 1u << kEditCommandPaste;
    if (selection && writable) request.commands |= 1u << kEditCommandDelete;
    if (length > 0) request.commands |= 1u << kEditCommandSelectAll;
  } else {
    request.commands = 1u << kEditCommandCopy;
  }
  if (out) *out = request;
  return true;
}

void run_edit_command(Document& d, std::int32_t command) noexcept {
  DispatchScope scope(d);
  InputState& in = d.input;
  Node* e = in.context_element;
  std::uint8_t kind = in.context_kind;
  in.context_element = nullptr;
  in.context_kind = kContextMenuNone;
  in.context_pending = false;
  if (!live(e) || !is_connected(*e)) return;
  if (kind == kContextMenuCopy) {
    if (command == kEditCommandCopy) copy_text_selection(d);
    return;
  }
  // The menu ran its own message loop: the control must still be the focused, enabled
  // text control it was opened for.
  if (!is_editable_text_control(*e) || d.focused != e || in_disabled_subtree(e)) return;
  EditState* edit = ensure_edit_state(*e);
  if (!edit) return;
  switch (command) {
    case kEditCommandUndo: undo(*e); break;
    case kEditCommandCut: text_control_key(*e, 'X', kModCtrl); break;
    case kEditCommandCopy: text_control_key(*e, 'C', kModCtrl); break;
    case kEditCommandPaste: text_control_key(*e, 'V', kModCtrl); break;
    case kEditCommandDelete:
      if (edit->caret != edit->anchor) edit_replace(*e, edit->anchor, edit->caret, {}, kEditOther);
      break;
    case kEditCommandSelectAll: text_control_key(*e, 'A', kModCtrl); break;
    default: break;
  }
}

// ---- Host queries ----

bool tooltip_pending(const Document& d) noexcept {
  return d.input.tooltip_pending && d.tooltip_owner != nullptr;
}

std::uint32_t tooltip_generation(const Document& d) noexcept {
  return d.input.tooltip_generation;
}

bool accepts_text(const Document& d) noexcept {
  const Node* f = d.focused;
  return f && is_editable_text_control(*f) && !is_read_only(*f) && !in_disabled_subtree(f);
}

bool caret_blink_wanted(const Document& d) noexcept {
  // A read-only field has a caret too (it moves and selects): it blinks like any other.
  const Node* f = d.focused;
  return f && is_editable_text_control(*f);
}

void toggle_caret(Document& d) noexcept {
  Node* f = d.focused;
  if (!f || !f->edit_state || !is_editable_text_control(*f)) return;
  f->edit_state->caret_visible = !f->edit_state->caret_visible;
  mark_dirty(*f, kDirtyPaint);
}

std::uint32_t caret_blink_generation(const Document& d) noexcept {
  return d.input.blink_generation;
}

bool caret_rect(Document& d, BoxRect* out) noexcept {
  Node* f = d.focused;
  if (!f || !is_editable_text_control(*f) || !f->edit_state || !g_hooks.caret_box ||
      !g_hooks.border_box)
    return false;
  BoxRect caret, box;
  if (!g_hooks.caret_box(*f, f->edit_state->caret, &caret) || !g_hooks.border_box(*f, &box))
    return false;
  if (out) {
    out->x = box.x + caret.x - f->edit_state->scroll_x;
    out->y = box.y + caret.y - f->edit_state->scroll_y;
    out->width = 1;
    out->height = caret.height;
  }
  return true;
}

void set_clipboard_callbacks(Document& d, const ClipboardCallbacks& callbacks) noexcept {
  d.input.clipboard = callbacks;
}

// ---- Document text selection ----

void start_text_selection(Document& d, float x, float y, bool extend) noexcept {
  InputState& in = d.input;
  Node* text = nullptr;
  std::uint32_t offset = 0;
  if (!g_hooks.text_position || !g_hooks.text_position(d, x, y, &text, &offset) || !text) {
    in.selection_anchor = in.selection_focus = {};
    in.selection_drag = false;
    return;
  }
  if (!extend || !in.selection_anchor.node) in.selection_anchor = TextPoint{text, offset};
  in.selection_focus = TextPoint{text, offset};
  in.selection_drag = true;
  if (d.root) mark_dirty(*d.root, kDirtyPaint);
}

void extend_text_selection(Document& d, float x, float y) noexcept {
  InputState& in = d.input;
  if (!in.selection_anchor.node || !g_hooks.text_position) return;
  Node* text = nullptr;
  std::uint32_t offset = 0;
  if (!g_hooks.text_position(d, x, y, &text, &offset) || !text) return;
  if (text == in.selection_focus.node && offset == in.selection_focus.offset) return;
  in.selection_focus = TextPoint{text, offset};
  if (d.root) mark_dirty(*d.root, kDirtyPaint);
}

const char* selected_text(Document& d, std::size_t* length) noexcept {
  if (length) *length = 0;
  InputState& in = d.input;
  TextPoint a = in.selection_anchor, b = in.selection_focus;
  if (!a.node || !b.node || !is_connected(*a.node) || !is_connected(*b.node)) return "";
  // Order the ends: is b reached from a in document order?
  bool forward = a.node == b.node ? a.offset <= b.offset : false;
  if (a.node != b.node)
    for (Node* n = a.node; n; n = next_in_order(n, d.root))
      if (n == b.node) {
        forward = true;
        break;
      }
  if (!forward) std::swap(a, b);
  std::size_t total = 0;
  for (int pass = 0; pass < 2; ++pass) {
    std::size_t at = 0;
    for (Node* n = a.node; n; n = next_in_order(n, d.root)) {
      if (n->is_text() && n->generated == 0) {
        std::string_view t = node_text(*n);
        std::size_t from = n == a.node ? std::min<std::size_t>(a.offset, t.size()) : 0;
        std::size_t to = n == b.node ? std::min<std::size_t>(b.offset, t.size()) : t.size();
        if (to > from) {
          if (pass == 1) std::memcpy(d.scratch + at, t.data() + from, to - from);
          at += to - from;
        }
      }
      if (n == b.node) break;
    }
    if (pass == 0) {
      total = at;
      if (total + 1 > d.scratch_capacity) {
        std::size_t capacity = 0;
        void* buffer = d.buffers.allocate(total + 1, &capacity);
        if (!buffer) return "";
        if (d.scratch) d.buffers.release(d.scratch, d.scratch_capacity);
        d.scratch = static_cast<char*>(buffer);
        d.scratch_capacity = static_cast<std::uint32_t>(capacity);
      }
    }
  }
  d.scratch[total] = '\0';
  d.scratch_length = static_cast<std::uint32_t>(total);
  if (length) *length = total;
  return d.scratch;
}

bool copy_text_selection(Document& d) noexcept {
  std::size_t length = 0;
  const char* text = selected_text(d, &length);
  if (length == 0) return false;
  clipboard_write(d, std::string_view(text, length));
  return true;
}

}  // namespace orlan
