// Two small dialogs and one dialog procedure that reports what it receives.
#pragma once

#include <array>
#include <functional>
#include <thread>
#include <vector>

#include "platform/scripted/scripted_window_system.h"
#include "resources/dialog_templates.h"
#include "tests/support/dialog_probe.h"

namespace tavrinole::test_support {

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

// The test's dialog procedure: WM_CLOSE ends the dialog with 0 (unless endOnClose is
// off), Help runs the Info dialog over its sender, and onCommand sees every command.
struct Probe : BasicProbe<ScriptedWindowSystem> {
  explicit Probe(ScriptedWindowSystem& windows)
      : BasicProbe(windows, Templates, {MainId, InfoId, HelpButton, ShowCheck}, 0) {}
};

}  // namespace tavrinole::test_support
