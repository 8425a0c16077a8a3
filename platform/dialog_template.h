// A dialog template as data: what the resources describe and every window layer builds.
//
// The resources library fills these for dialogs 1001, 1002 and 1003; the scripted and Qt
// layers build their dialogs from them, and the Windows .rc is checked against them.
// Places and sizes are in dialog units, as in a resource script.
#pragma once

#include <vector>

#include "platform/win32_api.h"

namespace tavrinole {

enum class ControlKind {
  PushButton,     // sends WM_COMMAND with its id when clicked
  AutoCheckBox,   // toggles its check state, then sends WM_COMMAND with its id
  StaticText,     // shows text; takes no input and sends nothing
};

struct DialogRect {
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
};

struct ControlTemplate {
  int id = 0;
  ControlKind kind = ControlKind::StaticText;
  WStringView text;         // initial text, shown exactly ('&' is an ordinary character)
  DialogRect place;
  bool enabled = true;      // false: WS_DISABLED
  bool tabStop = false;     // WS_TABSTOP
  bool border = false;      // WS_BORDER (the path labels)
  bool wrap = true;         // static text only: false for a single clipped line
};

struct DialogTemplate {
  int id = 0;
  WStringView title;
  DialogRect place;
  WStringView fontFace;     // "MS Shell Dlg" or "Tahoma"
  int fontPoints = 0;
  WStringView className;    // empty: the system dialog class
  bool minimizeBox = false;
  bool contextHelp = false;
  std::vector<ControlTemplate> controls;  // template order, which is also the tab order
};

}  // namespace tavrinole
