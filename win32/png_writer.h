#pragma once
// A small PNG encoder: 8-bit RGB, no filtering, the image data in stored (uncompressed) deflate
// blocks. Every PNG reader takes it, and it needs no library.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace win32host {

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);
std::uint32_t Adler32(std::span<const std::uint8_t> bytes);

// `rgb` holds height rows of width pixels, top row first, three bytes a pixel. Empty when the
// sizes do not match the data or the image is empty.
std::vector<std::uint8_t> EncodePng(int width, int height, std::span<const std::uint8_t> rgb);

}  // namespace win32host
