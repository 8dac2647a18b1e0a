#pragma once
// The main dialog on the headless host and the simulated bus, on a clock of the caller's
// choosing: a virtual clock to measure what the host itself costs, the system clock to run
// against the pace of the bus. Everything process-wide (host, clock, link) comes from the rig's
// session and is put back when it goes.

#include <memory>
#include <string>

#include "app/chid_test_dlg.h"
#include "clock/clock.h"
#include "headless/headless_host.h"
#include "program/session.h"
#include "sim/sim_hid_platform.h"

class BenchRig {
 public:
  BenchRig(clk::Clock& clock, sim::Timing timing);
  ~BenchRig();
  BenchRig(const BenchRig&) = delete;
  BenchRig& operator=(const BenchRig&) = delete;

  // A ZBK board as the simulated command line has it, with a keyboard and a mouse before it.
  int AddBoard(std::string version = "ZBK 2.1");
  // Opens the dialog (its OnInitDialog connects when a board is there).
  headless::HeadlessWindow& Start();
  app::Chid_testDlg& Dialog() { return *dialog_; }
  headless::HeadlessWindow& Window() { return *window_; }
  sim::ZbkBoard& BoardModel() { return *bus.Board(board); }

  sim::SimHidPlatform bus;
  headless::HeadlessHost host;
  int board = -1;

 private:
  program::Session session_;
  std::unique_ptr<app::Chid_testDlg> dialog_;
  headless::HeadlessWindow* window_ = nullptr;
};
