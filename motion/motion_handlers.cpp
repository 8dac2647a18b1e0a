// Placeholder bodies, replaced by the test panel's handlers.
#include "app/chid_test_dlg.h"
namespace app {
void Chid_testDlg::OnBnClickedMotorOn() {}
void Chid_testDlg::OnBnClickedMotorOff() {}
void Chid_testDlg::OnBnClickedCutForward() {}
void Chid_testDlg::OnBnClickedCutBack() {}
void Chid_testDlg::OnBnClickedTestBuffer() {}
}  // namespace app
