#pragma once

// The native fault path: the unhandled-exception filter and what it gathers.

#include "win32_include.h"

#include <cstdint>

namespace olib::except {

// Looks up the loader's unload trace once (absent on systems that lack it).
void find_unload_trace() noexcept;

// Installs the filter; the one it replaces is called after it.
void install_exception_filter() noexcept;

struct NativeFault;

// The most recent module of the unload trace whose range held `address`, into `fault`.
void find_unloaded(std::uint64_t address, NativeFault& fault) noexcept;

// Tests give the trace lookup a stand-in with RtlGetUnloadEventTraceEx's parameters.
using UnloadTraceFunction = void(NTAPI*)(PULONG* element_size, PULONG* element_count,
                                         PVOID* event_trace);
void set_unload_trace_for_testing(UnloadTraceFunction function) noexcept;

}  // namespace olib::except
