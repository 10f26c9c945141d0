#include "fatal.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

struct Seen {
  int calls = 0;
  std::string message;
  std::string file;
  unsigned line = 0;
};
Seen g_seen;

void recording_hook(const tw::FatalReport& report) noexcept {
  ++g_seen.calls;
  g_seen.message = std::string(report.message);
  g_seen.file = report.file;
  g_seen.line = report.line;
}

class Fatal : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen = {};
    m_previous = tw::set_fatal_hook(recording_hook);
  }
  void TearDown() override { tw::set_fatal_hook(m_previous); }
  tw::FatalHook m_previous = nullptr;
};

TEST_F(Fatal, HookSeesMessageAndLocationBeforeTheThrow) {
  unsigned line = 0;
  try {
    line = __LINE__ + 1;
    tw::raise_fatal("nested state access");
  } catch (const tw::FatalError& error) {
    EXPECT_EQ(g_seen.calls, 1);
    EXPECT_EQ(error.message(), "nested state access");
    EXPECT_STREQ(error.what(), "nested state access");
    EXPECT_EQ(error.where().line, line);
  }
  EXPECT_EQ(g_seen.message, "nested state access");
  EXPECT_EQ(g_seen.line, line);
  EXPECT_NE(g_seen.file.find("fatal_test.cpp"), std::string::npos);
}

TEST_F(Fatal, EmptyMessageReadsAsPanic) {
  try {
    tw::raise_fatal("");
    FAIL() << "raise_fatal returned";
  } catch (const tw::FatalError& error) {
    EXPECT_STREQ(error.what(), "panic");
    EXPECT_TRUE(error.message().empty());
  }
}

TEST_F(Fatal, EnsureRaisesOnlyOnFalse) {
  EXPECT_NO_THROW(tw::ensure(true, "never"));
  EXPECT_EQ(g_seen.calls, 0);
  EXPECT_THROW(tw::ensure(false, "document has no root"), tw::FatalError);
  EXPECT_EQ(g_seen.calls, 1);
  EXPECT_EQ(g_seen.message, "document has no root");
}

TEST_F(Fatal, SetHookReturnsThePreviousOne) {
  EXPECT_EQ(tw::set_fatal_hook(nullptr), &recording_hook);
  EXPECT_THROW(tw::raise_fatal("no hook"), tw::FatalError);
  EXPECT_EQ(g_seen.calls, 0);
  EXPECT_EQ(tw::set_fatal_hook(recording_hook), nullptr);
}

TEST_F(Fatal, WorkerThreadEndsQuietlyAfterTheReport) {
  bool after = false;
  std::thread worker([&] {
    tw::run_worker([&] {
      tw::raise_fatal("failed to spawn thread");
      after = true;
    });
  });
  worker.join();
  EXPECT_FALSE(after);
  EXPECT_EQ(g_seen.calls, 1);
  EXPECT_EQ(g_seen.message, "failed to spawn thread");
}

}  // namespace
