#pragma once

// The text of a crash report: the native-fault report, written into a fixed buffer
// without touching the heap, and the internal-fault report, built on the heap.
// Lines end with CR LF; labels are padded to a common column; addresses are fixed-width
// upper-case hexadecimal.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "report_blocks.h"

namespace olib::except {

class ModuleTable;
class NoteRing;
class TextWriter;

inline constexpr std::size_t kReportLimit = 61'440;
inline constexpr std::size_t kMaxFrames = 48;
inline constexpr std::size_t kMaxStackBytes = 4096;
inline constexpr std::string_view kTruncationMarker = "\r\n... (truncated)\r\n";

enum class AccessKind : std::uint8_t { None, Read, Write, Execute };

// What a memory query said about the faulting address. The numbers are the system's own
// (state, type and protection constants of a memory query).
struct RegionInfo {
  bool queried = false;
  std::uint32_t state = 0;
  std::uint32_t type = 0;
  std::uint64_t allocation_base = 0;
  std::uint32_t protect = 0;
};

struct UnloadedModule {
  bool present = false;
  char16_t name[32] = {};
  std::uint64_t base = 0;
  std::uint64_t size = 0;
  std::uint32_t sequence = 0;
  std::uint32_t time_stamp = 0;
  std::uint32_t checksum = 0;
};

struct Registers {
  std::uint64_t rip = 0, rsp = 0, rbp = 0, rax = 0, rcx = 0, rdx = 0, rbx = 0, rsi = 0, rdi = 0;
};

struct LocalTime {
  std::uint32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Where and when a report is taken; shared by both kinds.
struct FaultThread {
  LocalTime time;
  std::uint64_t up_seconds = 0;
  std::uint32_t thread_id = 0;
  bool main_thread = false;
  const std::uint64_t* frames = nullptr;
  std::size_t frame_count = 0;
};

struct NativeFault {
  std::uint32_t code = 0;
  std::uint64_t address = 0;
  AccessKind access = AccessKind::None;
  std::uint64_t operand = 0;  // the accessed address of an access violation
  RegionInfo region;
  UnloadedModule unloaded;
  bool has_registers = false;
  Registers registers;
  FaultThread thread;
  // The stack copy: when `stack_possible`, `stack` holds `stack_size` bytes read from
  // `stack_start` upwards. `stack_skipped` when the stack pointer was unusable.
  bool stack_possible = false;
  bool stack_skipped = false;
  std::uint64_t stack_start = 0;
  const unsigned char* stack = nullptr;
  std::size_t stack_size = 0;
  // Reporter remarks that belong to the notes.
  bool frame2_assumed = false;
  bool unload_trace_full = false;
  std::uint32_t unload_trace_count = 0;
};

struct InternalFault {
  std::string_view message;
  std::string_view file;
  std::uint32_t line = 0;
  std::uint32_t column = 0;
  FaultThread thread;
};

// The exception's name by its code ("Access Violation", ..., "Native Exception").
std::string_view exception_name(std::uint32_t code) noexcept;

// "image 00007FF600000000 rx", "reserved ...", "free" or "unknown".
void write_region(TextWriter& out, const RegionInfo& region) noexcept;

// Module name and offset of an address, or "(unknown module)".
void write_location(TextWriter& out, const ModuleTable& modules, std::uint64_t address) noexcept;

// Writes the native-fault report into `buffer` (at most `capacity` bytes, cut silently)
// and returns its length. Allocates nothing.
std::size_t write_native_report(const ReportBlocks& blocks, const NativeFault& fault,
                                const ModuleTable& modules, const NoteRing& notes, char* buffer,
                                std::size_t capacity) noexcept;

// The internal-fault report before scrubbing and shortening.
std::string build_internal_report(const ReportBlocks& blocks, const InternalFault& fault,
                                  const ModuleTable& modules, const NoteRing& notes);

// Shortens a report longer than the limit at a UTF-8 character boundary so that, with the
// truncation marker appended, it fits the limit. Shorter reports are returned as they are.
std::string shorten_report(std::string text, std::size_t limit = kReportLimit);

}  // namespace olib::except
