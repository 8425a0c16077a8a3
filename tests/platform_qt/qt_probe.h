// Two small dialogs of our own and a procedure that records what it receives, so the
// layer is tested without the program's dialog logic.
#pragma once

#include <array>
#include <functional>
#include <thread>
#include <vector>

#include "platform/qt/qt_window_system.h"
#include "resources/dialog_templates.h"
#include "tests/support/dialog_probe.h"

namespace tavrinole::test_support {

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

// WM_CLOSE ends the dialog with 7 (unless endOnClose is off); Help runs the Info
// dialog over its sender; onCommand sees every command after it is recorded.
struct Probe : BasicProbe<qt::QtWindowSystem> {
  explicit Probe(qt::QtWindowSystem& windows)
      : BasicProbe(windows, ProbeTemplates, {MainId, InfoId, HelpButton, ShowCheck}, 7) {
    visibleOf = [this](HWND dialog) {
      QWidget* widget = ws.Widget(dialog);
      return widget != nullptr && widget->isVisible();
    };
  }
};

}  // namespace tavrinole::test_support
