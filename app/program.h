#pragma once
// The program's command line and the HID platform it picks.

#include <cstdint>
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
  // Batch mode: the dialog's commands without the window, given on the command line (--batch,
  // commands separated by ';') or in a file (--batch-file, one command a line).
  std::optional<std::string> batch;
  std::string batchFile;
  bool yes = false;                    // answer the erase confirmation with OK
  std::uint32_t waitBoardSeconds = 0;  // how long a batch waits for the board to be plugged in
  std::string tracePath;               // every report on the wire goes to this file

  bool BatchMode() const { return batch.has_value() || !batchFile.empty(); }
};

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;   // a command reported a failure
inline constexpr int kExitNoBoard = 2;   // no board was found
inline constexpr int kExitBadUsage = 3;  // bad options or a bad batch: nothing was run

struct ParsedOptions {
  std::optional<ProgramOptions> options;
  std::string error;  // set when options is empty
};

// `args` without the program name.
ParsedOptions ParseOptions(std::span<const std::string_view> args);
// Whether the arguments ask for batch mode, before anything else has looked at them: batch mode
// starts no window system.
bool AsksForBatch(std::span<const std::string_view> args);
std::string HelpText(std::string_view programName);
std::string VersionText();
// The version text a simulated board of generation `name` answers: braxo, zbk1, zbk2, zbk3,
// none (no board at all), or any other text, answered as it stands.
std::string SimulatedVersionFor(std::string_view name);

// The platform the options ask for: the simulated bus, or the system's HID devices.
std::unique_ptr<hidlink::HidPlatform> MakePlatform(const ProgramOptions& options);

}  // namespace app
