// ParameterBlock: the parameters the ZBK board stores, and the byte layouts in which its three
// blocks are read ('I') and written ('a').
//
// Reports are addressed as HidLink holds them: index 0 is the report id, the command letter is
// at index 1. Encoders write only the bytes their layout lists; everything else in the shared
// output report keeps what the previous command left. Every reply byte is read as signed 8-bit,
// except the two durations, which are unsigned.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "params/parameter_ids.h"

namespace params {

inline constexpr uint8_t kCommandVersion = 'v';     // 0x76
inline constexpr uint8_t kCommandReadBlock = 'I';   // 0x49
inline constexpr uint8_t kCommandWriteBlock = 'a';  // 0x61

inline constexpr int kTimingBlock = 0;
inline constexpr int kPinBlock = 1;
inline constexpr int kMotorOnBlock = 2;

// Bytes a request needs in the output report, report id included.
inline constexpr size_t kReadRequestBytes = 3;
inline constexpr size_t kTimingWriteBytes = 11;
inline constexpr size_t kPinWriteBytes = 11;
inline constexpr size_t kMotorOnWriteBytes = 5;

// Bytes a reply needs in the input report, report id included.
inline constexpr size_t kTimingReplyBytes = 7;
inline constexpr size_t kPinReplyBytes = 9;
inline constexpr size_t kMotorOnReplyBytes = 3;

struct ParameterBlock {
  // Block 0, the timing block.
  int timerChoice = 0;     // 0 = 10 kHz, 1 = 20 kHz, 2 = 50 kHz
  int protocolV2 = 0;      // read back only, never written
  int stepDurationUs = 0;  // carried halved
  int dirDelayUs = 0;      // carried halved
  int braxoMode = 0;
  int stepMode = 0;  // micro-step mode index 0..4
  // Block 1: data-bit numbers as on the wire, Motor1..4 Step then Motor1..4 Dir.
  std::array<int, kPinListCount> pin{};
  // Block 2, the motor-on block.
  int motorOnPin = 0;  // 0 = "Pin1", 1 = "Pin17"
  bool activeHigh = false;

  friend bool operator==(const ParameterBlock&, const ParameterBlock&) = default;
};

// 'I' request: byte 1 = 'I', byte 2 = block number. False, and nothing written, when the
// report is too short.
bool EncodeReadRequest(std::span<uint8_t> outReport, int blockNumber);

// Reply to 'I' 0, bytes 1..6: timer choice (taken only when 0, 1 or 2), ProtocolV2 (set only
// when exactly 1), step duration / 2, dir delay / 2, BRAXO mode (on only when exactly 1), step
// mode (not read at generation 3, where the field keeps its value). Durations come back as
// twice the unsigned byte, 0 to 510. False, and `block` untouched, when the report is short.
bool DecodeTimingReply(std::span<const uint8_t> inReport, int generation, ParameterBlock& block);

// Reply to 'I' 1: bytes 1..8 are the eight pin bytes, signed.
bool DecodePinReply(std::span<const uint8_t> inReport, ParameterBlock& block);

// Reply to 'I' 2: byte 1 the motor-on pin, signed; byte 2 nonzero = active high.
bool DecodeMotorOnReply(std::span<const uint8_t> inReport, ParameterBlock& block);

// 'a' 0, bytes 1..10: 'a', 0, dirDelayUs / 2, stepDurationUs / 2 (halved toward zero, low
// 8 bits), braxoMode (1 only when exactly 1), timerChoice, stepMode (low 8 bits, at every
// generation), then 0, 0, 0.
bool EncodeTimingWrite(std::span<uint8_t> outReport, const ParameterBlock& block);

// 'a' 1, bytes 1..10: 'a', 1, then the low 8 bits of the eight pin bytes.
bool EncodePinWrite(std::span<uint8_t> outReport, const ParameterBlock& block);

// 'a' 2, bytes 1..4: 'a', 2, motorOnPin (low 8 bits), activeHigh 1 or 0. Bytes 5 and on are
// not written.
bool EncodeMotorOnWrite(std::span<uint8_t> outReport, const ParameterBlock& block);

}  // namespace params
