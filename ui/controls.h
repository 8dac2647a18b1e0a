#pragma once
// Control objects: thin handles on a control of a dialog's window, addressed by id. A control
// object that is not bound, or whose dialog has no window, does nothing and reads as empty.

#include <string>
#include <string_view>

#include "ui/window_port.h"

namespace ui {

class CDialog;

class CWnd {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  virtual ~CWnd() = default;

  void Bind(CDialog* owner, int id);
  bool IsBound() const { return owner_ != nullptr; }
  int GetDlgCtrlID() const { return id_; }
  // The window port of the owning dialog, null when there is no window.
  WindowPort* Port() const;

  void EnableWindow(bool enable);
  bool IsWindowEnabled() const;
  void ShowWindow(bool show);
  bool IsWindowVisible() const;
  void SetWindowText(std::string_view text);
  std::string GetWindowText() const;
  void SetFocus();

  // Control objects that extend the standard control return their hook.
  virtual ControlHook* Hook() { return nullptr; }

 protected:
  CDialog* owner_ = nullptr;
  int id_ = 0;
};

class CButton : public CWnd {
 public:
  void SetCheck(int state);
  int GetCheck() const;
};

class CEdit : public CWnd {
 public:
  void GetSel(int& start, int& end) const;
  void SetSel(int start, int end);
  void ReplaceSel(std::string_view text);
  bool CanUndo() const;
  bool IsReadOnly() const;
  void Undo();
  void Cut();
  void Copy();
  void Paste();
  void Clear();
};

class CListBox : public CWnd {
 public:
  int AddString(std::string_view text);
  int InsertString(int index, std::string_view text);
  int DeleteString(int index);
  int GetCount() const;
  int SetCurSel(int index);
  int GetCurSel() const;
  std::string GetText(int index) const;
};

class CComboBox : public CWnd {
 public:
  int AddString(std::string_view text);
  int InsertString(int index, std::string_view text);
  int DeleteString(int index);
  int GetCount() const;
  int SetCurSel(int index);
  int GetCurSel() const;
  std::string GetLBText(int index) const;
  void ResetContent();
};

}  // namespace ui
