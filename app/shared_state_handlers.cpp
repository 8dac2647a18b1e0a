// The window state that every command shares: the log, the QD5500 jumper, the wait for the
// board with its connect prompt, the command's outcome and the stopwatch around its transfers.

#include <cstring>

#include "app/chid_test_dlg.h"
#include "app/resource_ids.h"
#include "app/stopwatch.h"
#include "hidlink/hid_link.h"
#include "ui/resources.h"

namespace app {

using hidlink::HidLink;

void Chid_testDlg::AppendLog(std::string_view text) {
  // A log line holds at most 99 characters; longer text is cut, never overrun.
  char line[100];
  const std::size_t n = text.size() < sizeof line - 1 ? text.size() : sizeof line - 1;
  std::memcpy(line, text.data(), n);
  line[n] = '\0';
  const int index = m_listLog.InsertString(-1, std::string_view(line, n));
  m_listLog.SetCurSel(index);
  m_listLog.SetCurSel(-1);
}

void Chid_testDlg::RequireJumperPosition(int pos) {
  const int cur = m_nJumperPos;
  auto* window = GetWindow();
  if (cur == 1 && pos == 0 && window) {
    window->MessageBox(ui::GetResources().LoadString(IDS_JUMP_NORMAL), "QD5500 jump",
                       ui::MB_OK | ui::MB_ICONEXCLAMATION);
  } else if (cur == 0 && pos == 1 && window) {
    window->MessageBox(ui::GetResources().LoadString(IDS_JUMP_PROGRAMMATION), "QD5500 jump",
                       ui::MB_OK | ui::MB_ICONEXCLAMATION);
  }
  if (pos != cur) m_editAddr.SetValue(0);
  m_nJumperPos = static_cast<std::uint8_t>(pos);
}

bool Chid_testDlg::ConnectOrPrompt() {
  if (HidLink::FindDevice(hidlink::OnRefusal::kHold)) {
    m_checkConnected.SetCheck(1);
    m_bBoardPresent = 1;
  }
  if (m_bBoardPresent) {
    // The command goes on: a refusal is the user's to read now.
    HidLink::ReportRefusal();
    return true;
  }
  WaitForBoard();
  SetOutcome(Outcome::kNoBoard);
  return false;
}

void Chid_testDlg::WaitForBoard() {
  // One prompt window at most: a second opening reuses it and restarts the timer.
  if (!m_connectPrompt.HasWindow()) m_connectPrompt.Create(IDD_CONNECT_PROMPT, this);
  if (auto* window = GetWindow()) window->SetTimer(kConnectTimerId, kConnectTimerMs);
  m_editStepDuration.EnableWindow(false);
  m_editDirDelay.EnableWindow(false);
  m_checkBraxoMode.EnableWindow(false);
  m_nRefusedTicks = 0;
  m_bRefusalShown = false;
}

void Chid_testDlg::ReportAccessRefusal() {
  if (m_bRefusalShown || HidLink::refusal.empty()) return;
  m_bRefusalShown = true;
  HidLink::ReportRefusal();
}

void Chid_testDlg::BeginCommand() {
  m_outcome = {};
}

void Chid_testDlg::SetOutcome(Outcome kind, std::string_view reason) {
  m_outcome = {kind, std::string(reason)};
}

bool Chid_testDlg::ReadFields() {
  if (UpdateData(true)) return true;
  SetOutcome(Outcome::kRefused, kFieldCheckFailed);
  return false;
}

bool Chid_testDlg::BoardFound() {
  if (m_bBoardPresent) return true;
  SetOutcome(Outcome::kNoBoard);
  return false;
}

void Chid_testDlg::EndLinkCommand() {
  // A failed transfer closes the link, and a closed link moves nothing: the link's state at the
  // end tells whether the command reached the board.
  if (m_outcome.kind == Outcome::kDone && !HidLink::connected) SetOutcome(Outcome::kLinkFailed);
}

std::int64_t Chid_testDlg::Timed(const std::function<void()>& transfer) {
  Stopwatch stopwatch;
  stopwatch.Init();
  stopwatch.Start();
  transfer();
  stopwatch.Stop();
  return stopwatch.elapsedUs;
}

void Chid_testDlg::OnTimer(unsigned nIDEvent) {
  if (m_bInTimer) return;
  m_bInTimer = true;
  auto* window = GetWindow();
  auto* prompt = m_connectPrompt.GetWindow();
  if (window && prompt) {
    const ui::Rect main = window->GetWindowRect();
    const ui::Rect r = prompt->GetWindowRect();
    const int w = r.Width(), h = r.Height();
    const int x = (main.left + main.right - w) / 2;
    const int y = (main.top + main.bottom - h) / 2;
    prompt->MoveWindow({x, y, x + w, y + h}, true);
  }
  // Access refused means not there yet: udev gives it a moment after the board is plugged in.
  if (HidLink::FindDevice(hidlink::OnRefusal::kHold)) {
    m_checkConnected.SetCheck(1);
    m_bBoardPresent = 1;
  }
  m_nRefusedTicks = HidLink::refusal.empty() ? 0 : m_nRefusedTicks + 1;
  if (m_nRefusedTicks >= kRefusalPatienceTicks) ReportAccessRefusal();
  if (m_bBoardPresent) {
    if (window) window->KillTimer(static_cast<int>(nIDEvent));
    m_editStepDuration.EnableWindow(true);
    m_editDirDelay.EnableWindow(true);
    m_checkBraxoMode.EnableWindow(true);
    OnBnClickedConnect();
  }
  if (auto* p = m_connectPrompt.GetWindow()) p->ShowWindow(m_bBoardPresent == 0);
  m_bInTimer = false;
}

void Chid_testDlg::OnDestroy() {
  RequireJumperPosition(0);
}

}  // namespace app
