#pragma once

// The fixed parts of every crash report, built once at installation so that the fault
// path only copies bytes: A (identity), B (system) and C (call-stack heading).

#include <cstdint>
#include <string>
#include <string_view>

#include "reporter_config.h"

namespace olib::except {

// What the system told us at installation. Empty strings and false flags mean "could not
// be read"; the blocks then use their stand-ins or leave the line out.
struct SystemFacts {
  std::string product_name;  // "Windows" when empty
  std::string build_number;  // "?" when empty
  std::string locale_name;   // line left out when empty
  std::uint32_t processors = 0;
  bool memory_known = false;
  std::uint64_t memory_free_bytes = 0;
  std::uint64_t memory_total_bytes = 0;
  std::uint32_t process_id = 0;
};

struct ReportBlocks {
  std::string a;  // four lines, the last ("exception message : ") left open
  std::string b;  // starts with two line ends
  std::string c;  // line end, "callstack:", the identity line
};

// The name of the compiler that built this program, as reports show it.
std::string_view toolchain_name() noexcept;

// The letters A-Z and a-z of `name` and ".exe" ("Tap wright 2" gives "Tapwright.exe").
std::string executable_name(std::string_view name);

ReportBlocks prepare_blocks(const ReporterConfig& config, const SystemFacts& facts,
                            std::string_view toolchain = toolchain_name());

}  // namespace olib::except
