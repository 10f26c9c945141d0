#pragma once

// Helpers of the update library's window tests: a host window and waiting while this
// thread's messages keep flowing (a dialog owned by our window sends it messages).

#include "win32_include.h"

#include <chrono>
#include <string>
#include <thread>

namespace olib::update::testing {

template <class Predicate>
bool pump_until(Predicate done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

inline HWND wait_for_window(const wchar_t* window_class, const wchar_t* title,
                            std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  pump_until([&] { return (found = FindWindowW(window_class, title)) != nullptr; }, timeout);
  return found;
}

// A plain visible top-level window standing in for the main window.
class TestHost {
 public:
  TestHost(int x, int y, int width, int height) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"OLibTestHost";
    RegisterClassW(&window_class);
    m_window = CreateWindowExW(0, L"OLibTestHost", L"test host", WS_POPUP | WS_VISIBLE, x, y, width,
                               height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~TestHost() {
    if (IsWindow(m_window)) DestroyWindow(m_window);
  }
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;
  HWND get() const { return m_window; }
  void destroy() { DestroyWindow(m_window); }

 private:
  HWND m_window = nullptr;
};

}  // namespace olib::update::testing
