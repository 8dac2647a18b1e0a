#pragma once

// Intel HEX files of the PIC's words, as gpasm writes them: an extended linear address record
// (type 04) before the data, data records of at most 16 bytes at byte addresses (word address * 2),
// each word low byte first, and the end record. Erased words are left out, so that a blank chip
// gives a short file; programming such a file into an erased chip gives the same chip back.

#include <filesystem>
#include <string>
#include <string_view>

#include "pic/pic_memory.h"

namespace pic {

// Data bytes of one record at most.
inline constexpr size_t kWrittenRecordBytes = 16;

// The file's text, lines ending in "\n".
std::string FormatIntelHex(const WordMap& words);

struct WriteResult {
  bool ok = false;
  std::string message;  // on failure: "blink.hex: No space left on device"
};

// Writes `text` to a temporary file beside `path` and renames it to `path` once it is complete,
// so that a run that fails leaves no half file and the old file stays as it was.
WriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view text);

}  // namespace pic
