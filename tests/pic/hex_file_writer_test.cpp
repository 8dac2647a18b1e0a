// The HEX writer and the PIC memory helpers: what Save PIC writes must read back through the
// reader as the same words, leave out erased words, and never leave half a file.

#include "pic/hex_file_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pic/hex_file_reader.h"
#include "pic/pic_dialog_support.h"
#include "pic/pic_memory.h"

namespace {

namespace fs = std::filesystem;
using pic::WordMap;
using pictest::TempDir;

// The words the reader delivers from `text`, or a failure with the reader's message.
::testing::AssertionResult ReadBack(const TempDir& dir, const std::string& text, WordMap& words) {
  const fs::path file = dir.Write("back.hex", text);
  pic::HexFileReader reader;
  const pic::HexStatus status = reader.Open(file);
  if (!status.ok()) return ::testing::AssertionFailure() << status.Message();
  words.clear();
  std::uint32_t address = 0;
  std::span<const std::uint16_t> record;
  while (const std::uint32_t n = reader.NextRecord(address, record)) {
    for (std::uint32_t i = 0; i < n; ++i) words[address + i] = record[i];
  }
  return ::testing::AssertionSuccess();
}

TEST(HexFileWriter, ABlankChipGivesTheAddressAndEndRecordsOnly) {
  WordMap blank;
  for (const auto& area : pic::kSavedAreas) {
    for (std::uint32_t a = area.start; a < area.start + area.words; ++a) blank[a] = area.erased;
  }
  EXPECT_EQ(pic::FormatIntelHex(blank), ":020000040000FA\n:00000001FF\n");
}

TEST(HexFileWriter, WritesRunsAsGpasmDoes) {
  // Two words at 0, a gap, twelve words from 0x10 (one full record of eight, then four), an
  // erased word that splits nothing but is left out, a configuration word and an EEPROM byte.
  WordMap words = {{0x0000, 0x280A}, {0x0001, 0x0009}, {0x0002, 0x3FFF}};
  for (std::uint32_t i = 0; i < 12; ++i) words[0x10 + i] = static_cast<std::uint16_t>(0x100 + i);
  words[0x2007] = 0x3F72;
  words[0x2100] = 0x0012;
  words[0x2101] = 0x00FF;
  const std::string text = pic::FormatIntelHex(words);
  EXPECT_EQ(text,
            ":020000040000FA\n"
            ":040000000A280900C1\n"
            ":1000200000010101020103010401050106010701AC\n"
            ":08003000080109010A010B019E\n"
            ":02400E00723FFF\n"
            ":024200001200AA\n"
            ":00000001FF\n");

  TempDir dir;
  WordMap back;
  ASSERT_TRUE(ReadBack(dir, text, back));
  WordMap kept = words;
  kept.erase(0x0002);
  kept.erase(0x2101);
  EXPECT_EQ(back, kept);
}

TEST(HexFileWriter, RecordsPastSixtyFourKilobytesGetTheirUpperAddress) {
  const std::string text = pic::FormatIntelHex({{0x7FFF, 0x0001}, {0x8000, 0x0002}});
  EXPECT_EQ(text,
            ":020000040000FA\n"
            ":02FFFE00010000\n"
            ":020000040001F9\n"
            ":020000000200FC\n"
            ":00000001FF\n");
}

TEST(HexFileWriter, ReplacesTheFileWholeAndLeavesNothingElse) {
  TempDir dir;
  const fs::path target = dir.Write("chip.hex", "old contents");
  const auto done = pic::WriteFileAtomically(target, "new contents");
  ASSERT_TRUE(done.ok) << done.message;
  EXPECT_EQ(pictest::ReadText(target), "new contents");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir.path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST(HexFileWriter, AFolderThatIsNotThereIsAMessageAndNoFile) {
  TempDir dir;
  const fs::path target = dir.path() / "missing" / "chip.hex";
  const auto done = pic::WriteFileAtomically(target, "text");
  EXPECT_FALSE(done.ok);
  EXPECT_EQ(done.message.rfind("chip.hex: ", 0), 0u) << done.message;
  EXPECT_GT(done.message.size(), std::string("chip.hex: ").size());
  EXPECT_FALSE(fs::exists(target));
}

TEST(PicMemory, WordsCompareInTheBitsThePicKeeps) {
  struct Case {
    std::uint32_t address;
    std::uint16_t expected;
    std::uint16_t read;
    bool equal;
  } cases[] = {
      {0x0000, 0xFFFF, 0x3FFF, true},   // program memory keeps 14 bits
      {0x0000, 0x2805, 0x2804, false},  //
      {0x2007, 0xFF72, 0x3F72, true},   // so do the configuration words
      {0x2100, 0x3412, 0x0012, true},   // the EEPROM image keeps 8
      {0x21FF, 0x0012, 0x0013, false},  //
  };
  for (const auto& c : cases) {
    const auto r = pic::CompareWords({{c.address, c.expected}}, {{c.address, c.read}});
    EXPECT_EQ(r.compared, 1u);
    EXPECT_EQ(r.differing, c.equal ? 0u : 1u) << std::hex << c.address;
  }
  // A word the reads never reached differs.
  EXPECT_EQ(pic::CompareWords({{0x10, 0x0001}}, {}).differing, 1u);
}

TEST(PicMemory, ReadPlansCoverEveryWordFourAtATime) {
  // Words 1..6 need reads at 1 and 5; 0x2007 and 0x2100 need one each.
  const WordMap words = {{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {0x2007, 0}, {0x2100, 0}};
  EXPECT_EQ(pic::ReadPlan(words), (std::vector<std::uint16_t>{1, 5, 0x2007, 0x2100}));
  // A whole save: 2048 reads of program memory, 2 of the configuration words, 64 of the EEPROM.
  const auto all = pic::ReadPlan(pic::kSavedAreas);
  ASSERT_EQ(all.size(), 2048u + 2 + 64);
  EXPECT_EQ(all[2047], 0x1FFC);
  EXPECT_EQ(all[2048], 0x2000);
  EXPECT_EQ(all[2050], 0x2100);
  EXPECT_EQ(all.back(), 0x21FC);
}

}  // namespace
