#pragma once

// The message dialog's Windows side: the portable options shown on the support library's
// task dialog (olib::update::show_task_dialog).

#include <optional>
#include <string>

#include "message_dialog_options.h"

namespace tw::wnd {

// True for OK or Yes, false for No; nullopt when the task dialog cannot be shown, with its
// error ("[kind] message") in `error`.
std::optional<bool> show_message_task_dialog(const MessageDialogOptions& options,
                                             std::string& error);

}  // namespace tw::wnd
