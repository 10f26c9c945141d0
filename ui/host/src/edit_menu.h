#pragma once

// The edit context menu of text controls: which entries it shows, in order, for the
// commands that apply. Portable: the Win32 host turns the entries into a popup menu.

#include <cstdint>

namespace orlan::host {

// Edit commands (the ids the menu returns and the document takes).
enum EditCommand : std::uint8_t {
  kEditUndo = 1,
  kEditCut = 2,
  kEditCopy = 3,
  kEditPaste = 4,
  kEditDelete = 5,
  kEditSelectAll = 6,
};
// Bit of a command in an enabled set.
constexpr std::uint32_t edit_command_bit(EditCommand command) {
  return 1u << command;
}

// One entry: a command, or 0 for a separator.
struct EditMenu {
  std::uint8_t entries[9] = {};
  std::uint8_t count = 0;
};

// Undo; Cut, Copy, Paste, Delete; Select All — each only when enabled, with a separator
// only between two groups that both show something.
EditMenu edit_menu_entries(std::uint32_t enabled) noexcept;

// The menu text when the system's own edit menu has none for the command.
const wchar_t* default_edit_text(EditCommand command) noexcept;

}  // namespace orlan::host
