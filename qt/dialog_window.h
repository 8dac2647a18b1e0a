#pragma once
// A dialog window built from a template (qt/dialog_builder.h): the Qt side of one CDialog. It
// turns widget events into the dialog's messages and answers the window port's calls on its
// controls.

#include <QDialog>
#include <QProgressBar>
#include <QString>
#include <map>
#include <memory>
#include <vector>

#include "qt/dialog_builder.h"
#include "ui/dialog.h"
#include "ui/resources.h"
#include "ui/window_port.h"

class QEventLoop;
class QTimer;

namespace qthost {

class QtHost;

class DialogWindow : public QDialog, public ui::WindowPort {
 public:
  enum class Mode { Modal, Modeless };

  // `owner` is the window this one belongs to (null: none); a modeless window with an owner is
  // still a top-level window of its own.
  DialogWindow(QtHost& host, ui::CDialog& dialog, const ui::DialogTemplate& tmpl, QWidget* owner,
               Mode mode);
  ~DialogWindow() override;

  ui::CDialog& Dialog() const { return dialog_; }
  const ui::DialogTemplate& Template() const { return tmpl_; }
  Mode WindowMode() const { return mode_; }

  // The widget of the control with this id, null when there is none.
  QWidget* Control(int id) const;
  using Entry = ControlEntry;
  // Every control of the template, in template order.
  const std::vector<Entry>& Entries() const { return entries_; }

  // The first visible, enabled tab stop takes the focus.
  void FocusFirstTabStop();
  // Centres the window on `owner`, or on the screen.
  void CentreOn(QWidget* owner);
  // Shows the window application-modal and runs its loop until EndDialog; returns the result.
  // An EndDialog that came earlier (during initialisation) ends it before it shows.
  int RunModalLoop();
  bool EndRequested() const { return ended_; }
  // Renders the window to a PNG once it is shown and painted, then ends it with IDCANCEL.
  void ScreenshotWhenShown(const QString& path);

  // Modeless windows this one owns: they go when it goes.
  void Adopt(std::unique_ptr<DialogWindow> window);
  // The dialog hears Destroy (owned windows first), then loses its window. Nothing reaches the
  // dialog after this.
  void TearDown();

  const std::vector<ui::MenuItem>& SystemMenu() const { return systemMenu_; }
  // Offers the system menu's items at a screen point and carries out the chosen one.
  void ShowSystemMenu(const QPoint& screenPos);

  // A long run's progress, "done of total", in the title and in a bar over the bottom of the
  // window's largest list (the log), or of the window when it has none. A total of 0 takes both
  // away. The bar shows at the next paint.
  void ShowProgress(std::uint32_t done, std::uint32_t total);
  // The bar while a run shows it, else null.
  QProgressBar* ProgressBar() const {
    return progress_ && progress_->isVisible() ? progress_ : nullptr;
  }

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
  int GetDefaultButton() const override { return defaultId_; }
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

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct ListState {
    int pendingScroll = -1;  // a row to bring into view once the window shows
  };

  void Build();
  // Turns the control's signals into the dialog's messages.
  void Connect(const Entry& entry);
  const ui::ControlTemplate* TemplateOf(int id) const;
  void Send(const ui::Message& message);
  void Command(int id, ui::Notification code);
  void PressDefaultButton();
  void OnTimerTick(int timerId);
  void TakeScreenshot();
  // Programmatic list changes must not look like the user's.
  struct Quiet;

  QtHost& host_;
  ui::CDialog& dialog_;
  const ui::DialogTemplate& tmpl_;
  Mode mode_;
  bool detached_ = false;
  bool ended_ = false;
  int result_ = ui::IDCANCEL;
  QEventLoop* loop_ = nullptr;
  int defaultId_ = ui::IDOK;
  int quiet_ = 0;
  std::vector<Entry> entries_;
  std::map<int, QWidget*> byId_;
  std::map<int, ListState> lists_;
  std::map<int, std::unique_ptr<QTimer>> timers_;
  std::vector<ui::MenuItem> systemMenu_;
  std::vector<std::unique_ptr<DialogWindow>> owned_;
  QString screenshotPath_;
  QProgressBar* progress_ = nullptr;  // a Qt child, made at the first run
  QString titleBeforeProgress_;
};

}  // namespace qthost
