#include "web_url.h"

#include <gtest/gtest.h>

namespace {

TEST(OpenableWebUrl, AcceptsAbsoluteHttpAndHttpsWithHost) {
  EXPECT_TRUE(tw::is_openable_web_url("https://tapwright.orlannet.com/download"));
  EXPECT_TRUE(tw::is_openable_web_url("http://example.com"));
  EXPECT_TRUE(tw::is_openable_web_url("HTTPS://Example.com/a?b=c#d"));
  EXPECT_TRUE(tw::is_openable_web_url("hTtP://127.0.0.1:8080/x"));
  EXPECT_TRUE(tw::is_openable_web_url("https://user@example.com/"));
  EXPECT_TRUE(tw::is_openable_web_url("http://[::1]:80/"));
}

TEST(OpenableWebUrl, RefusesLocalProgramsScriptsAndShares) {
  EXPECT_FALSE(tw::is_openable_web_url(""));
  EXPECT_FALSE(tw::is_openable_web_url("C:\\Windows\\System32\\calc.exe"));
  EXPECT_FALSE(tw::is_openable_web_url("\\\\server\\share\\setup.exe"));
  EXPECT_FALSE(tw::is_openable_web_url("file:///C:/Windows/System32/cmd.exe"));
  EXPECT_FALSE(tw::is_openable_web_url("javascript:alert(1)"));
  EXPECT_FALSE(tw::is_openable_web_url("ms-settings:privacy"));
  EXPECT_FALSE(tw::is_openable_web_url("calc"));
  EXPECT_FALSE(tw::is_openable_web_url("httpx://example.com"));
  EXPECT_FALSE(tw::is_openable_web_url("http:example.com"));
  EXPECT_FALSE(tw::is_openable_web_url("http:\\\\server\\share"));
}

TEST(OpenableWebUrl, RefusesMissingHost) {
  EXPECT_FALSE(tw::is_openable_web_url("http://"));
  EXPECT_FALSE(tw::is_openable_web_url("https:///path"));
  EXPECT_FALSE(tw::is_openable_web_url("https://:443/"));
  EXPECT_FALSE(tw::is_openable_web_url("https://user@/"));
  EXPECT_FALSE(tw::is_openable_web_url("http://[]/"));
}

TEST(OpenableWebUrl, RefusesControlCharactersAndBlanks) {
  EXPECT_FALSE(tw::is_openable_web_url("https://example.com/a b"));
  EXPECT_FALSE(tw::is_openable_web_url(" https://example.com/"));
  EXPECT_FALSE(tw::is_openable_web_url("https://example.com/\r\nx"));
  EXPECT_FALSE(tw::is_openable_web_url(std::string_view("https://example.com/\0x", 22)));
  EXPECT_FALSE(tw::is_openable_web_url("https://example.com/\x7F"));
}

}  // namespace

namespace {

TEST(AllowedEndpoint, HttpsForAnyHostPlainHttpOnlyForLoopback) {
  for (const char* url :
       {"https://update.orlannet.com/api.init.php", "https://10.0.0.5:8443/except.php",
        "http://127.0.0.1:8080/api.init.php", "http://127.5.6.7/x", "http://localhost/except.php",
        "http://LocalHost:9/", "http://[::1]:80/", "http://user@127.0.0.1/"}) {
    EXPECT_TRUE(tw::is_allowed_endpoint(url)) << url;
  }
  for (const char* url :
       {"http://update.orlannet.com/api.init.php", "http://10.0.0.5/except.php",
        "http://128.0.0.1/", "http://127.0.0.1.evil.example/", "http://localhost.evil.example/",
        "http://127.0.0.1@evil.example/", "http://[::2]/", "http://127.0.0/", "http://127.0.0.256/",
        "HTTPS://update.orlannet.com/", "ftp://127.0.0.1/", "https://", "http://",
        "https://host/\r\nx", ""}) {
    EXPECT_FALSE(tw::is_allowed_endpoint(url)) << url;
  }
}

}  // namespace
