#pragma once
// Intel HEX images of PIC words, made in code: data records of a fixed number of words at
// consecutive addresses, then the end record. Addresses wrap within the first 64 KiB of bytes,
// so an image can be made as large as wanted and every record still fits the PIC's word
// addresses.

#include <cstddef>
#include <cstdint>
#include <string>

namespace bench {

// `records` data records of `wordsPerRecord` 14-bit words (from a generator seeded by `seed`),
// one a line ending in CR LF, as assemblers write them.
std::string HexImage(std::size_t records, std::size_t wordsPerRecord, std::uint32_t seed = 1);

}  // namespace bench
