#include "document.h"

#include <cstring>
#include <new>

#include "ascii.h"
#include "document_sheets.h"
#include "event.h"
#include "controls.h"
#include "input_hooks.h"

namespace orlan {

namespace {

const StyleSheetHooks* g_sheet_hooks = nullptr;
// Each stage installs its own members; the document calls whichever are set.
NodeDataHooks g_node_hook_table;
const NodeDataHooks* g_node_hooks = &g_node_hook_table;

constexpr std::uint32_t kFirstTextCapacity = 16;
constexpr std::uint32_t kFirstScratchCapacity = 256;
constexpr std::int16_t kFirstClassCapacity = 4;

bool is_html_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// Makes `buffer` hold at least `needed` bytes, doubling from `first`. The first
// `keep` bytes survive a move. False when out of memory (the buffer is unchanged).
bool grow_buffer(Document& document, char*& buffer, std::uint32_t& capacity, std::uint64_t needed,
                 std::uint32_t keep, std::uint32_t first) {
  if (buffer && capacity >= needed) return true;
  if (needed > UINT32_MAX) return false;
  std::uint64_t target = capacity ? capacity : first;
  while (target < needed) target *= 2;
  if (target > UINT32_MAX) target = needed;
  std::size_t real = 0;
  auto* fresh =
      static_cast<char*>(document.buffers.allocate(static_cast<std::size_t>(target), &real));
  if (!fresh) return false;
  if (buffer && keep) std::memcpy(fresh, buffer, keep);
  if (buffer) document.buffers.release(buffer, capacity);
  buffer = fresh;
  capacity = static_cast<std::uint32_t>(real > UINT32_MAX ? UINT32_MAX : real);
  return true;
}

void release_buffer(Document& document, char*& buffer, std::uint32_t& capacity) {
  if (buffer) document.buffers.release(buffer, capacity);
  buffer = nullptr;
  capacity = 0;
}

void forget_interaction(Document& d, Node* n) {
  if (d.hovered == n) {
    d.hovered = nullptr;
    d.input.hover_lost = true;
  }
  if (d.focused == n) d.focused = nullptr;
  if (d.pressed == n) {
    d.pressed = nullptr;
    d.pressed_double = false;
  }
  if (d.pointer_track_a == n) d.pointer_track_a = nullptr;
  if (d.pointer_track_b == n) d.pointer_track_b = nullptr;
  if (d.select_popup == n) d.select_popup = nullptr;
  if (d.popup_owner == n) d.popup_owner = nullptr;
  if (d.tooltip == n) d.tooltip = nullptr;
  if (d.tooltip_owner == n) d.tooltip_owner = nullptr;
  if (d.last_click == n) {
    d.last_click = nullptr;
    d.last_click_kind = 0;
  }
  if (d.capture_from == n || d.capture_to == n) {
    d.capture_from = nullptr;
    d.capture_to = nullptr;
    d.capture_active = false;
  }
  InputState& in = d.input;
  if (in.context_element == n) {
    in.context_element = nullptr;
    in.context_pending = false;
    in.context_kind = kContextMenuNone;
  }
  if (in.selection_anchor.node == n || in.selection_focus.node == n) {
    in.selection_anchor = {};
    in.selection_focus = {};
    in.selection_drag = false;
  }
  // The parser's landmarks must not outlive their elements either.
  if (d.html == n) d.html = nullptr;
  if (d.head == n) d.head = nullptr;
  if (d.body == n) d.body = nullptr;
}

// Frees everything a single node record holds and returns it to the free list.
void destroy_record(Document& d, Node* n) {
  for (Attribute* a = n->attributes; a;) {
    Attribute* next = a->next;
    release_buffer(d, a->value, a->capacity);
    d.attribute_pool.release(a);
    a = next;
  }
  n->attributes = nullptr;
  n->style = nullptr;  // computed styles live in the style stage's arena
  if (n->box) {
    if (g_node_hooks && g_node_hooks->release_box) g_node_hooks->release_box(d, *n);
    n->box = nullptr;
  }
  if (n->animation) {
    if (g_node_hooks && g_node_hooks->release_animation) g_node_hooks->release_animation(d, *n);
    n->animation = nullptr;
  }
  if (n->edit_state) {
    release_edit_buffers(d, *n->edit_state);
    d.edit_pool.release(n->edit_state);
    n->edit_state = nullptr;
  }
  release_handlers(d, *n);
  if (n->classes) {
    d.buffers.release(n->classes, static_cast<std::size_t>(n->class_capacity) * sizeof(Atom));
  }
  release_buffer(d, n->text, n->text_capacity);
  forget_interaction(d, n);
  d.node_pool.release(n);
  --d.live_nodes;
}

// Destroys a detached node and its subtree, children first, without recursion (the
// application can build trees of any depth).
void destroy_subtree(Document& d, Node* top) {
  Node* n = top;
  for (;;) {
    while (n->first_child) n = n->first_child;
    if (n == top) {
      destroy_record(d, n);
      return;
    }
    Node* parent = n->parent;
    Node* next = n->next_sibling;
    parent->first_child = next;
    if (next)
      next->prev_sibling = nullptr;
    else
      parent->last_child = nullptr;
    destroy_record(d, n);
    n = next ? next : parent;
  }
}

// The hovered element was destroyed or taken out of the tree: its old ancestors still
// carry the hover bit, and no hover walk reaches them from the hovered element.
void clear_lost_hover(Document& d) {
  if (!d.input.hover_lost || !d.root) return;
  d.input.hover_lost = false;
  Node* n = d.root;
  while (n) {
    if (n->is_element() && (n->state & kStateHovered)) {
      const Node* a = d.hovered;
      while (a && a != n) a = a->parent;
      if (!a) {
        n->state &= static_cast<std::uint16_t>(~kStateHovered);
        mark_restyle(*n, state_change_reach(d, kStateHovered));
      }
    }
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n && !n->next_sibling) n = n->parent;
    if (n) n = n->next_sibling;
  }
}

Node* acquire_node(Document& d, NodeKind kind) {
  Node* n = d.node_pool.acquire();
  if (!n) return nullptr;
  n->document = &d;
  n->kind = kind;
  ++d.live_nodes;
  return n;
}

// Whether a change of this attribute can change which rules match.
bool attribute_affects_style(const Document& d, Atom name) {
  std::string_view text = d.atoms.text(name);
  if (text.size() < 6 || text.substr(0, 5) != "data-") return true;
  const StyleSheetSlots& s = d.sheets;
  if (s.all_data_attributes) return true;
  for (int i = 0; i < s.data_attribute_count && i < StyleSheetSlots::kMaxDataAttributes; ++i)
    if (s.data_attributes[i] == name) return true;
  return false;
}

using tw::ascii_iequals;

ControlKind input_control_kind(std::string_view type) {
  if (ascii_iequals(type, "checkbox")) return ControlKind::kCheckbox;
  if (ascii_iequals(type, "radio")) return ControlKind::kRadio;
  if (ascii_iequals(type, "button") || ascii_iequals(type, "submit") ||
      ascii_iequals(type, "reset"))
    return ControlKind::kButton;
  return ControlKind::kTextField;
}

bool append_class(Document& d, Node& e, Atom klass) {
  if (e.class_count == UINT16_MAX || e.class_capacity == INT16_MAX) return false;
  if (e.class_count >= e.class_capacity) {
    std::int32_t capacity = e.class_capacity ? e.class_capacity * 2 : kFirstClassCapacity;
    if (capacity > INT16_MAX) capacity = INT16_MAX;
    std::size_t real = 0;
    auto* fresh = static_cast<Atom*>(d.buffers.allocate(capacity * sizeof(Atom), &real));
    if (!fresh) return false;
    if (e.classes) {
      std::memcpy(fresh, e.classes, e.class_count * sizeof(Atom));
      d.buffers.release(e.classes, static_cast<std::size_t>(e.class_capacity) * sizeof(Atom));
    }
    e.classes = fresh;
    e.class_capacity = static_cast<std::int16_t>(capacity);
  }
  e.classes[e.class_count++] = klass;
  return true;
}

// A class list built apart from the element, so that the element's list changes only once
// everything the new one needs has been allocated.
struct ClassBuffer {
  Atom* atoms = nullptr;
  std::uint16_t count = 0;
  std::int16_t capacity = 0;
};

constexpr std::int16_t kMostClasses = 16384;

void release_class_buffer(Document& d, ClassBuffer& list) {
  if (list.atoms)
    d.buffers.release(list.atoms, static_cast<std::size_t>(list.capacity) * sizeof(Atom));
  list = {};
}

// Splits the `class` value at ASCII whitespace into a class list, first-seen order, no
// duplicates. On failure nothing stays allocated.
Status build_class_list(Document& d, std::string_view value, ClassBuffer& out) {
  std::size_t tokens = 0;
  for (std::size_t i = 0; i < value.size();) {
    while (i < value.size() && is_html_space(value[i])) ++i;
    if (i == value.size()) break;
    ++tokens;
    while (i < value.size() && !is_html_space(value[i])) ++i;
  }
  out = {};
  if (tokens == 0) return kOk;
  std::int32_t capacity = kFirstClassCapacity;
  while (capacity < static_cast<std::int64_t>(tokens) && capacity < kMostClasses) capacity *= 2;
  std::size_t real = 0;
  out.atoms = static_cast<Atom*>(d.buffers.allocate(capacity * sizeof(Atom), &real));
  if (!out.atoms) return kOutOfMemory;
  out.capacity = static_cast<std::int16_t>(capacity);
  for (std::size_t i = 0; i < value.size();) {
    while (i < value.size() && is_html_space(value[i])) ++i;
    std::size_t start = i;
    while (i < value.size() && !is_html_space(value[i])) ++i;
    if (i == start) break;
    Atom klass = 0;
    if (!d.atoms.intern(value.substr(start, i - start), klass)) {
      release_class_buffer(d, out);
      return kOutOfMemory;
    }
    bool seen = false;
    for (std::uint16_t k = 0; k < out.count && !seen; ++k) seen = out.atoms[k] == klass;
    if (seen) continue;
    if (out.count == out.capacity) {
      release_class_buffer(d, out);
      return kOutOfMemory;
    }
    out.atoms[out.count++] = klass;
  }
  return kOk;
}

// Puts `list` in place of the element's class list (the old buffer is released).
void adopt_class_list(Document& d, Node& e, ClassBuffer& list) {
  if (!list.atoms) {
    e.class_count = 0;  // the old buffer stays for later classes
    return;
  }
  if (e.classes) {
    d.buffers.release(e.classes, static_cast<std::size_t>(e.class_capacity) * sizeof(Atom));
  }
  e.classes = list.atoms;
  e.class_count = list.count;
  e.class_capacity = list.capacity;
  list = {};
}

// Stores the bytes of an attribute value, creating the record when missing.
Status store_attribute(Document& d, Node& e, Atom name, std::string_view value, Attribute** out) {
  Attribute* a = find_attribute(e, name);
  if (value.size() >= UINT32_MAX) return kOutOfMemory;
  if (a) {
    if (!grow_buffer(d, a->value, a->capacity, value.size() + 1, 0, kFirstTextCapacity))
      return kOutOfMemory;
  } else {
    a = d.attribute_pool.acquire();
    if (!a) return kOutOfMemory;
    if (!grow_buffer(d, a->value, a->capacity, value.size() + 1, 0, kFirstTextCapacity)) {
      d.attribute_pool.release(a);
      return kOutOfMemory;
    }
    a->name = name;
    a->next = e.attributes;
    e.attributes = a;
  }
  if (!value.empty()) std::memmove(a->value, value.data(), value.size());
  a->value[value.size()] = '\0';
  a->length = static_cast<std::uint32_t>(value.size());
  *out = a;
  return kOk;
}

// Rewrites the `class` attribute as the class names joined by single spaces.
Status write_class_attribute(Document& d, Node& e) {
  std::uint64_t total = 0;
  for (std::uint16_t i = 0; i < e.class_count; ++i) total += d.atoms.text(e.classes[i]).size() + 1;
  if (!grow_buffer(d, d.scratch, d.scratch_capacity, total + 1, 0, kFirstScratchCapacity))
    return kOutOfMemory;
  std::uint32_t length = 0;
  for (std::uint16_t i = 0; i < e.class_count; ++i) {
    if (i) d.scratch[length++] = ' ';
    std::string_view name = d.atoms.text(e.classes[i]);
    std::memcpy(d.scratch + length, name.data(), name.size());
    length += static_cast<std::uint32_t>(name.size());
  }
  d.scratch[length] = '\0';
  d.scratch_length = length;
  Attribute* a = nullptr;
  return store_attribute(d, e, d.names.klass, std::string_view(d.scratch, length), &a);
}

}  // namespace

void set_style_sheet_hooks(const StyleSheetHooks* hooks) noexcept {
  g_sheet_hooks = hooks;
}
void set_node_data_hooks(const NodeDataHooks* hooks) noexcept {
  if (!hooks) {
    g_node_hook_table = NodeDataHooks{};
    return;
  }
  if (hooks->release_box) g_node_hook_table.release_box = hooks->release_box;
  if (hooks->release_animation) g_node_hook_table.release_animation = hooks->release_animation;
  if (hooks->release_document) g_node_hook_table.release_document = hooks->release_document;
}

Document::Document() noexcept = default;

Document::~Document() {
  if (scratch) buffers.release(scratch, scratch_capacity);
}

Document* create_document() noexcept {
  void* memory = system_allocate(sizeof(Document));
  if (!memory) return nullptr;
  auto* d = new (memory) Document();
  d->root = acquire_node(*d, NodeKind::kRoot);
  bool ok = d->root != nullptr;
  // The attribute names the tree treats specially, in a fixed order.
  Atom* special[] = {&d->names.id,      &d->names.klass,    &d->names.style, &d->names.disabled,
                     &d->names.value,   &d->names.tabindex, &d->names.href,  &d->names.type,
                     &d->names.checked, &d->names.selected};
  const char* special_names[] = {"id",       "class", "style", "disabled", "value",
                                 "tabindex", "href",  "type",  "checked",  "selected"};
  for (int i = 0; ok && i < 10; ++i) ok = d->atoms.intern(special_names[i], *special[i]);
  if (ok)
    ok = g_sheet_hooks ? (!g_sheet_hooks->create || g_sheet_hooks->create(*d))
                       : css::create_document_sheets(*d);
  if (!ok) {
    destroy_document(d);
    return nullptr;
  }
  d->root->tag_id = -1;
  return d;
}

void destroy_document(Document* d) noexcept {
  if (!d) return;
  if (g_sheet_hooks) {
    if (g_sheet_hooks->destroy) g_sheet_hooks->destroy(*d);
  } else {
    css::destroy_document_sheets(*d);
  }
  // Handlers must not run any more: whatever waits on the deferred list goes now.
  d->dispatch_depth = 0;
  while (Node* n = d->deferred) {
    d->deferred = n->next_sibling;
    n->next_sibling = nullptr;
    destroy_subtree(*d, n);
  }
  if (d->root) destroy_subtree(*d, d->root);
  // Detached nodes go with the arena, without their hooks: stages drop what they kept.
  if (g_node_hooks && g_node_hooks->release_document) g_node_hooks->release_document(*d);
  if (d->destroy_images) d->destroy_images(d->images);
  if (d->destroy_style_state) d->destroy_style_state(d->style_state);
  if (d->destroy_text_widths) d->destroy_text_widths(d->text_widths);
  d->~Document();
  system_free(d);
}

Node* create_element_node(Document& d, std::string_view name) noexcept {
  Atom tag = 0;
  if (!d.atoms.intern_lower(name, tag)) return nullptr;
  Node* n = acquire_node(d, NodeKind::kElement);
  if (!n) return nullptr;
  n->tag = tag;
  TagId id = find_known_tag(d.atoms.text(tag));
  n->tag_id = static_cast<std::int16_t>(id);
  switch (id) {
    case TagId::kInput:
    case TagId::kTextarea:
      n->control = ControlKind::kTextField;
      break;
    case TagId::kSelect:
      n->control = ControlKind::kSelect;
      break;
    case TagId::kButton:
      n->control = ControlKind::kButton;
      break;
    default:
      break;
  }
  return n;
}

Node* create_text_node(Document& d, std::string_view text) noexcept {
  Node* n = acquire_node(d, NodeKind::kText);
  if (!n) return nullptr;
  if (!set_node_text(*n, text)) {
    destroy_record(d, n);
    return nullptr;
  }
  return n;
}

void unlink(Node& n) noexcept {
  Node* p = n.parent;
  if (!p) return;
  if (n.prev_sibling)
    n.prev_sibling->next_sibling = n.next_sibling;
  else
    p->first_child = n.next_sibling;
  if (n.next_sibling)
    n.next_sibling->prev_sibling = n.prev_sibling;
  else
    p->last_child = n.prev_sibling;
  n.parent = n.prev_sibling = n.next_sibling = nullptr;
}

namespace {
// Marks the node and its ancestors as holding an id somewhere below them.
void note_ids_in_subtree(Node& node) noexcept {
  for (Node* n = &node; n && !n->ids_in_subtree; n = n->parent) n->ids_in_subtree = 1;
}
}  // namespace

void link_child(Node& parent, Node& child, Node* reference) noexcept {
  unlink(child);
  child.parent = &parent;
  if (child.ids_in_subtree) note_ids_in_subtree(parent);
  if (reference) {
    child.next_sibling = reference;
    child.prev_sibling = reference->prev_sibling;
    if (reference->prev_sibling)
      reference->prev_sibling->next_sibling = &child;
    else
      parent.first_child = &child;
    reference->prev_sibling = &child;
  } else {
    child.prev_sibling = parent.last_child;
    child.next_sibling = nullptr;
    if (parent.last_child)
      parent.last_child->next_sibling = &child;
    else
      parent.first_child = &child;
    parent.last_child = &child;
  }
}

void drop_styles(Node& top, bool boxes) noexcept {
  Document& d = *top.document;
  Node* n = &top;
  for (;;) {
    n->style = nullptr;
    if (boxes && n->box) {
      if (g_node_hooks && g_node_hooks->release_box) g_node_hooks->release_box(d, *n);
      n->box = nullptr;
    }
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n != &top && !n->next_sibling) n = n->parent;
    if (n == &top) return;
    n = n->next_sibling;
  }
}

void discard_node(Node& n) noexcept {
  Document& d = *n.document;
  if (n.doomed) return;
  if (d.dispatch_depth > 0) {
    drop_styles(n, true);
    n.doomed = 1;
    n.next_sibling = d.deferred;
    d.deferred = &n;
    return;
  }
  destroy_subtree(d, &n);
  clear_lost_hover(d);
}

bool is_connected(const Node& node) noexcept {
  const Node* n = &node;
  while (n->parent) n = n->parent;
  return n->kind == NodeKind::kRoot;
}

bool set_node_text(Node& n, std::string_view text) noexcept {
  if (text.size() >= UINT32_MAX) return false;
  if (!grow_buffer(*n.document, n.text, n.text_capacity, text.size() + 1, 0, kFirstTextCapacity))
    return false;
  if (!text.empty()) std::memmove(n.text, text.data(), text.size());
  n.text[text.size()] = '\0';
  n.text_length = static_cast<std::uint32_t>(text.size());
  n.text_revision = ++n.document->text_revisions;
  return true;
}

void invalidate(Document& d) noexcept {
  if (d.invalidate) d.invalidate(&d, d.invalidate_user);
}

namespace {
void propagate_descendant_bit(Node& n) {
  for (Node* a = n.parent; a && !(a->dirty & kDirtyDescendant); a = a->parent)
    a->dirty |= kDirtyDescendant;
}
}  // namespace

void mark_dirty(Node& n, std::uint8_t bits) noexcept {
  Document& d = *n.document;
  n.dirty |= bits;
  if (bits & (kDirtyStyle | kDirtyLayout)) d.needs_style_and_layout = true;
  propagate_descendant_bit(n);
  invalidate(d);
}

void mark_restyle(Node& e, std::uint8_t reach) noexcept {
  std::uint8_t bits = kDirtyStyle;
  if (reach & css::kReachSubtree) bits |= kDirtySubtree;
  if (reach & css::kReachSiblings) bits |= kDirtySiblings;
  mark_dirty(e, bits);
  // A :has() argument names what changed: the elements it anchors on may be anywhere
  // above, so everything restyles (still against the old styles, not as a reset).
  Document& d = *e.document;
  if ((reach & css::kReachHas) && d.html && is_connected(e))
    mark_dirty(*d.html, kDirtyStyle | kDirtySubtree);
}

std::uint8_t state_change_reach(const Document& d, std::uint16_t state_bits) noexcept {
  const css::RestyleFacts* facts = css::restyle_facts(d);
  return facts ? facts->state_reach(state_bits) : 0;
}

namespace {
// Whether an element of the subtree is named by some :has() argument.
bool subtree_touches_has(const Document& d, const css::RestyleFacts& facts, Node& top) {
  if (facts.has_matches_any() || facts.has_structural()) return true;
  Node* n = &top;
  for (;;) {
    if (n->is_element() && n->generated == 0) {
      if (facts.tag_reach(n->tag) & css::kReachHas) return true;
      if (facts.id_reach(n->id) & css::kReachHas) return true;
      for (std::uint16_t i = 0; i < n->class_count; ++i)
        if (facts.class_reach(n->classes[i]) & css::kReachHas) return true;
      for (Attribute* a = n->attributes; a; a = a->next)
        if (facts.attribute_reach(a->name) & css::kReachHas) return true;
      if (facts.state_reach(n->state) & css::kReachHas) return true;
    }
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    while (n != &top && !n->next_sibling) n = n->parent;
    if (n == &top) return false;
    n = n->next_sibling;
  }
  (void)d;
}
}  // namespace

void note_has_relevant_change(Node& node) noexcept {
  Document& d = *node.document;
  if (!d.sheets.has_selectors || !d.html) return;
  const css::RestyleFacts* facts = css::restyle_facts(d);
  if (!facts || subtree_touches_has(d, *facts, node))
    mark_dirty(*d.html, kDirtyStyle | kDirtySubtree);
}

namespace {
// The reach of an attribute change: its name, and for `class` and `id` the names the
// old and new values give.
std::uint8_t attribute_reach(const Document& d, const Node& e, Atom name) {
  const css::RestyleFacts* facts = css::restyle_facts(d);
  if (!facts) return 0;
  std::uint8_t reach = facts->attribute_reach(name);
  if (name == d.names.klass) {
    for (std::uint16_t i = 0; i < e.class_count; ++i) reach |= facts->class_reach(e.classes[i]);
  } else if (name == d.names.id) {
    reach |= facts->id_reach(e.id);
  } else if (name == d.names.disabled) {
    reach |= facts->state_reach(kStateDisabled);
  } else if (name == d.names.checked || name == d.names.selected) {
    reach |= facts->state_reach(kStateChecked);
  }
  return reach;
}
}  // namespace

Attribute* find_attribute(const Node& e, Atom name) noexcept {
  for (Attribute* a = e.attributes; a; a = a->next)
    if (a->name == name) return a;
  return nullptr;
}

Status set_attribute_atom(Node& e, Atom name, std::string_view value, Marking marking) noexcept {
  Document& d = *e.document;
  std::uint8_t reach = marking == Marking::kMark ? attribute_reach(d, e, name) : 0;
  const SpecialAtoms& k = d.names;
  // What the id and class need is made before the attribute changes, and the attribute is
  // stored before they change: out of memory at any step leaves attribute, id atom and
  // class list as they were.
  Atom id = 0;
  if (name == k.id && !d.atoms.intern(value, id)) return kOutOfMemory;
  ClassBuffer classes;
  if (name == k.klass) {
    if (Status s = build_class_list(d, value, classes); s != kOk) return s;
  }
  Attribute* a = nullptr;
  if (Status s = store_attribute(d, e, name, value, &a); s != kOk) {
    release_class_buffer(d, classes);
    return s;
  }
  Status status = kOk;
  if (name == k.id) {
    e.id = id;
    if (id) note_ids_in_subtree(e);
  } else if (name == k.klass) {
    adopt_class_list(d, e, classes);
  } else if (name == k.disabled) {
    e.state |= kStateDisabled;
  } else if (name == k.type && e.has_tag(TagId::kInput)) {
    e.control = input_control_kind(value);
  } else if ((name == k.checked && e.has_tag(TagId::kInput)) ||
             (name == k.selected && e.has_tag(TagId::kOption))) {
    e.state |= kStateChecked;
  }
  if (marking == Marking::kMark && attribute_affects_style(d, name))
    mark_restyle(e, reach | attribute_reach(d, e, name));
  if (d.tooltip && d.atoms.text(name) == "title") refresh_tooltip_text(d, e, value);
  return status;
}

Status set_attribute_named(Node& e, std::string_view name, std::string_view value,
                           Marking marking) noexcept {
  Atom atom = 0;
  if (!e.document->atoms.intern_lower(name, atom)) return kOutOfMemory;
  return set_attribute_atom(e, atom, value, marking);
}

Status remove_attribute_atom(Node& e, Atom name) noexcept {
  Document& d = *e.document;
  std::uint8_t reach = attribute_reach(d, e, name);
  Attribute** link = &e.attributes;
  while (*link && (*link)->name != name) link = &(*link)->next;
  Attribute* a = *link;
  if (!a) return kOk;
  *link = a->next;
  release_buffer(d, a->value, a->capacity);
  d.attribute_pool.release(a);
  const SpecialAtoms& k = d.names;
  if (name == k.id) {
    e.id = 0;
  } else if (name == k.klass) {
    e.class_count = 0;
  } else if (name == k.disabled) {
    e.state &= static_cast<std::uint16_t>(~kStateDisabled);
  } else if (name == k.type && e.has_tag(TagId::kInput)) {
    e.control = ControlKind::kTextField;
  } else if (name == k.checked || name == k.selected) {
    e.state &= static_cast<std::uint16_t>(~kStateChecked);
  }
  if (attribute_affects_style(d, name)) mark_restyle(e, reach);
  if (d.tooltip && d.atoms.text(name) == "title") refresh_tooltip_text(d, e, {});
  return kOk;
}

bool has_class_atom(const Node& e, Atom klass) noexcept {
  for (std::uint16_t i = 0; i < e.class_count; ++i)
    if (e.classes[i] == klass) return true;
  return false;
}

Status add_class_atom(Node& e, Atom klass) noexcept {
  if (has_class_atom(e, klass)) return kOk;
  Document& d = *e.document;
  if (!append_class(d, e, klass)) return kOutOfMemory;
  if (write_class_attribute(d, e) != kOk) {
    --e.class_count;  // a class whose attribute text cannot be written is not added
    return kOutOfMemory;
  }
  const css::RestyleFacts* facts = css::restyle_facts(d);
  mark_restyle(e, facts ? facts->class_reach(klass) : 0);
  return kOk;
}

Status remove_class_atom(Node& e, Atom klass) noexcept {
  std::uint16_t i = 0;
  while (i < e.class_count && e.classes[i] != klass) ++i;
  if (i == e.class_count) return kOk;
  std::memmove(e.classes + i, e.classes + i + 1, (e.class_count - i - 1) * sizeof(Atom));
  --e.class_count;
  if (write_class_attribute(*e.document, e) != kOk) {
    // The attribute still names the class: put it back where it was (no allocation).
    std::memmove(e.classes + i + 1, e.classes + i, (e.class_count - i) * sizeof(Atom));
    e.classes[i] = klass;
    ++e.class_count;
    return kOutOfMemory;
  }
  const css::RestyleFacts* facts = css::restyle_facts(*e.document);
  mark_restyle(e, facts ? facts->class_reach(klass) : 0);
  return kOk;
}

const char* text_content_scratch(Node& node, std::uint32_t* length) noexcept {
  if (node.is_text()) {
    *length = node.text_length;
    return node.text ? node.text : "";
  }
  Document& d = *node.document;
  std::uint64_t total = 0;
  if (!grow_buffer(d, d.scratch, d.scratch_capacity, 1, 0, kFirstScratchCapacity)) return nullptr;
  Node* n = node.first_child;
  while (n) {
    bool descend = false;
    if (n->generated == 0) {
      if (n->is_text() && n->text_length) {
        if (!grow_buffer(d, d.scratch, d.scratch_capacity, total + n->text_length + 1,
                         static_cast<std::uint32_t>(total), kFirstScratchCapacity))
          return nullptr;
        std::memcpy(d.scratch + total, n->text, n->text_length);
        total += n->text_length;
      }
      descend = n->first_child != nullptr;
    }
    if (descend) {
      n = n->first_child;
      continue;
    }
    while (n != &node && !n->next_sibling) n = n->parent;
    if (n == &node) break;
    n = n->next_sibling;
  }
  d.scratch[total] = '\0';
  d.scratch_length = static_cast<std::uint32_t>(total);
  *length = d.scratch_length;
  return d.scratch;
}

Node* find_element_by_id(Document& d, Atom id) noexcept {
  if (id == 0) return nullptr;
  Node* top = d.root;
  Node* n = top->first_child;
  while (n) {
    if (n->is_element() && n->ids_in_subtree) {
      if (n->id == id) return n;
      if (n->first_child) {
        n = n->first_child;
        continue;
      }
    }
    while (n != top && !n->next_sibling) n = n->parent;
    if (n == top) break;
    n = n->next_sibling;
  }
  return nullptr;
}

void clear_document(Document& d) noexcept {
  while (Node* child = d.root->first_child) {
    unlink(*child);
    discard_node(*child);
  }
  d.html = d.head = d.body = nullptr;
  mark_dirty(*d.root, kDirtyAll);
}

namespace {
constexpr std::string_view kInactiveClass = "ui-window-inactive";
}

void update_window_inactive_class(Document& d) noexcept {
  if (!d.html) return;
  Atom klass = 0;
  if (d.window_inactive) {
    if (d.atoms.intern(kInactiveClass, klass)) add_class_atom(*d.html, klass);
  } else if ((klass = d.atoms.lookup(kInactiveClass)) != 0) {
    remove_class_atom(*d.html, klass);
  }
}

void set_window_active(Document& d, bool active) {
  bool inactive = !active;
  if (inactive != d.window_inactive) {
    d.window_inactive = inactive;
    update_window_inactive_class(d);
    if (inactive) {
      close_select_popup(d);
      hide_tooltip(d);
    }
  }
  if (!d.html) return;
  Event event;
  event.type = static_cast<std::int32_t>(active ? EventType::kActivate : EventType::kDeactivate);
  event.target = d.html;
  dispatch(event);
}

void set_viewport(Document& d, float width, float height) noexcept {
  bool changed = width != d.viewport_width || height != d.viewport_height;
  d.viewport_width = width;
  d.viewport_height = height;
  mark_dirty(*d.root, kDirtyLayout);
  if (changed && d.viewport_queried && d.html) mark_dirty(*d.html, kDirtyStyle | kDirtySubtree);
}

void begin_dispatch(Document& d) noexcept {
  ++d.dispatch_depth;
}

void end_dispatch(Document& d) noexcept {
  if (d.dispatch_depth > 0) --d.dispatch_depth;
  if (d.dispatch_depth > 0) return;
  while (Node* n = d.deferred) {
    d.deferred = n->next_sibling;
    n->next_sibling = nullptr;
    destroy_subtree(d, n);
  }
  clear_lost_hover(d);
}

namespace {
// Takes an engine-made element out of the tree (destroyed, or deferred during dispatch).
void drop_generated_element(Node* n) {
  if (!n || n->doomed) return;
  if (Node* p = n->parent) {
    unlink(*n);
    mark_dirty(*p, kDirtyLayout | kDirtyPaint);
  }
  discard_node(*n);
}
}  // namespace

void close_select_popup(Document& d) noexcept {
  Node* popup = d.select_popup;
  d.select_popup = nullptr;
  d.popup_owner = nullptr;
  drop_generated_element(popup);
}

void hide_tooltip(Document& d) noexcept {
  Node* tooltip = d.tooltip;
  d.tooltip = nullptr;
  drop_generated_element(tooltip);
}

void refresh_tooltip_text(Document& d, Node& owner, std::string_view title) noexcept {
  if (!d.tooltip || d.tooltip_owner != &owner) return;
  if (title.empty()) {
    hide_tooltip(d);
    return;
  }
  set_text_content(d.tooltip, title.data(), title.size());
}

void set_focus(Document& d, Node* element) {
  if (d.focused == element) return;
  DispatchScope scope(d);
  Node* old = d.focused;
  d.focused = element;
  // An element whose focus is still on its way (a blur or change handler of the element
  // losing it blurred it again) never had the focus: it gets no blur either.
  if (old && (old->state & kStateFocused)) {
    old->state &= static_cast<std::uint16_t>(~kStateFocused);
    mark_restyle(*old, state_change_reach(d, kStateFocused));
    if (is_editable_text_control(*old)) end_editing(*old);
    Event blur_event;
    blur_event.type = static_cast<std::int32_t>(EventType::kBlur);
    blur_event.target = old;
    dispatch(blur_event);
  }
  // A blur or change handler may have moved the focus elsewhere already.
  if (element && d.focused == element && live(element)) {
    element->state |= kStateFocused;
    mark_restyle(*element, state_change_reach(d, kStateFocused));
    if (is_editable_text_control(*element)) begin_editing(*element);
    if (input_hooks().scroll_into_view && is_connected(*element))
      input_hooks().scroll_into_view(*element);
    Event focus_event;
    focus_event.type = static_cast<std::int32_t>(EventType::kFocus);
    focus_event.target = element;
    dispatch(focus_event);
  }
}

}  // namespace orlan
