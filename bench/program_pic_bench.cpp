// Program PIC of a full 8K-word image (1024 records of 8 words), through the dialog's handler:
// what the host costs per record with a board that answers at once, and how close a run on the
// system clock comes to the bus's own pace of one transfer a millisecond.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/resource_ids.h"
#include "bench/bench_rig.h"
#include "bench/hex_image.h"
#include "bench/temp_tree.h"
#include "clock/clock.h"
#include "hidlink/hid_link.h"

namespace {

constexpr int kRecords = 1024;
constexpr int kWordsPerRecord = 8;
const char kSuccess[] = "Programmation successful";

struct Image {
  bench::TempTree tree;
  std::string path;
  bool written = false;
};

const Image& FullImage() {
  static const std::unique_ptr<Image> image = [] {
    auto made = std::make_unique<Image>();
    made->path = (made->tree.path() / "full8k.hex").string();
    made->written = made->tree.Write("full8k.hex", bench::HexImage(kRecords, kWordsPerRecord));
    return made;
  }();
  return *image;
}

// The dialog connected, the jumper already in program position: what follows is Program PIC's.
std::unique_ptr<BenchRig> ReadyRig(clk::Clock& clock, sim::Timing timing) {
  auto rig = std::make_unique<BenchRig>(clock, timing);
  rig->AddBoard();
  rig->Start();
  rig->Dialog().RequireJumperPosition(1);
  rig->bus.ClearTrace();
  rig->host.ClearBoxes();
  return rig;
}

// Whether the run ended with the success box and every record in the board.
bool Succeeded(BenchRig& rig) {
  const auto& boxes = rig.host.Boxes();
  return !boxes.empty() && boxes.back().text == kSuccess &&
         rig.BoardModel().PicRecordsProgrammed() == kRecords &&
         rig.BoardModel().Violations().empty();
}

void ClickProgram(BenchRig& rig) {
  rig.host.QueueFileAnswer(FullImage().path);
  rig.Window().Click(app::IDC_BUTTON_PROGRAM_PIC);
}

void BM_ProgramPicInstant(benchmark::State& state) {
  if (!FullImage().written) {
    state.SkipWithError("could not write the HEX image");
    return;
  }
  clk::VirtualClock clock;
  bool ok = true;
  for (auto _ : state) {
    state.PauseTiming();
    auto rig = ReadyRig(clock, sim::Timing::Instant);
    state.ResumeTiming();
    ClickProgram(*rig);
    state.PauseTiming();
    ok = Succeeded(*rig) && ok;
    rig.reset();
    state.ResumeTiming();
  }
  if (!ok) state.SkipWithError("Program PIC did not succeed");
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.counters["records"] = kRecords;
}
BENCHMARK(BM_ProgramPicInstant)->Unit(benchmark::kMillisecond);

// One run on the system clock with the USB-like bus: every transfer waits for its frame.
void BM_ProgramPicUsbLike(benchmark::State& state) {
  if (!FullImage().written) {
    state.SkipWithError("could not write the HEX image");
    return;
  }
  clk::SystemClock clock;
  bool ok = true;
  for (auto _ : state) {
    auto rig = ReadyRig(clock, sim::Timing::UsbLike);
    const auto start = std::chrono::steady_clock::now();
    ClickProgram(*rig);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(elapsed.count());
    ok = Succeeded(*rig) && ok;
    // The bus's own count: reports out and replies in, each one frame.
    state.counters["transfers"] = static_cast<double>(rig->bus.Trace().size());
  }
  if (!ok) state.SkipWithError("Program PIC did not succeed");
}
BENCHMARK(BM_ProgramPicUsbLike)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(1);

}  // namespace
