// Pure tables of the parameter panel: list entries, pin sets, presets, board generations,
// version recognition and the enable rules. No toolkit here; the dialog handlers apply them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "params/parameter_ids.h"

namespace params {

// ---- Board generations ---------------------------------------------------------------------

// m_nBoardGeneration starts as kGenerationUnknown: no Connect has identified the board yet.
// It is never taken for a BRAXO board (generation 0).
inline constexpr int kGenerationUnknown = -1;
inline constexpr int kGenerationBraxo = 0;  // "BRAXO"
inline constexpr int kGeneration1 = 1;      // "ZBK V1.0"
inline constexpr int kGeneration2 = 2;      // "ZBK 2."
inline constexpr int kGeneration3 = 3;      // "ZBK 3."

// Generations 2 and 3 have the motor-on block, the 50 kHz timer and the presets.
constexpr bool IsLaterGeneration(int generation) {
  return generation == kGeneration2 || generation == kGeneration3;
}
// Connect reads block 2 back unless the board is of generation 1.
constexpr bool ReadsMotorOnBlock(int generation) {
  return generation != kGeneration1;
}
// Program ZBK writes block 2 only to generations 2 and 3.
constexpr bool WritesMotorOnBlock(int generation) {
  return IsLaterGeneration(generation);
}
// The step-mode byte of the timing block is not read back at generation 3.
constexpr bool ReadsStepMode(int generation) {
  return generation != kGeneration3;
}

// ---- Version reply ---------------------------------------------------------------------------

enum class VersionReplyKind {
  kUnrecognised,  // neither "BRAXO" nor "ZBK": nothing changes
  kBraxo,         // "BRAXO": generation 0, fixed values, no block read
  kZbk,           // "ZBK": the pin lists are filled and the blocks are read back
};

struct VersionReply {
  VersionReplyKind kind = VersionReplyKind::kUnrecognised;
  // The generation the reply names; empty when it names none (the generation stays as it was).
  std::optional<int> generation;

  friend bool operator==(const VersionReply&, const VersionReply&) = default;
};

// The reply text of 'v': input report bytes from index 1 up to the first zero byte. A report
// without a zero byte ends the text at the end of the buffer, never beyond.
std::string_view VersionText(std::span<const uint8_t> inReport);

// Case-sensitive prefix match, each prefix over its own length; what follows does not matter.
VersionReply ClassifyVersionReply(std::string_view text);

// m_nBoardGeneration after a reply: the named generation, or `current` when none is named.
constexpr int GenerationAfterReply(int current, const VersionReply& reply) {
  return reply.generation.value_or(current);
}

// ---- Lists -----------------------------------------------------------------------------------

// Position in m_nPinIndex order: 0..3 are the Step lists, 4..7 the Dir lists.
enum class PinListKind { kStep, kDir };
constexpr PinListKind PinListKindAt(int pinIndexPosition) {
  return pinIndexPosition < 4 ? PinListKind::kStep : PinListKind::kDir;
}

enum class PinSetId { kAllPins, kGen1StepPins, kGen1DirPins };

struct PinSet {
  std::span<const std::string_view> entries;  // index 0 first
  std::span<const int> dataBits;              // parallel-port data bit of entry i
  int defaultEntry;                           // selected after filling
};

const PinSet& GetPinSet(PinSetId id);

// Which set a Connect puts into a pin list: generation-1 sets after "ZBK V1.0", all pins after
// any other "ZBK" reply; empty when the reply does not fill the lists.
std::optional<PinSetId> PinSetForReply(const VersionReply& reply, PinListKind kind);

// Motor ON "Pin" list: "Pin1" (0), "Pin17" (1).
inline constexpr int kMotorOnPin1 = 0;
inline constexpr int kMotorOnPin17 = 1;
std::span<const std::string_view> MotorOnPinEntries();

// Step "Mode" list: "Full step" (0) to "1/16 step" (4).
std::span<const std::string_view> StepModeEntries();

// ---- Pin byte mapping ------------------------------------------------------------------------

// Pin byte on the wire for list entry `entry` (-1 = no selection). Generation 1: Step 2i+1,
// Dir 2i; every other generation (unknown included): the entry itself. The caller keeps the
// low 8 bits.
constexpr int PinByteForEntry(int generation, PinListKind kind, int entry) {
  if (generation == kGeneration1) return kind == PinListKind::kStep ? 2 * entry + 1 : 2 * entry;
  return entry;
}

// List entry to select for a read-back pin byte (signed). Generation 1: byte / 2, rounding
// toward zero; otherwise the byte itself. Out-of-range results leave the list unselected.
constexpr int PinEntryForByte(int generation, int pinByte) {
  return generation == kGeneration1 ? pinByte / 2 : pinByte;
}

// The eight pin bytes for the eight list selections, both in m_nPinIndex order.
std::array<int, kPinListCount> PinBytesForEntries(const std::array<int, kPinListCount>& entries,
                                                  int generation);

// ---- Timer -----------------------------------------------------------------------------------

// The board's step timer settings, in m_nTimerChoice order (the radio group's order): the
// frequency and the length of one tick.
struct TimerChoice {
  int kilohertz;
  int periodUs;
};
inline constexpr std::array<TimerChoice, 3> kTimerChoices = {{{10, 100}, {20, 50}, {50, 20}}};

// Step timer period in µs for m_nTimerChoice 0, 1, 2 (10, 20, 50 kHz); empty for other values.
std::optional<int> TimerPeriodUs(int timerChoice);

// ---- Presets ---------------------------------------------------------------------------------

struct PresetRow {
  std::string_view entry;                   // text in the presets list
  std::array<int, kPinListCount> pinIndex;  // data bits, m_nPinIndex order
  int motorOnPin;                           // kMotorOnPin1 or kMotorOnPin17
  bool activeHigh;                          // "Active High" checked
  std::optional<int> stepDurationUs;        // empty = kept
  std::optional<int> dirDelayUs;            // empty = kept
  bool clearsBraxoMode;                     // m_nBraxoMode = 0
  bool enablesStepMode;  // true: enable the Step "Mode" list and select m_nStepMode in it;
                         // false: disable it, its selection unchanged
};

inline constexpr int kPresetCount = 6;
std::span<const PresetRow> Presets();
// The row for a presets-list index; empty outside 0..5 (no row is applied).
std::optional<PresetRow> PresetAt(int index);

// ---- Fixed values ----------------------------------------------------------------------------

// What a "BRAXO" reply and a BRAXO mode click set.
inline constexpr int kBraxoDirDelayUs = 14;
inline constexpr int kBraxoStepDurationUs = 50;
inline constexpr int kBraxoStepMode = 0;
inline constexpr int kBraxoTimerChoice = 0;

// ---- Enable rules ----------------------------------------------------------------------------

struct ControlEnable {
  int controlId;
  bool enabled;

  friend bool operator==(const ControlEnable&, const ControlEnable&) = default;
};

inline constexpr int kRuledControlCount = 16;

// The enabled state of each ruled control for m_nBraxoMode and m_nBoardGeneration. BRAXO mode
// counts only when exactly 1. Values and check states are not part of the rules.
std::array<ControlEnable, kRuledControlCount> ParameterControlStates(int braxoMode, int generation);

// ---- Number fields ---------------------------------------------------------------------------

// A duration travels halved in one unsigned byte: 0 to 510 µs, which is also what a read-back
// gives.
inline constexpr int kMinDurationUs = 0;
inline constexpr int kMaxDurationUs = 510;

// The dialog's number edits. The data exchange checks steps and rate against their limits; the
// motors and cut repeat edits take any 32-bit value; the durations are checked before Program ZBK
// sends them.
enum class NumberField { kSteps, kStepRate, kMotors, kCutRepeat, kStepDuration, kDirDelay };

struct NumberFieldLimits {
  NumberField field;
  std::string_view label;  // the edit as the window names it
  std::uint32_t min;       // the values the user is asked for
  std::uint32_t max;
};

inline constexpr std::array<NumberFieldLimits, 6> kNumberFields = {{
    {NumberField::kSteps, "# Step", 1, 128},
    {NumberField::kStepRate, "Step rate (x100 µs)", 1, 127},
    {NumberField::kMotors, "Motors", 0, 0xFFFF'FFFFu},
    {NumberField::kCutRepeat, "Cut repeat", 0, 0xFFFF'FFFFu},
    {NumberField::kStepDuration, "Step duration (µs)", kMinDurationUs, kMaxDurationUs},
    {NumberField::kDirDelay, "Delay for Dir before Step (µs)", kMinDurationUs, kMaxDurationUs},
}};

static_assert(
    [] {
      for (std::size_t i = 0; i < kNumberFields.size(); ++i) {
        if (kNumberFields[i].field != static_cast<NumberField>(i)) return false;
      }
      return true;
    }(),
    "kNumberFields is in NumberField order");

constexpr const NumberFieldLimits& LimitsOf(NumberField field) {
  return kNumberFields[static_cast<std::size_t>(field)];
}

// ---- Duration range --------------------------------------------------------------------------

enum class DurationField { kNone, kStepDuration, kDirDelay };

constexpr bool DurationFits(int us) {
  return us >= kMinDurationUs && us <= kMaxDurationUs;
}

// The first field, in panel order (step duration, then dir delay), that does not fit.
DurationField FirstDurationOutOfRange(int stepDurationUs, int dirDelayUs);

// Label of the field's edit: "Step duration (µs)" or "Delay for Dir before Step (µs)".
std::string_view DurationFieldLabel(DurationField field);

// Message for refusing a field that does not fit, naming the field and the range it asks for.
std::string DurationRangeMessage(DurationField field);

}  // namespace params
