// Placeholder bodies, replaced by the PIC programmer's handlers.
#include "app/chid_test_dlg.h"
namespace app {
void Chid_testDlg::OnBnClickedReadPic() {}
void Chid_testDlg::OnBnClickedProgramPic() {}
void Chid_testDlg::OnBnClickedErasePic() {}
void Chid_testDlg::OnEnSetfocusAddr() {}
}  // namespace app
