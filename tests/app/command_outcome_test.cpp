// Every command leaves what it came to in the dialog's m_outcome: each command, in the situations
// that end it differently, and the outcome it must leave. Batch mode decides on these values
// alone, so a command that reports the wrong one would pass a failure off as success.

#include "app/command_outcome.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "kit/test_kit.h"
#include "pic/pic_dialog_support.h"

using namespace app;

namespace app {

void PrintTo(Outcome kind, std::ostream* os) {
  constexpr const char* kNames[] = {"done",     "refused",   "failed",  "link failed",
                                    "not idle", "cancelled", "no board"};
  *os << kNames[static_cast<int>(kind)];
}

void PrintTo(const CommandOutcome& outcome, std::ostream* os) {
  PrintTo(outcome.kind, os);
  if (!outcome.reason.empty()) *os << ": " << outcome.reason;
}

}  // namespace app

namespace {

const pictest::TempDir& Files() {
  static const pictest::TempDir dir;
  return dir;
}

std::string GoodHex() {
  return Files()
      .Write("good.hex", pictest::WordRecord(0, {0x280A, 0x3FFF}) + "\n" + pictest::kEndRecord)
      .string();
}

std::string BadHex() {
  // A checksum that does not add up.
  return Files().Write("bad.hex", ":0400000000000000FF\n" + pictest::kEndRecord).string();
}

using Step = std::function<void(TestKit&)>;

Step Click(int id) {
  return [id](TestKit& kit) { kit.Window().Click(id); };
}

Step Type(int id, std::string text) {
  return [id, text](TestKit& kit) { kit.Window().SetText(id, text); };
}

Step Then(Step first, Step second) {
  return [first, second](TestKit& kit) {
    first(kit);
    second(kit);
  };
}

struct Case {
  const char* name;
  const char* version;  // nullptr: no board on the bus
  Step prepare;         // after the dialog opened; may be empty
  Step act;
  Outcome kind;
  std::string reason;
};

std::vector<Case> Cases() {
  const Step noReply = [](TestKit& kit) { kit.bus.DropReplyAfter(kit.board, 0); };
  const Step writeFails = [](TestKit& kit) { kit.bus.FailWriteAfter(kit.board, 0); };
  const Step cancelEverything = [](TestKit& kit) {
    kit.host.SetAnswerer([](const headless::ShownBox&) { return ui::IDCANCEL; });
  };
  const std::string field(kFieldCheckFailed);
  return {
      {"Connect", "ZBK 2.1", nullptr, Click(IDC_BUTTON_CONNECT), Outcome::kDone, ""},
      {"Connect, no board", nullptr, nullptr, Click(IDC_BUTTON_CONNECT), Outcome::kNoBoard, ""},
      {"Connect, no reply", "ZBK 2.1", noReply, Click(IDC_BUTTON_CONNECT), Outcome::kLinkFailed,
       ""},
      // An unknown version text asks for nothing more: the command is done.
      {"Connect, unknown board", "XYZ 9", nullptr, Click(IDC_BUTTON_CONNECT), Outcome::kDone, ""},

      {"Status", "ZBK 2.1", nullptr, Click(IDC_BUTTON_STATUS), Outcome::kDone, ""},
      {"Status, no board", nullptr, nullptr, Click(IDC_BUTTON_STATUS), Outcome::kNoBoard, ""},
      {"Status, write fails", "ZBK 2.1", writeFails, Click(IDC_BUTTON_STATUS), Outcome::kLinkFailed,
       ""},
      {"Status, no reply", "ZBK 2.1", noReply, Click(IDC_BUTTON_STATUS), Outcome::kLinkFailed, ""},

      {"Motor On", "ZBK 2.1", nullptr, Click(IDC_BUTTON_MOTOR_ON), Outcome::kDone, ""},
      {"Motor On, no board", nullptr, nullptr, Click(IDC_BUTTON_MOTOR_ON), Outcome::kNoBoard, ""},
      // The report still goes out, but the user was told a field is wrong.
      {"Motor On, bad field", "ZBK 2.1", Type(IDC_EDIT_MOTORS, "x"), Click(IDC_BUTTON_MOTOR_ON),
       Outcome::kRefused, field},
      {"Motor Off, write fails", "ZBK 2.1", writeFails, Click(IDC_BUTTON_MOTOR_OFF),
       Outcome::kLinkFailed, ""},
      {"test buffer, bad field", "ZBK 2.1", Type(IDC_EDIT_MOTORS, "-1"),
       [](TestKit& kit) {
         kit.Dialog().Dispatch(
             {ui::MsgKind::Command, IDC_BUTTON_TEST_BUFFER, ui::Notification::Clicked});
       },
       Outcome::kRefused, field},

      {"Cut Forward", "ZBK 2.1", nullptr, Click(IDC_BUTTON_CUT_FORWARD), Outcome::kDone, ""},
      {"Cut Back, generation 1", "ZBK V1.0", nullptr, Click(IDC_BUTTON_CUT_BACK), Outcome::kDone,
       ""},
      {"Cut Forward, no board", nullptr, nullptr, Click(IDC_BUTTON_CUT_FORWARD), Outcome::kNoBoard,
       ""},
      {"Cut Forward, steps 0", "ZBK 2.1", Type(IDC_EDIT_STEPS, "0"), Click(IDC_BUTTON_CUT_FORWARD),
       Outcome::kRefused, field},
      {"Cut Back, board stays busy", "ZBK 2.1",
       [](TestKit& kit) {
         for (int i = 0; i < 200; ++i) kit.bus.ScriptReply(kit.board, {0, 127});
       },
       Click(IDC_BUTTON_CUT_BACK), Outcome::kNotIdle, ""},
      {"Cut Forward, no reply to the status", "ZBK 2.1", noReply, Click(IDC_BUTTON_CUT_FORWARD),
       Outcome::kLinkFailed, ""},
      // 5 x 100 ticks at 50 kHz: more than a 'q' command carries.
      {"Cut Forward, period beyond the 'q' layout", "ZBK 2.1",
       Then(Type(IDC_EDIT_STEP_RATE, "100"), Click(IDC_RADIO_50K)), Click(IDC_BUTTON_CUT_FORWARD),
       Outcome::kRefused,
       "a step period of 500 timer ticks is longer than the 480 a 'q' command carries"},
      // 5 x 96 = 480 ticks fits the layout, but the command would end past byte 64.
      {"Cut Forward, 'q' command longer than the report", "ZBK 2.1",
       Then(Type(IDC_EDIT_STEP_RATE, "96"), Click(IDC_RADIO_50K)), Click(IDC_BUTTON_CUT_FORWARD),
       Outcome::kRefused,
       "the 'q' command for a step period of 480 timer ticks does not fit the board's 65-byte "
       "report"},
      {"Cut Forward, write of the cut fails", "ZBK 2.1",
       [](TestKit& kit) { kit.bus.FailWriteAfter(kit.board, 1); }, Click(IDC_BUTTON_CUT_FORWARD),
       Outcome::kLinkFailed, ""},

      {"Program ZBK", "ZBK 2.1", nullptr, Click(IDC_BUTTON_PROGRAM), Outcome::kDone, ""},
      {"Program ZBK, no board", nullptr, nullptr, Click(IDC_BUTTON_PROGRAM), Outcome::kNoBoard, ""},
      {"Program ZBK, rate 128", "ZBK 2.1", Type(IDC_EDIT_STEP_RATE, "128"),
       Click(IDC_BUTTON_PROGRAM), Outcome::kRefused, field},
      {"Program ZBK, dir delay 600", "ZBK 2.1", Type(IDC_EDIT_DIR_DELAY, "600"),
       Click(IDC_BUTTON_PROGRAM), Outcome::kRefused, std::string(kParametersRefused)},
      {"Program ZBK, no reply", "ZBK 2.1", noReply, Click(IDC_BUTTON_PROGRAM), Outcome::kLinkFailed,
       ""},

      {"BRAXO mode", "ZBK 2.1", nullptr, Click(IDC_CHECK_BRAXO_MODE), Outcome::kDone, ""},
      {"BRAXO mode, bad field", "ZBK 2.1", Type(IDC_EDIT_STEP_DURATION, "ten"),
       Click(IDC_CHECK_BRAXO_MODE), Outcome::kRefused, field},
      {"preset", "ZBK 2.1", nullptr,
       [](TestKit& kit) { kit.Window().SelectItem(IDC_COMBO_PRESET, 2); }, Outcome::kDone, ""},

      {"Read PIC", "ZBK 2.1", nullptr, Click(IDC_BUTTON_READ_PIC), Outcome::kDone, ""},
      {"Read PIC, no board", nullptr, nullptr, Click(IDC_BUTTON_READ_PIC), Outcome::kNoBoard, ""},
      {"Read PIC, no reply", "ZBK 2.1", noReply, Click(IDC_BUTTON_READ_PIC), Outcome::kLinkFailed,
       ""},

      {"Program PIC", "ZBK 2.1", [](TestKit& kit) { kit.host.QueueFileAnswer(GoodHex()); },
       Click(IDC_BUTTON_PROGRAM_PIC), Outcome::kDone, ""},
      {"Program PIC, no file chosen", "ZBK 2.1", nullptr, Click(IDC_BUTTON_PROGRAM_PIC),
       Outcome::kCancelled, std::string(kNoHexFileChosen)},
      {"Program PIC, refused file", "ZBK 2.1",
       [](TestKit& kit) { kit.host.QueueFileAnswer(BadHex()); }, Click(IDC_BUTTON_PROGRAM_PIC),
       Outcome::kRefused, std::string(kHexFileRefused)},
      {"Program PIC, record refused by the board", "ZBK 2.1",
       [](TestKit& kit) {
         kit.BoardModel().SetPicRevisionA(true);  // the headers say revision B
         kit.host.QueueFileAnswer(GoodHex());
       },
       Click(IDC_BUTTON_PROGRAM_PIC), Outcome::kFailed, std::string(kPicProgrammingFailed)},
      // A reply that never comes leaves the record unaccepted: the failure the box reported.
      {"Program PIC, no reply", "ZBK 2.1",
       [](TestKit& kit) {
         kit.bus.DropReplyAfter(kit.board, 3);  // the three dummy reads are answered
         kit.host.QueueFileAnswer(GoodHex());
       },
       Click(IDC_BUTTON_PROGRAM_PIC), Outcome::kFailed, std::string(kPicProgrammingFailed)},

      {"Erase PIC", "ZBK 2.1", nullptr, Click(IDC_BUTTON_ERASE_PIC), Outcome::kDone, ""},
      {"Erase PIC, not confirmed", "ZBK 2.1", cancelEverything, Click(IDC_BUTTON_ERASE_PIC),
       Outcome::kCancelled, std::string(kEraseNotConfirmed)},
      {"Erase PIC, write fails", "ZBK 2.1",
       [](TestKit& kit) { kit.bus.FailWriteAfter(kit.board, 3); }, Click(IDC_BUTTON_ERASE_PIC),
       Outcome::kLinkFailed, ""},
  };
}

}  // namespace

TEST(CommandOutcome, EachCommandLeavesWhatItCameTo) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    TestKit kit;
    if (c.version) kit.AddBoard(c.version);
    kit.Start();
    if (c.prepare) c.prepare(kit);
    c.act(kit);
    EXPECT_EQ(kit.Dialog().m_outcome.kind, c.kind);
    EXPECT_EQ(kit.Dialog().m_outcome.reason, c.reason);
  }
}

TEST(CommandOutcome, EveryCommandStartsAfresh) {
  TestKit kit;
  kit.AddBoard("ZBK 2.1");
  auto& w = kit.Start();
  w.SetText(IDC_EDIT_STEPS, "999");
  w.Click(IDC_BUTTON_PROGRAM);
  ASSERT_EQ(kit.Dialog().m_outcome.kind, Outcome::kRefused);

  // Status reads no field: the refusal before it is not its own.
  w.Click(IDC_BUTTON_STATUS);
  EXPECT_EQ(kit.Dialog().m_outcome, CommandOutcome{});

  kit.bus.DropReplyAfter(kit.board, 0);
  w.Click(IDC_BUTTON_STATUS);
  ASSERT_EQ(kit.Dialog().m_outcome.kind, Outcome::kLinkFailed);
  // The board found again, Connect opens the link anew and is done.
  kit.bus.ClearFaults(kit.board);
  kit.bus.Replug(kit.board);
  w.Click(IDC_BUTTON_CONNECT);
  EXPECT_EQ(kit.Dialog().m_outcome, CommandOutcome{});
}

TEST(CommandOutcome, TheConnectPromptsTimerConnectsAndIsDone) {
  TestKit kit;
  const int board = kit.AddBoard("ZBK 2.1");
  kit.bus.Unplug(board);
  auto& w = kit.Start();
  w.Click(IDC_BUTTON_MOTOR_ON);
  ASSERT_EQ(kit.Dialog().m_outcome.kind, Outcome::kNoBoard);
  kit.bus.Plug(board);
  kit.host.AdvanceTime(500);
  EXPECT_EQ(kit.Dialog().m_bBoardPresent, 1);
  EXPECT_EQ(kit.Dialog().m_outcome, CommandOutcome{});
}
