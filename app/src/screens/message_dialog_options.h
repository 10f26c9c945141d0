#pragma once

// The application's message dialog as task-dialog options: what the Windows side hands to
// the support library's task dialog (olib::update::show_task_dialog), built here without
// any Windows type so that the mapping is the same everywhere.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "message_dialog.h"

namespace tw {

enum class MessageKind {
  kInformation,   // one OK button
  kConfirmation,  // Yes and No
};

// Field for field the task dialog's options; the Windows side copies them over
// (owner as the HWND; `content` empty means no content).
struct MessageDialogOptions {
  void* owner = nullptr;  // the main window; null: no owner
  std::string window_title;
  std::string main_instruction;
  std::string content;
  bool has_check_box = false;    // never: the message dialog has no check box
  bool has_footer_link = false;  // never: nor a footer link
  bool ok_only = true;
  bool topmost = false;
  int icon = 2;  // the task dialog's icon 2 (warning)

  bool operator==(const MessageDialogOptions&) const = default;
};

// The options for `text`: the window title is app.name in `language`, the main instruction
// the text up to its first line break and the content the rest (none without a line break).
MessageDialogOptions message_dialog_options(void* owner, std::string_view language,
                                            std::string_view text, MessageKind kind);

// The line written to standard error when the dialog cannot be shown.
inline constexpr std::string_view kMessageDialogFailure = "[wnd] 안내 창 실패: ";

// Shows the options modally: true for OK or Yes, false for No; nullopt when the dialog could
// not be shown, with the reason in `error`.
using ShowDialog =
    std::function<std::optional<bool>(const MessageDialogOptions& options, std::string& error)>;

// The MessageDialog over a dialog function: the owner and the language are fixed when the
// main window creates it (the dialog never reads the screen's state, which its callers
// may not hold anyway). A dialog that cannot be shown writes kMessageDialogFailure and the
// error to standard error and counts as not accepted.
class TaskMessageDialog final : public MessageDialog {
 public:
  TaskMessageDialog(void* owner, std::string language, ShowDialog show)
      : m_owner(owner), m_language(std::move(language)), m_show(std::move(show)) {}

  void show_message(const std::string& text) override;
  bool ask_yes_no(const std::string& text) override;

 private:
  bool show(const std::string& text, MessageKind kind);

  void* m_owner;
  std::string m_language;
  ShowDialog m_show;
};

}  // namespace tw
