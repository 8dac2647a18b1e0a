#include "program/hex_check.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "batch/exit_status.h"
#include "hidlink/hid_link.h"
#include "params/parameter_block.h"
#include "params/parameter_tables.h"
#include "pic/hex_file_reader.h"
#include "pic/hex_fit.h"
#include "pic/utf8_path.h"

namespace program {

namespace {

using hidlink::HidLink;

// The standard board's output report, report id included.
constexpr std::size_t kStandardOutputLength = 65;

std::string Hex4(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
  return text;
}

// "0x0000-0x0017, 0x2007": the word ranges the records cover, overlaps and neighbours merged.
std::string Ranges(std::span<const pic::HexFileReader::RecordInfo> records) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> spans;  // first, one past the last
  for (const auto& r : records) spans.emplace_back(r.wordAddress, r.wordAddress + r.wordCount);
  std::sort(spans.begin(), spans.end());
  std::vector<std::pair<std::uint32_t, std::uint32_t>> merged;
  for (const auto& s : spans) {
    if (!merged.empty() && s.first <= merged.back().second) {
      merged.back().second = std::max(merged.back().second, s.second);
    } else {
      merged.push_back(s);
    }
  }
  std::string out;
  for (const auto& [first, end] : merged) {
    if (!out.empty()) out += ", ";
    out += Hex4(first);
    if (end - first > 1) out += "-" + Hex4(end - 1);
  }
  return out;
}

}  // namespace

int CheckHexFiles(std::span<const std::string> files, std::size_t outputReportLength,
                  const LineOut& out, const LineOut& err) {
  int status = batch::kExitOk;
  for (const std::string& file : files) {
    pic::HexFileReader reader;
    const pic::HexStatus checked =
        pic::CheckBoardFit(reader, reader.Open(pic::PathFromUtf8(file)), outputReportLength);
    if (!checked.ok()) {
      // The name as given, so that a script sees which of its arguments failed.
      pic::HexStatus named = checked;
      named.fileName = file;
      err(named.Message());
      status = batch::kExitFailure;
      continue;
    }
    std::uint64_t words = 0;
    for (const auto& r : reader.records()) words += r.wordCount;
    const auto records = reader.records().size();
    std::string line = file + ": " + std::to_string(records) +
                       (records == 1 ? " record, " : " records, ") + std::to_string(words) +
                       (words == 1 ? " word" : " words");
    if (words > 0) line += " at " + Ranges(reader.records());
    out(line);
    reader.Close();
  }
  return status;
}

std::size_t CheckedOutputLength(hidlink::HidPlatform* platform, const std::string& devicePath) {
  if (!platform) return kStandardOutputLength;
  HidLink::Attach(platform);
  HidLink::devicePath = devicePath;
  // A board that is not there, or not ours to open, is no reason to refuse a file.
  HidLink::SetErrorSink(nullptr);
  const std::size_t length = HidLink::FindDevice() ? HidLink::OutputLength() : 0;
  HidLink::CloseAll();
  return length > 0 ? length : kStandardOutputLength;
}

int ListDevices(hidlink::HidPlatform* platform, const LineOut& out, const LineOut& err) {
  if (!platform) {
    err("zbk-utility: this system offers no HID access");
    return batch::kExitNoBoard;
  }
  HidLink::Attach(platform);
  const auto boards = HidLink::ListBoards();
  for (const auto& b : boards) {
    std::string line = b.path + "  output " + std::to_string(b.caps.outputReportByteLength) +
                       " bytes, input " + std::to_string(b.caps.inputReportByteLength) + " bytes";
    if (!b.openable) {
      out(line + ", cannot be opened: " + b.openError);
      continue;
    }
    line += ", opens";
    // The version text, as Connect asks for it.
    HidLink::devicePath = b.path;
    HidLink::SetErrorSink(nullptr);
    std::string version;
    if (HidLink::FindDevice()) {
      HidLink::outReport.fill(0);
      HidLink::outReport[1] = params::kCommandVersion;
      HidLink::Exchange();
      if (HidLink::connected) {
        version = std::string(params::VersionText(std::span<const std::uint8_t>(
            HidLink::inReport.data(), std::min(HidLink::InputLength(), HidLink::inReport.size()))));
      }
      HidLink::CloseAll();
    }
    out(line + (version.empty() ? ", no version text" : ", version \"" + version + "\""));
  }
  HidLink::devicePath.clear();
  if (boards.empty()) {
    err("zbk-utility: no HID interface of the ZBK board (03EB:201D) was found");
    return batch::kExitNoBoard;
  }
  return batch::kExitOk;
}

}  // namespace program
