#pragma once

// The document: owner of every node, attribute and handler record of one view, of the
// atom table, the style-sheet slots and the interaction state; and the internal forms of
// the tree operations that the parsers and later stages build on (no argument checks,
// no messages).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "atom_table.h"
#include "edit_state.h"
#include "input_state.h"
#include "memory.h"
#include "node.h"

namespace orlan {

namespace css {
class StyleSheet;  // defined by the style-sheet stage
}
namespace image {
class ImageRegistry;  // defined by the image stage
}
namespace style {
struct StyleState;  // defined by the style stage
}
class TextWidthCache;  // defined by the layout stage

// The three style sheets and what the tree needs to know about them. The style-sheet
// stage creates and destroys the sheets through the hooks it installs
// (set_style_sheet_hooks) and keeps the facts below current whenever a sheet changes.
struct StyleSheetSlots {
  css::StyleSheet* user_agent = nullptr;  // parsed once when the document is created
  css::StyleSheet* author = nullptr;      // replaced by each load of author CSS
  css::StyleSheet* scratch = nullptr;     // reset per element for `style` attributes
  // Whatever else the style-sheet stage keeps per document (for example the object
  // through which its sheets intern names into this document's atom table); made by
  // its create hook, freed by its destroy hook.
  void* context = nullptr;

  // Counts the loads of author CSS, so later stages know when what they derived from
  // the author sheet is stale.
  std::uint32_t author_generation = 0;
  // The author sheet has structural selectors (:first-child, :nth-child(), ...).
  bool structural_selectors = false;
  // The author sheet has :has() selectors.
  bool has_selectors = false;
  // "data-" attribute names that the user-agent or author sheet names in an attribute
  // selector; with more than kMaxDataAttributes such names every "data-" name counts.
  static constexpr int kMaxDataAttributes = 8;
  Atom data_attributes[kMaxDataAttributes] = {};
  std::uint8_t data_attribute_count = 0;
  bool all_data_attributes = false;
};

struct StyleSheetHooks {
  // Creates the three sheets of a new document (the user-agent one parsed). False when
  // out of memory; the document is then not created.
  bool (*create)(Document& document) = nullptr;
  // Frees the sheets of a document that is being destroyed.
  void (*destroy)(Document& document) = nullptr;
};
// Installs the hooks used by documents created from now on (null: the built-in sheets
// of the CSS stage, which every document gets by default).
void set_style_sheet_hooks(const StyleSheetHooks* hooks) noexcept;

// Later stages keep records on nodes (layout boxes, animation state); they install
// these hooks so that dropping or destroying a node releases them. Unset hooks only
// forget the pointer.
struct NodeDataHooks {
  void (*release_box)(Document& document, Node& node) = nullptr;
  void (*release_animation)(Document& document, Node& node) = nullptr;
  // The document is being destroyed: whatever a stage keeps per document goes, including
  // the records of detached nodes that are never destroyed one by one.
  void (*release_document)(Document& document) = nullptr;
};
// Installs the hooks' non-null members; members left null keep what another stage
// installed, so layout and animation can each install their own. Null clears them all.
void set_node_data_hooks(const NodeDataHooks* hooks) noexcept;

using InvalidateCallback = void (*)(Document* document, void* user);

// Atoms of the attribute names the tree treats specially, interned first (1..10).
struct SpecialAtoms {
  Atom id, klass, style, disabled, value, tabindex, href, type, checked, selected;
};

struct Document {
  Document() noexcept;
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  BlockArena arena;
  RecordPool<Node, &Node::next_sibling> node_pool{arena};
  RecordPool<Attribute, &Attribute::next> attribute_pool{arena};
  RecordPool<Handler, &Handler::next> handler_pool{arena};
  RecordPool<EditState, &EditState::next_free> edit_pool{arena};
  BufferPool buffers{arena};
  // The layout stage's boxes (Node::box).
  SizedRecordPool box_records{arena};
  AtomTable atoms;
  SpecialAtoms names{};

  Node* root = nullptr;
  Node* html = nullptr;
  Node* head = nullptr;
  Node* body = nullptr;

  StyleSheetSlots sheets;

  std::uint32_t live_nodes = 0;
  // The last text revision handed out (Node::text_revision).
  std::uint32_t text_revisions = 0;
  std::int32_t dispatch_depth = 0;
  Node* deferred = nullptr;  // linked through next_sibling

  // Interaction state; each pointer is cleared when its node is destroyed.
  Node* hovered = nullptr;
  Node* focused = nullptr;
  Node* pressed = nullptr;
  std::int32_t pressed_button = 0;
  bool pressed_double = false;
  Node* pointer_track_a = nullptr;
  Node* pointer_track_b = nullptr;
  Node* select_popup = nullptr;
  Node* popup_owner = nullptr;
  Node* tooltip = nullptr;
  Node* tooltip_owner = nullptr;
  Node* last_click = nullptr;
  std::uint8_t last_click_kind = 0;
  Node* capture_from = nullptr;
  Node* capture_to = nullptr;
  bool capture_active = false;
  // Pointer, pending context menu, document selection, clipboard, caret blink.
  InputState input;

  // Media state.
  float viewport_width = 0;
  float viewport_height = 0;
  std::uint8_t dark_scheme = 0;
  std::uint8_t coarse_pointer = 0;
  bool window_inactive = false;
  // Set by the style stage when a media query read the viewport size since styling.
  bool viewport_queried = false;

  bool needs_style_and_layout = false;
  InvalidateCallback invalidate = nullptr;
  void* invalidate_user = nullptr;

  // Scratch text for text_content results and class-string rebuilding.
  char* scratch = nullptr;
  std::uint32_t scratch_length = 0;
  std::uint32_t scratch_capacity = 0;

  // The image registry, made by the image stage on first use, and how it is freed.
  image::ImageRegistry* images = nullptr;
  void (*destroy_images)(image::ImageRegistry* images) = nullptr;

  // The style stage's state (its two style arenas, rule indexes and scratch buffers),
  // made by the first style pass, and how it is freed.
  style::StyleState* style_state = nullptr;
  void (*destroy_style_state)(style::StyleState* state) = nullptr;
  // The layout stage's widths of measured texts, made by the first layout run, and how
  // it is freed.
  TextWidthCache* text_widths = nullptr;
  void (*destroy_text_widths)(TextWidthCache* cache) = nullptr;
  // Time of the current frame's style pass (milliseconds).
  double frame_time = 0;
  // Set by the style pass: milliseconds until running transitions and animations need
  // the next frame (0: none or at once).
  double animation_frame_delay = 0;
  // Set by the style pass when some element's layout-affecting style changed; the layout
  // stage clears it.
  bool layout_needed = false;
  // Set when every style record was replaced (compaction): paint everything again.
  bool full_repaint_needed = false;
};

// A new document with its root and special atoms, or null when out of memory.
Document* create_document() noexcept;
void destroy_document(Document* document) noexcept;

// ---- Nodes ----

// A detached element; the name is lower-cased for its tag atom. Null when out of memory.
Node* create_element_node(Document& document, std::string_view name) noexcept;
// A detached text node. Null when out of memory.
Node* create_text_node(Document& document, std::string_view text) noexcept;

// Unlinks `child` from its old parent and links it under `parent` before `reference`
// (null: last). No checks and no dirty marking.
void link_child(Node& parent, Node& child, Node* reference) noexcept;
void unlink(Node& node) noexcept;
// Destroys a detached node with its subtree, or during dispatch puts it on the
// deferred list after dropping the subtree's styles and boxes.
void discard_node(Node& node) noexcept;
// Drops cached computed styles (and with `boxes` also layout boxes) of a subtree.
void drop_styles(Node& node, bool boxes) noexcept;
bool is_connected(const Node& node) noexcept;

// The node after `n` in document order within the subtree of `top` (null after its last).
inline Node* next_in_order(Node* n, const Node* top) noexcept {
  if (n->first_child) return n->first_child;
  while (n != top && !n->next_sibling) n = n->parent;
  return n == top ? nullptr : n->next_sibling;
}

// Replaces a node's own text buffer (text of a text node or an element's own value).
// False when out of memory (the old text stays).
bool set_node_text(Node& node, std::string_view text) noexcept;
inline std::string_view node_text(const Node& node) {
  return node.text ? std::string_view(node.text, node.text_length) : std::string_view();
}

// ORs the bits into the node, propagates bit 8 upwards and calls the invalidate callback.
void mark_dirty(Node& node, std::uint8_t bits) noexcept;
// Marks an element whose classes, attributes or state changed, as far as the sheets'
// selectors can carry the change: the element, its subtree, its following siblings, or
// (for a change named inside a :has() argument) everything from the root element down.
// `reach` holds css::kReach* bits.
void mark_restyle(Node& element, std::uint8_t reach) noexcept;
// The reach of a change of these state bits (kStateHovered, ...) on an element.
std::uint8_t state_change_reach(const Document& document, std::uint16_t state_bits) noexcept;
// Inserting or removing `node` (with its subtree) may change what a :has() argument
// matches: then the document restyles from its root element.
void note_has_relevant_change(Node& node) noexcept;
void invalidate(Document& document) noexcept;

// ---- Attributes and classes ----

Attribute* find_attribute(const Node& element, Atom name) noexcept;
// Whether an internal change marks the node dirty (the parser builds quietly and marks
// the whole document once at the end).
enum class Marking : std::uint8_t { kMark, kQuiet };

// The internal set_attribute: stores the value, applies the special attributes and
// marks style-dirty as the sheets require. kOk or kOutOfMemory.
Status set_attribute_atom(Node& element, Atom name, std::string_view value,
                          Marking marking = Marking::kMark) noexcept;
Status set_attribute_named(Node& element, std::string_view name, std::string_view value,
                           Marking marking = Marking::kMark) noexcept;
Status remove_attribute_atom(Node& element, Atom name) noexcept;
bool has_class_atom(const Node& element, Atom klass) noexcept;
// Appends the class to the list and rewrites the `class` attribute; kOk when present.
Status add_class_atom(Node& element, Atom klass) noexcept;
Status remove_class_atom(Node& element, Atom klass) noexcept;

// ---- Text and lookup ----

// The text content of a node into the document's scratch buffer (null: out of memory).
const char* text_content_scratch(Node& node, std::uint32_t* length) noexcept;
Node* find_element_by_id(Document& document, Atom id) noexcept;

// ---- Whole document ----

// Destroys (or defers) every child of the root; html, head and body become null.
void clear_document(Document& document) noexcept;
// Adds or removes "ui-window-inactive" on the html element from the inactive flag.
void update_window_inactive_class(Document& document) noexcept;
void set_window_active(Document& document, bool active);
void set_viewport(Document& document, float width, float height) noexcept;

// ---- Dispatch depth ----

// While any dispatch runs no node is destroyed; the outermost end drains the deferred
// list.
void begin_dispatch(Document& document) noexcept;
void end_dispatch(Document& document) noexcept;

class DispatchScope {
 public:
  explicit DispatchScope(Document& document) noexcept : m_document(document) {
    begin_dispatch(document);
  }
  ~DispatchScope() { end_dispatch(m_document); }
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;

 private:
  Document& m_document;
};

// ---- Popup and tooltip records ----

// Removes the open select popup (deferred during a dispatch) and clears both records.
void close_select_popup(Document& document) noexcept;
// Removes the tooltip element, if one is shown.
void hide_tooltip(Document& document) noexcept;
// The `title` of `owner` changed: a tooltip showing it takes the new text (an empty text
// hides it).
void refresh_tooltip_text(Document& document, Node& owner, std::string_view title) noexcept;

// Focus: nothing when unchanged; the old element loses its focus bit (a text control
// ends its editing, which may dispatch change) and receives blur, the new one gains it
// (a text control begins editing), is scrolled into view and receives focus.
void set_focus(Document& document, Node* element);

// True when the node is usable as a handle: not null and not on a free list.
inline bool live(const Node* node) {
  return node && node->document;
}
inline bool live_element(const Node* node) {
  return live(node) && node->is_element();
}

}  // namespace orlan
