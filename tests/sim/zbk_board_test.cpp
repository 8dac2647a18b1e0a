#include "sim/zbk_board.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using sim::ZbkBoard;
using Bytes = std::vector<std::uint8_t>;

// A full-length output report: report id 0, then `payload` from byte 1, the rest 0.
Bytes Report(const ZbkBoard& board, const Bytes& payload) {
  Bytes report(board.OutputReportLength(), 0);
  std::copy_n(payload.begin(), std::min(payload.size(), report.size() - 1), report.begin() + 1);
  return report;
}

void Send(ZbkBoard& board, const Bytes& payload, std::int64_t nowUs = 0) {
  board.Receive(Report(board, payload), nowUs);
}

Bytes Exchange(ZbkBoard& board, const Bytes& payload, std::int64_t nowUs = 0) {
  Send(board, payload, nowUs);
  std::optional<Bytes> reply = board.TakeReply();
  EXPECT_TRUE(reply.has_value()) << "no reply to '" << static_cast<char>(payload[0]) << "'";
  EXPECT_FALSE(board.HasReply());
  return reply.value_or(Bytes{});
}

// Reply bytes first..last (inclusive).
Bytes Slice(const Bytes& reply, std::size_t first, std::size_t last) {
  if (reply.size() <= last) return {};
  return Bytes(reply.begin() + first, reply.begin() + last + 1);
}

std::uint16_t Word(const Bytes& reply, std::size_t index) {
  return static_cast<std::uint16_t>(reply.at(index) | (reply.at(index + 1) << 8));
}

bool AnyViolationContains(const ZbkBoard& board, const std::string& text) {
  return std::any_of(board.Violations().begin(), board.Violations().end(),
                     [&](const std::string& v) { return v.find(text) != std::string::npos; });
}

TEST(ZbkBoardTest, StatusReportsIdleStateAndRecentCommands) {
  ZbkBoard board("ZBK 2.1");
  Bytes reply = Exchange(board, {'s'});
  ASSERT_EQ(reply.size(), 65u);
  EXPECT_EQ(Slice(reply, 0, 8), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0}));

  Send(board, {'o', 1});
  Send(board, {'T', 0xFF});
  Send(board, {'Z'});  // unknown: one violation
  reply = Exchange(board, {'s'});
  // busy 0, motor on, no cut, previous letter 'Z', one violation.
  EXPECT_EQ(Slice(reply, 1, 5), (Bytes{0, 1, 0, 'Z', 1}));
}

TEST(ZbkBoardTest, VersionTextIsZeroTerminatedAndCutToFit) {
  struct Case {
    std::string version;
    std::size_t inputLength;
    std::string expected;
  };
  for (const Case& c : {Case{"ZBK 2.1", 65, "ZBK 2.1"}, Case{"BRAXO 1.2", 65, "BRAXO 1.2"},
                        Case{"ZBK V1.0 long", 9, "ZBK V1."}}) {
    ZbkBoard board(c.version, 65, c.inputLength);
    const Bytes reply = Exchange(board, {'v'});
    ASSERT_EQ(reply.size(), c.inputLength) << c.version;
    EXPECT_EQ(reply[0], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&reply[1])), c.expected);
  }
}

TEST(ZbkBoardTest, FactoryParametersFollowTheFirmware) {
  struct Case {
    std::string version;
    Bytes block0;  // bytes 1..6 of 'I' 0
  };
  for (const Case& c :
       {Case{"ZBK 2.1", {0, 1, 5, 0, 0, 0}}, Case{"ZBK 3.0", {0, 1, 5, 0, 0, 0}},
        Case{"ZBK V1.0", {0, 0, 5, 0, 0, 0}}, Case{"BRAXO 1.2", {0, 0, 25, 7, 1, 0}}}) {
    ZbkBoard board(c.version);
    EXPECT_EQ(Slice(Exchange(board, {'I', 0}), 1, 6), c.block0) << c.version;
    EXPECT_EQ(Slice(Exchange(board, {'I', 1}), 1, 8), (Bytes{1, 3, 5, 7, 0, 2, 4, 6}));
    EXPECT_EQ(Slice(Exchange(board, {'I', 2}), 1, 2), (Bytes{1, 1}));
  }
}

TEST(ZbkBoardTest, WrittenBlocksReadBackInTheReadLayout) {
  ZbkBoard board("ZBK 2.1");
  // Timing write: dir delay 14 us, step 50 us, BRAXO on, timer 50 kHz, step mode 3.
  Bytes reply = Exchange(board, {'a', 0, 7, 25, 1, 2, 3, 0, 0, 0});
  EXPECT_EQ(Slice(reply, 1, 2), (Bytes{'a', 0}));
  // Read: timer, ProtocolV2 (kept), step, dir, BRAXO, step mode.
  EXPECT_EQ(Slice(Exchange(board, {'I', 0}), 1, 8), (Bytes{2, 1, 25, 7, 1, 3, 0, 0}));

  Exchange(board, {'a', 1, 7, 6, 5, 4, 3, 2, 1, 0});
  EXPECT_EQ(Slice(Exchange(board, {'I', 1}), 1, 8), (Bytes{7, 6, 5, 4, 3, 2, 1, 0}));

  // Bytes 5 on of a motor-on write are leftovers and change nothing.
  Exchange(board, {'a', 2, 0, 0, 9, 9, 9, 9, 9, 9});
  EXPECT_EQ(Slice(Exchange(board, {'I', 2}), 1, 8), (Bytes{0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(board.Parameters().pins, (std::array<std::uint8_t, 8>{7, 6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(board.LastBlockWrite(2), (std::array<std::uint8_t, 8>{0, 0, 9, 9, 9, 9, 9, 9}));
  EXPECT_TRUE(board.Violations().empty());
}

TEST(ZbkBoardTest, UnknownBlocksAndShortWritesAreRecordedButAnswered) {
  ZbkBoard board("ZBK 2.1");
  const sim::StoredParameters before = board.Parameters();
  EXPECT_EQ(Slice(Exchange(board, {'I', 3}), 1, 8), Bytes(8, 0));
  Exchange(board, {'a', 5, 1, 1, 1, 1, 1, 1, 1, 1});
  EXPECT_EQ(board.Violations().size(), 2u);
  EXPECT_TRUE(AnyViolationContains(board, "'I' of unknown block 3"));
  EXPECT_TRUE(AnyViolationContains(board, "'a' of unknown block 5"));

  ZbkBoard narrow("ZBK 2.1", 8, 65);  // a timing write needs 11 bytes
  Exchange(narrow, {'a', 0, 7, 25, 1, 2, 3});
  EXPECT_TRUE(AnyViolationContains(narrow, "command needs more bytes than the report carries"));
  EXPECT_EQ(narrow.Parameters(), before);
}

TEST(ZbkBoardTest, MotorPowerAndBufferTestHaveNoReply) {
  ZbkBoard board("ZBK 2.1");
  Send(board, {'o', 1});
  EXPECT_TRUE(board.MotorOn());
  Send(board, {'T', 0x2C});
  EXPECT_EQ(board.LastBufferTest(), 0x2C);
  Send(board, {'o', 0});
  EXPECT_FALSE(board.MotorOn());
  EXPECT_FALSE(board.HasReply());
  EXPECT_EQ(board.BufferTests(), 1);
}

// Step data report of identical pairs, as the host sends them.
Bytes StepData(const ZbkBoard& board, std::uint8_t period, std::uint8_t pattern) {
  Bytes payload(board.OutputReportLength() - 1);
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = (i % 2 == 0) ? period : pattern;
  return payload;
}

TEST(ZbkBoardTest, CutStartsAtItsLastDataReportAndBusyCountReachesZeroAtItsEnd) {
  ZbkBoard board("ZBK V1.0");  // timer 10 kHz: 100 us a tick
  Send(board, {'c', 96}, 0);
  Send(board, StepData(board, 20, 0xFF), 1000);
  Send(board, StepData(board, 20, 0xFF), 2000);
  EXPECT_EQ(board.CutsRun(), 0);
  EXPECT_EQ(board.PendingDataReports(), 1u);
  Send(board, StepData(board, 20, 0xFF), 3000);
  EXPECT_FALSE(board.HasReply());
  ASSERT_EQ(board.CutsRun(), 1);

  const sim::CutRun& cut = *board.LastCut();
  EXPECT_EQ(cut.steps, 96);
  EXPECT_EQ(cut.periodTicks, std::vector<int>(96, 20));
  EXPECT_EQ(cut.patterns, Bytes(96, 0xFF));
  EXPECT_EQ(cut.startUs, 3000);
  EXPECT_EQ(cut.endUs, 3000 + 96 * 20 * 100);

  // The host pauses 2 ms per count: one pause lands on the end of the cut.
  std::int64_t now = 3000;
  const int count = Exchange(board, {'s'}, now)[1];
  EXPECT_EQ(count, 96);
  EXPECT_EQ(Exchange(board, {'s'}, cut.endUs - 1000)[1], 1);
  now += 2000 * count;
  EXPECT_EQ(Exchange(board, {'s'}, now)[1], 0);
  EXPECT_EQ(Exchange(board, {'s'}, now)[3], 1);  // cuts run
}

TEST(ZbkBoardTest, StepDurationFollowsTheStoredTimerChoice) {
  struct Case {
    std::uint8_t timerChoice;
    int tickUs;
  };
  for (const Case& c : {Case{0, 100}, Case{1, 50}, Case{2, 20}, Case{7, 100}}) {
    ZbkBoard board("ZBK V1.0");
    sim::StoredParameters params = board.Parameters();
    params.timerChoice = c.timerChoice;
    board.SetParameters(params);
    Send(board, {'c', 10}, 500);
    Send(board, StepData(board, 3, 0x02), 700);  // 20 bytes fit one report
    EXPECT_EQ(board.BusyUntilUs(), 700 + 10 * 3 * c.tickUs) << int{c.timerChoice};
  }
}

TEST(ZbkBoardTest, LongCutClampsTheBusyCount) {
  ZbkBoard board("ZBK V1.0");
  Send(board, {'c', 255});
  for (int i = 0; i < 8; ++i) Send(board, StepData(board, 255, 0xFF));
  ASSERT_EQ(board.BusyUntilUs(), 255 * 255 * 100);
  EXPECT_EQ(Exchange(board, {'s'}, 0)[1], 127);
  EXPECT_EQ(Exchange(board, {'s'}, board.BusyUntilUs() - 3000)[1], 2);
}

TEST(ZbkBoardTest, DataReportCountFollowsTheReportLength) {
  struct Case {
    int steps;
    std::size_t reports;
  };
  for (const Case& c : {Case{128, 32}, Case{5, 2}, Case{1, 1}, Case{0, 0}}) {
    ZbkBoard board("ZBK V1.0", 9, 65);  // 8 data bytes a report
    Send(board, {'c', static_cast<std::uint8_t>(c.steps)});
    EXPECT_EQ(board.PendingDataReports(), c.reports) << c.steps;
    for (std::size_t i = 0; i < c.reports; ++i) Send(board, StepData(board, 1, 0x03));
    EXPECT_EQ(board.CutsRun(), c.steps > 0 ? 1 : 0);
    // The board takes commands again.
    Exchange(board, {'s'});
    EXPECT_TRUE(board.Violations().empty());
  }
}

TEST(ZbkBoardTest, CutWhileRunningIsRecordedAndRunsAfterward) {
  ZbkBoard board("ZBK V1.0");
  Send(board, {'c', 1});
  Send(board, StepData(board, 10, 0x03));
  const std::int64_t firstEnd = board.BusyUntilUs();
  Send(board, {'c', 1}, 100);
  Send(board, StepData(board, 10, 0x03), 100);
  EXPECT_TRUE(AnyViolationContains(board, "'c' while a cut is still running"));
  EXPECT_EQ(board.LastCut()->startUs, firstEnd);
}

// The 'q' command as the host lays it out.
Bytes QuickCut(int period, std::uint8_t direction) {
  const int slots = period / 16 + 1;
  const auto nibbles = static_cast<std::uint8_t>((period % 16) * 0x11);
  Bytes payload = {'q', static_cast<std::uint8_t>(2 * slots + 2), direction,
                   static_cast<std::uint8_t>(slots)};
  payload.resize(payload.size() + 2 * (slots - 1), 0);
  payload.push_back(nibbles);
  payload.push_back(nibbles);
  return payload;
}

TEST(ZbkBoardTest, QuickCutDecodesItsPeriod) {
  for (int period : {5, 16, 20, 480}) {
    ZbkBoard board("ZBK 2.1", 67, 65);  // P = 480 ends at byte 66
    Send(board, QuickCut(period, 0x0F), 1000);
    ASSERT_EQ(board.CutsRun(), 1) << period;
    const sim::CutRun& cut = *board.LastCut();
    EXPECT_EQ(cut.steps, sim::kQuickCutSteps);
    EXPECT_EQ(cut.periodTicks, std::vector<int>(sim::kQuickCutSteps, period));
    EXPECT_EQ(cut.direction, 0x0F);
    EXPECT_EQ(cut.endUs, 1000 + sim::kQuickCutSteps * period * 100);
    EXPECT_TRUE(board.Violations().empty()) << board.Violations().front();
  }
}

TEST(ZbkBoardTest, MalformedQuickCutRunsNothing) {
  struct Case {
    const char* name;
    Bytes payload;
    const char* violation;
  };
  Bytes badCount = QuickCut(20, 0);
  badCount[1] = 5;
  Bytes badPair = QuickCut(20, 0);
  badPair[4] = 1;
  Bytes badNibbles = QuickCut(20, 0);
  badNibbles[6] = 0x45;
  const Case cases[] = {
      {"count", badCount, "byte count"},
      {"zero pair", badPair, "zero pair"},
      {"nibbles", badNibbles, "n * 0x11"},
      {"no slots", {'q', 2, 0, 0, 0, 0}, "slot count 0"},
      {"too long for 65 bytes", QuickCut(480, 0),
       "command needs more bytes than the report carries"},
  };
  for (const Case& c : cases) {
    ZbkBoard board("ZBK 3.0");
    Send(board, c.payload);
    EXPECT_EQ(board.CutsRun(), 0) << c.name;
    EXPECT_TRUE(AnyViolationContains(board, c.violation)) << c.name;
  }
}

// Header and data report of one record; the reply to the data report.
Bytes Program(ZbkBoard& board, std::uint16_t address, const std::vector<std::uint16_t>& words,
              std::uint8_t revisionFlag = 0) {
  Send(board, {'R', static_cast<std::uint8_t>(words.size() + 1), revisionFlag});
  EXPECT_FALSE(board.HasReply());
  Bytes data = {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8)};
  for (std::uint16_t w : words) {
    data.push_back(static_cast<std::uint8_t>(w));
    data.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  return Exchange(board, data);
}

std::vector<std::uint16_t> ReadWords(ZbkBoard& board, std::uint16_t address) {
  const Bytes reply = Exchange(
      board, {'r', static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8)});
  return {Word(reply, 1), Word(reply, 3), Word(reply, 5), Word(reply, 7)};
}

TEST(ZbkBoardTest, ErasedPicReadsItsErasedValues) {
  ZbkBoard board("ZBK 2.1");
  EXPECT_EQ(ReadWords(board, 0x0000), (std::vector<std::uint16_t>(4, 0x3FFF)));
  EXPECT_EQ(ReadWords(board, 0x2006), (std::vector<std::uint16_t>(4, 0x3FFF)));  // 0x2008 on: none
  EXPECT_EQ(ReadWords(board, 0x20FE), (std::vector<std::uint16_t>{0x3FFF, 0x3FFF, 0x00FF, 0x00FF}));
  EXPECT_EQ(ReadWords(board, 0xFFFE), (std::vector<std::uint16_t>(4, 0x3FFF)));
}

TEST(ZbkBoardTest, ProgrammedRecordReadsBackMaskedTo14Bits) {
  ZbkBoard board("ZBK 2.1");
  const Bytes reply = Program(board, 0x0010, {0x1234, 0xFFFF, 0x0000});
  EXPECT_EQ(Word(reply, 1), sim::kProgramAccepted);
  EXPECT_EQ(Word(reply, 3), 0x0010);
  EXPECT_EQ(Word(reply, 5), 3);
  EXPECT_EQ(ReadWords(board, 0x0010), (std::vector<std::uint16_t>{0x1234, 0x3FFF, 0x0000, 0x3FFF}));

  Send(board, {'R', 0, 0});  // ends the run: no reply, no data report expected
  EXPECT_FALSE(board.HasReply());
  EXPECT_EQ(board.ProgrammingRunsEnded(), 1);
  EXPECT_EQ(board.PendingDataReports(), 0u);
  EXPECT_TRUE(board.Violations().empty());
}

TEST(ZbkBoardTest, RecordsOutsideTheMemoryAreasAreRefusedWhole) {
  struct Case {
    std::uint16_t address;
    int words;
    std::uint16_t status;
  };
  const Case cases[] = {
      {0x0000, 8, sim::kProgramAccepted},      {0x1FFC, 8, sim::kProgramAccepted},
      {0x2100, 8, sim::kProgramAccepted},      {0x2006, 4, sim::kProgramOutsideMemory},
      {0x21FC, 8, sim::kProgramOutsideMemory}, {0x3000, 1, sim::kProgramOutsideMemory},
  };
  for (const Case& c : cases) {
    ZbkBoard board("ZBK 2.1");
    const std::vector<std::uint16_t> words(c.words, 0x0123);
    EXPECT_EQ(Word(Program(board, c.address, words), 1), c.status) << std::hex << c.address;
    const bool eeprom = c.address >= 0x2100 && c.address < 0x2200;
    const std::uint16_t expected = c.status == sim::kProgramAccepted ? 0x0123
                                   : eeprom                          ? 0x00FF
                                                                     : 0x3FFF;
    EXPECT_EQ(board.PicWord(c.address), expected) << std::hex << c.address;
  }
}

TEST(ZbkBoardTest, RecordForTheOtherRevisionIsRefused) {
  ZbkBoard board("ZBK 2.1");
  EXPECT_EQ(Word(Program(board, 0x0000, {0x0001}, 1), 1), sim::kProgramWrongRevision);
  EXPECT_EQ(board.PicWord(0x0000), 0x3FFF);

  board.SetPicRevisionA(true);
  EXPECT_EQ(Word(Program(board, 0x0000, {0x0001}, 0), 1), sim::kProgramWrongRevision);
  EXPECT_EQ(Word(Program(board, 0x0000, {0x0001}, 1), 1), sim::kProgramAccepted);
  EXPECT_EQ(board.PicWord(0x0000), 0x0001);
  EXPECT_TRUE(board.Violations().empty());
}

TEST(ZbkBoardTest, RecordLongerThanTheReportIsAViolation) {
  ZbkBoard board("ZBK 2.1", 9, 65);  // room for 3 words after the address
  const Bytes reply = Program(board, 0x0000, {1, 2, 3, 4});
  EXPECT_EQ(Word(reply, 1), sim::kProgramTooLong);
  EXPECT_TRUE(AnyViolationContains(board, "needs more bytes than the report carries"));
  EXPECT_EQ(board.PicWord(0x0000), 0x3FFF);

  EXPECT_EQ(Word(Program(board, 0x0000, {}), 1), sim::kProgramAccepted);  // zero words
}

TEST(ZbkBoardTest, EraseNeedsTheMatchingRevision) {
  ZbkBoard board("ZBK 2.1");
  Program(board, 0x0000, {0x0001});
  Program(board, 0x2007, {0x3F72});
  Program(board, 0x2100, {0x0042});

  Send(board, {'w', 1});  // the PIC is not revision A
  EXPECT_EQ(board.PicErases(), 0);
  EXPECT_EQ(board.PicWord(0x0000), 0x0001);

  Send(board, {'w', 0});
  EXPECT_FALSE(board.HasReply());
  EXPECT_EQ(board.PicErases(), 1);
  EXPECT_EQ(board.PicWord(0x0000), 0x3FFF);
  EXPECT_EQ(board.PicWord(0x2007), 0x3FFF);
  EXPECT_EQ(board.PicWord(0x2100), 0x00FF);
}

TEST(ZbkBoardTest, MalformedReportsAreRecordedWithoutReply) {
  ZbkBoard board("ZBK 2.1");
  Send(board, {'Z', 1, 2});
  EXPECT_TRUE(AnyViolationContains(board, "unknown command letter 0x5A"));

  Bytes wrongId = Report(board, {'o', 1});
  wrongId[0] = 3;
  board.Receive(wrongId, 0);
  EXPECT_TRUE(AnyViolationContains(board, "report id 3, expected 0"));

  const Bytes shortReport = {0, 's'};
  board.Receive(shortReport, 0);
  EXPECT_TRUE(AnyViolationContains(board, "report of 2 bytes, expected 65"));
  EXPECT_EQ(board.Violations().size(), 3u);

  ASSERT_TRUE(board.TakeReply().has_value());  // only the 's' is answered
  EXPECT_FALSE(board.HasReply());
}

}  // namespace
