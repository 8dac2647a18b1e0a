#include "clock/clock.h"

#include <chrono>
#include <thread>

namespace clk {

bool SystemClock::QueryPerformanceFrequency(std::int64_t& countsPerSecond) {
  countsPerSecond = 1'000'000'000;
  return true;
}

std::int64_t SystemClock::QueryPerformanceCounter() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::uint32_t SystemClock::GetTickCount() {
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

void SystemClock::Sleep(std::uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SystemClock::SleepUs(std::int64_t us) {
  if (us > 0) std::this_thread::sleep_for(std::chrono::microseconds(us));
}

std::int64_t Clock::NowUs() {
  std::int64_t f = 0;
  if (!QueryPerformanceFrequency(f) || f <= 0) return std::int64_t{GetTickCount()} * 1000;
  const std::int64_t c = QueryPerformanceCounter();
  return c / f * 1'000'000 + c % f * 1'000'000 / f;
}

bool VirtualClock::QueryPerformanceFrequency(std::int64_t& countsPerSecond) {
  ++frequencyQueries_;
  if (!hasCounter_) return false;
  countsPerSecond = kFrequency;
  return true;
}

std::uint32_t VirtualClock::GetTickCount() {
  return tickBase_ + static_cast<std::uint32_t>(CounterUs() / 1000);
}

void VirtualClock::AdvanceUs(std::int64_t us) {
  if (us <= 0) return;
  counter_ += us * (kFrequency / 1'000'000);
}

namespace {
SystemClock g_systemClock;
Clock* g_clock = &g_systemClock;
}  // namespace

void SetProcessClock(Clock* clock) {
  g_clock = clock ? clock : &g_systemClock;
}
Clock& ProcessClock() {
  return *g_clock;
}

}  // namespace clk
