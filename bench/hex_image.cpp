#include "bench/hex_image.h"

#include <random>
#include <vector>

#include "kit/hex_text.h"

namespace bench {

std::string HexImage(std::size_t records, std::size_t wordsPerRecord, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string text;
  text.reserve(records * (11 + 4 * wordsPerRecord + 2) + 16);
  const std::uint32_t recordBytes = static_cast<std::uint32_t>(2 * wordsPerRecord);
  std::uint32_t offset = 0;
  std::vector<std::uint16_t> words(wordsPerRecord);
  for (std::size_t r = 0; r < records; ++r) {
    if (offset + recordBytes > 0x10000) offset = 0;
    for (auto& word : words) word = static_cast<std::uint16_t>(random() & 0x3FFF);
    text += testkit::WordRecord(static_cast<std::uint16_t>(offset), words);
    text += "\r\n";
    offset += recordBytes;
  }
  text += testkit::kEndRecord;
  text += "\r\n";
  return text;
}

}  // namespace bench
