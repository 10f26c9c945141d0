#include "update_service.h"

#include "http_client.h"
#include "log.h"

namespace olib::update {

Result<std::string, UpdateError> request_update(const UpdateConfig& config,
                                                std::optional<std::string_view> command) {
  // The address is checked before the registry is touched.
  auto checked = build_update_request(config, std::nullopt, command);
  if (!checked) return checked.error();

  std::optional<std::string> union_id = config.union_id;
  if (!union_id) {
    auto stored = read_or_create_identifier();
    if (stored) {
      union_id = stored.value();
    } else {
      log_line("[update] " + stored.error().text());
    }
  }
  auto request = build_update_request(config, union_id, command);
  if (!request) return request.error();

  auto response = http::send(request.value());
  if (!response) return update_error_from_http(response.error());
  return reply_text(response.value().body);
}

}  // namespace olib::update
