// "Motor On", "Motor Off" and the hidden "test buffer" button: one report each through the
// one-way send, and the time it took. All three begin with the wait for the board.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hidlink/hid_link.h"
#include "kit/test_kit.h"

using namespace app;
using hidlink::HidLink;

namespace {

using Report = std::vector<std::uint8_t>;

bool IsNumber(const std::string& line) {
  return !line.empty() && line.find_first_not_of("0123456789") == std::string::npos;
}

// The buffer test button is never shown, so a user cannot click it: deliver its message.
void Press(TestKit& kit, int button) {
  if (button == IDC_BUTTON_TEST_BUFFER) {
    kit.Dialog().Dispatch({ui::MsgKind::Command, button, ui::Notification::Clicked});
  } else {
    kit.Window().Click(button);
  }
}

// The dialog on a board, the shared output buffer holding a pattern, the trace and the log empty.
headless::HeadlessWindow& StartOnBoard(TestKit& kit) {
  kit.AddBoard();
  auto& w = kit.Start();
  for (std::size_t i = 0; i < HidLink::outReport.size(); ++i) {
    HidLink::outReport[i] = static_cast<std::uint8_t>(0x5A ^ i);
  }
  kit.bus.ClearTrace();
  kit.host.ClearBoxes();
  while (w.GetCount(IDC_LIST_LOG) > 0) w.DeleteString(IDC_LIST_LOG, 0);
  return w;
}

// The report a one-byte-argument command sends from the buffer as it stands.
Report Expected(std::uint8_t letter, std::uint8_t argument) {
  Report r(HidLink::outReport.begin(), HidLink::outReport.begin() + HidLink::OutputLength());
  r[0] = 0;
  r[1] = letter;
  r[2] = argument;
  return r;
}

TEST(MotorPower, OnAndOffSendOneReportAndLogTheTime) {
  TestKit kit;
  StartOnBoard(kit);
  const Report on = Expected(0x6F, 0x01);
  Press(kit, IDC_BUTTON_MOTOR_ON);
  EXPECT_TRUE(kit.BoardModel().MotorOn());
  const Report off = Expected(0x6F, 0x00);
  Press(kit, IDC_BUTTON_MOTOR_OFF);
  EXPECT_FALSE(kit.BoardModel().MotorOn());

  EXPECT_EQ(kit.Sent(), (std::vector<Report>{on, off}));
  EXPECT_TRUE(kit.Received().empty());
  const auto log = kit.Log();
  ASSERT_EQ(log.size(), 2u);
  for (const auto& line : log) EXPECT_TRUE(IsNumber(line)) << line;
  EXPECT_TRUE(kit.BoardModel().Violations().empty());
}

TEST(MotorPower, TimeIsThatOfTheWrite) {
  TestKit kit;
  kit.bus.SetTiming(sim::Timing::UsbLike);
  StartOnBoard(kit);
  Press(kit, IDC_BUTTON_MOTOR_ON);
  const long long us = std::stoll(kit.Log().back());
  EXPECT_GT(us, 0);
  EXPECT_LE(us, 1000);  // one 1 ms frame
}

TEST(MotorPower, GoesOutAfterAFailedFieldCheck) {
  TestKit kit;
  auto& w = StartOnBoard(kit);
  w.SetText(IDC_EDIT_STEPS, "0");
  Press(kit, IDC_BUTTON_MOTOR_ON);
  EXPECT_EQ(kit.Boxes().size(), 1u);
  ASSERT_EQ(kit.Sent().size(), 1u);
  EXPECT_EQ(kit.Sent()[0][1], 0x6F);
  EXPECT_TRUE(kit.BoardModel().MotorOn());
  EXPECT_EQ(kit.Log().size(), 1u);
}

TEST(MotorPower, BoardUnpluggedAfterItWasFoundStillLogsTheTime) {
  TestKit kit;
  auto& w = StartOnBoard(kit);
  kit.bus.Unplug(kit.board);
  Press(kit, IDC_BUTTON_MOTOR_OFF);
  EXPECT_TRUE(kit.Sent().empty());
  EXPECT_FALSE(HidLink::connected);
  ASSERT_EQ(kit.Log().size(), 1u);
  EXPECT_TRUE(IsNumber(kit.Log()[0]));
  EXPECT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 1);
  EXPECT_EQ(kit.Dialog().m_bBoardPresent, 1);

  kit.bus.Plug(kit.board);  // the next press finds it again and sends
  Press(kit, IDC_BUTTON_MOTOR_ON);
  EXPECT_EQ(kit.Sent().size(), 1u);
  EXPECT_TRUE(kit.BoardModel().MotorOn());
}

TEST(BufferTest, SendsTheMotorsValueAndLogsTheTime) {
  for (const auto& [motors, byte2] : {std::pair{"255", 0xFF}, std::pair{"300", 0x2C}}) {
    TestKit kit;
    auto& w = StartOnBoard(kit);
    w.SetText(IDC_EDIT_MOTORS, motors);
    Report expected = Expected(0x54, static_cast<std::uint8_t>(byte2));
    Press(kit, IDC_BUTTON_TEST_BUFFER);
    EXPECT_EQ(kit.Sent(), (std::vector<Report>{expected}));
    EXPECT_TRUE(kit.Received().empty());
    ASSERT_EQ(kit.Log().size(), 1u);
    EXPECT_TRUE(IsNumber(kit.Log()[0]));
    EXPECT_EQ(kit.BoardModel().LastBufferTest(), byte2);
    EXPECT_TRUE(kit.BoardModel().Violations().empty());
  }
}

TEST(BufferTest, FailedFieldCheckSendsNothing) {
  for (auto [id, text] : {std::pair{IDC_EDIT_STEPS, "0"}, std::pair{IDC_EDIT_MOTORS, "x"}}) {
    TestKit kit;
    auto& w = StartOnBoard(kit);
    w.SetText(id, text);
    Press(kit, IDC_BUTTON_TEST_BUFFER);
    EXPECT_EQ(kit.Boxes().size(), 1u);
    EXPECT_TRUE(kit.Sent().empty());
    EXPECT_TRUE(kit.Log().empty());
    EXPECT_EQ(kit.BoardModel().BufferTests(), 0);
  }
}

const int kOpeningCommands[] = {IDC_BUTTON_MOTOR_ON, IDC_BUTTON_MOTOR_OFF, IDC_BUTTON_TEST_BUFFER};

TEST(OneWayCommands, WithoutABoardOpenTheConnectPrompt) {
  for (int button : kOpeningCommands) {
    SCOPED_TRACE(button);
    TestKit kit;
    auto& w = kit.Start();
    ASSERT_EQ(kit.host.Windows().size(), 1u);
    Press(kit, button);
    bool prompt = false;
    for (auto* window : kit.host.Windows()) {
      prompt = prompt || window->Template().id == IDD_CONNECT_PROMPT;
    }
    EXPECT_TRUE(prompt);
    EXPECT_TRUE(w.TimerRunning(kConnectTimerId));
    EXPECT_EQ(w.TimerPeriod(kConnectTimerId), 500u);
    for (int id : {IDC_EDIT_STEP_DURATION, IDC_EDIT_DIR_DELAY, IDC_CHECK_BRAXO_MODE}) {
      EXPECT_FALSE(w.IsControlEnabled(id)) << id;
    }
    EXPECT_TRUE(kit.Log().empty());
    EXPECT_EQ(kit.bus.WriteCount(), 0);
    EXPECT_TRUE(kit.Boxes().empty());
  }
}

TEST(OneWayCommands, BoardPluggedInButNotYetFoundIsFoundAndSentTo) {
  for (int button : kOpeningCommands) {
    SCOPED_TRACE(button);
    TestKit kit;
    const int board = kit.AddBoard();
    kit.bus.Unplug(board);
    auto& w = kit.Start();
    kit.bus.Plug(board);
    Press(kit, button);
    EXPECT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 1);
    EXPECT_EQ(kit.Dialog().m_bBoardPresent, 1);
    EXPECT_EQ(kit.Sent().size(), 1u);
    EXPECT_EQ(kit.Log().size(), 1u);
  }
}

TEST(OneWayCommands, AskForTheNormalJumperPositionBeforeSending) {
  for (int button : kOpeningCommands) {
    SCOPED_TRACE(button);
    TestKit kit;
    StartOnBoard(kit);
    kit.Dialog().m_nJumperPos = 1;
    int writesAtBox = -1;
    kit.host.SetWhileBoxOpen(
        [&](const headless::ShownBox&) { writesAtBox = kit.bus.WriteCount(); });
    const int writesBefore = kit.bus.WriteCount();
    Press(kit, button);
    EXPECT_EQ(kit.BoxTexts(),
              (std::vector<std::string>{"Put the QD5500 jump into normal position"}));
    EXPECT_EQ(writesAtBox, writesBefore);
    EXPECT_EQ(kit.Sent().size(), 1u);
  }
}

}  // namespace
