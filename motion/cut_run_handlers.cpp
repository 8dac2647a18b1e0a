// "Cut Forward" and "Cut Back": "Cut repeat" cuts, each handed to the board once it reports
// idle. Boards of generation 2 and 3 take one 'q' command a cut; the others a 'c' command and its
// step data reports. The run holds the thread to its end; the window keeps painting meanwhile.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/chid_test_dlg.h"
#include "clock/clock.h"
#include "hidlink/hid_link.h"
#include "motion/cut_encoding.h"
#include "motion/motion_reports.h"
#include "params/parameter_tables.h"
#include "ui/window_port.h"

namespace app {

namespace {

using hidlink::HidLink;
using motion::CutDirection;

constexpr std::string_view kNotIdleLine = "Board not idle: run stopped";
constexpr std::string_view kLinkClosedLine = "Link closed: run stopped";
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

enum class Wait { kIdle, kLinkClosed, kStillBusy };

// Queries the status until the board reports a busy count of 0, logging every count. Ends
// without idle when the link is closed (no status can arrive any more), or when the board has
// stayed busy longer than any cut the panel can ask for.
Wait WaitUntilIdle(Chid_testDlg& dlg) {
  motion::EncodeStatusRequest(HidLink::outReport);
  HidLink::inReport[1] = 1;
  clk::Clock& clock = clk::ProcessClock();
  const std::int64_t startUs = clock.NowUs();
  std::int64_t queries = 0;
  for (;;) {
    if (!HidLink::connected) return Wait::kLinkClosed;
    HidLink::Exchange();
    // A failed exchange leaves the last count in the buffer, not the board's answer.
    if (!HidLink::connected) return Wait::kLinkClosed;
    ++queries;
    const int busy = motion::BusyCount(HidLink::inReport);
    LogAndRepaint(dlg, motion::FormatBusyCount(busy));
    if (busy == 0) return Wait::kIdle;
    clock.Sleep(motion::IdleWaitPauseMs(busy));
    const std::int64_t waitedUs = std::max(clock.NowUs() - startUs, queries * kMinQueryUs);
    if (waitedUs >= kMaxBoardBusyUs) return Wait::kStillBusy;
  }
}

// The step data reports after the 'c' command that went out first. A failed write closes the
// link; the copies still due would only fail again, so they are not tried.
void SendStepCut(const Chid_testDlg& dlg, CutDirection direction) {
  const std::size_t length = HidLink::OutputLength();
  bool sent = HidLink::Send();
  motion::FillStepData(
      HidLink::outReport, length,
      motion::CutStepPair(direction, dlg.m_nStepRate, dlg.m_nTimerChoice, dlg.m_nMotors));
  const std::uint64_t reports = motion::StepDataReportCount(dlg.m_nSteps, length);
  for (std::uint64_t i = 0; sent && i < reports; ++i) sent = HidLink::Send();
}

// The log line that tells the user why the button seemed to do nothing.
std::string_view QCutLogLine(motion::QCutResult result) {
  return result == motion::QCutResult::kPeriodTooLong
             ? "Cut not sent: step rate too high"
             : "Cut not sent: step rate too high for the board's report";
}

// Why a 'q' command cannot carry the period.
std::string QCutRefusal(motion::QCutResult result, std::uint64_t period) {
  const std::string ticks = "a step period of " + std::to_string(period) + " timer ticks";
  if (result == motion::QCutResult::kPeriodTooLong) {
    return ticks + " is longer than the " + std::to_string(motion::kMaxQPeriod) +
           " a 'q' command carries";
  }
  return "the 'q' command for " + ticks + " does not fit the board's " +
         std::to_string(HidLink::OutputLength()) + "-byte report";
}

// Several cuts make a long run: the host shows how many have gone out, and nothing once the run
// is over, however it ends.
class CutProgress {
 public:
  explicit CutProgress(std::uint32_t cuts) : total_(cuts > 1 ? cuts : 0) { Show(0); }
  ~CutProgress() {
    if (total_ != 0) ui::CurrentHost().ShowProgress(0, 0);
  }
  CutProgress(const CutProgress&) = delete;
  CutProgress& operator=(const CutProgress&) = delete;
  void Show(std::uint32_t done) {
    if (total_ != 0) ui::CurrentHost().ShowProgress(done, total_);
  }

 private:
  std::uint32_t total_;
};

void RunCuts(Chid_testDlg& dlg, CutDirection direction) {
  dlg.BeginCommand();
  // Every cut byte comes from the fields: after a failed check (the user has been told) nothing
  // goes out.
  if (!dlg.ReadFields()) return;
  const std::uint64_t period = motion::StepPeriod(dlg.m_nStepRate, dlg.m_nTimerChoice);
  if (!dlg.BoardFound()) return;
  dlg.RequireJumperPosition(0);

  // The time the last cut took to send; no cut, no time.
  std::int64_t lastUs = 0;
  const bool quickForm = params::IsLaterGeneration(dlg.m_nBoardGeneration);
  CutProgress progress(dlg.m_nCutRepeat);
  for (std::uint32_t cut = 0; cut < dlg.m_nCutRepeat; ++cut) {
    switch (WaitUntilIdle(dlg)) {
      case Wait::kIdle:
        break;
      case Wait::kLinkClosed:
        LogAndRepaint(dlg, kLinkClosedLine);
        dlg.SetOutcome(Outcome::kLinkFailed);
        return;
      case Wait::kStillBusy:
        LogAndRepaint(dlg, kNotIdleLine);
        dlg.SetOutcome(Outcome::kNotIdle);
        return;
    }
    if (quickForm) {
      // A period beyond the layout, or a command longer than the board's report, would reach
      // the board as a different period: the run ends with a line saying so, and without a
      // closing line.
      const motion::QCutResult encoded =
          motion::EncodeQCut(HidLink::outReport, HidLink::OutputLength(), period, direction);
      if (encoded != motion::QCutResult::kOk) {
        LogAndRepaint(dlg, QCutLogLine(encoded));
        dlg.SetOutcome(Outcome::kRefused, QCutRefusal(encoded, period));
        return;
      }
      lastUs = dlg.Timed(HidLink::Send);
    } else {
      motion::EncodeCutCommand(HidLink::outReport, dlg.m_nSteps);
      lastUs = dlg.Timed([&] { SendStepCut(dlg, direction); });
    }
    progress.Show(cut + 1);
    Repaint(dlg);
  }

  const std::string us = std::to_string(lastUs);
  LogAndRepaint(dlg, direction == CutDirection::kForward ? "Done: " + us : us);
  dlg.EndLinkCommand();
}

}  // namespace

void Chid_testDlg::OnBnClickedCutForward() {
  RunCuts(*this, CutDirection::kForward);
}

void Chid_testDlg::OnBnClickedCutBack() {
  RunCuts(*this, CutDirection::kBack);
}

}  // namespace app
