// Entry point of Tapwright.exe: command line, language, crash reporter, single instance,
// the main window with its engine view and main screen, the message loop.

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "catalog.h"
#include "desktop_win.h"
#include "host_window_win.h"
#include "log.h"
#include "main_screen.h"
#include "main_window_win.h"
#include "message_dialog_win.h"
#include "notifications_win.h"
#include "registry_settings_win.h"
#include "reporter.h"
#include "shell_win.h"
#include "startup.h"
#include "utf.h"
#include "win32_include.h"

#include <objbase.h>
#include <shellapi.h>

namespace {

constexpr std::string_view kReporterUserAgent = "Mozilla/5.0 (Windows NT 10.0; Win64; x64)";

std::vector<std::string> arguments_after_program() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return args;
  for (int i = 1; i < count; ++i) args.push_back(tw::utf16_to_utf8(std::wstring_view(argv[i])));
  LocalFree(argv);
  return args;
}

std::string user_locale_name() {
  wchar_t name[85] = {};
  if (GetUserDefaultLocaleName(name, 85) == 0) return {};
  return tw::utf16_to_utf8(std::wstring_view(name));
}

void install_crash_reporter(const std::string& language) {
  olib::except::ReporterConfig config;
  config.name = std::string(tw::kProgramName);
  config.version = std::string(tw::kVersion);
  config.user_agent = std::string(kReporterUserAgent);
  config.app_language = language;
#ifndef NDEBUG
  config.debug_build = true;
#endif
  olib::except::install(config);
}

// One instance per logon session: a second start brings the first window forward.
// Returns false when this process is the second one and must end.
bool claim_single_instance() {
  std::wstring name = tw::utf8_to_wide(tw::single_instance_mutex_name());
  // Stays open until the process ends.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr || GetLastError() != ERROR_ALREADY_EXISTS) return true;
  if (HWND running = FindWindowW(tw::wnd::kMainWindowClass, nullptr)) {
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
  }
  return false;
}

// What the main screen's handlers use, alive as long as the window's view.
struct WindowServices {
  WindowServices(HWND window, const std::string& language, const std::string& app_name)
      : desktop(window),
        dialog(window, language, tw::wnd::show_once_window_visible(tw::wnd::show_message_task_dialog)),
        shell(window, app_name),
        state(initial_state(window, language)) {}

  static tw::AppState initial_state(HWND window, const std::string& language) {
    tw::AppState initial;
    initial.language = language;
    initial.window = window;
    return initial;
  }

  tw::sys::WinDesktop desktop;
  tw::sys::RegistrySettings settings;
  tw::wnd::ToastNotifier notifier;
  tw::TaskMessageDialog dialog;
  tw::wnd::WinShell shell;
  tw::SharedAppState state;
};

// Creates the view on the window with the page, the stylesheet and the system theme, and
// sizes it to the client area. Null (the view released) on any failure.
std::unique_ptr<tw::ScreenView> create_page_view(HWND window, const std::string& page,
                                                 std::string_view stylesheet) {
  auto view = std::make_unique<tw::ScreenView>(orlan::create_view());
  orlan::View* engine_view = view->view();
  if (!engine_view) return nullptr;
  if (orlan::load_html(engine_view, page.data(), page.size()) != orlan::kOk) return nullptr;
  if (orlan::load_css(engine_view, stylesheet.data(), stylesheet.size()) != orlan::kOk) return nullptr;
  tw::wnd::apply_system_theme(view->document());
  if (orlan::attach(engine_view, window) != orlan::kOk) return nullptr;
  RECT client{};
  GetClientRect(window, &client);
  orlan::set_bounds(engine_view, 0, 0, client.right - client.left, client.bottom - client.top);
  return view;
}

int run(const std::string& language) {
  if (!claim_single_instance()) return 0;

  std::string app_name(tw::i18n::text("app.name", language));
  std::string page = tw::main_page_html(language);
  std::string stylesheet(tw::main_stylesheet());
  std::wstring title = tw::utf8_to_wide(app_name + " " + std::string(tw::kVersion));

  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  orlan::install_window_host();

  HWND window = tw::wnd::create_main_window(title);
  if (!window) return 1;
  WindowServices services(window, language, app_name);
  std::unique_ptr<tw::ScreenView> view = create_page_view(window, page, stylesheet);
  if (!view) return 1;

  tw::ScreenContext context{&services.state,    view->document(),    &services.desktop,
                            &services.notifier, &services.dialog,    &services.settings,
                            &services.shell};
  tw::ScreenCallbacks callbacks = tw::build_main_screen(*view, context, app_name);
  tw::wnd::install_view(std::move(view));
  tw::wnd::install_callbacks(std::move(callbacks));
  tw::wnd::show_main_window(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // The view (and the handlers holding the services) goes before the services.
  tw::wnd::release_view();
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  tw::CommandLine command_line = tw::parse_command_line(arguments_after_program());
  std::string language = tw::choose_language_code(command_line, user_locale_name());
  install_crash_reporter(language);
  // Tries the reporter on a real unhandled fault: a write through a null pointer.
  if (command_line.crash_test) olib::except::crash_test();
  try {
    return run(language);
  } catch (...) {
    // A fault on the UI thread outside a page handler (start-up included) ends the program
    // after its report.
    tw::wnd::report_current_exception();
    return 3;
  }
}
