#include "multipart.h"

#include <atomic>
#include <chrono>

namespace olib::except {

std::string make_boundary(std::uint64_t unix_nanoseconds) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string boundary = "----OLibExcept";
  // 32 digits: the upper 16 of a 128-bit value are zero for any 64-bit time.
  boundary.append(16, '0');
  for (int i = 15; i >= 0; --i) boundary += kDigits[(unix_nanoseconds >> (4 * i)) & 0xF];
  return boundary;
}

std::string make_boundary() {
  // The system clock ticks in 100 ns steps on Windows: two reports sent back to back could
  // read the same time. Each boundary takes a value above the previous one.
  static std::atomic<std::uint64_t> last{0};
  auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch).count();
  std::uint64_t now = ns < 0 ? 0 : static_cast<std::uint64_t>(ns);
  std::uint64_t previous = last.load(std::memory_order_relaxed);
  std::uint64_t chosen;
  do {
    chosen = now > previous ? now : previous + 1;
  } while (!last.compare_exchange_weak(previous, chosen, std::memory_order_relaxed));
  return make_boundary(chosen);
}

std::string build_multipart_body(std::string_view boundary, std::string_view name,
                                 std::string_view version, std::string_view report) {
  constexpr std::string_view kCrLf = "\r\n";
  constexpr std::string_view kDisposition = "Content-Disposition: form-data; name=";
  std::string body;
  body.reserve(report.size() + 512);
  auto part = [&](std::string_view field) {
    body += "--";
    body += boundary;
    body += kCrLf;
    body += kDisposition;
    body += '"';
    body += field;
    body += '"';
  };
  part("MailSubject");
  body += kCrLf;
  body += kCrLf;
  body += "bug report";
  body += kCrLf;
  part("MailBody");
  body += kCrLf;
  body += kCrLf;
  body += name;
  body += ' ';
  body += version;
  body += ".0";
  body += kCrLf;
  part("BugReport");
  body += "; filename=\"bugreport.txt\"";
  body += kCrLf;
  body += "Content-Type: application/octet-stream";
  body += kCrLf;
  body += kCrLf;
  body += report;
  body += kCrLf;
  body += "--";
  body += boundary;
  body += "--";
  body += kCrLf;
  return body;
}

std::string multipart_content_type(std::string_view boundary) {
  return "multipart/form-data; boundary=" + std::string(boundary);
}

}  // namespace olib::except
