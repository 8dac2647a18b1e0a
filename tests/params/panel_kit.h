// Small helpers shared by the parameter panel's dialog tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "kit/test_kit.h"
#include "params/parameter_ids.h"
#include "sim/zbk_board.h"

namespace panel {

// A board answering `version` with the stored parameters `stored`, the dialog started on it
// (OnInitDialog has run its Connect).
inline headless::HeadlessWindow& StartOn(TestKit& kit, const std::string& version,
                                         const sim::StoredParameters& stored) {
  kit.AddBoard(version);
  kit.BoardModel().SetParameters(stored);
  return kit.Start();
}

// The requests the board received, as "v", "I0", "a2", ...
inline std::vector<std::string> Requests(const TestKit& kit) {
  std::vector<std::string> out;
  for (const auto& report : kit.Sent()) {
    std::string r(1, static_cast<char>(report.at(1)));
    if (r == "I" || r == "a") r += std::to_string(report.at(2));
    out.push_back(r);
  }
  return out;
}

// Bytes 0..10 of a report: report id, letter, block and the eight payload bytes.
inline std::vector<std::uint8_t> Head(const std::vector<std::uint8_t>& report) {
  return {report.begin(), report.begin() + 11};
}

// The eight pin lists' selections, in Motor1..4 Step then Motor1..4 Dir order.
inline std::array<int, 8> PinSelections(const headless::HeadlessWindow& w) {
  std::array<int, 8> out{};
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = w.GetCurSel(params::kPinListIds[i]);
  return out;
}

// Every control whose enabled state the panel's handlers decide, for whole-panel checks.
inline constexpr std::array<int, 18> kPanelControls = {
    params::kIdStepDuration, params::kIdDirDelay,   params::kIdTimer10k,   params::kIdTimer20k,
    params::kIdTimer50k,     params::kIdStepMotor1, params::kIdStepMotor2, params::kIdStepMotor3,
    params::kIdStepMotor4,   params::kIdDirMotor1,  params::kIdDirMotor2,  params::kIdDirMotor3,
    params::kIdDirMotor4,    params::kIdPreset,     params::kIdActiveHigh, params::kIdMotorOnPin,
    params::kIdStepMode,     params::kIdBraxoMode};

// The panel controls that are disabled.
inline std::vector<int> Disabled(const headless::HeadlessWindow& w) {
  std::vector<int> out;
  for (int id : kPanelControls) {
    if (!w.IsControlEnabled(id)) out.push_back(id);
  }
  return out;
}

}  // namespace panel
