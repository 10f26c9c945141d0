#include "task_dialog.h"
#include "log.h"
#include "url_open.h"
#include "win_ui_helpers.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace olib::update;
using olib::update::testing::pump_until;
using olib::update::testing::wait_for_window;
using namespace std::chrono_literals;

// Shows the dialog on a thread of its own (it is modal there) and returns its outcome.
std::future<olib::Result<DialogResult, UpdateError>> show_async(DialogOptions options) {
  return std::async(std::launch::async, [options] { return show_task_dialog(options); });
}

DialogOptions options_titled(const wchar_t* title) {
  DialogOptions options;
  std::wstring wide(title);
  options.window_title = std::string(wide.begin(), wide.end());
  options.main_instruction = "This program has been updated.";
  options.content = "It is recommended to download and execute new for stable use.";
  options.icon = 2;
  return options;
}

template <class Future>
bool finished(Future& future, std::chrono::milliseconds timeout) {
  return pump_until([&] { return future.wait_for(0s) == std::future_status::ready; }, timeout);
}

std::vector<std::wstring> child_texts(HWND dialog) {
  std::vector<std::wstring> texts;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM out) -> BOOL {
        wchar_t text[512] = {};
        GetWindowTextW(child, text, 512);
        reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(text);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texts));
  return texts;
}

// The dialog's controls may appear a moment after its window does.
bool has_text_containing(HWND dialog, const std::wstring& part) {
  return pump_until(
      [&] {
        for (const auto& text : child_texts(dialog)) {
          if (text.find(part) != std::wstring::npos) return true;
        }
        return false;
      },
      3s);
}

// Runs first: the task-dialog function is looked up once per process, so the debug lines
// appear only for the first dialog.
TEST(TaskDialog, LookupStepsAreTracedWhenDebugIsSet) {
  SetEnvironmentVariableW(L"OLIB_DIALOG_DEBUG", L"1");
  std::vector<std::string> lines;
  olib::set_log_sink([&](const std::string& line) { lines.push_back(line); });
  auto outcome = show_async(options_titled(L"OLib dialog debug"));
  HWND dialog = wait_for_window(nullptr, L"OLib dialog debug", 10s);
  if (dialog == nullptr && outcome.wait_for(0s) == std::future_status::ready) {
    auto early = outcome.get();
    FAIL() << (early.ok() ? std::string("returned without a window") : early.error().text());
  }
  ASSERT_NE(dialog, nullptr);
  SendMessageW(dialog, TDM_CLICK_BUTTON, IDNO, 0);
  ASSERT_TRUE(finished(outcome, 10s));
  olib::set_log_sink({});
  ASSERT_TRUE(outcome.get().ok());
  std::vector<std::string> steps;
  for (const auto& line : lines) {
    ASSERT_EQ(line.rfind("[olib-dialog] ", 0), 0u) << line;
    steps.push_back(line.substr(14, line.find(':') - 14 + 1));
  }
  ASSERT_GE(steps.size(), 3u);
  EXPECT_EQ(steps.front(), "CreateActCtxW:");
  EXPECT_EQ(lines[lines.size() - 2], "[olib-dialog] comctl32.dll: 성공");
  EXPECT_EQ(lines.back(), "[olib-dialog] TaskDialogIndirect: 성공");
}

TEST(TaskDialog, NoWithTheCheckBoxTickedIsNotAcceptedButChecked) {
  DialogOptions options = options_titled(L"OLib dialog no");
  options.check_box = "Do not show again";
  auto outcome = show_async(options);
  HWND dialog = wait_for_window(nullptr, L"OLib dialog no", 10s);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(has_text_containing(dialog, L"Do not show again"));
  SendMessageW(dialog, TDM_CLICK_VERIFICATION, TRUE, FALSE);
  SendMessageW(dialog, TDM_CLICK_BUTTON, IDNO, 0);
  ASSERT_TRUE(finished(outcome, 10s));
  auto result = outcome.get();
  ASSERT_TRUE(result.ok()) << result.error().text();
  EXPECT_FALSE(result.value().accepted);
  EXPECT_TRUE(result.value().checked);
}

TEST(TaskDialog, YesIsAcceptedAndReturnKeyWorksToo) {
  auto outcome = show_async(options_titled(L"OLib dialog yes"));
  HWND dialog = wait_for_window(nullptr, L"OLib dialog yes", 10s);
  ASSERT_NE(dialog, nullptr);
  SendMessageW(dialog, TDM_CLICK_BUTTON, IDYES, 0);
  ASSERT_TRUE(finished(outcome, 10s));
  auto result = outcome.get();
  ASSERT_TRUE(result.ok());
  EXPECT_TRUE(result.value().accepted);
  EXPECT_FALSE(result.value().checked);

  // Return, pressed on the control that has the focus in the dialog's thread, chooses the
  // default button, Yes.
  auto by_key = show_async(options_titled(L"OLib dialog return"));
  HWND second = wait_for_window(nullptr, L"OLib dialog return", 10s);
  ASSERT_NE(second, nullptr);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND target = second;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(second, nullptr), &info) &&
      info.hwndFocus != nullptr) {
    target = info.hwndFocus;
  }
  PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC01C0001);
  bool closed = finished(by_key, 10s);
  if (!closed) SendMessageW(second, TDM_CLICK_BUTTON, IDNO, 0);
  ASSERT_TRUE(closed) << "Return did not close the dialog";
  auto keyed = by_key.get();
  ASSERT_TRUE(keyed.ok()) << keyed.error().text();
  EXPECT_TRUE(keyed.value().accepted);
}

TEST(TaskDialog, OkOnlyDialogIsAcceptedEvenWhenClosed) {
  DialogOptions options = options_titled(L"OLib dialog ok");
  options.ok_only = true;
  options.icon = 1;
  auto outcome = show_async(options);
  HWND dialog = wait_for_window(nullptr, L"OLib dialog ok", 10s);
  ASSERT_NE(dialog, nullptr);
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  ASSERT_TRUE(finished(outcome, 10s));
  auto result = outcome.get();
  ASSERT_TRUE(result.ok());
  EXPECT_TRUE(result.value().accepted);
}

TEST(TaskDialog, YesNoDialogClosedIsNotAccepted) {
  auto outcome = show_async(options_titled(L"OLib dialog close"));
  HWND dialog = wait_for_window(nullptr, L"OLib dialog close", 10s);
  ASSERT_NE(dialog, nullptr);
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  ASSERT_TRUE(finished(outcome, 10s));
  auto result = outcome.get();
  ASSERT_TRUE(result.ok());
  EXPECT_FALSE(result.value().accepted);
}

TEST(TaskDialog, TopmostOnlyWhenAsked) {
  for (bool topmost : {true, false}) {
    DialogOptions options = options_titled(L"OLib dialog topmost");
    options.topmost = topmost;
    auto outcome = show_async(options);
    HWND dialog = wait_for_window(nullptr, L"OLib dialog topmost", 10s);
    ASSERT_NE(dialog, nullptr);
    bool is_topmost = false;
    pump_until(
        [&] {
          is_topmost = (GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
          return is_topmost == topmost;
        },
        2s);
    EXPECT_EQ(is_topmost, topmost);
    SendMessageW(dialog, TDM_CLICK_BUTTON, IDNO, 0);
    ASSERT_TRUE(finished(outcome, 10s));
  }
}

TEST(TaskDialog, OwnedByTheGivenWindow) {
  olib::update::testing::TestHost host(50, 50, 300, 200);
  DialogOptions options = options_titled(L"OLib dialog owned");
  options.owner = host.get();
  auto outcome = show_async(options);
  HWND dialog = wait_for_window(nullptr, L"OLib dialog owned", 10s);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), host.get());
  SendMessageW(dialog, TDM_CLICK_BUTTON, IDNO, 0);
  ASSERT_TRUE(finished(outcome, 10s));
}

TEST(TaskDialog, FooterLinkShowsItsText) {
  DialogOptions options = options_titled(L"OLib dialog footer");
  options.footer_link = std::make_pair("Release notes", "https://notes.example/?a=1&b=2");
  auto outcome = show_async(options);
  HWND dialog = wait_for_window(nullptr, L"OLib dialog footer", 10s);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(has_text_containing(dialog, L"Release notes"));
  SendMessageW(dialog, TDM_CLICK_BUTTON, IDNO, 0);
  ASSERT_TRUE(finished(outcome, 10s));
}

std::vector<HWND> visible_children_of_class(HWND parent, const wchar_t* class_name) {
  struct Search {
    const wchar_t* name;
    std::vector<HWND> found;
  } search{class_name, {}};
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM data) -> BOOL {
        auto* search = reinterpret_cast<Search*>(data);
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        RECT rect{};
        GetClientRect(child, &rect);
        if (lstrcmpiW(name, search->name) == 0 && rect.right > 0 && rect.bottom > 0) {
          search->found.push_back(child);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Shows a dialog with a footer link to `url`, clicks the link and returns what the dialog
// handed to the opener (nullopt when the dialog had no link to click). The click is
// the notification the link control sends its dialog, carrying the address the control
// parsed from the footer's markup: Wine's link control does not always take a synthetic
// mouse click, and its own hit test is not what is tested here.
std::optional<std::vector<std::string>> click_footer_link(const wchar_t* title,
                                                          const std::string& url,
                                                          std::vector<std::string>* log) {
  std::vector<std::string> opened;
  std::mutex mutex;
  set_url_opener_for_testing([&](const std::string& target, OpenVia via) {
    std::lock_guard lock(mutex);
    opened.push_back(target + (via == OpenVia::shell_open ? " (open)" : " (explorer)"));
  });
  olib::set_log_sink([&](const std::string& line) {
    std::lock_guard lock(mutex);
    log->push_back(line);
  });
  DialogOptions options = options_titled(title);
  options.footer_link = std::make_pair("Notes", url);
  auto outcome = show_async(options);
  HWND dialog = wait_for_window(nullptr, title, 10s);
  EXPECT_NE(dialog, nullptr) << "the dialog never came up";
  std::vector<HWND> links;
  int clicked = 0;
  if (dialog != nullptr) {
    // The content is a link control too; only the footer's holds a link. The footer's
    // control may come a little after the content's.
    NMLINK click{};
    HWND footer = nullptr;
    pump_until(
        [&] {
          links = visible_children_of_class(dialog, L"SysLink");
          for (HWND link : links) {
            click.item.mask = LIF_ITEMINDEX | LIF_URL;
            click.item.iLink = 0;
            if (SendMessageW(link, LM_GETITEM, 0, reinterpret_cast<LPARAM>(&click.item))) {
              footer = link;
              return true;
            }
          }
          return false;
        },
        10s);
    if (footer != nullptr) {
      click.hdr.hwndFrom = footer;
      click.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(footer));
      click.hdr.code = NM_CLICK;
      SendMessageW(GetParent(footer), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
      ++clicked;
    }
    EXPECT_TRUE(pump_until(
        [&] {
          std::lock_guard lock(mutex);
          return !opened.empty() || !log->empty();
        },
        5s))
        << "the link's click reached neither the opener nor the log";
    SendMessageW(dialog, TDM_CLICK_BUTTON, IDNO, 0);
  }
  EXPECT_TRUE(finished(outcome, 10s)) << "the dialog did not close";
  set_url_opener_for_testing({});
  olib::set_log_sink({});
  if (links.empty() || clicked == 0) return std::nullopt;
  std::lock_guard lock(mutex);
  return opened;
}

TEST(TaskDialog, ClickedFooterLinkOpensTheGivenAddressNotTheEscapedMarkup) {
  std::vector<std::string> log;
  auto opened = click_footer_link(L"OLib dialog link", "https://notes.example/a?b=1&c=2", &log);
  ASSERT_TRUE(opened.has_value()) << "the dialog shows no footer link";
  ASSERT_EQ(opened->size(), 1u);
  EXPECT_EQ(opened->at(0), "https://notes.example/a?b=1&c=2 (open)");
  EXPECT_TRUE(log.empty());
}

TEST(TaskDialog, ClickedFooterLinkToALocalFileIsRefusedAndLogged) {
  std::vector<std::string> log;
  auto opened = click_footer_link(L"OLib dialog bad link", "file:///C:/Windows/evil.bat", &log);
  ASSERT_TRUE(opened.has_value()) << "the dialog shows no footer link";
  EXPECT_TRUE(opened->empty());
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("[update] ", 0), 0u) << log[0];
  EXPECT_NE(log[0].find("evil.bat"), std::string::npos);
}

}  // namespace
