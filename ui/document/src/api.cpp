// The application's tree, attribute, class and control operations: argument checks and
// messages here, the work in the document's internal operations.

#include <cstring>
#include <string_view>

#include "controls.h"
#include "document.h"
#include "last_error.h"
#include "orlan/orlan.h"

namespace orlan {

namespace {

// A pointer plus length from outside; null with length 0 is the empty string.
std::string_view bytes(const char* text, std::size_t length) {
  return text ? std::string_view(text, length) : std::string_view();
}

bool dirties_parent_style(const Node& parent, const Node& child) {
  return parent.document->sheets.structural_selectors || child.has_tag(TagId::kLi);
}

// Positions among siblings and list numbers change for every child of the parent.
constexpr std::uint8_t kParentRestyle = kDirtyAll | kDirtySubtree;

bool is_ancestor_or_self(const Node& candidate, const Node* node) {
  for (const Node* n = node; n; n = n->parent)
    if (n == &candidate) return true;
  return false;
}

const char* store_length(const char* text, std::size_t length, std::size_t* out_length) {
  if (out_length) *out_length = text ? length : 0;
  return text;
}

// ---- select and option helpers ----

// Whether an option's value (its `value` attribute, else its text content) equals the
// bytes. The text is compared piece by piece, without the scratch buffer, which the
// wanted bytes may live in.
bool option_value_equals(Node& option, std::string_view wanted) {
  if (Attribute* a = find_attribute(option, option.document->names.value))
    return std::string_view(a->value, a->length) == wanted;
  std::size_t matched = 0;
  Node* n = option.first_child;
  while (n) {
    bool descend = false;
    if (n->generated == 0) {
      if (n->is_text()) {
        std::string_view piece = node_text(*n);
        if (wanted.substr(matched, piece.size()) != piece) return false;
        matched += piece.size();
      }
      descend = n->first_child != nullptr;
    }
    if (descend) {
      n = n->first_child;
      continue;
    }
    while (n != &option && !n->next_sibling) n = n->parent;
    if (n == &option) break;
    n = n->next_sibling;
  }
  return matched == wanted.size();
}

}  // namespace

// ---- Tree ----

Node* create_element(Document* document, const char* tag, std::size_t length) {
  if (!document || !tag || length == 0) {
    set_last_error("create_element: bad argument");
    return nullptr;
  }
  Node* n = create_element_node(*document, std::string_view(tag, length));
  if (!n) set_last_error("out of memory");
  return n;
}

Status insert(Node* parent, Node* child, Node* reference) {
  if (!live(parent) || !live(child) || parent->document != child->document || parent->doomed ||
      child->doomed) {
    set_last_error("insert: bad argument");
    return kBadArgument;
  }
  if (parent->is_text() || child->kind == NodeKind::kRoot || is_ancestor_or_self(*child, parent)) {
    set_last_error("insert: would create a cycle or child of text");
    return kBadArgument;
  }
  if (reference && (!live(reference) || reference->parent != parent)) {
    set_last_error("insert: reference node is not a child");
    return kBadArgument;
  }
  // Inserting a child before itself leaves it where it is.
  if (reference == child) reference = child->next_sibling;
  // Appended children go before the engine's ::after box, which stays last.
  if (!reference && parent->last_child && parent->last_child->generated == kGeneratedAfter &&
      parent->last_child != child)
    reference = parent->last_child;
  Node* old_parent = child->parent;
  if (old_parent) note_has_relevant_change(*child);
  link_child(*parent, *child, reference);
  if (old_parent && old_parent != parent) {
    mark_dirty(*old_parent, dirties_parent_style(*old_parent, *child)
                                ? kParentRestyle
                                : static_cast<std::uint8_t>(kDirtyLayout | kDirtyPaint));
  }
  // Its new ancestors may match other descendant selectors: the whole subtree restyles.
  mark_dirty(*child, kDirtyAll | kDirtySubtree);
  if (dirties_parent_style(*parent, *child)) mark_dirty(*parent, kParentRestyle);
  if (!is_connected(*parent)) {
    drop_styles(*child, false);
  } else {
    note_has_relevant_change(*child);
  }
  return kOk;
}

Status append_child(Node* parent, Node* child) {
  return insert(parent, child, nullptr);
}

void remove(Node* node) {
  if (!live(node) || node->kind == NodeKind::kRoot || node->doomed) return;
  if (Node* old_parent = node->parent) {
    note_has_relevant_change(*node);
    unlink(*node);
    mark_dirty(*old_parent, dirties_parent_style(*old_parent, *node)
                                ? kParentRestyle
                                : static_cast<std::uint8_t>(kDirtyLayout | kDirtyPaint));
  }
  discard_node(*node);
}

Node* get_element_by_id(Document* document, const char* id, std::size_t length) {
  if (!document || !id) return nullptr;
  // Looked up, not interned: an id no node ever had needs no walk.
  Atom atom = document->atoms.lookup(std::string_view(id, length));
  return find_element_by_id(*document, atom);
}

Node* parent(Node* node) {
  if (!live(node) || !node->parent || !node->parent->is_element()) return nullptr;
  return node->parent;
}

Node* first_child(Node* node) {
  if (!live(node)) return nullptr;
  Node* c = node->first_child;
  while (c && c->generated) c = c->next_sibling;
  return c;
}

Node* next_sibling(Node* node) {
  if (!live(node) || node->doomed) return nullptr;
  Node* c = node->next_sibling;
  while (c && c->generated) c = c->next_sibling;
  return c;
}

Node* last_child(Node* node) {
  if (!live(node)) return nullptr;
  Node* c = node->last_child;
  while (c && c->generated) c = c->prev_sibling;
  return c;
}

Node* previous_sibling(Node* node) {
  if (!live(node) || node->doomed) return nullptr;
  Node* c = node->prev_sibling;
  while (c && c->generated) c = c->prev_sibling;
  return c;
}

bool is_element(Node* node) {
  return live_element(node);
}

Status set_text_content(Node* node, const char* text, std::size_t length) {
  if (!live(node) || (!text && length > 0) || node->kind == NodeKind::kRoot) {
    set_last_error("set_text_content: bad argument");
    return kBadArgument;
  }
  std::string_view value = bytes(text, length);
  if (node->is_text()) {
    if (!set_node_text(*node, value)) return kOutOfMemory;
    mark_dirty(*node, kDirtyLayout | kDirtyPaint);
    return kOk;
  }
  Node* only = nullptr;
  int ordinary = 0;
  for (Node* c = node->first_child; c; c = c->next_sibling) {
    if (c->generated) continue;
    only = c;
    ++ordinary;
  }
  if (ordinary == 1 && only->is_text() && !value.empty()) {
    if (!set_node_text(*only, value)) return kOutOfMemory;
  } else {
    // The new node is made first, so that running out of memory changes nothing.
    Node* fresh = nullptr;
    if (!value.empty() && !(fresh = create_text_node(*node->document, value))) return kOutOfMemory;
    // The engine's generated boxes (list marker, ::before, ::after) stay.
    Node* after = nullptr;
    for (Node* c = node->first_child; c;) {
      Node* next = c->next_sibling;
      if (c->generated == 0) {
        note_has_relevant_change(*c);
        unlink(*c);
        discard_node(*c);
      } else if (c->generated == kGeneratedAfter) {
        after = c;
      }
      c = next;
    }
    if (fresh) {
      link_child(*node, *fresh, after);
      mark_dirty(*fresh, kDirtyStyle);  // the text takes its parent's style
    }
    // Emptiness (:empty) may have changed.
    if (node->document->sheets.structural_selectors) mark_dirty(*node, kDirtyStyle);
  }
  mark_dirty(*node, kDirtyLayout | kDirtyPaint);
  return kOk;
}

const char* text_content(Node* node, std::size_t* out_length) {
  if (out_length) *out_length = 0;
  if (!live(node)) return nullptr;
  std::uint32_t length = 0;
  const char* text = text_content_scratch(*node, &length);
  return store_length(text, length, out_length);
}

// ---- Attributes and classes ----

Status set_attribute(Node* element, const char* name, std::size_t name_length, const char* value,
                     std::size_t value_length) {
  if (!live_element(element) || !name || name_length == 0 || (!value && value_length > 0)) {
    set_last_error("set_attribute: bad argument");
    return kBadArgument;
  }
  return set_attribute_named(*element, std::string_view(name, name_length),
                             bytes(value, value_length));
}

const char* get_attribute(Node* element, const char* name, std::size_t name_length,
                          std::size_t* out_length) {
  if (out_length) *out_length = 0;
  if (!live_element(element) || !name) return nullptr;
  Atom atom = element->document->atoms.lookup_lower(std::string_view(name, name_length));
  Attribute* a = atom ? find_attribute(*element, atom) : nullptr;
  if (!a) return nullptr;
  return store_length(a->value, a->length, out_length);
}

bool has_attribute(Node* element, const char* name, std::size_t name_length) {
  if (!live_element(element) || !name) return false;
  Atom atom = element->document->atoms.lookup_lower(std::string_view(name, name_length));
  return atom && find_attribute(*element, atom);
}

Status remove_attribute(Node* element, const char* name, std::size_t name_length) {
  if (!live_element(element) || !name) return kBadArgument;
  Atom atom = element->document->atoms.lookup_lower(std::string_view(name, name_length));
  if (!atom) return kOk;
  return remove_attribute_atom(*element, atom);
}

Status add_class(Node* element, const char* name, std::size_t length) {
  if (!live_element(element) || !name || length == 0) return kBadArgument;
  Atom atom = 0;
  if (!element->document->atoms.intern(std::string_view(name, length), atom)) return kOutOfMemory;
  return add_class_atom(*element, atom);
}

Status remove_class(Node* element, const char* name, std::size_t length) {
  if (!live_element(element) || !name || length == 0) return kBadArgument;
  Atom atom = element->document->atoms.lookup(std::string_view(name, length));
  if (!atom) return kOk;
  return remove_class_atom(*element, atom);
}

bool has_class(Node* element, const char* name, std::size_t length) {
  if (!live_element(element) || !name || length == 0) return false;
  Atom atom = element->document->atoms.lookup(std::string_view(name, length));
  return atom && has_class_atom(*element, atom);
}

Status set_disabled(Node* element, bool disabled) {
  if (!live_element(element)) return kBadArgument;
  Atom name = element->document->names.disabled;
  return disabled ? set_attribute_atom(*element, name, {}) : remove_attribute_atom(*element, name);
}

// ---- Controls ----

Status set_value(Node* element, const char* value, std::size_t length) {
  if (!live_element(element) || (!value && length > 0)) return kBadArgument;
  std::string_view wanted = bytes(value, length);
  if (element->has_tag(TagId::kSelect)) {
    for (Node* c = element->first_child; c; c = c->next_sibling) {
      if (c->has_tag(TagId::kOption) && option_value_equals(*c, wanted)) {
        select_option(*element, *c);
        return kOk;
      }
    }
    return kBadArgument;
  }
  if (!set_node_text(*element, wanted)) return kOutOfMemory;
  element->value_set = 1;
  if (EditState* edit = element->edit_state) {
    edit->caret = edit->anchor = 0;
    edit->scroll_x = edit->scroll_y = 0;
  }
  mark_dirty(*element, kDirtyLayout | kDirtyPaint);
  return kOk;
}

const char* value(Node* element, std::size_t* out_length) {
  if (out_length) *out_length = 0;
  if (!live_element(element)) return nullptr;
  if (element->value_set) {
    return store_length(element->text ? element->text : "", element->text_length, out_length);
  }
  if (element->has_tag(TagId::kTextarea)) return text_content(element, out_length);
  if (element->has_tag(TagId::kSelect)) {
    Node* option = selected_option(*element);
    if (!option) return "";
    if (Attribute* a = find_attribute(*option, option->document->names.value))
      return store_length(a->value, a->length, out_length);
    return text_content(option, out_length);
  }
  if (Attribute* a = find_attribute(*element, element->document->names.value))
    return store_length(a->value, a->length, out_length);
  return "";
}

bool is_checked(Node* element) {
  return live_element(element) && (element->state & kStateChecked) != 0;
}

std::int32_t selected_index(Node* select) {
  if (!live_element(select) || !select->has_tag(TagId::kSelect)) return -1;
  Node* chosen = selected_option(*select);
  if (!chosen) return -1;
  std::int32_t index = 0;
  for (Node* c = select->first_child; c != chosen; c = c->next_sibling)
    if (c->has_tag(TagId::kOption)) ++index;
  return index;
}

Status set_selected_index(Node* select, std::int32_t index) {
  if (!live_element(select) || !select->has_tag(TagId::kSelect) || index < 0) return kBadArgument;
  std::int32_t i = 0;
  for (Node* c = select->first_child; c; c = c->next_sibling) {
    if (!c->has_tag(TagId::kOption)) continue;
    if (i++ == index) {
      select_option(*select, *c);
      return kOk;
    }
  }
  return kBadArgument;
}

Status get_selection(Node* element, std::uint32_t* start, std::uint32_t* end) {
  if (!live(element) || !is_editable_text_control(*element) || !element->edit_state)
    return kBadArgument;
  const EditState& edit = *element->edit_state;
  std::uint32_t low = edit.anchor < edit.caret ? edit.anchor : edit.caret;
  std::uint32_t high = edit.anchor < edit.caret ? edit.caret : edit.anchor;
  if (start) *start = low;
  if (end) *end = high;
  return kOk;
}

Status set_selection(Node* element, std::uint32_t anchor, std::uint32_t focus) {
  if (!live(element) || !is_editable_text_control(*element)) return kBadArgument;
  if (!element->edit_state && !(element->edit_state = element->document->edit_pool.acquire()))
    return kOutOfMemory;
  std::size_t length = 0;
  const char* text = value(element, &length);
  auto clamp = [&](std::uint32_t offset) {
    std::size_t at = offset < length ? offset : length;
    // Never inside a UTF-8 sequence: back to the byte that starts it.
    while (at > 0 && at < length && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return static_cast<std::uint32_t>(at);
  };
  element->edit_state->anchor = clamp(anchor);
  element->edit_state->caret = clamp(focus);
  mark_dirty(*element, kDirtyPaint);
  return kOk;
}

void blur(Node* element) {
  if (!live_element(element) || element->document->focused != element) return;
  set_focus(*element->document, nullptr);
}

}  // namespace orlan
