#include "hidlink/linux/report_descriptor.h"

#include <array>
#include <bitset>
#include <cstddef>

namespace hidlink {

namespace {

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::size_t kGlobalStackDepth = 16;
// The longest report whose byte length, id byte included, still fits 16 bits.
constexpr std::uint64_t kMaxReportBits = (0xFFFFull - 1) * 8;

enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1 };

enum MainTag : std::uint8_t {
  kInput = 0x8,
  kOutput = 0x9,
  kCollection = 0xA,
  kFeature = 0xB,
  kEndCollection = 0xC,
};

enum GlobalTag : std::uint8_t {
  kReportSize = 0x7,
  kReportId = 0x8,
  kReportCount = 0x9,
  kPush = 0xA,
  kPop = 0xB,
};

enum ReportKind : std::size_t { kInputKind, kOutputKind, kFeatureKind, kKindCount };

// The part of the global state that decides report lengths; Push and Pop save and restore it whole.
struct GlobalState {
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint32_t reportId = 0;
};

std::uint16_t LongestReport(const std::array<std::uint64_t, 256>& bits,
                            const std::bitset<256>& present) {
  std::uint64_t longest = 0;
  for (std::size_t id = 0; id < bits.size(); ++id) {
    if (!present[id]) continue;
    const std::uint64_t bytes = (bits[id] + 7) / 8 + 1;
    if (bytes > longest) longest = bytes;
  }
  return static_cast<std::uint16_t>(longest);
}

}  // namespace

DescriptorError ParseReportDescriptor(std::span<const std::uint8_t> descriptor,
                                      ReportDescriptorInfo& info) {
  GlobalState global;
  std::array<GlobalState, kGlobalStackDepth> stack;
  std::size_t stackDepth = 0;
  std::size_t collectionDepth = 0;
  bool usesReportIds = false;
  std::array<std::array<std::uint64_t, 256>, kKindCount> bits{};
  std::array<std::bitset<256>, kKindCount> present;

  const std::size_t end = descriptor.size();
  std::size_t pos = 0;
  while (pos < end) {
    const std::uint8_t prefix = descriptor[pos++];
    if (prefix == kLongItemPrefix) {
      // Long items carry no report layout; their data size follows the prefix, then their tag.
      if (end - pos < 2) return DescriptorError::Truncated;
      const std::size_t dataSize = descriptor[pos];
      pos += 2;
      if (end - pos < dataSize) return DescriptorError::Truncated;
      pos += dataSize;
      continue;
    }

    const std::size_t dataSize = (prefix & 0x3) == 0x3 ? 4 : (prefix & 0x3);
    if (end - pos < dataSize) return DescriptorError::Truncated;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < dataSize; ++i) {
      value |= static_cast<std::uint32_t>(descriptor[pos + i]) << (8 * i);
    }
    pos += dataSize;

    const std::uint8_t type = (prefix >> 2) & 0x3;
    const std::uint8_t tag = prefix >> 4;
    if (type == kGlobal) {
      switch (tag) {
        case kReportSize:
          global.reportSize = value;
          break;
        case kReportCount:
          global.reportCount = value;
          break;
        case kReportId:
          if (value == 0 || value > 0xFF) return DescriptorError::BadReportId;
          global.reportId = value;
          usesReportIds = true;
          break;
        case kPush:
          if (stackDepth == stack.size()) return DescriptorError::PushOverflow;
          stack[stackDepth++] = global;
          break;
        case kPop:
          if (stackDepth == 0) return DescriptorError::PopWithoutPush;
          global = stack[--stackDepth];
          break;
        default:
          break;  // usage page, logical and physical ranges, units: no bearing on lengths
      }
    } else if (type == kMain) {
      std::size_t kind = kKindCount;
      switch (tag) {
        case kInput:
          kind = kInputKind;
          break;
        case kOutput:
          kind = kOutputKind;
          break;
        case kFeature:
          kind = kFeatureKind;
          break;
        case kCollection:
          ++collectionDepth;
          break;
        case kEndCollection:
          if (collectionDepth == 0) return DescriptorError::EndWithoutCollection;
          --collectionDepth;
          break;
        default:
          break;
      }
      if (kind != kKindCount) {
        // Both factors are below 2^32, so the product fits; the sum is checked before it can wrap.
        const std::uint64_t itemBits =
            static_cast<std::uint64_t>(global.reportSize) * global.reportCount;
        std::uint64_t& reportBits = bits[kind][global.reportId];
        if (itemBits > kMaxReportBits || reportBits + itemBits > kMaxReportBits) {
          return DescriptorError::ReportTooLong;
        }
        reportBits += itemBits;
        present[kind][global.reportId] = true;
      }
    }
    // Local items (usages, designators, strings, delimiters) and reserved items say nothing about
    // lengths.
  }
  if (collectionDepth != 0) return DescriptorError::OpenCollection;

  info.usesReportIds = usesReportIds;
  info.inputReportByteLength = LongestReport(bits[kInputKind], present[kInputKind]);
  info.outputReportByteLength = LongestReport(bits[kOutputKind], present[kOutputKind]);
  info.featureReportByteLength = LongestReport(bits[kFeatureKind], present[kFeatureKind]);
  return DescriptorError::None;
}

}  // namespace hidlink
