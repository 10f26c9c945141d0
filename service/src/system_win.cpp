#include "system_win.h"

#include <random>
#include <vector>

#include "handles_win.h"
#include "identifier.h"
#include "request.h"
#include "win32_include.h"

#include <winver.h>

namespace twsvc {

namespace {

constexpr wchar_t kIdentifierKey[] = L"Software\\Orlannet";
constexpr wchar_t kIdentifierValue[] = L"OUID";

std::u16string make_new_identifier() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  LocalTime when{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  std::random_device device;
  std::seed_seq seed{device(), static_cast<unsigned>(GetTickCount()),
                     static_cast<unsigned>(GetCurrentProcessId())};
  std::mt19937 random(seed);
  return make_identifier(when, random);
}

}  // namespace

std::u16string read_or_create_identifier() {
  HKEY raw_key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kIdentifierKey, 0, KEY_READ | KEY_WRITE, &raw_key) !=
      ERROR_SUCCESS) {
    return {};
  }
  RegistryKey key(raw_key);
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key.get(), kIdentifierValue, nullptr, &type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) {
    std::u16string id = make_new_identifier();
    std::wstring stored = to_wide(id);
    DWORD bytes = static_cast<DWORD>((stored.size() + 1) * sizeof(wchar_t));
    if (RegSetValueExW(key.get(), kIdentifierValue, 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(stored.c_str()), bytes) != ERROR_SUCCESS) {
      return {};
    }
    return id;
  }
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
  // The value may change between the two calls; a few tries cover that.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD capacity = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    status = RegQueryValueExW(key.get(), kIdentifierValue, nullptr, &type,
                              reinterpret_cast<BYTE*>(text.data()), &capacity);
    if (status == ERROR_MORE_DATA) {
      size = capacity;
      continue;
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    std::size_t length = capacity / sizeof(wchar_t);
    while (length > 0 && text[length - 1] == L'\0') --length;
    return from_wide(std::wstring_view(text.data(), length));
  }
  return {};
}

std::u16string read_file_version(const std::wstring& path) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::u16string(kNoVersion);
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
    return std::u16string(kNoVersion);
  }
  VS_FIXEDFILEINFO* info = nullptr;
  UINT info_size = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &info_size) ||
      info == nullptr || info_size < sizeof(VS_FIXEDFILEINFO)) {
    return std::u16string(kNoVersion);
  }
  return format_file_version(info->dwFileVersionMS, info->dwFileVersionLS);
}

}  // namespace twsvc
