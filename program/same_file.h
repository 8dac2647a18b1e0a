#pragma once
// An output of the program (the trace, the screenshot) must never be one of its inputs (the
// batch file, a HEX file): opening it for writing would destroy the input before it is read.

#include <string>
#include <vector>

namespace program {

struct NamedFile {
  std::string role;  // "the trace file", "the batch file"
  std::string name;  // as given, UTF-8
};

// Whether `a` and `b` are the same file: the same device and inode when both exist, otherwise
// the same path once made absolute and normal.
bool SameFile(const std::string& a, const std::string& b);

// The first output that is the same file as an input or as an earlier output, as a message
// ("the trace file t.hex is the HEX file t.hex: ..."), or empty. Empty names are skipped.
std::string OutputOverInput(const std::vector<NamedFile>& outputs,
                            const std::vector<NamedFile>& inputs);

}  // namespace program
