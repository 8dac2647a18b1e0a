#pragma once
// A window of the headless host: its controls live in memory, and the test acts as the user on
// them. Lists, combos, edits and buttons copy the native controls' rules where the dialog can
// see the difference (selections that move on insert and delete, sorted insertion, the edit's
// selection, one-level undo, automatic check boxes and radio groups); each place says so.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog.h"
#include "ui/resources.h"
#include "ui/window_port.h"

namespace headless {

class HeadlessHost;

class HeadlessWindow final : public ui::WindowPort {
 public:
  HeadlessWindow(HeadlessHost& host, ui::CDialog& dialog, const ui::DialogTemplate& tmpl,
                 HeadlessWindow* owner, bool modal);

  ui::CDialog& Dialog() const { return *dialog_; }
  const ui::DialogTemplate& Template() const { return *tmpl_; }
  HeadlessWindow* Owner() const { return owner_; }
  bool IsModal() const { return modal_; }
  bool Ended() const { return ended_; }
  int Result() const { return result_; }
  bool Destroyed() const { return destroyed_; }

  // What a user does. Each action delivers the messages the real window would, and a disabled or
  // hidden control takes no input.
  void Click(int id);
  void SelectItem(int id, int index);  // a user's choice in a list or combo box
  void Focus(int id);
  // Types characters into the focused edit (it takes the focus first).
  void Type(int id, std::string_view text);
  // Shift+Insert pastes, Ctrl+Insert copies and Shift+Delete cuts, as in a standard edit.
  void KeyDown(int id, int key, bool ctrl = false, bool shift = false);
  void PressEnter();
  void PressEscape();
  void SysCommand(unsigned command);

  // State for tests.
  std::vector<std::string> Items(int id) const;
  const std::vector<ui::MenuItem>& SystemMenu() const { return systemMenu_; }
  bool TimerRunning(int timerId) const { return timers_.count(timerId) != 0; }
  unsigned TimerPeriod(int timerId) const;
  int RepaintCount() const { return repaints_; }

  // WindowPort.
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
  int GetFocus() const override { return focus_; }
  void SetDefaultButton(int id) override { defaultButton_ = id; }
  int GetDefaultButton() const override { return defaultButton_; }
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
  ui::Rect GetWindowRect() const override { return rect_; }
  void MoveWindow(const ui::Rect& rect, bool repaint) override { rect_ = rect; }
  void ShowWindow(bool show) override { visible_ = show; }
  bool IsWindowVisible() const override { return visible_ && !destroyed_; }
  bool IsIconic() const override { return false; }
  void SetTimer(int timerId, unsigned periodMs) override;
  void KillTimer(int timerId) override { timers_.erase(timerId); }
  void AppendSystemMenuSeparator() override;
  void AppendSystemMenuItem(int command, std::string_view text) override;
  int MessageBox(std::string_view text, std::string_view caption, unsigned type) override;
  int TrackPopupMenu(std::span<const ui::MenuItem> items, ui::Point screenPoint) override;
  void RepaintNow() override { ++repaints_; }
  void EndDialog(int result) override;

 private:
  friend class HeadlessHost;
  struct Control {
    const ui::ControlTemplate* tmpl = nullptr;
    std::string text;
    int check = 0;
    bool enabled = true;
    bool visible = true;
    std::vector<std::string> items;
    int curSel = -1;
    int selStart = 0;
    int selEnd = 0;
    std::optional<std::string> undoText;
    ui::ControlHook* hook = nullptr;
  };
  struct Timer {
    unsigned periodMs = 0;
    std::int64_t dueUs = 0;
  };

  Control* Find(int id);
  const Control* Find(int id) const;
  bool TakesInput(const Control* c) const;
  bool IsEdit(const Control* c) const;
  void Notify(int id, ui::Notification code);
  void TextChanged(int id);
  void EditReplace(int id, std::string_view text, bool keepUndo);
  void SetFocusTo(int id, bool notify);

  HeadlessHost& host_;
  ui::CDialog* dialog_;
  const ui::DialogTemplate* tmpl_;
  HeadlessWindow* owner_;
  bool modal_;
  std::map<int, Control> controls_;
  ui::Rect rect_;
  bool visible_ = false;
  bool ended_ = false;
  bool destroyed_ = false;
  int result_ = 0;
  int focus_ = 0;
  int defaultButton_ = 0;
  std::map<int, Timer> timers_;
  std::vector<ui::MenuItem> systemMenu_;
  int repaints_ = 0;
};

}  // namespace headless
