#pragma once

// The launcher's Win32 side: the mutex, the hidden owner window, message boxes, the
// registry, the version resource, WinINet and the shell.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "handles_win.h"
#include "launcher.h"

namespace twsvc {

inline constexpr wchar_t kMutexName[] = L"TapwrightServiceMutex";
inline constexpr wchar_t kOwnerWindowTitle[] = L"SvcTapwright";
inline constexpr wchar_t kMainProgramName[] = L"Tapwright.exe";

struct WinLauncherConfig {
  // Folder that holds Tapwright.exe, with a trailing backslash.
  std::wstring folder;
  // Opens a web address; the program uses the shell's "open" verb.
  std::function<void(const std::wstring& url)> open_url;
  // Starts the main program at `path`; the program uses the shell's "open" verb.
  std::function<void(const std::wstring& path)> start_program;
  // The user's default locale when absent.
  std::optional<std::uint32_t> locale;

  // The program's own settings: its executable's folder and the shell for both actions.
  static WinLauncherConfig for_this_program();
};

// The folder of this process's executable, with a trailing backslash.
std::wstring own_executable_folder();

// ShellExecuteW with "open", no parameters, no working directory, shown normal.
void shell_open(const std::wstring& target);

class WinLauncherHost final : public LauncherHost {
 public:
  explicit WinLauncherHost(WinLauncherConfig config);
  ~WinLauncherHost() override;

  bool claim_single_instance() override;
  std::uint32_t user_locale() override;
  void create_owner_window(std::u16string_view title) override;
  bool main_program_exists() override;
  std::u16string main_program_version() override;
  std::u16string update_identifier() override;
  std::string fetch_update_reply(std::u16string_view url,
                                 std::u16string_view header_block) override;
  Answer show_message(MessageKind kind, std::u16string_view text) override;
  void open_url(std::u16string_view url) override;
  void start_main_program() override;

  std::wstring main_program_path() const { return m_config.folder + kMainProgramName; }

 private:
  WinLauncherConfig m_config;
  KernelHandle m_mutex;
  WindowHandle m_owner;
  std::wstring m_title;
};

}  // namespace twsvc
