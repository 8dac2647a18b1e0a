#include "params/parameter_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace params {
namespace {

std::vector<std::string> Texts(std::span<const std::string_view> entries) {
  return {entries.begin(), entries.end()};
}

std::vector<int> Ints(std::span<const int> values) {
  return {values.begin(), values.end()};
}

// ---- Presets ---------------------------------------------------------------------------------

constexpr std::array<int, 8> kOddStep = {1, 3, 5, 7, 0, 2, 4, 6};
constexpr std::array<int, 8> kEvenStep = {0, 2, 4, 6, 1, 3, 5, 7};

TEST(ParamsPresets, EveryRowAsTheShortcutsGroupDefinesIt) {
  struct Expected {
    const char* entry;
    std::array<int, 8> pins;
    int motorOnPin;
    bool activeHigh;
    std::optional<int> stepDuration;
    std::optional<int> dirDelay;
    bool clearsBraxo;
    bool enablesStepMode;
  };
  const Expected expected[] = {
      {"QD5500", kOddStep, 1, true, std::nullopt, std::nullopt, false, false},
      {"QD5500-ZBK", kOddStep, 1, true, 10, 0, true, false},
      {"LORVEN", kEvenStep, 0, true, 2, 2, true, false},
      {"DRX4-A3", kEvenStep, 0, false, 10, 0, true, false},
      {"KT5307", kOddStep, 1, true, std::nullopt, std::nullopt, true, false},
      {"Atelier Norvex", kOddStep, 1, false, 2, 2, true, true},
  };
  ASSERT_EQ(Presets().size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].entry);
    const PresetRow& row = Presets()[i];
    EXPECT_EQ(row.entry, expected[i].entry);
    EXPECT_EQ(row.pinIndex, expected[i].pins);
    EXPECT_EQ(row.motorOnPin, expected[i].motorOnPin);
    EXPECT_EQ(row.activeHigh, expected[i].activeHigh);
    EXPECT_EQ(row.stepDurationUs, expected[i].stepDuration);
    EXPECT_EQ(row.dirDelayUs, expected[i].dirDelay);
    EXPECT_EQ(row.clearsBraxoMode, expected[i].clearsBraxo);
    EXPECT_EQ(row.enablesStepMode, expected[i].enablesStepMode);
  }
}

TEST(ParamsPresets, RowsOneAndFourAreRowZeroWithBraxoCleared) {
  const PresetRow& row0 = Presets()[0];
  for (int i : {1, 4}) {
    SCOPED_TRACE(i);
    const PresetRow& row = Presets()[static_cast<size_t>(i)];
    EXPECT_EQ(row.pinIndex, row0.pinIndex);
    EXPECT_EQ(row.motorOnPin, row0.motorOnPin);
    EXPECT_EQ(row.activeHigh, row0.activeHigh);
    EXPECT_EQ(row.enablesStepMode, row0.enablesStepMode);
    EXPECT_TRUE(row.clearsBraxoMode);
  }
  EXPECT_EQ(Presets()[4].stepDurationUs, row0.stepDurationUs);
  EXPECT_EQ(Presets()[4].dirDelayUs, row0.dirDelayUs);
}

TEST(ParamsPresets, PresetAtOutsideTheListAppliesNoRow) {
  for (int i = 0; i < kPresetCount; ++i) {
    ASSERT_TRUE(PresetAt(i).has_value());
    EXPECT_EQ(PresetAt(i)->entry, Presets()[static_cast<size_t>(i)].entry);
  }
  EXPECT_FALSE(PresetAt(-1).has_value());
  EXPECT_FALSE(PresetAt(kPresetCount).has_value());
}

// ---- Lists -----------------------------------------------------------------------------------

TEST(ParamsPinSets, EntriesDataBitsAndDefaults) {
  struct Case {
    PinSetId id;
    std::vector<std::string> entries;
    std::vector<int> bits;
    int defaultEntry;
  };
  const Case cases[] = {
      {PinSetId::kAllPins,
       {"Pin2(D0)", "Pin3(D1)", "Pin4(D2)", "Pin5(D3)", "Pin6(D4)", "Pin7(D5)", "Pin8(D6)",
        "Pin9(D7)"},
       {0, 1, 2, 3, 4, 5, 6, 7},
       0},
      {PinSetId::kGen1StepPins, {"Pin3(D1)", "Pin5(D3)", "Pin7(D5)", "Pin9(D7)"}, {1, 3, 5, 7}, 1},
      {PinSetId::kGen1DirPins, {"Pin2(D0)", "Pin4(D2)", "Pin6(D4)", "Pin8(D6)"}, {0, 2, 4, 6}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.id));
    const PinSet& set = GetPinSet(c.id);
    EXPECT_EQ(Texts(set.entries), c.entries);
    EXPECT_EQ(Ints(set.dataBits), c.bits);
    EXPECT_EQ(set.defaultEntry, c.defaultEntry);
    // The lists are sorted; every set must already be in sorted order.
    EXPECT_TRUE(std::is_sorted(c.entries.begin(), c.entries.end()));
    // Each entry names pin N = data bit + 2.
    for (size_t i = 0; i < c.entries.size(); ++i)
      EXPECT_EQ(c.entries[i],
                "Pin" + std::to_string(c.bits[i] + 2) + "(D" + std::to_string(c.bits[i]) + ")");
  }
}

TEST(ParamsPinSets, MotorOnAndStepModeEntries) {
  EXPECT_EQ(Texts(MotorOnPinEntries()), (std::vector<std::string>{"Pin1", "Pin17"}));
  EXPECT_EQ(MotorOnPinEntries()[kMotorOnPin17], "Pin17");
  EXPECT_EQ(Texts(StepModeEntries()), (std::vector<std::string>{"Full step", "1/2 step", "1/4 step",
                                                                "1/8 step", "1/16 step"}));
}

TEST(ParamsPinSets, PinListOrderIsStepListsThenDirLists) {
  EXPECT_EQ(kPinListIds, (std::array<int, 8>{1004, 1009, 1014, 1025, 1005, 1010, 1024, 1026}));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(PinListKindAt(i), PinListKind::kStep);
  for (int i = 4; i < 8; ++i) EXPECT_EQ(PinListKindAt(i), PinListKind::kDir);
}

TEST(ParamsPinSets, SetFilledForEachReply) {
  const VersionReply gen1{VersionReplyKind::kZbk, 1};
  const VersionReply gen3{VersionReplyKind::kZbk, 3};
  const VersionReply zbkOnly{VersionReplyKind::kZbk, std::nullopt};
  EXPECT_EQ(PinSetForReply(gen1, PinListKind::kStep), PinSetId::kGen1StepPins);
  EXPECT_EQ(PinSetForReply(gen1, PinListKind::kDir), PinSetId::kGen1DirPins);
  for (const VersionReply& r : {gen3, zbkOnly}) {
    EXPECT_EQ(PinSetForReply(r, PinListKind::kStep), PinSetId::kAllPins);
    EXPECT_EQ(PinSetForReply(r, PinListKind::kDir), PinSetId::kAllPins);
  }
  EXPECT_FALSE(PinSetForReply({VersionReplyKind::kBraxo, 0}, PinListKind::kStep));
  EXPECT_FALSE(PinSetForReply({}, PinListKind::kDir));
}

// ---- Version replies ---------------------------------------------------------------------------

TEST(ParamsVersion, ClassifiesByCaseSensitivePrefix) {
  using K = VersionReplyKind;
  struct Case {
    const char* text;
    K kind;
    std::optional<int> generation;
  };
  const Case cases[] = {
      {"BRAXO", K::kBraxo, 0},
      {"BRAXO V2 whatever", K::kBraxo, 0},
      {"BRAX", K::kUnrecognised, std::nullopt},
      {"braxo", K::kUnrecognised, std::nullopt},
      {"ZBK V1.0", K::kZbk, 1},
      {"ZBK V1.0xyz", K::kZbk, 1},
      {"ZBK V1.", K::kZbk, std::nullopt},  // shorter than "ZBK V1.0"
      {"ZBK V1.1", K::kZbk, std::nullopt},
      {"ZBK 2.", K::kZbk, 2},
      {"ZBK 2.07", K::kZbk, 2},
      {"ZBK 2", K::kZbk, std::nullopt},  // shorter than "ZBK 2."
      {"ZBK 3.1", K::kZbk, 3},
      {"ZBK 4", K::kZbk, std::nullopt},
      {"ZBK", K::kZbk, std::nullopt},
      {"ZBKX", K::kZbk, std::nullopt},
      {"ZB", K::kUnrecognised, std::nullopt},
      {"zbk 2.0", K::kUnrecognised, std::nullopt},
      {" ZBK 2.0", K::kUnrecognised, std::nullopt},
      {"", K::kUnrecognised, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const VersionReply r = ClassifyVersionReply(c.text);
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(r.generation, c.generation);
  }
}

TEST(ParamsVersion, GenerationStartsUnknownAndOnlyNamedGenerationsChangeIt) {
  // The start value is not BRAXO's: a board no Connect has identified keeps its pin lists.
  auto enabled = [](int generation, int id) {
    for (const auto& c : ParameterControlStates(1, generation)) {
      if (c.controlId == id) return c.enabled;
    }
    ADD_FAILURE() << "no rule for " << id;
    return false;
  };
  EXPECT_TRUE(enabled(kGenerationUnknown, kIdStepMotor1));
  EXPECT_TRUE(enabled(kGenerationUnknown, kIdDirMotor4));
  EXPECT_FALSE(enabled(kGenerationBraxo, kIdStepMotor1));
  EXPECT_EQ(GenerationAfterReply(kGenerationUnknown, ClassifyVersionReply("ZBK 2.1")), 2);
  EXPECT_EQ(GenerationAfterReply(kGenerationUnknown, ClassifyVersionReply("ZBK 4")),
            kGenerationUnknown);
  EXPECT_EQ(GenerationAfterReply(2, ClassifyVersionReply("ZBK 4")), 2);
  EXPECT_EQ(GenerationAfterReply(3, ClassifyVersionReply("hello")), 3);
  EXPECT_EQ(GenerationAfterReply(2, ClassifyVersionReply("ZBK V1.0")), 1);
  EXPECT_EQ(GenerationAfterReply(kGenerationUnknown, ClassifyVersionReply("BRAXO")), 0);
}

TEST(ParamsVersion, TextRunsFromByteOneToTheFirstZero) {
  const std::vector<uint8_t> report = {0x00, 'Z', 'B', 'K', ' ', '2', '.', 0, 'x', 'y'};
  EXPECT_EQ(VersionText(report), "ZBK 2.");
  // No zero byte: the text stops at the end of the buffer.
  const std::vector<uint8_t> unterminated = {0x00, 'B', 'R', 'A', 'X', 'O'};
  EXPECT_EQ(VersionText(unterminated), "BRAXO");
  const std::vector<uint8_t> empty = {0x00, 0x00, 'Z'};
  EXPECT_EQ(VersionText(empty), "");
  EXPECT_EQ(VersionText(std::span<const uint8_t>{}), "");
  EXPECT_EQ(VersionText(std::vector<uint8_t>{'Z'}), "");
}

// ---- Pin byte mapping --------------------------------------------------------------------------

TEST(ParamsPinMapping, EntryToByteAndBack) {
  using K = PinListKind;
  struct Case {
    int generation;
    K kind;
    int entry;
    int byte;
  };
  const Case cases[] = {
      {1, K::kStep, 0, 1},   {1, K::kStep, 3, 7},
      {1, K::kDir, 0, 0},    {1, K::kDir, 3, 6},
      {1, K::kStep, -1, -1}, {1, K::kDir, -1, -2},
      {2, K::kStep, 5, 5},   {3, K::kDir, 7, 7},
      {0, K::kStep, -1, -1}, {kGenerationUnknown, K::kDir, 4, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "gen " << c.generation << " entry " << c.entry);
    EXPECT_EQ(PinByteForEntry(c.generation, c.kind, c.entry), c.byte);
    if (c.entry >= 0) {
      EXPECT_EQ(PinEntryForByte(c.generation, c.byte), c.entry);
    }
  }
}

TEST(ParamsPinMapping, ReadBackGenerationOneHalvesTowardZero) {
  EXPECT_EQ(PinEntryForByte(1, 7), 3);
  EXPECT_EQ(PinEntryForByte(1, -1), 0);
  EXPECT_EQ(PinEntryForByte(1, -3), -1);
  EXPECT_EQ(PinEntryForByte(2, -3), -3);
  EXPECT_EQ(PinEntryForByte(kGenerationUnknown, 9), 9);
  // A pin block of 1, 3, 5, 7, 0, 2, 4, 6 selects entries 0..3 in each group.
  const int block[] = {1, 3, 5, 7, 0, 2, 4, 6};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(PinEntryForByte(1, block[i]), i % 4);
}

TEST(ParamsPinMapping, BytesForAllEightLists) {
  const std::array<int, 8> entries = {0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(PinBytesForEntries(entries, 1), (std::array<int, 8>{1, 1, 1, 1, 0, 0, 0, 0}));
  const std::array<int, 8> unselected = {-1, -1, -1, -1, -1, -1, -1, -1};
  EXPECT_EQ(PinBytesForEntries(unselected, 1),
            (std::array<int, 8>{-1, -1, -1, -1, -2, -2, -2, -2}));
  EXPECT_EQ(PinBytesForEntries(unselected, 0), unselected);
  const std::array<int, 8> mixed = {7, 6, 5, 4, 3, 2, 1, 0};
  EXPECT_EQ(PinBytesForEntries(mixed, 2), mixed);
}

TEST(ParamsTimer, PeriodsOfTheThreeChoices) {
  EXPECT_EQ(TimerPeriodUs(0), 100);
  EXPECT_EQ(TimerPeriodUs(1), 50);
  EXPECT_EQ(TimerPeriodUs(2), 20);
  EXPECT_FALSE(TimerPeriodUs(3));
  EXPECT_FALSE(TimerPeriodUs(-1));
}

// ---- Enable rules ------------------------------------------------------------------------------

TEST(ParamsEnableRules, EveryBraxoModeAndGeneration) {
  // Per row: duration edits and 10/20 kHz radios, 50 kHz radio, pin lists, the
  // presets / Active High / Motor ON group.
  struct Case {
    int braxoMode;
    int generation;
    bool timing;
    bool radio50k;
    bool pinLists;
    bool motorOn;
  };
  const int u = kGenerationUnknown;
  const Case cases[] = {
      {0, u, true, false, true, false},
      {0, 0, true, false, false, false},
      {0, 1, true, false, true, false},
      {0, 2, true, true, true, true},
      {0, 3, true, true, true, true},
      {1, u, false, false, true, false},
      {1, 0, false, false, false, false},
      {1, 1, false, false, true, false},
      {1, 2, false, false, true, true},
      {1, 3, false, false, true, true},
      // Only exactly 1 counts as BRAXO mode.
      {2, 2, true, true, true, true},
      {-1, 3, true, true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "braxo " << c.braxoMode << " gen " << c.generation);
    const auto states = ParameterControlStates(c.braxoMode, c.generation);
    std::set<int> seen;
    for (const ControlEnable& s : states) {
      EXPECT_TRUE(seen.insert(s.controlId).second) << "duplicate " << s.controlId;
      bool expected = false;
      switch (s.controlId) {
        case 1023:
        case 1022:
        case 1033:
        case 1034:
          expected = c.timing;
          break;
        case 1040:
          expected = c.radio50k;
          break;
        case 1004:
        case 1009:
        case 1014:
        case 1025:
        case 1005:
        case 1010:
        case 1024:
        case 1026:
          expected = c.pinLists;
          break;
        case 1038:
        case 1039:
        case 1037:
          expected = c.motorOn;
          break;
        default:
          ADD_FAILURE() << "unexpected control " << s.controlId;
      }
      EXPECT_EQ(s.enabled, expected) << "control " << s.controlId;
    }
    // The BRAXO checkbox, the Step "Mode" list and "Program ZBK" are not ruled.
    EXPECT_EQ(seen.size(), 16u);
    EXPECT_FALSE(seen.count(1032) || seen.count(1041) || seen.count(1028));
  }
}

// ---- Duration range ----------------------------------------------------------------------------

TEST(ParamsDurationRange, NamesTheFirstFieldThatDoesNotFit) {
  using F = DurationField;
  struct Case {
    int step;
    int dir;
    F field;
  };
  const Case cases[] = {
      {0, 0, F::kNone},        {510, 510, F::kNone},           {511, 0, F::kStepDuration},
      {50, 600, F::kDirDelay}, {-1, 0, F::kStepDuration},      {-256, -256, F::kStepDuration},
      {0, -2, F::kDirDelay},   {1000, 1000, F::kStepDuration}, {15, 14, F::kNone},
      {300, 256, F::kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.step << ", " << c.dir);
    EXPECT_EQ(FirstDurationOutOfRange(c.step, c.dir), c.field);
  }
}

TEST(ParamsDurationRange, EveryReadBackValuePasses) {
  for (int byte = 0; byte <= 255; ++byte) EXPECT_TRUE(DurationFits(2 * byte)) << byte;
}

TEST(ParamsDurationRange, MessageNamesFieldAndRange) {
  EXPECT_EQ(DurationRangeMessage(DurationField::kStepDuration),
            "Step duration (µs) must be between 0 and 510.");
  EXPECT_EQ(DurationRangeMessage(DurationField::kDirDelay),
            "Delay for Dir before Step (µs) must be between 0 and 510.");
  EXPECT_EQ(DurationRangeMessage(DurationField::kNone), "");
}

}  // namespace
}  // namespace params
