#include "app/program.h"

#include "app/resources.h"
#include "sim/sim_hid_platform.h"
#include "ui/clock.h"

#if defined(__linux__)
#include "hidlink/linux/linux_hid_platform.h"
#endif

namespace app {

std::string SimulatedVersionFor(std::string_view name) {
  if (name == "braxo") return "BRAXO 1.0";
  if (name == "zbk1") return "ZBK V1.0";
  if (name == "zbk2") return "ZBK 2.1";
  if (name == "zbk3") return "ZBK 3.0";
  if (name == "none") return "";
  return std::string(name);
}

ParsedOptions ParseOptions(std::span<const std::string_view> args) {
  ProgramOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--simulate") {
      o.simulate = true;
      o.simulatedVersion = SimulatedVersionFor("zbk2");
    } else if (a.starts_with("--simulate=")) {
      o.simulate = true;
      const auto name = a.substr(11);
      if (name.empty()) return {std::nullopt, "--simulate= needs a generation or a version text"};
      o.simulatedVersion = SimulatedVersionFor(name);
    } else if (a == "--screenshot") {
      if (i + 1 >= args.size()) return {std::nullopt, "--screenshot needs a file name"};
      o.screenshotPath = std::string(args[++i]);
    } else if (a.starts_with("--screenshot=")) {
      o.screenshotPath = std::string(a.substr(13));
      if (o.screenshotPath.empty()) return {std::nullopt, "--screenshot needs a file name"};
    } else {
      return {std::nullopt, "unknown option: " + std::string(a)};
    }
  }
  return {o, {}};
}

std::string VersionText() {
  return std::string("zbk-utility ") + kVersion + "\n";
}

std::string HelpText(std::string_view programName) {
  std::string p(programName);
  return "Usage: " + p +
         " [OPTION]...\n"
         "Bench utility for the ZBK USB stepper-motor controller board.\n"
         "\n"
         "  --simulate[=GEN]     use a simulated board instead of the USB bus; GEN is braxo,\n"
         "                       zbk1, zbk2 (the default), zbk3, none (no board), or any\n"
         "                       version text the board should answer\n"
         "  --screenshot FILE    save a picture of the main window to FILE (PNG) and exit\n"
         "  --version            print the version and exit\n"
         "  --help               print this help and exit\n";
}

std::unique_ptr<hidlink::HidPlatform> MakePlatform(const ProgramOptions& options) {
  if (options.simulate) {
    auto bus = std::make_unique<sim::SimHidPlatform>(ui::ProcessClock());
    bus->SetTiming(sim::Timing::UsbLike);
    // A keyboard and a mouse share the bus, as on a real machine.
    bus->AddDevice(0x046D, 0xC31C);
    bus->AddDevice(0x046D, 0xC077);
    if (!options.simulatedVersion.empty()) bus->AddBoard(options.simulatedVersion);
    return bus;
  }
#if defined(__linux__)
  return std::make_unique<hidlink::LinuxHidPlatform>();
#else
  return nullptr;
#endif
}

}  // namespace app
