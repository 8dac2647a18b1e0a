// The dialog templates and the string table against the program's resource table.

#include "app/resources.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>
#include <utility>

#include "app/resource_ids.h"
#include "params/parameter_tables.h"
#include "ui/window_port.h"

using namespace app;
using ui::ControlKind;

namespace {

const ui::ControlTemplate& Control(int id) {
  const auto* c = MainDialogTemplate().FindControl(id);
  EXPECT_NE(c, nullptr) << id;
  static const ui::ControlTemplate kNone{};
  return c ? *c : kNone;
}

}  // namespace

TEST(Resources, MainDialogFrame) {
  const auto& d = MainDialogTemplate();
  EXPECT_EQ(d.id, 102);
  EXPECT_EQ(d.caption, "ZBK Utility V2.5");
  EXPECT_EQ(d.rect.cx, 587);
  EXPECT_EQ(d.rect.cy, 310);
  EXPECT_EQ(d.fontName, "MS Shell Dlg");
  EXPECT_EQ(d.pointSize, 8);
  EXPECT_FALSE(d.style & ui::kDsSysMenu);  // no close box
  EXPECT_TRUE(d.style & ui::kDsVisible);
  EXPECT_TRUE(d.style & ui::kDsAppWindow);
  EXPECT_EQ(d.controls.size(), 66u);
}

TEST(Resources, ControlsByIdKindCaptionAndRect) {
  struct Case {
    int id;
    ControlKind kind;
    const char* caption;
    ui::DlgRect rect;
  };
  const Case cases[] = {
      {1003, ControlKind::PushButton, "Connect ZBK", {14, 16, 52, 18}},
      {1006, ControlKind::PushButton, "Status", {84, 16, 50, 18}},
      {1016, ControlKind::Edit, "", {177, 17, 36, 15}},
      {1012, ControlKind::PushButton, "Motor On", {228, 17, 50, 14}},
      {1007, ControlKind::PushButton, "Cut For&ward", {14, 39, 50, 14}},
      {1017, ControlKind::PushButton, "Cut Ba&ck", {84, 40, 50, 14}},
      {1013, ControlKind::Edit, "", {177, 38, 36, 15}},
      {1015, ControlKind::PushButton, "Motor Off", {228, 38, 50, 14}},
      {1018, ControlKind::Edit, "", {82, 59, 36, 15}},
      {1011, ControlKind::Edit, "", {177, 59, 36, 15}},
      {1002, ControlKind::CheckBox, "Connected", {224, 60, 52, 12}},
      {1032, ControlKind::AutoCheckBox, "BRAXO mode", {39, 131, 59, 10}},
      {1033, ControlKind::AutoRadioButton, "Timer 10KHz", {38, 150, 55, 10}},
      {1034, ControlKind::AutoRadioButton, "20KHz", {98, 150, 36, 10}},
      {1040, ControlKind::AutoRadioButton, "50KHz", {143, 150, 36, 10}},
      {1023, ControlKind::Edit, "", {273, 128, 36, 15}},
      {1022, ControlKind::Edit, "", {273, 150, 36, 15}},
      {1004, ControlKind::DropDownList, "", {46, 183, 50, 51}},
      {1005, ControlKind::DropDownList, "", {46, 200, 50, 59}},
      {1014, ControlKind::DropDownList, "", {151, 183, 50, 64}},
      {1024, ControlKind::DropDownList, "", {151, 200, 50, 62}},
      {1009, ControlKind::DropDownList, "", {46, 227, 50, 76}},
      {1010, ControlKind::DropDownList, "", {46, 246, 50, 66}},
      {1025, ControlKind::DropDownList, "", {151, 228, 50, 60}},
      {1026, ControlKind::DropDownList, "", {151, 246, 50, 67}},
      {1028, ControlKind::PushButton, "Program ZBK", {51, 282, 83, 16}},
      {1, ControlKind::DefPushButton, "Exit", {163, 282, 50, 16}},
      {1019, ControlKind::ListBox, "", {324, 62, 254, 241}},
      {1020, ControlKind::PushButton, "Read PIC", {404, 33, 50, 14}},
      {1021, ControlKind::PushButton, "Program PIC", {475, 33, 50, 14}},
      {1029, ControlKind::AutoCheckBox, "PIC 'A' revision", {329, 14, 63, 10}},
      {1030, ControlKind::Edit, "", {351, 33, 40, 14}},
      {1008, ControlKind::PushButton, "Erase PIC", {475, 12, 50, 14}},
      {215, ControlKind::Label, "Step", {124, 184, 16, 8}},
      {1031, ControlKind::PushButton, "test buffer", {225, 280, 83, 16}},
      {216, ControlKind::Label, "Dir", {124, 202, 10, 8}},
      {217, ControlKind::Label, "Step", {125, 229, 16, 8}},
      {218, ControlKind::Label, "Dir", {125, 248, 10, 8}},
      {219, ControlKind::Label, "Step", {20, 184, 16, 8}},
      {220, ControlKind::Label, "Dir", {20, 202, 10, 8}},
      {221, ControlKind::Label, "Step", {20, 228, 16, 8}},
      {222, ControlKind::Label, "Dir", {20, 248, 10, 8}},
      {223, ControlKind::Label, "Pin", {225, 186, 10, 8}},
      {1037, ControlKind::DropDownList, "", {256, 184, 50, 64}},
      {224, ControlKind::Label, "Motor Interface", {52, 97, 52, 8}},
      {1039, ControlKind::AutoCheckBox, "Active High", {227, 202, 52, 10}},
      {1038, ControlKind::DropDownList, "", {131, 95, 94, 64}},
      {1041, ControlKind::DropDownList, "", {256, 233, 50, 64}},
      {225, ControlKind::Label, "Mode", {228, 234, 21, 9}},
  };
  std::set<int> seen;
  for (const auto& c : cases) {
    const auto& t = Control(c.id);
    EXPECT_EQ(t.kind, c.kind) << c.id;
    EXPECT_EQ(t.caption, c.caption) << c.id;
    EXPECT_EQ(t.rect.x, c.rect.x) << c.id;
    EXPECT_EQ(t.rect.y, c.rect.y) << c.id;
    EXPECT_EQ(t.rect.cx, c.rect.cx) << c.id;
    EXPECT_EQ(t.rect.cy, c.rect.cy) << c.id;
    EXPECT_TRUE(seen.insert(c.id).second) << "duplicate " << c.id;
  }
  // Every addressed control of the template is in the table above.
  for (const auto& t : MainDialogTemplate().controls) {
    if (t.id != -1) {
      EXPECT_TRUE(seen.count(t.id)) << t.id;
    }
  }
}

TEST(Resources, StylesThatBehaviourDependsOn) {
  EXPECT_FALSE(Control(IDC_BUTTON_TEST_BUFFER).style & ui::kVisible);
  EXPECT_TRUE(Control(IDC_BUTTON_CONNECT).style & ui::kMultiline);
  EXPECT_TRUE(Control(IDC_CHECK_CONNECTED).style & ui::kRightAligned);
  EXPECT_TRUE(Control(IDC_RADIO_TIMER_10K).style & ui::kGroup);
  EXPECT_FALSE(Control(IDC_RADIO_20K).style & ui::kGroup);
  EXPECT_FALSE(Control(IDC_RADIO_50K).style & ui::kGroup);
  EXPECT_TRUE(Control(IDC_EDIT_STEP_DURATION).style & ui::kGroup);
  for (int id : {IDC_EDIT_MOTORS, IDC_EDIT_STEPS, IDC_EDIT_CUT_REPEAT, IDC_EDIT_STEP_RATE,
                 IDC_EDIT_STEP_DURATION, IDC_EDIT_DIR_DELAY}) {
    EXPECT_TRUE(Control(id).style & ui::kNumber) << id;
  }
  EXPECT_FALSE(Control(IDC_EDIT_ADDR).style & ui::kNumber);
  for (int id : {IDC_COMBO_STEP1, IDC_COMBO_DIR1, IDC_COMBO_STEP2, IDC_COMBO_DIR2, IDC_COMBO_STEP3,
                 IDC_COMBO_DIR3, IDC_COMBO_STEP4, IDC_COMBO_DIR4, IDC_COMBO_MOTOR_ON_PIN}) {
    EXPECT_TRUE(Control(id).style & ui::kSort) << id;
  }
  EXPECT_FALSE(Control(IDC_COMBO_PRESET).style & ui::kSort);
  EXPECT_FALSE(Control(IDC_COMBO_STEP_MODE).style & ui::kSort);
  EXPECT_EQ(Control(IDC_COMBO_STEP_MODE).items.size(), 1u);
  EXPECT_TRUE(Control(IDC_LIST_LOG).style & ui::kSort);
  EXPECT_TRUE(Control(IDC_LIST_LOG).style & ui::kNoIntegralHeight);
  for (int id : {IDC_CHECK_BRAXO_MODE, IDC_RADIO_TIMER_10K, IDC_RADIO_20K, IDC_RADIO_50K,
                 IDC_CHECK_ACTIVE_HIGH}) {
    EXPECT_TRUE(Control(id).style & ui::kTextLeft) << id;
  }
  // Tab stops: buttons, edits, combos, check boxes, the list and the first radio.
  for (const auto& t : MainDialogTemplate().controls) {
    const bool tab = (t.style & ui::kTabStop) != 0;
    switch (t.kind) {
      case ControlKind::Label:
        EXPECT_TRUE(t.style & ui::kGroup);
        [[fallthrough]];
      case ControlKind::GroupBox:
        EXPECT_FALSE(tab);
        break;
      case ControlKind::AutoRadioButton:
        EXPECT_EQ(tab, t.id == IDC_RADIO_TIMER_10K) << t.id;
        break;
      default:
        EXPECT_TRUE(tab) << t.id;
    }
  }
}

// The names the batch gives the number edits in its messages, and the range messages, are the
// labels the window shows beside them.
TEST(Resources, NumberFieldLabelsAreTheLabelsBesideTheEdits) {
  const std::pair<params::NumberField, int> edits[] = {
      {params::NumberField::kSteps, IDC_EDIT_STEPS},
      {params::NumberField::kStepRate, IDC_EDIT_STEP_RATE},
      {params::NumberField::kMotors, IDC_EDIT_MOTORS},
      {params::NumberField::kCutRepeat, IDC_EDIT_CUT_REPEAT},
      {params::NumberField::kStepDuration, IDC_EDIT_STEP_DURATION},
      {params::NumberField::kDirDelay, IDC_EDIT_DIR_DELAY},
  };
  ASSERT_EQ(std::size(edits), params::kNumberFields.size());
  for (const auto& [field, id] : edits) {
    const std::string_view label = params::LimitsOf(field).label;
    SCOPED_TRACE(std::string(label));
    const ui::DlgRect edit = Control(id).rect;
    int beside = 0;
    for (const auto& c : MainDialogTemplate().controls) {
      if (c.kind != ControlKind::Label || c.caption != label) continue;
      // Left of the edit, and level with it.
      if (c.rect.x < edit.x && c.rect.y < edit.y + edit.cy && edit.y < c.rect.y + c.rect.cy) {
        ++beside;
      }
    }
    EXPECT_EQ(beside, 1);
  }
}

TEST(Resources, AboutAndPromptTemplates) {
  const auto& about = AboutDialogTemplate();
  EXPECT_EQ(about.id, 100);
  EXPECT_EQ(about.caption, "About");
  EXPECT_EQ(about.rect.cx, 235);
  EXPECT_EQ(about.rect.cy, 55);
  EXPECT_TRUE(about.style & ui::kDsSysMenu);
  std::set<std::string_view> captions;
  for (const auto& c : about.controls) captions.insert(c.caption);
  EXPECT_TRUE(captions.count("BRAXO test"));
  EXPECT_TRUE(captions.count("QD5500 programmation"));
  const auto* ok = about.FindControl(ui::IDOK);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->kind, ControlKind::DefPushButton);
  EXPECT_EQ(ok->rect.x, 178);

  const auto& prompt = ConnectPromptTemplate();
  EXPECT_EQ(prompt.id, 129);
  EXPECT_EQ(prompt.caption, "");
  EXPECT_EQ(prompt.rect.cx, 235);
  EXPECT_EQ(prompt.rect.cy, 38);
  EXPECT_FALSE(prompt.style & ui::kDsVisible);
  ASSERT_EQ(prompt.controls.size(), 1u);
  EXPECT_EQ(prompt.controls[0].caption, "Please connect the ZBK interface...");
  EXPECT_TRUE(prompt.controls[0].style & ui::kCentered);
}

TEST(Resources, StringTable) {
  const auto& r = ProgramResources();
  EXPECT_EQ(r.LoadString(101), "&About ZBK Utility...");
  EXPECT_EQ(r.LoadString(102), "Press on the QD5500 RESET button then click Ok");
  EXPECT_EQ(r.LoadString(103), "Reading PIC");
  EXPECT_EQ(r.LoadString(104), "Programming PIC");
  EXPECT_EQ(r.LoadString(105), "Programmation successful");
  EXPECT_EQ(r.LoadString(106), "Programmation failure.\r\n\r\nVerify PIC revision and try again.");
  EXPECT_EQ(r.LoadString(107), "The PIC wille be erased...\r\n\r\nConfirm erasing ?");
  EXPECT_EQ(r.LoadString(108), "Erasing PIC");
  EXPECT_EQ(r.LoadString(109), "Put the QD5500 jump into normal position");
  EXPECT_EQ(r.LoadString(110), "Put the QD5500 jump into programmation position");
  EXPECT_EQ(r.LoadString(111), "");
}
