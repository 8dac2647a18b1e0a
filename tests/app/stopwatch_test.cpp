#include "app/stopwatch.h"

#include <gtest/gtest.h>

#include <limits>

#include "kit/test_kit.h"

using app::Stopwatch;

TEST(Stopwatch, MeasuresTheVirtualClockAndProbesOnce) {
  TestKit kit;
  Stopwatch a;
  a.Init();
  a.Start();
  kit.clock.AdvanceUs(6'000'000);
  a.Stop();
  EXPECT_EQ(a.elapsedUs, 6'000'000);
  Stopwatch b;
  b.Init();
  b.Start();
  kit.clock.AdvanceUs(1234);
  b.Stop();
  EXPECT_EQ(b.elapsedUs, 1234);
  // Started again, it measures from the latest start.
  b.Start();
  b.Stop();
  EXPECT_EQ(b.elapsedUs, 0);
  EXPECT_EQ(kit.clock.FrequencyQueries(), 1);
}

TEST(Stopwatch, WithoutACounterUsesTheTickCount) {
  TestKit kit;
  kit.clock.SetHasCounter(false);
  kit.clock.SetCounter(0);
  Stopwatch s;
  s.Init();
  EXPECT_FALSE(Stopwatch::counterAvailable);
  s.Start();
  kit.clock.AdvanceUs(400);  // within one tick
  s.Stop();
  EXPECT_EQ(s.elapsedUs, 0);
  kit.clock.AdvanceUs(2'700);
  s.Stop();
  EXPECT_EQ(s.elapsedUs % 1000, 0);
  EXPECT_EQ(s.elapsedUs, 3000);
}

TEST(Stopwatch, AWrappedTimeBaseGivesTheDescribedLargeValue) {
  TestKit kit;
  kit.clock.SetHasCounter(false);
  kit.clock.SetTickCount(0xFFFFFFFFu - 1);
  Stopwatch s;
  s.Init();
  s.Start();
  kit.clock.AdvanceUs(5'000);  // the tick count wraps to 3
  s.Stop();
  const std::int64_t start = (std::int64_t{0xFFFFFFFF} - 1) * 1000;
  const std::int64_t stop = 3 * 1000;
  EXPECT_EQ(s.elapsedUs, stop - start + std::numeric_limits<std::int64_t>::max());
}

TEST(Stopwatch, ScalingDoesNotOverflowOnALongUptime) {
  // Ten days of a 10 GHz counter: counter x 1e6 would not fit 64 bits.
  const std::int64_t f = 10'000'000'000;
  const std::int64_t counts = f * 864'000 + f / 2;
  EXPECT_EQ(Stopwatch::CountsToUs(counts, f), 864'000'000'000 + 500'000);
  EXPECT_EQ(Stopwatch::CountsToUs(3'579'545 * 2 + 1, 3'579'545), 2'000'000);
}
