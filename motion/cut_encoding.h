#pragma once

// Byte layouts of the test cuts: the 'c' command with its step data reports (board generations 0
// and 1) and the single 'q' command (generations 2 and 3). Report buffers are indexed as the link
// sends them: index 0 is the report id byte, which the link sets, and command data start at 1.
// Every encoder writes only the bytes its layout lists; the rest of the shared buffer keeps what
// earlier commands left there.

#include <cstddef>
#include <cstdint>
#include <span>

namespace motion {

enum class CutDirection { kForward, kBack };

// Board timer settings as the radio group numbers them, in the order of params::kTimerChoices.
inline constexpr int kTimer10kHz = 0;
inline constexpr int kTimer20kHz = 1;
inline constexpr int kTimer50kHz = 2;

// The unit of the "Step rate" value.
inline constexpr uint32_t kRateUnitUs = 100;

// Length of one board timer tick in microseconds, from params::kTimerChoices. A timer choice
// outside 0..2 (no radio button selected) counts as 10 kHz, like StepPeriod.
uint32_t TimerTickUs(int timerChoice);

// Step period in board timer ticks for the "Step rate" value R (units of 100 us): R at 10 kHz,
// 2R at 20 kHz, 5R at 50 kHz, R for any other timer choice. 64-bit so that 5R cannot wrap into a
// small period that would pass the 'q' length check.
uint64_t StepPeriod(uint32_t rate, int timerChoice);

// Pattern byte for Cut Back: in each bit pair (odd = step line, even = direction) the odd bit is
// kept and the even bit is set exactly when the odd bit is set and the even bit was clear, i.e.
// every selected motor runs the other way and unselected motors get direction 0.
uint8_t ReversedPattern(uint32_t motors);

// Data bytes an output report carries: L - 1 (byte 0 is the report id); 0 for L = 0.
size_t StepDataBytes(size_t outputReportLength);

// 'c' command: byte 1 = 'c', byte 2 = low 8 bits of the step count. Returns false and writes
// nothing when the buffer is shorter than 3 bytes.
bool EncodeCutCommand(std::span<uint8_t> report, uint32_t steps);

struct StepPair {
  uint8_t period;
  uint8_t pattern;
};

// The step pair repeated through a cut's data reports. Forward: low 8 bits of the period in ticks
// and of the motor pattern. Back: low 8 bits of the rate as entered (not converted to ticks) and
// the reversed pattern.
StepPair CutStepPair(CutDirection direction, uint32_t rate, int timerChoice, uint32_t motors);

// Fills bytes 1..D (D = StepDataBytes(L)): period byte at odd indices, pattern byte at even ones.
// Byte 0 is not touched. Returns false and writes nothing when the buffer is shorter than L.
bool FillStepData(std::span<uint8_t> report, size_t outputReportLength, StepPair pair);

// How many copies of the step data report follow a 'c' of N steps: (2N + D - 1) / D, the fewest
// reports of D data bytes that hold 2N bytes. The board counts the reports it expects the same way,
// so any other number would make it take a step data report for a command or the reverse. For an
// odd D a report ends on a period byte and the next one starts with one again. 0 when a report
// has no data byte (D = 0). 64-bit: 2N does not fit 32 bits for N above 2^31 - 1.
uint64_t StepDataReportCount(uint32_t steps, size_t outputReportLength);

// Longest step period a 'q' command can carry: 31 slots of 16 ticks minus 16.
inline constexpr uint64_t kMaxQPeriod = 480;

enum class QCutResult {
  kOk,
  kPeriodTooLong,  // period above 480 ticks: the run ends without sending it
  kDoesNotFit,     // the command's last byte lies beyond the output report
};

// 'q' command, for period P: a = P / 16 + 1, n = P % 16.
//   byte 1          'q'
//   byte 2          2a + 2, the number of bytes that follow
//   byte 3          direction: 0x0F forward, 0x00 back
//   byte 4          a
//   bytes 5..2a+2   0
//   bytes 2a+3, 2a+4  n * 0x11
// Nothing after byte 2a+4 is written. When the result is not kOk nothing at all is written: a
// command cut off at the report length would hand the board a corrupt period.
QCutResult EncodeQCut(std::span<uint8_t> report, size_t outputReportLength, uint64_t period,
                      CutDirection direction);

// How long a board may stay busy before a cut run stops waiting for it.
//
// A cut lasts steps x period ticks x tick length. A run sends nothing unless every field passed
// its check (N <= 128, R <= 127), and then every form and timer gives at most 12.7 ms a step
// (P ticks x tick = R x 100 us; Back sends R ticks at ticks of at most 100 us; periods above 255
// at 50 kHz wrap to at most 255 x 20 us), so 128 x 12.7 ms = 1.6256 s. Even values out of
// those ranges could not ask for more than 255 x 255 x 100 us = 6.5025 s: the 'c' command
// carries the step count in one byte and each step pair its period in one byte. A 'q'
// command carries a period of at most 480 ticks (48 ms at 10 kHz) and no step count. About three
// times the 6.5 s bound leaves room for USB transfers and slow firmware.
inline constexpr uint32_t kMaxBoardBusyMs = 20000;

// Nominal duration of a cut of `steps` steps at `periodTicks` ticks a step, in microseconds.
uint64_t NominalCutDurationUs(uint32_t steps, uint64_t periodTicks, int timerChoice);

}  // namespace motion
