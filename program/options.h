#pragma once
// The program's command line: its options, help, version and exit statuses.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "batch/exit_status.h"

namespace program {

// How the simulated board answers the opens that need access rights.
enum class SimulatedAccess {
  kGranted,
  kDenied,       // refused for good, as a node without the udev rule
  kGrantedLate,  // refused for the first kSimulatedGrantDelayMs, as udev right after plugging in
};
inline constexpr std::uint32_t kSimulatedGrantDelayMs = 1500;

struct ProgramOptions {
  bool help = false;
  bool version = false;
  bool simulate = false;
  // The simulated board's version text ("ZBK 2.1" for --simulate); empty: a bus without a board.
  std::string simulatedVersion;
  SimulatedAccess simulatedAccess = SimulatedAccess::kGranted;
  std::string screenshotPath;
  // Batch mode: the dialog's commands without the window, given on the command line (--batch,
  // commands separated by ';') or in a file (--batch-file, one command a line).
  std::optional<std::string> batch;
  std::string batchFile;
  bool yes = false;                    // answer the erase confirmation with OK
  std::uint32_t waitBoardSeconds = 0;  // how long a batch waits for the board to be plugged in
  std::string tracePath;               // every report on the wire goes to this file
  std::uint32_t simulatedBoards = 1;   // boards on the simulated bus, each its own interface
  std::string devicePath;              // use this interface, not the first board found
  bool listDevices = false;            // list the board's interfaces and exit
  std::vector<std::string> checkHex;   // check these HEX files and exit

  bool BatchMode() const { return batch.has_value() || !batchFile.empty(); }
};

using batch::kExitBadUsage;
using batch::kExitFailure;
using batch::kExitNoBoard;
using batch::kExitOk;

struct ParsedOptions {
  std::optional<ProgramOptions> options;
  std::string error;  // set when options is empty
  // The arguments need no window system: they ask for a batch, the help or the version, or they
  // hold a fault that no toolkit option can explain (a missing value, an option given twice).
  bool windowless = false;
};

// `args` without the program name.
ParsedOptions ParseOptions(std::span<const std::string_view> args);
// Whether the arguments ask for batch mode, as the parse reads them, before anything else has
// looked at them: batch mode starts no window system.
bool AsksForBatch(std::span<const std::string_view> args);
// Whether the arguments ask for something that needs no window: a batch, --check-hex or
// --list-devices.
bool AsksForNoWindow(std::span<const std::string_view> args);
std::string HelpText(std::string_view programName);
std::string VersionText();
// The version text a simulated board of generation `name` answers: braxo, zbk1, zbk2, zbk3,
// none (no board at all), or any other text, answered as it stands. The access names (denied,
// granted-late) are a zbk2 board.
std::string SimulatedVersionFor(std::string_view name);

}  // namespace program
