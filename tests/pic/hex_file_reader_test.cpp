#include "pic/hex_file_reader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#if defined(__linux__)
#include <sys/stat.h>
#endif

#include "kit/hex_text.h"
#include "pic/hex_fit.h"

namespace {

namespace fs = std::filesystem;
using pic::HexError;
using pic::HexFileReader;
using pic::HexStatus;

constexpr size_t kReportLength = 65;  // 64 bytes of payload after the report id

struct Delivered {
  uint32_t wordAddress;
  std::vector<uint16_t> words;
  bool operator==(const Delivered&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Delivered& d) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X:", d.wordAddress);
  out << text;
  for (uint16_t w : d.words) {
    std::snprintf(text, sizeof text, " %04X", w);
    out << text;
  }
  return out;
}

class HexFileReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    for (;;) {
      dir_ = fs::temp_directory_path() / ("zbk_hex_" + std::to_string(random()));
      if (fs::create_directory(dir_)) break;
    }
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Write(const std::string& name, const std::string& content) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  // Opens `content` as blink.hex and collects every delivered record.
  HexStatus ReadAll(const std::string& content, std::vector<Delivered>& out,
                    size_t reportLength = kReportLength) {
    HexStatus status =
        pic::CheckBoardFit(reader_, reader_.Open(Write("blink.hex", content)), reportLength);
    out.clear();
    uint32_t address = 0;
    std::span<const uint16_t> words;
    while (uint32_t n = reader_.NextRecord(address, words)) {
      EXPECT_EQ(n, words.size());
      out.push_back({address, std::vector<uint16_t>(words.begin(), words.end())});
    }
    return status;
  }

  fs::path dir_;
  HexFileReader reader_;
};

const std::string kRecord0 = ":100000000A280000FF3F3412010203040506070816";
const std::string kRecord1 = ":10001000101112131415161718191A1B1C1D1E1F68";
const std::string kEnd = ":00000001FF";

const Delivered kWords0 = {0x0000,
                           {0x280A, 0x0000, 0x3FFF, 0x1234, 0x0201, 0x0403, 0x0605, 0x0807}};
const Delivered kWords1 = {0x0008,
                           {0x1110, 0x1312, 0x1514, 0x1716, 0x1918, 0x1B1A, 0x1D1C, 0x1F1E}};

TEST_F(HexFileReaderTest, DeliversDataRecordsAsWordsAtHalfTheByteAddress) {
  std::vector<Delivered> got;
  const HexStatus status = ReadAll(kRecord0 + "\n" + kRecord1 + "\n" + kEnd + "\n", got);
  ASSERT_TRUE(status.ok()) << status.Message();
  EXPECT_EQ(got, (std::vector<Delivered>{kWords0, kWords1}));
  EXPECT_EQ(reader_.dataRecordCount(), 2u);
  EXPECT_EQ(reader_.recordsDelivered(), 2u);
  EXPECT_EQ(reader_.wordCount(), 0u);

  // At the end every further call gives 0 and leaves the out-parameters alone.
  uint32_t address = 0x4321;
  std::span<const uint16_t> words;
  EXPECT_EQ(reader_.NextRecord(address, words), 0u);
  EXPECT_EQ(address, 0x4321u);
  EXPECT_TRUE(words.empty());
}

TEST_F(HexFileReaderTest, CountsProgressAndKeepsTheLastRecord) {
  ASSERT_TRUE(reader_.Open(Write("a.hex", kRecord0 + "\n" + kRecord1 + "\n" + kEnd)).ok());
  EXPECT_EQ(reader_.dataRecordCount(), 2u);
  uint32_t address = 0;
  std::span<const uint16_t> words;
  ASSERT_EQ(reader_.NextRecord(address, words), 8u);
  EXPECT_EQ(reader_.recordsDelivered(), 1u);
  EXPECT_EQ(reader_.wordAddress(), 0u);
  EXPECT_EQ(reader_.wordCount(), 8u);
  EXPECT_EQ(words[0], 0x280A);

  reader_.Close();
  EXPECT_FALSE(reader_.isOpen());
  EXPECT_EQ(reader_.NextRecord(address, words), 0u);
}

TEST_F(HexFileReaderTest, SkipsBlankAndForeignLinesAndTakesLowerCaseAndTrailingBlanks) {
  const std::string content = "; made by hand\n\n   \n" + kRecord0 + "  \t\n" +
                              "garbage :10 not a record\n" +
                              ":10001000101112131415161718191a1b1c1d1e1f68\n" + kEnd + "\n";
  std::vector<Delivered> got;
  const HexStatus status = ReadAll(content, got);
  ASSERT_TRUE(status.ok()) << status.Message();
  EXPECT_EQ(got, (std::vector<Delivered>{kWords0, kWords1}));
}

TEST_F(HexFileReaderTest, FoldsEveryLineEndAndTheByteOrderMark) {
  const std::string kBad = ":040030000102030400";  // checksum wrong, on line 3
  struct Case {
    const char* name;
    std::string prefix;
    std::string eol;
  };
  const Case cases[] = {
      {"LF", "", "\n"},
      {"CR LF", "", "\r\n"},
      {"CR", "", "\r"},
      {"BOM and CR LF", "\xEF\xBB\xBF", "\r\n"},
      {"BOM and LF", "\xEF\xBB\xBF", "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Delivered> got;
    // The last line has no line end at all.
    HexStatus status = ReadAll(c.prefix + kRecord0 + c.eol + kRecord1 + c.eol + kEnd, got);
    ASSERT_TRUE(status.ok()) << status.Message();
    EXPECT_EQ(got, (std::vector<Delivered>{kWords0, kWords1}));

    status = ReadAll(c.prefix + kRecord0 + c.eol + c.eol + kBad + c.eol + kEnd + c.eol, got);
    EXPECT_EQ(status.error, HexError::kChecksum);
    EXPECT_EQ(status.line, 3u);
  }
}

TEST_F(HexFileReaderTest, MixedLineEndsCountOneLineEach) {
  // CR LF is one line end, LF CR two; a blank line may end in any of them.
  const std::string content = kRecord0 + "\r\n" + "\n" + "\r" + kRecord1 + "\n\r" +
                              ":02002000ABCD67\r\n";  // line 6, checksum off by one
  std::vector<Delivered> got;
  const HexStatus status = ReadAll(content, got);
  EXPECT_EQ(status.error, HexError::kChecksum);
  EXPECT_EQ(status.line, 6u);
}

TEST_F(HexFileReaderTest, AddressRecordsShiftTheRecordsAfterThemAndAreNotDelivered) {
  const std::string content =
      ":020000040001F9\n"      // linear base 0x10000
      ":020000000A28CC\n"      // -> word 0x8000
      ":0400000300001234B3\n"  // start addresses: skipped
      ":0400000500001234B1\n"
      ":020000021000EC\n"      // segment base 0x1000 * 16
      ":040010001122334442\n"  // -> byte 0x10010, word 0x8008
      ":020000040000FA\n"      // back to 0
      ":02002000ABCD66\n"      // -> word 0x0010
      ":00000001FF\n"
      ":02002000ABCD66\n"  // after the end: not read
      "\x01\x02 binary rubbish :ZZ\n";
  std::vector<Delivered> got;
  const HexStatus status = ReadAll(content, got);
  ASSERT_TRUE(status.ok()) << status.Message();
  EXPECT_EQ(got, (std::vector<Delivered>{
                     {0x8000, {0x280A}}, {0x8008, {0x2211, 0x4433}}, {0x0010, {0xCDAB}}}));
}

TEST_F(HexFileReaderTest, TopOfTheWordRangeAndTheLargestRecordThatFitsAreTaken) {
  const std::string content =
      ":020000040001F9\n"
      ":04FFFC00EEFF1122E1\n"  // words 0xFFFE, 0xFFFF
      ":020000040000FA\n"
      ":3E030000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C"
      "1D1E1F202122232425262728292A2B2C2D2E2F303132333435363738393A3B3C3D5C\n"
      ":00005000B0\n"  // an empty data record programs nothing
      ":00000001FF\n";
  std::vector<Delivered> got;
  const HexStatus status = ReadAll(content, got, 65);
  ASSERT_TRUE(status.ok()) << status.Message();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], (Delivered{0xFFFE, {0xFFEE, 0x2211}}));
  EXPECT_EQ(got[1].wordAddress, 0x0180u);
  ASSERT_EQ(got[1].words.size(), 31u);  // 3 + 2 * 31 = 65 bytes: just fits
  EXPECT_EQ(got[1].words[30], 0x3D3C);
}

TEST_F(HexFileReaderTest, FilesWithoutDataRecordsProgramNothing) {
  const std::string cases[] = {kEnd + "\n", "\xEF\xBB\xBF" + kEnd, "\n\n; comment only\n" + kEnd,
                               ":020000040000FA\n" + kEnd};
  for (const std::string& content : cases) {
    SCOPED_TRACE(content);
    std::vector<Delivered> got;
    const HexStatus status = ReadAll(content, got);
    ASSERT_TRUE(status.ok()) << status.Message();
    EXPECT_TRUE(reader_.isOpen());
    EXPECT_EQ(reader_.dataRecordCount(), 0u);
    EXPECT_TRUE(got.empty());
  }
}

TEST_F(HexFileReaderTest, FilesWithoutTheEndRecordAreRefused) {
  // Empty, cut short at a line end, or not a HEX file at all: nothing may be programmed from them
  // as if they were whole.
  const std::pair<std::string, const char*> cases[] = {
      {"", "empty file"},
      {"\xEF\xBB\xBF", "empty file"},
      {"\n\n", "no end-of-file record: the file is cut short or is not a HEX file"},
      {kRecord0 + "\n" + kRecord1 + "\n",
       "no end-of-file record: the file is cut short or is not a HEX file"},
      {"\x89PNG\r\n\x1A\n\xFF\xD8",
       "no end-of-file record: the file is cut short or is not a HEX file"},
      {"        org 0\n        goto start\n",
       "no end-of-file record: the file is cut short or is not a HEX file"},
  };
  for (const auto& [content, reason] : cases) {
    SCOPED_TRACE(content);
    std::vector<Delivered> got;
    const HexStatus status = ReadAll(content, got);
    EXPECT_EQ(status.error, HexError::kNoEndRecord);
    EXPECT_EQ(status.Message(), std::string("blink.hex: ") + reason);
    EXPECT_FALSE(reader_.isOpen());
    EXPECT_TRUE(got.empty());
  }
}

TEST_F(HexFileReaderTest, RefusesBadFilesNamingTheLineAndTheReason) {
  const std::string kGood = kRecord0 + "\n; comment\n";  // the fault is always on line 3
  const std::string k33Words =
      ":42010000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F202122232425262728"
      "292A2B2C2D2E2F303132333435363738393A3B3C3D3E3F40415C";
  const std::string k32Words =
      ":40020000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F202122232425262728"
      "292A2B2C2D2E2F303132333435363738393A3B3C3D3E3FDE";
  struct Case {
    const char* name;
    std::string lines;  // from line 3 on
    uint32_t line;      // the line at fault
    HexError error;
    std::string reason;
    size_t reportLength = kReportLength;
  };
  const Case cases[] = {
      {"bad digit", ":0400000001G20304F2", 3, HexError::kBadDigit,
       "'G' at column 12 is not a hexadecimal digit"},
      {"blank inside", ":04000000 01020304F2", 3, HexError::kBadDigit,
       "byte 0x20 at column 10 is not a hexadecimal digit"},
      {"truncated", ":04000000010203\n" + kEnd, 3, HexError::kTruncatedRecord,
       "truncated record: 14 hex digits where 18 are needed"},
      {"truncated last line", ":04000000010203", 3, HexError::kTruncatedRecord,
       "truncated record: 14 hex digits where 18 are needed"},
      {"colon alone", ":", 3, HexError::kTruncatedRecord,
       "truncated record: 0 hex digits where 10 are needed"},
      {"too long", ":0400000001020304F200", 3, HexError::kRecordTooLong,
       "record longer than its byte count: 20 hex digits where 18 are needed"},
      {"checksum", ":040030000102030400", 3, HexError::kChecksum, "checksum mismatch"},
      {"unknown type", ":020000060102F5", 3, HexError::kUnknownType, "unknown record type 06"},
      {"end with data", ":020000010102FA", 3, HexError::kBadRecordLength,
       "end-of-file record with byte count 2, not 0"},
      {"short linear address", ":0100000401FA", 3, HexError::kBadRecordLength,
       "extended linear address record with byte count 1, not 2"},
      {"short start address", ":020000050102F6", 3, HexError::kBadRecordLength,
       "start linear address record with byte count 2, not 4"},
      {"odd byte count", ":03004000010203B7", 3, HexError::kOddByteCount,
       "odd byte count 3: PIC words take two bytes"},
      {"odd address", ":020011000102EA", 3, HexError::kOddAddress,
       "odd byte address 0x0011: PIC words start at even addresses"},
      {"beyond 16-bit words", ":020000040002F8\n:020000000102FB", 4, HexError::kAddressRange,
       "word address 0x10000 does not fit 16 bits"},
      {"runs past 0xFFFF", ":020000021FFFDE\n:08000C000102030405060708C8", 4,
       HexError::kAddressRange, "record runs past word address 0xFFFF"},
      {"crosses 64 KiB window", ":08FFFC000102030405060708D9", 3, HexError::kAddressRange,
       "record runs past the end of its 64 KiB window"},
      {"33 words", k33Words, 3, HexError::kTooManyWords,
       "record of 33 words: at most 32 fit a record", 256},
      {"report too short", k32Words, 3, HexError::kReportTooSmall,
       "record of 32 words needs a 67-byte data report, the board's output report holds 65 bytes"},
      {"long record line", ":" + std::string(511, '0'), 3, HexError::kLineTooLong,
       "line longer than 511 characters"},
      // The limit is for records, indented ones too, whatever the blanks before them.
      {"long indented record", "\t:" + std::string(600, '0'), 3, HexError::kLineTooLong,
       "line longer than 511 characters"},
      {"long indented record over a block", std::string(70000, ' ') + kEnd, 3,
       HexError::kLineTooLong, "line longer than 511 characters"},
      // A record with blanks before it would leave a hole in the program if it were skipped.
      {"indented record", "  :020000000428D2", 3, HexError::kIndentedRecord,
       "blanks before the record's ':' at column 3"},
      {"tab before a record", "\t" + kRecord1, 3, HexError::kIndentedRecord,
       "blanks before the record's ':' at column 2"},
      {"binary",
       std::string("\x7F"
                   "ELF\x02\x01\x01\x00\x00",
                   9),
       3, HexError::kNotText, "NUL byte: not a text file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Delivered> got;
    // Lines after the fault are not looked at.
    const HexStatus status = ReadAll(kGood + c.lines + "\n" + kEnd + "\n", got, c.reportLength);
    EXPECT_EQ(status.error, c.error);
    EXPECT_EQ(status.line, c.line);
    EXPECT_EQ(status.reason, c.reason);
    EXPECT_EQ(status.fileName, "blink.hex");
    EXPECT_FALSE(reader_.isOpen());
    EXPECT_EQ(reader_.dataRecordCount(), 0u);
    EXPECT_TRUE(got.empty()) << "nothing of a refused file is delivered";
  }
}

TEST_F(HexFileReaderTest, MessagesNameFileAndLine) {
  HexStatus status = reader_.Open(Write("blink.hex", kRecord0 + "\n" + ":040030000102030400\n"));
  EXPECT_EQ(status.Message(), "blink.hex: 2: checksum mismatch");

  // The longest line taken is 511 characters; a comment of that length is just skipped.
  status = reader_.Open(Write("edge.hex", std::string(511, ';') + "\n" + kRecord0 + "\n" + kEnd));
  EXPECT_TRUE(status.ok()) << status.Message();
  EXPECT_EQ(reader_.dataRecordCount(), 1u);
}

// Lines that are no records are skipped at any length, across the reader's blocks and with every
// line end, and still count for the line numbers of what follows.
TEST_F(HexFileReaderTest, SkipsCommentLinesOfAnyLength) {
  const std::string comments = std::string(512, ';') + "\n" + std::string(70000, ' ') + "x\r\n" +
                               std::string(200000, '#') + "\r" + std::string(65535, '\t') + "\n";
  std::vector<Delivered> got;
  HexStatus status = ReadAll(comments + kRecord0 + "\n" + comments + kRecord1 + "\n" + kEnd, got);
  ASSERT_TRUE(status.ok()) << status.Message();
  EXPECT_EQ(got, (std::vector<Delivered>{kWords0, kWords1}));
  EXPECT_EQ(reader_.records()[0].line, 5u);
  EXPECT_EQ(reader_.records()[1].line, 10u);

  status = ReadAll(comments + ":040030000102030400\n" + kEnd, got);
  EXPECT_EQ(status.Message(), "blink.hex: 5: checksum mismatch");
  status = ReadAll(comments + std::string(100000, ';') + '\0' + "\n" + kEnd, got);
  EXPECT_EQ(status.error, HexError::kNotText);
  EXPECT_EQ(status.line, 5u);
}

TEST_F(HexFileReaderTest, OpenFailureCarriesTheSystemReason) {
  const HexStatus status = reader_.Open(dir_ / "missing.hex");
  EXPECT_EQ(status.error, HexError::kOpenFailed);
  EXPECT_EQ(status.line, 0u);
  EXPECT_EQ(status.Message(), std::string("missing.hex: cannot open: ") + std::strerror(ENOENT));
  EXPECT_FALSE(reader_.isOpen());
}

#if defined(__linux__)
// What is not a regular file is refused as what it is, before anything reads from it: a folder,
// and a named pipe whose open would wait for a writer for ever.
TEST_F(HexFileReaderTest, WhatIsNotARegularFileIsRefusedAtOnce) {
  fs::create_directory(dir_ / "folder.hex");
  HexStatus status = reader_.Open(dir_ / "folder.hex");
  EXPECT_EQ(status.error, HexError::kOpenFailed);
  EXPECT_EQ(status.Message(), "folder.hex: is a folder");

  ASSERT_EQ(::mkfifo((dir_ / "pipe.hex").c_str(), 0600), 0);
  status = reader_.Open(dir_ / "pipe.hex");
  EXPECT_EQ(status.error, HexError::kOpenFailed);
  EXPECT_EQ(status.Message(), "pipe.hex: is a named pipe, not a regular file");

  fs::create_symlink("loop.hex", dir_ / "loop.hex");
  status = reader_.Open(dir_ / "loop.hex");
  EXPECT_EQ(status.Message(), std::string("loop.hex: cannot open: ") + std::strerror(ELOOP));
}
#endif

// A PIC holds kPicWordCapacity words: a file that gives more, or rewrites the same words again
// and again, is refused at the first record past it, however long the file goes on.
TEST_F(HexFileReaderTest, NoMoreWordsThanThePicHoldsAndNoWordTwoValues) {
  std::string all;
  for (uint32_t word = 0; word < pic::kPicWordCapacity; word += 8) {
    all +=
        testkit::HexRecord(0, static_cast<uint16_t>(word * 2), std::vector<uint8_t>(16, 1)) + "\n";
  }
  EXPECT_TRUE(reader_.Open(Write("full.hex", all + kEnd)).ok());
  EXPECT_EQ(reader_.dataRecordCount(),
            pic::kPicWordCapacity / 8 + (pic::kPicWordCapacity % 8 != 0));

  // The same eight words written over and over, with the same values.
  std::string again;
  const std::string eight = testkit::HexRecord(0, 0, std::vector<uint8_t>(16, 7)) + "\n";
  for (uint32_t i = 0; i < 2000; ++i) again += eight;
  HexStatus status = reader_.Open(Write("again.hex", again + kEnd));
  EXPECT_EQ(status.error, HexError::kPicFull);
  EXPECT_EQ(status.Message(),
            "again.hex: 1058: more than 8456 words in all: more than the PIC holds");
  EXPECT_FALSE(reader_.isOpen());

  // A word given again with its value is fine; with another, both lines are named.
  EXPECT_TRUE(reader_.Open(Write("same.hex", eight + eight + kEnd)).ok());
  status = reader_.Open(
      Write("two.hex", eight + "\n" + testkit::HexRecord(0, 6, {0x34, 0x12}) + "\n" + kEnd));
  EXPECT_EQ(status.error, HexError::kConflictingWord);
  EXPECT_EQ(status.Message(), "two.hex: 3: word 0x0003 is given 0x1234 here and 0x0707 on line 1");
}

TEST_F(HexFileReaderTest, AFailedOpenDropsThePreviousFile) {
  ASSERT_TRUE(reader_.Open(Write("a.hex", kRecord0 + "\n" + kEnd)).ok());
  EXPECT_FALSE(reader_.Open(Write("b.hex", ":0")).ok());
  uint32_t address = 0;
  std::span<const uint16_t> words;
  EXPECT_EQ(reader_.NextRecord(address, words), 0u);
}

TEST_F(HexFileReaderTest, LineEndsSplitAcrossReadBlocksAndLargeFiles) {
  // Records across the 16-bit range, eight words each, one in eight steps of eight words (as many
  // words as a PIC holds), with CR LF and CR line ends and comment lines of every length up to
  // 510 between them: a few MB of file. A CR LF straddles every power-of-two offset from 1 KiB
  // on, where a block read ends whatever size it has.
  std::string content;
  std::vector<Delivered> expected;
  uint32_t line = 0;
  const auto addLine = [&](const std::string& text, const char* lineEnd) {
    content += text;
    content += lineEnd;
    ++line;
  };
  size_t nextSplit = 1024;
  for (uint32_t word = 0; word < 0x10000; word += 8) {
    if (content.size() + 1200 > nextSplit) {
      while (nextSplit - 1 - content.size() > pic::kMaxLineLength) {
        addLine(std::string(300, '#'), "\n");
      }
      addLine(std::string(nextSplit - 1 - content.size(), '#'), "\r\n");  // CR at nextSplit - 1
      nextSplit *= 2;
    }
    if (word % 0x8000 == 0)
      addLine(testkit::HexRecord(4, 0, {0, static_cast<uint8_t>(word >> 15)}), "\r\n");
    if (word / 8 % 8 == 0) {
      std::vector<uint8_t> data;
      Delivered d{word, {}};
      for (uint32_t i = 0; i < 8; ++i) {
        const uint16_t value = static_cast<uint16_t>((word + i) * 2654435761u >> 16);
        d.words.push_back(value);
        data.push_back(static_cast<uint8_t>(value & 0xFF));
        data.push_back(static_cast<uint8_t>(value >> 8));
      }
      const uint16_t offset = static_cast<uint16_t>((word * 2) & 0xFFFF);
      addLine(testkit::HexRecord(0, offset, data), word % 128 == 0 ? "\r\n" : "\r");
      expected.push_back(d);
    }
    addLine(std::string(word / 8 % 511, '#'), word % 16 == 0 ? "\r\n" : "\r");
  }
  ASSERT_GT(nextSplit, 2u << 20);
  const size_t goodSize = content.size();
  addLine(":040030000102030400", "\r\n");  // refused: its line number tells whether lines were lost

  std::vector<Delivered> got;
  HexStatus status = ReadAll(content, got);
  EXPECT_EQ(status.error, HexError::kChecksum);
  EXPECT_EQ(status.line, line);

  content.resize(goodSize);
  content += kEnd;
  status = ReadAll(content, got);
  ASSERT_TRUE(status.ok()) << status.Message();
  EXPECT_EQ(reader_.dataRecordCount(), 0x10000u / 64);
  EXPECT_TRUE(got == expected);
}

}  // namespace
