#pragma once

// The launcher's few texts. The English text is the key; seven languages have their own
// form, chosen by the exact locale identifier (regional variants of those languages, such
// as German in Austria, get English).

#include <cstdint>
#include <string>
#include <string_view>

namespace twsvc {

enum class Phrase {
  Title,           // "Tapwright"
  InvalidConfig,   // "The application configuration file is invalid."
  Reinstall,       // "Please reinstall and run."
  Updated,         // "This program has been updated."
  Recommendation,  // "It is recommended to download and execute new for stable use."
  Question,        // "Do you want to download it?"
};

// Locale identifiers that have their own texts.
inline constexpr std::uint32_t kLocaleKorean = 1042;
inline constexpr std::uint32_t kLocaleJapanese = 1041;
inline constexpr std::uint32_t kLocaleChinesePrc = 2052;
inline constexpr std::uint32_t kLocaleGerman = 1031;
inline constexpr std::uint32_t kLocaleRussian = 1049;
inline constexpr std::uint32_t kLocaleItalian = 1040;
inline constexpr std::uint32_t kLocaleFrench = 1036;

// The text of `phrase` for `locale`; English for every identifier without its own texts.
std::u16string_view translate(Phrase phrase, std::uint32_t locale) noexcept;

// Caption of every message box.
std::u16string application_title(std::uint32_t locale);

// Body of the broken-installation message (the main program is missing).
std::u16string broken_installation_text(std::uint32_t locale);

// Body of the question that offers the download.
std::u16string update_offer_text(std::uint32_t locale);

}  // namespace twsvc
