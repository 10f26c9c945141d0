#include "bar_geometry.h"
#include "dialog_markup.h"
#include "log.h"
#include "update_identifier.h"
#include "update_language.h"
#include "update_plan.h"
#include "update_reply.h"
#include "update_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace olib::update;
using namespace std::chrono_literals;

// Collects the diagnostic lines written while it lives.
class LogCapture {
 public:
  LogCapture() {
    olib::set_log_sink([this](const std::string& line) { m_lines.push_back(line); });
  }
  ~LogCapture() { olib::set_log_sink({}); }
  const std::vector<std::string>& lines() const { return m_lines; }

 private:
  std::vector<std::string> m_lines;
};

std::vector<std::string> header_names(const olib::http::HttpRequest& request) {
  std::vector<std::string> names;
  for (const auto& [name, value] : request.headers) names.push_back(name + "=" + value);
  return names;
}

// ---- version, endpoint, request ----

TEST(UpdateVersion, OverrideWhenNotBlankElseOwnVersion) {
  EXPECT_EQ(update_version(nullptr), "2.0.1.0");
  EXPECT_EQ(update_version("   "), "2.0.1.0");
  EXPECT_EQ(update_version(" 1.9.0 "), "1.9.0.0");
}

TEST(UpdateEndpoint, OverrideWhenNotBlankElseBuiltIn) {
  EXPECT_EQ(update_endpoint(nullptr), "https://update.orlannet.com/api.init.php");
  EXPECT_EQ(update_endpoint(" \t"), "https://update.orlannet.com/api.init.php");
  EXPECT_EQ(update_endpoint(" http://127.0.0.1:9/api.init.php "),
            "http://127.0.0.1:9/api.init.php");
}

UpdateConfig sample_config() {
  UpdateConfig config;
  config.url = "  https://update.example/api.init.php ";
  config.version = "2.0.1.0";
  config.language = "ko-KR";
  config.user_agent = std::string(kUpdateUserAgent);
  return config;
}

TEST(UpdateRequest, HeadersInOrderWithCommandLast) {
  auto request = build_update_request(sample_config(), std::string("OUID123"), kHoldCommand);
  ASSERT_TRUE(request.ok());
  EXPECT_EQ(request.value().url, "https://update.example/api.init.php");
  EXPECT_EQ(request.value().method, olib::http::Method::get);
  EXPECT_EQ(request.value().user_agent, "Mozilla/5.0 (Windows NT 10.0; Win64; x64)");
  EXPECT_EQ(request.value().connect_timeout, 5s);
  EXPECT_EQ(request.value().receive_timeout, 10s);
  std::vector<std::string> expected{"User-Version=2.0.1.0", "User-Language=ko-KR",
                                    "User-Debug=false", "User-Union=OUID123", "User-Command=hold"};
  EXPECT_EQ(header_names(request.value()), expected);
}

TEST(UpdateRequest, BlankValuesAndMissingIdentifierAreLeftOut) {
  UpdateConfig config = sample_config();
  config.language = "  ";
  config.debug = true;
  auto request = build_update_request(config, std::nullopt, std::string_view(" "));
  ASSERT_TRUE(request.ok());
  std::vector<std::string> expected{"User-Version=2.0.1.0", "User-Debug=true"};
  EXPECT_EQ(header_names(request.value()), expected);
  request = build_update_request(config, std::string(" "), std::nullopt);
  EXPECT_EQ(header_names(request.value()), expected);
}

TEST(UpdateRequest, VersionOverrideOrLanguageWithALineBreakIsLeftOut) {
  UpdateConfig config = sample_config();
  config.version = update_version("1.9\r\nUser-Command: hold");
  config.language = "ko\nX: 1";
  auto request = build_update_request(config, std::string("OUID123"), std::nullopt);
  ASSERT_TRUE(request.ok());
  std::vector<std::string> expected{"User-Debug=false", "User-Union=OUID123"};
  EXPECT_EQ(header_names(request.value()), expected);
}

TEST(UpdateRequest, NonHttpUrlIsAConfigError) {
  UpdateConfig config = sample_config();
  config.url = "file:///C:/x";
  auto request = build_update_request(config, std::nullopt, std::nullopt);
  ASSERT_FALSE(request.ok());
  EXPECT_EQ(request.error().kind, "config");
  EXPECT_EQ(request.error().text(),
            "[config] 업데이트 주소는 전체 URL(https://...)이어야 합니다: file:///C:/x");
}

TEST(UpdateRequest, PlainHttpOnlyForLoopbackHosts) {
  UpdateConfig config = sample_config();
  for (const char* url : {"http://127.0.0.1:9/api.init.php", "http://localhost:8080/api.init.php",
                          "https://update.example/api.init.php"}) {
    config.url = update_endpoint(url);
    EXPECT_TRUE(build_update_request(config, std::nullopt, std::nullopt).ok()) << url;
  }
  for (const char* url : {"http://update.example/api.init.php", "http://10.1.2.3/api.init.php"}) {
    config.url = update_endpoint(url);
    auto request = build_update_request(config, std::nullopt, std::nullopt);
    ASSERT_FALSE(request.ok()) << url;
    EXPECT_EQ(request.error().kind, "config");
    EXPECT_NE(request.error().message.find(url), std::string::npos);
  }
}

TEST(UpdateRequest, HttpErrorsBecomeHttpOrNetworkKinds) {
  auto status = update_error_from_http(olib::http::HttpError::from_status(503));
  EXPECT_EQ(status.text(), "[http] 업데이트 서버가 503 응답을 보냈습니다.");
  auto other = update_error_from_http(olib::http::HttpError::from_message("보내지 못했습니다: x"));
  EXPECT_EQ(other.text(), "[network] 업데이트 서버에 연결하지 못했습니다: 보내지 못했습니다: x");
}

TEST(UpdateReplyText, IllFormedBytesBecomeReplacementCharacters) {
  std::vector<std::uint8_t> body{'{', 0xFF, '}', 0xEC, 0x97, 0x85};
  EXPECT_EQ(reply_text(body), "{\xEF\xBF\xBD}\xEC\x97\x85");
}

// ---- reply parsing ----

TEST(UpdateReplyParse, ReadsEveryMemberAndIgnoresUnknownOnes) {
  auto reply = parse_update_reply(
      R"({"status":"ok","update":"https://a/u","notify":"https://a/n","error":"e",
          "extra":[1,{"x":null}],"info":{"style":"hold","text":"t","flag":"f","url":"https://a/i","more":5}})");
  ASSERT_TRUE(reply.ok()) << reply.error();
  const RawResponse& raw = reply.value();
  EXPECT_EQ(raw.status, "ok");
  EXPECT_EQ(raw.update, "https://a/u");
  EXPECT_EQ(raw.notify, "https://a/n");
  EXPECT_EQ(raw.error, "e");
  ASSERT_TRUE(raw.info.has_value());
  EXPECT_EQ(raw.info->style, "hold");
  EXPECT_EQ(raw.info->text, "t");
  EXPECT_EQ(raw.info->flag, "f");
  EXPECT_EQ(raw.info->url, "https://a/i");
}

TEST(UpdateReplyParse, NullIsAbsentEverywhere) {
  auto reply = parse_update_reply(R"({"status":null,"update":null,"info":{"text":null}})");
  ASSERT_TRUE(reply.ok()) << reply.error();
  EXPECT_FALSE(reply.value().status.has_value());
  EXPECT_FALSE(reply.value().update.has_value());
  ASSERT_TRUE(reply.value().info.has_value());
  EXPECT_FALSE(reply.value().info->text.has_value());
  auto no_info = parse_update_reply(R"({"info":null})");
  ASSERT_TRUE(no_info.ok());
  EXPECT_FALSE(no_info.value().info.has_value());
  EXPECT_TRUE(parse_update_reply("{}").ok());
}

TEST(UpdateReplyParse, DuplicateMembersOfTheRecordsAreErrors) {
  auto top = parse_update_reply(R"({"update":"https://a","update":"https://b"})");
  ASSERT_FALSE(top.ok());
  EXPECT_NE(top.error().find("\"update\""), std::string::npos) << top.error();
  EXPECT_FALSE(parse_update_reply(R"({"status":null,"status":"ok"})").ok());
  EXPECT_FALSE(parse_update_reply(R"({"info":{"style":"a","style":"b"}})").ok());
  EXPECT_FALSE(parse_update_reply(R"({"info":{},"info":{}})").ok());
}

TEST(UpdateReplyParse, RepeatedUnknownMembersAreIgnoredLikeAnyUnknownMember) {
  EXPECT_TRUE(parse_update_reply(R"({"x":1,"x":2})").ok());
  EXPECT_TRUE(parse_update_reply(R"({"x":{"update":1,"update":2}})").ok());
  EXPECT_TRUE(parse_update_reply(R"({"x":[{"info":{"text":1}}],"info":{"q":1,"q":2}})").ok());
}

TEST(UpdateReplyParse, WrongTypesAreErrors) {
  EXPECT_FALSE(parse_update_reply(R"({"status":1})").ok());
  EXPECT_FALSE(parse_update_reply(R"({"update":true})").ok());
  EXPECT_FALSE(parse_update_reply(R"({"notify":["https://a"]})").ok());
  EXPECT_FALSE(parse_update_reply(R"({"error":{}})").ok());
  EXPECT_FALSE(parse_update_reply(R"({"info":"hold"})").ok());
  EXPECT_FALSE(parse_update_reply(R"({"info":{"flag":7}})").ok());
  auto bad = parse_update_reply(R"({"info":{"url":false}})");
  ASSERT_FALSE(bad.ok());
  EXPECT_NE(bad.error().find("url"), std::string::npos) << bad.error();
}

TEST(UpdateReplyParse, NonObjectsAndMalformedJsonAreErrors) {
  EXPECT_FALSE(parse_update_reply("").ok());
  EXPECT_FALSE(parse_update_reply("[]").ok());
  EXPECT_FALSE(parse_update_reply("\"ok\"").ok());
  EXPECT_FALSE(parse_update_reply(R"({"status":"ok")").ok());
  EXPECT_FALSE(parse_update_reply(R"({"status":"ok"} trailing)").ok());
}

TEST(UpdateReplyParse, DeepOrHugeRepliesAreRefusedNotACrash) {
  std::string deep = "{\"x\":" + std::string(100000, '[') + std::string(100000, ']') + "}";
  auto result = parse_update_reply(deep);
  ASSERT_FALSE(result.ok());
  std::string shallow = "{\"x\":" + std::string(20, '[') + std::string(20, ']') + "}";
  EXPECT_TRUE(parse_update_reply(shallow).ok());
  std::string huge = "{\"x\":\"" + std::string(kMaxReplySize, 'a') + "\"}";
  EXPECT_FALSE(parse_update_reply(huge).ok());
}

// ---- normalisation ----

UpdateNotice notice_of(std::string_view json) {
  auto reply = parse_update_reply(json);
  EXPECT_TRUE(reply.ok()) << reply.error();
  return reply.ok() ? normalise_reply(reply.value()) : UpdateNotice{};
}

TEST(UpdateNotice, StatusOtherThanOkKeepsOnlyTheServerMessage) {
  auto notice = notice_of(
      R"({"status":"error","update":"https://a/u","notify":"https://a/n","error":" down ",
          "info":{"style":"hold","text":"t","flag":"stayontop"}})");
  EXPECT_FALSE(notice.update_url.has_value());
  EXPECT_FALSE(notice.notify_url.has_value());
  EXPECT_FALSE(notice.info_text.has_value());
  EXPECT_EQ(notice.style, NoticeStyle::none);
  EXPECT_FALSE(notice.stay_on_top);
  EXPECT_EQ(notice.server_message, "down");
}

TEST(UpdateNotice, StatusOkInAnyCaseOrAbsentIsValid) {
  EXPECT_EQ(notice_of(R"({"status":"OK","update":"https://a/u"})").update_url, "https://a/u");
  EXPECT_EQ(notice_of(R"({"status":"oK","update":"https://a/u"})").update_url, "https://a/u");
  EXPECT_EQ(notice_of(R"({"update":"https://a/u"})").update_url, "https://a/u");
  EXPECT_FALSE(notice_of(R"({"status":" ok","update":"https://a/u"})").update_url.has_value());
}

TEST(UpdateNotice, BlankStringsAreAbsentOthersTrimmed) {
  auto notice = notice_of(
      R"({"update":" \t ","notify":"  https://a/n\n","error":"","info":{"text":" ","url":" x "}})");
  EXPECT_FALSE(notice.update_url.has_value());
  EXPECT_EQ(notice.notify_url, "https://a/n");
  EXPECT_FALSE(notice.server_message.has_value());
  EXPECT_FALSE(notice.info_text.has_value());
  EXPECT_EQ(notice.info_url, "x");
}

TEST(UpdateNotice, StyleIsTrimmedAndCaseFolded) {
  EXPECT_EQ(notice_of(R"({"info":{"style":"  Hold "}})").style, NoticeStyle::hold);
  EXPECT_EQ(notice_of(R"({"info":{"style":"NOTE"}})").style, NoticeStyle::note);
  EXPECT_EQ(notice_of(R"({"info":{"style":"holding"}})").style, NoticeStyle::none);
  EXPECT_EQ(notice_of(R"({"info":{}})").style, NoticeStyle::none);
}

TEST(UpdateNotice, StayOnTopAnywhereInTheFlagInAnyCase) {
  EXPECT_TRUE(notice_of(R"({"info":{"flag":"xxStayOnTopyy"}})").stay_on_top);
  EXPECT_TRUE(notice_of(R"({"info":{"flag":"STAYONTOP"}})").stay_on_top);
  EXPECT_FALSE(notice_of(R"({"info":{"flag":"stay on top"}})").stay_on_top);
  EXPECT_FALSE(notice_of(R"({"info":{"style":"stayontop"}})").stay_on_top);
}

// ---- the plan: what the check shows ----

TEST(UpdatePlan, UpdateGivesTheDialogInTheLanguageWithHoldCheckBox) {
  LogCapture log;
  auto plan = plan_from_reply(
      R"({"update":"https://dl.example/t.exe","info":{"style":"hold","text":"다시 보지 않기","flag":"StayOnTop"}})",
      "ko_KR");
  ASSERT_TRUE(plan.has_value());
  ASSERT_TRUE(plan->dialog.has_value());
  EXPECT_FALSE(plan->bar.has_value());
  EXPECT_EQ(plan->dialog->update_url, "https://dl.example/t.exe");
  EXPECT_EQ(plan->dialog->main_instruction, "업데이트 정보가 있습니다.");
  EXPECT_EQ(plan->dialog->content,
            "안정적으로 사용하기 위해 업데이트를 하시길 권장합니다.\n\n다운로드 받으시겠습니까?");
  EXPECT_EQ(plan->dialog->check_box, "다시 보지 않기");
  EXPECT_FALSE(plan->dialog->footer.has_value());
  EXPECT_TRUE(plan->dialog->topmost);
  EXPECT_TRUE(log.lines().empty());
}

TEST(UpdatePlan, NoteGivesAFooterLinkOnlyWithTextAndUrl) {
  auto plan = plan_from_reply(
      R"({"update":"https://a/u","info":{"style":"note","text":"notes","url":"https://a/notes"}})",
      "en");
  ASSERT_TRUE(plan && plan->dialog);
  ASSERT_TRUE(plan->dialog->footer.has_value());
  EXPECT_EQ(plan->dialog->footer->first, "notes");
  EXPECT_EQ(plan->dialog->footer->second, "https://a/notes");
  EXPECT_FALSE(plan->dialog->check_box.has_value());
  auto no_url =
      plan_from_reply(R"({"update":"https://a/u","info":{"style":"note","text":"n"}})", "en");
  EXPECT_FALSE(no_url->dialog->footer.has_value());
  auto hold_no_text = plan_from_reply(R"({"update":"https://a/u","info":{"style":"hold"}})", "en");
  EXPECT_FALSE(hold_no_text->dialog->check_box.has_value());
}

TEST(UpdatePlan, NotifyGivesTheBarWithTheLanguagesLabel) {
  auto plan = plan_from_reply(R"({"notify":"https://a/n"})", "de-AT");
  ASSERT_TRUE(plan && plan->bar);
  EXPECT_EQ(plan->bar->url, "https://a/n");
  EXPECT_EQ(plan->bar->label, "Update möglich");
  EXPECT_FALSE(plan->dialog.has_value());
}

TEST(UpdatePlan, StatusErrorShowsNothingAndLogsTheServerMessage) {
  LogCapture log;
  auto plan =
      plan_from_reply(R"({"status":"error","update":"https://a/u","error":"maintenance"})", "en");
  ASSERT_TRUE(plan.has_value());
  EXPECT_FALSE(plan->dialog.has_value());
  EXPECT_FALSE(plan->bar.has_value());
  ASSERT_EQ(log.lines().size(), 1u);
  EXPECT_EQ(log.lines()[0], "[update] 서버 응답: maintenance");
}

TEST(UpdatePlan, UnparsableReplyIsOneParseLine) {
  LogCapture log;
  EXPECT_FALSE(plan_from_reply(R"({"update":1})", "en").has_value());
  ASSERT_EQ(log.lines().size(), 1u);
  EXPECT_EQ(log.lines()[0].rfind("[update] [parse] 업데이트 응답을 해석하지 못했습니다: ", 0), 0u)
      << log.lines()[0];
}

TEST(UpdatePlan, UrlsThatAreNotWebPagesAreDroppedAndLogged) {
  LogCapture log;
  auto plan = plan_from_reply(
      R"({"update":"C:\\Windows\\System32\\calc.exe","notify":"\\\\evil\\share\\x.exe",
          "info":{"style":"note","text":"n","url":"file:///C:/x.bat"}})",
      "en");
  ASSERT_TRUE(plan.has_value());
  EXPECT_FALSE(plan->dialog.has_value());
  EXPECT_FALSE(plan->bar.has_value());
  ASSERT_EQ(log.lines().size(), 2u);
  for (const auto& line : log.lines()) EXPECT_EQ(line.rfind("[update] ", 0), 0u) << line;
  EXPECT_NE(log.lines()[0].find("evil"), std::string::npos);
  EXPECT_NE(log.lines()[1].find("calc.exe"), std::string::npos);
}

TEST(UpdatePlan, BadFooterUrlDropsOnlyTheFooterAndControlCharactersCannotForgeLogLines) {
  LogCapture log;
  auto plan = plan_from_reply(
      R"({"update":"HTTPS://a/u","info":{"style":"note","text":"n","url":"javascript:x\r\n[update] fake"}})",
      "en");
  ASSERT_TRUE(plan && plan->dialog);
  EXPECT_EQ(plan->dialog->update_url, "HTTPS://a/u");
  EXPECT_FALSE(plan->dialog->footer.has_value());
  ASSERT_EQ(log.lines().size(), 1u);
  EXPECT_EQ(log.lines()[0].find('\n'), std::string::npos);
  EXPECT_EQ(log.lines()[0].find('\r'), std::string::npos);
}

// ---- languages ----

TEST(UpdateLanguage, TagIsCutTrimmedAndLowerCased) {
  EXPECT_EQ(update_texts_for("ko").label, "업데이트 가능");
  EXPECT_EQ(update_texts_for(" KO-kr").label, "업데이트 가능");
  EXPECT_EQ(update_texts_for("Ja_JP").label, "アップデート可");
  EXPECT_EQ(update_texts_for("pt-BR").title, "Este programa foi atualizado.");
  EXPECT_EQ(update_texts_for("fr").label, "Maj dispo");
}

TEST(UpdateLanguage, UnknownOrMalformedTagsUseTheDefaultRow) {
  for (const char* tag : {"", "en", "xx", "kor", "k", "1o", "-ko", "zz-ko"}) {
    EXPECT_EQ(update_texts_for(tag).label, "Update available") << tag;
  }
  EXPECT_EQ(update_texts_for("en").text,
            "It is recommended to download and execute new for stable use.\n\n"
            "Do you want to download it?");
  EXPECT_EQ(update_texts_for("es").text,
            "Se recomienda descargar y ejecutar la nueva versión para un uso estable.\n\n"
            "¿Desea descargarla?");
}

TEST(UpdateLanguage, EveryRowHasTwoSentencesTwoLineFeedsApart) {
  for (const char* tag : {"en", "ko", "ja", "zh", "ru", "it", "fr", "es", "ar", "pt", "de", "hi",
                          "tr", "vi", "th", "id", "pl", "nl"}) {
    const auto& row = update_texts_for(tag);
    EXPECT_EQ(row.code, std::string_view(tag) == "en" ? "" : tag);
    auto split = row.text.find("\n\n");
    ASSERT_NE(split, std::string_view::npos) << tag;
    EXPECT_EQ(row.text.find('\n', split + 2), std::string_view::npos) << tag;
    EXPECT_GT(split, 0u) << tag;
    EXPECT_LT(split + 2, row.text.size()) << tag;
  }
}

// ---- identifier ----

TEST(UpdateIdentifier, LayoutIsHexDateHexTimeHex) {
  UtcTime time{2026, 3, 7, 9, 5, 1};
  std::string id = make_identifier(0x1A2B, time, 0xBEEF, 0xFFFFFFFF);
  EXPECT_EQ(id, "00001A2B260307BEEF090501FFFFFFFF");
  EXPECT_EQ(id.size(), 32u);
  EXPECT_EQ(make_identifier(0, UtcTime{}, 0, 0), "00000000700101000000000000000000");
}

TEST(UpdateIdentifier, UnixSecondsBecomeUtcCalendarTime) {
  auto t = utc_from_unix_seconds(951782400 + 86399);  // 2000-02-29 23:59:59
  EXPECT_EQ(t.year, 2000);
  EXPECT_EQ(t.month, 2);
  EXPECT_EQ(t.day, 29);
  EXPECT_EQ(t.hour, 23);
  EXPECT_EQ(t.minute, 59);
  EXPECT_EQ(t.second, 59);
  auto later = utc_from_unix_seconds(1796774400);  // 2026-12-09 00:00:00
  EXPECT_EQ(later.year, 2026);
  EXPECT_EQ(later.month, 12);
  EXPECT_EQ(later.day, 9);
  auto before = utc_from_unix_seconds(-5);
  EXPECT_EQ(make_identifier(0, before, 0, 0), make_identifier(0, UtcTime{}, 0, 0));
}

std::vector<std::uint8_t> utf16le(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

TEST(UpdateIdentifier, StringValuesAreReadAsUtf16) {
  EXPECT_EQ(registry_value_text(kRegSz, utf16le(u"ABC\0\0")), "ABC");
  EXPECT_EQ(registry_value_text(kRegExpandSz, utf16le(u"\uD55C")), "\xED\x95\x9C");
  EXPECT_EQ(registry_value_text(kRegMultiSz, utf16le(std::u16string_view(u"a\0b\0\0", 5))), "a\nb");
  EXPECT_EQ(registry_value_text(kRegSz, utf16le(u"\xD800x")), "\xEF\xBF\xBDx");
  EXPECT_EQ(registry_value_text(kRegSz, {}), "");
}

TEST(UpdateIdentifier, OtherValueTypesAreNoText) {
  EXPECT_EQ(registry_value_text(4 /* REG_DWORD */, {1, 0, 0, 0}), std::nullopt);
  EXPECT_EQ(registry_value_text(3 /* REG_BINARY */, utf16le(u"ABC")), std::nullopt);
}

// ---- dialog markup and bar geometry ----

TEST(DialogMarkup, FooterLinkEscapesUrlAndText) {
  EXPECT_EQ(footer_link_markup("R&D <notes>", "https://a/?x=\"1\"&y=<2>"),
            "<a href=\"https://a/?x=&quot;1&quot;&amp;y=&lt;2&gt;\">R&amp;D &lt;notes&gt;</a>");
  EXPECT_EQ(escape_markup("plain '"), "plain '");
}

TEST(BarGeometry, SizesScaleWithDpiNeverBelow96) {
  EXPECT_EQ(bar_height(96), 28);
  EXPECT_EQ(bar_gap(96), 6);
  EXPECT_EQ(bar_height(72), 28);
  EXPECT_EQ(bar_height(144), 42);
  EXPECT_EQ(bar_gap(144), 9);
  EXPECT_EQ(bar_height(120), 35);
  EXPECT_EQ(bar_gap(120), 7);
}

TEST(BarGeometry, BelowTheHostWhenThereIsRoom) {
  BarRect work{0, 0, 1920, 1040};
  EXPECT_EQ(place_update_bar({100, 100, 500, 400}, work, 96), (BarRect{100, 406, 500, 434}));
  EXPECT_EQ(place_update_bar({100, 100, 500, 1006}, work, 96), (BarRect{100, 1012, 500, 1040}));
}

TEST(BarGeometry, AboveTheHostNearTheWorkAreasBottom) {
  BarRect work{0, 0, 1920, 1040};
  EXPECT_EQ(place_update_bar({100, 300, 500, 1007}, work, 96), (BarRect{100, 266, 500, 294}));
  EXPECT_EQ(place_update_bar({-50, 300, 700, 1000}, work, 144), (BarRect{-50, 249, 700, 291}));
}

}  // namespace
