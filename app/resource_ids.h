#pragma once
// Resource ids of the dialogs, controls, icon and strings. The parameter panel's controls take
// the ids its tables name.

#include "params/parameter_ids.h"

namespace app {

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_HID_TEST_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDD_CONNECT_PROMPT = 129;

inline constexpr int IDS_PRESS_RESET = 102;
inline constexpr int IDS_READING_PIC = 103;
inline constexpr int IDS_PROGRAMMING_PIC = 104;
inline constexpr int IDS_PROGRAMMATION_SUCCESSFUL = 105;
inline constexpr int IDS_PROGRAMMATION_FAILURE = 106;
inline constexpr int IDS_CONFIRM_ERASE = 107;
inline constexpr int IDS_ERASING_PIC = 108;
inline constexpr int IDS_JUMP_NORMAL = 109;
inline constexpr int IDS_JUMP_PROGRAMMATION = 110;
// The PIC commands of the system menu.
inline constexpr int IDS_VERIFY_PIC = 120;
inline constexpr int IDS_SAVE_PIC = 121;

inline constexpr int IDC_STATIC = -1;
inline constexpr int IDC_CHECK_CONNECTED = 1002;
inline constexpr int IDC_BUTTON_CONNECT = params::kIdConnect;
inline constexpr int IDC_COMBO_STEP1 = params::kIdStepMotor1;
inline constexpr int IDC_COMBO_DIR1 = params::kIdDirMotor1;
inline constexpr int IDC_BUTTON_STATUS = 1006;
inline constexpr int IDC_BUTTON_CUT_FORWARD = 1007;
inline constexpr int IDC_BUTTON_ERASE_PIC = 1008;
inline constexpr int IDC_COMBO_STEP2 = params::kIdStepMotor2;
inline constexpr int IDC_COMBO_DIR2 = params::kIdDirMotor2;
inline constexpr int IDC_EDIT_STEP_RATE = 1011;
inline constexpr int IDC_BUTTON_MOTOR_ON = 1012;
inline constexpr int IDC_EDIT_STEPS = 1013;
inline constexpr int IDC_COMBO_STEP3 = params::kIdStepMotor3;
inline constexpr int IDC_BUTTON_MOTOR_OFF = 1015;
inline constexpr int IDC_EDIT_MOTORS = 1016;
inline constexpr int IDC_BUTTON_CUT_BACK = 1017;
inline constexpr int IDC_EDIT_CUT_REPEAT = 1018;
inline constexpr int IDC_LIST_LOG = 1019;
inline constexpr int IDC_BUTTON_READ_PIC = 1020;
inline constexpr int IDC_BUTTON_PROGRAM_PIC = 1021;
inline constexpr int IDC_EDIT_DIR_DELAY = params::kIdDirDelay;
inline constexpr int IDC_EDIT_STEP_DURATION = params::kIdStepDuration;
inline constexpr int IDC_COMBO_DIR3 = params::kIdDirMotor3;
inline constexpr int IDC_COMBO_STEP4 = params::kIdStepMotor4;
inline constexpr int IDC_COMBO_DIR4 = params::kIdDirMotor4;
inline constexpr int IDC_BUTTON_PROGRAM = params::kIdProgram;
inline constexpr int IDC_CHECK_PIC_REV_A = 1029;
inline constexpr int IDC_EDIT_ADDR = 1030;
inline constexpr int IDC_BUTTON_TEST_BUFFER = 1031;
inline constexpr int IDC_CHECK_BRAXO_MODE = params::kIdBraxoMode;
inline constexpr int IDC_RADIO_TIMER_10K = params::kIdTimer10k;
inline constexpr int IDC_RADIO_20K = params::kIdTimer20k;
inline constexpr int IDC_COMBO_MOTOR_ON_PIN = params::kIdMotorOnPin;
inline constexpr int IDC_COMBO_PRESET = params::kIdPreset;
inline constexpr int IDC_CHECK_ACTIVE_HIGH = params::kIdActiveHigh;
inline constexpr int IDC_RADIO_50K = params::kIdTimer50k;
inline constexpr int IDC_COMBO_STEP_MODE = params::kIdStepMode;

inline constexpr int IDC_LABEL_STEP3 = 215;
inline constexpr int IDC_LABEL_DIR3 = 216;
inline constexpr int IDC_LABEL_STEP4 = 217;
inline constexpr int IDC_LABEL_DIR4 = 218;
inline constexpr int IDC_LABEL_STEP1 = 219;
inline constexpr int IDC_LABEL_DIR1 = 220;
inline constexpr int IDC_LABEL_STEP2 = 221;
inline constexpr int IDC_LABEL_DIR2 = 222;
inline constexpr int IDC_LABEL_PIN = 223;
inline constexpr int IDC_LABEL_MOTOR_INTERFACE = 224;
inline constexpr int IDC_LABEL_MODE = 225;

// The About item of the system menu.
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;
// The PIC commands offered beside it: the dialog template has no buttons for them.
inline constexpr unsigned IDM_VERIFY_PIC = 0x0020;
inline constexpr unsigned IDM_SAVE_PIC = 0x0030;
// The one window timer: polls for the board while the connect prompt waits.
inline constexpr int kConnectTimerId = 1;
inline constexpr unsigned kConnectTimerMs = 500;

}  // namespace app
