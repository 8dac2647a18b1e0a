#include "program/run.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/chid_test_dlg.h"
#include "hidlink/hid_link.h"
#include "pic/utf8_path.h"
#include "program/hex_check.h"
#include "program/platform.h"
#include "program/session.h"
#include "program/wire_trace.h"

namespace program {

namespace {

constexpr std::string_view kProgram = "zbk-utility: ";

int BadUsage(const std::string& error) {
  std::fprintf(stderr, "zbk-utility: %s\nTry 'zbk-utility --help'.\n", error.c_str());
  return kExitBadUsage;
}

}  // namespace

std::optional<int> RunWithoutWindow(std::span<const std::string_view> args,
                                    std::string_view hostHelp) {
  // Anything else may carry the toolkit's own options, which only it can take out.
  const auto parsed = ParseOptions(args);
  const bool windowless = AsksForNoWindow(args) ||
                          (parsed.options && (parsed.options->help || parsed.options->version));
  if (!windowless) return std::nullopt;
  if (!parsed.options) return BadUsage(parsed.error);
  const auto& options = *parsed.options;
  if (options.help) {
    std::fputs(HelpText("zbk-utility").c_str(), stdout);
    std::fwrite(hostHelp.data(), 1, hostHelp.size(), stdout);
    return kExitOk;
  }
  if (options.version) {
    std::fputs(VersionText().c_str(), stdout);
    return kExitOk;
  }
  if (!options.checkHex.empty() || options.listDevices) {
    const batch::BatchOutput io = batch::StdioOutput();
    // Only a board that is asked for is looked for.
    const bool lookForBoard =
        options.listDevices || options.simulate || !options.devicePath.empty();
    const auto platform = lookForBoard ? MakePlatform(options) : nullptr;
    Session session(nullptr, platform.get());
    if (options.listDevices) return ListDevices(platform.get(), io.out, io.err);
    return CheckHexFiles(options.checkHex, CheckedOutputLength(platform.get(), options.devicePath),
                         io.out, io.err);
  }
  return RunBatch(options, batch::StdioOutput());
}

int RunWindowed(std::span<const std::string_view> args, WindowedHost& host) {
  const auto parsed = ParseOptions(args);
  if (!parsed.options) return BadUsage(parsed.error);
  return RunWindowed(*parsed.options, host);
}

int RunWindowed(const ProgramOptions& options, WindowedHost& host) {
  WireTrace trace;
  if (!options.tracePath.empty()) {
    std::string error;
    if (!trace.Open(options.tracePath, error)) {
      std::fprintf(stderr, "zbk-utility: %s\n", error.c_str());
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
    std::fprintf(stderr, "zbk-utility: could not write %s\n", options.screenshotPath.c_str());
    return kExitFailure;
  }
  return kExitOk;
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
    const auto path = pic::PathFromUtf8(options.batchFile);
    std::error_code error;
    std::ifstream in;
    if (!std::filesystem::is_directory(path, error)) in.open(path, std::ios::binary);
    std::ostringstream contents;
    if (in) contents << in.rdbuf();
    if (!in || in.bad()) return fail("cannot read the batch file " + options.batchFile);
    parsed = batch::ParseBatchFile(contents.str(), options.batchFile);
  }
  if (!parsed.ok()) return fail(parsed.error + "; nothing was run");
  if (const std::string bad = batch::CheckFiles(parsed.commands); !bad.empty()) {
    return fail(bad + "; nothing was run");
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
  return runner.Run(parsed.commands);
}

}  // namespace program
