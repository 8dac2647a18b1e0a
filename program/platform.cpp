#include "program/platform.h"

#include "clock/clock.h"
#include "sim/sim_hid_platform.h"

#if defined(__linux__)
#include "hidlink/linux/linux_hid_platform.h"
#endif
#if defined(_WIN32)
#include "hidlink/windows/windows_hid_platform.h"
#endif

namespace program {

std::unique_ptr<hidlink::HidPlatform> MakePlatform(const ProgramOptions& options) {
  if (options.simulate) {
    auto bus = std::make_unique<sim::SimHidPlatform>(clk::ProcessClock());
    bus->SetTiming(sim::Timing::UsbLike);
    // A keyboard and a mouse share the bus, as on a real machine.
    bus->AddDevice(0x046D, 0xC31C);
    bus->AddDevice(0x046D, 0xC077);
    if (!options.simulatedVersion.empty()) {
      for (std::uint32_t i = 0; i < options.simulatedBoards; ++i) {
        const int board = bus->AddBoard(options.simulatedVersion);
        if (options.simulatedAccess == SimulatedAccess::kDenied) bus->DenyAccess(board);
        if (options.simulatedAccess == SimulatedAccess::kGrantedLate) {
          bus->DenyAccess(
              board, clk::ProcessClock().NowUs() + std::int64_t{kSimulatedGrantDelayMs} * 1000);
        }
      }
    }
    return bus;
  }
#if defined(__linux__)
  return std::make_unique<hidlink::LinuxHidPlatform>();
#elif defined(_WIN32)
  return std::make_unique<hidlink::WindowsHidPlatform>();
#else
  return nullptr;
#endif
}

}  // namespace program
