// Program PIC in the real Qt window on the simulated board: what the window itself shows while
// the records go out, and after. With ZBK_PROGRESS_SCREENSHOT set, the mid-run grab is saved there.
// Also the log as the real list shows it.

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/chid_test_dlg.h"
#include "app/resource_ids.h"
#include "clock/clock.h"
#include "kit/hex_text.h"
#include "program/session.h"
#include "qt/dialog_window.h"
#include "qt/qt_host.h"
#include "sim/sim_hid_platform.h"

namespace {

constexpr int kRecords = 12;
constexpr int kGrabAt = 5;  // records accepted when the grab is taken

// Answers every box with its default button and the file dialog with `file`, for as long as it
// lives.
class Answerer {
 public:
  explicit Answerer(const QString& file) {
    QObject::connect(&poll_, &QTimer::timeout, [file] {
      QWidget* up = QApplication::activeModalWidget();
      if (!up || !up->isVisible()) return;
      if (auto* box = qobject_cast<QMessageBox*>(up)) {
        QTest::keyClick(box, Qt::Key_Return);
      } else if (auto* dialog = qobject_cast<QFileDialog*>(up)) {
        dialog->selectFile(file);
        static_cast<QDialog*>(dialog)->accept();
      }
    });
    poll_.start(10);
  }

 private:
  QTimer poll_;
};

}  // namespace

class ProgressQtTest : public QObject {
  Q_OBJECT

 private slots:
  void programPicShowsRecordsDoneOfTheTotal() {
    QTemporaryDir dir;
    const QString file = dir.filePath("blink.hex");
    {
      std::string text;
      for (int i = 0; i < kRecords; ++i) {
        text += testkit::WordRecord(std::uint16_t(0x20 * i), std::vector<std::uint16_t>(8, 0x3FFF));
        text += "\n";
      }
      text += testkit::kEndRecord + "\n";
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(text.data(), qint64(text.size()));
    }

    clk::VirtualClock clock;
    sim::SimHidPlatform bus{clock};
    qthost::QtHost host;
    program::Session session(&host, &bus, &clock);
    bus.AddBoard("ZBK 2.1");

    // Seen in the window while the header after record kGrabAt goes out.
    int headers = 0;
    bool grabbed = false;
    QString midTitle, midFormat;
    int midValue = -1, midMaximum = -1;
    QImage shot;
    bus.SetTraceSink([&](const sim::TraceEntry& e) {
      if (!e.toBoard || e.bytes.size() < 3 || e.bytes[1] != 'R') return;
      if (++headers != kGrabAt + 1) return;
      qthost::DialogWindow* window = host.TopModal();
      if (!window) return;
      grabbed = true;
      midTitle = window->windowTitle();
      if (QProgressBar* bar = window->ProgressBar()) {
        midFormat = bar->text();
        midValue = bar->value();
        midMaximum = bar->maximum();
      }
      shot = window->grab().toImage();
    });

    QString endTitle;
    bool barAfter = true;
    app::Chid_testDlg dlg;
    Answerer answerer(file);
    QTimer::singleShot(50, [&] {
      qthost::DialogWindow* window = host.TopModal();
      QVERIFY(window);
      auto* button = qobject_cast<QPushButton*>(window->Control(app::IDC_BUTTON_PROGRAM_PIC));
      QVERIFY(button);
      button->click();  // the whole run, boxes and all
      endTitle = window->windowTitle();
      barAfter = window->ProgressBar() != nullptr;
      window->EndDialog(ui::IDCANCEL);
    });
    dlg.DoModal();

    QVERIFY(grabbed);
    QCOMPARE(midValue, kGrabAt);
    QCOMPARE(midMaximum, kRecords);
    QCOMPARE(midFormat, QString("5 of 12"));
    QVERIFY2(midTitle.endsWith("5 of 12"), qPrintable(midTitle));
    QVERIFY(!shot.isNull());
    // Once the run is over the window no longer shows any progress.
    QVERIFY(!barAfter);
    QCOMPARE(endTitle, QString("ZBK Utility V2.5"));
    const QByteArray path = qgetenv("ZBK_PROGRESS_SCREENSHOT");
    if (!path.isEmpty()) QVERIFY(shot.save(QString::fromLocal8Bit(path), "PNG"));
  }

  // Many more lines than the log shows: the newest one is always in view, and nothing is left
  // selected.
  void logKeepsItsNewestLineInView() {
    clk::VirtualClock clock;
    sim::SimHidPlatform bus{clock};
    qthost::QtHost host;
    program::Session session(&host, &bus, &clock);
    app::Chid_testDlg dlg;
    QStringList seen;
    QTimer::singleShot(50, [&] {
      qthost::DialogWindow* window = host.TopModal();
      QVERIFY(window);
      auto* list = qobject_cast<QListWidget*>(window->Control(app::IDC_LIST_LOG));
      QVERIFY(list);
      for (int i = 0; i < 80; ++i) {
        dlg.AppendLog("line " + std::to_string(i));
        QApplication::processEvents();
        const QRect shown = list->viewport()->rect();
        const QRect last = list->visualItemRect(list->item(list->count() - 1));
        if (!shown.contains(last)) seen << QString("line %1 out of view").arg(i);
      }
      if (list->viewport()->rect().intersects(list->visualItemRect(list->item(0)))) {
        seen << "the first line is still in view";
      }
      if (!list->selectedItems().isEmpty()) seen << "a line is selected";
      window->EndDialog(ui::IDCANCEL);
    });
    dlg.DoModal();
    QCOMPARE(seen, QStringList());
  }
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ProgressQtTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "progress_qt_test.moc"
