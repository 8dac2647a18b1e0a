#include "app/chid_test_dlg.h"

#include "app/resource_ids.h"
#include "hidlink/hid_link.h"
#include "params/parameter_tables.h"
#include "ui/resources.h"

namespace app {

using namespace ui;

namespace {

// The check of a number field, with the limits that batch mode also takes.
void DDV_Limits(CDataExchange& dx, std::uint32_t value, params::NumberField field) {
  const params::NumberFieldLimits& limits = params::LimitsOf(field);
  DDV_MinMaxUInt(dx, value, limits.min, limits.max);
}

}  // namespace

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

Chid_testDlg::Chid_testDlg()
    : CDialog(IDD_HID_TEST_DIALOG), m_hIcon(IDR_MAINFRAME), m_connectPrompt(IDD_CONNECT_PROMPT) {}

void Chid_testDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Control(dx, IDC_CHECK_CONNECTED, m_checkConnected);
  DDX_Control(dx, IDC_LIST_LOG, m_listLog);
  DDX_Control(dx, IDC_CHECK_PIC_REV_A, m_checkPicRevA);
  DDX_Control(dx, IDC_EDIT_ADDR, m_editAddr);
  DDX_Control(dx, IDC_EDIT_STEP_DURATION, m_editStepDuration);
  DDX_Control(dx, IDC_EDIT_DIR_DELAY, m_editDirDelay);
  DDX_Control(dx, IDC_CHECK_BRAXO_MODE, m_checkBraxoMode);
  DDX_Control(dx, IDC_RADIO_50K, m_radio50k);
  DDX_Text(dx, IDC_EDIT_STEPS, m_nSteps);
  DDV_Limits(dx, m_nSteps, params::NumberField::kSteps);
  DDX_Text(dx, IDC_EDIT_STEP_RATE, m_nStepRate);
  DDV_Limits(dx, m_nStepRate, params::NumberField::kStepRate);
  DDX_Text(dx, IDC_EDIT_MOTORS, m_nMotors);
  DDX_Text(dx, IDC_EDIT_CUT_REPEAT, m_nCutRepeat);
  DDX_Text(dx, IDC_EDIT_DIR_DELAY, m_nDirDelay);
  DDX_Text(dx, IDC_EDIT_STEP_DURATION, m_nStepDuration);
  DDX_Check(dx, IDC_CHECK_BRAXO_MODE, m_nBraxoMode);
  DDX_Radio(dx, IDC_RADIO_TIMER_10K, m_nTimerChoice);
  DDX_Control(dx, IDC_COMBO_STEP1, m_comboStep1);
  DDX_Control(dx, IDC_COMBO_STEP2, m_comboStep2);
  DDX_Control(dx, IDC_COMBO_STEP3, m_comboStep3);
  DDX_Control(dx, IDC_COMBO_STEP4, m_comboStep4);
  DDX_Control(dx, IDC_COMBO_DIR1, m_comboDir1);
  DDX_Control(dx, IDC_COMBO_DIR2, m_comboDir2);
  DDX_Control(dx, IDC_COMBO_DIR3, m_comboDir3);
  DDX_Control(dx, IDC_COMBO_DIR4, m_comboDir4);
  DDX_Control(dx, IDC_COMBO_PRESET, m_comboPreset);
  DDX_Control(dx, IDC_COMBO_MOTOR_ON_PIN, m_comboMotorOnPin);
  DDX_Control(dx, IDC_COMBO_STEP_MODE, m_comboStepMode);
  DDX_Control(dx, IDC_CHECK_ACTIVE_HIGH, m_checkActiveHigh);
}

const MessageMap<Chid_testDlg>& Chid_testDlg::GetMessageMap() {
  static const MessageMap<Chid_testDlg> map = [] {
    MessageMap<Chid_testDlg> m;
    m.OnSysCommand(&Chid_testDlg::OnSysCommand)
        .OnPaint(&Chid_testDlg::OnPaint)
        .OnTimer(&Chid_testDlg::OnTimer)
        .OnClicked(IDC_BUTTON_CONNECT, &Chid_testDlg::OnBnClickedConnect)
        .OnClicked(IDC_BUTTON_STATUS, &Chid_testDlg::OnBnClickedStatus)
        .OnClicked(IDC_BUTTON_CUT_FORWARD, &Chid_testDlg::OnBnClickedCutForward)
        .OnClicked(IDC_BUTTON_MOTOR_ON, &Chid_testDlg::OnBnClickedMotorOn)
        .OnClicked(IDC_BUTTON_MOTOR_OFF, &Chid_testDlg::OnBnClickedMotorOff)
        .OnClicked(IDC_BUTTON_CUT_BACK, &Chid_testDlg::OnBnClickedCutBack)
        .OnClicked(IDC_BUTTON_READ_PIC, &Chid_testDlg::OnBnClickedReadPic)
        .OnClicked(IDC_BUTTON_PROGRAM_PIC, &Chid_testDlg::OnBnClickedProgramPic)
        .OnClicked(IDC_BUTTON_ERASE_PIC, &Chid_testDlg::OnBnClickedErasePic)
        .OnDestroy(&Chid_testDlg::OnDestroy)
        .OnClicked(IDC_CHECK_BRAXO_MODE, &Chid_testDlg::OnBnClickedBraxoMode)
        .OnClicked(IDC_BUTTON_PROGRAM, &Chid_testDlg::OnBnClickedProgram)
        .OnCommand(IDC_EDIT_ADDR, Notification::SetFocus, &Chid_testDlg::OnEnSetfocusAddr)
        .OnClicked(IDC_BUTTON_TEST_BUFFER, &Chid_testDlg::OnBnClickedTestBuffer)
        .OnCommand(IDC_COMBO_PRESET, Notification::SelChange, &Chid_testDlg::OnCbnSelchangePreset);
    return m;
  }();
  return map;
}

bool Chid_testDlg::ProcessMessage(const Message& message) {
  return GetMessageMap().Dispatch(*this, message);
}

bool Chid_testDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  if (auto* window = GetWindow()) {
    const std::string about = GetResources().LoadString(IDS_ABOUTBOX);
    if (!about.empty()) {
      window->AppendSystemMenuSeparator();
      window->AppendSystemMenuItem(static_cast<int>(IDM_ABOUTBOX), about);
    }
    // About stays the first item: Help (F1) asks for it.
    window->AppendSystemMenuSeparator();
    window->AppendSystemMenuItem(static_cast<int>(IDM_VERIFY_PIC),
                                 GetResources().LoadString(IDS_VERIFY_PIC));
    window->AppendSystemMenuItem(static_cast<int>(IDM_SAVE_PIC),
                                 GetResources().LoadString(IDS_SAVE_PIC));
  }
  // The hosts give every window of the program the application icon themselves.

  m_nSteps = 96;
  m_nStepRate = 20;
  m_editAddr.SetValue(0);
  m_nMotors = 255;
  UpdateData(false);

  for (const auto& row : params::Presets()) m_comboPreset.AddString(row.entry);
  m_comboPreset.SetCurSel(0);

  ApplyPresetRow(0);
  UpdateData(false);

  for (auto entry : params::MotorOnPinEntries()) m_comboMotorOnPin.AddString(entry);
  m_comboMotorOnPin.SetCurSel(0);

  for (int i = m_comboStepMode.GetCount() - 1; i >= 0; --i) m_comboStepMode.DeleteString(i);
  for (auto entry : params::StepModeEntries()) m_comboStepMode.AddString(entry);
  m_comboStepMode.SetCurSel(0);

  if (hidlink::HidLink::FindDevice(hidlink::OnRefusal::kHold)) {
    m_checkConnected.SetCheck(1);
    m_bBoardPresent = 1;
  }
  if (m_bBoardPresent) {
    m_editStepDuration.EnableWindow(true);
    m_editDirDelay.EnableWindow(true);
    m_checkBraxoMode.EnableWindow(true);
    OnBnClickedConnect();
  } else if (!hidlink::HidLink::refusal.empty()) {
    // The board is plugged in but may not be opened: at start-up that is most often udev still
    // granting access. Wait for it as the connect prompt does; its box comes if access stays
    // refused.
    WaitForBoard();
  }

  m_bPicNeedsReset = 1;
  m_wPicNextAddr = 0;
  return true;
}

std::array<ui::CComboBox*, params::kPinListCount> Chid_testDlg::PinLists() {
  return {&m_comboStep1, &m_comboStep2, &m_comboStep3, &m_comboStep4,
          &m_comboDir1,  &m_comboDir2,  &m_comboDir3,  &m_comboDir4};
}

void Chid_testDlg::OnSysCommand(unsigned nID) {
  switch (nID & 0xFFF0) {
    case IDM_ABOUTBOX: {
      CAboutDlg about;
      about.DoModal(this);
      break;
    }
    case IDM_VERIFY_PIC:
      OnVerifyPic();
      break;
    case IDM_SAVE_PIC:
      OnSavePic();
      break;
    default:
      break;
  }
}

// Minimised windows are drawn by the window system with the icon the host gave them.
void Chid_testDlg::OnPaint() {}

bool Chid_testApp::InitInstance() {
  Chid_testDlg dlg;
  dlg.DoModal();
  return false;
}

}  // namespace app
