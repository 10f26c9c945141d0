#include "update_service.h"

#include "system_error.h"
#include "text.h"
#include "update_identifier.h"
#include "utf.h"
#include "win32_include.h"

#include <bcrypt.h>

#include <algorithm>
#include <vector>

namespace olib::update {

namespace {

class RegistryKey {
 public:
  explicit RegistryKey(HKEY key) : m_key(key) {}
  ~RegistryKey() { RegCloseKey(m_key); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY get() const { return m_key; }

 private:
  HKEY m_key;
};

UpdateError registry_error(const char* fixed, DWORD code) {
  return {"registry", fixed + tw::sys::system_error_text(code)};
}

// The stored value's text, or nullopt when it is missing or not a string type.
std::optional<std::string> stored_identifier(HKEY key) {
  std::vector<std::uint8_t> buffer(2048);
  // The value may grow between the size query and the read; a few rounds are plenty.
  for (int round = 0; round < 8; ++round) {
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(buffer.size());
    LSTATUS status = RegQueryValueExW(key, L"OUID", nullptr, &type, buffer.data(), &size);
    if (status == ERROR_MORE_DATA) {
      buffer.resize(std::max<std::size_t>(size, buffer.size() * 2));
      continue;
    }
    if (status != ERROR_SUCCESS) return std::nullopt;
    buffer.resize(size);
    return registry_value_text(type, buffer);
  }
  return std::nullopt;
}

}  // namespace

Result<std::string, UpdateError> new_identifier() {
  std::uint8_t random[10];
  NTSTATUS status =
      BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  if (status < 0) {
    return UpdateError{"registry", "난수를 만들지 못했습니다: " +
                                       tw::sys::system_error_text(static_cast<DWORD>(status))};
  }
  auto u32 = [&](int at) {
    return static_cast<std::uint32_t>(random[at]) |
           static_cast<std::uint32_t>(random[at + 1]) << 8 |
           static_cast<std::uint32_t>(random[at + 2]) << 16 |
           static_cast<std::uint32_t>(random[at + 3]) << 24;
  };
  auto middle = static_cast<std::uint16_t>(random[4] | random[5] << 8);
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  // 100-ns intervals since 1601 to seconds since 1970 (earlier clocks count as 1970).
  std::int64_t ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
  std::int64_t seconds = ticks / 10000000 - 11644473600LL;
  return make_identifier(u32(0), utc_from_unix_seconds(seconds), middle, u32(6));
}

Result<std::string, UpdateError> read_or_create_identifier() {
  HKEY raw = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Orlannet", 0, nullptr, 0,
                                   KEY_READ | KEY_WRITE, nullptr, &raw, nullptr);
  if (status != ERROR_SUCCESS) {
    return registry_error("레지스트리 키를 열지 못했습니다: ", static_cast<DWORD>(status));
  }
  RegistryKey key(raw);
  if (auto stored = stored_identifier(key.get()); stored && !is_blank(*stored)) return *stored;

  auto fresh = new_identifier();
  if (!fresh) return fresh;
  std::wstring wide = tw::utf8_to_wide(fresh.value());
  status =
      RegSetValueExW(key.get(), L"OUID", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                     static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS) {
    return registry_error("OUID 를 저장하지 못했습니다: ", static_cast<DWORD>(status));
  }
  return fresh;
}

}  // namespace olib::update
