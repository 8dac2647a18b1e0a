#include "motion/motion_reports.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "motion/report_buffer.h"

namespace {

using motion_test::ReportBuffer;

TEST(MotionReportsTest, OneReportCommandsWriteOnlyTheirBytes) {
  {
    ReportBuffer buf;
    ASSERT_TRUE(motion::EncodeStatusRequest(buf.bytes));
    EXPECT_EQ(buf.bytes[1], 0x73);
    EXPECT_TRUE(buf.UntouchedExcept({1}));
  }
  for (const auto& [on, state] : {std::pair{true, 0x01}, std::pair{false, 0x00}}) {
    ReportBuffer buf;
    ASSERT_TRUE(motion::EncodeMotorPower(buf.bytes, on));
    EXPECT_EQ(buf.bytes[1], 0x6F);
    EXPECT_EQ(buf.bytes[2], state);
    EXPECT_TRUE(buf.UntouchedExcept({1, 2}));
  }
  for (const auto& [motors, byte2] : {std::pair{255u, 0xFF}, std::pair{300u, 0x2C}}) {
    ReportBuffer buf;
    ASSERT_TRUE(motion::EncodeBufferTest(buf.bytes, motors));
    EXPECT_EQ(buf.bytes[1], 0x54);
    EXPECT_EQ(buf.bytes[2], byte2);
    EXPECT_TRUE(buf.UntouchedExcept({1, 2}));
  }
}

TEST(MotionReportsTest, ShortBuffersAreRefusedUntouched) {
  ReportBuffer buf;
  const auto two = std::span(buf.bytes).first(2);
  EXPECT_FALSE(motion::EncodeStatusRequest(std::span(buf.bytes).first(1)));
  EXPECT_FALSE(motion::EncodeMotorPower(two, true));
  EXPECT_FALSE(motion::EncodeBufferTest(two, 255));
  EXPECT_TRUE(buf.Untouched());
}

TEST(MotionReportsTest, StatusLineShowsSignedBytesInHex) {
  struct Case {
    std::array<uint8_t, 9> reply;  // byte 0 is the report id and is not shown
    std::string line;
  };
  const Case cases[] = {
      {{0x00, 0x01, 0x00, 0x7F, 0x80, 0xFF, 0x00, 0x00, 0x10}, "1 0 7f ffffff80 ffffffff 0 0 10"},
      {{0x00, 0, 0, 0, 0, 0, 0, 0, 0}, "0 0 0 0 0 0 0 0"},
      {{0xEE, 0xAB, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC3}, "ffffffab a 0 0 0 0 0 ffffffc3"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(motion::FormatStatusLine(c.reply), c.line);
  }
  // Only bytes 1 to 8 count, whatever follows.
  std::array<uint8_t, 256> full{};
  full[8] = 0x10;
  full[9] = 0xFF;
  EXPECT_EQ(motion::FormatStatusLine(full), "0 0 0 0 0 0 0 10");
  const std::array<uint8_t, 3> shortReply = {0x00, 0x05, 0x80};
  EXPECT_EQ(motion::FormatStatusLine(shortReply), "5 ffffff80 0 0 0 0 0 0");
}

TEST(MotionReportsTest, BusyCountLineAndPause) {
  struct Case {
    uint8_t byte1;
    int busy;
    std::string line;
    uint32_t pauseMs;
  };
  const Case cases[] = {
      {0x00, 0, "0", 0},       {0x01, 1, "1", 2},       {0x05, 5, "5", 10},
      {0x7F, 127, "127", 254}, {0x80, -128, "-128", 0}, {0xFF, -1, "-1", 0},
  };
  for (const Case& c : cases) {
    const std::array<uint8_t, 9> reply = {0x00, c.byte1, 0x33};
    const int busy = motion::BusyCount(reply);
    EXPECT_EQ(busy, c.busy);
    EXPECT_EQ(motion::FormatBusyCount(busy), c.line);
    EXPECT_EQ(motion::IdleWaitPauseMs(busy), c.pauseMs) << c.busy;
  }
}

}  // namespace
