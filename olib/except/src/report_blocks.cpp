#include "report_blocks.h"

namespace olib::except {

namespace {

#define OLIB_EXCEPT_STR2(x) #x
#define OLIB_EXCEPT_STR(x) OLIB_EXCEPT_STR2(x)

constexpr std::string_view kCrLf = "\r\n";

bool is_ascii_letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string letters_of(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (is_ascii_letter(c)) out += c;
  }
  return out;
}

}  // namespace

std::string_view toolchain_name() noexcept {
#if defined(__clang__)
  return "clang " __clang_version__;
#elif defined(__MINGW64__)
  return "MinGW-w64 GCC " OLIB_EXCEPT_STR(__GNUC__) "." OLIB_EXCEPT_STR(
      __GNUC_MINOR__) "." OLIB_EXCEPT_STR(__GNUC_PATCHLEVEL__);
#elif defined(__GNUC__)
  return "GCC " OLIB_EXCEPT_STR(__GNUC__) "." OLIB_EXCEPT_STR(__GNUC_MINOR__) "." OLIB_EXCEPT_STR(
      __GNUC_PATCHLEVEL__);
#else
  return "unknown compiler";
#endif
}

std::string executable_name(std::string_view name) {
  return letters_of(name) + ".exe";
}

ReportBlocks prepare_blocks(const ReporterConfig& config, const SystemFacts& facts,
                            std::string_view toolchain) {
  ReportBlocks blocks;
  std::string exe = executable_name(config.name);

  std::string& a = blocks.a;
  a += "executable        : " + exe;
  a += kCrLf;
  a += "version           : " + config.version + ".0";
  a += kCrLf;
  a += "compiled with     : ";
  a += toolchain;
  a += kCrLf;
  a += "exception message : ";

  std::string& b = blocks.b;
  b += kCrLf;
  b += kCrLf;
  b += "operating system  : ";
  b += facts.product_name.empty() ? std::string("Windows") : facts.product_name;
  b += " (build ";
  b += facts.build_number.empty() ? std::string("?") : facts.build_number;
  b += ") x86_64";
  b += kCrLf;
  if (!facts.locale_name.empty()) {
    b += "system language   : " + facts.locale_name;
    b += kCrLf;
  }
  if (config.app_language.find_first_not_of(" \t\r\n") != std::string::npos) {
    b += "app language      : " + config.app_language;
    b += kCrLf;
  }
  b += "processors        : " + std::to_string(facts.processors);
  b += kCrLf;
  if (facts.memory_known) {
    constexpr std::uint64_t kMegabyte = std::uint64_t{1} << 20;
    b += "physical memory   : " + std::to_string(facts.memory_free_bytes / kMegabyte) + "/" +
         std::to_string(facts.memory_total_bytes / kMegabyte) + " MB (free/total)";
    b += kCrLf;
  }
  b += "process id        : " + std::to_string(facts.process_id);
  b += kCrLf;
  b += "build             : ";
  b += config.debug_build ? "debug" : "release";
  b += kCrLf;
  b += "report format     : 2";
  b += kCrLf;

  std::string& c = blocks.c;
  c += kCrLf;
  c += "callstack:";
  c += kCrLf;
  std::string lower = letters_of(config.name);
  for (char& ch : lower) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  c += exe + "    " + lower + "    initialization";
  c += kCrLf;
  return blocks;
}

}  // namespace olib::except
