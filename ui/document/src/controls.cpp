// Form controls: checked state and radio groups, text editing (caret, selection, undo,
// clipboard, composition), number fields, the select popup and the tooltip.

#include "controls.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "ascii.h"
#include "event.h"
#include "input.h"
#include "input_hooks.h"

namespace orlan {

namespace {

std::string_view attribute_text(const Node& e, std::string_view name) {
  Atom atom = e.document->atoms.lookup(name);
  const Attribute* a = atom ? find_attribute(e, atom) : nullptr;
  return a && a->value ? std::string_view(a->value, a->length) : std::string_view();
}

bool has_attribute_named(const Node& e, std::string_view name) {
  Atom atom = e.document->atoms.lookup(name);
  return atom && find_attribute(e, atom);
}

// The control's value as an owned copy (the value may live in the scratch buffer).
bool current_value(Node& control, std::string& out) {
  std::size_t length = 0;
  const char* text = value(&control, &length);
  try {
    out.assign(text ? text : "", text ? length : 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// Stores the value without touching the editing record (set_value resets the caret).
bool store_value(Node& control, std::string_view text) {
  if (!set_node_text(control, text)) return false;
  control.value_set = 1;
  mark_dirty(control, kDirtyLayout | kDirtyPaint);
  return true;
}

bool copy_into(Document& d, std::string_view text, char*& buffer, std::size_t& capacity) {
  if (text.size() + 1 > capacity) {
    std::size_t real = 0;
    void* fresh = d.buffers.allocate(text.size() + 1, &real);
    if (!fresh) return false;
    if (buffer) d.buffers.release(buffer, capacity);
    buffer = static_cast<char*>(fresh);
    capacity = real;
  }
  if (!text.empty()) std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return true;
}

void release_snapshot(Document& d, EditSnapshot& s) {
  if (s.text) d.buffers.release(s.text, s.capacity);
  s = EditSnapshot{};
}

void clear_stack(Document& d, EditStack& stack) {
  for (std::uint16_t i = 0; i < stack.count; ++i) release_snapshot(d, stack.items[i]);
  stack.count = 0;
}

// Pushes a snapshot; the undo stack drops its oldest entry beyond the limit.
bool push_snapshot(Document& d, EditStack& stack, std::string_view text, std::uint32_t caret,
                   std::uint32_t anchor) {
  if (stack.count >= kMaxUndo) {
    release_snapshot(d, stack.items[0]);
    std::memmove(stack.items, stack.items + 1, sizeof(EditSnapshot) * (stack.count - 1));
    --stack.count;
    stack.items[stack.count] = EditSnapshot{};
  }
  if (stack.count == stack.capacity) {
    std::uint16_t capacity = stack.capacity ? static_cast<std::uint16_t>(stack.capacity * 2) : 8;
    std::size_t real = 0;
    void* fresh = d.buffers.allocate(sizeof(EditSnapshot) * capacity, &real);
    if (!fresh) return false;
    if (stack.items) {
      std::memcpy(fresh, stack.items, sizeof(EditSnapshot) * stack.count);
      d.buffers.release(stack.items, stack.bytes);
    }
    stack.items = static_cast<EditSnapshot*>(fresh);
    stack.capacity = capacity;
    stack.bytes = real;
  }
  EditSnapshot s;
  if (!copy_into(d, text, s.text, s.capacity)) return false;
  s.length = static_cast<std::uint32_t>(text.size());
  s.caret = caret;
  s.anchor = anchor;
  stack.items[stack.count++] = s;
  return true;
}

void fire_text_event(Node& target, EventType type, std::string_view text) {
  Event event;
  event.type = static_cast<std::int32_t>(type);
  event.target = &target;
  event.payload.text = TextData{text.data(), static_cast<std::uint32_t>(text.size())};
  dispatch(event);
}

// ---- UTF-8 and words ----

bool continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::uint32_t previous_char(std::string_view t, std::uint32_t at) {
  if (at == 0) return 0;
  --at;
  while (at > 0 && continuation(t[at])) --at;
  return at;
}

std::uint32_t next_char(std::string_view t, std::uint32_t at) {
  if (at >= t.size()) return static_cast<std::uint32_t>(t.size());
  ++at;
  while (at < t.size() && continuation(t[at])) ++at;
  return at;
}

std::uint32_t code_point_at(std::string_view t, std::uint32_t at) {
  auto b = [&](std::uint32_t i) { return i < t.size() ? static_cast<unsigned char>(t[i]) : 0u; };
  std::uint32_t c = b(at);
  if (c < 0x80) return c;
  if (c >= 0xF0) return ((c & 7) << 18) | ((b(at + 1) & 63) << 12) | ((b(at + 2) & 63) << 6) |
                        (b(at + 3) & 63);
  if (c >= 0xE0) return ((c & 15) << 12) | ((b(at + 1) & 63) << 6) | (b(at + 2) & 63);
  return ((c & 31) << 6) | (b(at + 1) & 63);
}

bool is_word_code_point(std::uint32_t c) {
  if (c < 0x80) return tw::is_ascii_alpha(static_cast<char>(c)) ||
                       tw::is_ascii_digit(static_cast<char>(c)) || c == '_';
  // Spaces and punctuation outside ASCII end words too.
  if (c <= 0xBF || c == 0xD7 || c == 0xF7) return false;
  if (c >= 0x2000 && c <= 0x206F) return false;
  if (c >= 0x3000 && c <= 0x303F) return false;
  if ((c >= 0xFF01 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) ||
      (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65))
    return false;
  return c != 0xFEFF;
}

bool word_before(std::string_view t, std::uint32_t at) {
  return at > 0 && is_word_code_point(code_point_at(t, previous_char(t, at)));
}

bool word_after(std::string_view t, std::uint32_t at) {
  return at < t.size() && is_word_code_point(code_point_at(t, at));
}

std::uint32_t previous_word_start(std::string_view t, std::uint32_t at) {
  while (at > 0 && !word_before(t, at)) at = previous_char(t, at);
  while (at > 0 && word_before(t, at)) at = previous_char(t, at);
  return at;
}

std::uint32_t next_word_end(std::string_view t, std::uint32_t at) {
  while (at < t.size() && !word_after(t, at)) at = next_char(t, at);
  while (at < t.size() && word_after(t, at)) at = next_char(t, at);
  return at;
}

std::uint32_t line_start(std::string_view t, std::uint32_t at) {
  while (at > 0 && t[at - 1] != '\n') --at;
  return at;
}

std::uint32_t line_end(std::string_view t, std::uint32_t at) {
  while (at < t.size() && t[at] != '\n') ++at;
  return at;
}

// ---- Numbers ----

// A decimal number at the start of the text (sign, digits, fraction, exponent).
bool parse_number(std::string_view text, double& out) {
  char buffer[32];
  std::size_t n = std::min<std::size_t>(text.size(), 31);
  if (n > 0) std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  std::size_t i = 0;
  while (i < n && (buffer[i] == ' ' || buffer[i] == '\t')) ++i;
  std::size_t start = i;
  if (i < n && (buffer[i] == '+' || buffer[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < n && tw::is_ascii_digit(buffer[i])) ++i, ++digits;
  if (i < n && buffer[i] == '.') {
    ++i;
    while (i < n && tw::is_ascii_digit(buffer[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (buffer[i] == 'e' || buffer[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < n && (buffer[j] == '+' || buffer[j] == '-')) ++j;
    if (j < n && tw::is_ascii_digit(buffer[j])) {
      while (j < n && tw::is_ascii_digit(buffer[j])) ++j;
      i = j;
    }
  }
  buffer[i] = '\0';
  double v = std::strtod(buffer + start, nullptr);
  if (!std::isfinite(v)) return false;
  out = v;
  return true;
}

double clamp_to_limits(const Node& control, double v) {
  double limit;
  if (parse_number(attribute_text(control, "max"), limit) && v > limit) v = limit;
  if (parse_number(attribute_text(control, "min"), limit) && v < limit) v = limit;
  return v;
}

std::string format_number(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.10g", v);
  return buffer;
}

void replace_whole_value(Node& control, std::string_view text) {
  std::string old;
  if (!current_value(control, old) || old == text) return;
  edit_replace(control, 0, static_cast<std::uint32_t>(old.size()), text, kEditOther);
}

// ---- Caret ----

void reveal_caret(Node& control, EditState& edit) {
  const InputHooks& hooks = input_hooks();
  BoxRect caret, start, box;
  if (!hooks.caret_box || !hooks.border_box || !hooks.caret_box(control, edit.caret, &caret) ||
      !hooks.caret_box(control, 0, &start) || !hooks.border_box(control, &box))
    return;
  float right = box.width - start.x;
  if (caret.x - edit.scroll_x > right) edit.scroll_x = caret.x - right;
  if (caret.x - edit.scroll_x < start.x) edit.scroll_x = std::max(0.0f, caret.x - start.x);
  float bottom = box.height - start.y;
  if (caret.y + caret.height - edit.scroll_y > bottom)
    edit.scroll_y = caret.y + caret.height - bottom;
  if (caret.y - edit.scroll_y < start.y) edit.scroll_y = std::max(0.0f, caret.y - start.y);
}

void move_caret(Node& control, EditState& edit, std::uint32_t to, bool extend) {
  edit.caret = to;
  if (!extend) edit.anchor = to;
  restart_caret_blink(*control.document, &edit);
  reveal_caret(control, edit);
  mark_dirty(control, kDirtyPaint);
}

// Up and Down in a textarea: the line above or below at the kept horizontal position.
std::uint32_t vertical_move(Node& control, EditState& edit, std::string_view t, int direction) {
  const InputHooks& hooks = input_hooks();
  BoxRect caret, box;
  if (hooks.caret_box && hooks.caret_at_point && hooks.border_box &&
      hooks.caret_box(control, edit.caret, &caret) && hooks.border_box(control, &box) &&
      caret.height > 0) {
    if (edit.goal_x < 0) edit.goal_x = caret.x;
    float y = caret.y + caret.height / 2 + direction * caret.height;
    if (y < 0) return 0;
    std::uint32_t to = hooks.caret_at_point(control, box.x + edit.goal_x - edit.scroll_x,
                                            box.y + y - edit.scroll_y);
    if (direction > 0 && to <= edit.caret) {
      // Below the last line: the end of the text.
      BoxRect end;
      if (hooks.caret_box(control, static_cast<std::uint32_t>(t.size()), &end) &&
          end.y <= caret.y)
        return static_cast<std::uint32_t>(t.size());
    }
    return to;
  }
  // Without line geometry: the same column of the neighbouring logical line.
  std::uint32_t start = line_start(t, edit.caret);
  std::uint32_t column = edit.caret - start;
  if (direction < 0) {
    if (start == 0) return 0;
    std::uint32_t above = line_start(t, start - 1);
    return std::min(above + column, start - 1);
  }
  std::uint32_t end = line_end(t, edit.caret);
  if (end >= t.size()) return static_cast<std::uint32_t>(t.size());
  std::uint32_t below = end + 1;
  return std::min(below + column, line_end(t, below));
}

// Clipboard text as a control takes it: a field keeps the first line, a textarea turns
// CR LF (and a lone CR) into LF.
std::string pasted_text(std::string_view clip, bool multi_line) {
  std::string out;
  if (!multi_line) {
    std::size_t cut = clip.find_first_of("\r\n");
    out.assign(clip.substr(0, cut));
    return out;
  }
  out.reserve(clip.size());
  for (std::size_t i = 0; i < clip.size(); ++i) {
    if (clip[i] == '\r') {
      out += '\n';
      if (i + 1 < clip.size() && clip[i + 1] == '\n') ++i;
    } else {
      out += clip[i];
    }
  }
  return out;
}

// ---- Popup geometry ----

bool box_of(const Node& node, BoxRect& out) {
  const InputHooks& hooks = input_hooks();
  out = BoxRect{};
  return hooks.border_box && hooks.border_box(node, &out);
}

void relayout(Document& d) {
  if (input_hooks().update_layout) input_hooks().update_layout(d);
}

void set_style(Node& e, const char* text) {
  set_attribute_named(e, "style", text);
}

// The tallest whole number of rows (plus the popup's own padding and border) that fits R.
float fitting_height(float room, float padding, float row) {
  if (row <= 0 || room < 2 * row + padding) return room;
  return std::floor((room - padding) / row) * row + padding;
}

Node* make_div(Document& d, std::string_view klass) {
  Node* e = create_element_node(d, "div");
  if (!e) return nullptr;
  if (set_attribute_named(*e, "class", klass) != kOk) {
    discard_node(*e);
    return nullptr;
  }
  return e;
}

bool append_text(Node& parent, std::string_view text) {
  if (text.empty()) return true;
  Node* t = create_text_node(*parent.document, text);
  if (!t) return false;
  link_child(parent, *t, nullptr);
  return true;
}

}  // namespace

// ---- Kinds ----

bool is_editable_text_control(const Node& e) {
  return e.is_element() && e.control == ControlKind::kTextField &&
         (e.has_tag(TagId::kInput) || e.has_tag(TagId::kTextarea));
}

bool is_password_field(const Node& e) {
  return e.has_tag(TagId::kInput) && tw::ascii_iequals(attribute_text(e, "type"), "password");
}

bool is_number_field(const Node& e) {
  return e.has_tag(TagId::kInput) && tw::ascii_iequals(attribute_text(e, "type"), "number");
}

bool is_read_only(const Node& e) {
  return has_attribute_named(e, "readonly");
}

bool in_disabled_subtree(const Node* n) {
  for (; n && n->is_element(); n = n->parent)
    if (n->state & kStateDisabled) return true;
  return false;
}

// ---- Options ----

Node* selected_option(Node& select) {
  Node* first = nullptr;
  for (Node* c = select.first_child; c; c = c->next_sibling) {
    if (!c->has_tag(TagId::kOption)) continue;
    if (c->state & kStateChecked) return c;
    if (!first) first = c;
  }
  return first;
}

void select_option(Node& select, Node& chosen) {
  bool changed = false;
  for (Node* c = select.first_child; c; c = c->next_sibling) {
    if (!c->has_tag(TagId::kOption)) continue;
    bool want = c == &chosen;
    bool has = (c->state & kStateChecked) != 0;
    if (want == has) continue;
    if (want)
      c->state |= kStateChecked;
    else
      c->state &= static_cast<std::uint16_t>(~kStateChecked);
    mark_restyle(*c, state_change_reach(*c->document, kStateChecked));
    changed = true;
  }
  if (changed) mark_dirty(select, kDirtyLayout | kDirtyPaint);
}

// ---- Checked state ----

bool set_checked(Node& e, bool checked) {
  bool is_option = e.has_tag(TagId::kOption);
  if (!is_option && e.control != ControlKind::kCheckbox && e.control != ControlKind::kRadio)
    return false;
  if (((e.state & kStateChecked) != 0) == checked) return false;
  Document& d = *e.document;
  auto flip = [&](Node& n, bool on) {
    if (on)
      n.state |= kStateChecked;
    else
      n.state &= static_cast<std::uint16_t>(~kStateChecked);
    mark_restyle(n, state_change_reach(d, kStateChecked));
    mark_dirty(n, kDirtyPaint);
    if (n.has_tag(TagId::kOption) && n.parent && n.parent->has_tag(TagId::kSelect))
      mark_dirty(*n.parent, kDirtyLayout | kDirtyPaint);
  };
  flip(e, checked);
  std::string_view name = e.control == ControlKind::kRadio ? attribute_text(e, "name") : "";
  if (checked && !name.empty() && d.html) {
    // Radios of the same name exclude each other anywhere in the document. The walk
    // follows the tree's own links, so no width or depth of the tree can overrun it.
    Node* top = d.html;
    for (Node* n = top; n;) {
      if (n != &e && n->control == ControlKind::kRadio && (n->state & kStateChecked) &&
          attribute_text(*n, "name") == name)
        flip(*n, false);
      if (n->first_child && n->is_element()) {
        n = n->first_child;
        continue;
      }
      while (n != top && !n->next_sibling) n = n->parent;
      n = n == top ? nullptr : n->next_sibling;
    }
  }
  return true;
}

void toggle(Node& e) {
  if (e.control == ControlKind::kRadio && (e.state & kStateChecked)) return;
  if (!set_checked(e, !(e.state & kStateChecked))) return;
  DispatchScope scope(*e.document);
  fire_event(e, EventType::kInput);
  fire_event(e, EventType::kChange);
}

// ---- Editing ----

EditState* ensure_edit_state(Node& control) noexcept {
  if (!control.edit_state) control.edit_state = control.document->edit_pool.acquire();
  return control.edit_state;
}

void release_edit_buffers(Document& d, EditState& edit) noexcept {
  clear_stack(d, edit.undo);
  clear_stack(d, edit.redo);
  if (edit.undo.items) d.buffers.release(edit.undo.items, edit.undo.bytes);
  if (edit.redo.items) d.buffers.release(edit.redo.items, edit.redo.bytes);
  if (edit.composition) d.buffers.release(edit.composition, edit.composition_capacity);
  edit.undo = EditStack{};
  edit.redo = EditStack{};
  edit.composition = nullptr;
  edit.composition_capacity = 0;
  edit.composition_length = 0;
}

void restart_caret_blink(Document& d, EditState* edit) {
  if (edit) edit->caret_visible = true;
  ++d.input.blink_generation;
}

namespace {

// After a new value is stored: the edit kind that decides the next undo step, the caret shown
// and scrolled into view, and the input event.
void finish_edit(Node& control, EditState& edit, std::uint8_t kind) {
  edit.last_edit_kind = kind;
  edit.modified = true;
  edit.goal_x = -1;
  Document& d = *control.document;
  restart_caret_blink(d, &edit);
  reveal_caret(control, edit);
  DispatchScope scope(d);
  fire_event(control, EventType::kInput);
}

}  // namespace

bool edit_replace(Node& control, std::uint32_t start, std::uint32_t end, std::string_view text,
                  std::uint8_t kind) {
  if (!is_editable_text_control(control) || is_read_only(control)) return false;
  Document& d = *control.document;
  EditState* edit = ensure_edit_state(control);
  std::string old, next;
  if (!edit || !current_value(control, old)) return false;
  std::uint32_t length = static_cast<std::uint32_t>(old.size());
  start = std::min(start, length);
  end = std::min(end, length);
  if (start > end) std::swap(start, end);
  try {
    next.reserve(old.size() - (end - start) + text.size());
    next.append(old, 0, start).append(text).append(old, end, std::string::npos);
  } catch (const std::bad_alloc&) {
    return false;
  }
  bool step = kind == kEditOther || kind != edit->last_edit_kind ||
              (kind == kEditTyping && (text == " " || text == "\n"));
  if (step) {
    if (!push_snapshot(d, edit->undo, old, edit->caret, edit->anchor)) return false;
    clear_stack(d, edit->redo);
  }
  if (!store_value(control, next)) {
    if (step) release_snapshot(d, edit->undo.items[--edit->undo.count]);
    return false;
  }
  edit->caret = edit->anchor = start + static_cast<std::uint32_t>(text.size());
  finish_edit(control, *edit, kind);
  return true;
}

namespace {

bool restore_from(Node& control, EditStack& from, EditStack& to) {
  EditState* edit = control.edit_state;
  if (!edit || from.count == 0 || is_read_only(control)) return false;
  Document& d = *control.document;
  std::string current;
  if (!current_value(control, current)) return false;
  if (!push_snapshot(d, to, current, edit->caret, edit->anchor)) return false;
  EditSnapshot s = from.items[from.count - 1];
  if (!store_value(control, std::string_view(s.text ? s.text : "", s.length))) {
    release_snapshot(d, to.items[--to.count]);
    return false;
  }
  --from.count;
  std::uint32_t length = s.length;
  edit->caret = std::min(s.caret, length);
  edit->anchor = std::min(s.anchor, length);
  release_snapshot(d, s);
  from.items[from.count] = EditSnapshot{};
  finish_edit(control, *edit, 0);  // the next edit starts a step of its own
  return true;
}

}  // namespace

bool undo(Node& control) {
  return control.edit_state && restore_from(control, control.edit_state->undo,
                                            control.edit_state->redo);
}

bool redo(Node& control) {
  return control.edit_state && restore_from(control, control.edit_state->redo,
                                            control.edit_state->undo);
}

void begin_editing(Node& control) {
  EditState* edit = ensure_edit_state(control);
  if (!edit) return;
  edit->modified = false;
  restart_caret_blink(*control.document, edit);
  mark_dirty(control, kDirtyPaint);
}

void end_editing(Node& control) {
  EditState* edit = control.edit_state;
  if (!edit) return;
  if (edit->composing) {
    edit->composing = false;
    edit->composition_length = 0;
    mark_dirty(control, kDirtyLayout | kDirtyPaint);
  }
  edit->caret_visible = false;
  mark_dirty(control, kDirtyPaint);
  if (!edit->modified) return;
  DispatchScope scope(*control.document);
  if (is_number_field(control)) normalise_number_field(control);
  if (live(&control) && control.edit_state) control.edit_state->modified = false;
  fire_event(control, EventType::kChange);
}

void place_caret_at_point(Node& control, float x, float y, bool extend, bool select_word) {
  EditState* edit = ensure_edit_state(control);
  if (!edit) return;
  std::string text;
  if (!current_value(control, text)) return;
  std::uint32_t at = static_cast<std::uint32_t>(text.size());
  if (input_hooks().caret_at_point)
    at = std::min(input_hooks().caret_at_point(control, x, y), at);
  while (at > 0 && at < text.size() && continuation(text[at])) --at;
  edit->goal_x = -1;
  if (select_word && !is_password_field(control)) {
    std::uint32_t from = at, to = at;
    while (from > 0 && word_before(text, from)) from = previous_char(text, from);
    while (to < text.size() && word_after(text, to)) to = next_char(text, to);
    edit->anchor = from;
    move_caret(control, *edit, to, true);
    return;
  }
  move_caret(control, *edit, at, extend);
}

bool text_control_key(Node& control, std::uint32_t k, std::uint32_t m) {
  EditState* edit = ensure_edit_state(control);
  std::string text;
  if (!edit || !current_value(control, text)) return false;
  Document& d = *control.document;
  const bool shift = (m & kModShift) != 0;
  const bool ctrl = (m & kModCtrl) != 0;
  const bool alt = (m & kModAlt) != 0;
  const bool textarea = control.has_tag(TagId::kTextarea);
  const std::uint32_t length = static_cast<std::uint32_t>(text.size());
  edit->caret = std::min(edit->caret, length);
  edit->anchor = std::min(edit->anchor, length);
  const std::uint32_t low = std::min(edit->caret, edit->anchor);
  const std::uint32_t high = std::max(edit->caret, edit->anchor);
  const bool selection = low != high;
  if (k != kKeyUp && k != kKeyDown) edit->goal_x = -1;

  if (ctrl && !alt) {
    switch (k) {
      case 'A':
        edit->anchor = 0;
        move_caret(control, *edit, length, true);
        return true;
      case 'C':
      case 'X':
        if (selection && !is_password_field(control)) {
          clipboard_write(d, std::string_view(text).substr(low, high - low));
          if (k == 'X') edit_replace(control, low, high, {}, kEditOther);
        }
        return true;
      case 'V': {
        std::string_view clip = clipboard_read(d);
        if (clip.empty()) return true;
        std::string pasted;
        try {
          pasted = pasted_text(clip, textarea);
        } catch (const std::bad_alloc&) {
          return true;
        }
        edit_replace(control, low, high, pasted, kEditOther);
        return true;
      }
      case 'Z':
        if (shift)
          redo(control);
        else
          undo(control);
        return true;
      case 'Y':
        redo(control);
        return true;
      default:
        break;
    }
  }
  switch (k) {
    case kKeyBackspace: {
      std::uint8_t kind = ctrl ? kEditOther : kEditDeleteBackward;
      if (selection)
        edit_replace(control, low, high, {}, kind);
      else if (edit->caret > 0)
        edit_replace(control, ctrl ? previous_word_start(text, edit->caret)
                                   : previous_char(text, edit->caret),
                     edit->caret, {}, kind);
      return true;
    }
    case kKeyDelete: {
      std::uint8_t kind = ctrl ? kEditOther : kEditDeleteForward;
      if (selection)
        edit_replace(control, low, high, {}, kind);
      else if (edit->caret < length)
        edit_replace(control, edit->caret,
                     ctrl ? next_word_end(text, edit->caret) : next_char(text, edit->caret), {},
                     kind);
      return true;
    }
    case kKeyEnter:
      if (textarea) {
        edit_replace(control, low, high, "\n", kEditTyping);
        return true;
      }
      if (edit->modified) {
        DispatchScope scope(d);
        if (is_number_field(control)) normalise_number_field(control);
        if (live(&control) && control.edit_state) control.edit_state->modified = false;
        fire_event(control, EventType::kChange);
      }
      return true;
    case kKeyHome:
      move_caret(control, *edit, textarea && !ctrl ? line_start(text, edit->caret) : 0, shift);
      return true;
    case kKeyEnd:
      move_caret(control, *edit, textarea && !ctrl ? line_end(text, edit->caret) : length, shift);
      return true;
    case kKeyLeft:
      if (selection && !shift)
        move_caret(control, *edit, low, false);
      else
        move_caret(control, *edit,
                   ctrl ? previous_word_start(text, edit->caret) : previous_char(text, edit->caret),
                   shift);
      return true;
    case kKeyRight:
      if (selection && !shift)
        move_caret(control, *edit, high, false);
      else
        move_caret(control, *edit,
                   ctrl ? next_word_end(text, edit->caret) : next_char(text, edit->caret), shift);
      return true;
    case kKeyUp:
    case kKeyDown: {
      int direction = k == kKeyUp ? -1 : 1;
      if (is_number_field(control)) {
        step_number_field(control, -direction);
        return true;
      }
      if (!textarea) return false;
      float goal = edit->goal_x;
      std::uint32_t to = vertical_move(control, *edit, text, direction);
      goal = edit->goal_x >= 0 ? edit->goal_x : goal;
      move_caret(control, *edit, std::min(to, length), shift);
      edit->goal_x = goal;
      return true;
    }
    default:
      return false;
  }
}

void normalise_number_field(Node& control) {
  std::string text;
  if (!current_value(control, text)) return;
  double v;
  if (!parse_number(text, v)) {
    replace_whole_value(control, {});
    return;
  }
  replace_whole_value(control, format_number(clamp_to_limits(control, v)));
}

void step_number_field(Node& control, int direction) {
  std::string text;
  if (!current_value(control, text)) return;
  double step;
  if (!parse_number(attribute_text(control, "step"), step) || !(step > 0)) step = 1;
  double current = 0;
  if (!parse_number(text, current)) current = 0;
  double next = clamp_to_limits(control, current + direction * step);
  if (!std::isfinite(next)) return;
  replace_whole_value(control, format_number(next));
}

// ---- Clipboard ----

void clipboard_write(Document& d, std::string_view text) {
  InputState& in = d.input;
  if (in.clipboard.set) {
    in.clipboard.set(in.clipboard.user, text.data(), text.size());
    return;
  }
  if (copy_into(d, text, in.clip, in.clip_capacity)) in.clip_length = text.size();
}

std::string_view clipboard_read(Document& d) {
  InputState& in = d.input;
  if (in.clipboard.get) {
    const char* text = nullptr;
    std::size_t length = 0;
    if (!in.clipboard.get(in.clipboard.user, &text, &length) || !text) return {};
    return std::string_view(text, length);
  }
  return in.clip ? std::string_view(in.clip, in.clip_length) : std::string_view();
}

// ---- Select popup ----

void open_select_popup(Document& d, Node& select) {
  close_select_popup(d);
  if (!d.body || in_disabled_subtree(&select) || !is_connected(select)) return;
  DispatchScope scope(d);
  Node* popup = make_div(d, "ui-select-popup");
  if (!popup) return;
  Node* chosen = selected_option(select);
  Node* active = nullptr;
  for (Node* o = select.first_child; o; o = o->next_sibling) {
    if (!o->has_tag(TagId::kOption)) continue;
    Node* row = make_div(d, o == chosen ? "ui-select-option active" : "ui-select-option");
    std::uint32_t n = 0;
    const char* label = row ? text_content_scratch(*o, &n) : nullptr;
    if (!row || !label || !append_text(*row, std::string_view(label, n)) ||
        ((o->state & kStateDisabled) && set_attribute_named(*row, "disabled", "") != kOk)) {
      if (row) discard_node(*row);
      discard_node(*popup);
      return;
    }
    link_child(*popup, *row, nullptr);
    if (o == chosen) active = row;
  }
  link_child(*d.body, *popup, nullptr);
  mark_dirty(*popup, kDirtyAll);
  mark_dirty(*d.body, kDirtyLayout | kDirtyPaint);
  d.select_popup = popup;
  d.popup_owner = &select;

  // Placed from the geometry it is laid out in: its containing block's origin is found
  // by laying it out at 0,0 first.
  BoxRect r, origin, box;
  box_of(select, r);
  char style[160];
  std::snprintf(style, sizeof style, "left:0px;top:0px;min-width:%gpx", r.width);
  set_style(*popup, style);
  relayout(d);
  if (!box_of(*popup, origin)) origin = BoxRect{};
  box_of(select, r);
  float left = r.x - origin.x;
  float top = r.y + r.height - origin.y;
  std::snprintf(style, sizeof style, "left:%gpx;top:%gpx;min-width:%gpx", left, top, r.width);
  set_style(*popup, style);
  relayout(d);
  box_of(*popup, box);
  float h = box.height;
  float below = d.viewport_height - (r.y + r.height);
  if (h > below) {
    if (h <= r.y) {
      top = r.y - origin.y - h;
      std::snprintf(style, sizeof style, "left:%gpx;top:%gpx;min-width:%gpx", left, top, r.width);
    } else {
      BoxRect first{}, last{};
      float rows = 0, row_height = 0;
      if (popup->first_child && box_of(*popup->first_child, first) &&
          box_of(*popup->last_child, last)) {
        rows = last.y + last.height - first.y;
        row_height = first.height;
      }
      float padding = std::max(0.0f, h - rows);
      float fit;
      if (r.y > below) {
        fit = fitting_height(r.y, padding, row_height);
        top = r.y - origin.y - fit;
      } else {
        fit = fitting_height(below, padding, row_height);
      }
      std::snprintf(style, sizeof style, "left:%gpx;top:%gpx;min-width:%gpx;max-height:%gpx", left,
                    top, r.width, fit);
    }
    set_style(*popup, style);
    relayout(d);
  }
  if (active && input_hooks().scroll_into_view) input_hooks().scroll_into_view(*active);
}

void choose_popup_row(Document& d, Node& row) {
  Node* popup = d.select_popup;
  Node* select = d.popup_owner;
  if (!popup || row.parent != popup) return;
  int index = 0;
  for (Node* r = popup->first_child; r && r != &row; r = r->next_sibling) ++index;
  DispatchScope scope(d);
  // The popup closes even when its select is gone: a choice is the way out of it.
  close_select_popup(d);
  if (!select || !is_connected(*select)) return;
  Node* option = nullptr;
  for (Node* o = select->first_child; o; o = o->next_sibling) {
    if (!o->has_tag(TagId::kOption)) continue;
    if (index-- == 0) {
      option = o;
      break;
    }
  }
  if (!option || (option->state & kStateDisabled) || selected_option(*select) == option) return;
  select_option(*select, *option);
  fire_event(*select, EventType::kInput);
  if (live(select)) fire_event(*select, EventType::kChange);
}

Node* popup_active_row(Document& d) {
  if (!d.select_popup) return nullptr;
  Atom active = d.atoms.lookup("active");
  for (Node* r = d.select_popup->first_child; r; r = r->next_sibling)
    if (active && r->is_element() && has_class_atom(*r, active)) return r;
  return nullptr;
}

void move_popup_active(Document& d, int direction) {
  if (!d.select_popup) return;
  Node* current = popup_active_row(d);
  Node* next;
  if (!current)
    next = direction < 0 ? d.select_popup->last_child : d.select_popup->first_child;
  else
    next = direction < 0 ? current->prev_sibling : current->next_sibling;
  if (!next) return;
  Atom active = 0;
  if (!d.atoms.intern("active", active)) return;
  if (current) remove_class_atom(*current, active);
  add_class_atom(*next, active);
  if (input_hooks().scroll_into_view) input_hooks().scroll_into_view(*next);
}

// ---- Tooltip ----

void update_tooltip_candidate(Document& d, Node* hovered) {
  Node* candidate = nullptr;
  for (Node* n = hovered; n && n->is_element(); n = n->parent) {
    if (n == d.tooltip) return;  // the pointer went onto the tooltip itself
    if (!attribute_text(*n, "title").empty()) {
      candidate = n;
      break;
    }
  }
  if (candidate == d.tooltip_owner) return;
  hide_tooltip(d);
  d.tooltip_owner = candidate;
  d.input.tooltip_pending = candidate != nullptr;
  ++d.input.tooltip_generation;
  d.input.tooltip_x = d.input.pointer_x;
  d.input.tooltip_y = d.input.pointer_y;
  invalidate(d);
}

void show_tooltip(Document& d) noexcept {
  d.input.tooltip_pending = false;
  Node* owner = d.tooltip_owner;
  if (!owner || !d.body || d.tooltip || !is_connected(*owner)) return;
  std::string_view title = attribute_text(*owner, "title");
  if (title.empty()) return;
  DispatchScope scope(d);
  Node* tip = make_div(d, "ui-tooltip");
  if (!tip) return;
  if (!append_text(*tip, title) || set_attribute_named(*tip, "style", "left:0px;top:0px") != kOk) {
    discard_node(*tip);
    return;
  }
  link_child(*d.body, *tip, nullptr);
  mark_dirty(*tip, kDirtyAll);
  mark_dirty(*d.body, kDirtyLayout | kDirtyPaint);
  d.tooltip = tip;
  relayout(d);
  BoxRect origin, box;
  box_of(*tip, origin);
  box = origin;
  const float px = d.input.pointer_x, py = d.input.pointer_y;
  float x = px + 12;
  if (x + box.width > d.viewport_width) x = d.viewport_width - box.width;
  float y = py + 20;
  if (y + box.height > d.viewport_height) y = py - box.height - 8;
  x = std::max(0.0f, x);
  y = std::max(0.0f, y);
  char style[96];
  std::snprintf(style, sizeof style, "left:%gpx;top:%gpx", x - origin.x, y - origin.y);
  set_style(*tip, style);
  relayout(d);
}

// ---- Typed text and composition ----

bool text_input(Document& d, std::uint32_t cp, std::uint32_t modifiers) noexcept {
  DispatchScope scope(d);
  if (d.input.keydown_prevented) {
    d.input.keydown_prevented = false;
    return false;
  }
  if ((modifiers & kModCtrl) && !(modifiers & kModAlt)) return false;
  Node* f = d.focused;
  if (!f || !accepts_text(d) || !is_connected(*f)) return false;
  if (cp < 0x20 || cp == 0x7F || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  if (is_number_field(*f) && !(cp == '-' || cp == '.' || cp == 'e' || cp == 'E' ||
                               (cp >= '0' && cp <= '9')))
    return true;
  char bytes[4];
  std::size_t n;
  if (cp < 0x80) {
    bytes[0] = static_cast<char>(cp);
    n = 1;
  } else if (cp < 0x800) {
    bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
    bytes[1] = static_cast<char>(0x80 | (cp & 63));
    n = 2;
  } else if (cp < 0x10000) {
    bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
    bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 63));
    bytes[2] = static_cast<char>(0x80 | (cp & 63));
    n = 3;
  } else {
    bytes[0] = static_cast<char>(0xF0 | (cp >> 18));
    bytes[1] = static_cast<char>(0x80 | ((cp >> 12) & 63));
    bytes[2] = static_cast<char>(0x80 | ((cp >> 6) & 63));
    bytes[3] = static_cast<char>(0x80 | (cp & 63));
    n = 4;
  }
  EditState* edit = ensure_edit_state(*f);
  if (!edit) return true;
  std::uint32_t low = std::min(edit->caret, edit->anchor);
  std::uint32_t high = std::max(edit->caret, edit->anchor);
  edit_replace(*f, low, high, std::string_view(bytes, n), low == high ? kEditTyping : kEditOther);
  return true;
}

void composition_update(Document& d, const char* text, std::size_t length,
                        std::uint32_t caret) noexcept {
  DispatchScope scope(d);
  Node* f = d.focused;
  if (!f || !accepts_text(d) || (!text && length > 0)) return;
  EditState* edit = ensure_edit_state(*f);
  if (!edit) return;
  if (edit->caret != edit->anchor) {
    edit_replace(*f, edit->caret, edit->anchor, {}, kEditOther);
    if (d.focused != f || !live(f) || !(edit = f->edit_state)) return;
  }
  std::string_view composed(text ? text : "", length);
  if (!copy_into(d, composed, edit->composition, edit->composition_capacity)) return;
  edit->composition_length = static_cast<std::uint32_t>(length);
  edit->composition_caret = std::min<std::uint32_t>(caret, static_cast<std::uint32_t>(length));
  bool was = edit->composing;
  edit->composing = was || length > 0;
  restart_caret_blink(d, edit);
  mark_dirty(*f, kDirtyLayout | kDirtyPaint);
  if (!edit->composing) return;
  if (!was) fire_text_event(*f, EventType::kCompositionstart, {});
  if (!live(f)) return;
  // The handlers may replace the buffer: the event carries a stable copy.
  std::string copy;
  try {
    copy.assign(composed);
  } catch (const std::bad_alloc&) {
    return;
  }
  fire_text_event(*f, EventType::kCompositionupdate, copy);
  if (live(f)) fire_event(*f, EventType::kInput);
}

void composition_commit(Document& d, const char* text, std::size_t length) noexcept {
  DispatchScope scope(d);
  Node* f = d.focused;
  if (!f || !accepts_text(d) || (!text && length > 0)) return;
  EditState* edit = ensure_edit_state(*f);
  if (!edit) return;
  bool was = edit->composing;
  edit->composing = false;
  edit->composition_length = 0;
  mark_dirty(*f, kDirtyLayout | kDirtyPaint);
  std::string committed;
  try {
    committed.assign(text ? text : "", length);
  } catch (const std::bad_alloc&) {
    return;
  }
  if (!committed.empty()) {
    std::uint32_t low = std::min(edit->caret, edit->anchor);
    std::uint32_t high = std::max(edit->caret, edit->anchor);
    edit_replace(*f, low, high, committed, kEditOther);
  }
  if ((was || !committed.empty()) && live(f)) fire_text_event(*f, EventType::kCompositionend, committed);
}

void composition_end(Document& d) noexcept {
  Node* f = d.focused;
  if (!f || !f->edit_state || !f->edit_state->composing) return;
  f->edit_state->composing = false;
  f->edit_state->composition_length = 0;
  mark_dirty(*f, kDirtyLayout | kDirtyPaint);
}

}  // namespace orlan
