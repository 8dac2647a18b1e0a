#pragma once
// The clock port: a high-resolution counter and its frequency, a millisecond tick count, sleep.

#include <cstdint>

namespace clk {

class Clock {
 public:
  virtual ~Clock() = default;
  // False when the system has no high-resolution counter.
  virtual bool QueryPerformanceFrequency(std::int64_t& countsPerSecond) = 0;
  virtual std::int64_t QueryPerformanceCounter() = 0;
  // Milliseconds since an arbitrary start; wraps at 2^32.
  virtual std::uint32_t GetTickCount() = 0;
  virtual void Sleep(std::uint32_t ms) = 0;
  // Microsecond sleep for the simulated bus's frame clock.
  virtual void SleepUs(std::int64_t us) = 0;
  // The counter as microseconds.
  virtual std::int64_t NowUs();
};

// The system's monotonic clock.
class SystemClock final : public Clock {
 public:
  bool QueryPerformanceFrequency(std::int64_t& countsPerSecond) override;
  std::int64_t QueryPerformanceCounter() override;
  std::uint32_t GetTickCount() override;
  void Sleep(std::uint32_t ms) override;
  void SleepUs(std::int64_t us) override;
};

// A clock that moves only when told to, or when someone sleeps on it: a 6000 ms time-out costs
// no real time. Its counter runs at 10 MHz from a settable origin.
class VirtualClock final : public Clock {
 public:
  static constexpr std::int64_t kFrequency = 10'000'000;

  bool QueryPerformanceFrequency(std::int64_t& countsPerSecond) override;
  std::int64_t QueryPerformanceCounter() override { return counter_; }
  std::uint32_t GetTickCount() override;
  void Sleep(std::uint32_t ms) override { AdvanceUs(std::int64_t{ms} * 1000); }
  void SleepUs(std::int64_t us) override { AdvanceUs(us); }
  std::int64_t NowUs() override { return CounterUs(); }

  void AdvanceUs(std::int64_t us);
  std::int64_t CounterUs() const { return counter_ / (kFrequency / 1'000'000); }
  void SetCounter(std::int64_t counts) { counter_ = counts; }
  void SetTickCount(std::uint32_t ms) {
    tickBase_ = ms - static_cast<std::uint32_t>(CounterUs() / 1000);
  }
  void SetHasCounter(bool has) { hasCounter_ = has; }
  int FrequencyQueries() const { return frequencyQueries_; }

 private:
  std::int64_t counter_ = 0;
  std::uint32_t tickBase_ = 0;
  bool hasCounter_ = true;
  int frequencyQueries_ = 0;
};

// The clock of the running program; the system clock unless a test or host sets another.
void SetProcessClock(Clock* clock);
Clock& ProcessClock();

}  // namespace clk
