// Read PIC on the simulated board: the reset rule with its two placements of the dummy reads, the
// dump and time lines, the field's advance with its wrap, and Enter in the address field.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hidlink/hid_link.h"
#include "kit/test_kit.h"
#include "pic/pic_dialog_support.h"

using namespace app;
using pictest::IsDecimal;
using pictest::IsRead;

namespace {

const char kPressReset[] = "Press on the QD5500 RESET button then click Ok";

// Distinct words everywhere the walk goes, so that a read of the wrong address shows.
void FillPicMemory(sim::ZbkBoard& board) {
  for (uint32_t a = 0; a < 0x2000; ++a) board.SetPicWord(a, static_cast<uint16_t>(a ^ 0x2A5A));
  for (uint32_t a = 0x2000; a < 0x2008; ++a) board.SetPicWord(a, static_cast<uint16_t>(a + 0x100));
}

struct ReadStep {
  const char* typed;  // the field's text before the click; nullptr: as the last read left it
  uint16_t reads;
  bool prompt;
  int dummiesBefore;  // dummy reads before the reset prompt
  int dummiesAfter;   // and after it
  const char* fieldAfter;
  const char* dump;  // the dump line of the words FillPicMemory put there
};

}  // namespace

TEST(ReadPic, ResetRuleDummyPlacementsAdvanceAndWrap) {
  const ReadStep steps[] = {
      // The first read after start-up resets, whatever address it asks for.
      {"0x0100", 0x0100, true, 3, 0, "0x0104", "0100 : 2B5A 2B5B 2B58 2B59"},
      {nullptr, 0x0104, false, 0, 0, "0x0108", "0104 : 2B5E 2B5F 2B5C 2B5D"},
      {"16", 0x0010, false, 0, 0, "0x0014", "0010 : 2A4A 2A4B 2A48 2A49"},  // decimal entry
      {"0x0000", 0x0000, true, 3, 0, "0x0004", "0000 : 2A5A 2A5B 2A58 2A59"},
      // The last line wraps to 0 ...
      {"0x1ffc", 0x1FFC, false, 0, 0, "0x0000", "1FFC : 35A6 35A7 35A4 35A5"},
      // ... which resets again.
      {nullptr, 0x0000, true, 3, 0, "0x0004", "0000 : 2A5A 2A5B 2A58 2A59"},
      // Above program memory: no wrap, no reset.
      {"0x2000", 0x2000, false, 0, 0, "0x2004", "2000 : 2100 2101 2102 2103"},
      {nullptr, 0x2004, false, 0, 0, "0x2008", "2004 : 2104 2105 2106 2107"},
      // Back below: one dummy, after the prompt.
      {"0x0004", 0x0004, true, 0, 1, "0x0008", "0004 : 2A5E 2A5F 2A5C 2A5D"},
      {"0x2000", 0x2000, false, 0, 0, "0x2004", "2000 : 2100 2101 2102 2103"},
      {"0", 0x0000, true, 0, 1, "0x0004", "0000 : 2A5A 2A5B 2A58 2A59"},
  };

  TestKit kit;
  kit.AddBoard();
  auto& w = kit.Start();
  auto& d = kit.Dialog();
  FillPicMemory(kit.BoardModel());
  // The jumper is moved first, so that the field keeps what the first step types.
  d.RequireJumperPosition(1);
  size_t sentAtPrompt = 0;
  kit.host.SetWhileBoxOpen([&](const headless::ShownBox&) { sentAtPrompt = kit.Sent().size(); });

  for (const ReadStep& step : steps) {
    SCOPED_TRACE(std::string(step.typed ? step.typed : "(as left)") + " reads " +
                 std::to_string(step.reads));
    if (step.typed) w.SetText(IDC_EDIT_ADDR, step.typed);
    kit.bus.ClearTrace();
    kit.host.ClearBoxes();
    sentAtPrompt = 0;
    const size_t logBefore = kit.Log().size();

    w.Click(IDC_BUTTON_READ_PIC);

    if (step.prompt) {
      ASSERT_EQ(kit.Boxes().size(), 1u);
      EXPECT_EQ(kit.Boxes()[0].text, kPressReset);
      EXPECT_EQ(kit.Boxes()[0].caption, "Reading PIC");
      EXPECT_EQ(kit.Boxes()[0].type, ui::MB_OK);
      EXPECT_EQ(sentAtPrompt, static_cast<size_t>(step.dummiesBefore));
    } else {
      EXPECT_TRUE(kit.Boxes().empty());
    }
    const auto sent = kit.Sent();
    const size_t dummies = static_cast<size_t>(step.dummiesBefore + step.dummiesAfter);
    ASSERT_EQ(sent.size(), dummies + 1);
    for (size_t i = 0; i < dummies; ++i) EXPECT_TRUE(IsRead(sent[i], 0)) << i;
    EXPECT_TRUE(IsRead(sent.back(), step.reads));

    const auto log = kit.Log();
    ASSERT_EQ(log.size(), logBefore + 2);
    EXPECT_EQ(log[logBefore], step.dump);
    EXPECT_TRUE(IsDecimal(log[logBefore + 1])) << log[logBefore + 1];
    EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), step.fieldAfter);
    EXPECT_EQ(w.GetCurSel(IDC_LIST_LOG), -1);
    EXPECT_EQ(d.m_bPicNeedsReset, 0);
  }
  EXPECT_EQ(d.m_wPicNextAddr, 0x0004);
  EXPECT_TRUE(kit.BoardModel().Violations().empty());
}

TEST(ReadPic, FirstReadMovesTheJumperAndStartsAtZero) {
  TestKit kit;
  kit.AddBoard();
  auto& w = kit.Start();
  w.SetText(IDC_EDIT_ADDR, "0x0100");
  kit.bus.ClearTrace();
  w.Click(IDC_BUTTON_READ_PIC);

  // The jumper prompt resets the field before it is read.
  ASSERT_EQ(kit.BoxTexts().size(), 2u);
  EXPECT_EQ(kit.BoxTexts()[0], "Put the QD5500 jump into programmation position");
  EXPECT_EQ(kit.BoxTexts()[1], kPressReset);
  const auto sent = kit.Sent();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_TRUE(IsRead(sent.back(), 0));
  EXPECT_EQ(kit.Log()[kit.Log().size() - 2], "0000 : 3FFF 3FFF 3FFF 3FFF");  // erased
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x0004");
}

TEST(ReadPic, EnterInTheAddressFieldReads) {
  TestKit kit;
  kit.AddBoard();
  auto& w = kit.Start();
  kit.Dialog().RequireJumperPosition(1);
  w.Click(IDC_BUTTON_READ_PIC);  // the reset, out of the way
  w.Focus(IDC_EDIT_STEPS);
  ASSERT_NE(w.GetDefaultButton(), IDC_BUTTON_READ_PIC);

  w.SetText(IDC_EDIT_ADDR, "0x0040");
  w.Focus(IDC_EDIT_ADDR);
  EXPECT_EQ(w.GetDefaultButton(), IDC_BUTTON_READ_PIC);
  kit.bus.ClearTrace();
  const size_t logBefore = kit.Log().size();
  w.PressEnter();
  w.PressEnter();

  const auto sent = kit.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_TRUE(IsRead(sent[0], 0x0040));
  EXPECT_TRUE(IsRead(sent[1], 0x0044));
  EXPECT_EQ(kit.Log().size(), logBefore + 4);
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x0048");
  EXPECT_FALSE(w.Ended());
}

TEST(ReadPic, ClosedLinkStillPromptsLogsAndAdvances) {
  TestKit kit;
  const int board = kit.AddBoard();
  auto& w = kit.Start();
  kit.Dialog().RequireJumperPosition(1);
  kit.bus.Unplug(board);
  kit.bus.ClearTrace();
  kit.host.ClearBoxes();
  w.SetText(IDC_EDIT_ADDR, "0x0200");
  const size_t logBefore = kit.Log().size();

  w.Click(IDC_BUTTON_READ_PIC);
  EXPECT_FALSE(hidlink::HidLink::connected);
  EXPECT_EQ(kit.BoxTexts(), std::vector<std::string>{kPressReset});
  EXPECT_TRUE(kit.Sent().empty());
  EXPECT_EQ(kit.Log().size(), logBefore + 2);
  EXPECT_EQ(kit.Log()[logBefore].substr(0, 7), "0200 : ");
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x0204");
}

TEST(PicCommands, DoNothingBeforeTheBoardWasFound) {
  TestKit kit;
  auto& w = kit.Start();
  for (int button : {IDC_BUTTON_READ_PIC, IDC_BUTTON_PROGRAM_PIC, IDC_BUTTON_ERASE_PIC}) {
    w.Click(button);
  }
  EXPECT_TRUE(kit.Boxes().empty());
  EXPECT_EQ(kit.host.FileDialogsShown(), 0);
  EXPECT_TRUE(kit.Log().empty());
  EXPECT_EQ(kit.bus.WriteCount(), 0);
  EXPECT_EQ(kit.Dialog().m_nJumperPos, 0);
}
