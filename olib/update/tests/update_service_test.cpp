#include "update_service.h"
#include "http_test_server.h"
#include "win32_include.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

using namespace olib::update;
using olib::testing::HttpTestServer;
using olib::testing::Reply;
using namespace std::chrono_literals;

class OrlannetKey {
 public:
  OrlannetKey() {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Orlannet", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &m_key, nullptr);
    RegDeleteValueW(m_key, L"OUID");
  }
  ~OrlannetKey() {
    RegDeleteValueW(m_key, L"OUID");
    RegCloseKey(m_key);
  }
  void set(DWORD type, const void* data, std::size_t size) {
    RegSetValueExW(m_key, L"OUID", 0, type, static_cast<const BYTE*>(data),
                   static_cast<DWORD>(size));
  }
  void set_text(const std::wstring& text, DWORD type = REG_SZ) {
    set(type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  }
  DWORD stored_type() {
    DWORD type = 0;
    RegQueryValueExW(m_key, L"OUID", nullptr, &type, nullptr, nullptr);
    return type;
  }
  std::wstring stored_text() {
    wchar_t buffer[256] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    RegQueryValueExW(m_key, L"OUID", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    return buffer;
  }

 private:
  HKEY m_key = nullptr;
};

std::wstring wide(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

bool all_of(const std::string& text, std::size_t from, std::size_t count, int (*test)(int)) {
  for (std::size_t i = from; i < from + count; ++i) {
    if (!test(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

int upper_hex(int c) {
  return std::isdigit(c) || (c >= 'A' && c <= 'F');
}
int digit(int c) {
  return std::isdigit(c);
}

TEST(UpdateIdentifierRegistry, MissingValueGetsANewStoredIdentifier) {
  OrlannetKey key;
  auto id = read_or_create_identifier();
  ASSERT_TRUE(id.ok()) << id.error().text();
  const std::string& text = id.value();
  ASSERT_EQ(text.size(), 32u) << text;
  EXPECT_TRUE(all_of(text, 0, 8, upper_hex)) << text;
  EXPECT_TRUE(all_of(text, 8, 6, digit)) << text;
  EXPECT_TRUE(all_of(text, 14, 4, upper_hex)) << text;
  EXPECT_TRUE(all_of(text, 18, 6, digit)) << text;
  EXPECT_TRUE(all_of(text, 24, 8, upper_hex)) << text;
  SYSTEMTIME now;
  GetSystemTime(&now);
  char date[8];
  std::snprintf(date, sizeof date, "%02d%02d%02d", now.wYear % 100, now.wMonth, now.wDay);
  EXPECT_EQ(text.substr(8, 6), date);
  EXPECT_EQ(key.stored_type(), static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(key.stored_text(), wide(text));
  auto again = read_or_create_identifier();
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(again.value(), text);
}

TEST(UpdateIdentifierRegistry, DwordValueIsReplacedByANewIdentifier) {
  OrlannetKey key;
  DWORD number = 42;
  key.set(REG_DWORD, &number, sizeof number);
  auto id = read_or_create_identifier();
  ASSERT_TRUE(id.ok()) << id.error().text();
  EXPECT_EQ(id.value().size(), 32u);
  EXPECT_EQ(key.stored_type(), static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(key.stored_text(), wide(id.value()));
}

TEST(UpdateIdentifierRegistry, StoredTextIsUsedAsItIsAndBlankTextIsReplaced) {
  OrlannetKey key;
  key.set_text(L" my-id ");
  EXPECT_EQ(read_or_create_identifier().value(), " my-id ");
  key.set_text(L"line1", REG_EXPAND_SZ);
  EXPECT_EQ(read_or_create_identifier().value(), "line1");
  std::wstring multi(L"a\0b\0\0", 5);
  key.set(REG_MULTI_SZ, multi.data(), multi.size() * sizeof(wchar_t));
  EXPECT_EQ(read_or_create_identifier().value(), "a\nb");
  key.set_text(L" \t ");
  auto replaced = read_or_create_identifier();
  EXPECT_EQ(replaced.value().size(), 32u);
  EXPECT_EQ(key.stored_text(), wide(replaced.value()));
}

TEST(UpdateIdentifierRegistry, ValuesLargerThanTheFirstBufferAreReadWhole) {
  OrlannetKey key;
  std::wstring long_id(3000, L'Q');
  key.set_text(long_id);
  auto id = read_or_create_identifier();
  ASSERT_TRUE(id.ok());
  EXPECT_EQ(id.value(), std::string(3000, 'Q'));
}

TEST(UpdateIdentifierRegistry, NewIdentifiersDiffer) {
  auto a = new_identifier();
  auto b = new_identifier();
  ASSERT_TRUE(a.ok() && b.ok());
  EXPECT_NE(a.value().substr(0, 8) + a.value().substr(24),
            b.value().substr(0, 8) + b.value().substr(24));
}

UpdateConfig config_for(const HttpTestServer& server) {
  UpdateConfig config;
  config.url = server.url("/api.init.php");
  config.version = "2.0.1.0";
  config.language = "ko";
  config.user_agent = std::string(kUpdateUserAgent);
  return config;
}

std::vector<std::string> our_header_lines(const olib::testing::RecordedRequest& request) {
  std::vector<std::string> lines;
  for (const auto& line : request.header_lines) {
    if (line.rfind("User-", 0) == 0) lines.push_back(line);
  }
  return lines;
}

TEST(RequestUpdate, SendsTheHeadersInOrderWithTheStoredIdentifier) {
  OrlannetKey key;
  key.set_text(L"STORED-ID");
  HttpTestServer server;
  server.push_reply(Reply::with_body("{\"status\":\"ok\"}"));
  auto body = request_update(config_for(server), std::nullopt);
  ASSERT_TRUE(body.ok()) << body.error().text();
  EXPECT_EQ(body.value(), "{\"status\":\"ok\"}");
  auto hold = request_update(config_for(server), kHoldCommand);
  ASSERT_TRUE(hold.ok());

  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/api.init.php");
  std::vector<std::string> first{"User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64)",
                                 "User-Version: 2.0.1.0", "User-Language: ko", "User-Debug: false",
                                 "User-Union: STORED-ID"};
  EXPECT_EQ(our_header_lines(requests[0]), first);
  std::vector<std::string> second = first;
  second.push_back("User-Command: hold");
  EXPECT_EQ(our_header_lines(requests[1]), second);
}

// A multi-string identifier reads with a line feed inside: the header is left out as for a
// registry failure, and the request still goes with the others.
TEST(RequestUpdate, IdentifierWithALineBreakIsLeftOutAndTheRequestStillGoes) {
  OrlannetKey key;
  std::wstring multi(L"AB\0X-Injected: 1\0\0", 18);
  key.set(REG_MULTI_SZ, multi.data(), multi.size() * sizeof(wchar_t));
  HttpTestServer server;
  UpdateConfig config = config_for(server);
  config.language = "ko\r\nX-Language: 1";
  ASSERT_TRUE(request_update(config, kHoldCommand).ok());
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(our_header_lines(requests[0]),
            (std::vector<std::string>{"User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64)",
                                      "User-Version: 2.0.1.0", "User-Debug: false",
                                      "User-Command: hold"}));
  for (const auto& line : requests[0].header_lines) {
    EXPECT_EQ(line.rfind("X-", 0), std::string::npos) << line;
  }
}

TEST(RequestUpdate, ConfiguredUnionIdWinsOverTheRegistry) {
  OrlannetKey key;
  key.set_text(L"STORED-ID");
  HttpTestServer server;
  UpdateConfig config = config_for(server);
  config.union_id = "FROM-CONFIG";
  config.debug = true;
  ASSERT_TRUE(request_update(config, std::nullopt).ok());
  auto request = server.requests().at(0);
  EXPECT_EQ(request.header("User-Union"), "FROM-CONFIG");
  EXPECT_EQ(request.header("User-Debug"), "true");
}

TEST(RequestUpdate, StatusAndConnectionFailuresHaveTheirKinds) {
  HttpTestServer server;
  server.push_reply(Reply::with_status(500, "oops"));
  auto status = request_update(config_for(server), std::nullopt);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().text(), "[http] 업데이트 서버가 500 응답을 보냈습니다.");

  UpdateConfig gone = config_for(server);
  server.stop();
  auto refused = request_update(gone, std::nullopt);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().kind, "network");
  EXPECT_EQ(
      refused.error().message.rfind("업데이트 서버에 연결하지 못했습니다: 보내지 못했습니다: ", 0),
      0u)
      << refused.error().message;
}

TEST(RequestUpdate, BadAddressIsAConfigErrorAndNothingIsStored) {
  OrlannetKey key;
  UpdateConfig config;
  config.url = "ftp://update.example/api.init.php";
  auto result = request_update(config, std::nullopt);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, "config");
  EXPECT_EQ(key.stored_type(), 0u);  // the identifier was never made
}

TEST(RequestUpdate, IllFormedReplyBytesAreReplaced) {
  HttpTestServer server;
  server.push_reply(Reply::with_body(std::string("{\"a\":\"\xC3\"}")));
  auto body = request_update(config_for(server), std::nullopt);
  ASSERT_TRUE(body.ok());
  EXPECT_EQ(body.value(), "{\"a\":\"\xEF\xBF\xBD\"}");
}

}  // namespace
