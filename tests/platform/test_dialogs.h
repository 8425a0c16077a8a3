// Two small dialogs and one dialog procedure that reports what it receives.
#pragma once

#include <array>
#include <functional>
#include <thread>
#include <vector>

#include "platform/scripted/scripted_window_system.h"
#include "resources/dialog_templates.h"

namespace tavrinole::testing {

using resources::ControlKind;
#ifndef WS_DISABLED  // a macro of windows.h on Windows
using resources::WS_DISABLED;
#endif

inline constexpr int MainId = 501;
inline constexpr int InfoId = 502;
inline constexpr int HelpButton = 10;
inline constexpr int OpenButton = 11;
inline constexpr int RunButton = 12;  // starts disabled
inline constexpr int ShowCheck = 13;
inline constexpr int Label = 14;

// clang-format off
inline constexpr std::array<resources::ControlTemplate, 5> MainControls = {{
  { HelpButton, ControlKind::PushButton,   u"Help",  { 0,  0, 30, 14 }, resources::PushStyle },
  { OpenButton, ControlKind::PushButton,   u"Open",  { 0, 20, 30, 14 }, resources::PushStyle },
  { RunButton,  ControlKind::PushButton,   u"Run",   { 0, 40, 30, 14 }, resources::PushStyle | WS_DISABLED },
  { ShowCheck,  ControlKind::AutoCheckBox, u"Show",  { 0, 60, 30, 10 }, resources::CheckStyle },
  { Label,      ControlKind::StaticText,   u"label", { 0, 80, 90,  8 }, resources::LabelStyle },
}};
inline constexpr std::array<resources::ControlTemplate, 1> InfoControls = {{
  { Label, ControlKind::StaticText, u"info", { 4, 4, 90, 40 }, resources::LabelStyle },
}};
inline constexpr std::array<resources::DialogTemplate, 2> Templates = {{
  { MainId, 0, { 6, 18, 100, 100 }, u"", u"Main", resources::ShellFont,  MainControls },
  { InfoId, 0, { 6, 18, 100,  50 }, u"", u"Info", resources::TahomaFont, InfoControls },
}};
// clang-format on

struct Message {
  HWND dialog;
  UINT message;
  WPARAM wParam;
  WORD id;  // LOWORD(wParam) of a WM_COMMAND
  LPARAM lParam;
  LRESULT check;  // BM_GETCHECK of ShowCheck, read when its command arrives
  std::thread::id thread;
};

// The test's dialog procedure: WM_CLOSE ends the dialog with 0 (unless endOnClose is
// off), Help runs the Info dialog over its sender, and onCommand sees every command.
struct Probe {
  explicit Probe(ScriptedWindowSystem& windows) : ws(windows) {
    current = this;
    ws.RegisterTemplates(Templates);
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

  static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Probe& p = *current;
    Message m{dialog, message, wParam, LOWORD(wParam), lParam, -1, std::this_thread::get_id()};
    if (message == WM_COMMAND && LOWORD(wParam) == ShowCheck) {
      m.check = p.ws.SendMessageW(p.ws.GetDlgItem(dialog, ShowCheck), BM_GETCHECK, 0, 0);
    }
    p.messages.push_back(m);
    if (message == WM_CLOSE && p.endOnClose) {
      p.ws.EndDialog(dialog, 0);
      return TRUE;
    }
    if (message == WM_COMMAND) {
      if (LOWORD(wParam) == HelpButton) {
        p.ws.DialogBoxParamW(nullptr, MAKEINTRESOURCEW(InfoId), dialog, Proc, 0);
      }
      if (p.onCommand) p.onCommand(dialog, LOWORD(wParam));
      return TRUE;
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
  }

  ScriptedWindowSystem& ws;
  std::vector<Message> messages;
  bool endOnClose = true;
  std::function<void(HWND, WORD)> onCommand;
  static inline Probe* current = nullptr;
};

}  // namespace tavrinole::testing
