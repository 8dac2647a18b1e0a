// Fuzz target: the board's replies, fed through the real handlers of the dialog on the headless
// host and the simulated bus. Every reply the board would send may be replaced by bytes from the
// input (version text, the three parameter blocks, status bytes and busy counts, PIC words, the
// program status word); the virtual clock makes every 6000 ms time-out free.
//
// Input: report lengths, then steps: a few scripted replies and one user action each (a command
// button, a field, a link fault or a re-plug).
//
// Checked after every step, besides the sanitizers: log lines fit the log; every list selection
// is an entry or none; the board generation is one of the known values; each command returns
// within a bounded virtual time. And for the decoders: the version line is the reply's text; each
// busy-count line of a cut run is byte 1 of its status reply as a signed byte; Read PIC's dump
// shows the words of the reply; Program PIC stops at the first record the board refuses and
// reports success only when every record was accepted and the run was closed.

#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/resource_ids.h"
#include "app/resources.h"
#include "hidlink/hid_link.h"
#include "kit/test_kit.h"
#include "params/parameter_tables.h"
#include "pic/pic_reports.h"
#include "ui/resources.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_replies: %s\n", what.c_str());
  std::abort();
}

void Check(bool ok, const std::string& what) {
  if (!ok) Fail(what);
}

constexpr int kListIds[] = {
    app::IDC_COMBO_STEP1,        app::IDC_COMBO_STEP2,    app::IDC_COMBO_STEP3,
    app::IDC_COMBO_STEP4,        app::IDC_COMBO_DIR1,     app::IDC_COMBO_DIR2,
    app::IDC_COMBO_DIR3,         app::IDC_COMBO_DIR4,     app::IDC_COMBO_PRESET,
    app::IDC_COMBO_MOTOR_ON_PIN, app::IDC_COMBO_STEP_MODE};

// Two records of two words, in a file written once.
const std::string& HexFile() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    const fs::path base = dir && *dir ? fs::path(dir) : fs::temp_directory_path();
    const fs::path file = base / ("zbk_fuzz_replies_" + std::to_string(::getpid()) + ".hex");
    std::ofstream(file, std::ios::binary) << ":0400000001020304F2\n"
                                             ":0400100005060708D2\n"
                                             ":00000001FF\n";
    return file.string();
  }();
  return path;
}

struct Step {
  std::size_t traceBefore = 0;
  std::size_t logBefore = 0;
  std::size_t boxesBefore = 0;
  std::int64_t startUs = 0;
};

std::vector<sim::TraceEntry> TraceSince(const TestKit& kit, std::size_t from) {
  const auto& trace = kit.bus.Trace();
  return {trace.begin() + static_cast<std::ptrdiff_t>(from), trace.end()};
}

std::vector<std::string> LogSince(const TestKit& kit, std::size_t from) {
  const auto log = kit.Log();
  return {log.begin() + static_cast<std::ptrdiff_t>(from), log.end()};
}

void CheckWindow(TestKit& kit) {
  auto& w = kit.Window();
  for (const auto& line : kit.Log()) Check(line.size() <= 99, "log line longer than 99");
  for (int id : kListIds) {
    const int sel = w.GetCurSel(id);
    Check(sel >= -1 && sel < w.GetCount(id), "list selection outside its entries");
  }
  const int g = kit.Dialog().m_nBoardGeneration;
  Check(g >= params::kGenerationUnknown && g <= params::kGeneration3, "unknown generation");
}

// The version line of a Connect is the reply's text up to its first zero byte.
void CheckConnect(TestKit& kit, const Step& step) {
  const auto trace = TraceSince(kit, step.traceBefore);
  const auto log = LogSince(kit, step.logBefore);
  if (trace.size() < 2 || trace[0].bytes.size() < 2 || trace[0].bytes[1] != 'v') return;
  if (trace[1].toBoard) return;  // no reply arrived
  const Bytes& reply = trace[1].bytes;
  std::string text;
  for (std::size_t i = 1; i < reply.size() && reply[i] != 0; ++i) {
    text += static_cast<char>(reply[i]);
  }
  if (text.size() > 99) text.resize(99);
  Check(!log.empty() && log[0] == text, "version line is not the reply's text");
}

// Each busy-count line is byte 1 of its status reply, as a signed byte.
void CheckCut(TestKit& kit, const Step& step) {
  const auto trace = TraceSince(kit, step.traceBefore);
  const auto log = LogSince(kit, step.logBefore);
  std::vector<std::string> counts;
  for (std::size_t i = 0; i + 1 < trace.size(); ++i) {
    const auto& e = trace[i];
    if (e.toBoard && e.bytes.size() > 1 && e.bytes[1] == 's' && !trace[i + 1].toBoard) {
      counts.push_back(std::to_string(static_cast<int8_t>(trace[i + 1].bytes.at(1))));
    }
  }
  Check(log.size() >= counts.size(), "fewer log lines than status replies");
  for (std::size_t i = 0; i < counts.size(); ++i) {
    Check(log[i] == counts[i], "busy-count line is not the reply's byte 1");
  }
  // At most one closing line, or the stop line, after the counts.
  Check(log.size() <= counts.size() + 1, "more lines than counts and one closing line");
}

void CheckReadPic(TestKit& kit, const Step& step, uint16_t address) {
  const auto trace = TraceSince(kit, step.traceBefore);
  const auto log = LogSince(kit, step.logBefore);
  Check(log.size() == 2, "Read PIC logs two lines");
  if (trace.size() < 2 || trace.back().toBoard) return;
  const auto& last = trace[trace.size() - 2];
  if (!last.toBoard || last.bytes.size() < 4 || last.bytes[1] != 'r') return;
  if (last.bytes[2] != (address & 0xFF) || last.bytes[3] != (address >> 8)) return;
  const Bytes& reply = trace.back().bytes;
  char expected[40];
  auto word = [&](int i) { return reply.at(1 + 2 * i) | (reply.at(2 + 2 * i) << 8); };
  std::snprintf(expected, sizeof expected, "%04X : %04X %04X %04X %04X", address, word(0), word(1),
                word(2), word(3));
  Check(log[0] == expected, "dump line is not the reply's words");
}

void CheckProgramPic(TestKit& kit, const Step& step) {
  const auto trace = TraceSince(kit, step.traceBefore);
  const auto& boxes = kit.Boxes();
  if (boxes.size() == step.boxesBefore) return;  // the file was refused or not chosen
  const std::string& last = boxes.back().text;
  const auto& strings = ui::GetResources();
  const bool success = last == strings.LoadString(app::IDS_PROGRAMMATION_SUCCESSFUL);
  bool refused = false;
  bool closed = false;
  int dataReplies = 0;
  for (std::size_t i = 0; i < trace.size(); ++i) {
    const auto& e = trace[i];
    Check(!(refused && e.toBoard), "a report went out after the board refused a record");
    if (e.toBoard && e.bytes.size() > 2 && e.bytes[1] == 'R' && e.bytes[2] == 0) closed = true;
    if (!e.toBoard && i > 0 && trace[i - 1].toBoard && i > 1 && trace[i - 2].toBoard &&
        trace[i - 2].bytes.size() > 1 && trace[i - 2].bytes[1] == 'R') {
      ++dataReplies;
      if ((e.bytes.at(1) | (e.bytes.at(2) << 8)) != 0) refused = true;
    }
  }
  if (success) {
    Check(!refused && closed && dataReplies == 2, "success without every record accepted");
  }
  if (refused) Check(!success, "a refused record reported as success");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  static constexpr uint16_t kOutLengths[] = {11, 12, 65, 256};
  static constexpr uint16_t kInLengths[] = {9, 10, 65, 256};
  const uint16_t outLength = kOutLengths[in.ConsumeIntegralInRange(0, 3)];
  const uint16_t inLength = kInLengths[in.ConsumeIntegralInRange(0, 3)];

  TestKit kit;
  const int board = kit.AddBoard("ZBK 2.1", outLength, inLength);
  auto script = [&] {
    const int replies = in.ConsumeIntegralInRange(0, 5);
    for (int i = 0; i < replies; ++i) {
      const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, inLength);
      kit.bus.ScriptReply(board, in.ConsumeBytes<uint8_t>(n));
    }
  };
  script();
  Step step{0, 0, 0, kit.clock.CounterUs()};
  auto& w = kit.Start();
  CheckWindow(kit);
  CheckConnect(kit, step);

  for (int steps = 0; steps < 24 && in.remaining_bytes() > 0; ++steps) {
    script();
    step = {kit.bus.Trace().size(), kit.Log().size(), kit.Boxes().size(), kit.clock.CounterUs()};
    const int action = in.ConsumeIntegralInRange(0, 14);
    switch (action) {
      case 0:
        w.Click(app::IDC_BUTTON_CONNECT);
        CheckConnect(kit, step);
        break;
      case 1:
        w.Click(app::IDC_BUTTON_STATUS);
        break;
      case 2:
      case 3:
        w.Click(action == 2 ? app::IDC_BUTTON_CUT_FORWARD : app::IDC_BUTTON_CUT_BACK);
        CheckCut(kit, step);
        break;
      case 4: {
        const uint16_t typed = in.ConsumeIntegral<uint16_t>();
        w.SetText(app::IDC_EDIT_ADDR, std::to_string(typed));
        // A first read moves the jumper, which sets the field to 0 before it is read.
        const uint16_t address = kit.Dialog().m_nJumperPos == 1 ? typed : 0;
        w.Click(app::IDC_BUTTON_READ_PIC);
        CheckReadPic(kit, step, address);
        break;
      }
      case 5:
        kit.host.QueueFileAnswer(HexFile());
        kit.Window().SetCheck(app::IDC_CHECK_PIC_REV_A, in.ConsumeBool() ? 1 : 0);
        w.Click(app::IDC_BUTTON_PROGRAM_PIC);
        CheckProgramPic(kit, step);
        break;
      case 6:
        w.Click(app::IDC_BUTTON_PROGRAM);
        break;
      case 7:
        kit.host.QueueAnswer(in.ConsumeBool() ? ui::IDOK : ui::IDCANCEL);
        w.Click(app::IDC_BUTTON_ERASE_PIC);
        break;
      case 8:
        w.Click(in.ConsumeBool() ? app::IDC_BUTTON_MOTOR_ON : app::IDC_BUTTON_MOTOR_OFF);
        break;
      case 9: {
        // The fields the commands read; the repeat count stays small to bound a run.
        w.SetText(app::IDC_EDIT_STEPS, std::to_string(in.ConsumeIntegralInRange(0, 200)));
        w.SetText(app::IDC_EDIT_STEP_RATE, std::to_string(in.ConsumeIntegralInRange(0, 200)));
        w.SetText(app::IDC_EDIT_MOTORS, std::to_string(in.ConsumeIntegral<uint16_t>()));
        w.SetText(app::IDC_EDIT_CUT_REPEAT, std::to_string(in.ConsumeIntegralInRange(0, 3)));
        const int radio = in.ConsumeIntegralInRange(0, 3);
        const int radios[] = {app::IDC_RADIO_TIMER_10K, app::IDC_RADIO_20K, app::IDC_RADIO_50K};
        for (int i = 0; i < 3; ++i) w.SetCheck(radios[i], i == radio ? 1 : 0);
        break;
      }
      case 10:
        kit.Dialog().m_nBoardGeneration = in.ConsumeIntegralInRange(-1, 3);
        break;
      case 11:
        kit.bus.DropReplyAfter(board, in.ConsumeIntegralInRange(0, 4));
        break;
      case 12:
        kit.bus.FailWriteAfter(board, in.ConsumeIntegralInRange(0, 4));
        break;
      case 13:
        kit.bus.Unplug(board);
        break;
      default:
        kit.bus.Plug(board);
        break;
    }
    CheckWindow(kit);
    // Three cuts at most, each waiting at most 20 s for the board and one time-out; anything
    // else waits for one time-out at most.
    const std::int64_t tookUs = kit.clock.CounterUs() - step.startUs;
    Check(tookUs <= 3 * (20'000'000 + 6'000'000 + 500'000) + 6'000'000,
          "command ran longer than any bound");
  }
  return 0;
}
