#pragma once

// What the document remembers between input calls beyond hover, press and focus: the
// pointer, the pending context-menu request, the document text selection, the tooltip
// candidate's pending flag, the clipboard and the caret blink.

#include <cstddef>
#include <cstdint>

namespace orlan {

struct Node;

// Read and write the system clipboard (UTF-8). `get` returns false when there is no text;
// its result stays valid until the next call of either.
struct ClipboardCallbacks {
  bool (*get)(void* user, const char** text, std::size_t* length) = nullptr;
  void (*set)(void* user, const char* text, std::size_t length) = nullptr;
  void* user = nullptr;
};

// Kinds of the context-menu request the host reads after a right-button release.
inline constexpr std::uint8_t kContextMenuNone = 0;
inline constexpr std::uint8_t kContextMenuEdit = 1;  // the edit menu of a text control
inline constexpr std::uint8_t kContextMenuCopy = 2;  // copy of the document selection

// One end of the document text selection: a text node and a byte offset into it.
struct TextPoint {
  Node* node = nullptr;
  std::uint32_t offset = 0;
};

struct InputState {
  float pointer_x = 0, pointer_y = 0;
  bool pointer_inside = false;
  // The hovered element was destroyed: the hover bits of its old chain are cleared once
  // the destruction is over.
  bool hover_lost = false;
  // The keydown of the current key press was prevented: the character it produces is
  // not typed. Cleared by the next key down.
  bool keydown_prevented = false;
  // A caret drag inside the pressed text control, or a document selection drag.
  bool caret_drag = false;
  bool selection_drag = false;
  // The tooltip candidate (Document::tooltip_owner) waits for the host's timer.
  bool tooltip_pending = false;
  float tooltip_x = 0, tooltip_y = 0;
  // Bumped for every new candidate.
  std::uint32_t tooltip_generation = 0;

  // Context-menu request: pending until the host reads it; the element is kept (and
  // cleared when destroyed) for the command the host passes back.
  std::uint8_t context_kind = kContextMenuNone;
  bool context_pending = false;
  float context_x = 0, context_y = 0;
  Node* context_element = nullptr;

  // Document text selection (outside text controls); both ends cleared with their nodes.
  TextPoint selection_anchor;
  TextPoint selection_focus;

  ClipboardCallbacks clipboard;
  // The internal clipboard, used when no callbacks are installed.
  char* clip = nullptr;
  std::size_t clip_length = 0;
  std::size_t clip_capacity = 0;

  // Bumped whenever the caret blink restarts (an edit, a caret move, focus).
  std::uint32_t blink_generation = 0;
};

}  // namespace orlan
