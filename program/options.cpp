#include "program/options.h"

#include <algorithm>
#include <array>
#include <vector>

#include "app/resources.h"

namespace program {

std::string SimulatedVersionFor(std::string_view name) {
  if (name == "braxo") return "BRAXO 1.0";
  if (name == "zbk1") return "ZBK V1.0";
  if (name == "zbk2") return "ZBK 2.1";
  if (name == "zbk3") return "ZBK 3.0";
  if (name == "none") return "";
  if (name == "denied" || name == "granted-late") return "ZBK 2.1";
  return std::string(name);
}

namespace {

enum class Match { kNo, kYes, kMissingValue, kOptionAsValue };

// Option `name` at args[i], written "--name VALUE" or "--name=VALUE"; moves i past its value.
// "--trace --batch" is an option forgotten, not a file named "--batch": the value of the first
// spelling may not look like an option (the second spelling takes any value).
Match OptionValue(std::span<const std::string_view> args, std::size_t& i, std::string_view name,
                  std::string& value) {
  const std::string_view a = args[i];
  if (a == name) {
    if (i + 1 >= args.size()) return Match::kMissingValue;
    const std::string_view next = args[i + 1];
    if (next.size() > 1 && next[0] == '-') {
      value = std::string(next);
      return Match::kOptionAsValue;
    }
    value = std::string(args[++i]);
    return Match::kYes;
  }
  if (a.size() > name.size() && a.starts_with(name) && a[name.size()] == '=') {
    value = std::string(a.substr(name.size() + 1));
    return Match::kYes;
  }
  return Match::kNo;
}

constexpr std::array<std::string_view, 13> kOptionNames = {
    "--help",       "--version",        "--simulate",  "--yes",
    "--screenshot", "--batch",          "--batch-file", "--trace",
    "--wait-board", "--list-devices",   "--check-hex", "--device",
    "--simulate-boards"};

}  // namespace

bool AsksForBatch(std::span<const std::string_view> args) {
  const ParsedOptions parsed = ParseOptions(args);
  return parsed.options ? parsed.options->BatchMode() : parsed.windowless;
}

bool AsksForNoWindow(std::span<const std::string_view> args) {
  const ParsedOptions parsed = ParseOptions(args);
  return parsed.options ? parsed.options->BatchMode() || parsed.options->listDevices ||
                              !parsed.options->checkHex.empty()
                        : parsed.windowless;
}

ParsedOptions ParseOptions(std::span<const std::string_view> args) {
  ProgramOptions o;
  bool waitBoardGiven = false;
  // A fault no toolkit option can explain needs no window to be reported.
  const auto refuse = [](std::string error) {
    return ParsedOptions{std::nullopt, std::move(error), true};
  };
  // The first option this program does not know; the toolkit may know it, so the rest is read
  // on: whether a batch is asked for decides who reports it.
  std::string unknown;
  std::vector<std::string_view> seen;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    std::string value;
    std::string_view name = a.substr(0, a.find('='));
    if (name == "-h") name = "--help";
    if (std::find(kOptionNames.begin(), kOptionNames.end(), name) != kOptionNames.end()) {
      if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
        return refuse(std::string(name) + " is given twice: give each option once");
      }
      seen.push_back(name);
    }
    for (std::string_view option :
         {"--screenshot", "--batch", "--batch-file", "--trace", "--wait-board"}) {
      std::size_t at = i;
      if (OptionValue(args, at, option, value) == Match::kOptionAsValue) {
        return refuse(std::string(option) + " needs a value, but " + value +
                      " is an option (write " + std::string(option) +
                      "=VALUE for a value that starts with '-')");
      }
    }
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
      if (name.empty()) return refuse("--simulate= needs a generation or a version text");
      o.simulatedVersion = SimulatedVersionFor(name);
      if (name == "denied") o.simulatedAccess = SimulatedAccess::kDenied;
      if (name == "granted-late") o.simulatedAccess = SimulatedAccess::kGrantedLate;
    } else if (a == "--yes") {
      o.yes = true;
    } else if (a == "--list-devices") {
      o.listDevices = true;
    } else if (a == "--check-hex") {
      // Every argument after it up to the next option is a file.
      while (i + 1 < args.size() && !args[i + 1].starts_with("--")) {
        o.checkHex.emplace_back(args[++i]);
      }
      if (o.checkHex.empty()) return refuse("--check-hex needs at least one HEX file");
    } else if (const Match m = OptionValue(args, i, "--device", value); m != Match::kNo) {
      if (m == Match::kMissingValue || value.empty()) {
        return refuse("--device needs the path of a HID interface (see --list-devices)");
      }
      o.devicePath = value;
    } else if (const Match m = OptionValue(args, i, "--simulate-boards", value); m != Match::kNo) {
      if (m == Match::kMissingValue || value.size() != 1 || value[0] < '1' || value[0] > '8') {
        return refuse("--simulate-boards needs a number of boards from 1 to 8");
      }
      o.simulatedBoards = static_cast<std::uint32_t>(value[0] - '0');
    } else if (const Match m = OptionValue(args, i, "--screenshot", value); m != Match::kNo) {
      if (m == Match::kMissingValue || value.empty()) {
        return refuse("--screenshot needs a file name");
      }
      o.screenshotPath = value;
    } else if (const Match m = OptionValue(args, i, "--batch", value); m != Match::kNo) {
      if (m == Match::kMissingValue) return refuse("--batch needs the commands to run");
      o.batch = value;
    } else if (const Match m = OptionValue(args, i, "--batch-file", value); m != Match::kNo) {
      if (m == Match::kMissingValue || value.empty()) {
        return refuse("--batch-file needs a file name");
      }
      o.batchFile = value;
    } else if (const Match m = OptionValue(args, i, "--trace", value); m != Match::kNo) {
      if (m == Match::kMissingValue || value.empty()) {
        return refuse("--trace needs a file name");
      }
      o.tracePath = value;
    } else if (const Match m = OptionValue(args, i, "--wait-board", value); m != Match::kNo) {
      // Whole seconds, at most a day.
      std::uint32_t seconds = 0;
      bool good = m == Match::kYes && !value.empty() && value.size() <= 5;
      for (char c : value) {
        good = good && c >= '0' && c <= '9';
        if (good) seconds = seconds * 10 + static_cast<std::uint32_t>(c - '0');
      }
      if (!good || seconds > 86400) {
        return refuse("--wait-board needs a number of seconds from 0 to 86400");
      }
      o.waitBoardSeconds = seconds;
      waitBoardGiven = true;
    } else if (unknown.empty()) {
      unknown = "unknown option: " + std::string(a);
    }
  }
  const bool windowless =
      o.BatchMode() || o.help || o.version || o.listDevices || !o.checkHex.empty();
  if (!unknown.empty()) return {std::nullopt, unknown, windowless};
  const int alone =
      (o.BatchMode() ? 1 : 0) + (o.checkHex.empty() ? 0 : 1) + (o.listDevices ? 1 : 0);
  if (alone > 1) return refuse("a batch, --check-hex and --list-devices cannot be used together");
  if (alone > 0 && !o.BatchMode() && !o.screenshotPath.empty()) {
    return refuse("--screenshot needs the window: it cannot be used with " +
                  std::string(o.listDevices ? "--list-devices" : "--check-hex"));
  }
  if (o.batch && !o.batchFile.empty()) {
    return refuse("--batch and --batch-file cannot be used together");
  }
  if (!o.BatchMode()) {
    if (o.yes) return refuse("--yes answers a batch's erase confirmation: it needs --batch");
    if (waitBoardGiven) return refuse("--wait-board is for batch mode: it needs --batch");
  } else if (!o.screenshotPath.empty()) {
    return refuse("--screenshot needs the window: it cannot be used with a batch");
  }
  return {o, {}, windowless};
}

std::string VersionText() {
  return std::string("zbk-utility ") + app::kVersion + "\n";
}

std::string HelpText(std::string_view programName) {
  std::string p(programName);
  return "Usage: " + p +
         " [OPTION]...\n"
         "Bench utility for the ZBK USB stepper-motor controller board.\n"
         "\n"
         "  --simulate[=GEN]     use a simulated board instead of the USB bus; GEN is braxo,\n"
         "                       zbk1, zbk2 (the default), zbk3, none (no board), or any\n"
         "                       version text the board should answer; denied: a zbk2\n"
         "                       board that may not be opened, granted-late: one that may\n"
         "                       be opened 1.5 s after the start, as udev allows it\n"
         "  --screenshot FILE    save a picture of the main window to FILE (PNG) and exit\n"
         "  --trace FILE         write every report sent to and received from the board to\n"
         "                       FILE, with the time in microseconds, in hexadecimal\n"
         "  --batch \"CMD; ...\"  run the dialog's commands without the window: log lines\n"
         "                       go to standard output, message boxes to standard error\n"
         "  --batch-file FILE    the same with the commands in FILE, one a line, # comments\n"
         "  --yes                in a batch, confirm erasing the PIC (erase-pic)\n"
         "  --wait-board SECONDS in a batch, wait up to SECONDS for the board to be plugged in\n"
         "  --device PATH        use the board's interface at PATH (a /dev/hidraw node, or a\n"
         "                       Windows device path) instead of the first one found\n"
         "  --list-devices       list the board's HID interfaces: path, report lengths,\n"
         "                       whether it opens, its version text; then exit\n"
         "  --check-hex FILE...  check HEX files as Program PIC would, without a board or a\n"
         "                       window: one line a file; exit 0 when all pass, else 1\n"
         "  --simulate-boards N  with --simulate, N boards on the simulated bus (1 to 8)\n"
         "  --version            print the version and exit\n"
         "  --help               print this help and exit\n"
         "\n"
         "Batch commands: connect, status, motor-on, motor-off, cut-forward, cut-back,\n"
         "program-zbk, read-pic [ADDR], program-pic FILE, verify-pic FILE, save-pic FILE,\n"
         "erase-pic, preset NAME, show, wait MS, set FIELD VALUE. Fields: steps, rate,\n"
         "motors, repeat, step-duration, dir-delay,\n"
         "braxo on|off, timer 10|20|50, step1..step4 and dir1..dir4 (a pin such as\n"
         "Pin5(D3) or 5), motor-on-pin Pin1|Pin17, active-high on|off, step-mode (Full step,\n"
         "1/2 step ... 1/16 step), pic-rev-a on|off, addr (decimal or 0x hexadecimal).\n"
         "Every command is checked before any runs; the batch stops at the first failure.\n"
         "Example: " +
         p +
         " --simulate --batch \"connect; program-pic blink.hex; read-pic 0\"\n"
         "\n"
         "Exit status: 0 every command ran (--check-hex: every file passed); 1 a command\n"
         "reported a failure (verify-pic: a word differs; --check-hex: a file was refused);\n"
         "2 no board was found; 3 bad options or a bad batch (nothing was run).\n";
}

}  // namespace program
