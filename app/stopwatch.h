#pragma once
// Microsecond stopwatch on the high-resolution counter, falling back to the millisecond tick
// count. The counter's frequency is probed once per process.

#include <cstdint>

namespace app {

class Stopwatch {
 public:
  static inline bool probed = false;
  static inline bool counterAvailable = false;
  static inline std::int64_t frequency = 0;

  std::int64_t startUs = 0;
  std::int64_t elapsedUs = 0;
  std::int64_t stopUs = 0;

  void Init();
  void Start();
  void Stop();

  // Forgets the probe, so that the next Init probes again.
  static void ResetProbe();
  // Microseconds of one reading of the current time base.
  static std::int64_t Reading();
  // Counter counts to microseconds without overflowing 64 bits: whole seconds and the remainder
  // are scaled apart.
  static std::int64_t CountsToUs(std::int64_t counts, std::int64_t countsPerSecond);
};

}  // namespace app
