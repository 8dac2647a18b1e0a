// Real PIC programs, assembled with gpasm and re-blocked with srec_cat at test time, programmed
// through the dialog onto the simulated board: its memory must hold exactly the words srec_cat
// decodes from the same file, and Read PIC must show them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "kit/test_kit.h"
#include "pic/pic_dialog_support.h"

using namespace app;
using pictest::DumpLine;
using pictest::TempDir;
using pictest::WordMap;

namespace {

namespace fs = std::filesystem;

const char kSuccess[] = "Programmation successful";

// What a word of the 16F877A's memory reads on the board after programming `file`.
uint16_t Expected(const WordMap& file, uint32_t address) {
  const auto found = file.find(address);
  if (found != file.end()) return found->second;
  return address >= sim::kEepromStart ? sim::kErasedEepromWord : sim::kErasedWord;
}

::testing::AssertionResult MemoryHolds(sim::ZbkBoard& board, const WordMap& file) {
  auto check = [&](uint32_t from, uint32_t count) -> ::testing::AssertionResult {
    for (uint32_t a = from; a < from + count; ++a) {
      if (board.PicWord(a) != Expected(file, a)) {
        return ::testing::AssertionFailure()
               << std::hex << "word 0x" << a << " is 0x" << board.PicWord(a) << ", the file says 0x"
               << Expected(file, a);
      }
    }
    return ::testing::AssertionSuccess();
  };
  for (const auto& [address, word] : file) {
    const bool known =
        address < sim::kProgramWords ||
        (address >= sim::kConfigStart && address < sim::kConfigStart + sim::kConfigWords) ||
        (address >= sim::kEepromStart && address < sim::kEepromStart + sim::kEepromWords);
    if (!known) return ::testing::AssertionFailure() << "the file programs word " << address;
  }
  if (auto r = check(0, sim::kProgramWords); !r) return r;
  if (auto r = check(sim::kConfigStart, sim::kConfigWords); !r) return r;
  return check(sim::kEepromStart, sim::kEepromWords);
}

class ProgramPicToolchain : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"gpasm", "srec_cat"}) {
      if (pictest::HaveTool(tool)) continue;
      if (std::getenv("CI") != nullptr) FAIL() << tool << " is missing: install gputils, srecord";
      GTEST_SKIP() << tool << " is not installed (gputils, srecord); real-file tests skipped";
    }
  }

  fs::path Assemble(const std::string& name, const std::string& options = "") {
    const fs::path out = dir_.path() / (name + ".hex");
    const fs::path in = fs::path(ZBK_TEST_DATA_DIR) / "pic" / "counter_16f877a.asm";
    EXPECT_TRUE(dir_.Run("gpasm " + options + " -o '" + out.string() + "' '" + in.string() + "'"));
    return out;
  }

  fs::path Reblock(const fs::path& in, unsigned blockBytes) {
    const fs::path out =
        dir_.path() / (in.stem().string() + "_obs" + std::to_string(blockBytes) + ".hex");
    EXPECT_TRUE(dir_.Run("srec_cat '" + in.string() + "' -intel -obs=" +
                         std::to_string(blockBytes) + " -o '" + out.string() + "' -intel"));
    return out;
  }

  // Programs `hex` onto a fresh board; true when the dialog reported success.
  bool ProgramOnto(TestKit& kit, const fs::path& hex) {
    kit.AddBoard();
    kit.Start();
    kit.host.QueueFileAnswer(hex.string());
    kit.Window().Click(IDC_BUTTON_PROGRAM_PIC);
    return !kit.BoxTexts().empty() && kit.BoxTexts().back() == kSuccess;
  }

  TempDir dir_;
};

}  // namespace

TEST_F(ProgramPicToolchain, EveryLayoutProgramsExactlyWhatSrecCatDecodes) {
  const fs::path inhx32 = Assemble("inhx32");
  const fs::path inhx8m = Assemble("inhx8m", "-a inhx8m");
  ASSERT_FALSE(HasFailure());
  ASSERT_EQ(pictest::ReadText(inhx32).rfind(":02000004", 0), 0u);

  std::vector<fs::path> files = {inhx32, inhx8m};
  for (const fs::path& source : {inhx32, inhx8m}) {
    for (unsigned block : {8u, 16u, 32u}) files.push_back(Reblock(source, block));
  }
  ASSERT_FALSE(HasFailure());

  for (const fs::path& hex : files) {
    SCOPED_TRACE(hex.filename().string());
    WordMap file;
    ASSERT_TRUE(pictest::DecodeWithSrecCat(dir_, hex, file));
    TestKit kit;
    EXPECT_TRUE(ProgramOnto(kit, hex)) << ::testing::PrintToString(kit.BoxTexts());
    EXPECT_TRUE(MemoryHolds(kit.BoardModel(), file));
    EXPECT_TRUE(kit.BoardModel().Violations().empty());
    EXPECT_EQ(kit.BoardModel().PicRecordsRefused(), 0);
    // The address record at the top of gpasm's file is not a program word.
    EXPECT_EQ(kit.BoardModel().PicWord(0), 0x280A);
  }
}

TEST_F(ProgramPicToolchain, ReadPicWalksBackWhatWasProgrammed) {
  const fs::path hex = Assemble("inhx32");
  ASSERT_FALSE(HasFailure());
  WordMap file;
  ASSERT_TRUE(pictest::DecodeWithSrecCat(dir_, hex, file));
  TestKit kit;
  ASSERT_TRUE(ProgramOnto(kit, hex));
  auto& w = kit.Window();

  auto walk = [&](const char* from, uint32_t start, int lines) {
    SCOPED_TRACE(from);
    w.SetText(IDC_EDIT_ADDR, from);
    const size_t first = kit.Log().size();
    for (int i = 0; i < lines; ++i) w.Click(IDC_BUTTON_READ_PIC);
    const auto log = kit.Log();
    ASSERT_EQ(log.size(), first + 2 * static_cast<size_t>(lines));
    for (int i = 0; i < lines; ++i) {
      const uint32_t a = start + 4 * static_cast<uint32_t>(i);
      ASSERT_EQ(log[first + 2 * i],
                DumpLine(static_cast<uint16_t>(a), Expected(file, a), Expected(file, a + 1),
                         Expected(file, a + 2), Expected(file, a + 3)));
    }
  };
  walk("0x0000", 0x0000, 0x800);  // the whole program memory, up to the wrap
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x0000");
  walk("0x2000", 0x2000, 2);  // ID words and the configuration word
  walk("0x2100", 0x2100, 2);  // EEPROM
  EXPECT_EQ(kit.Log()[kit.Log().size() - 4], "2100 : 0012 0034 0041 0042");
}

TEST_F(ProgramPicToolchain, DamagedCopyIsRefusedBeforeAnythingIsSent) {
  const fs::path hex = Assemble("inhx32");
  ASSERT_FALSE(HasFailure());
  std::istringstream in(pictest::ReadText(hex));
  std::string damaged, line;
  for (int n = 1; std::getline(in, line); ++n) {
    if (n == 5) {
      ASSERT_GT(line.size(), 11u);
      char& digit = line[line.size() - 3];  // the last data digit
      digit = digit == '0' ? '1' : '0';
    }
    damaged += line + "\n";
  }
  const fs::path copy = dir_.Write("damaged.hex", damaged);

  TestKit kit;
  kit.AddBoard();
  auto& w = kit.Start();
  kit.bus.ClearTrace();
  kit.host.QueueFileAnswer(copy.string());
  w.Click(IDC_BUTTON_PROGRAM_PIC);

  EXPECT_EQ(kit.BoxTexts(),
            (std::vector<std::string>{"Put the QD5500 jump into programmation position",
                                      "damaged.hex: 5: checksum mismatch"}));
  EXPECT_TRUE(kit.Sent().empty());
  EXPECT_EQ(kit.BoardModel().PicWord(0), sim::kErasedWord);
}

// Save PIC writes what Program PIC programs back unchanged and srec_cat decodes to the chip's
// words; Verify finds the source file and the saved one equal to the chip, and a damaged word.
TEST_F(ProgramPicToolchain, SaveProgramVerifyRoundTrip) {
  const fs::path hex = Assemble("inhx32");
  ASSERT_FALSE(HasFailure());
  WordMap file;
  ASSERT_TRUE(pictest::DecodeWithSrecCat(dir_, hex, file));

  TestKit first;
  ASSERT_TRUE(ProgramOnto(first, hex));
  const fs::path saved = dir_.path() / "saved.hex";
  first.host.QueueFileAnswer(saved.string());
  first.Window().SysCommand(IDM_SAVE_PIC);
  ASSERT_EQ(first.Dialog().m_outcome, CommandOutcome{});
  EXPECT_EQ(pictest::ReadText(saved).rfind(":020000040000FA\n", 0), 0u);

  // The saved file holds every word of the chip that is not erased, and nothing else.
  WordMap savedWords;
  ASSERT_TRUE(pictest::DecodeWithSrecCat(dir_, saved, savedWords));
  WordMap notErased;
  for (const auto& [address, word] : file) {
    if (word != Expected({}, address)) notErased[address] = word;
  }
  EXPECT_EQ(savedWords, notErased);

  TestKit second;
  ASSERT_TRUE(ProgramOnto(second, saved)) << ::testing::PrintToString(second.BoxTexts());
  EXPECT_TRUE(MemoryHolds(second.BoardModel(), file));

  for (const fs::path& source : {hex, saved}) {
    second.host.QueueFileAnswer(source.string());
    second.Window().SysCommand(IDM_VERIFY_PIC);
    EXPECT_EQ(second.Dialog().m_outcome, CommandOutcome{}) << source.filename();
  }
  // A program word the file holds, damaged on the board.
  const uint32_t damaged = std::next(file.begin(), 2)->first;
  ASSERT_LT(damaged, sim::kProgramWords);
  ASSERT_NE(file.at(damaged), 0);
  second.BoardModel().SetPicWord(damaged, 0x0000);
  second.host.QueueFileAnswer(hex.string());
  second.Window().SysCommand(IDM_VERIFY_PIC);
  EXPECT_EQ(second.Dialog().m_outcome.kind, Outcome::kFailed);
  char expectedLine[48];
  std::snprintf(expectedLine, sizeof expectedLine, "%04X: expected %04X, read 0000",
                static_cast<unsigned>(damaged), static_cast<unsigned>(file.at(damaged)));
  const auto log = second.Log();
  EXPECT_NE(std::find(log.begin(), log.end(), expectedLine), log.end()) << expectedLine;
}
