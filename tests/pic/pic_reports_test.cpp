#include "pic/pic_reports.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

constexpr uint8_t kUntouched = 0xAA;

std::vector<uint8_t> Report(size_t length = 65) {
  return std::vector<uint8_t>(length, kUntouched);
}

TEST(PicReportsTest, ReadRequestSetsLetterAndAddressOnly) {
  auto report = Report();
  ASSERT_TRUE(pic::EncodeReadRequest(report, 0x1FFC));
  EXPECT_EQ(report[0], kUntouched);  // the link's report id
  EXPECT_EQ(report[1], 0x72);
  EXPECT_EQ(report[2], 0xFC);
  EXPECT_EQ(report[3], 0x1F);
  EXPECT_EQ(report[4], kUntouched);

  auto shortReport = Report(3);
  EXPECT_FALSE(pic::EncodeReadRequest(shortReport, 0x1234));
  EXPECT_EQ(shortReport, Report(3));
}

TEST(PicReportsTest, ReadReplyAndDumpLine) {
  const std::vector<uint8_t> reply = {0x00, 0x0A, 0x28, 0xFF, 0x3F, 0x00, 0x00, 0xAB, 0x00, 0x99};
  const std::array<uint16_t, 4> words = pic::DecodeReadReply(reply);
  EXPECT_EQ(words, (std::array<uint16_t, 4>{0x280A, 0x3FFF, 0x0000, 0x00AB}));
  EXPECT_EQ(pic::FormatDumpLine(0x0100, words), "0100 : 280A 3FFF 0000 00AB");
  EXPECT_EQ(pic::FormatDumpLine(0x000C, {0xFFFF, 0x000F, 0x00F0, 0x0F00}),
            "000C : FFFF 000F 00F0 0F00");

  // A short reply reads as zeros where it has no bytes.
  const std::vector<uint8_t> shortReply = {0x00, 0x34, 0x12, 0x78};
  EXPECT_EQ(pic::DecodeReadReply(shortReply), (std::array<uint16_t, 4>{0x1234, 0x0078, 0, 0}));
}

TEST(PicReportsTest, NextReadAddressWrapsOnlyFromTheLastProgramLine) {
  const struct {
    uint16_t address;
    uint16_t next;
  } cases[] = {
      {0x0000, 0x0004}, {0x0100, 0x0104}, {0x1FF8, 0x1FFC}, {0x1FFB, 0x1FFF},
      {0x1FFC, 0x0000}, {0x1FFD, 0x0000}, {0x1FFF, 0x0000}, {0x2000, 0x2004},
      {0x2007, 0x200B}, {0xFFFC, 0x0000}, {0xFFFE, 0x0002},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(pic::NextReadAddress(c.address), c.next) << std::hex << c.address;
  }
}

TEST(PicReportsTest, ProgramHeaderCountsTheAddressWordAndEndsWithZero) {
  auto report = Report();
  ASSERT_TRUE(pic::EncodeProgramHeader(report, 8, false));
  EXPECT_EQ(report[0], kUntouched);
  EXPECT_EQ(report[1], 0x52);
  EXPECT_EQ(report[2], 9);
  EXPECT_EQ(report[3], 0);
  EXPECT_EQ(report[4], kUntouched);

  ASSERT_TRUE(pic::EncodeProgramHeader(report, 0, true));
  EXPECT_EQ(report[2], 0);
  EXPECT_EQ(report[3], 1);

  ASSERT_TRUE(pic::EncodeProgramHeader(report, 32, false));
  EXPECT_EQ(report[2], 33);

  auto refused = Report();
  EXPECT_FALSE(pic::EncodeProgramHeader(refused, 33, false));
  EXPECT_FALSE(pic::EncodeProgramHeader(refused, 255, false));  // would wrap to the end marker
  EXPECT_EQ(refused, Report());
}

TEST(PicReportsTest, ProgramDataCarriesAddressAndWordsLowByteFirst) {
  auto report = Report();
  const std::vector<uint16_t> words = {0x280A, 0x3FFF, 0x0102};
  ASSERT_TRUE(pic::EncodeProgramData(report, 0x0010, words));
  const std::vector<uint8_t> head(report.begin(), report.begin() + 10);
  EXPECT_EQ(head, (std::vector<uint8_t>{kUntouched, 0x10, 0x00, 0x0A, 0x28, 0xFF, 0x3F, 0x02, 0x01,
                                        kUntouched}));

  // 3 + 2 * N bytes must fit, report id included.
  const std::vector<uint16_t> thirtyOne(31, 0x1234);
  auto exact = Report(65);
  EXPECT_TRUE(pic::EncodeProgramData(exact, 0x2100, thirtyOne));
  EXPECT_EQ(exact[63], 0x34);
  EXPECT_EQ(exact[64], 0x12);
  const std::vector<uint16_t> thirtyTwo(32, 0x1234);
  auto tooShort = Report(66);
  EXPECT_FALSE(pic::EncodeProgramData(tooShort, 0x2100, thirtyTwo));
  EXPECT_EQ(tooShort, Report(66));
  EXPECT_EQ(pic::ProgramDataReportLength(32), 67u);
}

TEST(PicReportsTest, ProgramReplyAndLogLine) {
  const std::vector<uint8_t> reply = {0x00, 0x01, 0x00, 0xCD, 0xAB, 0x12, 0x00};
  const pic::ProgramReply decoded = pic::DecodeProgramReply(reply);
  EXPECT_EQ(decoded.status, 0x0001);
  EXPECT_EQ(decoded.second, 0xABCD);
  EXPECT_EQ(decoded.third, 0x0012);

  EXPECT_EQ(pic::FormatProgramLine(1234, 0x0010, decoded, 8), "1234 0010 abcd 0012 0008");
  EXPECT_EQ(pic::FormatProgramLine(5'000'000'000, 0x2100, {0, 0, 0}, 31),
            "5000000000 2100 0000 0000 001f");
  EXPECT_EQ(pic::FormatProgramLine(-3, 0x12345, {0, 0xFFFF, 1}, 1), "-3 12345 ffff 0001 0001");
}

TEST(PicReportsTest, EraseRequestCarriesTheRevision) {
  auto report = Report();
  ASSERT_TRUE(pic::EncodeEraseRequest(report, false));
  EXPECT_EQ((std::vector<uint8_t>(report.begin(), report.begin() + 4)),
            (std::vector<uint8_t>{kUntouched, 0x77, 0x00, kUntouched}));
  ASSERT_TRUE(pic::EncodeEraseRequest(report, true));
  EXPECT_EQ(report[2], 0x01);

  auto shortReport = Report(2);
  EXPECT_FALSE(pic::EncodeEraseRequest(shortReport, true));
  EXPECT_EQ(shortReport, Report(2));
}

}  // namespace
