// "Connect ZBK" through the dialog: version recognition, pin lists, read-back and enable rules,
// on the simulated board.

#include <gtest/gtest.h>

#include "hidlink/hid_link.h"
#include "kit/test_kit.h"
#include "params/panel_kit.h"
#include "params/parameter_tables.h"

using namespace app;
using panel::Disabled;
using panel::PinSelections;
using panel::Requests;
using Strings = std::vector<std::string>;

namespace {

const Strings kAllPins = {"Pin2(D0)", "Pin3(D1)", "Pin4(D2)", "Pin5(D3)",
                          "Pin6(D4)", "Pin7(D5)", "Pin8(D6)", "Pin9(D7)"};
const Strings kGen1Step = {"Pin3(D1)", "Pin5(D3)", "Pin7(D5)", "Pin9(D7)"};
const Strings kGen1Dir = {"Pin2(D0)", "Pin4(D2)", "Pin6(D4)", "Pin8(D6)"};
constexpr std::array<int, 8> kNoSelection = {-1, -1, -1, -1, -1, -1, -1, -1};
constexpr const char* kNoAnswer = "No answer from the board";

sim::StoredParameters Stored(std::uint8_t timer, std::uint8_t protocolV2, std::uint8_t stepHalf,
                             std::uint8_t dirHalf, std::uint8_t braxo, std::uint8_t stepMode,
                             std::array<std::uint8_t, 8> pins, std::uint8_t motorOn,
                             std::uint8_t activeHigh) {
  return {timer, protocolV2, stepHalf, dirHalf, braxo, stepMode, pins, motorOn, activeHigh};
}

const std::vector<int> kAllRuledAndStepMode = {
    IDC_EDIT_STEP_DURATION, IDC_EDIT_DIR_DELAY, IDC_RADIO_TIMER_10K,   IDC_RADIO_20K,
    IDC_RADIO_50K,          IDC_COMBO_STEP1,    IDC_COMBO_STEP2,       IDC_COMBO_STEP3,
    IDC_COMBO_STEP4,        IDC_COMBO_DIR1,     IDC_COMBO_DIR2,        IDC_COMBO_DIR3,
    IDC_COMBO_DIR4,         IDC_COMBO_PRESET,   IDC_CHECK_ACTIVE_HIGH, IDC_COMBO_MOTOR_ON_PIN,
    IDC_COMBO_STEP_MODE};
// Generation 1, or a board not identified yet, with BRAXO mode off.
const std::vector<int> kNoLaterGeneration = {IDC_RADIO_50K, IDC_COMBO_PRESET, IDC_CHECK_ACTIVE_HIGH,
                                             IDC_COMBO_MOTOR_ON_PIN, IDC_COMBO_STEP_MODE};

struct GenerationCase {
  const char* version;
  sim::StoredParameters stored;
  Strings requests;
  Strings log;
  Strings stepEntries, dirEntries;
  std::array<int, 8> pinSelections;
  const char* motorOn;
  int activeHigh;
  const char* stepDuration;
  const char* dirDelay;
  int braxo;
  int timerRadio;  // 1033, 1034 or 1040
  int stepModeSelection;
  int generation;
  std::vector<int> disabled;
};

}  // namespace

// OnInitDialog runs Connect when the board is there at start; each generation reads what it has.
TEST(Connect, EachGenerationReadsItsBlocksAndSetsThePanel) {
  const GenerationCase cases[] = {
      {"BRAXO 4",
       Stored(2, 1, 40, 40, 0, 4, {7, 7, 7, 7, 7, 7, 7, 7}, 0, 0),
       {"v"},
       {"BRAXO 4"},
       {},
       {},
       kNoSelection,
       "Pin1",  // as OnInitDialog left it
       1,
       "50",
       "14",
       1,
       IDC_RADIO_TIMER_10K,
       0,
       0,
       kAllRuledAndStepMode},
      {"ZBK V1.0",
       Stored(2, 0, 12, 3, 0, 2, {1, 3, 5, 7, 0, 2, 4, 6}, 0, 0),
       {"v", "I0", "I1"},
       {"ZBK V1.0", "Timer 20, ProtocolV2 0, TempoStep 24, TempoDir 6, BRAXO mode 0"},
       kGen1Step,
       kGen1Dir,
       {0, 1, 2, 3, 0, 1, 2, 3},
       "Pin17",
       1,
       "24",
       "6",
       0,
       IDC_RADIO_50K,  // stays selected on the disabled radio
       2,
       1,
       kNoLaterGeneration},
      {"ZBK 2.1",
       Stored(1, 1, 15, 4, 0, 3, {0, 2, 4, 6, 1, 3, 5, 7}, 0, 0),
       {"v", "I0", "I1", "I2"},
       {"ZBK 2.1", "Timer 50, ProtocolV2 1, TempoStep 30, TempoDir 8, BRAXO mode 0"},
       kAllPins,
       kAllPins,
       {0, 2, 4, 6, 1, 3, 5, 7},
       "Pin1",
       0,
       "30",
       "8",
       0,
       IDC_RADIO_20K,
       3,
       2,
       {IDC_COMBO_STEP_MODE}},
      {"ZBK 3.0",
       Stored(2, 1, 5, 1, 1, 4, {7, 6, 5, 4, 3, 2, 1, 0}, 1, 1),
       {"v", "I0", "I1", "I2"},
       {"ZBK 3.0", "Timer 20, ProtocolV2 1, TempoStep 10, TempoDir 2, BRAXO mode 1"},
       kAllPins,
       kAllPins,
       {7, 6, 5, 4, 3, 2, 1, 0},
       "Pin17",
       1,
       "10",
       "2",
       1,
       IDC_RADIO_50K,
       0,  // the step-mode byte is not read: the list keeps its selection
       3,
       {IDC_EDIT_STEP_DURATION, IDC_EDIT_DIR_DELAY, IDC_RADIO_TIMER_10K, IDC_RADIO_20K,
        IDC_RADIO_50K, IDC_COMBO_STEP_MODE}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    TestKit kit;
    auto& w = panel::StartOn(kit, c.version, c.stored);
    auto& d = kit.Dialog();
    EXPECT_EQ(Requests(kit), c.requests);
    EXPECT_EQ(kit.Log(), c.log);
    for (int id : {IDC_COMBO_STEP1, IDC_COMBO_STEP2, IDC_COMBO_STEP3, IDC_COMBO_STEP4})
      EXPECT_EQ(w.Items(id), c.stepEntries) << id;
    for (int id : {IDC_COMBO_DIR1, IDC_COMBO_DIR2, IDC_COMBO_DIR3, IDC_COMBO_DIR4})
      EXPECT_EQ(w.Items(id), c.dirEntries) << id;
    EXPECT_EQ(PinSelections(w), c.pinSelections);
    EXPECT_EQ(w.GetText(IDC_COMBO_MOTOR_ON_PIN), c.motorOn);
    EXPECT_EQ(w.GetCheck(IDC_CHECK_ACTIVE_HIGH), c.activeHigh);
    EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), c.stepDuration);
    EXPECT_EQ(w.GetText(IDC_EDIT_DIR_DELAY), c.dirDelay);
    EXPECT_EQ(w.GetCheck(IDC_CHECK_BRAXO_MODE), c.braxo);
    for (int radio : {IDC_RADIO_TIMER_10K, IDC_RADIO_20K, IDC_RADIO_50K})
      EXPECT_EQ(w.GetCheck(radio), radio == c.timerRadio ? 1 : 0) << radio;
    EXPECT_EQ(w.GetCurSel(IDC_COMBO_STEP_MODE), c.stepModeSelection);
    EXPECT_EQ(d.m_nBoardGeneration, c.generation);
    EXPECT_EQ(Disabled(w), c.disabled);
    EXPECT_TRUE(kit.BoardModel().Violations().empty());
  }
}

TEST(Connect, LowerCaseReplyIsNotAZbkReply) {
  TestKit kit;
  auto& w = panel::StartOn(kit, "zbk 2.0", sim::StoredParameters{});
  EXPECT_EQ(Requests(kit), Strings{"v"});
  EXPECT_EQ(kit.Log(), Strings{"zbk 2.0"});
  EXPECT_TRUE(w.Items(IDC_COMBO_STEP1).empty());
  EXPECT_EQ(kit.Dialog().m_nBoardGeneration, params::kGenerationUnknown);
  EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), "0");  // start values, nothing read
  EXPECT_EQ(Disabled(w), kNoLaterGeneration);
}

TEST(Connect, ZbkReplyWithoutAKnownPrefixGetsAllPinsAndKeepsTheGeneration) {
  TestKit kit;
  auto& w =
      panel::StartOn(kit, "ZBK V1.0", Stored(0, 0, 5, 0, 0, 0, {1, 3, 5, 7, 0, 2, 4, 6}, 1, 1));
  kit.bus.ScriptReply(kit.board, {0, 'Z', 'B', 'K', ' ', '9', 0});
  kit.bus.ClearTrace();
  w.Click(IDC_BUTTON_CONNECT);
  EXPECT_EQ(kit.Dialog().m_nBoardGeneration, 1);
  EXPECT_EQ(Requests(kit), (Strings{"v", "I0", "I1"}));  // still no motor-on block
  EXPECT_EQ(w.Items(IDC_COMBO_STEP1), kAllPins);
  EXPECT_EQ(w.Items(IDC_COMBO_DIR4), kAllPins);
  EXPECT_EQ(PinSelections(w), (std::array<int, 8>{0, 1, 2, 3, 0, 1, 2, 3}));
}

// The same reply before any generation is known: only generation 1 goes without block 2, so the
// motor-on block is read and taken.
TEST(Connect, ZbkReplyWithoutAKnownPrefixAtAnUnknownGenerationReadsTheMotorOnBlock) {
  TestKit kit;
  auto& w = panel::StartOn(kit, "ZBK 9", Stored(0, 0, 5, 0, 0, 0, {1, 3, 5, 7, 0, 2, 4, 6}, 1, 0));
  EXPECT_EQ(kit.Dialog().m_nBoardGeneration, params::kGenerationUnknown);
  EXPECT_EQ(Requests(kit), (Strings{"v", "I0", "I1", "I2"}));
  EXPECT_EQ(w.GetText(IDC_COMBO_MOTOR_ON_PIN), "Pin17");
  EXPECT_EQ(w.GetCheck(IDC_CHECK_ACTIVE_HIGH), 0);  // as stored, not generation 1's active high
  EXPECT_EQ(w.Items(IDC_COMBO_STEP1), kAllPins);
  EXPECT_TRUE(kit.BoardModel().Violations().empty());
}

// Timer byte 3 is no timer; duration bytes of 0x80 and more read back as 256 to 510 µs, and go
// out again as the bytes they came from.
TEST(Connect, TimingBlockEdgeBytes) {
  TestKit kit;
  auto& w =
      panel::StartOn(kit, "ZBK 2.1", Stored(1, 1, 5, 0, 0, 0, {0, 1, 2, 3, 4, 5, 6, 7}, 1, 1));
  auto& d = kit.Dialog();
  kit.bus.ScriptReply(kit.board, {0, 'Z', 'B', 'K', ' ', '2', '.', '1', 0});
  kit.bus.ScriptReply(kit.board, {0, 3, 0, 0xC8, 0x81, 2, 7});
  w.Click(IDC_BUTTON_CONNECT);
  EXPECT_EQ(d.m_nTimerChoice, 1);
  EXPECT_EQ(d.m_nTimerPeriod, 50);
  EXPECT_EQ(w.GetCheck(IDC_RADIO_20K), 1);
  EXPECT_EQ(kit.Log().back(), "Timer 50, ProtocolV2 0, TempoStep 400, TempoDir 258, BRAXO mode 0");
  EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), "400");
  EXPECT_EQ(w.GetText(IDC_EDIT_DIR_DELAY), "258");
  EXPECT_EQ(d.m_nStepMode, 7);
  EXPECT_EQ(w.GetCurSel(IDC_COMBO_STEP_MODE), -1);  // no such entry

  kit.bus.ClearTrace();
  w.Click(IDC_BUTTON_PROGRAM);
  const auto sent = kit.Sent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0][3], 0x81);
  EXPECT_EQ(sent[0][4], 0xC8);
  EXPECT_EQ(sent[0][7], 0xFF);  // the step-mode list has no selection
}

// On the first run there is no earlier period: the logged one stays at its start value.
TEST(Connect, UnknownTimerByteOnTheFirstRunLogsNoPeriod) {
  TestKit kit;
  kit.AddBoard("ZBK 2.1");
  kit.bus.ScriptReply(kit.board, {0, 'Z', 'B', 'K', ' ', '2', '.', '1', 0});
  kit.bus.ScriptReply(kit.board, {0, 3, 1, 5, 0, 0, 0});
  kit.Start();
  EXPECT_EQ(kit.Log().back(), "Timer 0, ProtocolV2 1, TempoStep 10, TempoDir 0, BRAXO mode 0");
  EXPECT_EQ(kit.Dialog().m_nTimerChoice, 0);
}

// Only replies that arrived in this run are decoded: the one that did not, and every one after
// it, leave what they would have set as it was.
TEST(Connect, DecodesOnlyTheRepliesThatArrived) {
  const auto before = Stored(0, 1, 5, 0, 0, 0, {1, 3, 5, 7, 0, 2, 4, 6}, 1, 1);
  const auto after = Stored(1, 1, 20, 3, 0, 2, {0, 2, 4, 6, 1, 3, 5, 7}, 0, 0);
  const std::string timerAfter = "Timer 50, ProtocolV2 1, TempoStep 40, TempoDir 6, BRAXO mode 0";
  struct Case {
    int repliesBeforeTheLoss;
    Strings requests;
    Strings logTail;
    bool timingRead, pinsRead, motorOnRead;
  };
  const Case cases[] = {
      {0, {"v"}, {kNoAnswer}, false, false, false},
      {1, {"v", "I0"}, {"ZBK 2.1", kNoAnswer}, false, false, false},
      {2, {"v", "I0", "I1"}, {"ZBK 2.1", timerAfter, kNoAnswer}, true, false, false},
      {3, {"v", "I0", "I1", "I2"}, {"ZBK 2.1", timerAfter, kNoAnswer}, true, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.repliesBeforeTheLoss);
    TestKit kit;
    auto& w = panel::StartOn(kit, "ZBK 2.1", before);
    auto& d = kit.Dialog();
    const auto logBefore = kit.Log().size();
    kit.BoardModel().SetParameters(after);
    kit.bus.DropReplyAfter(kit.board, c.repliesBeforeTheLoss);
    kit.bus.ClearTrace();
    w.Click(IDC_BUTTON_CONNECT);
    EXPECT_FALSE(hidlink::HidLink::connected);
    EXPECT_EQ(Requests(kit), c.requests);
    const auto log = kit.Log();
    EXPECT_EQ(Strings(log.begin() + static_cast<long>(logBefore), log.end()), c.logTail);
    EXPECT_EQ(d.m_nStepDuration, c.timingRead ? 40 : 10);
    EXPECT_EQ(d.m_nTimerChoice, c.timingRead ? 1 : 0);
    EXPECT_EQ(d.m_nStepMode, c.timingRead ? 2 : 0);
    EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), c.timingRead ? "40" : "10");
    EXPECT_EQ(d.m_nPinIndex, c.pinsRead ? (std::array<int, 8>{0, 2, 4, 6, 1, 3, 5, 7})
                                        : (std::array<int, 8>{1, 3, 5, 7, 0, 2, 4, 6}));
    EXPECT_EQ(d.m_nMotorOnPin, c.motorOnRead ? 0 : 1);
    EXPECT_EQ(w.GetText(IDC_COMBO_MOTOR_ON_PIN), "Pin17");
    EXPECT_EQ(w.GetCheck(IDC_CHECK_ACTIVE_HIGH), 1);
    EXPECT_EQ(d.m_nBoardGeneration, 2);
    EXPECT_EQ(Disabled(w), std::vector<int>{IDC_COMBO_STEP_MODE});  // the rules still hold
  }
}

// The version request writes byte 1 only: every other byte goes out as the buffer held it.
TEST(Connect, TheVersionRequestWritesOnlyItsLetter) {
  TestKit kit;
  auto& w = panel::StartOn(kit, "ZBK 2.1", sim::StoredParameters{});
  for (std::size_t i = 0; i < hidlink::HidLink::outReport.size(); ++i) {
    hidlink::HidLink::outReport[i] = static_cast<std::uint8_t>(0x5A ^ i);
  }
  kit.bus.ClearTrace();
  w.Click(IDC_BUTTON_CONNECT);
  const auto sent = kit.Sent();
  ASSERT_EQ(sent.size(), 4u);
  std::vector<std::uint8_t> expected(65);
  for (std::size_t i = 2; i < expected.size(); ++i)
    expected[i] = static_cast<std::uint8_t>(0x5A ^ i);
  expected[1] = 'v';
  EXPECT_EQ(sent[0], expected);
}

// Bytes an earlier reply left in the input buffer are never taken for a version text.
TEST(Connect, LeftoverBytesAreNoVersion) {
  TestKit kit;
  auto& w =
      panel::StartOn(kit, "ZBK 2.1", Stored(0, 1, 5, 0, 0, 0, {1, 3, 5, 7, 0, 2, 4, 6}, 1, 1));
  kit.bus.ScriptReply(kit.board, {0, 'B', 'R', 'A', 'X', 'O', 0});
  w.Click(IDC_BUTTON_STATUS);
  kit.bus.DropReplyAfter(kit.board, 0);
  w.Click(IDC_BUTTON_CONNECT);
  EXPECT_EQ(kit.Log().back(), kNoAnswer);
  EXPECT_EQ(kit.Dialog().m_nBoardGeneration, 2);
  EXPECT_EQ(kit.Dialog().m_nBraxoMode, 0);
  EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), "10");
  EXPECT_TRUE(w.IsControlEnabled(IDC_COMBO_PRESET));
}

TEST(Connect, ThePromptsTimerConnectsWhenTheBoardIsPluggedInLater) {
  TestKit kit;
  kit.AddBoard("ZBK 2.1");
  kit.bus.Unplug(kit.board);
  auto& w = kit.Start();
  w.Click(IDC_BUTTON_CONNECT);
  EXPECT_TRUE(kit.Sent().empty());
  EXPECT_FALSE(w.IsControlEnabled(IDC_EDIT_STEP_DURATION));
  kit.bus.Plug(kit.board);
  kit.host.AdvanceTime(500);
  EXPECT_EQ(Requests(kit), (Strings{"v", "I0", "I1", "I2"}));
  EXPECT_EQ(
      kit.Log(),
      (Strings{"ZBK 2.1", "Timer 100, ProtocolV2 1, TempoStep 10, TempoDir 0, BRAXO mode 0"}));
  EXPECT_EQ(w.Items(IDC_COMBO_STEP1), kAllPins);
  EXPECT_EQ(Disabled(w), std::vector<int>{IDC_COMBO_STEP_MODE});
  EXPECT_TRUE(kit.BoardModel().Violations().empty());
}
