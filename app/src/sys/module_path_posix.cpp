#include <system_error>

#include "module_path.h"

namespace tw::sys {

std::filesystem::path executable_path() {
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return path;
}

}  // namespace tw::sys
