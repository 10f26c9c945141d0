#pragma once

// Owners of the few system handles the launcher holds.

#include <string>
#include <string_view>
#include <utility>

#include "win32_include.h"

namespace twsvc {

// One handle closed by `Close` when the owner goes; `Null` marks "no handle".
template <typename Handle, auto Close, Handle Null = Handle{}>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) noexcept : m_handle(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, Null)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      m_handle = std::exchange(other.m_handle, Null);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return m_handle; }
  explicit operator bool() const noexcept { return m_handle != Null; }
  void reset(Handle handle = Null) noexcept {
    if (m_handle != Null) Close(m_handle);
    m_handle = handle;
  }

 private:
  Handle m_handle = Null;
};

using KernelHandle = UniqueHandle<HANDLE, &CloseHandle>;
using RegistryKey = UniqueHandle<HKEY, &RegCloseKey>;
using WindowHandle = UniqueHandle<HWND, &DestroyWindow>;

// wchar_t is UTF-16 on Windows: the portable text and the system's text are the same units.
inline std::wstring to_wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}
inline std::u16string from_wide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

}  // namespace twsvc
