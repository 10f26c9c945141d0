#include "report_layout.h"

#include "module_table.h"
#include "note_ring.h"
#include "text_writer.h"

namespace olib::except {

namespace {

// Memory query constants (the system's values; this file never sees its headers).
constexpr std::uint32_t kMemCommit = 0x1000;
constexpr std::uint32_t kMemReserve = 0x2000;
constexpr std::uint32_t kMemFree = 0x10000;
constexpr std::uint32_t kMemPrivate = 0x20000;
constexpr std::uint32_t kMemMapped = 0x40000;
constexpr std::uint32_t kMemImage = 0x1000000;
constexpr std::uint32_t kPageGuard = 0x100;

constexpr std::string_view kFrame2Remark =
    "olib: frame 2+ assumes [rsp] is the return address (execute fault, no unwind info)";
constexpr std::string_view kStackSkippedRemark =
    "olib: stack section skipped (rsp outside thread stack)";
constexpr std::string_view kStackDroppedRemark = "olib: stack section dropped (report size limit)";

void line(TextWriter& out, std::string_view label, std::string_view value) noexcept {
  out.put(label);
  out.put(value);
  out.crlf();
}

void write_frame(TextWriter& out, const ModuleTable& modules, std::uint64_t address) noexcept {
  out.put_hex(address, 16);
  ModuleHit hit;
  if (modules.lookup(address, hit)) {
    out.put(" +");
    out.put_hex(address - hit.base, 8);
    out.put_char(' ');
    out.put_utf16_ascii(hit.name, kModuleNameUnits);
  } else {
    out.put(" +???????? (unknown module)");
  }
  out.crlf();
}

void write_time_and_thread(TextWriter& out, const FaultThread& thread) noexcept {
  const LocalTime& t = thread.time;
  out.put("date/time         : ");
  out.put_decimal(t.year);
  out.put_char('-');
  out.put_decimal(t.month, 2);
  out.put_char('-');
  out.put_decimal(t.day, 2);
  out.put_char(' ');
  out.put_decimal(t.hour, 2);
  out.put_char(':');
  out.put_decimal(t.minute, 2);
  out.put_char(':');
  out.put_decimal(t.second, 2);
  out.crlf();
  out.put("up time           : ");
  out.put_decimal(thread.up_seconds / 3600, 2);
  out.put_char(':');
  out.put_decimal(thread.up_seconds / 60 % 60, 2);
  out.put_char(':');
  out.put_decimal(thread.up_seconds % 60, 2);
  out.crlf();
  out.put("thread id         : ");
  out.put_decimal(thread.thread_id);
  out.crlf();
}

void write_call_stack(TextWriter& out, const ReportBlocks& blocks, const FaultThread& thread,
                      const ModuleTable& modules) noexcept {
  out.put(blocks.c);
  out.put(thread.main_thread ? "main thread ($" : "thread ($");
  out.put_hex_lower(thread.thread_id, 4);
  out.put("):");
  out.crlf();
  for (std::size_t i = 0; i < thread.frame_count && i < kMaxFrames; ++i) {
    write_frame(out, modules, thread.frames[i]);
  }
}

bool looks_like_text(std::uint64_t value) noexcept {
  int printable = 0;
  for (int i = 0; i < 8; ++i) {
    unsigned byte = (value >> (8 * i)) & 0xFF;
    if (byte >= 32 && byte <= 126) ++printable;
  }
  if (printable >= 5) return true;
  // UTF-16 text: four units with nothing in their high bytes, mostly printable.
  if ((value & 0xFF00FF00FF00FF00ull) != 0) return false;
  int printable_units = 0;
  for (int i = 0; i < 4; ++i) {
    unsigned byte = (value >> (16 * i)) & 0xFF;
    if (byte >= 32 && byte <= 126) ++printable_units;
  }
  return printable_units >= 3;
}

void write_stack_section(TextWriter& out, const NativeFault& fault,
                         const ModuleTable& modules) noexcept {
  out.crlf();
  out.put("stack:");
  out.crlf();
  std::size_t slots = fault.stack_size / 8;
  for (std::size_t k = 0; k < slots; ++k) {
    std::uint64_t value = 0;
    for (int b = 7; b >= 0; --b) value = (value << 8) | fault.stack[k * 8 + b];
    ModuleHit hit;
    bool in_module = modules.lookup(value, hit);
    if (!in_module && k >= 8) continue;
    out.put("rsp+");
    out.put_hex(k * 8, 4);
    out.put("  ");
    if (in_module) {
      write_frame(out, modules, value);
    } else if (looks_like_text(value)) {
      out.put("(text)");
      out.crlf();
    } else {
      out.put_hex(value, 16);
      out.crlf();
    }
  }
}

struct Remarks {
  bool frame2 = false;
  bool stack_skipped = false;
  bool stack_dropped = false;
  bool unload_full = false;
  std::uint32_t unload_count = 0;
};

void write_notes_section(TextWriter& out, const NoteRing& notes, const ModuleTable& modules,
                         const Remarks& remarks) noexcept {
  std::size_t start = out.size();
  out.crlf();
  out.put("notes:");
  out.crlf();
  std::size_t lines = notes.write_to(out);
  auto remark = [&](std::string_view text) {
    out.put(text);
    out.crlf();
    ++lines;
  };
  if (remarks.frame2) remark(kFrame2Remark);
  if (remarks.stack_skipped) remark(kStackSkippedRemark);
  if (remarks.stack_dropped) remark(kStackDroppedRemark);
  if (remarks.unload_full) {
    out.put("olib: unload trace full (");
    out.put_decimal(remarks.unload_count);
    remark(" entries, oldest discarded)");
  }
  std::uint64_t loaded = 0;
  modules.read([&](const ModuleBuffer& buffer) {
    if (buffer.overflow > 0) loaded = std::uint64_t{buffer.count} + buffer.overflow;
  });
  if (loaded > 0) {
    out.put("olib: module table full (");
    out.put_decimal(loaded);
    remark(" loaded, list truncated)");
  }
  if (std::uint64_t missed = modules.missed_updates()) {
    out.put("olib: module table update missed (");
    out.put_decimal(missed);
    remark(")");
  }
  if (lines == 0) out.rewind(start);
}

void write_modules_section(TextWriter& out, const ModuleTable& modules) noexcept {
  modules.read([&](const ModuleBuffer& buffer) {
    if (buffer.count == 0) return;
    out.crlf();
    out.put("modules:");
    out.crlf();
    for (std::uint32_t i = 0; i < buffer.count && i < kModuleCapacity; ++i) {
      out.put_hex(buffer.entries[i].base, 16);
      out.put("  ");
      out.put_utf16_ascii(buffer.entries[i].name, kModuleNameUnits);
      out.crlf();
    }
  });
}

void write_internal(TextWriter& out, const ReportBlocks& blocks, const InternalFault& fault,
                    const ModuleTable& modules, const NoteRing& notes) noexcept {
  out.put(blocks.a);
  out.put("panic: ");
  if (fault.message.empty()) {
    out.put("(unknown payload)");
  } else {
    // The message stays on the exception line: each line break becomes " / ".
    std::string_view text = fault.message;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' || text[i] == '\n') {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out.put(" / ");
      } else {
        out.put_char(text[i]);
      }
    }
  }
  out.put(blocks.b);
  write_time_and_thread(out, fault.thread);
  line(out, "exception type    : ", "panic");
  out.put("fault location    : ");
  out.put(fault.file);
  out.put_char(':');
  out.put_decimal(fault.line);
  out.put_char(':');
  out.put_decimal(fault.column);
  out.crlf();
  write_call_stack(out, blocks, fault.thread, modules);
  write_notes_section(out, notes, modules, Remarks{});
  write_modules_section(out, modules);
}

}  // namespace

std::string_view exception_name(std::uint32_t code) noexcept {
  switch (code) {
    case 0xC0000005:
      return "Access Violation";
    case 0xC000001D:
      return "Illegal Instruction";
    case 0xC0000025:
      return "Noncontinuable Exception";
    case 0xC000008C:
      return "Array Bounds Exceeded";
    case 0xC000008E:
      return "Float Divide by Zero";
    case 0xC0000090:
      return "Float Invalid Operation";
    case 0xC0000094:
      return "Integer Divide by Zero";
    case 0xC0000096:
      return "Privileged Instruction";
    case 0xC00000FD:
      return "Stack Overflow";
    case 0xC0000374:
      return "Heap Corruption";
    case 0xC0000409:
      return "Stack Buffer Overrun";
    case 0xE06D7363:
      return "C++ Exception";
    default:
      return "Native Exception";
  }
}

void write_region(TextWriter& out, const RegionInfo& region) noexcept {
  if (!region.queried) {
    out.put("unknown");
    return;
  }
  if (region.state == kMemCommit) {
    switch (region.type) {
      case kMemImage:
        out.put("image ");
        break;
      case kMemMapped:
        out.put("mapped ");
        break;
      case kMemPrivate:
        out.put("private ");
        break;
      default:
        out.put("unknown ");
        break;
    }
    out.put_hex(region.allocation_base, 16);
    out.put_char(' ');
    // The lowest set bit of the low byte names the access.
    static constexpr std::string_view kAccess[8] = {"n", "r", "rw", "rw", "x", "rx", "rwx", "rwx"};
    std::uint32_t low = region.protect & 0xFF;
    std::string_view access = "?";
    for (int bit = 0; bit < 8; ++bit) {
      if (low & (1u << bit)) {
        access = kAccess[bit];
        break;
      }
    }
    out.put(access);
    if (region.protect & kPageGuard) out.put_char('g');
  } else if (region.state == kMemReserve) {
    out.put("reserved ");
    out.put_hex(region.allocation_base, 16);
  } else if (region.state == kMemFree) {
    out.put("free");
  } else {
    out.put("unknown");
  }
}

void write_location(TextWriter& out, const ModuleTable& modules, std::uint64_t address) noexcept {
  ModuleHit hit;
  if (!modules.lookup(address, hit)) {
    out.put("(unknown module)");
    return;
  }
  out.put_utf16_ascii(hit.name, kModuleNameUnits);
  out.put(" + ");
  out.put_hex(address - hit.base, 8);
}

std::size_t write_native_report(const ReportBlocks& blocks, const NativeFault& fault,
                                const ModuleTable& modules, const NoteRing& notes, char* buffer,
                                std::size_t capacity) noexcept {
  TextWriter out(buffer, capacity);
  out.put(blocks.a);
  out.put(exception_name(fault.code));
  out.put(" in ");
  write_location(out, modules, fault.address);
  switch (fault.access) {
    case AccessKind::Write:
      out.put(" (write)");
      break;
    case AccessKind::Execute:
      out.put(" (execute)");
      break;
    case AccessKind::Read:
      out.put(" (read)");
      break;
    case AccessKind::None:
      break;
  }
  out.put(blocks.b);
  write_time_and_thread(out, fault.thread);
  line(out, "exception type    : ", "native");
  out.put("exception code    : ");
  out.put_hex(fault.code, 8);
  out.crlf();
  out.put("fault address     : ");
  out.put_hex(fault.address, 16);
  out.crlf();
  out.put("fault module      : ");
  write_location(out, modules, fault.address);
  out.crlf();
  out.put("fault region      : ");
  write_region(out, fault.region);
  if (fault.unloaded.present) {
    std::uint64_t region_address = fault.access != AccessKind::None ? fault.operand : fault.address;
    out.put(" (unloaded ");
    out.put_utf16_ascii(fault.unloaded.name, 32);
    out.put(" +");
    out.put_hex(region_address - fault.unloaded.base, 8);
    out.put(" ts=");
    out.put_hex(fault.unloaded.time_stamp, 8);
    out.put(" sum=");
    out.put_hex(fault.unloaded.checksum, 8);
    out.put_char(')');
  }
  out.crlf();
  if (fault.access != AccessKind::None) {
    out.put("fault operand     : ");
    out.put_hex(fault.operand, 16);
    out.crlf();
  }
  if (fault.has_registers) {
    const Registers& r = fault.registers;
    const std::pair<std::string_view, std::uint64_t> rows[3][3] = {
        {{"registers         : rip=", r.rip}, {" rsp=", r.rsp}, {" rbp=", r.rbp}},
        {{"                    rax=", r.rax}, {" rcx=", r.rcx}, {" rdx=", r.rdx}},
        {{"                    rbx=", r.rbx}, {" rsi=", r.rsi}, {" rdi=", r.rdi}},
    };
    for (const auto& row : rows) {
      for (const auto& [label, value] : row) {
        out.put(label);
        out.put_hex(value, 16);
      }
      out.crlf();
    }
  }
  if (fault.stack_possible) {
    out.put("stack start       : ");
    out.put_hex(fault.stack_start, 16);
    out.crlf();
    out.put("stack read        : ");
    out.put_decimal(fault.stack_size);
    out.crlf();
  }
  write_call_stack(out, blocks, fault.thread, modules);

  Remarks remarks;
  remarks.frame2 = fault.frame2_assumed;
  remarks.stack_skipped = fault.stack_skipped;
  remarks.unload_full = fault.unload_trace_full;
  remarks.unload_count = fault.unload_trace_count;
  if (fault.stack_possible && fault.stack) {
    // Keep room for the notes and the module list (including the remark that would say
    // the stack was dropped); the stack section goes only if it fits before them.
    TextWriter tail = TextWriter::counter();
    Remarks with_drop = remarks;
    with_drop.stack_dropped = true;
    write_notes_section(tail, notes, modules, with_drop);
    write_modules_section(tail, modules);
    std::size_t mark = out.size();
    out.clear_overflow();
    out.set_reserved_tail(tail.size());
    write_stack_section(out, fault, modules);
    if (out.overflowed()) {
      out.rewind(mark);
      remarks.stack_dropped = true;
    }
    out.set_reserved_tail(0);
  }
  write_notes_section(out, notes, modules, remarks);
  write_modules_section(out, modules);
  return out.size();
}

std::string build_internal_report(const ReportBlocks& blocks, const InternalFault& fault,
                                  const ModuleTable& modules, const NoteRing& notes) {
  TextWriter counter = TextWriter::counter();
  write_internal(counter, blocks, fault, modules, notes);
  std::string text(counter.size(), '\0');
  TextWriter out(text.data(), text.size());
  write_internal(out, blocks, fault, modules, notes);
  // Notes or modules may have changed between the two passes.
  text.resize(out.size());
  return text;
}

std::string shorten_report(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t cut = limit > kTruncationMarker.size() ? limit - kTruncationMarker.size() : 0;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  text += kTruncationMarker;
  return text;
}

}  // namespace olib::except
