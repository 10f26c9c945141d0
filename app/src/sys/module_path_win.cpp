#include <string>

#include "module_path.h"
#include "win32_include.h"

namespace tw::sys {

FilePath executable_path() {
  // The path may be longer than MAX_PATH; grow until it fits (a full buffer means truncated).
  std::wstring buffer(MAX_PATH, L'\0');
  for (int tries = 0; tries < 8; ++tries) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return FilePath(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
  return {};
}

}  // namespace tw::sys
