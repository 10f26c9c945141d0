// The main program's client against a local HTTPS server with a self-signed certificate:
// the exchange must fail before any request is made, so no body is taken and no update is
// shown. A client that ignores certificate errors reaches the same server, so the refusal
// is the certificate check's doing and the test would notice it being switched off.
#include "http_client.h"
#include "update_service.h"
#include "win32_include.h"
// After windows.h:
#include "tls_test_server.h"

#include <winhttp.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace olib::testing;

// One GET with every certificate error ignored; the body, or empty on failure.
std::string get_ignoring_certificate_errors(const std::string& port, const std::wstring& path) {
  std::string body;
  HINTERNET session = WinHttpOpen(L"tls-test", WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
  HINTERNET connection = session ? WinHttpConnect(session, L"127.0.0.1",
                                                  static_cast<INTERNET_PORT>(std::stoi(port)), 0)
                                 : nullptr;
  HINTERNET request = connection ? WinHttpOpenRequest(connection, L"GET", path.c_str(), nullptr,
                                                      nullptr, nullptr, WINHTTP_FLAG_SECURE)
                                 : nullptr;
  DWORD ignore = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                 SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
  if (request && WinHttpSetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &ignore, sizeof ignore) &&
      WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0) &&
      WinHttpReceiveResponse(request, nullptr)) {
    char chunk[4096];
    DWORD read = 0;
    while (WinHttpReadData(request, chunk, sizeof chunk, &read) && read > 0)
      body.append(chunk, read);
  }
  if (request) WinHttpCloseHandle(request);
  if (connection) WinHttpCloseHandle(connection);
  if (session) WinHttpCloseHandle(session);
  return body;
}

TEST(UpdateTls, SelfSignedCertificateIsRefusedAndNoUpdateComes) {
  std::string url = tls_server_url("/api.init.php");
  ASSERT_FALSE(url.empty()) << "the tls_server fixture did not run";
  std::string control = get_ignoring_certificate_errors(read_tls_state_file("port"), L"/control");
  ASSERT_NE(control.find("tls-update.exe"), std::string::npos) << "server not reachable";
  int served = tls_requests_served();

  olib::http::HttpRequest request;
  request.url = url;
  auto sent = olib::http::send(request);
  ASSERT_FALSE(sent.ok()) << "a server with an untrusted certificate was believed";
  EXPECT_EQ(sent.error().kind, olib::http::HttpError::Kind::message);

  olib::update::UpdateConfig config;
  config.url = url;
  config.version = "2.0.1.0";
  config.union_id = "TLS-TEST";
  auto reply = olib::update::request_update(config, std::nullopt);
  ASSERT_FALSE(reply.ok()) << reply.value();
  EXPECT_EQ(reply.error().kind, "network");

  EXPECT_EQ(tls_requests_served(), served) << "a request went over the refused connection";
}

}  // namespace
