#include "update_request.h"

#include "text.h"
#include "utf.h"
#include "web_url.h"

#include <cstdlib>

namespace olib::update {

std::string update_version(const char* override_value) {
  std::string_view base = kProgramVersion;
  if (override_value != nullptr && !is_blank(override_value)) base = trim(override_value);
  return std::string(base) + ".0";
}

std::string update_endpoint(const char* override_value) {
  if (override_value != nullptr && !is_blank(override_value)) {
    return std::string(trim(override_value));
  }
  return std::string(kDefaultUpdateEndpoint);
}

UpdateConfig main_program_config(std::string_view language) {
  UpdateConfig config;
  config.url = update_endpoint(std::getenv("TAPWRIGHT_UPDATE_URL"));
  config.version = update_version(std::getenv("TAPWRIGHT_UPDATE_VERSION"));
  config.language = std::string(language);
  config.user_agent = std::string(kUpdateUserAgent);
  return config;
}

Result<http::HttpRequest, UpdateError> build_update_request(
    const UpdateConfig& config, const std::optional<std::string>& union_id,
    std::optional<std::string_view> command) {
  std::string_view url = trim(config.url);
  if (!url.starts_with("http://") && !url.starts_with("https://")) {
    return UpdateError{"config",
                       "업데이트 주소는 전체 URL(https://...)이어야 합니다: " + config.url};
  }
  // The endpoint variable may name a test server, but plain http only on this computer.
  if (!tw::is_allowed_endpoint(url)) {
    return UpdateError{
        "config",
        "http:// 주소는 이 컴퓨터(루프백)만 허용됩니다. https:// 를 쓰십시오: " + config.url};
  }
  http::HttpRequest request;
  request.method = http::Method::get;
  request.url = std::string(url);
  request.set_user_agent(config.user_agent);
  request.connect_timeout = config.connect_timeout;
  request.receive_timeout = config.receive_timeout;
  // add_header leaves out every header whose value is blank.
  request.add_header("User-Version", config.version);
  request.add_header("User-Language", config.language);
  request.add_header("User-Debug", config.debug ? "true" : "false");
  if (union_id) request.add_header("User-Union", *union_id);
  if (command) request.add_header("User-Command", std::string(*command));
  return request;
}

UpdateError update_error_from_http(const http::HttpError& error) {
  if (error.kind == http::HttpError::Kind::status) {
    return {"http", "업데이트 서버가 " + std::to_string(error.status) + " 응답을 보냈습니다."};
  }
  return {"network", "업데이트 서버에 연결하지 못했습니다: " + error.message};
}

std::string reply_text(const std::vector<std::uint8_t>& body) {
  std::string_view raw(reinterpret_cast<const char*>(body.data()), body.size());
  if (tw::is_valid_utf8(raw)) return std::string(raw);
  std::string text;
  text.reserve(raw.size());
  for (std::size_t pos = 0; pos < raw.size();) tw::append_utf8(text, tw::decode_utf8(raw, pos));
  return text;
}

}  // namespace olib::update
