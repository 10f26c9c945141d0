#pragma once

// The calls through which the host window hands the user's input to a document. Positions
// are document pixels (CSS pixels of the view, before scrolling); each call returns
// whether the engine consumed the input. Every handler the input triggers runs inside the
// call, and no node is destroyed until the call is over.

#include <cstddef>
#include <cstdint>

namespace orlan {

struct Document;

// Pointer buttons: 0 left, 1 middle, 2 right.
bool pointer_move(Document& document, float x, float y, std::uint32_t modifiers) noexcept;
bool pointer_button(Document& document, bool down, std::int32_t button, float x, float y,
                    std::uint32_t modifiers, bool double_click) noexcept;
bool pointer_leave(Document& document) noexcept;
// `notches`: wheel notches, positive away from the user (one notch = 120 raw units).
bool wheel(Document& document, float x, float y, float notches,
           std::uint32_t modifiers) noexcept;
// `key_code`: orlan::KeyCode or the character code of a printable key; `character` is
// the code point the key produces (0: none).
bool key(Document& document, bool down, std::uint32_t key_code, std::uint32_t modifiers,
         std::uint32_t character, bool repeat) noexcept;

// Typed characters (after the key's keydown), and input-method composition.
bool text_input(Document& document, std::uint32_t code_point, std::uint32_t modifiers) noexcept;
void composition_update(Document& document, const char* text, std::size_t length,
                        std::uint32_t caret) noexcept;
void composition_commit(Document& document, const char* text, std::size_t length) noexcept;
void composition_end(Document& document) noexcept;

// The host's tooltip timer expired: show the pending tooltip.
void show_tooltip(Document& document) noexcept;

}  // namespace orlan
