#pragma once
// The batch runner: the main dialog on the headless host, driven as a user drives the window.
// Commands click the dialog's buttons (its own handlers run, through its message map), type into
// its edits and choose entries in its lists. Every log line goes out as it is appended; every
// message box goes out with the answer given. Boxes that only inform are answered OK; the erase
// confirmation is answered OK only when the settings say yes.
//
// The batch stops at the first command that fails: a handler whose outcome is not done (a
// refusal, a failure it reported, the link closed, a board that stayed busy, a question
// declined), a field that cannot be set as asked, or no board where one is needed.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "app/chid_test_dlg.h"
#include "batch/batch_command.h"
#include "batch/exit_status.h"
#include "clock/clock.h"
#include "headless/headless_host.h"

namespace batch {

// Where the runner's text goes; in the program, standard output and standard error.
struct BatchOutput {
  std::function<void(std::string_view line)> out;  // log lines, show
  std::function<void(std::string_view line)> err;  // message boxes and the runner's messages
  // How far a long command has got, `label` naming the command; a total of 0 ends it. Empty:
  // progress is not shown.
  std::function<void(std::string_view label, std::uint32_t done, std::uint32_t total)> progress =
      {};
  // Why lines are being lost (a write that failed), or empty; none: lines are never lost.
  std::function<std::string()> failure = {};
};

// Writes each line to standard output or standard error at once, its control characters
// escaped; a failed write is remembered, not retried. When standard error is a terminal, the
// progress of a long command too, as one line redrawn in place.
BatchOutput StdioOutput();

struct RunSettings {
  bool yes = false;  // erase-pic's confirmation is answered OK
  std::uint32_t waitBoardSeconds = 0;
};

// A message box as the batch shows it: "[caption] text -> OK", continuation lines indented.
std::string FormatBox(const headless::ShownBox& box);

class BatchRunner {
 public:
  // The host's timers run on `clock`: the system clock in the program. The link must be
  // attached to its platform and the resources set.
  BatchRunner(clk::Clock& clock, RunSettings settings, BatchOutput output);

  // Opens the dialog, runs the commands in order and closes it. An exit status of
  // batch/exit_status.h.
  int Run(std::span<const Command> commands);

 private:
  enum class Board { kPresent, kFoundNow, kAbsent };

  int RunOne(const Command& c);
  Board EnsureBoard();
  int BoardCommand(const Command& c);
  int Set(const Command& c);
  int Preset(const Command& c);
  void Show();
  bool TypeInto(int id, const std::string& text);
  int Refuse(const Command& c, const std::string& why);
  int NoBoard(const Command& c);
  // The exit status of the command's outcome, with its message when it failed.
  int Result(const Command& c);
  int Answer(const headless::ShownBox& box) const;

  clk::Clock& clock_;
  RunSettings settings_;
  BatchOutput output_;
  headless::HeadlessHost* host_ = nullptr;
  headless::HeadlessWindow* window_ = nullptr;
  app::Chid_testDlg* dlg_ = nullptr;
  const Command* running_ = nullptr;
};

// The files that program-pic and verify-pic name must be readable, and the folders save-pic
// writes in must be there, before anything runs: the first that is not, as a message, or empty.
std::string CheckFiles(std::span<const Command> commands);

}  // namespace batch
