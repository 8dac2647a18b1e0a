#pragma once

// Byte layouts of the one-report test commands: the status query 's', motor power 'o' and the
// buffer test 'T', and the reading of the status reply. Buffers are indexed as the link sends
// them: index 0 is the report id byte, which the link sets. Encoders write only the bytes listed;
// each returns false and writes nothing when the buffer is too short for its layout.

#include <cstdint>
#include <span>
#include <string>

namespace motion {

// 's': byte 1 = 's'.
bool EncodeStatusRequest(std::span<uint8_t> report);

// 'o': byte 1 = 'o', byte 2 = 1 for on, 0 for off.
bool EncodeMotorPower(std::span<uint8_t> report, bool on);

// 'T': byte 1 = 'T', byte 2 = low 8 bits of the motor pattern.
bool EncodeBufferTest(std::span<uint8_t> report, uint32_t motors);

// Log line of a status reply: bytes 1..8 of the input report, each as a signed 8-bit value
// widened to int and printed "%x", one space apart (0x80 prints "ffffff80"). Bytes missing from a
// short buffer count as 0.
std::string FormatStatusLine(std::span<const uint8_t> reply);

// Busy count: reply byte 1 as a signed 8-bit value; 0 means idle. 0 for a buffer without byte 1.
int BusyCount(std::span<const uint8_t> reply);

// Log line of one idle-wait query: the busy count as "%d".
std::string FormatBusyCount(int busyCount);

// Pause between idle-wait queries: 2 ms per unit of the busy count. A negative count (reply byte
// 0x80..0xFF) gives no usable pause and pauses 0 ms.
uint32_t IdleWaitPauseMs(int busyCount);

}  // namespace motion
