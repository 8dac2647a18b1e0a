// zbk-utility on Linux: Qt's start-up around the program.

#include <QApplication>
#include <string_view>
#include <vector>

#include "program/run.h"
#include "qt/qt_host.h"

namespace {

std::vector<std::string_view> Arguments(int argc, char** argv) {
  return std::vector<std::string_view>(argv + 1, argv + argc);
}

}  // namespace

int main(int argc, char** argv) {
  // A batch, the help and the version need no window system: they work without a display.
  if (const auto status = program::RunWithoutWindow(Arguments(argc, argv))) return *status;
  QApplication application(argc, argv);  // takes Qt's own options out of argv
  qthost::QtHost host;
  return program::RunWindowed(Arguments(argc, argv), host);
}
