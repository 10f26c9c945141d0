#include "multipart.h"

#include <gtest/gtest.h>

#include <set>

namespace olib::except {
namespace {

TEST(Multipart, BoundaryIsTheTimeIn32LowerCaseHexDigits) {
  EXPECT_EQ(make_boundary(0), "----OLibExcept00000000000000000000000000000000");
  EXPECT_EQ(make_boundary(0x17F0ABCDEF012345ull),
            "----OLibExcept0000000000000000"
            "17f0abcdef012345");
  std::string now = make_boundary();
  ASSERT_EQ(now.size(), 14u + 32u);
  EXPECT_EQ(now.substr(0, 14 + 16), "----OLibExcept0000000000000000");
  EXPECT_EQ(now.find_first_not_of("0123456789abcdef", 14), std::string::npos);
}

TEST(Multipart, BoundariesTakenBackToBackDiffer) {
  std::set<std::string> seen;
  for (int i = 0; i < 1000; ++i) seen.insert(make_boundary());
  EXPECT_EQ(seen.size(), 1000u);
}

TEST(Multipart, BodyHasTheThreeFieldsInOrder) {
  std::string body = build_multipart_body("B0", "Tapwright", "2.0.1", "line1\r\nline2");
  EXPECT_EQ(body,
            "--B0\r\n"
            "Content-Disposition: form-data; name=\"MailSubject\"\r\n"
            "\r\n"
            "bug report\r\n"
            "--B0\r\n"
            "Content-Disposition: form-data; name=\"MailBody\"\r\n"
            "\r\n"
            "Tapwright 2.0.1.0\r\n"
            "--B0\r\n"
            "Content-Disposition: form-data; name=\"BugReport\"; filename=\"bugreport.txt\"\r\n"
            "Content-Type: application/octet-stream\r\n"
            "\r\n"
            "line1\r\nline2\r\n"
            "--B0--\r\n");
  EXPECT_EQ(multipart_content_type("B0"), "multipart/form-data; boundary=B0");
}

TEST(Multipart, ReportBytesAreCarriedUnchanged) {
  std::string report("a\0b\xFF\xED\x95\x9C", 7);
  std::string body = build_multipart_body("X", "n", "1", report);
  std::string expected_part = "\r\n\r\n" + report + "\r\n--X--\r\n";
  EXPECT_EQ(body.substr(body.size() - expected_part.size()), expected_part);
}

}  // namespace
}  // namespace olib::except
