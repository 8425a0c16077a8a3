// The Linux desktop program: the dialog logic's entry on our Qt window system.
#include <QApplication>

#include "engine/file_system.h"
#include "platform/qt/qt_window_system.h"
#include "ui/entry.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrinole-Ochrel"));
  QApplication::setDesktopFileName(QStringLiteral("example.tavrinole.ochrel"));
  tavrinole::qt::QtWindowSystem windows;
  QApplication::setWindowIcon(windows.ProgramIcon());
  return tavrinole::RunTavrinole(windows, tavrinole::NativeFileSystem(), nullptr);
}
