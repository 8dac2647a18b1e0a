// The wire trace at the link: every report written, every reply read and every read that ended
// without one, whatever the platform; and the file batch mode writes from it.

#include "program/wire_trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/stopwatch.h"
#include "kit/test_kit.h"
#include "pic/pic_dialog_support.h"
#include "program/options.h"
#include "program/run.h"

namespace {

using hidlink::HidLink;
using hidlink::TraceEvent;

TEST(WireTraceLine, TimeDirectionAndBytes) {
  const std::uint8_t status[] = {0x00, 0x73, 0xff, 0x0a};
  EXPECT_EQ(program::FormatTraceLine(1042, TraceEvent::kSent, status),
            "      1042 out 00 73 ff 0a");
  EXPECT_EQ(program::FormatTraceLine(1234567890123, TraceEvent::kReceived, status),
            "1234567890123 in  00 73 ff 0a");
  EXPECT_EQ(program::FormatTraceLine(7, TraceEvent::kWriteFailed, status),
            "         7 out 00 73 ff 0a  (not sent: the write failed or the link is closed)");
  EXPECT_EQ(program::FormatTraceLine(6000007, TraceEvent::kReadTimedOut, {}),
            "   6000007 in  (no reply within 6000 ms)");
  EXPECT_EQ(program::FormatTraceLine(9, TraceEvent::kReadFailed, {}),
            "         9 in  (no reply: the read failed)");
  EXPECT_EQ(program::FormatTraceLine(11, TraceEvent::kReadShort, std::span(status, 2)),
            "        11 in  00 73 (short report: 2 bytes; the rest read as 0)");
}

struct Heard {
  TraceEvent event;
  std::vector<std::uint8_t> bytes;
};

class LinkTrace : public ::testing::Test {
 protected:
  LinkTrace() {
    HidLink::SetTraceSink([this](TraceEvent e, std::span<const std::uint8_t> b) {
      heard.push_back({e, std::vector<std::uint8_t>(b.begin(), b.end())});
    });
  }
  ~LinkTrace() override { HidLink::SetTraceSink(nullptr); }

  TestKit kit;
  std::vector<Heard> heard;
};

TEST_F(LinkTrace, HearsWhatCrossesTheBusAndWhatFails) {
  kit.AddBoard("ZBK 2.1", 65, 33);
  kit.Start();
  heard.clear();

  kit.Window().Click(app::IDC_BUTTON_STATUS);
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_EQ(heard[0].event, TraceEvent::kSent);
  EXPECT_EQ(heard[0].bytes, kit.Sent().back());  // the whole report, as the board took it
  EXPECT_EQ(heard[0].bytes.size(), 65u);
  EXPECT_EQ(heard[1].event, TraceEvent::kReceived);
  EXPECT_EQ(heard[1].bytes, kit.Received().back());
  EXPECT_EQ(heard[1].bytes.size(), 33u);

  kit.bus.SetNoReply(kit.board, true);
  heard.clear();
  kit.Window().Click(app::IDC_BUTTON_STATUS);
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_EQ(heard[1].event, TraceEvent::kReadTimedOut);
  EXPECT_TRUE(heard[1].bytes.empty());

  // Motor On's discovery opens the link again; a write the platform refuses is heard too.
  kit.bus.SetWriteFails(kit.board, true);
  heard.clear();
  kit.Window().Click(app::IDC_BUTTON_MOTOR_ON);
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0].event, TraceEvent::kWriteFailed);
  EXPECT_EQ(heard[0].bytes[1], 'o');
}

// A reply shorter than the input report: only its bytes are heard, marked short, and nothing
// of the reply before it stays behind them.
TEST_F(LinkTrace, AShortReplyIsHeardAsShortAndTheRestReadsAsZero) {
  kit.AddBoard("ZBK 2.1", 65, 33);
  kit.Start();
  kit.Window().Click(app::IDC_BUTTON_STATUS);
  HidLink::inReport.fill(0x03);  // what an earlier reply could have left
  kit.bus.ScriptShortReply(kit.board, {0x00, 0x00});
  heard.clear();
  kit.Window().Click(app::IDC_BUTTON_STATUS);
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_EQ(kit.Log()[kit.Log().size() - 2], "0 0 0 0 0 0 0 0");
  EXPECT_EQ(heard[1].event, TraceEvent::kReadShort);
  EXPECT_EQ(heard[1].bytes, (std::vector<std::uint8_t>{0x00, 0x00}));
  for (std::size_t i = 2; i < 33; ++i) EXPECT_EQ(HidLink::inReport[i], 0) << "byte " << i;
  EXPECT_TRUE(HidLink::connected);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Batch mode as the program runs it, on the simulated board of --simulate and the virtual clock.
class BatchMode : public ::testing::Test {
 protected:
  BatchMode() {
    clk::SetProcessClock(&clock);
    HidLink::Reset();
    app::Stopwatch::ResetProbe();
    options.simulate = true;
    options.simulatedVersion = "ZBK 2.1";
  }
  ~BatchMode() override {
    HidLink::Reset();
    clk::SetProcessClock(nullptr);
  }
  int Run() {
    return program::RunBatch(options, {[this](std::string_view l) { out.emplace_back(l); },
                                       [this](std::string_view l) { err.emplace_back(l); }});
  }

  clk::VirtualClock clock;
  program::ProgramOptions options;
  pictest::TempDir dir;
  std::vector<std::string> out;
  std::vector<std::string> err;
};

TEST_F(BatchMode, TraceHoldsEveryReportAndTheStatusReplyIsTheLoggedOne) {
  options.batch = "status";
  options.tracePath = (dir.path() / "wire.txt").string();
  ASSERT_EQ(Run(), program::kExitOk);
  ASSERT_EQ(out.size(), 4u);  // Connect at start: version and timer line; then the status

  const auto lines = Lines(pictest::ReadText(options.tracePath));
  ASSERT_EQ(lines.size(), 1u + 10u);  // heading, Connect's four exchanges, the status
  EXPECT_EQ(lines[0].rfind("# ", 0), 0u);
  long long last = -1;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const long long t = std::stoll(lines[i].substr(0, 10));
    EXPECT_GE(t, last) << lines[i];
    last = t;
    EXPECT_EQ(lines[i].substr(10, 4), i % 2 ? " out" : " in ") << lines[i];
    EXPECT_EQ(lines[i].size(), 14u + 3u * 65u) << lines[i];  // 65-byte reports
  }
  EXPECT_EQ(lines[9].substr(14, 6), " 00 73");
  // The reply's bytes 1 to 8 are the status line the log shows.
  std::istringstream reply(lines[10].substr(14));
  std::string logged;
  unsigned byte = 0;
  reply >> std::hex >> byte;  // the report id
  for (int i = 1; i <= 8; ++i) {
    reply >> std::hex >> byte;
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<int>(static_cast<std::int8_t>(byte)));
    logged += (i > 1 ? " " : "") + std::string(text);
  }
  EXPECT_EQ(out[2], logged);
}

TEST_F(BatchMode, ABadBatchRunsNothing) {
  options.tracePath = (dir.path() / "wire.txt").string();
  options.batch = "connect; frobnicate";
  EXPECT_EQ(Run(), program::kExitBadUsage);
  ASSERT_EQ(err.size(), 1u);
  EXPECT_EQ(err[0].rfind("zbk-utility: command 2 \"frobnicate\": unknown command", 0), 0u)
      << err[0];
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(std::filesystem::exists(options.tracePath));

  err.clear();
  options.batch = "connect; program-pic " + (dir.path() / "missing.hex").string();
  EXPECT_EQ(Run(), program::kExitBadUsage);
  ASSERT_EQ(err.size(), 1u);
  EXPECT_NE(err[0].find("there is no file"), std::string::npos) << err[0];
  EXPECT_TRUE(out.empty());
}

TEST_F(BatchMode, BatchFileNamesItsLinesAndNoBoardGivesTwo) {
  options.batchFile = dir.Write("plan.txt", "# checks\nstatus\n").string();
  options.simulatedVersion.clear();  // a bus without the board
  EXPECT_EQ(Run(), program::kExitNoBoard);
  ASSERT_FALSE(err.empty());
  EXPECT_NE(err.back().find("plan.txt:2 \"status\": no ZBK board found"), std::string::npos)
      << err.back();

  err.clear();
  options.batchFile = (dir.path() / "nothing.txt").string();
  EXPECT_EQ(Run(), program::kExitBadUsage);
  EXPECT_NE(err.back().find("cannot read the batch file"), std::string::npos);
}

// Names written in UTF-8, as a shell passes them: the batch file, the HEX file it names and the
// trace file are all found or made under the names given.
TEST_F(BatchMode, FileNamesBeyondAsciiAreTheFilesNamed) {
  const auto utf8 = [](const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
  };
  const auto hex = dir.path() / std::filesystem::path(u8"d\u00e9j\u00e0 vu.hex");
  std::ofstream(hex, std::ios::binary) << pictest::WordRecord(0, {0x280A, 0x3FFF}) << "\n"
                                       << pictest::kEndRecord << "\n";
  const auto plan = dir.path() / std::filesystem::path(u8"pl\u00e4n.txt");
  std::ofstream(plan, std::ios::binary) << "program-pic \"" << utf8(hex) << "\"\n";
  const auto trace = dir.path() / std::filesystem::path(u8"sp\u00fcr.txt");
  options.batchFile = utf8(plan);
  options.tracePath = utf8(trace);

  ASSERT_EQ(Run(), program::kExitOk) << (err.empty() ? "" : err.back());
  EXPECT_NE(std::find(err.begin(), err.end(), "[PIC] Programmation successful -> OK"), err.end());
  EXPECT_TRUE(std::filesystem::exists(trace));
  EXPECT_GT(Lines(pictest::ReadText(trace)).size(), 1u);
}

// A saved file may not replace an input the batch has read, nor the trace; saving first and
// programming the saved file after is a round trip, and goes.
TEST_F(BatchMode, ASaveThatWouldReplaceAnInputRunsNothing) {
  const std::string hex = dir.Write("a.hex", pictest::WordRecord(0, {0x280A}) + "\n" +
                                                 std::string(pictest::kEndRecord) + "\n")
                              .string();
  const std::string trace = (dir.path() / "t.txt").string();
  const struct {
    std::string batch;
    std::string trace;
    std::string says;
  } refused[] = {
      {"program-pic " + hex + "; save-pic " + hex, "",
       "the saved file " + hex + " is the HEX file"},
      {"verify-pic " + hex + "; save-pic " + hex, "", "the saved file " + hex + " is the HEX file"},
      {"save-pic " + trace, trace, "the saved file " + trace + " is the trace file"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.batch);
    err.clear();
    out.clear();
    options.batch = c.batch;
    options.tracePath = c.trace;
    EXPECT_EQ(Run(), program::kExitBadUsage);
    ASSERT_FALSE(err.empty());
    EXPECT_NE(err.back().find(c.says), std::string::npos) << err.back();
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(std::filesystem::exists(trace));
  }

  err.clear();
  options.tracePath.clear();
  const std::string saved = (dir.path() / "saved.hex").string();
  options.batch = "save-pic " + saved + "; program-pic " + saved;
  EXPECT_EQ(Run(), program::kExitOk) << (err.empty() ? "" : err.back());
}

}  // namespace
