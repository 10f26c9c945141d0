#pragma once

// Where the running program lives.

#include "file_path.h"

namespace tw::sys {

// Full path of the running executable (GetModuleFileNameW / /proc/self/exe); empty when it
// cannot be determined.
FilePath executable_path();

}  // namespace tw::sys
