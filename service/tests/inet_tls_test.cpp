// The service's WinINet exchange against a local HTTPS server with a self-signed
// certificate: no body comes back (so no update is offered). A WinINet request that ignores
// certificate errors reaches the same server, so the refusal is the certificate check's.
#include "inet_win.h"
#include "request.h"
#include "win32_include.h"
// After windows.h:
#include "tls_test_server.h"

#include <wininet.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace olib::testing;

std::string get_ignoring_certificate_errors(const std::string& port) {
  std::string body;
  HINTERNET session = InternetOpenW(L"tls-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  HINTERNET connection =
      session ? InternetConnectW(session, L"127.0.0.1", static_cast<INTERNET_PORT>(std::stoi(port)),
                                 nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0)
              : nullptr;
  HINTERNET request =
      connection ? HttpOpenRequestW(connection, L"GET", L"/control", nullptr, nullptr, nullptr,
                                    INTERNET_FLAG_SECURE | INTERNET_FLAG_RELOAD, 0)
                 : nullptr;
  if (request) {
    DWORD flags = 0;
    DWORD size = sizeof flags;
    InternetQueryOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size);
    flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
             SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_REVOCATION;
    InternetSetOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
    if (HttpSendRequestW(request, nullptr, 0, nullptr, 0)) {
      char chunk[4096];
      DWORD read = 0;
      while (InternetReadFile(request, chunk, sizeof chunk, &read) && read > 0) {
        body.append(chunk, read);
      }
    }
    InternetCloseHandle(request);
  }
  if (connection) InternetCloseHandle(connection);
  if (session) InternetCloseHandle(session);
  return body;
}

TEST(ServiceTls, SelfSignedCertificateGivesNoBody) {
  std::string url = tls_server_url("/api.init.php");
  ASSERT_FALSE(url.empty()) << "the tls_server fixture did not run";
  std::string control = get_ignoring_certificate_errors(read_tls_state_file("port"));
  ASSERT_NE(control.find("tls-update.exe"), std::string::npos) << "server not reachable";
  int served = tls_requests_served();

  std::u16string wide_url(url.begin(), url.end());
  std::string body =
      twsvc::fetch_with_wininet(wide_url, twsvc::request_header_block(u"2.0.1.0", u"ID"));
  EXPECT_EQ(body, "") << "a server with an untrusted certificate was believed";
  EXPECT_EQ(tls_requests_served(), served) << "a request went over the refused connection";
}

}  // namespace
