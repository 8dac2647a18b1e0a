// The link on its own: one exchange with a board that answers at once, against copying the same
// bytes through memory; and discovery over a sysfs tree of 32 HID interfaces.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "bench/bench_rig.h"
#include "bench/temp_tree.h"
#include "clock/clock.h"
#include "headless/headless_host.h"
#include "hidlink/hid_link.h"
#include "hidlink/linux/linux_hid_platform.h"
#include "hidlink_linux/sample_descriptors.h"
#include "program/session.h"

using hidlink::HidLink;

namespace {

void BM_Exchange(benchmark::State& state) {
  clk::VirtualClock clock;
  BenchRig rig(clock, sim::Timing::Instant);
  rig.AddBoard();
  rig.Start();
  if (!HidLink::connected) {
    state.SkipWithError("the simulated board did not connect");
    return;
  }
  rig.bus.ClearTrace();
  HidLink::outReport.fill(0);
  HidLink::outReport[1] = 's';
  std::int64_t exchanges = 0;
  for (auto _ : state) {
    HidLink::Exchange();
    benchmark::DoNotOptimize(HidLink::inReport.data());
    // The bus keeps a trace of every report; the part of its cost that falls due is counted.
    if ((++exchanges & 4095) == 0) rig.bus.ClearTrace();
  }
  if (!HidLink::connected || HidLink::inReport[1] != 0 || !rig.BoardModel().Violations().empty()) {
    state.SkipWithError("the exchanges did not all succeed");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Exchange);

// The same bytes, out and back, with no link at all.
void BM_ExchangeBaseline(benchmark::State& state) {
  std::array<std::uint8_t, hidlink::kReportBufferSize> out{};
  std::array<std::uint8_t, hidlink::kReportBufferSize> wire{};
  std::array<std::uint8_t, hidlink::kReportBufferSize> in{};
  out[1] = 's';
  constexpr std::size_t kLength = 65;  // the board's report length, id byte included
  for (auto _ : state) {
    benchmark::DoNotOptimize(out.data());
    std::memcpy(wire.data(), out.data(), kLength);
    benchmark::ClobberMemory();
    std::memcpy(in.data(), wire.data(), kLength);
    benchmark::DoNotOptimize(in.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ExchangeBaseline);

constexpr int kInterfaces = 32;

std::string Uevent(std::uint16_t vendor, std::uint16_t product) {
  char line[64];
  std::snprintf(line, sizeof line, "HID_ID=0003:%08X:%08X\n", vendor, product);
  return std::string("DRIVER=hid-generic\n") + line + "HID_NAME=bench device\n";
}

// hidraw0..hidraw31 in sysfs and as device nodes (plain files stand in for them: discovery only
// opens, reads sysfs, and opens the board's node for writing and reading). The board is last.
bool MakeHidTree(const bench::TempTree& tree) {
  using hidlink::samples::Bytes;
  for (int i = 0; i < kInterfaces; ++i) {
    const bool board = i == kInterfaces - 1;
    const std::string name = "hidraw" + std::to_string(i);
    const Bytes& descriptor = board        ? hidlink::samples::kVendor64
                              : i % 2 == 0 ? hidlink::samples::kKeyboard
                                           : hidlink::samples::kMouse;
    const std::string uevent = board ? Uevent(hidlink::kZbkVendorId, hidlink::kZbkProductId)
                                     : Uevent(0x046D, static_cast<std::uint16_t>(0xC300 + i));
    if (!tree.Write("sys/" + name + "/device/uevent", uevent) ||
        !tree.Write("sys/" + name + "/device/report_descriptor",
                    std::string(descriptor.begin(), descriptor.end())) ||
        !tree.Write("dev/" + name, "")) {
      return false;
    }
  }
  return true;
}

void BM_Discovery(benchmark::State& state) {
  bench::TempTree tree;
  if (!MakeHidTree(tree)) {
    state.SkipWithError("could not write the sysfs tree");
    return;
  }
  clk::VirtualClock clock;
  headless::HeadlessHost host(clock);
  hidlink::LinuxHidPlatform platform((tree.path() / "sys").string(),
                                     (tree.path() / "dev").string());
  program::Session session(&host, &platform, &clock);
  bool found = true;
  for (auto _ : state) found = HidLink::FindDevice() && found;
  const bool fits = HidLink::OutputLength() == 65 && HidLink::InputLength() == 65;
  if (!found || !fits || !host.Boxes().empty()) {
    state.SkipWithError("discovery did not find the board cleanly");
  }
}
BENCHMARK(BM_Discovery)->Unit(benchmark::kMicrosecond);

}  // namespace
