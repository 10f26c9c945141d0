// The launcher's Win32 side under Wine: a local update service on 127.0.0.1, a stand-in
// Tapwright.exe that records its start, real message boxes answered from a watcher thread,
// and the real TapwrightService.exe for what only a separate process shows.

#include "launcher_win.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "http_test_server.h"
#include "launcher.h"
#include "messages.h"
#include "request.h"
#include "win32_include.h"

#include <gtest/gtest.h>

namespace {

using namespace twsvc;
using namespace std::chrono_literals;
using olib::testing::HttpTestServer;
using olib::testing::RecordedRequest;
using olib::testing::Reply;

const char kUpdateReply[] = R"({"status":"ok","update":"https:\/\/download.example\/setup.exe"})";

std::wstring windows_path(const char* unix_path) {
  std::wstring path = L"Z:";
  for (const char* c = unix_path; *c != '\0'; ++c) path += *c == '/' ? L'\\' : wchar_t(*c);
  return path;
}

std::u16string ascii16(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}
std::wstring ascii_wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

class TempFolder {
 public:
  explicit TempFolder(const std::wstring& suffix = L"") {
    static int counter = 0;
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, base);
    m_path = std::wstring(base) + L"tw-service-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(++counter) + suffix + L"\\";
    CreateDirectoryW(m_path.c_str(), nullptr);
  }
  ~TempFolder() {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((m_path + L"*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
          DeleteFileW((m_path + entry.cFileName).c_str());
        }
      } while (FindNextFileW(find, &entry));
      FindClose(find);
    }
    RemoveDirectoryW(m_path.c_str());
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& path() const { return m_path; }
  std::wstring file(const wchar_t* name) const { return m_path + name; }

 private:
  std::wstring m_path;
};

std::optional<std::string> read_file(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string data;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
    data.append(buffer, read);
  CloseHandle(file);
  return data;
}

// Content of the stand-in's record once it appears (it is started asynchronously).
std::optional<std::string> wait_for_start_record(const TempFolder& folder,
                                                 std::chrono::milliseconds timeout = 15s) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    if (auto text = read_file(folder.file(L"started.txt")); text && !text->empty()) return text;
    std::this_thread::sleep_for(50ms);
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

void install_stand_in(const TempFolder& folder, const char* stand_in = TW_STAND_IN_EXE) {
  ASSERT_TRUE(
      CopyFileW(windows_path(stand_in).c_str(), folder.file(L"Tapwright.exe").c_str(), FALSE));
}

struct ProcessResult {
  bool finished = false;
  DWORD exit_code = 0;
};

// Runs `exe` until it ends; `on_start` gets its process id while it runs.
ProcessResult run_program(const std::wstring& exe, const std::wstring& arguments,
                          const std::function<void(DWORD)>& on_start = {},
                          DWORD timeout_ms = 30000) {
  std::wstring command = L"\"" + exe + L"\"";
  if (!arguments.empty()) command += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return {};
  }
  CloseHandle(process.hThread);
  if (on_start) on_start(process.dwProcessId);
  ProcessResult result;
  if (WaitForSingleObject(process.hProcess, timeout_ms) == WAIT_OBJECT_0) {
    result.finished = true;
    GetExitCodeProcess(process.hProcess, &result.exit_code);
  } else {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hProcess);
  return result;
}

// The endpoint variable for programs this test starts.
class EndpointVariable {
 public:
  explicit EndpointVariable(const std::string& url) {
    SetEnvironmentVariableW(L"TAPWRIGHT_UPDATE_URL", ascii_wide(url).c_str());
  }
  ~EndpointVariable() { SetEnvironmentVariableW(L"TAPWRIGHT_UPDATE_URL", nullptr); }
};

// A copy of the real launcher beside a stand-in main program.
struct Installation {
  TempFolder folder;
  std::wstring service;

  explicit Installation(bool with_main_program = true, const std::wstring& folder_suffix = L"")
      : folder(folder_suffix) {
    service = folder.file(L"TapwrightService.exe");
    EXPECT_TRUE(CopyFileW(windows_path(TW_SERVICE_EXE).c_str(), service.c_str(), FALSE));
    if (with_main_program) install_stand_in(folder);
  }
};

// --- registry -----------------------------------------------------------------------------

constexpr wchar_t kKey[] = L"Software\\Orlannet";

void remove_identifier_key() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
}

void prepare_identifier_key() {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegDeleteValueW(key, L"OUID");
  RegCloseKey(key);
}

void store_identifier(DWORD type, const void* data, DWORD size) {
  prepare_identifier_key();
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"OUID", type, data, size), ERROR_SUCCESS);
}

struct StoredValue {
  DWORD type = 0;
  std::vector<BYTE> data;
};

std::optional<StoredValue> stored_identifier() {
  DWORD type = 0;
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kKey, L"OUID", RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  StoredValue value{type, std::vector<BYTE>(size)};
  if (RegGetValueW(HKEY_CURRENT_USER, kKey, L"OUID", RRF_RT_ANY | RRF_NOEXPAND, &type,
                   value.data.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  return value;
}

bool key_exists() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// --- message boxes ------------------------------------------------------------------------

struct SeenBox {
  std::wstring caption;
  std::wstring text;
  bool has_yes = false;
  bool has_no = false;
  bool has_ok = false;
  std::wstring owner_title;
  bool owner_visible = true;
  RECT owner_rect{};
};

std::wstring window_text(HWND window) {
  wchar_t text[2048] = {};
  GetWindowTextW(window, text, 2048);
  return text;
}

// Finds message boxes of one process from its own thread, records them and presses a button.
class BoxWatcher {
 public:
  BoxWatcher(DWORD process, int answer, std::function<void()> before_answer = {})
      : m_process(process), m_answer(answer), m_before_answer(std::move(before_answer)) {
    m_thread = std::thread([this] { watch(); });
  }
  ~BoxWatcher() { stop(); }

  void stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
  }
  std::vector<SeenBox> boxes() {
    std::lock_guard lock(m_lock);
    return m_boxes;
  }

 private:
  struct Search {
    DWORD process;
    HWND found;
  };

  static BOOL CALLBACK match(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner_process = 0;
    GetWindowThreadProcessId(window, &owner_process);
    wchar_t class_name[64] = {};
    GetClassNameW(window, class_name, 64);
    if (owner_process == search->process && std::wstring(class_name) == L"#32770" &&
        IsWindowVisible(window)) {
      search->found = window;
      return FALSE;
    }
    return TRUE;
  }

  void watch() {
    SetThreadDesktop(OpenDesktopW(L"tw-service-test", 0, FALSE, GENERIC_ALL));
    while (!m_stop) {
      Search search{m_process, nullptr};
      EnumWindows(match, reinterpret_cast<LPARAM>(&search));
      if (search.found == nullptr) {
        std::this_thread::sleep_for(20ms);
        continue;
      }
      HWND box = search.found;
      SeenBox seen;
      seen.caption = window_text(box);
      seen.text = window_text(GetDlgItem(box, 0xFFFF));
      seen.has_yes = GetDlgItem(box, IDYES) != nullptr;
      seen.has_no = GetDlgItem(box, IDNO) != nullptr;
      seen.has_ok = GetDlgItem(box, IDOK) != nullptr;
      if (HWND owner = GetWindow(box, GW_OWNER)) {
        seen.owner_title = window_text(owner);
        seen.owner_visible = IsWindowVisible(owner);
        GetWindowRect(owner, &seen.owner_rect);
      }
      {
        std::lock_guard lock(m_lock);
        m_boxes.push_back(seen);
      }
      if (m_before_answer) m_before_answer();
      // Presses the button itself, as a user would.
      HWND button = GetDlgItem(box, m_answer);
      if (button != nullptr) {
        SendMessageW(button, BM_CLICK, 0, 0);
      } else {
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(m_answer, BN_CLICKED), 0);
      }
      for (int i = 0; i < 250 && IsWindow(box); ++i) std::this_thread::sleep_for(20ms);
    }
  }

  DWORD m_process;
  int m_answer;
  std::function<void()> m_before_answer;
  std::atomic<bool> m_stop{false};
  std::mutex m_lock;
  std::vector<SeenBox> m_boxes;
  std::thread m_thread;
};

// --- the launcher in this process, with recorded actions ----------------------------------

struct Actions {
  std::vector<std::wstring> opened;
  std::vector<std::wstring> started;
};

WinLauncherConfig recording_config(const TempFolder& folder, Actions& actions) {
  WinLauncherConfig config;
  config.folder = folder.path();
  config.open_url = [&actions](const std::wstring& url) { actions.opened.push_back(url); };
  config.start_program = [&actions](const std::wstring& path) { actions.started.push_back(path); };
  return config;
}

LaunchOptions options_for(const HttpTestServer& server, bool install_only = false) {
  return LaunchOptions{install_only, ascii16(server.url("/api.init.php"))};
}

int run_in_process(WinLauncherConfig config, const LaunchOptions& options) {
  WinLauncherHost host(std::move(config));
  return run_launcher(host, options);
}

const wchar_t kEnglishOffer[] =
    L"This program has been updated.\r\r"
    L"It is recommended to download and execute new for stable use.\r\r"
    L"Do you want to download it?";

// The windows of this test live on a desktop of its own, made by this process with the
// display it was given (a fresh prefix's default desktop may have been made without one).
class OwnDesktop : public ::testing::Environment {
 public:
  void SetUp() override {
    HDESK desktop = CreateDesktopW(L"tw-service-test", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ASSERT_NE(desktop, nullptr);
    ASSERT_TRUE(SetThreadDesktop(desktop));
  }
};
const auto* const own_desktop = ::testing::AddGlobalTestEnvironment(new OwnDesktop);

// --- the real program ---------------------------------------------------------------------

TEST(ServiceProgram, NoUpdateStartsTheMainProgramWithoutArguments) {
  prepare_identifier_key();
  HttpTestServer server;
  server.set_default_reply(Reply::with_body(R"({"status":"ok"})"));
  Installation install;
  EndpointVariable endpoint(server.url("/api.init.php"));

  ProcessResult result = run_program(install.service, L"");
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.exit_code, 0u);
  EXPECT_EQ(wait_for_start_record(install.folder), "started args=0\n");

  ASSERT_EQ(server.requests().size(), 1u);
  RecordedRequest request = server.requests()[0];
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.target, "/api.init.php");
  EXPECT_EQ(request.header("User-Agent"), std::string(kUserAgent));
  // The fixed version of the stand-in (its version string says otherwise on purpose).
  EXPECT_EQ(request.header("User-Version"), "3.10.4.15");
  EXPECT_EQ(request.header("User-Debug"), "false");
  // The three headers go as one block, in this order.
  auto at = std::find(request.header_lines.begin(), request.header_lines.end(),
                      "User-Version: 3.10.4.15");
  ASSERT_NE(at, request.header_lines.end());
  ASSERT_GE(request.header_lines.end() - at, 3);
  EXPECT_EQ(at[1], "User-Debug: false");
  EXPECT_EQ(at[2].rfind("User-Union: ", 0), 0u);
  // Asked past every cache.
  EXPECT_EQ(request.header("Pragma"), "no-cache");
  EXPECT_FALSE(request.header("User-Language").has_value());
  EXPECT_FALSE(request.header("User-Command").has_value());

  // A new identifier was made, stored as text with its NUL, and sent.
  std::optional<StoredValue> stored = stored_identifier();
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
  ASSERT_EQ(stored->data.size(), 33u * sizeof(wchar_t));
  std::wstring id(reinterpret_cast<const wchar_t*>(stored->data.data()), 32);
  EXPECT_EQ(reinterpret_cast<const wchar_t*>(stored->data.data())[32], L'\0');
  EXPECT_EQ(request.header("User-Union"), std::string(id.begin(), id.end()));
}

TEST(ServiceProgram, InstallOnlyStartsNothing) {
  prepare_identifier_key();
  HttpTestServer server;
  server.set_default_reply(Reply::with_body(R"({"update":null})"));
  Installation install;
  EndpointVariable endpoint(server.url("/api.init.php"));

  ProcessResult result = run_program(install.service, L"/inst");
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.exit_code, 0u);
  EXPECT_EQ(server.requests().size(), 1u);
  // A start would have been asked for before the program ended.
  EXPECT_EQ(wait_for_start_record(install.folder, 2s), std::nullopt);
}

TEST(ServiceProgram, OtherArgumentsAreIgnored) {
  HttpTestServer server;
  Installation install;
  EndpointVariable endpoint(server.url("/api.init.php"));
  ProcessResult result = run_program(install.service, L"/INST \"/inst\"x --x");
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(wait_for_start_record(install.folder), "started args=0\n");
}

TEST(ServiceProgram, SecondInstanceEndsAtOnce) {
  HttpTestServer server;
  Installation install;
  EndpointVariable endpoint(server.url("/api.init.php"));
  HANDLE first = CreateMutexW(nullptr, TRUE, L"TapwrightServiceMutex");
  ASSERT_NE(first, nullptr);
  ProcessResult result = run_program(install.service, L"");
  ReleaseMutex(first);
  CloseHandle(first);
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.exit_code, 0u);
  EXPECT_TRUE(server.requests().empty());
  EXPECT_EQ(wait_for_start_record(install.folder, 2s), std::nullopt);
}

TEST(ServiceProgram, AnsweringNoStartsTheMainProgram) {
  HttpTestServer server;
  server.set_default_reply(Reply::with_body(kUpdateReply));
  Installation install;
  EndpointVariable endpoint(server.url("/api.init.php"));
  std::unique_ptr<BoxWatcher> watcher;
  ProcessResult result = run_program(install.service, L"", [&](DWORD process) {
    watcher = std::make_unique<BoxWatcher>(process, IDNO);
  });
  ASSERT_NE(watcher, nullptr);
  watcher->stop();
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.exit_code, 0u);
  std::vector<SeenBox> boxes = watcher->boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kEnglishOffer);
  EXPECT_EQ(boxes[0].owner_title, L"SvcTapwright");
  EXPECT_EQ(wait_for_start_record(install.folder), "started args=0\n");
}

TEST(ServiceProgram, FolderWithNonAsciiNameWorks) {
  HttpTestServer server;
  Installation install(true, L"-탭라이트-Ü");
  EndpointVariable endpoint(server.url("/api.init.php"));
  ProcessResult result = run_program(install.service, L"");
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(wait_for_start_record(install.folder), "started args=0\n");
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].header("User-Version"), "3.10.4.15");
}

// --- message boxes and recorded actions ---------------------------------------------------

TEST(ServiceUpdateOffer, YesOpensTheDownloadAndStartsNothing) {
  HttpTestServer server;
  // The status is never looked at: an error status with the member still offers it.
  server.set_default_reply(Reply::with_status(500, kUpdateReply));
  TempFolder folder;
  install_stand_in(folder);
  Actions actions;
  BoxWatcher watcher(GetCurrentProcessId(), IDYES);
  EXPECT_EQ(run_in_process(recording_config(folder, actions), options_for(server)), 0);
  watcher.stop();

  EXPECT_EQ(actions.opened, std::vector<std::wstring>{L"https://download.example/setup.exe"});
  EXPECT_TRUE(actions.started.empty());
  std::vector<SeenBox> boxes = watcher.boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"Tapwright");
  EXPECT_EQ(boxes[0].text, kEnglishOffer);
  EXPECT_TRUE(boxes[0].has_yes);
  EXPECT_TRUE(boxes[0].has_no);
  // Owned by the hidden window just below the primary screen.
  EXPECT_EQ(boxes[0].owner_title, L"SvcTapwright");
  EXPECT_FALSE(boxes[0].owner_visible);
  EXPECT_EQ(boxes[0].owner_rect.top, GetSystemMetrics(SM_CYSCREEN) + 1);
  EXPECT_EQ(boxes[0].owner_rect.right - boxes[0].owner_rect.left, 240);
  EXPECT_EQ(boxes[0].owner_rect.bottom - boxes[0].owner_rect.top, 40);
}

TEST(ServiceUpdateOffer, NoStartsTheMainProgram) {
  HttpTestServer server;
  server.set_default_reply(Reply::with_body(kUpdateReply));
  TempFolder folder;
  install_stand_in(folder);
  Actions actions;
  WinLauncherConfig config = recording_config(folder, actions);
  // The real start, so the stand-in shows that the path is right.
  config.start_program = [&actions](const std::wstring& path) {
    actions.started.push_back(path);
    shell_open(path);
  };
  BoxWatcher watcher(GetCurrentProcessId(), IDNO);
  run_in_process(std::move(config), options_for(server));
  watcher.stop();

  EXPECT_EQ(watcher.boxes().size(), 1u);
  EXPECT_TRUE(actions.opened.empty());
  EXPECT_EQ(actions.started, std::vector<std::wstring>{folder.path() + L"Tapwright.exe"});
  EXPECT_EQ(wait_for_start_record(folder), "started args=0\n");
}

TEST(ServiceUpdateOffer, InstallOnlyOffersButNeverStarts) {
  HttpTestServer server;
  server.set_default_reply(Reply::with_body(kUpdateReply));
  TempFolder folder;
  install_stand_in(folder);
  Actions actions;
  BoxWatcher watcher(GetCurrentProcessId(), IDNO);
  run_in_process(recording_config(folder, actions), options_for(server, true));
  watcher.stop();
  EXPECT_EQ(watcher.boxes().size(), 1u);
  EXPECT_TRUE(actions.opened.empty());
  EXPECT_TRUE(actions.started.empty());
}

TEST(ServiceUpdateOffer, KoreanLocaleGivesKoreanTitleAndText) {
  HttpTestServer server;
  server.set_default_reply(Reply::with_body(kUpdateReply));
  TempFolder folder;
  install_stand_in(folder);
  Actions actions;
  WinLauncherConfig config = recording_config(folder, actions);
  config.locale = kLocaleKorean;
  BoxWatcher watcher(GetCurrentProcessId(), IDNO);
  run_in_process(std::move(config), options_for(server));
  watcher.stop();
  std::vector<SeenBox> boxes = watcher.boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"탭라이트");
  EXPECT_EQ(boxes[0].text,
            L"업데이트가 정보가 있습니다.\r\r"
            L"안정적으로 사용하기 위해 업데이트를 하시길 권장합니다.\r\r"
            L"다운로드 받으시겠습니까?");
}

TEST(ServiceUpdateOffer, SecondStartWhileTheFirstAsksEndsAtOnce) {
  HttpTestServer server;
  server.set_default_reply(Reply::with_body(kUpdateReply));
  TempFolder folder;
  install_stand_in(folder);
  Installation second;
  EndpointVariable endpoint(server.url("/api.init.php"));
  Actions actions;
  ProcessResult second_result;
  std::size_t requests_after_second = 0;
  BoxWatcher watcher(GetCurrentProcessId(), IDNO, [&] {
    second_result = run_program(second.service, L"");
    requests_after_second = server.requests().size();
  });
  run_in_process(recording_config(folder, actions), options_for(server));
  watcher.stop();

  EXPECT_EQ(watcher.boxes().size(), 1u);
  ASSERT_TRUE(second_result.finished);
  EXPECT_EQ(second_result.exit_code, 0u);
  EXPECT_EQ(requests_after_second, 1u);  // only the first instance asked
  EXPECT_EQ(wait_for_start_record(second.folder, 2s), std::nullopt);
  EXPECT_EQ(actions.started.size(), 1u);
}

TEST(ServiceUpdateOffer, AddressThatIsNoWebPageIsNoUpdate) {
  const char* replies[] = {
      R"({"update":"C:\\Windows\\System32\\cmd.exe"})",
      R"({"update":"\\\\server\\share\\setup.exe"})",
      R"({"update":"file:\/\/\/C:\/Windows\/System32\/cmd.exe"})",
      R"({"update":"https:\/\/host\/a b"})",
  };
  for (const char* reply : replies) {
    HttpTestServer server;
    server.set_default_reply(Reply::with_body(reply));
    TempFolder folder;
    install_stand_in(folder);
    Actions actions;
    BoxWatcher watcher(GetCurrentProcessId(), IDNO);
    run_in_process(recording_config(folder, actions), options_for(server));
    watcher.stop();
    EXPECT_TRUE(watcher.boxes().empty()) << reply;
    EXPECT_TRUE(actions.opened.empty()) << reply;
    EXPECT_EQ(actions.started.size(), 1u) << reply;
  }
}

TEST(ServiceUpdateCheck, UnreachableServiceStartsTheMainProgram) {
  std::string url;
  {
    HttpTestServer closed;
    url = closed.url("/api.init.php");
  }
  TempFolder folder;
  install_stand_in(folder);
  Actions actions;
  BoxWatcher watcher(GetCurrentProcessId(), IDNO);
  run_in_process(recording_config(folder, actions), LaunchOptions{false, ascii16(url)});
  watcher.stop();
  EXPECT_TRUE(watcher.boxes().empty());
  EXPECT_EQ(actions.started.size(), 1u);
}

TEST(ServiceUpdateCheck, LongReplyIsReadWhole) {
  // The marker sits past many read pieces.
  std::string body = "{\"pad\":\"" + std::string(10000, 'x') + "\",\"update\":\"https://h/far\"}";
  HttpTestServer server;
  server.set_default_reply(Reply::with_body(body));
  TempFolder folder;
  install_stand_in(folder);
  Actions actions;
  BoxWatcher watcher(GetCurrentProcessId(), IDYES);
  run_in_process(recording_config(folder, actions), options_for(server));
  watcher.stop();
  EXPECT_EQ(actions.opened, std::vector<std::wstring>{L"https://h/far"});
}

TEST(ServiceUpdateCheck, ReplyPastFourMebibytesIsNotRead) {
  std::string pad(std::size_t{4} << 20, 'x');
  HttpTestServer server;
  server.set_default_reply(
      Reply::with_body("{\"pad\":\"" + pad + "\",\"update\":\"https://h/late\"}"));
  TempFolder folder;
  install_stand_in(folder);
  Actions actions;
  BoxWatcher watcher(GetCurrentProcessId(), IDYES);
  run_in_process(recording_config(folder, actions), options_for(server));
  watcher.stop();
  EXPECT_TRUE(watcher.boxes().empty());
  EXPECT_TRUE(actions.opened.empty());
  EXPECT_EQ(actions.started.size(), 1u);
}

TEST(ServiceUpdateCheck, MainProgramWithoutVersionResourceSendsZeros) {
  HttpTestServer server;
  TempFolder folder;
  install_stand_in(folder, TW_STAND_IN_BARE_EXE);
  Actions actions;
  run_in_process(recording_config(folder, actions), options_for(server));
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].header("User-Version"), "0.0.0.0");
}

TEST(ServiceBrokenInstallation, MissingMainProgramIsReportedAndSiteOpened) {
  HttpTestServer server;
  server.set_default_reply(Reply::with_body(kUpdateReply));
  TempFolder folder;  // no Tapwright.exe
  Actions actions;
  BoxWatcher watcher(GetCurrentProcessId(), IDOK);
  run_in_process(recording_config(folder, actions), options_for(server));
  watcher.stop();

  std::vector<SeenBox> boxes = watcher.boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"Tapwright");
  EXPECT_EQ(boxes[0].text,
            L"The application configuration file is invalid.\r\rPlease reinstall and run.");
  EXPECT_TRUE(boxes[0].has_ok);
  EXPECT_FALSE(boxes[0].has_yes);
  EXPECT_EQ(actions.opened,
            std::vector<std::wstring>{std::wstring(kProductSite.begin(), kProductSite.end())});
  EXPECT_TRUE(actions.started.empty());
  EXPECT_TRUE(server.requests().empty());
}

TEST(ServiceBrokenInstallation, FolderNamedLikeTheMainProgramIsNoProgram) {
  HttpTestServer server;
  TempFolder folder;
  CreateDirectoryW(folder.file(L"Tapwright.exe").c_str(), nullptr);
  Actions actions;
  BoxWatcher watcher(GetCurrentProcessId(), IDOK);
  run_in_process(recording_config(folder, actions), options_for(server));
  watcher.stop();
  RemoveDirectoryW(folder.file(L"Tapwright.exe").c_str());
  EXPECT_EQ(watcher.boxes().size(), 1u);
  EXPECT_TRUE(actions.started.empty());
}

// --- the shared identifier ----------------------------------------------------------------

std::optional<std::string> union_header_after_run() {
  HttpTestServer server;
  TempFolder folder;
  install_stand_in(folder);
  Actions actions;
  run_in_process(recording_config(folder, actions), options_for(server));
  if (server.requests().size() != 1) return std::string("<no request>");
  return server.requests()[0].header("User-Union");
}

TEST(ServiceIdentifier, MissingKeyIsNotCreatedAndSendsEmptyIdentifier) {
  remove_identifier_key();
  EXPECT_EQ(union_header_after_run().value_or(""), "");
  EXPECT_FALSE(key_exists());
}

TEST(ServiceIdentifier, StoredTextIsSentAsItIs) {
  const wchar_t text[] = L"shared-by-both-programs";
  store_identifier(REG_SZ, text, sizeof text);
  EXPECT_EQ(union_header_after_run(), "shared-by-both-programs");
  const wchar_t expand[] = L"%X%-kept";
  store_identifier(REG_EXPAND_SZ, expand, sizeof expand);
  EXPECT_EQ(union_header_after_run(), "%X%-kept");
}

TEST(ServiceIdentifier, MadeOnceThenReused) {
  prepare_identifier_key();
  std::optional<std::string> first = union_header_after_run();
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->size(), 32u);
  EXPECT_EQ(union_header_after_run(), first);
}

TEST(ServiceIdentifier, ValueOfOtherTypeGivesEmptyIdentifierAndStays) {
  DWORD number = 42;
  store_identifier(REG_DWORD, &number, sizeof number);
  EXPECT_EQ(union_header_after_run().value_or(""), "");
  std::optional<StoredValue> stored = stored_identifier();
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->type, static_cast<DWORD>(REG_DWORD));
}

}  // namespace
