// "Motor On" and "Motor Off": one 'o' report through the one-way send, and the time it took.

#include <string>

#include "app/chid_test_dlg.h"
#include "hidlink/hid_link.h"
#include "motion/motion_reports.h"

namespace app {

namespace {

using hidlink::HidLink;

void SendMotorPower(Chid_testDlg& dlg, bool on) {
  dlg.BeginCommand();
  if (!dlg.ConnectOrPrompt()) return;
  dlg.RequireJumperPosition(0);
  // No field enters the 'o' report, so a failed check (already shown, and the outcome) does not
  // hold it back.
  dlg.ReadFields();
  motion::EncodeMotorPower(HidLink::outReport, on);
  dlg.AppendLog(std::to_string(dlg.Timed(HidLink::Send)));
  dlg.EndLinkCommand();
}

}  // namespace

void Chid_testDlg::OnBnClickedMotorOn() {
  SendMotorPower(*this, true);
}

void Chid_testDlg::OnBnClickedMotorOff() {
  SendMotorPower(*this, false);
}

}  // namespace app
