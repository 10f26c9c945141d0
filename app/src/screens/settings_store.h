#pragma once

// The program's DWORD settings (hotkey_run, hotkey_add, click_after, notify_use). The
// Windows implementation keeps them under HKEY_CURRENT_USER\Software\Orlannet\Tapwright
// (sys/registry_settings_win.h).

#include <cstdint>
#include <optional>
#include <string_view>

namespace tw {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The value; nullopt when it is missing, not a DWORD or unreadable.
  virtual std::optional<std::uint32_t> read(std::string_view name) = 0;
  // Write failures are ignored.
  virtual void write(std::string_view name, std::uint32_t value) = 0;
};

}  // namespace tw
