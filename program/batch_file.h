#pragma once
// Reading a batch file: a regular file, or a pipe or terminal (--batch-file /dev/stdin) read
// until its end. Either holds at most kMaxBatchFileBytes; a bigger one, a folder, a device that
// never ends, or a file that cannot be read is refused with what it is or the system's reason.

#include <cstddef>
#include <string>

namespace program {

inline constexpr std::size_t kMaxBatchFileBytes = 1024 * 1024;

// The whole file in `contents`; false with a message naming `name` in `error`.
bool ReadBatchFile(const std::string& name, std::string& contents, std::string& error);

}  // namespace program
