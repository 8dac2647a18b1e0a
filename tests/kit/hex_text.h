#pragma once
// Text of the file formats the PIC tests, benchmarks and fuzz targets handle: Intel HEX records
// written in code, and srec_cat's ascii_hex output read back.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace testkit {

// One Intel HEX record: ':', then the byte count, the offset, the type, the data and the checksum,
// each byte as two upper-case hexadecimal digits; no line end.
std::string HexRecord(std::uint8_t type, std::uint16_t offset,
                      const std::vector<std::uint8_t>& data);

// A data record of PIC words at a byte offset, each word low byte first.
std::string WordRecord(std::uint16_t byteOffset, const std::vector<std::uint16_t>& words);

inline const std::string kEndRecord = ":00000001FF";

// srec_cat's ascii_hex output as byte address -> byte: "$A<address>," sets the address, each pair
// of hexadecimal digits is one byte there, "$S<sum>," is a checksum; STX, ETX and blanks separate.
std::map<std::uint32_t, std::uint8_t> ParseAsciiHex(std::string_view text);

}  // namespace testkit
