#include "http_request.h"

#include "text.h"

#include <algorithm>

namespace olib::http {

bool is_sendable_header_value(std::string_view value) noexcept {
  if (is_blank(value)) return false;
  // A line break would end the header early and start another (or break the block); a
  // NUL would cut the block short when it is widened for the platform.
  return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

void HttpRequest::add_header(std::string name, std::string value) {
  if (!is_sendable_header_value(value)) return;
  headers.emplace_back(std::move(name), std::move(value));
}

std::optional<std::string> checked_url(std::string_view url) {
  std::string_view trimmed = trim(url);
  // Byte-exact, case-sensitive scheme: "HTTPS://" is refused here on purpose.
  if (trimmed.starts_with("http://") || trimmed.starts_with("https://")) {
    return std::string(trimmed);
  }
  return std::nullopt;
}

std::string bad_url_message(std::string_view url) {
  return "주소는 전체 URL(https://...)이어야 합니다: " + std::string(url);
}

int timeout_milliseconds(std::chrono::nanoseconds duration) noexcept {
  constexpr std::int64_t kMax = 2147483647;
  std::int64_t ns = duration.count();
  if (ns <= 0) return 1;
  std::int64_t ms = ns / 1000000;  // whole seconds * 1000 + whole milliseconds of the rest
  if (ms > kMax) return static_cast<int>(kMax);
  if (ms == 0) return 1;
  return static_cast<int>(ms);
}

std::string object_path(std::string_view path, std::string_view extra) {
  if (path.empty() && extra.empty()) return "/";
  return std::string(path) + std::string(extra);
}

std::string header_block(const HttpRequest& request) {
  std::string block;
  if (is_sendable_header_value(request.user_agent)) {
    block += "User-Agent: " + request.user_agent + "\r\n";
  }
  for (const auto& [name, value] : request.headers) {
    // Headers set directly (not through add_header) get the same rule.
    if (!is_sendable_header_value(value)) continue;
    block += name + ": " + value + "\r\n";
  }
  return block;
}

std::size_t next_chunk_size(std::size_t already, std::size_t available) noexcept {
  std::size_t chunk = std::min(available, kBodyChunk);
  if (chunk == 0 || already + chunk > kBodyCap) return 0;
  return chunk;
}

}  // namespace olib::http
