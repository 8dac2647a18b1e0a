// "Status": one 's' exchange, the reply bytes and the time in the log.

#include <string>

#include "app/chid_test_dlg.h"
#include "app/stopwatch.h"
#include "hidlink/hid_link.h"
#include "motion/motion_reports.h"

namespace app {

using hidlink::HidLink;

void Chid_testDlg::OnBnClickedStatus() {
  if (!m_bBoardPresent) return;
  RequireJumperPosition(0);
  motion::EncodeStatusRequest(HidLink::outReport);
  Stopwatch stopwatch;
  stopwatch.Init();
  stopwatch.Start();
  HidLink::Exchange();
  stopwatch.Stop();
  AppendLog(motion::FormatStatusLine(HidLink::inReport));
  AppendLog(std::to_string(stopwatch.elapsedUs));
}

}  // namespace app
