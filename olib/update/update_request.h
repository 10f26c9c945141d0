#pragma once

// The update service's request: configuration, version, endpoint, the HTTP request built
// from them and the errors of the update path. Portable; the exchange is request_update.

#include "http_request.h"
#include "result.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace olib::update {

// A kind word ("config", "registry", "http", "network", "parse") and a UTF-8 message.
struct UpdateError {
  std::string kind;
  std::string message;

  // "[kind] message", the form every diagnostic line uses.
  std::string text() const { return "[" + kind + "] " + message; }
};

inline constexpr std::string_view kDefaultUpdateEndpoint =
    "https://update.orlannet.com/api.init.php";
inline constexpr std::string_view kProgramVersion = "2.0.1";
inline constexpr std::string_view kUpdateUserAgent = "Mozilla/5.0 (Windows NT 10.0; Win64; x64)";
// The only command word the program sends: "do not offer this update again".
inline constexpr std::string_view kHoldCommand = "hold";

struct UpdateConfig {
  std::string url;
  std::string version;
  std::string language;
  std::string user_agent;
  std::optional<std::string> union_id;  // absent: the identifier stored in the registry
  std::chrono::nanoseconds connect_timeout = std::chrono::seconds(5);
  std::chrono::nanoseconds receive_timeout = std::chrono::seconds(10);
  bool debug = false;
};

// The version sent: the trimmed override (TAPWRIGHT_UPDATE_VERSION) when it is not blank,
// else the program's own version, followed by ".0". Null means "not set".
std::string update_version(const char* override_value);

// The endpoint: the trimmed override (TAPWRIGHT_UPDATE_URL) when it is not blank, else the
// built-in one. Null means "not set".
std::string update_endpoint(const char* override_value);

// The main program's configuration for `language`, overrides read from the environment.
UpdateConfig main_program_config(std::string_view language);

// The GET request of one exchange: trimmed URL, user agent, timeouts and the headers
// User-Version, User-Language, User-Debug, User-Union, User-Command in this order, each
// left out when blank. Fails with kind "config" when the URL is not an http(s) URL, or is a
// plain http URL whose host is not a loopback address.
Result<http::HttpRequest, UpdateError> build_update_request(
    const UpdateConfig& config, const std::optional<std::string>& union_id,
    std::optional<std::string_view> command);

// What an HTTP failure becomes: Status -> "http", anything else -> "network".
UpdateError update_error_from_http(const http::HttpError& error);

// The reply body as text: UTF-8, every ill-formed sequence replaced by U+FFFD.
std::string reply_text(const std::vector<std::uint8_t>& body);

}  // namespace olib::update
