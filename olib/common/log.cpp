#include "log.h"

#include <cstdio>
#include <mutex>

namespace olib {

namespace {

std::mutex& log_mutex() {
  static std::mutex mutex;
  return mutex;
}

std::function<void(const std::string&)>& log_sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

}  // namespace

void log_line(std::string_view line) {
  std::string text(line);
  std::lock_guard lock(log_mutex());
  std::string with_break = text + "\n";
  std::fwrite(with_break.data(), 1, with_break.size(), stderr);
  std::fflush(stderr);
  if (log_sink()) log_sink()(text);
}

void set_log_sink(std::function<void(const std::string&)> sink) {
  std::lock_guard lock(log_mutex());
  log_sink() = std::move(sink);
}

}  // namespace olib
