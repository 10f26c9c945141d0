#include "messages.h"

#include <array>

namespace twsvc {

namespace {

struct Translations {
  std::uint32_t locale;
  std::u16string_view invalid_config;
  std::u16string_view reinstall;
  std::u16string_view updated;
  std::u16string_view recommendation;
  std::u16string_view question;
};

constexpr Translations kEnglish{
    0,
    u"The application configuration file is invalid.",
    u"Please reinstall and run.",
    u"This program has been updated.",
    u"It is recommended to download and execute new for stable use.",
    u"Do you want to download it?",
};

constexpr std::array<Translations, 7> kTranslations{{
    {kLocaleKorean, u"응용 프로그램 구성 파일이 잘못되었습니다.", u"다시 설치 후 실행해 주십시오.",
     u"업데이트가 정보가 있습니다.", u"안정적으로 사용하기 위해 업데이트를 하시길 권장합니다.",
     u"다운로드 받으시겠습니까?"},
    {kLocaleJapanese, u"アプリケーションの設定ファイルが無効です。",
     u"再インストールして実行してください。", u"このプログラムがアップデートされました。",
     u"安定的に使用するために新しくダウンロード·実行することをお勧めします。",
     u"ダウンロードしますか。"},
    {kLocaleChinesePrc, u"应用程序配置文件无效。", u"请重新安装并运行。", u"该程序已更新。",
     u"建议下载并执行新程序以稳定使用。", u"您要下载吗？"},
    {kLocaleGerman, u"Die Anwendungskonfigurationsdatei ist ungültig.",
     u"Bitte neu installieren und ausführen.", u"Dieses Programm ist aktualisiert worden.",
     u"Es wird empfohlen, es herunterzuladen und neu auszuführen, um es stabil zu verwenden.",
     u"Möchten Sie es herunterladen?"},
    {kLocaleRussian, u"Конфигурационный файл приложения недействителен.",
     u"Пожалуйста, переустановите и запустите.", u"Данная программа была обновлена.",
     u"Рекомендуется скачать и выполнить новое для стабильного использования.",
     u"Вы хотите загрузить ее?"},
    {kLocaleItalian, u"Il file di configurazione dell'applicazione non è valido.",
     u"Si prega di reinstallare ed eseguire.", u"Questo programma è stato aggiornato.",
     u"Si raccomanda di scaricarlo ed eseguirlo per un uso stabile.", u"Volete scaricarlo?"},
    {kLocaleFrench, u"Le fichier de configuration de l'application n'est pas valide.",
     u"Veuillez réinstaller et exécuter.", u"Ce programme a été mis à jour.",
     u"Il est recommandé de télécharger et d'exécuter la nouvelle version pour une "
     u"utilisation stable.",
     u"Voulez-vous le télécharger?"},
}};

const Translations& translations_for(std::uint32_t locale) noexcept {
  for (const Translations& t : kTranslations) {
    if (t.locale == locale) return t;
  }
  return kEnglish;
}

// Paragraphs of a message box are separated by two carriage returns.
constexpr std::u16string_view kParagraphBreak = u"\r\r";

}  // namespace

std::u16string_view translate(Phrase phrase, std::uint32_t locale) noexcept {
  const Translations& t = translations_for(locale);
  switch (phrase) {
    case Phrase::Title:
      return locale == kLocaleKorean ? u"탭라이트" : u"Tapwright";
    case Phrase::InvalidConfig:
      return t.invalid_config;
    case Phrase::Reinstall:
      return t.reinstall;
    case Phrase::Updated:
      return t.updated;
    case Phrase::Recommendation:
      return t.recommendation;
    case Phrase::Question:
      return t.question;
  }
  return {};
}

std::u16string application_title(std::uint32_t locale) {
  return std::u16string(translate(Phrase::Title, locale));
}

std::u16string broken_installation_text(std::uint32_t locale) {
  std::u16string text(translate(Phrase::InvalidConfig, locale));
  text += kParagraphBreak;
  text += translate(Phrase::Reinstall, locale);
  return text;
}

std::u16string update_offer_text(std::uint32_t locale) {
  std::u16string text(translate(Phrase::Updated, locale));
  text += kParagraphBreak;
  text += translate(Phrase::Recommendation, locale);
  text += kParagraphBreak;
  text += translate(Phrase::Question, locale);
  return text;
}

}  // namespace twsvc
