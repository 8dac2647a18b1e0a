#include "app/resources.h"

#include <array>
#include <string_view>

#include "app/resource_ids.h"
#include "ui/window_port.h"

namespace app {

using ui::ControlKind;
using ui::ControlTemplate;
using ui::DialogTemplate;
using namespace ui;  // style flags

namespace {

constexpr unsigned kButton = kVisible | kTabStop;
constexpr unsigned kEditStyle = kVisible | kTabStop | kBorder | kAutoHScroll;
constexpr unsigned kNumEdit = kEditStyle | kNumber;
constexpr unsigned kCombo = kVisible | kTabStop | kVScroll;
constexpr unsigned kSortedCombo = kCombo | kSort;
constexpr unsigned kLabel = kVisible | kGroup;
constexpr unsigned kGroupBox = kVisible;
constexpr unsigned kCheck = kVisible | kTabStop;

constexpr std::array<std::string_view, 1> kBlankEntry = {""};

constexpr ControlKind PB = ControlKind::PushButton;
constexpr ControlKind DEFPB = ControlKind::DefPushButton;
constexpr ControlKind CHK = ControlKind::CheckBox;
constexpr ControlKind ACHK = ControlKind::AutoCheckBox;
constexpr ControlKind RAD = ControlKind::AutoRadioButton;
constexpr ControlKind EDT = ControlKind::Edit;
constexpr ControlKind CMB = ControlKind::DropDownList;
constexpr ControlKind LST = ControlKind::ListBox;
constexpr ControlKind LBL = ControlKind::Label;
constexpr ControlKind GRP = ControlKind::GroupBox;
constexpr ControlKind ICO = ControlKind::Icon;

const ControlTemplate kMainControls[] = {
    {PB, IDC_BUTTON_CONNECT, "Connect ZBK", {14, 16, 52, 18}, kButton | kMultiline},
    {PB, IDC_BUTTON_STATUS, "Status", {84, 16, 50, 18}, kButton},
    {EDT, IDC_EDIT_MOTORS, "", {177, 17, 36, 15}, kNumEdit},
    {PB, IDC_BUTTON_MOTOR_ON, "Motor On", {228, 17, 50, 14}, kButton},
    {PB, IDC_BUTTON_CUT_FORWARD, "Cut For&ward", {14, 39, 50, 14}, kButton},
    {PB, IDC_BUTTON_CUT_BACK, "Cut Ba&ck", {84, 40, 50, 14}, kButton},
    {EDT, IDC_EDIT_STEPS, "", {177, 38, 36, 15}, kNumEdit},
    {PB, IDC_BUTTON_MOTOR_OFF, "Motor Off", {228, 38, 50, 14}, kButton},
    {EDT, IDC_EDIT_CUT_REPEAT, "", {82, 59, 36, 15}, kNumEdit},
    {EDT, IDC_EDIT_STEP_RATE, "", {177, 59, 36, 15}, kNumEdit},
    {CHK, IDC_CHECK_CONNECTED, "Connected", {224, 60, 52, 12}, kCheck | kRightAligned},
    {ACHK, IDC_CHECK_BRAXO_MODE, "BRAXO mode", {39, 131, 59, 10}, kCheck | kTextLeft},
    {RAD,
     IDC_RADIO_TIMER_10K,
     "Timer 10KHz",
     {38, 150, 55, 10},
     kVisible | kTabStop | kGroup | kTextLeft},
    {RAD, IDC_RADIO_20K, "20KHz", {98, 150, 36, 10}, kVisible | kTextLeft},
    {RAD, IDC_RADIO_50K, "50KHz", {143, 150, 36, 10}, kVisible | kTextLeft},
    {EDT, IDC_EDIT_STEP_DURATION, "", {273, 128, 36, 15}, kNumEdit | kGroup},
    {EDT, IDC_EDIT_DIR_DELAY, "", {273, 150, 36, 15}, kNumEdit},
    {CMB, IDC_COMBO_STEP1, "", {46, 183, 50, 51}, kSortedCombo},
    {CMB, IDC_COMBO_DIR1, "", {46, 200, 50, 59}, kSortedCombo},
    {CMB, IDC_COMBO_STEP3, "", {151, 183, 50, 64}, kSortedCombo},
    {CMB, IDC_COMBO_DIR3, "", {151, 200, 50, 62}, kSortedCombo},
    {CMB, IDC_COMBO_STEP2, "", {46, 227, 50, 76}, kSortedCombo},
    {CMB, IDC_COMBO_DIR2, "", {46, 246, 50, 66}, kSortedCombo},
    {CMB, IDC_COMBO_STEP4, "", {151, 228, 50, 60}, kSortedCombo},
    {CMB, IDC_COMBO_DIR4, "", {151, 246, 50, 67}, kSortedCombo},
    {PB, IDC_BUTTON_PROGRAM, "Program ZBK", {51, 282, 83, 16}, kButton},
    {DEFPB, IDOK, "Exit", {163, 282, 50, 16}, kButton},
    {LST,
     IDC_LIST_LOG,
     "",
     {324, 62, 254, 241},
     kVisible | kTabStop | kSort | kNotify | kNoIntegralHeight | kVScroll | kBorder},
    {LBL, IDC_STATIC, "# Step", {154, 40, 22, 13}, kLabel},
    {LBL, IDC_STATIC, "Step rate (x100 \xC2\xB5s)", {141, 57, 35, 19}, kLabel},
    {LBL, IDC_STATIC, "Motors", {154, 20, 22, 13}, kLabel},
    {LBL, IDC_STATIC, "Cut repeat", {12, 62, 63, 13}, kLabel | kRightAligned},
    {PB, IDC_BUTTON_READ_PIC, "Read PIC", {404, 33, 50, 14}, kButton},
    {PB, IDC_BUTTON_PROGRAM_PIC, "Program PIC", {475, 33, 50, 14}, kButton},
    {ACHK, IDC_CHECK_PIC_REV_A, "PIC 'A' revision", {329, 14, 63, 10}, kCheck},
    {EDT, IDC_EDIT_ADDR, "", {351, 33, 40, 14}, kEditStyle},
    {LBL, IDC_STATIC, "Addr:", {330, 36, 17, 8}, kLabel},
    {PB, IDC_BUTTON_ERASE_PIC, "Erase PIC", {475, 12, 50, 14}, kButton},
    {GRP,
     IDC_STATIC,
     "QD5500 Programming (QD5500 strap on program position)",
     {323, 3, 255, 49},
     kGroupBox},
    {GRP, IDC_STATIC, " ZBK Test ", {7, 3, 310, 78}, kGroupBox},
    {GRP, IDC_STATIC, "ZBK parameters", {7, 119, 309, 154}, kGroupBox},
    {LBL, IDC_STATIC, "Delay for Dir before Step (\xC2\xB5s)", {216, 149, 55, 19}, kLabel},
    {LBL, IDC_STATIC, "Step duration (\xC2\xB5s)", {215, 128, 51, 15}, kLabel},
    {LBL, IDC_LABEL_STEP3, "Step", {124, 184, 16, 8}, kLabel},
    {PB, IDC_BUTTON_TEST_BUFFER, "test buffer", {225, 280, 83, 16}, kTabStop},
    {GRP, IDC_STATIC, "Motor3 (YR)", {117, 174, 89, 44}, kGroupBox | kCentered},
    {LBL, IDC_LABEL_DIR3, "Dir", {124, 202, 10, 8}, kLabel},
    {LBL, IDC_LABEL_STEP4, "Step", {125, 229, 16, 8}, kLabel},
    {GRP, IDC_STATIC, "Motor4 (XR)", {117, 218, 89, 44}, kGroupBox | kCentered},
    {LBL, IDC_LABEL_DIR4, "Dir", {125, 248, 10, 8}, kLabel},
    {GRP, IDC_STATIC, "Motor1 (YL)", {12, 174, 89, 44}, kGroupBox | kCentered},
    {LBL, IDC_LABEL_STEP1, "Step", {20, 184, 16, 8}, kLabel},
    {LBL, IDC_LABEL_DIR1, "Dir", {20, 202, 10, 8}, kLabel},
    {GRP, IDC_STATIC, "Motor2 (XL)", {12, 218, 89, 44}, kGroupBox | kCentered},
    {LBL, IDC_LABEL_STEP2, "Step", {20, 228, 16, 8}, kLabel},
    {LBL, IDC_LABEL_DIR2, "Dir", {20, 248, 10, 8}, kLabel},
    {LBL, IDC_LABEL_PIN, "Pin", {225, 186, 10, 8}, kLabel},
    {CMB, IDC_COMBO_MOTOR_ON_PIN, "", {256, 184, 50, 64}, kSortedCombo},
    {LBL, IDC_LABEL_MOTOR_INTERFACE, "Motor Interface", {52, 97, 52, 8}, kLabel},
    {GRP, IDC_STATIC, "Motor ON", {220, 174, 89, 44}, kGroupBox | kCentered},
    {ACHK, IDC_CHECK_ACTIVE_HIGH, "Active High", {227, 202, 52, 10}, kCheck | kTextLeft},
    {GRP,
     IDC_STATIC,
     "Shortcuts for setting predefined parameters",
     {7, 85, 310, 27},
     kGroupBox | kCentered},
    {CMB, IDC_COMBO_PRESET, "", {131, 95, 94, 64}, kCombo},
    {CMB, IDC_COMBO_STEP_MODE, "", {256, 233, 50, 64}, kCombo, kBlankEntry},
    {GRP, IDC_STATIC, "Step", {220, 218, 89, 44}, kGroupBox | kCentered},
    {LBL, IDC_LABEL_MODE, "Mode", {228, 234, 21, 9}, kLabel},
};

const ControlTemplate kAboutControls[] = {
    {ICO, IDC_STATIC, "", {11, 17, 21, 20}, kVisible},
    {LBL, IDC_STATIC, "BRAXO test", {40, 11, 119, 8}, kLabel | kNoPrefix},
    {LBL, IDC_STATIC, "QD5500 programmation", {40, 23, 119, 8}, kLabel},
    {LBL, IDC_STATIC, "A bench tool for the ZBK board", {40, 35, 130, 8}, kLabel},
    {DEFPB, IDOK, "OK", {178, 7, 50, 16}, kButton | kGroup},
};

const ControlTemplate kPromptControls[] = {
    {LBL, IDC_STATIC, "Please connect the ZBK interface...", {17, 14, 211, 16}, kLabel | kCentered},
};

const DialogTemplate kMainDialog{
    IDD_HID_TEST_DIALOG, kMainCaption,
    {0, 0, 587, 310},    kDsVisible | kDsCaption | kDsModalFrame | kDsAppWindow,
    "MS Shell Dlg",      8,
    kMainControls,
};

const DialogTemplate kAboutDialog{
    IDD_ABOUTBOX,   "About", {0, 0, 235, 55}, kDsCaption | kDsSysMenu | kDsModalFrame,
    "MS Shell Dlg", 8,       kAboutControls,
};

const DialogTemplate kPromptDialog{
    IDD_CONNECT_PROMPT, "", {0, 0, 235, 38}, kDsCaption | kDsSysMenu | kDsModalFrame,
    "MS Shell Dlg",     8,  kPromptControls,
};

const DialogTemplate* const kDialogs[] = {&kAboutDialog, &kMainDialog, &kPromptDialog};

const ui::StringEntry kStrings[] = {
    {IDS_ABOUTBOX, "&About ZBK Utility..."},
    {IDS_PRESS_RESET, "Press on the QD5500 RESET button then click Ok"},
    {IDS_READING_PIC, "Reading PIC"},
    {IDS_PROGRAMMING_PIC, "Programming PIC"},
    {IDS_PROGRAMMATION_SUCCESSFUL, "Programmation successful"},
    {IDS_PROGRAMMATION_FAILURE, "Programmation failure.\r\n\r\nVerify PIC revision and try again."},
    {IDS_CONFIRM_ERASE, "The PIC wille be erased...\r\n\r\nConfirm erasing ?"},
    {IDS_ERASING_PIC, "Erasing PIC"},
    {IDS_JUMP_NORMAL, "Put the QD5500 jump into normal position"},
    {IDS_JUMP_PROGRAMMATION, "Put the QD5500 jump into programmation position"},
    {IDS_VERIFY_PIC, "Verify PIC..."},
    {IDS_SAVE_PIC, "Save PIC to file..."},
};

const ui::Resources kResources{"zbk-utility", kDialogs, kStrings};

}  // namespace

const ui::Resources& ProgramResources() {
  return kResources;
}
const DialogTemplate& MainDialogTemplate() {
  return kMainDialog;
}
const DialogTemplate& AboutDialogTemplate() {
  return kAboutDialog;
}
const DialogTemplate& ConnectPromptTemplate() {
  return kPromptDialog;
}

}  // namespace app
