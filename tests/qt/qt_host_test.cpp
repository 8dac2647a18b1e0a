// The Qt host on real widgets, on the offscreen platform.

#include "qt/qt_host.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/resource_ids.h"
#include "app/resources.h"
#include "qt/app_icon.h"
#include "qt/control_widgets.h"
#include "qt/dialog_layout.h"
#include "qt/dialog_window.h"
#include "ui/dialog.h"

using qthost::DialogWindow;
using ui::ControlKind;
using ui::MsgKind;
using ui::Notification;

namespace {

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QString NoMnemonic(QString s) {
  s.replace(QLatin1String("&&"), QLatin1String("\x01"));
  s.remove(QLatin1Char('&'));
  s.replace(QLatin1Char('\x01'), QLatin1Char('&'));
  return s;
}

// A dialog that records every message and otherwise behaves as the base does.
class Probe : public ui::CDialog {
 public:
  explicit Probe(int templateId) : ui::CDialog(templateId) {}
  std::vector<ui::Message> messages;
  bool windowAtDestroy = false;
  std::function<void(Probe&)> onInit;
  std::function<void()> onDestroy;

  bool OnInitDialog() override {
    ui::CDialog::OnInitDialog();
    if (onInit) onInit(*this);
    return true;
  }
  int Count(MsgKind kind, int id = 0, Notification code = Notification::Clicked,
            unsigned param = 0) const {
    int n = 0;
    for (const auto& m : messages) {
      if (m.kind != kind) continue;
      if (kind == MsgKind::Command && (m.id != id || m.code != code)) continue;
      if ((kind == MsgKind::Timer || kind == MsgKind::SysCommand) && m.param != param) continue;
      ++n;
    }
    return n;
  }
  int Commands(int id, Notification code) const { return Count(MsgKind::Command, id, code); }

 protected:
  bool ProcessMessage(const ui::Message& m) override {
    messages.push_back(m);
    if (m.kind == MsgKind::Destroy) {
      windowAtDestroy = GetWindow() != nullptr;
      if (onDestroy) onDestroy();
    }
    return false;
  }
};

// A subclassing hook with the shape of the hex edit's: it upper-cases 'a'..'f', drops other
// letters, can refuse Ctrl+V and takes only hexadecimal text from elsewhere.
class FakeHook : public ui::ControlHook {
 public:
  std::vector<ui::KeyMessage> keys;
  std::vector<std::string> insertions;
  std::vector<ui::Point> menus;
  int updates = 0;
  bool refusePaste = true;

  ui::KeyDecision PreTranslateKey(const ui::KeyMessage& m) override {
    keys.push_back(m);
    if (m.kind == ui::KeyMessage::KeyDown) {
      if (m.key == 'V' && m.ctrl && refusePaste) return {ui::KeyVerdict::Swallow, 0};
      return {};
    }
    if (m.ch >= U'a' && m.ch <= U'f') return {ui::KeyVerdict::Replace, m.ch - U'a' + U'A'};
    if ((m.ch >= U'g' && m.ch <= U'z') || m.ch == U'-') return {ui::KeyVerdict::Swallow, 0};
    return {};
  }
  void OnReflectedNotify(Notification code) override {
    if (code == Notification::Update) ++updates;
  }
  bool OnContextMenu(ui::Point p) override {
    menus.push_back(p);
    return true;
  }
  bool AcceptInsertion(std::string_view text) override {
    insertions.emplace_back(text);
    for (char c : text) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
  }
  bool SawKeyDown(int key, bool ctrl) const {
    for (const auto& k : keys) {
      if (k.kind == ui::KeyMessage::KeyDown && k.key == key && k.ctrl == ctrl) return true;
    }
    return false;
  }
  bool SawChar(char32_t ch) const {
    for (const auto& k : keys) {
      if (k.kind == ui::KeyMessage::Char && k.ch == ch) return true;
    }
    return false;
  }
};

// A window for a template, shown, with its dialog; it goes the way the host lets windows go.
struct Opened {
  explicit Opened(int templateId) : dialog(templateId) {
    window = std::make_unique<DialogWindow>(Host(), dialog, *dialog.Template(), nullptr,
                                            DialogWindow::Mode::Modeless);
    dialog.AttachWindow(window.get());
    dialog.OnInitDialog();
    window->show();
    window->activateWindow();
    exposed = QTest::qWaitForWindowExposed(window.get());
  }
  ~Opened() { window->TearDown(); }

  static qthost::QtHost& Host() { return static_cast<qthost::QtHost&>(ui::CurrentHost()); }
  template <class W>
  W* Get(int id) const {
    return qobject_cast<W*>(window->Control(id));
  }

  Probe dialog;
  std::unique_ptr<DialogWindow> window;
  bool exposed = false;
};

// Runs `action` once the next modal window (dialog, box or menu) is up.
void WhenModalUp(std::function<void(QWidget*)> action) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, action] {
    QWidget* up = QApplication::activePopupWidget();
    if (!up) up = QApplication::activeModalWidget();
    if (!up || !up->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    action(up);
  });
  poll->start();
}

}  // namespace

class QtHostTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<qthost::QtHost> host_;

 private slots:
  void initTestCase() {
    ui::SetResources(&app::ProgramResources());
    host_ = std::make_unique<qthost::QtHost>();
    ui::SetHost(host_.get());
  }
  void cleanupTestCase() {
    ui::SetHost(nullptr);
    host_.reset();
  }

  void mainTemplateBuildsEveryControl() {
    Opened o(app::IDD_HID_TEST_DIALOG);
    QVERIFY(o.exposed);
    const auto& tmpl = app::MainDialogTemplate();
    QCOMPARE(o.window->Entries().size(), tmpl.controls.size());
    QCOMPARE(o.window->windowTitle(), QString("ZBK Utility V2.5"));

    // Dialog units from the window's own font.
    const QFontMetrics fm(o.window->font());
    const int bx =
        (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
    const int by = fm.height();
    auto px = [](int du, int base, int div) { return (du * base + div / 2) / div; };
    QCOMPARE(o.window->size(), QSize(px(587, bx, 4), px(310, by, 8)));

    for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
      const auto& c = tmpl.controls[i];
      QWidget* w = o.window->Entries()[i].widget;
      const QString caption = NoMnemonic(Q(c.caption));
      const QByteArray what = QByteArray::number(c.id) + " " + Q(c.caption).toUtf8();
      switch (c.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefPushButton:
          QVERIFY2(qobject_cast<QPushButton*>(w), what);
          QCOMPARE(NoMnemonic(static_cast<QPushButton*>(w)->text()).replace('\n', ' '), caption);
          break;
        case ControlKind::CheckBox:
        case ControlKind::AutoCheckBox:
          QVERIFY2(qobject_cast<QCheckBox*>(w), what);
          QCOMPARE(NoMnemonic(static_cast<QCheckBox*>(w)->text()), caption);
          break;
        case ControlKind::AutoRadioButton:
          QVERIFY2(qobject_cast<QRadioButton*>(w), what);
          QCOMPARE(NoMnemonic(static_cast<QRadioButton*>(w)->text()), caption);
          break;
        case ControlKind::Edit:
          QVERIFY2(qobject_cast<QLineEdit*>(w), what);
          QCOMPARE(static_cast<QLineEdit*>(w)->hasFrame(), true);
          break;
        case ControlKind::DropDownList:
          QVERIFY2(qobject_cast<QComboBox*>(w), what);
          QVERIFY(!static_cast<QComboBox*>(w)->isEditable());
          // The closed combo, not the template's height with the dropped list.
          QVERIFY2(w->height() < px(c.rect.cy, by, 8), what);
          break;
        case ControlKind::ListBox:
          QVERIFY2(qobject_cast<QListWidget*>(w), what);
          break;
        case ControlKind::Label:
          QVERIFY2(qobject_cast<QLabel*>(w), what);
          QCOMPARE(static_cast<QLabel*>(w)->text(), caption);
          break;
        case ControlKind::GroupBox:
          QVERIFY2(qobject_cast<QGroupBox*>(w), what);
          QCOMPARE(static_cast<QGroupBox*>(w)->title(), caption);
          break;
        case ControlKind::Icon:
          break;
      }
      // Placed where the dialog units say.
      QCOMPARE(w->x(), px(c.rect.x, bx, 4));
      QCOMPARE(w->y(), px(c.rect.y, by, 8));
      QCOMPARE(w->width(), px(c.rect.x + c.rect.cx, bx, 4) - px(c.rect.x, bx, 4));
      QVERIFY2(o.window->rect().contains(w->geometry()), what);

      const bool hidden = c.id == app::IDC_BUTTON_TEST_BUFFER;
      QCOMPARE(w->isVisible(), !hidden);
      QVERIFY(w->isEnabled());
      if (c.id != -1) {
        QCOMPARE(o.window->IsControlVisible(c.id), !hidden);
        QVERIFY(o.window->IsControlEnabled(c.id));
      }
    }

    // Ids lead to their controls, and the port reads their captions.
    QCOMPARE(o.window->GetText(app::IDC_BUTTON_CUT_FORWARD), std::string("Cut For&ward"));
    QCOMPARE(o.window->GetText(app::IDC_CHECK_CONNECTED), std::string("Connected"));
    QVERIFY(!o.window->HasControl(4242));
    // "Exit" is the default button; the dialog has no close box.
    QCOMPARE(o.window->GetDefaultButton(), ui::IDOK);
    QVERIFY(o.Get<QPushButton>(ui::IDOK)->isDefault());
    QVERIFY(!(o.window->windowFlags() & Qt::WindowCloseButtonHint));
    // The radio group's first button and the edits take Tab; the rest of the group does not.
    QVERIFY(o.Get<QRadioButton>(app::IDC_RADIO_TIMER_10K)->focusPolicy() & Qt::TabFocus);
    QVERIFY(!(o.Get<QRadioButton>(app::IDC_RADIO_20K)->focusPolicy() & Qt::TabFocus));
    // Tab visits the tab stops in template order, the hidden one left out.
    std::vector<int> expected, visited;
    for (const auto& c : tmpl.controls) {
      if ((c.style & ui::kTabStop) && c.id != app::IDC_BUTTON_TEST_BUFFER) expected.push_back(c.id);
    }
    o.window->FocusFirstTabStop();
    for (std::size_t i = 0; i < expected.size(); ++i) {
      visited.push_back(o.window->GetFocus());
      QTest::keyClick(o.window->focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, expected);
    // The step mode list brings its blank entry from the template.
    QCOMPARE(o.window->GetCount(app::IDC_COMBO_STEP_MODE), 1);
  }

  void aboutBoxHasIconAndCloseBox() {
    Opened o(app::IDD_ABOUTBOX);
    QVERIFY(o.window->windowFlags() & Qt::WindowCloseButtonHint);
    const QLabel* icon = qobject_cast<QLabel*>(o.window->Entries().front().widget);
    QVERIFY(icon);
    QVERIFY(!icon->pixmap().isNull());
    for (int size : {16, 32}) {
      const QImage img = qthost::AppIconPixmap(size).toImage();
      QCOMPARE(img.size(), QSize(size, size));
      // Not a blank square: the pulses are white on the tile.
      QVERIFY(img.pixelColor(size / 2, size / 2) != img.pixelColor(size / 2, size * 3 / 10));
    }
  }

  void captionsFitTheirControls() {
    for (const ui::DialogTemplate* tmpl : app::ProgramResources().dialogs) {
      Opened o(tmpl->id);
      for (const auto& e : o.window->Entries()) {
        const auto& c = *e.tmpl;
        if (c.caption.empty()) continue;
        QWidget* w = e.widget;
        const QFontMetrics fm(w->font());
        const QString text = (c.style & ui::kNoPrefix) ? Q(c.caption) : NoMnemonic(Q(c.caption));
        const QByteArray what = Q(c.caption).toUtf8();
        QStyle* style = w->style();
        if (auto* b = qobject_cast<QPushButton*>(w)) {
          QStyleOptionButton opt;
          opt.initFrom(b);
          opt.features = QStyleOptionButton::AutoDefaultButton;
          const QRect room = style->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
          const QStringList lines = NoMnemonic(b->text()).split('\n');
          for (const auto& line : lines) QVERIFY2(fm.horizontalAdvance(line) <= room.width(), what);
          QVERIFY2(lines.size() * fm.height() <= b->height(), what);
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
          const bool radio = qobject_cast<QRadioButton*>(w) != nullptr;
          const int box = style->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth
                                                   : QStyle::PM_IndicatorWidth);
          const int gap = style->pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing
                                                   : QStyle::PM_CheckBoxLabelSpacing);
          QVERIFY2(fm.horizontalAdvance(text) + box + gap <= b->width(), what);
          QVERIFY2(fm.height() <= b->height(), what);
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
          if (l->wordWrap()) {
            const QRect need =
                fm.boundingRect(QRect(0, 0, l->width(), 10000), Qt::TextWordWrap, text);
            QVERIFY2(need.width() <= l->width(), what);
            QVERIFY2(need.height() <= l->height(), what);
          } else {
            QVERIFY2(fm.horizontalAdvance(text) <= l->width(), what);
            QVERIFY2(fm.height() <= l->height(), what);
          }
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
          QVERIFY2(fm.horizontalAdvance(text) + 2 * fm.averageCharWidth() <= g->width(), what);
        }
      }
    }
    // The labels that the template makes two lines tall do wrap.
    Opened o(app::IDD_HID_TEST_DIALOG);
    int wrapped = 0;
    for (const auto& e : o.window->Entries()) {
      auto* l = qobject_cast<QLabel*>(e.widget);
      if (!l || !l->wordWrap()) continue;
      const QFontMetrics fm(l->font());
      const QRect need =
          fm.boundingRect(QRect(0, 0, l->width(), 10000), Qt::TextWordWrap, l->text());
      if (need.height() > fm.height()) ++wrapped;
    }
    QVERIFY(wrapped >= 2);
  }

  void manualCheckBoxOnlyTheProgramTicks() {
    Opened o(app::IDD_HID_TEST_DIALOG);
    auto* connected = o.Get<QCheckBox>(app::IDC_CHECK_CONNECTED);
    QTest::mouseClick(connected, Qt::LeftButton);
    QVERIFY(!connected->isChecked());
    QCOMPARE(o.window->GetCheck(app::IDC_CHECK_CONNECTED), 0);
    QCOMPARE(o.dialog.Commands(app::IDC_CHECK_CONNECTED, Notification::Clicked), 1);
    o.window->SetCheck(app::IDC_CHECK_CONNECTED, 1);
    QTest::mouseClick(connected, Qt::LeftButton);
    QCOMPARE(o.window->GetCheck(app::IDC_CHECK_CONNECTED), 1);
    QCOMPARE(o.dialog.Commands(app::IDC_CHECK_CONNECTED, Notification::Clicked), 2);
    // The program's own tick is no click.
    o.window->SetCheck(app::IDC_CHECK_CONNECTED, 0);
    QCOMPARE(o.dialog.Commands(app::IDC_CHECK_CONNECTED, Notification::Clicked), 2);
    // Right-aligned as the system draws WS_EX_RIGHT: the text ends at the box, which is at the
    // right edge.
    auto* sided = static_cast<qthost::CheckControl*>(connected);
    QVERIFY(sided->TextLeft());
    const qthost::CheckGeometry g =
        qthost::LayoutCheck(connected->style(), connected->rect(), false, true);
    QVERIFY(g.indicator.right() >= connected->width() - 2);
    QVERIFY(g.text.right() <= g.indicator.left());

    // An automatic one toggles, with its text on the left and the box at the right edge.
    auto* braxo = o.Get<QCheckBox>(app::IDC_CHECK_BRAXO_MODE);
    QTest::mouseClick(braxo, Qt::LeftButton, {}, QPoint(3, braxo->height() / 2));
    QCOMPARE(o.window->GetCheck(app::IDC_CHECK_BRAXO_MODE), 1);
    QTest::mouseClick(braxo, Qt::LeftButton);
    QCOMPARE(o.window->GetCheck(app::IDC_CHECK_BRAXO_MODE), 0);
    QCOMPARE(o.dialog.Commands(app::IDC_CHECK_BRAXO_MODE, Notification::Clicked), 2);
  }

  void autoRadioGroupsAreExclusive() {
    Opened o(app::IDD_HID_TEST_DIALOG);
    const int ids[] = {app::IDC_RADIO_TIMER_10K, app::IDC_RADIO_20K, app::IDC_RADIO_50K};
    auto checks = [&] {
      QString s;
      for (int id : ids) s += QString::number(o.window->GetCheck(id));
      return s;
    };
    o.window->SetCheck(app::IDC_CHECK_ACTIVE_HIGH, 1);
    QTest::mouseClick(o.Get<QRadioButton>(app::IDC_RADIO_20K), Qt::LeftButton);
    QCOMPARE(checks(), QString("010"));
    QTest::mouseClick(o.Get<QRadioButton>(app::IDC_RADIO_50K), Qt::LeftButton);
    QCOMPARE(checks(), QString("001"));
    // Clicking the checked one keeps it checked, and the group leaves other controls alone.
    QTest::mouseClick(o.Get<QRadioButton>(app::IDC_RADIO_50K), Qt::LeftButton);
    QCOMPARE(checks(), QString("001"));
    QCOMPARE(o.window->GetCheck(app::IDC_CHECK_ACTIVE_HIGH), 1);
    QCOMPARE(o.dialog.Commands(app::IDC_RADIO_50K, Notification::Clicked), 2);
    // Arrows move through the group and choose.
    o.Get<QRadioButton>(app::IDC_RADIO_50K)->setFocus();
    QTest::keyClick(o.Get<QRadioButton>(app::IDC_RADIO_50K), Qt::Key_Right);
    QCOMPARE(checks(), QString("100"));
    QCOMPARE(o.dialog.Commands(app::IDC_RADIO_TIMER_10K, Notification::Clicked), 1);
    // The program sets each button on its own; none checked is possible.
    for (int id : ids) o.window->SetCheck(id, 0);
    QCOMPARE(checks(), QString("000"));
  }

  void enterPressesTheDefaultButton() {
    Opened o(app::IDD_HID_TEST_DIALOG);
    auto* steps = o.Get<QLineEdit>(app::IDC_EDIT_STEPS);
    steps->setFocus();
    QTest::keyClick(steps, Qt::Key_Return);
    QCOMPARE(o.dialog.Commands(ui::IDOK, Notification::Clicked), 1);

    o.window->SetDefaultButton(app::IDC_BUTTON_READ_PIC);
    QCOMPARE(o.window->GetDefaultButton(), app::IDC_BUTTON_READ_PIC);
    QVERIFY(o.Get<QPushButton>(app::IDC_BUTTON_READ_PIC)->isDefault());
    QVERIFY(!o.Get<QPushButton>(ui::IDOK)->isDefault());
    QTest::keyClick(steps, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(o.dialog.Commands(app::IDC_BUTTON_READ_PIC, Notification::Clicked), 1);
    QCOMPARE(o.dialog.Commands(ui::IDOK, Notification::Clicked), 1);

    // A disabled default button is not pressed.
    o.window->EnableControl(app::IDC_BUTTON_READ_PIC, false);
    QTest::keyClick(steps, Qt::Key_Return);
    QCOMPARE(o.dialog.Commands(app::IDC_BUTTON_READ_PIC, Notification::Clicked), 1);

    // A focused push button is the one Enter presses.
    auto* status = o.Get<QPushButton>(app::IDC_BUTTON_STATUS);
    status->setFocus();
    QTest::keyClick(status, Qt::Key_Return);
    QCOMPARE(o.dialog.Commands(app::IDC_BUTTON_STATUS, Notification::Clicked), 1);
  }

  void escapeAndCloseCancel() {
    Opened o(app::IDD_HID_TEST_DIALOG);
    auto* motors = o.Get<QLineEdit>(app::IDC_EDIT_MOTORS);
    motors->setFocus();
    QTest::keyClick(motors, Qt::Key_Escape);
    QCOMPARE(o.dialog.Commands(ui::IDCANCEL, Notification::Clicked), 1);
    // A modeless window is only hidden by its end.
    QVERIFY(!o.window->isVisible());
    QVERIFY(o.dialog.HasWindow());
    o.window->show();
    o.window->close();
    QCOMPARE(o.dialog.Commands(ui::IDCANCEL, Notification::Clicked), 2);
  }

  void editAndListNotifications() {
    Opened o(app::IDD_HID_TEST_DIALOG);
    auto* motors = o.Get<QLineEdit>(app::IDC_EDIT_MOTORS);
    motors->setFocus();
    QTRY_COMPARE(o.dialog.Commands(app::IDC_EDIT_MOTORS, Notification::SetFocus), 1);
    QTest::keyClicks(motors, "12x");  // digits only: the x is dropped
    QCOMPARE(motors->text(), QString("12"));
    QCOMPARE(o.dialog.Commands(app::IDC_EDIT_MOTORS, Notification::Update), 2);
    QCOMPARE(o.dialog.Commands(app::IDC_EDIT_MOTORS, Notification::Change), 2);
    o.window->SetText(app::IDC_EDIT_MOTORS, "255");
    QCOMPARE(o.window->GetText(app::IDC_EDIT_MOTORS), std::string("255"));
    QCOMPARE(o.dialog.Commands(app::IDC_EDIT_MOTORS, Notification::Change), 3);
    o.window->SetSel(app::IDC_EDIT_MOTORS, 1, -1);
    int s = -1, e = -1;
    o.window->GetSel(app::IDC_EDIT_MOTORS, s, e);
    QCOMPARE(s, 1);
    QCOMPARE(e, 3);

    // Sorted combo: AddString keeps the entries in order; the program's selection is silent.
    const int pins = app::IDC_COMBO_STEP1;
    for (const char* pin : {"Pin9(D7)", "Pin3(D1)", "Pin5(D3)"}) o.window->AddString(pins, pin);
    QCOMPARE(o.window->GetItemText(pins, 0), std::string("Pin3(D1)"));
    QCOMPARE(o.window->GetItemText(pins, 2), std::string("Pin9(D7)"));
    QCOMPARE(o.window->SetCurSel(pins, 1), 1);
    QCOMPARE(o.window->GetText(pins), std::string("Pin5(D3)"));
    QCOMPARE(o.window->SetCurSel(pins, 7), ui::CB_ERR);
    QCOMPARE(o.window->GetCurSel(pins), -1);
    QCOMPARE(o.dialog.Commands(pins, Notification::SelChange), 0);
    auto* combo = o.Get<QComboBox>(pins);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(o.dialog.Commands(pins, Notification::SelChange), 1);
    // The presets list is not sorted.
    o.window->AddString(app::IDC_COMBO_PRESET, "QD5500");
    o.window->AddString(app::IDC_COMBO_PRESET, "LORVEN");
    QCOMPARE(o.window->GetItemText(app::IDC_COMBO_PRESET, 1), std::string("LORVEN"));

    // The sorted log: InsertString at -1 keeps arrival order, AddString sorts.
    const int log = app::IDC_LIST_LOG;
    QCOMPARE(o.window->InsertString(log, -1, "b second"), 0);
    QCOMPARE(o.window->InsertString(log, -1, "a third"), 1);
    QCOMPARE(o.window->AddString(log, "a first"), 0);
    QCOMPARE(o.window->GetItemText(log, 2), std::string("a third"));
    QCOMPARE(o.window->InsertString(log, 9, "nowhere"), ui::LB_ERR);
    QCOMPARE(o.window->SetCurSel(log, 2), 2);
    QCOMPARE(o.window->SetCurSel(log, -1), ui::LB_ERR);
    QCOMPARE(o.window->GetCurSel(log), ui::LB_ERR);
    QCOMPARE(o.dialog.Commands(log, Notification::SelChange), 0);
    auto* list = o.Get<QListWidget>(log);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    QCOMPARE(o.window->GetCurSel(log), 1);
    QCOMPARE(o.dialog.Commands(log, Notification::SelChange), 1);
    QCOMPARE(o.window->DeleteString(log, 0), 2);
  }

  void subclassedEditGoesThroughItsHook() {
    Opened o(app::IDD_HID_TEST_DIALOG);
    FakeHook hook;
    o.window->SubclassControl(app::IDC_EDIT_ADDR, &hook);
    auto* addr = o.Get<QLineEdit>(app::IDC_EDIT_ADDR);
    addr->setFocus();

    // Typed characters: replaced, swallowed or passed as the hook says.
    QTest::keyClicks(addr, "1ag-");
    QCOMPARE(addr->text(), QString("1A"));
    QVERIFY(hook.SawChar(U'g'));
    // Text changes reach the hook, not the dialog.
    QCOMPARE(hook.updates, 2);
    QCOMPARE(o.dialog.Commands(app::IDC_EDIT_ADDR, Notification::Update), 0);
    o.window->SetText(app::IDC_EDIT_ADDR, "0x0000");
    QCOMPARE(hook.updates, 3);

    // Keys reach the hook as key-downs; a swallowed Ctrl+V pastes nothing.
    QGuiApplication::clipboard()->setText("12");
    addr->setCursorPosition(6);
    QTest::keyClick(addr, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(hook.SawKeyDown('V', true));
    QCOMPARE(addr->text(), QString("0x0000"));
    hook.refusePaste = false;
    QTest::keyClick(addr, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(addr->text(), QString("0x000012"));
    QTest::keyClick(addr, Qt::Key_Backspace);
    QVERIFY(hook.SawChar(8));
    QTest::keyClick(addr, Qt::Key_Delete);
    QVERIFY(hook.SawKeyDown(ui::VK_DELETE, false));
    QTest::keyClick(addr, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(hook.SawKeyDown('Z', true));

    // Qt's other paste key brings the clipboard through AcceptInsertion.
    o.window->SetText(app::IDC_EDIT_ADDR, "5");
    addr->setCursorPosition(1);
    QGuiApplication::clipboard()->setText("zz");
    QTest::keyClick(addr, Qt::Key_Insert, Qt::ShiftModifier);
    QVERIFY(hook.SawKeyDown(0x2D, false));
    QCOMPARE(hook.insertions.back(), std::string("zz"));
    QCOMPARE(addr->text(), QString("5"));

    // A drop is judged where it lands, and refused text stays out.
    auto drop = [addr](const QString& text) {
      QMimeData data;
      data.setText(text);
      const QPoint at(addr->width() - 3, addr->height() / 2);
      QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(addr, &enter);
      QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(addr, &dropped);
    };
    drop("q1");
    QCOMPARE(hook.insertions.back(), std::string("q1"));
    QCOMPARE(addr->text(), QString("5"));
    drop("BE");
    QCOMPARE(hook.insertions.back(), std::string("BE"));
    QCOMPARE(addr->text(), QString("5BE"));

    // Input method text: one character is typing, more is an insertion.
    QInputMethodEvent typed;
    typed.setCommitString("c");
    QApplication::sendEvent(addr, &typed);
    QCOMPARE(addr->text(), QString("5BEC"));
    QInputMethodEvent word;
    word.setCommitString("xyz");
    QApplication::sendEvent(addr, &word);
    QCOMPARE(hook.insertions.back(), std::string("xyz"));
    QCOMPARE(addr->text(), QString("5BEC"));

    // The context menu is the hook's, at the screen point.
    const QPoint local(4, 4);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, local, addr->mapToGlobal(local));
    QApplication::sendEvent(addr, &menu);
    QCOMPARE(hook.menus.size(), std::size_t(1));
    QCOMPARE(hook.menus[0].x, addr->mapToGlobal(local).x());
    QCOMPARE(hook.menus[0].y, addr->mapToGlobal(local).y());
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
  }

  void timersDeliverTicks() {
    Opened o(app::IDD_CONNECT_PROMPT);
    o.window->SetTimer(7, 5);
    QTRY_VERIFY(o.dialog.Count(MsgKind::Timer, 0, Notification::Clicked, 7) >= 2);
    o.window->KillTimer(7);
    const int ticks = o.dialog.Count(MsgKind::Timer, 0, Notification::Clicked, 7);
    QTest::qWait(50);
    QCOMPARE(o.dialog.Count(MsgKind::Timer, 0, Notification::Clicked, 7), ticks);
    // Set again after a kill: it runs again.
    o.window->SetTimer(7, 5);
    QTRY_VERIFY(o.dialog.Count(MsgKind::Timer, 0, Notification::Clicked, 7) > ticks);
    o.window->KillTimer(7);

    // RepaintNow paints what is pending but holds ticks back: a long command is not re-entered.
    o.window->SetTimer(3, 0);
    QTRY_VERIFY(o.dialog.Count(MsgKind::Timer, 0, Notification::Clicked, 3) > 0);
    const int before = o.dialog.Count(MsgKind::Timer, 0, Notification::Clicked, 3);
    const int paints = o.dialog.Count(MsgKind::Paint);
    o.window->update();
    o.window->RepaintNow();
    QVERIFY(o.dialog.Count(MsgKind::Paint) > paints);
    QCOMPARE(o.dialog.Count(MsgKind::Timer, 0, Notification::Clicked, 3), before);
    QTRY_VERIFY(o.dialog.Count(MsgKind::Timer, 0, Notification::Clicked, 3) > before);
    o.window->KillTimer(3);
  }

  void systemMenuItems() {
    Opened o(app::IDD_HID_TEST_DIALOG);
    o.window->AppendSystemMenuSeparator();
    o.window->AppendSystemMenuItem(app::IDM_ABOUTBOX, "&About ZBK Utility...");
    // F1 asks for the first item.
    QTest::keyClick(o.Get<QLineEdit>(app::IDC_EDIT_STEPS), Qt::Key_F1);
    QCOMPARE(o.dialog.Count(MsgKind::SysCommand, 0, Notification::Clicked, app::IDM_ABOUTBOX), 1);

    // A right click on the background offers the items; the separator the program put first
    // is not shown.
    QStringList shown;
    WhenModalUp([&shown](QWidget* up) {
      auto* menu = qobject_cast<QMenu*>(up);
      if (!menu) return;
      for (QAction* a : menu->actions()) shown << (a->isSeparator() ? "-" : a->text());
      QTest::keyClick(menu, Qt::Key_Down);
      QTest::keyClick(menu, Qt::Key_Return);
    });
    const QPoint background(o.window->width() - 4, o.window->height() - 4);
    QVERIFY(o.window->childAt(background) == nullptr);
    QContextMenuEvent onBackground(QContextMenuEvent::Mouse, background,
                                   o.window->mapToGlobal(background));
    QApplication::sendEvent(o.window.get(), &onBackground);
    QCOMPARE(shown, QStringList{"&About ZBK Utility..."});
    QCOMPARE(o.dialog.Count(MsgKind::SysCommand, 0, Notification::Clicked, app::IDM_ABOUTBOX), 2);

    // On a control there is no such menu.
    auto* status = o.Get<QPushButton>(app::IDC_BUTTON_STATUS);
    QContextMenuEvent onButton(QContextMenuEvent::Mouse, QPoint(3, 3),
                               status->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(status, &onButton);
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
    QCOMPARE(o.dialog.Count(MsgKind::SysCommand, 0, Notification::Clicked, app::IDM_ABOUTBOX), 2);
  }

  void popupMenuReturnsTheChoice() {
    Opened o(app::IDD_HID_TEST_DIALOG);
    const std::vector<ui::MenuItem> items = {
        {199, "&Annuler", false, true}, {0, "", true, false}, {768, "&Couper", false, false}};
    bool greyed = false;
    WhenModalUp([&greyed](QWidget* up) {
      auto* menu = qobject_cast<QMenu*>(up);
      if (!menu) return;
      greyed = !menu->actions()[0]->isEnabled() && menu->actions()[1]->isSeparator();
      QTest::keyClick(menu, Qt::Key_Down);
      QTest::keyClick(menu, Qt::Key_Return);
    });
    QCOMPARE(o.window->TrackPopupMenu(items, {50, 50}), 768);
    QVERIFY(greyed);
    WhenModalUp([](QWidget* up) { QTest::keyClick(up, Qt::Key_Escape); });
    QCOMPARE(o.window->TrackPopupMenu(items, {50, 50}), 0);
  }

  void messageBoxes() {
    struct Case {
      unsigned type;
      Qt::Key key;
      int answer;
      QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {ui::MB_OK | ui::MB_ICONEXCLAMATION, Qt::Key_Escape, ui::IDOK, QMessageBox::Warning},
        {ui::MB_OKCANCEL | ui::MB_ICONEXCLAMATION, Qt::Key_Escape, ui::IDCANCEL,
         QMessageBox::Warning},
        {ui::MB_OKCANCEL | ui::MB_ICONINFORMATION, Qt::Key_Return, ui::IDOK,
         QMessageBox::Information},
        {ui::MB_OK | ui::MB_ICONSTOP, Qt::Key_Return, ui::IDOK, QMessageBox::Critical},
    };
    for (const auto& c : cases) {
      QString title, text;
      QMessageBox::Icon icon = QMessageBox::NoIcon;
      int buttons = 0;
      WhenModalUp([&, key = c.key](QWidget* up) {
        auto* box = qobject_cast<QMessageBox*>(up);
        if (!box) return;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = int(box->buttons().size());
        QTest::keyClick(box, key);
      });
      QCOMPARE(ui::AfxMessageBox("Programmation failure.\r\n\r\nVerify.", c.type), c.answer);
      QCOMPARE(title, Q(app::ProgramResources().appName));
      QCOMPARE(text, QString("Programmation failure.\n\nVerify."));
      QCOMPARE(icon, c.icon);
      QCOMPARE(buttons, (c.type & ui::MB_TYPEMASK) == ui::MB_OKCANCEL ? 2 : 1);
    }
    // A window's own box carries the caption it is given.
    Opened o(app::IDD_HID_TEST_DIALOG);
    QString title;
    WhenModalUp([&title](QWidget* up) {
      title = up->windowTitle();
      QTest::keyClick(up, Qt::Key_Return);
    });
    QCOMPARE(o.window->MessageBox("Put the QD5500 jump into normal position", "QD5500 jump",
                                  ui::MB_OK | ui::MB_ICONEXCLAMATION),
             ui::IDOK);
    QCOMPARE(title, QString("QD5500 jump"));
  }

  void modalRunOwnsItsModelessWindows() {
    Probe main(app::IDD_HID_TEST_DIALOG);
    Probe prompt(app::IDD_CONNECT_PROMPT);
    int firstFocus = -1;
    bool promptHidden = false, promptKept = false, promptWentFirst = false;
    main.onDestroy = [&] { promptWentFirst = !prompt.HasWindow(); };
    ui::Rect moved;
    main.onInit = [&](Probe& self) {
      QVERIFY(!self.GetWindow()->IsWindowVisible());  // not shown before initialisation ends
      QVERIFY(prompt.Create(app::IDD_CONNECT_PROMPT, &self));
      QVERIFY(prompt.Create(app::IDD_CONNECT_PROMPT, &self));  // still the one window
    };
    QTimer::singleShot(0, [&] {
      auto* w = static_cast<DialogWindow*>(main.GetWindow());
      firstFocus = w->GetFocus();
      ui::WindowPort* p = prompt.GetWindow();
      promptHidden = !p->IsWindowVisible();
      p->ShowWindow(true);
      const ui::Rect r = p->GetWindowRect();
      p->MoveWindow({r.left + 10, r.top + 20, r.right + 10, r.bottom + 20}, true);
      moved = p->GetWindowRect();
      moved = {moved.left - r.left, moved.top - r.top, moved.Width() - r.Width(), 0};
      prompt.EndDialog(ui::IDOK);  // only hides it
      promptKept = prompt.HasWindow() && !p->IsWindowVisible();
      main.EndDialog(ui::IDOK);
    });
    QCOMPARE(main.DoModal(), ui::IDOK);
    QCOMPARE(firstFocus, app::IDC_BUTTON_CONNECT);  // the first tab stop
    QVERIFY(promptHidden);
    QVERIFY(promptKept);
    QCOMPARE(moved.left, 10);
    QCOMPARE(moved.top, 20);
    QCOMPARE(moved.right, 0);
    // Both windows went, the prompt first, each dialog told while its window still existed.
    QVERIFY(!main.HasWindow());
    QVERIFY(!prompt.HasWindow());
    QVERIFY(main.windowAtDestroy);
    QVERIFY(prompt.windowAtDestroy);
    QVERIFY(promptWentFirst);
    QCOMPARE(main.messages.back().kind, MsgKind::Destroy);

    // Ending during initialisation returns at once.
    Probe quick(app::IDD_ABOUTBOX);
    quick.onInit = [](Probe& self) { self.EndDialog(ui::IDOK); };
    QCOMPARE(quick.DoModal(), ui::IDOK);
    QCOMPARE(quick.Count(MsgKind::Destroy), 1);
    // Escape ends a modal dialog with IDCANCEL.
    Probe about(app::IDD_ABOUTBOX);
    WhenModalUp([](QWidget* up) { QTest::keyClick(up, Qt::Key_Escape); });
    QCOMPARE(about.DoModal(), ui::IDCANCEL);
  }

  void openFileDialog() {
    QTemporaryDir dir;
    const QString file = dir.filePath("blink.hex");
    {
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QStringList filters;
    WhenModalUp([&](QWidget* up) {
      auto* dialog = qobject_cast<QFileDialog*>(up);
      if (!dialog) return;
      filters = dialog->nameFilters();
      dialog->selectFile(file);
      static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(host_->GetOpenFileName("Fichier hex", "*.hex").value_or(""), file.toStdString());
    QCOMPARE(filters, QStringList{"Fichier hex (*.hex)"});
    WhenModalUp([](QWidget* up) {
      if (auto* dialog = qobject_cast<QFileDialog*>(up)) dialog->reject();
    });
    QVERIFY(!host_->GetOpenFileName("Fichier hex", "*.hex").has_value());
  }

  void clipboardAndWaitCursor() {
    QVERIFY(host_->SetClipboardText("0xAB"));
    QVERIFY(host_->OpenClipboard());
    QVERIFY(host_->IsClipboardTextAvailable());
    QCOMPARE(host_->GetClipboardText().value_or(""), std::string("0xAB"));
    host_->CloseClipboard();
    QGuiApplication::clipboard()->clear();
    QVERIFY(!host_->GetClipboardText().has_value());

    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    const ui::CursorToken outer = host_->SetWaitCursor();
    host_->SetWaitCursor();
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    // The outer token takes the inner one with it.
    host_->RestoreCursor(outer);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
  }

  // Last: the host writes one screenshot, of the first modal dialog it runs.
  void screenshotOfTheFirstModalDialog() {
    QTemporaryDir dir;
    const QString path = dir.filePath("main.png");
    qthost::QtHost host;
    ui::SetHost(&host);
    host.SetScreenshotPath(path.toStdString());
    Probe main(app::IDD_HID_TEST_DIALOG);
    int boxAnswer = 0;
    // A box on the way does not hold the run up.
    main.onInit = [&boxAnswer](Probe&) {
      boxAnswer = ui::AfxMessageBox("Erase?", ui::MB_OKCANCEL | ui::MB_ICONEXCLAMATION);
    };
    QCOMPARE(main.DoModal(), ui::IDCANCEL);
    ui::SetHost(host_.get());
    QCOMPARE(boxAnswer, ui::IDCANCEL);
    QVERIFY(host.ScreenshotWritten());
    QImage shot(path);
    QVERIFY(!shot.isNull());
    Opened sized(app::IDD_HID_TEST_DIALOG);
    QCOMPARE(shot.size(), sized.window->size() * sized.window->devicePixelRatio());
    // Not blank: the log's white field and the dialog's face both show.
    const QPoint inLog = sized.Get<QListWidget>(app::IDC_LIST_LOG)->geometry().center();
    QVERIFY(shot.pixelColor(inLog) != shot.pixelColor(2, shot.height() - 2));
  }
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QtHostTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "qt_host_test.moc"
