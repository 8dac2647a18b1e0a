#pragma once
// The Qt host of the window port: dialogs from templates, message boxes, menus, the file dialog,
// the wait cursor and the clipboard. A QApplication must exist for as long as the host does.

#include <QPoint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "program/windowed_host.h"
#include "ui/dialog.h"
#include "ui/window_port.h"

class QWidget;

namespace qthost {

class DialogWindow;

class QtHost : public program::WindowedHost {
 public:
  QtHost();
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  // The first modal dialog run renders itself to a PNG at `path` once shown, then ends with
  // IDCANCEL. Until then message boxes are not shown but answered as if dismissed (IDOK, or
  // IDCANCEL where there is a Cancel button), their text going to standard error.
  void SetScreenshotPath(std::string path) override;
  // Whether the screenshot was taken and written.
  bool ScreenshotWritten() const override { return screenshotWritten_; }

  // ui::Host
  int RunModal(ui::CDialog& dialog, ui::CDialog* owner) override;
  bool CreateModeless(ui::CDialog& dialog, ui::CDialog* owner) override;
  int AppMessageBox(std::string_view text, unsigned type) override;
  std::optional<std::string> GetOpenFileName(std::string_view filterName,
                                             std::string_view pattern) override;
  std::optional<std::string> GetSaveFileName(std::string_view filterName, std::string_view pattern,
                                             std::string_view defaultExtension) override;
  ui::CursorToken SetWaitCursor() override;
  void RestoreCursor(ui::CursorToken token) override;
  // In the innermost modal dialog's window: its title and a bar over its largest list.
  void ShowProgress(std::uint32_t done, std::uint32_t total) override;
  bool OpenClipboard() override;
  void CloseClipboard() override;
  bool IsClipboardTextAvailable() const override;
  std::optional<std::string> GetClipboardText() const override;
  bool SetClipboardText(std::string_view text) override;

  // Shared by the windows.
  int ShowMessageBox(QWidget* owner, std::string_view text, std::string_view caption,
                     unsigned type);
  int TrackMenu(QWidget* owner, std::span<const ui::MenuItem> items, const QPoint& screenPos);
  // Paints what is pending while holding user input back.
  void Repaint();
  bool Repainting() const { return repaintDepth_ > 0; }
  void ScreenshotFinished(bool written);
  // The innermost modal dialog window, null when none runs.
  DialogWindow* TopModal() const;

 private:
  QWidget* BoxOwner() const;

  std::vector<DialogWindow*> modal_;
  // Modeless windows nobody owns; they live as long as the host.
  std::vector<std::unique_ptr<DialogWindow>> unowned_;
  std::string screenshotPath_;
  bool screenshotPending_ = false;
  bool screenshotWritten_ = false;
  int cursorDepth_ = 0;
  int repaintDepth_ = 0;
  bool clipboardOpen_ = false;
};

}  // namespace qthost
