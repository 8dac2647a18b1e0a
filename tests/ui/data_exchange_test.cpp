#include "ui/data_exchange.h"

#include <gtest/gtest.h>

#include "kit/test_kit.h"

using namespace app;

TEST(ParseNumbers, UnsignedAndSigned) {
  struct Case {
    const char* text;
    std::optional<std::uint32_t> u;
    std::optional<std::int32_t> s;
  };
  const Case cases[] = {
      {"0", 0u, 0},
      {" 42 ", 42u, 42},
      {"\t7", 7u, 7},
      {"4294967295", 4294967295u, std::nullopt},
      {"4294967296", std::nullopt, std::nullopt},
      {"2147483647", 2147483647u, 2147483647},
      {"-2147483648", std::nullopt, INT32_MIN},
      {"-2147483649", std::nullopt, std::nullopt},
      {"-5", std::nullopt, -5},
      {"+5", std::nullopt, 5},
      {"", std::nullopt, std::nullopt},
      {"   ", std::nullopt, std::nullopt},
      {"12a", std::nullopt, std::nullopt},
      {"1 2", std::nullopt, std::nullopt},
      {"-", std::nullopt, std::nullopt},
      {"99999999999999999999", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::ParseUnsigned(c.text), c.u) << '"' << c.text << '"';
    EXPECT_EQ(ui::ParseSigned(c.text), c.s) << '"' << c.text << '"';
  }
}

class ExitValidation : public ::testing::Test {
 protected:
  TestKit kit;
};

TEST(ExitValidationTable, RangeChecksNameTheBoundsFocusTheEditAndKeepTheDialogOpen) {
  struct Case {
    int id;
    const char* value;
    const char* message;  // nullptr: accepted
  };
  const Case cases[] = {
      {IDC_EDIT_STEPS, "0", "Please enter an integer between 1 and 128."},
      {IDC_EDIT_STEPS, "129", "Please enter an integer between 1 and 128."},
      {IDC_EDIT_STEPS, "1", nullptr},
      {IDC_EDIT_STEPS, "128", nullptr},
      {IDC_EDIT_STEP_RATE, "0", "Please enter an integer between 1 and 127."},
      {IDC_EDIT_STEP_RATE, "128", "Please enter an integer between 1 and 127."},
      {IDC_EDIT_STEP_RATE, "127", nullptr},
      {IDC_EDIT_MOTORS, "", "Please enter a positive integer."},
      {IDC_EDIT_CUT_REPEAT, "x", "Please enter a positive integer."},
      {IDC_EDIT_STEP_DURATION, "", "Please enter an integer."},
      {IDC_EDIT_DIR_DELAY, "99999999999", "Please enter an integer."},
  };
  for (const auto& c : cases) {
    TestKit k;
    auto& w = k.Start();
    w.SetText(c.id, c.value);
    w.Click(ui::IDOK);
    if (c.message) {
      ASSERT_EQ(k.Boxes().size(), 1u) << c.id << " " << c.value;
      EXPECT_EQ(k.Boxes()[0].text, c.message);
      EXPECT_EQ(k.Boxes()[0].caption, "zbk-utility");
      EXPECT_EQ(k.Boxes()[0].type, ui::MB_OK | ui::MB_ICONEXCLAMATION);
      EXPECT_EQ(w.GetFocus(), c.id);
      EXPECT_FALSE(w.Ended());
    } else {
      EXPECT_TRUE(k.Boxes().empty()) << c.id << " " << c.value;
      EXPECT_TRUE(w.Ended());
      EXPECT_EQ(w.Result(), ui::IDOK);
    }
  }
}

TEST_F(ExitValidation, StopsAtTheFirstBadFieldInExchangeOrder) {
  auto& w = kit.Start();
  w.SetText(IDC_EDIT_STEP_DURATION, "");  // later in the exchange
  w.SetText(IDC_EDIT_MOTORS, "");         // earlier
  w.SetText(IDC_EDIT_STEPS, "64");
  w.Click(ui::IDOK);
  ASSERT_EQ(kit.Boxes().size(), 1u);
  EXPECT_EQ(kit.Boxes()[0].text, "Please enter a positive integer.");
  EXPECT_EQ(w.GetFocus(), IDC_EDIT_MOTORS);
  // Members before the failing field took the new values; those after kept theirs.
  EXPECT_EQ(kit.Dialog().m_nSteps, 64u);
  int s = -1, e = -1;
  w.GetSel(IDC_EDIT_MOTORS, s, e);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(e, 0);  // the empty text is all selected
}

TEST_F(ExitValidation, EscapeClosesWithoutValidation) {
  auto& w = kit.Start();
  w.SetText(IDC_EDIT_STEPS, "0");
  w.PressEscape();
  EXPECT_TRUE(kit.Boxes().empty());
  EXPECT_TRUE(w.Ended());
  EXPECT_EQ(w.Result(), ui::IDCANCEL);
  EXPECT_TRUE(w.Destroyed());
}

TEST_F(ExitValidation, EnterActivatesExitAsTheDefaultButton) {
  auto& w = kit.Start();
  EXPECT_EQ(w.GetDefaultButton(), ui::IDOK);
  w.PressEnter();
  EXPECT_TRUE(w.Ended());
  EXPECT_EQ(w.Result(), ui::IDOK);
}

TEST_F(ExitValidation, LoadShowsMembersAndRadioFollowsTheChoice) {
  auto& w = kit.Start();
  auto& d = kit.Dialog();
  d.m_nTimerChoice = 2;
  d.m_nStepDuration = -112;
  d.UpdateData(false);
  EXPECT_EQ(w.GetCheck(IDC_RADIO_TIMER_10K), 0);
  EXPECT_EQ(w.GetCheck(IDC_RADIO_50K), 1);
  EXPECT_EQ(w.GetText(IDC_EDIT_STEP_DURATION), "-112");
  w.Click(IDC_RADIO_20K);
  EXPECT_EQ(w.GetCheck(IDC_RADIO_50K), 0);
  EXPECT_TRUE(d.UpdateData(true));
  EXPECT_EQ(d.m_nTimerChoice, 1);
  // No radio checked reads as -1.
  w.SetCheck(IDC_RADIO_20K, 0);
  EXPECT_TRUE(d.UpdateData(true));
  EXPECT_EQ(d.m_nTimerChoice, -1);
}
