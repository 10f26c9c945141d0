#include "app_state.h"

#include <gtest/gtest.h>

namespace {

using tw::SharedAppState;

TEST(SharedAppState, InitialValuesFollowTheScreenDefaults) {
  SharedAppState shared;
  SharedAppState::Access state = shared.access();
  EXPECT_FALSE(state->running);
  EXPECT_FALSE(state->list.marked_row().has_value());
  EXPECT_TRUE(state->delay2_follows);
  EXPECT_EQ(state->run_hotkey, (tw::Hotkey{0, 0x72}));
  EXPECT_EQ(state->add_hotkey, (tw::Hotkey{0, 0x73}));
  EXPECT_EQ(state->remaining, 0u);
}

TEST(SharedAppState, NestedAccessIsAFatalError) {
  SharedAppState shared;
  SharedAppState::Access outer = shared.access();
  EXPECT_THROW(shared.access(), tw::FatalError);
  // The refused access leaves the first one intact.
  EXPECT_TRUE(shared.in_use());
  outer->running = true;
}

TEST(SharedAppState, AccessEndsWithItsScopeOrRelease) {
  SharedAppState shared;
  {
    SharedAppState::Access state = shared.access();
    state->remaining = 7;
  }
  EXPECT_FALSE(shared.in_use());
  SharedAppState::Access again = shared.access();
  EXPECT_EQ(again->remaining, 7u);
  again.release();
  EXPECT_FALSE(shared.in_use());
  EXPECT_NO_THROW(shared.access());
}

TEST(SharedAppState, UsingAReleasedAccessIsAFatalError) {
  SharedAppState shared;
  SharedAppState::Access state = shared.access();
  state.release();
  EXPECT_THROW((void)state->running, tw::FatalError);
}

TEST(SharedAppState, MovedAccessStillHoldsTheState) {
  SharedAppState shared;
  SharedAppState::Access first = shared.access();
  SharedAppState::Access second = std::move(first);
  EXPECT_TRUE(shared.in_use());
  EXPECT_THROW(shared.access(), tw::FatalError);
  second.release();
  EXPECT_FALSE(shared.in_use());
}

}  // namespace
