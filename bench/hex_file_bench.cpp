// Checking and reading a large HEX file, against reading the same file line by line with the
// standard library alone. The file stays in the page cache, so both measure the host's work.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>

#include "bench/hex_image.h"
#include "bench/temp_tree.h"
#include "pic/hex_file_reader.h"
#include "pic/hex_fit.h"

namespace {

// The largest file the reader takes: records of 8 words, each line 45 bytes, as many words as
// the PIC holds (about 48 KB).
constexpr std::size_t kRecords = pic::kPicWordCapacity / 8;

struct LargeFile {
  bench::TempTree tree;
  std::filesystem::path path;
  std::size_t bytes = 0;
};

const LargeFile& File() {
  static const std::unique_ptr<LargeFile> file = [] {
    auto made = std::make_unique<LargeFile>();
    const std::string text = bench::HexImage(kRecords, 8);
    made->path = made->tree.path() / "large.hex";
    if (made->tree.Write("large.hex", text)) made->bytes = text.size();
    return made;
  }();
  return *file;
}

void BM_HexCheckAndRead(benchmark::State& state) {
  const LargeFile& file = File();
  if (file.bytes == 0) {
    state.SkipWithError("could not write the HEX file");
    return;
  }
  bool ok = true;
  for (auto _ : state) {
    pic::HexFileReader reader;
    const pic::HexStatus status = pic::CheckBoardFit(reader, reader.Open(file.path), 65);
    std::uint32_t address = 0;
    std::span<const std::uint16_t> words;
    std::uint64_t sum = 0;
    std::uint32_t records = 0;
    while (reader.NextRecord(address, words) != 0) {
      sum += address + words[0];
      ++records;
    }
    benchmark::DoNotOptimize(sum);
    ok = ok && status.ok() && records == kRecords;
  }
  if (!ok) state.SkipWithError("the reader refused the file");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.bytes));
}
BENCHMARK(BM_HexCheckAndRead)->Unit(benchmark::kMillisecond);

void BM_HexGetlineBaseline(benchmark::State& state) {
  const LargeFile& file = File();
  if (file.bytes == 0) {
    state.SkipWithError("could not write the HEX file");
    return;
  }
  for (auto _ : state) {
    std::ifstream in(file.path, std::ios::binary);
    std::string line;
    std::size_t lines = 0;
    while (std::getline(in, line)) lines += line.size() != 0;
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.bytes));
}
BENCHMARK(BM_HexGetlineBaseline)->Unit(benchmark::kMillisecond);

}  // namespace
