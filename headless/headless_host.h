#pragma once
// The headless host: windows whose controls live in memory, message boxes that are recorded and
// answered from a script, timers that run on the virtual clock. Tests and batch runs use it.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clock/clock.h"
#include "headless/headless_window.h"
#include "headless/shown_box.h"
#include "ui/dialog.h"
#include "ui/window_port.h"

namespace headless {

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
  int SaveDialogsShown() const { return saveDialogs_; }

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
  // Called for every progress value shown, as it is shown.
  void SetProgressShown(std::function<void(const Progress&)> callback) {
    progressShown_ = std::move(callback);
  }

  // Host.
  int RunModal(ui::CDialog& dialog, ui::CDialog* owner) override;
  bool CreateModeless(ui::CDialog& dialog, ui::CDialog* owner) override;
  int AppMessageBox(std::string_view text, unsigned type) override;
  std::optional<std::string> GetOpenFileName(std::string_view filterName,
                                             std::string_view pattern) override;
  // Answered from the same queue as the open-file dialog; the script stands for the user, who has
  // already agreed to replace a file that exists.
  std::optional<std::string> GetSaveFileName(std::string_view filterName, std::string_view pattern,
                                             std::string_view defaultExtension) override;
  ui::CursorToken SetWaitCursor() override;
  void RestoreCursor(ui::CursorToken token) override;
  void ShowProgress(std::uint32_t done, std::uint32_t total) override {
    progress_.push_back({done, total});
    if (progressShown_) progressShown_(progress_.back());
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
  int saveDialogs_ = 0;
  std::string lastFilter_;
  std::deque<int> menuChoices_;
  std::vector<ui::MenuItem> lastMenu_;
  std::optional<std::string> clipboard_;
  bool clipboardOpen_ = false;
  bool clipboardLocked_ = false;
  int cursorDepth_ = 0;
  int waitCursors_ = 0;
  std::vector<Progress> progress_;
  std::function<void(const Progress&)> progressShown_;
  bool reaping_ = false;
};

}  // namespace headless
