#pragma once
// The progress of a long batch command as one line on a terminal, redrawn in place: written only
// when standard error is a terminal, so logs written to files and pipes stay clean.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace batch {

// "program-pic blink.hex: 12 of 40".
std::string ProgressText(std::string_view label, std::uint32_t done, std::uint32_t total);

class ProgressLine {
 public:
  // Writes to `stream`, which the caller has found to be a terminal.
  explicit ProgressLine(std::FILE* stream) : stream_(stream) {}

  // Redraws the line; a total of 0 ends the run and takes the line away.
  void Show(std::string_view label, std::uint32_t done, std::uint32_t total);
  // Around every other line written to the same terminal: the progress line steps aside and
  // comes back below it.
  void BeforeLine();
  void AfterLine();

 private:
  void Erase();
  void Draw();

  std::FILE* stream_;
  std::string text_;  // what is shown; empty when nothing is
};

// Whether the stream is a terminal.
bool IsTerminal(std::FILE* stream);

}  // namespace batch
