#include "program/process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace program {

void PrepareProcess() {
#if !defined(_WIN32)
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}

bool FlushStdio(std::string& failure) {
  const struct {
    std::FILE* stream;
    const char* name;
  } streams[] = {{stdout, "standard output"}, {stderr, "standard error"}};
  for (const auto& s : streams) {
    errno = 0;
    if (std::fflush(s.stream) != 0 || std::ferror(s.stream)) {
      const int error = errno;
      failure = std::string("cannot write ") + s.name + ": " +
                (error != 0 ? std::strerror(error) : "write error");
      return false;
    }
  }
  return true;
}

}  // namespace program
