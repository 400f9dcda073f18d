#include <gtest/gtest.h>

#include <atomic>

#include "library/device/custom_timer.h"
#include "library/device/device_state.h"
#include "library/exports/timer_exports.h"
#include "platform/clock.h"
#include "support/eventually.h"

namespace {

using vantel_test::Eventually;

std::atomic<int> gFirstCalls{0};
std::atomic<int> gSecondCalls{0};
std::atomic<bool> gInsideCallback{false};

// Takes a little while, so that a stop is likely to come during a call.
void CountFirst() {
  gInsideCallback = true;
  ++gFirstCalls;
  platform::SleepMs(2);
  gInsideCallback = false;
}
void CountSecond() { ++gSecondCalls; }
void StopFromWithin() {
  ++gFirstCalls;
  Kestor_StopTimerOut();
}

class Timer : public testing::Test {
 protected:
  void SetUp() override {
    gFirstCalls = 0;
    gSecondCalls = 0;
  }
  void TearDown() override { Kestor_StopTimerOut(); }
};

TEST_F(Timer, PeriodZeroRunsRepeatedlyAndNothingIsCalledOnceStopReturns) {
  for (int round = 0; round < 2; ++round) {  // a start after a stop works alike
    SCOPED_TRACE(round);
    gFirstCalls = 0;
    ASSERT_EQ(Kestor_StartTimerOut(&CountFirst, 0), 0);
    EXPECT_TRUE(Eventually([] { return gFirstCalls >= 5; }));
    Kestor_StopTimerOut();
    EXPECT_FALSE(gInsideCallback);
    EXPECT_EQ(vantel::Device().gTimer.load(), nullptr);
    const int callsAtStop = gFirstCalls;
    platform::SleepMs(20);
    EXPECT_EQ(gFirstCalls, callsAtStop);
    Kestor_StopTimerOut();  // without a timer: nothing
  }
}

TEST_F(Timer, ASecondStartIsRefusedAndTheFirstKeepsItsCallbackAndPeriod) {
  ASSERT_EQ(Kestor_StartTimerOut(&CountFirst, 0), 0);
  EXPECT_EQ(Kestor_StartTimerOut(&CountSecond, 100000), 1);
  EXPECT_TRUE(Eventually([] { return gFirstCalls >= 3; }));
  EXPECT_EQ(gSecondCalls, 0);
  EXPECT_EQ(vantel::Device().gTimer.load()->IntervalMs(), 0);
}

TEST_F(Timer, AStopFromTheCallbackEndsTheTimerWithoutWaitingForItself) {
  ASSERT_EQ(Kestor_StartTimerOut(&StopFromWithin, 0), 0);
  EXPECT_TRUE(Eventually([] { return vantel::Device().gTimer.load() == nullptr; }));
  platform::SleepMs(20);
  EXPECT_EQ(gFirstCalls, 1);
  ASSERT_EQ(Kestor_StartTimerOut(&CountSecond, 0), 0);  // the old one is gone
  EXPECT_TRUE(Eventually([] { return gSecondCalls >= 1; }));
}

}  // namespace
