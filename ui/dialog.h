#pragma once
// CDialog: a dialog built from a template, with data exchange and a message map. The host owns the
// window; the dialog object owns its state and outlives its window.

#include <functional>
#include <vector>

#include "ui/resources.h"
#include "ui/window_port.h"

namespace ui {

class CDataExchange;

class CDialog {
 public:
  explicit CDialog(int templateId);
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;
  virtual ~CDialog() = default;

  // Runs the dialog modally on the current host; returns EndDialog's result.
  int DoModal(CDialog* owner = nullptr);
  // Creates the dialog as a modeless window owned by `owner`.
  bool Create(int templateId, CDialog* owner);

  int TemplateId() const { return templateId_; }
  const DialogTemplate* Template() const;
  WindowPort* GetWindow() const { return window_; }
  bool HasWindow() const { return window_ != nullptr; }

  // Reads the controls into the members (true) or shows the members (false). False when a value
  // failed its check: the user has been told and the failing control has the focus.
  bool UpdateData(bool saveAndValidate = true);
  void EndDialog(int result);

  // Overridables, as the framework calls them.
  virtual bool OnInitDialog();
  virtual void DoDataExchange(CDataExchange& dx) {}
  virtual void OnOK();
  virtual void OnCancel();

  // Host side: attach the created window (null when it is gone), and deliver a message. A message
  // nobody handles gets the default handling; Dispatch says whether anything handled it.
  void AttachWindow(WindowPort* window) { window_ = window; }
  bool Dispatch(const Message& message);

 protected:
  // The message map of the class; the base has none.
  virtual bool ProcessMessage(const Message& message) { return false; }

 private:
  int templateId_;
  WindowPort* window_ = nullptr;
};

// A message map: entries in order, the first that matches handles the message.
template <class D>
class MessageMap {
 public:
  using Handler = std::function<void(D&, const Message&)>;

  MessageMap& OnCommand(int id, Notification code, void (D::*fn)()) {
    entries_.push_back({MsgKind::Command, id, code, [fn](D& d, const Message&) { (d.*fn)(); }});
    return *this;
  }
  MessageMap& OnClicked(int id, void (D::*fn)()) {
    return OnCommand(id, Notification::Clicked, fn);
  }
  MessageMap& OnTimer(void (D::*fn)(unsigned)) {
    entries_.push_back({MsgKind::Timer, 0, Notification::Clicked,
                        [fn](D& d, const Message& m) { (d.*fn)(m.param); }});
    return *this;
  }
  MessageMap& OnSysCommand(void (D::*fn)(unsigned)) {
    entries_.push_back({MsgKind::SysCommand, 0, Notification::Clicked,
                        [fn](D& d, const Message& m) { (d.*fn)(m.param); }});
    return *this;
  }
  MessageMap& OnPaint(void (D::*fn)()) {
    entries_.push_back(
        {MsgKind::Paint, 0, Notification::Clicked, [fn](D& d, const Message&) { (d.*fn)(); }});
    return *this;
  }
  MessageMap& OnDestroy(void (D::*fn)()) {
    entries_.push_back(
        {MsgKind::Destroy, 0, Notification::Clicked, [fn](D& d, const Message&) { (d.*fn)(); }});
    return *this;
  }

  bool Dispatch(D& dialog, const Message& m) const {
    for (const auto& e : entries_) {
      if (e.kind != m.kind) continue;
      if (m.kind == MsgKind::Command && (e.id != m.id || e.code != m.code)) continue;
      e.handler(dialog, m);
      return true;
    }
    return false;
  }

  std::size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    MsgKind kind;
    int id;
    Notification code;
    Handler handler;
  };
  std::vector<Entry> entries_;
};

}  // namespace ui
