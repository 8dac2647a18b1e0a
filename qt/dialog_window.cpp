#include "qt/dialog_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <utility>

#include "qt/control_widgets.h"
#include "qt/dialog_builder.h"
#include "qt/dialog_layout.h"
#include "qt/qt_host.h"

namespace qthost {

using ui::ControlKind;
using ui::Notification;

namespace {

QString FromView(std::string_view s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
std::string ToStd(const QString& s) {
  return s.toUtf8().toStdString();
}

// Edit positions cross the port as byte offsets into the UTF-8 text.
int ByteOffset(const QString& text, int chars) {
  return int(text.left(std::clamp(chars, 0, int(text.size()))).toUtf8().size());
}

int CharOffset(const QString& text, int bytes) {
  const QByteArray utf8 = text.toUtf8();
  bytes = std::clamp(bytes, 0, int(utf8.size()));
  // Step back to the start of a character.
  while (bytes > 0 && bytes < utf8.size() && (uchar(utf8[bytes]) & 0xC0) == 0x80) --bytes;
  return int(QString::fromUtf8(utf8.left(bytes)).size());
}

}  // namespace

struct DialogWindow::Quiet {
  explicit Quiet(DialogWindow& w) : window(w) { ++window.quiet_; }
  ~Quiet() { --window.quiet_; }
  DialogWindow& window;
};

DialogWindow::DialogWindow(QtHost& host, ui::CDialog& dialog, const ui::DialogTemplate& tmpl,
                           QWidget* owner, Mode mode)
    : QDialog(owner, WindowFlagsFor(tmpl, owner != nullptr)),
      host_(host),
      dialog_(dialog),
      tmpl_(tmpl),
      mode_(mode) {
  setWindowTitle(FromView(tmpl.caption));
  setSizeGripEnabled(false);
  setModal(false);
  setFont(TemplateFont(tmpl));
  Build();
  // F1 asks for the first item the program put in the system menu (its About item).
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [this] {
    for (const auto& item : systemMenu_) {
      if (!item.separator) {
        Send({ui::MsgKind::SysCommand, 0, Notification::Clicked, unsigned(item.id)});
        break;
      }
    }
  });
}

DialogWindow::~DialogWindow() {
  // The controls outlive this part of the object (QWidget deletes them later): nothing they do
  // while going, such as losing the focus, may call back into it.
  detached_ = true;
  for (const auto& e : entries_) {
    QObject::disconnect(e.widget, nullptr, this, nullptr);
    if (auto* edit = dynamic_cast<EditControl*>(e.widget)) edit->onFocusChange = nullptr;
  }
}

void DialogWindow::Build() {
  entries_ = BuildControls(*this, tmpl_);
  for (const Entry& e : entries_) {
    const int id = e.tmpl->id;
    if (id != -1 && !byId_.count(id)) byId_[id] = e.widget;
    Connect(e);
  }
  for (const auto& e : entries_) {
    if (e.tmpl->kind == ControlKind::DefPushButton) {
      SetDefaultButton(e.tmpl->id);
      break;
    }
  }
}

void DialogWindow::Connect(const Entry& e) {
  const int id = e.tmpl->id;
  switch (e.tmpl->kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
    case ControlKind::CheckBox:
    case ControlKind::AutoCheckBox:
    case ControlKind::AutoRadioButton:
      connect(static_cast<QAbstractButton*>(e.widget), &QAbstractButton::clicked, this,
              [this, id] { Command(id, Notification::Clicked); });
      break;
    case ControlKind::Edit: {
      auto* edit = static_cast<EditControl*>(e.widget);
      connect(edit, &QLineEdit::textChanged, this, [this, id, edit] {
        if (detached_) return;
        if (ui::ControlHook* hook = edit->Hook()) {
          hook->OnReflectedNotify(Notification::Update);
        } else {
          Command(id, Notification::Update);
          Command(id, Notification::Change);
        }
      });
      edit->onFocusChange = [this, id](bool in) {
        Command(id, in ? Notification::SetFocus : Notification::KillFocus);
      };
      break;
    }
    case ControlKind::DropDownList:
      connect(static_cast<QComboBox*>(e.widget), &QComboBox::activated, this,
              [this, id] { Command(id, Notification::SelChange); });
      break;
    case ControlKind::ListBox: {
      const bool notify = (e.tmpl->style & ui::kNotify) != 0;
      connect(static_cast<QListWidget*>(e.widget), &QListWidget::itemSelectionChanged, this,
              [this, id, notify] {
                if (notify && quiet_ == 0) Command(id, Notification::SelChange);
              });
      lists_[id];
      break;
    }
    case ControlKind::Label:
    case ControlKind::GroupBox:
    case ControlKind::Icon:
      break;  // static: they tell the dialog nothing
  }
}

QWidget* DialogWindow::Control(int id) const {
  if (id == -1) return nullptr;
  auto it = byId_.find(id);
  return it == byId_.end() ? nullptr : it->second;
}

const ui::ControlTemplate* DialogWindow::TemplateOf(int id) const {
  return tmpl_.FindControl(id);
}

void DialogWindow::Send(const ui::Message& message) {
  if (detached_) return;
  dialog_.Dispatch(message);
}

void DialogWindow::Command(int id, Notification code) {
  Send({ui::MsgKind::Command, id, code, 0});
}

void DialogWindow::FocusFirstTabStop() {
  for (const auto& e : entries_) {
    QWidget* w = e.widget;
    if ((e.tmpl->style & ui::kTabStop) && w->isVisibleTo(this) && w->isEnabled() &&
        (w->focusPolicy() & Qt::TabFocus)) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

void DialogWindow::CentreOn(QWidget* owner) {
  QRect area;
  if (owner && owner->isVisible()) {
    area = owner->frameGeometry();
  } else if (QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (area.isNull()) return;
  const QSize size = frameGeometry().size();
  move(area.left() + (area.width() - size.width()) / 2,
       area.top() + (area.height() - size.height()) / 2);
}

void DialogWindow::ScreenshotWhenShown(const QString& path) {
  screenshotPath_ = path;
}

void DialogWindow::Adopt(std::unique_ptr<DialogWindow> window) {
  owned_.push_back(std::move(window));
}

void DialogWindow::TearDown() {
  if (detached_) return;
  for (auto it = owned_.rbegin(); it != owned_.rend(); ++it) (*it)->TearDown();
  // No tick may reach a dialog that is on its way out.
  for (auto& [id, timer] : timers_) timer->stop();
  Send({ui::MsgKind::Destroy, 0, Notification::Clicked, 0});
  detached_ = true;
  dialog_.AttachWindow(nullptr);
}

void DialogWindow::ShowProgress(std::uint32_t done, std::uint32_t total) {
  if (total == 0) {
    if (progress_ && progress_->isVisible()) {
      progress_->hide();
      setWindowTitle(titleBeforeProgress_);
    }
    return;
  }
  if (!progress_) {
    progress_ = new QProgressBar(this);
    progress_->setTextVisible(true);
  }
  if (!progress_->isVisible()) {
    titleBeforeProgress_ = windowTitle();
    // Over the bottom of the largest list, where the run's lines arrive.
    QRect area = rect();
    int largest = 0;
    for (const Entry& e : entries_) {
      if (e.tmpl->kind != ui::ControlKind::ListBox || !e.widget->isVisible()) continue;
      const QRect r = e.widget->geometry();
      if (r.width() * r.height() > largest) {
        largest = r.width() * r.height();
        area = r;
      }
    }
    const int height = progress_->sizeHint().height();
    progress_->setGeometry(area.left() + 4, area.bottom() - height - 3, area.width() - 8, height);
    progress_->show();
    progress_->raise();
  }
  const auto clamp = [](std::uint32_t v) { return int(std::min<std::uint32_t>(v, INT_MAX)); };
  progress_->setRange(0, clamp(total));
  progress_->setValue(clamp(std::min(done, total)));
  const QString text = QString("%1 of %2").arg(done).arg(total);
  progress_->setFormat(text);
  setWindowTitle(titleBeforeProgress_ + QStringLiteral(" \u2014 ") + text);
}

void DialogWindow::ShowSystemMenu(const QPoint& screenPos) {
  // Separators only between items.
  std::vector<ui::MenuItem> items;
  for (const auto& item : systemMenu_) {
    if (item.separator && (items.empty() || items.back().separator)) continue;
    items.push_back(item);
  }
  while (!items.empty() && items.back().separator) items.pop_back();
  if (items.empty()) return;
  const int chosen = host_.TrackMenu(this, items, screenPos);
  if (chosen != 0) Send({ui::MsgKind::SysCommand, 0, Notification::Clicked, unsigned(chosen)});
}

// ---------------------------------------------------------------------------------------------
// Events

void DialogWindow::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (mods == Qt::NoModifier) {
    switch (event->key()) {
      case Qt::Key_Escape:
        event->accept();
        Command(ui::IDCANCEL, Notification::Clicked);
        return;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        event->accept();
        PressDefaultButton();
        return;
      default:
        break;
    }
  }
  // Not QDialog's: Escape and Enter are ours above.
  QWidget::keyPressEvent(event);
}

void DialogWindow::PressDefaultButton() {
  if (auto* focused = qobject_cast<QPushButton*>(focusWidget());
      focused && focused->isEnabled() && focused->property(kControlIdProperty).isValid()) {
    focused->click();
    return;
  }
  const int id = defaultId_;
  if (QWidget* w = Control(id)) {
    if (!w->isEnabled()) return;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      b->click();
      return;
    }
  }
  // No such control: the command goes to the dialog all the same (IDOK for a dialog with none).
  Command(id, Notification::Clicked);
}

void DialogWindow::closeEvent(QCloseEvent* event) {
  // Closing from the window manager is a cancel; the dialog decides whether it ends.
  event->ignore();
  if (detached_ || host_.Repainting()) return;
  Command(ui::IDCANCEL, Notification::Clicked);
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  if (event->reason() == QContextMenuEvent::Mouse) {
    // Only the background offers the menu; labels and frames let the click through to it.
    if (childAt(event->pos()) != nullptr) return;
    ShowSystemMenu(event->globalPos());
    return;
  }
  ShowSystemMenu(mapToGlobal(QPoint(0, 0)));
}

void DialogWindow::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  Send({ui::MsgKind::Paint, 0, Notification::Clicked, 0});
}

void DialogWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  bool pending = false;
  for (const auto& [id, state] : lists_) pending = pending || state.pendingScroll >= 0;
  if (pending) {
    QTimer::singleShot(0, this, [this] {
      for (auto& [id, state] : lists_) {
        auto* list = qobject_cast<QListWidget*>(Control(id));
        if (list && state.pendingScroll >= 0 && state.pendingScroll < list->count()) {
          list->scrollToItem(list->item(state.pendingScroll));
        }
        state.pendingScroll = -1;
      }
    });
  }
  if (!screenshotPath_.isEmpty()) QTimer::singleShot(0, this, [this] { TakeScreenshot(); });
}

void DialogWindow::TakeScreenshot() {
  const QString path = std::exchange(screenshotPath_, QString());
  if (path.isEmpty()) return;
  // Let layouts and paints that are still queued happen first.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  const QPixmap shot = grab();
  host_.ScreenshotFinished(!shot.isNull() && shot.save(path, "PNG"));
  EndDialog(ui::IDCANCEL);
}

void DialogWindow::OnTimerTick(int timerId) {
  // A long command that lets paints through does not get ticks in the middle of it.
  if (host_.Repainting()) return;
  Send({ui::MsgKind::Timer, 0, Notification::Clicked, unsigned(timerId)});
}

// ---------------------------------------------------------------------------------------------
// Controls

bool DialogWindow::HasControl(int id) const {
  return Control(id) != nullptr;
}

void DialogWindow::SetText(int id, std::string_view text) {
  QWidget* w = Control(id);
  if (!w) return;
  const QString s = FromView(text);
  w->setProperty(kCaptionProperty, s);
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    e->setText(s);
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setText(s);
  } else if (auto* l = qobject_cast<QLabel*>(w)) {
    const auto* c = TemplateOf(id);
    const bool literal = l->buddy() || (c && (c->style & ui::kNoPrefix));
    l->setText(literal ? s : StripMnemonic(s));
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    g->setTitle(s);
  } else if (auto* box = qobject_cast<QComboBox*>(w)) {
    // A drop-down list shows only its entries: the text picks the matching one.
    const int at = box->findText(s, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at >= 0) box->setCurrentIndex(at);
  }
}

std::string DialogWindow::GetText(int id) const {
  QWidget* w = Control(id);
  if (!w) return {};
  if (auto* e = qobject_cast<QLineEdit*>(w)) return ToStd(e->text());
  if (auto* box = qobject_cast<QComboBox*>(w)) return ToStd(box->currentText());
  if (qobject_cast<QListWidget*>(w)) return {};
  if (auto* g = qobject_cast<QGroupBox*>(w)) return ToStd(g->title());
  return ToStd(w->property(kCaptionProperty).toString());
}

void DialogWindow::SetCheck(int id, int state) {
  if (auto* b = qobject_cast<QAbstractButton*>(Control(id)); b && b->isCheckable()) {
    b->setChecked(state != 0);
  }
}

int DialogWindow::GetCheck(int id) const {
  auto* b = qobject_cast<QAbstractButton*>(Control(id));
  return (b && b->isCheckable() && b->isChecked()) ? 1 : 0;
}

void DialogWindow::EnableControl(int id, bool enable) {
  if (QWidget* w = Control(id)) w->setEnabled(enable);
}

bool DialogWindow::IsControlEnabled(int id) const {
  QWidget* w = Control(id);
  return w && w->isEnabledTo(this);
}

void DialogWindow::ShowControl(int id, bool show) {
  if (QWidget* w = Control(id)) w->setVisible(show);
}

bool DialogWindow::IsControlVisible(int id) const {
  QWidget* w = Control(id);
  return w && w->isVisibleTo(this);
}

void DialogWindow::SetFocus(int id) {
  if (QWidget* w = Control(id)) w->setFocus(Qt::OtherFocusReason);
}

int DialogWindow::GetFocus() const {
  for (QWidget* w = focusWidget(); w && w != this; w = w->parentWidget()) {
    const QVariant v = w->property(kControlIdProperty);
    if (v.isValid()) return v.toInt();
  }
  return 0;
}

void DialogWindow::SetDefaultButton(int id) {
  defaultId_ = id;
  if (auto* b = qobject_cast<QPushButton*>(Control(id))) {
    // Cleared first, so that a button that is default only by having the focus becomes the
    // dialog's own default.
    b->setDefault(false);
    b->setDefault(true);
  } else {
    for (const auto& e : entries_) {
      if (auto* pb = qobject_cast<QPushButton*>(e.widget)) pb->setDefault(false);
    }
  }
}

void DialogWindow::SubclassControl(int id, ui::ControlHook* hook) {
  if (auto* e = dynamic_cast<EditControl*>(Control(id))) e->SetHook(hook);
}

int DialogWindow::AddString(int id, std::string_view text) {
  const auto* c = TemplateOf(id);
  const bool sorted = c && (c->style & ui::kSort);
  const std::string s(text);
  if (auto* box = qobject_cast<QComboBox*>(Control(id))) {
    const int at = sorted ? SortedPosition(
                                box->count(), [box](int i) { return ToStd(box->itemText(i)); }, s)
                          : box->count();
    box->insertItem(at, FromView(text));
    return at;
  }
  if (auto* list = qobject_cast<QListWidget*>(Control(id))) {
    Quiet quiet(*this);
    const int at =
        sorted ? SortedPosition(
                     list->count(), [list](int i) { return ToStd(list->item(i)->text()); }, s)
               : list->count();
    list->insertItem(at, FromView(text));
    return at;
  }
  return ui::LB_ERR;
}

int DialogWindow::InsertString(int id, int index, std::string_view text) {
  if (auto* box = qobject_cast<QComboBox*>(Control(id))) {
    if (index < -1 || index > box->count()) return ui::CB_ERR;
    if (index == -1) index = box->count();
    box->insertItem(index, FromView(text));
    return index;
  }
  if (auto* list = qobject_cast<QListWidget*>(Control(id))) {
    if (index < -1 || index > list->count()) return ui::LB_ERR;
    if (index == -1) index = list->count();
    Quiet quiet(*this);
    list->insertItem(index, FromView(text));
    return index;
  }
  return ui::LB_ERR;
}

int DialogWindow::DeleteString(int id, int index) {
  if (auto* box = qobject_cast<QComboBox*>(Control(id))) {
    if (index < 0 || index >= box->count()) return ui::CB_ERR;
    const bool wasCurrent = box->currentIndex() == index;
    box->removeItem(index);
    if (wasCurrent) box->setCurrentIndex(-1);
    return box->count();
  }
  if (auto* list = qobject_cast<QListWidget*>(Control(id))) {
    if (index < 0 || index >= list->count()) return ui::LB_ERR;
    Quiet quiet(*this);
    delete list->takeItem(index);
    return list->count();
  }
  return ui::LB_ERR;
}

int DialogWindow::GetCount(int id) const {
  if (auto* box = qobject_cast<QComboBox*>(Control(id))) return box->count();
  if (auto* list = qobject_cast<QListWidget*>(Control(id))) return list->count();
  return 0;
}

std::string DialogWindow::GetItemText(int id, int index) const {
  if (auto* box = qobject_cast<QComboBox*>(Control(id))) {
    return (index >= 0 && index < box->count()) ? ToStd(box->itemText(index)) : std::string();
  }
  if (auto* list = qobject_cast<QListWidget*>(Control(id))) {
    return (index >= 0 && index < list->count()) ? ToStd(list->item(index)->text()) : std::string();
  }
  return {};
}

int DialogWindow::SetCurSel(int id, int index) {
  if (auto* box = qobject_cast<QComboBox*>(Control(id))) {
    if (index < 0 || index >= box->count()) {
      box->setCurrentIndex(-1);
      return ui::CB_ERR;
    }
    box->setCurrentIndex(index);
    return index;
  }
  if (auto* list = qobject_cast<QListWidget*>(Control(id))) {
    Quiet quiet(*this);
    if (index < 0 || index >= list->count()) {
      list->clearSelection();
      list->setCurrentRow(-1);
      return ui::LB_ERR;
    }
    list->setCurrentRow(index);
    list->scrollToItem(list->item(index));
    // A list that has not been shown yet has no size to scroll in: do it again when it shows.
    if (!isVisible()) lists_[id].pendingScroll = index;
    return index;
  }
  return ui::LB_ERR;
}

int DialogWindow::GetCurSel(int id) const {
  if (auto* box = qobject_cast<QComboBox*>(Control(id))) return box->currentIndex();
  if (auto* list = qobject_cast<QListWidget*>(Control(id))) {
    const auto selected = list->selectedItems();
    return selected.isEmpty() ? ui::LB_ERR : list->row(selected.front());
  }
  return ui::LB_ERR;
}

// ---------------------------------------------------------------------------------------------
// Edits

void DialogWindow::GetSel(int id, int& start, int& end) const {
  start = end = 0;
  auto* e = qobject_cast<QLineEdit*>(Control(id));
  if (!e) return;
  const QString text = e->text();
  int a = e->cursorPosition(), b = a;
  if (e->hasSelectedText()) {
    a = e->selectionStart();
    b = e->selectionEnd();
  }
  start = ByteOffset(text, a);
  end = ByteOffset(text, b);
}

void DialogWindow::SetSel(int id, int start, int end) {
  auto* e = qobject_cast<QLineEdit*>(Control(id));
  if (!e) return;
  if (start < 0) {
    e->deselect();
    return;
  }
  const QString text = e->text();
  const int length = int(text.toUtf8().size());
  if (end < 0 || end > length) end = length;
  start = std::min(start, length);
  const int a = CharOffset(text, start), b = CharOffset(text, end);
  // The caret ends at `end`, as the selection is given.
  if (a == b) {
    e->setCursorPosition(a);
  } else {
    e->setSelection(a, b - a);
  }
}

void DialogWindow::ReplaceSel(int id, std::string_view text) {
  if (auto* e = qobject_cast<QLineEdit*>(Control(id))) e->insert(FromView(text));
}

bool DialogWindow::CanUndo(int id) const {
  auto* e = qobject_cast<QLineEdit*>(Control(id));
  return e && e->isUndoAvailable();
}

bool DialogWindow::IsReadOnly(int id) const {
  auto* e = qobject_cast<QLineEdit*>(Control(id));
  return e && e->isReadOnly();
}

void DialogWindow::Undo(int id) {
  if (auto* e = qobject_cast<QLineEdit*>(Control(id)); e && !e->isReadOnly()) e->undo();
}

void DialogWindow::Cut(int id) {
  if (auto* e = qobject_cast<QLineEdit*>(Control(id)); e && !e->isReadOnly()) e->cut();
}

void DialogWindow::Copy(int id) {
  if (auto* e = qobject_cast<QLineEdit*>(Control(id))) e->copy();
}

void DialogWindow::Paste(int id) {
  if (auto* e = qobject_cast<QLineEdit*>(Control(id)); e && !e->isReadOnly()) e->paste();
}

void DialogWindow::Clear(int id) {
  auto* e = qobject_cast<QLineEdit*>(Control(id));
  if (e && !e->isReadOnly() && e->hasSelectedText()) e->del();
}

// ---------------------------------------------------------------------------------------------
// The window

ui::Rect DialogWindow::GetWindowRect() const {
  const QRect r = frameGeometry();
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void DialogWindow::MoveWindow(const ui::Rect& rect, bool repaint) {
  const QRect frame = frameGeometry();
  const QSize client = size();
  const int dw = frame.width() - client.width(), dh = frame.height() - client.height();
  move(rect.left, rect.top);
  resize(std::max(0, rect.Width() - dw), std::max(0, rect.Height() - dh));
  if (repaint) update();
}

void DialogWindow::ShowWindow(bool show) {
  if (show) {
    this->show();
  } else {
    hide();  // hiding a modal dialog does not end it
  }
}

bool DialogWindow::IsWindowVisible() const {
  return isVisible();
}

bool DialogWindow::IsIconic() const {
  return isMinimized();
}

void DialogWindow::SetTimer(int timerId, unsigned periodMs) {
  auto& timer = timers_[timerId];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    connect(timer.get(), &QTimer::timeout, this, [this, timerId] { OnTimerTick(timerId); });
  }
  timer->start(int(std::min<unsigned>(periodMs, 0x7FFFFFFF)));
}

void DialogWindow::KillTimer(int timerId) {
  // Stopped, not deleted: the tick that asks for this may still be running.
  if (auto it = timers_.find(timerId); it != timers_.end()) it->second->stop();
}

void DialogWindow::AppendSystemMenuSeparator() {
  systemMenu_.push_back({0, "", true, false});
}

void DialogWindow::AppendSystemMenuItem(int command, std::string_view text) {
  systemMenu_.push_back({command, std::string(text), false, false});
}

int DialogWindow::MessageBox(std::string_view text, std::string_view caption, unsigned type) {
  return host_.ShowMessageBox(isVisible() ? this : nullptr, text, caption, type);
}

int DialogWindow::TrackPopupMenu(std::span<const ui::MenuItem> items, ui::Point screenPoint) {
  return host_.TrackMenu(this, items, QPoint(screenPoint.x, screenPoint.y));
}

void DialogWindow::RepaintNow() {
  host_.Repaint();
}

int DialogWindow::RunModalLoop() {
  if (!ended_) {
    setWindowModality(Qt::ApplicationModal);
    show();
    // The loop is ours rather than QDialog::exec's, so that an end asked for while the window
    // was still showing is not lost.
    if (!ended_) {
      QEventLoop loop;
      loop_ = &loop;
      loop.exec();
      loop_ = nullptr;
    }
  }
  hide();
  return result_;
}

void DialogWindow::EndDialog(int result) {
  if (mode_ == Mode::Modeless) {
    hide();  // a modeless dialog is only hidden; it goes with its owner
    return;
  }
  result_ = result;
  ended_ = true;
  hide();
  if (loop_) loop_->exit();
}

}  // namespace qthost
