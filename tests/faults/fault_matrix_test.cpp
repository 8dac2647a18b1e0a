// The fault matrix: every command, at every write and every read it makes, under every fault the
// bus can give there: a failed write, a reply that never comes (the 6000 ms time-out on the
// virtual clock), the board unplugged just before, and a garbage reply. Each cell starts from a
// freshly connected dialog, presses the button once, checks what the press did, then re-plugs the
// board and checks that Connect finds it and reads it as at start.
//
// The cells come from the clean press of each command: its wire trace gives the points (the n-th
// write, the n-th read) and the replies to replay in front of a garbage one.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/resources.h"
#include "hidlink/hid_link.h"
#include "kit/test_kit.h"
#include "pic/pic_dialog_support.h"
#include "ui/resources.h"

using namespace app;
using hidlink::HidLink;

namespace {

using Report = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

constexpr std::int64_t kTimeOutUs = 6'000'000;
constexpr const char* kNoAnswer = "No answer from the board";
constexpr const char* kLinkClosed = "Link closed: run stopped";

enum class Fault { kWriteFails, kNoReply, kUnplugged, kGarbage };

const char* Name(Fault f) {
  switch (f) {
    case Fault::kWriteFails:
      return "write fails";
    case Fault::kNoReply:
      return "no reply";
    case Fault::kUnplugged:
      return "unplugged";
    case Fault::kGarbage:
      return "garbage reply";
  }
  return "?";
}

// A reply with nothing right in it: every byte 0xFF, the report id included.
Report Garbage() {
  return Report(65, 0xFF);
}

// One write or read of a press, in wire order.
struct Op {
  bool write = true;
  int nth = 0;  // among the press's writes, or among its reads
};

struct Cell {
  std::size_t at = 0;  // index into the clean press's ops
  Op op;
  Fault fault = Fault::kWriteFails;
};

// What one press did.
struct Press {
  Lines log;
  std::vector<headless::ShownBox> boxes;
  std::vector<sim::TraceEntry> trace;
  std::vector<Report> sent;
  std::vector<Report> received;
  std::array<std::uint8_t, hidlink::kReportBufferSize> inBefore{};
  std::int64_t tookUs = 0;
  bool connected = false;
  int picErases = 0;
  app::CommandOutcome outcome;

  std::vector<Op> Ops() const {
    std::vector<Op> ops;
    int writes = 0, reads = 0;
    for (const auto& e : trace) ops.push_back(e.toBoard ? Op{true, writes++} : Op{false, reads++});
    return ops;
  }
  // The reply bytes the input buffer holds after the press: the last reply that arrived, or what
  // it held before.
  Report LastBuffer() const {
    if (!received.empty()) return received.back();
    return Report(inBefore.begin(), inBefore.begin() + 65);
  }
};

// What a cell must give beyond the rules every link fault shares.
struct Expected {
  Lines log;
  Lines boxes;                              // box texts, in order
  std::optional<std::vector<Report>> sent;  // when not the clean press's writes up to the fault
  app::Outcome outcome = app::Outcome::kDone;
};

struct Command {
  std::string name;
  std::string version;
  int button;
  std::function<void(TestKit&)> prepare;
  // The expectation for a cell, given the clean press and the faulted one.
  std::function<Expected(const Cell&, const Press& clean, const Press& faulted)> expect;
};

// ---- Expected lines built from the bytes, independently of the product's formatting ------------

std::string StatusLine(const Report& r) {
  std::string line;
  for (int i = 1; i <= 8; ++i) {
    char text[12];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(static_cast<std::int8_t>(r[i])));
    line += (i > 1 ? " " : "") + std::string(text);
  }
  return line;
}

std::string DumpLine(std::uint16_t address, const Report& r) {
  auto word = [&](int i) { return static_cast<std::uint16_t>(r[1 + 2 * i] | (r[2 + 2 * i] << 8)); };
  return pictest::DumpLine(address, word(0), word(1), word(2), word(3));
}

std::string Time(const Cell& c, bool timedStep) {
  return c.fault == Fault::kNoReply && timedStep ? std::to_string(kTimeOutUs) : "0";
}

// The clean press's writes before op `at`.
std::vector<Report> SentBefore(const Press& clean, std::size_t at) {
  std::vector<Report> out;
  for (std::size_t i = 0; i < at; ++i) {
    if (clean.trace[i].toBoard) out.push_back(clean.trace[i].bytes);
  }
  return out;
}

bool IsLinkFault(Fault f) {
  return f != Fault::kGarbage;
}

// A garbage reply is still a reply; every other fault closes the link.
app::Outcome LinkOutcome(const Cell& c) {
  return IsLinkFault(c.fault) ? app::Outcome::kLinkFailed : app::Outcome::kDone;
}

// ---- The bench
// -----------------------------------------------------------------------------------

std::string String(int id) {
  return app::ProgramResources().LoadString(id);
}

const pictest::TempDir& Files() {
  static const pictest::TempDir dir;
  return dir;
}

// Three records of two words at word addresses 0x0000, 0x0008 and 0x0010: with a third, a run
// that took a lost reply for an accepted record would show it by going on.
constexpr int kRecords = 3;

const std::string& HexFile() {
  static const std::string path =
      Files()
          .Write("three.hex", pictest::WordRecord(0x0000, {0x2801, 0x3FFF}) + "\r\n" +
                                  pictest::WordRecord(0x0010, {0x0123, 0x0456}) + "\r\n" +
                                  pictest::WordRecord(0x0020, {0x0789, 0x0ABC}) + "\r\n" +
                                  pictest::kEndRecord + "\r\n")
          .string();
  return path;
}

class Bench {
 public:
  explicit Bench(const Command& c) : command_(c) {
    kit.AddBoard(c.version);
    window_ = &kit.Start();
    startLog_ = kit.Log();
    startRequests_ = Letters(kit.Sent());
    kit.bus.ClearTrace();
    kit.host.ClearBoxes();
    while (window_->GetCount(IDC_LIST_LOG) > 0) window_->DeleteString(IDC_LIST_LOG, 0);
    if (c.prepare) c.prepare(kit);
  }

  // One press of the command's button, with the cell's fault set up first.
  Press Run(const std::optional<Cell>& cell, const Press* clean) {
    Press p;
    p.inBefore = HidLink::inReport;
    if (cell) Inject(*cell, *clean);
    const std::int64_t start = kit.clock.CounterUs();
    if (command_.button == IDC_BUTTON_TEST_BUFFER) {
      // Never shown, so never clicked: its message is delivered.
      kit.Dialog().Dispatch({ui::MsgKind::Command, command_.button, ui::Notification::Clicked});
    } else {
      window_->Click(command_.button);
    }
    p.tookUs = kit.clock.CounterUs() - start;
    kit.bus.SetTraceSink(nullptr);
    p.log = kit.Log();
    p.boxes = kit.Boxes();
    p.trace = kit.bus.Trace();
    p.sent = kit.Sent();
    p.received = kit.Received();
    p.connected = HidLink::connected;
    p.picErases = kit.BoardModel().PicErases();
    p.outcome = kit.Dialog().m_outcome;
    return p;
  }

  // The board unplugged and plugged in again, the faults off: Connect finds it and reads it back
  // as at start, and the board saw nothing against its contract.
  void CheckReplugAndConnect() {
    kit.bus.ClearFaults(kit.board);
    kit.bus.Replug(kit.board);
    kit.bus.ClearTrace();
    kit.host.ClearBoxes();
    const bool jumperWasUp = kit.Dialog().m_nJumperPos == 1;
    while (window_->GetCount(IDC_LIST_LOG) > 0) window_->DeleteString(IDC_LIST_LOG, 0);
    window_->Click(IDC_BUTTON_CONNECT);
    EXPECT_TRUE(HidLink::connected);
    EXPECT_EQ(kit.Log(), startLog_);
    EXPECT_EQ(Letters(kit.Sent()), startRequests_);
    EXPECT_EQ(kit.BoxTexts(), jumperWasUp ? Lines{String(IDS_JUMP_NORMAL)} : Lines{});
    EXPECT_EQ(kit.BoardModel().Violations(), Lines{});
  }

  TestKit kit;

 private:
  static Lines Letters(const std::vector<Report>& sent) {
    Lines out;
    for (const auto& r : sent) {
      std::string s(1, static_cast<char>(r.at(1)));
      if (s == "I") s += std::to_string(r.at(2));
      out.push_back(s);
    }
    return out;
  }

  void Inject(const Cell& c, const Press& clean) {
    const int board = kit.board;
    switch (c.fault) {
      case Fault::kWriteFails:
        kit.bus.FailWriteAfter(board, c.op.nth);
        break;
      case Fault::kNoReply:
        kit.bus.DropReplyAfter(board, c.op.nth);
        break;
      case Fault::kGarbage:
        for (int i = 0; i < c.op.nth; ++i) kit.bus.ScriptReply(board, clean.received.at(i));
        kit.bus.ScriptReply(board, Garbage());
        break;
      case Fault::kUnplugged:
        if (c.at == 0) {
          kit.bus.Unplug(board);
        } else {
          // Pulled out right after the transfer before this point crossed the bus.
          kit.bus.SetTraceSink(
              [this, board, seen = std::size_t{0}, at = c.at](const sim::TraceEntry&) mutable {
                if (++seen == at) kit.bus.Unplug(board);
              });
        }
        break;
    }
  }

  const Command& command_;
  headless::HeadlessWindow* window_ = nullptr;
  Lines startLog_;
  Lines startRequests_;
};

// ---- The commands
// ----------------------------------------------------------------------------------

Lines JumperUpBoxes() {
  return {String(IDS_JUMP_PROGRAMMATION)};
}

std::vector<Command> Commands() {
  std::vector<Command> commands;

  commands.push_back({"Connect", "ZBK 2.1", IDC_BUTTON_CONNECT, nullptr,
                      [](const Cell& c, const Press& clean, const Press&) {
                        // Reads: 'v' (op 1), 'I' 0 (3), 'I' 1 (5), 'I' 2 (7).
                        Expected e;
                        e.outcome = LinkOutcome(c);
                        if (IsLinkFault(c.fault)) {
                          if (c.at <= 1) {
                            e.log = {kNoAnswer};
                          } else if (c.at <= 3) {
                            e.log = {clean.log[0], kNoAnswer};
                          } else {
                            e.log = {clean.log[0], clean.log[1], kNoAnswer};
                          }
                          return e;
                        }
                        e.log = clean.log;
                        if (c.at == 1) {
                          // A version text of 64 bytes 0xFF: no known board, nothing more asked.
                          e.log = {std::string(64, '\xFF')};
                          e.sent = std::vector<Report>{clean.sent[0]};
                        } else if (c.at == 3) {
                          // Duration bytes of 0xFF are 510 us; the timer byte fits no choice, so
                          // the period stays.
                          const std::string period = clean.log[1].substr(0, clean.log[1].find(','));
                          e.log[1] =
                              period + ", ProtocolV2 0, TempoStep 510, TempoDir 510, BRAXO mode 0";
                        }
                        return e;
                      }});

  commands.push_back({"Status", "ZBK 2.1", IDC_BUTTON_STATUS, nullptr,
                      [](const Cell& c, const Press&, const Press& faulted) {
                        Expected e;
                        e.outcome = LinkOutcome(c);
                        e.log = {StatusLine(faulted.LastBuffer()), Time(c, true)};
                        if (c.fault == Fault::kGarbage) {
                          e.log[0] =
                              "ffffffff ffffffff ffffffff ffffffff ffffffff ffffffff "
                              "ffffffff ffffffff";
                        }
                        return e;
                      }});

  for (const auto& [name, button] :
       {std::pair{"Motor On", IDC_BUTTON_MOTOR_ON}, std::pair{"Motor Off", IDC_BUTTON_MOTOR_OFF},
        std::pair{"test buffer", IDC_BUTTON_TEST_BUFFER}}) {
    commands.push_back(
        {name, "ZBK 2.1", button, nullptr, [](const Cell& c, const Press&, const Press&) {
           return Expected{{"0"}, {}, {}, LinkOutcome(c)};
         }});
  }

  for (const auto& [version, form] : {std::pair{"ZBK 2.1", "'q'"}, std::pair{"ZBK V1.0", "'c'"}}) {
    for (const bool forward : {true, false}) {
      const std::string closing = forward ? "Done: 0" : "0";
      commands.push_back({std::string(forward ? "Cut Forward " : "Cut Back ") + form, version,
                          forward ? IDC_BUTTON_CUT_FORWARD : IDC_BUTTON_CUT_BACK, nullptr,
                          [closing](const Cell& c, const Press& clean, const Press&) {
                            // Op 0 the status query, op 1 its reply, then the cut's writes.
                            Expected e;
                            if (IsLinkFault(c.fault)) {
                              // Before the status reply the board is not known idle; after it
                              // the run ends with its closing line on a closed link.
                              e.log = c.at <= 1 ? Lines{kLinkClosed} : Lines{"0", closing};
                              e.outcome = app::Outcome::kLinkFailed;
                              return e;
                            }
                            // A busy count of -1 pauses 0 ms and asks again; the board then says
                            // idle.
                            e.log = {"-1", "0", closing};
                            std::vector<Report> sent = {clean.sent[0]};
                            sent.insert(sent.end(), clean.sent.begin(), clean.sent.end());
                            e.sent = sent;
                            return e;
                          }});
    }
  }

  commands.push_back({"Program ZBK", "ZBK 2.1", IDC_BUTTON_PROGRAM, nullptr,
                      [](const Cell& c, const Press&, const Press&) {
                        return Expected{{"Done: " + Time(c, true)}, {}, {}, LinkOutcome(c)};
                      }});

  commands.push_back({"Read PIC", "ZBK 2.1", IDC_BUTTON_READ_PIC, nullptr,
                      [](const Cell& c, const Press& clean, const Press& faulted) {
                        // Three dummy reads (ops 0 to 5), the prompt, then the read of address 0.
                        Expected e;
                        e.outcome = LinkOutcome(c);
                        e.boxes = JumperUpBoxes();
                        e.boxes.push_back(String(IDS_PRESS_RESET));
                        e.log = {DumpLine(0, faulted.LastBuffer()), Time(c, c.at == 7)};
                        if (c.fault == Fault::kGarbage && c.at != 7) e.log = clean.log;
                        return e;
                      }});

  commands.push_back(
      {"Program PIC", "ZBK 2.1", IDC_BUTTON_PROGRAM_PIC,
       [](TestKit& kit) { kit.host.QueueFileAnswer(HexFile()); },
       [](const Cell& c, const Press& clean, const Press& faulted) {
         // Ops 0 to 5 the dummy reads; record k: header 6 + 3k, data 7 + 3k, reply 8 + 3k; then
         // the closing header.
         Expected e;
         e.boxes = JumperUpBoxes();
         e.boxes.push_back(String(IDS_PRESS_RESET));
         if (c.fault == Fault::kGarbage && c.at < 6) {
           e.log = clean.log;
           e.boxes.push_back(String(IDS_PROGRAMMATION_SUCCESSFUL));
           return e;
         }
         e.boxes.push_back(String(IDS_PROGRAMMATION_FAILURE));
         // The failure the box reports is the outcome, whatever the link did.
         e.outcome = app::Outcome::kFailed;
         // Each record tried logs one line: its time, address, two reply words, word count. A
         // refused record ends the run: nothing more goes out, not even the closing header.
         if (c.fault == Fault::kGarbage) e.sent = SentBefore(clean, c.at);
         const int failing = c.at < 6 ? 0 : static_cast<int>(c.at - 6) / 3;
         for (int k = 0; k < failing; ++k) e.log.push_back(clean.log[k]);
         if (failing < kRecords) {
           // Only the data exchange is timed. Without a reply the status preset (1) stays and
           // bytes 3 to 6 are those of the last reply that came.
           const bool timedOut = c.fault == Fault::kNoReply && c.at >= 6 && (c.at - 6) % 3 == 2;
           const Report buffer = faulted.LastBuffer();
           char line[64];
           std::snprintf(line, sizeof line, "%s %04x %04x %04x 0002",
                         timedOut ? std::to_string(kTimeOutUs).c_str() : "0", 8 * failing,
                         buffer[3] | (buffer[4] << 8), buffer[5] | (buffer[6] << 8));
           e.log.push_back(line);
         }
         return e;
       }});

  // The confirmation is answered OK, the headless host's default answer.
  commands.push_back({"Erase PIC", "ZBK 2.1", IDC_BUTTON_ERASE_PIC, nullptr,
                      [](const Cell& c, const Press&, const Press&) {
                        Expected e;
                        e.outcome = LinkOutcome(c);
                        e.boxes = JumperUpBoxes();
                        e.boxes.push_back(String(IDS_CONFIRM_ERASE));
                        e.log = {"0"};
                        return e;
                      }});
  return commands;
}

std::vector<Cell> CellsOf(const Press& clean) {
  std::vector<Cell> cells;
  const auto ops = clean.Ops();
  for (std::size_t at = 0; at < ops.size(); ++at) {
    const Op op = ops[at];
    const std::vector<Fault> faults =
        op.write ? std::vector<Fault>{Fault::kWriteFails, Fault::kUnplugged}
                 : std::vector<Fault>{Fault::kNoReply, Fault::kGarbage, Fault::kUnplugged};
    for (Fault f : faults) cells.push_back({at, op, f});
  }
  return cells;
}

Lines Texts(const std::vector<headless::ShownBox>& boxes) {
  Lines out;
  for (const auto& b : boxes) out.push_back(b.text);
  return out;
}

int WritesBefore(const std::vector<Op>& ops, std::size_t at) {
  int n = 0;
  for (std::size_t i = 0; i < at; ++i) n += ops[i].write ? 1 : 0;
  return n;
}

}  // namespace

TEST(FaultMatrix, EveryCommandAtEveryWriteAndReadUnderEveryFault) {
  std::size_t totalCells = 0, totalPoints = 0;
  const auto commands = Commands();
  for (const Command& command : commands) {
    SCOPED_TRACE(command.name);
    Press clean;
    {
      Bench bench(command);
      clean = bench.Run(std::nullopt, nullptr);
      // The clean press is what every cell is measured against; it must be clean itself.
      EXPECT_TRUE(clean.connected);
      EXPECT_EQ(clean.outcome, app::CommandOutcome{});
      EXPECT_TRUE(bench.kit.BoardModel().Violations().empty());
      if (command.name == "Program PIC") {
        EXPECT_EQ(Texts(clean.boxes).back(), String(IDS_PROGRAMMATION_SUCCESSFUL));
      }
      bench.CheckReplugAndConnect();
    }
    const auto ops = clean.Ops();
    ASSERT_FALSE(ops.empty());
    totalPoints += ops.size();

    for (const Cell& cell : CellsOf(clean)) {
      SCOPED_TRACE(testing::Message() << (cell.op.write ? "write " : "read ") << cell.op.nth
                                      << " (op " << cell.at << "): " << Name(cell.fault));
      ++totalCells;
      Bench bench(command);
      const Press got = bench.Run(cell, &clean);
      const Expected want = command.expect(cell, clean, got);

      EXPECT_EQ(got.log, want.log);
      EXPECT_EQ(Texts(got.boxes), want.boxes);
      EXPECT_EQ(got.outcome.kind, want.outcome);

      if (IsLinkFault(cell.fault)) {
        // Nothing reaches the board after the fault, and what went before is the clean press's.
        const int before = WritesBefore(ops, cell.at);
        const std::vector<Report> prefix(clean.sent.begin(), clean.sent.begin() + before);
        EXPECT_EQ(got.sent, want.sent.value_or(prefix));
        EXPECT_FALSE(got.connected);
        EXPECT_FALSE(HidLink::connected);
        // One time-out at most, and only for a reply that never came.
        if (cell.fault == Fault::kNoReply) {
          EXPECT_GE(got.tookUs, kTimeOutUs);
          EXPECT_LE(got.tookUs, clean.tookUs + kTimeOutUs);
        } else {
          EXPECT_LE(got.tookUs, clean.tookUs);
        }
      } else {
        EXPECT_EQ(got.sent, want.sent.value_or(clean.sent));
        EXPECT_TRUE(got.connected);
        EXPECT_LE(got.tookUs, clean.tookUs);
      }
      if (command.name == "Erase PIC") {
        // The erase went out exactly when the write of the 'w' did.
        EXPECT_EQ(got.picErases, got.sent.size() == clean.sent.size() ? 1 : 0);
      }
      bench.CheckReplugAndConnect();
    }
  }
  std::printf("fault matrix: %zu commands, %zu points (writes and reads), %zu cells\n",
              commands.size(), totalPoints, totalCells);
  RecordProperty("commands", static_cast<int>(commands.size()));
  RecordProperty("points", static_cast<int>(totalPoints));
  RecordProperty("cells", static_cast<int>(totalCells));
}
