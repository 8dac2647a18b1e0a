#pragma once
// The main dialog: every member of the program's state and every command handler. The handlers
// of each subsystem are defined in that subsystem's folder.

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

#include "app/command_outcome.h"
#include "hexedit/hex_edit.h"
#include "params/parameter_tables.h"
#include "ui/controls.h"
#include "ui/data_exchange.h"
#include "ui/dialog.h"

namespace app {

class CAboutDlg : public ui::CDialog {
 public:
  CAboutDlg();
};

class Chid_testDlg : public ui::CDialog {
 public:
  Chid_testDlg();
  ~Chid_testDlg() override = default;

  void DoDataExchange(ui::CDataExchange& dx) override;
  bool OnInitDialog() override;

  static const ui::MessageMap<Chid_testDlg>& GetMessageMap();

  // Application shell.
  void OnSysCommand(unsigned nID);
  void OnPaint();
  void OnDestroy();
  void OnTimer(unsigned nIDEvent);

  // Window state shared by the commands.
  void AppendLog(std::string_view text);
  void RequireJumperPosition(int pos);
  // Discovery, then: true when the command may go on; otherwise the connect prompt waits for the
  // board and the command ends with kNoBoard.
  bool ConnectOrPrompt();
  // The connect prompt and its timer start waiting for the board (or wait afresh).
  void WaitForBoard();
  // Shows the box of the board's refusal of access that the last discovery met, once a wait;
  // nothing when it met none.
  void ReportAccessRefusal();

  // What every command does. A command handler starts with BeginCommand (the outcome is done
  // until something else happens) and ends with the outcome in m_outcome.
  void BeginCommand();
  void SetOutcome(Outcome kind, std::string_view reason = {});
  // UpdateData(true): false when a field failed its check; the user has seen the message, and
  // the failed check is the command's outcome.
  bool ReadFields();
  // True when a board has been found; otherwise the command ends with kNoBoard.
  bool BoardFound();
  // The end of a command that talks to the board: a closed link is its outcome when nothing
  // else went wrong.
  void EndLinkCommand();
  // The stopwatch around one transfer, or a run of transfers timed as one: the microseconds it
  // took.
  std::int64_t Timed(const std::function<void()>& transfer);

  // Parameter panel.
  void FillPinList(ui::CComboBox& list, params::PinSetId set);
  // The eight pin lists in m_nPinIndex order: the Step lists of Motor1..4, then their Dir lists.
  std::array<ui::CComboBox*, params::kPinListCount> PinLists();
  void ApplyPreset(int index);
  // A preset row's values alone: no list selection, no data exchange.
  void ApplyPresetRow(int index);
  void OnCbnSelchangePreset();
  void OnBnClickedBraxoMode();
  void UpdateParameterControls();
  void OnBnClickedConnect();
  void OnBnClickedProgram();

  // Test panel.
  void OnBnClickedStatus();
  void OnBnClickedMotorOn();
  void OnBnClickedMotorOff();
  void OnBnClickedCutForward();
  void OnBnClickedCutBack();
  void OnBnClickedTestBuffer();

  // PIC programmer.
  void OnBnClickedReadPic();
  void OnBnClickedProgramPic();
  void OnBnClickedErasePic();
  void OnEnSetfocusAddr();
  // Offered in the system menu: compare the PIC with a HEX file, save the PIC to one.
  void OnVerifyPic();
  void OnSavePic();
  // The jumper and the reset rule of Read PIC, for a run of reads that starts at `firstAddress`.
  void PrepareReadFrom(std::uint16_t firstAddress);

  // Control members.
  ui::CButton m_checkConnected;
  ui::CButton m_checkPicRevA;
  // Parameter-panel values.
  std::int32_t m_nProtocolV2 = 0;
  std::int32_t m_nTimerPeriod = 0;
  std::int32_t m_nStepDuration = 0;
  std::int32_t m_nDirDelay = 0;
  std::int32_t m_nBraxoMode = 0;
  std::int32_t m_nTimerChoice = 0;
  std::int32_t m_nBoardGeneration = params::kGenerationUnknown;
  ui::CComboBox m_comboStep1;
  ui::CComboBox m_comboStep2;
  ui::CComboBox m_comboStep3;
  ui::CComboBox m_comboStep4;
  ui::CComboBox m_comboDir1;
  ui::CComboBox m_comboDir2;
  ui::CComboBox m_comboDir3;
  ui::CComboBox m_comboDir4;
  ui::CComboBox m_comboPreset;
  ui::CComboBox m_comboMotorOnPin;
  ui::CComboBox m_comboStepMode;
  // Wire data bits after Connect or a preset; after Program ZBK, the list entries the user
  // chose, as the block was written.
  std::array<std::int32_t, params::kPinListCount> m_nPinIndex{};
  std::int32_t m_nMotorOnPin = 0;
  std::int32_t m_nStepMode = 0;
  ui::CListBox m_listLog;
  ui::CEdit m_editStepDuration;
  ui::CEdit m_editDirDelay;
  ui::CButton m_checkBraxoMode;
  ui::CButton m_checkActiveHigh;
  ui::CButton m_radio50k;
  int m_hIcon = 0;  // the application icon's resource id; hosts draw it
  ui::CDialog m_connectPrompt;
  std::uint8_t m_bPicNeedsReset = 0;
  std::uint16_t m_wPicNextAddr = 0;
  std::uint32_t m_nSteps = 0;
  std::uint32_t m_nStepRate = 0;
  std::uint32_t m_nMotors = 0;
  std::uint8_t m_bBoardPresent = 0;
  std::uint32_t m_nCutRepeat = 1;
  hexedit::CHexEdit m_editAddr;
  std::uint8_t m_nJumperPos = 0;

  // Set once a Connect has run the enable rules; from then on presets keep them true.
  bool m_bRulesApplied = false;

  // What the last command came to.
  CommandOutcome m_outcome;

 private:
  // A tick that arrives while an earlier one still runs (its box or its Connect) does nothing.
  bool m_bInTimer = false;
  // While the prompt waits, a board that refuses access is taken for one that udev has not given
  // access to yet: the refusal is shown only after this many ticks in a row (3 s), once a wait.
  static constexpr int kRefusalPatienceTicks = 6;
  int m_nRefusedTicks = 0;
  bool m_bRefusalShown = false;

 protected:
  bool ProcessMessage(const ui::Message& message) override;
};

// The application object: runs the main dialog modally and ends.
class Chid_testApp {
 public:
  bool InitInstance();
};

}  // namespace app
