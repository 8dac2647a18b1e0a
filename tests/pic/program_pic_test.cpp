// Program PIC on the simulated board: the report sequence, the board's status word, a lost link,
// the file dialog, and files refused before anything reaches the board.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "hidlink/hid_link.h"
#include "kit/hex_text.h"
#include "kit/test_kit.h"
#include "pic/pic_dialog_support.h"

using namespace app;
using pictest::IsHeader;
using pictest::IsRead;
using pictest::kEndRecord;
using pictest::TempDir;
using pictest::WordRecord;
using testkit::HexRecord;

namespace {

const char kPressReset[] = "Press on the QD5500 RESET button then click Ok";
const char kSuccess[] = "Programmation successful";
const char kFailure[] = "Programmation failure.\r\n\r\nVerify PIC revision and try again.";

// Three records of eight words at byte addresses 0x0000, 0x0010 and 0x0020.
std::vector<std::vector<uint16_t>> ThreeRecordWords() {
  std::vector<std::vector<uint16_t>> records;
  for (uint16_t r = 0; r < 3; ++r) {
    std::vector<uint16_t> words;
    for (uint16_t i = 0; i < 8; ++i) words.push_back(static_cast<uint16_t>(0x2800 + 0x111 * r + i));
    records.push_back(words);
  }
  records[0][0] = 0x280A;
  records[0][1] = 0x3FFF;
  return records;
}

std::string ThreeRecordFile() {
  const auto records = ThreeRecordWords();
  return WordRecord(0x0000, records[0]) + "\n" + WordRecord(0x0010, records[1]) + "\n" +
         WordRecord(0x0020, records[2]) + "\n" + kEndRecord + "\n";
}

// The dialog with the board, its jumper already in program position and the first read done, so
// that what a command does shows on its own.
headless::HeadlessWindow& StartReady(TestKit& kit, uint16_t outputLength = 65) {
  kit.AddBoard("ZBK 2.1", outputLength);
  auto& w = kit.Start();
  kit.Dialog().RequireJumperPosition(1);
  w.Click(IDC_BUTTON_READ_PIC);
  EXPECT_EQ(kit.Dialog().m_bPicNeedsReset, 0);
  kit.bus.ClearTrace();
  kit.host.ClearBoxes();
  return w;
}

void Program(TestKit& kit, const std::filesystem::path& file) {
  kit.host.QueueFileAnswer(file.string());
  kit.Window().Click(IDC_BUTTON_PROGRAM_PIC);
}

// Splits "<microseconds> <rest>"; the time must be a decimal number.
std::string WithoutTime(const std::string& line) {
  const size_t blank = line.find(' ');
  if (blank == std::string::npos || !pictest::IsDecimal(line.substr(0, blank)))
    return "bad: " + line;
  return line.substr(blank + 1);
}

}  // namespace

class ProgramPicRevision : public ::testing::TestWithParam<bool> {};

TEST_P(ProgramPicRevision, ThreeRecordsGoOutAsHeaderThenDataAndEndWithCountZero) {
  const bool revA = GetParam();
  const uint8_t rev = revA ? 1 : 0;
  TempDir dir;
  TestKit kit;
  auto& w = StartReady(kit);
  kit.BoardModel().SetPicRevisionA(revA);
  w.SetCheck(IDC_CHECK_PIC_REV_A, rev);
  const size_t logBefore = kit.Log().size();
  const int repaintsBefore = w.RepaintCount();

  // The wait cursor is up while the records go out, not during the prompt.
  std::vector<int> cursorPerReport;
  kit.bus.SetTraceSink([&](const sim::TraceEntry& e) {
    if (e.toBoard) cursorPerReport.push_back(kit.host.WaitCursorDepth());
  });
  std::vector<int> cursorPerBox;
  size_t sentAtPrompt = 0;
  kit.host.SetWhileBoxOpen([&](const headless::ShownBox& box) {
    cursorPerBox.push_back(kit.host.WaitCursorDepth());
    if (box.text == kPressReset) sentAtPrompt = kit.Sent().size();
  });

  Program(kit, dir.Write("three.hex", ThreeRecordFile()));

  EXPECT_EQ(kit.host.LastFileFilter(), "Fichier hex|*.hex");
  ASSERT_EQ(kit.Boxes().size(), 2u);
  EXPECT_EQ(kit.Boxes()[0].text, kPressReset);
  EXPECT_EQ(kit.Boxes()[0].caption, "Programming PIC");
  EXPECT_EQ(kit.Boxes()[0].type, ui::MB_OK);
  EXPECT_EQ(kit.Boxes()[1].text, kSuccess);
  EXPECT_EQ(kit.Boxes()[1].caption, "PIC");
  EXPECT_EQ(kit.Boxes()[1].type, ui::MB_OK);
  EXPECT_EQ(sentAtPrompt, 3u);
  EXPECT_EQ(cursorPerBox, (std::vector<int>{0, 0}));

  const auto sent = kit.Sent();
  ASSERT_EQ(sent.size(), 10u);
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(IsRead(sent[i], 0)) << i;
  const auto records = ThreeRecordWords();
  for (size_t r = 0; r < 3; ++r) {
    SCOPED_TRACE(r);
    EXPECT_TRUE(IsHeader(sent[3 + 2 * r], 9, rev));
    const auto& data = sent[4 + 2 * r];
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(data[1], 8 * r);  // word address: byte address / 2, low byte first
    EXPECT_EQ(data[2], 0);
    for (size_t i = 0; i < 8; ++i) {
      EXPECT_EQ(data[3 + 2 * i], records[r][i] & 0xFF) << i;
      EXPECT_EQ(data[4 + 2 * i], records[r][i] >> 8) << i;
    }
  }
  EXPECT_EQ(sent[8][1], 0x10) << "the record at byte address 0x0020";
  EXPECT_EQ(sent[8][2], 0x00);
  EXPECT_TRUE(IsHeader(sent[9], 0, rev));
  EXPECT_EQ(cursorPerReport, (std::vector<int>{0, 0, 0, 1, 1, 1, 1, 1, 1, 1}));

  // The board's reply words: the address it took and the word count.
  const auto log = kit.Log();
  ASSERT_EQ(log.size(), logBefore + 3);
  EXPECT_EQ(WithoutTime(log[logBefore]), "0000 0000 0008 0008");
  EXPECT_EQ(WithoutTime(log[logBefore + 1]), "0008 0008 0008 0008");
  EXPECT_EQ(WithoutTime(log[logBefore + 2]), "0010 0010 0008 0008");

  using Progress = headless::HeadlessHost::Progress;
  // The run's end takes the progress away.
  EXPECT_EQ(kit.host.ProgressShown(),
            (std::vector<Progress>{{0, 3}, {1, 3}, {2, 3}, {3, 3}, {0, 0}}));
  EXPECT_EQ(w.RepaintCount() - repaintsBefore, 3);
  EXPECT_EQ(kit.host.WaitCursorsShown(), 1);
  EXPECT_EQ(kit.host.WaitCursorDepth(), 0);

  auto& board = kit.BoardModel();
  EXPECT_TRUE(board.Violations().empty());
  EXPECT_EQ(board.PicRecordsProgrammed(), 3);
  EXPECT_EQ(board.ProgrammingRunsEnded(), 1);
  for (uint32_t r = 0; r < 3; ++r) {
    for (uint32_t i = 0; i < 8; ++i) EXPECT_EQ(board.PicWord(8 * r + i), records[r][i]);
  }
  EXPECT_EQ(board.PicWord(24), sim::kErasedWord);

  // Programming asks for a reset before the next read, whatever its address.
  EXPECT_EQ(kit.Dialog().m_bPicNeedsReset, 1);
  kit.host.SetWhileBoxOpen(nullptr);
  kit.host.ClearBoxes();
  w.SetText(IDC_EDIT_ADDR, "0x0008");
  w.Click(IDC_BUTTON_READ_PIC);
  ASSERT_EQ(kit.Boxes().size(), 1u);
  EXPECT_EQ(kit.Boxes()[0].caption, "Reading PIC");
  EXPECT_EQ(kit.Log()[kit.Log().size() - 2], "0008 : 2911 2912 2913 2914");
}

INSTANTIATE_TEST_SUITE_P(CheckBox, ProgramPicRevision, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "RevisionA" : "Other"; });

// A board whose output report holds 32 words takes a record of 32 in one data report.
TEST(ProgramPic, ThirtyTwoWordRecordFillsAReportThatHoldsIt) {
  std::vector<uint16_t> words;
  for (uint16_t i = 0; i < 32; ++i) words.push_back(static_cast<uint16_t>(0x3000 + 0x21 * i));
  TempDir dir;
  TestKit kit;
  StartReady(kit, 67);
  Program(kit, dir.Write("full.hex", WordRecord(0x0040, words) + "\n" + kEndRecord + "\n"));

  EXPECT_EQ(kit.BoxTexts(), (std::vector<std::string>{kPressReset, kSuccess}));
  const auto sent = kit.Sent();
  ASSERT_EQ(sent.size(), 6u);
  EXPECT_TRUE(IsHeader(sent[3], 0x21, 0));
  std::vector<uint8_t> data = {0x00, 0x20, 0x00};  // word address 0x0020, low byte first
  for (uint16_t w : words) {
    data.push_back(static_cast<uint8_t>(w & 0xFF));
    data.push_back(static_cast<uint8_t>(w >> 8));
  }
  ASSERT_EQ(data.size(), 67u);
  EXPECT_EQ(sent[4], data);
  EXPECT_TRUE(IsHeader(sent[5], 0, 0));
  auto& board = kit.BoardModel();
  EXPECT_TRUE(board.Violations().empty());
  EXPECT_EQ(board.PicRecordsProgrammed(), 1);
  for (uint32_t i = 0; i < 32; ++i) EXPECT_EQ(board.PicWord(0x20 + i), words[i]) << i;
  EXPECT_EQ(kit.Dialog().m_outcome.kind, Outcome::kDone);
}

// After a read in the configuration area no read there resets; Program PIC, run or cancelled,
// makes the next one reset, with the single dummy read after the prompt that area takes.
TEST(ProgramPic, AfterAReadAtTheConfigurationAreaTheNextReadThereResets) {
  for (bool run : {false, true}) {
    SCOPED_TRACE(run ? "programmed" : "cancelled");
    TempDir dir;
    TestKit kit;
    auto& w = StartReady(kit);
    w.SetText(IDC_EDIT_ADDR, "0x2000");
    w.Click(IDC_BUTTON_READ_PIC);
    ASSERT_TRUE(kit.Boxes().empty());
    if (run) {
      Program(kit, dir.Write("one.hex", WordRecord(0x0000, {0x2801}) + "\n" + kEndRecord + "\n"));
    } else {
      w.Click(IDC_BUTTON_PROGRAM_PIC);  // no file answer queued: cancelled
    }
    kit.bus.ClearTrace();
    kit.host.ClearBoxes();
    ASSERT_EQ(w.GetText(IDC_EDIT_ADDR), "0x2004");
    w.Click(IDC_BUTTON_READ_PIC);
    ASSERT_EQ(kit.Boxes().size(), 1u);
    EXPECT_EQ(kit.Boxes()[0].text, kPressReset);
    EXPECT_EQ(kit.Boxes()[0].caption, "Reading PIC");
    const auto sent = kit.Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(IsRead(sent[0], 0));
    EXPECT_TRUE(IsRead(sent[1], 0x2004));
    EXPECT_EQ(kit.Dialog().m_bPicNeedsReset, 0);
  }
}

TEST(ProgramPic, BoardRefusingTheSecondRecordEndsTheRun) {
  TempDir dir;
  TestKit kit;
  StartReady(kit);
  const size_t logBefore = kit.Log().size();
  kit.host.SetWhileBoxOpen([&](const headless::ShownBox& box) {
    if (box.text != kPressReset) return;
    kit.bus.ScriptReply(kit.board, {0, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00});
    kit.bus.ScriptReply(kit.board, {0, 0x01, 0x00, 0xAB, 0x0C, 0x34, 0x12});
  });

  Program(kit, dir.Write("three.hex", ThreeRecordFile()));

  const auto sent = kit.Sent();
  ASSERT_EQ(sent.size(), 7u) << "nothing after the refused record";
  EXPECT_TRUE(IsHeader(sent[5], 9, 0));
  EXPECT_EQ(sent[6][1], 0x08);
  const auto log = kit.Log();
  ASSERT_EQ(log.size(), logBefore + 2);
  EXPECT_EQ(WithoutTime(log[logBefore]), "0000 0000 0008 0008");
  EXPECT_EQ(WithoutTime(log[logBefore + 1]), "0008 0cab 1234 0008");
  ASSERT_EQ(kit.Boxes().size(), 2u);
  EXPECT_EQ(kit.Boxes()[1].text, kFailure);
  EXPECT_EQ(kit.Boxes()[1].caption, "PIC");
  const auto& progress = kit.host.ProgressShown();
  ASSERT_GE(progress.size(), 2u);
  EXPECT_EQ(progress[progress.size() - 2], (headless::HeadlessHost::Progress{1, 3}));
  EXPECT_EQ(progress.back(), (headless::HeadlessHost::Progress{0, 0}));
  EXPECT_EQ(kit.host.WaitCursorDepth(), 0);
  EXPECT_EQ(kit.BoardModel().ProgrammingRunsEnded(), 0);
}

TEST(ProgramPic, WrongRevisionIsRefusedByTheBoard) {
  TempDir dir;
  TestKit kit;
  StartReady(kit);
  kit.BoardModel().SetPicRevisionA(true);  // the check box says otherwise
  Program(kit, dir.Write("three.hex", ThreeRecordFile()));
  EXPECT_EQ(kit.BoxTexts().back(), kFailure);
  EXPECT_EQ(kit.Sent().size(), 5u);
  EXPECT_EQ(kit.BoardModel().PicWord(0), sim::kErasedWord);
}

struct LinkFault {
  const char* name;
  void (*inject)(TestKit& kit);
  size_t reportsSent;
  size_t logLines;
};

void PrintTo(const LinkFault& fault, std::ostream* out) {
  *out << fault.name;
}

class ProgramPicLinkFault : public ::testing::TestWithParam<LinkFault> {};

TEST_P(ProgramPicLinkFault, EndsInFailureAndSendsNothingMore) {
  const LinkFault& fault = GetParam();
  TempDir dir;
  TestKit kit;
  StartReady(kit);
  const size_t logBefore = kit.Log().size();
  fault.inject(kit);

  Program(kit, dir.Write("three.hex", ThreeRecordFile()));

  EXPECT_FALSE(hidlink::HidLink::connected);
  EXPECT_EQ(kit.Sent().size(), fault.reportsSent);
  EXPECT_EQ(kit.Log().size(), logBefore + fault.logLines);
  EXPECT_EQ(kit.BoxTexts(), (std::vector<std::string>{kPressReset, kFailure}));
  EXPECT_EQ(kit.host.WaitCursorDepth(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ProgramPicLinkFault,
    ::testing::Values(
        // Closed before the run: the dummy reads and the records go nowhere.
        LinkFault{"Unplugged", [](TestKit& kit) { kit.bus.Unplug(kit.board); }, 0, 1},
        // The reply to the second record never comes: the time-out closes the link.
        LinkFault{"SecondReplyLost", [](TestKit& kit) { kit.bus.DropReplyAfter(kit.board, 4); }, 7,
                  2},
        // Every record taken, but the closing header does not get through.
        LinkFault{"ClosingHeaderLost", [](TestKit& kit) { kit.bus.FailWriteAfter(kit.board, 9); },
                  9, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramPic, ReplyTimeOutShowsInTheTimeOfTheRecord) {
  TempDir dir;
  TestKit kit;
  StartReady(kit);
  const size_t logBefore = kit.Log().size();
  kit.bus.DropReplyAfter(kit.board, 3);
  Program(kit, dir.Write("three.hex", ThreeRecordFile()));
  const auto log = kit.Log();
  ASSERT_EQ(log.size(), logBefore + 1);
  const long long us = std::stoll(log[logBefore]);
  EXPECT_GE(us, 6'000'000);
  EXPECT_LT(us, 6'100'000);
}

TEST(ProgramPic, CancelledFileDialogStaysSilentButWantsAReset) {
  TestKit kit;
  auto& w = StartReady(kit);
  w.Click(IDC_BUTTON_STATUS);  // the jumper back to normal
  kit.bus.ClearTrace();
  kit.host.ClearBoxes();
  const size_t logBefore = kit.Log().size();

  w.Click(IDC_BUTTON_PROGRAM_PIC);  // no file answer queued: cancelled

  EXPECT_EQ(kit.host.FileDialogsShown(), 1);
  EXPECT_EQ(kit.BoxTexts(),
            std::vector<std::string>{"Put the QD5500 jump into programmation position"});
  EXPECT_TRUE(kit.Sent().empty());
  EXPECT_EQ(kit.Log().size(), logBefore);
  EXPECT_EQ(kit.Dialog().m_bPicNeedsReset, 1);
  EXPECT_EQ(kit.host.WaitCursorsShown(), 0);
}

TEST(ProgramPic, UnopenableFileShowsTheSystemReason) {
  TempDir dir;
  TestKit kit;
  StartReady(kit);
  Program(kit, dir.path() / "missing.hex");
  ASSERT_EQ(kit.Boxes().size(), 1u);
  EXPECT_EQ(kit.Boxes()[0].text, "missing.hex: cannot open: No such file or directory");
  EXPECT_EQ(kit.Boxes()[0].caption, "Programming PIC");
  EXPECT_TRUE(kit.Sent().empty());
  EXPECT_EQ(kit.Dialog().m_bPicNeedsReset, 1);
}

struct RefusedFile {
  const char* name;
  std::vector<std::string> lines;  // placed between good records, from line 5 on
  uint32_t line;                   // the line at fault
  const char* reason;              // what the message must say about it
  uint16_t outputLength = 65;
};

void PrintTo(const RefusedFile& file, std::ostream* out) {
  *out << file.name;
}

std::string Damage(std::string record, size_t at, char c) {
  record[at] = c;
  return record;
}

std::vector<uint8_t> Bytes(size_t n) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < n; ++i) bytes.push_back(static_cast<uint8_t>(i));
  return bytes;
}

class ProgramPicRefusal : public ::testing::TestWithParam<RefusedFile> {};

TEST_P(ProgramPicRefusal, OneBoxNamingTheLineAndNothingSent) {
  const RefusedFile& bad = GetParam();
  std::string text = ":020000040000FA\n" + WordRecord(0x0000, {0x280A, 0x0000}) + "\n\n" +
                     "; a note, not a record\n";
  for (const auto& line : bad.lines) text += line + "\n";
  text += WordRecord(0x0100, {0x0001, 0x0002}) + "\n" + kEndRecord + "\n";

  TempDir dir;
  TestKit kit;
  StartReady(kit, bad.outputLength);
  const size_t logBefore = kit.Log().size();
  const int writesBefore = kit.bus.WriteCount();

  Program(kit, dir.Write("bad.hex", text));

  ASSERT_EQ(kit.Boxes().size(), 1u);
  const std::string& message = kit.Boxes()[0].text;
  const std::string prefix = "bad.hex: " + std::to_string(bad.line) + ": ";
  EXPECT_EQ(message.substr(0, prefix.size()), prefix) << message;
  EXPECT_NE(message.find(bad.reason), std::string::npos) << message;
  EXPECT_EQ(kit.Boxes()[0].caption, "Programming PIC");
  EXPECT_EQ(kit.Boxes()[0].type, ui::MB_OK | ui::MB_ICONEXCLAMATION);
  EXPECT_EQ(kit.bus.WriteCount(), writesBefore);
  EXPECT_TRUE(kit.Sent().empty());
  EXPECT_EQ(kit.Log().size(), logBefore);
  EXPECT_EQ(kit.host.WaitCursorsShown(), 0);
  EXPECT_EQ(kit.Dialog().m_bPicNeedsReset, 1);
}

const std::string kGoodRecord = WordRecord(0x0020, {0x1234, 0x0567});

INSTANTIATE_TEST_SUITE_P(
    Files, ProgramPicRefusal,
    ::testing::Values(
        RefusedFile{"Checksum", {Damage(kGoodRecord, 17, '0')}, 5, "checksum mismatch"},
        RefusedFile{"BadDigit", {Damage(kGoodRecord, 10, 'G')}, 5, "not a hexadecimal digit"},
        RefusedFile{"Truncated", {kGoodRecord.substr(0, 13)}, 5, "truncated record"},
        RefusedFile{"LongerThanItsCount", {kGoodRecord + "00"}, 5, "longer than its byte count"},
        RefusedFile{"LineTooLong", {":" + std::string(600, '0')}, 5, "longer than 511"},
        RefusedFile{"IndentedRecord", {"  " + kGoodRecord}, 5, "blanks before the record's ':'"},
        RefusedFile{"UnknownType", {HexRecord(0x06, 0, {})}, 5, "unknown record type 06"},
        RefusedFile{"OddByteCount", {HexRecord(0x00, 0x0020, {1, 2, 3})}, 5, "odd byte count 3"},
        RefusedFile{"OddAddress", {HexRecord(0x00, 0x0021, {1, 2})}, 5, "odd byte address 0x0021"},
        RefusedFile{"WordAddressBeyond16Bits",
                    {HexRecord(0x04, 0, {0x00, 0x02}), HexRecord(0x00, 0x0000, {1, 2})},
                    6,
                    "does not fit 16 bits"},
        // The same word given again with another value; again with the same value is fine.
        RefusedFile{"WordGivenTwoValues",
                    {WordRecord(0x0000, {0x280A}), WordRecord(0x0002, {0x1111})},
                    6,
                    "word 0x0001 is given 0x1111 here and 0x0000 on line 2"},
        RefusedFile{"MoreThan32Words", {HexRecord(0x00, 0x0020, Bytes(66))}, 5, "33 words", 256},
        RefusedFile{"DataReportTooLong",
                    {HexRecord(0x00, 0x0020, Bytes(64))},
                    5,
                    "needs a 67-byte data report"}),
    [](const auto& info) { return std::string(info.param.name); });
