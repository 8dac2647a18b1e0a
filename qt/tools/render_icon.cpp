// zbk-render-icon DIR: writes the application's icon as DIR/<size>x<size>/apps/zbk-utility.png for
// each size a desktop's icon theme looks for, drawn by the code that draws the window's icon, so
// that the installed icons and the running program's cannot drift apart.

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QString>
#include <cstdio>

#include "qt/app_icon.h"

int main(int argc, char** argv) {
  // A pixmap needs a GUI application; the build runs this on Qt's offscreen platform.
  QGuiApplication application(argc, argv);
  const QStringList args = QGuiApplication::arguments();
  if (args.size() != 2) {
    std::fputs("usage: zbk-render-icon DIR\n", stderr);
    return 2;
  }
  const QDir out(args.at(1));
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString dir = QStringLiteral("%1x%1/apps").arg(size);
    const QString path = out.filePath(dir + QStringLiteral("/zbk-utility.png"));
    const QPixmap icon = qthost::AppIconPixmap(size);
    if (!out.mkpath(dir) || icon.size() != QSize(size, size) || !icon.save(path, "PNG")) {
      std::fprintf(stderr, "zbk-render-icon: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
