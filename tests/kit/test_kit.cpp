#include "kit/test_kit.h"

TestKit::TestKit() {
  clock.SetCounter(123'456'789);  // not zero, as on a machine that has been up a while
}

TestKit::~TestKit() {
  // Closing the dialog can still show boxes (the jumper reminder) and move reports; the test's
  // callbacks may refer to its locals, which are gone by now.
  host.SetWhileBoxOpen(nullptr);
  host.SetModalDriver(nullptr);
  bus.SetTraceSink(nullptr);
  host.CloseAll();
  dialog_.reset();
}

int TestKit::AddBoard(std::string version, std::uint16_t outputLength, std::uint16_t inputLength) {
  board = bus.AddBoard(std::move(version), outputLength, inputLength);
  return board;
}

headless::HeadlessWindow& TestKit::Start() {
  dialog_ = std::make_unique<app::Chid_testDlg>();
  window_ = &host.Open(*dialog_);
  return *window_;
}

std::vector<std::string> TestKit::Log() const {
  return window_ ? window_->Items(app::IDC_LIST_LOG) : std::vector<std::string>{};
}

std::vector<std::vector<std::uint8_t>> TestKit::Sent() const {
  std::vector<std::vector<std::uint8_t>> out;
  for (const auto& e : bus.Trace()) {
    if (e.toBoard) out.push_back(e.bytes);
  }
  return out;
}

std::vector<std::vector<std::uint8_t>> TestKit::Received() const {
  std::vector<std::vector<std::uint8_t>> out;
  for (const auto& e : bus.Trace()) {
    if (!e.toBoard) out.push_back(e.bytes);
  }
  return out;
}

std::vector<std::string> TestKit::BoxTexts() const {
  std::vector<std::string> out;
  for (const auto& b : host.Boxes()) out.push_back(b.text);
  return out;
}
