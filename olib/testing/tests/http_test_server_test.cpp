#include "http_test_server.h"

// clang-format off
#include "win32_include.h"
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

using olib::testing::HttpTestServer;
using olib::testing::Reply;
using namespace std::chrono_literals;

struct WinsockUser {
  WinsockUser() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockUser() { WSACleanup(); }
};

// A plain client: sends `bytes`, then reads until the server closes (or `timeout_ms`).
struct RawExchange {
  std::string received;
  bool closed_by_server = false;
};

RawExchange exchange(std::uint16_t port, const std::string& bytes, DWORD timeout_ms = 5000) {
  WinsockUser winsock;
  RawExchange result;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return result;
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout_ms),
             sizeof timeout_ms);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    closesocket(s);
    return result;
  }
  send(s, bytes.data(), static_cast<int>(bytes.size()), 0);
  char buffer[65536];
  for (;;) {
    int n = recv(s, buffer, sizeof buffer, 0);
    if (n == 0) {
      result.closed_by_server = true;
      break;
    }
    if (n < 0) break;
    result.received.append(buffer, static_cast<std::size_t>(n));
  }
  closesocket(s);
  return result;
}

TEST(HttpTestServer, RecordsRequestLineAndHeaderLinesExactlyInOrder) {
  HttpTestServer server;
  auto reply = exchange(server.port(),
                        "GET /api.init.php?a=1 HTTP/1.1\r\n"
                        "Host: 127.0.0.1\r\n"
                        "User-Version:  2.0.1.0\r\n"
                        "x-lower: MiXeD  \r\n"
                        "\r\n");
  ASSERT_TRUE(server.wait_for_requests(1, 5s));
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/api.init.php?a=1");
  EXPECT_EQ(requests[0].version, "HTTP/1.1");
  std::vector<std::string> expected{"Host: 127.0.0.1", "User-Version:  2.0.1.0",
                                    "x-lower: MiXeD  "};
  EXPECT_EQ(requests[0].header_lines, expected);
  EXPECT_EQ(requests[0].header("X-LOWER"), "MiXeD");
  EXPECT_EQ(requests[0].header("missing"), std::nullopt);
  EXPECT_TRUE(requests[0].body.empty());
  EXPECT_EQ(reply.received.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << reply.received;
  EXPECT_TRUE(reply.closed_by_server);
}

TEST(HttpTestServer, ReadsContentLengthAndChunkedBodies) {
  HttpTestServer server;
  exchange(server.port(), "POST /except.php HTTP/1.1\r\nContent-Length: 12\r\n\r\nhello\r\nworld");
  exchange(server.port(),
           "POST /x HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"
           "5\r\nab\r\nc\r\n3;ext=1\r\ndef\r\n0\r\nTrailer: t\r\n\r\n");
  ASSERT_TRUE(server.wait_for_requests(2, 5s));
  auto requests = server.requests();
  EXPECT_EQ(requests[0].body, "hello\r\nworld");
  EXPECT_EQ(requests[1].body, "ab\r\ncdef");
}

TEST(HttpTestServer, AnswersFromTheScriptInOrderThenWithTheDefault) {
  HttpTestServer server;
  server.push_reply(Reply::with_status(404, "gone"));
  Reply custom = Reply::with_body("{\"a\":1}");
  custom.headers.emplace_back("X-Extra", "yes");
  server.push_reply(custom);
  server.set_default_reply(Reply::with_status(204));

  auto first = exchange(server.port(), "GET /1 HTTP/1.1\r\n\r\n").received;
  auto second = exchange(server.port(), "GET /2 HTTP/1.1\r\n\r\n").received;
  auto third = exchange(server.port(), "GET /3 HTTP/1.1\r\n\r\n").received;

  EXPECT_EQ(first.rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u) << first;
  EXPECT_NE(first.find("Content-Length: 4\r\n"), std::string::npos);
  EXPECT_EQ(first.substr(first.size() - 8), "\r\n\r\ngone");
  EXPECT_NE(second.find("Content-Type: application/json\r\nX-Extra: yes\r\n"), std::string::npos)
      << second;
  EXPECT_EQ(second.substr(second.size() - 7), "{\"a\":1}");
  EXPECT_EQ(third.rfind("HTTP/1.1 204 No Content\r\n", 0), 0u) << third;
  EXPECT_EQ(third.find("Content-Length"), std::string::npos);
  EXPECT_EQ(third.substr(third.size() - 4), "\r\n\r\n");
}

TEST(HttpTestServer, SendsRawRepliesAndLargeBodiesWhole) {
  HttpTestServer server;
  Reply raw;
  raw.raw = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nhi\r\n0\r\n\r\n";
  server.push_reply(raw);
  server.push_reply(Reply::with_body(std::string(3 << 20, 'x'), "application/octet-stream"));
  EXPECT_EQ(exchange(server.port(), "GET / HTTP/1.1\r\n\r\n").received, raw.raw);
  auto big = exchange(server.port(), "GET / HTTP/1.1\r\n\r\n").received;
  auto start = big.find("\r\n\r\n");
  ASSERT_NE(start, std::string::npos);
  EXPECT_EQ(big.size() - start - 4, std::size_t{3} << 20);
}

TEST(HttpTestServer, HangUpClosesWithoutAReply) {
  HttpTestServer server;
  server.push_reply(Reply::hang_up());
  auto result = exchange(server.port(), "GET / HTTP/1.1\r\n\r\n");
  EXPECT_TRUE(result.closed_by_server);
  EXPECT_TRUE(result.received.empty());
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST(HttpTestServer, DelayHoldsTheReplyBack) {
  HttpTestServer server;
  Reply slow = Reply::with_body("late");
  slow.delay = 400ms;
  server.push_reply(slow);
  auto started = std::chrono::steady_clock::now();
  auto result = exchange(server.port(), "GET / HTTP/1.1\r\n\r\n");
  EXPECT_GE(std::chrono::steady_clock::now() - started, 350ms);
  EXPECT_EQ(result.received.substr(result.received.size() - 4), "late");
}

TEST(HttpTestServer, NeverAnswersUntilStoppedAndStopCutsTheConnection) {
  RawExchange result;
  std::thread client;
  {
    HttpTestServer server;
    server.set_default_reply(Reply::never());
    client = std::thread(
        [&, port = server.port()] { result = exchange(port, "GET / HTTP/1.1\r\n\r\n", 20000); });
    ASSERT_TRUE(server.wait_for_requests(1, 5s));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(result.received.empty());
    auto stopping = std::chrono::steady_clock::now();
    server.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 3s);
  }
  client.join();
  EXPECT_TRUE(result.received.empty());
  EXPECT_TRUE(result.closed_by_server);
}

TEST(HttpTestServer, WaitForRequestsTimesOutWhenNothingCame) {
  HttpTestServer server;
  auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(server.wait_for_requests(1, 200ms));
  EXPECT_GE(std::chrono::steady_clock::now() - started, 150ms);
  EXPECT_EQ(server.url("/a"), "http://127.0.0.1:" + std::to_string(server.port()) + "/a");
}

}  // namespace
