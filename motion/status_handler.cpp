// "Status": one 's' exchange, the reply bytes and the time in the log.

#include <string>

#include "app/chid_test_dlg.h"
#include "hidlink/hid_link.h"
#include "motion/motion_reports.h"

namespace app {

using hidlink::HidLink;

void Chid_testDlg::OnBnClickedStatus() {
  BeginCommand();
  if (!BoardFound()) return;
  RequireJumperPosition(0);
  motion::EncodeStatusRequest(HidLink::outReport);
  const std::int64_t us = Timed(HidLink::Exchange);
  AppendLog(motion::FormatStatusLine(HidLink::inReport));
  AppendLog(std::to_string(us));
  EndLinkCommand();
}

}  // namespace app
