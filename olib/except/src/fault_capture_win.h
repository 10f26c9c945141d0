#pragma once

// The native fault path: the unhandled-exception filter and what it gathers.

#include "win32_include.h"

namespace olib::except {

// Looks up the loader's unload trace once (absent on systems that lack it).
void find_unload_trace() noexcept;

// Installs the filter; the one it replaces is called after it.
void install_exception_filter() noexcept;

}  // namespace olib::except
