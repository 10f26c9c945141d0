#include "http_client.h"
#include "http_test_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace olib::http;
using olib::testing::HttpTestServer;
using olib::testing::Reply;
using namespace std::chrono_literals;

std::string text_of(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// Header lines the test did not ask for (WinHTTP's own Host, Connection, ...).
bool is_transport_header(const std::string& line) {
  for (const char* name : {"Host:", "Connection:", "Content-Length:", "Accept:", "Cache-Control:",
                           "Pragma:", "Accept-Encoding:"}) {
    if (line.rfind(name, 0) == 0) return true;
  }
  return false;
}

TEST(HttpClient, GetSendsTheHeaderLinesInOrderAndReadsTheBody) {
  HttpTestServer server;
  server.push_reply(Reply::with_body("{\"ok\":true}"));
  HttpRequest request;
  request.url = "  " + server.url("/api.init.php?b=1") + "  ";
  request.set_user_agent("Mozilla/5.0 (Windows NT 10.0; Win64; x64)");
  request.add_header("User-Version", "2.0.1.0");
  request.add_header("User-Language", "ko");
  request.add_header("User-Debug", " ");
  request.add_header("User-Union", "ABCDEF");

  auto result = send(request);
  ASSERT_TRUE(result.ok()) << result.error().message;
  EXPECT_EQ(result.value().status, 200);
  EXPECT_EQ(text_of(result.value().body), "{\"ok\":true}");

  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/api.init.php?b=1");
  std::vector<std::string> ours;
  for (const auto& line : requests[0].header_lines) {
    if (!is_transport_header(line)) ours.push_back(line);
  }
  std::vector<std::string> expected{"User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64)",
                                    "User-Version: 2.0.1.0", "User-Language: ko",
                                    "User-Union: ABCDEF"};
  EXPECT_EQ(ours, expected);
}

TEST(HttpClient, UrlWithoutPathRequestsRootAndBlankAgentSendsNone) {
  HttpTestServer server;
  HttpRequest request;
  request.url = "http://127.0.0.1:" + std::to_string(server.port());
  request.set_user_agent("   ");
  auto result = send(request);
  ASSERT_TRUE(result.ok()) << result.error().message;
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, "/");
  EXPECT_EQ(requests[0].header("User-Agent"), std::nullopt);
}

TEST(HttpClient, PostSendsTheBody) {
  HttpTestServer server;
  HttpRequest request;
  request.url = server.url("/except.php");
  request.method = Method::post;
  std::string payload =
      "--b\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n\x01\x02\r\n--b--";
  request.body.assign(payload.begin(), payload.end());
  request.add_header("Content-Type", "multipart/form-data; boundary=b");
  ASSERT_TRUE(send(request).ok());
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, payload);
  EXPECT_EQ(requests[0].header("Content-Type"), "multipart/form-data; boundary=b");
}

TEST(HttpClient, NoContentIsSuccessWithAnEmptyBody) {
  HttpTestServer server;
  server.push_reply(Reply::with_status(204));
  HttpRequest request;
  request.url = server.url("/");
  auto result = send(request);
  ASSERT_TRUE(result.ok()) << result.error().message;
  EXPECT_EQ(result.value().status, 204);
  EXPECT_TRUE(result.value().body.empty());
}

TEST(HttpClient, NotFoundWithABodyIsAStatusError) {
  HttpTestServer server;
  server.push_reply(Reply::with_status(404, "<html>missing</html>"));
  HttpRequest request;
  request.url = server.url("/nothing");
  auto result = send(request);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, HttpError::Kind::status);
  EXPECT_EQ(result.error().status, 404);
  EXPECT_TRUE(result.error().message.empty());
}

TEST(HttpClient, ServerErrorIsAStatusErrorToo) {
  HttpTestServer server;
  server.push_reply(Reply::with_status(503, "busy"));
  HttpRequest request;
  request.url = server.url("/");
  auto result = send(request);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, HttpError::Kind::status);
  EXPECT_EQ(result.error().status, 503);
}

TEST(HttpClient, TenMebibyteBodyIsCutToWholeChunksWithinEightMebibytes) {
  HttpTestServer server;
  std::string big(10 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  server.push_reply(Reply::with_body(big, "application/octet-stream"));
  HttpRequest request;
  request.url = server.url("/big");
  auto result = send(request);
  ASSERT_TRUE(result.ok()) << result.error().message;
  const auto& body = result.value().body;
  EXPECT_LE(body.size(), kBodyCap);
  EXPECT_GT(body.size(), kBodyCap - kBodyChunk);
  EXPECT_EQ(text_of(body), big.substr(0, body.size()));
}

TEST(HttpClient, RefusedConnectionIsASendMessage) {
  std::uint16_t port = 0;
  {
    HttpTestServer server;  // take a free port, then let it go: nothing listens there
    port = server.port();
  }
  HttpRequest request;
  request.url = "http://127.0.0.1:" + std::to_string(port) + "/";
  request.connect_timeout = 3s;
  auto result = send(request);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, HttpError::Kind::message);
  EXPECT_EQ(result.error().message.rfind("보내지 못했습니다: ", 0), 0u) << result.error().message;
  EXPECT_NE(result.error().message.find("12029"), std::string::npos) << result.error().message;
}

TEST(HttpClient, SilentServerTimesOutWaitingForTheResponse) {
  HttpTestServer server;
  server.set_default_reply(Reply::never());
  HttpRequest request;
  request.url = server.url("/slow");
  request.receive_timeout = 500ms;
  auto started = std::chrono::steady_clock::now();
  auto result = send(request);
  auto took = std::chrono::steady_clock::now() - started;
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, HttpError::Kind::message);
  EXPECT_EQ(result.error().message.rfind("응답을 받지 못했습니다: ", 0), 0u)
      << result.error().message;
  // WinHTTP's own timeout code on Windows; Wine passes the socket's WSAETIMEDOUT through.
  const auto& text = result.error().message;
  EXPECT_TRUE(text.find("12002") != std::string::npos || text.find("10060") != std::string::npos)
      << text;
  EXPECT_LT(took, 10s);
}

TEST(HttpClient, ZeroReceiveTimeoutIsNotAnEndlessWait) {
  HttpTestServer server;
  server.set_default_reply(Reply::never());
  HttpRequest request;
  request.url = server.url("/");
  request.receive_timeout = 0s;
  auto started = std::chrono::steady_clock::now();
  auto result = send(request);
  ASSERT_FALSE(result.ok());
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
}

TEST(HttpClient, HangUpWithoutReplyIsAMessage) {
  HttpTestServer server;
  server.push_reply(Reply::hang_up());
  HttpRequest request;
  request.url = server.url("/");
  auto result = send(request);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, HttpError::Kind::message);
  EXPECT_FALSE(result.error().message.empty());
}

TEST(HttpClient, HttpsUrlsAreNeverSentInPlainText) {
  HttpTestServer server;  // speaks plain HTTP only: a TLS handshake is not a request to it
  HttpRequest request;
  request.url = "https://127.0.0.1:" + std::to_string(server.port()) + "/secret";
  request.receive_timeout = 1s;
  auto result = send(request);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, HttpError::Kind::message);
  for (const auto& seen : server.requests()) EXPECT_NE(seen.target, "/secret");
}

TEST(HttpClient, BadUrlsFailBeforeAnyNetworkStep) {
  HttpRequest request;
  request.url = "HTTP://127.0.0.1/";
  auto result = send(request);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().message, "주소는 전체 URL(https://...)이어야 합니다: HTTP://127.0.0.1/");
  request.url = "http://";
  result = send(request);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().message.rfind("주소를 해석하지 못했습니다: ", 0), 0u)
      << result.error().message;
}

TEST(HttpClient, ThreadsSendingAtOnceShareOneSession) {
  HttpTestServer server;
  std::vector<std::thread> threads;
  std::vector<int> ok(8, 0);
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      HttpRequest request;
      request.url = server.url("/t" + std::to_string(i));
      ok[i] = send(request).ok() ? 1 : 0;
    });
  }
  for (auto& thread : threads) thread.join();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ok[i], 1) << i;
  EXPECT_EQ(server.requests().size(), 8u);
  // One session for all of them: a session per call would leave more open (or none).
  EXPECT_EQ(open_sessions_for_testing(), 1u);
}

TEST(HttpClient, SessionOpenedAheadServesLaterSends) {
  ASSERT_TRUE(open_session());
  EXPECT_TRUE(open_session()) << "opening again keeps the published session";
  HttpTestServer server;
  HttpRequest request;
  request.url = server.url("/after-open");
  EXPECT_TRUE(send(request).ok());
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].target, "/after-open");
}

}  // namespace
