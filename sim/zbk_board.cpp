#include "sim/zbk_board.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace sim {

namespace {

std::uint8_t At(std::span<const std::uint8_t> report, std::size_t index) {
  return index < report.size() ? report[index] : 0;
}

void PutWord(std::vector<std::uint8_t>& reply, std::size_t index, std::uint16_t value) {
  if (index < reply.size()) reply[index] = static_cast<std::uint8_t>(value & 0xFFu);
  if (index + 1 < reply.size()) reply[index + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::string Format(const char* format, auto... args) {
  char text[160];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace

ZbkBoard::ZbkBoard(std::string versionText, std::size_t outputReportLength,
                   std::size_t inputReportLength)
    : versionText_(std::move(versionText)),
      outputLength_(std::max<std::size_t>(outputReportLength, 1)),
      inputLength_(std::max<std::size_t>(inputReportLength, 1)),
      program_(kProgramWords, kErasedWord),
      config_(kConfigWords, kErasedWord),
      eeprom_(kEepromWords, kErasedEepromWord) {
  // Factory settings as each firmware ships them.
  if (StartsWith(versionText_, "ZBK 2.") || StartsWith(versionText_, "ZBK 3.")) {
    params_.protocolV2 = 1;
  }
  if (StartsWith(versionText_, "BRAXO")) {
    params_.stepDurationHalf = 25;  // 50 us
    params_.dirDelayHalf = 7;       // 14 us
    params_.braxoMode = 1;
  }
}

void ZbkBoard::PowerCycle(std::int64_t nowUs) {
  replies_.clear();
  pendingCut_.reset();
  pendingRecord_.reset();
  busyUntilUs_ = std::min(busyUntilUs_, nowUs);
  motorOn_ = false;
}

void ZbkBoard::Violation(std::string text) {
  violations_.push_back(std::move(text));
}

std::vector<std::uint8_t> ZbkBoard::NewReply() const {
  return std::vector<std::uint8_t>(inputLength_, 0);
}

bool ZbkBoard::Fits(std::span<const std::uint8_t> report, std::size_t need, char letter) {
  if (report.size() >= need) return true;
  Violation(Format("'%c' command needs more bytes than the report carries (%zu of %zu)", letter,
                   report.size(), need));
  return false;
}

std::optional<std::vector<std::uint8_t>> ZbkBoard::TakeReply() {
  if (replies_.empty()) return std::nullopt;
  std::vector<std::uint8_t> reply = std::move(replies_.front());
  replies_.pop_front();
  return reply;
}

void ZbkBoard::Receive(std::span<const std::uint8_t> report, std::int64_t nowUs) {
  ++reportsReceived_;
  if (report.size() != outputLength_) {
    Violation(Format("report of %zu bytes, expected %zu", report.size(), outputLength_));
  }
  if (!report.empty() && report[0] != 0) {
    Violation(Format("report id %u, expected 0", static_cast<unsigned>(report[0])));
  }
  // The reports after a 'c' or an 'R' header carry data, whatever their first bytes look like.
  if (pendingCut_) {
    CutData(report, nowUs);
    return;
  }
  if (pendingRecord_) {
    ProgramData(report);
    return;
  }
  if (report.size() < 2) {
    Violation("report carries no command letter");
    return;
  }
  Command(report, nowUs);
  lastCommand_ = report[1];
}

void ZbkBoard::Command(std::span<const std::uint8_t> report, std::int64_t nowUs) {
  switch (report[1]) {
    case 's':
      Status(nowUs);
      break;
    case 'v':
      Version();
      break;
    case 'I':
      ReadBlock(report);
      break;
    case 'a':
      WriteBlock(report);
      break;
    case 'o':
      if (Fits(report, 3, 'o')) motorOn_ = report[2] != 0;
      break;
    case 'T':
      if (Fits(report, 3, 'T')) {
        lastBufferTest_ = report[2];
        ++bufferTests_;
      }
      break;
    case 'c':
      Cut(report, nowUs);
      break;
    case 'q':
      QuickCut(report, nowUs);
      break;
    case 'r':
      ReadPic(report);
      break;
    case 'R':
      ProgramHeader(report);
      break;
    case 'w':
      ErasePic(report);
      break;
    default:
      Violation(Format("unknown command letter 0x%02X", static_cast<unsigned>(report[1])));
      break;
  }
}

int ZbkBoard::BusyCount(std::int64_t nowUs) const {
  const std::int64_t remaining = busyUntilUs_ - nowUs;
  if (remaining <= 0) return 0;
  return static_cast<int>(std::clamp<std::int64_t>((remaining + 1999) / 2000, 1, 127));
}

void ZbkBoard::Status(std::int64_t nowUs) {
  std::vector<std::uint8_t> reply = NewReply();
  const std::uint8_t bytes[] = {
      static_cast<std::uint8_t>(BusyCount(nowUs)),
      static_cast<std::uint8_t>(motorOn_ ? 1 : 0),
      static_cast<std::uint8_t>(cutsRun_ & 0xFF),
      lastCommand_,
      static_cast<std::uint8_t>(std::min<std::size_t>(violations_.size(), 255)),
  };
  for (std::size_t i = 0; i < std::size(bytes) && i + 1 < reply.size(); ++i)
    reply[i + 1] = bytes[i];
  replies_.push_back(std::move(reply));
}

void ZbkBoard::Version() {
  std::vector<std::uint8_t> reply = NewReply();
  // Room for the text from byte 1 and its terminating zero.
  const std::size_t room = reply.size() >= 2 ? reply.size() - 2 : 0;
  const std::size_t length = std::min(versionText_.size(), room);
  for (std::size_t i = 0; i < length; ++i)
    reply[i + 1] = static_cast<std::uint8_t>(versionText_[i]);
  replies_.push_back(std::move(reply));
}

std::array<std::uint8_t, 8> ZbkBoard::ReadLayout(int block) const {
  std::array<std::uint8_t, 8> bytes{};
  switch (block) {
    case 0:
      bytes = {params_.timerChoice,
               params_.protocolV2,
               params_.stepDurationHalf,
               params_.dirDelayHalf,
               params_.braxoMode,
               params_.stepMode,
               0,
               0};
      break;
    case 1:
      bytes = params_.pins;
      break;
    case 2:
      bytes[0] = params_.motorOnPin;
      bytes[1] = params_.activeHigh;
      break;
    default:
      break;
  }
  return bytes;
}

std::optional<std::array<std::uint8_t, 8>> ZbkBoard::LastBlockWrite(int block) const {
  if (block < 0 || block > 2) return std::nullopt;
  return lastWrites_[static_cast<std::size_t>(block)];
}

void ZbkBoard::ReadBlock(std::span<const std::uint8_t> report) {
  std::vector<std::uint8_t> reply = NewReply();
  if (Fits(report, 3, 'I')) {
    const int block = report[2];
    if (block > 2) Violation(Format("'I' of unknown block %d", block));
    const std::array<std::uint8_t, 8> bytes = ReadLayout(block);
    for (std::size_t i = 0; i < bytes.size() && i + 1 < reply.size(); ++i) reply[i + 1] = bytes[i];
  }
  // The host waits for an answer whatever it asked.
  replies_.push_back(std::move(reply));
}

void ZbkBoard::WriteBlock(std::span<const std::uint8_t> report) {
  std::vector<std::uint8_t> reply = NewReply();
  if (reply.size() > 1) reply[1] = 'a';
  if (Fits(report, 3, 'a')) {
    const int block = report[2];
    if (reply.size() > 2) reply[2] = report[2];
    if (block > 2) {
      Violation(Format("'a' of unknown block %d", block));
    } else if (Fits(report, block == 2 ? 5 : 11, 'a')) {
      std::array<std::uint8_t, 8> written{};
      for (std::size_t i = 0; i < written.size(); ++i) written[i] = At(report, i + 3);
      lastWrites_[static_cast<std::size_t>(block)] = written;
      if (block == 0) {
        // Write order: dir delay, step duration, BRAXO mode, timer choice, step mode.
        params_.dirDelayHalf = report[3];
        params_.stepDurationHalf = report[4];
        params_.braxoMode = report[5];
        params_.timerChoice = report[6];
        params_.stepMode = report[7];
      } else if (block == 1) {
        params_.pins = written;
      } else {
        params_.motorOnPin = report[3];
        params_.activeHigh = report[4];
      }
    }
  }
  replies_.push_back(std::move(reply));
}

int ZbkBoard::TickUs() const {
  switch (params_.timerChoice) {
    case 1:
      return 50;
    case 2:
      return 20;
    default:
      return 100;
  }
}

std::size_t ZbkBoard::PendingDataReports() const {
  if (pendingCut_) return pendingCut_->reportsLeft;
  return pendingRecord_ ? 1 : 0;
}

void ZbkBoard::Cut(std::span<const std::uint8_t> report, std::int64_t nowUs) {
  if (!Fits(report, 3, 'c')) return;
  if (BusyCount(nowUs) > 0) Violation("'c' while a cut is still running");
  const int steps = report[2];
  if (steps == 0) return;
  const std::size_t dataBytes = outputLength_ - 1;  // at least 2, as the 'c' itself fit
  PendingCut pending;
  pending.steps = steps;
  pending.reportsLeft = (2 * static_cast<std::size_t>(steps) + dataBytes - 1) / dataBytes;
  pendingCut_ = std::move(pending);
}

void ZbkBoard::CutData(std::span<const std::uint8_t> report, std::int64_t nowUs) {
  PendingCut& pending = *pendingCut_;
  if (report.size() > 1) pending.data.insert(pending.data.end(), report.begin() + 1, report.end());
  if (--pending.reportsLeft > 0) return;

  CutRun cut;
  cut.command = 'c';
  cut.steps = pending.steps;
  // Short data reports (already recorded) leave their missing pairs at 0.
  pending.data.resize(std::max(pending.data.size(), 2 * static_cast<std::size_t>(cut.steps)), 0);
  for (int i = 0; i < cut.steps; ++i) {
    cut.periodTicks.push_back(pending.data[2 * static_cast<std::size_t>(i)]);
    cut.patterns.push_back(pending.data[2 * static_cast<std::size_t>(i) + 1]);
  }
  pendingCut_.reset();
  StartCut(std::move(cut), nowUs);
}

void ZbkBoard::QuickCut(std::span<const std::uint8_t> report, std::int64_t nowUs) {
  if (!Fits(report, 5, 'q')) return;
  const int slots = report[4];
  if (slots == 0) {
    Violation("'q' slot count 0");
    return;
  }
  const std::size_t last = 2 * static_cast<std::size_t>(slots) + 4;
  if (!Fits(report, last + 1, 'q')) return;

  bool sound = true;
  if (report[2] != 2 * slots + 2) {
    Violation(Format("'q' byte count %d, expected %d", report[2], 2 * slots + 2));
    sound = false;
  }
  for (std::size_t i = 5; i < last - 1; ++i) {
    if (report[i] != 0) {
      Violation(Format("'q' zero pair byte %zu is 0x%02X", i, static_cast<unsigned>(report[i])));
      sound = false;
    }
  }
  const std::uint8_t first = report[last - 1];
  const std::uint8_t second = report[last];
  if (first != second || (first >> 4) != (first & 0x0F)) {
    Violation(Format("'q' period bytes 0x%02X 0x%02X are not n * 0x11 twice",
                     static_cast<unsigned>(first), static_cast<unsigned>(second)));
    sound = false;
  }
  if (BusyCount(nowUs) > 0) Violation("'q' while a cut is still running");
  if (!sound) return;

  CutRun cut;
  cut.command = 'q';
  cut.steps = kQuickCutSteps;
  cut.periodTicks.assign(kQuickCutSteps, 16 * (slots - 1) + (first & 0x0F));
  cut.direction = report[3];
  StartCut(std::move(cut), nowUs);
}

void ZbkBoard::StartCut(CutRun cut, std::int64_t nowUs) {
  cut.tickUs = TickUs();
  cut.startUs = std::max(nowUs, busyUntilUs_);
  std::int64_t ticks = 0;
  for (int period : cut.periodTicks) ticks += period;
  cut.endUs = cut.startUs + ticks * cut.tickUs;
  busyUntilUs_ = cut.endUs;
  ++cutsRun_;
  lastCut_ = std::move(cut);
}

const std::uint16_t* ZbkBoard::Slot(std::uint32_t address) const {
  if (address < kProgramWords) return &program_[address];
  if (address >= kConfigStart && address < kConfigStart + kConfigWords) {
    return &config_[address - kConfigStart];
  }
  if (address >= kEepromStart && address < kEepromStart + kEepromWords) {
    return &eeprom_[address - kEepromStart];
  }
  return nullptr;
}

std::uint16_t* ZbkBoard::Slot(std::uint32_t address) {
  return const_cast<std::uint16_t*>(std::as_const(*this).Slot(address));
}

std::uint16_t ZbkBoard::PicWord(std::uint32_t address) const {
  const std::uint16_t* slot = Slot(address);
  return slot ? *slot : kErasedWord;
}

bool ZbkBoard::SetPicWord(std::uint32_t address, std::uint16_t value) {
  std::uint16_t* slot = Slot(address);
  if (!slot) return false;
  *slot = value & kPicWordMask;
  return true;
}

void ZbkBoard::ReadPic(std::span<const std::uint8_t> report) {
  std::vector<std::uint8_t> reply = NewReply();
  if (Fits(report, 4, 'r')) {
    const std::uint32_t address = report[2] | (report[3] << 8);
    for (std::uint32_t i = 0; i < 4; ++i) PutWord(reply, 1 + 2 * i, PicWord(address + i));
  }
  replies_.push_back(std::move(reply));
}

void ZbkBoard::ProgramHeader(std::span<const std::uint8_t> report) {
  if (!Fits(report, 4, 'R')) return;
  if (report[2] == 0) {
    ++programmingRunsEnded_;
    return;
  }
  pendingRecord_ = PendingRecord{report[2] - 1, report[3] == 1};
}

void ZbkBoard::ProgramData(std::span<const std::uint8_t> report) {
  const PendingRecord record = *pendingRecord_;
  pendingRecord_.reset();
  const std::uint32_t address = At(report, 1) | (At(report, 2) << 8);
  const std::size_t need = 3 + 2 * static_cast<std::size_t>(record.words);

  std::uint16_t status = kProgramAccepted;
  if (report.size() < need) {
    Violation(
        Format("'R' data report of %d words needs more bytes than the report carries "
               "(%zu of %zu)",
               record.words, report.size(), need));
    status = kProgramTooLong;
  } else if (record.revisionA != picRevisionA_) {
    status = kProgramWrongRevision;
  } else {
    for (int i = 0; i < record.words; ++i) {
      if (!Slot(address + static_cast<std::uint32_t>(i))) status = kProgramOutsideMemory;
    }
  }
  // A record is written whole or not at all.
  if (status == kProgramAccepted) {
    for (int i = 0; i < record.words; ++i) {
      const std::size_t at = 3 + 2 * static_cast<std::size_t>(i);
      SetPicWord(address + static_cast<std::uint32_t>(i),
                 static_cast<std::uint16_t>(report[at] | (report[at + 1] << 8)));
    }
    ++picRecordsProgrammed_;
  } else {
    ++picRecordsRefused_;
  }

  std::vector<std::uint8_t> reply = NewReply();
  PutWord(reply, 1, status);
  PutWord(reply, 3, static_cast<std::uint16_t>(address));
  PutWord(reply, 5, static_cast<std::uint16_t>(record.words));
  replies_.push_back(std::move(reply));
}

void ZbkBoard::ErasePic(std::span<const std::uint8_t> report) {
  if (!Fits(report, 3, 'w')) return;
  // The erase sequence differs between revisions; the wrong one leaves the PIC as it was.
  if ((report[2] == 1) != picRevisionA_) return;
  std::fill(program_.begin(), program_.end(), kErasedWord);
  std::fill(config_.begin(), config_.end(), kErasedWord);
  std::fill(eeprom_.begin(), eeprom_.end(), kErasedEepromWord);
  ++picErases_;
}

}  // namespace sim
