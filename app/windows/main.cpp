// The Windows program: the dialog logic on the real Win32 API and the disk's files.
#include "engine/file_system.h"
#include "platform/win32/win32_window_system.h"
#include "ui/entry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  tavrinole::Win32WindowSystem windows;
  return tavrinole::RunTavrinole(windows, tavrinole::NativeFileSystem(), instance);
}
