// The batch runner on the simulated board and a virtual clock: the dialog's own handlers run as
// the buttons run them, the lines and boxes come out as the window shows them, and the exit
// status tells what happened.

#include "batch/batch_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/resources.h"
#include "app/stopwatch.h"
#include "clock/clock.h"
#include "hidlink/hid_link.h"
#include "pic/pic_dialog_support.h"
#include "program/session.h"
#include "sim/sim_hid_platform.h"

namespace {

using pictest::TempDir;

class BatchRun : public ::testing::Test {
 protected:
  BatchRun() { clock.SetCounter(123'456'789); }

  int Run(const std::string& text, batch::RunSettings settings = {}) {
    return Run(text, clock, settings);
  }
  int Run(const std::string& text, clk::Clock& hostClock, batch::RunSettings settings) {
    const auto parsed = batch::ParseBatch(text);
    EXPECT_TRUE(parsed.ok()) << parsed.error;
    batch::BatchRunner runner(hostClock, settings,
                              {[this](std::string_view l) { out.emplace_back(l); },
                               [this](std::string_view l) { err.emplace_back(l); }});
    return runner.Run(parsed.commands);
  }

  bool Has(const std::vector<std::string>& lines, const std::string& part) const {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }
  bool Sent(char letter) const {
    for (const auto& e : bus.Trace()) {
      if (e.toBoard && e.bytes.size() > 1 && e.bytes[1] == letter) return true;
    }
    return false;
  }
  std::string Err() const {
    std::string all;
    for (const auto& l : err) all += l + "\n";
    return all;
  }

  clk::VirtualClock clock;
  sim::SimHidPlatform bus{clock};
  // The runner brings its own host.
  program::Session session{nullptr, &bus, &clock};
  std::vector<std::string> out;
  std::vector<std::string> err;
};

TEST_F(BatchRun, ProgramsTheFieldsItSetsAndReadsThemBack) {
  const int board = bus.AddBoard("ZBK 2.1");
  ASSERT_EQ(Run("set step-duration 20; set dir-delay 4; set timer 50; set step1 Pin9(D7); "
                "set dir4 2; set motor-on-pin Pin1; set active-high off; program-zbk; "
                "connect; show"),
            batch::kExitOk)
      << Err();

  const auto& p = bus.Board(board)->Parameters();
  EXPECT_EQ(p.stepDurationHalf, 10);
  EXPECT_EQ(p.dirDelayHalf, 2);
  EXPECT_EQ(p.timerChoice, 2);
  EXPECT_EQ(p.pins, (std::array<std::uint8_t, 8>{7, 3, 5, 7, 0, 2, 4, 0}));
  EXPECT_EQ(p.motorOnPin, 0);
  EXPECT_EQ(p.activeHigh, 0);
  EXPECT_TRUE(bus.Board(board)->Violations().empty());

  // The second Connect read the board back into the panel, which show lists.
  EXPECT_TRUE(Has(out, "Timer 20, ProtocolV2 1, TempoStep 20, TempoDir 4, BRAXO mode 0"))
      << ::testing::PrintToString(out);
  for (const char* line : {"steps = 96", "step-duration = 20", "dir-delay = 4", "timer = 50",
                           "step1 = Pin9(D7)", "dir4 = Pin2(D0)", "motor-on-pin = Pin1",
                           "active-high = off", "addr = 0x0000", "preset = QD5500"}) {
    EXPECT_NE(std::find(out.begin(), out.end(), line), out.end()) << line;
  }
  EXPECT_TRUE(err.empty()) << Err();
}

// A duration travels as µs / 2 in one unsigned byte, so 256 to 510 µs come back as they went.
TEST_F(BatchRun, LongDurationsReadBackAsTheyWereProgrammed) {
  const int board = bus.AddBoard("ZBK 2.1");
  ASSERT_EQ(Run("set step-duration 300; set dir-delay 510; program-zbk; connect; show"),
            batch::kExitOk)
      << Err();
  EXPECT_EQ(bus.Board(board)->Parameters().stepDurationHalf, 150);
  EXPECT_EQ(bus.Board(board)->Parameters().dirDelayHalf, 255);
  EXPECT_TRUE(Has(out, "TempoStep 300, TempoDir 510,")) << ::testing::PrintToString(out);
  for (const char* line : {"step-duration = 300", "dir-delay = 510"}) {
    EXPECT_NE(std::find(out.begin(), out.end(), line), out.end()) << line;
  }
}

TEST_F(BatchRun, ReadPicReadsTheAddressAskedForAndShowsEveryBoxWithItsAnswer) {
  const int board = bus.AddBoard("ZBK 2.1");
  for (std::uint16_t i = 0; i < 4; ++i) bus.Board(board)->SetPicWord(0x10 + i, 0x111 * (i + 1));
  ASSERT_EQ(Run("read-pic 0x10; read-pic"), batch::kExitOk) << Err();

  // The move of the jumper clears the field; the read is still of 0x10, then of the next four.
  ASSERT_GE(out.size(), 4u);
  EXPECT_EQ(out[out.size() - 4], "0010 : 0111 0222 0333 0444");
  EXPECT_EQ(out[out.size() - 2], "0014 : 3FFF 3FFF 3FFF 3FFF");
  EXPECT_EQ(err, (std::vector<std::string>{
                     "[QD5500 jump] Put the QD5500 jump into programmation position -> OK",
                     "[Reading PIC] Press on the QD5500 RESET button then click Ok -> OK",
                     // Closing the window asks for the jumper back.
                     "[QD5500 jump] Put the QD5500 jump into normal position -> OK"}));
}

TEST_F(BatchRun, EraseIsConfirmedOnlyWhenAskedTo) {
  const int board = bus.AddBoard("ZBK 2.1");
  ASSERT_EQ(Run("erase-pic", {.yes = true}), batch::kExitOk) << Err();
  EXPECT_EQ(bus.Board(board)->PicErases(), 1);
  EXPECT_TRUE(Has(err, "[Erasing PIC] The PIC wille be erased...\n\n  Confirm erasing ? -> OK"))
      << Err();
}

TEST_F(BatchRun, PresetEnablesTheStepModeThatIsThenProgrammed) {
  const int board = bus.AddBoard("ZBK 2.1");
  ASSERT_EQ(Run("preset Atelier Norvex; set step-mode 1/4; program-zbk"), batch::kExitOk) << Err();
  const auto& p = bus.Board(board)->Parameters();
  EXPECT_EQ(p.stepMode, 2);
  EXPECT_EQ(p.stepDurationHalf, 1);
  EXPECT_EQ(p.dirDelayHalf, 1);
  EXPECT_EQ(p.activeHigh, 0);
}

// A failing command stops the batch: the motor-on after it is never sent.
struct Failure {
  const char* name;
  const char* version;
  std::function<std::string(sim::SimHidPlatform&, int board, const TempDir&)> prepare;
  const char* says;
};

TEST_F(BatchRun, AFailureIsReportedAndNothingAfterItRuns) {
  const Failure cases[] = {
      {"refused HEX file", "ZBK 2.1",
       [](sim::SimHidPlatform&, int, const TempDir& dir) {
         const auto file = dir.Write("bad.hex", ":0400000000000000FF\n" + pictest::kEndRecord);
         return "connect; program-pic " + file.string();
       },
       "the HEX file was refused"},
      {"record refused by the board", "ZBK 2.1",
       [](sim::SimHidPlatform& bus, int board, const TempDir& dir) {
         bus.Board(board)->SetPicRevisionA(true);  // the header says revision B
         const auto file = dir.Write(
             "ok.hex", pictest::WordRecord(0, {0x280A, 0x3FFF}) + "\n" + pictest::kEndRecord);
         return "program-pic " + file.string();
       },
       "programming the PIC failed"},
      {"erase not confirmed", "ZBK 2.1",
       [](sim::SimHidPlatform&, int, const TempDir&) { return std::string("erase-pic"); },
       "erasing the PIC was not confirmed (run with --yes to erase)"},
      {"board never idle", "ZBK 2.1",
       [](sim::SimHidPlatform& bus, int board, const TempDir&) {
         // Connect's four replies as the board gives them, then a board that stays busy.
         bus.ScriptReply(board, {0, 'Z', 'B', 'K', ' ', '2', '.', '1', 0});
         for (int i = 0; i < 3; ++i) bus.ScriptReply(board, {0});
         for (int i = 0; i < 200; ++i) bus.ScriptReply(board, {0, 127});
         return std::string("cut-forward");
       },
       "the board did not become idle"},
      {"no reply", "ZBK 2.1",
       [](sim::SimHidPlatform& bus, int board, const TempDir&) {
         bus.DropReplyAfter(board, 4);  // Connect at start gets its four
         return std::string("status");
       },
       "the link to the board closed"},
      // The window logs nothing for it, but the cut never went out.
      {"period beyond a 'q' command", "ZBK 2.1",
       [](sim::SimHidPlatform&, int, const TempDir&) {
         return std::string("set rate 100; set timer 50; cut-forward");
       },
       "cut-forward\": a step period of 500 timer ticks is longer than the 480 a 'q' command "
       "carries"},
      {"edit disabled", "BRAXO 1.0",
       [](sim::SimHidPlatform&, int, const TempDir&) {
         return std::string("set step-duration 20");
       },
       "\"Step duration (µs)\" is disabled while BRAXO mode is on"},
      {"entry not in the list", "ZBK V1.0",
       [](sim::SimHidPlatform&, int, const TempDir&) { return std::string("set step1 2"); },
       "the \"Motor1 (YL) Step\" list holds Pin3(D1), Pin5(D3), Pin7(D5), Pin9(D7)"},
      {"step mode locked", "ZBK 2.1",
       [](sim::SimHidPlatform&, int, const TempDir&) { return std::string("set step-mode 1/2"); },
       "only the \"Atelier Norvex\" preset enables it"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    sim::SimHidPlatform caseBus{clock};
    hidlink::HidLink::Reset();
    hidlink::HidLink::Attach(&caseBus);
    const int board = caseBus.AddBoard(c.version);
    const std::string text = c.prepare(caseBus, board, dir) + "; motor-on";
    const auto parsed = batch::ParseBatch(text);
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    std::vector<std::string> lines;
    batch::BatchRunner runner(
        clock, {}, {[](std::string_view) {}, [&](std::string_view l) { lines.emplace_back(l); }});
    EXPECT_EQ(runner.Run(parsed.commands), batch::kExitFailure);
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    EXPECT_NE(all.find(c.says), std::string::npos) << all;
    EXPECT_NE(all.find("; the batch stops here"), std::string::npos) << all;
    for (const auto& e : caseBus.Trace()) {
      EXPECT_FALSE(e.toBoard && e.bytes[1] == 'o') << "motor-on ran after the failure";
    }
    EXPECT_EQ(caseBus.Board(board)->PicErases(), 0);
  }
  hidlink::HidLink::Attach(&bus);
}

TEST_F(BatchRun, ARefusedFileSendsNothingAtAll) {
  const int board = bus.AddBoard("ZBK 2.1");
  TempDir dir;
  const auto file = dir.Write("bad.hex", ":02000000AAAA00\n");
  const auto before = [&] {
    Run("connect");
    return bus.Trace().size();
  }();
  EXPECT_EQ(Run("program-pic " + file.string() + "; status"), batch::kExitFailure);
  // This run's Connect at start, then nothing: the file was refused before any 'r' went out.
  EXPECT_EQ(bus.Trace().size(), before + 8);
  EXPECT_FALSE(Sent('r'));
  EXPECT_TRUE(Has(err, "[Programming PIC] bad.hex: 1: ")) << Err();
  EXPECT_TRUE(bus.Board(board)->Violations().empty());
}

TEST_F(BatchRun, NoBoardStopsAtTheFirstCommandThatNeedsOne) {
  bus.AddDevice(0x046D, 0xC31C);
  EXPECT_EQ(Run("show; set steps 50; status; show"), batch::kExitNoBoard);
  EXPECT_TRUE(Has(out, "steps = 96"));
  EXPECT_EQ(std::count_if(out.begin(), out.end(),
                          [](const std::string& l) { return l.rfind("steps = ", 0) == 0; }),
            1);
  ASSERT_FALSE(err.empty());
  EXPECT_EQ(err.back(),
            "zbk-utility: command 3 \"status\": no ZBK board found (--wait-board SECONDS waits "
            "for one)");
  EXPECT_EQ(bus.WriteCount(), 0);
}

TEST_F(BatchRun, WaitingForTheBoardPollsEveryHalfSecond) {
  bus.AddDevice(0x046D, 0xC31C);
  EXPECT_EQ(Run("status", {.waitBoardSeconds = 3}), batch::kExitNoBoard);
  // At start, the Connect click, then a tick every 500 ms for 3 s.
  EXPECT_EQ(bus.DiscoveryCount(), 1 + 1 + 6);
  EXPECT_TRUE(Has(err, "Please connect the ZBK interface... (waiting up to 3 s)"));
  EXPECT_TRUE(Has(err, "no ZBK board found within 3 s"));
}

// Plugs the board in once the clock has passed a moment.
class PlugInClock final : public clk::Clock {
 public:
  PlugInClock(clk::VirtualClock& clock, std::function<void()> plug, std::int64_t atUs)
      : clock_(clock), plug_(std::move(plug)), atUs_(atUs) {}
  bool QueryPerformanceFrequency(std::int64_t& f) override {
    return clock_.QueryPerformanceFrequency(f);
  }
  std::int64_t QueryPerformanceCounter() override { return clock_.QueryPerformanceCounter(); }
  std::uint32_t GetTickCount() override { return clock_.GetTickCount(); }
  void Sleep(std::uint32_t ms) override { SleepUs(std::int64_t{ms} * 1000); }
  void SleepUs(std::int64_t us) override {
    clock_.SleepUs(us);
    if (plug_ && clock_.NowUs() >= atUs_) std::exchange(plug_, nullptr)();
  }
  std::int64_t NowUs() override { return clock_.NowUs(); }

 private:
  clk::VirtualClock& clock_;
  std::function<void()> plug_;
  std::int64_t atUs_;
};

TEST_F(BatchRun, ABoardPluggedInWhileWaitingIsConnectedAndTheCommandRuns) {
  const int board = bus.AddBoard("ZBK 2.1");
  bus.Unplug(board);
  PlugInClock hostClock(
      clock, [&] { bus.Plug(board); }, clock.NowUs() + 1'200'000);
  ASSERT_EQ(Run("status", hostClock, {.waitBoardSeconds = 5}), batch::kExitOk) << Err();
  // The third tick (1500 ms) finds it and runs Connect, which looks once more; then the status.
  EXPECT_EQ(bus.DiscoveryCount(), 1 + 1 + 3 + 1);
  ASSERT_GE(out.size(), 4u);
  EXPECT_EQ(out.front(), "ZBK 2.1");
  // Idle, motor off, no cut run, and the last command was Connect's 'I'.
  EXPECT_EQ(out[out.size() - 2], "0 0 0 49 0 0 0 0");
}

TEST_F(BatchRun, ABoardThatRefusesAccessGivesTwoWithItsBoxOnce) {
  const int board = bus.AddBoard("ZBK 2.1");
  bus.DenyAccess(board);
  const std::string box = "[zbk-utility] CreateFile: Access is denied. -> OK";
  struct Case {
    std::uint32_t waitSeconds;
    const char* last;
  };
  for (const Case c :
       {Case{0,
             "zbk-utility: command 1 \"connect\": the ZBK board was found but may not be opened"},
        Case{2,
             "zbk-utility: command 1 \"connect\": the ZBK board was found but may not be opened "
             "within 2 s"},
        Case{10,
             "zbk-utility: command 1 \"connect\": the ZBK board was found but may not be "
             "opened within 10 s"}}) {
    err.clear();
    const int discoveries = bus.DiscoveryCount();
    EXPECT_EQ(Run("connect; status", {.waitBoardSeconds = c.waitSeconds}), batch::kExitNoBoard);
    EXPECT_EQ(std::count(err.begin(), err.end(), box), 1) << Err();
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.back(), c.last);
    // It kept asking all the while: at start, the click, then every tick.
    EXPECT_EQ(bus.DiscoveryCount() - discoveries, 2 + 2 * static_cast<int>(c.waitSeconds));
  }
  EXPECT_EQ(bus.WriteCount(), 0);
}

TEST_F(BatchRun, AccessGrantedWhileWaitingConnectsWithoutABox) {
  const int board = bus.AddBoard("ZBK 2.1");
  bus.DenyAccess(board, clock.NowUs() + 1'200'000);
  ASSERT_EQ(Run("connect", {.waitBoardSeconds = 5}), batch::kExitOk) << Err();
  EXPECT_FALSE(Has(err, "CreateFile"));
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.front(), "ZBK 2.1");
}

TEST(BatchBox, TextLinesAreKeptAndTheAnswerFollows) {
  EXPECT_EQ(batch::FormatBox({"Programmation failure.\r\n\r\nVerify PIC revision and try again.",
                              "PIC", 0, ui::IDOK}),
            "[PIC] Programmation failure.\n\n  Verify PIC revision and try again. -> OK");
  EXPECT_EQ(batch::FormatBox({"Confirm?", "Erasing PIC", 1, ui::IDCANCEL}),
            "[Erasing PIC] Confirm? -> Cancel");
}

}  // namespace

namespace {

TEST_F(BatchRun, VerifyPicGivesOneWhenAWordDiffersAndSavePicWritesTheChip) {
  const int board = bus.AddBoard("ZBK 2.1");
  TempDir dir;
  const auto hex = dir.Write(
      "two.hex", pictest::WordRecord(0, {0x280A, 0x0009}) + "\n" + pictest::kEndRecord + "\n");
  // A blank chip differs from the file.
  EXPECT_EQ(Run("verify-pic " + hex.string()), batch::kExitFailure);
  EXPECT_TRUE(Has(out, "Verify PIC: 2 of 2 words differ"));
  EXPECT_TRUE(Has(err, "the PIC differs from the file; the batch stops here")) << Err();

  out.clear();
  err.clear();
  const auto saved = dir.path() / "saved.hex";
  ASSERT_EQ(Run("program-pic " + hex.string() + "; verify-pic " + hex.string() + "; save-pic " +
                saved.string() + "; verify-pic " + saved.string()),
            batch::kExitOk)
      << Err();
  EXPECT_EQ(bus.Board(board)->PicWord(1), 0x0009);
  EXPECT_EQ(pictest::ReadText(saved), ":020000040000FA\n:040000000A280900C1\n:00000001FF\n");
}

TEST_F(BatchRun, SavePicIntoAMissingFolderRunsNothing) {
  const auto parsed = batch::ParseBatch("status; save-pic /nonexistent-folder/chip.hex");
  ASSERT_TRUE(parsed.ok());
  EXPECT_NE(batch::CheckFiles(parsed.commands).find("there is no folder /nonexistent-folder"),
            std::string::npos);
}

}  // namespace
