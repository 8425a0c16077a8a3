// Two small dialogs of our own and a procedure that records what it receives, so the
// layer is tested without the program's dialog logic.
#pragma once

#include <array>
#include <functional>
#include <thread>
#include <vector>

#include "platform/qt/qt_window_system.h"
#include "resources/dialog_templates.h"

namespace tavrinole::testing {

using resources::ControlKind;

inline constexpr int MainId = 601;
inline constexpr int InfoId = 602;
inline constexpr int HelpButton = 10;
inline constexpr int OpenButton = 11;
inline constexpr int RunButton = 12;  // starts disabled
inline constexpr int ShowCheck = 13;
inline constexpr int Label = 14;
inline constexpr int PathLabel = 15;

// clang-format off
inline constexpr std::array<resources::ControlTemplate, 6> ProbeControls = {{
  { HelpButton, ControlKind::PushButton,   u"Help",     {  4,  4, 40, 14 }, resources::PushStyle },
  { OpenButton, ControlKind::PushButton,   u"Open",     {  4, 20, 40, 14 }, resources::PushStyle },
  { RunButton,  ControlKind::PushButton,   u"Run",      {  4, 36, 40, 14 }, resources::PushStyle | resources::WS_DISABLED },
  { ShowCheck,  ControlKind::AutoCheckBox, u"Show",     {  4, 52, 60, 10 }, resources::CheckStyle },
  { Label,      ControlKind::StaticText,   u"a & <b>",  { 50,  4, 90,  8 }, resources::LabelStyle },
  { PathLabel,  ControlKind::StaticText,   u"path",     { 50, 20, 90, 12 }, resources::PathLabelStyle },
}};
inline constexpr std::array<resources::ControlTemplate, 1> InfoProbeControls = {{
  { Label, ControlKind::StaticText, u"info", { 4, 4, 90, 40 }, resources::LabelStyle },
}};
inline constexpr std::array<resources::DialogTemplate, 2> ProbeTemplates = {{
  { MainId, resources::MainDialogStyle, { 6, 18, 150, 80 }, u"TavrinolClass", u"Probe", resources::ShellFont,  ProbeControls },
  { InfoId, resources::InfoDialogStyle, { 6, 18, 100, 50 }, u"",              u"Info",  resources::TahomaFont, InfoProbeControls },
}};
// clang-format on

struct Message {
  HWND dialog;
  UINT message;
  WORD id;  // LOWORD(wParam) of a WM_COMMAND
  LPARAM lParam;
  LRESULT check;  // BM_GETCHECK of ShowCheck when its command arrives
  bool visible;   // whether the dialog showed when the message came
};

// WM_CLOSE ends the dialog with 7 (unless endOnClose is off); Help runs the Info
// dialog over its sender; onCommand sees every command after it is recorded.
struct Probe {
  explicit Probe(qt::QtWindowSystem& windows) : ws(windows) {
    current = this;
    ws.RegisterTemplates(ProbeTemplates);
  }
  ~Probe() { current = nullptr; }

  std::vector<Message> Received(UINT message) const {
    std::vector<Message> matching;
    for (const Message& m : messages) {
      if (m.message == message) matching.push_back(m);
    }
    return matching;
  }
  std::vector<WORD> Commands() const {
    std::vector<WORD> ids;
    for (const Message& m : Received(WM_COMMAND)) ids.push_back(m.id);
    return ids;
  }

  INT_PTR RunMain(LPARAM param = 0) {
    return ws.DialogBoxParamW(nullptr, MAKEINTRESOURCEW(MainId), nullptr, Proc, param);
  }
  INT_PTR RunInfo(HWND owner) {
    return ws.DialogBoxParamW(nullptr, MAKEINTRESOURCEW(InfoId), owner, Proc, 0);
  }

  static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Probe& p = *current;
    QWidget* widget = p.ws.Widget(dialog);
    Message m{dialog, message, LOWORD(wParam),
              lParam, -1,      widget != nullptr && widget->isVisible()};
    if (message == WM_COMMAND && LOWORD(wParam) == ShowCheck) {
      m.check = p.ws.SendMessageW(p.ws.GetDlgItem(dialog, ShowCheck), BM_GETCHECK, 0, 0);
    }
    p.messages.push_back(m);
    if (message == WM_CLOSE && p.endOnClose) {
      p.ws.EndDialog(dialog, 7);
      return TRUE;
    }
    if (message == WM_COMMAND) {
      if (LOWORD(wParam) == HelpButton) p.RunInfo(dialog);
      if (p.onCommand) p.onCommand(dialog, LOWORD(wParam));
      return TRUE;
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
  }

  qt::QtWindowSystem& ws;
  std::vector<Message> messages;
  bool endOnClose = true;
  std::function<void(HWND, WORD)> onCommand;
  static inline Probe* current = nullptr;
};

}  // namespace tavrinole::testing
