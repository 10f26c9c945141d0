#include "launcher.h"
#include "request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace twsvc;

// Records every call in order as one line each.
class RecordingHost : public LauncherHost {
 public:
  bool other_instance = false;
  std::uint32_t locale = 1033;
  bool main_exists = true;
  std::u16string version = u"2.0.1.0";
  std::u16string identifier = u"ID";
  std::string reply;
  Answer answer = Answer::No;

  std::vector<std::u16string> events;

  bool claim_single_instance() override {
    events.push_back(u"claim");
    return !other_instance;
  }
  std::uint32_t user_locale() override {
    events.push_back(u"locale");
    return locale;
  }
  void create_owner_window(std::u16string_view title) override {
    events.push_back(u"window " + std::u16string(title));
  }
  bool main_program_exists() override { return main_exists; }
  std::u16string main_program_version() override { return version; }
  std::u16string update_identifier() override { return identifier; }
  std::string fetch_update_reply(std::u16string_view url,
                                 std::u16string_view header_block) override {
    events.push_back(u"fetch " + std::u16string(url) + u" | " + std::u16string(header_block));
    return reply;
  }
  Answer show_message(MessageKind kind, std::u16string_view text) override {
    events.push_back((kind == MessageKind::UpdateOffer ? u"offer " : u"broken ") +
                     std::u16string(text));
    return kind == MessageKind::UpdateOffer ? answer : Answer::Ok;
  }
  void open_url(std::u16string_view url) override {
    events.push_back(u"open " + std::u16string(url));
  }
  void start_main_program() override { events.push_back(u"start"); }

  // Events after the fixed prefix of claim, locale and window.
  std::vector<std::u16string> tail() const {
    return std::vector<std::u16string>(events.begin() + 3, events.end());
  }
};

const std::u16string kFetch =
    u"fetch http://127.0.0.1/api.init.php | User-Version: 2.0.1.0\r\nUser-Debug: false\r\n"
    u"User-Union: ID";
const std::u16string kEnglishOffer =
    u"offer This program has been updated.\r\r"
    u"It is recommended to download and execute new for stable use.\r\r"
    u"Do you want to download it?";

LaunchOptions options(bool install_only = false) {
  return LaunchOptions{install_only, u"http://127.0.0.1/api.init.php"};
}

TEST(Launcher, NoUpdateStartsTheMainProgram) {
  RecordingHost host;
  host.reply = R"({"status":"ok"})";
  EXPECT_EQ(run_launcher(host, options()), 0);
  std::vector<std::u16string> expected{u"claim", u"locale", u"window Tapwright", kFetch, u"start"};
  EXPECT_EQ(host.events, expected);
}

TEST(Launcher, UnreachableServiceStartsTheMainProgram) {
  RecordingHost host;  // empty reply
  run_launcher(host, options());
  EXPECT_EQ(host.tail(), (std::vector<std::u16string>{kFetch, u"start"}));
}

TEST(Launcher, InstallOnlyWithoutUpdateDoesNothingVisible) {
  RecordingHost host;
  host.reply = R"({"update":null})";
  run_launcher(host, options(true));
  EXPECT_EQ(host.tail(), (std::vector<std::u16string>{kFetch}));
}

TEST(Launcher, RefusedEndpointOverrideAsksNothingAndStartsTheMainProgram) {
  RecordingHost host;
  host.reply = R"({"update":"https://host/x"})";
  LaunchOptions refused{false, choose_update_endpoint(u"http://update.example/api.init.php")};
  run_launcher(host, refused);
  EXPECT_EQ(host.tail(), (std::vector<std::u16string>{u"start"}));
}

TEST(Launcher, SecondInstanceEndsBeforeAnythingElse) {
  RecordingHost host;
  host.other_instance = true;
  host.reply = R"({"update":"https://host/x"})";
  EXPECT_EQ(run_launcher(host, options()), 0);
  EXPECT_EQ(host.events, (std::vector<std::u16string>{u"claim"}));
}

TEST(Launcher, YesOpensTheDownloadAndDoesNotStart) {
  RecordingHost host;
  host.reply = R"({"update":"https:\/\/host\/setup.exe"})";
  host.answer = Answer::Yes;
  run_launcher(host, options());
  EXPECT_EQ(host.tail(),
            (std::vector<std::u16string>{kFetch, kEnglishOffer, u"open https://host/setup.exe"}));
}

TEST(Launcher, NoStartsTheMainProgram) {
  RecordingHost host;
  host.reply = R"({"update":"https://host/setup.exe"})";
  host.answer = Answer::No;
  run_launcher(host, options());
  EXPECT_EQ(host.tail(), (std::vector<std::u16string>{kFetch, kEnglishOffer, u"start"}));
}

TEST(Launcher, InstallOnlyStillOffersTheUpdate) {
  RecordingHost host;
  host.reply = R"({"update":"https://host/setup.exe"})";
  host.answer = Answer::No;
  run_launcher(host, options(true));
  EXPECT_EQ(host.tail(), (std::vector<std::u16string>{kFetch, kEnglishOffer}));
}

TEST(Launcher, AddressThatIsNoWebPageCountsAsNoUpdate) {
  const char* replies[] = {
      R"({"update":"C:\\Windows\\System32\\calc.exe"})",
      R"({"update":"\\\\evil\\share\\setup.exe"})",
      R"({"update":"file:\/\/\/C:\/x.bat"})",
      R"({"update":"calc"})",
      R"({"update":"https:\/\/"})",
      R"({"update":"https://host/a\nb"})",
      R"({"update":"https://host/a\u0000b"})",
      R"({"update":"https://host/\uD800"})",
      R"({"update":" https://host/"})",
  };
  for (const char* reply : replies) {
    RecordingHost host;
    host.reply = reply;
    host.answer = Answer::Yes;
    run_launcher(host, options());
    EXPECT_EQ(host.tail(), (std::vector<std::u16string>{kFetch, u"start"})) << reply;
  }
}

TEST(Launcher, NonAsciiDownloadAddressIsOffered) {
  RecordingHost host;
  host.reply = R"({"update":"https://host/\uD55C\uD83D\uDE00"})";
  host.answer = Answer::Yes;
  run_launcher(host, options());
  ASSERT_EQ(host.tail().size(), 3u);
  EXPECT_EQ(host.tail()[2], u"open https://host/\uD55C\U0001F600");
}

TEST(Launcher, MissingMainProgramShowsBrokenInstallationAndOpensSite) {
  RecordingHost host;
  host.main_exists = false;
  host.locale = 1042;
  host.reply = R"({"update":"https://host/x"})";
  run_launcher(host, options());
  std::vector<std::u16string> expected{
      u"claim", u"locale", u"window 탭라이트",
      u"broken 응용 프로그램 구성 파일이 잘못되었습니다.\r\r다시 설치 후 실행해 주십시오.",
      u"open " + std::u16string(kProductSite)};
  EXPECT_EQ(host.events, expected);
}

TEST(Launcher, MessagesFollowTheLocale) {
  RecordingHost host;
  host.locale = 3079;  // German (Austria): English
  host.reply = R"({"update":"https://host/x"})";
  run_launcher(host, options());
  EXPECT_EQ(host.events[2], u"window Tapwright");
  EXPECT_EQ(host.tail()[1], kEnglishOffer);

  RecordingHost german;
  german.locale = 1031;
  german.reply = R"({"update":"https://host/x"})";
  run_launcher(german, options());
  EXPECT_EQ(german.tail()[1],
            u"offer Dieses Programm ist aktualisiert worden.\r\r"
            u"Es wird empfohlen, es herunterzuladen und neu auszuführen, um es stabil zu "
            u"verwenden.\r\rMöchten Sie es herunterladen?");
}

TEST(Launcher, VersionAndIdentifierGoIntoTheHeaders) {
  RecordingHost host;
  host.version = u"0.0.0.0";
  host.identifier = u"";
  run_launcher(host, options());
  EXPECT_EQ(host.tail()[0],
            u"fetch http://127.0.0.1/api.init.php | User-Version: 0.0.0.0\r\n"
            u"User-Debug: false\r\nUser-Union: ");
}

TEST(LauncherArguments, OnlyExactInstFirstArgumentCounts) {
  EXPECT_TRUE(install_only_requested({u"svc.exe", u"/inst"}));
  EXPECT_TRUE(install_only_requested({u"svc.exe", u"/inst", u"more"}));
  EXPECT_FALSE(install_only_requested({u"svc.exe"}));
  EXPECT_FALSE(install_only_requested({u"svc.exe", u"/INST"}));
  EXPECT_FALSE(install_only_requested({u"svc.exe", u"/inst "}));
  EXPECT_FALSE(install_only_requested({u"svc.exe", u"x", u"/inst"}));
  EXPECT_FALSE(install_only_requested({}));
}

TEST(UpdateUrlRule, UsesTheOpenableWebUrlRule) {
  EXPECT_TRUE(may_open_update_url(u"https://host/file.exe"));
  EXPECT_TRUE(may_open_update_url(u"HTTP://host"));
  EXPECT_TRUE(may_open_update_url(u"https://호스트.example/파일"));
  EXPECT_FALSE(may_open_update_url(u"ftp://host/file"));
  EXPECT_FALSE(may_open_update_url(std::u16string(u"https://host/") + char16_t{0xDC00}));
  EXPECT_FALSE(may_open_update_url(u"https://host/\t"));
  EXPECT_FALSE(may_open_update_url(u""));
}

}  // namespace
