// Winsock side of the test HTTP server; see http_test_server.h for what it does.
#ifndef _WIN32
#error "http_test_server.cpp is for Windows test builds only"
#endif

#include "http_test_server.h"
#include "ascii.h"

// clang-format off
#include "win32_include.h"
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace olib::testing {

namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<std::string> header_in(const std::vector<std::string>& lines, std::string_view name) {
  for (const auto& line : lines) {
    auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    if (tw::ascii_iequals(trim_blanks(std::string_view(line).substr(0, colon)), name)) {
      return std::string(trim_blanks(std::string_view(line).substr(colon + 1)));
    }
  }
  return std::nullopt;
}

const char* reason_phrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 201:
      return "Created";
    case 204:
      return "No Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 304:
      return "Not Modified";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

bool status_has_no_body(int status) {
  return status / 100 == 1 || status == 204 || status == 304;
}

std::string build_reply(const Reply& reply) {
  if (!reply.raw.empty()) return reply.raw;
  std::string out =
      "HTTP/1.1 " + std::to_string(reply.status) + " " + reason_phrase(reply.status) + "\r\n";
  bool framed = false;
  for (const auto& [name, value] : reply.headers) {
    if (tw::ascii_iequals(name, "Content-Length") || tw::ascii_iequals(name, "Transfer-Encoding"))
      framed = true;
    out += name + ": " + value + "\r\n";
  }
  if (!framed && !status_has_no_body(reply.status)) {
    out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
  }
  out += "Connection: close\r\n\r\n";
  if (!status_has_no_body(reply.status)) out += reply.body;
  return out;
}

}  // namespace

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
  return header_in(header_lines, name);
}

Reply Reply::with_status(int status, std::string body) {
  Reply reply;
  reply.status = status;
  reply.body = std::move(body);
  return reply;
}

Reply Reply::with_body(std::string body, std::string content_type) {
  Reply reply;
  reply.headers.emplace_back("Content-Type", std::move(content_type));
  reply.body = std::move(body);
  return reply;
}

Reply Reply::never() {
  Reply reply;
  reply.action = Action::never;
  return reply;
}

Reply Reply::hang_up() {
  Reply reply;
  reply.action = Action::hang_up;
  return reply;
}

struct HttpTestServer::State {
  SOCKET listener = INVALID_SOCKET;
  std::uint16_t port = 0;
  bool winsock_started = false;

  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  bool stopping = false;
  std::deque<Reply> queue;
  Reply default_reply;
  std::vector<RecordedRequest> recorded;
  std::vector<std::thread> connections;
  std::thread acceptor;

  bool is_stopping() {
    std::lock_guard lock(mutex);
    return stopping;
  }

  // Waits until the socket is readable, the deadline passes or the server stops.
  // Returns >0 readable, 0 not (deadline or stop), <0 socket error.
  int wait_readable(SOCKET s, std::chrono::steady_clock::time_point deadline) {
    while (!is_stopping()) {
      if (std::chrono::steady_clock::now() >= deadline) return 0;
      fd_set set;
      FD_ZERO(&set);
      FD_SET(s, &set);
      timeval tv{0, static_cast<long>(std::chrono::microseconds(kPoll).count())};
      int ready = select(0, &set, nullptr, nullptr, &tv);
      if (ready != 0) return ready;
    }
    return 0;
  }

  // Appends what arrives to `buffer`; false when the peer closed, on error or on stop.
  bool read_more(SOCKET s, std::string& buffer) {
    auto forever = std::chrono::steady_clock::time_point::max();
    if (wait_readable(s, forever) <= 0) return false;
    char chunk[16384];
    int got = recv(s, chunk, sizeof chunk, 0);
    if (got <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(got));
    return true;
  }

  // Reads one CR LF terminated line starting at `pos`; advances `pos` past it.
  bool read_line(SOCKET s, std::string& buffer, std::size_t& pos, std::string& line) {
    for (;;) {
      auto end = buffer.find("\r\n", pos);
      if (end != std::string::npos) {
        line = buffer.substr(pos, end - pos);
        pos = end + 2;
        return true;
      }
      if (!read_more(s, buffer)) return false;
    }
  }

  bool read_exact(SOCKET s, std::string& buffer, std::size_t& pos, std::size_t count,
                  std::string& out) {
    while (buffer.size() - pos < count) {
      if (!read_more(s, buffer)) return false;
    }
    out.append(buffer, pos, count);
    pos += count;
    return true;
  }

  bool read_request(SOCKET s, RecordedRequest& request) {
    std::string buffer;
    std::size_t pos = 0;
    std::string line;
    if (!read_line(s, buffer, pos, line)) return false;
    auto first_space = line.find(' ');
    auto last_space = line.rfind(' ');
    if (first_space == std::string::npos || last_space == first_space) return false;
    request.method = line.substr(0, first_space);
    request.target = line.substr(first_space + 1, last_space - first_space - 1);
    request.version = line.substr(last_space + 1);
    for (;;) {
      if (!read_line(s, buffer, pos, line)) return false;
      if (line.empty()) break;
      request.header_lines.push_back(line);
    }
    auto encoding = header_in(request.header_lines, "Transfer-Encoding");
    if (encoding && tw::ascii_iequals(*encoding, "chunked")) {
      for (;;) {
        if (!read_line(s, buffer, pos, line)) return false;
        std::size_t size = std::strtoull(line.c_str(), nullptr, 16);
        if (size == 0) break;
        if (!read_exact(s, buffer, pos, size, request.body)) return false;
        if (!read_line(s, buffer, pos, line)) return false;
      }
      // Trailer lines up to the empty line that ends the message.
      do {
        if (!read_line(s, buffer, pos, line)) return false;
      } while (!line.empty());
      return true;
    }
    if (auto length = header_in(request.header_lines, "Content-Length")) {
      std::size_t size = std::strtoull(length->c_str(), nullptr, 10);
      return read_exact(s, buffer, pos, size, request.body);
    }
    return true;
  }

  bool send_all(SOCKET s, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      int part = static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 1 << 20));
      int n = send(s, bytes.data() + sent, part, 0);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }

  void serve(SOCKET s) {
    RecordedRequest request;
    if (read_request(s, request)) {
      Reply reply;
      {
        std::lock_guard lock(mutex);
        if (!queue.empty()) {
          reply = std::move(queue.front());
          queue.pop_front();
        } else {
          reply = default_reply;
        }
        recorded.push_back(std::move(request));
      }
      changed.notify_all();
      answer(s, reply);
    }
    closesocket(s);
  }

  void answer(SOCKET s, const Reply& reply) {
    std::unique_lock lock(mutex);
    if (reply.action == Reply::Action::never) {
      changed.wait(lock, [&] { return stopping; });
      return;
    }
    if (reply.action == Reply::Action::hang_up) return;
    if (changed.wait_for(lock, reply.delay, [&] { return stopping; })) return;
    lock.unlock();
    if (!send_all(s, build_reply(reply))) return;
    // Let the client read everything before the socket goes: half-close, then drain what
    // the client still sends until it closes its side (or a while has passed).
    shutdown(s, SD_SEND);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    char sink[4096];
    while (wait_readable(s, deadline) > 0) {
      if (recv(s, sink, sizeof sink, 0) <= 0) break;
    }
  }

  void accept_loop() {
    auto forever = std::chrono::steady_clock::time_point::max();
    while (wait_readable(listener, forever) > 0) {
      SOCKET s = accept(listener, nullptr, nullptr);
      if (s == INVALID_SOCKET) continue;
      std::lock_guard lock(mutex);
      if (stopping) {
        closesocket(s);
        break;
      }
      connections.emplace_back([this, s] { serve(s); });
    }
  }
};

HttpTestServer::HttpTestServer() : m_state(std::make_unique<State>()) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
  m_state->winsock_started = true;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    WSACleanup();
    throw std::runtime_error("socket failed");
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof address;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(s, SOMAXCONN) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(s);
    WSACleanup();
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  m_state->listener = s;
  m_state->port = ntohs(address.sin_port);
  m_state->acceptor = std::thread([state = m_state.get()] { state->accept_loop(); });
}

HttpTestServer::~HttpTestServer() {
  stop();
  if (m_state->winsock_started) WSACleanup();
}

void HttpTestServer::stop() {
  {
    std::lock_guard lock(m_state->mutex);
    m_state->stopping = true;
  }
  m_state->changed.notify_all();
  if (m_state->acceptor.joinable()) m_state->acceptor.join();
  if (m_state->listener != INVALID_SOCKET) {
    closesocket(m_state->listener);
    m_state->listener = INVALID_SOCKET;
  }
  // No thread adds connections any more: the acceptor has ended.
  for (auto& connection : m_state->connections) {
    if (connection.joinable()) connection.join();
  }
  m_state->connections.clear();
}

std::uint16_t HttpTestServer::port() const {
  return m_state->port;
}

std::string HttpTestServer::url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(m_state->port) + std::string(path);
}

void HttpTestServer::push_reply(Reply reply) {
  std::lock_guard lock(m_state->mutex);
  m_state->queue.push_back(std::move(reply));
}

void HttpTestServer::set_default_reply(Reply reply) {
  std::lock_guard lock(m_state->mutex);
  m_state->default_reply = std::move(reply);
}

bool HttpTestServer::wait_for_requests(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(m_state->mutex);
  return m_state->changed.wait_for(lock, timeout,
                                   [&] { return m_state->recorded.size() >= count; });
}

std::vector<RecordedRequest> HttpTestServer::requests() const {
  std::lock_guard lock(m_state->mutex);
  return m_state->recorded;
}

}  // namespace olib::testing
