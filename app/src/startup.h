#pragma once

// What the program takes from its command line and how it picks its language.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

inline constexpr std::string_view kProgramName = "Tapwright";
inline constexpr std::string_view kVersion = "2.0.1";
inline constexpr std::string_view kWindowClass = "TFrmTapwright";

struct CommandLine {
  // The trimmed value after the first "--lang"; absent when missing or empty.
  std::optional<std::string> lang;
  bool crash_test = false;
};

// `args` are the arguments after the program path; unknown ones are ignored.
CommandLine parse_command_line(const std::vector<std::string>& args);

// The language code: the "--lang" value when given, else the locale name (e.g. "ko-KR");
// the text before the first "-" or "_", trimmed and in ASCII lower case; "en" when empty.
std::string choose_language_code(const CommandLine& command_line, std::string_view locale_name);

// "Local\Tapwright.SingleInstance".
std::string single_instance_mutex_name();

}  // namespace tw
