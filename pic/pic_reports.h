#pragma once

// Byte layouts of the PIC commands: 'r' reads four program words, 'R' announces one program
// record followed by its data report, 'w' erases. Buffers are indexed as the link sends them:
// index 0 is the report id byte, which the link sets. Encoders write only the bytes listed; each
// returns false and writes nothing when the buffer is too short for its layout. Decoders count
// bytes missing from a short buffer as 0.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace pic {

// Most words one 'R' record carries (and one HEX record may deliver).
inline constexpr uint32_t kMaxRecordWords = 32;

// Program memory below this word address is what the dump walks through; it wraps to 0.
inline constexpr uint16_t kProgramMemoryEnd = 0x2000;

// 'r' request: byte 1 = 'r', byte 2 = word address low byte, byte 3 = high byte.
bool EncodeReadRequest(std::span<uint8_t> report, uint16_t wordAddress);

// 'r' reply: bytes 1..8 = four words, each low byte first, in address order.
std::array<uint16_t, 4> DecodeReadReply(std::span<const uint8_t> reply);

// Dump line of one read: "%04X : %04X %04X %04X %04X" of the address and the four words.
std::string FormatDumpLine(uint16_t wordAddress, const std::array<uint16_t, 4>& words);

// The address the next read starts at: the line at 0x1FFC..0x1FFF wraps to 0, any other address
// advances by 4, kept to 16 bits.
uint16_t NextReadAddress(uint16_t wordAddress);

// 'R' header: byte 1 = 'R', byte 2 = wordCount + 1 (the address word and the data words that
// follow), or 0 for wordCount 0, which ends the run; byte 3 = 1 for a revision A PIC, else 0.
// False for more than kMaxRecordWords words.
bool EncodeProgramHeader(std::span<uint8_t> report, uint32_t wordCount, bool picRevA);

// Data report after an 'R' header: bytes 1, 2 = word address low, high; bytes 3 .. 2 + 2 * N =
// the N words in order, each low byte first. False for more than kMaxRecordWords words or a
// report shorter than 3 + 2 * N bytes.
bool EncodeProgramData(std::span<uint8_t> report, uint16_t wordAddress,
                       std::span<const uint16_t> words);

// Report bytes a data report of `wordCount` words needs, report id included.
constexpr size_t ProgramDataReportLength(size_t wordCount) {
  return 3 + 2 * wordCount;
}

// The board's answer to a data report: three words, each low byte first.
struct ProgramReply {
  uint16_t status = 0;  // bytes 1, 2: 0 = record accepted, anything else = failure
  uint16_t second = 0;  // bytes 3, 4: shown only
  uint16_t third = 0;   // bytes 5, 6: shown only
};

ProgramReply DecodeProgramReply(std::span<const uint8_t> reply);

// Log line of one programmed record: the elapsed microseconds in decimal, then the word address,
// the reply's second and third words and the word count, each as at least four lower-case hex
// digits ("%04x").
std::string FormatProgramLine(int64_t elapsedUs, uint32_t wordAddress, const ProgramReply& reply,
                              uint32_t wordCount);

// 'w' request: byte 1 = 'w', byte 2 = 1 for a revision A PIC, else 0.
bool EncodeEraseRequest(std::span<uint8_t> report, bool picRevA);

}  // namespace pic
