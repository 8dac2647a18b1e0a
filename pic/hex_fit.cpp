#include "pic/hex_fit.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "pic/pic_reports.h"

namespace pic {

namespace {

constexpr uint64_t kMaxWordAddress = 0xFFFF;

struct Misfit {
  HexError error = HexError::kNone;
  std::string reason;
};

// The first rule the record breaks, in the order they are told to the user.
Misfit Check(const HexFileReader::RecordInfo& record, size_t outputReportLength) {
  char text[160];
  const uint32_t count = record.wordCount;
  if (count > kMaxRecordWords) {
    std::snprintf(text, sizeof text, "record of %u words: at most %u fit a record", count,
                  kMaxRecordWords);
    return {HexError::kTooManyWords, text};
  }
  if (ProgramDataReportLength(count) > outputReportLength) {
    std::snprintf(text, sizeof text,
                  "record of %u words needs a %u-byte data report, the board's output report "
                  "holds %u bytes",
                  count, static_cast<unsigned>(ProgramDataReportLength(count)),
                  static_cast<unsigned>(outputReportLength));
    return {HexError::kReportTooSmall, text};
  }
  const uint64_t firstWord = record.wordAddress;
  if (firstWord > kMaxWordAddress) {
    std::snprintf(text, sizeof text, "word address 0x%llX does not fit 16 bits",
                  static_cast<unsigned long long>(firstWord));
    return {HexError::kAddressRange, text};
  }
  if (firstWord + count - 1 > kMaxWordAddress) {
    return {HexError::kAddressRange, "record runs past word address 0xFFFF"};
  }
  return {};
}

}  // namespace

HexStatus CheckBoardFit(HexFileReader& reader, HexStatus opened, size_t outputReportLength) {
  if (!opened.ok()) return opened;
  for (const HexFileReader::RecordInfo& record : reader.records()) {
    Misfit misfit = Check(record, outputReportLength);
    if (misfit.error == HexError::kNone) continue;
    opened.error = misfit.error;
    opened.line = record.line;
    opened.reason = std::move(misfit.reason);
    reader.Close();  // after the last look at `record`, which goes with it
    return opened;
  }
  return opened;
}

}  // namespace pic
