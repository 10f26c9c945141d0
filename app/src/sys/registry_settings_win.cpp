#include "registry_settings_win.h"

#include "utf.h"
#include "win32_include.h"

namespace tw::sys {

namespace {

class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() {
    if (m_key != nullptr) RegCloseKey(m_key);
  }
  HKEY* out() noexcept { return &m_key; }
  HKEY get() const noexcept { return m_key; }

 private:
  HKEY m_key = nullptr;
};

}  // namespace

std::optional<std::uint32_t> RegistrySettings::read(std::string_view name) {
  std::wstring wide_name = utf8_to_wide(name);
  DWORD value = 0;
  DWORD size = sizeof value;
  LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, m_subkey.c_str(), wide_name.c_str(),
                                RRF_RT_REG_DWORD, nullptr, &value, &size);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

void RegistrySettings::write(std::string_view name, std::uint32_t value) {
  RegistryKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, m_subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      key.out(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  std::wstring wide_name = utf8_to_wide(name);
  DWORD data = value;
  RegSetValueExW(key.get(), wide_name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                 sizeof data);
}

}  // namespace tw::sys
