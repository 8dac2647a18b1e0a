// The Addr field's real edit on the Qt host: what typing, pasting, dropping and the French
// context menu let into it.

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "app/resource_ids.h"
#include "app/resources.h"
#include "hexedit/hex_edit.h"
#include "qt/dialog_window.h"
#include "qt/qt_host.h"
#include "ui/data_exchange.h"

namespace {

// The main template with nothing but the Addr field bound, as the main dialog binds it.
class AddrDialog : public ui::CDialog {
 public:
  AddrDialog() : ui::CDialog(app::IDD_HID_TEST_DIALOG) {}
  void DoDataExchange(ui::CDataExchange& dx) override {
    ui::DDX_Control(dx, app::IDC_EDIT_ADDR, edit);
  }
  hexedit::CHexEdit edit;
};

struct Field {
  Field() {
    auto& host = static_cast<qthost::QtHost&>(ui::CurrentHost());
    window = std::make_unique<qthost::DialogWindow>(host, dialog, *dialog.Template(), nullptr,
                                                    qthost::DialogWindow::Mode::Modeless);
    dialog.AttachWindow(window.get());
    dialog.OnInitDialog();
    window->show();
    window->activateWindow();
    QTest::qWaitForWindowExposed(window.get());
    edit = qobject_cast<QLineEdit*>(window->Control(app::IDC_EDIT_ADDR));
    edit->setFocus();
  }
  ~Field() { window->TearDown(); }
  void Set(const char* text, int caret) {
    dialog.edit.SetWindowText(text);
    edit->setCursorPosition(caret);
  }

  AddrDialog dialog;
  std::unique_ptr<qthost::DialogWindow> window;
  QLineEdit* edit = nullptr;
};

// Runs `action` on the next popup menu once it is up.
void WhenMenuUp(std::function<void(QMenu*)> action) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, action] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || !menu->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    action(menu);
  });
  poll->start();
}

void OpenMenu(QLineEdit* edit) {
  const QPoint local(4, 4);
  QContextMenuEvent event(QContextMenuEvent::Mouse, local, edit->mapToGlobal(local));
  QApplication::sendEvent(edit, &event);
}

// Each entry's text, or "-" for a separator, with "(grey)" after the greyed ones.
QStringList Entries(QMenu* menu) {
  QStringList out;
  for (auto* a : menu->actions()) {
    out << (a->isSeparator() ? QString("-") : a->text() + (a->isEnabled() ? "" : " (grey)"));
  }
  return out;
}

void Drop(QLineEdit* edit, const QString& text) {
  QMimeData data;
  data.setText(text);
  const QPoint at(edit->width() - 3, edit->height() / 2);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(edit, &enter);
  QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(edit, &dropped);
}

}  // namespace

class HexEditQtTest : public QObject {
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

  void typing() {
    Field f;
    f.Set("", 0);
    QTest::keyClicks(f.edit, "a");
    QCOMPARE(f.edit->text(), QString("A"));
    f.Set("", 0);
    QTest::keyClicks(f.edit, "0X1fg-");
    QCOMPARE(f.edit->text(), QString("0x1F"));
    QVERIFY(f.dialog.edit.IsHex());
    QCOMPARE(f.dialog.edit.GetValue(), 31u);
    // 'x' only right behind a leading zero.
    f.Set("5", 1);
    QTest::keyClicks(f.edit, "x");
    QCOMPARE(f.edit->text(), QString("5"));
  }

  void thePrefixStays() {
    Field f;
    struct Case {
      int caret;
      Qt::Key key;
      const char* after;
    };
    const Case cases[] = {
        {0, Qt::Key_5, "0x1F"},     {1, Qt::Key_5, "0x1F"},         {0, Qt::Key_Delete, "0x1F"},
        {1, Qt::Key_Delete, "01F"}, {1, Qt::Key_Backspace, "0x1F"}, {2, Qt::Key_Backspace, "01F"},
        {4, Qt::Key_5, "0x1F5"},
    };
    for (const auto& c : cases) {
      f.Set("0x1F", c.caret);
      QTest::keyClick(f.edit, c.key);
      QCOMPARE(f.edit->text(), QString(c.after));
    }
    // Ctrl+X of exactly the leading zero is refused.
    f.Set("0x1F", 0);
    f.edit->setSelection(0, 1);
    QTest::keyClick(f.edit, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(f.edit->text(), QString("0x1F"));
  }

  // Every binding the running key scheme gives to an editing action of the edit, judged as that
  // action: the '0' of a prefix never goes alone, and the action still works where it may.
  void everyStandardEditKeyKeepsTheRules() {
    struct Case {
      const char* text;
      int start;  // the selection; the caret alone when start == end
      int end;
      const char* after;
    };
    struct Row {
      QKeySequence::StandardKey key;
      const char* name;
      QString clipboard;
      std::vector<Case> cases;
    };
    const Row rows[] = {
        {QKeySequence::Delete,
         "Delete",
         "",
         {{"0x1F", 0, 0, "0x1F"},
          {"0x1F", 0, 1, "0x1F"},
          {"0x1F", 1, 1, "01F"},
          {"0x1F", 0, 2, "1F"}}},
        {QKeySequence::Cut,
         "Cut",
         "",
         {{"0x1F", 0, 1, "0x1F"}, {"0x1F", 0, 0, "0x1F"}, {"0x1F", 2, 4, "0x"}}},
        {QKeySequence::Paste, "Paste", "x5", {{"0x1F", 0, 0, "0x1F"}, {"0", 1, 1, "0x5"}}},
        {QKeySequence::Paste, "Paste", "g", {{"12", 2, 2, "12"}}},
        {QKeySequence::DeleteStartOfWord,
         "DeleteStartOfWord",
         "",
         {{"0x1F", 1, 1, "0x1F"}, {"0x1F", 0, 1, "0x1F"}, {"0x1F", 4, 4, ""}}},
        {QKeySequence::DeleteEndOfWord,
         "DeleteEndOfWord",
         "",
         {{"0x1F", 0, 1, "0x1F"}, {"0x1F", 0, 0, ""}}},
        {QKeySequence::DeleteEndOfLine,
         "DeleteEndOfLine",
         "",
         {{"0x1F", 1, 1, "0"}, {"0x1F", 0, 0, ""}}},
        {QKeySequence::DeleteCompleteLine, "DeleteCompleteLine", "", {{"0x1F", 2, 2, ""}}},
        {QKeySequence::Backspace, "Backspace", "", {{"0x1F", 1, 1, "0x1F"}, {"0x1F", 2, 2, "01F"}}},
    };
    Field f;
    auto* clipboard = QGuiApplication::clipboard();
    int tried = 0;
    for (const Row& row : rows) {
      for (const QKeySequence& binding : QKeySequence::keyBindings(row.key)) {
        for (const Case& c : row.cases) {
          f.Set(c.text, c.end);
          if (c.start != c.end) f.edit->setSelection(c.start, c.end - c.start);
          clipboard->setText(row.clipboard);
          if (clipboard->supportsSelection())
            clipboard->setText(row.clipboard, QClipboard::Selection);
          QTest::keySequence(f.edit, binding);
          const QString where = QString("%1 %2 on \"%3\" [%4, %5)")
                                    .arg(row.name, binding.toString(), c.text)
                                    .arg(c.start)
                                    .arg(c.end);
          QVERIFY2(f.edit->text() == c.after,
                   qPrintable(where + " gave \"" + f.edit->text() + "\""));
          ++tried;
        }
      }
    }
    QVERIFY(tried > 0);
    // Undo and redo only step between texts the rules let in.
    for (const QKeySequence& binding : QKeySequence::keyBindings(QKeySequence::Undo)) {
      f.Set("0x1F", 4);
      QTest::keyClicks(f.edit, "5");
      QTest::keySequence(f.edit, binding);
      QCOMPARE(f.edit->text(), QString("0x1F"));
    }
    for (const QKeySequence& binding : QKeySequence::keyBindings(QKeySequence::Redo)) {
      f.Set("0x1F", 4);
      QTest::keyClicks(f.edit, "5");
      f.edit->undo();
      QTest::keySequence(f.edit, binding);
      QCOMPARE(f.edit->text(), QString("0x1F5"));
    }
    if (QGuiApplication::platformName() == "xcb") {
      // The X11 scheme's own bindings are among those tried above.
      QVERIFY(QKeySequence::keyBindings(QKeySequence::Delete)
                  .contains(QKeySequence(Qt::CTRL | Qt::Key_D)));
      QVERIFY(QKeySequence::keyBindings(QKeySequence::Cut).contains(QKeySequence(Qt::Key_F20)));
      QVERIFY(QKeySequence::keyBindings(QKeySequence::DeleteCompleteLine)
                  .contains(QKeySequence(Qt::CTRL | Qt::Key_U)));
    }
  }

  void pastesAndDrops() {
    Field f;
    auto* clipboard = QGuiApplication::clipboard();
    f.Set("", 0);
    clipboard->setText("0x12");
    QTest::keyClick(f.edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.edit->text(), QString("0x12"));
    f.Set("0x5", 3);
    QTest::keyClick(f.edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.edit->text(), QString("0x5"));
    f.Set("0", 1);
    clipboard->setText("x5");
    QTest::keyClick(f.edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.edit->text(), QString("0x5"));
    f.Set("", 0);
    clipboard->setText("1f");
    QTest::keyClick(f.edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.edit->text(), QString("1f"));  // pasted as it stands: decimal one
    QCOMPARE(f.dialog.edit.GetValue(), 1u);
    // Shift+Insert is a paste too.
    f.Set("12", 2);
    clipboard->setText("g");
    QTest::keyClick(f.edit, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(f.edit->text(), QString("12"));
    // A drop that would break the number stays out; one that fits goes in.
    f.Set("12", 2);
    Drop(f.edit, "0x5");
    QCOMPARE(f.edit->text(), QString("12"));
    Drop(f.edit, "AB");
    QCOMPARE(f.edit->text(), QString("12AB"));
  }

  void menuOnAnEmptyField() {
    Field f;
    f.Set("", 0);
    QGuiApplication::clipboard()->setText("12");
    QStringList seen;
    WhenMenuUp([&seen](QMenu* menu) {
      seen = Entries(menu);
      menu->close();
    });
    OpenMenu(f.edit);
    QCOMPARE(seen, (QStringList{"&Annuler (grey)", "-", "&Couper (grey)", "Copi&er (grey)",
                                "C&oller", "&Supprimer (grey)", "-",
                                QString::fromUtf8("S\xC3\xA9lectio&nner tout (grey)"), "-",
                                "Con&vertir (grey)"}));
  }

  void menuConvertsAndIsGreyOnAPrefixAlone() {
    Field f;
    f.Set("0x", 2);
    QStringList seen;
    WhenMenuUp([&seen](QMenu* menu) {
      seen = Entries(menu);
      menu->close();
    });
    OpenMenu(f.edit);
    QVERIFY(seen.contains("Con&vertir (grey)"));

    f.Set("255", 3);
    WhenMenuUp([](QMenu* menu) {
      for (auto* a : menu->actions()) {
        if (a->text() == "Con&vertir") menu->setActiveAction(a);
      }
      QTest::keyClick(menu, Qt::Key_Return);
    });
    OpenMenu(f.edit);
    QCOMPARE(f.edit->text(), QString("0xFF"));
    QVERIFY(f.dialog.edit.IsHex());
  }

  void clipboardIsNormalisedBeforeAMenuCommand() {
    Field f;
    f.Set("12", 2);
    f.edit->setSelection(0, 2);
    QGuiApplication::clipboard()->setText("0Xab");
    WhenMenuUp([](QMenu* menu) {
      for (auto* a : menu->actions()) {
        if (a->text() == "&Annuler") menu->setActiveAction(a);
      }
      QTest::keyClick(menu, Qt::Key_Escape);
    });
    OpenMenu(f.edit);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("0Xab"));  // dismissed: untouched
    WhenMenuUp([](QMenu* menu) {
      for (auto* a : menu->actions()) {
        if (a->text() == "&Supprimer") menu->setActiveAction(a);
      }
      QTest::keyClick(menu, Qt::Key_Return);
    });
    OpenMenu(f.edit);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("0xAB"));
    QCOMPARE(f.edit->text(), QString(""));
  }
};

QTEST_MAIN(HexEditQtTest)
#include "hex_edit_qt_test.moc"
