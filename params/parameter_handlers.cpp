// The parameter panel's own handlers: pin lists, presets, the BRAXO mode checkbox and the enable
// rules. Connect and Program ZBK live in their own files.

#include "app/chid_test_dlg.h"
#include "params/parameter_tables.h"

namespace app {

void Chid_testDlg::FillPinList(ui::CComboBox& list, params::PinSetId set) {
  const params::PinSet& pins = params::GetPinSet(set);
  for (int i = list.GetCount() - 1; i >= 0; --i) list.DeleteString(i);
  for (auto entry : pins.entries) list.AddString(entry);
  list.SetCurSel(pins.defaultEntry);
}

void Chid_testDlg::ApplyPresetRow(int index) {
  const auto row = params::PresetAt(index);
  if (!row) return;
  if (row->clearsBraxoMode) m_nBraxoMode = 0;
  const auto lists = PinLists();
  for (std::size_t i = 0; i < lists.size(); ++i) {
    m_nPinIndex[i] = row->pinIndex[i];
    // An entry the list does not hold (lists still empty before the first Connect) leaves it
    // without a selection.
    lists[i]->SetCurSel(m_nPinIndex[i]);
  }
  m_nMotorOnPin = row->motorOnPin;
  m_comboMotorOnPin.SetCurSel(m_nMotorOnPin);
  m_checkActiveHigh.SetCheck(row->activeHigh ? 1 : 0);
  if (row->stepDurationUs) m_nStepDuration = *row->stepDurationUs;
  if (row->dirDelayUs) m_nDirDelay = *row->dirDelayUs;
  m_comboStepMode.EnableWindow(row->enablesStepMode);
  if (row->enablesStepMode) m_comboStepMode.SetCurSel(m_nStepMode);
}

void Chid_testDlg::ApplyPreset(int index) {
  m_comboPreset.SetCurSel(index);
  ApplyPresetRow(index);
  // A row may clear BRAXO mode; once a Connect has set the rules they must follow it.
  if (m_bRulesApplied) UpdateParameterControls();
  UpdateData(false);
}

void Chid_testDlg::OnCbnSelchangePreset() {
  BeginCommand();
  ApplyPreset(m_comboPreset.GetCurSel());
}

void Chid_testDlg::OnBnClickedBraxoMode() {
  BeginCommand();
  // A field that fails shows its message and is the outcome; the members it did not reach keep
  // their values, and the mode still follows the check box.
  ReadFields();
  if (m_nBraxoMode == 1) {
    m_nDirDelay = params::kBraxoDirDelayUs;
    m_nStepDuration = params::kBraxoStepDurationUs;
    m_nTimerChoice = params::kBraxoTimerChoice;
    m_nStepMode = params::kBraxoStepMode;  // the Step "Mode" list keeps its selection
    m_nMotorOnPin = params::kMotorOnPin17;
    m_comboMotorOnPin.SetCurSel(m_nMotorOnPin);
    m_checkActiveHigh.SetCheck(1);
  }
  UpdateParameterControls();
  UpdateData(false);
}

void Chid_testDlg::UpdateParameterControls() {
  auto* window = GetWindow();
  if (!window) return;
  for (const auto& control : params::ParameterControlStates(m_nBraxoMode, m_nBoardGeneration))
    window->EnableControl(control.controlId, control.enabled);
}

}  // namespace app
