#include "motion/cut_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "motion/report_buffer.h"

namespace {

using motion::CutDirection;
using motion::QCutResult;
using motion_test::Range;
using motion_test::ReportBuffer;

TEST(CutEncodingTest, StepPeriodFollowsTimerChoice) {
  struct Case {
    uint32_t rate;
    int timer;
    uint64_t period;
  };
  const Case cases[] = {
      {20, 0, 20},  {20, 1, 40},
      {20, 2, 100}, {127, 2, 635},
      {1, 2, 5},    {20, -1, 20},  // no radio button selected: as at 10 kHz
      {20, 3, 20},  {0xFFFFFFFFu, 2, 5ull * 0xFFFFFFFFull},  // no 32-bit wrap into a short period
  };
  for (const Case& c : cases) {
    EXPECT_EQ(motion::StepPeriod(c.rate, c.timer), c.period) << c.rate << " timer " << c.timer;
  }
}

TEST(CutEncodingTest, ReversedPatternFlipsSelectedMotorsOnly) {
  const std::pair<uint32_t, uint8_t> cases[] = {
      {0xFF, 0xAA}, {0xAA, 0xFF}, {0x03, 0x02}, {0x02, 0x03},  {0x01, 0x00},
      {0x55, 0x00}, {0xC0, 0x80}, {0x00, 0x00}, {0x1FF, 0xAA},  // bits above 7 ignored
  };
  for (const auto& [motors, reversed] : cases) {
    EXPECT_EQ(motion::ReversedPattern(motors), reversed) << std::hex << motors;
  }
}

TEST(CutEncodingTest, CutCommandWritesLetterAndStepCountOnly) {
  const std::pair<uint32_t, uint8_t> cases[] = {{96, 0x60}, {128, 0x80}, {300, 0x2C}};
  for (const auto& [steps, byte2] : cases) {
    ReportBuffer buf;
    ASSERT_TRUE(motion::EncodeCutCommand(buf.bytes, steps));
    EXPECT_EQ(buf.bytes[1], 0x63);
    EXPECT_EQ(buf.bytes[2], byte2);
    EXPECT_TRUE(buf.UntouchedExcept({1, 2}));
  }

  ReportBuffer buf;
  EXPECT_FALSE(motion::EncodeCutCommand(std::span(buf.bytes).first(2), 96));
  EXPECT_TRUE(buf.Untouched());
}

TEST(CutEncodingTest, StepPairForEachDirectionAndTimer) {
  struct Case {
    CutDirection direction;
    uint32_t rate;
    int timer;
    uint32_t motors;
    uint8_t period;
    uint8_t pattern;
  };
  const Case cases[] = {
      {CutDirection::kForward, 20, 0, 255, 0x14, 0xFF},
      {CutDirection::kBack, 20, 0, 255, 0x14, 0xAA},
      {CutDirection::kForward, 20, 1, 255, 0x28, 0xFF},
      {CutDirection::kBack, 20, 1, 255, 0x14, 0xAA},      // Back sends the rate as entered
      {CutDirection::kForward, 97, 2, 0x03, 0xE5, 0x03},  // 485 ticks wrap to 0xE5
      {CutDirection::kForward, 52, 2, 0x03, 0x04, 0x03},  // 260 ticks wrap to 0x04
      {CutDirection::kBack, 97, 2, 0x03, 0x61, 0x02},
      {CutDirection::kForward, 20, 0, 300, 0x14, 0x2C},  // low 8 bits of the pattern
  };
  for (const Case& c : cases) {
    const motion::StepPair pair = motion::CutStepPair(c.direction, c.rate, c.timer, c.motors);
    EXPECT_EQ(pair.period, c.period) << "rate " << c.rate << " timer " << c.timer;
    EXPECT_EQ(pair.pattern, c.pattern) << "rate " << c.rate << " timer " << c.timer;
  }
}

TEST(CutEncodingTest, StepDataFillsEveryDataByteAndNothingElse) {
  // N = 96, R = 20 at 10 kHz, M = 255, D = 64.
  const size_t length = 65;
  for (CutDirection direction : {CutDirection::kForward, CutDirection::kBack}) {
    const uint8_t pattern = direction == CutDirection::kForward ? 0xFF : 0xAA;
    ReportBuffer buf;
    ASSERT_TRUE(
        motion::FillStepData(buf.bytes, length, motion::CutStepPair(direction, 20, 0, 255)));
    for (size_t i = 1; i <= 64; ++i) {
      EXPECT_EQ(buf.bytes[i], i % 2 == 1 ? 0x14 : pattern) << "byte " << i;
    }
    EXPECT_TRUE(buf.UntouchedExcept(Range(1, 64)));
    EXPECT_EQ(motion::StepDataReportCount(96, length), 3u);
  }
}

TEST(CutEncodingTest, StepDataRefusesBufferShorterThanReport) {
  ReportBuffer buf;
  EXPECT_FALSE(motion::FillStepData(std::span(buf.bytes).first(64), 65, {0x14, 0xFF}));
  EXPECT_TRUE(buf.Untouched());

  ASSERT_TRUE(motion::FillStepData(buf.bytes, 256, {0x14, 0xFF}));  // D = 255: ends on a period
  EXPECT_EQ(buf.bytes[255], 0x14);
  EXPECT_EQ(buf.bytes[254], 0xFF);
  EXPECT_TRUE(buf.UntouchedExcept(Range(1, 255)));
}

TEST(CutEncodingTest, StepDataReportCount) {
  struct Case {
    uint32_t steps;
    size_t length;  // output report length, D + 1
    uint64_t count;
  };
  const uint32_t kMaxSteps = std::numeric_limits<uint32_t>::max();
  const Case cases[] = {
      {128, 9, 32},
      {5, 9, 2},
      {1, 9, 1},
      {4, 9, 1},
      {0, 9, 0},
      {96, 65, 3},
      {32, 65, 1},
      {33, 65, 2},
      // Odd D counts bytes, not whole pairs: 14 bytes fill two reports of 7.
      {7, 8, 2},
      {3, 8, 1},
      {4, 8, 2},
      {128, 256, 2},  // D = 255
      {127, 256, 1},
      {5, 2, 10},  // one data byte a report
      {5, 1, 0},   // no data byte at all
      {5, 0, 0},
      // 2N does not fit in 32 bits here.
      {kMaxSteps, 3, kMaxSteps},
      {kMaxSteps, 65, 134217728},
      {kMaxSteps, 256, 33686018},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(motion::StepDataReportCount(c.steps, c.length), c.count)
        << "N " << c.steps << " L " << c.length;
  }
}

TEST(CutEncodingTest, StepDataReportsAreTheFewestThatHoldEveryStepPair) {
  for (size_t length = 2; length <= 256; ++length) {
    const uint64_t d = length - 1;
    for (uint32_t steps : {1u, 2u, 63u, 64u, 65u, 127u, 128u, 255u}) {
      const uint64_t count = motion::StepDataReportCount(steps, length);
      EXPECT_GE(count * d, 2ull * steps) << "N " << steps << " L " << length;
      EXPECT_LT((count - 1) * d, 2ull * steps) << "N " << steps << " L " << length;
    }
  }
}

struct QCase {
  uint64_t period;
  std::vector<uint8_t> bytes;  // from byte 1 to byte 2a + 4
};

TEST(CutEncodingTest, QCommandLayouts) {
  std::vector<uint8_t> p480 = {0x71, 0x40, 0x0F, 0x1F};
  p480.resize(66, 0x00);  // zeros from byte 5 to 64, then n = 0 in bytes 65 and 66
  const QCase cases[] = {
      {5, {0x71, 0x04, 0x0F, 0x01, 0x55, 0x55}},
      {0, {0x71, 0x04, 0x0F, 0x01, 0x00, 0x00}},
      {15, {0x71, 0x04, 0x0F, 0x01, 0xFF, 0xFF}},
      {16, {0x71, 0x06, 0x0F, 0x02, 0x00, 0x00, 0x00, 0x00}},
      {20, {0x71, 0x06, 0x0F, 0x02, 0x00, 0x00, 0x44, 0x44}},
      {479, {}},  // checked below through its length only
      {480, p480},
  };
  for (const QCase& c : cases) {
    ReportBuffer buf;
    ASSERT_EQ(motion::EncodeQCut(buf.bytes, 256, c.period, CutDirection::kForward), QCutResult::kOk)
        << "P " << c.period;
    const size_t last = size_t{buf.bytes[2]} + 2;
    EXPECT_TRUE(buf.UntouchedExcept(Range(1, last))) << "P " << c.period;
    if (c.bytes.empty()) continue;
    ASSERT_EQ(last, c.bytes.size()) << "P " << c.period;
    for (size_t i = 0; i < c.bytes.size(); ++i) {
      EXPECT_EQ(buf.bytes[i + 1], c.bytes[i]) << "P " << c.period << " byte " << i + 1;
    }
  }
}

TEST(CutEncodingTest, QCommandBackDiffersOnlyInDirection) {
  for (uint64_t period : {5u, 20u, 480u}) {
    ReportBuffer forward;
    ReportBuffer back;
    ASSERT_EQ(motion::EncodeQCut(forward.bytes, 256, period, CutDirection::kForward),
              QCutResult::kOk);
    ASSERT_EQ(motion::EncodeQCut(back.bytes, 256, period, CutDirection::kBack), QCutResult::kOk);
    EXPECT_EQ(back.bytes[3], 0x00);
    forward.bytes[3] = 0x00;
    EXPECT_EQ(forward.bytes, back.bytes) << "P " << period;
  }
}

TEST(CutEncodingTest, QCommandRefusalsWriteNothing) {
  struct Case {
    uint64_t period;
    size_t length;
    size_t bufferSize;
    QCutResult result;
  };
  const Case cases[] = {
      {481, 256, 256, QCutResult::kPeriodTooLong},
      {485, 256, 256, QCutResult::kPeriodTooLong},  // R = 97 at 50 kHz
      {5ull * 0xFFFFFFFFull, 256, 256, QCutResult::kPeriodTooLong},
      {480, 66, 256, QCutResult::kDoesNotFit},  // last byte 66 needs L = 67
      {480, 65, 256, QCutResult::kDoesNotFit},  // a 64-data-byte board
      {5, 6, 256, QCutResult::kDoesNotFit},
      {5, 256, 6, QCutResult::kDoesNotFit},  // buffer shorter than the command
  };
  for (const Case& c : cases) {
    ReportBuffer buf;
    EXPECT_EQ(motion::EncodeQCut(std::span(buf.bytes).first(c.bufferSize), c.length, c.period,
                                 CutDirection::kForward),
              c.result)
        << "P " << c.period << " L " << c.length;
    EXPECT_TRUE(buf.Untouched()) << "P " << c.period << " L " << c.length;
  }

  // Just fitting: the last byte sits at L - 1.
  ReportBuffer buf;
  EXPECT_EQ(motion::EncodeQCut(buf.bytes, 67, 480, CutDirection::kForward), QCutResult::kOk);
  EXPECT_EQ(motion::EncodeQCut(buf.bytes, 7, 5, CutDirection::kForward), QCutResult::kOk);
  EXPECT_EQ(motion::EncodeQCut(buf.bytes, 43, 300, CutDirection::kBack), QCutResult::kOk);
  EXPECT_EQ(motion::EncodeQCut(buf.bytes, 42, 300, CutDirection::kBack), QCutResult::kDoesNotFit);
}

TEST(CutEncodingTest, NominalCutDuration) {
  struct Case {
    uint32_t steps;
    uint64_t period;
    int timer;
    uint64_t us;
  };
  const Case cases[] = {
      {96, 20, 0, 192000},
      {128, 127, 0, 1625600},
      {128, 254, 1, 1625600},
      {128, 255, 2, 652800},
      {1, 480, 2, 9600},
      {10, 20, -1, 20000},
      {0, 100, 0, 0},
      {0xFFFFFFFFu, std::numeric_limits<uint64_t>::max() / 50, 0,
       std::numeric_limits<uint64_t>::max()},  // saturates instead of wrapping
  };
  for (const Case& c : cases) {
    EXPECT_EQ(motion::NominalCutDurationUs(c.steps, c.period, c.timer), c.us)
        << c.steps << " x " << c.period << " timer " << c.timer;
  }
}

TEST(CutEncodingTest, BusyLimitCoversEveryCutThePanelCanAskFor) {
  // Within the checked fields every form and timer stays at 12.7 ms a step.
  uint64_t longestCheckedUs = 0;
  for (int timer = 0; timer <= 2; ++timer) {
    for (uint32_t rate = 1; rate <= 127; ++rate) {
      for (CutDirection direction : {CutDirection::kForward, CutDirection::kBack}) {
        const motion::StepPair pair = motion::CutStepPair(direction, rate, timer, 255);
        const uint64_t us = motion::NominalCutDurationUs(128, pair.period, timer);
        longestCheckedUs = std::max(longestCheckedUs, us);
      }
    }
  }
  EXPECT_EQ(longestCheckedUs, 1625600u);

  // Unchecked fields still go out: one byte of steps, one byte of period, 100 us ticks.
  const uint64_t longestOnWireUs = motion::NominalCutDurationUs(255, 255, 0);
  EXPECT_EQ(longestOnWireUs, 6502500u);
  EXPECT_GE(uint64_t{motion::kMaxBoardBusyMs} * 1000, 3 * longestOnWireUs);
}

}  // namespace
