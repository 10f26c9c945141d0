#pragma once

// The crash reporter of the support library. The main program installs it once, early in
// start-up; from then on native exceptions that nobody handles and the program's own fatal
// internal errors (tw::raise_fatal) are written up as reports and uploaded to the report
// service by the sender thread "olib-except".
//
//   olib::except::ReporterConfig config;       // name "Tapwright", version "2.0.1", ...
//   config.app_language = language_code;
//   olib::except::install(config);
//
// The report endpoint is https://report.orlannet.com/except.php unless the environment
// variable TAPWRIGHT_REPORT_URL names another one (read once, at installation).

#include <cstdint>
#include <string_view>

#include "module_table.h"
#include "reporter_config.h"

namespace olib::except {

#ifdef _WIN32
// Installs the reporter; runs once per process, later calls do nothing. A step that fails
// (a missing system function, no thread) is skipped, never fatal. Installation order: the
// configuration and the report's fixed blocks, the loader notification, the module
// snapshot, the unload trace, the HTTP session, the sender thread, the internal-fault hook
// (chained to the previous one), the unhandled-exception filter (chained likewise).
void install(const ReporterConfig& config);

// For the main program's "--crash-test": a write through a null pointer, the plainest
// native fault, so the whole native path runs. Does not return.
[[noreturn]] void crash_test();
#endif

// Records a short line (cut at 160 bytes) for the notes of a later report. Any thread, any
// time (also before installation); never blocks.
void add_note(std::string_view text) noexcept;

// The loaded module whose range holds `address`; false when none does (or the table is
// empty or busy).
bool lookup_module(std::uint64_t address, ModuleHit& hit) noexcept;

}  // namespace olib::except
