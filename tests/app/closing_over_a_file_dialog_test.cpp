// The Linux program closed while its file dialog is open: the main window leaves the
// screen at once, as on Windows, and the program ends when the file dialog goes.
#include <gtest/gtest.h>

#include <QFileDialog>

#include "engine/file_system.h"
#include "resources/dialog_templates.h"
#include "tests/platform_qt/qt_driver.h"
#include "ui/entry.h"

namespace tavrinole::testing {
namespace {

TEST(LinuxProgramClosing, TheMainWindowHidesAtOnceWhileTheFileDialogIsOpen) {
  qt::QtWindowSystem ws;
  bool mainShownAfterClose = true, fileDialogShownAfterClose = false;
  ws.OnFileDialogShown([&](QFileDialog& dialog) {
    QWidget* main = ws.Widget(ws.OpenDialog(resources::MainDialogId));
    CloseAsUser(main);
    mainShownAfterClose = main->isVisible();
    fileDialogShownAfterClose = dialog.isVisible();
    KeyAsUser(&dialog, Qt::Key_Escape);
  });
  Later([&] { ClickAsUser(ControlOf(ws, ws.OpenDialog(resources::MainDialogId), 4005)); });
  EXPECT_EQ(RunTavrinole(ws, NativeFileSystem(), nullptr), 0);
  EXPECT_FALSE(mainShownAfterClose);
  EXPECT_TRUE(fileDialogShownAfterClose);
}

}  // namespace
}  // namespace tavrinole::testing
