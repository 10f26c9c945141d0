#include "wake_signal.h"
#include "win32_include.h"

namespace olib::except {

// An auto-reset event: SetEvent is one system call, safe on a faulting thread, and a
// signal set while the sender is busy stays set until its next wait.
struct WakeSignal::Impl {
  HANDLE event = nullptr;
  Impl() : event(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~Impl() {
    if (event) CloseHandle(event);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
};

WakeSignal::WakeSignal() : m_impl(std::make_unique<Impl>()) {}
WakeSignal::~WakeSignal() = default;

void WakeSignal::wake() noexcept {
  if (m_impl->event) SetEvent(m_impl->event);
}

void WakeSignal::wait(std::uint32_t milliseconds) noexcept {
  if (m_impl->event) {
    WaitForSingleObject(m_impl->event, milliseconds);
  } else {
    Sleep(milliseconds);
  }
}

}  // namespace olib::except
