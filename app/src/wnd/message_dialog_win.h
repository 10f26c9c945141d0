#pragma once

// The application's message dialog: a task dialog owned by the main window, titled with
// the localised app name, the message's first line as main instruction and the rest as
// content, with the warning icon. A dialog that cannot be shown writes
// "[wnd] 안내 창 실패: <error>" and counts as not accepted.

#include <string>

#include "message_dialog.h"
#include "win32_include.h"

namespace tw::wnd {

class TaskMessageDialog final : public MessageDialog {
 public:
  TaskMessageDialog(HWND owner, std::string app_name)
      : m_owner(owner), m_app_name(std::move(app_name)) {}

  void show_message(const std::string& text) override;
  bool ask_yes_no(const std::string& text) override;

 private:
  bool show(const std::string& text, bool ok_only);

  HWND m_owner;
  std::string m_app_name;
};

}  // namespace tw::wnd
