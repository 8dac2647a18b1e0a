#pragma once
// --check-hex and --list-devices: runs that need neither a window nor, for the first, a board.

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "hidlink/hid_platform.h"

namespace program {

using LineOut = std::function<void(std::string_view line)>;

// Checks each file as Program PIC would (the whole-file check, then whether its records fit
// output reports of `outputReportLength` bytes). One line a file: on `out` its records, words and
// word address ranges; on `err` the refusal "file: line: reason". kExitOk when every file passes,
// else kExitFailure.
int CheckHexFiles(std::span<const std::string> files, std::size_t outputReportLength,
                  const LineOut& out, const LineOut& err);

// The output report length --check-hex checks against: that of a board on `platform` when one is
// attached (discovery runs without showing its errors), else the standard board's 65 bytes.
// `devicePath` as for --device.
std::size_t CheckedOutputLength(hidlink::HidPlatform* platform, const std::string& devicePath);

// One line for each interface of the board's vendor and product on `platform`: its path, its
// report lengths, whether it can be opened and, when it can, the version text it answers.
// kExitOk when at least one was listed, else kExitNoBoard.
int ListDevices(hidlink::HidPlatform* platform, const LineOut& out, const LineOut& err);

}  // namespace program
