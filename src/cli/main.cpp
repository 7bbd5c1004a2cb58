// zelk-cli entry point.
#include <QtGui/QGuiApplication>
#include <cstdlib>
#include <iostream>

#include "cli/cli.h"
#include "render/font_service_qt.h"

namespace {
// Qt's own notes (a missing runtime folder, font lookups) are not the tool's output.
void Quiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtFatalMsg) {
    std::cerr << message.toStdString() << "\n";
    std::abort();
  }
}
}  // namespace

int main(int argc, char** argv) {
  // Rendering needs a GUI application for fonts, but the tool must run without a display.
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform == nullptr || *platform == '\0') setenv("QT_QPA_PLATFORM", "offscreen", 1);
  qInstallMessageHandler(Quiet);
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  zelk::QtFontService fonts;  // one for the tool's run, whatever the command draws
  return zelk::RunCli(args, std::cout, std::cerr, &fonts);
}
