#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "catalog.h"
#include "utf.h"

namespace {

using namespace tw::i18n;

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0;;) {
    std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return lines;
    start = end + 1;
  }
}

std::size_t count_of(std::string_view text, std::string_view what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos;
       at = text.find(what, at + what.size()))
    ++count;
  return count;
}

TEST(Catalogue, HasFortyNineDistinctDottedKeys) {
  auto rows = catalog_rows();
  ASSERT_EQ(rows.size(), 49u);
  std::set<std::string_view> keys;
  for (const CatalogRow& row : rows) {
    EXPECT_TRUE(keys.insert(row.key).second) << "duplicate key " << row.key;
    EXPECT_NE(row.key.find('.'), std::string_view::npos) << row.key;
    for (char c : row.key) {
      EXPECT_TRUE((c >= 'a' && c <= 'z') || c == '.' || c == '_' || c == '-') << row.key;
    }
  }
}

TEST(Catalogue, EveryTextIsNonEmptyUtf8WithoutStrayControlCharacters) {
  for (const CatalogRow& row : catalog_rows()) {
    for (std::size_t column = 0; column < kLanguageCount; ++column) {
      std::string_view text = row.texts[column];
      SCOPED_TRACE(std::string(row.key) + " / " + std::string(kLanguageCodes[column]));
      EXPECT_FALSE(text.empty());
      EXPECT_TRUE(tw::is_valid_utf8(text));
      for (char c : text) EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n');
      EXPECT_NE(text.front(), ' ');
      EXPECT_NE(text.back(), ' ');
    }
  }
}

// Every language keeps "%s" and the line breaks where the English text has them: the same
// number of lines, and on each line the same number of placeholders.
TEST(Catalogue, TranslationsKeepPlaceholdersAndLineBreaksOfTheEnglishText) {
  for (const CatalogRow& row : catalog_rows()) {
    std::vector<std::string_view> english = split_lines(row.texts[kEnglishColumn]);
    for (std::size_t column = 0; column < kLanguageCount; ++column) {
      SCOPED_TRACE(std::string(row.key) + " / " + std::string(kLanguageCodes[column]));
      std::vector<std::string_view> lines = split_lines(row.texts[column]);
      ASSERT_EQ(lines.size(), english.size());
      for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(count_of(lines[i], "%s"), count_of(english[i], "%s")) << "line " << i;
        // No other printf-like sequence that a formatter could trip over.
        EXPECT_EQ(count_of(lines[i], "%"), count_of(lines[i], "%s")) << "line " << i;
        EXPECT_FALSE(lines[i].empty()) << "line " << i;
      }
    }
  }
  // The rows that take an argument.
  for (std::string_view key : {"msg.hotkey_failed", "msg.hotkey_dup", "msg.run_start"}) {
    ASSERT_NE(find_row(key), nullptr);
    EXPECT_EQ(count_of(find_row(key)->texts[kEnglishColumn], "%s"), 1u) << key;
  }
  EXPECT_EQ(count_of(find_row("msg.run_start")->texts[kEnglishColumn], "\n"), 1u);
}

TEST(Catalogue, NonLatinTranslationsAreWrittenInTheirOwnScript) {
  for (std::size_t column : {std::size_t{0}, std::size_t{2}, std::size_t{3}, std::size_t{4}}) {
    for (const CatalogRow& row : catalog_rows()) {
      std::string_view text = row.texts[column];
      bool non_ascii = false;
      for (char c : text) non_ascii |= static_cast<unsigned char>(c) >= 0x80;
      EXPECT_TRUE(non_ascii) << row.key << " / " << kLanguageCodes[column] << ": " << text;
    }
  }
}

TEST(Catalogue, LatinTranslationsAreNotCopiesOfTheEnglishColumn) {
  for (std::size_t column : {std::size_t{5}, std::size_t{6}, std::size_t{7}}) {
    std::vector<std::string_view> same;
    for (const CatalogRow& row : catalog_rows()) {
      if (row.key != "app.name" && row.texts[column] == row.texts[kEnglishColumn])
        same.push_back(row.key);
    }
    // Words such as "Mouse" (Italian) or "Double" (French) are the same in both languages.
    EXPECT_LE(same.size(), 2u) << kLanguageCodes[column];
  }
}

TEST(Catalogue, ProductNameIsWrittenTheWayEachLanguageWritesIt) {
  const CatalogRow* name = find_row("app.name");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->texts[0], "탭라이트");
  EXPECT_EQ(name->texts[1], "Tapwright");
  // Each language's "stopped" message names the product as its app.name does (Korean says
  // "auto click" instead).
  const CatalogRow* stopped = find_row("msg.run_stop");
  for (std::size_t column = 1; column < kLanguageCount; ++column) {
    EXPECT_NE(stopped->texts[column].find(name->texts[column]), std::string_view::npos)
        << kLanguageCodes[column];
  }
}

TEST(LanguageColumn, ExactCodesOnlyEverythingElseIsEnglish) {
  for (std::size_t column = 0; column < kLanguageCount; ++column) {
    EXPECT_EQ(language_column(kLanguageCodes[column]), column);
  }
  for (std::string_view code : {"", "de", "pt", "KO", "ko-KR", "en-US", " ja", "zh_CN", "e"}) {
    EXPECT_EQ(language_column(code), kEnglishColumn) << '"' << code << '"';
  }
}

TEST(MessageText, LooksUpTheCurrentLanguage) {
  EXPECT_EQ(text("msg.error", "ko"), "오류가 발생했습니다.");
  EXPECT_EQ(text("msg.error", "en"), "An error has occurred.");
  EXPECT_EQ(text("btn.save", "ko"), "저장");
  EXPECT_EQ(text("status.waiting", "ko"), "대기중입니다.");
  EXPECT_EQ(text("msg.run_start", "en"),
            "Tapwright started.\nPress the same shortcut again to stop (%s)");
  EXPECT_EQ(text("msg.clear_all", "ru"), find_row("msg.clear_all")->texts[4]);
  EXPECT_EQ(text("msg.clear_all", "de"), "Do you want to clear all contents?");
  EXPECT_EQ(text("msg.clear_all", ""), "Do you want to clear all contents?");
}

TEST(MessageText, UnknownKeyGivesQuestionMarksAndOneLogLine) {
  testing::internal::CaptureStderr();
  std::string_view shown = text("msg.nope", "ko");
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(shown, "???");
  EXPECT_EQ(log, "[i18n] 없는 키: msg.nope\n");
  // Keys are exact: no trimming, no case folding.
  testing::internal::CaptureStderr();
  EXPECT_EQ(text(" msg.error", "en"), "???");
  EXPECT_EQ(text("MSG.ERROR", "en"), "???");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "[i18n] 없는 키:  msg.error\n[i18n] 없는 키: MSG.ERROR\n");
}

TEST(MessageText, ArgumentReplacesTheFirstPlaceholderOnly) {
  EXPECT_EQ(text_with_arg("msg.hotkey_dup", "en", "Ctrl+F3"),
            "Hotkey Ctrl+F3 is already used by the other function.");
  EXPECT_EQ(text_with_arg("msg.hotkey_dup", "ko", "F4"),
            "단축키 F4 은(는) 이미 다른 기능에 쓰고 있습니다.");
  EXPECT_EQ(text_with_arg("msg.run_start", "en", "F3"),
            "Tapwright started.\nPress the same shortcut again to stop (F3)");
  // An argument that itself holds "%s" is inserted as it is, not expanded again.
  EXPECT_EQ(text_with_arg("msg.hotkey_dup", "en", "%s"),
            "Hotkey %s is already used by the other function.");
  // A text without a placeholder is returned unchanged.
  EXPECT_EQ(text_with_arg("msg.error", "en", "x"), "An error has occurred.");
  for (std::size_t column = 0; column < kLanguageCount; ++column) {
    std::string formatted = text_with_arg("msg.hotkey_failed", kLanguageCodes[column], "Alt+Q");
    EXPECT_NE(formatted.find("Alt+Q"), std::string::npos) << kLanguageCodes[column];
    EXPECT_EQ(formatted.find("%s"), std::string::npos) << kLanguageCodes[column];
  }
}

TEST(PageTemplate, ExpandsPlaceholdersWithOrWithoutSpaces) {
  EXPECT_EQ(expand_template("<title>{{app.name}}</title>", 0), "<title>탭라이트</title>");
  EXPECT_EQ(expand_template("<title>{{ app.name }}</title>", 0), "<title>탭라이트</title>");
  EXPECT_EQ(expand_template("<b>{{\tbtn.open\n}}</b>|{{btn.save}}", 1), "<b>Open</b>|Save");
  EXPECT_EQ(expand_template("{{btn.open}}{{btn.open}}", 2), "開く開く");
  EXPECT_EQ(expand_template("no placeholders", 1), "no placeholders");
  EXPECT_EQ(expand_template("", 1), "");
}

TEST(PageTemplate, UnknownKeysStayAsWritten) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(expand_template("<p>{{ no.such.key }}</p>{{btn.clear}}", 1),
            "<p>{{ no.such.key }}</p>Clear");
  EXPECT_EQ(expand_template("{{}}", 1), "{{}}");
  EXPECT_EQ(expand_template("{{ {{btn.open}} }}", 1), "{{ {{btn.open}} }}");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // the template never logs
}

TEST(PageTemplate, UnclosedPlaceholderEndsTheExpansion) {
  EXPECT_EQ(expand_template("{{btn.open}} <i>{{ btn.save </i> {{btn.clear}", 1),
            "Open <i>{{ btn.save </i> {{btn.clear}");
  EXPECT_EQ(expand_template("a }} b {{", 1), "a }} b {{");
}

TEST(PageTemplate, InsertedTextIsEscaped) {
  EXPECT_EQ(escape_html("Tom & \"Jerry\" <b>'s</b>"),
            "Tom &amp; &quot;Jerry&quot; &lt;b&gt;&apos;s&lt;/b&gt;");
  // French texts carry apostrophes: they reach the page as entities.
  EXPECT_EQ(expand_template("<label>{{check.record}}</label>", 6),
            "<label>Utiliser l&apos;enregistrement</label>");
  // Only inserted texts are escaped; the template's own markup is left alone.
  EXPECT_EQ(expand_template("<a href=\"x&y\">{{btn.open}}</a>", 1), "<a href=\"x&y\">Open</a>");
}

TEST(PageTemplate, ColumnPastTheLastReadsAsEnglish) {
  EXPECT_EQ(expand_template("{{btn.open}}", 99), "Open");
}

// Every English and Korean text the catalogue fixes, word for word: a typo in any key or
// text fails here.
struct FixedText {
  std::string_view key;
  std::string_view english;
  std::string_view korean;
};

constexpr FixedText kFixedTexts[] = {
    {"app.name", "Tapwright", "탭라이트"},
    {"head.home", "Home", "처음화면"},
    {"head.test", "Test", "테스트"},
    {"head.donate", "Donate", "후원하기"},
    {"group.mouse", "Mouse settings", "마우스 설정"},
    {"label.mouse", "Mouse", "마우스"},
    {"mouse.left", "Left", "왼쪽"},
    {"mouse.right", "Right", "오른쪽"},
    {"mouse.wheel", "Wheel", "휠"},
    {"label.click", "Click", "클릭"},
    {"click.single", "Single", "싱글"},
    {"click.double", "Double", "더블"},
    {"label.delay", "Delay", "딜레이"},
    {"group.hotkey", "Hotkey settings", "단축키 설정"},
    {"label.hotkey.run", "Run/Stop", "실행/종료"},
    {"label.hotkey.add", "Add Record", "레코드 추가"},
    {"hotkey.hint", "Click the box and press the key you want", "칸을 누르고 쓸 키를 누르십시오"},
    {"hotkey.press", "Press a key", "키를 누르십시오"},
    {"hotkey.none", "None", "없음"},
    {"group.record", "Record", "레코드"},
    {"col.position", "Position", "위치"},
    {"use.on", "On", "사용함"},
    {"use.off", "Off", "사용안함"},
    {"label.notify", "Use notice", "알림 사용"},
    {"check.record", "Use Record", "레코드 사용"},
    {"btn.clear", "Clear", "비우기"},
    {"btn.open", "Open", "열기"},
    {"btn.save", "Save", "저장"},
    {"menu.up", "Move Up", "위로 이동"},
    {"menu.down", "Move Down", "아래로 이동"},
    {"menu.delete", "Delete", "삭제"},
    {"group.other", "Other setting", "기타 옵션"},
    {"label.repeat", "Repeat", "반복횟수"},
    {"repeat.none", "none", "사용안함"},
    {"label.after", "Position", "위치변경"},
    {"after.hold", "Hold", "유지"},
    {"after.change", "Modify", "변경"},
    {"status.waiting", "Waiting", "대기중입니다."},
    {"status.running", "Running", "실행중입니다."},
    {"msg.no_delay", "Delay time is not set.", "딜레이 시간이 설정되지 않았습니다."},
    {"msg.no_record", "There is no information registered in the record.",
     "레코드에 등록된 정보가 없습니다."},
    {"msg.clear_all", "Do you want to clear all contents?", "모든 내용을 비우시겠습니까?"},
    {"msg.error", "An error has occurred.", "오류가 발생했습니다."},
    {"msg.hotkey_failed",
     "Hotkey %s could not be registered. It is already in use by another program.",
     "단축키 %s 을(를) 등록할 수 없습니다. 다른 프로그램에서 사용 중입니다."},
    {"msg.hotkey_dup", "Hotkey %s is already used by the other function.",
     "단축키 %s 은(는) 이미 다른 기능에 쓰고 있습니다."},
    {"msg.bad_repeat", "Repeat count is invalid.", "반복횟수가 올바르지 않습니다."},
    {"msg.run_start", "Tapwright started.\nPress the same shortcut again to stop (%s)",
     "자동 클릭을 시작했습니다.\n끝내려면 같은 단축키를 다시 누르십시오 (%s)"},
    {"msg.run_stop", "Tapwright stopped.", "자동 클릭을 끝냈습니다."},
    {"msg.run_done", "The run finished after the repeat count was reached.",
     "반복횟수를 다 채워 실행을 끝냈습니다."},
};

TEST(Catalogue, EveryFixedEnglishAndKoreanTextIsWordForWord) {
  ASSERT_EQ(std::size(kFixedTexts), kRowCount);
  for (const FixedText& fixed : kFixedTexts) {
    SCOPED_TRACE(std::string(fixed.key));
    const CatalogRow* row = find_row(fixed.key);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->texts[kEnglishColumn], fixed.english);
    EXPECT_EQ(row->texts[0], fixed.korean);
    EXPECT_EQ(text(fixed.key, "en"), fixed.english);
    EXPECT_EQ(text(fixed.key, "ko"), fixed.korean);
    EXPECT_EQ(text(fixed.key, "de"), fixed.english);  // unknown language: English
  }
}

}  // namespace
