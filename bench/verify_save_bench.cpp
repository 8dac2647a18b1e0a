// Verify PIC of a full 8K-word image and Save PIC of the whole chip, each one run on the system
// clock with the USB-like bus: how close they come to the bus's own pace of one transfer a
// millisecond (each 'r' exchange is two transfers).

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "app/resource_ids.h"
#include "bench/bench_rig.h"
#include "bench/hex_image.h"
#include "bench/temp_tree.h"
#include "clock/clock.h"

namespace {

constexpr int kRecords = 1024;
constexpr int kWordsPerRecord = 8;

// The dialog connected, the jumper in program position and the chip holding the full image,
// programmed at no bus cost; from here on the bus keeps its USB-like pace.
std::unique_ptr<BenchRig> ProgrammedRig(clk::Clock& clock, const std::string& image) {
  auto rig = std::make_unique<BenchRig>(clock, sim::Timing::Instant);
  rig->AddBoard();
  rig->Start();
  rig->Dialog().RequireJumperPosition(1);
  rig->host.QueueFileAnswer(image);
  rig->Window().Click(app::IDC_BUTTON_PROGRAM_PIC);
  rig->bus.SetTiming(sim::Timing::UsbLike);
  rig->bus.ClearTrace();
  rig->host.ClearBoxes();
  return rig;
}

template <class Act>
void RunOnce(benchmark::State& state, unsigned command, const std::string& answer, Act check) {
  bench::TempTree tree;
  const std::string image = (tree.path() / "full8k.hex").string();
  if (!tree.Write("full8k.hex", bench::HexImage(kRecords, kWordsPerRecord))) {
    state.SkipWithError("could not write the HEX image");
    return;
  }
  clk::SystemClock clock;
  bool ok = true;
  for (auto _ : state) {
    auto rig = ProgrammedRig(clock, image);
    rig->host.QueueFileAnswer(answer.empty() ? image : (tree.path() / answer).string());
    const auto start = std::chrono::steady_clock::now();
    rig->Window().SysCommand(command);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(elapsed.count());
    ok = ok && rig->Dialog().m_outcome == app::CommandOutcome{} && check(*rig);
    state.counters["transfers"] = static_cast<double>(rig->bus.Trace().size());
  }
  if (!ok) state.SkipWithError("the command did not succeed");
}

void BM_VerifyPicUsbLike(benchmark::State& state) {
  RunOnce(state, app::IDM_VERIFY_PIC, "", [](BenchRig& rig) {
    return rig.host.Boxes().back().text.find("all 8192 words equal") != std::string::npos;
  });
}
BENCHMARK(BM_VerifyPicUsbLike)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(1);

void BM_SavePicUsbLike(benchmark::State& state) {
  RunOnce(state, app::IDM_SAVE_PIC, "saved.hex", [](BenchRig& rig) {
    return rig.host.Boxes().back().text.find("saved to saved.hex") != std::string::npos;
  });
}
BENCHMARK(BM_SavePicUsbLike)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(1);

}  // namespace
