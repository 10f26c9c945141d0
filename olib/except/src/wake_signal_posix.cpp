#include <chrono>
#include <condition_variable>
#include <mutex>

#include "wake_signal.h"

namespace olib::except {

struct WakeSignal::Impl {
  std::mutex lock;
  std::condition_variable changed;
  bool pending = false;
};

WakeSignal::WakeSignal() : m_impl(std::make_unique<Impl>()) {}
WakeSignal::~WakeSignal() = default;

void WakeSignal::wake() noexcept {
  {
    std::lock_guard guard(m_impl->lock);
    m_impl->pending = true;
  }
  m_impl->changed.notify_one();
}

void WakeSignal::wait(std::uint32_t milliseconds) noexcept {
  std::unique_lock guard(m_impl->lock);
  m_impl->changed.wait_for(guard, std::chrono::milliseconds(milliseconds),
                           [&] { return m_impl->pending; });
  m_impl->pending = false;
}

}  // namespace olib::except
