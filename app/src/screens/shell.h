#pragma once

// What the main screen needs of the Windows shell beyond the runner's desktop: web pages,
// the list-file dialogs, the row context menu, the one-time notification setup and the
// update check's thread. The Windows implementation lives beside the main window
// (wnd/); tests use a recording fake. Every call is made on the UI thread; the dialogs and
// the menu pump messages, so nobody may hold the screen's state across them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "file_path.h"

namespace tw {

// The commands of the row context menu.
enum class RowCommand : std::uint32_t { kNone = 0, kMoveUp = 1, kMoveDown = 2, kDelete = 3 };

// The localised texts of the row context menu.
struct RowMenuTexts {
  std::string move_up;
  std::string move_down;
  std::string remove;
};

// The localised texts of a list-file dialog.
struct FileDialogTexts {
  std::string title;      // btn.open or btn.save
  std::string type_name;  // group.record, shown for the "*.lst" type
};

class Shell {
 public:
  virtual ~Shell() = default;

  // Opens a web address with the system's "explorer"; the result is not checked.
  virtual void open_web_page(std::string_view url) = 0;
  // The file-open dialog for list files, modal to the main window; nullopt when the user
  // cancels or anything fails (nothing is reported).
  virtual std::optional<sys::FilePath> choose_list_to_open(const FileDialogTexts& texts) = 0;
  // The file-save dialog (overwrite prompt, default extension "lst"); nullopt as above.
  virtual std::optional<sys::FilePath> choose_list_to_save(const FileDialogTexts& texts) = 0;
  // Brings the main window forward and tracks the row menu at the cursor; the chosen command,
  // or kNone when the menu was dismissed or could not be shown.
  virtual RowCommand track_row_menu(const RowMenuTexts& texts) = 0;
  // App user model id and Start-menu shortcut, once per process; false (with the reason in
  // `error`) when it failed. The caller writes the failure line.
  virtual bool set_up_notifications(std::string_view app_name, std::string& error) = 0;
  // Starts the update check on a detached thread with the main window as the update bar's
  // host; false when the thread cannot be started.
  virtual bool start_update_check(std::string_view language) = 0;
};

// The maker's web pages opened by the header.
inline constexpr std::string_view kMouseTestPage = "https://www.orlannet.com/test_mouse";
inline constexpr std::string_view kDonatePage = "https://www.orlannet.com/donate?tapwright";
inline constexpr std::string_view kProductPage = "https://www.orlannet.com/tapwright";

}  // namespace tw
