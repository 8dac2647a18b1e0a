#include "bench/bench_rig.h"

BenchRig::BenchRig(clk::Clock& clock, sim::Timing timing)
    : bus(clock), host(clock), session_(&host, &bus, &clock) {
  bus.SetTiming(timing);
}

BenchRig::~BenchRig() {
  host.CloseAll();
  dialog_.reset();
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
