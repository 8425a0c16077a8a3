// The program's entry on any window system: initialises the common controls,
// registers the dialog class "TavrinolClass" with the program icon, runs the main
// dialog until it ends and returns its result as the exit code. It returns only
// after the job's threads, if a job was started, have returned.
#pragma once

#include "engine/file_system.h"
#include "platform/window_system.h"

namespace tavrinole {

int RunTavrinole(WindowSystem& windows, FileSystem& files, HINSTANCE instance);

}  // namespace tavrinole
