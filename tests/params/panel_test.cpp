// The parameter panel through the dialog: start values, presets, the BRAXO mode checkbox and the
// enable rules they run.

#include <gtest/gtest.h>

#include "kit/test_kit.h"
#include "params/panel_kit.h"
#include "params/parameter_tables.h"

using namespace app;
using panel::Disabled;
using panel::PinSelections;
using Strings = std::vector<std::string>;

namespace {

constexpr std::array<int, 8> kStepOdd = {1, 3, 5, 7, 0, 2, 4, 6};
constexpr std::array<int, 8> kStepEven = {0, 2, 4, 6, 1, 3, 5, 7};

// A generation-2 board in BRAXO mode with pins that match no preset.
const sim::StoredParameters kBraxoOnGen2 = {0, 1, 15, 4, 1, 3, {7, 6, 5, 4, 3, 2, 1, 0}, 0, 0};

const std::vector<int> kBraxoLocked = {IDC_EDIT_STEP_DURATION, IDC_EDIT_DIR_DELAY,
                                       IDC_RADIO_TIMER_10K,    IDC_RADIO_20K,
                                       IDC_RADIO_50K,          IDC_COMBO_STEP_MODE};

}  // namespace

TEST(Panel, StartValuesWithoutABoard) {
  TestKit kit;
  auto& w = kit.Start();
  auto& d = kit.Dialog();
  EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), "0");
  EXPECT_EQ(w.GetText(IDC_EDIT_DIR_DELAY), "0");
  EXPECT_EQ(w.GetCheck(IDC_CHECK_BRAXO_MODE), 0);
  EXPECT_EQ(w.GetCheck(IDC_RADIO_TIMER_10K), 1);
  EXPECT_EQ(d.m_nBoardGeneration, params::kGenerationUnknown);
  EXPECT_EQ(w.Items(IDC_COMBO_PRESET),
            (Strings{"QD5500", "QD5500-ZBK", "LORVEN", "DRX4-A3", "KT5307", "Atelier Norvex"}));
  EXPECT_EQ(w.GetCurSel(IDC_COMBO_PRESET), 0);
  EXPECT_EQ(w.Items(IDC_COMBO_MOTOR_ON_PIN), (Strings{"Pin1", "Pin17"}));
  EXPECT_EQ(w.GetCurSel(IDC_COMBO_MOTOR_ON_PIN), 0);
  EXPECT_EQ(w.Items(IDC_COMBO_STEP_MODE),
            (Strings{"Full step", "1/2 step", "1/4 step", "1/8 step", "1/16 step"}));
  EXPECT_EQ(w.GetCurSel(IDC_COMBO_STEP_MODE), 0);
  EXPECT_TRUE(w.Items(IDC_COMBO_STEP1).empty());
  // Preset row 0 was applied, without the rules: only the Step "Mode" list is off.
  EXPECT_EQ(d.m_nPinIndex, kStepOdd);
  EXPECT_EQ(w.GetCheck(IDC_CHECK_ACTIVE_HIGH), 1);
  EXPECT_EQ(Disabled(w), std::vector<int>{IDC_COMBO_STEP_MODE});

  // A board not identified yet is no BRAXO board: the rules keep its pin lists enabled.
  w.Click(IDC_CHECK_BRAXO_MODE);
  w.Click(IDC_CHECK_BRAXO_MODE);
  EXPECT_EQ(Disabled(w), (std::vector<int>{IDC_RADIO_50K, IDC_COMBO_PRESET, IDC_CHECK_ACTIVE_HIGH,
                                           IDC_COMBO_MOTOR_ON_PIN, IDC_COMBO_STEP_MODE}));
}

// Each preset on a connected generation-2 board in BRAXO mode: its row shows, typed text goes,
// and the enable rules follow the BRAXO mode the row leaves.
TEST(Panel, PresetsApplyTheirRowAndTheRules) {
  struct Case {
    int row;
    std::array<int, 8> pins;
    const char* motorOn;
    int activeHigh;
    const char* stepDuration;
    const char* dirDelay;
    int braxo;
    std::vector<int> disabled;
  };
  const Case cases[] = {
      {0, kStepOdd, "Pin17", 1, "30", "8", 1, kBraxoLocked},
      {1, kStepOdd, "Pin17", 1, "10", "0", 0, {IDC_COMBO_STEP_MODE}},
      {2, kStepEven, "Pin1", 1, "2", "2", 0, {IDC_COMBO_STEP_MODE}},
      {3, kStepEven, "Pin1", 0, "10", "0", 0, {IDC_COMBO_STEP_MODE}},
      {4, kStepOdd, "Pin17", 1, "30", "8", 0, {IDC_COMBO_STEP_MODE}},
      {5, kStepOdd, "Pin17", 0, "2", "2", 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    TestKit kit;
    auto& w = panel::StartOn(kit, "ZBK 2.1", kBraxoOnGen2);
    ASSERT_EQ(Disabled(w), kBraxoLocked);
    w.Type(IDC_EDIT_STEPS, "12");
    w.SelectItem(IDC_COMBO_PRESET, c.row);
    EXPECT_EQ(w.GetCurSel(IDC_COMBO_PRESET), c.row);
    EXPECT_EQ(PinSelections(w), c.pins);
    EXPECT_EQ(kit.Dialog().m_nPinIndex, c.pins);
    EXPECT_EQ(w.GetText(IDC_COMBO_MOTOR_ON_PIN), c.motorOn);
    EXPECT_EQ(w.GetCheck(IDC_CHECK_ACTIVE_HIGH), c.activeHigh);
    EXPECT_EQ(w.GetText(IDC_EDIT_STEPS), "96");
    EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), c.stepDuration);
    EXPECT_EQ(w.GetText(IDC_EDIT_DIR_DELAY), c.dirDelay);
    EXPECT_EQ(w.GetCheck(IDC_CHECK_BRAXO_MODE), c.braxo);
    EXPECT_EQ(Disabled(w), c.disabled);
    EXPECT_EQ(kit.Sent().size(), 4u);  // a preset only changes the panel
  }
}

TEST(Panel, AtelierNorvexAloneOpensTheStepModeList) {
  TestKit kit;
  auto& w = panel::StartOn(kit, "ZBK 2.1", kBraxoOnGen2);
  auto& d = kit.Dialog();
  ASSERT_EQ(d.m_nStepMode, 3);
  w.SelectItem(IDC_COMBO_PRESET, 5);
  EXPECT_TRUE(w.IsControlEnabled(IDC_COMBO_STEP_MODE));
  w.SelectItem(IDC_COMBO_STEP_MODE, 1);
  w.SelectItem(IDC_COMBO_PRESET, 2);
  EXPECT_FALSE(w.IsControlEnabled(IDC_COMBO_STEP_MODE));
  EXPECT_EQ(w.GetCurSel(IDC_COMBO_STEP_MODE), 1);  // disabled, its selection kept
  w.SelectItem(IDC_COMBO_PRESET, 5);
  EXPECT_EQ(w.GetCurSel(IDC_COMBO_STEP_MODE), 3);  // the stored step mode again
}

// Before any Connect the presets set the members and select in still-empty lists; the enable
// rules have not run and are not run.
TEST(Panel, PresetBeforeTheFirstConnectLeavesTheControlsAsTheyAre) {
  TestKit kit;
  auto& w = kit.Start();
  w.SelectItem(IDC_COMBO_PRESET, 2);  // "LORVEN"
  EXPECT_EQ(kit.Dialog().m_nPinIndex, kStepEven);
  EXPECT_EQ(PinSelections(w), (std::array<int, 8>{-1, -1, -1, -1, -1, -1, -1, -1}));
  EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), "2");
  EXPECT_EQ(w.GetText(IDC_COMBO_MOTOR_ON_PIN), "Pin1");
  EXPECT_EQ(Disabled(w), std::vector<int>{IDC_COMBO_STEP_MODE});
}

TEST(Panel, BraxoModeClickSetsItsValuesAndTheRulesFollowTheCheck) {
  TestKit kit;
  auto& w = panel::StartOn(kit, "ZBK 2.1",
                           {1, 1, 15, 4, 0, 3, {0, 2, 4, 6, 1, 3, 5, 7}, 0, 0});  // 20 kHz
  auto& d = kit.Dialog();
  w.Click(IDC_CHECK_BRAXO_MODE);
  EXPECT_EQ(w.GetCheck(IDC_CHECK_BRAXO_MODE), 1);
  EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), "50");
  EXPECT_EQ(w.GetText(IDC_EDIT_DIR_DELAY), "14");
  EXPECT_EQ(w.GetCheck(IDC_RADIO_TIMER_10K), 1);
  EXPECT_EQ(w.GetCheck(IDC_RADIO_20K), 0);
  EXPECT_EQ(w.GetText(IDC_COMBO_MOTOR_ON_PIN), "Pin17");
  EXPECT_EQ(w.GetCheck(IDC_CHECK_ACTIVE_HIGH), 1);
  EXPECT_EQ(d.m_nStepMode, 0);
  EXPECT_EQ(w.GetCurSel(IDC_COMBO_STEP_MODE), 3);  // the list keeps its selection
  EXPECT_EQ(Disabled(w), kBraxoLocked);

  // Clearing it changes no value; the edits and all three radios (generation 2) come back.
  w.SelectItem(IDC_COMBO_MOTOR_ON_PIN, 0);
  w.Click(IDC_CHECK_BRAXO_MODE);
  EXPECT_EQ(w.GetCheck(IDC_CHECK_BRAXO_MODE), 0);
  EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), "50");
  EXPECT_EQ(w.GetText(IDC_COMBO_MOTOR_ON_PIN), "Pin1");
  EXPECT_EQ(Disabled(w), std::vector<int>{IDC_COMBO_STEP_MODE});
  EXPECT_EQ(kit.Sent().size(), 4u);  // the startup Connect only
}

// A field that fails the check stops the exchange before the BRAXO mode member: the click goes on
// with the mode the member held, and the panel shows that mode again.
TEST(Panel, BraxoModeClickAfterAFailedCheckGoesOnWithTheModeItHeld) {
  TestKit kit;
  auto& w = panel::StartOn(kit, "ZBK 2.1", kBraxoOnGen2);
  ASSERT_EQ(w.GetCheck(IDC_CHECK_BRAXO_MODE), 1);
  ASSERT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), "30");
  w.SetText(IDC_EDIT_STEPS, "500");  // "# Step" takes 1 to 128
  w.Click(IDC_CHECK_BRAXO_MODE);     // the user clears the check
  EXPECT_EQ(kit.Boxes().size(), 1u);
  EXPECT_EQ(kit.Dialog().m_outcome.kind, Outcome::kRefused);
  EXPECT_EQ(w.GetCheck(IDC_CHECK_BRAXO_MODE), 1);
  EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), "50");
  EXPECT_EQ(w.GetText(IDC_EDIT_DIR_DELAY), "14");
  EXPECT_EQ(w.GetText(IDC_COMBO_MOTOR_ON_PIN), "Pin17");
  EXPECT_EQ(w.GetCheck(IDC_CHECK_ACTIVE_HIGH), 1);
  EXPECT_EQ(Disabled(w), kBraxoLocked);
  EXPECT_EQ(kit.Sent().size(), 4u);
}

// An index outside the table applies no row, and the panel still shows the members.
TEST(Panel, PresetOutsideTheTableAppliesNoRowButShowsTheMembers) {
  for (int index : {-1, 6}) {
    SCOPED_TRACE(index);
    TestKit kit;
    auto& w = panel::StartOn(kit, "ZBK 2.1", kBraxoOnGen2);
    auto& d = kit.Dialog();
    const auto pins = d.m_nPinIndex;
    w.SetText(IDC_EDIT_STEPS, "12");
    w.SetText(IDC_EDIT_STEP_DURATION, "99");
    d.ApplyPreset(index);
    EXPECT_EQ(w.GetText(IDC_EDIT_STEPS), "96");
    EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), "30");
    EXPECT_EQ(w.GetCheck(IDC_CHECK_BRAXO_MODE), 1);
    EXPECT_EQ(d.m_nPinIndex, pins);
    EXPECT_EQ(PinSelections(w), pins);
    EXPECT_TRUE(kit.Boxes().empty());
  }
}
