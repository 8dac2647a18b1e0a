// "Cut Forward" and "Cut Back": "Cut repeat" cuts, each handed to the board once it reports
// idle. Boards of generation 2 and 3 take one 'q' command a cut; the others a 'c' command and its
// step data reports. The run holds the thread to its end; the window keeps painting meanwhile.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/chid_test_dlg.h"
#include "app/stopwatch.h"
#include "clock/clock.h"
#include "hidlink/hid_link.h"
#include "motion/cut_encoding.h"
#include "motion/motion_reports.h"
#include "params/parameter_tables.h"

namespace app {

namespace {

using hidlink::HidLink;
using motion::CutDirection;

constexpr std::string_view kNotIdleLine = "Board not idle: run stopped";
constexpr std::int64_t kMaxBoardBusyUs = std::int64_t{motion::kMaxBoardBusyMs} * 1000;
// A status exchange takes at least one 1 ms USB frame. Counting every query so bounds the wait
// even where the clock shows no time passing between queries that pause 0 ms.
constexpr std::int64_t kMinQueryUs = 1000;

void Repaint(Chid_testDlg& dlg) {
  if (auto* window = dlg.GetWindow()) window->RepaintNow();
}

void LogAndRepaint(Chid_testDlg& dlg, std::string_view text) {
  dlg.AppendLog(text);
  Repaint(dlg);
}

// Queries the status until the board reports a busy count of 0, logging every count. False when
// it cannot or does not become idle: the link is closed (no status can arrive any more), or the
// board has stayed busy longer than any cut the panel can ask for.
bool WaitUntilIdle(Chid_testDlg& dlg) {
  motion::EncodeStatusRequest(HidLink::outReport);
  HidLink::inReport[1] = 1;
  clk::Clock& clock = clk::ProcessClock();
  const std::int64_t startUs = clock.NowUs();
  std::int64_t queries = 0;
  for (;;) {
    if (!HidLink::connected) return false;
    HidLink::Exchange();
    // A failed exchange leaves the last count in the buffer, not the board's answer.
    if (!HidLink::connected) return false;
    ++queries;
    const int busy = motion::BusyCount(HidLink::inReport);
    LogAndRepaint(dlg, motion::FormatBusyCount(busy));
    if (busy == 0) return true;
    clock.Sleep(motion::IdleWaitPauseMs(busy));
    const std::int64_t waitedUs = std::max(clock.NowUs() - startUs, queries * kMinQueryUs);
    if (waitedUs >= kMaxBoardBusyUs) return false;
  }
}

// The 'c' command, then its step data reports back to back. A failed write closes the link; the
// copies still due would only fail again, so they are not tried.
void SendStepCut(const Chid_testDlg& dlg, CutDirection direction, Stopwatch& stopwatch) {
  const std::size_t length = HidLink::OutputLength();
  motion::EncodeCutCommand(HidLink::outReport, dlg.m_nSteps);
  stopwatch.Start();
  bool sent = HidLink::Send();
  motion::FillStepData(
      HidLink::outReport, length,
      motion::CutStepPair(direction, dlg.m_nStepRate, dlg.m_nTimerChoice, dlg.m_nMotors));
  const std::uint64_t reports = motion::StepDataReportCount(dlg.m_nSteps, length);
  for (std::uint64_t i = 0; sent && i < reports; ++i) sent = HidLink::Send();
}

void RunCuts(Chid_testDlg& dlg, CutDirection direction) {
  // Every cut byte comes from the fields: after a failed check (the user has been told) nothing
  // goes out.
  if (!dlg.UpdateData(true)) return;
  const std::uint64_t period = motion::StepPeriod(dlg.m_nStepRate, dlg.m_nTimerChoice);
  if (!dlg.m_bBoardPresent) return;
  dlg.RequireJumperPosition(0);

  Stopwatch stopwatch;
  stopwatch.Init();
  bool started = false;
  const bool quickForm = params::IsLaterGeneration(dlg.m_nBoardGeneration);
  for (std::uint32_t cut = 0; cut < dlg.m_nCutRepeat; ++cut) {
    if (!WaitUntilIdle(dlg)) {
      LogAndRepaint(dlg, kNotIdleLine);
      return;
    }
    if (quickForm) {
      // A period beyond the layout, or a command longer than the board's report, would reach
      // the board as a different period: the run ends, without a closing line.
      if (motion::EncodeQCut(HidLink::outReport, HidLink::OutputLength(), period, direction) !=
          motion::QCutResult::kOk) {
        return;
      }
      stopwatch.Start();
      HidLink::Send();
    } else {
      SendStepCut(dlg, direction, stopwatch);
    }
    started = true;
    Repaint(dlg);
  }

  // The time the last cut took to send; no cut, no time.
  stopwatch.Stop();
  const std::string us = started ? std::to_string(stopwatch.elapsedUs) : "0";
  LogAndRepaint(dlg, direction == CutDirection::kForward ? "Done: " + us : us);
}

}  // namespace

void Chid_testDlg::OnBnClickedCutForward() {
  RunCuts(*this, CutDirection::kForward);
}

void Chid_testDlg::OnBnClickedCutBack() {
  RunCuts(*this, CutDirection::kBack);
}

}  // namespace app
