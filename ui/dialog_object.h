// The object behind a dialog, found through the dialog's window as Win32 programs do:
// the object travels as DialogBoxParamW's LPARAM, WM_INITDIALOG stores it in the
// dialog's DWLP_USER, and every later message reads it from there.
#pragma once

#include "platform/window_system.h"

namespace tavrinole {

// For a dialog procedure: the object of `dialog`, or null for the messages that come
// before WM_INITDIALOG.
template <class Dialog>
Dialog* DialogObject(HWND dialog, UINT message, LPARAM lParam) {
  WindowSystem* windows = WindowSystem::Calling();
  if (windows == nullptr) return nullptr;
  if (message == WM_INITDIALOG) {
    (void)windows->SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return reinterpret_cast<Dialog*>(lParam);
  }
  return reinterpret_cast<Dialog*>(windows->GetWindowLongPtrW(dialog, DWLP_USER));
}

}  // namespace tavrinole
