#include "startup.h"

#include <gtest/gtest.h>

namespace {

std::string code_for(std::vector<std::string> args, std::string_view locale) {
  return tw::choose_language_code(tw::parse_command_line(args), locale);
}

TEST(Language, LocaleNameGivesItsLanguagePart) {
  EXPECT_EQ(code_for({}, "ko-KR"), "ko");
  EXPECT_EQ(code_for({}, "pt_BR"), "pt");
  EXPECT_EQ(code_for({}, "zh-Hant-TW"), "zh");
  EXPECT_EQ(code_for({}, "EN-us"), "en");
  EXPECT_EQ(code_for({}, ""), "en");
  EXPECT_EQ(code_for({}, "-US"), "en");
}

TEST(Language, LangArgumentReplacesTheLocale) {
  EXPECT_EQ(code_for({"--lang", "ja"}, "ko-KR"), "ja");
  EXPECT_EQ(code_for({"--lang", "  FR-ca "}, "ko-KR"), "fr");
  EXPECT_EQ(code_for({"--lang", "ja", "--lang", "ru"}, "ko-KR"), "ja");
}

TEST(Language, LangWithoutUsableValueIsIgnored) {
  EXPECT_EQ(code_for({"--lang"}, "ko-KR"), "ko");
  EXPECT_EQ(code_for({"--lang", "   "}, "it-IT"), "it");
  EXPECT_EQ(code_for({"--lang", "\u3000ja\u00A0"}, "ko-KR"), "ja")
      << "Unicode blanks are trimmed too";
}

TEST(CommandLine, CrashTestSwitchAndUnknownArguments) {
  EXPECT_TRUE(tw::parse_command_line({"x", "--crash-test"}).crash_test);
  EXPECT_FALSE(tw::parse_command_line({"--crash", "--lang", "--crash-test"}).crash_test)
      << "the word after --lang is its value";
  EXPECT_EQ(tw::single_instance_mutex_name(), "Local\\Tapwright.SingleInstance");
}

}  // namespace
