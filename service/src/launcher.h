#pragma once

// The launcher's run from start to end: single instance, texts for the user's locale, the
// update check, and the start of the main program. Everything that touches the system goes
// through LauncherHost, so the order of events can be followed without a desktop.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace twsvc {

enum class MessageKind {
  BrokenInstallation,  // OK button, error icon
  UpdateOffer,         // Yes and No buttons, information icon
};

enum class Answer { Ok, Yes, No };

// Shown when the main program is missing beside the launcher.
inline constexpr std::u16string_view kProductSite = u"https://www.orlannet.com/tapwright/";

class LauncherHost {
 public:
  virtual ~LauncherHost() = default;

  // Takes the single-instance mutex for the rest of the process. False when another
  // instance holds it already.
  virtual bool claim_single_instance() = 0;
  // The user's default locale identifier.
  virtual std::uint32_t user_locale() = 0;
  // The hidden window that owns the message boxes; `title` is their caption.
  virtual void create_owner_window(std::u16string_view title) = 0;
  // Whether "Tapwright.exe" exists in the launcher's own folder.
  virtual bool main_program_exists() = 0;
  // Its fixed file version as four decimal numbers, or "0.0.0.0" when it has none.
  virtual std::u16string main_program_version() = 0;
  // The shared per-installation identifier (made and stored when missing); empty when the
  // registry cannot give one.
  virtual std::u16string update_identifier() = 0;
  // The reply body, one character per byte; empty when the service cannot be reached.
  virtual std::string fetch_update_reply(std::u16string_view url,
                                         std::u16string_view header_block) = 0;
  virtual Answer show_message(MessageKind kind, std::u16string_view text) = 0;
  virtual void open_url(std::u16string_view url) = 0;
  virtual void start_main_program() = 0;
};

struct LaunchOptions {
  bool install_only = false;  // "/inst": check for updates, never start the main program
  std::u16string endpoint;    // the update service's URL
};

// Only "/inst" as the first argument after the program name counts; anything else is ignored.
bool install_only_requested(const std::vector<std::u16string>& arguments);

// Whether an address from the reply may be handed to the shell: an absolute http(s) URL
// with a host and no control characters or blanks; text with unpaired surrogates never.
bool may_open_update_url(std::u16string_view url);

// The update check. True when it has sent the user elsewhere (the download page, or the
// product site for a broken installation), so the main program must not be started.
bool check_for_update(LauncherHost& host, std::u16string_view endpoint, std::uint32_t locale);

// The whole run; returns the exit code (always 0).
int run_launcher(LauncherHost& host, const LaunchOptions& options);

}  // namespace twsvc
