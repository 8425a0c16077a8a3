// The Linux desktop program: the dialog logic's entry on our Qt window system.
#include <QApplication>
#include <QIcon>

#include "app/linux/linux_program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrinole-Ochrel"));
  QApplication::setDesktopFileName(QStringLiteral("example.tavrinole.ochrel"));
  tavrinole::qt::QtWindowSystem windows;
  QApplication::setWindowIcon(windows.ProgramIcon());
  return tavrinole::qt::RunLinuxProgram(windows, tavrinole::NativeFileSystem());
}
