#include "fatal.h"

#include <atomic>
#include <utility>

namespace tw {

namespace {
std::atomic<FatalHook> g_hook{nullptr};
}

FatalError::FatalError(std::string message, SourceLocation where)
    : m_message(std::move(message)), m_where(where) {}

const char* FatalError::what() const noexcept {
  return m_message.empty() ? "panic" : m_message.c_str();
}

FatalHook set_fatal_hook(FatalHook hook) noexcept {
  return g_hook.exchange(hook);
}

FatalHook fatal_hook() noexcept {
  return g_hook.load();
}

void raise_fatal(std::string_view message, SourceLocation where) {
  if (FatalHook hook = g_hook.load()) {
    hook(FatalReport{message, where.file, where.line, where.column});
  }
  throw FatalError(std::string(message), where);
}

}  // namespace tw
