#pragma once

// A small HTTP/1.1 server for Windows tests (it runs under Wine like the tests do).
//
// It listens on 127.0.0.1 on a port the system picks, serves every connection on a thread of
// its own and answers exactly one request per connection ("Connection: close"). Each request
// is recorded as it arrived: method, target, every header line byte for byte and in order,
// and the body (Content-Length and chunked bodies are both read; a chunked body is recorded
// de-chunked). Replies come from a script: `push_reply` queues replies that are used in the
// order requests complete; when the queue is empty the default reply (200, empty body, or
// whatever `set_default_reply` set) answers.
//
//   olib::testing::HttpTestServer server;                 // listening once constructed
//   server.push_reply(olib::testing::Reply::with_status(404, "gone"));
//   ... client sends to server.url("/api.init.php") ...
//   ASSERT_TRUE(server.wait_for_requests(1, std::chrono::seconds(5)));
//   auto request = server.requests()[0];                  // request.header_lines, .body
//
// A reply may wait before answering (`delay`), never answer until the server stops
// (`Reply::never()`), close the connection without answering (`Reply::hang_up()`), or send
// raw bytes of the test's own making (`raw`). Unless a reply names "Content-Length" or
// "Transfer-Encoding" itself, the server adds "Content-Length" for its body; it always adds
// "Connection: close". The destructor stops the server: connections that still wait are cut
// and every thread is joined.
//
// The constructor throws std::runtime_error when Winsock cannot listen.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace olib::testing {

struct RecordedRequest {
  std::string method;                     // "GET"
  std::string target;                     // "/api.init.php?x=1", as sent
  std::string version;                    // "HTTP/1.1"
  std::vector<std::string> header_lines;  // "Name: value", without CR LF, in arrival order
  std::string body;                       // de-chunked when the body came chunked

  // Value of the first header with this name (compared without regard to ASCII case),
  // with blanks around the value removed; nullopt when no such header arrived.
  std::optional<std::string> header(std::string_view name) const;
};

struct Reply {
  enum class Action {
    respond,  // send status, headers and body (or `raw`) after `delay`
    never,    // read the request, then keep the connection open and silent until stop
    hang_up,  // read the request, then close the connection without a byte of reply
  };

  Action action = Action::respond;
  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  std::string raw;  // when not empty: sent as it stands instead of status, headers and body
  std::chrono::milliseconds delay{0};

  static Reply with_status(int status, std::string body = {});
  static Reply with_body(std::string body, std::string content_type = "application/json");
  static Reply never();
  static Reply hang_up();
};

class HttpTestServer {
 public:
  HttpTestServer();
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  std::uint16_t port() const;
  // "http://127.0.0.1:<port>" followed by `path` (which should start with "/").
  std::string url(std::string_view path = "/") const;

  void push_reply(Reply reply);
  void set_default_reply(Reply reply);

  // True once at least `count` requests were recorded; false when `timeout` passed first.
  bool wait_for_requests(std::size_t count, std::chrono::milliseconds timeout) const;
  std::vector<RecordedRequest> requests() const;

  // Stops listening, cuts waiting connections and joins every thread. Called by the
  // destructor; calling it twice is harmless.
  void stop();

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

}  // namespace olib::testing
