// Erase PIC on the simulated board: the confirmation, the 'w' report with the revision flag, the
// time line, and a PIC that reads erased afterwards.

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

const char kConfirm[] = "The PIC wille be erased...\r\n\r\nConfirm erasing ?";

headless::HeadlessWindow& StartReady(TestKit& kit) {
  kit.AddBoard();
  auto& w = kit.Start();
  kit.Dialog().RequireJumperPosition(1);
  w.SetText(IDC_EDIT_ADDR, "0x0100");
  w.Click(IDC_BUTTON_READ_PIC);  // the reset read: m_bPicNeedsReset 0, m_wPicNextAddr 0x0104
  kit.bus.ClearTrace();
  kit.host.ClearBoxes();
  for (uint32_t a = 0; a < 0x2000; a += 3) kit.BoardModel().SetPicWord(a, 0x0123);
  kit.BoardModel().SetPicWord(0x2007, 0x3F72);
  kit.BoardModel().SetPicWord(0x2100, 0x0012);
  return w;
}

}  // namespace

class ErasePicConfirmed : public ::testing::TestWithParam<bool> {};

TEST_P(ErasePicConfirmed, SendsOneEraseAndTheWholeProgramMemoryReadsErased) {
  const bool revA = GetParam();
  TestKit kit;
  auto& w = StartReady(kit);
  auto& board = kit.BoardModel();
  board.SetPicRevisionA(revA);
  w.SetCheck(IDC_CHECK_PIC_REV_A, revA ? 1 : 0);
  size_t sentAtBox = 0;
  kit.host.SetWhileBoxOpen([&](const headless::ShownBox&) { sentAtBox = kit.Sent().size(); });
  const size_t logBefore = kit.Log().size();

  w.Click(IDC_BUTTON_ERASE_PIC);

  ASSERT_EQ(kit.Boxes().size(), 1u);
  EXPECT_EQ(kit.Boxes()[0].text, kConfirm);
  EXPECT_EQ(kit.Boxes()[0].caption, "Erasing PIC");
  EXPECT_EQ(kit.Boxes()[0].type, ui::MB_OKCANCEL | ui::MB_ICONEXCLAMATION);
  EXPECT_EQ(sentAtBox, 3u);
  const auto sent = kit.Sent();
  ASSERT_EQ(sent.size(), 4u);
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(IsRead(sent[i], 0)) << i;
  EXPECT_EQ(sent[3][0], 0x00);
  EXPECT_EQ(sent[3][1], 0x77);
  EXPECT_EQ(sent[3][2], revA ? 0x01 : 0x00);
  const auto log = kit.Log();
  ASSERT_EQ(log.size(), logBefore + 1);
  EXPECT_TRUE(IsDecimal(log.back())) << log.back();
  EXPECT_EQ(board.PicErases(), 1);
  EXPECT_TRUE(board.Violations().empty());
  // The read walk's state is Read PIC's own.
  EXPECT_EQ(kit.Dialog().m_bPicNeedsReset, 0);
  EXPECT_EQ(kit.Dialog().m_wPicNextAddr, 0x0104);
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x0104");

  kit.host.SetWhileBoxOpen(nullptr);
  w.SetText(IDC_EDIT_ADDR, "0x0000");
  const size_t walkStart = kit.Log().size();
  for (int line = 0; line < 0x800; ++line) w.Click(IDC_BUTTON_READ_PIC);
  const auto walk = kit.Log();
  ASSERT_EQ(walk.size(), walkStart + 2 * 0x800);
  EXPECT_EQ(walk[walkStart], "0000 : 3FFF 3FFF 3FFF 3FFF");
  EXPECT_EQ(walk[walkStart + 0x1FFC / 2], "1FFC : 3FFF 3FFF 3FFF 3FFF");
  for (uint16_t a = 0; a < 0x2000; a += 4) {
    ASSERT_EQ(walk[walkStart + a / 2], pictest::DumpLine(a, 0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF));
  }
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x0000");
  EXPECT_EQ(board.PicWord(0x2007), sim::kErasedWord);
  EXPECT_EQ(board.PicWord(0x2100), sim::kErasedEepromWord);
}

INSTANTIATE_TEST_SUITE_P(CheckBox, ErasePicConfirmed, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "RevisionA" : "Other"; });

TEST(ErasePic, CancelSendsTheDummyReadsOnly) {
  TestKit kit;
  auto& w = StartReady(kit);
  const size_t logBefore = kit.Log().size();
  kit.host.QueueAnswer(ui::IDCANCEL);

  w.Click(IDC_BUTTON_ERASE_PIC);

  EXPECT_EQ(kit.BoxTexts(), std::vector<std::string>{kConfirm});
  const auto sent = kit.Sent();
  ASSERT_EQ(sent.size(), 3u);
  for (const auto& report : sent) EXPECT_TRUE(IsRead(report, 0));
  EXPECT_EQ(kit.Log().size(), logBefore);
  EXPECT_EQ(kit.BoardModel().PicErases(), 0);
  EXPECT_EQ(kit.BoardModel().PicWord(0x0003), 0x0123);
}

TEST(ErasePic, ClosedLinkStillAsksAndLogsTheTime) {
  TestKit kit;
  auto& w = StartReady(kit);
  kit.bus.Unplug(kit.board);
  const size_t logBefore = kit.Log().size();

  w.Click(IDC_BUTTON_ERASE_PIC);

  EXPECT_FALSE(hidlink::HidLink::connected);
  EXPECT_EQ(kit.BoxTexts(), std::vector<std::string>{kConfirm});
  EXPECT_TRUE(kit.Sent().empty());
  ASSERT_EQ(kit.Log().size(), logBefore + 1);
  EXPECT_TRUE(IsDecimal(kit.Log().back()));
}
