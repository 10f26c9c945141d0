#pragma once

// The system's own description of an error code, as UTF-8 without a trailing line break:
// FormatMessageW on Windows (a Win32 error code), strerror elsewhere (an errno value).
// Never empty: an unknown code gives "error <code>".

#include <cstdint>
#include <string>

namespace tw::sys {

std::string system_error_text(std::uint32_t code);

#ifdef _WIN32
// The description of `code` from the message table of a loaded module (winhttp.dll describes
// its own 12000-range codes); empty when the module has none.
std::string module_error_text(const void* module, std::uint32_t code);
#endif

// The calling thread's last error code (GetLastError / errno).
std::uint32_t last_error_code();

}  // namespace tw::sys
