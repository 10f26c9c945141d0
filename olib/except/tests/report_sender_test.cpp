#include "report_sender.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace olib::except {
namespace {

using namespace std::chrono_literals;

// Runs the sender on a thread of its own for the test's lifetime.
struct RunningSender {
  std::mutex lock;
  std::vector<std::string> uploads;
  ReportSender sender;
  std::thread thread;

  explicit RunningSender(ReportSender::Scrub scrub = {}, bool fail_first = false)
      : sender(
            [this, fail_first](std::string_view report) {
              std::lock_guard guard(lock);
              uploads.emplace_back(report);
              if (fail_first && uploads.size() == 1) throw std::runtime_error("upload failed");
            },
            std::move(scrub)),
        thread([this] { sender.run(); }) {}
  ~RunningSender() {
    sender.request_stop();
    thread.join();
  }
  std::vector<std::string> seen() {
    std::lock_guard guard(lock);
    return uploads;
  }
};

template <typename Pred>
bool wait_until(Pred pred) {
  auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(ReportSender, QueuedReportsAreSentInOrderAndCounted) {
  RunningSender s;
  std::uint64_t first = s.sender.queue_report("one");
  std::uint64_t second = s.sender.queue_report("two");
  EXPECT_EQ(first, 1u);
  EXPECT_EQ(second, 2u);
  ASSERT_TRUE(wait_until([&] { return s.sender.delivered_count() >= second; }));
  EXPECT_EQ(s.seen(), (std::vector<std::string>{"one", "two"}));
  EXPECT_FALSE(s.sender.native_delivered());
}

TEST(ReportSender, FailedUploadIsDroppedAndTheSenderGoesOn) {
  RunningSender s({}, true);
  s.sender.queue_report("lost");
  std::uint64_t last = s.sender.queue_report("kept");
  ASSERT_TRUE(wait_until([&] { return s.sender.delivered_count() >= last; }));
  EXPECT_EQ(s.seen(), (std::vector<std::string>{"lost", "kept"}));
}

TEST(ReportSender, NativeReportIsDecodedScrubbedAndMarkedDelivered) {
  RunningSender s([](std::string_view text) {
    std::string out(text);
    std::size_t at = out.find("kim");
    if (at != std::string::npos) out.replace(at, 3, "%USER%");
    return out;
  });
  static const char buffer[] = "C:\\Users\\kim\\x \xFF end";
  s.sender.signal_native_report(buffer, sizeof buffer - 1);
  ASSERT_TRUE(wait_until([&] { return s.sender.native_delivered(); }));
  EXPECT_EQ(s.seen(), (std::vector<std::string>{"C:\\Users\\%USER%\\x \xEF\xBF\xBD end"}));
  EXPECT_EQ(s.sender.delivered_count(), 0u);
}

TEST(ReportSender, WakesPromptlyRatherThanOnItsIdleTick) {
  RunningSender s;
  std::this_thread::sleep_for(20ms);  // the sender is now waiting
  auto start = std::chrono::steady_clock::now();
  std::uint64_t seq = s.sender.queue_report("quick");
  ASSERT_TRUE(wait_until([&] { return s.sender.delivered_count() >= seq; }));
  // The idle wait is a second; a wake must cut it short (the margin allows a busy machine).
  EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms);
}

TEST(DecodeUtf8Lossy, ReplacesOnlyIllFormedBytes) {
  EXPECT_EQ(decode_utf8_lossy("ok \xED\x95\x9C"), "ok \xED\x95\x9C");
  EXPECT_EQ(decode_utf8_lossy("a\xC0z"), "a\xEF\xBF\xBDz");
}

}  // namespace
}  // namespace olib::except
