// The PIC programmer: Read PIC walks the QD5500's PIC memory four words at a time, Program PIC
// streams an Intel HEX file into it record by record, Erase PIC clears it. Each talks to the PIC
// through the ZBK with the QD5500's jumper in its program position.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "app/chid_test_dlg.h"
#include "app/resource_ids.h"
#include "hidlink/hid_link.h"
#include "pic/hex_file_reader.h"
#include "pic/hex_fit.h"
#include "pic/pic_reports.h"
#include "pic/utf8_path.h"
#include "ui/resources.h"
#include "ui/window_port.h"

namespace app {

using hidlink::HidLink;

namespace {

// Reads of address 0 that bring the board's PIC access into a known state; the replies mean
// nothing. The log keeps no line highlighted after each.
void DummyReads(ui::CListBox& log, int count) {
  pic::EncodeReadRequest(HidLink::outReport, 0);
  for (int i = 0; i < count; ++i) {
    HidLink::Exchange();
    log.SetCurSel(-1);
  }
}

int ShowBox(ui::WindowPort* window, const std::string& text, const std::string& caption,
            unsigned type) {
  return window ? window->MessageBox(text, caption, type) : ui::IDCANCEL;
}

// Every record of the checked file, each header then its data, and the closing header. True
// when the board accepted every record and heard the end of the program.
bool StreamRecords(Chid_testDlg& dlg, pic::HexFileReader& reader, ui::Host& host) {
  const bool picRevA = dlg.m_checkPicRevA.GetCheck() != 0;
  const std::uint32_t total = reader.dataRecordCount();
  std::uint32_t done = 0;
  host.ShowProgress(done, total);
  for (;;) {
    std::uint32_t address = 0;
    std::span<const std::uint16_t> words;
    const std::uint32_t count = reader.NextRecord(address, words);
    pic::EncodeProgramHeader(HidLink::outReport, count, picRevA);
    const bool headerSent = HidLink::Send();
    // Without the closing header the board never learns that the program is complete.
    if (count == 0) return headerSent;

    pic::EncodeProgramData(HidLink::outReport, static_cast<std::uint16_t>(address), words);
    // Only the board's status 0 accepts a record: a reply that never comes leaves this failure.
    HidLink::inReport[1] = 1;
    const std::int64_t us = dlg.Timed(HidLink::Exchange);
    const pic::ProgramReply reply = pic::DecodeProgramReply(HidLink::inReport);
    dlg.AppendLog(pic::FormatProgramLine(us, address, reply, count));
    if (reply.status != 0) return false;
    host.ShowProgress(++done, total);
    // Paints go through between records; clicks wait until the run is over.
    if (auto* window = dlg.GetWindow()) window->RepaintNow();
  }
}

}  // namespace

void Chid_testDlg::OnBnClickedReadPic() {
  BeginCommand();
  if (!BoardFound()) return;
  RequireJumperPosition(1);
  HidLink::outReport[1] = 'r';
  const auto addr = static_cast<std::uint16_t>(m_editAddr.GetValue() & 0xFFFF);

  // Coming back below the configuration area needs a fresh reset of the PIC.
  if (m_wPicNextAddr >= pic::kProgramMemoryEnd && addr < pic::kProgramMemoryEnd) {
    m_bPicNeedsReset = 1;
  }
  if (addr == 0 || m_bPicNeedsReset) {
    const bool fromProgramMemory = m_wPicNextAddr < pic::kProgramMemoryEnd;
    if (fromProgramMemory) DummyReads(m_listLog, 3);
    const auto& strings = ui::GetResources();
    ShowBox(GetWindow(), strings.LoadString(IDS_PRESS_RESET), strings.LoadString(IDS_READING_PIC),
            ui::MB_OK);
    if (!fromProgramMemory) DummyReads(m_listLog, 1);
    m_bPicNeedsReset = 0;
  }

  pic::EncodeReadRequest(HidLink::outReport, addr);
  const std::int64_t us = Timed(HidLink::Exchange);
  AppendLog(pic::FormatDumpLine(addr, pic::DecodeReadReply(HidLink::inReport)));
  AppendLog(std::to_string(us));

  const std::uint16_t next = pic::NextReadAddress(addr);
  m_editAddr.SetValue(next);
  m_wPicNextAddr = next;
  EndLinkCommand();
}

void Chid_testDlg::OnEnSetfocusAddr() {
  // Enter in the address field reads the next four words.
  if (auto* window = GetWindow()) window->SetDefaultButton(IDC_BUTTON_READ_PIC);
}

void Chid_testDlg::OnBnClickedProgramPic() {
  BeginCommand();
  if (!BoardFound()) return;
  RequireJumperPosition(1);
  m_bPicNeedsReset = 1;

  ui::Host& host = ui::CurrentHost();
  const std::optional<std::string> chosen = host.GetOpenFileName("Fichier hex", "*.hex");
  if (!chosen) {
    SetOutcome(Outcome::kCancelled, kNoHexFileChosen);
    return;
  }

  const auto& strings = ui::GetResources();
  const std::string caption = strings.LoadString(IDS_PROGRAMMING_PIC);

  // The whole file is checked before the board hears of it: a bad file never leaves half a
  // program in the PIC.
  pic::HexFileReader reader;
  const pic::HexStatus opened =
      pic::CheckBoardFit(reader, reader.Open(pic::PathFromUtf8(*chosen)), HidLink::OutputLength());
  if (!opened.ok()) {
    ShowBox(GetWindow(), opened.Message(), caption, ui::MB_OK | ui::MB_ICONEXCLAMATION);
    SetOutcome(Outcome::kRefused, kHexFileRefused);
    return;
  }

  DummyReads(m_listLog, 3);
  ShowBox(GetWindow(), strings.LoadString(IDS_PRESS_RESET), caption, ui::MB_OK);

  const ui::CursorToken cursor = host.SetWaitCursor();
  const bool accepted = StreamRecords(*this, reader, host);
  host.ShowProgress(0, 0);
  host.RestoreCursor(cursor);
  ShowBox(GetWindow(),
          strings.LoadString(accepted ? IDS_PROGRAMMATION_SUCCESSFUL : IDS_PROGRAMMATION_FAILURE),
          "PIC", ui::MB_OK);
  reader.Close();
  if (!accepted) SetOutcome(Outcome::kFailed, kPicProgrammingFailed);
  EndLinkCommand();
}

void Chid_testDlg::OnBnClickedErasePic() {
  BeginCommand();
  if (!BoardFound()) return;
  RequireJumperPosition(1);
  DummyReads(m_listLog, 3);

  const auto& strings = ui::GetResources();
  const int answer =
      ShowBox(GetWindow(), strings.LoadString(IDS_CONFIRM_ERASE),
              strings.LoadString(IDS_ERASING_PIC), ui::MB_OKCANCEL | ui::MB_ICONEXCLAMATION);
  // Only an explicit OK erases.
  if (answer != ui::IDOK) {
    SetOutcome(Outcome::kCancelled, kEraseNotConfirmed);
    return;
  }

  pic::EncodeEraseRequest(HidLink::outReport, m_checkPicRevA.GetCheck() != 0);
  AppendLog(std::to_string(Timed(HidLink::Send)));
  EndLinkCommand();
}

}  // namespace app
