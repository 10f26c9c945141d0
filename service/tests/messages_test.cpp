#include "messages.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using namespace twsvc;

TEST(ServiceMessages, EachTableLanguageHasItsOwnTexts) {
  EXPECT_EQ(translate(Phrase::InvalidConfig, 1042), u"응용 프로그램 구성 파일이 잘못되었습니다.");
  EXPECT_EQ(translate(Phrase::Question, 1041), u"ダウンロードしますか。");
  EXPECT_EQ(translate(Phrase::Updated, 2052), u"该程序已更新。");
  EXPECT_EQ(translate(Phrase::Reinstall, 1031), u"Bitte neu installieren und ausführen.");
  EXPECT_EQ(translate(Phrase::Question, 1049), u"Вы хотите загрузить ее?");
  EXPECT_EQ(translate(Phrase::Recommendation, 1040),
            u"Si raccomanda di scaricarlo ed eseguirlo per un uso stabile.");
  EXPECT_EQ(translate(Phrase::Recommendation, 1036),
            u"Il est recommandé de télécharger et d'exécuter la nouvelle version pour une "
            u"utilisation stable.");
}

TEST(ServiceMessages, EveryPhraseDiffersFromEnglishInEveryTableLanguage) {
  const Phrase phrases[] = {Phrase::InvalidConfig, Phrase::Reinstall, Phrase::Updated,
                            Phrase::Recommendation, Phrase::Question};
  const std::uint32_t locales[] = {1042, 1041, 2052, 1031, 1049, 1040, 1036};
  for (std::uint32_t locale : locales) {
    for (Phrase p : phrases) {
      EXPECT_NE(translate(p, locale), translate(p, 1033)) << locale;
      EXPECT_FALSE(translate(p, locale).empty()) << locale;
    }
  }
}

TEST(ServiceMessages, OtherRegionalVariantsGetEnglish) {
  // German (Austria), Korean (Johab), Chinese (Taiwan), French (Canada), Portuguese.
  for (std::uint32_t locale : {3079u, 2066u, 1028u, 3084u, 2070u, 0u, 0xFFFFFFFFu}) {
    EXPECT_EQ(translate(Phrase::InvalidConfig, locale),
              u"The application configuration file is invalid.")
        << locale;
    EXPECT_EQ(translate(Phrase::Question, locale), u"Do you want to download it?") << locale;
    EXPECT_EQ(application_title(locale), u"Tapwright") << locale;
  }
}

TEST(ServiceMessages, TitleIsHangulOnlyForKorean) {
  EXPECT_EQ(application_title(1042), u"탭라이트");
  EXPECT_EQ(application_title(1041), u"Tapwright");
  EXPECT_EQ(application_title(1031), u"Tapwright");
}

TEST(ServiceMessages, ParagraphsAreSeparatedByTwoCarriageReturns) {
  EXPECT_EQ(broken_installation_text(3079),
            u"The application configuration file is invalid.\r\rPlease reinstall and run.");
  EXPECT_EQ(update_offer_text(1033),
            u"This program has been updated.\r\r"
            u"It is recommended to download and execute new for stable use.\r\r"
            u"Do you want to download it?");
  EXPECT_EQ(update_offer_text(1042),
            u"업데이트가 정보가 있습니다.\r\r"
            u"안정적으로 사용하기 위해 업데이트를 하시길 권장합니다.\r\r"
            u"다운로드 받으시겠습니까?");
  EXPECT_EQ(broken_installation_text(1049),
            u"Конфигурационный файл приложения недействителен.\r\r"
            u"Пожалуйста, переустановите и запустите.");
}

}  // namespace
