#include "bench/bench_rig.h"

#include "app/resources.h"
#include "app/stopwatch.h"
#include "hidlink/hid_link.h"

BenchRig::BenchRig(ui::Clock& clock, sim::Timing timing) : bus(clock), host(clock) {
  bus.SetTiming(timing);
  ui::SetResources(&app::ProgramResources());
  ui::SetHost(&host);
  ui::SetProcessClock(&clock);
  hidlink::HidLink::ResetForTests();
  hidlink::HidLink::Attach(&bus);
  app::Stopwatch::ResetProbeForTests();
}

BenchRig::~BenchRig() {
  host.CloseAll();
  dialog_.reset();
  hidlink::HidLink::Attach(nullptr);
  hidlink::HidLink::ResetForTests();
  ui::SetProcessClock(nullptr);
  ui::SetHost(nullptr);
}

int BenchRig::AddBoard(std::string version) {
  bus.AddDevice(0x046D, 0xC31C);
  bus.AddDevice(0x046D, 0xC077);
  board = bus.AddBoard(std::move(version));
  return board;
}

headless::HeadlessWindow& BenchRig::Start() {
  dialog_ = std::make_unique<app::Chid_testDlg>();
  window_ = &host.Open(*dialog_);
  return *window_;
}
