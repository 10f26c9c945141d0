#include "scrub.h"

#include <gtest/gtest.h>

#include "report_upload.h"

namespace olib::except {
namespace {

TEST(Scrub, ProfilePathIsReplacedThroughout) {
  UserEnvironment env;
  env.userprofile = "C:\\Users\\kim";
  std::string text = "C:\\Users\\kim\\a.txt\r\nZ:C:\\Users\\kim\\b C:\\Users\\kimchi";
  EXPECT_EQ(scrub_user_names(text, env), "%USER%\\a.txt\r\nZ:%USER%\\b %USER%chi");
}

TEST(Scrub, ProfileOfThreeCharactersOrFewerIsLeftAlone) {
  UserEnvironment env;
  env.userprofile = "C:\\";
  env.home = "/ho";
  EXPECT_EQ(scrub_user_names("C:\\x /ho/y", env), "C:\\x /ho/y");
  // Characters, not bytes: three Korean characters are nine bytes.
  env.userprofile = "\xEA\xB9\x80\xEA\xB9\x80\xEA\xB9\x80";
  EXPECT_EQ(scrub_user_names("a\xEA\xB9\x80\xEA\xB9\x80\xEA\xB9\x80", env),
            "a\xEA\xB9\x80\xEA\xB9\x80\xEA\xB9\x80");
  env.userprofile = "C:\\A";
  EXPECT_EQ(scrub_user_names("C:\\A\\x", env), "%USER%\\x");
}

TEST(Scrub, HomeIsScrubbedAfterTheProfile) {
  UserEnvironment env;
  env.userprofile = "/home/lee/profile";
  env.home = "/home/lee";
  EXPECT_EQ(scrub_user_names("/home/lee/profile/x and /home/lee/y", env), "%USER%/x and %USER%/y");
}

TEST(Scrub, UserNameInsideUsersAndHomeFolders) {
  UserEnvironment env;
  env.username = "park";
  EXPECT_EQ(scrub_user_names("D:\\Users\\park\\x /home/park/y park \\Users\\parker\\", env),
            "D:\\Users\\%USER%\\x /home/%USER%/y park \\Users\\parker\\");
}

TEST(Scrub, UserIsUsedOnlyWhenUsernameIsNotSet) {
  UserEnvironment env;
  env.user = "choi";
  EXPECT_EQ(scrub_user_names("/home/choi/x", env), "/home/%USER%/x");
  env.username = "";  // set but empty: USER is not consulted
  EXPECT_EQ(scrub_user_names("/home/choi/x", env), "/home/choi/x");
  env.username = "j";  // one character is too short
  EXPECT_EQ(scrub_user_names("/home/j/x", env), "/home/j/x");
}

TEST(Scrub, InternalReportIsScrubbedBeforeItIsShortened) {
  UserEnvironment env;
  env.userprofile = "C:\\Users\\kim";  // 12 characters become 6
  std::string path = "C:\\Users\\kim\\x\r\n";
  std::string text;
  while (text.size() < 61440) text += path;
  text.resize(61440 + 5);
  std::string finished = finish_internal_report(text, &env);
  // Scrubbing alone brought it under the limit: nothing is cut.
  EXPECT_LT(finished.size(), 61440u);
  EXPECT_EQ(finished.find("(truncated)"), std::string::npos);
  EXPECT_EQ(finished.find("kim"), std::string::npos);

  std::string unscrubbed = finish_internal_report(text, nullptr);
  EXPECT_EQ(unscrubbed.size(), 61440u);
  EXPECT_EQ(unscrubbed.substr(61440 - 19), "\r\n... (truncated)\r\n");
}

TEST(ReportUrl, EnvironmentOverridesTheEndpoint) {
  EXPECT_EQ(report_url(nullptr), "https://report.orlannet.com/except.php");
  EXPECT_EQ(report_url("   "), "https://report.orlannet.com/except.php");
  EXPECT_EQ(report_url(" http://127.0.0.1:8080/except.php "), "http://127.0.0.1:8080/except.php");
  EXPECT_EQ(report_url("https://staging.example/except.php"), "https://staging.example/except.php");
}

TEST(ReportUrl, PlainHttpToAnotherHostSendsNothing) {
  for (const char* value : {"http://report.orlannet.com/except.php", "http://10.0.0.5/except.php",
                            "ftp://127.0.0.1/except.php"}) {
    EXPECT_EQ(report_url(value), "") << value;
    auto refused = refused_report_url(report_url(value));
    ASSERT_TRUE(refused.has_value()) << value;
    EXPECT_EQ(refused->kind, "config");
  }
  EXPECT_FALSE(refused_report_url(report_url(nullptr)).has_value());
  EXPECT_FALSE(refused_report_url(report_url("http://localhost:9/except.php")).has_value());
}

TEST(ReportError, TextsNameTheKind) {
  EXPECT_EQ(report_error_for_status(503).text(), "[http] 보고 서버가 503 응답을 보냈습니다.");
  EXPECT_EQ(report_error_for_failure("boom").text(),
            "[network] 보고 서버에 연결하지 못했습니다: boom");
}

}  // namespace
}  // namespace olib::except
