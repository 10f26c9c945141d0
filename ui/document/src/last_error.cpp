#include "last_error.h"

#include <cstdarg>
#include <cstdio>

#include "orlan/orlan.h"

namespace orlan {

namespace {
thread_local char t_last_error[kLastErrorSize] = "";
}

void set_last_error(const char* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  std::vsnprintf(t_last_error, sizeof t_last_error, format, args);
  va_end(args);
}

const char* last_error() {
  return t_last_error;
}

}  // namespace orlan
