#pragma once
// The test kit: the main dialog on the headless host and the simulated bus, with a virtual clock.
//
//   TestKit kit;
//   int board = kit.AddBoard("ZBK 2.1");          // devices before Start; none: no board
//   auto& w = kit.Start();                        // constructs the dialog, runs OnInitDialog
//   kit.host.QueueAnswer(ui::IDCANCEL);           // the next message box's answer
//   w.Click(app::IDC_BUTTON_STATUS);              // act as the user
//   EXPECT_EQ(kit.Log().back(), "1234");          // the log list's lines
//   EXPECT_EQ(kit.Sent().back()[1], 's');         // reports that reached the board
//   kit.host.AdvanceTime(500);                    // timer ticks on the virtual clock
//   kit.bus.SetNoReply(board, true);              // faults of the simulated bus
//
// Everything process-wide (host, clock, link, stopwatch probe) starts afresh with each kit: it
// runs in a session of its own.

#include <memory>
#include <string>
#include <vector>

#include "app/chid_test_dlg.h"
#include "app/resource_ids.h"
#include "clock/clock.h"
#include "headless/headless_host.h"
#include "program/session.h"
#include "sim/sim_hid_platform.h"

class TestKit {
 public:
  TestKit();
  ~TestKit();
  TestKit(const TestKit&) = delete;
  TestKit& operator=(const TestKit&) = delete;

  int AddBoard(std::string version = "ZBK 2.1", std::uint16_t outputLength = 65,
               std::uint16_t inputLength = 65);
  headless::HeadlessWindow& Start();
  app::Chid_testDlg& Dialog() { return *dialog_; }
  headless::HeadlessWindow& Window() { return *window_; }
  sim::ZbkBoard& BoardModel() { return *bus.Board(board); }

  std::vector<std::string> Log() const;
  // Reports written to the board, and replies it sent, in order.
  std::vector<std::vector<std::uint8_t>> Sent() const;
  std::vector<std::vector<std::uint8_t>> Received() const;
  const std::vector<headless::ShownBox>& Boxes() const { return host.Boxes(); }
  std::vector<std::string> BoxTexts() const;

  clk::VirtualClock clock;
  sim::SimHidPlatform bus{clock};
  headless::HeadlessHost host{clock};
  int board = -1;

 private:
  program::Session session_{&host, &bus, &clock};
  std::unique_ptr<app::Chid_testDlg> dialog_;
  headless::HeadlessWindow* window_ = nullptr;
};
