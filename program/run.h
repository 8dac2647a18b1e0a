#pragma once
// What main() calls once its toolkit has started: the window on a real host, or a run that
// needs no window at all (a batch, the help, the version).

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "batch/batch_runner.h"
#include "program/options.h"
#include "program/windowed_host.h"

namespace program {

// Runs what `args` (without the program name) ask for when it needs no window system: the help
// (followed by `hostHelp`, the host's own options), the version, a batch, or a bad option that
// no toolkit option can explain. Its exit status; nullopt when the window is wanted.
std::optional<int> RunWithoutWindow(std::span<const std::string_view> args,
                                    std::string_view hostHelp = {});

// The main dialog on `host` until it closes, from arguments the toolkit has taken its own out of.
int RunWindowed(std::span<const std::string_view> args, WindowedHost& host);
int RunWindowed(const ProgramOptions& options, WindowedHost& host);

// Batch mode: reads and checks the batch, opens the trace, attaches the platform the options
// ask for and runs the commands. Its exit status.
int RunBatch(const ProgramOptions& options, const batch::BatchOutput& output);

}  // namespace program
