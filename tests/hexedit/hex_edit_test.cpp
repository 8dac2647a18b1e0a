// The Addr field as a control: its value, its notation flag, and input through the real window.

#include "hexedit/hex_edit.h"

#include <gtest/gtest.h>

#include "hexedit/hex_edit_rules.h"
#include "kit/test_kit.h"

using app::IDC_EDIT_ADDR;

TEST(HexEditControl, ValueFollowsTheText) {
  TestKit kit;
  auto& w = kit.Start();
  auto& edit = kit.Dialog().m_editAddr;
  struct Case {
    const char* text;
    std::uint32_t value;
    bool hex;
  };
  for (const Case c :
       {Case{"10", 10, false}, Case{"0x10", 16, true}, Case{"1F", 31, true}, Case{"0x", 0, true},
        Case{"", 0, false}, Case{"1f", 1, false}, Case{"0X10", 0, false}}) {
    w.SetText(IDC_EDIT_ADDR, c.text);
    EXPECT_EQ(edit.GetValue(), c.value) << c.text;
    EXPECT_EQ(edit.IsHex(), c.hex) << c.text;
  }
  edit.SetValue(8188);
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x1ffc");
  EXPECT_EQ(edit.GetValue(), 8188u);
  edit.SetValue(0);
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0x0000");
  EXPECT_TRUE(edit.IsHex());
}

TEST(HexEditControl, TypingGoesThroughTheFilter) {
  TestKit kit;
  auto& w = kit.Start();
  w.SetText(IDC_EDIT_ADDR, "");
  w.Type(IDC_EDIT_ADDR, "0Xag-1");
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0xA1");
  EXPECT_EQ(kit.Dialog().m_editAddr.GetValue(), 0xA1u);
}

TEST(HexEditControl, CtrlVWithTextThatWouldBreakTheNumberIsRefused) {
  TestKit kit;
  auto& w = kit.Start();
  w.SetText(IDC_EDIT_ADDR, "12");
  w.SetSel(IDC_EDIT_ADDR, 2, 2);
  kit.host.SetClipboard("zz");
  w.KeyDown(IDC_EDIT_ADDR, 'V', true);
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "12");
  kit.host.SetClipboard("3f");
  w.KeyDown(IDC_EDIT_ADDR, 'V', true);
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "123f");
}

// The menu the control shows: its entries in order, with the command each one sends; choosing
// "Convertir" converts the text.
TEST(HexEditControl, ContextMenuShowsItsEntriesAndRunsTheChosenOne) {
  TestKit kit;
  auto& w = kit.Start();
  auto& edit = kit.Dialog().m_editAddr;
  w.SetText(IDC_EDIT_ADDR, "255");
  kit.host.QueueMenuChoice(2817);
  ASSERT_TRUE(edit.OnContextMenu({10, 10}));
  struct Want {
    std::string text;
    int id;
    bool separator;
  };
  const Want want[] = {
      {"&Annuler", 199, false},
      {"", 0, true},
      {"&Couper", 768, false},
      {"Copi&er", 769, false},
      {"C&oller", 770, false},
      {"&Supprimer", 771, false},
      {"", 0, true},
      {"S\xC3\xA9lectio&nner tout", 2816, false},  // UTF-8 e acute
      {"", 0, true},
      {"Con&vertir", 2817, false},
  };
  const auto& menu = kit.host.LastMenu();
  ASSERT_EQ(menu.size(), std::size(want));
  for (std::size_t i = 0; i < menu.size(); ++i) {
    EXPECT_EQ(menu[i].text, want[i].text) << i;
    EXPECT_EQ(menu[i].id, want[i].id) << i;
    EXPECT_EQ(menu[i].separator, want[i].separator) << i;
  }
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "0xFF");
  // The convert message is the menu's convert command.
  EXPECT_TRUE(edit.OnCommand(hexedit::WM_HEXEDIT_CONVERT));
  EXPECT_EQ(w.GetText(IDC_EDIT_ADDR), "255");

  // "Sélectionner tout" selects the whole text.
  kit.host.QueueMenuChoice(2816);
  ASSERT_TRUE(edit.OnContextMenu({10, 10}));
  int s = -1, e = -1;
  edit.GetSel(s, e);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(e, 3);
}
