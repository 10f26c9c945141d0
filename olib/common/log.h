#pragma once

// Diagnostic lines of the support library. Every line goes to the standard error stream
// (one write per line, so lines from different threads do not interleave) and, while a
// test has installed one, to a sink that records it.

#include <functional>
#include <string>
#include <string_view>

namespace olib {

// Writes `line` and a line feed.
void log_line(std::string_view line);

// Installs (or, with an empty function, removes) a sink that also receives every line
// (without the line feed). Meant for tests.
void set_log_sink(std::function<void(const std::string&)> sink);

}  // namespace olib
