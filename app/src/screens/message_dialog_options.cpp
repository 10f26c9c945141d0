#include "message_dialog_options.h"

#include <cstdio>

#include "catalog.h"

namespace tw {

MessageDialogOptions message_dialog_options(void* owner, std::string_view language,
                                            std::string_view text, MessageKind kind) {
  MessageDialogOptions options;
  options.owner = owner;
  options.window_title = i18n::text("app.name", language);
  std::size_t line_break = text.find('\n');
  if (line_break == std::string_view::npos) {
    options.main_instruction = text;
  } else {
    options.main_instruction = text.substr(0, line_break);
    options.content = text.substr(line_break + 1);
  }
  options.ok_only = kind == MessageKind::kInformation;
  return options;
}

bool TaskMessageDialog::show(const std::string& text, MessageKind kind) {
  std::string error;
  std::optional<bool> accepted =
      m_show ? m_show(message_dialog_options(m_owner, m_language, text, kind), error)
             : std::nullopt;
  if (accepted) return *accepted;
  std::fprintf(stderr, "%.*s%s\n", static_cast<int>(kMessageDialogFailure.size()),
               kMessageDialogFailure.data(), error.c_str());
  std::fflush(stderr);
  return false;
}

void TaskMessageDialog::show_message(const std::string& text) {
  show(text, MessageKind::kInformation);
}

bool TaskMessageDialog::ask_yes_no(const std::string& text) {
  return show(text, MessageKind::kConfirmation);
}

}  // namespace tw
