#include "kit/hex_text.h"

#include <charconv>

namespace testkit {

namespace {

void AppendByte(std::string& line, std::uint8_t byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  line += kDigits[byte >> 4];
  line += kDigits[byte & 0x0F];
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string HexRecord(std::uint8_t type, std::uint16_t offset,
                      const std::vector<std::uint8_t>& data) {
  const std::uint8_t header[] = {static_cast<std::uint8_t>(data.size()),
                                 static_cast<std::uint8_t>(offset >> 8),
                                 static_cast<std::uint8_t>(offset & 0xFF), type};
  std::string line;
  line.reserve(1 + 2 * (sizeof header + data.size() + 1));
  line += ':';
  std::uint8_t sum = 0;
  for (std::uint8_t b : header) {
    AppendByte(line, b);
    sum = static_cast<std::uint8_t>(sum + b);
  }
  for (std::uint8_t b : data) {
    AppendByte(line, b);
    sum = static_cast<std::uint8_t>(sum + b);
  }
  // The checksum makes every byte of the record sum to 0.
  AppendByte(line, static_cast<std::uint8_t>(-sum));
  return line;
}

std::string WordRecord(std::uint16_t byteOffset, const std::vector<std::uint16_t>& words) {
  std::vector<std::uint8_t> data;
  data.reserve(2 * words.size());
  for (std::uint16_t w : words) {
    data.push_back(static_cast<std::uint8_t>(w & 0xFF));
    data.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  return HexRecord(0x00, byteOffset, data);
}

std::map<std::uint32_t, std::uint8_t> ParseAsciiHex(std::string_view text) {
  std::map<std::uint32_t, std::uint8_t> bytes;
  std::uint32_t address = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '$' && i + 1 < text.size()) {
      const std::size_t comma = text.find(',', i);
      if (comma == std::string_view::npos) break;
      if (text[i + 1] == 'A') {
        std::from_chars(text.data() + i + 2, text.data() + comma, address, 16);
      }
      i = comma + 1;
    } else if (i + 1 < text.size() && HexDigit(text[i]) >= 0 && HexDigit(text[i + 1]) >= 0) {
      bytes[address++] = static_cast<std::uint8_t>(HexDigit(text[i]) * 16 + HexDigit(text[i + 1]));
      i += 2;
    } else {
      ++i;
    }
  }
  return bytes;
}

}  // namespace testkit
