#pragma once

// Editing record of a text control, created on first focus, selection call or edit. Its
// buffers come from the document's buffer pool and go back when the node is destroyed.

#include <cstddef>
#include <cstdint>

namespace orlan {

// Kinds of edit (they decide when an undo step begins).
inline constexpr std::uint8_t kEditTyping = 1;
inline constexpr std::uint8_t kEditDeleteBackward = 2;
inline constexpr std::uint8_t kEditDeleteForward = 3;
inline constexpr std::uint8_t kEditOther = 4;

struct EditSnapshot {
  char* text = nullptr;
  std::uint32_t length = 0;
  std::size_t capacity = 0;
  std::uint32_t caret = 0;
  std::uint32_t anchor = 0;
};

struct EditStack {
  EditSnapshot* items = nullptr;
  std::uint16_t count = 0;
  std::uint16_t capacity = 0;
  std::size_t bytes = 0;  // capacity of `items` as the buffer pool reported it
};

inline constexpr std::uint16_t kMaxUndo = 100;

struct EditState {
  std::uint32_t caret = 0;   // moving end of the selection (byte offset)
  std::uint32_t anchor = 0;  // fixed end of the selection (byte offset)
  float scroll_x = 0;
  float scroll_y = 0;
  EditStack undo;
  EditStack redo;
  std::uint8_t last_edit_kind = 0;
  bool modified = false;
  bool caret_visible = false;
  // Input-method composition, drawn at the caret but not part of the value.
  bool composing = false;
  char* composition = nullptr;
  std::uint32_t composition_length = 0;
  std::uint32_t composition_caret = 0;
  std::size_t composition_capacity = 0;
  // Horizontal caret position kept across Up and Down in a textarea (-1: none).
  float goal_x = -1;
  EditState* next_free = nullptr;  // link of the document's free list
};

}  // namespace orlan
