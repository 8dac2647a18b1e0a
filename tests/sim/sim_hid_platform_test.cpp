// The simulated bus: its USB-like timing model, one transfer a 1 ms frame on a frame clock of the
// bus's own, so that a host whose sleeps end late loses no frames beyond those it missed; and a
// board that refuses access.

#include "sim/sim_hid_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using hidlink::Access;
using hidlink::Handle;
using hidlink::WaitResult;

// A clock whose every sleep ends `lateUs` late, as a busy machine's do.
class LateClock final : public clk::Clock {
 public:
  explicit LateClock(std::int64_t lateUs) : lateUs_(lateUs) {}
  bool QueryPerformanceFrequency(std::int64_t& countsPerSecond) override {
    countsPerSecond = 1'000'000;
    return true;
  }
  std::int64_t QueryPerformanceCounter() override { return nowUs_; }
  std::uint32_t GetTickCount() override { return static_cast<std::uint32_t>(nowUs_ / 1000); }
  void Sleep(std::uint32_t ms) override { SleepUs(std::int64_t{ms} * 1000); }
  void SleepUs(std::int64_t us) override {
    if (us > 0) nowUs_ += us + lateUs_;
  }

 private:
  std::int64_t nowUs_ = 5'000'250;  // a quarter of a frame in
  std::int64_t lateUs_;
};

TEST(SimHidPlatformTiming, ExchangesTakeOneFrameATransferHoweverLateTheSleepsEnd) {
  constexpr int kExchanges = 100;
  for (const std::int64_t lateUs : {0, 300, 1200, 2500}) {
    SCOPED_TRACE("sleeps end " + std::to_string(lateUs) + " us late");
    LateClock clock(lateUs);
    sim::SimHidPlatform bus(clock);
    bus.SetTiming(sim::Timing::UsbLike);
    bus.AddBoard("ZBK 2.1");
    std::string path;
    ASSERT_TRUE(bus.OpenDeviceSet());
    ASSERT_TRUE(bus.EnumInterface(0, path));
    const Handle write = bus.Open(path, Access::Write);
    const Handle read = bus.Open(path, Access::ReadOverlapped);

    std::vector<std::uint8_t> status(65, 0);
    status[1] = 's';
    std::vector<std::uint8_t> reply(65, 0);
    const std::int64_t start = clock.NowUs();
    for (int i = 0; i < kExchanges; ++i) {
      ASSERT_TRUE(bus.Write(write, status.data(), status.size()));
      ASSERT_TRUE(bus.StartRead(read, reply.data(), reply.size()));
      ASSERT_EQ(bus.WaitRead(read, 6000), WaitResult::Completed);
    }

    // The reply was polled in the frame after its request's, however late the host came to read
    // it; only the frames that went by before the next write are lost.
    const int framesEach = std::max(2, 1 + static_cast<int>(lateUs / 1000));
    const auto& trace = bus.Trace();
    ASSERT_EQ(trace.size(), 2u * kExchanges);
    for (std::size_t i = 0; i < trace.size(); ++i) {
      EXPECT_EQ(trace[i].timeUs % 1000, 0) << i;
      if (i == 0) continue;
      const std::int64_t gap = trace[i].timeUs - trace[i - 1].timeUs;
      EXPECT_EQ(gap, trace[i].toBoard ? 1000 * (framesEach - 1) : 1000) << i;
    }
    EXPECT_LE(clock.NowUs() - start, std::int64_t{1000} * framesEach * kExchanges + lateUs);
  }
}

}  // namespace

// A board that may not be opened yet: the query open and its queries work, the write and read
// opens are refused as for lack of rights until the bus clock reaches the moment of the grant.
TEST(SimHidPlatformAccess, RefusedOpensUntilTheGrant) {
  clk::VirtualClock clock;
  sim::SimHidPlatform bus(clock);
  const int board = bus.AddBoard("ZBK 2.1");
  bus.DenyAccess(board, clock.NowUs() + 1000);
  std::string path;
  ASSERT_TRUE(bus.OpenDeviceSet());
  ASSERT_TRUE(bus.EnumInterface(0, path));
  const hidlink::Handle query = bus.Open(path, hidlink::Access::Query);
  ASSERT_NE(query, hidlink::kInvalidHandle);
  hidlink::HidAttributes attributes;
  EXPECT_TRUE(bus.GetAttributes(query, attributes));
  for (const auto access : {hidlink::Access::Write, hidlink::Access::ReadOverlapped}) {
    EXPECT_EQ(bus.Open(path, access), hidlink::kInvalidHandle);
    EXPECT_TRUE(bus.AccessDenied(bus.LastError()));
  }
  clock.SleepUs(1000);
  for (const auto access : {hidlink::Access::Write, hidlink::Access::ReadOverlapped}) {
    EXPECT_NE(bus.Open(path, access), hidlink::kInvalidHandle);
  }
  EXPECT_FALSE(bus.AccessDenied(sim::kErrDeviceNotConnected));
}
