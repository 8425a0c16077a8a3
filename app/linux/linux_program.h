// The Linux program's run on our Qt window system.
#pragma once

#include "engine/file_system.h"
#include "platform/qt/qt_window_system.h"

namespace tavrinole::qt {

// Runs the program as RunTavrinole does, on the GUI thread, and returns its exit status.
// A terminating signal ends it as closing its window does: every box and dialog is
// closed as the user would close it, the main dialog's close cancels a job (which
// removes what it began), and the run returns once the job has stopped, with 1 as a
// cancelled run's status. Signals get their default action back before it returns.
int RunLinuxProgram(QtWindowSystem& windows, FileSystem& files);

}  // namespace tavrinole::qt
