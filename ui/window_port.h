#pragma once
// The window port: what the dialog layer needs of a window system. Controls are addressed by their
// resource id. The Qt host, the Win32 host and the headless host of the tests implement it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ui/key_decision.h"

namespace ui {

class CDialog;

struct Point {
  int x = 0;
  int y = 0;
};

// Screen rectangle in pixels; right and bottom are exclusive.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// Dialog results and message box answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Message box types.
inline constexpr unsigned MB_OK = 0x0000;
inline constexpr unsigned MB_OKCANCEL = 0x0001;
inline constexpr unsigned MB_ICONSTOP = 0x0010;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x0030;
inline constexpr unsigned MB_ICONINFORMATION = 0x0040;
inline constexpr unsigned MB_TYPEMASK = 0x000F;
inline constexpr unsigned MB_ICONMASK = 0x00F0;

// List and combo box results.
inline constexpr int LB_ERR = -1;
inline constexpr int CB_ERR = -1;

// Key codes of the keys the programs look at.
inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_DELETE = 0x2E;
inline constexpr int VK_F1 = 0x70;

enum class MsgKind {
  Command,     // a control notification; id = control id, code = notification
  Timer,       // param = timer id
  SysCommand,  // param = command id
  Paint,
  Destroy,  // the window is about to go
};

enum class Notification {
  Clicked,    // BN_CLICKED (also menu and accelerator commands)
  SelChange,  // CBN_SELCHANGE, LBN_SELCHANGE
  SetFocus,   // EN_SETFOCUS and the like
  KillFocus,
  Update,  // EN_UPDATE: the edit's text changed, before it is drawn
  Change,  // EN_CHANGE
};

struct Message {
  MsgKind kind = MsgKind::Command;
  int id = 0;
  Notification code = Notification::Clicked;
  unsigned param = 0;
};

// A keyboard message as a control sees it before it is translated and dispatched.
struct KeyMessage {
  enum Kind { KeyDown, Char } kind = KeyDown;
  int key = 0;      // KeyDown: key code ('A'..'Z' for letters, VK_*)
  char32_t ch = 0;  // Char: the character (8 for backspace)
  bool ctrl = false;
  bool shift = false;
};

// Implemented by control objects that extend a standard control (subclassing): they see its
// keyboard messages first, its reflected notifications, its context menu and its commands.
class ControlHook {
 public:
  virtual ~ControlHook() = default;
  virtual KeyDecision PreTranslateKey(const KeyMessage& message) = 0;
  virtual void OnReflectedNotify(Notification code) {}
  // True when the control showed its own menu.
  virtual bool OnContextMenu(Point screenPoint) { return false; }
  // Text arriving by a route other than the keyboard: drops, a selection paste, input methods.
  // It replaces the current selection; true lets it in.
  virtual bool AcceptInsertion(std::string_view text) { return true; }
  // Text removed by a key the message filter does not see as such (the word and line deletions
  // of a toolkit's key scheme): the characters from `start` up to `end` go. True lets them go.
  virtual bool AcceptRemoval(std::size_t start, std::size_t end) { return true; }
};

struct MenuItem {
  int id = 0;  // 0 with separator = true for a separator
  std::string text;
  bool separator = false;
  bool grayed = false;
};

class WindowPort {
 public:
  virtual ~WindowPort() = default;

  // Controls.
  virtual bool HasControl(int id) const = 0;
  virtual void SetText(int id, std::string_view text) = 0;
  virtual std::string GetText(int id) const = 0;
  virtual void SetCheck(int id, int state) = 0;
  virtual int GetCheck(int id) const = 0;
  virtual void EnableControl(int id, bool enable) = 0;
  virtual bool IsControlEnabled(int id) const = 0;
  virtual void ShowControl(int id, bool show) = 0;
  virtual bool IsControlVisible(int id) const = 0;
  virtual void SetFocus(int id) = 0;
  virtual int GetFocus() const = 0;  // 0 when no control of this window has it
  virtual void SetDefaultButton(int id) = 0;
  virtual int GetDefaultButton() const = 0;
  virtual void SubclassControl(int id, ControlHook* hook) = 0;

  // List boxes and combo boxes. A sorted list keeps AddString's entries in order; InsertString
  // places the entry at the index (-1: at the end) whatever the style.
  virtual int AddString(int id, std::string_view text) = 0;
  virtual int InsertString(int id, int index, std::string_view text) = 0;
  virtual int DeleteString(int id, int index) = 0;  // the count left, or LB_ERR
  virtual int GetCount(int id) const = 0;
  virtual std::string GetItemText(int id, int index) const = 0;
  // An index outside the entries clears the selection and gives LB_ERR.
  virtual int SetCurSel(int id, int index) = 0;
  virtual int GetCurSel(int id) const = 0;

  // Edits.
  virtual void GetSel(int id, int& start, int& end) const = 0;
  virtual void SetSel(int id, int start, int end) = 0;  // end -1: to the end of the text
  virtual void ReplaceSel(int id, std::string_view text) = 0;
  virtual bool CanUndo(int id) const = 0;
  virtual bool IsReadOnly(int id) const = 0;
  // The standard edit commands: undo, cut, copy, paste, clear. Paste takes the clipboard's text.
  virtual void Undo(int id) = 0;
  virtual void Cut(int id) = 0;
  virtual void Copy(int id) = 0;
  virtual void Paste(int id) = 0;
  virtual void Clear(int id) = 0;

  // The window.
  virtual Rect GetWindowRect() const = 0;
  virtual void MoveWindow(const Rect& rect, bool repaint) = 0;
  virtual void ShowWindow(bool show) = 0;
  virtual bool IsWindowVisible() const = 0;
  virtual bool IsIconic() const = 0;
  virtual void SetTimer(int timerId, unsigned periodMs) = 0;
  virtual void KillTimer(int timerId) = 0;
  // The window's system menu; hosts without one offer its items another way.
  virtual void AppendSystemMenuSeparator() = 0;
  virtual void AppendSystemMenuItem(int command, std::string_view text) = 0;
  // Message box owned by this window; the answer is IDOK or IDCANCEL.
  virtual int MessageBox(std::string_view text, std::string_view caption, unsigned type) = 0;
  // The chosen command id, 0 when the menu was dismissed.
  virtual int TrackPopupMenu(std::span<const MenuItem> items, Point screenPoint) = 0;
  // Lets pending paints through while a long command holds the thread; user input stays queued.
  virtual void RepaintNow() = 0;
  // Ends a modal dialog with `result`, or destroys a modeless one.
  virtual void EndDialog(int result) = 0;
};

// A wait cursor token: restoring it brings back the cursor it replaced.
struct CursorToken {
  int depth = 0;
};

// The window system and the application-wide services.
class Host {
 public:
  virtual ~Host() = default;

  // Creates the dialog's window, runs OnInitDialog and the modal loop; returns EndDialog's result.
  virtual int RunModal(CDialog& dialog, CDialog* owner) = 0;
  // Creates a modeless window (visible when the template says so); false on failure.
  virtual bool CreateModeless(CDialog& dialog, CDialog* owner) = 0;

  // A message box with the application's name as caption.
  virtual int AppMessageBox(std::string_view text, unsigned type) = 0;
  // The open-file dialog with one filter; nullopt when the user cancels.
  virtual std::optional<std::string> GetOpenFileName(std::string_view filterName,
                                                     std::string_view pattern) = 0;
  // The save-file dialog with one filter; it asks before it lets an existing file be chosen, and
  // adds `defaultExtension` (without its dot) to a name typed without one. nullopt on cancel.
  virtual std::optional<std::string> GetSaveFileName(std::string_view filterName,
                                                     std::string_view pattern,
                                                     std::string_view defaultExtension) = 0;

  virtual CursorToken SetWaitCursor() = 0;
  virtual void RestoreCursor(CursorToken token) = 0;
  // How far a long run has got: `done` of `total` steps. A total of 0 ends the run: nothing is
  // shown any more. Hosts without a place for it ignore it.
  virtual void ShowProgress(std::uint32_t done, std::uint32_t total) {}

  // The clipboard, text only. Open before reading or writing; Close after.
  virtual bool OpenClipboard() = 0;
  virtual void CloseClipboard() = 0;
  virtual bool IsClipboardTextAvailable() const = 0;
  virtual std::optional<std::string> GetClipboardText() const = 0;
  virtual bool SetClipboardText(std::string_view text) = 0;
};

// The host of the running program; set once at start.
void SetHost(Host* host);
Host& CurrentHost();

// A message box with the application's caption, as the framework shows them.
int AfxMessageBox(std::string_view text, unsigned type = MB_OK);

}  // namespace ui
