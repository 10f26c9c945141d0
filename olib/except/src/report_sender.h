#pragma once

// The report sender: one thread ("olib-except") that uploads what faulting threads hand
// over. Internal faults put owned texts on a queue (under a lock that only producers and
// the sender take); the native fault path hands over its static buffer through atomic
// slots and a flag only, and never takes the lock.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "wake_signal.h"

namespace olib::except {

class ReportSender {
 public:
  // One upload; its result is ignored. Must not throw (a throw is caught and ignored).
  using Upload = std::function<void(std::string_view report)>;
  // Applied to the native report before upload; empty: no scrubbing.
  using Scrub = std::function<std::string(std::string_view report)>;

  ReportSender(Upload upload, Scrub scrub);
  ReportSender(const ReportSender&) = delete;
  ReportSender& operator=(const ReportSender&) = delete;

  // The sender thread's body: runs until request_stop() (the program never calls it).
  void run() noexcept;
  void request_stop() noexcept;

  // Appends an internal-fault report; returns its sequence number (1 for the first), which
  // delivered_count() reaches once the report's upload has ended.
  std::uint64_t queue_report(std::string text);

  // The native report is in `data` (which must stay valid); the sender decodes it as
  // UTF-8, scrubs it, uploads it and then sets native_delivered(). Allocates nothing.
  void signal_native_report(const char* data, std::size_t size) noexcept;

  bool native_delivered() const noexcept {
    return m_native_delivered.load(std::memory_order_acquire);
  }
  std::uint64_t delivered_count() const noexcept {
    return m_delivered.load(std::memory_order_acquire);
  }

 private:
  void send_native() noexcept;
  void send_queued() noexcept;
  void upload(std::string_view report) noexcept;

  Upload m_upload;
  Scrub m_scrub;
  std::mutex m_lock;
  std::deque<std::string> m_queue;
  std::uint64_t m_queued = 0;
  std::atomic<const char*> m_native_data{nullptr};
  std::atomic<std::size_t> m_native_size{0};
  std::atomic<bool> m_native_ready{false};
  std::atomic<bool> m_native_delivered{false};
  std::atomic<std::uint64_t> m_delivered{0};
  std::atomic<bool> m_stop{false};
  WakeSignal m_wake;
};

// UTF-8 with every ill-formed sequence replaced by U+FFFD.
std::string decode_utf8_lossy(std::string_view bytes);

}  // namespace olib::except
