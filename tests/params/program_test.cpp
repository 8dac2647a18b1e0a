// "Program ZBK" through the dialog: the bytes of the 'a' blocks on the wire, the refusals that
// keep a half-entered panel off the board, and a round trip through the simulated board.

#include <gtest/gtest.h>

#include <functional>

#include "hidlink/hid_link.h"
#include "kit/test_kit.h"
#include "params/panel_kit.h"

using namespace app;
using panel::Head;
using Bytes = std::vector<std::uint8_t>;

namespace {

sim::StoredParameters Stored(std::uint8_t timer, std::uint8_t stepHalf, std::uint8_t dirHalf,
                             std::uint8_t stepMode, std::array<std::uint8_t, 8> pins,
                             std::uint8_t motorOn, std::uint8_t activeHigh) {
  return {timer, 1, stepHalf, dirHalf, 0, stepMode, pins, motorOn, activeHigh};
}

const auto kGen2Stored = Stored(1, 15, 4, 3, {0, 2, 4, 6, 1, 3, 5, 7}, 0, 0);

}  // namespace

TEST(Program, WritesTheBlocksOfEachGeneration) {
  struct Case {
    const char* version;
    sim::StoredParameters stored;
    std::function<void(headless::HeadlessWindow&)> edit;
    std::vector<Bytes> reports;
  };
  const Case cases[] = {
      {"ZBK 2.1",
       kGen2Stored,
       [](auto& w) {
         w.SetText(IDC_EDIT_STEP_DURATION, "15");  // halved toward zero: 7
         w.SetText(IDC_EDIT_DIR_DELAY, "9");
         w.Click(IDC_RADIO_50K);
       },
       {{0, 'a', 0, 4, 7, 0, 2, 3, 0, 0, 0},
        {0, 'a', 1, 0, 2, 4, 6, 1, 3, 5, 7},
        // Bytes 5 on still hold the pin block's bytes.
        {0, 'a', 2, 0, 0, 4, 6, 1, 3, 5, 7}}},
      {"ZBK V1.0",
       Stored(0, 5, 0, 1, {1, 3, 5, 7, 0, 2, 4, 6}, 1, 1),
       [](auto& w) {
         for (int id : params::kPinListIds) w.SelectItem(id, 0);
       },
       {{0, 'a', 0, 0, 5, 0, 0, 1, 0, 0, 0}, {0, 'a', 1, 1, 1, 1, 1, 0, 0, 0, 0}}},
      // The pin lists of a BRAXO board were never filled.
      {"BRAXO",
       sim::StoredParameters{},
       [](auto&) {},
       {{0, 'a', 0, 7, 25, 1, 0, 0, 0, 0, 0},
        {0, 'a', 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    TestKit kit;
    auto& w = panel::StartOn(kit, c.version, c.stored);
    c.edit(w);
    kit.bus.ClearTrace();
    w.Click(IDC_BUTTON_PROGRAM);
    const auto sent = kit.Sent();
    ASSERT_EQ(sent.size(), c.reports.size());
    for (std::size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(Head(sent[i]), c.reports[i]) << i;
    EXPECT_EQ(kit.Log().back(), "Done: 0");  // an instant board on the virtual clock
    EXPECT_TRUE(kit.Boxes().empty());
    EXPECT_TRUE(kit.BoardModel().Violations().empty());
  }
}

// The members still hold what was there before the press; writing them would store values the
// user did not enter.
TEST(Program, AFieldThatFailsSendsNothing) {
  TestKit kit;
  auto& w = panel::StartOn(kit, "ZBK 2.1", kGen2Stored);
  w.SetText(IDC_EDIT_STEP_DURATION, "40");
  w.SetText(IDC_EDIT_STEPS, "");
  const auto log = kit.Log();
  kit.bus.ClearTrace();
  w.Click(IDC_BUTTON_PROGRAM);
  EXPECT_EQ(kit.BoxTexts(), std::vector<std::string>{"Please enter a positive integer."});
  EXPECT_TRUE(kit.Sent().empty());
  EXPECT_EQ(kit.Log(), log);
  EXPECT_EQ(kit.BoardModel().Parameters(), kGen2Stored);
}

TEST(Program, DurationsThatDoNotFitTheirByteAreRefusedBeforeAnythingIsSent) {
  struct Case {
    int field;
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {IDC_EDIT_STEP_DURATION, "512", "Step duration (µs) must be between 0 and 510."},
      {IDC_EDIT_DIR_DELAY, "511", "Delay for Dir before Step (µs) must be between 0 and 510."},
      {IDC_EDIT_STEP_DURATION, "100000", "Step duration (µs) must be between 0 and 510."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TestKit kit;
    auto& w = panel::StartOn(kit, "ZBK 2.1", kGen2Stored);
    w.SetText(c.field, c.text);
    kit.bus.ClearTrace();
    const auto log = kit.Log();
    w.Click(IDC_BUTTON_PROGRAM);
    EXPECT_EQ(kit.BoxTexts(), std::vector<std::string>{c.message});
    EXPECT_EQ(kit.Boxes().at(0).type, ui::MB_OK | ui::MB_ICONEXCLAMATION);
    EXPECT_EQ(w.GetFocus(), c.field);
    EXPECT_TRUE(kit.Sent().empty());
    EXPECT_EQ(kit.Log(), log);
  }

  // The largest durations that fit go out.
  TestKit kit;
  auto& w = panel::StartOn(kit, "ZBK 2.1", kGen2Stored);
  w.SetText(IDC_EDIT_STEP_DURATION, "510");
  w.SetText(IDC_EDIT_DIR_DELAY, "510");
  kit.bus.ClearTrace();
  w.Click(IDC_BUTTON_PROGRAM);
  ASSERT_EQ(kit.Sent().size(), 3u);
  EXPECT_EQ(kit.Sent()[0][3], 255);
  EXPECT_EQ(kit.Sent()[0][4], 255);
  EXPECT_TRUE(kit.Boxes().empty());
}

TEST(Program, TheMotorOnPinIsTheListsSelection) {
  TestKit kit;
  auto& w = panel::StartOn(kit, "ZBK 2.1", Stored(0, 5, 0, 0, {1, 3, 5, 7, 0, 2, 4, 6}, 1, 1));
  w.SelectItem(IDC_COMBO_MOTOR_ON_PIN, 0);  // "Pin1", chosen by hand
  kit.bus.ClearTrace();
  w.Click(IDC_BUTTON_PROGRAM);
  const auto sent = kit.Sent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[2][3], 0);
  EXPECT_EQ(kit.BoardModel().Parameters().motorOnPin, 0);
  EXPECT_EQ(kit.Dialog().m_nMotorOnPin, 0);
}

TEST(Program, AtGenerationThreeTheStepModeByteCarriesTheListsSelection) {
  TestKit kit;
  auto& w = panel::StartOn(kit, "ZBK 3.0", Stored(0, 5, 0, 0, {1, 3, 5, 7, 0, 2, 4, 6}, 1, 1));
  w.SelectItem(IDC_COMBO_PRESET, 5);  // "Atelier Norvex" enables the Step "Mode" list
  w.SelectItem(IDC_COMBO_STEP_MODE, 3);
  hidlink::HidLink::outReport[7] = 0x5A;  // what an earlier command might have left there
  kit.bus.ClearTrace();
  w.Click(IDC_BUTTON_PROGRAM);
  ASSERT_EQ(kit.Sent().size(), 3u);
  EXPECT_EQ(kit.Sent()[0][7], 3);
  EXPECT_EQ(kit.BoardModel().Parameters().stepMode, 3);
}

TEST(Program, WhatIsProgrammedComesBackOnConnect) {
  TestKit kit;
  auto& w = panel::StartOn(kit, "ZBK 2.1", kGen2Stored);
  w.SelectItem(IDC_COMBO_PRESET, 2);  // "LORVEN"
  w.SetText(IDC_EDIT_STEP_DURATION, "15");
  w.SetText(IDC_EDIT_DIR_DELAY, "8");
  w.Click(IDC_RADIO_TIMER_10K);
  w.SelectItem(IDC_COMBO_MOTOR_ON_PIN, 1);
  w.Click(IDC_CHECK_ACTIVE_HIGH);  // LORVEN checked it
  w.SelectItem(IDC_COMBO_STEP4, 3);
  w.Click(IDC_BUTTON_PROGRAM);
  const auto programmed = Stored(0, 7, 4, 3, {0, 2, 4, 3, 1, 3, 5, 7}, 1, 0);
  EXPECT_EQ(kit.BoardModel().Parameters(), programmed);

  // Another preset changes the panel; Connect shows the board's parameters again.
  w.SelectItem(IDC_COMBO_PRESET, 1);  // "QD5500-ZBK"
  w.Click(IDC_BUTTON_CONNECT);
  EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), "14");
  EXPECT_EQ(w.GetText(IDC_EDIT_DIR_DELAY), "8");
  EXPECT_EQ(w.GetCheck(IDC_RADIO_TIMER_10K), 1);
  EXPECT_EQ(panel::PinSelections(w), (std::array<int, 8>{0, 2, 4, 3, 1, 3, 5, 7}));
  EXPECT_EQ(w.GetText(IDC_COMBO_MOTOR_ON_PIN), "Pin17");
  EXPECT_EQ(w.GetCheck(IDC_CHECK_ACTIVE_HIGH), 0);
  EXPECT_EQ(w.GetCurSel(IDC_COMBO_STEP_MODE), 3);
  EXPECT_TRUE(kit.BoardModel().Violations().empty());
}
