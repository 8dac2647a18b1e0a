#pragma once
// The process the program runs in, set up once at start-up by both hosts' first call into the
// program.

#include <string>

namespace program {

// A reader that has gone (a closed pipe) or a file-size limit makes a write fail with a reason
// that the program reports, instead of ending the process in the middle of a run.
void PrepareProcess();

// Flushes standard output and standard error. False, with the first failure, when a write to
// either failed since the start.
bool FlushStdio(std::string& failure);

}  // namespace program
