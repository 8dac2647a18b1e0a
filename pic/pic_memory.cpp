#include "pic/pic_memory.h"

#include <cstdio>

namespace pic {

namespace {

bool Holds(const MemoryArea& area, uint32_t wordAddress) {
  return wordAddress >= area.start && wordAddress - area.start < area.words;
}

}  // namespace

uint16_t KeptBits(uint32_t wordAddress) {
  return Holds(kEepromArea, wordAddress) ? kEepromArea.keptBits : kProgramArea.keptBits;
}

bool IsErased(uint32_t wordAddress, uint16_t word) {
  const uint16_t bits = KeptBits(wordAddress);
  const uint16_t erased =
      Holds(kEepromArea, wordAddress) ? kEepromArea.erased : kProgramArea.erased;
  return (word & bits) == (erased & bits);
}

std::vector<uint16_t> ReadPlan(const WordMap& words) {
  std::vector<uint16_t> plan;
  uint32_t coveredEnd = 0;  // the first address not read by the requests so far
  bool any = false;
  for (const auto& [address, word] : words) {
    if (any && address < coveredEnd) continue;
    // The board's requests carry 16-bit addresses; the HEX check has already refused others.
    if (address > 0xFFFF) break;
    plan.push_back(static_cast<uint16_t>(address));
    coveredEnd = address + 4;
    any = true;
  }
  return plan;
}

std::vector<uint16_t> ReadPlan(std::span<const MemoryArea> areas) {
  std::vector<uint16_t> plan;
  for (const MemoryArea& area : areas) {
    for (uint32_t a = area.start; a < area.start + area.words; a += 4) {
      plan.push_back(static_cast<uint16_t>(a));
    }
  }
  return plan;
}

Comparison CompareWords(const WordMap& expected, const WordMap& read, size_t keep) {
  Comparison result;
  for (const auto& [address, want] : expected) {
    ++result.compared;
    const uint16_t bits = KeptBits(address);
    const auto got = read.find(address);
    if (got != read.end() && (got->second & bits) == (want & bits)) continue;
    ++result.differing;
    if (result.first.size() < keep) {
      result.first.push_back({address, static_cast<uint16_t>(want & bits),
                              got == read.end() ? uint16_t{0} : got->second});
    }
  }
  return result;
}

std::string FormatDifference(const WordDifference& d) {
  char text[48];
  std::snprintf(text, sizeof text, "%04X: expected %04X, read %04X",
                static_cast<unsigned>(d.address), static_cast<unsigned>(d.expected),
                static_cast<unsigned>(d.read));
  return text;
}

}  // namespace pic
