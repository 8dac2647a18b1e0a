#pragma once
// Input files the program reads from start to end (HEX files, batch files) must be regular files.
// A named pipe has a writer waiting to be opened once: looking at it first, then opening it
// again to read, loses the writer or blocks for ever; a device such as /dev/zero never ends.
// So the kind of a file is asked of the system without opening it, and only a regular file is
// opened.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace pic {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

enum class FileProblem {
  kNone,
  kMissing,     // no such file
  kFolder,      // a folder
  kNotRegular,  // a named pipe, a device, a socket
  kSystem,      // the system's reason: no right to read it, a loop of links ...
};

struct FileCheck {
  FileProblem problem = FileProblem::kNone;
  // What the file is or what the system said: "a folder", "a named pipe", "Permission denied".
  std::string reason;
  bool ok() const { return problem == FileProblem::kNone; }
};

// Whether `path` names a regular file, without opening it.
FileCheck CheckRegularFile(const std::filesystem::path& path);

// Opens `path` for reading in binary mode when it is a regular file; null, with the check's
// result, otherwise. Nothing that is not a regular file is opened, and the open never waits.
FilePtr OpenRegularFile(const std::filesystem::path& path, FileCheck& check);

// "is a folder", "is a named pipe, not a regular file", "cannot be read: Permission denied".
std::string Describe(const FileCheck& check);

}  // namespace pic
