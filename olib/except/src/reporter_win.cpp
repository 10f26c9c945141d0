#include <chrono>
#include <new>
#include <string>

#include "fatal.h"
#include "fault_capture_win.h"
#include "http_client.h"
#include "module_tracker_win.h"
#include "report_upload.h"
#include "reporter.h"
#include "reporter_state.h"
#include "utf.h"
#include "win32_include.h"

namespace olib::except {

namespace {

constexpr std::uint32_t kInternalWaitMs = 6000;
constexpr std::size_t kMessageBoxUnits = 510;
constexpr ULONG kStackGuarantee = 64 * 1024;

tw::FatalHook g_previous_hook = nullptr;

std::string read_product_value(const wchar_t* value) {
  wchar_t buffer[256] = {};
  DWORD bytes = sizeof buffer - sizeof(wchar_t);
  LSTATUS status =
      RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", value,
                   RRF_RT_REG_SZ, nullptr, buffer, &bytes);
  if (status != ERROR_SUCCESS) return {};
  return tw::utf16_to_utf8(std::wstring_view(buffer));
}

SystemFacts read_system_facts() {
  SystemFacts facts;
  facts.product_name = read_product_value(L"ProductName");
  facts.build_number = read_product_value(L"CurrentBuildNumber");
  wchar_t locale[LOCALE_NAME_MAX_LENGTH] = {};
  if (GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH) > 0) {
    facts.locale_name = tw::utf16_to_utf8(std::wstring_view(locale));
  }
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  facts.processors = system.dwNumberOfProcessors;
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  if (GlobalMemoryStatusEx(&memory)) {
    facts.memory_known = true;
    facts.memory_free_bytes = memory.ullAvailPhys;
    facts.memory_total_bytes = memory.ullTotalPhys;
  }
  facts.process_id = GetCurrentProcessId();
  return facts;
}

std::string environment_value(const wchar_t* name) {
  wchar_t buffer[2048];
  DWORD units = GetEnvironmentVariableW(name, buffer, 2048);
  if (units == 0 || units >= 2048) return {};
  return tw::utf16_to_utf8(std::wstring_view(buffer, units));
}

void copy_wide(wchar_t* target, std::size_t capacity, std::wstring_view text) {
  std::size_t units = text.size() < capacity - 1 ? text.size() : capacity - 1;
  // Never end on the first half of a surrogate pair.
  if (units > 0 && units < text.size() && text[units - 1] >= 0xD800 && text[units - 1] <= 0xDBFF) {
    --units;
  }
  text.copy(target, units);
  target[units] = 0;
}

FaultThread thread_now(const ReporterState& state) {
  FaultThread thread;
  SYSTEMTIME now;
  GetLocalTime(&now);
  thread.time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  thread.up_seconds = (GetTickCount64() - state.start_tick) / 1000;
  thread.thread_id = GetCurrentThreadId();
  thread.main_thread = thread.thread_id == state.main_thread_id;
  return thread;
}

void report_internal_fault(ReporterState& state, const tw::FatalReport& report,
                           const std::uint64_t* frames, std::size_t frame_count) {
  InternalFault fault;
  fault.message = report.message;
  fault.file = report.file ? std::string_view(report.file) : std::string_view();
  fault.line = report.line;
  fault.column = report.column;
  fault.thread = thread_now(state);
  fault.thread.frames = frames;
  fault.thread.frame_count = frame_count;
  std::string text = build_internal_report(state.blocks, fault, state.modules, state.notes);
  text = finish_internal_report(std::move(text),
                                state.config.scrub_user_names ? &state.user_environment : nullptr);

  if (state.config.send_reports && state.sender) {
    std::uint64_t sequence = state.sender->queue_report(std::move(text));
    // On the sender thread itself the report goes out after this fault; waiting would
    // only stall.
    bool on_sender = GetCurrentThreadId() == state.sender_thread_id.load(std::memory_order_acquire);
    std::uint64_t deadline = GetTickCount64() + (on_sender ? 0 : kInternalWaitMs);
    while (state.sender->delivered_count() < sequence && GetTickCount64() < deadline) Sleep(5);
  }
  if (state.config.show_message_box) {
    std::string message = "panic: " + (report.message.empty() ? std::string("(unknown payload)")
                                                              : std::string(report.message));
    wchar_t box_text[kMessageBoxUnits + 1];
    copy_wide(box_text, kMessageBoxUnits + 1, tw::utf8_to_wide(message));
    MessageBoxW(nullptr, box_text, state.caption,
                MB_OK | MB_TOPMOST | MB_SETFOREGROUND | MB_ICONERROR);
  }
}

// The program's fatal internal errors. Capturing the call stack here, in the hook itself,
// lets the capture skip exactly this frame and raise_fatal's.
void internal_fault_hook(const tw::FatalReport& report) noexcept {
  ReporterState& state = reporter_state();
  if (!state.disabled.load(std::memory_order_acquire) &&
      state.internal_faults.fetch_add(1, std::memory_order_acq_rel) <
          state.config.max_internal_reports) {
    void* captured[kMaxFrames];
    USHORT count = RtlCaptureStackBackTrace(2, kMaxFrames, captured, nullptr);
    std::uint64_t frames[kMaxFrames];
    for (USHORT i = 0; i < count; ++i) frames[i] = reinterpret_cast<std::uintptr_t>(captured[i]);
    try {
      report_internal_fault(state, report, frames, count);
    } catch (...) {
      // Out of memory while reporting: the fault still reaches the previous hook.
    }
  }
  if (g_previous_hook) g_previous_hook(report);
}

DWORD WINAPI sender_main(LPVOID parameter) {
  static_cast<ReportSender*>(parameter)->run();
  return 0;
}

using SetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE thread, PCWSTR description);

bool start_sender_thread(ReportSender& sender, std::atomic<std::uint32_t>& thread_id) {
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, &sender_main, &sender, CREATE_SUSPENDED, &id);
  if (!thread) return false;
  thread_id.store(id, std::memory_order_release);
  // Named where the system can (Windows 10 1607 and later).
  if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
    auto describe = reinterpret_cast<SetThreadDescriptionFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetThreadDescription")));
    if (describe) describe(thread, L"olib-except");
  }
  ResumeThread(thread);
  // Never joined: the thread runs until the process ends.
  CloseHandle(thread);
  return true;
}

}  // namespace

namespace {
int* volatile g_crash_target = nullptr;
}

void crash_test() {
  *g_crash_target = 0x7E57;
  // Reached only if the write did not fault.
  ExitProcess(static_cast<UINT>(EXCEPTION_ACCESS_VIOLATION));
}

void install(const ReporterConfig& config) {
  static std::atomic<bool> once{false};
  if (once.exchange(true, std::memory_order_acq_rel)) return;
  ReporterState& state = reporter_state();

  try {
    state.config = config;
    state.main_thread_id = GetCurrentThreadId();
    state.start_tick = GetTickCount64();
    state.blocks = prepare_blocks(config, read_system_facts());
    state.user_environment = current_user_environment();
    state.report_url = report_url(environment_value(L"TAPWRIGHT_REPORT_URL").c_str());
    copy_wide(state.caption, std::size(state.caption),
              tw::utf8_to_wide(executable_name(config.name) + " - 오류 보고"));
  } catch (...) {
    return;  // out of memory at start-up: no reporter
  }

  watch_module_changes(state.modules);
  take_module_snapshot(state.modules);
  find_unload_trace();
  // Opened now, no network library has to be set up while the process is faulting.
  (void)http::open_session();

  try {
    ReportSender::Scrub scrub;
    if (config.scrub_user_names) {
      scrub = [&state](std::string_view text) {
        return scrub_user_names(text, state.user_environment);
      };
    }
    auto* sender = new ReportSender(
        [&state](std::string_view report) { (void)send_report(state.config, report); },
        std::move(scrub));
    if (start_sender_thread(*sender, state.sender_thread_id)) {
      state.sender = sender;
    } else {
      delete sender;
    }
  } catch (...) {
  }

  g_previous_hook = tw::set_fatal_hook(&internal_fault_hook);
  // A stack overflow leaves the filter only the stack beyond the guard page; ask for room
  // enough to write the report on the installing (main) thread.
  ULONG guarantee = kStackGuarantee;
  SetThreadStackGuarantee(&guarantee);
  install_exception_filter();
  state.installed.store(true, std::memory_order_release);
  state.disabled.store(false, std::memory_order_release);
}

}  // namespace olib::except
