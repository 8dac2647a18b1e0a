#pragma once
// Shared by the Win32 host tests: the host with the program's resources and a small dialog of
// its own, the check that the window system is there, and a message pump that stops.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "app/resources.h"
#include "hexedit/hex_edit.h"
#include "ui/data_exchange.h"
#include "ui/dialog.h"
#include "ui/resources.h"
#include "win32/dialog_window.h"
#include "win32/win32_host.h"

namespace win32test {

inline constexpr int kSmallDialog = 900;
inline constexpr int kAddrEdit = 901;
inline constexpr int kButton = 902;
inline constexpr int kList = 903;

inline const ui::ControlTemplate kSmallControls[] = {
    {ui::ControlKind::Edit,
     kAddrEdit,
     "",
     {10, 10, 60, 14},
     ui::kVisible | ui::kTabStop | ui::kBorder | ui::kAutoHScroll},
    {ui::ControlKind::PushButton, kButton, "Go", {80, 10, 40, 14}, ui::kVisible | ui::kTabStop},
    {ui::ControlKind::ListBox,
     kList,
     "",
     {10, 30, 110, 40},
     ui::kVisible | ui::kTabStop | ui::kSort | ui::kNotify | ui::kVScroll | ui::kBorder},
};

inline const ui::DialogTemplate kSmall{
    kSmallDialog,   "Small", {0, 0, 130, 80}, ui::kDsCaption | ui::kDsSysMenu | ui::kDsModalFrame,
    "MS Shell Dlg", 8,       kSmallControls,
};

// The small dialog: the edit is a CHexEdit, and every message the dialog hears is kept.
class SmallDialog : public ui::CDialog {
 public:
  SmallDialog() : CDialog(kSmallDialog) {}
  void DoDataExchange(ui::CDataExchange& dx) override { ui::DDX_Control(dx, kAddrEdit, edit); }
  hexedit::CHexEdit edit;
  std::vector<ui::Message> heard;

 protected:
  bool ProcessMessage(const ui::Message& m) override {
    heard.push_back(m);
    return false;
  }
};

class Win32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::SetResources(&resources_);
    host_ = std::make_unique<win32host::Win32Host>();
    ui::SetHost(host_.get());
    // Wine makes no window without a display; the tests then run under xvfb-run.
    const HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                       nullptr, nullptr);
    if (!probe) {
      if (std::getenv("CI") != nullptr) FAIL() << "no window system: run under xvfb-run";
      GTEST_SKIP() << "no window system (run under xvfb-run)";
    }
    DestroyWindow(probe);
  }
  void TearDown() override {
    ui::SetHost(nullptr);
    host_.reset();
    ui::SetResources(nullptr);
  }

  // Runs the queued messages through the host's translation, as its modal loop does.
  void Pump() {
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) Deliver(msg);
  }
  // Waits for messages until `done` says so; false when it never did within `rounds` waits.
  bool PumpUntil(const std::function<bool()>& done, int rounds = 200) {
    for (int i = 0; i < rounds && !done(); ++i) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      Pump();
    }
    return done();
  }
  void Deliver(MSG& msg) {
    if (host_->PreTranslate(msg)) return;
    const HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (host_->IsDialogWindow(root) && IsDialogMessageW(root, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // A keyboard message for `hwnd` as the queue would hand it out, delivered.
  void Key(HWND hwnd, UINT message, WPARAM wParam) {
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    Deliver(msg);
  }
  static void HoldCtrl(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    keys[VK_LCONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  }
  // The window of a dialog created by the host.
  static win32host::DialogWindow& WindowOf(ui::CDialog& dialog) {
    return *dynamic_cast<win32host::DialogWindow*>(dialog.GetWindow());
  }

  const ui::DialogTemplate* const dialogs_[4] = {&app::AboutDialogTemplate(),
                                                 &app::MainDialogTemplate(),
                                                 &app::ConnectPromptTemplate(), &kSmall};
  const ui::Resources resources_{"zbk-utility", dialogs_, app::ProgramResources().strings};
  std::unique_ptr<win32host::Win32Host> host_;
};

}  // namespace win32test
