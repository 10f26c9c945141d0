// The main window for real under Wine: its class, style, size and place; every row of its
// window procedure, with and without an installed view; the theme from the registry; the
// notification setup and the toast failure line; the shell's web pages and the message
// dialog on a real task dialog.

#include <gtest/gtest.h>

#include "win32_include.h"

#include <commctrl.h>
#include <objbase.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "document.h"
#include "host_window_win.h"
#include "log.h"
#include "main_window_win.h"
#include "message_dialog_win.h"
#include "notifications_win.h"
#include "shell_win.h"
#include "url_open.h"
#include "utf.h"
#include "window_metrics.h"

namespace {

using namespace tw::wnd;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orlan::install_window_host();
    m_window = create_main_window(L"Tapwright 2.0.1");
    ASSERT_NE(m_window, nullptr);
  }
  void TearDown() override {
    release_view();
    if (IsWindow(m_window)) DestroyWindow(m_window);
    drain_quit();
  }

  // A view with a small page, attached to the window as start-up does it.
  std::unique_ptr<tw::ScreenView> make_view() {
    auto view = std::make_unique<tw::ScreenView>(orlan::create_view());
    std::string_view page = "<html><body><p>hi</p></body></html>";
    orlan::load_html(view->view(), page.data(), page.size());
    EXPECT_EQ(orlan::attach(view->view(), m_window), orlan::kOk);
    return view;
  }

  static bool drain_quit() {
    MSG message;
    bool quit = false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) quit = true;
      DispatchMessageW(&message);
    }
    return quit;
  }

  bool root_has_class(std::string_view name) {
    orlan::Node* root = orlan::document_element(installed_view()->document());
    return orlan::has_class(root, name.data(), name.size());
  }

  HWND m_window = nullptr;
};

void set_light_theme(DWORD value) {
  RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                  L"AppsUseLightTheme", REG_DWORD, &value, sizeof value);
}

TEST_F(MainWindowTest, HasItsClassStyleAndDpiScaledClientCentredOnTheWorkArea) {
  wchar_t name[64];
  GetClassNameW(m_window, name, 64);
  EXPECT_STREQ(name, L"TFrmTapwright");
  GetWindowTextW(m_window, name, 64);
  EXPECT_STREQ(name, L"Tapwright 2.0.1");
  LONG style = GetWindowLongW(m_window, GWL_STYLE);
  EXPECT_EQ(style & 0x00CA0000, 0x00CA0000);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_FALSE(IsWindowVisible(m_window));

  RECT client;
  GetClientRect(m_window, &client);
  tw::PixelSize expected = tw::scaled_client_size(GetDpiForWindow(m_window));
  EXPECT_EQ(client.right, expected.width);
  EXPECT_EQ(client.bottom, expected.height);

  RECT outer;
  GetWindowRect(m_window, &outer);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(m_window, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  EXPECT_LE(std::abs((outer.left - work.left) - (work.right - outer.right)), 1);
  EXPECT_LE(std::abs((outer.top - work.top) - (work.bottom - outer.bottom)), 1);
}

TEST_F(MainWindowTest, MessagesBeforeTheViewIsInstalledChangeNothing) {
  // A dialog shown while the screen is built re-activates its owner. Reaching for the
  // missing view ("document has no root") or calling an empty slot ends this test program
  // with the fault, which is how this test fails.
  SendMessageW(m_window, WM_ACTIVATE, WA_INACTIVE, 0);
  SendMessageW(m_window, WM_ACTIVATE, WA_ACTIVE, 0);
  SendMessageW(m_window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
  SendMessageW(m_window, WM_SETTINGCHANGE, 0, 0);
  SendMessageW(m_window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  SendMessageW(m_window, WM_TIMER, 1, 0);
  SendMessageW(m_window, WM_HOTKEY, 1, 0);
  EXPECT_TRUE(IsWindow(m_window));
}

TEST_F(MainWindowTest, RoutesTimerOneHotkeysAndRunsTheCloseCallbackOnceAtSessionEnd) {
  std::vector<std::string> calls;
  tw::ScreenCallbacks callbacks;
  callbacks.close = [&] { calls.push_back("close"); };
  callbacks.hotkey = [&](int id) { calls.push_back("hotkey " + std::to_string(id)); };
  callbacks.timer = [&] { calls.push_back("timer"); };
  install_callbacks(std::move(callbacks));

  SendMessageW(m_window, WM_TIMER, 1, 0);
  SendMessageW(m_window, WM_TIMER, 7, 0);  // another timer: the default procedure's
  SendMessageW(m_window, WM_HOTKEY, 2, 0);
  SendMessageW(m_window, WM_HOTKEY, 1, 0);
  SendMessageW(m_window, WM_ENDSESSION, FALSE, 0);  // the session goes on
  SendMessageW(m_window, WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(IsWindow(m_window));
  SendMessageW(m_window, WM_CLOSE, 0, 0);  // the close callback has already run
  EXPECT_EQ(calls, (std::vector<std::string>{"timer", "hotkey 2", "hotkey 1", "close"}));
  EXPECT_FALSE(IsWindow(m_window));
  EXPECT_TRUE(drain_quit());
}

TEST_F(MainWindowTest, CloseRunsTheCloseCallbackBeforeTheWindowGoes) {
  bool window_alive_at_close = false;
  int closes = 0;
  tw::ScreenCallbacks callbacks;
  callbacks.close = [&] {
    ++closes;
    window_alive_at_close = IsWindow(m_window);
  };
  install_callbacks(std::move(callbacks));
  SendMessageW(m_window, WM_CLOSE, 0, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(window_alive_at_close);
  EXPECT_FALSE(IsWindow(m_window));
  EXPECT_TRUE(drain_quit());
}

TEST_F(MainWindowTest, ActivationSizeAndThemeReachTheInstalledView) {
  install_view(make_view());
  HWND child = FindWindowExW(m_window, nullptr, L"OrlanUIView", nullptr);
  ASSERT_NE(child, nullptr);

  SendMessageW(m_window, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_TRUE(root_has_class("win-inactive"));
  SendMessageW(m_window, WM_ACTIVATE, WA_CLICKACTIVE, 0);
  EXPECT_FALSE(root_has_class("win-inactive"));

  SendMessageW(m_window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(321, 123));
  RECT rect;
  GetClientRect(child, &rect);
  EXPECT_EQ(rect.right, 321);
  EXPECT_EQ(rect.bottom, 123);

  orlan::Document* document = installed_view()->document();
  set_light_theme(0);
  SendMessageW(m_window, WM_SETTINGCHANGE, 0, 0);  // not a colour change: nothing re-read
  EXPECT_EQ(document->dark_scheme, 0);
  SendMessageW(m_window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  EXPECT_EQ(document->dark_scheme, 1);
  set_light_theme(1);
  SendMessageW(m_window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  EXPECT_EQ(document->dark_scheme, 0);
  RegDeleteKeyValueW(HKEY_CURRENT_USER,
                     L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                     L"AppsUseLightTheme");
  set_light_theme(0);
  apply_system_theme(document);
  EXPECT_EQ(document->dark_scheme, 1);
  RegDeleteKeyValueW(HKEY_CURRENT_USER,
                     L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                     L"AppsUseLightTheme");
  apply_system_theme(document);  // missing value: light
  EXPECT_EQ(document->dark_scheme, 0);
}

TEST_F(MainWindowTest, ANewViewReplacesTheOldAndReleasingEmptiesEverySlot) {
  install_view(make_view());
  HWND first_child = FindWindowExW(m_window, nullptr, L"OrlanUIView", nullptr);
  install_view(make_view());
  EXPECT_FALSE(IsWindow(first_child));
  HWND second_child = FindWindowExW(m_window, nullptr, L"OrlanUIView", nullptr);
  EXPECT_NE(second_child, nullptr);

  int ticks = 0;
  tw::ScreenCallbacks callbacks;
  callbacks.timer = [&] { ++ticks; };
  install_callbacks(std::move(callbacks));
  release_view();
  EXPECT_FALSE(IsWindow(second_child));
  EXPECT_EQ(installed_view(), nullptr);
  SendMessageW(m_window, WM_TIMER, 1, 0);
  EXPECT_EQ(ticks, 0);
}

TEST_F(MainWindowTest, DpiChangeTakesTheSuggestedRectangle) {
  RECT suggested{40, 30, 40 + 950, 30 + 760};
  SendMessageW(m_window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  RECT outer;
  GetWindowRect(m_window, &outer);
  EXPECT_EQ(outer.left, 40);
  EXPECT_EQ(outer.top, 30);
  EXPECT_EQ(outer.right - outer.left, 950);
  EXPECT_EQ(outer.bottom - outer.top, 760);
}

// ---- Notifications ---------------------------------------------------------------------------

class TempFolder {
 public:
  TempFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    m_path = std::filesystem::path(temp) / ("tw_wnd_test_" + std::to_string(GetCurrentProcessId()));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path / "Microsoft" / "Windows" / "Start Menu" / "Programs");
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  const std::filesystem::path& path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

TEST(Notifications, TheShortcutIsMadeOnceAndAnExistingOneIsLeftAlone) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  TempFolder app_data;
  SetEnvironmentVariableW(L"APPDATA", app_data.path().wstring().c_str());
  std::filesystem::path programs = app_data.path() / "Microsoft" / "Windows" / "Start Menu" / "Programs";

  std::string error;
  EXPECT_TRUE(set_up_notifications("탭라이트", error)) << error;
  std::filesystem::path shortcut = programs / tw::utf8_to_wide("탭라이트.lnk");
  ASSERT_TRUE(std::filesystem::exists(shortcut));
  EXPECT_GT(std::filesystem::file_size(shortcut), 0u);

  // Someone else's file under the name stays as it is.
  std::filesystem::path other = programs / "Tapwright.lnk";
  std::ofstream(other) << "not a link";
  EXPECT_TRUE(set_up_notifications("Tapwright", error)) << error;
  EXPECT_EQ(std::filesystem::file_size(other), 10u);

  // The shell's setup runs once per process: a later call does nothing.
  WinShell shell(nullptr, "Tapwright");
  std::filesystem::remove(shortcut);
  EXPECT_TRUE(shell.set_up_notifications("탭라이트", error));
  EXPECT_TRUE(std::filesystem::exists(shortcut));
  EXPECT_TRUE(shell.set_up_notifications("탭라이트", error));
  std::filesystem::remove(shortcut);
  EXPECT_TRUE(shell.set_up_notifications("탭라이트", error));
  EXPECT_FALSE(std::filesystem::exists(shortcut));

  SetEnvironmentVariableW(L"APPDATA", nullptr);
  EXPECT_FALSE(set_up_notifications("Tapwright", error));
  EXPECT_EQ(error, "APPDATA is not set");
  CoUninitialize();
}

TEST(Notifications, AToastThatCannotBeShownWritesOneToastLine) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::vector<std::string> lines;
  olib::set_log_sink([&](const std::string& line) { lines.push_back(line); });
  ToastNotifier notifier;
  notifier.notify("Tapwright\nThe run has ended.");
  olib::set_log_sink(nullptr);
  // Wine has no toast notification runtime.
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("[toast] 알림을 띄우지 못했습니다: ", 0), 0u) << lines[0];
  EXPECT_GT(lines[0].size(), std::string("[toast] 알림을 띄우지 못했습니다: ").size());
  CoUninitialize();
}

// ---- Shell and message dialog ------------------------------------------------------------------

TEST(WinShellTest, WebPagesGoThroughExplorer) {
  std::vector<std::string> opened;
  olib::update::set_url_opener_for_testing(
      [&](const std::string& url, olib::update::OpenVia via) {
        opened.push_back((via == olib::update::OpenVia::explorer ? "explorer " : "shell ") + url);
      });
  WinShell shell(nullptr, "Tapwright");
  shell.open_web_page(tw::kMouseTestPage);
  shell.open_web_page(tw::kDonatePage);
  olib::update::set_url_opener_for_testing(nullptr);
  EXPECT_EQ(opened, (std::vector<std::string>{"explorer https://www.orlannet.com/test_mouse",
                                              "explorer https://www.orlannet.com/donate?tapwright"}));
}

// Drives a modal loop (a menu, a dialog) from a timer of this thread, which the loop
// dispatches: once `find` sees its window, `act` answers it once. Should the loop still run
// 10 s later, `give_up` ends it, so that a window that ignores its answer fails the test
// instead of holding it until the test runner's limit.
struct ModalDriver {
  const char* what;
  std::function<HWND()> find;
  std::function<void(HWND)> act;
  std::function<void(HWND)> give_up;
};

struct ModalDriving {
  ModalDriver driver;
  std::chrono::steady_clock::time_point deadline;
  bool acted = false;
  bool gave_up = false;
};
ModalDriving g_modal;

void CALLBACK drive_modal(HWND, UINT, UINT_PTR, DWORD) {
  HWND target = g_modal.driver.find();
  if (target && !g_modal.acted) {
    g_modal.acted = true;
    g_modal.driver.act(target);
  } else if (!g_modal.gave_up && std::chrono::steady_clock::now() > g_modal.deadline) {
    g_modal.gave_up = true;
    g_modal.driver.give_up(target);
  }
}

template <typename Show>
auto drive_modal_loop(ModalDriver driver, Show show) {
  g_modal = ModalDriving{std::move(driver), std::chrono::steady_clock::now() + std::chrono::seconds(10)};
  UINT_PTR timer = SetTimer(nullptr, 0, 50, drive_modal);
  auto result = show();
  KillTimer(nullptr, timer);
  EXPECT_TRUE(g_modal.acted) << g_modal.driver.what << " never came up";
  EXPECT_FALSE(g_modal.gave_up) << g_modal.driver.what << " was still up 10 s after its answer";
  return result;
}

HWND visible_window(const wchar_t* window_class, const wchar_t* title) {
  HWND window = FindWindowW(window_class, title);
  return window && IsWindowVisible(window) ? window : nullptr;
}

// Keys for the row menu once it is up (class "#32768"), through the menu loop's queue.
tw::RowCommand choose_in_row_menu(tw::Shell& shell, std::vector<WPARAM> keys) {
  return drive_modal_loop(
      ModalDriver{"the row menu", [] { return visible_window(L"#32768", nullptr); },
                  [keys](HWND menu) {
                    for (WPARAM key : keys) {
                      PostMessageW(menu, WM_KEYDOWN, key, 0);
                      PostMessageW(menu, WM_KEYUP, key, 0xC0000000);
                    }
                  },
                  [](HWND) { EndMenu(); }},
      [&] { return shell.track_row_menu({"Move Up", "Move Down", "Delete"}); });
}

TEST_F(MainWindowTest, TheRowMenuReturnsTheChosenCommandOrNone) {
  ShowWindow(m_window, SW_SHOW);
  WinShell shell(m_window, "Tapwright");
  // The first Down selects the first item; the separator is skipped.
  EXPECT_EQ(choose_in_row_menu(shell, {VK_DOWN, VK_RETURN}), tw::RowCommand::kMoveUp);
  EXPECT_EQ(choose_in_row_menu(shell, {VK_DOWN, VK_DOWN, VK_RETURN}), tw::RowCommand::kMoveDown);
  EXPECT_EQ(choose_in_row_menu(shell, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}),
            tw::RowCommand::kDelete);
  EXPECT_EQ(choose_in_row_menu(shell, {VK_ESCAPE}), tw::RowCommand::kNone);
}

// Types a file name into the list dialog titled "List file" once it is up and presses OK
// (or Cancel when the name is empty).
template <typename Choose>
std::optional<tw::sys::FilePath> answer_file_dialog(std::wstring name, Choose choose) {
  return drive_modal_loop(
      ModalDriver{"the list file dialog", [] { return visible_window(nullptr, L"List file"); },
                  [name](HWND dialog) {
                    if (name.empty()) {
                      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                      return;
                    }
                    // The dialog opens with the focus in its file-name box.
                    SendMessageW(GetFocus(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
                    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                  },
                  [](HWND dialog) {
                    if (dialog) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                  }},
      choose);
}

TEST_F(MainWindowTest, ListDialogsGiveTheChosenPathWithTheDefaultExtension) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ShowWindow(m_window, SW_SHOW);
  TempFolder folder;
  WinShell shell(m_window, "Tapwright");
  tw::FileDialogTexts texts{"List file", "Click list"};

  std::filesystem::path saved = folder.path() / "clicks";
  auto chosen = answer_file_dialog(saved.wstring(), [&] { return shell.choose_list_to_save(texts); });
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, folder.path() / "clicks.lst");

  std::filesystem::path existing = folder.path() / "old.lst";
  std::ofstream(existing) << "1x2,0,0,0\n";
  chosen = answer_file_dialog(existing.wstring(), [&] { return shell.choose_list_to_open(texts); });
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, existing);

  EXPECT_FALSE(answer_file_dialog(L"", [&] { return shell.choose_list_to_open(texts); }));
  CoUninitialize();
}

// Presses a button of the task dialog titled app.name ("Tapwright") once it is up.
template <typename Show>
auto answer_with(int button, Show show) {
  return drive_modal_loop(
      ModalDriver{"the message dialog", [] { return visible_window(nullptr, L"Tapwright"); },
                  [button](HWND dialog) { SendMessageW(dialog, TDM_CLICK_BUTTON, button, 0); },
                  [](HWND dialog) {
                    if (dialog) PostMessageW(dialog, WM_CLOSE, 0, 0);
                  }},
      show);
}

TEST(MessageTaskDialog, YesNoQuestionsAndMessagesOnARealTaskDialog) {
  tw::TaskMessageDialog dialog(nullptr, "en", show_message_task_dialog);
  EXPECT_TRUE(answer_with(IDYES, [&] { return dialog.ask_yes_no("Clear all?\nThis cannot be undone."); }));
  EXPECT_FALSE(answer_with(IDNO, [&] { return dialog.ask_yes_no("Clear all?"); }));

  // A message has one OK button, which counts as accepted.
  std::string error;
  tw::MessageDialogOptions options =
      tw::message_dialog_options(nullptr, "en", "Saved.", tw::MessageKind::kInformation);
  EXPECT_EQ(answer_with(IDOK, [&] { return show_message_task_dialog(options, error); }),
            std::optional<bool>(true));
}

}  // namespace
