#pragma once

// The records of the document tree: nodes, attributes and event handlers. All three live
// in the document's arena and are recycled through its free lists.

#include <cstdint>

#include "atom_table.h"
#include "known_tags.h"
#include "orlan/orlan.h"

namespace orlan {

struct ComputedStyle;   // the style stage's record
struct LayoutBox;       // the layout stage's record
struct AnimationState;  // running transitions and animations of one element
struct EditState;       // editing record of a text control (edit_state.h)

enum class NodeKind : std::uint8_t { kRoot = 0, kElement = 1, kText = 2 };

// Dirty bits.
inline constexpr std::uint8_t kDirtyStyle = 1;
inline constexpr std::uint8_t kDirtyLayout = 2;
inline constexpr std::uint8_t kDirtyPaint = 4;
inline constexpr std::uint8_t kDirtyDescendant = 8;
// Restyle the element's whole subtree (a selector reaches descendants through what
// changed), and with kDirtySiblings also its following siblings' subtrees.
inline constexpr std::uint8_t kDirtySubtree = 16;
inline constexpr std::uint8_t kDirtySiblings = 32;
inline constexpr std::uint8_t kDirtyAll = kDirtyStyle | kDirtyLayout | kDirtyPaint;

// State bits.
inline constexpr std::uint16_t kStateHovered = 1;
inline constexpr std::uint16_t kStatePressed = 2;
inline constexpr std::uint16_t kStateFocused = 4;
inline constexpr std::uint16_t kStateDisabled = 8;
inline constexpr std::uint16_t kStateChecked = 0x10;  // checked or selected
inline constexpr std::uint16_t kStateHoverScratch = 0x8000;

enum class ControlKind : std::uint8_t {
  kNone = 0,
  kTextField = 1,
  kCheckbox = 2,
  kRadio = 3,
  kSelect = 4,
  kButton = 5,
};

// Generated boxes (made by the style stage).
inline constexpr std::uint8_t kGeneratedBefore = 1;
inline constexpr std::uint8_t kGeneratedAfter = 2;
inline constexpr std::uint8_t kGeneratedMarker = 4;

struct Attribute {
  Atom name = 0;
  char* value = nullptr;  // NUL-terminated; null only while empty and never grown
  std::uint32_t length = 0;
  std::uint32_t capacity = 0;
  Attribute* next = nullptr;
};

struct Handler {
  std::int32_t type = 0;
  EventCallback callback = nullptr;  // null once the handler is to be unlinked
  void* user = nullptr;
  Handler* next = nullptr;
};

struct Node {
  Document* document = nullptr;  // null only for a record on the free list
  Node* parent = nullptr;
  Node* first_child = nullptr;
  Node* last_child = nullptr;
  Node* next_sibling = nullptr;
  Node* prev_sibling = nullptr;
  Attribute* attributes = nullptr;  // newest first
  Handler* handlers = nullptr;      // in registration order
  ComputedStyle* style = nullptr;
  LayoutBox* box = nullptr;
  AnimationState* animation = nullptr;
  EditState* edit_state = nullptr;
  Atom* classes = nullptr;  // first-seen order, no duplicates
  std::uint16_t class_count = 0;
  std::int16_t class_capacity = 0;
  Atom id = 0;
  Atom tag = 0;
  std::int16_t tag_id = -1;
  NodeKind kind = NodeKind::kRoot;
  std::uint8_t dirty = 0;
  std::uint16_t state = 0;
  std::uint8_t value_set = 0;
  ControlKind control = ControlKind::kNone;
  std::uint8_t generated = 0;
  float scroll_x = 0;
  float scroll_y = 0;
  char* text = nullptr;  // NUL-terminated when not null
  std::uint32_t text_length = 0;
  std::uint32_t text_capacity = 0;
  // Changes with every change of `text` (unique within the document), so painting can
  // tell a text replaced in place by one of the same length from the old one.
  std::uint32_t text_revision = 0;
  // Set while the node waits on the deferred-destruction list (linked through
  // next_sibling); such a node can no longer be put back into the tree.
  std::uint8_t doomed = 0;
  // Some element in this subtree (the node included) has had an id while in it: lookups
  // by id skip subtrees without (a long table's rows, say). Never cleared, so at worst a
  // lookup walks a subtree it could have skipped.
  std::uint8_t ids_in_subtree = 0;

  bool is_element() const { return kind == NodeKind::kElement; }
  bool is_text() const { return kind == NodeKind::kText; }
  TagId tag_id_enum() const { return static_cast<TagId>(tag_id); }
  bool has_tag(TagId t) const {
    return kind == NodeKind::kElement && tag_id == static_cast<std::int16_t>(t);
  }
};

}  // namespace orlan
