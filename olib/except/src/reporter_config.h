#pragma once

// What the crash reporter is told once, at installation.

#include <chrono>
#include <cstdint>
#include <string>

namespace olib::except {

struct ReporterConfig {
  // The executable's name without extension; reports show its letters plus ".exe".
  std::string name = "Tapwright";
  // Reports show it with ".0" appended.
  std::string version = "2.0.1";
  // The interface language; may be empty.
  std::string app_language;
  std::string user_agent = "Mozilla/5.0 (Windows NT 10.0; Win64; x64)";
  // The upload's connect and receive timeouts, and how long a faulting thread waits for
  // its report to be delivered before it goes on.
  std::chrono::nanoseconds connect_timeout = std::chrono::seconds(6);
  std::chrono::nanoseconds receive_timeout = std::chrono::seconds(5);
  std::chrono::nanoseconds delivery_timeout = std::chrono::seconds(20);
  // Internal faults reported per process at most.
  std::uint64_t max_internal_reports = 3;
  // Off: reports are still built but never handed to the sender (nothing is uploaded).
  bool send_reports = true;
  // The report says "debug" instead of "release".
  bool debug_build = false;
  // User names and profile paths are replaced by "%USER%" before upload.
  bool scrub_user_names = true;
  // The fault message box; tests turn it off.
  bool show_message_box = true;
};

}  // namespace olib::except
