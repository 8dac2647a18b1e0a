#pragma once
// The Win32 host of the window port: dialogs built from the resource tables by the system's
// dialog manager, run in a modal loop of our own (so that subclassed controls see their keys
// before translation), message boxes, the open-file dialog, the wait cursor and the clipboard.

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "program/windowed_host.h"
#include "ui/dialog.h"
#include "ui/window_port.h"
#include "win32/win32_api.h"

namespace win32host {

class DialogWindow;

class Win32Host : public program::WindowedHost {
 public:
  Win32Host();
  ~Win32Host() override;
  Win32Host(const Win32Host&) = delete;
  Win32Host& operator=(const Win32Host&) = delete;

  // The first modal dialog run writes its picture to a PNG at `path` once it is shown and
  // painted, then ends with IDCANCEL. Until then message boxes are not shown but answered as if
  // dismissed (IDOK, or IDCANCEL where there is a Cancel button), their text going to standard
  // error.
  void SetScreenshotPath(std::string path) override;
  bool ScreenshotWritten() const override { return screenshotWritten_; }
  // Likewise, the first modal dialog writes its controls, as the system made them, to `out`.
  void SetControlListing(std::FILE* out);

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
  int ShowMessageBox(HWND owner, std::string_view text, std::string_view caption, unsigned type);
  // Lets pending WM_PAINT messages through, and nothing else.
  void Repaint();
  bool WaitCursorShown() const { return !cursors_.empty(); }
  HICON BigIcon() const { return bigIcon_; }
  HICON SmallIcon() const { return smallIcon_; }
  // The innermost modal dialog window, null when none runs.
  DialogWindow* TopModal() const { return modal_.empty() ? nullptr : modal_.back(); }
  // Whether `hwnd` is one of the dialog windows of this host.
  bool IsDialogWindow(HWND hwnd) const { return WindowFor(hwnd) != nullptr; }
  DialogWindow* WindowFor(HWND hwnd) const;

  // Keyboard messages for subclassed controls go to their hook before translation: true when the
  // hook swallowed the message; a replaced character is written back into `msg`. F1 in a dialog
  // asks it for help.
  bool PreTranslate(MSG& msg);
  void RegisterHook(HWND control, ui::ControlHook* hook);
  void UnregisterHook(HWND control);

  // Called by the first shown modal window when a picture or a listing was asked for.
  bool CapturePending() const { return !screenshotPath_.empty() || listing_ != nullptr; }
  void Capture(DialogWindow& window);

 private:
  void RunLoop(DialogWindow& window);

  std::vector<DialogWindow*> modal_;
  // Modeless windows; they live as long as the host.
  std::vector<std::unique_ptr<DialogWindow>> modeless_;
  std::map<HWND, ui::ControlHook*> hooks_;
  std::vector<HCURSOR> cursors_;  // the cursor each wait cursor replaced
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  std::string screenshotPath_;
  std::FILE* listing_ = nullptr;
  bool captureQueued_ = false;
  bool capturing_ = false;  // boxes are answered, not shown, until the capture is done
  bool screenshotWritten_ = false;
  HWND clipboardWindow_ = nullptr;
  bool clipboardOpen_ = false;
};

}  // namespace win32host
