#include "bench/hex_image.h"

#include <random>

namespace bench {

namespace {

void AppendByte(std::string& line, std::uint8_t byte, std::uint8_t& sum) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  line += kDigits[byte >> 4];
  line += kDigits[byte & 0x0F];
  sum = static_cast<std::uint8_t>(sum + byte);
}

}  // namespace

std::string HexImage(std::size_t records, std::size_t wordsPerRecord, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string text;
  text.reserve(records * (11 + 4 * wordsPerRecord + 2) + 16);
  const std::uint32_t recordBytes = static_cast<std::uint32_t>(2 * wordsPerRecord);
  std::uint32_t offset = 0;
  for (std::size_t r = 0; r < records; ++r) {
    if (offset + recordBytes > 0x10000) offset = 0;
    std::uint8_t sum = 0;
    text += ':';
    AppendByte(text, static_cast<std::uint8_t>(recordBytes), sum);
    AppendByte(text, static_cast<std::uint8_t>(offset >> 8), sum);
    AppendByte(text, static_cast<std::uint8_t>(offset & 0xFF), sum);
    AppendByte(text, 0x00, sum);
    for (std::size_t w = 0; w < wordsPerRecord; ++w) {
      const auto word = static_cast<std::uint16_t>(random() & 0x3FFF);
      AppendByte(text, static_cast<std::uint8_t>(word & 0xFF), sum);
      AppendByte(text, static_cast<std::uint8_t>(word >> 8), sum);
    }
    std::uint8_t ignored = 0;
    AppendByte(text, static_cast<std::uint8_t>(-sum), ignored);
    text += "\r\n";
    offset += recordBytes;
  }
  text += ":00000001FF\r\n";
  return text;
}

}  // namespace bench
