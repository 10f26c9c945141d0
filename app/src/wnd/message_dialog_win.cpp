#include "message_dialog_win.h"

#include "log.h"
#include "task_dialog.h"

namespace tw::wnd {

bool TaskMessageDialog::show(const std::string& text, bool ok_only) {
  olib::update::DialogOptions options;
  options.owner = m_owner;
  options.window_title = m_app_name;
  std::size_t line_break = text.find('\n');
  options.main_instruction = text.substr(0, line_break);
  if (line_break != std::string::npos) options.content = text.substr(line_break + 1);
  options.ok_only = ok_only;
  options.topmost = false;
  options.icon = 2;  // warning
  auto answer = olib::update::show_task_dialog(options);
  if (!answer) {
    olib::log_line("[wnd] 안내 창 실패: " + answer.error().text());
    return false;
  }
  return answer.value().accepted;
}

void TaskMessageDialog::show_message(const std::string& text) {
  show(text, true);
}

bool TaskMessageDialog::ask_yes_no(const std::string& text) {
  return show(text, false);
}

}  // namespace tw::wnd
