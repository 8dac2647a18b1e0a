// Real-world HEX files: PIC programs assembled with gpasm at test time, re-blocked and re-addressed
// with srec_cat, and read back by the reader, which must deliver exactly the bytes srec_cat
// decodes from the same file.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "kit/hex_text.h"
#include "pic/hex_file_reader.h"
#include "pic/hex_fit.h"

namespace {

namespace fs = std::filesystem;
using ByteMap = std::map<uint32_t, uint8_t>;  // byte address -> byte

constexpr size_t kReportLength = 65;

bool HaveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct ReadBack {
  pic::HexStatus status;
  ByteMap bytes;
  uint32_t largestRecord = 0;  // words
};

ReadBack ReadWithReader(const fs::path& path) {
  ReadBack result;
  pic::HexFileReader reader;
  result.status = pic::CheckBoardFit(reader, reader.Open(path), kReportLength);
  uint32_t address = 0;
  std::span<const uint16_t> words;
  while (uint32_t n = reader.NextRecord(address, words)) {
    result.largestRecord = std::max(result.largestRecord, n);
    for (uint32_t i = 0; i < n; ++i) {
      result.bytes[2 * (address + i)] = static_cast<uint8_t>(words[i] & 0xFF);
      result.bytes[2 * (address + i) + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
  }
  return result;
}

uint16_t WordAt(const ByteMap& bytes, uint32_t wordAddress) {
  const auto lo = bytes.find(2 * wordAddress);
  const auto hi = bytes.find(2 * wordAddress + 1);
  if (lo == bytes.end() || hi == bytes.end()) return 0xDEAD;  // no such word in the file
  return static_cast<uint16_t>(lo->second | (hi->second << 8));
}

ByteMap ShiftWords(const ByteMap& bytes, uint32_t words) {
  ByteMap shifted;
  for (const auto& [address, value] : bytes) shifted[address + 2 * words] = value;
  return shifted;
}

class HexToolchainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"gpasm", "srec_cat"}) {
      if (HaveTool(tool)) continue;
      if (std::getenv("CI") != nullptr) {
        FAIL() << tool << " is missing: install gputils and srecord";
      }
      GTEST_SKIP() << tool << " is not installed (gputils, srecord); real-file tests skipped";
    }
    std::random_device random;
    for (;;) {
      dir_ = fs::temp_directory_path() / ("zbk_hextools_" + std::to_string(random()));
      if (fs::create_directory(dir_)) break;
    }
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // Runs a shell command; its output goes to a log shown when it fails.
  void Run(const std::string& command) {
    const fs::path log = dir_ / "command.log";
    const int rc = std::system((command + " >'" + log.string() + "' 2>&1").c_str());
    ASSERT_EQ(rc, 0) << command << "\n" << ReadText(log);
  }

  fs::path Assemble(const std::string& source, const std::string& name,
                    const std::string& options = "") {
    const fs::path out = dir_ / (name + ".hex");
    const fs::path in = fs::path(ZBK_TEST_DATA_DIR) / "pic" / source;
    Run("gpasm " + options + " -o '" + out.string() + "' '" + in.string() + "'");
    return out;
  }

  fs::path Convert(const fs::path& in, const std::string& name, const std::string& options) {
    const fs::path out = dir_ / (name + ".hex");
    Run("srec_cat '" + in.string() + "' -intel " + options + " -o '" + out.string() + "' -intel");
    return out;
  }

  // What srec_cat decodes from the file.
  ByteMap Reference(const fs::path& hex) {
    const fs::path out = dir_ / "reference.txt";
    Run("srec_cat '" + hex.string() + "' -intel -o '" + out.string() + "' -ascii_hex");
    return testkit::ParseAsciiHex(ReadText(out));
  }

  // Reads `hex` and checks it against srec_cat; returns what the reader delivered.
  ReadBack Check(const fs::path& hex) {
    SCOPED_TRACE(hex.filename().string());
    ReadBack got = ReadWithReader(hex);
    EXPECT_TRUE(got.status.ok()) << got.status.Message();
    const ByteMap expected = Reference(hex);
    EXPECT_FALSE(expected.empty());
    EXPECT_TRUE(got.bytes == expected) << "the reader and srec_cat disagree on " << hex;
    return got;
  }

  fs::path dir_;
};

TEST_F(HexToolchainTest, AssembledMidRangeProgramInEveryLayout) {
  const fs::path inhx32 = Assemble("counter_16f877a.asm", "inhx32");
  ASSERT_FALSE(HasFailure());
  const std::string text = ReadText(inhx32);
  ASSERT_EQ(text.rfind(":02000004", 0), 0u)
      << "gpasm's default output starts with a type 04 record";

  const ReadBack base = Check(inhx32);
  // Words the source says are there: goto main, the ID words, the configuration word, EEPROM.
  EXPECT_EQ(WordAt(base.bytes, 0x0000), 0x280A);
  EXPECT_EQ(WordAt(base.bytes, 0x0004), 0x0009);  // retfie
  EXPECT_EQ(WordAt(base.bytes, 0x1FFE), 0x0000);  // nop
  EXPECT_EQ(WordAt(base.bytes, 0x1FFF), 0x2800);  // goto 0
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(WordAt(base.bytes, 0x2000 + i), i + 1);
  EXPECT_EQ(WordAt(base.bytes, 0x2007), 0x3F72);
  EXPECT_EQ(WordAt(base.bytes, 0x2100), 0x0012);
  EXPECT_EQ(WordAt(base.bytes, 0x2101), 0x0034);
  EXPECT_EQ(WordAt(base.bytes, 0x2102), 0x0041);
  EXPECT_EQ(WordAt(base.bytes, 0x2104), 0x00FF);
  EXPECT_EQ(WordAt(base.bytes, 0x0100), 0x0000);
  EXPECT_EQ(WordAt(base.bytes, 0x0111), 0x0123);
  EXPECT_EQ(WordAt(base.bytes, 0x0003), 0xDEAD) << "a gap in the program is not filled";

  const fs::path inhx8m = Assemble("counter_16f877a.asm", "inhx8m", "-a inhx8m");
  const fs::path dos = Assemble("counter_16f877a.asm", "dos", "-n");
  ASSERT_FALSE(HasFailure());
  ASSERT_NE(ReadText(dos).find("\r\n"), std::string::npos);
  EXPECT_TRUE(Check(inhx8m).bytes == base.bytes);
  EXPECT_TRUE(Check(dos).bytes == base.bytes);

  for (const fs::path& source : {inhx32, inhx8m}) {
    for (uint32_t blockBytes : {8u, 16u, 32u}) {
      const fs::path reblocked =
          Convert(source, source.stem().string() + "_obs" + std::to_string(blockBytes),
                  "-obs=" + std::to_string(blockBytes));
      ASSERT_FALSE(HasFailure());
      const ReadBack got = Check(reblocked);
      EXPECT_TRUE(got.bytes == base.bytes) << reblocked;
      EXPECT_EQ(got.largestRecord, blockBytes / 2) << reblocked;
    }
  }
}

TEST_F(HexToolchainTest, UpperAddressRecordsFromTheTools) {
  // Moved up to word 0xC000: srec_cat reaches it with a type 04 record, or with type 02 segments.
  const fs::path inhx32 = Assemble("counter_16f877a.asm", "inhx32");
  const fs::path linear = Convert(inhx32, "linear", "-offset 0x18000");
  const fs::path segment = Convert(inhx32, "segment", "-offset 0x18000 -address-length=3");
  ASSERT_FALSE(HasFailure());
  ASSERT_NE(ReadText(linear).find(":020000040001F9"), std::string::npos);
  ASSERT_NE(ReadText(segment).find(":02000002"), std::string::npos);

  const ByteMap moved = ShiftWords(ReadWithReader(inhx32).bytes, 0xC000);
  for (const fs::path& hex : {linear, segment}) {
    const ReadBack got = Check(hex);
    EXPECT_TRUE(got.bytes == moved) << hex;
    EXPECT_EQ(WordAt(got.bytes, 0xC000), 0x280A) << hex;
  }

  // An enhanced-core PIC keeps its configuration words at 0x8007: gpasm itself writes type 04.
  const fs::path enhanced = Assemble("config_16f1847.asm", "enhanced");
  ASSERT_FALSE(HasFailure());
  ASSERT_NE(ReadText(enhanced).find(":020000040001F9"), std::string::npos);
  const ReadBack got = Check(enhanced);
  // Delivered as a word, the record "0001" after the code would overwrite word 0.
  EXPECT_EQ(WordAt(got.bytes, 0x0000), 0x280A);
  EXPECT_EQ(WordAt(got.bytes, 0x8007), 0x3FE4);
  EXPECT_EQ(WordAt(got.bytes, 0x8008), 0x1FFF);
}

}  // namespace
