#pragma once
// The headless host: windows whose controls live in memory, message boxes that are recorded and
// answered from a script, timers that run on the virtual clock. Tests and batch runs use it.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clock/clock.h"
#include "ui/dialog.h"
#include "ui/resources.h"
#include "ui/window_port.h"

namespace headless {

class HeadlessHost;

struct ShownBox {
  std::string text;
  std::string caption;
  unsigned type = 0;
  int answer = 0;
};

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

class HeadlessHost final : public ui::Host {
 public:
  // Timers run on `clock`: a virtual clock in tests, which AdvanceTime moves on at no cost, or
  // the system clock, on which AdvanceTime sleeps until each tick is due.
  explicit HeadlessHost(clk::Clock& clock) : clock_(clock) {}
  ~HeadlessHost() override;

  // Creates the dialog's window and runs OnInitDialog, without a modal loop: the caller acts as
  // the user, then closes it (PressEscape, Click(IDOK), or Close).
  HeadlessWindow& Open(ui::CDialog& dialog);
  // Ends and destroys every window still open.
  void CloseAll();

  // Moves the virtual clock on, delivering the timer ticks that fall due, in order.
  void AdvanceTime(std::int64_t ms);

  // Message boxes: every one shown, and the answers to give (default: IDOK).
  const std::vector<ShownBox>& Boxes() const { return boxes_; }
  void ClearBoxes() { boxes_.clear(); }
  void QueueAnswer(int answer) { answers_.push_back(answer); }
  // Chooses the answer to a box when the queue is empty (default without one: IDOK). Boxes with
  // an OK button only are answered IDOK whatever it says.
  void SetAnswerer(std::function<int(const ShownBox&)> answerer) {
    answerer_ = std::move(answerer);
  }
  // Runs while a box is open, as a modal loop would let timers and other messages through.
  void SetWhileBoxOpen(std::function<void(const ShownBox&)> callback) {
    whileBoxOpen_ = std::move(callback);
  }

  // Modal dialogs run from handlers (the About box): their template ids, in order. Each is
  // initialised, then handed to the driver if one is set, else ended with IDOK.
  const std::vector<int>& ModalsShown() const { return modals_; }
  void SetModalDriver(std::function<void(HeadlessWindow&)> driver) {
    modalDriver_ = std::move(driver);
  }

  // The file dialog: requests seen and the answers to give (default: cancelled).
  void QueueFileAnswer(std::optional<std::string> path) { fileAnswers_.push_back(std::move(path)); }
  int FileDialogsShown() const { return fileDialogs_; }
  const std::string& LastFileFilter() const { return lastFilter_; }

  // Popup menus: the items of the last one, and the commands to choose (default: none).
  void QueueMenuChoice(int command) { menuChoices_.push_back(command); }
  const std::vector<ui::MenuItem>& LastMenu() const { return lastMenu_; }

  // Clipboard state for tests.
  void SetClipboard(std::optional<std::string> text) { clipboard_ = std::move(text); }
  const std::optional<std::string>& Clipboard() const { return clipboard_; }
  void SetClipboardLocked(bool locked) { clipboardLocked_ = locked; }

  int WaitCursorDepth() const { return cursorDepth_; }
  int WaitCursorsShown() const { return waitCursors_; }

  // Progress of long runs: every value shown, in order; the last one is what the user sees.
  struct Progress {
    std::uint32_t done = 0;
    std::uint32_t total = 0;
    friend bool operator==(const Progress&, const Progress&) = default;
  };
  const std::vector<Progress>& ProgressShown() const { return progress_; }
  std::optional<Progress> LastProgress() const {
    if (progress_.empty()) return std::nullopt;
    return progress_.back();
  }

  std::vector<HeadlessWindow*> Windows();

  // Called for every entry added to a list or combo box of any window, once it is in: the
  // window, the control, the entry's index and its text.
  using ItemInsertedCallback =
      std::function<void(HeadlessWindow&, int id, int index, std::string_view text)>;
  void SetItemInserted(ItemInsertedCallback callback) { itemInserted_ = std::move(callback); }

  // Host.
  int RunModal(ui::CDialog& dialog, ui::CDialog* owner) override;
  bool CreateModeless(ui::CDialog& dialog, ui::CDialog* owner) override;
  int AppMessageBox(std::string_view text, unsigned type) override;
  std::optional<std::string> GetOpenFileName(std::string_view filterName,
                                             std::string_view pattern) override;
  ui::CursorToken SetWaitCursor() override;
  void RestoreCursor(ui::CursorToken token) override;
  void ShowProgress(std::uint32_t done, std::uint32_t total) override {
    progress_.push_back({done, total});
  }
  bool OpenClipboard() override;
  void CloseClipboard() override { clipboardOpen_ = false; }
  bool IsClipboardTextAvailable() const override { return clipboard_.has_value(); }
  std::optional<std::string> GetClipboardText() const override;
  bool SetClipboardText(std::string_view text) override;

  int ShowBox(std::string_view text, std::string_view caption, unsigned type);
  // Destroys windows whose modal loop has ended.
  void Reap();

 private:
  friend class HeadlessWindow;
  HeadlessWindow* WindowOf(ui::CDialog* dialog);
  HeadlessWindow& Create(ui::CDialog& dialog, ui::CDialog* owner, bool modal);
  void Destroy(HeadlessWindow& window);
  void ItemInserted(HeadlessWindow& window, int id, int index, std::string_view text);

  clk::Clock& clock_;
  std::vector<std::unique_ptr<HeadlessWindow>> windows_;
  std::vector<ShownBox> boxes_;
  std::deque<int> answers_;
  std::function<void(const ShownBox&)> whileBoxOpen_;
  std::function<int(const ShownBox&)> answerer_;
  ItemInsertedCallback itemInserted_;
  std::vector<int> modals_;
  std::function<void(HeadlessWindow&)> modalDriver_;
  std::deque<std::optional<std::string>> fileAnswers_;
  int fileDialogs_ = 0;
  std::string lastFilter_;
  std::deque<int> menuChoices_;
  std::vector<ui::MenuItem> lastMenu_;
  std::optional<std::string> clipboard_;
  bool clipboardOpen_ = false;
  bool clipboardLocked_ = false;
  int cursorDepth_ = 0;
  int waitCursors_ = 0;
  std::vector<Progress> progress_;
  bool reaping_ = false;
};

}  // namespace headless
