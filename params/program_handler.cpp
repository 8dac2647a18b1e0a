// "Program ZBK": write what the parameter panel shows into the board's stored parameter blocks.

#include <string>

#include "app/chid_test_dlg.h"
#include "app/stopwatch.h"
#include "hidlink/hid_link.h"
#include "params/parameter_block.h"
#include "params/parameter_tables.h"
#include "ui/window_port.h"

namespace app {

using hidlink::HidLink;

void Chid_testDlg::OnBnClickedProgram() {
  if (!m_bBoardPresent) return;
  RequireJumperPosition(0);
  // A field that failed has been shown to the user; the members still hold the values from
  // before the press, which are not what the panel asks for.
  if (!UpdateData(true)) return;

  // A duration travels halved in one byte: refuse what does not fit before anything is sent.
  const auto badField = params::FirstDurationOutOfRange(m_nStepDuration, m_nDirDelay);
  if (badField != params::DurationField::kNone) {
    ui::AfxMessageBox(params::DurationRangeMessage(badField), ui::MB_OK | ui::MB_ICONEXCLAMATION);
    ui::CEdit& edit =
        badField == params::DurationField::kStepDuration ? m_editStepDuration : m_editDirDelay;
    edit.SetFocus();
    edit.SetSel(0, -1);
    return;
  }

  params::ParameterBlock block;
  block.dirDelayUs = m_nDirDelay;
  block.stepDurationUs = m_nStepDuration;
  block.braxoMode = m_nBraxoMode;
  block.timerChoice = m_nTimerChoice;
  m_nStepMode = m_comboStepMode.GetCurSel();
  block.stepMode = m_nStepMode;
  params::EncodeTimingWrite(HidLink::outReport, block);

  Stopwatch stopwatch;
  stopwatch.Init();
  stopwatch.Start();
  HidLink::Exchange();

  const auto lists = PinLists();
  for (std::size_t i = 0; i < lists.size(); ++i) m_nPinIndex[i] = lists[i]->GetCurSel();
  block.pin = params::PinBytesForEntries(m_nPinIndex, m_nBoardGeneration);
  params::EncodePinWrite(HidLink::outReport, block);
  HidLink::Exchange();

  if (params::WritesMotorOnBlock(m_nBoardGeneration)) {
    // What the Motor ON list shows is what gets programmed, like every other list.
    m_nMotorOnPin = m_comboMotorOnPin.GetCurSel();
    block.motorOnPin = m_nMotorOnPin;
    block.activeHigh = m_checkActiveHigh.GetCheck() == 1;
    params::EncodeMotorOnWrite(HidLink::outReport, block);
    HidLink::Exchange();
  }

  stopwatch.Stop();
  AppendLog("Done: " + std::to_string(stopwatch.elapsedUs));
}

}  // namespace app
