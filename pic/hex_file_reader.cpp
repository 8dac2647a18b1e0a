#include "pic/hex_file_reader.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "pic/regular_file.h"

namespace pic {

namespace {

// The first value each word address was given, and its line. The PIC's own addresses (program
// memory to the EEPROM image) sit in a flat table, so a whole file costs no allocation a word;
// any other address, which the fit pass refuses later, goes to a map.
class WordsGiven {
 public:
  struct Given {
    uint16_t value;
    uint32_t line;  // 0: not given before
  };

  WordsGiven() : flat_(kFlatWords) {}

  // The first giving of `word`: this one when there was none before.
  Given Give(uint32_t word, uint16_t value, uint32_t line) {
    Given& slot = word < kFlatWords ? flat_[word] : other_[word];
    if (slot.line == 0) slot = {value, line};
    return slot;
  }

 private:
  static constexpr uint32_t kFlatWords = 0x2200;
  std::vector<Given> flat_;
  std::unordered_map<uint32_t, Given> other_;
};

enum RecordType : uint8_t {
  kData = 0x00,
  kEndOfFile = 0x01,
  kExtendedSegmentAddress = 0x02,
  kStartSegmentAddress = 0x03,
  kExtendedLinearAddress = 0x04,
  kStartLinearAddress = 0x05,
};

// Digits before the data: byte count, address high, address low, type. After it: checksum.
constexpr size_t kHeaderDigits = 8;
constexpr size_t kChecksumDigits = 2;

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
Printf(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

std::string SystemReason(int code) {
  if (code == 0) return "unknown error";
  return std::strerror(code);
}

// Splits a file into lines once, below the record parser: LF, CR LF and a lone CR each end a
// line, a UTF-8 byte-order mark at the start is dropped, and lines are numbered from 1. The file
// is read in large blocks; a line is handed out as a view into the block.
class LineSource {
 public:
  enum class Result { kLine, kEnd, kTooLong, kNul, kReadError };

  explicit LineSource(std::FILE* file) : file_(file), buffer_(kBufferSize + 1) {}

  // kLine sets `line` (line end excluded), valid until the next call. After any other result
  // but kEnd the file is not usable further; lineNumber() is then the line at fault.
  Result Next(std::string_view& line) {
    for (;;) {
      const char* data = buffer_.data();
      // A NUL is kept after the block, so this one scan stops at a line end, at a NUL of the
      // file or at the end of the block.
      const size_t i = pos_ + std::strcspn(data + pos_, "\r\n");
      const size_t length = i - pos_;
      if (length > kMaxLineLength) {
        if (const std::optional<Result> result = SkipLongLine()) return *result;
        continue;
      }
      if (i < end_) {
        if (data[i] == '\0') {
          ++line_;
          return Result::kNul;
        }
        if (data[i] == '\r' && i + 1 == end_ && !atEnd_) {
          // Whether an LF follows is in the next block.
          if (!Fill()) return Failed();
          continue;
        }
        line = std::string_view(data + pos_, length);
        ++line_;
        pos_ = i + 1;
        if (data[i] == '\r' && pos_ < end_ && data[pos_] == '\n') ++pos_;
        return Result::kLine;
      }
      if (atEnd_) {
        if (length == 0) return Result::kEnd;
        // A last line without a line end.
        line = std::string_view(data + pos_, length);
        ++line_;
        pos_ = end_;
        return Result::kLine;
      }
      if (!Fill()) return Failed();
    }
  }

  uint32_t lineNumber() const { return line_; }
  int readError() const { return readError_; }

 private:
  static constexpr size_t kBufferSize = 64 * 1024;
  static constexpr unsigned char kByteOrderMark[3] = {0xEF, 0xBB, 0xBF};

  // Keeps the unread rest of the block and reads more after it.
  bool Fill() {
    if (pos_ > 0) {
      std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
      end_ -= pos_;
      pos_ = 0;
    }
    const size_t wanted = kBufferSize - end_;
    const size_t got = std::fread(buffer_.data() + end_, 1, wanted, file_);
    end_ += got;
    buffer_[end_] = '\0';
    if (got < wanted) {
      if (std::ferror(file_)) {
        readError_ = errno;
        return false;
      }
      atEnd_ = true;
    }
    if (atStart_) {
      atStart_ = false;
      if (end_ >= 3 && std::memcmp(buffer_.data(), kByteOrderMark, 3) == 0) pos_ = 3;
    }
    return true;
  }

  Result Failed() {
    ++line_;
    return Result::kReadError;
  }

  // A line over the limit, from its start at pos_: a record (first character other than blanks
  // ':') is refused; any other line is read through block by block and dropped, so its length
  // costs no memory. Empty when the line was dropped.
  std::optional<Result> SkipLongLine() {
    bool looked = false;
    for (;;) {
      const char* data = buffer_.data();
      if (!looked) {
        const size_t first = pos_ + std::strspn(data + pos_, " \t");
        if (first < end_) {
          looked = true;
          if (data[first] == ':') {
            ++line_;
            return Result::kTooLong;
          }
        }
      }
      const size_t i = pos_ + std::strcspn(data + pos_, "\r\n");
      if (i < end_) {
        if (data[i] == '\0') {
          ++line_;
          return Result::kNul;
        }
        if (data[i] == '\r' && i + 1 == end_ && !atEnd_) {
          pos_ = i;
          if (!Fill()) return Failed();
          continue;
        }
        ++line_;
        pos_ = i + 1;
        if (data[i] == '\r' && pos_ < end_ && data[pos_] == '\n') ++pos_;
        return std::nullopt;
      }
      pos_ = end_;
      if (atEnd_) {
        ++line_;
        return std::nullopt;
      }
      if (!Fill()) return Failed();
    }
  }

  std::FILE* file_;
  std::vector<char> buffer_;  // the block, then a NUL
  size_t pos_ = 0;
  size_t end_ = 0;
  bool atStart_ = true;
  bool atEnd_ = false;
  int readError_ = 0;
  uint32_t line_ = 0;
};

constexpr std::array<int8_t, 256> kHexValue = [] {
  std::array<int8_t, 256> table{};
  table.fill(-1);
  for (int i = 0; i < 10; ++i) table['0' + i] = static_cast<int8_t>(i);
  for (int i = 0; i < 6; ++i) {
    table['a' + i] = static_cast<int8_t>(10 + i);
    table['A' + i] = static_cast<int8_t>(10 + i);
  }
  return table;
}();

// Each pair of characters read as two hexadecimal digits: the byte, or kNotHexPair when either
// is no digit. One look-up a byte keeps the record loop short on large files. The index is the
// first character plus 256 times the second, which compilers read as one 16-bit load.
constexpr uint16_t kNotHexPair = 0x100;

const std::vector<uint16_t>& HexPairValues() {
  static const std::vector<uint16_t> table = [] {
    std::vector<uint16_t> values(256 * 256);
    for (int high = 0; high < 256; ++high) {
      for (int low = 0; low < 256; ++low) {
        const int h = kHexValue[high];
        const int l = kHexValue[low];
        values[(low << 8) | high] =
            h < 0 || l < 0 ? kNotHexPair : static_cast<uint16_t>((h << 4) | l);
      }
    }
    return values;
  }();
  return table;
}

struct HexRecord {
  uint8_t byteCount = 0;
  uint16_t offset = 0;
  uint8_t type = 0;
  // Every byte of the record as it stands in the line: count, address, type, data, checksum.
  std::array<uint8_t, kMaxLineLength / 2> bytes{};

  const uint8_t* data() const { return bytes.data() + 4; }
};

struct Fault {
  HexError error = HexError::kNone;
  std::string reason;
};

std::string DescribeCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte > 0x20 && byte < 0x7F) return Printf("'%c'", c);
  return Printf("byte 0x%02X", byte);
}

// Parses one line that starts with ':' into a record whose length and checksum are right; the
// fault, if it is not.
std::optional<Fault> ParseRecord(std::string_view line, HexRecord& record) {
  size_t end = line.size();
  while (end > 1 && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
  const std::string_view digits = line.substr(1, end - 1);

  // Each pair of digits is decoded once and summed as it goes; any pair that is not two digits
  // leaves its mark in `invalid`, which is looked at once, afterwards.
  std::array<uint8_t, kMaxLineLength / 2>& bytes = record.bytes;
  const size_t pairs = digits.size() / 2;
  if (pairs > bytes.size()) {
    return Fault{HexError::kLineTooLong,
                 Printf("line longer than %u characters", static_cast<unsigned>(kMaxLineLength))};
  }
  const uint16_t* pairValues = HexPairValues().data();
  const auto* text = reinterpret_cast<const unsigned char*>(digits.data());
  unsigned invalid = 0;
  unsigned sum = 0;
  for (size_t i = 0; i < pairs; ++i) {
    const unsigned value = pairValues[text[2 * i] | (text[2 * i + 1] << 8)];
    invalid |= value;
    bytes[i] = static_cast<uint8_t>(value);
    sum += value;
  }
  if (digits.size() % 2 != 0 && kHexValue[text[digits.size() - 1]] < 0) invalid |= kNotHexPair;
  if (invalid & kNotHexPair) {
    for (size_t i = 0; i < digits.size(); ++i) {
      if (kHexValue[static_cast<unsigned char>(digits[i])] < 0) {
        return Fault{HexError::kBadDigit,
                     Printf("%s at column %u is not a hexadecimal digit",
                            DescribeCharacter(digits[i]).c_str(), static_cast<unsigned>(i + 2))};
      }
    }
  }

  const size_t byteCount = pairs > 0 ? bytes[0] : 0;
  const size_t needed = kHeaderDigits + 2 * byteCount + kChecksumDigits;
  if (digits.size() < needed) {
    return Fault{HexError::kTruncatedRecord,
                 Printf("truncated record: %u hex digits where %u are needed",
                        static_cast<unsigned>(digits.size()), static_cast<unsigned>(needed))};
  }
  if (digits.size() > needed) {
    return Fault{HexError::kRecordTooLong,
                 Printf("record longer than its byte count: %u hex digits where %u are needed",
                        static_cast<unsigned>(digits.size()), static_cast<unsigned>(needed))};
  }
  // Every pair belongs to the record now, so the sum taken above is the record's.
  if ((sum & 0xFF) != 0) return Fault{HexError::kChecksum, "checksum mismatch"};

  record.byteCount = static_cast<uint8_t>(byteCount);
  record.offset = static_cast<uint16_t>((bytes[1] << 8) | bytes[2]);
  record.type = bytes[3];
  return std::nullopt;
}

// The data length each record type other than data must have.
std::optional<Fault> CheckLength(const HexRecord& record, const char* name, uint8_t expected) {
  if (record.byteCount == expected) return std::nullopt;
  return Fault{HexError::kBadRecordLength,
               Printf("%s with byte count %u, not %u", name,
                      static_cast<unsigned>(record.byteCount), static_cast<unsigned>(expected))};
}

}  // namespace

std::string HexStatus::Message() const {
  if (line == 0) return fileName + ": " + reason;
  return fileName + ": " + std::to_string(line) + ": " + reason;
}

HexStatus HexFileReader::Open(const std::filesystem::path& path) {
  Close();
  HexStatus status;
  status.fileName = path.filename().string();
  if (status.fileName.empty()) status.fileName = path.string();

  // Binary mode: line ends are folded below, the same way on every system. Only a regular file
  // is opened: a named pipe or a device could block the open or never end.
  FileCheck check;
  const FilePtr file = OpenRegularFile(path, check);
  if (!file) {
    status.error = HexError::kOpenFailed;
    status.reason =
        check.problem == FileProblem::kFolder || check.problem == FileProblem::kNotRegular
            ? Describe(check)
            : "cannot open: " + check.reason;
    return status;
  }

  LineSource lines(file.get());
  const auto refuse = [&](Fault fault) {
    status.error = fault.error;
    status.line = lines.lineNumber();
    status.reason = std::move(fault.reason);
    records_.clear();
    words_.clear();
    return status;
  };

  HexRecord record;
  // Every word given so far: its value and the line that gave it first.
  WordsGiven given;
  uint64_t base = 0;  // upper address set by the last address record
  bool ended = false;
  bool endRecord = false;
  while (!ended) {
    std::string_view line;
    switch (lines.Next(line)) {
      case LineSource::Result::kLine:
        break;
      case LineSource::Result::kEnd:
        ended = true;
        continue;
      case LineSource::Result::kTooLong:
        return refuse({HexError::kLineTooLong, Printf("line longer than %u characters",
                                                      static_cast<unsigned>(kMaxLineLength))});
      case LineSource::Result::kNul:
        return refuse({HexError::kNotText, "NUL byte: not a text file"});
      case LineSource::Result::kReadError:
        return refuse({HexError::kReadFailed, "read error: " + SystemReason(lines.readError())});
    }
    if (line.empty()) continue;
    if (line[0] != ':') {
      const size_t first = line.find_first_not_of(" \t");
      if (first == std::string_view::npos || line[first] != ':') continue;
      return refuse(
          {HexError::kIndentedRecord, Printf("blanks before the record's ':' at column %u",
                                             static_cast<unsigned>(first + 1))});
    }

    if (std::optional<Fault> fault = ParseRecord(line, record)) return refuse(std::move(*fault));

    switch (record.type) {
      case kData:
        break;
      case kEndOfFile:
        if (auto fault = CheckLength(record, "end-of-file record", 0)) {
          return refuse(std::move(*fault));
        }
        ended = endRecord = true;
        continue;
      case kExtendedSegmentAddress:
      case kExtendedLinearAddress: {
        const bool segment = record.type == kExtendedSegmentAddress;
        if (auto fault = CheckLength(
                record,
                segment ? "extended segment address record" : "extended linear address record",
                2)) {
          return refuse(std::move(*fault));
        }
        const uint64_t value = (record.data()[0] << 8) | record.data()[1];
        base = segment ? value * 16 : value << 16;
        continue;
      }
      case kStartSegmentAddress:
      case kStartLinearAddress:
        // A start address means nothing to a PIC; only its form is checked.
        if (auto fault =
                CheckLength(record,
                            record.type == kStartSegmentAddress ? "start segment address record"
                                                                : "start linear address record",
                            4)) {
          return refuse(std::move(*fault));
        }
        continue;
      default:
        return refuse({HexError::kUnknownType,
                       Printf("unknown record type %02X", static_cast<unsigned>(record.type))});
    }

    if (record.byteCount == 0) continue;  // nothing to program
    if (record.byteCount % 2 != 0) {
      return refuse({HexError::kOddByteCount, Printf("odd byte count %u: PIC words take two bytes",
                                                     static_cast<unsigned>(record.byteCount))});
    }
    const uint32_t count = record.byteCount / 2u;
    if (record.offset + record.byteCount > 0x10000u) {
      // Whether such a record wraps or carries on is read differently by different tools.
      return refuse({HexError::kAddressRange, "record runs past the end of its 64 KiB window"});
    }
    const uint64_t byteAddress = base + record.offset;
    if (byteAddress % 2 != 0) {
      return refuse({HexError::kOddAddress,
                     Printf("odd byte address 0x%04llX: PIC words start at even addresses",
                            static_cast<unsigned long long>(byteAddress))});
    }
    // A byte address is below 4 GiB whatever the base, so its word address fits 32 bits; whether
    // it fits the board's 16 is for CheckBoardFit.
    const auto firstWord = static_cast<uint32_t>(byteAddress / 2);

    if (words_.size() + count > kPicWordCapacity) {
      return refuse(
          {HexError::kPicFull, Printf("more than %u words in all: more than the PIC holds",
                                      static_cast<unsigned>(kPicWordCapacity))});
    }
    for (uint32_t i = 0; i < count; ++i) {
      const auto value =
          static_cast<uint16_t>(record.data()[2 * i] | (record.data()[2 * i + 1] << 8));
      const WordsGiven::Given first = given.Give(firstWord + i, value, lines.lineNumber());
      if (first.value != value) {
        return refuse(
            {HexError::kConflictingWord,
             Printf("word 0x%04X is given 0x%04X here and 0x%04X on line %u",
                    static_cast<unsigned>(firstWord + i), static_cast<unsigned>(value),
                    static_cast<unsigned>(first.value), static_cast<unsigned>(first.line))});
      }
    }

    const size_t at = words_.size();
    records_.push_back({lines.lineNumber(), firstWord, count});
    words_.resize(at + count);
    const uint8_t* data = record.data();
    if constexpr (std::endian::native == std::endian::little) {
      // The file holds each word low byte first, as memory does here.
      std::memcpy(words_.data() + at, data, 2 * size_t{count});
    } else {
      for (uint32_t i = 0; i < count; ++i) {
        words_[at + i] = static_cast<uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
      }
    }
  }

  if (!endRecord) {
    // No line is at fault: the one that should be there is missing.
    const bool empty = lines.lineNumber() == 0;
    refuse({HexError::kNoEndRecord,
            empty ? "empty file"
                  : "no end-of-file record: the file is cut short or is not a HEX file"});
    status.line = 0;
    return status;
  }

  open_ = true;
  return status;
}

uint32_t HexFileReader::NextRecord(uint32_t& wordAddress, std::span<const uint16_t>& words) {
  if (!open_ || next_ >= records_.size()) {
    wordCount_ = 0;
    return 0;
  }
  const RecordInfo& record = records_[next_++];
  wordAddress_ = record.wordAddress;
  wordCount_ = record.wordCount;
  wordAddress = wordAddress_;
  words = std::span<const uint16_t>(words_.data() + nextWord_, record.wordCount);
  nextWord_ += record.wordCount;
  return wordCount_;
}

void HexFileReader::Close() {
  open_ = false;
  records_.clear();
  records_.shrink_to_fit();
  words_.clear();
  words_.shrink_to_fit();
  next_ = 0;
  nextWord_ = 0;
  wordAddress_ = 0;
  wordCount_ = 0;
}

}  // namespace pic
