#pragma once

// The PIC's memory as the board's 'r' command reads it: program memory, the ID and configuration
// words, and the EEPROM image, each word kept in the bits the PIC holds. Read plans cover a set of
// words with 'r' requests of four words each; comparisons and images work on word maps.

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace pic {

// Word address -> word.
using WordMap = std::map<uint32_t, uint16_t>;

struct MemoryArea {
  uint32_t start;
  uint32_t words;
  uint16_t keptBits;  // the bits of a word the PIC holds
  uint16_t erased;    // what an erased word reads
};

inline constexpr MemoryArea kProgramArea{0x0000, 0x2000, 0x3FFF, 0x3FFF};
inline constexpr MemoryArea kConfigArea{0x2000, 8, 0x3FFF, 0x3FFF};
inline constexpr MemoryArea kEepromArea{0x2100, 0x100, 0x00FF, 0x00FF};

// Everything Save PIC reads, in address order.
inline constexpr MemoryArea kSavedAreas[] = {kProgramArea, kConfigArea, kEepromArea};

// 14 bits for program memory and the configuration words, 8 for the EEPROM image. Addresses
// outside every area are taken as flash: 14 bits.
uint16_t KeptBits(uint32_t wordAddress);
// True when `word` is what the erased PIC holds at `wordAddress`, in the bits it keeps.
bool IsErased(uint32_t wordAddress, uint16_t word);

// The word addresses of the 'r' requests that read every word of `words`: each request reads the
// word it names and the three after it, so one request covers up to four of the words.
std::vector<uint16_t> ReadPlan(const WordMap& words);
// The requests that read every word of `areas`, four words a request.
std::vector<uint16_t> ReadPlan(std::span<const MemoryArea> areas);

struct WordDifference {
  uint32_t address;
  uint16_t expected;
  uint16_t read;
};

struct Comparison {
  uint32_t compared = 0;
  uint32_t differing = 0;
  std::vector<WordDifference> first;  // the first few differences, in address order
};

// Compares each word of `expected` with the word `read` holds at its address (a word missing from
// `read` differs), in the bits the PIC keeps. At most `keep` differences are listed.
Comparison CompareWords(const WordMap& expected, const WordMap& read, size_t keep = 8);

// "0010: expected 2805, read 3FFF".
std::string FormatDifference(const WordDifference& difference);

}  // namespace pic
