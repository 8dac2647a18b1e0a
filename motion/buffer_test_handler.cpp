// "test buffer": one 'T' report with the "Motors" value through the one-way send, and the time it
// took.

#include <string>

#include "app/chid_test_dlg.h"
#include "hidlink/hid_link.h"
#include "motion/motion_reports.h"

namespace app {

using hidlink::HidLink;

void Chid_testDlg::OnBnClickedTestBuffer() {
  BeginCommand();
  if (!ConnectOrPrompt()) return;
  RequireJumperPosition(0);
  // The report carries "Motors": after a failed check it may not hold what the user typed.
  if (!ReadFields()) return;
  motion::EncodeBufferTest(HidLink::outReport, m_nMotors);
  AppendLog(std::to_string(Timed(HidLink::Send)));
  EndLinkCommand();
}

}  // namespace app
