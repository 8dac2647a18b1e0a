// "Motor On" and "Motor Off": one 'o' report through the one-way send, and the time it took.

#include <string>

#include "app/chid_test_dlg.h"
#include "app/stopwatch.h"
#include "hidlink/hid_link.h"
#include "motion/motion_reports.h"

namespace app {

namespace {

using hidlink::HidLink;

void SendMotorPower(Chid_testDlg& dlg, bool on) {
  if (!dlg.ConnectOrPrompt()) return;
  dlg.RequireJumperPosition(0);
  // No field enters the 'o' report, so a failed check (already shown) does not hold it back.
  dlg.UpdateData(true);
  motion::EncodeMotorPower(HidLink::outReport, on);
  Stopwatch stopwatch;
  stopwatch.Init();
  stopwatch.Start();
  HidLink::Send();
  stopwatch.Stop();
  dlg.AppendLog(std::to_string(stopwatch.elapsedUs));
}

}  // namespace

void Chid_testDlg::OnBnClickedMotorOn() {
  SendMotorPower(*this, true);
}

void Chid_testDlg::OnBnClickedMotorOff() {
  SendMotorPower(*this, false);
}

}  // namespace app
