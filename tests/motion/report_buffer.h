#pragma once

// A 256-byte report buffer prefilled with a recognisable pattern, so tests can check that an
// encoder changed only the bytes its layout lists.

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <set>

namespace motion_test {

inline constexpr size_t kBufferSize = 256;

inline uint8_t OldByte(size_t index) {
  return static_cast<uint8_t>(0xA5 ^ (index * 7));
}

struct ReportBuffer {
  std::array<uint8_t, kBufferSize> bytes{};

  ReportBuffer() {
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = OldByte(i);
  }

  // Every byte outside `written` still holds its old value.
  ::testing::AssertionResult UntouchedExcept(const std::set<size_t>& written) const {
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (!written.contains(i) && bytes[i] != OldByte(i)) {
        return ::testing::AssertionFailure()
               << "byte " << i << " changed to 0x" << std::hex << int{bytes[i]};
      }
    }
    return ::testing::AssertionSuccess();
  }

  ::testing::AssertionResult Untouched() const { return UntouchedExcept({}); }
};

// Indices first..last inclusive.
inline std::set<size_t> Range(size_t first, size_t last) {
  std::set<size_t> indices;
  for (size_t i = first; i <= last; ++i) indices.insert(i);
  return indices;
}

}  // namespace motion_test
