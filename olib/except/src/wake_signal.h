#pragma once

// Wakes the report sender; a wake that arrives while nobody waits is kept for the next
// wait. On Windows wake() is one system call on an event (no allocation, no lock), so the
// fault path may call it; the other build (tests only) uses a mutex and a condition.

#include <cstdint>
#include <memory>

namespace olib::except {

class WakeSignal {
 public:
  WakeSignal();
  ~WakeSignal();
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;

  void wake() noexcept;
  // Returns after a wake or after `milliseconds`, whichever comes first.
  void wait(std::uint32_t milliseconds) noexcept;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace olib::except
