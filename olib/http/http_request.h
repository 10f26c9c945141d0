#pragma once

// One HTTP exchange of the support library: what the caller asks for and what comes back.
// Everything here is portable; the exchange itself (`send`) lives in http_client.h.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace olib::http {

enum class Method { get, post };

struct HttpRequest {
  std::string url;                                           // absolute http(s) URL
  std::vector<std::pair<std::string, std::string>> headers;  // in insertion order
  std::vector<std::uint8_t> body;
  std::string user_agent;                                               // "User-Agent" value
  std::chrono::nanoseconds connect_timeout = std::chrono::seconds(10);  // resolve + connect
  std::chrono::nanoseconds receive_timeout = std::chrono::seconds(30);  // send + receive
  Method method = Method::get;

  // Replaces the user agent.
  void set_user_agent(std::string value) { user_agent = std::move(value); }
  // Appends a header; one whose value is empty or only whitespace, or holds a CR, LF or
  // NUL, is silently dropped (the request still goes without it).
  void add_header(std::string name, std::string value);
};

// Whether a header value (or the user agent) may be sent: not blank, and no CR, LF or NUL
// that could end the line early and inject another header.
bool is_sendable_header_value(std::string_view value) noexcept;

struct HttpResponse {
  std::uint16_t status = 0;
  std::vector<std::uint8_t> body;
};

// Status: the server answered outside 200-299 (only the code is kept).
// Message: every other failure, as a UTF-8 text.
struct HttpError {
  enum class Kind { status, message };
  Kind kind = Kind::message;
  std::uint16_t status = 0;
  std::string message;

  static HttpError from_status(std::uint16_t code) { return {Kind::status, code, {}}; }
  static HttpError from_message(std::string text) { return {Kind::message, 0, std::move(text)}; }
};

// Bodies are read in chunks of this size and never beyond the cap.
inline constexpr std::size_t kBodyChunk = 16384;
inline constexpr std::size_t kBodyCap = 8388608;

// The URL with whitespace trimmed when it starts with "http://" or "https://" (exact case)
// and is at least as long as its scheme prefix; otherwise the step's error text.
std::optional<std::string> checked_url(std::string_view url);
std::string bad_url_message(std::string_view url);

// Whole milliseconds for WinHTTP's timeouts: clamped to 2,147,483,647, and never 0 (WinHTTP
// would wait forever), so zero or a negative duration becomes 1.
int timeout_milliseconds(std::chrono::nanoseconds duration) noexcept;

// The object path sent on the request line: the URL path followed by the query, "/" when
// both are empty.
std::string object_path(std::string_view path, std::string_view extra);

// All request headers as one block of "Name: value\r\n" lines: the user agent first when it
// is sendable, then the sendable headers in insertion order. Empty when there is no header.
std::string header_block(const HttpRequest& request);

// How many bytes of a chunk of `available` bytes may still be read after `already` bytes
// (0: stop reading, the cap is reached). Only whole chunks are taken.
std::size_t next_chunk_size(std::size_t already, std::size_t available) noexcept;

}  // namespace olib::http
