#include "motion/cut_encoding.h"

#include <limits>

#include "params/parameter_tables.h"

namespace motion {

namespace {

constexpr uint8_t kCutLetter = 'c';
constexpr uint8_t kQCutLetter = 'q';
constexpr uint8_t kForwardDirection = 0x0F;
constexpr uint8_t kBackDirection = 0x00;
constexpr uint64_t kQSlotTicks = 16;

static_assert(params::kTimerChoices[kTimer10kHz].kilohertz == 10 &&
              params::kTimerChoices[kTimer20kHz].kilohertz == 20 &&
              params::kTimerChoices[kTimer50kHz].kilohertz == 50);
static_assert(
    [] {
      for (const auto& choice : params::kTimerChoices) {
        if (kRateUnitUs % static_cast<uint32_t>(choice.periodUs) != 0) return false;
      }
      return true;
    }(),
    "a step period is a whole number of ticks");

uint8_t Low8(uint64_t value) {
  return static_cast<uint8_t>(value & 0xFFu);
}

}  // namespace

uint32_t TimerTickUs(int timerChoice) {
  const auto period = params::TimerPeriodUs(timerChoice);
  return static_cast<uint32_t>(period.value_or(params::kTimerChoices[kTimer10kHz].periodUs));
}

uint64_t StepPeriod(uint32_t rate, int timerChoice) {
  // Every tick length divides the rate's unit.
  return uint64_t{rate} * (kRateUnitUs / TimerTickUs(timerChoice));
}

uint8_t ReversedPattern(uint32_t motors) {
  const uint32_t m = motors & 0xFFu;
  return static_cast<uint8_t>((m & 0xAAu) | ((m >> 1) & ~m & 0x55u));
}

size_t StepDataBytes(size_t outputReportLength) {
  return outputReportLength > 0 ? outputReportLength - 1 : 0;
}

bool EncodeCutCommand(std::span<uint8_t> report, uint32_t steps) {
  if (report.size() < 3) return false;
  report[1] = kCutLetter;
  report[2] = Low8(steps);
  return true;
}

StepPair CutStepPair(CutDirection direction, uint32_t rate, int timerChoice, uint32_t motors) {
  if (direction == CutDirection::kForward) {
    return {Low8(StepPeriod(rate, timerChoice)), Low8(motors)};
  }
  return {Low8(rate), ReversedPattern(motors)};
}

bool FillStepData(std::span<uint8_t> report, size_t outputReportLength, StepPair pair) {
  if (report.size() < outputReportLength) return false;
  const size_t dataBytes = StepDataBytes(outputReportLength);
  for (size_t i = 1; i <= dataBytes; ++i) {
    report[i] = (i % 2 == 1) ? pair.period : pair.pattern;
  }
  return true;
}

uint64_t StepDataReportCount(uint32_t steps, size_t outputReportLength) {
  const uint64_t dataBytes = StepDataBytes(outputReportLength);
  if (dataBytes == 0) return 0;
  return (2 * uint64_t{steps} + dataBytes - 1) / dataBytes;
}

QCutResult EncodeQCut(std::span<uint8_t> report, size_t outputReportLength, uint64_t period,
                      CutDirection direction) {
  if (period > kMaxQPeriod) return QCutResult::kPeriodTooLong;
  const size_t slots = static_cast<size_t>(period / kQSlotTicks) + 1;
  const uint8_t remainder = static_cast<uint8_t>(period % kQSlotTicks);
  const size_t lastByte = 2 * slots + 4;
  if (lastByte >= outputReportLength || lastByte >= report.size()) {
    return QCutResult::kDoesNotFit;
  }
  report[1] = kQCutLetter;
  report[2] = static_cast<uint8_t>(2 * slots + 2);
  report[3] = direction == CutDirection::kForward ? kForwardDirection : kBackDirection;
  report[4] = static_cast<uint8_t>(slots);
  for (size_t i = 5; i <= 2 * slots + 2; ++i) report[i] = 0;
  report[2 * slots + 3] = static_cast<uint8_t>(remainder * 0x11);
  report[2 * slots + 4] = static_cast<uint8_t>(remainder * 0x11);
  return QCutResult::kOk;
}

uint64_t NominalCutDurationUs(uint32_t steps, uint64_t periodTicks, int timerChoice) {
  // Saturates rather than wraps, so an absurd period never looks like a short cut.
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  const uint64_t tickUs = TimerTickUs(timerChoice);
  if (periodTicks > kMax / tickUs) return kMax;
  const uint64_t stepUs = periodTicks * tickUs;
  if (steps != 0 && stepUs > kMax / steps) return kMax;
  return stepUs * steps;
}

}  // namespace motion
