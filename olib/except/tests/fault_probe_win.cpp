// A small program that installs the crash reporter and then faults on demand, so the
// reporter's tests can watch real faults from outside the process.
//
//   olib_except_fault_probe <kind> [--no-reporter] [--deadline-ms N] [--message-box]
//                           [--mark FILE] [--no-send] [--no-scrub] [--note-profile]
//
// kinds: null-write, null-call, divide-zero, internal, internal-four, thread,
//        unloaded-call, misaligned-stack, second-fault, crash-test
//
// --mark names a file that receives, before the fault, the relative address ranges of the
// faulting function and its caller ("faulting <begin> <end>", "caller <begin> <end>", in
// hexadecimal) and the performance counter just before the fault ("fault-tick <n>").
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "fatal.h"
#include "reporter.h"
#include "win32_include.h"

namespace {

volatile int* volatile g_null_target = nullptr;
using Function = void (*)();
Function volatile g_null_function = nullptr;
volatile int g_zero = 0;
volatile int g_sink = 0;
Function volatile g_unloaded_function = nullptr;

std::FILE* g_mark = nullptr;
int g_hook_calls = 0;
tw::FatalHook g_next_hook = nullptr;

void counting_hook(const tw::FatalReport& report) noexcept {
  ++g_hook_calls;
  if (g_next_hook) g_next_hook(report);
}

void mark_range(const char* label, const void* code) {
  if (!g_mark) return;
  DWORD64 image_base = 0;
  PRUNTIME_FUNCTION entry =
      RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(code), &image_base, nullptr);
  if (!entry) {
    std::fprintf(g_mark, "%s none\n", label);
    return;
  }
  std::fprintf(g_mark, "%s %lx %lx\n", label, static_cast<unsigned long>(entry->BeginAddress),
               static_cast<unsigned long>(entry->EndAddress));
}

void mark_fault_tick() {
  if (!g_mark) return;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  std::fprintf(g_mark, "fault-tick %lld\n", static_cast<long long>(now.QuadPart));
  std::fclose(g_mark);
  g_mark = nullptr;
}

// Each faulting function is kept out of line and its caller does work after the call, so
// the caller's frame exists when the fault happens.
__attribute__((noinline)) void write_through_null() {
  *g_null_target = 1;
  g_sink = g_sink + 1;
}

__attribute__((noinline)) void call_through_null() {
  g_null_function();
  g_sink = g_sink + 1;
}

__attribute__((noinline)) void divide_by_zero() {
  g_sink = 100 / g_zero;
  g_sink = g_sink + 1;
}

__attribute__((noinline)) void raise_internal() {
  tw::raise_fatal("probe: internal fault\nsecond line");
}

__attribute__((noinline)) void call_unloaded() {
  g_unloaded_function();
  g_sink = g_sink + 1;
}

__attribute__((noinline)) void cause_fault(const std::string& kind) {
  if (kind == "null-write") {
    mark_range("faulting", reinterpret_cast<const void*>(&write_through_null));
    mark_range("caller", reinterpret_cast<const void*>(&cause_fault));
    mark_fault_tick();
    write_through_null();
  } else if (kind == "null-call") {
    mark_range("faulting", reinterpret_cast<const void*>(&call_through_null));
    mark_range("caller", reinterpret_cast<const void*>(&cause_fault));
    mark_fault_tick();
    call_through_null();
  } else if (kind == "divide-zero") {
    mark_range("faulting", reinterpret_cast<const void*>(&divide_by_zero));
    mark_range("caller", reinterpret_cast<const void*>(&cause_fault));
    mark_fault_tick();
    divide_by_zero();
  } else if (kind == "internal") {
    mark_range("faulting", reinterpret_cast<const void*>(&raise_internal));
    mark_range("caller", reinterpret_cast<const void*>(&cause_fault));
    mark_fault_tick();
    raise_internal();
  } else if (kind == "unloaded-call") {
    mark_range("faulting", reinterpret_cast<const void*>(&call_unloaded));
    mark_range("caller", reinterpret_cast<const void*>(&cause_fault));
    mark_fault_tick();
    call_unloaded();
  }
  g_sink = g_sink + 1;
}

__attribute__((noinline)) void thread_body() {
  write_through_null();
  g_sink = g_sink + 1;
}

// Loads a library nobody else uses, remembers an address inside its code and unloads it
// again; a library the loader keeps mapped is no use and the next one is tried.
bool prepare_unloaded_function() {
  const wchar_t* candidates[] = {L"msimg32.dll", L"lz32.dll", L"mpr.dll", L"sfc.dll"};
  for (const wchar_t* name : candidates) {
    if (GetModuleHandleW(name)) continue;
    HMODULE module = LoadLibraryW(name);
    if (!module) continue;
    auto base = reinterpret_cast<std::uintptr_t>(module);
    FreeLibrary(module);
    MEMORY_BASIC_INFORMATION info{};
    std::uintptr_t code = base + 0x1000;
    if (GetModuleHandleW(name) != nullptr ||
        VirtualQuery(reinterpret_cast<void*>(code), &info, sizeof info) == 0 ||
        info.State != MEM_FREE) {
      continue;
    }
    g_unloaded_function = reinterpret_cast<Function>(code);
    if (g_mark) {
      std::fprintf(g_mark, "unloaded %ls\n", name);
    }
    return true;
  }
  return false;
}

// The filter as the system would call it, with a context whose stack pointer is not
// 8-byte aligned. (A real fault with such a stack pointer cannot be dispatched at all:
// the exception dispatcher rejects the frame before any filter runs.)
[[noreturn]] void report_misaligned_context() {
  static CONTEXT context;
  RtlCaptureContext(&context);
  context.Rsp += 4;
  EXCEPTION_RECORD record{};
  record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
  record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
  record.NumberParameters = 2;
  record.ExceptionInformation[0] = 1;
  record.ExceptionInformation[1] = 0;
  EXCEPTION_POINTERS pointers{&record, &context};
  LPTOP_LEVEL_EXCEPTION_FILTER filter = SetUnhandledExceptionFilter(nullptr);
  SetUnhandledExceptionFilter(filter);
  mark_fault_tick();
  LONG verdict = filter ? filter(&pointers) : EXCEPTION_CONTINUE_SEARCH;
  ExitProcess(verdict == EXCEPTION_CONTINUE_SEARCH ? 0xC0000005 : 7);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <kind> [--no-reporter] [--deadline-ms N] [--mark FILE]\n",
                 argv[0]);
    return 2;
  }
  std::string kind = argv[1];
  bool reporter = true;
  bool note_profile = false;
  olib::except::ReporterConfig config;
  config.show_message_box = false;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--no-reporter") {
      reporter = false;
    } else if (arg == "--deadline-ms" && i + 1 < argc) {
      config.delivery_timeout = std::chrono::milliseconds(std::atoi(argv[++i]));
    } else if (arg == "--message-box") {
      config.show_message_box = true;
    } else if (arg == "--mark" && i + 1 < argc) {
      g_mark = std::fopen(argv[++i], "w");
    } else if (arg == "--no-send") {
      config.send_reports = false;
    } else if (arg == "--no-scrub") {
      config.scrub_user_names = false;
    } else if (arg == "--note-profile") {
      note_profile = true;
    }
  }

  g_next_hook = tw::set_fatal_hook(&counting_hook);
  if (reporter) olib::except::install(config);
  olib::except::add_note("probe: started");
  if (note_profile) {
    // A path with the user's name in it, as a real note might carry.
    const char* profile = std::getenv("USERPROFILE");
    olib::except::add_note(std::string("probe: profile ") + (profile ? profile : "(none)"));
  }

  if (kind == "unloaded-call" && !prepare_unloaded_function()) {
    std::fprintf(stderr, "probe: no library to unload\n");
    return 4;
  }
  if (kind == "misaligned-stack") report_misaligned_context();
  if (kind == "crash-test") {
    mark_fault_tick();
    olib::except::crash_test();
  }
  if (kind == "internal-four") {
    for (int i = 0; i < 4; ++i) {
      try {
        raise_internal();
      } catch (const tw::FatalError&) {
      }
    }
    if (g_mark) {
      std::fprintf(g_mark, "hook-calls %d\n", g_hook_calls);
      std::fclose(g_mark);
    }
    return 0;
  }
  if (kind == "second-fault") {
    // A second thread faults while the first fault is still being reported.
    std::thread([] {
      Sleep(300);
      divide_by_zero();
    }).detach();
    mark_fault_tick();
    write_through_null();
    return 1;
  }
  if (kind == "thread") {
    mark_range("faulting", reinterpret_cast<const void*>(&write_through_null));
    mark_range("caller", reinterpret_cast<const void*>(&thread_body));
    mark_fault_tick();
    std::thread worker([] { thread_body(); });
    worker.join();
    return 0;
  }
  cause_fault(kind);
  return 1;
}
