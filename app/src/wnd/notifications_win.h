#pragma once

// Desktop notifications: the process's app user model id with its Start-menu shortcut
// (without which the system shows no toast of an unpackaged program), and the toasts.

#include <string>
#include <string_view>

#include "notifier.h"

namespace tw::wnd {

inline constexpr const wchar_t* kAppUserModelId = L"Orlannet.Tapwright";

// Sets the app user model id and, unless a file already exists at the shortcut path
// (%APPDATA% joined with "Microsoft\Windows\Start Menu\Programs" and "<app_name>.lnk"),
// saves a shortcut there to this executable carrying the id. This program's shortcuts under
// the product name of another language are removed first: one shortcut per id. False with the reason in `error`. (The shell runs it once per process.)
bool set_up_notifications(std::string_view app_name, std::string& error);

// Shows a toast whose title is the message's first line (toast_xml.h). False with the
// reason in `error`.
bool show_toast(std::string_view message, std::string& error);

// The screen's notifier: a failure writes "[toast] 알림을 띄우지 못했습니다: <reason>".
class ToastNotifier final : public Notifier {
 public:
  void notify(const std::string& text) override;
};

}  // namespace tw::wnd
