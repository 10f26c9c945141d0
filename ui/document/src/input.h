#pragma once

// The calls through which the host window hands the user's input to a document. Positions
// are document pixels (CSS pixels of the view, before scrolling); each call returns
// whether the engine consumed the input. Every handler the input triggers runs inside the
// call, and no node is destroyed until the call is over.

#include <cstddef>
#include <cstdint>

#include "input_hooks.h"
#include "input_state.h"

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
// A tooltip candidate waits for the timer (the host starts its timer while this is true).
bool tooltip_pending(const Document& document) noexcept;
// Counts new tooltip candidates: when it changes while the timer runs, the host starts
// the timer again, so every candidate waits the whole delay.
std::uint32_t tooltip_generation(const Document& document) noexcept;

// ---- Caret blink and the input method ----

// A focused editable text control (read-only ones too) has the caret: the host runs its
// blink timer while this is true.
bool caret_blink_wanted(const Document& document) noexcept;
// The blink timer fired: the caret shows or hides (the control is marked for repaint).
void toggle_caret(Document& document) noexcept;
// Counts restarts of the blink (edits, caret moves, focus): when it changes, the host
// restarts its timer so the caret stays on while the user types.
std::uint32_t caret_blink_generation(const Document& document) noexcept;
// The focused element accepts text (the host associates the input method then).
bool accepts_text(const Document& document) noexcept;
// The caret of the focused text control in document coordinates (for placing the
// input method's windows); false when there is none.
bool caret_rect(Document& document, BoxRect* out) noexcept;

// ---- Clipboard and the edit menu ----

// Installs the system clipboard; without it copies go to the document's own buffer.
void set_clipboard_callbacks(Document& document, const ClipboardCallbacks& callbacks) noexcept;

// Commands of the edit context menu (bit 1 << command in ContextMenuRequest::commands).
enum EditCommand : std::int32_t {
  kEditCommandUndo = 1,
  kEditCommandCut = 2,
  kEditCommandCopy = 3,
  kEditCommandPaste = 4,
  kEditCommandDelete = 5,
  kEditCommandSelectAll = 6,
};
struct ContextMenuRequest {
  std::uint8_t kind = kContextMenuNone;  // kContextMenuEdit or kContextMenuCopy
  float x = 0, y = 0;                    // document pixels
  std::uint32_t commands = 0;            // enabled commands
};
// The pending request after a right-button release, once: false when there is none.
bool take_context_menu(Document& document, ContextMenuRequest* out) noexcept;
// A command chosen from the menu. The control it was asked for is checked again (the
// menu's own message loop may have removed it or moved the focus): nothing happens then.
void run_edit_command(Document& document, std::int32_t command) noexcept;

// ---- Document text selection (outside text controls) ----

void start_text_selection(Document& document, float x, float y, bool extend) noexcept;
void extend_text_selection(Document& document, float x, float y) noexcept;
// The selected text (in the document's scratch buffer until its next use); "" for none.
const char* selected_text(Document& document, std::size_t* length) noexcept;
// Puts the selected text on the clipboard; false when nothing is selected.
bool copy_text_selection(Document& document) noexcept;

}  // namespace orlan
