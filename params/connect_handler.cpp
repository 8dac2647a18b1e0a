// "Connect ZBK": find the board, read its version text, recognise its generation, give the pin
// lists that generation's pin set and load the stored parameter blocks into the panel. Also run
// at start and by the connect prompt's timer when the board turns up.

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>

#include "app/chid_test_dlg.h"
#include "hidlink/hid_link.h"
#include "params/parameter_block.h"
#include "params/parameter_tables.h"

namespace app {

using hidlink::HidLink;

namespace {

constexpr const char* kNoAnswer = "No answer from the board";

// True when the reply arrived. A failed transfer closes the link, and a closed link sends and
// reads nothing, so the flag afterwards tells both apart from a reply of this run.
bool Exchanged() {
  HidLink::Exchange();
  return HidLink::connected;
}

bool AskBlock(int block) {
  params::EncodeReadRequest(HidLink::outReport, block);
  return Exchanged();
}

// The bytes the board sent: the report as long as the board makes it, never the whole buffer.
std::span<const std::uint8_t> Reply() {
  return std::span<const std::uint8_t>(HidLink::inReport)
      .first(std::min(HidLink::InputLength(), HidLink::inReport.size()));
}

std::string TimerLine(const Chid_testDlg& d) {
  char line[100];
  std::snprintf(
      line, sizeof line, "Timer %d, ProtocolV2 %d, TempoStep %d, TempoDir %d, BRAXO mode %d",
      d.m_nTimerPeriod, d.m_nProtocolV2, d.m_nStepDuration, d.m_nDirDelay, d.m_nBraxoMode);
  return line;
}

void TakeTimingBlock(Chid_testDlg& d) {
  params::ParameterBlock block;
  block.timerChoice = -1;  // stays -1 when the reply's timer byte is not 0, 1 or 2
  block.stepMode = d.m_nStepMode;
  params::DecodeTimingReply(Reply(), d.m_nBoardGeneration, block);
  if (const auto period = params::TimerPeriodUs(block.timerChoice)) {
    d.m_nTimerChoice = block.timerChoice;
    d.m_nTimerPeriod = *period;
  }
  d.m_nProtocolV2 = block.protocolV2;
  d.m_nStepDuration = block.stepDurationUs;
  d.m_nDirDelay = block.dirDelayUs;
  d.m_nBraxoMode = block.braxoMode;
  if (params::ReadsStepMode(d.m_nBoardGeneration)) {
    d.m_nStepMode = block.stepMode;
    d.m_comboStepMode.SetCurSel(d.m_nStepMode);
  }
}

void TakePinBlock(Chid_testDlg& d) {
  params::ParameterBlock block;
  params::DecodePinReply(Reply(), block);
  const auto lists = d.PinLists();
  for (std::size_t i = 0; i < lists.size(); ++i) {
    d.m_nPinIndex[i] = block.pin[i];
    lists[i]->SetCurSel(params::PinEntryForByte(d.m_nBoardGeneration, block.pin[i]));
  }
}

void TakeMotorOnBlock(Chid_testDlg& d) {
  params::ParameterBlock block;
  params::DecodeMotorOnReply(Reply(), block);
  d.m_nMotorOnPin = block.motorOnPin;
  d.m_comboMotorOnPin.SetCurSel(d.m_nMotorOnPin);
  d.m_checkActiveHigh.SetCheck(block.activeHigh ? 1 : 0);
}

// The stored blocks of a "ZBK" board, in order; false at the first one that did not arrive.
bool ReadBlocks(Chid_testDlg& d) {
  if (!AskBlock(params::kTimingBlock)) return false;
  TakeTimingBlock(d);
  d.AppendLog(TimerLine(d));
  if (!AskBlock(params::kPinBlock)) return false;
  TakePinBlock(d);
  if (!params::ReadsMotorOnBlock(d.m_nBoardGeneration)) return true;
  if (!AskBlock(params::kMotorOnBlock)) return false;
  TakeMotorOnBlock(d);
  return true;
}

// Everything between the jumper check and the enable rules. Only replies that arrived in this
// run are decoded: after a failed or skipped exchange the members and lists its reply would
// have set keep their values, and the log says the board did not answer.
void ReadBoard(Chid_testDlg& d) {
  HidLink::outReport[1] = params::kCommandVersion;
  if (!Exchanged()) {
    d.AppendLog(kNoAnswer);
    return;
  }
  const std::string text(params::VersionText(Reply()));
  d.AppendLog(text);
  const params::VersionReply reply = params::ClassifyVersionReply(text);
  // Only a "ZBK" board's timing block can report ProtocolV2.
  if (reply.kind != params::VersionReplyKind::kZbk) d.m_nProtocolV2 = 0;

  if (reply.kind == params::VersionReplyKind::kBraxo) {
    d.m_nBoardGeneration = params::kGenerationBraxo;
    d.m_nDirDelay = params::kBraxoDirDelayUs;
    d.m_nStepDuration = params::kBraxoStepDurationUs;
    d.m_nStepMode = params::kBraxoStepMode;  // the Step "Mode" list keeps its selection
    d.m_nTimerChoice = params::kBraxoTimerChoice;
    d.m_nTimerPeriod = *params::TimerPeriodUs(params::kBraxoTimerChoice);
    d.m_nBraxoMode = 1;
    return;
  }
  if (reply.kind != params::VersionReplyKind::kZbk) return;

  const auto lists = d.PinLists();
  for (auto kind : {params::PinListKind::kDir, params::PinListKind::kStep}) {
    const params::PinSetId set = *params::PinSetForReply(reply, kind);
    for (std::size_t i = 0; i < lists.size(); ++i) {
      if (params::PinListKindAt(static_cast<int>(i)) == kind) d.FillPinList(*lists[i], set);
    }
  }
  d.m_nBoardGeneration = params::GenerationAfterReply(d.m_nBoardGeneration, reply);

  const bool answered = ReadBlocks(d);
  if (!params::ReadsMotorOnBlock(d.m_nBoardGeneration)) {
    // Generation 1 has no motor-on block: its motor-on output is pin 17, active high.
    d.m_nMotorOnPin = params::kMotorOnPin17;
    d.m_comboMotorOnPin.SetCurSel(d.m_nMotorOnPin);
    d.m_checkActiveHigh.SetCheck(1);
  }
  if (!answered) d.AppendLog(kNoAnswer);
}

}  // namespace

void Chid_testDlg::OnBnClickedConnect() {
  BeginCommand();
  if (!ConnectOrPrompt()) return;
  RequireJumperPosition(0);
  ReadBoard(*this);
  UpdateParameterControls();
  m_bRulesApplied = true;
  UpdateData(false);
  EndLinkCommand();
}

}  // namespace app
