// The PNG encoder: checksums against their published check values, and the file taken apart
// again: chunks, zlib header, stored blocks and the scan lines they carry.

#include "win32/png_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

std::uint32_t Big32(const Bytes& b, std::size_t at) {
  return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) |
         (std::uint32_t(b[at + 2]) << 8) | b[at + 3];
}

struct Chunk {
  std::string type;
  Bytes data;
  std::uint32_t crc;
};

std::vector<Chunk> Chunks(const Bytes& png) {
  std::vector<Chunk> out;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::uint32_t n = Big32(png, at);
    if (at + 12 + n > png.size()) break;
    out.push_back({std::string(png.begin() + at + 4, png.begin() + at + 8),
                   Bytes(png.begin() + at + 8, png.begin() + at + 8 + n), Big32(png, at + 8 + n)});
    at += 12 + n;
  }
  EXPECT_EQ(at, png.size()) << "chunks end where the file ends";
  return out;
}

// The data of a zlib stream made of stored blocks only.
Bytes Inflate(const Bytes& z) {
  EXPECT_EQ((z[0] * 256 + z[1]) % 31, 0) << "zlib header check bits";
  EXPECT_EQ(z[0] & 0x0F, 8) << "deflate";
  Bytes out;
  std::size_t at = 2;
  for (bool last = false; !last;) {
    last = z[at] & 1;
    EXPECT_EQ(z[at] & 0x06, 0) << "stored block";
    const unsigned n = z[at + 1] | (z[at + 2] << 8);
    const unsigned complement = z[at + 3] | (z[at + 4] << 8);
    EXPECT_EQ(n ^ complement, 0xFFFFu);
    out.insert(out.end(), z.begin() + at + 5, z.begin() + at + 5 + n);
    at += 5 + n;
  }
  EXPECT_EQ(Big32(z, at), win32host::Adler32(out));
  EXPECT_EQ(at + 4, z.size());
  return out;
}

TEST(PngWriterTest, ChecksumsMatchTheirCheckValues) {
  EXPECT_EQ(win32host::Crc32(Of("123456789")), 0xCBF43926u);
  EXPECT_EQ(win32host::Crc32(Of("IEND")), 0xAE426082u);
  EXPECT_EQ(win32host::Adler32(Of("Wikipedia")), 0x11E60398u);
  EXPECT_EQ(win32host::Adler32({}), 1u);
}

TEST(PngWriterTest, ImageComesBackScanLineByScanLine) {
  // Wide enough for the data to need two stored blocks.
  for (const auto& [w, h] : {std::pair{2, 2}, std::pair{200, 120}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    Bytes rgb(static_cast<std::size_t>(w * h * 3));
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const Bytes png = win32host::EncodePng(w, h, rgb);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(Bytes(png.begin(), png.begin() + 8),
              (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    const auto chunks = Chunks(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(Big32(chunks[0].data, 0), static_cast<std::uint32_t>(w));
    EXPECT_EQ(Big32(chunks[0].data, 4), static_cast<std::uint32_t>(h));
    EXPECT_EQ(Bytes(chunks[0].data.begin() + 8, chunks[0].data.end()), (Bytes{8, 2, 0, 0, 0}));
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    EXPECT_EQ(chunks[2].crc, 0xAE426082u);
    for (const auto& c : chunks) {
      Bytes typed = Of(c.type);
      typed.insert(typed.end(), c.data.begin(), c.data.end());
      EXPECT_EQ(c.crc, win32host::Crc32(typed)) << c.type;
    }
    const Bytes raw = Inflate(chunks[1].data);
    const std::size_t row = static_cast<std::size_t>(w) * 3;
    ASSERT_EQ(raw.size(), (row + 1) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
      EXPECT_EQ(raw[y * (row + 1)], 0) << "filter type none";
      EXPECT_TRUE(std::equal(raw.begin() + y * (row + 1) + 1, raw.begin() + (y + 1) * (row + 1),
                             rgb.begin() + y * row));
    }
  }
}

TEST(PngWriterTest, RefusesSizesThatDoNotMatchTheData) {
  EXPECT_TRUE(win32host::EncodePng(2, 2, Bytes(11)).empty());
  EXPECT_TRUE(win32host::EncodePng(0, 5, {}).empty());
  EXPECT_TRUE(win32host::EncodePng(-1, -1, Bytes(3)).empty());
}

}  // namespace
