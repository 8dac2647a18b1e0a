// Placeholder bodies, replaced by the parameter panel's handlers.
#include "app/chid_test_dlg.h"
namespace app {
void Chid_testDlg::FillPinList(ui::CComboBox&, params::PinSetId) {}
void Chid_testDlg::ApplyPreset(int) {}
void Chid_testDlg::ApplyPresetRow(int) {}
void Chid_testDlg::OnCbnSelchangePreset() {}
void Chid_testDlg::OnBnClickedBraxoMode() {}
void Chid_testDlg::UpdateParameterControls() {}
void Chid_testDlg::OnBnClickedConnect() {}
void Chid_testDlg::OnBnClickedProgram() {}
}  // namespace app
