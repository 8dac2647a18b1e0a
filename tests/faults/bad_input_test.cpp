// Bad input from the user: fields holding what is no number for them, huge numbers, a megabyte of
// clipboard text for the Addr field, and HEX files that are empty, binary, cut short or written
// with other line ends. Each gets a clear message or is taken as it should be, and nothing the
// user had is lost: the field keeps its text, the clipboard its content, the PIC its program.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/resources.h"
#include "hexedit/hex_edit_rules.h"
#include "hidlink/hid_link.h"
#include "kit/test_kit.h"
#include "pic/pic_dialog_support.h"
#include "ui/resources.h"

using namespace app;
using hidlink::HidLink;

namespace {

using Lines = std::vector<std::string>;

constexpr const char* kPositive = "Please enter a positive integer.";
constexpr const char* kInteger = "Please enter an integer.";
constexpr int kInsert = 0x2D;

std::string String(int id) {
  return app::ProgramResources().LoadString(id);
}

// The dialog on a board, the wire trace, the boxes and the log emptied.
headless::HeadlessWindow& StartOnBoard(TestKit& kit, const char* version = "ZBK 2.1") {
  kit.AddBoard(version);
  auto& w = kit.Start();
  kit.bus.ClearTrace();
  kit.host.ClearBoxes();
  while (w.GetCount(IDC_LIST_LOG) > 0) w.DeleteString(IDC_LIST_LOG, 0);
  return w;
}

void Press(TestKit& kit, int button) {
  if (button == IDC_BUTTON_TEST_BUFFER) {
    // Never shown, so never clicked: its message is delivered.
    kit.Dialog().Dispatch({ui::MsgKind::Command, button, ui::Notification::Clicked});
  } else {
    kit.Window().Click(button);
  }
}

std::string Letters(const TestKit& kit) {
  std::string out;
  for (const auto& r : kit.Sent()) out += static_cast<char>(r.at(1));
  return out;
}

}  // namespace

// ---- Fields ------------------------------------------------------------------------------------

TEST(BadInput, FieldsRefuseWhatIsNoNumberForThemAndKeepTheText) {
  struct Case {
    int field;
    std::string text;
    std::string message;  // empty: taken
  };
  const std::string kStepsRange = "Please enter an integer between 1 and 128.";
  const std::string kRateRange = "Please enter an integer between 1 and 127.";
  const std::string kStepDurationRange = "Step duration (\xC2\xB5s) must be between 0 and 510.";
  const std::string kDirDelayRange =
      "Delay for Dir before Step (\xC2\xB5s) must be between 0 and 510.";
  std::vector<Case> cases;
  // Unsigned fields: no sign, no blank inside, no other digit than 0 to 9, at most 32 bits.
  for (int field : {IDC_EDIT_STEPS, IDC_EDIT_STEP_RATE, IDC_EDIT_MOTORS, IDC_EDIT_CUT_REPEAT}) {
    for (const char* text :
         {"", "   ", "-1", "+5", "12abc", "abc", "0x10", "1e3", "1.5", "12 34", "4294967296",
          "99999999999999999999999999", "\xD9\xA3" /* an Arabic-Indic three */, "\t", "--1"}) {
      cases.push_back({field, text, kPositive});
    }
    cases.push_back({field, " 64 ", ""});  // blanks around the number are fine
  }
  cases.push_back({IDC_EDIT_STEPS, "0", kStepsRange});
  cases.push_back({IDC_EDIT_STEPS, "129", kStepsRange});
  cases.push_back({IDC_EDIT_STEPS, "4294967295", kStepsRange});
  cases.push_back({IDC_EDIT_STEP_RATE, "128", kRateRange});
  cases.push_back({IDC_EDIT_MOTORS, "4294967295", ""});
  cases.push_back({IDC_EDIT_CUT_REPEAT, "0", ""});
  // Signed fields: a sign is fine, 32 bits at most; what does not travel in a byte is refused
  // after the field check.
  for (int field : {IDC_EDIT_DIR_DELAY, IDC_EDIT_STEP_DURATION}) {
    for (const char* text :
         {"", " ", "+-1", "- 1", "abc", "12abc", "2147483648", "-2147483649", "1e3", "0x10"}) {
      cases.push_back({field, text, kInteger});
    }
    const std::string& range = field == IDC_EDIT_DIR_DELAY ? kDirDelayRange : kStepDurationRange;
    for (const char* text : {"-1", "-256", "-257", "-2147483648", "2147483647", "511"}) {
      cases.push_back({field, text, range});
    }
    cases.push_back({field, " +20 ", ""});
    cases.push_back({field, "0", ""});
    cases.push_back({field, "510", ""});
  }

  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "field " << c.field << " \"" << c.text << "\"");
    TestKit kit;
    auto& w = StartOnBoard(kit);
    w.SetText(c.field, c.text);
    w.Click(IDC_BUTTON_PROGRAM);

    if (c.message.empty()) {
      EXPECT_EQ(kit.BoxTexts(), Lines{});
      EXPECT_EQ(Letters(kit), "aaa");
      continue;
    }
    EXPECT_EQ(kit.BoxTexts(), Lines{c.message});
    // Nothing reaches the board, nothing is logged, and the user finds the text where it was,
    // selected for typing over.
    EXPECT_TRUE(kit.Sent().empty());
    EXPECT_TRUE(kit.Log().empty());
    EXPECT_EQ(w.GetText(c.field), c.text);
    EXPECT_EQ(w.GetFocus(), c.field);
    int s = -1, e = -1;
    w.GetSel(c.field, s, e);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(e, static_cast<int>(c.text.size()));
  }
}

TEST(BadInput, EachCommandThatReadsTheFieldsMeetsABadOneItsOwnWay) {
  struct Case {
    const char* name;
    int button;
    std::string sent;  // the command letters that still go out
  };
  const Case cases[] = {
      {"Program ZBK", IDC_BUTTON_PROGRAM, ""},
      {"Cut Forward", IDC_BUTTON_CUT_FORWARD, ""},
      {"Cut Back", IDC_BUTTON_CUT_BACK, ""},
      {"test buffer", IDC_BUTTON_TEST_BUFFER, ""},
      // No field enters the 'o' report: the message is shown and the report goes out.
      {"Motor On", IDC_BUTTON_MOTOR_ON, "o"},
      {"Motor Off", IDC_BUTTON_MOTOR_OFF, "o"},
      // These read no field at all.
      {"Status", IDC_BUTTON_STATUS, "s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestKit kit;
    auto& w = StartOnBoard(kit);
    w.SetText(IDC_EDIT_MOTORS, "25five");
    Press(kit, c.button);
    EXPECT_EQ(Letters(kit), c.sent);
    EXPECT_EQ(kit.BoxTexts(), c.button == IDC_BUTTON_STATUS ? Lines{} : Lines{kPositive});
    EXPECT_EQ(w.GetText(IDC_EDIT_MOTORS), "25five");
  }

  // Exit keeps the dialog open on the bad field; Escape still closes it.
  TestKit kit;
  auto& w = StartOnBoard(kit);
  w.SetText(IDC_EDIT_STEP_RATE, "fast");
  w.Click(ui::IDOK);
  EXPECT_EQ(kit.BoxTexts(), Lines{kPositive});
  EXPECT_FALSE(w.Ended());
  EXPECT_EQ(w.GetText(IDC_EDIT_STEP_RATE), "fast");
  w.PressEscape();
  EXPECT_TRUE(w.Ended());
}

TEST(BadInput, HugeNumbersThatPassTravelAsTheirLowBits) {
  TestKit kit;
  auto& w = StartOnBoard(kit);
  w.SetText(IDC_EDIT_MOTORS, "4294967295");
  Press(kit, IDC_BUTTON_TEST_BUFFER);
  ASSERT_EQ(Letters(kit), "T");
  EXPECT_EQ(kit.Sent()[0][2], 0xFF);

  // The Addr field reads a number of any length modulo 2^32, and a PIC word address is its low
  // 16 bits.
  kit.bus.ClearTrace();
  kit.Dialog().RequireJumperPosition(1);
  w.Click(IDC_BUTTON_READ_PIC);  // the first read resets; what follows reads where asked
  kit.bus.ClearTrace();
  while (w.GetCount(IDC_LIST_LOG) > 0) w.DeleteString(IDC_LIST_LOG, 0);
  w.SetText(IDC_EDIT_ADDR, "4294967312");  // 2^32 + 16
  w.Click(IDC_BUTTON_READ_PIC);
  ASSERT_EQ(kit.Sent().size(), 1u);
  EXPECT_TRUE(pictest::IsRead(kit.Sent()[0], 0x0010));
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x0014");
}

TEST(BadInput, AHugeCutRepeatRunsUntilTheBoardIsPulledOut) {
  // No count is too large to start, and the run holds the window; pulling the board out is the
  // way to end it, and then it ends at once.
  TestKit kit;
  auto& w = StartOnBoard(kit);
  w.SetText(IDC_EDIT_CUT_REPEAT, "4294967295");
  int cuts = 0;
  kit.bus.SetTraceSink([&](const sim::TraceEntry& e) {
    if (e.toBoard && e.bytes.at(1) == 'q' && ++cuts == 25) kit.bus.Unplug(kit.board);
  });
  const std::int64_t start = kit.clock.CounterUs();
  w.Click(IDC_BUTTON_CUT_FORWARD);
  const std::int64_t took = kit.clock.CounterUs() - start;

  EXPECT_EQ(cuts, 25);
  const auto log = kit.Log();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "Link closed: run stopped");
  EXPECT_FALSE(HidLink::connected);
  // 25 cuts of 100 steps at 2 ms (a rate of 20 at 10 kHz), each waited for before the next.
  EXPECT_GE(took, 24 * 200'000);
  EXPECT_LT(took, 25 * 200'000 + 1'000'000);
  EXPECT_TRUE(kit.BoardModel().Violations().empty());
}

// ---- A megabyte of clipboard text for the Addr field --------------------------------------------

TEST(BadInput, AMegabyteOfDigitsPastesAndReadsAsItsLowBits) {
  TestKit kit;
  auto& w = StartOnBoard(kit);
  kit.Dialog().RequireJumperPosition(1);
  const std::string digits = "0x" + std::string(1 << 20, '0') + "1ffc";
  kit.host.SetClipboard(digits);
  w.SetText(IDC_EDIT_ADDR, "");
  w.KeyDown(IDC_EDIT_ADDR, 'V', true);
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), digits);
  EXPECT_TRUE(hexedit::IsWellFormed(w.GetText(IDC_EDIT_ADDR)));
  EXPECT_EQ(kit.Dialog().m_editAddr.GetValue(), 0x1FFCu);
  EXPECT_EQ(kit.host.Clipboard(), digits);

  kit.bus.ClearTrace();
  w.Click(IDC_BUTTON_READ_PIC);
  ASSERT_FALSE(kit.Sent().empty());
  EXPECT_TRUE(pictest::IsRead(kit.Sent().back(), 0x1FFC));
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x0000");  // the last line wraps
  EXPECT_EQ(kit.Log().size(), 2u);
}

TEST(BadInput, AMegabyteOfTextIsRefusedAndTheClipboardKeepsIt) {
  std::string prose;
  while (prose.size() < (1u << 20)) prose += "Dear Bob, the cut at 0x1f was fine. ";
  const struct {
    const char* name;
    std::string text;
  } clips[] = {
      {"prose", prose},
      {"digits with one bad at the end", std::string(1 << 20, '7') + "g"},
      {"digits with a blank in the middle", std::string(1 << 19, 'a') + " " + std::string(9, 'b')},
  };
  for (const auto& clip : clips) {
    SCOPED_TRACE(clip.name);
    TestKit kit;
    auto& w = StartOnBoard(kit);
    auto& edit = kit.Dialog().m_editAddr;
    w.SetText(IDC_EDIT_ADDR, "0x12");
    w.SetSel(IDC_EDIT_ADDR, 2, 4);
    kit.host.SetClipboard(clip.text);

    w.KeyDown(IDC_EDIT_ADDR, 'V', true);
    w.KeyDown(IDC_EDIT_ADDR, kInsert, false, true);
    // The menu: its paste is greyed; every edit command runs the clipboard's normalisation first.
    edit.OnContextMenu({5, 5});
    bool pasteGreyed = false;
    for (const auto& item : kit.host.LastMenu()) {
      if (item.id == static_cast<int>(hexedit::kIdPaste)) pasteGreyed = item.grayed;
    }
    EXPECT_TRUE(pasteGreyed);
    for (unsigned id : {hexedit::kIdUndo, hexedit::kIdPaste, hexedit::kIdClear}) {
      w.SetText(IDC_EDIT_ADDR, "0x12");
      w.SetSel(IDC_EDIT_ADDR, 2, 4);
      edit.OnCommand(id);
      if (id == hexedit::kIdPaste) {
        EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x12");
      }
    }
    // A drop of the same text is refused too.
    EXPECT_FALSE(edit.AcceptInsertion(clip.text));

    EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x");  // the last command cleared "12", nothing else
    EXPECT_EQ(kit.host.Clipboard(), clip.text);
    EXPECT_TRUE(kit.BoxTexts().empty());
  }
}

TEST(BadInput, AMegabyteOfLowerCaseDigitsFromTheMenuIsRaisedAndPasted) {
  TestKit kit;
  auto& w = StartOnBoard(kit);
  const std::string lower = "0X" + std::string(1 << 20, 'a') + "bcdef";
  const std::string upper = "0x" + std::string(1 << 20, 'A') + "BCDEF";
  kit.host.SetClipboard(lower);
  w.SetText(IDC_EDIT_ADDR, "");
  kit.host.QueueMenuChoice(static_cast<int>(hexedit::kIdPaste));
  kit.Dialog().m_editAddr.OnContextMenu({5, 5});
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), upper);
  EXPECT_EQ(kit.host.Clipboard(), upper);
  EXPECT_EQ(kit.Dialog().m_editAddr.GetValue(), 0xAAABCDEFu);
}

// ---- HEX files
// -----------------------------------------------------------------------------------

namespace {

const std::vector<uint16_t> kWords0 = {0x2801, 0x3FFF, 0x0123};
const std::vector<uint16_t> kWords1 = {0x1004, 0x0005};

// Two records at word addresses 0x0000 and 0x0010, with the given line end.
std::string TwoRecords(const std::string& eol) {
  return pictest::WordRecord(0x0000, kWords0) + eol + pictest::WordRecord(0x0020, kWords1) + eol +
         pictest::kEndRecord + eol;
}

struct Programmed {
  Lines boxes;
  std::size_t sent = 0;
  std::vector<uint16_t> memory;  // words 0x0000..0x0017
};

Programmed ProgramFile(const pictest::TempDir& dir, const std::string& name,
                       const std::string& content) {
  TestKit kit;
  auto& w = StartOnBoard(kit);
  kit.Dialog().RequireJumperPosition(1);
  kit.host.ClearBoxes();
  for (uint16_t a = 0; a < 0x18; ++a) kit.BoardModel().SetPicWord(a, 0x1000 + a);
  kit.host.QueueFileAnswer(dir.Write(name, content).string());
  w.Click(IDC_BUTTON_PROGRAM_PIC);
  Programmed p;
  p.boxes = kit.BoxTexts();
  p.sent = kit.Sent().size();
  for (uint16_t a = 0; a < 0x18; ++a) p.memory.push_back(kit.BoardModel().PicWord(a));
  EXPECT_TRUE(kit.BoardModel().Violations().empty());
  return p;
}

std::vector<uint16_t> Untouched() {
  std::vector<uint16_t> m;
  for (uint16_t a = 0; a < 0x18; ++a) m.push_back(0x1000 + a);
  return m;
}

}  // namespace

TEST(BadInput, HexFilesWithAnyLineEndOrAByteOrderMarkProgramTheSame) {
  pictest::TempDir dir;
  std::vector<uint16_t> want = Untouched();
  for (std::size_t i = 0; i < kWords0.size(); ++i) want[i] = kWords0[i] & 0x3FFF;
  for (std::size_t i = 0; i < kWords1.size(); ++i) want[0x10 + i] = kWords1[i] & 0x3FFF;

  const struct {
    const char* name;
    std::string content;
  } files[] = {
      {"lf.hex", TwoRecords("\n")},
      {"crlf.hex", TwoRecords("\r\n")},
      {"cr.hex", TwoRecords("\r")},
      {"bom.hex", "\xEF\xBB\xBF" + TwoRecords("\r\n")},
      {"no_last_eol.hex", TwoRecords("\n").substr(0, TwoRecords("\n").size() - 1)},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const Programmed p = ProgramFile(dir, f.name, f.content);
    EXPECT_EQ(p.boxes, (Lines{String(IDS_PRESS_RESET), String(IDS_PROGRAMMATION_SUCCESSFUL)}));
    EXPECT_EQ(p.memory, want);
  }
}

TEST(BadInput, EmptyBinaryAndCutShortHexFilesAreRefusedBeforeAnythingIsSent) {
  pictest::TempDir dir;
  const std::string good = TwoRecords("\r\n");
  std::string binaryNoNul;
  for (int i = 0; i < 300; ++i) {
    const char c = static_cast<char>(0x80 + i % 0x7F);
    binaryNoNul += c;
  }
  const struct {
    const char* name;
    std::string content;
    std::string message;
  } files[] = {
      {"empty.hex", "", "empty.hex: empty file"},
      {"bom_only.hex", "\xEF\xBB\xBF", "bom_only.hex: empty file"},
      {"blank.hex", "\r\n\r\n",
       "blank.hex: no end-of-file record: the file is cut short or is not a HEX file"},
      {"elf.hex",
       std::string("\x7F"
                   "ELF\x02\x01\x01\x00\x00\x00",
                   10),
       "elf.hex: 1: NUL byte: not a text file"},
      {"high.hex", binaryNoNul,
       "high.hex: no end-of-file record: the file is cut short or is not a HEX file"},
      // One long line that is no record is skipped, which leaves no end record.
      {"long.hex", std::string(4096, '\x01'),
       "long.hex: no end-of-file record: the file is cut short or is not a HEX file"},
      {"source.asm", "        list p=16f877a\r\n        goto start\r\n",
       "source.asm: no end-of-file record: the file is cut short or is not a HEX file"},
      // Cut short inside a record, and cut short at a line end: the end record is missing.
      {"cut_mid.hex", good.substr(0, good.size() - 20), "cut_mid.hex: 2: truncated record"},
      {"cut_at_line.hex", good.substr(0, good.find("\r\n") + 2),
       "cut_at_line.hex: no end-of-file record: the file is cut short or is not a HEX file"},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const Programmed p = ProgramFile(dir, f.name, f.content);
    ASSERT_EQ(p.boxes.size(), 1u);
    EXPECT_EQ(p.boxes[0].substr(0, f.message.size()), f.message);
    EXPECT_EQ(p.sent, 0u);
    EXPECT_EQ(p.memory, Untouched());
  }
}
