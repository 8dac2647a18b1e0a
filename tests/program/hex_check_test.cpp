// --check-hex and --list-devices, and the link's choice of one board among several.

#include "program/hex_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/exit_status.h"
#include "hidlink/hid_link.h"
#include "kit/test_kit.h"
#include "pic/pic_dialog_support.h"

namespace {

using pictest::kEndRecord;
using pictest::TempDir;
using pictest::WordRecord;

struct Lines {
  std::vector<std::string> out, err;
  program::LineOut Out() {
    return [this](std::string_view l) { out.emplace_back(l); };
  }
  program::LineOut Err() {
    return [this](std::string_view l) { err.emplace_back(l); };
  }
};

TEST(CheckHex, OneLineAFileAndOneWhenAnyIsRefused) {
  TempDir dir;
  const auto good = dir.Write("good.hex", WordRecord(0, {1, 2, 3, 4, 5, 6, 7, 8}) + "\n" +
                                              WordRecord(0x10, {9, 10}) + "\n" +
                                              WordRecord(0x400E, {0x3F72}) + "\n" + kEndRecord);
  const auto empty = dir.Write("empty.hex", kEndRecord + "\n");
  const auto bad = dir.Write("bad.hex", ":0400000001020304F0\n" + kEndRecord + "\n");
  // 32 words in one record: a good HEX file, but too long for a 65-byte report.
  std::vector<std::uint16_t> many(32, 0x0001);
  const auto wide = dir.Write("wide.hex", WordRecord(0, many) + "\n" + kEndRecord + "\n");

  Lines lines;
  const std::vector<std::string> files = {good.string(), empty.string()};
  EXPECT_EQ(program::CheckHexFiles(files, 65, lines.Out(), lines.Err()), batch::kExitOk);
  EXPECT_EQ(lines.out, (std::vector<std::string>{
                           good.string() + ": 3 records, 11 words at 0x0000-0x0009, 0x2007",
                           empty.string() + ": 0 records, 0 words"}));
  EXPECT_TRUE(lines.err.empty());

  Lines refused;
  const std::vector<std::string> mixed = {bad.string(), good.string(), wide.string()};
  EXPECT_EQ(program::CheckHexFiles(mixed, 65, refused.Out(), refused.Err()), batch::kExitFailure);
  ASSERT_EQ(refused.err.size(), 2u);
  EXPECT_EQ(refused.err[0], bad.string() + ": 1: checksum mismatch");
  EXPECT_EQ(refused.err[1].rfind(wide.string() + ": 1: ", 0), 0u) << refused.err[1];
  EXPECT_EQ(refused.out.size(), 1u);
  // A board with longer reports takes the wide record.
  Lines longer;
  const std::vector<std::string> one = {wide.string()};
  EXPECT_EQ(program::CheckHexFiles(one, 129, longer.Out(), longer.Err()), batch::kExitOk);
}

TEST(CheckHex, TheLengthOfAnAttachedBoardElseTheStandardOne) {
  TestKit kit;  // for a session of its own
  EXPECT_EQ(program::CheckedOutputLength(nullptr, ""), 65u);
  EXPECT_EQ(program::CheckedOutputLength(&kit.bus, ""), 65u);  // an empty bus
  kit.bus.AddDevice(0x046D, 0xC31C);
  kit.bus.AddBoard("ZBK 2.1", 129, 65);
  EXPECT_EQ(program::CheckedOutputLength(&kit.bus, ""), 129u);
  EXPECT_EQ(program::CheckedOutputLength(&kit.bus, "sim:hid#0"), 65u);  // not the board
}

TEST(Devices, ListsEveryBoardWithWhatItAnswers) {
  TestKit kit;
  kit.bus.AddDevice(0x046D, 0xC31C);
  kit.bus.AddBoard("ZBK 2.1");
  kit.bus.AddBoard("ZBK 3.0", 65, 33);
  Lines lines;
  EXPECT_EQ(program::ListDevices(&kit.bus, lines.Out(), lines.Err()), batch::kExitOk);
  ASSERT_EQ(lines.out.size(), 2u);
  EXPECT_EQ(lines.out[0], "sim:hid#1  output 65 bytes, input 65 bytes, opens, version \"ZBK 2.1\"");
  EXPECT_EQ(lines.out[1], "sim:hid#2  output 65 bytes, input 33 bytes, opens, version \"ZBK 3.0\"");
  EXPECT_EQ(kit.bus.OpenHandleCount(), 0);

  TestKit empty;
  Lines none;
  EXPECT_EQ(program::ListDevices(&empty.bus, none.Out(), none.Err()), batch::kExitNoBoard);
  EXPECT_EQ(none.err.size(), 1u);
}

TEST(Devices, TheChosenInterfaceIsTheBoardTheDialogTalksTo) {
  TestKit kit;
  const int first = kit.AddBoard("ZBK 2.1");
  const int second = kit.AddBoard("ZBK 3.0");
  hidlink::HidLink::devicePath = "sim:hid#1";
  kit.Start();
  EXPECT_EQ(kit.Dialog().m_bBoardPresent, 1);
  EXPECT_EQ(kit.Log().front(), "ZBK 3.0");
  for (const auto& e : kit.bus.Trace()) EXPECT_EQ(e.device, second);
  EXPECT_NE(first, second);
}

TEST(Devices, AChosenPathThatIsNotTheBoardFindsNone) {
  for (const char* path : {"sim:hid#0", "sim:hid#7"}) {
    TestKit kit;
    kit.bus.AddDevice(0x046D, 0xC31C);
    kit.AddBoard("ZBK 2.1");
    hidlink::HidLink::devicePath = path;
    kit.Start();
    EXPECT_EQ(kit.Dialog().m_bBoardPresent, 0) << path;
  }
}

}  // namespace
