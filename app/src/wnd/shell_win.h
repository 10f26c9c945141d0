#pragma once

// The main screen's shell on Windows, bound to the main window: web pages through
// "explorer", the common item dialogs for list files, the row menu with TrackPopupMenuEx,
// the notification setup and the update check's thread.

#include <string>

#include "shell.h"
#include "win32_include.h"

namespace tw::wnd {

class WinShell final : public Shell {
 public:
  // `window` owns the dialogs and the menu and hosts the update bar; `app_name` is the
  // localised app.name (the update dialog's title).
  WinShell(HWND window, std::string app_name) : m_window(window), m_app_name(std::move(app_name)) {}

  void open_web_page(std::string_view url) override;
  std::optional<sys::FilePath> choose_list_to_open(const FileDialogTexts& texts) override;
  std::optional<sys::FilePath> choose_list_to_save(const FileDialogTexts& texts) override;
  RowCommand track_row_menu(const RowMenuTexts& texts) override;
  bool set_up_notifications(std::string_view app_name, std::string& error) override;
  bool start_update_check(std::string_view language) override;

 private:
  HWND m_window;
  std::string m_app_name;
};

}  // namespace tw::wnd
