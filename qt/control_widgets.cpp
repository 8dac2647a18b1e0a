#include "qt/control_widgets.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QTextLayout>
#include <algorithm>
#include <memory>

#include "qt/dialog_layout.h"

namespace qthost {

namespace {

constexpr int VK_INSERT = 0x2D;

std::string ToStd(const QString& s) {
  return s.toUtf8().toStdString();
}

bool IsPrintable(const QString& text) {
  if (text.isEmpty()) return false;
  for (QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
  }
  return true;
}

int TextFlags(const QWidget& w, const QStyleOption& opt, Qt::Alignment align) {
  int flags = int(align) | Qt::AlignVCenter | Qt::TextSingleLine;
  flags |= w.style()->styleHint(QStyle::SH_UnderlineShortcut, &opt, &w) ? Qt::TextShowMnemonic
                                                                        : Qt::TextHideMnemonic;
  return flags;
}

// A check box or radio button drawn the classic way: the box on the left or on the right edge,
// the caption in the rest, centred vertically.
void PaintSided(QAbstractButton& b, const QStyleOptionButton& base, bool radio, bool textLeft,
                Qt::Alignment align) {
  QStylePainter p(&b);
  const CheckGeometry g = LayoutCheck(b.style(), b.rect(), radio, textLeft);
  QStyleOptionButton opt = base;
  opt.rect = g.indicator;
  p.drawPrimitive(radio ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox, opt);
  const int flags = TextFlags(b, base, align);
  p.drawItemText(g.text, flags, base.palette, b.isEnabled(), b.text(), QPalette::WindowText);
  if (base.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(base);
    const QRect text =
        b.style()->itemTextRect(base.fontMetrics, g.text, flags, b.isEnabled(), b.text());
    focus.rect = text.adjusted(-2, 0, 2, 0) & b.rect();
    p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

}  // namespace

int VirtualKeyOf(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return ui::VK_F1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return ui::VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return ui::VK_RETURN;
    case Qt::Key_Shift:
      return 0x10;
    case Qt::Key_Control:
      return 0x11;
    case Qt::Key_Escape:
      return ui::VK_ESCAPE;
    case Qt::Key_Space:
      return 0x20;
    case Qt::Key_PageUp:
      return 0x21;
    case Qt::Key_PageDown:
      return 0x22;
    case Qt::Key_End:
      return 0x23;
    case Qt::Key_Home:
      return 0x24;
    case Qt::Key_Left:
      return 0x25;
    case Qt::Key_Up:
      return 0x26;
    case Qt::Key_Right:
      return 0x27;
    case Qt::Key_Down:
      return 0x28;
    case Qt::Key_Insert:
      return VK_INSERT;
    case Qt::Key_Delete:
      return ui::VK_DELETE;
    default:
      return 0;
  }
}

// ---------------------------------------------------------------------------------------------
// EditControl

EditControl::EditControl(QWidget* parent) : QLineEdit(parent) {
  // Text dragged out of the field would come back in as a move the filter cannot see whole.
  setDragEnabled(false);
}

QString EditControl::FilterTyped(const QString& text, bool ctrl, bool shift) const {
  QString out;
  for (char32_t ch : text.toUcs4()) {
    if (hook_) {
      const ui::KeyDecision d = hook_->PreTranslateKey({ui::KeyMessage::Char, 0, ch, ctrl, shift});
      if (d.verdict == ui::KeyVerdict::Swallow) continue;
      if (d.verdict == ui::KeyVerdict::Replace) ch = d.replacement;
    }
    if (digitsOnly_ && (ch < U'0' || ch > U'9')) continue;
    out += QString::fromUcs4(&ch, 1);
  }
  return out;
}

bool EditControl::Accepts(const QString& text) const {
  return !hook_ || hook_->AcceptInsertion(ToStd(text));
}

// Qt's key schemes bind more keys to the edit's actions than the filter's named keys (Ctrl+D for
// Delete and F20 for Cut under X11, Ctrl+K and Ctrl+U for the line deletions, ...). Each is
// judged by the action it stands for, tried in the order QLineEdit tries them, so no scheme has a
// way round the rules.
EditControl::EditKey EditControl::JudgeEditKey(const QKeyEvent& event) {
  const bool ctrl = event.modifiers() & Qt::ControlModifier;
  const bool shift = event.modifiers() & Qt::ShiftModifier;
  const int key = event.key();
  const auto verdict = [](bool allowed) { return allowed ? EditKey::kPass : EditKey::kRefuse; };
  const auto keyDown = [&](int vk, bool withCtrl) {
    const ui::KeyMessage down{ui::KeyMessage::KeyDown, vk, 0, withCtrl, shift};
    return verdict(hook_->PreTranslateKey(down).verdict != ui::KeyVerdict::Swallow);
  };
  const auto removal = [&](int start, int end) {
    return verdict(start >= end || hook_->AcceptRemoval(std::size_t(start), std::size_t(end)));
  };
  const auto selectionOr = [&](int start, int end) {
    if (!hasSelectedText()) return removal(start, end);
    return removal(selectionStart(), selectionEnd());
  };
  const auto pasteable = [&](QClipboard::Mode mode) {
    const QString text = QGuiApplication::clipboard()->text(mode);
    return text.isEmpty() || Accepts(text);
  };
  const int caret = cursorPosition();
  const int length = int(text().size());

  // Undo and redo only step between texts the rules let in; like selecting and copying they go
  // the way of any other key.
  if (event.matches(QKeySequence::Undo) || event.matches(QKeySequence::Redo) ||
      event.matches(QKeySequence::SelectAll) || event.matches(QKeySequence::Copy)) {
    return EditKey::kNotAnEdit;
  }
  if (event.matches(QKeySequence::Paste)) {
    // Ctrl+V is judged with the clipboard by the filter; the others by the text they bring.
    if (key == Qt::Key_V && ctrl) return keyDown('V', true);
    if (key == Qt::Key_Insert && keyDown(VK_INSERT, ctrl) == EditKey::kRefuse) {
      return EditKey::kRefuse;
    }
    bool allowed = pasteable(QClipboard::Clipboard);
    // Ctrl+Shift+Insert pastes the selection under the X11 scheme, the clipboard elsewhere.
    if (key == Qt::Key_Insert && QGuiApplication::clipboard()->supportsSelection()) {
      allowed = allowed && pasteable(QClipboard::Selection);
    }
    return verdict(allowed);
  }
  if (event.matches(QKeySequence::Cut)) {
    if (keyDown('X', true) == EditKey::kRefuse) return EditKey::kRefuse;
    // Without a selection the edit deletes the character after the caret instead.
    return selectionOr(caret, std::min(caret + 1, length));
  }
  if (event.matches(QKeySequence::DeleteEndOfLine)) return removal(caret, length);
  if (event.matches(QKeySequence::Delete)) return keyDown(ui::VK_DELETE, ctrl);
  if (event.matches(QKeySequence::DeleteEndOfWord) ||
      event.matches(QKeySequence::DeleteStartOfWord)) {
    // QLineEdit takes the selection, or else the caret's run to the next word boundary.
    QTextLayout layout(text(), font());
    if (event.matches(QKeySequence::DeleteEndOfWord)) {
      return selectionOr(caret, layout.nextCursorPosition(caret, QTextLayout::SkipWords));
    }
    return selectionOr(layout.previousCursorPosition(caret, QTextLayout::SkipWords), caret);
  }
  if (event.matches(QKeySequence::DeleteCompleteLine)) return removal(0, length);
  if (event.matches(QKeySequence::Backspace)) {
    const ui::KeyMessage back{ui::KeyMessage::Char, 0, 8, ctrl, shift};
    return verdict(hook_->PreTranslateKey(back).verdict == ui::KeyVerdict::Pass);
  }
  return EditKey::kNotAnEdit;
}

void EditControl::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool ctrl = mods & Qt::ControlModifier;
  const bool shift = mods & Qt::ShiftModifier;
  const bool alt = mods & Qt::AltModifier;
  const int key = event->key();

  if (hook_) {
    switch (JudgeEditKey(*event)) {
      case EditKey::kNotAnEdit:
        break;
      case EditKey::kPass:
        QLineEdit::keyPressEvent(event);
        return;
      case EditKey::kRefuse:
        event->accept();
        return;
    }
  }

  if (hook_) {
    const int vk = VirtualKeyOf(key);
    if (vk != 0) {
      const ui::KeyMessage down{ui::KeyMessage::KeyDown, vk, 0, ctrl, shift};
      if (hook_->PreTranslateKey(down).verdict == ui::KeyVerdict::Swallow) {
        event->accept();
        return;
      }
    }
    // Ctrl+V has been judged with the clipboard by the filter; Qt's other paste keys have not.
    if (event->matches(QKeySequence::Paste) && !(key == Qt::Key_V && ctrl)) {
      const QString clip = QGuiApplication::clipboard()->text();
      if (!clip.isEmpty() && !Accepts(clip)) {
        event->accept();
        return;
      }
    }
  }

  if (key == Qt::Key_Backspace) {
    if (hook_) {
      const ui::KeyDecision d = hook_->PreTranslateKey({ui::KeyMessage::Char, 0, 8, ctrl, shift});
      if (d.verdict == ui::KeyVerdict::Swallow) {
        event->accept();
        return;
      }
      if (d.verdict == ui::KeyVerdict::Replace && !isReadOnly()) {
        insert(QString::fromUcs4(&d.replacement, 1));
        event->accept();
        return;
      }
    }
    QLineEdit::keyPressEvent(event);
    return;
  }

  if (ctrl && !alt) {
    // Ctrl with a letter makes a control character, which the filter lets through or not.
    if (hook_ && key >= Qt::Key_A && key <= Qt::Key_Z) {
      const char32_t control = char32_t(key - Qt::Key_A + 1);
      const ui::KeyDecision d =
          hook_->PreTranslateKey({ui::KeyMessage::Char, 0, control, ctrl, shift});
      if (d.verdict == ui::KeyVerdict::Swallow) {
        event->accept();
        return;
      }
    }
    QLineEdit::keyPressEvent(event);
    return;
  }

  const QString text = event->text();
  if ((hook_ || digitsOnly_) && IsPrintable(text)) {
    const QString out = FilterTyped(text, ctrl, shift);
    if (out == text) {
      QLineEdit::keyPressEvent(event);
      return;
    }
    event->accept();
    if (out.isEmpty()) return;
    QKeyEvent replaced(event->type(), key, mods, out, event->isAutoRepeat(),
                       quint16(event->count()));
    QLineEdit::keyPressEvent(&replaced);
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void EditControl::inputMethodEvent(QInputMethodEvent* event) {
  const QString commit = event->commitString();
  if ((hook_ || digitsOnly_) && !commit.isEmpty() && !isReadOnly()) {
    QString out;
    if (commit.toUcs4().size() == 1) {
      // One character: typed through the input method, filtered as typing is.
      out = FilterTyped(commit, false, false);
    } else {
      out = commit;
      if (digitsOnly_) out.remove(QRegularExpression(QStringLiteral("[^0-9]")));
      if (!Accepts(out)) out.clear();
    }
    if (out != commit) {
      QInputMethodEvent replaced(event->preeditString(), event->attributes());
      replaced.setCommitString(out, event->replacementStart(), event->replacementLength());
      QLineEdit::inputMethodEvent(&replaced);
      event->accept();
      return;
    }
  }
  QLineEdit::inputMethodEvent(event);
}

void EditControl::contextMenuEvent(QContextMenuEvent* event) {
  if (!hook_) {
    QLineEdit::contextMenuEvent(event);
    return;
  }
  const QPoint global = event->reason() == QContextMenuEvent::Mouse
                            ? event->globalPos()
                            : mapToGlobal(cursorRect().center());
  event->accept();
  if (hook_->OnContextMenu({global.x(), global.y()})) return;
  // The hook has no menu of its own: Qt's, with its edits held to the same rules.
  std::unique_ptr<QMenu> menu(createStandardContextMenu());
  for (QAction* action : menu->actions()) {
    if (!action->isEnabled()) continue;
    const QString name = action->objectName();
    if (name == QLatin1String("edit-paste")) {
      action->setEnabled(Accepts(QGuiApplication::clipboard()->text()));
    } else if (name == QLatin1String("edit-cut") || name == QLatin1String("edit-delete")) {
      const ui::KeyMessage cut{ui::KeyMessage::KeyDown, 'X', 0, true, false};
      action->setEnabled(hook_->PreTranslateKey(cut).verdict != ui::KeyVerdict::Swallow);
    }
  }
  menu->exec(global);
}

void EditControl::mouseReleaseEvent(QMouseEvent* event) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (hook_ && event->button() == Qt::MiddleButton && !isReadOnly() &&
      clipboard->supportsSelection()) {
    // The selection paste lands at the caret the press put under the pointer.
    const QString text = clipboard->text(QClipboard::Selection);
    deselect();
    if (!text.isEmpty() && rect().contains(event->position().toPoint()) && Accepts(text)) {
      insert(text);
    }
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

void EditControl::dropEvent(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  if (hook_ && !isReadOnly() && data && data->hasText()) {
    const int oldStart = selectionStart();
    const int oldLength = int(selectedText().size());
    const int oldCursor = cursorPosition();
    // The hook judges the text where it would land: at the caret under the drop point.
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    if (!Accepts(data->text())) {
      if (oldStart < 0) {
        setCursorPosition(oldCursor);
      } else if (oldCursor == oldStart) {
        setSelection(oldStart + oldLength, -oldLength);
      } else {
        setSelection(oldStart, oldLength);
      }
      event->ignore();
      return;
    }
  }
  QLineEdit::dropEvent(event);
}

void EditControl::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (event->reason() != Qt::PopupFocusReason && onFocusChange) onFocusChange(true);
}

void EditControl::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (event->reason() != Qt::PopupFocusReason && onFocusChange) onFocusChange(false);
}

// ---------------------------------------------------------------------------------------------
// CheckControl and RadioControl

CheckControl::CheckControl(QWidget* parent, bool automatic, bool textLeft, Qt::Alignment align)
    : QCheckBox(parent), automatic_(automatic), textLeft_(textLeft), align_(align) {}

void CheckControl::paintEvent(QPaintEvent*) {
  QStyleOptionButton opt;
  initStyleOption(&opt);
  PaintSided(*this, opt, false, textLeft_, align_);
}

bool CheckControl::hitButton(const QPoint& pos) const {
  return rect().contains(pos);
}

void CheckControl::nextCheckState() {
  if (automatic_) QCheckBox::nextCheckState();
}

RadioControl::RadioControl(QWidget* parent, bool textLeft, Qt::Alignment align)
    : QRadioButton(parent), textLeft_(textLeft), align_(align) {
  // Exclusivity follows the template's groups, not the parent widget.
  setAutoExclusive(false);
}

void RadioControl::paintEvent(QPaintEvent*) {
  QStyleOptionButton opt;
  initStyleOption(&opt);
  PaintSided(*this, opt, true, textLeft_, align_);
}

bool RadioControl::hitButton(const QPoint& pos) const {
  return rect().contains(pos);
}

void RadioControl::nextCheckState() {
  setChecked(true);
  for (RadioControl* other : group_) {
    if (other != this) other->setChecked(false);
  }
}

void RadioControl::keyPressEvent(QKeyEvent* event) {
  int step = 0;
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
      step = -1;
      break;
    case Qt::Key_Down:
    case Qt::Key_Right:
      step = 1;
      break;
    default:
      break;
  }
  if (step == 0 || event->modifiers() != Qt::NoModifier || group_.size() < 2) {
    QRadioButton::keyPressEvent(event);
    return;
  }
  // Arrows move through the group and choose the button they land on.
  const int n = int(group_.size());
  int at = 0;
  while (at < n && group_[at] != this) ++at;
  for (int i = 1; i < n; ++i) {
    RadioControl* next = group_[((at + step * i) % n + n) % n];
    if (next->isEnabled() && next->isVisibleTo(window())) {
      next->setFocus(Qt::TabFocusReason);
      next->click();
      break;
    }
  }
  event->accept();
}

// ---------------------------------------------------------------------------------------------
// GroupFrame

GroupFrame::GroupFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

QRect GroupFrame::TitleRect() const {
  const QFontMetrics fm(font());
  const QString shown = StripMnemonic(title());
  if (shown.isEmpty()) return QRect();
  const int width = fm.horizontalAdvance(shown);
  const int x =
      (alignment() & Qt::AlignHCenter) ? (this->width() - width) / 2 : fm.averageCharWidth();
  return QRect(x, 0, width, fm.height());
}

void GroupFrame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QFontMetrics fm(font());
  const QPalette& pal = palette();
  const int top = fm.height() / 2;
  const QRect frame(0, top, width(), height() - top);
  // Etched: a dark line with a light one just inside and below it.
  p.setPen(pal.color(QPalette::Light));
  p.drawRect(frame.adjusted(1, 1, -1, -1));
  p.setPen(pal.color(QPalette::Mid));
  p.drawRect(frame.adjusted(0, 0, -2, -2));
  const QRect title = TitleRect();
  if (title.isNull()) return;
  p.fillRect(title.adjusted(-2, 0, 2, 0), pal.window());
  QStyleOption opt;
  opt.initFrom(this);
  const int flags = TextFlags(*this, opt, Qt::AlignLeft);
  style()->drawItemText(&p, title, flags, pal, isEnabled(), this->title(), QPalette::WindowText);
}

}  // namespace qthost
