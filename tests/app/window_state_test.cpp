// The state every command shares: the log, the jumper prompts, the board guard and the wait for
// the board with its connect prompt.

#include <gtest/gtest.h>

#include "hidlink/hid_link.h"
#include "kit/test_kit.h"

using namespace app;

namespace {

headless::HeadlessWindow* PromptOf(TestKit& kit) {
  for (auto* w : kit.host.Windows()) {
    if (w->Template().id == IDD_CONNECT_PROMPT) return w;
  }
  return nullptr;
}

bool CentredOn(const ui::Rect& inner, const ui::Rect& outer) {
  return inner.left == (outer.left + outer.right - inner.Width()) / 2 &&
         inner.top == (outer.top + outer.bottom - inner.Height()) / 2;
}

}  // namespace

TEST(ConnectPrompt, WaitsForTheBoardAndGoesWhenItArrives) {
  TestKit kit;
  const int board = kit.AddBoard();
  kit.bus.Unplug(board);
  auto& w = kit.Start();
  ASSERT_EQ(PromptOf(kit), nullptr);

  EXPECT_FALSE(kit.Dialog().ConnectOrPrompt());
  EXPECT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 0);
  auto* prompt = PromptOf(kit);
  ASSERT_NE(prompt, nullptr);
  EXPECT_FALSE(prompt->IsWindowVisible());  // shown from the first tick only
  EXPECT_TRUE(w.TimerRunning(kConnectTimerId));
  EXPECT_EQ(w.TimerPeriod(kConnectTimerId), 500u);
  for (int id : {IDC_EDIT_STEP_DURATION, IDC_EDIT_DIR_DELAY, IDC_CHECK_BRAXO_MODE}) {
    EXPECT_FALSE(w.IsControlEnabled(id)) << id;
  }
  EXPECT_TRUE(kit.Log().empty());
  EXPECT_TRUE(kit.Sent().empty());

  kit.host.AdvanceTime(499);
  EXPECT_FALSE(prompt->IsWindowVisible());
  kit.host.AdvanceTime(1);
  EXPECT_TRUE(prompt->IsWindowVisible());
  EXPECT_TRUE(CentredOn(prompt->GetWindowRect(), w.GetWindowRect()));

  // The user moves the main window: within a tick the prompt is centred on it again.
  const auto r = w.GetWindowRect();
  w.MoveWindow({r.left + 301, r.top + 77, r.right + 301, r.bottom + 77}, true);
  kit.host.AdvanceTime(500);
  EXPECT_TRUE(CentredOn(prompt->GetWindowRect(), w.GetWindowRect()));
  EXPECT_TRUE(prompt->IsWindowVisible());

  // Escape or Enter only hides it; the next tick shows it again.
  prompt->PressEscape();
  EXPECT_FALSE(prompt->IsWindowVisible());
  EXPECT_FALSE(prompt->Destroyed());
  kit.host.AdvanceTime(500);
  ASSERT_TRUE(prompt->IsWindowVisible());
  prompt->PressEnter();
  EXPECT_FALSE(prompt->IsWindowVisible());
  EXPECT_FALSE(prompt->Destroyed());
  EXPECT_TRUE(w.TimerRunning(kConnectTimerId));
  EXPECT_EQ(PromptOf(kit), prompt);
  kit.host.AdvanceTime(500);
  EXPECT_TRUE(prompt->IsWindowVisible());

  kit.bus.Plug(board);
  kit.host.AdvanceTime(500);
  EXPECT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 1);
  EXPECT_EQ(kit.Dialog().m_bBoardPresent, 1);
  EXPECT_FALSE(w.TimerRunning(kConnectTimerId));
  for (int id : {IDC_EDIT_STEP_DURATION, IDC_EDIT_DIR_DELAY, IDC_CHECK_BRAXO_MODE}) {
    EXPECT_TRUE(w.IsControlEnabled(id)) << id;
  }
  EXPECT_FALSE(prompt->IsWindowVisible());
  EXPECT_FALSE(prompt->Destroyed());  // hidden, never destroyed
  EXPECT_EQ(PromptOf(kit), prompt);
}

TEST(ConnectPrompt, ASecondOpeningReusesTheWindowAndRestartsTheTimer) {
  TestKit kit;
  kit.Start();
  kit.Dialog().ConnectOrPrompt();
  kit.host.AdvanceTime(400);
  kit.Dialog().ConnectOrPrompt();
  EXPECT_EQ(kit.host.Windows().size(), 2u);
  auto* prompt = PromptOf(kit);
  kit.host.AdvanceTime(499);  // 900 ms after the first opening: no tick yet
  EXPECT_FALSE(prompt->IsWindowVisible());
  kit.host.AdvanceTime(1);
  EXPECT_TRUE(prompt->IsWindowVisible());
}

TEST(ConnectPrompt, ATickDuringAnEarlierTicksBoxDoesNothing) {
  TestKit kit;
  kit.bus.AddDevice(0x1234, 0x5678, /*openable=*/false);  // every discovery shows two boxes
  kit.Start();
  ASSERT_EQ(kit.Boxes().size(), 2u);
  kit.host.ClearBoxes();
  kit.Dialog().ConnectOrPrompt();
  ASSERT_EQ(kit.Boxes().size(), 2u);
  kit.host.ClearBoxes();
  bool once = false;
  kit.host.SetWhileBoxOpen([&](const headless::ShownBox&) {
    if (once) return;
    once = true;
    const int before = kit.bus.DiscoveryCount();
    kit.host.AdvanceTime(1500);  // three ticks while the box is open
    EXPECT_EQ(kit.bus.DiscoveryCount(), before);
  });
  kit.host.AdvanceTime(500);
  EXPECT_TRUE(once);
  EXPECT_EQ(kit.Boxes().size(), 2u);  // one tick's boxes, not four ticks'
}

TEST(ConnectPrompt, ABoardThatRefusesAccessAtStartUpIsWaitedForAndOneBoxComesAfter3s) {
  TestKit kit;
  const int board = kit.AddBoard();
  kit.bus.DenyAccess(board);
  auto& w = kit.Start();
  EXPECT_TRUE(kit.Boxes().empty());
  EXPECT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 0);
  EXPECT_EQ(kit.Dialog().m_bBoardPresent, 0);
  EXPECT_TRUE(kit.Log().empty());
  EXPECT_TRUE(w.TimerRunning(kConnectTimerId));

  kit.host.AdvanceTime(2999);
  EXPECT_TRUE(kit.Boxes().empty());
  ASSERT_NE(PromptOf(kit), nullptr);
  EXPECT_TRUE(PromptOf(kit)->IsWindowVisible());
  kit.host.AdvanceTime(1);
  EXPECT_EQ(kit.BoxTexts(), std::vector<std::string>{"CreateFile: Access is denied."});

  // Once a wait; the prompt keeps waiting and takes the board when access comes.
  kit.host.AdvanceTime(10'000);
  EXPECT_EQ(kit.Boxes().size(), 1u);
  EXPECT_TRUE(w.TimerRunning(kConnectTimerId));
  EXPECT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 0);
  EXPECT_TRUE(kit.Sent().empty());
  kit.bus.GrantAccess(board);
  kit.host.AdvanceTime(500);
  EXPECT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 1);
  EXPECT_FALSE(w.TimerRunning(kConnectTimerId));
  EXPECT_FALSE(PromptOf(kit)->IsWindowVisible());
  ASSERT_FALSE(kit.Log().empty());
  EXPECT_EQ(kit.Log().front(), "ZBK 2.1");
  EXPECT_EQ(kit.Boxes().size(), 1u);
}

TEST(ConnectPrompt, AccessGrantedWithinTheWaitConnectsWithoutABox) {
  TestKit kit;
  const int board = kit.AddBoard();
  kit.bus.DenyAccess(board, kit.clock.NowUs() + 1'200'000);
  auto& w = kit.Start();
  kit.host.AdvanceTime(1000);
  EXPECT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 0);
  kit.host.AdvanceTime(500);
  EXPECT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 1);
  EXPECT_EQ(kit.Log().front(), "ZBK 2.1");
  kit.host.AdvanceTime(5000);
  EXPECT_TRUE(kit.Boxes().empty());
}

TEST(ConnectPrompt, ARefusalAtThePressWaitsToo) {
  TestKit kit;
  const int board = kit.AddBoard();
  kit.bus.Unplug(board);
  auto& w = kit.Start();
  kit.bus.Plug(board);
  kit.bus.DenyAccess(board);
  w.Click(IDC_BUTTON_CONNECT);
  EXPECT_TRUE(kit.Boxes().empty());
  EXPECT_EQ(kit.Dialog().m_outcome.kind, Outcome::kNoBoard);
  // Unplugged for a tick: the three seconds start again.
  kit.host.AdvanceTime(2000);
  kit.bus.Unplug(board);
  kit.host.AdvanceTime(500);
  kit.bus.Plug(board);
  kit.host.AdvanceTime(2500);
  EXPECT_TRUE(kit.Boxes().empty());
  kit.host.AdvanceTime(500);
  EXPECT_EQ(kit.BoxTexts(), std::vector<std::string>{"CreateFile: Access is denied."});
  // A second press is a new wait, with its own box.
  w.Click(IDC_BUTTON_CONNECT);
  kit.host.AdvanceTime(3000);
  EXPECT_EQ(kit.Boxes().size(), 2u);
}

TEST(ConnectPrompt, ABoardFoundBeforeThatNowRefusesShowsTheBoxAtThePress) {
  TestKit kit;
  const int board = kit.AddBoard();
  auto& w = kit.Start();
  ASSERT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 1);
  kit.bus.Replug(board);
  kit.bus.DenyAccess(board);
  w.Click(IDC_BUTTON_CONNECT);
  EXPECT_EQ(kit.BoxTexts(), std::vector<std::string>{"CreateFile: Access is denied."});
  EXPECT_EQ(PromptOf(kit), nullptr);
  EXPECT_EQ(kit.Dialog().m_outcome.kind, Outcome::kLinkFailed);
}

TEST(BoardGuard, CommandsDoNothingBeforeTheBoardWasEverFound) {
  TestKit kit;
  auto& w = kit.Start();
  const int discoveries = kit.bus.DiscoveryCount();
  for (int id : {IDC_BUTTON_STATUS, IDC_BUTTON_CUT_FORWARD, IDC_BUTTON_CUT_BACK, IDC_BUTTON_PROGRAM,
                 IDC_BUTTON_READ_PIC, IDC_BUTTON_PROGRAM_PIC, IDC_BUTTON_ERASE_PIC}) {
    w.Click(id);
  }
  EXPECT_EQ(kit.bus.DiscoveryCount(), discoveries);
  EXPECT_TRUE(kit.Boxes().empty());
  EXPECT_TRUE(kit.Log().empty());
  EXPECT_EQ(PromptOf(kit), nullptr);
  EXPECT_EQ(kit.host.FileDialogsShown(), 0);
}

TEST(BoardGuard, UnpluggedAfterFoundStaysConnectedWithoutAPrompt) {
  TestKit kit;
  const int board = kit.AddBoard();
  auto& w = kit.Start();
  kit.bus.Unplug(board);
  w.Click(IDC_BUTTON_CONNECT);
  EXPECT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 1);
  EXPECT_EQ(PromptOf(kit), nullptr);
  const auto before = kit.Log().size();
  w.Click(IDC_BUTTON_STATUS);
  EXPECT_FALSE(hidlink::HidLink::connected);
  EXPECT_EQ(kit.Log().size(), before + 2);  // it still logs what the buffer holds
}

TEST(Jumper, AskedOncePerChangeAndTheAddrFieldResets) {
  TestKit kit;
  kit.AddBoard();
  auto& w = kit.Start();
  auto& d = kit.Dialog();
  w.SetText(IDC_EDIT_ADDR, "0x0123");
  d.RequireJumperPosition(1);
  ASSERT_EQ(kit.Boxes().size(), 1u);
  EXPECT_EQ(kit.Boxes()[0].text, "Put the QD5500 jump into programmation position");
  EXPECT_EQ(kit.Boxes()[0].caption, "QD5500 jump");
  EXPECT_EQ(kit.Boxes()[0].type, ui::MB_OK | ui::MB_ICONEXCLAMATION);
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x0000");
  d.RequireJumperPosition(1);
  EXPECT_EQ(kit.Boxes().size(), 1u);

  w.SetText(IDC_EDIT_ADDR, "0x0040");
  w.Click(IDC_BUTTON_STATUS);
  ASSERT_EQ(kit.Boxes().size(), 2u);
  EXPECT_EQ(kit.Boxes()[1].text, "Put the QD5500 jump into normal position");
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x0000");
  w.Click(IDC_BUTTON_STATUS);
  EXPECT_EQ(kit.Boxes().size(), 2u);

  // Closing in programming position asks once more.
  d.RequireJumperPosition(1);
  kit.host.ClearBoxes();
  w.PressEscape();
  ASSERT_EQ(kit.Boxes().size(), 1u);
  EXPECT_EQ(kit.Boxes()[0].text, "Put the QD5500 jump into normal position");
}

TEST(Log, LinesGoAtTheEndInArrivalOrderWithNothingSelected) {
  TestKit kit;
  auto& w = kit.Start();
  auto& d = kit.Dialog();
  d.AppendLog("b");
  d.AppendLog("a");
  d.AppendLog(std::string(150, 'x'));
  const auto log = kit.Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], "b");
  EXPECT_EQ(log[1], "a");
  EXPECT_EQ(log[2], std::string(99, 'x'));
  EXPECT_EQ(w.GetCurSel(IDC_LIST_LOG), -1);
}

TEST(Status, LogsTheReplyBytesAsSignedHexAndTheTime) {
  TestKit kit;
  const int board = kit.AddBoard();
  auto& w = kit.Start();
  kit.bus.ScriptReply(board, {0x00, 0x01, 0x00, 0x7F, 0x80, 0xFF, 0x00, 0x00, 0x10});
  kit.bus.ClearTrace();
  for (std::size_t i = 0; i < hidlink::HidLink::outReport.size(); ++i) {
    hidlink::HidLink::outReport[i] = static_cast<std::uint8_t>(0xC0 ^ i);
  }
  w.Click(IDC_BUTTON_STATUS);
  const auto sent = kit.Sent();
  ASSERT_EQ(sent.size(), 1u);
  ASSERT_EQ(sent[0].size(), 65u);
  EXPECT_EQ(sent[0][0], 0x00);
  EXPECT_EQ(sent[0][1], 's');
  // Only byte 1 is written: the rest is what the buffer held.
  for (std::size_t i = 2; i < sent[0].size(); ++i) EXPECT_EQ(sent[0][i], 0xC0 ^ i) << i;
  const auto log = kit.Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "1 0 7f ffffff80 ffffffff 0 0 10");
  EXPECT_EQ(log.back(), "0");  // an instant board on the virtual clock
}

TEST(Status, OnAUsbLikeBusTakesOneFrameOutAndOneIn) {
  TestKit kit;
  kit.bus.SetTiming(sim::Timing::UsbLike);
  const int board = kit.AddBoard();
  auto& w = kit.Start();
  w.Click(IDC_BUTTON_STATUS);
  const auto us = std::stoll(kit.Log().back());
  EXPECT_GE(us, 1000);
  EXPECT_LE(us, 2000);
  EXPECT_EQ(kit.Log()[kit.Log().size() - 2].substr(0, 2), "0 ");  // idle
  EXPECT_TRUE(kit.bus.Board(board)->Violations().empty());
}

TEST(Status, NoReplyShowsTheOldBufferAndAboutSixSeconds) {
  TestKit kit;
  const int board = kit.AddBoard();
  auto& w = kit.Start();
  kit.bus.ScriptReply(board, {0x00, 0x05, 0x00, 0x7F, 0x80, 0xFF, 0x00, 0x00, 0x10});
  w.Click(IDC_BUTTON_STATUS);
  ASSERT_EQ(kit.Log()[kit.Log().size() - 2], "5 0 7f ffffff80 ffffffff 0 0 10");
  kit.bus.SetNoReply(board, true);
  w.Click(IDC_BUTTON_STATUS);
  auto log = kit.Log();
  EXPECT_EQ(log[log.size() - 2], "5 0 7f ffffff80 ffffffff 0 0 10");  // the earlier reply
  EXPECT_EQ(log.back(), "6000000");
  EXPECT_FALSE(hidlink::HidLink::connected);
  w.Click(IDC_BUTTON_STATUS);  // the link is closed: nothing is sent, a time of nothing
  log = kit.Log();
  EXPECT_EQ(log[log.size() - 2], "5 0 7f ffffff80 ffffffff 0 0 10");
  EXPECT_EQ(log.back(), "0");
}
