#pragma once

// Intel HEX files for the PIC programmer, delivered record by record as 16-bit PIC words at PIC
// word addresses (byte address / 2, each word low byte first in the file).
//
// Open reads and checks the whole file before anything can be sent, so that a bad file never
// leaves half a program in the PIC: every line that starts with ':' must be a complete record of
// hexadecimal digits with the length its byte count gives and a correct checksum. Type 00 records
// are the data; type 01 ends it (what follows is not read) and must be there, since without it a
// file cut short at a line end looks complete; types 02 and 04 set the upper address of the
// records after them; types 03 and 05 are skipped; other types are refused. A line whose first
// character other than blanks is ':' is a record with blanks before it and is refused; other
// lines, of any length, are skipped. A word given two different values is refused with both
// lines, and so is a file of more words than the PIC holds. Errors come back as values naming
// the file and the line.
//
// Whether the records fit the board's reports is not the file's business: CheckBoardFit
// (pic/hex_fit.h) looks at that once the file has been read.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace pic {

// Longest record line taken, line end excluded. A longer record is refused rather than split; a
// longer line that is no record is read through without being kept.
inline constexpr size_t kMaxLineLength = 511;

enum class HexError {
  kNone,
  kOpenFailed,       // the system would not open the file; reason holds its text
  kReadFailed,       // reading failed part way
  kNotText,          // a NUL byte: not a text file
  kLineTooLong,      // a record line over kMaxLineLength characters
  kIndentedRecord,   // blanks before a record's ':'
  kBadDigit,         // a record character that is not a hexadecimal digit
  kTruncatedRecord,  // fewer digits than the byte count announces
  kRecordTooLong,    // more digits than the byte count announces
  kChecksum,         // the record's bytes do not sum to 0
  kUnknownType,      // a record type other than 00 to 05
  kBadRecordLength,  // an end or address record of the wrong length for its type
  kOddByteCount,     // a data record that does not hold whole words
  kOddAddress,       // a data record that does not start on a word
  kAddressRange,     // a data record past its 64 KiB window, or outside the 16-bit word
                     // addresses the board takes
  kTooManyWords,     // a data record of more than kMaxRecordWords words
  kReportTooSmall,   // a data record whose data report does not fit the output report
  kNoEndRecord,      // no end-of-file record: an empty file, one cut short, or no HEX file at all
  kConflictingWord,  // a word given two different values; the reason names the other line
  kPicFull,          // more words in all than the PIC holds (kPicWordCapacity)
};

// The words a QD5500's PIC holds: 8K words of program memory, the configuration words (0x2000
// to 0x2007) and the EEPROM image (0x2100 to 0x21FF, a byte a word). A file that gives more in
// all rewrites the flash over and over; it is refused, which bounds the reader's memory too.
inline constexpr uint32_t kPicWordCapacity = 0x2000 + 8 + 256;

struct HexStatus {
  HexError error = HexError::kNone;
  std::string fileName;  // the file's name without its folder, as the user picked it
  uint32_t line = 0;     // 1-based line of the fault; 0 when no line is concerned
  std::string reason;    // what is wrong, e.g. "checksum mismatch"

  bool ok() const { return error == HexError::kNone; }
  // "blink.hex: 12: checksum mismatch"; without the line number when there is none.
  std::string Message() const;
};

class HexFileReader {
 public:
  // Reads and checks the whole file. On success the reader is open and delivers the file's data
  // records in file order; on failure it stays closed and the status says why.
  HexStatus Open(const std::filesystem::path& path);

  // Delivers the next data record: its word address and its words, which stay valid until the
  // next call or Close. Returns the word count (at least 1), or 0 when every record has been
  // delivered or the reader is closed; the out-parameters are left as they were then.
  uint32_t NextRecord(uint32_t& wordAddress, std::span<const uint16_t>& words);

  void Close();

  bool isOpen() const { return open_; }
  // Data records of the open file, and how many of them NextRecord has delivered: "k of total".
  uint32_t dataRecordCount() const { return static_cast<uint32_t>(records_.size()); }
  uint32_t recordsDelivered() const { return static_cast<uint32_t>(next_); }
  // The record last delivered; wordCount is 0 at the end.
  uint32_t wordAddress() const { return wordAddress_; }
  uint32_t wordCount() const { return wordCount_; }

  // Every data record of the open file, in file order, without delivering any: the line it stands
  // on, its word address (which may go past 16 bits here) and its word count.
  struct RecordInfo {
    uint32_t line;
    uint32_t wordAddress;
    uint32_t wordCount;
  };
  std::span<const RecordInfo> records() const { return records_; }

 private:
  bool open_ = false;
  std::vector<RecordInfo> records_;
  std::vector<uint16_t> words_;  // every record's words, back to back
  size_t next_ = 0;
  size_t nextWord_ = 0;  // index into words_ of the next record's first word
  uint32_t wordAddress_ = 0;
  uint32_t wordCount_ = 0;
};

}  // namespace pic
