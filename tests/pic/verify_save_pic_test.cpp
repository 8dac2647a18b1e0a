// Verify PIC and Save PIC from the system menu, on the simulated board: the reads they send, the
// verdict in the log and the box, the outcome, and what a run that cannot finish leaves behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "hidlink/hid_link.h"
#include "kit/test_kit.h"
#include "pic/hex_file_reader.h"
#include "pic/pic_dialog_support.h"
#include "pic/pic_memory.h"

using namespace app;
using pictest::IsRead;
using pictest::kEndRecord;
using pictest::TempDir;
using pictest::WordRecord;

namespace {

namespace fs = std::filesystem;

// Ten words at word 0x10, one configuration word, two EEPROM bytes.
std::string SampleFile() {
  return WordRecord(0x20, {0x3001, 0x3002, 0x3003, 0x3004, 0x3005, 0x3006, 0x3007, 0x3008}) + "\n" +
         WordRecord(0x30, {0x3009, 0x300A}) + "\n" + WordRecord(0x400E, {0x3F72}) + "\n" +
         WordRecord(0x4200, {0x0012, 0x0034}) + "\n" + kEndRecord + "\n";
}

void ProgramSample(sim::ZbkBoard& board) {
  for (uint16_t i = 0; i < 10; ++i) board.SetPicWord(0x10 + i, static_cast<uint16_t>(0x3001 + i));
  board.SetPicWord(0x2007, 0x3F72);
  board.SetPicWord(0x2100, 0x0012);
  board.SetPicWord(0x2101, 0x0034);
}

std::vector<uint16_t> ReadAddresses(const TestKit& kit) {
  std::vector<uint16_t> addresses;
  for (const auto& r : kit.Sent()) {
    if (r.size() > 3 && r[1] == 'r') addresses.push_back(static_cast<uint16_t>(r[2] | r[3] << 8));
  }
  return addresses;
}

bool LogHas(const TestKit& kit, const std::string& line) {
  const auto log = kit.Log();
  return std::find(log.begin(), log.end(), line) != log.end();
}

class VerifySave : public ::testing::Test {
 protected:
  VerifySave() {
    kit.AddBoard();
    kit.Start();
  }
  void Verify(const fs::path& file) {
    kit.host.QueueFileAnswer(file.string());
    kit.Window().SysCommand(IDM_VERIFY_PIC);
  }
  void Save(const fs::path& file) {
    kit.host.QueueFileAnswer(file.string());
    kit.Window().SysCommand(IDM_SAVE_PIC);
  }

  TestKit kit;
  TempDir dir;
};

TEST_F(VerifySave, AnEqualChipReadsTheFilesWordsOnceAfterTheReset) {
  ProgramSample(kit.BoardModel());
  kit.bus.ClearTrace();
  Verify(dir.Write("sample.hex", SampleFile()));

  EXPECT_EQ(kit.Dialog().m_outcome, CommandOutcome{});
  // The first read since start-up: three dummy reads, the prompt, then the file's words.
  EXPECT_EQ(ReadAddresses(kit), (std::vector<uint16_t>{0, 0, 0, 0x10, 0x14, 0x18, 0x2007, 0x2100}));
  EXPECT_TRUE(LogHas(kit, "Verify PIC: all 13 words equal"));
  const auto texts = kit.BoxTexts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "The PIC holds sample.hex: all 13 words equal.");
  EXPECT_EQ(kit.Boxes().back().caption, "Verify PIC");
  EXPECT_EQ(kit.Dialog().m_bPicNeedsReset, 0);
}

TEST_F(VerifySave, ADamagedWordIsFoundWithItsAddress) {
  ProgramSample(kit.BoardModel());
  kit.BoardModel().SetPicWord(0x15, 0x1234);
  kit.BoardModel().SetPicWord(0x2101, 0x0035);
  Verify(dir.Write("sample.hex", SampleFile()));

  EXPECT_EQ(kit.Dialog().m_outcome, (CommandOutcome{Outcome::kFailed, std::string(kPicDiffers)}));
  EXPECT_TRUE(LogHas(kit, "Verify PIC: 2 of 13 words differ"));
  EXPECT_TRUE(LogHas(kit, "0015: expected 3006, read 1234"));
  EXPECT_TRUE(LogHas(kit, "2101: expected 0034, read 0035"));
  EXPECT_NE(kit.BoxTexts().back().find("0015: expected 3006, read 1234"), std::string::npos)
      << kit.BoxTexts().back();
}

TEST_F(VerifySave, ARefusedFileSendsNothing) {
  kit.bus.ClearTrace();
  Verify(dir.Write("bad.hex", ":0400000001020304F0\n" + kEndRecord + "\n"));
  EXPECT_EQ(kit.Dialog().m_outcome.kind, Outcome::kRefused);
  EXPECT_TRUE(kit.Sent().empty());
  EXPECT_NE(kit.BoxTexts().back().find("bad.hex: 1: "), std::string::npos);
}

TEST_F(VerifySave, ALinkThatClosesIsNeverAVerdict) {
  ProgramSample(kit.BoardModel());
  kit.bus.DropReplyAfter(kit.board, 4);
  Verify(dir.Write("sample.hex", SampleFile()));
  EXPECT_EQ(kit.Dialog().m_outcome.kind, Outcome::kLinkFailed);
  EXPECT_TRUE(LogHas(kit, "Verify PIC: the link to the board closed after 1 of 5 reads"));
  for (const auto& line : kit.Log()) EXPECT_EQ(line.find("equal"), std::string::npos) << line;
}

TEST_F(VerifySave, ACancelledDialogSendsNothing) {
  kit.bus.ClearTrace();
  kit.Window().SysCommand(IDM_VERIFY_PIC);
  EXPECT_EQ(kit.Dialog().m_outcome.kind, Outcome::kCancelled);
  kit.Window().SysCommand(IDM_SAVE_PIC);
  EXPECT_EQ(kit.Dialog().m_outcome.kind, Outcome::kCancelled);
  EXPECT_EQ(kit.host.SaveDialogsShown(), 1);
  EXPECT_TRUE(kit.Sent().empty());
}

TEST_F(VerifySave, SaveReadsEveryAreaAndWritesWhatTheChipHolds) {
  ProgramSample(kit.BoardModel());
  kit.BoardModel().SetPicWord(0x1FFF, 0x0000);  // the last program word, not erased
  kit.bus.ClearTrace();
  const fs::path file = dir.path() / "chip.hex";
  Save(file);
  ASSERT_EQ(kit.Dialog().m_outcome, CommandOutcome{});

  const auto reads = ReadAddresses(kit);
  ASSERT_EQ(reads.size(), 3u + 2048 + 2 + 64);  // the dummy reads, then every area
  EXPECT_EQ(reads[3], 0x0000);
  EXPECT_EQ(reads.back(), 0x21FC);
  EXPECT_TRUE(LogHas(kit, "Save PIC: 8456 words read, 14 not erased, written to chip.hex"));

  pic::HexFileReader reader;
  ASSERT_TRUE(reader.Open(file).ok());
  pic::WordMap back;
  uint32_t address = 0;
  std::span<const uint16_t> words;
  while (const uint32_t n = reader.NextRecord(address, words)) {
    for (uint32_t i = 0; i < n; ++i) back[address + i] = words[i];
  }
  pic::WordMap expected = {{0x1FFF, 0x0000}, {0x2007, 0x3F72}, {0x2100, 0x0012}, {0x2101, 0x0034}};
  for (uint16_t i = 0; i < 10; ++i) expected[0x10 + i] = static_cast<uint16_t>(0x3001 + i);
  EXPECT_EQ(back, expected);

  // What it wrote, Verify finds equal.
  Verify(file);
  EXPECT_EQ(kit.Dialog().m_outcome, CommandOutcome{});
}

TEST_F(VerifySave, ASaveThatCannotFinishLeavesTheOldFileAndNoOther) {
  const fs::path file = dir.Write("chip.hex", "the old file\n");
  kit.bus.DropReplyAfter(kit.board, 500);
  Save(file);
  EXPECT_EQ(kit.Dialog().m_outcome.kind, Outcome::kLinkFailed);
  EXPECT_TRUE(LogHas(kit,
                     "Save PIC: the link to the board closed after 497 of 2114 reads; nothing "
                     "was written"));
  EXPECT_EQ(pictest::ReadText(file), "the old file\n");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir.path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST_F(VerifySave, ASaveToAMissingFolderSaysWhyAndFails) {
  Save(dir.path() / "missing" / "chip.hex");
  EXPECT_EQ(kit.Dialog().m_outcome, (CommandOutcome{Outcome::kFailed, std::string(kSaveFailed)}));
  EXPECT_NE(kit.BoxTexts().back().find("Could not write chip.hex: "), std::string::npos)
      << kit.BoxTexts().back();
}

}  // namespace
