#pragma once

// Owner of one COM interface pointer: released when the owner goes.

#include <utility>

#include "win32_include.h"

namespace tw::wnd {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
  ~ComPtr() { reset(); }

  T* get() const noexcept { return m_pointer; }
  T* operator->() const noexcept { return m_pointer; }
  explicit operator bool() const noexcept { return m_pointer != nullptr; }
  // For calls that hand out a new reference; releases the old one first.
  T** out() noexcept {
    reset();
    return &m_pointer;
  }
  void** out_void() noexcept { return reinterpret_cast<void**>(out()); }
  void reset() noexcept {
    if (m_pointer) std::exchange(m_pointer, nullptr)->Release();
  }

 private:
  T* m_pointer = nullptr;
};

}  // namespace tw::wnd
