#include "pic/pic_reports.h"

#include <cinttypes>
#include <cstdio>

namespace pic {

namespace {

constexpr uint8_t kReadLetter = 'r';
constexpr uint8_t kProgramLetter = 'R';
constexpr uint8_t kEraseLetter = 'w';

uint8_t ReplyByte(std::span<const uint8_t> reply, size_t index) {
  return index < reply.size() ? reply[index] : 0;
}

// The board sends every word low byte first.
uint16_t ReplyWord(std::span<const uint8_t> reply, size_t index) {
  return static_cast<uint16_t>(ReplyByte(reply, index) | (ReplyByte(reply, index + 1) << 8));
}

void PutWord(std::span<uint8_t> report, size_t index, uint16_t value) {
  report[index] = static_cast<uint8_t>(value & 0xFFu);
  report[index + 1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

bool EncodeReadRequest(std::span<uint8_t> report, uint16_t wordAddress) {
  if (report.size() < 4) return false;
  report[1] = kReadLetter;
  PutWord(report, 2, wordAddress);
  return true;
}

std::array<uint16_t, 4> DecodeReadReply(std::span<const uint8_t> reply) {
  return {ReplyWord(reply, 1), ReplyWord(reply, 3), ReplyWord(reply, 5), ReplyWord(reply, 7)};
}

std::string FormatDumpLine(uint16_t wordAddress, const std::array<uint16_t, 4>& words) {
  char text[40];
  std::snprintf(text, sizeof text, "%04X : %04X %04X %04X %04X", static_cast<unsigned>(wordAddress),
                static_cast<unsigned>(words[0]), static_cast<unsigned>(words[1]),
                static_cast<unsigned>(words[2]), static_cast<unsigned>(words[3]));
  return text;
}

uint16_t NextReadAddress(uint16_t wordAddress) {
  const uint16_t intoLastLine = static_cast<uint16_t>(wordAddress - (kProgramMemoryEnd - 4));
  if (intoLastLine <= 3) return 0;
  return static_cast<uint16_t>(wordAddress + 4);
}

bool EncodeProgramHeader(std::span<uint8_t> report, uint32_t wordCount, bool picRevA) {
  // A larger count would not fit byte 2, and 255 words would wrap to the end marker 0.
  if (report.size() < 4 || wordCount > kMaxRecordWords) return false;
  report[1] = kProgramLetter;
  report[2] = wordCount > 0 ? static_cast<uint8_t>(wordCount + 1) : 0;
  report[3] = picRevA ? 1 : 0;
  return true;
}

bool EncodeProgramData(std::span<uint8_t> report, uint16_t wordAddress,
                       std::span<const uint16_t> words) {
  if (words.size() > kMaxRecordWords) return false;
  if (report.size() < ProgramDataReportLength(words.size())) return false;
  PutWord(report, 1, wordAddress);
  for (size_t i = 0; i < words.size(); ++i) PutWord(report, 3 + 2 * i, words[i]);
  return true;
}

ProgramReply DecodeProgramReply(std::span<const uint8_t> reply) {
  return {ReplyWord(reply, 1), ReplyWord(reply, 3), ReplyWord(reply, 5)};
}

std::string FormatProgramLine(int64_t elapsedUs, uint32_t wordAddress, const ProgramReply& reply,
                              uint32_t wordCount) {
  char text[96];
  std::snprintf(text, sizeof text, "%" PRId64 " %04x %04x %04x %04x", elapsedUs,
                static_cast<unsigned>(wordAddress), static_cast<unsigned>(reply.second),
                static_cast<unsigned>(reply.third), static_cast<unsigned>(wordCount));
  return text;
}

bool EncodeEraseRequest(std::span<uint8_t> report, bool picRevA) {
  if (report.size() < 3) return false;
  report[1] = kEraseLetter;
  report[2] = picRevA ? 1 : 0;
  return true;
}

}  // namespace pic
