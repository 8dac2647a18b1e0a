// "Cut Forward" and "Cut Back" end to end: the dialog on the headless host, the simulated board on
// the simulated bus, and the virtual clock.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hidlink/hid_link.h"
#include "kit/test_kit.h"
#include "motion/cut_encoding.h"
#include "params/parameter_tables.h"

using namespace app;
using hidlink::HidLink;

namespace {

using Report = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

constexpr const char* kNotIdle = "Board not idle: run stopped";
constexpr const char* kLinkClosed = "Link closed: run stopped";

struct Fields {
  std::string steps = "96";
  std::string rate = "20";
  std::string motors = "255";
  std::string repeat = "1";
  int timerRadio = IDC_RADIO_TIMER_10K;  // 0: no radio button of the group selected
};

const char* VersionOf(int generation) {
  switch (generation) {
    case params::kGeneration2:
      return "ZBK 2.1";
    case params::kGeneration3:
      return "ZBK 3.0";
    default:
      return "ZBK V1.0";
  }
}

// A board of one generation, the dialog started and the fields set. The wire trace and the log
// start empty and the shared output buffer holds a recognisable pattern, as earlier commands
// would leave it.
struct Bench {
  explicit Bench(int generation, const Fields& fields = {}, std::uint16_t outputLength = 65,
                 sim::Timing timing = sim::Timing::Instant) {
    kit.bus.SetTiming(timing);
    board = kit.AddBoard(VersionOf(generation), outputLength);
    window = &kit.Start();
    // Set directly so that these tests do not depend on Connect identifying the board.
    kit.Dialog().m_nBoardGeneration = generation;
    SetFields(fields);
    for (std::size_t i = 0; i < HidLink::outReport.size(); ++i) {
      HidLink::outReport[i] = static_cast<std::uint8_t>(0xA0 ^ i);
    }
    kit.bus.ClearTrace();
    kit.host.ClearBoxes();
    while (window->GetCount(IDC_LIST_LOG) > 0) window->DeleteString(IDC_LIST_LOG, 0);
  }

  void SetFields(const Fields& f) {
    window->SetText(IDC_EDIT_STEPS, f.steps);
    window->SetText(IDC_EDIT_STEP_RATE, f.rate);
    window->SetText(IDC_EDIT_MOTORS, f.motors);
    window->SetText(IDC_EDIT_CUT_REPEAT, f.repeat);
    for (int id : {IDC_RADIO_TIMER_10K, IDC_RADIO_20K, IDC_RADIO_50K}) {
      window->SetCheck(id, id == f.timerRadio ? 1 : 0);
    }
  }

  void Click(int button) { window->Click(button); }
  sim::ZbkBoard& Board() { return *kit.bus.Board(board); }
  void Script(std::uint8_t busy, int times = 1) {
    for (int i = 0; i < times; ++i) kit.bus.ScriptReply(board, {0x00, busy});
  }

  std::vector<std::int64_t> StatusWriteTimes() const {
    std::vector<std::int64_t> times;
    for (const auto& e : kit.bus.Trace()) {
      if (e.toBoard && e.bytes.size() > 1 && e.bytes[1] == 's') times.push_back(e.timeUs);
    }
    return times;
  }

  TestKit kit;
  int board = -1;
  headless::HeadlessWindow* window = nullptr;
};

// The output buffer as it stands, cut to the report length: what the next report carries in the
// bytes its command does not write.
Report Buffer() {
  return Report(HidLink::outReport.begin(), HidLink::outReport.begin() + HidLink::OutputLength());
}

Report StatusFrom(Report buffer) {
  buffer[0] = 0;
  buffer[1] = 's';
  return buffer;
}

// The reports of one 'c' cut sent from `buffer`: the command, then the step data copies.
std::vector<Report> StepCutFrom(Report buffer, std::uint8_t steps, std::uint8_t period,
                                std::uint8_t pattern, std::size_t copies) {
  buffer[1] = 'c';
  buffer[2] = steps;
  std::vector<Report> out = {buffer};
  for (std::size_t i = 1; i < buffer.size(); ++i) buffer[i] = i % 2 == 1 ? period : pattern;
  out.insert(out.end(), copies, buffer);
  return out;
}

TEST(CutRun, StepCutsPutTheExactReportsOnTheWire) {
  struct Case {
    int button;
    int timerRadio;
    std::uint8_t period;
    std::uint8_t pattern;
    int boardPeriod;  // ticks a step as the board runs it
    const char* closing;
  };
  const Case cases[] = {
      {IDC_BUTTON_CUT_FORWARD, IDC_RADIO_TIMER_10K, 0x14, 0xFF, 20, "Done: 0"},
      {IDC_BUTTON_CUT_BACK, IDC_RADIO_TIMER_10K, 0x14, 0xAA, 20, "0"},
      {IDC_BUTTON_CUT_FORWARD, IDC_RADIO_20K, 0x28, 0xFF, 40, "Done: 0"},
      {IDC_BUTTON_CUT_BACK, IDC_RADIO_20K, 0x14, 0xAA, 20, "0"},  // the rate as entered
  };
  // Only generations 2 and 3 take the 'q' form: a BRAXO board and one no Connect has identified
  // get the 'c' cut as generation 1 does.
  for (int generation :
       {params::kGeneration1, params::kGenerationBraxo, params::kGenerationUnknown}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "generation " << generation << " button " << c.button
                                      << " radio " << c.timerRadio);
      Bench bench(generation, {.timerRadio = c.timerRadio});
      const Report status = StatusFrom(Buffer());
      bench.Click(c.button);

      std::vector<Report> expected = {status};
      for (auto& r : StepCutFrom(status, 0x60, c.period, c.pattern, 3)) expected.push_back(r);
      EXPECT_EQ(bench.kit.Sent(), expected);
      EXPECT_EQ(bench.kit.Received().size(), 1u);  // only the status reply is read
      EXPECT_EQ(bench.kit.Log(), (Lines{"0", c.closing}));

      const auto& cut = bench.Board().LastCut();
      ASSERT_TRUE(cut.has_value());
      EXPECT_EQ(cut->command, 'c');
      EXPECT_EQ(cut->steps, 96);
      EXPECT_EQ(cut->periodTicks, std::vector<int>(96, c.boardPeriod));
      EXPECT_EQ(cut->patterns, std::vector<std::uint8_t>(96, c.pattern));
      EXPECT_TRUE(bench.Board().Violations().empty());
      EXPECT_EQ(bench.Board().PendingDataReports(), 0u);
    }
  }
}

TEST(CutRun, StepDataReportCountFollowsTheReportLength) {
  struct Case {
    std::uint16_t length;
    std::string steps;
    std::size_t copies;
  };
  const Case cases[] = {
      {11, "128", 26},                                  // D = 10
      {11, "5", 1},    {11, "1", 1},    {12, "11", 2},  // odd D: 22 bytes in two reports of 11
      {12, "6", 2},    {256, "128", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "L " << c.length << " N " << c.steps);
    Bench bench(params::kGeneration1, {.steps = c.steps}, c.length);
    bench.Click(IDC_BUTTON_CUT_FORWARD);
    const auto sent = bench.kit.Sent();
    ASSERT_EQ(sent.size(), 2 + c.copies);  // 's', 'c', the step data
    EXPECT_EQ(sent[1][1], 'c');
    EXPECT_EQ(bench.Board().PendingDataReports(), 0u);  // the board expected as many
    EXPECT_EQ(bench.Board().CutsRun(), 1);
    EXPECT_TRUE(bench.Board().Violations().empty());
  }
}

TEST(CutRun, BusyBoardIsQueriedAgainAfterTwiceItsCountInMilliseconds) {
  Bench bench(params::kGeneration1);
  bench.Script(5);
  bench.Script(0);
  bench.Click(IDC_BUTTON_CUT_FORWARD);
  EXPECT_EQ(bench.kit.Log(), (Lines{"5", "0", "Done: 0"}));
  const auto times = bench.StatusWriteTimes();
  ASSERT_EQ(times.size(), 2u);
  EXPECT_EQ(times[1] - times[0], 10'000);
  EXPECT_EQ(bench.kit.Sent().size(), 6u);
}

TEST(CutRun, NegativeBusyCountIsLoggedSignedAndPausesNothing) {
  Bench bench(params::kGeneration1);
  bench.Script(0xFF);
  bench.Script(0x80);
  bench.Click(IDC_BUTTON_CUT_BACK);
  EXPECT_EQ(bench.kit.Log(), (Lines{"-1", "-128", "0", "0"}));
  const auto times = bench.StatusWriteTimes();
  ASSERT_EQ(times.size(), 3u);
  EXPECT_EQ(times[0], times[2]);
}

TEST(CutRun, RepeatedCutsWaitForTheBoardBetweenThem) {
  // Each cut of 96 steps of 20 ticks of 100 us keeps the board busy 192 ms: count 96.
  Bench bench(params::kGeneration1, {.repeat = "3"});
  const Report status = StatusFrom(Buffer());
  bench.Click(IDC_BUTTON_CUT_FORWARD);
  EXPECT_EQ(bench.kit.Log(), (Lines{"0", "96", "0", "96", "0", "Done: 0"}));

  const auto sent = bench.kit.Sent();
  ASSERT_EQ(sent.size(), 5u + 2 * 6u);
  EXPECT_EQ(sent[0], status);
  // From the second cut on the 's' and the 'c' carry the previous cut's step pairs.
  const Report pairs = sent[4];
  for (std::size_t at : {5u, 6u, 11u, 12u}) EXPECT_EQ(sent[at], StatusFrom(pairs)) << at;
  for (std::size_t at : {7u, 13u}) EXPECT_EQ(sent[at], StepCutFrom(pairs, 0x60, 0x14, 0xFF, 0)[0]);
  for (std::size_t at : {8u, 9u, 10u, 14u, 15u, 16u}) EXPECT_EQ(sent[at], pairs) << at;
  EXPECT_EQ(bench.Board().CutsRun(), 3);
  EXPECT_TRUE(bench.Board().Violations().empty());
}

TEST(CutRun, NoRepeatSendsNothingAndClosesWithZero) {
  for (int button : {IDC_BUTTON_CUT_FORWARD, IDC_BUTTON_CUT_BACK}) {
    Bench bench(params::kGeneration1, {.repeat = "0"});
    bench.kit.clock.AdvanceUs(5'000'000);  // a stopwatch never started would show this
    bench.Click(button);
    EXPECT_TRUE(bench.kit.Sent().empty());
    EXPECT_EQ(bench.kit.Log(), (Lines{button == IDC_BUTTON_CUT_FORWARD ? "Done: 0" : "0"}));
  }
}

struct QCase {
  int generation;
  int button;
  std::string rate;
  int timerRadio;
  std::uint16_t length;
  int period;
  Report bytes;  // bytes 1 to 2a + 4
};

TEST(CutRun, QuickCutsPutTheLayoutOnTheWire) {
  Report p480 = {0x71, 0x40, 0x0F, 0x1F};
  p480.resize(66, 0x00);
  const QCase cases[] = {
      {2,
       IDC_BUTTON_CUT_FORWARD,
       "5",
       IDC_RADIO_TIMER_10K,
       65,
       5,
       {0x71, 0x04, 0x0F, 0x01, 0x55, 0x55}},
      {3, IDC_BUTTON_CUT_BACK, "1", IDC_RADIO_50K, 65, 5, {0x71, 0x04, 0x00, 0x01, 0x55, 0x55}},
      {3,
       IDC_BUTTON_CUT_FORWARD,
       "8",
       IDC_RADIO_20K,
       65,
       16,
       {0x71, 0x06, 0x0F, 0x02, 0x00, 0x00, 0x00, 0x00}},
      {2,
       IDC_BUTTON_CUT_BACK,
       "20",
       IDC_RADIO_TIMER_10K,
       65,
       20,
       {0x71, 0x06, 0x00, 0x02, 0x00, 0x00, 0x44, 0x44}},
      {3, IDC_BUTTON_CUT_FORWARD, "96", IDC_RADIO_50K, 67, 480, p480},  // just fits: L = 67
      {2, IDC_BUTTON_CUT_FORWARD, "96", IDC_RADIO_50K, 256, 480, p480},
  };
  for (const QCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "generation " << c.generation << " P " << c.period);
    // "# Step" and "Motors" play no part in a 'q' cut, even out of the ordinary.
    Bench bench(c.generation,
                {.steps = "1", .rate = c.rate, .motors = "0", .timerRadio = c.timerRadio},
                c.length);
    const Report status = StatusFrom(Buffer());
    bench.Click(c.button);

    Report q = status;
    std::copy(c.bytes.begin(), c.bytes.end(), q.begin() + 1);
    EXPECT_EQ(bench.kit.Sent(), (std::vector<Report>{status, q}));
    EXPECT_EQ(bench.kit.Log(), (Lines{"0", c.button == IDC_BUTTON_CUT_FORWARD ? "Done: 0" : "0"}));

    const auto& cut = bench.Board().LastCut();
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->command, 'q');
    EXPECT_EQ(cut->periodTicks.front(), c.period);
    EXPECT_EQ(cut->direction, c.button == IDC_BUTTON_CUT_FORWARD ? 0x0F : 0x00);
    EXPECT_TRUE(bench.Board().Violations().empty());
  }
}

TEST(CutRun, QuickCutThatCannotGoOutEndsTheRunAfterTheFirstWait) {
  const std::string kTooHigh = "Cut not sent: step rate too high";
  const std::string kTooLong = "Cut not sent: step rate too high for the board's report";
  struct Case {
    int generation;
    std::string rate;
    std::uint16_t length;
    std::string line;
  };
  const Case cases[] = {
      {2, "97", 256, kTooHigh},  // P = 485 at 50 kHz
      {3, "97", 256, kTooHigh},
      {2, "96", 65, kTooLong},  // P = 480 needs 67 bytes; this board takes 65
      {3, "96", 66, kTooLong},
  };
  for (const Case& c : cases) {
    for (int button : {IDC_BUTTON_CUT_FORWARD, IDC_BUTTON_CUT_BACK}) {
      SCOPED_TRACE(testing::Message() << "generation " << c.generation << " R " << c.rate << " L "
                                      << c.length << " button " << button);
      Bench bench(c.generation, {.rate = c.rate, .repeat = "2", .timerRadio = IDC_RADIO_50K},
                  c.length);
      bench.Click(button);
      const auto sent = bench.kit.Sent();
      ASSERT_EQ(sent.size(), 1u);
      EXPECT_EQ(sent[0][1], 's');
      EXPECT_EQ(bench.kit.Log(), (Lines{"0", c.line}));
      EXPECT_EQ(bench.kit.Dialog().m_outcome.kind, app::Outcome::kRefused);
      EXPECT_EQ(bench.Board().CutsRun(), 0);
      EXPECT_TRUE(bench.Board().Violations().empty());
    }
  }
}

TEST(CutRun, NoTimerSelectedStepsAsAtTenKilohertz) {
  {
    Bench bench(params::kGeneration1, {.timerRadio = 0});
    bench.Click(IDC_BUTTON_CUT_FORWARD);
    const auto sent = bench.kit.Sent();
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[2][1], 0x14);
    EXPECT_EQ(sent[2][2], 0xFF);
  }
  {
    Bench bench(params::kGeneration3, {.timerRadio = 0});
    bench.Click(IDC_BUTTON_CUT_FORWARD);
    const auto sent = bench.kit.Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(Report(sent[1].begin() + 1, sent[1].begin() + 9),
              (Report{0x71, 0x06, 0x0F, 0x02, 0x00, 0x00, 0x44, 0x44}));
  }
}

TEST(CutRun, ALinkThatClosesEndsTheRunWithoutFurtherCuts) {
  struct Case {
    const char* name;
    std::string repeat;
    std::function<void(Bench&)> fault;
    Lines log;
    std::size_t sent;
  };
  const Case cases[] = {
      {"no status reply",
       "2",
       [](Bench& b) { b.kit.bus.SetNoReply(b.board, true); },
       {kLinkClosed},
       1},
      {"status write fails",
       "2",
       [](Bench& b) { b.kit.bus.SetWriteFails(b.board, true); },
       {kLinkClosed},
       0},
      {"closed by an earlier command",
       "2",
       [](Bench&) {
         HidLink::CloseAll();
         HidLink::connected = false;
       },
       {kLinkClosed},
       0},
      // 's', 'c' and one step data report go out, the second one fails.
      {"step data write fails",
       "2",
       [](Bench& b) { b.kit.bus.FailWriteAfter(b.board, 3); },
       {"0", kLinkClosed},
       3},
      // A failed write in the last cut leaves nothing to wait for: the run closes as usual.
      {"last cut's write fails",
       "1",
       [](Bench& b) { b.kit.bus.FailWriteAfter(b.board, 1); },
       {"0", "Done: 0"},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench(params::kGeneration1, {.repeat = c.repeat});
    c.fault(bench);
    bench.Click(IDC_BUTTON_CUT_FORWARD);
    EXPECT_EQ(bench.kit.Log(), c.log);
    EXPECT_EQ(bench.kit.Sent().size(), c.sent);
    EXPECT_FALSE(HidLink::connected);
    EXPECT_EQ(bench.kit.Dialog().m_bBoardPresent, 1);
    EXPECT_EQ(bench.kit.Dialog().m_outcome.kind, app::Outcome::kLinkFailed);
  }
}

TEST(CutRun, ABoardBusyBeyondAnyCutEndsTheRun) {
  // 127 pauses 254 ms: the 79th pause passes 20 s.
  Bench bench(params::kGeneration1, {.repeat = "2"});
  bench.Script(127, 200);
  const std::int64_t startUs = bench.kit.clock.NowUs();
  bench.Click(IDC_BUTTON_CUT_FORWARD);
  const std::int64_t waitedUs = bench.kit.clock.NowUs() - startUs;
  EXPECT_GE(waitedUs, std::int64_t{motion::kMaxBoardBusyMs} * 1000);
  EXPECT_LT(waitedUs, std::int64_t{motion::kMaxBoardBusyMs} * 1000 + 254'000);

  Lines expected(79, "127");
  expected.push_back(kNotIdle);
  EXPECT_EQ(bench.kit.Log(), expected);
  const auto sent = bench.kit.Sent();
  EXPECT_EQ(sent.size(), 79u);
  for (const auto& r : sent) EXPECT_EQ(r[1], 's');
}

TEST(CutRun, ABoardThatKeepsAnsweringNegativeCountsEndsTheRun) {
  // No pause and, on an instant bus, no time passing: each query still counts as a 1 ms frame.
  Bench bench(params::kGeneration1);
  bench.Script(0xFF, 20'010);
  bench.Click(IDC_BUTTON_CUT_FORWARD);
  const auto log = bench.kit.Log();
  ASSERT_EQ(log.size(), 20'001u);
  EXPECT_EQ(std::count(log.begin(), log.end(), "-1"), 20'000);
  EXPECT_EQ(log.back(), kNotIdle);
  EXPECT_EQ(bench.Board().CutsRun(), 0);
}

TEST(CutRun, ABoardBusyJustUnderTheLimitStillGetsItsCut) {
  Bench bench(params::kGeneration1);
  bench.Script(127, 78);  // 78 x 254 ms = 19.812 s
  bench.Click(IDC_BUTTON_CUT_FORWARD);
  const auto log = bench.kit.Log();
  ASSERT_EQ(log.size(), 80u);
  EXPECT_EQ(log[78], "0");
  EXPECT_EQ(log[79], "Done: 0");
  EXPECT_EQ(bench.Board().CutsRun(), 1);
}

TEST(CutRun, FailedFieldCheckSendsNothing) {
  for (int button : {IDC_BUTTON_CUT_FORWARD, IDC_BUTTON_CUT_BACK}) {
    for (const Fields& f : {Fields{.steps = "0"}, Fields{.steps = "129"}, Fields{.rate = "128"},
                            Fields{.motors = "x"}, Fields{.repeat = ""}}) {
      SCOPED_TRACE(testing::Message() << "button " << button << " steps " << f.steps << " rate "
                                      << f.rate << " motors " << f.motors);
      Bench bench(params::kGeneration1, f);
      bench.kit.Dialog().m_nJumperPos = 1;
      bench.Click(button);
      EXPECT_EQ(bench.kit.Boxes().size(), 1u);  // the field's message only, no jumper box
      EXPECT_TRUE(bench.kit.Sent().empty());
      EXPECT_TRUE(bench.kit.Log().empty());
    }
  }
}

TEST(CutRun, BoardNeverFoundEndsThePressSilently) {
  TestKit kit;
  auto& w = kit.Start();
  const int discoveries = kit.bus.DiscoveryCount();
  for (int button : {IDC_BUTTON_CUT_FORWARD, IDC_BUTTON_CUT_BACK}) w.Click(button);
  EXPECT_EQ(kit.bus.DiscoveryCount(), discoveries);
  EXPECT_TRUE(kit.Log().empty());
  EXPECT_TRUE(kit.Boxes().empty());
  EXPECT_FALSE(w.TimerRunning(kConnectTimerId));
  EXPECT_EQ(kit.host.Windows().size(), 1u);  // no connect prompt
}

TEST(CutRun, AsksForTheNormalJumperPositionBeforeAnythingGoesOut) {
  for (int button : {IDC_BUTTON_CUT_FORWARD, IDC_BUTTON_CUT_BACK}) {
    Bench bench(params::kGeneration1);
    bench.kit.Dialog().m_nJumperPos = 1;
    int writesAtBox = -1;
    bench.kit.host.SetWhileBoxOpen(
        [&](const headless::ShownBox&) { writesAtBox = bench.kit.bus.WriteCount(); });
    const int writesBefore = bench.kit.bus.WriteCount();
    bench.Click(button);
    EXPECT_EQ(bench.kit.BoxTexts(), (Lines{"Put the QD5500 jump into normal position"}));
    EXPECT_EQ(writesAtBox, writesBefore);
    EXPECT_EQ(bench.kit.Dialog().m_nJumperPos, 0);
    EXPECT_EQ(bench.kit.Sent().size(), 5u);
  }
}

TEST(CutRun, TheWindowRepaintsWhileTheRunGoesOn) {
  Bench bench(params::kGeneration1, {.repeat = "3"});
  std::vector<int> repaintsAtWrite;
  bench.kit.bus.SetTraceSink([&](const sim::TraceEntry& e) {
    if (e.toBoard) repaintsAtWrite.push_back(bench.window->RepaintCount());
  });
  const int before = bench.window->RepaintCount();
  bench.Click(IDC_BUTTON_CUT_FORWARD);
  // 's' 'c' and three step data reports, then twice 's' 's' 'c' and three step data reports.
  ASSERT_EQ(repaintsAtWrite.size(), 17u);
  // Each idle wait's lines are painted before the cut after it goes out.
  EXPECT_GT(repaintsAtWrite[1], before);
  EXPECT_GT(repaintsAtWrite[5], repaintsAtWrite[1]);
  EXPECT_GT(repaintsAtWrite[7], repaintsAtWrite[5]);
  EXPECT_GT(repaintsAtWrite[13], repaintsAtWrite[7]);
  EXPECT_GE(bench.window->RepaintCount() - before, static_cast<int>(bench.kit.Log().size()));
}

TEST(CutRun, RunsAgainstTheBoardOnAUsbLikeBus) {
  struct Case {
    int generation;
    int button;
  };
  const Case cases[] = {
      {params::kGeneration1, IDC_BUTTON_CUT_FORWARD},
      {params::kGeneration1, IDC_BUTTON_CUT_BACK},
      {params::kGeneration2, IDC_BUTTON_CUT_FORWARD},
      {params::kGeneration3, IDC_BUTTON_CUT_BACK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "generation " << c.generation << " button " << c.button);
    Bench bench(c.generation, {.repeat = "2"}, 65, sim::Timing::UsbLike);
    bench.Click(c.button);
    const auto log = bench.kit.Log();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log.front(), "0");
    // The second cut waited for the first: busy counts, then idle.
    EXPECT_GT(std::stoi(log[1]), 0);
    EXPECT_EQ(log[log.size() - 2], "0");
    const bool forward = c.button == IDC_BUTTON_CUT_FORWARD;
    const std::string closing = log.back();
    ASSERT_EQ(closing.rfind(forward ? "Done: " : "", 0), 0u) << closing;
    const long long us = std::stoll(closing.substr(forward ? 6 : 0));
    // One frame for a 'q', four for a 'c' with its three step data reports.
    const long long frames = c.generation == params::kGeneration1 ? 4 : 1;
    EXPECT_GE(us, (frames - 1) * 1000);
    EXPECT_LE(us, frames * 1000);
    EXPECT_EQ(bench.Board().CutsRun(), 2);
    EXPECT_TRUE(bench.Board().Violations().empty());
  }
}

}  // namespace
