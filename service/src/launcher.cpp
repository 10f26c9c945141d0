#include "launcher.h"

#include "messages.h"
#include "reply.h"
#include "request.h"
#include "utf.h"
#include "web_url.h"

namespace twsvc {

bool install_only_requested(const std::vector<std::u16string>& arguments) {
  return arguments.size() > 1 && arguments[1] == u"/inst";
}

bool may_open_update_url(std::u16string_view url) {
  for (std::size_t i = 0; i < url.size(); ++i) {
    char16_t unit = url[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 < url.size() && url[i + 1] >= 0xDC00 && url[i + 1] <= 0xDFFF) {
        ++i;
        continue;
      }
      return false;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
  }
  return tw::is_openable_web_url(tw::utf16_to_utf8(url));
}

bool check_for_update(LauncherHost& host, std::u16string_view endpoint, std::uint32_t locale) {
  if (!host.main_program_exists()) {
    host.show_message(MessageKind::BrokenInstallation, broken_installation_text(locale));
    host.open_url(kProductSite);
    return true;
  }
  std::u16string version = host.main_program_version();
  std::u16string identifier = host.update_identifier();
  std::string body;
  if (!endpoint.empty()) {
    body = host.fetch_update_reply(endpoint, request_header_block(version, identifier));
  }
  std::u16string url = find_update_url(body);
  // An address the shell could take for a program, a script or a share is no update at
  // all: the reply may be spoofed, and its status is never looked at.
  if (url.empty() || !may_open_update_url(url)) return false;
  if (host.show_message(MessageKind::UpdateOffer, update_offer_text(locale)) != Answer::Yes) {
    return false;
  }
  host.open_url(url);
  return true;
}

int run_launcher(LauncherHost& host, const LaunchOptions& options) {
  if (!host.claim_single_instance()) return 0;
  std::uint32_t locale = host.user_locale();
  host.create_owner_window(application_title(locale));
  bool sent_elsewhere = check_for_update(host, options.endpoint, locale);
  if (!sent_elsewhere && !options.install_only) host.start_main_program();
  return 0;
}

}  // namespace twsvc
