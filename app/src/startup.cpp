#include "startup.h"
#include "ascii.h"

#include "white_space.h"

namespace tw {

CommandLine parse_command_line(const std::vector<std::string>& args) {
  CommandLine result;
  bool lang_seen = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--crash-test") {
      result.crash_test = true;
    } else if (args[i] == "--lang" && i + 1 < args.size()) {
      // Only the first "--lang" counts, and its value is consumed even when blank.
      std::string_view value = tw::trim_white_space(args[++i]);
      if (!lang_seen && !value.empty()) result.lang = std::string(value);
      lang_seen = true;
    }
  }
  return result;
}

std::string choose_language_code(const CommandLine& command_line, std::string_view locale_name) {
  std::string_view source = command_line.lang ? std::string_view(*command_line.lang) : locale_name;
  std::string code(tw::trim_white_space(source.substr(0, source.find_first_of("-_"))));
  if (code.empty()) return "en";
  return ascii_lower(code);
}

std::string single_instance_mutex_name() {
  return "Local\\" + std::string(kProgramName) + ".SingleInstance";
}

}  // namespace tw
