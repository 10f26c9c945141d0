#pragma once

// The per-thread message buffer behind last_error().

namespace orlan {

inline constexpr int kLastErrorSize = 256;

// Formats the message (printf rules) into this thread's buffer, truncated to 255 bytes.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void set_last_error(const char* format, ...) noexcept;

}  // namespace orlan
