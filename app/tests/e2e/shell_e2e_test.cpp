// The real Tapwright.exe under Wine around its window: a default list file it cannot read
// survives the session, dialogs raised while the screen is built come with a visible main
// window, one Start-menu shortcut whatever the language, and a fault in the window's own
// callbacks reported like any other.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e_fixture_win.h"

namespace tw::e2e {
namespace {

// "10x20,0,0,1000" CR LF as a text editor's "Unicode" encoding saves it: UTF-16 with a
// byte-order mark.
std::string utf16_list() {
  std::string bytes = "\xFF\xFE";
  for (char c : std::string("10x20,0,0,1000\r\n")) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

// Waits for the program's first dialog and says whether its owner, the main window, was
// visible when it came.
struct FirstDialog {
  HWND dialog = nullptr;
  HWND owner = nullptr;
  bool owner_visible = false;
};

FirstDialog wait_for_first_dialog(const Tapwright& program) {
  FirstDialog seen;
  seen.dialog = wait_for_dialog(program.id(), 60s);
  if (seen.dialog) {
    seen.owner = GetWindow(seen.dialog, GW_OWNER);
    seen.owner_visible = seen.owner != nullptr && IsWindowVisible(seen.owner);
  }
  return seen;
}

bool has_text(HWND dialog, const std::wstring& text) {
  std::vector<std::wstring> texts = child_texts(dialog);
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

class Shell : public EndToEnd {};

// ---- A default list file that cannot be read ----------------------------------------------

TEST_F(Shell, AUtf16ListFileIsReportedWithTheWindowShownAndSurvivesTheSession) {
  const std::string saved = utf16_list();
  ASSERT_TRUE(write_file(folder.list_file(), saved));
  Tapwright program(folder.exe());
  FirstDialog first = wait_for_first_dialog(program);
  ASSERT_NE(first.dialog, nullptr) << "no dialog for the unreadable list file";
  EXPECT_EQ(class_of(first.owner), L"TFrmTapwright");
  EXPECT_TRUE(first.owner_visible) << "the dialog came while its main window was hidden";
  EXPECT_TRUE(has_text(first.dialog, L"An error has occurred."));
  EXPECT_TRUE(has_text(first.dialog, L"stream did not contain valid UTF-8"));
  ASSERT_TRUE(click_button_to_close(first.dialog, IDOK));

  ASSERT_NE(program.wait_for_window(), nullptr);
  ASSERT_TRUE(program.sync());
  // Closing with the empty table deletes nothing.
  EXPECT_EQ(program.close(), 0u);
  EXPECT_EQ(read_file(folder.list_file()), saved);
  EXPECT_EQ(read_file(folder.list_file() + L".bak"), std::nullopt);
}

TEST_F(Shell, AUtf16ListFileIsKeptAsideWhenTheSessionWritesItsOwnList) {
  const std::string saved = utf16_list();
  ASSERT_TRUE(write_file(folder.list_file(), saved));
  std::wstring log = folder.list_file() + L".log";
  Tapwright program(folder.exe(), L"", log);
  FirstDialog first = wait_for_first_dialog(program);
  ASSERT_NE(first.dialog, nullptr);
  ASSERT_TRUE(click_button_to_close(first.dialog, IDOK));
  ASSERT_NE(program.wait_for_window(), nullptr);
  ASSERT_TRUE(program.sync());

  // A position recorded in this session (wherever the pointer is).
  press_key(VK_F4);
  ASSERT_TRUE(program.sync());
  EXPECT_EQ(program.close(), 0u);
  EXPECT_EQ(read_file(folder.list_file() + L".bak"), saved) << "the user's file was not kept";
  std::optional<std::string> written = read_file(folder.list_file());
  ASSERT_TRUE(written.has_value());
  // One line, left button, single click, the default second.
  EXPECT_EQ(written->find("\r\n"), written->size() - 2) << *written;
  EXPECT_NE(written->find(",0,0,1000,1000\r\n"), std::string::npos) << *written;
  std::string errors = read_file(log).value_or("");
  EXPECT_NE(errors.find("[list] "), std::string::npos) << errors;
  EXPECT_NE(errors.find("Tapwright.lst.bak"), std::string::npos) << errors;
}

TEST_F(Shell, AListFileHeldByAnotherProgramSurvivesTheSession) {
  const std::string saved = "10x20,0,0,1000\r\n";
  ASSERT_TRUE(write_file(folder.list_file(), saved));
  // Held without sharing while the program starts, as an editor or a backup tool may.
  HANDLE held = CreateFileW(folder.list_file().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Tapwright program(folder.exe());
  ASSERT_NE(program.wait_for_window(), nullptr);
  ASSERT_TRUE(program.sync());
  CloseHandle(held);
  // Nothing was read, so the table is empty; closing must not take that for the user's list.
  EXPECT_EQ(program.close(), 0u);
  EXPECT_EQ(read_file(folder.list_file()), saved);
}

// ---- Dialogs raised while the screen is built ---------------------------------------------

TEST_F(Shell, AHotkeyFailureIsShownWithTheMainWindowVisible) {
  HWND holder = CreateWindowExW(0, L"STATIC", L"hotkey holder", WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(RegisterHotKey(holder, 1, 0, VK_F3));
  Tapwright program(folder.exe());
  FirstDialog first = wait_for_first_dialog(program);
  ASSERT_NE(first.dialog, nullptr) << "no dialog for the hotkey held elsewhere";
  EXPECT_EQ(class_of(first.owner), L"TFrmTapwright");
  EXPECT_TRUE(first.owner_visible) << "the dialog came while its main window was hidden";
  EXPECT_TRUE(has_text(first.dialog,
                       L"Hotkey F3 could not be registered. It is already in use by another program."));
  ASSERT_TRUE(click_button_to_close(first.dialog, IDOK));
  UnregisterHotKey(holder, 1);
  DestroyWindow(holder);
  ASSERT_NE(program.wait_for_window(), nullptr);
  EXPECT_EQ(program.close(), 0u);
}

// ---- The Start-menu shortcut --------------------------------------------------------------

std::wstring programs_folder() {
  wchar_t app_data[MAX_PATH] = {};
  GetEnvironmentVariableW(L"APPDATA", app_data, MAX_PATH);
  return std::wstring(app_data) + L"\\Microsoft\\Windows\\Start Menu\\Programs\\";
}

std::vector<std::wstring> shortcuts_in(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"*.lnk").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(entry.cFileName);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(Shell, TwoLanguagesLeaveOneShortcut) {
  const std::wstring folder_path = programs_folder();
  for (const std::wstring& name : shortcuts_in(folder_path)) DeleteFileW((folder_path + name).c_str());
  for (const wchar_t* language : {L"en", L"ko"}) {
    Tapwright program(folder.exe(), std::wstring(L"--lang ") + language);
    ASSERT_NE(program.wait_for_window(), nullptr);
    ASSERT_TRUE(program.sync());
    EXPECT_EQ(program.close(), 0u);
  }
  EXPECT_EQ(shortcuts_in(folder_path), std::vector<std::wstring>{L"\uD0ED\uB77C\uC774\uD2B8.lnk"});

  // Another program's shortcut under a name of ours is not touched.
  ASSERT_TRUE(write_file(folder_path + L"Tapwright.lnk", "not a link"));
  {
    Tapwright program(folder.exe(), L"--lang ko");
    ASSERT_NE(program.wait_for_window(), nullptr);
    ASSERT_TRUE(program.sync());
    EXPECT_EQ(program.close(), 0u);
  }
  EXPECT_EQ(read_file(folder_path + L"Tapwright.lnk"), "not a link");
  DeleteFileW((folder_path + L"Tapwright.lnk").c_str());
}

// ---- A fault in the window's own callbacks ------------------------------------------------

TEST_F(Shell, AFailedAllocationInTheHotkeyPathMakesOneReportAndEndsTheProgram) {
  Tapwright program(folder.exe());
  HWND window = program.wait_for_window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(program.sync());
  // With the test seams on, this hotkey id fails as an allocation in the hotkey path would.
  ASSERT_TRUE(PostMessageW(window, WM_HOTKEY, 0x7E57, 0));

  HWND box = nullptr;
  ASSERT_TRUE(pump_until(
      [&] {
        for (HWND w : top_level_windows(program.id(), L"#32770")) {
          if (IsWindowVisible(w) && window_text(w) == L"Tapwright.exe - \uC624\uB958 \uBCF4\uACE0")
            box = w;  // 오류 보고
        }
        return box != nullptr || !program.running();
      },
      60s));
  ASSERT_NE(box, nullptr) << "no fault message box: the fault was not reported";
  std::vector<std::wstring> texts = child_texts(box);
  EXPECT_TRUE(std::find(texts.begin(), texts.end(), L"panic: out of memory") != texts.end());
  ASSERT_TRUE(click_button_to_close(box, IDOK));
  EXPECT_EQ(program.wait_for_exit(60s), 3u);
  std::vector<olib::testing::RecordedRequest> reports = report_server.requests();
  ASSERT_EQ(reports.size(), 1u) << "one fault, one report";
  EXPECT_EQ(reports[0].target, "/except.php");
  EXPECT_NE(reports[0].body.find("panic: out of memory"), std::string::npos);
  EXPECT_NE(reports[0].body.find("exception type    : panic"), std::string::npos);
}

}  // namespace
}  // namespace tw::e2e
