#include "report_upload.h"

#include "web_url.h"

namespace olib::except {

std::string report_url(const char* environment_value) {
  if (environment_value) {
    std::string_view value = environment_value;
    std::size_t first = value.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos) {
      std::size_t last = value.find_last_not_of(" \t\r\n");
      std::string_view url = value.substr(first, last - first + 1);
      // Reports carry paths and notes: plain http only to this computer (a test server).
      return tw::is_allowed_endpoint(url) ? std::string(url) : std::string();
    }
  }
  return std::string(kDefaultReportUrl);
}

std::optional<ReportError> refused_report_url(std::string_view url) {
  if (tw::is_allowed_endpoint(url)) return std::nullopt;
  return ReportError{"config", "보고 주소가 https:// 가 아니거나 루프백이 아닌 http:// 입니다."};
}

std::string ReportError::text() const {
  return "[" + kind + "] " + message;
}

ReportError report_error_for_status(std::uint16_t status) {
  return ReportError{"http", "보고 서버가 " + std::to_string(status) + " 응답을 보냈습니다."};
}

ReportError report_error_for_failure(std::string_view client_text) {
  return ReportError{"network", "보고 서버에 연결하지 못했습니다: " + std::string(client_text)};
}

}  // namespace olib::except
