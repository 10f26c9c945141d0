#pragma once

// The program's settings as DWORD values under HKEY_CURRENT_USER\Software\Orlannet\Tapwright.
// Reading takes REG_DWORD values only (anything else reads as missing); writing opens or
// creates the key each time and ignores failures.

#include <string>

#include "settings_store.h"

namespace tw::sys {

inline constexpr const wchar_t* kSettingsKey = L"Software\\Orlannet\\Tapwright";

class RegistrySettings final : public SettingsStore {
 public:
  // `subkey` under HKEY_CURRENT_USER.
  explicit RegistrySettings(std::wstring subkey = kSettingsKey) : m_subkey(std::move(subkey)) {}

  std::optional<std::uint32_t> read(std::string_view name) override;
  void write(std::string_view name, std::uint32_t value) override;

 private:
  std::wstring m_subkey;
};

}  // namespace tw::sys
