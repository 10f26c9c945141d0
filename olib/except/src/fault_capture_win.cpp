#include "fault_capture_win.h"

#include <chrono>
#include <cstddef>
#include <cstring>

#include "report_layout.h"
#include "reporter_state.h"
#include "text_writer.h"

namespace olib::except {

namespace {

// Everything the filter needs beyond its own small locals is static: the filter runs at
// most once per process, possibly on a thread with little stack left, and never allocates.
LPTOP_LEVEL_EXCEPTION_FILTER g_previous_filter = nullptr;

using GetUnloadEventTrace = VOID(NTAPI*)(PULONG* element_size, PULONG* element_count,
                                         PVOID* event_trace);
GetUnloadEventTrace g_unload_trace = nullptr;

CONTEXT g_unwind_context;
std::uint64_t g_frames[kMaxFrames];
unsigned char g_stack_copy[kMaxStackBytes];

// One element of the loader's unload trace (the part every system version has).
struct UnloadEvent {
  void* base;
  SIZE_T size;
  ULONG sequence;
  ULONG time_stamp;
  ULONG checksum;
  WCHAR name[32];
};
constexpr std::size_t kUnloadEventMinimum = 92;
static_assert(offsetof(UnloadEvent, name) + sizeof(UnloadEvent::name) == kUnloadEventMinimum);

struct StackBounds {
  std::uint64_t limit = 0;
  std::uint64_t base = 0;
  bool holds(std::uint64_t address, std::uint64_t bytes = 8) const {
    return address >= limit && address < base && base - address >= bytes;
  }
};

// The filter runs on the faulting thread, so its own stack is the faulting stack.
StackBounds current_stack() noexcept {
  ULONG_PTR low = 0;
  ULONG_PTR high = 0;
  GetCurrentThreadStackLimits(&low, &high);
  return StackBounds{low, high};
}

void describe_region(std::uint64_t address, RegionInfo& region) noexcept {
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(reinterpret_cast<LPCVOID>(address), &info, sizeof info) == 0) return;
  region.queried = true;
  region.state = info.State;
  region.type = info.Type;
  region.allocation_base = reinterpret_cast<std::uintptr_t>(info.AllocationBase);
  region.protect = info.Protect;
}

}  // namespace

// The most recent unloaded module whose range held `address`.
void find_unloaded(std::uint64_t address, NativeFault& fault) noexcept {
  if (!g_unload_trace) return;
  PULONG size_ptr = nullptr;
  PULONG count_ptr = nullptr;
  PVOID trace_ptr = nullptr;
  g_unload_trace(&size_ptr, &count_ptr, &trace_ptr);
  if (!size_ptr || !count_ptr || !trace_ptr) return;
  ULONG element_size = *size_ptr;
  ULONG count = *count_ptr;
  if (element_size < kUnloadEventMinimum || count == 0) return;
  // The third result is the address of the variable that points at the elements.
  auto* elements = *static_cast<unsigned char**>(trace_ptr);
  if (!elements) return;
  bool found = false;
  ULONG highest_sequence = 0;
  bool any = false;
  for (ULONG i = 0; i < count; ++i) {
    // The structure is padded to 96 bytes, but an element may be as small as 92: copy
    // only the part every element has, never past its end.
    UnloadEvent event{};
    std::memcpy(&event, elements + std::size_t{i} * element_size, kUnloadEventMinimum);
    if (!event.base) continue;
    if (!any || event.sequence > highest_sequence) highest_sequence = event.sequence;
    any = true;
    auto base = reinterpret_cast<std::uintptr_t>(event.base);
    if (address < base || address - base >= event.size) continue;
    if (found && event.sequence <= fault.unloaded.sequence) continue;
    found = true;
    fault.unloaded.present = true;
    for (int u = 0; u < 32; ++u) fault.unloaded.name[u] = static_cast<char16_t>(event.name[u]);
    fault.unloaded.base = base;
    fault.unloaded.size = event.size;
    fault.unloaded.sequence = event.sequence;
    fault.unloaded.time_stamp = event.time_stamp;
    fault.unloaded.checksum = event.checksum;
  }
  // Sequence numbers count every unload from 0; the trace keeps the last `count` of them
  // and reuses the oldest slot, so a number at or beyond the count means some were lost.
  if (any && highest_sequence >= count) {
    fault.unload_trace_full = true;
    fault.unload_trace_count = count;
  }
}

void set_unload_trace_for_testing(UnloadTraceFunction function) noexcept {
  g_unload_trace = reinterpret_cast<GetUnloadEventTrace>(function);
}

namespace {

bool has_unwind_info(std::uint64_t address) noexcept {
  DWORD64 image_base = 0;
  return RtlLookupFunctionEntry(address, &image_base, nullptr) != nullptr;
}

// Walks the faulting thread's frames from the exception context with the unwind tables.
std::size_t unwind_call_stack(const CONTEXT& start, const StackBounds& stack, bool execute_fault,
                              std::uint64_t fault_address, bool& frame2_assumed) noexcept {
  CONTEXT& context = g_unwind_context;
  context = start;
  std::size_t count = 0;
  g_frames[count++] = context.Rip;
  while (count < kMaxFrames) {
    DWORD64 image_base = 0;
    PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &image_base, nullptr);
    if (!function) {
      // A jump to a bad address (a call through a null pointer) leaves no frame of its own:
      // the caller's return address is the top of the stack.
      if (count == 1 && execute_fault && context.Rip == fault_address && stack.holds(context.Rsp)) {
        std::uint64_t return_address = *reinterpret_cast<const std::uint64_t*>(context.Rsp);
        context.Rsp += 8;
        context.Rip = return_address;
        g_frames[count++] = return_address;
        frame2_assumed = true;
        if (has_unwind_info(return_address)) continue;
      }
      break;
    }
    PVOID handler_data = nullptr;
    DWORD64 establisher = 0;
    std::uint64_t previous_rsp = context.Rsp;
    RtlVirtualUnwind(UNW_FLAG_NHANDLER, image_base, context.Rip, function, &context, &handler_data,
                     &establisher, nullptr);
    // The walk ends at the thread's first frame, or where the stack stops making sense.
    if (context.Rip == 0 || context.Rsp <= previous_rsp || !stack.holds(context.Rsp, 0)) break;
    g_frames[count++] = context.Rip;
  }
  return count;
}

void write_summary(ReporterState& state, std::string_view name, std::uint64_t address) noexcept {
  char text[128];
  TextWriter out(text, sizeof text - 1);
  out.put(name);
  out.put(" at ");
  out.put_hex(address, 16);
  std::size_t size = out.size();
  for (std::size_t i = 0; i < size && i < 255; ++i)
    state.summary[i] = static_cast<wchar_t>(text[i]);
  state.summary[size < 255 ? size : 255] = 0;
}

void capture(ReporterState& state, const EXCEPTION_POINTERS* info, NativeFault& fault) noexcept {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  fault.code = record->ExceptionCode;
  fault.address = reinterpret_cast<std::uintptr_t>(record->ExceptionAddress);
  if (fault.code == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2) {
    ULONG_PTR kind = record->ExceptionInformation[0];
    fault.access = kind == 1   ? AccessKind::Write
                   : kind == 8 ? AccessKind::Execute
                               : AccessKind::Read;
    fault.operand = record->ExceptionInformation[1];
  }
  write_summary(state, exception_name(fault.code), fault.address);

  std::uint64_t region_address = fault.access != AccessKind::None ? fault.operand : fault.address;
  describe_region(region_address, fault.region);
  find_unloaded(region_address, fault);

  SYSTEMTIME now;
  GetLocalTime(&now);
  fault.thread.time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  fault.thread.up_seconds = (GetTickCount64() - state.start_tick) / 1000;
  fault.thread.thread_id = GetCurrentThreadId();
  fault.thread.main_thread = fault.thread.thread_id == state.main_thread_id;

  StackBounds stack = current_stack();
  const CONTEXT* context = info->ContextRecord;
  if (context) {
    fault.has_registers = true;
    fault.registers = {context->Rip, context->Rsp, context->Rbp, context->Rax, context->Rcx,
                       context->Rdx, context->Rbx, context->Rsi, context->Rdi};
    std::uint64_t rsp = context->Rsp;
    if (rsp % 8 == 0 && stack.holds(rsp)) {
      std::uint64_t available = stack.base - rsp;
      std::size_t size = available < kMaxStackBytes ? available : kMaxStackBytes;
      std::memcpy(g_stack_copy, reinterpret_cast<const void*>(rsp), size);
      fault.stack_possible = true;
      fault.stack_start = rsp;
      fault.stack = g_stack_copy;
      fault.stack_size = size;
    } else {
      fault.stack_skipped = true;
    }
    fault.thread.frame_count = unwind_call_stack(
        *context, stack, fault.access == AccessKind::Execute, fault.address, fault.frame2_assumed);
    fault.thread.frames = g_frames;
  } else {
    fault.stack_skipped = true;
  }
}

std::uint64_t to_milliseconds(std::chrono::nanoseconds duration) noexcept {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
  return ms < 0 ? 0 : static_cast<std::uint64_t>(ms);
}

LONG pass_on(EXCEPTION_POINTERS* info) noexcept {
  return g_previous_filter ? g_previous_filter(info) : EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI unhandled_exception_filter(EXCEPTION_POINTERS* info) {
  ReporterState& state = reporter_state();
  if (state.disabled.load(std::memory_order_acquire) || !info || !info->ExceptionRecord) {
    return pass_on(info);
  }
  // The first unhandled exception only; a second one (another thread, or a fault inside
  // this filter) goes straight on.
  if (state.native_reported.exchange(true, std::memory_order_acq_rel)) return pass_on(info);

  NativeFault fault;
  capture(state, info, fault);
  std::size_t used = write_native_report(state.blocks, fault, state.modules, state.notes,
                                         state.report, sizeof state.report);
  state.report_used.store(used, std::memory_order_release);

  // A fault on the sender thread itself could never be delivered: nobody is left to send.
  bool on_sender = GetCurrentThreadId() == state.sender_thread_id.load(std::memory_order_acquire);
  if (used > 0 && state.config.send_reports && state.sender && !on_sender) {
    state.sender->signal_native_report(state.report, used);
    std::uint64_t deadline = GetTickCount64() + to_milliseconds(state.config.delivery_timeout);
    while (!state.sender->native_delivered() && GetTickCount64() < deadline) Sleep(5);
  }
  if (state.config.show_message_box) {
    MessageBoxW(nullptr, state.summary, state.caption,
                MB_OK | MB_TOPMOST | MB_SETFOREGROUND | MB_ICONERROR);
  }
  return pass_on(info);
}

}  // namespace

void find_unload_trace() noexcept {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll) return;
  g_unload_trace = reinterpret_cast<GetUnloadEventTrace>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetUnloadEventTraceEx")));
}

void install_exception_filter() noexcept {
  g_previous_filter = SetUnhandledExceptionFilter(&unhandled_exception_filter);
}

}  // namespace olib::except
