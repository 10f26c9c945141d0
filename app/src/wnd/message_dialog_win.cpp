#include "message_dialog_win.h"

#include "task_dialog.h"
#include "win32_include.h"

namespace tw::wnd {

std::optional<bool> show_message_task_dialog(const MessageDialogOptions& options,
                                             std::string& error) {
  olib::update::DialogOptions dialog;
  dialog.owner = static_cast<HWND>(options.owner);
  dialog.window_title = options.window_title;
  dialog.main_instruction = options.main_instruction;
  dialog.content = options.content;
  // The message dialog never has a check box or a footer link.
  dialog.ok_only = options.ok_only;
  dialog.topmost = options.topmost;
  dialog.icon = options.icon;
  auto answer = olib::update::show_task_dialog(dialog);
  if (!answer) {
    error = answer.error().text();
    return std::nullopt;
  }
  return answer.value().accepted;
}

}  // namespace tw::wnd
