#include "params/parameter_tables.h"

#include <algorithm>
#include <iterator>

namespace params {

namespace {

constexpr std::string_view kPrefixBraxo = "BRAXO";
constexpr std::string_view kPrefixZbk = "ZBK";
constexpr std::string_view kPrefixGen1 = "ZBK V1.0";
constexpr std::string_view kPrefixGen2 = "ZBK 2.";
constexpr std::string_view kPrefixGen3 = "ZBK 3.";

constexpr std::array<std::string_view, 8> kAllPinsEntries = {
    "Pin2(D0)", "Pin3(D1)", "Pin4(D2)", "Pin5(D3)", "Pin6(D4)", "Pin7(D5)", "Pin8(D6)", "Pin9(D7)"};
constexpr std::array<int, 8> kAllPinsBits = {0, 1, 2, 3, 4, 5, 6, 7};

// Generation 1 wires Step signals to odd data bits and Dir signals to even ones.
constexpr std::array<std::string_view, 4> kGen1StepEntries = {"Pin3(D1)", "Pin5(D3)", "Pin7(D5)",
                                                              "Pin9(D7)"};
constexpr std::array<int, 4> kGen1StepBits = {1, 3, 5, 7};
constexpr std::array<std::string_view, 4> kGen1DirEntries = {"Pin2(D0)", "Pin4(D2)", "Pin6(D4)",
                                                             "Pin8(D6)"};
constexpr std::array<int, 4> kGen1DirBits = {0, 2, 4, 6};

constexpr PinSet kAllPins{kAllPinsEntries, kAllPinsBits, 0};
constexpr PinSet kGen1StepPins{kGen1StepEntries, kGen1StepBits, 1};
constexpr PinSet kGen1DirPins{kGen1DirEntries, kGen1DirBits, 0};

constexpr std::array<std::string_view, 2> kMotorOnEntries = {"Pin1", "Pin17"};
constexpr std::array<std::string_view, 5> kStepModeEntries = {"Full step", "1/2 step", "1/4 step",
                                                              "1/8 step", "1/16 step"};

// Step pins Motor1..4, then Dir pins Motor1..4.
constexpr std::array<int, kPinListCount> kStepOddDirEven = {1, 3, 5, 7, 0, 2, 4, 6};
constexpr std::array<int, kPinListCount> kStepEvenDirOdd = {0, 2, 4, 6, 1, 3, 5, 7};

// Rows 1 and 4 are row 0 with BRAXO mode cleared; row 1 also sets the durations.
constexpr std::array<PresetRow, kPresetCount> kPresets = {{
    {"QD5500", kStepOddDirEven, kMotorOnPin17, true, std::nullopt, std::nullopt, false, false},
    {"QD5500-ZBK", kStepOddDirEven, kMotorOnPin17, true, 10, 0, true, false},
    {"LORVEN", kStepEvenDirOdd, kMotorOnPin1, true, 2, 2, true, false},
    {"DRX4-A3", kStepEvenDirOdd, kMotorOnPin1, false, 10, 0, true, false},
    {"KT5307", kStepOddDirEven, kMotorOnPin17, true, std::nullopt, std::nullopt, true, false},
    {"Atelier Norvex", kStepOddDirEven, kMotorOnPin17, false, 2, 2, true, true},
}};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string_view VersionText(std::span<const uint8_t> inReport) {
  if (inReport.size() < 2) return {};
  const auto body = inReport.subspan(1);
  const auto end = std::find(body.begin(), body.end(), uint8_t{0});
  return {reinterpret_cast<const char*>(body.data()),
          static_cast<size_t>(std::distance(body.begin(), end))};
}

VersionReply ClassifyVersionReply(std::string_view text) {
  if (StartsWith(text, kPrefixBraxo)) return {VersionReplyKind::kBraxo, kGenerationBraxo};
  if (!StartsWith(text, kPrefixZbk)) return {VersionReplyKind::kUnrecognised, std::nullopt};
  if (StartsWith(text, kPrefixGen1)) return {VersionReplyKind::kZbk, kGeneration1};
  if (StartsWith(text, kPrefixGen2)) return {VersionReplyKind::kZbk, kGeneration2};
  if (StartsWith(text, kPrefixGen3)) return {VersionReplyKind::kZbk, kGeneration3};
  return {VersionReplyKind::kZbk, std::nullopt};
}

const PinSet& GetPinSet(PinSetId id) {
  switch (id) {
    case PinSetId::kGen1StepPins:
      return kGen1StepPins;
    case PinSetId::kGen1DirPins:
      return kGen1DirPins;
    case PinSetId::kAllPins:
      break;
  }
  return kAllPins;
}

std::optional<PinSetId> PinSetForReply(const VersionReply& reply, PinListKind kind) {
  if (reply.kind != VersionReplyKind::kZbk) return std::nullopt;
  if (reply.generation == kGeneration1)
    return kind == PinListKind::kStep ? PinSetId::kGen1StepPins : PinSetId::kGen1DirPins;
  return PinSetId::kAllPins;
}

std::span<const std::string_view> MotorOnPinEntries() {
  return kMotorOnEntries;
}

std::span<const std::string_view> StepModeEntries() {
  return kStepModeEntries;
}

std::array<int, kPinListCount> PinBytesForEntries(const std::array<int, kPinListCount>& entries,
                                                  int generation) {
  std::array<int, kPinListCount> bytes{};
  for (int i = 0; i < kPinListCount; ++i)
    bytes[static_cast<size_t>(i)] =
        PinByteForEntry(generation, PinListKindAt(i), entries[static_cast<size_t>(i)]);
  return bytes;
}

std::optional<int> TimerPeriodUs(int timerChoice) {
  if (timerChoice < 0 || timerChoice >= static_cast<int>(kTimerChoices.size())) return std::nullopt;
  return kTimerChoices[static_cast<size_t>(timerChoice)].periodUs;
}

std::span<const PresetRow> Presets() {
  return kPresets;
}

std::optional<PresetRow> PresetAt(int index) {
  if (index < 0 || index >= kPresetCount) return std::nullopt;
  return kPresets[static_cast<size_t>(index)];
}

std::array<ControlEnable, kRuledControlCount> ParameterControlStates(int braxoMode,
                                                                     int generation) {
  const bool braxo = braxoMode == 1;
  const bool later = IsLaterGeneration(generation);
  // Only a board identified as BRAXO locks the pin lists; an unidentified one does not.
  const bool pins = generation != kGenerationBraxo;
  return {{
      {kIdStepDuration, !braxo},
      {kIdDirDelay, !braxo},
      {kIdTimer10k, !braxo},
      {kIdTimer20k, !braxo},
      {kIdTimer50k, !braxo && later},
      {kIdDirMotor1, pins},
      {kIdDirMotor2, pins},
      {kIdDirMotor3, pins},
      {kIdDirMotor4, pins},
      {kIdStepMotor1, pins},
      {kIdStepMotor2, pins},
      {kIdStepMotor3, pins},
      {kIdStepMotor4, pins},
      {kIdPreset, later},
      {kIdActiveHigh, later},
      {kIdMotorOnPin, later},
  }};
}

DurationField FirstDurationOutOfRange(int stepDurationUs, int dirDelayUs) {
  if (!DurationFits(stepDurationUs)) return DurationField::kStepDuration;
  if (!DurationFits(dirDelayUs)) return DurationField::kDirDelay;
  return DurationField::kNone;
}

namespace {

std::optional<NumberField> NumberFieldOf(DurationField field) {
  switch (field) {
    case DurationField::kStepDuration:
      return NumberField::kStepDuration;
    case DurationField::kDirDelay:
      return NumberField::kDirDelay;
    case DurationField::kNone:
      break;
  }
  return std::nullopt;
}

}  // namespace

std::string_view DurationFieldLabel(DurationField field) {
  const auto number = NumberFieldOf(field);
  return number ? LimitsOf(*number).label : std::string_view();
}

std::string DurationRangeMessage(DurationField field) {
  const auto number = NumberFieldOf(field);
  if (!number) return {};
  const NumberFieldLimits& limits = LimitsOf(*number);
  return std::string(limits.label) + " must be between " + std::to_string(limits.min) + " and " +
         std::to_string(limits.max) + ".";
}

}  // namespace params
