#pragma once
// The HID platform the options ask for: the simulated bus, or the system's HID devices. The
// only place that names the simulator and the platform backends.

#include <memory>

#include "hidlink/hid_platform.h"
#include "program/options.h"

namespace program {

// Null when this system has no HID access of its own.
std::unique_ptr<hidlink::HidPlatform> MakePlatform(const ProgramOptions& options);

}  // namespace program
