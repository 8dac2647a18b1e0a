#include "params/parameter_block.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <vector>

#include "params/parameter_tables.h"

namespace params {
namespace {

constexpr uint8_t kOld = 0xA5;  // what a previous command left in the shared buffer

// The shared 256-byte output report, full of an earlier command's bytes.
class ParamsBlockWrite : public testing::Test {
 protected:
  ParamsBlockWrite() { out.fill(kOld); }

  // Every byte outside `written` still holds what was there before.
  void ExpectOnlyWritten(std::set<size_t> written) const {
    for (size_t i = 0; i < out.size(); ++i) {
      if (!written.count(i)) {
        EXPECT_EQ(out[i], kOld) << "byte " << i << " was touched";
      }
    }
  }

  std::vector<uint8_t> Bytes(size_t from, size_t to) const {
    return {out.begin() + static_cast<std::ptrdiff_t>(from),
            out.begin() + static_cast<std::ptrdiff_t>(to) + 1};
  }

  std::array<uint8_t, 256> out{};
};

// An input report holding `data` from byte 1 on.
std::array<uint8_t, 256> Reply(std::vector<uint8_t> data) {
  std::array<uint8_t, 256> in{};
  for (size_t i = 0; i < data.size(); ++i) in[1 + i] = data[i];
  return in;
}

ParameterBlock Sentinel() {
  ParameterBlock b;
  b.timerChoice = 1;
  b.protocolV2 = 1;
  b.stepDurationUs = 77;
  b.dirDelayUs = 33;
  b.braxoMode = 1;
  b.stepMode = 4;
  b.pin = {9, 9, 9, 9, 9, 9, 9, 9};
  b.motorOnPin = 5;
  b.activeHigh = true;
  return b;
}

// ---- Read requests -----------------------------------------------------------------------------

TEST_F(ParamsBlockWrite, ReadRequestWritesLetterAndBlockOnly) {
  for (int block : {0, 1, 2}) {
    ASSERT_TRUE(EncodeReadRequest(out, block));
    EXPECT_EQ(out[1], 0x49);
    EXPECT_EQ(out[2], block);
  }
  ExpectOnlyWritten({1, 2});
}

// ---- Timing block --------------------------------------------------------------------------

TEST(ParamsBlockRead, TimingReplyFields) {
  struct Case {
    std::vector<uint8_t> bytes;  // reply bytes 1..8
    int generation;
    int timerChoice, protocolV2, stepDuration, dirDelay, braxoMode, stepMode;
  };
  const Case cases[] = {
      {{0, 1, 25, 7, 1, 3, 0x11, 0x22}, 2, 0, 1, 50, 14, 1, 3},
      {{1, 0, 5, 0, 0, 0}, 2, 1, 0, 10, 0, 0, 0},
      {{2, 2, 1, 1, 2, 4}, 1, 2, 0, 2, 2, 0, 4},
      // Duration bytes are unsigned: 0xC8 reads back as 400 µs, 0xFF as 510.
      {{0, 0, 0xC8, 0x80, 0, 0}, 2, 0, 0, 400, 256, 0, 0},
      {{0, 0xFF, 0x7F, 0xFF, 0xFF, 0}, 2, 0, 0, 254, 510, 0, 0},
      {{0, 0, 0x96, 0x81, 0, 0}, 2, 0, 0, 300, 258, 0, 0},
      // Timer byte outside 0..2 keeps the choice (1 in the sentinel).
      {{3, 0, 0, 0, 0, 0}, 2, 1, 0, 0, 0, 0, 0},
      {{0xFF, 0, 0, 0, 0, 0}, 2, 1, 0, 0, 0, 0, 0},
      // Generation 3 does not read the step mode (4 in the sentinel).
      {{0, 0, 0, 0, 0, 2}, 3, 0, 0, 0, 0, 0, 4},
      // An out-of-range or negative step mode is still taken.
      {{0, 0, 0, 0, 0, 0xFF}, kGenerationUnknown, 0, 0, 0, 0, 0, -1},
      {{0, 0, 0, 0, 0, 9}, 0, 0, 0, 0, 0, 0, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "timer byte " << int(c.bytes[0]) << " gen " << c.generation);
    ParameterBlock b = Sentinel();
    ASSERT_TRUE(DecodeTimingReply(Reply(c.bytes), c.generation, b));
    EXPECT_EQ(b.timerChoice, c.timerChoice);
    EXPECT_EQ(b.protocolV2, c.protocolV2);
    EXPECT_EQ(b.stepDurationUs, c.stepDuration);
    EXPECT_EQ(b.dirDelayUs, c.dirDelay);
    EXPECT_EQ(b.braxoMode, c.braxoMode);
    EXPECT_EQ(b.stepMode, c.stepMode);
    // The other blocks' fields are not the timing reply's business.
    EXPECT_EQ(b.pin, Sentinel().pin);
    EXPECT_EQ(b.motorOnPin, Sentinel().motorOnPin);
    EXPECT_TRUE(b.activeHigh);
  }
}

TEST_F(ParamsBlockWrite, TimingWriteLayout) {
  struct Case {
    int dirDelay, stepDuration, braxoMode, timerChoice, stepMode;
    std::vector<uint8_t> bytes3to10;
  };
  const Case cases[] = {
      // BRAXO values: 14 and 50 µs travel as 7 and 25.
      {14, 50, 1, 0, 0, {7, 25, 1, 0, 0, 0, 0, 0}},
      // 15 µs halves toward zero to 7.
      {0, 15, 0, 2, 4, {0, 7, 0, 2, 4, 0, 0, 0}},
      // 256 to 510 µs go out as the bytes a read-back gives them from.
      {256, 400, 0, 1, 1, {0x80, 0xC8, 0, 1, 1, 0, 0, 0}},
      {510, 254, 0, 0, 0, {0xFF, 0x7F, 0, 0, 0, 0, 0, 0}},
      {511, 300, 0, 0, 0, {0xFF, 0x96, 0, 0, 0, 0, 0, 0}},
      // Only exactly 1 is BRAXO mode; timer and step mode are their low 8 bits.
      {2, 2, 2, -1, -1, {1, 1, 0, 0xFF, 0xFF, 0, 0, 0}},
      {2, 2, -1, 256, 257, {1, 1, 0, 0, 1, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dirDelay << "/" << c.stepDuration);
    ParameterBlock b = Sentinel();
    b.dirDelayUs = c.dirDelay;
    b.stepDurationUs = c.stepDuration;
    b.braxoMode = c.braxoMode;
    b.timerChoice = c.timerChoice;
    b.stepMode = c.stepMode;
    ASSERT_TRUE(EncodeTimingWrite(out, b));
    EXPECT_EQ(out[1], 0x61);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(Bytes(3, 10), c.bytes3to10);
  }
  ExpectOnlyWritten({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
}

TEST_F(ParamsBlockWrite, ReadBackDurationsRoundTripToTheirByte) {
  for (int byte = 0; byte <= 255; ++byte) {
    ParameterBlock b;
    const auto in = Reply({0, 0, uint8_t(byte), uint8_t(byte), 0, 0});
    ASSERT_TRUE(DecodeTimingReply(in, 2, b));
    ASSERT_EQ(FirstDurationOutOfRange(b.stepDurationUs, b.dirDelayUs), DurationField::kNone);
    ASSERT_TRUE(EncodeTimingWrite(out, b));
    EXPECT_EQ(out[3], byte);
    EXPECT_EQ(out[4], byte);
  }
}

TEST_F(ParamsBlockWrite, StepDurationOfFifteenReadsBackAsFourteen) {
  ParameterBlock b;
  b.stepDurationUs = 15;
  ASSERT_TRUE(EncodeTimingWrite(out, b));
  // A board that stores the byte answers 'I' 0 with it at reply byte 3.
  ParameterBlock back;
  ASSERT_TRUE(DecodeTimingReply(Reply({0, 0, out[4], out[3], 0, 0}), 2, back));
  EXPECT_EQ(back.stepDurationUs, 14);
}

TEST_F(ParamsBlockWrite, GenerationThreeStepModeIsWrittenLikeAnyOther) {
  // The timing write has no generation input: byte 7 is always the step mode, never an old byte.
  ParameterBlock b;
  for (const int mode : {3, 0, 4}) {
    out[7] = 0xAA;  // what an earlier report left there
    b.stepMode = mode;
    ASSERT_TRUE(EncodeTimingWrite(out, b));
    EXPECT_EQ(out[7], mode);
  }
}

// ---- Pin block -----------------------------------------------------------------------------

TEST(ParamsBlockRead, PinReplyTakesEightSignedBytes) {
  ParameterBlock b = Sentinel();
  ASSERT_TRUE(DecodePinReply(Reply({1, 3, 5, 7, 0, 2, 0xFF, 0x80, 0x55}), b));
  EXPECT_EQ(b.pin, (std::array<int, 8>{1, 3, 5, 7, 0, 2, -1, -128}));
  EXPECT_EQ(b.timerChoice, Sentinel().timerChoice);
  EXPECT_EQ(b.motorOnPin, Sentinel().motorOnPin);
}

TEST_F(ParamsBlockWrite, PinWriteLayout) {
  struct Case {
    int generation;
    std::array<int, 8> entries;  // list selections, m_nPinIndex order
    std::vector<uint8_t> bytes3to10;
  };
  const Case cases[] = {
      // Generation 1, Step lists on "Pin3(D1)", Dir lists on "Pin2(D0)".
      {1, {0, 0, 0, 0, 0, 0, 0, 0}, {1, 1, 1, 1, 0, 0, 0, 0}},
      {1, {0, 1, 2, 3, 3, 2, 1, 0}, {1, 3, 5, 7, 6, 4, 2, 0}},
      // No selection: 0xFF, and 0xFE for a Dir list at generation 1.
      {1, {-1, -1, -1, -1, -1, -1, -1, -1}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFE, 0xFE, 0xFE}},
      // Generation 0 lists never filled.
      {0, {-1, -1, -1, -1, -1, -1, -1, -1}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {2, {1, 3, 5, 7, 0, 2, 4, 6}, {1, 3, 5, 7, 0, 2, 4, 6}},
      {kGenerationUnknown, {7, 6, 5, 4, 3, 2, 1, -1}, {7, 6, 5, 4, 3, 2, 1, 0xFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "gen " << c.generation);
    ParameterBlock b = Sentinel();
    b.pin = PinBytesForEntries(c.entries, c.generation);
    ASSERT_TRUE(EncodePinWrite(out, b));
    EXPECT_EQ(out[1], 0x61);
    EXPECT_EQ(out[2], 1);
    EXPECT_EQ(Bytes(3, 10), c.bytes3to10);
  }
  ExpectOnlyWritten({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
}

// ---- Motor-on block ------------------------------------------------------------------------

TEST(ParamsBlockRead, MotorOnReply) {
  struct Case {
    uint8_t pin, activeHigh;
    int motorOnPin;
    bool expectHigh;
  };
  const Case cases[] = {
      {1, 1, 1, true}, {0, 0, 0, false}, {0, 0x80, 0, true}, {0xFF, 2, -1, true}, {2, 0, 2, false},
  };
  for (const Case& c : cases) {
    ParameterBlock b = Sentinel();
    b.activeHigh = !c.expectHigh;
    ASSERT_TRUE(DecodeMotorOnReply(Reply({c.pin, c.activeHigh, 0x77}), b));
    EXPECT_EQ(b.motorOnPin, c.motorOnPin);
    EXPECT_EQ(b.activeHigh, c.expectHigh);
    EXPECT_EQ(b.pin, Sentinel().pin);
  }
}

TEST_F(ParamsBlockWrite, MotorOnWriteLeavesThePinBlockBytesBehindIt) {
  ParameterBlock b = Sentinel();
  b.pin = {1, 3, 5, 7, 0, 2, 4, 6};
  ASSERT_TRUE(EncodePinWrite(out, b));
  b.motorOnPin = -1;
  b.activeHigh = false;
  ASSERT_TRUE(EncodeMotorOnWrite(out, b));
  EXPECT_EQ(Bytes(1, 4), (std::vector<uint8_t>{0x61, 2, 0xFF, 0}));
  EXPECT_EQ(Bytes(5, 10), (std::vector<uint8_t>{5, 7, 0, 2, 4, 6}));
  b.motorOnPin = 1;
  b.activeHigh = true;
  ASSERT_TRUE(EncodeMotorOnWrite(out, b));
  EXPECT_EQ(Bytes(1, 4), (std::vector<uint8_t>{0x61, 2, 1, 1}));
  ExpectOnlyWritten({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
}

TEST_F(ParamsBlockWrite, MotorOnWriteTouchesBytesOneToFourOnly) {
  ParameterBlock b;
  b.motorOnPin = 1;
  b.activeHigh = true;
  ASSERT_TRUE(EncodeMotorOnWrite(out, b));
  EXPECT_EQ(Bytes(1, 4), (std::vector<uint8_t>{0x61, 2, 1, 1}));
  ExpectOnlyWritten({1, 2, 3, 4});
}

// ---- Short buffers ---------------------------------------------------------------------------

TEST(ParamsBlockBounds, ShortReportsAreRefusedUntouched) {
  std::array<uint8_t, 10> shortOut;
  shortOut.fill(kOld);
  const ParameterBlock b = Sentinel();
  EXPECT_FALSE(EncodeTimingWrite(shortOut, b));
  EXPECT_FALSE(EncodePinWrite(shortOut, b));
  EXPECT_FALSE(EncodeMotorOnWrite(std::span(shortOut).first(4), b));
  EXPECT_FALSE(EncodeReadRequest(std::span(shortOut).first(2), 0));
  for (uint8_t byte : shortOut) EXPECT_EQ(byte, kOld);
  // Exactly long enough is fine.
  EXPECT_TRUE(EncodeMotorOnWrite(std::span(shortOut).first(5), b));
  EXPECT_TRUE(EncodeReadRequest(std::span(shortOut).first(3), 0));

  const std::array<uint8_t, 8> shortIn = {0, 1, 1, 1, 1, 1, 1, 1};
  ParameterBlock read = Sentinel();
  EXPECT_FALSE(DecodePinReply(shortIn, read));
  EXPECT_FALSE(DecodeTimingReply(std::span(shortIn).first(6), 2, read));
  EXPECT_FALSE(DecodeMotorOnReply(std::span(shortIn).first(2), read));
  EXPECT_EQ(read, Sentinel());
  EXPECT_TRUE(DecodeTimingReply(std::span(shortIn).first(7), 2, read));
}

}  // namespace
}  // namespace params
