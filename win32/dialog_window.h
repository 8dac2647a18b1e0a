#pragma once
// A dialog window made by the system's dialog manager from an in-memory template
// (win32/dialog_builder.h): the Win32 side of one CDialog. It turns the window's messages into the
// dialog's and answers the window port's calls on its controls.

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/resources.h"
#include "ui/window_port.h"
#include "win32/win32_api.h"

namespace win32host {

class Win32Host;

// Messages of our own, posted to dialog windows.
inline constexpr UINT kCaptureMessage = WM_APP + 1;

class DialogWindow : public ui::WindowPort {
 public:
  enum class Mode { Modal, Modeless };

  DialogWindow(Win32Host& host, ui::CDialog& dialog, const ui::DialogTemplate& tmpl, Mode mode);
  // Destroys the window if it is still there, without telling the dialog.
  ~DialogWindow() override;
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  // Creates the window owned by `owner` (may be null); the dialog's OnInitDialog runs inside.
  bool Create(HWND owner);
  // Hides the window and destroys it; the dialog hears Destroy (owned windows first).
  void Destroy();

  HWND Hwnd() const { return hwnd_; }
  ui::CDialog& Dialog() const { return dialog_; }
  const ui::DialogTemplate& Template() const { return tmpl_; }
  Mode WindowMode() const { return mode_; }
  // A modal EndDialog has been asked for, and its result.
  bool Ended() const { return ended_; }
  int Result() const { return result_; }

  // The control window of the template entry at `index`, null when there is none.
  HWND ControlAt(std::size_t index) const;
  HWND Control(int id) const;
  const std::vector<ui::MenuItem>& SystemMenu() const { return systemMenu_; }
  // Help (F1) asks for the first item the program put in the system menu, its About item; false
  // when there is none.
  bool AskForHelp();
  // One line a control, in template order: id, class, rectangle in client pixels, state, text.
  std::string DescribeControls() const;

  // ui::WindowPort
  bool HasControl(int id) const override;
  void SetText(int id, std::string_view text) override;
  std::string GetText(int id) const override;
  void SetCheck(int id, int state) override;
  int GetCheck(int id) const override;
  void EnableControl(int id, bool enable) override;
  bool IsControlEnabled(int id) const override;
  void ShowControl(int id, bool show) override;
  bool IsControlVisible(int id) const override;
  void SetFocus(int id) override;
  int GetFocus() const override;
  void SetDefaultButton(int id) override;
  int GetDefaultButton() const override;
  void SubclassControl(int id, ui::ControlHook* hook) override;
  int AddString(int id, std::string_view text) override;
  int InsertString(int id, int index, std::string_view text) override;
  int DeleteString(int id, int index) override;
  int GetCount(int id) const override;
  std::string GetItemText(int id, int index) const override;
  int SetCurSel(int id, int index) override;
  int GetCurSel(int id) const override;
  void GetSel(int id, int& start, int& end) const override;
  void SetSel(int id, int start, int end) override;
  void ReplaceSel(int id, std::string_view text) override;
  bool CanUndo(int id) const override;
  bool IsReadOnly(int id) const override;
  void Undo(int id) override;
  void Cut(int id) override;
  void Copy(int id) override;
  void Paste(int id) override;
  void Clear(int id) override;
  ui::Rect GetWindowRect() const override;
  void MoveWindow(const ui::Rect& rect, bool repaint) override;
  void ShowWindow(bool show) override;
  bool IsWindowVisible() const override;
  bool IsIconic() const override;
  void SetTimer(int timerId, unsigned periodMs) override;
  void KillTimer(int timerId) override;
  void AppendSystemMenuSeparator() override;
  void AppendSystemMenuItem(int command, std::string_view text) override;
  int MessageBox(std::string_view text, std::string_view caption, unsigned type) override;
  int TrackPopupMenu(std::span<const ui::MenuItem> items, ui::Point screenPoint) override;
  void RepaintNow() override;
  void EndDialog(int result) override;

  // A long run's progress, "done of total", in the title and in a progress bar over the bottom
  // of the window's largest list (the log). A total of 0 takes both away.
  void ShowProgress(std::uint32_t done, std::uint32_t total);
  // The bar while a run shows it, else null.
  HWND ProgressBar() const {
    return progress_ && ::IsWindowVisible(progress_) ? progress_ : nullptr;
  }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK HookedControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR data);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleHookedMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog(HWND hwnd);
  void OnCommandMessage(WPARAM wParam, LPARAM lParam);
  void CentreOnOwner();
  const ui::ControlTemplate* TemplateOf(int id) const;
  ui::ControlKind KindOf(int id) const;
  void Send(const ui::Message& message);
  void Command(int id, ui::Notification code);
  ui::ControlHook* HookOf(HWND control) const;

  Win32Host& host_;
  ui::CDialog& dialog_;
  const ui::DialogTemplate& tmpl_;
  Mode mode_;
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  bool detached_ = false;    // the dialog has heard Destroy: nothing more reaches it
  bool destroying_ = false;  // inside WM_DESTROY
  bool noClose_ = false;     // the template has no system menu: no close command
  bool ended_ = false;
  int result_ = IDCANCEL;
  std::vector<HWND> controls_;  // in template order
  std::map<HWND, ui::ControlHook*> hooks_;
  std::vector<UINT_PTR> timers_;
  std::vector<ui::MenuItem> systemMenu_;
  bool inHelp_ = false;      // the help the dialog gives is up
  HWND progress_ = nullptr;  // a child, made at the first run
  std::wstring titleBeforeProgress_;
};

// The popup menu of `items`, for TrackPopupMenu; the caller destroys it.
HMENU BuildPopupMenu(std::span<const ui::MenuItem> items);

}  // namespace win32host
