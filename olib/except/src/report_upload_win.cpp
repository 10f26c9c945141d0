#include <string>
#include <vector>

#include "http_client.h"
#include "multipart.h"
#include "report_upload.h"
#include "reporter_state.h"

namespace olib::except {

std::optional<ReportError> send_report(const ReporterConfig& config, std::string_view report) {
  const std::string& url = reporter_state().report_url;
  if (auto refused = refused_report_url(url)) return refused;
  std::string boundary = make_boundary();
  std::string body = build_multipart_body(boundary, config.name, config.version, report);

  http::HttpRequest request;
  request.url = url;
  request.method = http::Method::post;
  request.add_header("Content-Type", multipart_content_type(boundary));
  request.set_user_agent(config.user_agent);
  request.connect_timeout = config.connect_timeout;
  request.receive_timeout = config.receive_timeout;
  request.body.assign(body.begin(), body.end());

  auto result = http::send(request);
  if (result.ok()) return std::nullopt;
  const http::HttpError& error = result.error();
  if (error.kind == http::HttpError::Kind::status) return report_error_for_status(error.status);
  return report_error_for_failure(error.message);
}

}  // namespace olib::except
