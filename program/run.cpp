#include "program/run.h"

#include <cstdio>
#include <vector>

#include "app/chid_test_dlg.h"
#include "batch/terminal_text.h"
#include "hidlink/hid_link.h"
#include "pic/utf8_path.h"
#include "program/batch_file.h"
#include "program/hex_check.h"
#include "program/platform.h"
#include "program/process.h"
#include "program/same_file.h"
#include "program/session.h"
#include "program/wire_trace.h"

namespace program {

namespace {

constexpr std::string_view kProgram = "zbk-utility: ";

void Complain(const std::string& message) {
  std::fprintf(stderr, "zbk-utility: %s\n", batch::EscapeControls(message).c_str());
}

int BadUsage(const std::string& error) {
  Complain(error);
  std::fputs("Try 'zbk-utility --help'.\n", stderr);
  return kExitBadUsage;
}

// A run whose output was lost, or whose trace stopped part way, did not do all it was asked.
int Checked(int status, const std::string& traceFailure) {
  std::string failure;
  const bool stdio = FlushStdio(failure);
  if (!traceFailure.empty()) Complain(traceFailure);
  if (!stdio) Complain(failure);
  if ((!stdio || !traceFailure.empty()) && status == kExitOk) return kExitFailure;
  return status;
}

}  // namespace

std::optional<int> RunWithoutWindow(std::span<const std::string_view> args,
                                    std::string_view hostHelp) {
  PrepareProcess();
  // Anything else may carry the toolkit's own options, which only it can take out; the one parse
  // tells whether the window is wanted.
  const auto parsed = ParseOptions(args);
  if (!parsed.windowless) return std::nullopt;
  if (!parsed.options) return BadUsage(parsed.error);
  const auto& options = *parsed.options;
  if (options.help) {
    std::fputs(HelpText("zbk-utility").c_str(), stdout);
    std::fwrite(hostHelp.data(), 1, hostHelp.size(), stdout);
    return Checked(kExitOk, {});
  }
  if (options.version) {
    std::fputs(VersionText().c_str(), stdout);
    return Checked(kExitOk, {});
  }
  const batch::BatchOutput output = batch::StdioOutput();
  int status = kExitOk;
  if (!options.checkHex.empty() || options.listDevices) {
    // Only a board that is asked for is looked for.
    const bool lookForBoard =
        options.listDevices || options.simulate || !options.devicePath.empty();
    const auto platform = lookForBoard ? MakePlatform(options) : nullptr;
    Session session(nullptr, platform.get());
    status = options.listDevices
                 ? ListDevices(platform.get(), output.out, output.err)
                 : CheckHexFiles(options.checkHex,
                                 CheckedOutputLength(platform.get(), options.devicePath),
                                 output.out, output.err);
  } else {
    status = RunBatch(options, output);
  }
  // Lines lost on the way out count as a failure, however the commands went; the batch runner
  // has said so already when it stopped for them.
  if (const std::string lost = output.failure(); !lost.empty() && status == kExitOk) {
    Complain(lost);
    return kExitFailure;
  }
  std::string failure;
  if (!FlushStdio(failure) && status == kExitOk) {
    Complain(failure);
    return kExitFailure;
  }
  return status;
}

int RunWindowed(std::span<const std::string_view> args, WindowedHost& host) {
  const auto parsed = ParseOptions(args);
  if (!parsed.options) return BadUsage(parsed.error);
  return RunWindowed(*parsed.options, host);
}

int RunWindowed(const ProgramOptions& options, WindowedHost& host) {
  PrepareProcess();
  if (const std::string clash = OutputOverInput(
          {{"the trace file", options.tracePath}, {"the screenshot", options.screenshotPath}}, {});
      !clash.empty()) {
    return BadUsage(clash);
  }
  WireTrace trace;
  if (!options.tracePath.empty()) {
    std::string error;
    if (!trace.Open(options.tracePath, error)) {
      Complain(error);
      return kExitBadUsage;
    }
  }
  if (!options.screenshotPath.empty()) host.SetScreenshotPath(options.screenshotPath);

  const auto platform = MakePlatform(options);
  {
    Session session(&host, platform.get());
    if (!options.tracePath.empty()) session.TraceTo(trace);
    hidlink::HidLink::devicePath = options.devicePath;
    app::Chid_testApp theApp;
    theApp.InitInstance();
  }
  if (!options.screenshotPath.empty() && !host.ScreenshotWritten()) {
    Complain("could not write " + options.screenshotPath);
    return Checked(kExitFailure, trace.failure());
  }
  return Checked(kExitOk, trace.failure());
}

int RunBatch(const ProgramOptions& options, const batch::BatchOutput& output) {
  auto fail = [&](const std::string& message) {
    output.err(std::string(kProgram) + message);
    return kExitBadUsage;
  };

  batch::ParseResult parsed;
  if (options.batch) {
    parsed = batch::ParseBatch(*options.batch);
  } else {
    std::string contents;
    std::string error;
    if (!ReadBatchFile(options.batchFile, contents, error)) return fail(error);
    parsed = batch::ParseBatchFile(contents, options.batchFile);
  }
  if (!parsed.ok()) return fail(parsed.error + "; nothing was run");
  if (const std::string bad = batch::CheckFiles(parsed.commands); !bad.empty()) {
    return fail(bad + "; nothing was run");
  }
  // Nothing is written over an input: the trace is created before the first command runs.
  std::vector<NamedFile> inputs = {{"the batch file", options.batchFile}};
  for (const batch::Command& c : parsed.commands) {
    if (c.verb == batch::Verb::kProgramPic || c.verb == batch::Verb::kVerifyPic) {
      inputs.push_back({"the HEX file", c.value});
    }
  }
  if (const std::string clash = OutputOverInput({{"the trace file", options.tracePath}}, inputs);
      !clash.empty()) {
    return fail(clash + "; nothing was run");
  }
  // A saved file may be programmed or verified later in the batch, but it may not replace the
  // batch file, the trace or a HEX file that an earlier command read.
  std::vector<NamedFile> before = {{"the batch file", options.batchFile},
                                   {"the trace file", options.tracePath}};
  for (const batch::Command& c : parsed.commands) {
    if (c.verb == batch::Verb::kSavePic) {
      if (const std::string clash = OutputOverInput({{"the saved file", c.value}}, before);
          !clash.empty()) {
        return fail(c.where + ": " + clash + "; nothing was run");
      }
    } else if (c.verb == batch::Verb::kProgramPic || c.verb == batch::Verb::kVerifyPic) {
      before.push_back({"the HEX file", c.value});
    }
  }

  WireTrace trace;
  if (!options.tracePath.empty()) {
    std::string error;
    if (!trace.Open(options.tracePath, error)) return fail(error);
  }

  const auto platform = MakePlatform(options);
  if (!platform) {
    output.err(std::string(kProgram) + "this system offers no HID access; try --simulate");
    return kExitNoBoard;
  }
  // The runner installs its headless host for the length of the run; the session the rest.
  Session session(nullptr, platform.get());
  if (!options.tracePath.empty()) session.TraceTo(trace);
  hidlink::HidLink::devicePath = options.devicePath;
  batch::BatchRunner runner(clk::ProcessClock(), {options.yes, options.waitBoardSeconds}, output);
  const int status = runner.Run(parsed.commands);
  if (!trace.failure().empty()) {
    output.err(std::string(kProgram) + trace.failure());
    return status == kExitOk ? kExitFailure : status;
  }
  return status;
}

}  // namespace program
