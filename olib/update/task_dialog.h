#pragma once

// The common-controls task dialog (Windows only), for the update offer and for the
// application's own message dialogs.

#include "result.h"
#include "update_request.h"

#include <optional>
#include <string>
#include <utility>

struct HWND__;

namespace olib::update {

enum class DialogIcon { none = 0, information = 1, warning = 2, error = 3 };

struct DialogOptions {
  HWND__* owner = nullptr;  // null: no owner
  std::string window_title;
  std::string main_instruction;
  std::string content;
  std::optional<std::string> check_box;  // the verification check box's text
  // (text, url): a footer link, opened with the shell's "open" verb when clicked (only
  // an http(s) web address is opened).
  std::optional<std::pair<std::string, std::string>> footer_link;
  bool ok_only = false;  // false: Yes and No buttons; true: one OK button
  bool topmost = false;
  int icon = 0;  // 0 none, 1 information, 2 warning, 3 error; any other value: none
};

struct DialogResult {
  bool accepted = false;  // Yes or OK pressed (always true for an OK-only dialog)
  bool checked = false;   // the check box was ticked when the dialog closed
};

// Shows the dialog modally on the calling thread. Errors: "unsupported" when the
// common-controls version 6 task dialog cannot be found, "show_failed" when it fails.
// With OLIB_DIALOG_DEBUG set, each step of finding the dialog function writes an
// "[olib-dialog] " line.
Result<DialogResult, UpdateError> show_task_dialog(const DialogOptions& options);

}  // namespace olib::update
