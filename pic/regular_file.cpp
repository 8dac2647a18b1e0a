#include "pic/regular_file.h"

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <sys/stat.h>
#include <sys/types.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pic {

namespace {

FileCheck SystemProblem(int error) {
  if (error == ENOENT || error == ENOTDIR) return {FileProblem::kMissing, std::strerror(error)};
  return {FileProblem::kSystem, std::strerror(error != 0 ? error : EIO)};
}

#if !defined(_WIN32)
FileCheck KindOf(const struct stat& info) {
  if (S_ISREG(info.st_mode)) return {};
  if (S_ISDIR(info.st_mode)) return {FileProblem::kFolder, "a folder"};
  if (S_ISFIFO(info.st_mode)) return {FileProblem::kNotRegular, "a named pipe"};
  if (S_ISSOCK(info.st_mode)) return {FileProblem::kNotRegular, "a socket"};
  return {FileProblem::kNotRegular, "a device"};
}
#endif

}  // namespace

FileCheck CheckRegularFile(const std::filesystem::path& path) {
#if defined(_WIN32)
  struct _stat64 info {};
  if (_wstat64(path.c_str(), &info) != 0) return SystemProblem(errno);
  if ((info.st_mode & _S_IFMT) == _S_IFDIR) return {FileProblem::kFolder, "a folder"};
  if ((info.st_mode & _S_IFMT) != _S_IFREG) return {FileProblem::kNotRegular, "a device"};
  return {};
#else
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return SystemProblem(errno);
  return KindOf(info);
#endif
}

FilePtr OpenRegularFile(const std::filesystem::path& path, FileCheck& check) {
  check = CheckRegularFile(path);
  if (!check.ok()) return nullptr;
#if defined(_WIN32)
  FilePtr file(_wfopen(path.c_str(), L"rb"));
  if (!file) check = SystemProblem(errno);
  return file;
#else
  // Not blocking, in case the name has been given to a pipe since the look above; the file
  // itself is then checked, not the name.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    check = SystemProblem(errno);
    return nullptr;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    check = SystemProblem(errno);
    ::close(fd);
    return nullptr;
  }
  check = KindOf(info);
  if (!check.ok()) {
    ::close(fd);
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FilePtr file(::fdopen(fd, "rb"));
  if (!file) {
    check = SystemProblem(errno);
    ::close(fd);
  }
  return file;
#endif
}

std::string Describe(const FileCheck& check) {
  switch (check.problem) {
    case FileProblem::kNone:
      return {};
    case FileProblem::kMissing:
      return "does not exist";
    case FileProblem::kFolder:
      return "is a folder";
    case FileProblem::kNotRegular:
      return "is " + check.reason + ", not a regular file";
    case FileProblem::kSystem:
      return "cannot be read: " + check.reason;
  }
  return {};
}

}  // namespace pic
