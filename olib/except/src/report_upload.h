#pragma once

// Where reports go and what a failed upload says.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "reporter_config.h"

namespace olib::except {

inline constexpr std::string_view kDefaultReportUrl = "https://report.orlannet.com/except.php";
// Names another report endpoint (a test server, a staging host) when set and not blank.
inline constexpr std::string_view kReportUrlVariable = "TAPWRIGHT_REPORT_URL";

// The endpoint for an environment value (null or blank: the default). A value that is not
// an https URL, or a plain http URL to a loopback host, gives the empty text: no report
// is sent anywhere.
std::string report_url(const char* environment_value);

// An upload failure: a kind word ("http" or "network") and a UTF-8 message.
struct ReportError {
  std::string kind;
  std::string message;
  // "[" kind "] " message
  std::string text() const;
};

// Kind "config" when `url` may not receive reports (see report_url); nullopt when it may.
std::optional<ReportError> refused_report_url(std::string_view url);

// The server answered with a status outside 2xx.
ReportError report_error_for_status(std::uint16_t status);
// Any other failure, with the HTTP client's own text.
ReportError report_error_for_failure(std::string_view client_text);

#ifdef _WIN32
// One upload of `report` as a multipart form to the report endpoint, with the
// configuration's user agent and timeouts. nullopt: the server took it (2xx).
std::optional<ReportError> send_report(const ReporterConfig& config, std::string_view report);
#endif

}  // namespace olib::except
