#pragma once

// Where the running program lives.

#include <filesystem>

namespace tw::sys {

// Full path of the running executable (GetModuleFileNameW / /proc/self/exe); empty when it
// cannot be determined.
std::filesystem::path executable_path();

}  // namespace tw::sys
