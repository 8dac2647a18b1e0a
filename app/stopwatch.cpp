#include "app/stopwatch.h"

#include <limits>

#include "clock/clock.h"

namespace app {

void Stopwatch::Init() {
  startUs = 0;
  elapsedUs = 0;
  if (!probed) {
    std::int64_t f = 0;
    counterAvailable = clk::ProcessClock().QueryPerformanceFrequency(f) && f > 0;
    frequency = counterAvailable ? f : 0;
    probed = true;
  }
}

void Stopwatch::ResetProbe() {
  probed = false;
  counterAvailable = false;
  frequency = 0;
}

std::int64_t Stopwatch::CountsToUs(std::int64_t counts, std::int64_t countsPerSecond) {
  const std::int64_t seconds = counts / countsPerSecond;
  const std::int64_t rest = counts % countsPerSecond;
  return seconds * 1'000'000 + rest * 1'000'000 / countsPerSecond;
}

std::int64_t Stopwatch::Reading() {
  if (counterAvailable) return CountsToUs(clk::ProcessClock().QueryPerformanceCounter(), frequency);
  return static_cast<std::int64_t>(std::uint64_t{clk::ProcessClock().GetTickCount()} * 1000u);
}

void Stopwatch::Start() {
  startUs = Reading();
}

void Stopwatch::Stop() {
  const std::int64_t stop = Reading();
  stopUs = stop;
  if (stop > startUs) {
    elapsedUs = stop - startUs;
  } else if (stop == startUs) {
    elapsedUs = 0;
  } else {
    // The time base wrapped between the readings.
    elapsedUs = static_cast<std::int64_t>(
        static_cast<std::uint64_t>(stop) - static_cast<std::uint64_t>(startUs) +
        static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()));
  }
}

}  // namespace app
