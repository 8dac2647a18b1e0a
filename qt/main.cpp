// zbk-utility on Linux: the Qt host around the core, or a batch run without any window.

#include <QApplication>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/chid_test_dlg.h"
#include "app/program.h"
#include "app/resources.h"
#include "batch/batch_runner.h"
#include "batch/wire_trace.h"
#include "hidlink/hid_link.h"
#include "qt/qt_host.h"
#include "ui/dialog.h"

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  // A batch, the help and the version need no window system, so Qt is not started for them:
  // they work without a display. Everything else may carry Qt's own options.
  const auto plain = app::ParseOptions(args);
  const bool windowless =
      app::AsksForBatch(args) || (plain.options && (plain.options->help || plain.options->version));
  std::optional<QApplication> application;
  if (!windowless) {
    application.emplace(argc, argv);  // takes Qt's own options out of argv
    args.assign(argv + 1, argv + argc);
  }

  const auto parsed = app::ParseOptions(args);
  if (!parsed.options) {
    std::fprintf(stderr, "zbk-utility: %s\nTry 'zbk-utility --help'.\n", parsed.error.c_str());
    return app::kExitBadUsage;
  }
  const auto& options = *parsed.options;
  if (options.help) {
    std::fputs(app::HelpText("zbk-utility").c_str(), stdout);
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

  ui::SetResources(&app::ProgramResources());
  qthost::QtHost host;
  ui::SetHost(&host);
  if (!options.screenshotPath.empty()) host.SetScreenshotPath(options.screenshotPath);

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
