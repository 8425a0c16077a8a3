// The Help and About boxes: one static text each, modal over the main
// dialog, closed only by the window's close command. Esc and Enter reach the
// procedure as commands and are left alone, so neither closes a box by accident.
#pragma once

#include "platform/window_system.h"

namespace tavrinole {

// The dialog procedure of both boxes: TRUE for WM_CLOSE, which ends the box with 0;
// FALSE for everything else, WM_INITDIALOG and WM_COMMAND included.
INT_PTR CALLBACK InfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// What InfoDialogProc acts through; each box's window carries it.
class InfoDialog {
 public:
  InfoDialog(WindowSystem& windows, HINSTANCE instance);
  InfoDialog(const InfoDialog&) = delete;
  InfoDialog& operator=(const InfoDialog&) = delete;

  // Runs box `templateId` owned by `owner` until it is closed. The owner's job, if one
  // runs, goes on meanwhile: its requests are served by the box's own loop.
  void Run(HWND owner, int templateId);

 private:
  friend INT_PTR CALLBACK InfoDialogProc(HWND, UINT, WPARAM, LPARAM);
  INT_PTR OnMessage(HWND dialog, UINT message);

  WindowSystem& windows_;
  HINSTANCE instance_;
};

}  // namespace tavrinole
