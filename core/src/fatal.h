#pragma once

// Fatal internal errors: broken invariants, nested state access, failed allocations.
// Never used for bad input, which every parser and loader handles itself.
//
// raise_fatal() first calls the installed report hook (the crash reporter installs one),
// then throws FatalError. The page's event-binding layer catches it and goes on; anywhere
// else on the UI thread it ends the program; a worker thread's top function catches it
// (run_worker) and ends the thread.

#include <exception>
#include <string>
#if !defined(__clang__)
#include <source_location>
#endif
#include <string_view>

namespace tw {

// Where a fatal error was raised. (SourceLocation is not available to every
// compiler the project uses; the builtins behind it are.)
struct SourceLocation {
  const char* file = "";
  unsigned line = 0;
  unsigned column = 0;

#if defined(__clang__)
  static constexpr SourceLocation current(const char* file = __builtin_FILE(),
                                          unsigned line = __builtin_LINE(),
                                          unsigned column = __builtin_COLUMN()) noexcept {
    return SourceLocation{file, line, column};
  }
#else
  static constexpr SourceLocation current(
      std::source_location where = std::source_location::current()) noexcept {
    return SourceLocation{where.file_name(), where.line(), where.column()};
  }
#endif
};

// What the report hook sees. `message` may be empty.
struct FatalReport {
  std::string_view message;
  const char* file;
  unsigned line;
  unsigned column;
};

class FatalError final : public std::exception {
 public:
  FatalError(std::string message, SourceLocation where);

  // The message, or "panic" for a fault raised without text.
  const char* what() const noexcept override;
  const std::string& message() const noexcept { return m_message; }
  const SourceLocation& where() const noexcept { return m_where; }

 private:
  std::string m_message;
  SourceLocation m_where;
};

// A report hook must not throw. A hook that wants to chain keeps the previous one.
using FatalHook = void (*)(const FatalReport& report) noexcept;

// Installs `hook` (null removes it) and returns the hook it replaced.
FatalHook set_fatal_hook(FatalHook hook) noexcept;
FatalHook fatal_hook() noexcept;

[[noreturn]] void raise_fatal(std::string_view message,
                              SourceLocation where = SourceLocation::current());

// Checks an invariant; a false condition is a fatal internal error with `message`.
inline void ensure(bool condition, std::string_view message,
                   SourceLocation where = SourceLocation::current()) {
  if (!condition) raise_fatal(message, where);
}

// Top function of a worker thread: a fatal error (already reported) ends the thread.
template <typename Fn>
void run_worker(Fn&& fn) noexcept {
  try {
    fn();
  } catch (const FatalError&) {
  }
}

}  // namespace tw
