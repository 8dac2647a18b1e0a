// Start-up of the main dialog, its system menu and its About box.

#include <gtest/gtest.h>

#include "app/resource_ids.h"
#include "hidlink/hid_link.h"
#include "kit/test_kit.h"
#include "ui/resources.h"

using namespace app;

TEST(Startup, WithoutTheBoard) {
  TestKit kit;
  kit.bus.AddDevice(0x046D, 0xC31C);
  auto& w = kit.Start();
  auto& d = kit.Dialog();
  EXPECT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 0);
  EXPECT_EQ(d.m_bBoardPresent, 0);
  EXPECT_EQ(w.GetText(IDC_EDIT_STEPS), "96");
  EXPECT_EQ(w.GetText(IDC_EDIT_STEP_RATE), "20");
  EXPECT_EQ(w.GetText(IDC_EDIT_MOTORS), "255");
  EXPECT_EQ(w.GetText(IDC_EDIT_CUT_REPEAT), "1");
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x0000");
  EXPECT_TRUE(d.m_editAddr.IsHex());
  EXPECT_EQ(d.m_bPicNeedsReset, 1);
  EXPECT_EQ(d.m_wPicNextAddr, 0);
  // No prompt and no box: the user finds out by pressing a command.
  EXPECT_TRUE(kit.Boxes().empty());
  EXPECT_EQ(kit.host.Windows().size(), 1u);
  EXPECT_FALSE(w.TimerRunning(kConnectTimerId));
  // The three controls keep their resource state.
  EXPECT_TRUE(w.IsControlEnabled(IDC_EDIT_STEP_DURATION));
  EXPECT_TRUE(w.IsControlEnabled(IDC_EDIT_DIR_DELAY));
  EXPECT_TRUE(w.IsControlEnabled(IDC_CHECK_BRAXO_MODE));
}

TEST(Startup, WithTheBoard) {
  TestKit kit;
  kit.AddBoard();
  auto& w = kit.Start();
  EXPECT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 1);
  EXPECT_EQ(kit.Dialog().m_bBoardPresent, 1);
  EXPECT_TRUE(hidlink::HidLink::connected);
  EXPECT_TRUE(kit.Boxes().empty());
}

TEST(Startup, FocusStartsOnTheFirstTabStop) {
  TestKit kit;
  auto& w = kit.Start();
  EXPECT_EQ(w.GetFocus(), IDC_BUTTON_CONNECT);
}

TEST(Startup, SystemMenuOffersTheAboutBox) {
  TestKit kit;
  auto& w = kit.Start();
  const auto& menu = w.SystemMenu();
  // About first (Help asks for the first item), then the PIC commands the buttons lack.
  ASSERT_EQ(menu.size(), 5u);
  EXPECT_TRUE(menu[0].separator);
  EXPECT_EQ(menu[1].id, 0x0010);
  EXPECT_EQ(menu[1].text, "&About ZBK Utility...");
  EXPECT_TRUE(menu[2].separator);
  EXPECT_EQ(menu[3].id, 0x0020);
  EXPECT_EQ(menu[3].text, "Verify PIC...");
  EXPECT_EQ(menu[4].id, 0x0030);
  EXPECT_EQ(menu[4].text, "Save PIC to file...");

  w.SysCommand(0x0010);
  ASSERT_EQ(kit.host.ModalsShown().size(), 1u);
  EXPECT_EQ(kit.host.ModalsShown()[0], IDD_ABOUTBOX);
  // The low four bits of a system command belong to the system.
  w.SysCommand(0x0013);
  EXPECT_EQ(kit.host.ModalsShown().size(), 2u);
  // Other commands do not open it.
  w.SysCommand(0xF020);
  EXPECT_EQ(kit.host.ModalsShown().size(), 2u);
  EXPECT_FALSE(w.Ended());
}

// Without string 101 the About item and its separator are left out; the PIC commands stay.
TEST(Startup, NoAboutStringLeavesOutTheAboutItem) {
  TestKit kit;
  const ui::Resources& program = ui::GetResources();
  std::vector<ui::StringEntry> strings;
  for (const auto& entry : program.strings) {
    if (entry.id != IDS_ABOUTBOX) strings.push_back(entry);
  }
  ASSERT_EQ(strings.size() + 1, program.strings.size());
  ui::Resources without = program;
  without.strings = strings;
  ui::SetResources(&without);
  auto& w = kit.Start();
  const auto menu = w.SystemMenu();
  ui::SetResources(&program);
  ASSERT_EQ(menu.size(), 3u);
  EXPECT_TRUE(menu[0].separator);
  EXPECT_EQ(menu[1].id, 0x0020);
  EXPECT_EQ(menu[1].text, "Verify PIC...");
  EXPECT_EQ(menu[2].id, 0x0030);
  EXPECT_EQ(menu[2].text, "Save PIC to file...");
}

TEST(Startup, ConnectedCheckBoxIgnoresClicks) {
  TestKit kit;
  auto& w = kit.Start();
  w.Click(IDC_CHECK_CONNECTED);
  EXPECT_EQ(w.GetCheck(IDC_CHECK_CONNECTED), 0);
}
