#include "report_layout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "module_table.h"
#include "note_ring.h"
#include "text_writer.h"

namespace olib::except {
namespace {

std::string crlf_lines(std::initializer_list<std::string_view> lines) {
  std::string out;
  for (std::string_view line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

ReporterConfig test_config() {
  ReporterConfig config;
  config.name = "Tapwright";
  config.version = "2.0.1";
  config.app_language = "ko";
  return config;
}

SystemFacts test_facts() {
  SystemFacts facts;
  facts.product_name = "Windows 10 Pro";
  facts.build_number = "19045";
  facts.locale_name = "ko-KR";
  facts.processors = 8;
  facts.memory_known = true;
  facts.memory_free_bytes = 3221225472ull + 524287;  // whole megabytes only
  facts.memory_total_bytes = 17179869184ull;
  facts.process_id = 4242;
  return facts;
}

struct Fixture {
  std::unique_ptr<ModuleTable> modules = std::make_unique<ModuleTable>();
  std::unique_ptr<NoteRing> notes = std::make_unique<NoteRing>();
  ReportBlocks blocks = prepare_blocks(test_config(), test_facts(), "TestCC 1.0");

  Fixture() {
    modules->on_load(u"Tapwright.exe", 13, 0x140000000, 0x100000);
    modules->on_load(u"KERNEL32.DLL", 12, 0x7FFB00000000, 0x80000);
  }
};

const std::string kHeader = crlf_lines({
    "executable        : Tapwright.exe",
    "version           : 2.0.1.0",
    "compiled with     : TestCC 1.0",
});

const std::string kSystem = crlf_lines({
    "",
    "",
    "operating system  : Windows 10 Pro (build 19045) x86_64",
    "system language   : ko-KR",
    "app language      : ko",
    "processors        : 8",
    "physical memory   : 3072/16384 MB (free/total)",
    "process id        : 4242",
    "build             : release",
    "report format     : 2",
});

void put_slot(std::vector<unsigned char>& stack, std::uint64_t value) {
  for (int b = 0; b < 8; ++b) stack.push_back(static_cast<unsigned char>(value >> (8 * b)));
}

NativeFault write_fault(const std::vector<unsigned char>& stack,
                        const std::vector<std::uint64_t>& frames) {
  NativeFault fault;
  fault.code = 0xC0000005;
  fault.address = 0x140001234;
  fault.access = AccessKind::Write;
  fault.operand = 0x10;
  fault.region.queried = true;
  fault.region.state = 0x10000;  // free
  fault.has_registers = true;
  fault.registers = {0x140001234, 0x5FF000, 1, 2, 3, 4, 5, 6, 7};
  fault.thread.time = {2026, 12, 9, 8, 5, 3};
  fault.thread.up_seconds = 3725;
  fault.thread.thread_id = 1234;
  fault.thread.main_thread = true;
  fault.thread.frames = frames.data();
  fault.thread.frame_count = frames.size();
  fault.stack_possible = true;
  fault.stack_start = 0x5FF000;
  fault.stack = stack.data();
  fault.stack_size = stack.size();
  return fault;
}

std::string native_text(const Fixture& f, const NativeFault& fault,
                        std::size_t capacity = kReportLimit) {
  std::vector<char> buffer(capacity);
  std::size_t size =
      write_native_report(f.blocks, fault, *f.modules, *f.notes, buffer.data(), buffer.size());
  return std::string(buffer.data(), size);
}

TEST(NativeReport, LaysOutEveryLineByteForByte) {
  Fixture f;
  f.notes->add("note one");
  std::vector<unsigned char> stack;
  put_slot(stack, 0x140005678);            // return address in the program
  put_slot(stack, 0x6867697277706154ull);  // "Tapwrigh"
  put_slot(stack, 0x0055005C003A0043ull);  // UTF-16 "C:\U"
  put_slot(stack, 0x10);
  for (int i = 0; i < 4; ++i) put_slot(stack, 0);
  put_slot(stack, 0x7FFB00012345);  // beyond the first 8 slots, but in a module
  put_slot(stack, 0x1234);          // beyond the first 8 slots: not printed
  std::vector<std::uint64_t> frames = {0x140001234, 0x140005678, 0x7FFB00012345, 0xDEAD};

  std::string expected =
      kHeader + "exception message : Access Violation in Tapwright.exe + 00001234 (write)" +
      kSystem +
      crlf_lines({
          "date/time         : 2026-12-09 08:05:03",
          "up time           : 01:02:05",
          "thread id         : 1234",
          "exception type    : native",
          "exception code    : C0000005",
          "fault address     : 0000000140001234",
          "fault module      : Tapwright.exe + 00001234",
          "fault region      : free",
          "fault operand     : 0000000000000010",
          "registers         : rip=0000000140001234 rsp=00000000005FF000 rbp=0000000000000001",
          "                    rax=0000000000000002 rcx=0000000000000003 rdx=0000000000000004",
          "                    rbx=0000000000000005 rsi=0000000000000006 rdi=0000000000000007",
          "stack start       : 00000000005FF000",
          "stack read        : 80",
          "",
          "callstack:",
          "Tapwright.exe    tapwright    initialization",
          "main thread ($04d2):",
          "0000000140001234 +00001234 Tapwright.exe",
          "0000000140005678 +00005678 Tapwright.exe",
          "00007FFB00012345 +00012345 KERNEL32.DLL",
          "000000000000DEAD +???????? (unknown module)",
          "",
          "stack:",
          "rsp+0000  0000000140005678 +00005678 Tapwright.exe",
          "rsp+0008  (text)",
          "rsp+0010  (text)",
          "rsp+0018  0000000000000010",
          "rsp+0020  0000000000000000",
          "rsp+0028  0000000000000000",
          "rsp+0030  0000000000000000",
          "rsp+0038  0000000000000000",
          "rsp+0040  00007FFB00012345 +00012345 KERNEL32.DLL",
          "",
          "notes:",
          "note one",
          "",
          "modules:",
          "0000000140000000  Tapwright.exe",
          "00007FFB00000000  KERNEL32.DLL",
      });
  EXPECT_EQ(native_text(f, write_fault(stack, frames)), expected);
}

TEST(NativeReport, NonAccessFaultHasNoOperandAndNoAccessWord) {
  Fixture f;
  std::vector<std::uint64_t> frames = {0x7FFB00000010};
  NativeFault fault = write_fault({}, frames);
  fault.code = 0xC0000094;
  fault.address = 0x7FFB00000010;
  fault.access = AccessKind::None;
  fault.region = {true, 0x1000, 0x1000000, 0x7FFB00000000, 0x20};
  fault.has_registers = false;
  fault.stack_possible = false;
  fault.thread.main_thread = false;
  fault.thread.thread_id = 0x12345;
  std::string text = native_text(f, fault);
  EXPECT_NE(text.find("exception message : Integer Divide by Zero in KERNEL32.DLL + 00000010\r\n"
                      "\r\noperating system"),
            std::string::npos);
  EXPECT_NE(text.find("fault region      : image 00007FFB00000000 rx\r\n"), std::string::npos);
  EXPECT_EQ(text.find("fault operand"), std::string::npos);
  EXPECT_EQ(text.find("registers"), std::string::npos);
  EXPECT_EQ(text.find("stack start"), std::string::npos);
  EXPECT_EQ(text.find("\r\nstack:"), std::string::npos);
  EXPECT_NE(text.find("\r\nthread ($12345):\r\n00007FFB00000010 +00000010 KERNEL32.DLL\r\n"),
            std::string::npos);
  EXPECT_EQ(text.find("notes:"), std::string::npos);  // nothing to note
}

TEST(NativeReport, ExecuteFaultInUnknownMemoryCarriesTheFrameRemark) {
  Fixture f;
  std::vector<std::uint64_t> frames = {0, 0x140002000};
  NativeFault fault = write_fault({}, frames);
  fault.address = 0;
  fault.access = AccessKind::Execute;
  fault.operand = 0;
  fault.stack_possible = false;
  fault.frame2_assumed = true;
  std::string text = native_text(f, fault);
  EXPECT_NE(text.find("exception message : Access Violation in (unknown module) (execute)\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("fault module      : (unknown module)\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nnotes:\r\nolib: frame 2+ assumes [rsp] is the return address "
                      "(execute fault, no unwind info)\r\n\r\nmodules:\r\n"),
            std::string::npos);
}

TEST(NativeReport, RemarksFollowTheNotesInTheirOrder) {
  Fixture f;
  for (std::uint64_t i = 0; i < 198; ++i) {
    f.modules->on_load(u"x.dll", 5, 0x200000000 + i * 0x10000, 0x1000);
  }
  f.notes->add("first");
  NativeFault fault = write_fault({}, {});
  fault.access = AccessKind::Read;
  fault.stack_possible = false;
  fault.stack_skipped = true;
  fault.frame2_assumed = true;
  fault.unload_trace_full = true;
  fault.unload_trace_count = 64;
  std::string text = native_text(f, fault);
  EXPECT_NE(text.find(" (read)\r\n"), std::string::npos);
  // 2 modules of the fixture plus 198: 192 listed, 200 loaded.
  EXPECT_NE(
      text.find(crlf_lines({
          "notes:",
          "first",
          "olib: frame 2+ assumes [rsp] is the return address (execute fault, no unwind info)",
          "olib: stack section skipped (rsp outside thread stack)",
          "olib: unload trace full (64 entries, oldest discarded)",
          "olib: module table full (200 loaded, list truncated)",
          "",
          "modules:",
      })),
      std::string::npos);
}

TEST(NativeReport, RegionsAndUnloadedModulesAreDescribed) {
  auto region = [](RegionInfo info) {
    char buffer[64];
    TextWriter out(buffer, sizeof buffer);
    write_region(out, info);
    return std::string(out.text());
  };
  EXPECT_EQ(region({true, 0x1000, 0x20000, 0x10000, 0x04}), "private 0000000000010000 rw");
  EXPECT_EQ(region({true, 0x1000, 0x40000, 0x10000, 0x02}), "mapped 0000000000010000 r");
  EXPECT_EQ(region({true, 0x1000, 0x20000, 0x10000, 0x104}), "private 0000000000010000 rwg");
  EXPECT_EQ(region({true, 0x1000, 0x20000, 0x10000, 0x01}), "private 0000000000010000 n");
  EXPECT_EQ(region({true, 0x1000, 0x20000, 0x10000, 0x40}), "private 0000000000010000 rwx");
  EXPECT_EQ(region({true, 0x1000, 0x20000, 0x10000, 0x80}), "private 0000000000010000 rwx");
  EXPECT_EQ(region({true, 0x1000, 0x20000, 0x10000, 0x08}), "private 0000000000010000 rw");
  EXPECT_EQ(region({true, 0x1000, 0x20000, 0x10000, 0x10}), "private 0000000000010000 x");
  EXPECT_EQ(region({true, 0x1000, 0x20000, 0x10000, 0x00}), "private 0000000000010000 ?");
  EXPECT_EQ(region({true, 0x1000, 0x7, 0x10000, 0x02}), "unknown 0000000000010000 r");
  EXPECT_EQ(region({true, 0x2000, 0, 0x30000, 0}), "reserved 0000000000030000");
  EXPECT_EQ(region({true, 0x10000, 0, 0, 0}), "free");
  EXPECT_EQ(region({false, 0x1000, 0x20000, 0, 0}), "unknown");
  EXPECT_EQ(region({true, 0x4000, 0, 0, 0}), "unknown");

  Fixture f;
  NativeFault fault = write_fault({}, {});
  fault.access = AccessKind::Execute;
  fault.address = fault.operand = 0x6FFF0123;
  fault.stack_possible = false;
  fault.unloaded.present = true;
  std::memcpy(fault.unloaded.name, u"gone.dll", 9 * sizeof(char16_t));
  fault.unloaded.base = 0x6FFF0000;
  fault.unloaded.time_stamp = 0x5E0BE2A1;
  fault.unloaded.checksum = 0xBEEF;
  EXPECT_NE(native_text(f, fault).find("fault region      : free (unloaded gone.dll +00000123 "
                                       "ts=5E0BE2A1 sum=0000BEEF)\r\n"),
            std::string::npos);
}

TEST(NativeReport, StackSectionThatDoesNotFitIsDroppedButNotesAndModulesStay) {
  Fixture f;
  f.notes->add("kept note");
  std::vector<unsigned char> stack;
  for (int i = 0; i < 512; ++i) put_slot(stack, 0x140000000 + i);  // every slot printed
  std::vector<std::uint64_t> frames = {0x140001234};
  NativeFault fault = write_fault(stack, frames);
  std::string whole = native_text(f, fault);
  ASSERT_NE(whole.find("rsp+0FF8"), std::string::npos);
  std::size_t stack_at = whole.find("\r\nstack:\r\n");
  ASSERT_NE(stack_at, std::string::npos);

  // Room for everything but the last stack line: the section goes, the rest fits.
  std::size_t capacity = whole.size() - 60;
  std::string cut = native_text(f, fault, capacity);
  EXPECT_LE(cut.size(), capacity);
  EXPECT_EQ(cut.find("\r\nstack:\r\n"), std::string::npos);
  EXPECT_EQ(cut.substr(0, stack_at), whole.substr(0, stack_at));
  EXPECT_NE(cut.find("\r\nnotes:\r\nkept note\r\nolib: stack section dropped (report size limit)"
                     "\r\n\r\nmodules:\r\n0000000140000000  Tapwright.exe\r\n"
                     "00007FFB00000000  KERNEL32.DLL\r\n"),
            std::string::npos);
}

TEST(NativeReport, TextBeyondTheBufferIsCutSilently) {
  Fixture f;
  std::vector<std::uint64_t> frames(48, 0x140001234);
  NativeFault fault = write_fault({}, frames);
  fault.stack_possible = false;
  std::string full = native_text(f, fault);
  std::string cut = native_text(f, fault, 700);
  EXPECT_EQ(cut.size(), 700u);
  EXPECT_EQ(cut, full.substr(0, 700));
}

TEST(ReportBlocks, ExecutableLineKeepsOnlyLetters) {
  ReporterConfig config = test_config();
  config.name = "Tap wright 2";
  config.app_language = "  ";
  config.debug_build = true;
  SystemFacts facts;  // nothing could be read
  facts.processors = 2;
  facts.process_id = 7;
  ReportBlocks blocks = prepare_blocks(config, facts, "cc");
  EXPECT_EQ(blocks.a.substr(0, 35), "executable        : Tapwright.exe\r\n");
  EXPECT_EQ(blocks.b, crlf_lines({"", "", "operating system  : Windows (build ?) x86_64",
                                  "processors        : 2", "process id        : 7",
                                  "build             : debug", "report format     : 2"}));
  EXPECT_EQ(blocks.c,
            crlf_lines({"", "callstack:", "Tapwright.exe    tapwright    initialization"}));
}

TEST(ExceptionName, NamesKnownCodesAndFallsBack) {
  EXPECT_EQ(exception_name(0xC0000005), "Access Violation");
  EXPECT_EQ(exception_name(0xC00000FD), "Stack Overflow");
  EXPECT_EQ(exception_name(0xE06D7363), "C++ Exception");
  EXPECT_EQ(exception_name(0xC0000409), "Stack Buffer Overrun");
  EXPECT_EQ(exception_name(0x80000003), "Native Exception");
}

InternalFault panic_fault(std::string_view message, const std::vector<std::uint64_t>& frames) {
  InternalFault fault;
  fault.message = message;
  fault.file = "core/src/area.cpp";
  fault.line = 42;
  fault.column = 7;
  fault.thread.time = {2026, 1, 2, 3, 4, 5};
  fault.thread.up_seconds = 360000 + 59;  // 100 hours
  fault.thread.thread_id = 77;
  fault.thread.main_thread = true;
  fault.thread.frames = frames.data();
  fault.thread.frame_count = frames.size();
  return fault;
}

TEST(InternalReport, LaysOutEveryLineByteForByte) {
  Fixture f;
  f.notes->add("saved list");
  std::vector<std::uint64_t> frames = {0x140000100, 0x99};
  std::string text = build_internal_report(f.blocks, panic_fault("bad\r\nstate\nhere\r", frames),
                                           *f.modules, *f.notes);
  std::string expected = kHeader + "exception message : panic: bad / state / here / " + kSystem +
                         crlf_lines({
                             "date/time         : 2026-01-02 03:04:05",
                             "up time           : 100:00:59",
                             "thread id         : 77",
                             "exception type    : panic",
                             "fault location    : core/src/area.cpp:42:7",
                             "",
                             "callstack:",
                             "Tapwright.exe    tapwright    initialization",
                             "main thread ($004d):",
                             "0000000140000100 +00000100 Tapwright.exe",
                             "0000000000000099 +???????? (unknown module)",
                             "",
                             "notes:",
                             "saved list",
                             "",
                             "modules:",
                             "0000000140000000  Tapwright.exe",
                             "00007FFB00000000  KERNEL32.DLL",
                         });
  EXPECT_EQ(text, expected);
}

TEST(InternalReport, FaultWithoutTextSaysUnknownPayload) {
  Fixture f;
  std::string text = build_internal_report(f.blocks, panic_fault("", {}), *f.modules, *f.notes);
  EXPECT_NE(text.find("exception message : panic: (unknown payload)\r\n\r\n"), std::string::npos);
}

TEST(InternalReport, ReportOfExactly61440BytesIsSentWholeAndOneMoreIsTruncated) {
  Fixture f;
  std::size_t base =
      build_internal_report(f.blocks, panic_fault("", {}), *f.modules, *f.notes).size() -
      std::string_view("(unknown payload)").size();
  std::string message(kReportLimit - base, 'm');
  std::string exact =
      build_internal_report(f.blocks, panic_fault(message, {}), *f.modules, *f.notes);
  ASSERT_EQ(exact.size(), 61440u);
  EXPECT_EQ(shorten_report(exact), exact);

  message += 'm';
  std::string over =
      build_internal_report(f.blocks, panic_fault(message, {}), *f.modules, *f.notes);
  ASSERT_EQ(over.size(), 61441u);
  std::string shortened = shorten_report(over);
  EXPECT_EQ(shortened.size(), 61440u);
  ASSERT_EQ(kTruncationMarker.size(), 19u);
  EXPECT_EQ(shortened.substr(61421), "\r\n... (truncated)\r\n");
  EXPECT_EQ(shortened.substr(0, 61421), over.substr(0, 61421));
}

TEST(InternalReport, TruncationNeverSplitsACharacter) {
  // A three-byte character straddles the cut at 61,421 bytes.
  std::string text(61419, 'a');
  text += "\xED\x95\x9C";  // bytes 61419..61421
  text += std::string(100, 'b');
  std::string shortened = shorten_report(text);
  EXPECT_EQ(shortened, std::string(61419, 'a') + std::string(kTruncationMarker));
  EXPECT_LE(shortened.size(), 61440u);

  std::string tiny = shorten_report("abcdefghijklmnopqrstuvwxyz", 20);
  EXPECT_EQ(tiny, "a" + std::string(kTruncationMarker));
}

}  // namespace
}  // namespace olib::except
