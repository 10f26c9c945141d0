#include "edit_menu.h"

namespace orlan::host {

EditMenu edit_menu_entries(std::uint32_t enabled) noexcept {
  static constexpr EditCommand kGroups[3][4] = {
      {kEditUndo}, {kEditCut, kEditCopy, kEditPaste, kEditDelete}, {kEditSelectAll}};
  static constexpr int kGroupSizes[3] = {1, 4, 1};
  EditMenu menu;
  bool shown_before = false;
  for (int g = 0; g < 3; ++g) {
    bool separated = false;
    for (int i = 0; i < kGroupSizes[g]; ++i) {
      EditCommand command = kGroups[g][i];
      if (!(enabled & edit_command_bit(command))) continue;
      if (shown_before && !separated) menu.entries[menu.count++] = 0;
      separated = true;
      menu.entries[menu.count++] = command;
    }
    shown_before = shown_before || separated;
  }
  return menu;
}

const wchar_t* default_edit_text(EditCommand command) noexcept {
  switch (command) {
    case kEditUndo: return L"&Undo";
    case kEditCut: return L"Cu&t";
    case kEditCopy: return L"&Copy";
    case kEditPaste: return L"&Paste";
    case kEditDelete: return L"&Delete";
    case kEditSelectAll: return L"Select &All";
  }
  return L"";
}

}  // namespace orlan::host
