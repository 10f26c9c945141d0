#include "task_dialog.h"

#include "dialog_markup.h"
#include "log.h"
#include "system_error.h"
#include "url_open.h"
#include "utf.h"
#include "win32_include.h"

#include <commctrl.h>

namespace olib::update {

namespace {

using TaskDialogIndirectFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

class ActivationContext {
 public:
  explicit ActivationContext(HANDLE context) : m_context(context) {}
  ~ActivationContext() {
    if (valid()) ReleaseActCtx(m_context);
  }
  ActivationContext(const ActivationContext&) = delete;
  ActivationContext& operator=(const ActivationContext&) = delete;
  bool valid() const { return m_context != INVALID_HANDLE_VALUE && m_context != nullptr; }
  HANDLE get() const { return m_context; }

 private:
  HANDLE m_context;
};

class ActivationScope {
 public:
  ActivationScope() = default;
  ~ActivationScope() {
    if (m_active) DeactivateActCtx(0, m_cookie);
  }
  ActivationScope(const ActivationScope&) = delete;
  ActivationScope& operator=(const ActivationScope&) = delete;
  bool activate(HANDLE context) {
    m_active = ActivateActCtx(context, &m_cookie) != FALSE;
    return m_active;
  }

 private:
  ULONG_PTR m_cookie = 0;
  bool m_active = false;
};

std::string outcome(bool ok) {
  return ok ? "성공" : "실패 (" + tw::sys::system_error_text(GetLastError()) + ")";
}

// The version 6 task dialog lives in comctl32 only when the version 6 assembly is active;
// shell32's manifest (resource 124) names it, so the library is loaded inside that context.
TaskDialogIndirectFunction find_task_dialog() {
  SetLastError(ERROR_SUCCESS);
  bool debug = GetEnvironmentVariableW(L"OLIB_DIALOG_DEBUG", nullptr, 0) != 0 ||
               GetLastError() != ERROR_ENVVAR_NOT_FOUND;
  auto trace = [&](const char* step, const std::string& result) {
    if (debug) log_line(std::string("[olib-dialog] ") + step + result);
  };

  wchar_t system_dir[MAX_PATH];
  UINT length = GetSystemDirectoryW(system_dir, MAX_PATH);
  std::wstring shell32 =
      std::wstring(system_dir, length < MAX_PATH ? length : 0) + L"\\shell32.dll";
  ACTCTXW context{};
  context.cbSize = sizeof context;
  context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.lpSource = shell32.c_str();
  context.lpResourceName = MAKEINTRESOURCEW(124);
  ActivationContext activation(CreateActCtxW(&context));
  trace("CreateActCtxW: ", outcome(activation.valid()));
  ActivationScope scope;
  if (activation.valid()) trace("활성화 컨텍스트: ", outcome(scope.activate(activation.get())));
  HMODULE comctl32 = LoadLibraryW(L"comctl32.dll");
  trace("comctl32.dll: ", outcome(comctl32 != nullptr));
  TaskDialogIndirectFunction function = nullptr;
  if (comctl32 != nullptr) {
    function = reinterpret_cast<TaskDialogIndirectFunction>(
        reinterpret_cast<void*>(GetProcAddress(comctl32, "TaskDialogIndirect")));
    trace("TaskDialogIndirect: ", outcome(function != nullptr));
  }
  // The library stays loaded: the function is kept for the life of the process. The
  // context is deactivated and released when `scope` and `activation` go.
  return function;
}

TaskDialogIndirectFunction task_dialog_function() {
  static const TaskDialogIndirectFunction function = find_task_dialog();
  return function;
}

struct CallbackData {
  bool topmost = false;
  std::string footer_url;
};

HRESULT CALLBACK on_dialog_notification(HWND dialog, UINT notification, WPARAM, LPARAM lparam,
                                        LONG_PTR reference) {
  auto* data = reinterpret_cast<CallbackData*>(reference);
  if (notification == TDN_CREATED && data->topmost) {
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  } else if (notification == TDN_HYPERLINK_CLICKED && lparam != 0) {
    // The dialog has one link. Its href comes back as written in the markup, entities and
    // all ("&amp;" stays "&amp;"), so the address given by the caller is opened instead.
    std::string url = data->footer_url;
    if (url.empty()) {
      url = tw::utf16_to_utf8(std::wstring_view(reinterpret_cast<const wchar_t*>(lparam)));
    }
    open_web_url(url, OpenVia::shell_open);
  }
  return S_OK;
}

PCWSTR icon_resource(int icon) {
  switch (icon) {
    case 1:
      return TD_INFORMATION_ICON;
    case 2:
      return TD_WARNING_ICON;
    case 3:
      return TD_ERROR_ICON;
    default:
      return nullptr;
  }
}

}  // namespace

Result<DialogResult, UpdateError> show_task_dialog(const DialogOptions& options) {
  TaskDialogIndirectFunction function = task_dialog_function();
  if (function == nullptr) {
    return UpdateError{"unsupported",
                       "이 시스템에서 comctl32 v6(TaskDialogIndirect)을 찾지 못했습니다."};
  }
  std::wstring title = tw::utf8_to_wide(options.window_title);
  std::wstring instruction = tw::utf8_to_wide(options.main_instruction);
  std::wstring content = tw::utf8_to_wide(options.content);
  std::wstring check_box = options.check_box ? tw::utf8_to_wide(*options.check_box) : L"";
  std::wstring footer;
  if (options.footer_link) {
    footer = tw::utf8_to_wide(
        footer_link_markup(options.footer_link->first, options.footer_link->second));
  }

  CallbackData data{options.topmost,
                    options.footer_link ? options.footer_link->second : std::string()};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = options.owner;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  if (options.footer_link) config.dwFlags |= TDF_ENABLE_HYPERLINKS;
  config.dwCommonButtons = options.ok_only ? TDCBF_OK_BUTTON : (TDCBF_YES_BUTTON | TDCBF_NO_BUTTON);
  config.pszWindowTitle = title.c_str();
  config.pszMainIcon = icon_resource(options.icon);
  config.pszMainInstruction = instruction.c_str();
  config.pszContent = content.c_str();
  if (options.check_box) config.pszVerificationText = check_box.c_str();
  if (options.footer_link) config.pszFooter = footer.c_str();
  config.pfCallback = on_dialog_notification;
  config.lpCallbackData = reinterpret_cast<LONG_PTR>(&data);

  int button = 0;
  BOOL checked = FALSE;
  HRESULT result = function(&config, &button, nullptr, &checked);
  if (FAILED(result)) {
    return UpdateError{"show_failed", "다이얼로그를 띄우지 못했습니다: " +
                                          tw::sys::system_error_text(static_cast<DWORD>(result))};
  }
  DialogResult outcome;
  outcome.accepted = options.ok_only || button == IDYES || button == IDOK;
  outcome.checked = checked != FALSE;
  return outcome;
}

}  // namespace olib::update
