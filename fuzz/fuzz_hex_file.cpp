// Fuzz target: the HEX file reader and the board fit check after it, on a file written from the
// input.
//
// Input: byte 0 chooses the board's output report length (11 to 256) and whether the file is
// padded to cross the reader's 64 KiB block boundary; the rest is the file.
//
// Checked for every input, besides the sanitizers:
//   - a refused file leaves the reader closed and gives a message naming the file;
//   - an accepted file delivers records that fit the board (1 to 32 words, inside the 16-bit word
//     addresses, a data report no longer than the output report) and exactly as many as it
//     counted;
//   - the records written back out as a plain HEX file read back the same;
//   - LF, CR LF and lone CR line ends, a byte-order mark and filler lines before the content
//     change nothing but the line numbers.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kit/hex_text.h"
#include "pic/hex_file_reader.h"
#include "pic/hex_fit.h"
#include "pic/pic_reports.h"

namespace {

namespace fs = std::filesystem;

struct Delivered {
  uint32_t address = 0;
  std::vector<uint16_t> words;
  friend bool operator==(const Delivered&, const Delivered&) = default;
};

struct Result {
  pic::HexError error = pic::HexError::kNone;
  uint32_t line = 0;
  std::vector<Delivered> records;
};

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_hex_file: %s\n", what);
  std::abort();
}

void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

// An in-memory file, opened by the reader through its /proc path like any other file.
int MemoryFile() {
  static const int fd = ::memfd_create("zbk_fuzz_hex", 0);
  Check(fd >= 0, "memfd_create failed");
  return fd;
}

const fs::path& FilePath() {
  static const fs::path path = "/proc/self/fd/" + std::to_string(MemoryFile());
  return path;
}

void WriteFile(std::string_view content) {
  const int fd = MemoryFile();
  Check(::ftruncate(fd, 0) == 0, "cannot empty the memory file");
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n =
        ::pwrite(fd, content.data() + done, content.size() - done, static_cast<off_t>(done));
    Check(n > 0, "cannot write the memory file");
    done += static_cast<size_t>(n);
  }
}

Result Read(std::string_view content, size_t outputLength) {
  WriteFile(content);
  pic::HexFileReader reader;
  const pic::HexStatus status = pic::CheckBoardFit(reader, reader.Open(FilePath()), outputLength);
  Result result;
  result.error = status.error;
  result.line = status.line;
  Check(status.ok() == reader.isOpen(), "open state does not follow the status");
  if (!status.ok()) {
    Check(status.error != pic::HexError::kOpenFailed, "an existing file failed to open");
    const std::string message = status.Message();
    Check(message.rfind(FilePath().filename().string() + ": ", 0) == 0,
          "message does not name the file");
    Check(reader.dataRecordCount() == 0, "a refused file kept records");
    uint32_t address = 7;
    std::span<const uint16_t> words;
    Check(reader.NextRecord(address, words) == 0 && address == 7,
          "a refused file delivered a record");
    return result;
  }

  const uint32_t total = reader.dataRecordCount();
  for (;;) {
    uint32_t address = 0;
    std::span<const uint16_t> words;
    const uint32_t count = reader.NextRecord(address, words);
    if (count == 0) break;
    Check(count <= pic::kMaxRecordWords, "record of more than 32 words");
    Check(words.size() == count, "word span does not match the count");
    Check(address + count - 1 <= 0xFFFF, "record past word address 0xFFFF");
    Check(pic::ProgramDataReportLength(count) <= outputLength, "record does not fit the report");
    Check(reader.wordAddress() == address && reader.wordCount() == count, "last record wrong");
    result.records.push_back({address, std::vector<uint16_t>(words.begin(), words.end())});
  }
  Check(result.records.size() == total, "delivered count differs from the counted records");
  Check(reader.recordsDelivered() == total, "progress count wrong");
  uint32_t address = 9;
  std::span<const uint16_t> words;
  Check(reader.NextRecord(address, words) == 0 && address == 9, "a record after the end");
  reader.Close();
  Check(!reader.isOpen() && reader.dataRecordCount() == 0, "close kept the file");
  return result;
}

// The records as a plain file: a segment address record before each data record keeps every
// record inside its 64 KiB window, wherever it lies.
std::string WriteBack(const std::vector<Delivered>& records) {
  std::string text;
  for (const auto& r : records) {
    const uint32_t byteAddress = r.address * 2;
    const uint32_t segment = byteAddress >> 4;
    text += testkit::HexRecord(0x02, 0,
                               {static_cast<uint8_t>(segment >> 8), static_cast<uint8_t>(segment)});
    text += '\n';
    text += testkit::WordRecord(static_cast<uint16_t>(byteAddress & 0xF), r.words);
    text += '\n';
  }
  return text + testkit::kEndRecord + "\n";
}

std::string Replace(std::string_view text, char from, std::string_view to) {
  std::string out;
  for (char c : text) {
    if (c == from) {
      out += to;
    } else {
      out += c;
    }
  }
  return out;
}

void SameResult(const Result& a, const Result& b, uint32_t lineShift, const char* what) {
  if (a.error != b.error) Fail(what);
  if (a.error != pic::HexError::kNone && a.line != 0 && a.line + lineShift != b.line) Fail(what);
  if (a.records != b.records) Fail(what);
}

// Filler lines of `bytes` bytes in all, none a record and none too long.
std::string Filler(size_t bytes, uint32_t& lines) {
  std::string text;
  lines = 0;
  while (bytes > 0) {
    const size_t take = bytes > 400 ? 400 : bytes;
    text.append(take - 1, ';');
    text += '\n';
    bytes -= take;
    ++lines;
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t outputLength = 11 + data[0] % 246;
  const bool pad = (data[0] & 0x80) != 0;
  const std::string_view content(reinterpret_cast<const char*>(data + 1), size - 1);

  const Result plain = Read(content, outputLength);

  if (plain.error == pic::HexError::kNone) {
    const Result back = Read(WriteBack(plain.records), outputLength);
    Check(back.error == pic::HexError::kNone, "written-back records refused");
    Check(back.records == plain.records, "written-back records differ");
  }

  if (content.find('\r') == std::string_view::npos) {
    SameResult(plain, Read(Replace(content, '\n', "\r\n"), outputLength), 0, "CR LF differs");
    SameResult(plain, Read(Replace(content, '\n', "\r"), outputLength), 0, "CR differs");
  }

  const bool startsWithMark = content.size() >= 3 && content.substr(0, 3) == "\xEF\xBB\xBF";
  if (!startsWithMark) {
    SameResult(plain, Read("\xEF\xBB\xBF" + std::string(content), outputLength), 0,
               "byte-order mark differs");
    if (pad) {
      // Put the content's start just before the reader's 64 KiB block boundary.
      const size_t fillerBytes = 65536 - 1 - (size % 64);
      uint32_t fillerLines = 0;
      const std::string filler = Filler(fillerBytes, fillerLines);
      SameResult(plain, Read(filler + std::string(content), outputLength), fillerLines,
                 "filler lines before the content differ");
    }
  }
  return 0;
}
