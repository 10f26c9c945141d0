#pragma once

// The reporter's process-wide state: prepared at installation, read by the fault paths.
// Everything a native fault reads lives here and is ready before the fault happens.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "module_table.h"
#include "note_ring.h"
#include "report_blocks.h"
#include "report_layout.h"
#include "report_sender.h"
#include "reporter_config.h"
#include "scrub.h"

namespace olib::except {

struct ReporterState {
  // Empty until installation copies the real one in: the defaults' longer texts would make
  // the state's construction allocate.
  ReporterConfig config{{}, {}, {}, {}};
  ReportBlocks blocks;
  UserEnvironment user_environment;
  std::string report_url;
  ModuleTable modules;
  NoteRing notes;
  ReportSender* sender = nullptr;  // lives until the process ends
  // A fault on the sender thread itself cannot wait for its own upload.
  std::atomic<std::uint32_t> sender_thread_id{0};

  std::atomic<bool> installed{false};
  std::atomic<bool> disabled{true};  // until installation is complete
  std::atomic<bool> native_reported{false};
  std::atomic<std::uint64_t> internal_faults{0};
  std::uint32_t main_thread_id = 0;
  std::uint64_t start_tick = 0;

  // The native report: one static buffer and its used length.
  char report[kReportLimit] = {};
  std::atomic<std::size_t> report_used{0};
  // The message box: the native fault's one-line summary and the caption.
  wchar_t summary[256] = {};
  wchar_t caption[128] = {};
};

ReporterState& reporter_state() noexcept;

}  // namespace olib::except
