#include "http_request.h"

#include <gtest/gtest.h>

namespace {

using namespace olib::http;
using namespace std::chrono_literals;

TEST(HttpUrlCheck, TrimsBlanksAroundAnHttpOrHttpsUrl) {
  EXPECT_EQ(checked_url("  https://update.example.com/api.init.php \t"),
            "https://update.example.com/api.init.php");
  EXPECT_EQ(checked_url("\xE3\x80\x80http://127.0.0.1:8080/\xC2\xA0"), "http://127.0.0.1:8080/");
  EXPECT_EQ(checked_url("http://"), "http://");
}

TEST(HttpUrlCheck, RefusesCapitalSchemesOtherSchemesAndShortText) {
  EXPECT_EQ(checked_url("HTTPS://example.com/"), std::nullopt);
  EXPECT_EQ(checked_url("Http://example.com/"), std::nullopt);
  EXPECT_EQ(checked_url("ftp://example.com/"), std::nullopt);
  EXPECT_EQ(checked_url("https:/"), std::nullopt);
  EXPECT_EQ(checked_url(""), std::nullopt);
  EXPECT_EQ(bad_url_message(" ftp://x "), "주소는 전체 URL(https://...)이어야 합니다:  ftp://x ");
}

TEST(HttpTimeouts, ConvertToWholeMillisecondsNeverZero) {
  EXPECT_EQ(timeout_milliseconds(10s), 10000);
  EXPECT_EQ(timeout_milliseconds(1500ms + 999999ns), 1500);
  EXPECT_EQ(timeout_milliseconds(0ns), 1);
  EXPECT_EQ(timeout_milliseconds(999999ns), 1);
  EXPECT_EQ(timeout_milliseconds(-5s), 1);
  EXPECT_EQ(timeout_milliseconds(std::chrono::hours(24 * 365)), 2147483647);
  EXPECT_EQ(timeout_milliseconds(2147483647ms), 2147483647);
  EXPECT_EQ(timeout_milliseconds(2147483648ms), 2147483647);
}

TEST(HttpObjectPath, JoinsPathAndQueryOrFallsBackToRoot) {
  EXPECT_EQ(object_path("", ""), "/");
  EXPECT_EQ(object_path("/a", "?b=1"), "/a?b=1");
  EXPECT_EQ(object_path("", "?b=1"), "?b=1");
  EXPECT_EQ(object_path("/api.init.php", ""), "/api.init.php");
}

TEST(HttpHeaders, UserAgentFirstThenInsertionOrderBlanksDropped) {
  HttpRequest request;
  request.add_header("B", "2");
  request.add_header("Skipped", "   ");
  request.add_header("Empty", "");
  request.add_header("A", "1");
  request.set_user_agent("first");
  request.set_user_agent("Agent/1.0");
  EXPECT_EQ(request.headers.size(), 2u);
  EXPECT_EQ(header_block(request), "User-Agent: Agent/1.0\r\nB: 2\r\nA: 1\r\n");
}

TEST(HttpHeaders, BlankUserAgentAndNoHeadersGiveNoBlock) {
  HttpRequest request;
  request.set_user_agent(" \t ");
  EXPECT_EQ(header_block(request), "");
  request.headers.emplace_back("Direct", " ");  // set without add_header: still not sent
  EXPECT_EQ(header_block(request), "");
}

TEST(HttpHeaders, ValuesWithLineBreaksOrNulAreLeftOutAndTheRestStays) {
  HttpRequest request;
  request.set_user_agent("Agent\r\nX-Injected: 1");
  request.add_header("User-Version", "2.0.1.0");
  request.add_header("User-Union", "AB\nCD");
  request.add_header("User-Language", "ko\r");
  request.add_header("User-Command", std::string("hold\0x", 6));
  request.headers.emplace_back("Direct", "a\r\nb");  // set without add_header
  request.add_header("User-Debug", "false");
  EXPECT_EQ(header_block(request), "User-Version: 2.0.1.0\r\nUser-Debug: false\r\n");
  EXPECT_TRUE(is_sendable_header_value("a b\tc"));
}

TEST(HttpRequestDefaults, MatchTheClientsDocumentedValues) {
  HttpRequest request;
  EXPECT_EQ(request.method, Method::get);
  EXPECT_EQ(request.connect_timeout, 10s);
  EXPECT_EQ(request.receive_timeout, 30s);
  EXPECT_TRUE(request.body.empty());
}

TEST(HttpBodyChunks, WholeChunksUpToTheCap) {
  EXPECT_EQ(next_chunk_size(0, 0), 0u);
  EXPECT_EQ(next_chunk_size(0, 100), 100u);
  EXPECT_EQ(next_chunk_size(0, 1 << 20), kBodyChunk);
  EXPECT_EQ(next_chunk_size(kBodyCap - kBodyChunk, 1 << 20), kBodyChunk);
  EXPECT_EQ(next_chunk_size(kBodyCap - kBodyChunk + 1, 1 << 20), 0u);
  EXPECT_EQ(next_chunk_size(kBodyCap - 10, 10), 10u);
  EXPECT_EQ(next_chunk_size(kBodyCap - 10, 11), 0u);
}

}  // namespace
