#include "batch/progress_line.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace batch {

namespace {

// Carriage return, then "erase to the end of the line".
constexpr std::string_view kEraseLine = "\r\x1b[K";

}  // namespace

std::string ProgressText(std::string_view label, std::uint32_t done, std::uint32_t total) {
  return std::string(label) + ": " + std::to_string(done) + " of " + std::to_string(total);
}

bool IsTerminal(std::FILE* stream) {
#if defined(_WIN32)
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

void ProgressLine::Show(std::string_view label, std::uint32_t done, std::uint32_t total) {
  if (total == 0) {
    if (!text_.empty()) Erase();
    text_.clear();
    return;
  }
  text_ = ProgressText(label, done, total);
  Draw();
}

void ProgressLine::BeforeLine() {
  if (!text_.empty()) Erase();
}

void ProgressLine::AfterLine() {
  if (!text_.empty()) Draw();
}

void ProgressLine::Erase() {
  std::fwrite(kEraseLine.data(), 1, kEraseLine.size(), stream_);
  std::fflush(stream_);
}

void ProgressLine::Draw() {
  std::fwrite(kEraseLine.data(), 1, kEraseLine.size(), stream_);
  std::fwrite(text_.data(), 1, text_.size(), stream_);
  std::fflush(stream_);
}

}  // namespace batch
