#pragma once

// Editing record of a text control, created on first focus, selection call or edit.

#include <cstdint>

namespace orlan {

struct EditState {
  std::uint32_t caret = 0;   // moving end of the selection (byte offset)
  std::uint32_t anchor = 0;  // fixed end of the selection (byte offset)
  float scroll_x = 0;
  float scroll_y = 0;
  std::uint8_t last_edit_kind = 0;
  bool modified = false;
  bool caret_visible = false;
  EditState* next_free = nullptr;  // link of the document's free list
};

}  // namespace orlan
