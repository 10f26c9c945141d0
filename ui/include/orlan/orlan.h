#pragma once

// OrlanUI: the engine's flat programming interface.
//
// The application creates a View, loads one HTML document (and a style sheet) into it,
// attaches it to a window, then finds elements by id, changes attributes, classes, text
// and values, and registers event handlers. Every handle is opaque; the view's document
// owns every node, and the application never frees a node handle.
//
// Strings go in as UTF-8 pointer plus byte length (never NUL-terminated on input; a null
// pointer with length 0 is the empty string). Strings coming back are NUL-terminated and
// their byte length is also stored through the optional `out_length` parameter.
//
// Every call that can fail returns a Status (0 success) or null. A failure that carries a
// message writes it into a per-thread buffer read by last_error(); a later success leaves
// the buffer as it is. A null handle is always answered with the failure value.
//
// Single-threaded: every call comes from the thread that owns the view's window, and every
// callback (event handlers, invalidation) runs on it, inside the call that caused it.
//
// The calls are implemented by the engine's stage libraries: load_html by ui_html,
// load_css by ui_css_document, image_set by ui_image, everything else here by ui_document.

#include <cstddef>
#include <cstdint>

namespace orlan {

struct View;
struct Document;
struct Node;
struct Event;

using Status = std::int32_t;

inline constexpr Status kOk = 0;
// Bad argument, wrong node kind, or "not found" (each call says which).
inline constexpr Status kBadArgument = 1;
inline constexpr Status kAlreadyAttached = 3;
inline constexpr Status kHostFailed = 4;
inline constexpr Status kOutOfMemory = 5;

// ---- View and document -----------------------------------------------------------------

// A new view with an empty document, or null ("out of memory").
View* create_view();
// Destroys the host window, then the document and every node in it. Null: nothing.
void destroy_view(View* view);

// Creates the view's host window as a child of `parent_window` (an HWND on Windows).
// 1 "attach: bad argument" for a null view or parent; 3 "attach: already attached";
// 4 when the host window cannot be created ("attach: parent is not a window", ...).
Status attach(View* view, void* parent_window);
// Stores the bounds in device pixels (default 0, 0, 320, 240); moves the window when
// attached (a width or height <= 0 becomes 1 there).
void set_bounds(View* view, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height);
// The view's document; null for a null view.
Document* document(View* view);

// Replaces the whole tree with the parsed text. 1 "load_html: bad argument" for a null
// view or a null text with length > 0; 5 "html: out of memory" (the partial tree stays).
Status load_html(View* view, const char* text, std::size_t length);
// Replaces the author style sheet with the parsed text (the user-agent sheet stays).
// 1 "load_css: bad argument" for a null view or a null text with length > 0;
// 5 "css: out of memory" (the rules read so far stay). Marks the root for a full restyle.
Status load_css(View* view, const char* text, std::size_t length);

// The `html` element, or null.
Node* document_element(Document* document);
// The media flags read by prefers-color-scheme, hover and pointer.
void set_media_features(Document* document, bool dark, bool coarse_pointer);

// This thread's last failure message (NUL-terminated, at most 255 bytes); never null.
const char* last_error();

// ---- Tree ------------------------------------------------------------------------------

// A new element that is not in the tree yet. Null with "create_element: bad argument"
// for a null document or name or an empty name; null with "out of memory".
Node* create_element(Document* document, const char* tag, std::size_t length);

// Moves `child` under `parent`, before `reference` (null: as the last child).
// 1 "insert: bad argument": a null node, or nodes of different documents;
// 1 "insert: would create a cycle or child of text": the parent is a text node, the child
//   is the document root, or the child is the parent or one of its ancestors;
// 1 "insert: reference node is not a child".
Status insert(Node* parent, Node* child, Node* reference);
Status append_child(Node* parent, Node* child);

// Takes the node out of the tree and destroys it with its subtree. During event
// dispatch the destruction waits until the outermost dispatch returns. The handle (and
// the handles of its descendants) must not be used afterwards.
void remove(Node* node);

// First element in document order whose id equals the bytes (case-sensitive), or null.
Node* get_element_by_id(Document* document, const char* id, std::size_t length);

// The parent when it is an element, else null.
Node* parent(Node* node);
// The first child (element or text), or null; boxes the engine generates are skipped.
Node* first_child(Node* node);
// The next sibling (element or text), or null; boxes the engine generates are skipped.
Node* next_sibling(Node* node);
// The last child and the previous sibling, likewise (null: none, or a null node).
Node* last_child(Node* node);
Node* previous_sibling(Node* node);
// True for element nodes (false for text nodes and null).
bool is_element(Node* node);

// On a text node: replaces its text. On an element: replaces all children by one text
// node (an empty text removes all children). 1 "set_text_content: bad argument" for a
// null node or a null text with length > 0; 5 out of memory.
Status set_text_content(Node* node, const char* text, std::size_t length);
// A text node's text, or the concatenated text of an element's descendants. The result
// stays valid until the next call that returns a string of this document.
// Null node: null, and *out_length 0.
const char* text_content(Node* node, std::size_t* out_length);

// ---- Attributes and classes --------------------------------------------------------------

// Names are ASCII case-insensitive (stored lower-cased); values are stored unchanged.
// 1 "set_attribute: bad argument": not an element, null or empty name, null value with
// length > 0. 5 out of memory (the old value stays).
Status set_attribute(Node* element, const char* name, std::size_t name_length, const char* value,
                     std::size_t value_length);
// The value, or null (and *out_length 0) for a non-element or a missing attribute.
const char* get_attribute(Node* element, const char* name, std::size_t name_length,
                          std::size_t* out_length);
bool has_attribute(Node* element, const char* name, std::size_t name_length);
// 1 for a non-element or a null name; removing a missing attribute is 0.
Status remove_attribute(Node* element, const char* name, std::size_t name_length);

// Class names are case-sensitive. 1 for a non-element or an empty name; 5 out of memory.
// Adding a present class or removing a missing one is 0 and changes nothing.
Status add_class(Node* element, const char* name, std::size_t length);
Status remove_class(Node* element, const char* name, std::size_t length);
bool has_class(Node* element, const char* name, std::size_t length);
// True sets the `disabled` attribute to the empty string; false removes it.
Status set_disabled(Node* element, bool disabled);

// ---- Controls ----------------------------------------------------------------------------

// On a `select`: selects the first option whose value equals the bytes (1 when none does).
// Elsewhere: stores the bytes as the element's own value. 1 for a non-element or a null
// value with length > 0. Dispatches no event.
Status set_value(Node* element, const char* value, std::size_t length);
// The element's own value once set; else a textarea's text; else a select's selected
// option value; else the `value` attribute; else "". Null for non-elements.
const char* value(Node* element, std::size_t* out_length);
// The checked (or selected) state bit.
bool is_checked(Node* element);
// Index of the selected `option` child of a `select` (the first option when none is
// marked); -1 when not a select or without options.
std::int32_t selected_index(Node* select);
// 1 when not a select or there is no such option. Dispatches no event.
Status set_selected_index(Node* select, std::int32_t index);
// Selection of a text control in byte offsets (start <= end). 1 when the element is not
// an editable text control or has never been focused or given a selection.
Status get_selection(Node* element, std::uint32_t* start, std::uint32_t* end);
// Offsets are clamped to the value and moved back to the start of a UTF-8 sequence.
Status set_selection(Node* element, std::uint32_t anchor, std::uint32_t focus);
// Clears the focus when the element has it.
void blur(Node* element);

// ---- Events ------------------------------------------------------------------------------

// Modifier bits of key and pointer events.
inline constexpr std::uint32_t kModShift = 1;
inline constexpr std::uint32_t kModCtrl = 2;
inline constexpr std::uint32_t kModAlt = 4;
inline constexpr std::uint32_t kModWin = 8;

// Key codes: the character code for printable keys (letters upper-case, Space 32),
// these for the others.
enum KeyCode : std::uint32_t {
  kKeyBackspace = 256,
  kKeyTab = 257,
  kKeyEnter = 258,
  kKeyEscape = 259,
  kKeyDelete = 260,
  kKeyInsert = 261,
  kKeyHome = 262,
  kKeyEnd = 263,
  kKeyPageUp = 264,
  kKeyPageDown = 265,
  kKeyLeft = 266,
  kKeyRight = 267,
  kKeyUp = 268,
  kKeyDown = 269,
  kKeyShift = 270,
  kKeyControl = 271,
  kKeyAlt = 272,
  kKeyWindows = 273,
  kKeyF1 = 274,  // F1..F12 are 274..285
};

// Receives the event and the user pointer given to on().
using EventCallback = void (*)(Event* event, void* user);

// Registers `callback` for the named event type ("click", "keydown", ... matched
// exactly). Registering the same type, callback and user pointer again is 0 and changes
// nothing. 1 "on: bad argument" (not an element, null name or callback);
// 1 "on: unknown event type '<name>'"; 5 "out of memory".
Status on(Node* element, const char* type, std::size_t type_length, EventCallback callback,
          void* user);

// The event's target node.
Node* event_target(Event* event);
// The event type's name ("click", ...); "" for a null event.
const char* event_type(Event* event);
// Key code of keydown and keyup, else 0.
std::uint32_t event_key(Event* event);
// Modifier bits of key and pointer events, else 0.
std::uint32_t event_modifiers(Event* event);
// Button of pointer events (0 left, 1 middle, 2 right), else 0.
std::int32_t event_button(Event* event);
// Stops the engine's default action for this event.
void prevent_default(Event* event);

// ---- Images ------------------------------------------------------------------------------

// Registers image bytes (SVG text, or PNG, BMP, GIF or JPEG) under a name: `img` elements
// whose `src` equals the name, and CSS url() with that name, show it. The document keeps
// its own copy. Setting a name again replaces its image and refreshes its users.
// 1 "image_set: bad argument": null document, name or bytes, or either length 0;
// 1 "image_set: cannot parse SVG '<name>'": SVG text that does not parse;
// 1 "image_set: unsupported or corrupt image '<name>'": bytes that cannot be sized;
// 5 "out of memory". A rejected image leaves an earlier one of the same name in place.
Status image_set(Document* document, const char* name, std::size_t name_length, const void* bytes,
                 std::size_t length);

}  // namespace orlan
