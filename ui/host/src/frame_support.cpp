#include "frame.h"

#include <cstdlib>

namespace orlan::host {

const FrameOptions& frame_options_from_environment() noexcept {
  static const FrameOptions options = [] {
    FrameOptions read;
    read.full_paint = std::getenv("ORLAN_FULLPAINT") != nullptr;
    read.frame_log = std::getenv("ORLAN_FRAMELOG") != nullptr;
    return read;
  }();
  return options;
}

int format_frame_log(char* out, std::size_t capacity, const FrameTimes& times, bool full,
                     float viewport_width, float viewport_height, std::uint32_t items) noexcept {
  return std::snprintf(out, capacity, "%.1f %s %.0fx%.0f n=%u  layout %.1f paint %.1f diff %.1f render %.1f\n",
                       times.since_last, full ? "FULL" : "part", static_cast<double>(viewport_width),
                       static_cast<double>(viewport_height), static_cast<unsigned>(items),
                       times.layout, times.paint, times.diff, times.render);
}

std::uint32_t RenderRetry::after_failure() noexcept {
  ++m_failures;
  if (m_failures <= kImmediateTries) return 0;
  std::uint32_t delay = kFirstDelayMs;
  for (std::uint32_t i = kImmediateTries + 1; i < m_failures && delay < kLongestDelayMs; ++i)
    delay *= 2;
  return delay < kLongestDelayMs ? delay : kLongestDelayMs;
}

}  // namespace orlan::host
