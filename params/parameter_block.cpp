#include "params/parameter_block.h"

#include "params/parameter_tables.h"

namespace params {

namespace {

int Signed(uint8_t byte) {
  return static_cast<int8_t>(byte);
}

// The board keeps a duration as µs / 2 in one unsigned byte: 0 to 510 µs.
int DurationUs(uint8_t byte) {
  return 2 * static_cast<int>(byte);
}

uint8_t Low8(int value) {
  return static_cast<uint8_t>(value & 0xFF);
}

// Halving divides toward zero, so 15 µs travels as 7 and 300 µs as 150 (0x96).
uint8_t HalvedDuration(int us) {
  return Low8(us / 2);
}

void PutHeader(std::span<uint8_t> outReport, uint8_t command, int blockNumber) {
  outReport[1] = command;
  outReport[2] = Low8(blockNumber);
}

}  // namespace

bool EncodeReadRequest(std::span<uint8_t> outReport, int blockNumber) {
  if (outReport.size() < kReadRequestBytes) return false;
  PutHeader(outReport, kCommandReadBlock, blockNumber);
  return true;
}

bool DecodeTimingReply(std::span<const uint8_t> inReport, int generation, ParameterBlock& block) {
  if (inReport.size() < kTimingReplyBytes) return false;
  const int timer = Signed(inReport[1]);
  if (TimerPeriodUs(timer)) block.timerChoice = timer;
  block.protocolV2 = Signed(inReport[2]) == 1 ? 1 : 0;
  block.stepDurationUs = DurationUs(inReport[3]);
  block.dirDelayUs = DurationUs(inReport[4]);
  block.braxoMode = Signed(inReport[5]) == 1 ? 1 : 0;
  if (ReadsStepMode(generation)) block.stepMode = Signed(inReport[6]);
  return true;
}

bool DecodePinReply(std::span<const uint8_t> inReport, ParameterBlock& block) {
  if (inReport.size() < kPinReplyBytes) return false;
  for (size_t i = 0; i < block.pin.size(); ++i) block.pin[i] = Signed(inReport[1 + i]);
  return true;
}

bool DecodeMotorOnReply(std::span<const uint8_t> inReport, ParameterBlock& block) {
  if (inReport.size() < kMotorOnReplyBytes) return false;
  block.motorOnPin = Signed(inReport[1]);
  block.activeHigh = inReport[2] != 0;
  return true;
}

bool EncodeTimingWrite(std::span<uint8_t> outReport, const ParameterBlock& block) {
  if (outReport.size() < kTimingWriteBytes) return false;
  PutHeader(outReport, kCommandWriteBlock, kTimingBlock);
  outReport[3] = HalvedDuration(block.dirDelayUs);
  outReport[4] = HalvedDuration(block.stepDurationUs);
  outReport[5] = block.braxoMode == 1 ? 1 : 0;
  outReport[6] = Low8(block.timerChoice);
  // Written at generation 3 too, rather than leaving a previous command's byte there.
  outReport[7] = Low8(block.stepMode);
  outReport[8] = 0;
  outReport[9] = 0;
  outReport[10] = 0;
  return true;
}

bool EncodePinWrite(std::span<uint8_t> outReport, const ParameterBlock& block) {
  if (outReport.size() < kPinWriteBytes) return false;
  PutHeader(outReport, kCommandWriteBlock, kPinBlock);
  for (size_t i = 0; i < block.pin.size(); ++i) outReport[3 + i] = Low8(block.pin[i]);
  return true;
}

bool EncodeMotorOnWrite(std::span<uint8_t> outReport, const ParameterBlock& block) {
  if (outReport.size() < kMotorOnWriteBytes) return false;
  PutHeader(outReport, kCommandWriteBlock, kMotorOnBlock);
  outReport[3] = Low8(block.motorOnPin);
  outReport[4] = block.activeHigh ? 1 : 0;
  return true;
}

}  // namespace params
