// The board fit pass over a file the reader took: which fault a file with more than one is
// refused for. The rules one by one are in the reader's table of refused files.

#include "pic/hex_fit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kit/hex_text.h"
#include "pic/pic_dialog_support.h"

namespace {

using pic::HexError;
using testkit::HexRecord;
using testkit::WordRecord;

constexpr size_t kReportLength = 65;

TEST(HexFitTest, AFileIsRefusedForItsFirstFaultAndHexFaultsComeFirst) {
  const std::string k32Words = WordRecord(0x0040, std::vector<uint16_t>(32, 0x3FFF));
  const std::string kBeyond16Bits = HexRecord(0x04, 0, {0x00, 0x02}) + "\n" + WordRecord(0, {1});
  struct Case {
    const char* name;
    std::string content;
    HexError error;
    uint32_t line;
  };
  const Case cases[] = {
      {"two misfits: the first in the file",
       WordRecord(0, {1}) + "\n" + k32Words + "\n" + kBeyond16Bits + "\n" + testkit::kEndRecord,
       HexError::kReportTooSmall, 2},
      {"a misfit, then a fault of the file itself",
       k32Words + "\n:040030000102030400\n" + testkit::kEndRecord, HexError::kChecksum, 2},
      {"a misfit in a file without its end", WordRecord(0, {1}) + "\n" + k32Words + "\n",
       HexError::kNoEndRecord, 0},
  };
  pictest::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pic::HexFileReader reader;
    const pic::HexStatus status =
        pic::CheckBoardFit(reader, reader.Open(dir.Write("two.hex", c.content)), kReportLength);
    EXPECT_EQ(status.error, c.error);
    EXPECT_EQ(status.line, c.line);
    EXPECT_EQ(status.fileName, "two.hex");
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(reader.dataRecordCount(), 0u);
  }
}

}  // namespace
