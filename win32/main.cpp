// zbk-utility on Windows: the Win32 host around the core.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/chid_test_dlg.h"
#include "app/program.h"
#include "app/resources.h"
#include "batch/batch_runner.h"
#include "batch/wire_trace.h"
#include "hidlink/hid_link.h"
#include "ui/dialog.h"
#include "win32/text_convert.h"
#include "win32/win32_host.h"

namespace {

constexpr std::string_view kListControls = "--list-controls";

// A program of the windows subsystem has no console of its own: its output goes to the console
// it was started from, when there is one and the output is not redirected.
void UseParentConsole() {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::FILE* ignored = nullptr;
  freopen_s(&ignored, "CONOUT$", "w", stdout);
  freopen_s(&ignored, "CONOUT$", "w", stderr);
}

std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) args.push_back(win32host::Narrow(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  UseParentConsole();

  // --list-controls is this host's own: the main window's controls as the system made them.
  const std::vector<std::string> all = Arguments();
  std::vector<std::string_view> args;
  bool listControls = false;
  for (const auto& a : all) {
    if (a == kListControls) {
      listControls = true;
    } else {
      args.emplace_back(a);
    }
  }
  const auto parsed = app::ParseOptions(args);
  if (!parsed.options) {
    std::fprintf(stderr, "zbk-utility: %s\nTry 'zbk-utility --help'.\n", parsed.error.c_str());
    return app::kExitBadUsage;
  }
  const auto& options = *parsed.options;
  if (options.help) {
    std::fputs(app::HelpText("zbk-utility").c_str(), stdout);
    std::fputs("  --list-controls      print the main window's controls and exit\n", stdout);
    return app::kExitOk;
  }
  if (options.version) {
    std::fputs(app::VersionText().c_str(), stdout);
    return app::kExitOk;
  }
  if (options.BatchMode()) return batch::RunBatchMode(options, batch::StdioOutput());

  batch::WireTrace trace;
  if (!options.tracePath.empty()) {
    std::string error;
    if (!trace.Open(options.tracePath, error)) {
      std::fprintf(stderr, "zbk-utility: %s\n", error.c_str());
      return app::kExitBadUsage;
    }
  }

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = 0xFF;
  InitCommonControlsEx(&controls);

  ui::SetResources(&app::ProgramResources());
  win32host::Win32Host host;
  ui::SetHost(&host);
  if (!options.screenshotPath.empty()) host.SetScreenshotPath(options.screenshotPath);
  if (listControls) host.SetControlListing(stdout);

  const auto platform = app::MakePlatform(options);
  hidlink::HidLink::Attach(platform.get());
  if (!options.tracePath.empty()) trace.Attach();

  app::Chid_testApp theApp;
  theApp.InitInstance();

  trace.Detach();
  hidlink::HidLink::CloseAll();
  hidlink::HidLink::Attach(nullptr);
  ui::SetHost(nullptr);
  if (!options.screenshotPath.empty() && !host.ScreenshotWritten()) {
    std::fprintf(stderr, "zbk-utility: could not write %s\n", options.screenshotPath.c_str());
    return app::kExitFailure;
  }
  return app::kExitOk;
}
