#include "shell_win.h"

#include <shobjidl.h>

#include "com_ptr_win.h"
#include "notifications_win.h"
#include "update_check.h"
#include "url_open.h"
#include "utf.h"

namespace tw::wnd {

namespace {

// Fallback options when the dialog's own cannot be read.
constexpr FILEOPENDIALOGOPTIONS kOpenOptions = FOS_FORCEFILESYSTEM | FOS_FILEMUSTEXIST;  // 0x1040
constexpr FILEOPENDIALOGOPTIONS kSaveOptions = FOS_OVERWRITEPROMPT | FOS_FORCEFILESYSTEM;  // 0x42
static_assert(kOpenOptions == 0x1040 && kSaveOptions == 0x42);

// Shows a prepared open or save dialog for list files; the chosen file-system path.
std::optional<sys::FilePath> run_list_dialog(IFileDialog& dialog, HWND owner,
                                                     FILEOPENDIALOGOPTIONS added,
                                                     const FileDialogTexts& texts) {
  FILEOPENDIALOGOPTIONS options = 0;
  options = SUCCEEDED(dialog.GetOptions(&options)) ? options | added : added;
  if (FAILED(dialog.SetOptions(options))) return std::nullopt;
  std::wstring title = utf8_to_wide(texts.title);
  std::wstring type_name = utf8_to_wide(texts.type_name);
  dialog.SetTitle(title.c_str());
  COMDLG_FILTERSPEC type{type_name.c_str(), L"*.lst"};
  if (FAILED(dialog.SetFileTypes(1, &type))) return std::nullopt;
  dialog.SetFileTypeIndex(1);  // one-based
  if (FAILED(dialog.Show(owner))) return std::nullopt;  // cancelled, or it failed

  ComPtr<IShellItem> item;
  if (FAILED(dialog.GetResult(item.out()))) return std::nullopt;
  wchar_t* path = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return std::nullopt;
  sys::FilePath chosen(path);
  CoTaskMemFree(path);
  return chosen;
}

}  // namespace

void WinShell::open_web_page(std::string_view url) {
  olib::update::open_web_url(url, olib::update::OpenVia::explorer);
}

std::optional<sys::FilePath> WinShell::choose_list_to_open(const FileDialogTexts& texts) {
  ComPtr<IFileOpenDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IFileOpenDialog, dialog.out_void())))
    return std::nullopt;
  return run_list_dialog(*dialog.get(), m_window, kOpenOptions, texts);
}

std::optional<sys::FilePath> WinShell::choose_list_to_save(const FileDialogTexts& texts) {
  ComPtr<IFileSaveDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IFileSaveDialog, dialog.out_void())))
    return std::nullopt;
  dialog->SetDefaultExtension(L"lst");
  return run_list_dialog(*dialog.get(), m_window, kSaveOptions, texts);
}

RowCommand WinShell::track_row_menu(const RowMenuTexts& texts) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return RowCommand::kNone;
  std::wstring up = utf8_to_wide(texts.move_up);
  std::wstring down = utf8_to_wide(texts.move_down);
  std::wstring remove = utf8_to_wide(texts.remove);
  AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(RowCommand::kMoveUp), up.c_str());
  AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(RowCommand::kMoveDown), down.c_str());
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(RowCommand::kDelete), remove.c_str());

  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(m_window);
  POINT cursor{};
  GetCursorPos(&cursor);
  BOOL chosen = TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y,
                                 m_window, nullptr);
  DestroyMenu(menu);
  switch (chosen) {
    case 1:
      return RowCommand::kMoveUp;
    case 2:
      return RowCommand::kMoveDown;
    case 3:
      return RowCommand::kDelete;
    default:
      return RowCommand::kNone;
  }
}

bool WinShell::set_up_notifications(std::string_view app_name, std::string& error) {
  // Once per process, whatever the outcome: a failed setup is not tried again.
  static bool done = false;
  if (done) return true;
  done = true;
  return wnd::set_up_notifications(app_name, error);
}

bool WinShell::start_update_check(std::string_view language) {
  return olib::update::run_update_check(std::string(language), m_app_name, m_window);
}

}  // namespace tw::wnd
