#include "program/batch_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "pic/regular_file.h"
#include "pic/utf8_path.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace program {

namespace {

std::string TooBig(const std::string& name) {
  return "the batch file " + name + " is larger than " + std::to_string(kMaxBatchFileBytes / 1024) +
         " KiB; a batch is a list of commands";
}

std::string CannotRead(const std::string& name, int error) {
  return "cannot read the batch file " + name + ": " + std::strerror(error != 0 ? error : EIO);
}

// Reads what `file` holds, at most one byte past the limit.
bool ReadAll(std::FILE* file, const std::string& name, std::string& contents, std::string& error) {
  char chunk[4096];
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
    contents.append(chunk, got);
    if (contents.size() > kMaxBatchFileBytes) {
      error = TooBig(name);
      return false;
    }
    if (got < sizeof chunk) {
      if (std::ferror(file)) {
        error = CannotRead(name, errno);
        return false;
      }
      return true;
    }
  }
}

#if !defined(_WIN32)
// A pipe or a terminal: read as it comes, line by line for a terminal, up to the limit.
bool ReadStream(int fd, const std::string& name, std::string& contents, std::string& error) {
  char chunk[4096];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      error = CannotRead(name, errno);
      return false;
    }
    if (got == 0) return true;
    contents.append(chunk, static_cast<std::size_t>(got));
    if (contents.size() > kMaxBatchFileBytes) {
      error = TooBig(name);
      return false;
    }
  }
}
#endif

}  // namespace

bool ReadBatchFile(const std::string& name, std::string& contents, std::string& error) {
  contents.clear();
  const auto path = pic::PathFromUtf8(name);
  const pic::FileCheck check = pic::CheckRegularFile(path);
  if (check.ok()) {
    pic::FileCheck opened;
    const pic::FilePtr file = pic::OpenRegularFile(path, opened);
    if (!file) {
      error = "the batch file " + name + " " + pic::Describe(opened);
      return false;
    }
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    if (!sizeError && size > kMaxBatchFileBytes) {
      error = TooBig(name);
      return false;
    }
    return ReadAll(file.get(), name, contents, error);
  }
  if (check.problem == pic::FileProblem::kMissing) {
    error = "cannot read the batch file " + name + ": " + check.reason;
    return false;
  }
#if !defined(_WIN32)
  if (check.problem == pic::FileProblem::kNotRegular) {
    // The kind is asked again of what the open gave, which does not wait for a pipe's writer
    // only when it is not a pipe.
    struct stat info {};
    const bool fifo = ::stat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | (fifo ? 0 : O_NONBLOCK));
    if (fd < 0) {
      error = CannotRead(name, errno);
      return false;
    }
    bool good = false;
    if (::fstat(fd, &info) == 0 && (S_ISFIFO(info.st_mode) || ::isatty(fd))) {
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
      good = ReadStream(fd, name, contents, error);
    } else {
      error = "the batch file " + name + " " + pic::Describe(check) + ", a pipe or a terminal";
    }
    ::close(fd);
    return good;
  }
#endif
  error = "the batch file " + name + " " + pic::Describe(check);
  return false;
}

}  // namespace program
