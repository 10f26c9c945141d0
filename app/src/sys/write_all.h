#pragma once

// The write loop shared by the file code of every platform: a write that stops short is a
// failure ("failed to write whole buffer"), an interrupted write is retried.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tw::sys {

enum class FileStatus {
  Ok,
  CannotOpen,  // the file could not be opened (missing, no access); `error` says why
  Failed,      // a system call failed; `error` is its code
  ShortWrite,  // the system accepted no more bytes without reporting an error
};

struct FileResult {
  FileStatus status = FileStatus::Ok;
  std::uint32_t error = 0;  // system error code for CannotOpen and Failed

  bool ok() const noexcept { return status == FileStatus::Ok; }
};

// What one write call did: bytes taken, or an error code; `interrupted` asks for a retry.
struct WriteStep {
  std::size_t written = 0;
  std::uint32_t error = 0;
  bool interrupted = false;
};

// Calls write_some(data, size) until every byte of `bytes` is written.
template <typename WriteSome>
FileResult write_all(std::string_view bytes, WriteSome&& write_some) {
  while (!bytes.empty()) {
    WriteStep step = write_some(bytes.data(), bytes.size());
    if (step.interrupted) continue;
    if (step.error != 0) return {FileStatus::Failed, step.error};
    if (step.written == 0) return {FileStatus::ShortWrite, 0};
    bytes.remove_prefix(step.written < bytes.size() ? step.written : bytes.size());
  }
  return {};
}

}  // namespace tw::sys
