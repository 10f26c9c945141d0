#pragma once

// The click list on the main screen: loading the list file when the screen is built, the
// Clear, Open and Save buttons, and the row selection with its context menu.
//
// Every handler here ends its access to the state before anything that pumps messages (the
// message dialog, the file dialogs, the row menu) and takes it again afterwards, checking
// what may have changed meanwhile: a hotkey message dispatched by the nested loop can start
// a run or add an entry.

#include <cstddef>
#include <optional>

#include "screen_context.h"
#include "screen_view.h"

namespace tw {

// Loads the list file (context.list_path, else the default file) into the state and renders
// the click table; a failure's message, or the note that only the file's first entries were
// loaded, is shown after the state is released. A list file that cannot be opened changes
// nothing.
void load_list_into_screen(const ScreenContext& context);

// The row index of a table element: `data-i` of the element or its nearest ancestor that
// has one, read as an unsigned decimal. nullopt without such an element or for a bad
// number.
std::optional<std::size_t> row_index_at(orlan::Node* element);

// Binds `click` of btn-clear, btn-open and btn-save and `mousedown` of `rows`.
//  - Clear: with entries and no run, asks msg.clear_all (Yes/No); Yes empties the list.
//  - Open: the file-open dialog, then the chosen file replaces the list (its first entries
//    only, and said so, when it is past context.list_limits).
//  - Save: the file-save dialog, then the list as it is then goes to the chosen file.
//  - A press on a row (not while running) marks it; the right button then opens the row
//    menu and performs its command (Move Up, Move Down, Delete) unless a run has started
//    while the menu was open.
void bind_list_events(ScreenView& view, const ScreenContext& context);

}  // namespace tw
