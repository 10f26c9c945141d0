#include "request.h"

#include <gtest/gtest.h>

namespace {

using namespace twsvc;

TEST(ServiceRequest, HeaderBlockHasThreeHeadersAndNoTrailingLineEnd) {
  EXPECT_EQ(request_header_block(u"2.0.1.0", u"ABCDEF12261209BEEF070503DEADBEEF"),
            u"User-Version: 2.0.1.0\r\nUser-Debug: false\r\n"
            u"User-Union: ABCDEF12261209BEEF070503DEADBEEF");
}

TEST(ServiceRequest, EmptyIdentifierStillSendsTheUnionHeader) {
  EXPECT_EQ(request_header_block(u"0.0.0.0", u""),
            u"User-Version: 0.0.0.0\r\nUser-Debug: false\r\nUser-Union: ");
}

TEST(ServiceRequest, IdentifierWithALineBreakOrNulIsSentEmpty) {
  for (std::u16string_view bad :
       {std::u16string_view(u"AB\r\nX-Injected: 1"), std::u16string_view(u"AB\nCD"),
        std::u16string_view(u"AB\r"), std::u16string_view(u"AB\0CD", 5)}) {
    EXPECT_EQ(request_header_block(u"2.0.1.0", bad),
              u"User-Version: 2.0.1.0\r\nUser-Debug: false\r\nUser-Union: ");
  }
}

TEST(ServiceRequest, UserAgentIsTheBrowserLikeOne) {
  EXPECT_STREQ(kUserAgent,
               "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
               "Chrome/115.0.0.0 Safari/537.36");
}

TEST(ServiceRequest, FileVersionFromHighAndLowWords) {
  EXPECT_EQ(format_file_version(0x00020000, 0x00010000), u"2.0.1.0");
  EXPECT_EQ(format_file_version(0x0003000A, 0x0004000F), u"3.10.4.15");
  EXPECT_EQ(format_file_version(0xFFFFFFFF, 0x00000000), u"65535.65535.0.0");
  EXPECT_EQ(format_file_version(0, 0), u"0.0.0.0");
}

TEST(ServiceRequest, EndpointOverrideOnlyWhenNotBlank) {
  EXPECT_EQ(choose_update_endpoint(std::nullopt), u"https://update.orlannet.com/api.init.php");
  EXPECT_EQ(choose_update_endpoint(u""), u"https://update.orlannet.com/api.init.php");
  EXPECT_EQ(choose_update_endpoint(u" \t "), u"https://update.orlannet.com/api.init.php");
  EXPECT_EQ(choose_update_endpoint(u"  http://127.0.0.1:8080/api.init.php\n"),
            u"http://127.0.0.1:8080/api.init.php");
  EXPECT_EQ(choose_update_endpoint(u"https://staging.example/api.init.php"),
            u"https://staging.example/api.init.php");
}

TEST(ServiceRequest, PlainHttpOverrideToAnotherHostGivesNoEndpoint) {
  EXPECT_EQ(choose_update_endpoint(u"http://update.orlannet.com/api.init.php"), u"");
  EXPECT_EQ(choose_update_endpoint(u" http://192.168.1.9/api.init.php "), u"");
  EXPECT_EQ(choose_update_endpoint(u"file:///C:/x"), u"");
  EXPECT_EQ(choose_update_endpoint(u"http://localhost:8080/api.init.php"),
            u"http://localhost:8080/api.init.php");
}

}  // namespace
