#include "core/FrameTimer.h"

#include "support/ShellTest.h"

#include <gtest/gtest.h>
#include <win32_test.h>

namespace {

class FrameTimerTest : public testing::Test {
 protected:
  void SetUp() override { win32_test::UseManualClock(1000); }
  void TearDown() override { win32_test::UseRealClock(); }

  const int64_t second = TicksPerSecond();
};

TEST_F(FrameTimerTest, FrameDeltaIsMinusOneOnlyBeforeTheFirstAdvance) {
  FrameTimer timer;
  EXPECT_EQ(timer.CounterPeriod, 1.0 / static_cast<double>(second));
  timer.Restart();
  EXPECT_EQ(timer.FrameDelta, -1.0);
  EXPECT_EQ(timer.StartCount, 1000);

  // The first advance measures the time between the restart and the first frame.
  win32_test::AdvanceClockTicks(second / 4);
  timer.Advance();
  EXPECT_DOUBLE_EQ(timer.FrameDelta, 0.25);
  win32_test::AdvanceClockTicks(second / 2);
  timer.Advance();
  EXPECT_DOUBLE_EQ(timer.FrameDelta, 0.5);
  EXPECT_FLOAT_EQ(timer.Elapsed(), 0.75f);
}

TEST_F(FrameTimerTest, CounterRunningBackwardsGivesAZeroDeltaButNegativeElapsed) {
  FrameTimer timer;
  timer.Restart();
  win32_test::SetClockTicks(1000 - second);
  timer.Advance();
  EXPECT_EQ(timer.FrameDelta, 0.0);
  EXPECT_FLOAT_EQ(timer.Elapsed(), -1.0f);
  // The next frame measures from the backwards reading, not from the restart.
  win32_test::SetClockTicks(1000);
  timer.Advance();
  EXPECT_DOUBLE_EQ(timer.FrameDelta, 1.0);
}

TEST_F(FrameTimerTest, ElapsedIsRoundedToF32AndOnlyMovesOnAdvance) {
  FrameTimer timer;
  timer.Restart();
  const float beforeFirstFrame = timer.Elapsed();
  win32_test::AdvanceClockTicks(second / 3);
  EXPECT_EQ(timer.Elapsed(), beforeFirstFrame);  // the clock moved, the timer did not
  timer.Advance();
  const double exact = static_cast<double>(second / 3) / static_cast<double>(second);
  EXPECT_EQ(timer.Elapsed(), static_cast<float>(exact));
  EXPECT_NE(static_cast<double>(timer.Elapsed()), exact);
}

}  // namespace
