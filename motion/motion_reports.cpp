#include "motion/motion_reports.h"

#include <cstdio>

namespace motion {

namespace {

constexpr uint8_t kStatusLetter = 's';
constexpr uint8_t kMotorPowerLetter = 'o';
constexpr uint8_t kBufferTestLetter = 'T';
constexpr size_t kStatusBytes = 8;

int SignedByte(uint8_t value) {
  return static_cast<int>(static_cast<int8_t>(value));
}

uint8_t ReplyByte(std::span<const uint8_t> reply, size_t index) {
  return index < reply.size() ? reply[index] : 0;
}

}  // namespace

bool EncodeStatusRequest(std::span<uint8_t> report) {
  if (report.size() < 2) return false;
  report[1] = kStatusLetter;
  return true;
}

bool EncodeMotorPower(std::span<uint8_t> report, bool on) {
  if (report.size() < 3) return false;
  report[1] = kMotorPowerLetter;
  report[2] = on ? 1 : 0;
  return true;
}

bool EncodeBufferTest(std::span<uint8_t> report, uint32_t motors) {
  if (report.size() < 3) return false;
  report[1] = kBufferTestLetter;
  report[2] = static_cast<uint8_t>(motors & 0xFFu);
  return true;
}

std::string FormatStatusLine(std::span<const uint8_t> reply) {
  std::string line;
  for (size_t i = 1; i <= kStatusBytes; ++i) {
    char text[16];
    // Widened to int and printed as unsigned hex, so negative bytes show all 32 bits.
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(SignedByte(ReplyByte(reply, i))));
    if (i > 1) line += ' ';
    line += text;
  }
  return line;
}

int BusyCount(std::span<const uint8_t> reply) {
  return SignedByte(ReplyByte(reply, 1));
}

std::string FormatBusyCount(int busyCount) {
  return std::to_string(busyCount);
}

uint32_t IdleWaitPauseMs(int busyCount) {
  return busyCount > 0 ? 2 * static_cast<uint32_t>(busyCount) : 0;
}

}  // namespace motion
