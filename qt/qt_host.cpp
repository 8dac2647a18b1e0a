#include "qt/qt_host.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <utility>

#include "qt/app_icon.h"
#include "qt/dialog_window.h"
#include "ui/resources.h"

namespace qthost {

namespace {

QString FromView(std::string_view s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Boxes, menus and the file dialog want the arrow, even while a command shows the wait cursor.
class ArrowWhileOpen {
 public:
  ArrowWhileOpen() : active_(QGuiApplication::overrideCursor() != nullptr) {
    if (active_) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~ArrowWhileOpen() {
    if (active_) QGuiApplication::restoreOverrideCursor();
  }
  ArrowWhileOpen(const ArrowWhileOpen&) = delete;
  ArrowWhileOpen& operator=(const ArrowWhileOpen&) = delete;

 private:
  bool active_;
};

DialogWindow* WindowOf(ui::CDialog* dialog) {
  return dialog ? dynamic_cast<DialogWindow*>(dialog->GetWindow()) : nullptr;
}

}  // namespace

QtHost::QtHost() {
  // Windows come and go under the program's control; hiding the last one must not end the loop.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(AppIcon());
}

QtHost::~QtHost() {
  // The dialogs of unowned windows may be gone by now: the windows go without telling them.
  unowned_.clear();
  while (cursorDepth_ > 0) {
    QGuiApplication::restoreOverrideCursor();
    --cursorDepth_;
  }
}

void QtHost::SetScreenshotPath(std::string path) {
  screenshotPath_ = std::move(path);
  screenshotPending_ = !screenshotPath_.empty();
}

void QtHost::ScreenshotFinished(bool written) {
  screenshotPending_ = false;
  screenshotWritten_ = written;
}

DialogWindow* QtHost::TopModal() const {
  return modal_.empty() ? nullptr : modal_.back();
}

int QtHost::RunModal(ui::CDialog& dialog, ui::CDialog* owner) {
  const ui::DialogTemplate* tmpl = dialog.Template();
  if (!tmpl || dialog.HasWindow()) return -1;
  // Without an owner the dialog belongs to the innermost modal dialog, as the framework does.
  QWidget* parent = WindowOf(owner);
  if (!parent) parent = TopModal();
  auto window =
      std::make_unique<DialogWindow>(*this, dialog, *tmpl, parent, DialogWindow::Mode::Modal);
  window->CentreOn(parent);
  dialog.AttachWindow(window.get());
  modal_.push_back(window.get());

  if (dialog.OnInitDialog()) window->FocusFirstTabStop();
  if (!screenshotPath_.empty() && !window->EndRequested()) {
    window->ScreenshotWhenShown(QString::fromStdString(std::exchange(screenshotPath_, {})));
  }
  const int result = window->RunModalLoop();
  window->TearDown();
  modal_.erase(std::find(modal_.begin(), modal_.end(), window.get()));
  return result;
}

bool QtHost::CreateModeless(ui::CDialog& dialog, ui::CDialog* owner) {
  const ui::DialogTemplate* tmpl = dialog.Template();
  if (!tmpl) return false;
  // One window for a dialog object: a second Create finds the first.
  if (dialog.HasWindow()) return WindowOf(&dialog) != nullptr;
  DialogWindow* ownerWindow = WindowOf(owner);
  auto created = std::make_unique<DialogWindow>(*this, dialog, *tmpl, ownerWindow,
                                                DialogWindow::Mode::Modeless);
  DialogWindow* window = created.get();
  window->CentreOn(ownerWindow);
  if (ownerWindow) {
    ownerWindow->Adopt(std::move(created));
  } else {
    unowned_.push_back(std::move(created));
  }
  dialog.AttachWindow(window);
  if (dialog.OnInitDialog()) window->FocusFirstTabStop();
  if (tmpl->style & ui::kDsVisible) window->show();
  return true;
}

QWidget* QtHost::BoxOwner() const {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (DialogWindow* top = TopModal(); top && top->isVisible()) return top;
  return QApplication::activeWindow();
}

int QtHost::AppMessageBox(std::string_view text, unsigned type) {
  return ShowMessageBox(BoxOwner(), text, ui::GetResources().appName, type);
}

int QtHost::ShowMessageBox(QWidget* owner, std::string_view text, std::string_view caption,
                           unsigned type) {
  const bool okCancel = (type & ui::MB_TYPEMASK) == ui::MB_OKCANCEL;
  QString body = FromView(text);
  body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (screenshotPending_) {
    std::fprintf(stderr, "%s: %s\n", std::string(caption).c_str(), body.toLocal8Bit().constData());
    return okCancel ? ui::IDCANCEL : ui::IDOK;
  }
  QMessageBox box(owner);
  box.setWindowTitle(FromView(caption));
  box.setTextFormat(Qt::PlainText);
  box.setText(body);
  switch (type & ui::MB_ICONMASK) {
    case ui::MB_ICONSTOP:
      box.setIcon(QMessageBox::Critical);
      break;
    case 0x20:
      box.setIcon(QMessageBox::Question);
      break;
    case ui::MB_ICONEXCLAMATION:
      box.setIcon(QMessageBox::Warning);
      break;
    case ui::MB_ICONINFORMATION:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }
  QPushButton* ok = box.addButton(QMessageBox::Ok);
  QPushButton* cancel = okCancel ? box.addButton(QMessageBox::Cancel) : nullptr;
  box.setDefaultButton(ok);
  // Escape (and the close box) answer Cancel where there is one, OK otherwise.
  box.setEscapeButton(cancel ? cancel : ok);
  ArrowWhileOpen arrow;
  box.exec();
  return (cancel && box.clickedButton() == cancel) ? ui::IDCANCEL : ui::IDOK;
}

int QtHost::TrackMenu(QWidget* owner, std::span<const ui::MenuItem> items,
                      const QPoint& screenPos) {
  QMenu menu(owner);
  for (const auto& item : items) {
    if (item.separator) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(QString::fromStdString(item.text));
    action->setData(item.id);
    action->setEnabled(!item.grayed);
  }
  ArrowWhileOpen arrow;
  QAction* chosen = menu.exec(screenPos);
  return chosen ? chosen->data().toInt() : 0;
}

std::optional<std::string> QtHost::GetOpenFileName(std::string_view filterName,
                                                   std::string_view pattern) {
  QString patterns = FromView(pattern);
  patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
  QString filter = FromView(filterName);
  // A name that already carries its patterns is used as it stands.
  if (!filter.endsWith(QLatin1Char(')'))) {
    filter += QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  ArrowWhileOpen arrow;
  const QString path = QFileDialog::getOpenFileName(BoxOwner(), QString(), QString(), filter);
  if (path.isEmpty()) return std::nullopt;
  return QFile::encodeName(path).toStdString();
}

std::optional<std::string> QtHost::GetSaveFileName(std::string_view filterName,
                                                   std::string_view pattern,
                                                   std::string_view defaultExtension) {
  QString patterns = FromView(pattern);
  patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
  QString filter = FromView(filterName);
  if (!filter.endsWith(QLatin1Char(')'))) {
    filter += QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  ArrowWhileOpen arrow;
  // Qt's own dialog, so that the default suffix applies (and asks before replacing the file
  // the name ends up with).
  QFileDialog dialog(BoxOwner(), QString(), QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(FromView(defaultExtension));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString path = dialog.selectedFiles().front();
  if (path.isEmpty()) return std::nullopt;
  return QFile::encodeName(path).toStdString();
}

ui::CursorToken QtHost::SetWaitCursor() {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  return {++cursorDepth_};
}

void QtHost::RestoreCursor(ui::CursorToken token) {
  if (token.depth <= 0) return;
  // Also takes back wait cursors set after this one and not restored.
  while (cursorDepth_ >= token.depth) {
    QGuiApplication::restoreOverrideCursor();
    --cursorDepth_;
  }
}

bool QtHost::OpenClipboard() {
  clipboardOpen_ = true;
  return true;
}

void QtHost::CloseClipboard() {
  clipboardOpen_ = false;
}

bool QtHost::IsClipboardTextAvailable() const {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasText();
}

std::optional<std::string> QtHost::GetClipboardText() const {
  if (!IsClipboardTextAvailable()) return std::nullopt;
  return QGuiApplication::clipboard()->text().toUtf8().toStdString();
}

bool QtHost::SetClipboardText(std::string_view text) {
  QGuiApplication::clipboard()->setText(FromView(text));
  return true;
}

void QtHost::ShowProgress(std::uint32_t done, std::uint32_t total) {
  if (DialogWindow* window = TopModal()) window->ShowProgress(done, total);
}

void QtHost::Repaint() {
  ++repaintDepth_;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  --repaintDepth_;
}

}  // namespace qthost
