// "Program ZBK": write what the parameter panel shows into the board's stored parameter blocks.

#include <string>

#include "app/chid_test_dlg.h"
#include "hidlink/hid_link.h"
#include "params/parameter_block.h"
#include "params/parameter_tables.h"
#include "ui/window_port.h"

namespace app {

using hidlink::HidLink;

namespace {

// A duration travels halved in one byte: what does not fit is refused before anything is sent,
// and the user is taken to the field. False when refused.
bool DurationsFit(Chid_testDlg& d) {
  const auto badField = params::FirstDurationOutOfRange(d.m_nStepDuration, d.m_nDirDelay);
  if (badField == params::DurationField::kNone) return true;
  ui::AfxMessageBox(params::DurationRangeMessage(badField), ui::MB_OK | ui::MB_ICONEXCLAMATION);
  ui::CEdit& edit =
      badField == params::DurationField::kStepDuration ? d.m_editStepDuration : d.m_editDirDelay;
  edit.SetFocus();
  edit.SetSel(0, -1);
  d.SetOutcome(Outcome::kRefused, kParametersRefused);
  return false;
}

params::ParameterBlock TimingBlock(Chid_testDlg& d) {
  params::ParameterBlock block;
  block.dirDelayUs = d.m_nDirDelay;
  block.stepDurationUs = d.m_nStepDuration;
  block.braxoMode = d.m_nBraxoMode;
  block.timerChoice = d.m_nTimerChoice;
  d.m_nStepMode = d.m_comboStepMode.GetCurSel();
  block.stepMode = d.m_nStepMode;
  return block;
}

// The blocks after the timing block, each from what its lists show as they are written.
void WritePinAndMotorOnBlocks(Chid_testDlg& d, params::ParameterBlock& block) {
  const auto lists = d.PinLists();
  for (std::size_t i = 0; i < lists.size(); ++i) d.m_nPinIndex[i] = lists[i]->GetCurSel();
  block.pin = params::PinBytesForEntries(d.m_nPinIndex, d.m_nBoardGeneration);
  params::EncodePinWrite(HidLink::outReport, block);
  HidLink::Exchange();

  if (params::WritesMotorOnBlock(d.m_nBoardGeneration)) {
    // What the Motor ON list shows is what gets programmed, like every other list.
    d.m_nMotorOnPin = d.m_comboMotorOnPin.GetCurSel();
    block.motorOnPin = d.m_nMotorOnPin;
    block.activeHigh = d.m_checkActiveHigh.GetCheck() == 1;
    params::EncodeMotorOnWrite(HidLink::outReport, block);
    HidLink::Exchange();
  }
}

}  // namespace

void Chid_testDlg::OnBnClickedProgram() {
  BeginCommand();
  if (!BoardFound()) return;
  RequireJumperPosition(0);
  // A field that failed has been shown to the user; the members still hold the values from
  // before the press, which are not what the panel asks for.
  if (!ReadFields() || !DurationsFit(*this)) return;

  params::ParameterBlock block = TimingBlock(*this);
  params::EncodeTimingWrite(HidLink::outReport, block);
  const std::int64_t us = Timed([&] {
    HidLink::Exchange();
    WritePinAndMotorOnBlocks(*this, block);
  });
  AppendLog("Done: " + std::to_string(us));
  EndLinkCommand();
}

}  // namespace app
