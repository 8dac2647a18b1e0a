#pragma once
// The widgets a dialog template's controls become, where Qt's own do not behave like the classic
// dialog controls: an edit that hands its input to a subclassing hook, check boxes and radio
// buttons with the box on either side and the program in charge of a manual check, and a group
// box drawn as an etched frame behind its neighbours.

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <functional>
#include <vector>

#include "ui/window_port.h"

namespace qthost {

// The key code a key press carries in a KeyDown message ('A'..'Z', '0'..'9', the VK_* values),
// 0 for keys that have none.
int VirtualKeyOf(int qtKey);

class EditControl : public QLineEdit {
 public:
  explicit EditControl(QWidget* parent);

  // A subclassing control object sees the keys, the context menu and any text that arrives.
  void SetHook(ui::ControlHook* hook) { hook_ = hook; }
  ui::ControlHook* Hook() const { return hook_; }
  // Typed characters other than digits are dropped; pasted text is not checked.
  void SetDigitsOnly(bool on) { digitsOnly_ = on; }
  bool DigitsOnly() const { return digitsOnly_; }

  // Called when the edit gains (true) or loses (false) the focus, except for popups.
  std::function<void(bool)> onFocusChange;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // The characters of typed text that get in, after the hook's verdicts and the digits rule.
  QString FilterTyped(const QString& text, bool ctrl, bool shift) const;
  bool Accepts(const QString& text) const;
  // What the hook says of a key that the key scheme binds to one of the edit's editing actions.
  enum class EditKey { kNotAnEdit, kPass, kRefuse };
  EditKey JudgeEditKey(const QKeyEvent& event);

  ui::ControlHook* hook_ = nullptr;
  bool digitsOnly_ = false;
};

// A check box. A manual one does not change its check when clicked: only the program sets it.
class CheckControl : public QCheckBox {
 public:
  CheckControl(QWidget* parent, bool automatic, bool textLeft, Qt::Alignment align);
  bool TextLeft() const { return textLeft_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;
  void nextCheckState() override;

 private:
  bool automatic_;
  bool textLeft_;
  Qt::Alignment align_;
};

// An automatic radio button: clicking checks it and clears the others of its group. The program's
// SetCheck touches this button alone.
class RadioControl : public QRadioButton {
 public:
  RadioControl(QWidget* parent, bool textLeft, Qt::Alignment align);
  void SetGroup(std::vector<RadioControl*> group) { group_ = std::move(group); }
  const std::vector<RadioControl*>& Group() const { return group_; }
  bool TextLeft() const { return textLeft_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;
  void nextCheckState() override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::vector<RadioControl*> group_;
  bool textLeft_;
  Qt::Alignment align_;
};

// An etched frame with its caption set into the top line.
class GroupFrame : public QGroupBox {
 public:
  GroupFrame(const QString& title, QWidget* parent);
  // Where the caption is drawn.
  QRect TitleRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace qthost
