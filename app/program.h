#pragma once
// The program's command line and the HID platform it picks.

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "hidlink/hid_platform.h"

namespace app {

struct ProgramOptions {
  bool help = false;
  bool version = false;
  bool simulate = false;
  // The simulated board's version text ("ZBK 2.1" for --simulate); empty: a bus without a board.
  std::string simulatedVersion;
  std::string screenshotPath;
};

struct ParsedOptions {
  std::optional<ProgramOptions> options;
  std::string error;  // set when options is empty
};

// `args` without the program name.
ParsedOptions ParseOptions(std::span<const std::string_view> args);
std::string HelpText(std::string_view programName);
std::string VersionText();
// The version text a simulated board of generation `name` answers: braxo, zbk1, zbk2, zbk3,
// none (no board at all), or any other text, answered as it stands.
std::string SimulatedVersionFor(std::string_view name);

// The platform the options ask for: the simulated bus, or the system's HID devices.
std::unique_ptr<hidlink::HidPlatform> MakePlatform(const ProgramOptions& options);

}  // namespace app
