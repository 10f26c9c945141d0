#include "report_sender.h"

#include <utility>

#include "utf.h"

namespace olib::except {

namespace {
constexpr std::uint32_t kIdleWaitMs = 1000;
}

std::string decode_utf8_lossy(std::string_view bytes) {
  if (tw::is_valid_utf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + 16);
  std::size_t pos = 0;
  while (pos < bytes.size()) tw::append_utf8(out, tw::decode_utf8(bytes, pos));
  return out;
}

ReportSender::ReportSender(Upload upload, Scrub scrub)
    : m_upload(std::move(upload)), m_scrub(std::move(scrub)) {}

void ReportSender::run() noexcept {
  while (!m_stop.load(std::memory_order_acquire)) {
    if (m_native_ready.exchange(false, std::memory_order_acq_rel)) send_native();
    send_queued();
    if (m_stop.load(std::memory_order_acquire)) break;
    // A native report handed over while we were busy has already signalled the wake.
    if (m_native_ready.load(std::memory_order_acquire)) continue;
    m_wake.wait(kIdleWaitMs);
  }
}

void ReportSender::request_stop() noexcept {
  m_stop.store(true, std::memory_order_release);
  m_wake.wake();
}

std::uint64_t ReportSender::queue_report(std::string text) {
  std::uint64_t sequence;
  {
    std::lock_guard guard(m_lock);
    m_queue.push_back(std::move(text));
    sequence = ++m_queued;
  }
  m_wake.wake();
  return sequence;
}

void ReportSender::signal_native_report(const char* data, std::size_t size) noexcept {
  m_native_data.store(data, std::memory_order_relaxed);
  m_native_size.store(size, std::memory_order_relaxed);
  m_native_ready.store(true, std::memory_order_release);
  m_wake.wake();
}

void ReportSender::upload(std::string_view report) noexcept {
  try {
    if (m_upload) m_upload(report);
  } catch (...) {
    // An upload that failed is dropped, like any other failed upload.
  }
}

void ReportSender::send_native() noexcept {
  const char* data = m_native_data.load(std::memory_order_acquire);
  std::size_t size = m_native_size.load(std::memory_order_acquire);
  try {
    std::string text = decode_utf8_lossy(std::string_view(data ? data : "", data ? size : 0));
    if (m_scrub) text = m_scrub(text);
    upload(text);
  } catch (...) {
  }
  m_native_delivered.store(true, std::memory_order_release);
}

void ReportSender::send_queued() noexcept {
  while (true) {
    std::string report;
    {
      std::lock_guard guard(m_lock);
      if (m_queue.empty()) return;
      report = std::move(m_queue.front());
      m_queue.pop_front();
    }
    upload(report);
    m_delivered.fetch_add(1, std::memory_order_acq_rel);
  }
}

}  // namespace olib::except
