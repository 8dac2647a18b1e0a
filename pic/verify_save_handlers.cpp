// Verify PIC and Save PIC: both read the PIC back with 'r' requests, four words at a time, after
// the jumper and reset rules of Read PIC. Verify compares what it reads with a HEX file; Save
// writes it to one. The dialog template has no buttons for them: the system menu offers them.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/chid_test_dlg.h"
#include "app/resource_ids.h"
#include "hidlink/hid_link.h"
#include "pic/hex_file_reader.h"
#include "pic/hex_file_writer.h"
#include "pic/hex_fit.h"
#include "pic/pic_memory.h"
#include "pic/pic_reports.h"
#include "pic/utf8_path.h"
#include "ui/resources.h"
#include "ui/window_port.h"

namespace app {

using hidlink::HidLink;

namespace {

constexpr std::string_view kVerifyCaption = "Verify PIC";
constexpr std::string_view kSaveCaption = "Save PIC";
// Differences listed in the log; the box names the first.
constexpr size_t kDifferencesShown = 8;

void Box(Chid_testDlg& dlg, const std::string& text, std::string_view caption, unsigned type) {
  if (auto* window = dlg.GetWindow()) window->MessageBox(text, caption, type);
}

std::string NameOf(const std::string& chosen) {
  const std::string name = pic::PathFromUtf8(chosen).filename().string();
  return name.empty() ? chosen : name;
}

// Runs the planned reads, keeping every word the replies carry. False when the link closed on
// the way; `done` says how many reads had their reply.
bool ReadWords(Chid_testDlg& dlg, std::span<const std::uint16_t> plan, pic::WordMap& words,
               std::size_t& done) {
  ui::Host& host = ui::CurrentHost();
  const ui::CursorToken cursor = host.SetWaitCursor();
  const auto total = static_cast<std::uint32_t>(plan.size());
  done = 0;
  host.ShowProgress(0, total);
  bool linked = true;
  for (const std::uint16_t address : plan) {
    pic::EncodeReadRequest(HidLink::outReport, address);
    HidLink::Exchange();
    if (!HidLink::connected) {
      linked = false;
      break;
    }
    const auto reply = pic::DecodeReadReply(HidLink::inReport);
    for (std::uint32_t i = 0; i < reply.size(); ++i) words[address + i] = reply[i];
    dlg.m_wPicNextAddr = pic::NextReadAddress(address);
    host.ShowProgress(static_cast<std::uint32_t>(++done), total);
    // Paints go through between reads; clicks wait until the run is over.
    if (done % 16 == 0) {
      if (auto* window = dlg.GetWindow()) window->RepaintNow();
    }
  }
  host.RestoreCursor(cursor);
  return linked;
}

std::string LinkClosed(std::string_view what, std::size_t done, std::size_t total) {
  return std::string(what) + ": the link to the board closed after " + std::to_string(done) +
         " of " + std::to_string(total) + " reads";
}

}  // namespace

void Chid_testDlg::PrepareReadFrom(std::uint16_t firstAddress) {
  RequireJumperPosition(1);
  // As Read PIC: coming back below the configuration area, or starting at 0, resets the PIC.
  if (m_wPicNextAddr >= pic::kProgramMemoryEnd && firstAddress < pic::kProgramMemoryEnd) {
    m_bPicNeedsReset = 1;
  }
  if (firstAddress != 0 && !m_bPicNeedsReset) return;
  const bool fromProgramMemory = m_wPicNextAddr < pic::kProgramMemoryEnd;
  auto dummyReads = [this](int count) {
    pic::EncodeReadRequest(HidLink::outReport, 0);
    for (int i = 0; i < count; ++i) {
      HidLink::Exchange();
      m_listLog.SetCurSel(-1);
    }
  };
  if (fromProgramMemory) dummyReads(3);
  const auto& strings = ui::GetResources();
  Box(*this, strings.LoadString(IDS_PRESS_RESET), strings.LoadString(IDS_READING_PIC), ui::MB_OK);
  if (!fromProgramMemory) dummyReads(1);
  m_bPicNeedsReset = 0;
}

void Chid_testDlg::OnVerifyPic() {
  BeginCommand();
  if (!BoardFound()) return;

  const std::optional<std::string> chosen =
      ui::CurrentHost().GetOpenFileName("Fichier hex", "*.hex");
  if (!chosen) {
    SetOutcome(Outcome::kCancelled, kNoHexFileChosen);
    return;
  }
  // The check of Program PIC: a file that could not be programmed is not compared either.
  pic::HexFileReader reader;
  const pic::HexStatus opened =
      pic::CheckBoardFit(reader, reader.Open(pic::PathFromUtf8(*chosen)), HidLink::OutputLength());
  if (!opened.ok()) {
    Box(*this, opened.Message(), kVerifyCaption, ui::MB_OK | ui::MB_ICONEXCLAMATION);
    SetOutcome(Outcome::kRefused, kHexFileRefused);
    return;
  }
  // Later records at the same address win, as they would when programmed.
  pic::WordMap expected;
  std::uint32_t address = 0;
  std::span<const std::uint16_t> record;
  while (const std::uint32_t count = reader.NextRecord(address, record)) {
    for (std::uint32_t i = 0; i < count; ++i) expected[address + i] = record[i];
  }
  reader.Close();

  const std::vector<std::uint16_t> plan = pic::ReadPlan(expected);
  if (!plan.empty()) PrepareReadFrom(plan.front());
  pic::WordMap read;
  std::size_t done = 0;
  if (!ReadWords(*this, plan, read, done)) {
    const std::string why = LinkClosed(kVerifyCaption, done, plan.size());
    AppendLog(why);
    Box(*this, why + ": nothing was compared.", kVerifyCaption, ui::MB_OK | ui::MB_ICONSTOP);
    EndLinkCommand();
    return;
  }

  const pic::Comparison result = pic::CompareWords(expected, read, kDifferencesShown);
  const std::string name = NameOf(*chosen);
  if (result.differing == 0) {
    AppendLog("Verify PIC: all " + std::to_string(result.compared) + " words equal");
    Box(*this,
        "The PIC holds " + name + ": all " + std::to_string(result.compared) + " words equal.",
        kVerifyCaption, ui::MB_OK | ui::MB_ICONINFORMATION);
    EndLinkCommand();
    return;
  }
  AppendLog("Verify PIC: " + std::to_string(result.differing) + " of " +
            std::to_string(result.compared) + " words differ");
  for (const auto& d : result.first) AppendLog(pic::FormatDifference(d));
  Box(*this,
      "The PIC differs from " + name + " in " + std::to_string(result.differing) + " of " +
          std::to_string(result.compared) +
          " words.\r\n\r\nThe first: " + pic::FormatDifference(result.first.front()) + ".",
      kVerifyCaption, ui::MB_OK | ui::MB_ICONEXCLAMATION);
  SetOutcome(Outcome::kFailed, kPicDiffers);
}

void Chid_testDlg::OnSavePic() {
  BeginCommand();
  if (!BoardFound()) return;

  const std::optional<std::string> chosen =
      ui::CurrentHost().GetSaveFileName("Fichier hex", "*.hex", "hex");
  if (!chosen) {
    SetOutcome(Outcome::kCancelled, kNoSaveFileChosen);
    return;
  }

  const std::vector<std::uint16_t> plan = pic::ReadPlan(pic::kSavedAreas);
  PrepareReadFrom(plan.front());
  pic::WordMap words;
  std::size_t done = 0;
  if (!ReadWords(*this, plan, words, done)) {
    const std::string why = LinkClosed(kSaveCaption, done, plan.size()) + "; nothing was written";
    AppendLog(why);
    Box(*this, why + ".", kSaveCaption, ui::MB_OK | ui::MB_ICONSTOP);
    EndLinkCommand();
    return;
  }

  std::uint32_t kept = 0;
  for (const auto& [address, word] : words) kept += pic::IsErased(address, word) ? 0 : 1;
  const pic::WriteResult written =
      pic::WriteFileAtomically(pic::PathFromUtf8(*chosen), pic::FormatIntelHex(words));
  if (!written.ok) {
    AppendLog("Save PIC: " + written.message + "; nothing was written");
    Box(*this, "Could not write " + written.message + ".", kSaveCaption,
        ui::MB_OK | ui::MB_ICONSTOP);
    SetOutcome(Outcome::kFailed, kSaveFailed);
    return;
  }
  const std::string name = NameOf(*chosen);
  AppendLog("Save PIC: " + std::to_string(words.size()) + " words read, " + std::to_string(kept) +
            " not erased, written to " + name);
  Box(*this, "The PIC was saved to " + name + ": " + std::to_string(kept) + " words not erased.",
      kSaveCaption, ui::MB_OK | ui::MB_ICONINFORMATION);
  EndLinkCommand();
}

}  // namespace app
